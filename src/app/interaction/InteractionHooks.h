#pragma once
// Wires the plot interaction into the program: the paint replays the
// on-screen buttons and keeps or clears the peak labels, the loaders and the
// distribution plot show and hide their buttons, the preference reader
// loads the integration ranges, and the distribution tools' commands join
// the command table.

class TXLAWindow;
class CommandTable;

void InstallInteractionHooks(TXLAWindow& window);
void RemoveInteractionHooks();
void RegisterInteractionCommands(CommandTable& table);
