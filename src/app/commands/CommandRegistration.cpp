#include "app/commands/CommandTable.h"

void RegisterAllCommands(CommandTable&) {}
