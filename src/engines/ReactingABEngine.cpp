#include "engines/ReactingABEngine.h"

#include <algorithm>
#include <cmath>

#include "engines/EngineRunReads.h"
#include "engines/GlobalLammMatrices.h"
#include "engines/HatElementIntegrals.h"
#include "engines/ReactingABDisplay.h"
#include "engines/ReactingABSystem.h"
#include "models/GlobalLammState.h"
#include "models/SimulationErrors.h"
#include "numerics/ConstantShorthands.h"
#include "state/KeysReadByDisplay.h"
#include "state/LammSolverSettings.h"
#include "ui/Boxes.h"

ReactingSystemParametersRecord ReactingSystemParameters;
ReactingEngineRecord ReactingEngine;

namespace {

// Steps of at least this length whose change per second stays below the
// equilibrium threshold count towards the end of the run.
constexpr double kSteadyStepLength = 30.0;
constexpr int kSteadyStepCount = 10;

bool ArraysPresent() {
  return GlobalLammArrays.LammArraysAllocated && ReactingWork().FreeA != nullptr &&
         GlobalLammArrays.LammConcentration != nullptr && GridSize() >= 3;
}

void ShiftTimeLevels() {
  const ReactingArrays w = ReactingWork();
  const int n = GridSize();
  std::copy(w.OldA + 1, w.OldA + n + 1, w.OlderA + 1);
  std::copy(w.OldB + 1, w.OldB + n + 1, w.OlderB + 1);
  std::copy(w.FreeA + 1, w.FreeA + n + 1, w.OldA + 1);
  std::copy(w.FreeB + 1, w.FreeB + n + 1, w.OldB + 1);
}

// The run's own step: "max dc/c" taken in seconds, 1 s when unusable.
double RunStep() {
  const double v = GlobalLammRun.MaxRelativeChange;
  return std::isfinite(v) && v > 0.0 ? v : 1.0;
}

void ReportBadLoading() {
  ErrorBox(
      "A + B <-> AB: the signals per unit concentration must be positive, the loading signals "
      "must not be negative, and log10(K) must give a finite K",
      false);
}

}  // namespace

ReactingArrays ReactingWork() {
  ReactingArrays w;
  if (GlobalLammArrays.ReactingBlock.empty()) return w;
  int k = 0;
  for (double** p : {&w.FreeA, &w.FreeB, &w.OldA, &w.OldB, &w.OlderA, &w.OlderB, &w.FreeATemp,
                     &w.FreeBTemp, &w.FluxA, &w.FluxB, &w.Complex})
    *p = ReactingArray(k++);
  for (double*& p : w.StiffnessA) p = ReactingArray(k++);
  for (double*& p : w.StiffnessB) p = ReactingArray(k++);
  for (double*& p : w.ComplexMass) p = ReactingArray(k++);
  for (double*& p : w.ComplexTransport) p = ReactingArray(k++);
  w.MassWeight = ReactingArray(k);
  return w;
}

void SetFluxDisplayFlag() {
  ReactingEngine.FluxDisplayPause = true;
}

double ReactingComplexAtEquilibrium(double a, double b, double K) {
  if (!(a > 0.0) || !(b > 0.0) || !(K > 0.0)) return 0.0;
  const double d = (a - b) * (a - b) * K * K + 2.0 * (a + b) * K + 1.0;
  return 2.0 * a * b * K / (1.0 + (a + b) * K + std::sqrt(d));
}

bool ReactingEquilibrium() {
  ReactingSystemParametersRecord& p = ReactingSystemParameters;
  ReactingEngineRecord& e = ReactingEngine;
  const double K = std::pow(10.0, static_cast<double>(p.LogK));
  e.BindingConstant = K;
  p.BindingConstant = static_cast<float>(K);
  const double fa = p.SignalFactorA, fb = p.SignalFactorB;
  const double a = p.LoadingSignalA / fa, b = p.LoadingSignalB / fb;
  if (!(fa > 0.0) || !(fb > 0.0) || !std::isfinite(K) || !std::isfinite(a) || !std::isfinite(b) ||
      a < 0.0 || b < 0.0)
    return false;
  const double c = ReactingComplexAtEquilibrium(a, b, K);
  p.LoadingComplex = static_cast<float>(c);
  p.SignalFactorComplex = fa + fb;
  e.PrevTimeStep = 0.0;
  const ReactingArrays w = ReactingWork();
  if (w.FreeA == nullptr || GlobalLammArrays.LammConcentration == nullptr) return true;
  // The root never exceeds the smaller total; rounding may, by an ulp.
  const double freeA = std::max(0.0, a - c), freeB = std::max(0.0, b - c);
  for (int i = 1; i <= GridSize(); ++i) {
    w.FreeA[i] = w.OldA[i] = w.OlderA[i] = freeA;
    w.FreeB[i] = w.OldB[i] = w.OlderB[i] = freeB;
  }
  ReactingSignal();
  return true;
}

