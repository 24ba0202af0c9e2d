#include "app/commands/CommandTable.h"
#include "app/help/OnlineHelp.h"
#include "app/start/ExitProgram.h"
#include "app/window/DiagnosticsLog.h"

void RegisterAllCommands(CommandTable& table) {
  table.Add(230, &ExitProgram, true, "ExitProgram");
  table.Add(867, &CmDiagnosticsOutputToFiles, false, "CmDiagnosticsOutputToFiles");
  RegisterHelpCommands(table);
}
