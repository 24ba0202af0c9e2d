// The objective of the distribution fits, their status display and the three
// drivers: simplex cycles, simulated annealing and Levenberg-Marquardt.

#include "distributions/ContiFit.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "state/LoadOptions.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "state/DisplayState.h"
#include "distributions/BestFitSignal.h"
#include "distributions/ContiGrid.h"
#include "distributions/DistributionDiagnostics.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "models/GlobalLammState.h"
#include "models/LevenbergMarquardt.h"
#include "models/NelderMead.h"
#include "models/SimulatedAnnealing.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/RandomNumbers.h"
#include "ui/WindowProgressLine.h"

namespace {

constexpr float kAbortedRmsd = 1e10f;

// The program's one optimiser choice, shared with the discrete fits.
OptimizerChoice Chosen() {
  return FitDriverSettings.OptimizerKind;
}

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

void StatusLine(platform::WindowHandle window, int y, const std::string& text) {
  if (window && DrawingAllowed) platform::Current().DrawWindowText(window, 10, y, text);
}

// Root-mean-square of data minus best-fit model over every scan's fit range.
float FitRangeRmsd() {
  const auto& d = ScanDataSet;
  double sum = 0.0;
  long count = 0;
  for (int j = 1; j <= d.NFILES; ++j)
    for (int k = d.ScanFirstFitIndex[j]; k <= d.ScanLastFitIndex[j]; ++k) {
      const double r = d.ScanSignal[j][k] - d.ScanModel[j][k];
      sum += r * r;
      ++count;
    }
  return count > 0 ? static_cast<float>(std::sqrt(sum / static_cast<double>(count))) : 0.0f;
}

void BestFitSignal(platform::WindowHandle window) {
  if (StoredDistributionServices.CalculateppAFit)
    StoredDistributionServices.CalculateppAFit(window);
  else
    CalculateppAFit();
}

}  // namespace

std::string ContiOptimizerLine() {
  const auto& f = FitControl;
  if (Chosen() == OptimizerChoice::LevenbergMarquardt)
    return Format("sim #%d, ML step #%d, step #%d         ", f.SimulationCount, f.OptimizerStep,
                  f.EvaluationCount);
  if (Chosen() == OptimizerChoice::SimulatedAnnealing && f.AnnealTemperature > 0)
    return Format("sim #%d, SA step #%d, step #%d, T=%.3f        ", f.SimulationCount,
                  f.OptimizerStep, f.EvaluationCount, static_cast<double>(f.AnnealTemperature));
  return Format("s%d, step #%d        ", f.OptimizerStep, f.EvaluationCount);
}

