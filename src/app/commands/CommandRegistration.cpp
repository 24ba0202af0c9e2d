#include "app/calculators/CalculatorCommands.h"
#include "app/commands/CommandTable.h"
#include "app/commands/CtotCommands.h"
#include "app/commands/NoiseCommands.h"
#include "app/commands/RegularizationCommands.h"
#include "app/commands/RunFitCommands.h"
#include "app/eqplanning/EqPlanningCommands.h"
#include "app/eqtest/EqTestCommands.h"
#include "app/equilibrium/MwScreenInput.h"
#include "app/datacmds/DataToolRegistration.h"
#include "app/external/ExternalPrograms.h"
#include "app/commands/SolventCommands.h"
#include "app/help/OnlineHelp.h"
#include "app/interaction/InteractionHooks.h"
#include "app/loading/LoadCommands.h"
#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommands.h"
#include "app/options/OptionCommands.h"
#include "app/params/ParameterCommands.h"
#include "app/scantools/ScanToolCommands.h"
#include "app/start/ExitProgram.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/DiagnosticsLog.h"

void RegisterAllCommands(CommandTable& table) {
  table.Add(230, &ExitProgram, true, "ExitProgram");
  table.Add(867, &CmDiagnosticsOutputToFiles, false, "CmDiagnosticsOutputToFiles");
  RegisterHelpCommands(table);
  RegisterLoadingCommands(table);
  RegisterViewCommands(table);
  RegisterOptionCommands(table);
  RegisterRegularizationCommands(table);
  RegisterModelCommands(table);
  RegisterContinuousModelCommands(table);
  RegisterRunFitCommands(table);
  RegisterNoiseCommands(table);
  RegisterInteractionCommands(table);
  RegisterParameterCommands(table);
  RegisterEqPlanningCommands(table);
  RegisterEqTestCommands(table);
  RegisterEquilibriumScreenCommands(table);
  RegisterDataAndToolCommands(table);
  RegisterCtotCommands(table);
  RegisterScanToolCommands(table);
  RegisterCalculatorCommands(table);
  RegisterExternalProgramCommands(table);
  RegisterDlsImportCommands(table);
  RegisterSolventCommands(table);
}
