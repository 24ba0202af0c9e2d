// The main window and the program-wide hooks through which the data layer,
// the fits and the display reach it, and the display's paint, sizing and
// dropped files.

#include "app/calculators/CalculatorCommands.h"
#include "app/commands/CtotCommands.h"
#include "app/commands/RunFitCommands.h"
#include "app/eqplanning/EqPlanningCommands.h"
#include "app/eqtest/EqTestCommands.h"
#include "app/equilibrium/MwScreen.h"
#include "app/commands/SolventCommands.h"
#include "app/interaction/InteractionHooks.h"
#include "app/loading/LoadCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelCommands.h"
#include "app/params/ParameterCommands.h"
#include "state/LoadOptions.h"
#include "app/scantools/ScanToolCommands.h"
#include "app/start/ExitProgram.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/wiring/DataOperationHooks.h"
#include "app/wiring/WindowLinks.h"
#include "app/window/TXLAWindow.h"
#include "models/TempParameterFile.h"
#include "display/ClientPixels.h"
#include "display/DirectRedraws.h"
#include "display/DisplayLinks.h"
#include "display/DistributionPlot.h"
#include "display/FitDisplay.h"
#include "display/LiveRefresh.h"
#include "display/MainPlots.h"
#include "display/MainWindowPaint.h"
#include "display/SolverLiveDisplay.h"
#include "state/DistributionPlotState.h"
#include "distributions/DistributionTimeCourse.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "models/FitResultDisplay.h"
#include "models/GlobalLammState.h"
#include "models/ParametersCommand.h"

void TXLAWindow::InstallWindowHooks() {
  // The log first, so nothing of the start calls it before it has a place
  // to go; it takes lines only once the start has opened it.
  debugLogOpen_ = false;
  ::DebugLog = [this](platform::WindowHandle, const std::string& text) {
    if (debugLogOpen_) DebugLog(text);
  };
  debugLogHookInstalled_ = true;
  display::InstallMainPlotHooks();
  display::InstallDistributionPlotHooks();
  ModelCommandLinks.InitDistributionPlot = [](bool) {
    // Rebuilt for a model command: no hint to run again.
    DistributionPlotState.SuppressRecalculateHint = true;
    display::InitDistributionPlot();
    DistributionPlotState.SuppressRecalculateHint = false;
  };
  // The model commands switch the species' parameterisation with the real
  // command, which converts slots 1-4.
  ModelCommandLinks.ToggleFitMAndS = [](TXLAWindow& window) { CmFitMAndS(window); };
  InstallViewHooks(*this);
  ViewLinks.AskResetCtot = AskResetCtot;
  InstallCalculatorHooks();
  InstallInteractionHooks(*this);
  InstallCtotOverlay(*this);
  InstallMwScreenHooks(*this);
  InstallDataOperationWindowHooks(*this);
  InstallRunFitHooks(*this);
  InstallParameterDialogHooks(*this);
  InstallEqPlanningHooks(*this);
  InstallEqTestHooks(*this);
  InstallScanToolHooks(*this);
  // A restored analysis selects its model through the model commands.
  InstallModelCommandsForReload(*this);
  InstallSolventCommandHooks(*this);
  InstallWindowLinks(*this);
  display::InstallLiveRefreshHook([this] { return Host(); });
  display::InstallFitDisplayLinks([this] { return Host(); });
  display::InstallSolverLiveDisplay([this] { return Host(); });
  TimeCourseLinks.ShowDistributionNow = [this] { display::RedrawDistributionPlotNow(Host()); };
  auto& links = display::MainDisplayLinks;
  links.ExitProgram = [this] { ExitProgram(*this); };
  links.ModelCurvesReady = [] {
    return SpeciesSignals.ModelCurvesValid || DistributionRunFlags.FitCurvesShown;
  };
  links.FitResultText = [this] {
    if (Host()) display::InClientPixels(*Host(), [](platform::Canvas& c) { ShowFitResultText(c); });
  };
  links.PaintFitResultLines = [](platform::Canvas& page, int x, int y) {
    PaintFitResultLines(page, x, y);
  };
  FitDisplayLinks.FitResultText = [this](platform::WindowHandle) {
    if (Host()) display::InClientPixels(*Host(), [](platform::Canvas& c) { FitResultText(c); });
  };
  windowHooksInstalled_ = true;
}

void TXLAWindow::RemoveWindowHooks() {
  if (!windowHooksInstalled_) return;
  RemoveMwScreenHooks(*this);
  RemoveViewHooks();
  RemoveInteractionHooks();
  RemoveCtotOverlay();
  RemoveDataOperationWindowHooks();
  RemoveEqPlanningHooks();
  RemoveEqTestHooks();
  RemoveScanToolHooks();
  RemoveSolventCommandHooks();
  RemoveWindowLinks();
  const auto noWindow = [] { return static_cast<platform::WindowHost*>(nullptr); };
  display::InstallLiveRefreshHook(noWindow);
  display::InstallFitDisplayLinks(noWindow);
  display::InstallSolverLiveDisplay(noWindow);
  TimeCourseLinks.ShowDistributionNow = links::Unwired;
  display::MainDisplayLinks.ExitProgram = links::Unwired;
  display::MainDisplayLinks.FitResultText = links::Unwired;
  display::MainDisplayLinks.PaintFitResultLines = links::Unwired;
  FitDisplayLinks.FitResultText = links::Unwired;
  ResetModelCommandLinks();
  {
    // A later reload must not reach this window once it is gone: its two
    // model links go back to their defaults, the others stay.
    TempParameterFileLinksRecord kept = TempParameterFileLinks;
    ResetTempParameterFileLinks();
    kept.ResetModelFlags = TempParameterFileLinks.ResetModelFlags;
    kept.IssueModelCommand = TempParameterFileLinks.IssueModelCommand;
    TempParameterFileLinks = kept;
  }
  RunModel = [](platform::WindowHandle) {};
  InvokeRunModel = [](platform::WindowHandle) {};
  windowHooksInstalled_ = false;
}

bool TXLAWindow::PaintDeferred() const {
  return RunBusy || FitBusy || DialogBusy || ParameterDialogOpen || LoadingState.FileDialogOpen;
}

void TXLAWindow::OnPaint(platform::Canvas& canvas, bool erase) {
  display::PaintContext context;
  context.host = Host();
  if (Host()) context.client = Host()->ClientSize();
  context.busy = PaintDeferred();
  display::PaintMainWindow(canvas, erase, context);
}

void TXLAWindow::OnSize(platform::Size size) {
  display::ResizeMainWindow(size);
  ResizeMainWindow(*this);
}

void TXLAWindow::OnDropFiles(const std::vector<std::string>& paths) {
  DropFilesOnWindow(*this, paths);
}
