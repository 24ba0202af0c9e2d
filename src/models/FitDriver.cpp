#include "models/FitDriver.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "models/FitObjective.h"
#include "models/GlobalLammState.h"
#include "models/LevenbergMarquardt.h"
#include "models/NelderMead.h"
#include "models/ParameterPacking.h"
#include "models/SimulatedAnnealing.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "ui/OkBox.h"
#include "ui/Sounds.h"
#include "ui/WindowProgressLine.h"

FitDriverSettingsRecord FitDriverSettings;
FitDisplayLinksRecord FitDisplayLinks;

void ResetFitDisplayLinks() {
  FitDisplayLinks = FitDisplayLinksRecord{};
}

void ShowFitStatus(platform::WindowHandle window) {
  if (FitDisplayLinks.FitResultText) FitDisplayLinks.FitResultText(window);
}

namespace {

void Repaint(platform::WindowHandle window) {
  if (RepaintMainWindow) RepaintMainWindow(window);
}

void DrawFinal(platform::WindowHandle window) {
  if (FitDisplayLinks.DrawFinalFit) FitDisplayLinks.DrawFinalFit(window);
}

void SaveFinal(platform::WindowHandle window) {
  if (FitControl.SaveBestParameters) TmpSaveBestParams(window, false);
}

}  // namespace

bool FitPreconditions(platform::WindowHandle window) {
  ScanDataSetRecord& d = ScanDataSet;
  if (d.NFILES <= 0 || d.ScanFirstFitIndex.size() < d.NFILES ||
      d.ScanLastFitIndex.size() < d.NFILES) {
    PlayErrorSound();
    ShowBox(window, "load data first", "ERROR");
    return false;
  }
  if (DlsDataMode) return true;
  const ModelParametersRecord& mp = ModelParameters;
  if (mp.Meniscus == 0.0f || mp.Bottom == 0.0f) {
    PlayErrorSound();
    ShowBox(window, "set meniscus and bottom first", "ERROR");
    return false;
  }
  if (d.FitLeftLim == 0.0f || d.FitLeftLim < mp.Meniscus) {
    d.FitLeftLim = mp.Meniscus;
    ShowBox(window, "setting left fit limit to meniscus", "");
    SetFirstFitIndex();
  }
  if (d.FitRightLim == 0.0f || d.FitRightLim > mp.Bottom) {
    d.FitRightLim = mp.Bottom;
    ShowBox(window, "setting right fit limit to bottom", "");
    SetLastFitIndex();
  }
  return true;
}

FitSnapshot TakeFitSnapshot() {
  FitSnapshot s;
  s.items = FloatingItemNumbers();
  s.values = FloatingValues();
  s.slots = ParameterVector;
  return s;
}

namespace {

// One value's change between cycles. The change is taken relative to the
// magnitude of the old value: a negative log10 constant or flotation s must
// settle like a positive one.
bool ValueSettled(float before, float now, float tolerance) {
  if (before == 0.0f) return std::fabs(now) <= tolerance;
  return std::fabs(now - before) / std::fabs(before) <= tolerance;
}

float ZeroStartTolerance(int item, float tolerance) {
  if (item == 3) return 1e-5f;
  if (item == 16 || item == 17) return 0.1f * tolerance;
  return tolerance;
}

}  // namespace

bool CycleConverged(const FitSnapshot& before, const FitSnapshot& now, float previousRmsd,
                    float rmsd, float tolerance) {
  // A perfect previous fit is judged absolutely instead of dividing by 0.
  if (!ValueSettled(previousRmsd, rmsd, tolerance)) return false;
  const std::size_t n = std::min(before.values.size(), now.values.size());
  for (std::size_t k = 0; k < n; ++k) {
    const int item = now.items[k];
    if (item == 0) continue;  // slots are compared below
    const float t = before.values[k] == 0.0f ? ZeroStartTolerance(item, tolerance) : tolerance;
    if (!ValueSettled(before.values[k], now.values[k], t)) return false;
  }
  for (int k = 1; k <= ParameterCount; ++k)
    if (!ValueSettled(before.slots[k], now.slots[k], tolerance)) return false;
  return true;
}