namespace {

bool IsTempFileModel() {
  if (DlsDataMode || ScanDataSet.EquilibriumDataMode) return false;
  using K = ModelKind;
  switch (ModelSelection.Kind) {
    case K::ContinuousCS:
    case K::ZoneCS:
    case K::CSFlotation:
    case K::CSGeneralScalingLaw:
    case K::FMScalingLaw:
    case K::CSFf0:
    case K::CSFf0OneDiscrete:
      return true;
    case K::CSWithOneDiscrete:
      return FitControl.MassInsteadOfD;
    default:
      return false;
  }
}

// What every optimiser does first. False when the fit is refused; n
// receives the number of floating items.
bool CommonStart(platform::WindowHandle window, int& n, bool& liveDisplay) {
  auto& flags = DistributionRunFlags;
  flags.FinalEvaluation = false;
  liveDisplay = SpeciesSignals.LiveRunDisplay;
  SpeciesSignals.LiveRunDisplay = false;
  // No window yet is normal: a batch run fits inside the window's construction.
  if (!IsContinuousModel(ModelSelection.Kind)) return false;
  // The same checks as every discrete fit: scans loaded, meniscus and bottom
  // set, fit limits moved into the cell (each with its message).
  if (!FitPreconditions(window)) return false;
  // A cell without positive length has no radial grid to build.
  if (!DlsDataMode && ModelParameters.Bottom <= ModelParameters.Meniscus) return false;
  if (!MakeContiGrid()) return false;
  FitControl.FitRunning = true;
  FitControl.EvaluationCount = 0;
  FitControl.SimulationCount = 0;
  ContiFitState.GridRemembered = false;
  DisplayBestContiParams(window);
  n = PackContiParameters(0, nullptr);
  return true;
}

void FinalEvaluationAt(platform::WindowHandle window, float* point);

// Nothing floats: the distribution at the current values is the result. The
// fit's start has built the grid anew, which leaves no distribution, so it
// is computed once more (the final, regularised evaluation) before storing.
bool StoreWithoutSearch(platform::WindowHandle window, bool liveDisplay) {
  float none = 0.0f;
  FinalEvaluationAt(window, &none);
  if (RepaintMainWindow) RepaintMainWindow(window);
  StoreDistributionResult(window);
  SpeciesSignals.LiveRunDisplay = liveDisplay;
  return true;
}

void AfterInterruption() {
  if (!FitControl.FitAbort) return;
  FitDriverSettings.RealtimeUpdateInterrupted = true;
  FitDriverSettings.SerialFitInterrupted = true;
  FitControl.FitAbort = false;
  MakeContiGrid();
}

// The one regularised evaluation of a fit, at point[1..n].
void FinalEvaluationAt(platform::WindowHandle window, float* point) {
  FitControl.FitRunning = false;
  DistributionRunFlags.FinalEvaluation = true;
  ContiSimplexSim(point, window);
}

// Vertices other than keep spread around vertex keep.
void SpreadAround(float** p, int n, int keep, float widening = 1.0f) {
  for (int j = 1; j <= n + 1; ++j) {
    if (j == keep) continue;
    for (int i = 1; i <= n; ++i) {
      const float v = p[keep][i];
      const float sd = widening * ContiSpreadFactor(i) * ContiSimplexSpread * v;
      p[j][i] = v + (v == 0.0f ? 0.0f : GaussianRandom(sd));
    }
  }
}

int Lowest(const float* y, int n) {
  int u = 1;
  for (int j = 2; j <= n + 1; ++j)
    if (y[j] < y[u]) u = j;
  return u;
}

}  // namespace

float ContiSimplexSim(float* x, platform::WindowHandle window) {
  auto& f = FitControl;
  if (f.FitAbort) return kAbortedRmsd;
  LogDistributionStep(window, "\nEntering ContiSimplexSim");
  ++f.EvaluationCount;
  UnpackContiParameters(x);
  auto& flags = DistributionRunFlags;
  flags.InNonlinearSearch = true;
  const ModelKind kind = ModelSelection.Kind;
  if (kind == ModelKind::ZoneCS || kind == ModelKind::ZoneLsGStar) DisplayBestContiParams(window);
  if (IsNonidealCsFamily(kind) && GridServices.PrepareNonidealMeanField)
    GridServices.PrepareNonidealMeanField();
  const ContiRunOutcome outcome = RunContiSed(window);
  const bool solved = outcome == ContiRunOutcome::Solved || outcome == ContiRunOutcome::Stored;
  if (solved) {
    LogDistributionStep(window, "\n start CalculateppAFit in ContiSimplexSim");
    BestFitSignal(window);
    LogDistributionStep(window, " --> done");
  }
  flags.InNonlinearSearch = false;
  if (ComputationAbort || outcome == ContiRunOutcome::Interrupted) {
    FitDriverSettings.RealtimeUpdateInterrupted = true;
    FitDriverSettings.SerialFitInterrupted = true;
    ComputationAbort = false;
    f.FitAbort = true;
  }
  f.CurrentRmsd = solved ? FitRangeRmsd() : kAbortedRmsd;
  // A nonlinear detector's fit is judged on the data as measured.
  float measured = 0.0f;
  if (solved && ContiKernelServices.NonlinearDetectionRmsd &&
      ContiKernelServices.NonlinearDetectionRmsd(measured))
    f.CurrentRmsd = measured;
  ++f.EvaluationCount;
  ++f.SimulationCount;
  LogDistributionStep(window, "\n start info output  in ContiSimplexSim");
  StatusLine(window, 30, ContiOptimizerLine());
  if (Chosen() == OptimizerChoice::LevenbergMarquardt)
    StatusLine(window, 50,
               Format("testrmsd=%f (n=%.0f,lambda=%.1e)     ", MarquardtWork.MarquardtRmsd,
                      MarquardtWork.MarquardtPointCount, MarquardtWork.alamda));
  else
    StatusLine(window, 50, Format("testrmsd=%e             ", static_cast<double>(f.CurrentRmsd)));
  LogDistributionStep(window, " --> done(1)");
  LogDistributionStep(window, " --> done(2)");
  LogDistributionStep(window, "\nExit ContiSimplexSim");
  return f.CurrentRmsd;
}

