#pragma once
// The help wizard: after a Run or a Fit it looks at the result for seven
// typical problems (residuals too large overall, near the meniscus or near
// the bottom; a fitted meniscus or bottom stuck at its limit; a continuous
// distribution rising at the lower or upper end of its grid) and explains
// each one it finds in a box captioned "Help Wizard".

#include <string>
#include <vector>

class TXLAWindow;

// Menu item of "Info and Wizard Messages".
inline constexpr int kInfoAndWizardMessagesItem = 610;

// The numbers (1 to 7, ascending) of the problems the current result shows;
// none while a tool mode, the realtime update, DLS data, a Monte Carlo
// analysis or a serial fit is running.
std::vector<int> HelpWizardFindings();
// The box text of problem number (1 to 7), followed by the footnote that
// tells how to switch the messages off.
std::string HelpWizardMessage(int number);

// Shows the message of every finding, in order, each with the error sound.
void HelpWizard(TXLAWindow& window);

// "Info and Wizard Messages": switches the messages on or off and offers to
// keep the choice.
void CmInfoAndWizardMessages(TXLAWindow& window);