namespace {

int BestVertex(const float* y, int n) {
  int u = 1;
  for (int j = 2; j <= n + 1; ++j)
    if (y[j] < y[u]) u = j;
  return u;
}

// What the discrete fits do with the best vertex at every iteration.
ShowBestVertex ShowDiscreteBest(platform::WindowHandle window, bool unpack) {
  return [window, unpack](float* vertex, float value) {
    if (unpack)
      UnpackFloating(vertex);
    else
      ApplyVertex(vertex);
    FitControl.CurrentRmsd = value;
    ShowFitStatus(window);
    if (FitControl.SaveBestParameters) TmpSaveBestParams(window, true);
  };
}

FitObjective DiscreteObjective(platform::WindowHandle window) {
  return [window](float* point) { return SimplexSim(point, window); };
}

void StartCounters(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  Repaint(window);
  f.FitAbort = false;
  f.EvaluationCount = 0;
  f.SimulationCount = 0;
  ShowFitStatus(window);
  f.StartRmsd = f.CurrentRmsd;
  f.BestRmsd = f.CurrentRmsd;
}

// Simplex cycles from the current model; the model ends at the best vertex,
// evaluated once more.
void SimplexCycles(platform::WindowHandle window, int n) {
  FitControlRecord& f = FitControl;
  OneBasedMatrix<float> p(1, n + 1, 1, n);
  OneBasedArray<float> y(1, n + 1);
  const std::vector<float> start = FloatingValues();
  for (int i = 1; i <= n; ++i) p[1][i] = start[static_cast<std::size_t>(i - 1)];
  const FitObjective objective = DiscreteObjective(window);
  const ShowBestVertex showBest = ShowDiscreteBest(window, false);
  int evaluations = 0;
  InitialSimplex(n, p.get());
  for (int j = n + 1; j >= 1; --j) y[j] = objective(p[j]);
  NelderMead(p.get(), y.data(), n, FitDriverSettingsRecord::SimplexTolerance, objective,
             evaluations, showBest);
  int u = BestVertex(y.data(), n);
  ApplyVertex(p[u]);
  FitSnapshot snapshot = TakeFitSnapshot();
  float previous = y[u];
  while (!f.FitAbort) {
    InitialSimplex(n, p.get());
    for (int j = 1; j <= n + 1; ++j) y[j] = objective(p[j]);
    NelderMead(p.get(), y.data(), n, FitDriverSettingsRecord::SimplexTolerance, objective,
               evaluations, showBest);
    u = BestVertex(y.data(), n);
    ApplyVertex(p[u]);
    FitSnapshot now = TakeFitSnapshot();
    const bool converged = CycleConverged(snapshot, now, previous, y[u], f.FitCycleTolerance);
    snapshot = std::move(now);
    previous = y[u];
    if (converged) break;
  }
  f.FitRunning = false;
  if (f.FitAbort) {
    FitDriverSettings.SerialFitInterrupted = true;
    FitDriverSettings.RealtimeUpdateInterrupted = true;
    f.FitAbort = false;
  }
  objective(p[u]);
}

// The live display stays off while a fit runs: live keeps its setting, which
// the caller restores. False, with the setting restored, when the fit cannot
// start.
bool BeginFit(platform::WindowHandle window, bool& live) {
  live = SpeciesSignals.LiveRunDisplay;
  SpeciesSignals.LiveRunDisplay = false;
  if (!FitPreconditions(window)) {
    SpeciesSignals.LiveRunDisplay = live;
    return false;
  }
  return true;
}

}  // namespace

