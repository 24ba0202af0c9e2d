#pragma once
// Every command id the main window answers: the menu items, the run-time
// items, the accelerator-only commands and the ids that only other code
// sends, each with the name of its handler and whether the handler answers
// the menu-help mode (F1 on a highlighted item) with the help prompt instead
// of running. The command table registers the handlers that exist; this
// list lets the dispatcher treat the help mode right for the others too, and
// lets tests check that menu, accelerators and table agree.

#include <span>

struct CommandDescription {
  int id = 0;
  const char* handler = "";
  bool answersHelp = false;
};

// In menu order, then the run-time items and the ids no menu item carries.
std::span<const CommandDescription> CommandCatalogue();

// The description of an id, or null for an id the window does not know.
const CommandDescription* DescribeCommand(int id);
