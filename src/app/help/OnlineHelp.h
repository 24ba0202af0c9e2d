#pragma once
// The "&Help" menu: where help is found, the keyboard shortcuts and the
// About box. The help prompt is also what a command does in menu-help mode.

class CommandTable;
class TXLAWindow;

// Offers to open the on-line help in the web browser and leaves menu-help
// mode.
void OnlineHelpPrompt(TXLAWindow& window);
// The list of keyboard shortcuts.
void CmKeyboardShortcuts(TXLAWindow& window);
// The About box; "don't agree" withdraws the agreement and ends the program.
void CmAbout(TXLAWindow& window);

void RegisterHelpCommands(CommandTable& table);
