#pragma once
// The command groups of saving and export, copy and display, the loading
// and fitting options, data generation, error estimates and serial fits.

class CommandTable;

void RegisterDataAndToolCommands(CommandTable& table);
