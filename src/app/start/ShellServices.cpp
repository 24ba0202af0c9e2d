#include "app/start/ShellServices.h"

#include "app/batch/BatchResults.h"
#include "app/batch/BatchRun.h"
#include "app/eqplanning/TimeToEqDialog.h"
#include "app/external/ExternalPrograms.h"
#include "app/options/PreferenceFile.h"
#include "state/ModelSelection.h"
#include "app/viewcmds/ViewCommands.h"
#include "display/MainPlots.h"

namespace {

ShellServicesRecord ProgramSteps() {
  ShellServicesRecord steps;
  steps.ReadPreferences = [](TXLAWindow& window) { return ReadPreferences(window); };
  steps.WritePreferences = [](TXLAWindow& window) { return WritePreferences(window); };
  steps.RunBatch = [](TXLAWindow& window) { RunBatch(window); };
  steps.WriteBatchResultsAndExit = [](TXLAWindow& window) { WriteBatchResultsAndExit(window); };
  steps.FindPlotPrograms = [](TXLAWindow& window) { FindPlotPrograms(window); };
  steps.LayoutAndRenderMainPlots = [](TXLAWindow&) { display::LayoutAndRenderMainPlots(); };
  steps.InitTimeToEquilibrium = [] { InitTimeToEquilibrium(); };
  steps.AllowModelNotes = [] { ModelSwitchState.SuppressModelNotes = false; };
  steps.ClearDisplayRangeStack = [] { DisplayRangeStack = DisplayRangeStackRecord{}; };
  return steps;
}

}  // namespace

ShellServicesRecord ShellServices = ProgramSteps();
