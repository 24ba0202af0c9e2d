#pragma once
// The file dialogs of the save, export and tool commands: a save dialog that
// starts from a proposed name (in the data folder unless the path names
// another) and confirms before it replaces a file, an open dialog for one
// existing file, and the data folder that the proposals start in. Each
// borrows the window's main file-dialog record and puts it back afterwards.
// The filter is a description with its pattern in parentheses
// ("QUORVEL xp Files (*.xp)"); "All Files (*.*)" when none is given.

#include <string>

class CommandTable;
class TXLAWindow;

// On OK the chosen path replaces path and the result is true.
bool ChooseSavePath(TXLAWindow& window, std::string& path, const std::string& title,
                    const std::string& filter = "All Files (*.*)",
                    const std::string& defaultExtension = "*");
bool ChooseOpenPath(TXLAWindow& window, std::string& path, const std::string& title,
                    const std::string& filter = "All Files (*.*)");

// name inside the folder of the loaded data (the current folder when none).
std::string InDataFolder(const std::string& name);

// Registers a handler under its id with the catalogue's name and help flag.
using CataloguedHandler = void (*)(TXLAWindow&);
void AddCatalogued(CommandTable& table, int id, CataloguedHandler handler);