void ApplyContiParams(platform::WindowHandle window, float* x) {
  UnpackContiParameters(x);
  DisplayBestContiParams(window);
}

namespace {

// The present parameters in vertex 1 and spread around it; every vertex
// evaluated.
void FirstContiSimplex(float** p, float* y, int n, const FitObjective& objective) {
  PackContiParameters(n, p[1]);
  SpreadAround(p, n, 1);
  for (int j = n + 1; j >= 1; --j) y[j] = objective(p[j]);
}

// The best vertex becomes the present parameters, kept also in kept, and its
// rmsd the fit's start; returns its index.
int StartFromBestVertex(float** p, const float* y, int n, float* kept) {
  const int u = Lowest(y, n);
  UnpackContiParameters(p[u]);
  PackContiParameters(n, kept);
  FitControl.StartRmsd = FitControl.BestRmsd = y[u];
  return u;
}

}  // namespace

bool FitContiModel(platform::WindowHandle window) {
  auto& f = FitControl;
  if (Chosen() == OptimizerChoice::SimulatedAnnealing && f.AnnealTemperature > 0)
    return AnnealContiFit(window);
  if (Chosen() == OptimizerChoice::LevenbergMarquardt ||
      (Chosen() == OptimizerChoice::SimulatedAnnealing && f.AnnealThenLM))
    return MLContiFit(window);

  int n = 0;
  bool liveDisplay = false;
  f.StartRmsd = f.BestRmsd = 1e10f;
  if (!CommonStart(window, n, liveDisplay)) return false;
  if (n == 0) return StoreWithoutSearch(window, liveDisplay);
  f.FitAbort = false;

  OneBasedMatrix<float> simplex(1, n + 1, 1, n);
  OneBasedArray<float> values(1, n + 1), snapshot(1, n);
  float** p = simplex.get();
  float* y = values.data();
  const FitObjective objective = [window](float* x) { return ContiSimplexSim(x, window); };
  const ShowBestVertex showBest = [window](float* v, float) { ApplyContiParams(window, v); };

  FirstContiSimplex(p, y, n, objective);
  int evaluations = 0;
  NelderMead(p, y, n, ContiCycleFtol, objective, evaluations, showBest, true);
  int u = StartFromBestVertex(p, y, n, snapshot.data());
  float previous = y[u];

  bool converged = false;
  int stalled = 0;
  while (!converged && !f.FitAbort) {
    // A best point that withstood a fresh simplex is tried again with a
    // wider one: the rmsd of a distribution fit has small local dips (the
    // set of species in use changes), and a simplex of the initial size can
    // sit in one far from the minimum.
    SpreadAround(p, n, u, static_cast<float>(1 << stalled));
    for (int j = 1; j <= n + 1; ++j)
      if (j != u) y[j] = objective(p[j]);
    NelderMead(p, y, n, ContiCycleFtol, objective, evaluations, showBest, true);
    u = Lowest(y, n);
    UnpackContiParameters(p[u]);
    // An improvement within the runs' own tolerance is no move.
    const bool moved = evaluations > 0 && !f.SimplexCollapsed &&
                       y[u] < previous - ContiCycleFtol * std::fabs(previous);
    converged = ContiCycleEnds(moved, stalled, y[u], previous, snapshot.data(), p[u], n,
                               f.FitCycleTolerance);
    PackContiParameters(n, snapshot.data());
    previous = y[u];
  }

  AfterInterruption();
  FinalEvaluationAt(window, p[u]);
  UnpackContiParameters(snapshot.data());
  if (RepaintMainWindow) RepaintMainWindow(window);
  DisplayBestContiParams(window);
  StoreDistributionResult(window);
  SpeciesSignals.LiveRunDisplay = liveDisplay;
  if (IsTempFileModel()) TmpSaveBestParams(window, false);
  return true;
}

