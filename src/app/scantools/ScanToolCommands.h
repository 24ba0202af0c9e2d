#pragma once
// The scan tools of the main window's menus: scan corrections, fluorescence
// detection settings, boundary analyses, the interactive fringe-jump and
// scratch tools, the time-stamp check, fluorescence sorting and Wiener
// skewing. One registration for all of them, and the hooks through which
// the loaders, the keys and the parameter dialogs reach them.

class CommandTable;
class TXLAWindow;

void RegisterScanToolCommands(CommandTable& table);
void InstallScanToolHooks(TXLAWindow& window);
void RemoveScanToolHooks();
