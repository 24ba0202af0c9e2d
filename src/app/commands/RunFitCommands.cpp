#include "app/commands/RunFitCommands.h"

#include "state/PriorSettings.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/commands/CommandTable.h"
#include "app/eqtest/EqTestCommands.h"
#include "app/help/HelpWizard.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "app/options/ProgramOptions.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/scantools/BoundaryAnalysisCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "display/CursorLineDrawing.h"
#include "display/MainPlots.h"
#include "display/MainWindowPaint.h"
#include "display/WindowCoordinates.h"
#include "state/PaintState.h"
#include "state/ScreenModes.h"
#include "distributions/ContiFit.h"
#include "distributions/RunContiSed.h"
#include "state/DistributionSettingsRecords.h"
#include "state/PriorSettings.h"
#include "distributions/DistributionTimeCourse.h"
#include "engines/GlobalLammSolver.h"
#include "equilibrium/EqBuoyantMass.h"
#include "models/FitDriver.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"
#include "state/ComputationAbort.h"

RunFitStateRecord RunFitState;

namespace {

constexpr int kRunCommand = 213;
constexpr int kFitCommand = 215;
constexpr int kFitMAndSCommand = 217;
constexpr int kSimulateFaxenCommand = 530;

// Runs f with the window's busy byte set, reset on every path.
template <class F>
void WhileBusy(bool& busy, F&& f) {
  busy = true;
  f();
  busy = false;
}

// A range limit moves: its old line is painted over in white and the dashed
// line drawn at the new value.
void MoveLimitLine(TXLAWindow& window, float& limit, float value, CursorLineKind kind) {
  const CWINPlot* plot = display::MainPlots.DataPlot.get();
  if (plot != nullptr && window.Host() != nullptr) {
    display::DrawCursorLine(window.Host(), display::ValueToWindowX(*plot, limit), platform::kWhite);
    display::DrawDashedCursorLine(window.Host(), display::ValueToWindowX(*plot, value),
                                  display::CursorLineColour(kind), display::kRangeLineDashes);
  }
  limit = value;
}

// The fit limits against the meniscus and bottom ranges: true when the fit
// may go on (possibly after the user let a range be moved).
bool FitLimitsAccepted(TXLAWindow& window) {
  auto& fc = FitControl;
  const auto& d = ScanDataSet;
  auto ask = [&](const char* text) { return AskYesNoBox(window, text, "PROBLEM WITH FITTING"); };
  if (ModelParameters.MeniscusFitted && d.FitLeftLim > 0.0f && fc.MAXMENISCUS > 0.0f &&
      d.FitLeftLim < fc.MAXMENISCUS) {
    if (!ask("Left fitting limit is at smaller radius than maximum potential meniscus value.\n"
             "This could cause problems during the fit.\nFix by repositioning maximum meniscus?"))
      return false;
    MoveLimitLine(window, fc.MAXMENISCUS, d.FitLeftLim - 0.001f, CursorLineKind::MeniscusHighLine);
  }
  if (ModelParameters.BottomFitted && d.FitRightLim > 0.0f && fc.MINBOTTOM > 0.0f &&
      d.FitRightLim > fc.MINBOTTOM) {
    if (!ask("Right fitting limit is at higher radius than minimum potential bottom value.\n"
             "This could cause problems during the fit.\nFix by repositioning minimum bottom?"))
      return false;
    MoveLimitLine(window, fc.MINBOTTOM, d.FitRightLim + 0.001f, CursorLineKind::BottomLowLine);
  }
  return true;
}

// A computation that failed leaves the plots of the last good state on
// screen and shows no result text: its numbers would describe nothing the
// user asked for.
void AfterComputation(TXLAWindow& window, bool succeeded) {
  if (succeeded) {
    PaintState.FitResultPending = true;
    ScanDataSet.DataChanged = false;
  }
  RepaintMainWindow(window.Handle());
}

// Paints the window now, inside the command, so that the result the wizard
// talks about is on screen when its boxes ask. The paint the command asked
// for still follows when it returns, and it draws the result text again.
// The result is whole here even where a command around the run still holds
// the window's paints back (a load restoring the previous analysis runs it
// before the load has ended), so the paint is not deferred.
void ShowResultNow(TXLAWindow& window) {
  platform::WindowHost* host = window.Host();
  if (host == nullptr || RedrawSuppressed) return;
  const bool resultPending = PaintState.FitResultPending;
  platform::Canvas& canvas = host->ClientCanvas();
  display::PaintContext context;
  context.host = host;
  context.client = host->ClientSize();
  for (const bool erase : {true, false}) {
    canvas.Save();
    display::PaintMainWindow(canvas, erase, context);
    canvas.Restore();
  }
  PaintState.FitResultPending = resultPending;
  host->UpdateNow();
}

void HelpWizardIfOn(TXLAWindow& window) {
  if (!ProgramOptions.WizardMessagesOn || window.ClosePending) return;
  ShowResultNow(window);
  HelpWizard(window);
}

bool RunSucceeded(ContiRunOutcome outcome) {
  return outcome == ContiRunOutcome::Stored || outcome == ContiRunOutcome::Simulated;
}

}  // namespace