bool AnnealContiFit(platform::WindowHandle window) {
  auto& f = FitControl;
  if (!AnnealStepsAccepted()) return false;
  f.AnnealTemperature = f.AnnealStartTemperature;
  f.OptimizerStep = 0;
  if (RepaintMainWindow) RepaintMainWindow(window);
  f.FitAbort = false;
  int n = 0;
  bool liveDisplay = false;
  if (!CommonStart(window, n, liveDisplay)) return false;
  f.StartRmsd = f.BestRmsd = f.CurrentRmsd;
  if (n == 0) return StoreWithoutSearch(window, liveDisplay);

  OneBasedMatrix<float> simplex(1, n + 1, 1, n);
  OneBasedArray<float> values(1, n + 1), best(1, n);
  float** p = simplex.get();
  float* y = values.data();
  const FitObjective objective = [window](float* x) { return ContiSimplexSim(x, window); };
  const ShowBestVertex showBest = [window](float* v, float) { ApplyContiParams(window, v); };

  FirstContiSimplex(p, y, n, objective);
  const int u = StartFromBestVertex(p, y, n, best.data());
  float ybest = y[u];
  RunAnnealSchedule(p, y, n, best.data(), ybest, ContiSimplexFtol, objective, showBest);

  AfterInterruption();
  // The final evaluation is made at the best point ever evaluated, the one
  // the fit reports, so that the stored distribution belongs to it.
  FinalEvaluationAt(window, best.data());
  UnpackContiParameters(best.data());
  SpeciesSignals.LiveRunDisplay = liveDisplay;
  f.AnnealTemperature = 0.0f;
  if (f.AnnealThenLM || f.AnnealThenSimplex) {
    // The final pass runs with the user's choice restored afterwards.
    OptimizerChoice& kind = FitDriverSettings.OptimizerKind;
    const OptimizerChoice chosen = kind;
    if (f.AnnealThenSimplex && !f.AnnealThenLM) kind = OptimizerChoice::Simplex;
    FitContiModel(window);
    kind = chosen;
  } else {
    StoreDistributionResult(window);
    if (IsTempFileModel()) TmpSaveBestParams(window, false);
    if (RepaintMainWindow) RepaintMainWindow(window);
    DisplayBestContiParams(window);
  }
  f.AnnealTemperature = f.AnnealStartTemperature;
  return true;
}

bool MLContiFit(platform::WindowHandle window) {
  auto& f = FitControl;
  int n = 0;
  bool liveDisplay = false;
  f.StartRmsd = f.BestRmsd = 1e10f;
  if (!CommonStart(window, n, liveDisplay)) return false;
  if (n == 0) return StoreWithoutSearch(window, liveDisplay);
  f.OptimizerStep = 0;

  OneBasedArray<float> point(1, n);
  PackContiParameters(n, point.data());
  AllocMarquardtArrays(n);
  SetContiDerivativeSteps(n);
  const bool saveTemp = IsTempFileModel() && f.SaveBestParameters;
  MarquardtProblem problem;
  problem.objective = [window](float* x) { return ContiSimplexSim(x, window); };
  problem.fitPoints = ScanFitPoints;
  problem.window = window;
  problem.distributionFit = true;
  // The derivatives cost one distribution run per parameter: the line shows
  // how far the current set has come.
  WindowProgressLine progress(window, 10, 10);
  problem.progress = [&progress](float fraction) { progress.Update(fraction); };
  problem.afterSmallStep = [window, saveTemp] {
    DisplayBestContiParams(window);
    if (saveTemp) TmpSaveBestParams(window, true);
  };
  const bool finished = MarquardtMinimize(problem, point.data(), n);
  FreeMarquardtArrays();

  if (!finished) {
    FitDriverSettings.RealtimeUpdateInterrupted = true;
    FitDriverSettings.SerialFitInterrupted = true;
    f.FitAbort = false;
    MakeContiGrid();
  }
  FinalEvaluationAt(window, point.data());
  if (RepaintMainWindow) RepaintMainWindow(window);
  DisplayBestContiParams(window);
  StoreDistributionResult(window);
  SpeciesSignals.LiveRunDisplay = liveDisplay;
  const bool flotationAfterAbort = !finished && ModelSelection.Kind == ModelKind::CSFlotation;
  if (saveTemp && !flotationAfterAbort) TmpSaveBestParams(window, false);
  return finished;
}