bool FitDriver(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  const OptimizerChoice kind = FitDriverSettings.OptimizerKind;
  if (kind == OptimizerChoice::SimulatedAnnealing && f.AnnealTemperature > 0.0f)
    return AnnealFit(window);
  if (kind == OptimizerChoice::LevenbergMarquardt ||
      (kind == OptimizerChoice::SimulatedAnnealing && f.AnnealThenLM &&
       f.AnnealTemperature == 0.0f))
    return MLOptimize(window);

  f.OptimizerStep = 0;
  GlobalLammRun.DiscretizationReported = false;
  bool live = false;
  if (!BeginFit(window, live)) return false;
  f.FitRunning = true;
  StartCounters(window);
  const int n = PackFloating(0, nullptr);
  if (n == 0) {
    f.FitRunning = false;
    SpeciesSignals.LiveRunDisplay = live;
    return true;
  }
  SimplexCycles(window, n);
  UpdateResiduals(false);
  SpeciesSignals.LiveRunDisplay = live;
  SaveFinal(window);
  Repaint(window);
  DrawFinal(window);
  return true;
}

bool AnnealFit(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  f.AnnealTemperature = f.AnnealStartTemperature;
  f.OptimizerStep = 0;
  bool live = false;
  if (!BeginFit(window, live)) return false;
  StartCounters(window);
  f.FitRunning = true;
  const int n = PackFloating(0, nullptr);
  if (n == 0) {
    f.FitRunning = false;
    SpeciesSignals.LiveRunDisplay = live;
    return true;
  }
  OneBasedArray<float> point(1, n);
  PackFloating(n, point.data());
  AnnealProblem problem;
  problem.objective = DiscreteObjective(window);
  problem.showBest = ShowDiscreteBest(window, true);
  problem.initialSimplex = [](int count, float** p) { InitialSimplex(count, p); };
  problem.applyPoint = [](float* v) { UnpackFloating(v); };
  problem.readPoint = [n](float* v) { PackFloating(n, v); };
  const bool annealed =
      AnnealMinimize(problem, point.data(), n, FitDriverSettingsRecord::SimplexTolerance);
  f.FitRunning = false;
  SpeciesSignals.LiveRunDisplay = live;
  if (!annealed) return false;  // a schedule of fewer than two temperatures
  UpdateResiduals(false);
  SaveFinal(window);
  f.AnnealTemperature = 0.0f;
  if (f.AnnealThenLM || f.AnnealThenSimplex) {
    FitDriver(window);
  } else {
    Repaint(window);
    ShowFitStatus(window);
  }
  f.AnnealTemperature = f.AnnealStartTemperature;
  return true;
}

bool MLOptimize(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  f.OptimizerStep = 0;
  bool live = false;
  if (!BeginFit(window, live)) return false;
  StartCounters(window);
  const int n = PackFloating(0, nullptr);
  if (n == 0) {
    SpeciesSignals.LiveRunDisplay = live;
    return true;
  }
  AllocMarquardtArrays(n);
  SetDiscreteDerivativeSteps(FloatingItemNumbers());
  OneBasedArray<float> p(1, n);
  PackFloating(n, p.data());
  MarquardtProblem problem;
  problem.objective = DiscreteObjective(window);
  problem.fitPoints = ScanFitPoints;
  problem.afterSmallStep = [window] {
    SaveFinal(window);
    ShowFitStatus(window);
  };
  problem.window = window;
  // The derivatives cost one evaluation per parameter: the line shows how
  // far the current set has come.
  WindowProgressLine progress(window, 10, 10);
  problem.progress = [&progress](float fraction) { progress.Update(fraction); };
  const bool normal = MarquardtMinimize(problem, p.data(), n);
  if (normal) WriteMarquardtReport(MarquardtReportFile(), p.data(), n);
  FreeMarquardtArrays();
  UpdateResiduals(false);
  SpeciesSignals.LiveRunDisplay = live;
  SaveFinal(window);
  Repaint(window);
  ShowFitStatus(window);
  if (normal && DebugLog) DebugLog(window, " --> MLOptimize DONE");
  return normal;
}
