#include "app/commands/CommandTable.h"

#include <string>

#include "app/window/TXLAWindow.h"
#include "platform/Menu.h"
#include "ui/Boxes.h"

void CommandTable::Add(int id, CommandHandler handler, bool answersHelp, const char* name) {
  entries_.push_back({id, handler, answersHelp, name});
}

const CommandEntry* CommandTable::Find(int id) const {
  for (const auto& e : entries_)
    if (e.id == id) return &e;
  return nullptr;
}

CommandTable& MainCommandTable() {
  static CommandTable table = [] {
    CommandTable t;
    RegisterAllCommands(t);
    return t;
  }();
  return table;
}

void DispatchCommand(TXLAWindow& window, int id) {
  const CommandEntry* entry = MainCommandTable().Find(id);
  if (entry == nullptr || entry->handler == nullptr) {
    const platform::MenuItem* item = window.Menu().Find(id);
    const std::string name = item ? platform::PlainMenuText(item->text) : std::to_string(id);
    ErrorBox("\"" + name + "\" is not available in this version.");
    return;
  }
  entry->handler(window);
}