bool CheckStrongGradients(TXLAWindow& window) {
  const auto& d = ScanDataSet;
  const auto& mp = ModelParameters;
  if (d.NFILES <= 0 || d.ScanHeaders[1].IsFluorescence) return true;
  if (mp.Meniscus == 0.0f || mp.Bottom == 0.0f || d.FitLeftLim == 0.0f || d.FitRightLim == 0.0f)
    return true;
  if (!(mp.Meniscus < d.FitLeftLim && d.FitLeftLim < d.FitRightLim && d.FitRightLim < mp.Bottom))
    return true;
  if (d.ScanFirstFitIndex.size() < d.NFILES || d.ScanLastFitIndex.size() < d.NFILES) return true;
  const float limit = RunFitState.MaxGradientAllowed;
  for (int i = 1; i <= d.NFILES; ++i) {
    const auto& r = d.ScanRadius[i];
    const auto& s = d.ScanSignal[i];
    for (int j = d.ScanFirstFitIndex[i]; j <= d.ScanLastFitIndex[i]; ++j) {
      if (j >= d.ScanPointCount[i] - 4) break;
      float steepest = -1e30f;
      bool allAbove = true;
      for (int k = 1; k <= 4; ++k) {
        const float g = (s[j + k] - s[j + k - 1]) / (r[j + k] - r[j + k - 1]);
        steepest = std::max(steepest, g);
        allAbove = allAbove && g > limit;
      }
      if (allAbove) {
        ShowOkBox(window,
                  FormatText("max gradient exceeded:  grad = %.1f/cm at r ~ %.4fcm in scan %s",
                             static_cast<double>(steepest), static_cast<double>(r[j]),
                             d.ScanFilePaths[i].c_str()),
                  "ERROR", platform::BoxIcon::None);
        return false;
      }
    }
  }
  return true;
}

void RunModelCommand(TXLAWindow& window) {
  ScreenModes.DisplayHoldForCalibration = false;
  // The prior made of the peaks of a distribution served the run that
  // followed it; this run starts from the user's own prior again.
  if (PriorSettings.DiscreteSpeciesPriorOnce) {
    PriorSettings.DiscreteSpeciesPriorOnce = false;
    PriorSettings.DiscreteSpeciesPriorOn = false;
  }
  if (ScanReaderOptions.FlagStrongGradients && !CheckStrongGradients(window)) return;
  const ModelKind kind = ModelSelection.Kind;
  const bool eqTest = LoadOptions.EqTestMode;
  bool succeeded = true;
  WhileBusy(window.RunBusy, [&] {
    const loading::WaitCursor hourglass(window);
    // The marks of which engine computed and of a running distribution
    // search describe this run from here on.
    GlobalLammEngineUsed = false;
    DistributionRunFlags.InNonlinearSearch = false;
    // A Run fits nothing: the step counts of an earlier fit would show in
    // its result text as if they belonged to it.
    FitControl.OptimizerStep = 0;
    FitControl.EvaluationCount = 0;
    FitControl.SimulationCount = 0;
    // A single run shows its progress and repaints when done; fits keep
    // their own setting of this.
    SpeciesSignals.LiveRunDisplay = true;
    if (eqTest) {
      RunEqTest(window);
    } else if (IsContinuousModel(kind) && !IsVanHoldeWeischetFamily(kind)) {
      if (kind == ModelKind::DlsIRhTimeCourse)
        RunDistributionTimeCourse(window.Handle());
      else
        succeeded = RunSucceeded(RunContiSed(window.Handle()));
    } else if (kind == ModelKind::BuoyantMassEquilibrium ||
               kind == ModelKind::BuoyantMassReactingAB) {
      succeeded = RunEqBuoyantMass(window.Handle());
    } else if (IsVanHoldeWeischetFamily(kind)) {
      RunBoundaryAnalysis(window);
    } else {
      // A simulation the user stopped (a key, "s" in a display) or one that
      // could not be set up has no result to show.
      ComputationAbort = false;
      SimulateModel(window.Handle());
      succeeded = !ComputationAbort;
    }
    SpeciesSignals.LiveRunDisplay = false;
    AfterComputation(window, succeeded);
  });
  if (!eqTest && succeeded) HelpWizardIfOn(window);
}

