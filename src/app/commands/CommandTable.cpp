#include "app/commands/CommandTable.h"

#include <string>

#include "app/help/OnlineHelp.h"
#include "app/window/TXLAWindow.h"
#include "platform/Menu.h"
#include "resources/CommandCatalogue.h"
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

bool CommandAnswersHelp(const CommandTable& table, int id) {
  if (const CommandEntry* entry = table.Find(id)) return entry->answersHelp;
  const CommandDescription* description = DescribeCommand(id);
  return description != nullptr && description->answersHelp;
}

void DispatchCommand(TXLAWindow& window, int id) {
  DispatchCommand(MainCommandTable(), window, id);
}

void DispatchCommand(const CommandTable& table, TXLAWindow& window, int id) {
  if (window.MenuHelpMode && CommandAnswersHelp(table, id)) {
    OnlineHelpPrompt(window);
    return;
  }
  const CommandEntry* entry = table.Find(id);
  if (entry == nullptr || entry->handler == nullptr) {
    const platform::MenuItem* item = window.Menu().Find(id);
    std::string name = item ? platform::PlainMenuText(item->text) : std::to_string(id);
    // Items with a shortcut hint carry a blank before it.
    while (!name.empty() && name.back() == ' ') name.pop_back();
    ErrorBox("\"" + name + "\" is not available in this version.");
    return;
  }
  entry->handler(window);
}
