#pragma once
// The main window's command table: every menu item and accelerator carries a
// command id, and the table maps the id to its handler. Each group of
// commands (model, regularisation, options, help ...) registers its entries
// in a function of its own; RegisterAllCommands calls them all once at start.
// An id of the menu that no group registered answers with a "not available"
// box instead of doing nothing.

#include <vector>

class TXLAWindow;

using CommandHandler = void (*)(TXLAWindow&);

struct CommandEntry {
  int id = 0;
  CommandHandler handler = nullptr;
  // The handler shows where its help is found instead of running when the
  // window is in menu-help mode (F1 on a highlighted menu item).
  bool answersHelp = false;
  const char* name = "";  // the handler's name, for logs and tests
};

class CommandTable {
 public:
  void Add(int id, CommandHandler handler, bool answersHelp, const char* name);
  // The first entry with this id, or null.
  const CommandEntry* Find(int id) const;
  const std::vector<CommandEntry>& Entries() const { return entries_; }

 private:
  std::vector<CommandEntry> entries_;
};

// The program's one table, filled by RegisterAllCommands on first use.
CommandTable& MainCommandTable();
void RegisterAllCommands(CommandTable& table);

// Whether the command answers the menu-help mode with the help prompt: as
// registered, or for a command without a handler yet, as the program's list
// of commands says.
bool CommandAnswersHelp(const CommandTable& table, int id);

// Runs the command `id` on the window: in menu-help mode a command that
// answers help shows the help prompt instead (and the mode ends); other
// commands run and leave the mode set. An id without a handler shows a box
// naming the command as not available in this version.
void DispatchCommand(TXLAWindow& window, int id);
// The same with another table.
void DispatchCommand(const CommandTable& table, TXLAWindow& window, int id);