void CmSimulateFaxen(TXLAWindow& window) {
  SpeciesSignals.FaxenApproximationOn = true;
  RunModelCommand(window);
  SpeciesSignals.FaxenApproximationOn = false;
}

void CmFit(TXLAWindow& window) {
  ScreenModes.DisplayHoldForCalibration = false;
  if (ScanReaderOptions.FlagStrongGradients && !CheckStrongGradients(window)) return;
  const ModelKind kind = ModelSelection.Kind;
  if (IsVanHoldeWeischetFamily(kind)) {
    WhileBusy(window.FitBusy, [&] { RunModelCommand(window); });
    return;
  }
  bool fitted = false;
  WhileBusy(window.FitBusy, [&] {
    if (!FitLimitsAccepted(window)) return;
    const loading::WaitCursor hourglass(window);
    fitted = true;
    if (LoadOptions.EqTestMode)
      RunEqTest(window);
    else if (IsContinuousModel(kind))
      fitted = FitContiModel(window.Handle());
    else if (kind == ModelKind::BuoyantMassEquilibrium || kind == ModelKind::BuoyantMassReactingAB)
      FitEqBuoyantMass(window.Handle());
    else
      fitted = FitDriver(window.Handle());
    if (fitted) PlayFitDoneSound();
  });
  // A fit refused with its message keeps the last good result on screen.
  if (!fitted) {
    RepaintMainWindow(window.Handle());
    return;
  }
  AfterComputation(window, true);
  if (FitDisplayLinks.FitResultText) FitDisplayLinks.FitResultText(window.Handle());
  HelpWizardIfOn(window);
}

void CmFitMAndS(TXLAWindow& window) {
  auto& sc = SolventConditions;
  if (ScanDataSet.NFILES <= 0) {
    sc.GasConstantRT = 2.436e10f;
    ShowOkBox(window, "assuming t = 20 'C", "", platform::BoxIcon::None);
  }
  FitControl.MassInsteadOfD = !FitControl.MassInsteadOfD;
  window.CheckMenuItem(kFitMAndSCommand, FitControl.MassInsteadOfD);
  UnpackParameterVector();
  auto& mp = ModelParameters;
  for (int i = 1; i <= NCOMP; ++i) {
    const float v = mp.MassOrD[i];
    mp.MassOrD[i] = v > 0.0f ? std::fabs(mp.SedCoefficient[i]) * 1e-6f * sc.GasConstantRT /
                                   ((1.0f - sc.VbarRho) * v)
                             : 0.0f;
  }
  PackParameterVector();
}

void RegisterRunFitCommands(CommandTable& table) {
  table.Add(kRunCommand, &RunModelCommand, false, "RunModel");
  table.Add(kFitCommand, &CmFit, false, "CmFit");
  table.Add(kFitMAndSCommand, &CmFitMAndS, true, "CmFitMAndS");
  table.Add(kSimulateFaxenCommand, &CmSimulateFaxen, false, "CmSimulateFaxen");
}

void InstallRunFitHooks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  RunModel = [w](platform::WindowHandle) { RunModelCommand(*w); };
  InvokeRunModel = [w](platform::WindowHandle) { RunModelCommand(*w); };
}
