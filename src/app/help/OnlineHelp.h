#pragma once
// The "&Help" menu: where help is found, the keyboard shortcuts and the
// About box. The help prompt is also what a command does in menu-help mode.

class CommandTable;
class TXLAWindow;

#include <string>

// The help pages beside the program ("help/README.md" in the installation
// folder).
std::string HelpPagesPath();
// Offers to open the help pages with the desktop's opener and leaves
// menu-help mode; says so when they are not installed.
void OnlineHelpPrompt(TXLAWindow& window);
// The list of keyboard shortcuts.
void CmKeyboardShortcuts(TXLAWindow& window);
// The About box; "don't agree" withdraws the agreement and ends the program.
void CmAbout(TXLAWindow& window);

void RegisterHelpCommands(CommandTable& table);
