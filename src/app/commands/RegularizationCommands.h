#pragma once
// The choice of how continuous distributions are regularised: maximum
// entropy, the second derivative (Tikhonov-Phillips), the weighted third
// derivative, or the second derivative and maximum entropy shown both.
// Exactly one is selected at any time; its menu item carries the check mark
// and its code (1 to 4, in that order) is what the preference file keeps.

class CommandTable;
class TXLAWindow;

inline constexpr int kRegularizationMaxEnt = 1;
inline constexpr int kRegularizationSecondDerivative = 2;
inline constexpr int kRegularizationWeightedThirdDerivative = 3;
inline constexpr int kRegularizationBoth = 4;

// The code of the current choice (0 when, against the rule, none is set).
int CurrentRegularizationCode();
// Selects the choice of the code (1 to 4) and clears the others. Any other
// code changes nothing and answers false.
bool SelectRegularizationCode(int code);
// The command id of the menu item of a code (1 to 4).
int RegularizationMenuId(int code);
// Check mark on the current choice's item, off on the other three.
void CheckRegularizationMarks(TXLAWindow& window);

void CmRegularizationBy2ndDerivative(TXLAWindow& window);
void CmRegularizationByWeighted3rdDerivative(TXLAWindow& window);
void CmRegularizationByMaxEnt(TXLAWindow& window);
void CmShowBothRegularizations(TXLAWindow& window);

// The regularisation commands and the distribution commands beside them
// (transforms, saving the distribution, the time-dependent s,M fit).
void RegisterRegularizationCommands(CommandTable& table);