void ReactingSignal() {
  const ReactingSystemParametersRecord& p = ReactingSystemParameters;
  const double K = ReactingEngine.BindingConstant;
  const ReactingArrays w = ReactingWork();
  double* total = GlobalLammArrays.LammConcentration;
  for (int i = 1; i <= GridSize(); ++i) {
    const double complex = K * w.FreeA[i] * w.FreeB[i];
    total[i] = w.FreeA[i] * p.SignalFactorA + w.FreeB[i] * p.SignalFactorB +
               p.SignalFactorComplex * complex;
    w.Complex[i] = complex;
  }
}

double ReactingSectorAmount(const double* y) {
  const double* weight = ReactingWork().MassWeight;
  double sum = 0.0;
  for (int i = 1; i <= GridSize(); ++i) sum += weight[i] * y[i];
  return sum * kSectorFactor;
}

namespace {

// K a^T M b: the complex of the interpolants, int r K a(r) b(r) dr, since
// the hats sum to one.
double ComplexAmount() {
  const ReactingArrays w = ReactingWork();
  const GlobalLammWorkArrays m = GlobalLammWork();
  const int n = GridSize();
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) {
    double row = m.Mass.d[i] * w.FreeB[i];
    if (i > 1) row += m.Mass.l[i] * w.FreeB[i - 1];
    if (i < n) row += m.Mass.u[i] * w.FreeB[i + 1];
    sum += w.FreeA[i] * row;
  }
  return ReactingEngine.BindingConstant * sum * kSectorFactor;
}

}  // namespace

double ReactingTotalA() {
  return ReactingSectorAmount(ReactingWork().FreeA) + ComplexAmount();
}

double ReactingTotalB() {
  return ReactingSectorAmount(ReactingWork().FreeB) + ComplexAmount();
}

double ReactingStep() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const double t = run.SimTime;
  double dt = ReactingEngine.FixedStep;
  double target = t + dt;
  run.TimeStep = dt;
  ShiftTimeLevels();
  if (run.OutputPending && run.OutputTime >= t && target > run.OutputTime) {
    dt = run.OutputTime - t;
    target = run.OutputTime;
    run.OutputPending = 0;
  }
  if (dt == 0.0) {
    run.TimeStep = 1.0;
    return 1.0;
  }
  run.TimeStep = dt;
  if (!ReactingCoupledStep(dt)) return 0.0;
  const bool first = run.IterationCount == 0;
  ReactingEngine.PrevTimeStep = dt;
  run.IterationCount += 1;
  run.SimTime = target;
  ReactingSignal();
  if (run.ShowLoading)
    run.LoadingDisplay = ReactingSectorAmount(GlobalLammArrays.LammConcentration);
  return first ? dt : 1.0;
}

void PropagateReactingSystem() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  LammSolverSettingsRecord& settings = LammSolverSettings;
  // The grid of this engine rests (its s is 0), and the step is fixed; both
  // settings stay so for the runs that follow, as the numerics dialog shows.
  settings.AutoSGrid = false;
  settings.AutoSGridValue = 0.0;
  SetFluxDisplayFlag();
  run.ShowLoading = true;
  if (!ArraysPresent()) return;
  settings.FixedTimeStep = true;
  run.TridiagError = 0;
  run.DiscretizationError = 0;
  if (!ReactingEquilibrium()) {
    ReportBadLoading();
    run.KeepRunning = 0;
    return;
  }
  ReactingMakeGrid();
  // The rotor speed is read once: the grid and its bands serve the whole run.
  const double omega = run.RunRpm * 2.0 * kPi / 60.0;
  ReactingAssemble(omega * omega * 1e-13);
  ReactingEngine.FixedStep = RunStep();
  run.TimeStep = 1.0;
  // The displays take the keys of this run; the runs after it poll as before.
  struct DisplayKeys {
    const bool saved = KeysReadByDisplay;
    ~DisplayKeys() { KeysReadByDisplay = saved; }
  } displayKeys;
  KeysReadByDisplay = ReactingDiagnosticsShown();
  int steadyCount = 0;
  while (run.KeepRunning && !run.TridiagError && !run.DiscretizationError) {
    const double dtPrev = run.TimeStep;
    const double v = ReactingStep();
    if (run.TridiagError || run.DiscretizationError) break;
    LammStepCallback(v);
    const bool steady = dtPrev >= kSteadyStepLength && v / dtPrev < run.EquilibriumThreshold;
    steadyCount = steady ? steadyCount + 1 : 0;
    if (steadyCount > kSteadyStepCount) run.KeepRunning = 0;
  }
}
