#include "engines/ConcentrationDependentEngine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "data/ScanDataSet.h"
#include "engines/EngineRunReads.h"
#include "engines/LocalSedimentation.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/Tridiagonal.h"
#include "models/GlobalLammState.h"
#include "models/SimulationErrors.h"
#include "state/LammSolverSettings.h"
#include "numerics/ConstantShorthands.h"

ConcentrationDependentEngineRecord ConcentrationDependentEngine;

namespace {

constexpr double kLongestStep = 1000.0;   // s
constexpr double kNegativeLimit = -1e-8;  // trial values below it fail the step
constexpr int kMostHalvings = 10;

// The node pairs (j, k) relative to row i whose hats share an element with
// hat i: column j = i + first, coefficient node k = i + second.
constexpr std::array<std::array<int, 2>, 7> kTriples{
    {{-1, -1}, {-1, 0}, {0, -1}, {0, 0}, {0, 1}, {1, 0}, {1, 1}}};

struct Bands {
  double* l = nullptr;
  double* d = nullptr;
  double* u = nullptr;
  double* Band(int offset) const { return offset < 0 ? l : offset == 0 ? d : u; }
};

struct EngineArrays {
  double* RightHandSide = nullptr;
  Bands Mass, Rate, Left;
  double* Pivots = nullptr;
  double* Ratios = nullptr;
  // Triple integrals of row i for the pairs of kTriples: diffusion and
  // sedimentation (the latter times omega^2).
  std::array<double*, 7> Diffusion{};
  std::array<double*, 7> Sedimentation{};
};

EngineArrays Work() {
  EngineArrays w;
  w.RightHandSide = MainArray(4);
  w.Mass = {MainArray(5), MainArray(6), MainArray(7)};
  w.Rate = {MainArray(8), MainArray(9), MainArray(10)};
  w.Left = {MainArray(11), MainArray(12), MainArray(13)};
  w.Pivots = MainArray(14);
  w.Ratios = MainArray(15);
  for (int p = 0; p < 7; ++p) {
    w.Diffusion[p] = ConcDependentArray(3 + p);
    w.Sedimentation[p] = ConcDependentArray(10 + p);
  }
  return w;
}

EqualHatGrid Grid() {
  const double* r = GlobalLammArrays.LammRadius;
  return MakeEqualHatGrid(r, GridSize(), r[1], r[GridSize()]);
}

void CopyProfile(const double* from, double* to) {
  std::copy(from + 1, from + GridSize() + 1, to + 1);
}

// During the simulated acceleration a step is at most AccelMaxStep long,
// and the step that reaches the end of the ramp ends on it (only the first
// such clip of a step moves its end).
void ClipForAcceleration(double t, double& dt, bool& endClipped) {
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  if (!Ramping()) return;
  dt = std::min(dt, run.AccelMaxStep);
  if (!endClipped && t < run.AccelDuration && t + dt > run.AccelDuration) {
    dt = run.AccelDuration - t;
    endClipped = true;
  }
}

// The growth rule of the step length: towards the step that would give
// Tolerance20, within 0.1 and 10 times the step and the longest step.
double Limited(double dtNew, double dt) {
  dtNew = std::min(dtNew, 10.0 * dt);
  dtNew = std::min(dtNew, GlobalLammRun.MaxTimeStep);
  dtNew = std::max(dtNew, kShortestStep);
  return std::max(dtNew, 0.1 * dt);
}

double ProposedStep(double v, double dt) {
  return v == 0.0 ? 0.0 : ConcentrationDependentEngine.Tolerance20 / v * dt;
}

// A step that would pass the pending scan time ends on it.
void ClipForStop(double t, double& dt) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  ConcentrationDependentEngineRecord& e = ConcentrationDependentEngine;
  if (run.OutputPending && run.OutputTime < t + dt) {
    dt = run.OutputTime - t;
    run.OutputPending = 0;
    e.EndsOnStop = true;
    e.StopTime = run.OutputTime;
  }
}

void FinishStep(double dt) {
  NonidealCorrector();
  GlobalLammRun.TimeStep = dt;
  NonidealAdvanceClock();
}

// A sedimenting (or floating) system cannot gain (or lose) material at the
// bottom node in a step: such a trial is a sign of a too-long step.
bool BottomMovesAgainstSedimentation() {
  const AssociationParametersRecord& p = AssociationParameters;
  const LocalSedimentationArrays w = LocalSedimentationWork();
  const int n = GridSize();
  if (p.s1 > 0.0 && p.s2 > 0.0) return w.TrialSignal[n] < w.OldTotalSignal[n];
  if (p.s1 < 0.0 && p.s2 < 0.0) return w.TrialSignal[n] > w.OldTotalSignal[n];
  return false;
}

// Shortens the step until the relative change of its trial is within
// the tolerance.
double ShortenUntilAccepted(double t, double& dt, double v, bool& endClipped) {
  ConcentrationDependentEngineRecord& e = ConcentrationDependentEngine;
  while (v > e.Tolerance) {
    if (e.HalvingCount > kMostHalvings) {
      GlobalLammRun.DiscretizationError = 1;
      break;
    }
    if (GlobalLammRun.TridiagError) break;
    double dtNew = ProposedStep(v, dt);
    if (0.8 * dt <= dtNew && dtNew <= 1.2 * dt) dtNew /= 2.0;
    dtNew = Limited(dtNew, dt);
    ClipForAcceleration(t, dtNew, endClipped);
    dt = dtNew;
    NonidealPredictor(dt);
    v = NonidealRelativeChange();
  }
  return v;
}

// The closed-form integrals need evenly spaced nodes. A grid laid out for
// another algorithm (the geometric grid of the moving hat, chosen together
// with a 1-2-4 or 1-4-8 model) is laid out evenly between its end nodes, the
// loaded profile interpolated onto it.
void EnsureEvenGrid() {
  double* r = GlobalLammArrays.LammRadius;
  double* c = Profile();
  const int n = GridSize();
  const double h = (r[n] - r[1]) / (n - 1);
  bool even = true;
  for (int i = 2; i < n && even; ++i) even = std::fabs(r[i] - (r[1] + (i - 1) * h)) <= 1e-9 * r[n];
  if (even) return;
  std::vector<double> oldR(r, r + n + 1), oldC(c, c + n + 1);
  int k = 1;
  for (int i = 2; i < n; ++i) {
    r[i] = r[1] + (i - 1) * h;
    while (k < n - 1 && oldR[static_cast<std::size_t>(k) + 1] < r[i]) ++k;
    const double a = oldR[static_cast<std::size_t>(k)], b = oldR[static_cast<std::size_t>(k) + 1];
    const double f = std::clamp((r[i] - a) / (b - a), 0.0, 1.0);
    c[i] = oldC[static_cast<std::size_t>(k)] +
           f * (oldC[static_cast<std::size_t>(k) + 1] - oldC[static_cast<std::size_t>(k)]);
  }
}

}  // namespace

void NonidealAssemble() {
  const EngineArrays w = Work();
  const EqualHatGrid g = Grid();
  const int n = GridSize();
  const double omega = GlobalLammRun.RunRpm * 2.0 * kPi / 60.0;
  const double omega2 = omega * omega * 1e-13;
  for (int i = 1; i <= n; ++i) {
    w.Mass.l[i] = MassIntegralEqual(g, i, i - 1);
    w.Mass.d[i] = MassIntegralEqual(g, i, i);
    w.Mass.u[i] = MassIntegralEqual(g, i, i + 1);
    for (std::size_t p = 0; p < kTriples.size(); ++p) {
      const int j = i + kTriples[p][0], k = i + kTriples[p][1];
      w.Diffusion[p][i] = DiffusionTripleEqual(g, i, j, k);
      w.Sedimentation[p][i] = omega2 * SedimentationTripleEqual(g, i, j, k);
    }
  }
}

void NonidealRateBands() {
  const EngineArrays w = Work();
  const LocalSedimentationArrays c = LocalSedimentationWork();
  const int n = GridSize();
  for (int i = 1; i <= n; ++i) {
    w.Rate.l[i] = w.Rate.d[i] = w.Rate.u[i] = 0.0;
    for (std::size_t p = 0; p < kTriples.size(); ++p) {
      const int j = i + kTriples[p][0], k = i + kTriples[p][1];
      if (j < 1 || j > n || k < 1 || k > n) continue;
      w.Rate.Band(kTriples[p][0])[i] +=
          c.LocalSedimentation[k] * w.Sedimentation[p][i] - c.LocalDiffusion[k] * w.Diffusion[p][i];
    }
  }
}

void NonidealSystemBands(double dt) {
  const EngineArrays w = Work();
  const double half = 0.5 * dt;
  for (int i = 1; i <= GridSize(); ++i) {
    w.Left.l[i] = w.Mass.l[i] - half * w.Rate.l[i];
    w.Left.d[i] = w.Mass.d[i] - half * w.Rate.d[i];
    w.Left.u[i] = w.Mass.u[i] - half * w.Rate.u[i];
  }
}

void TridiagProduct(double dt, const double* x, double* y, int n) {
  const EngineArrays w = Work();
  TridiagonalPairTimesVector(w.Mass.l, w.Mass.d, w.Mass.u, 1.0, w.Rate.l, w.Rate.d, w.Rate.u,
                             0.5 * dt, x, y, n);
}

bool TridiagSolveChecked(const double* y, double* x, int n) {
  const EngineArrays w = Work();
  if (!FactorTridiagonal(w.Left.l, w.Left.d, w.Left.u, n, w.Ratios, w.Pivots)) {
    GlobalLammRun.TridiagError = 1;
    return false;
  }
  SolveFactoredTridiagonal(w.Left.l, w.Ratios, w.Pivots, y, x, n);
  return true;
}

void NonidealPredictor(double dt) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const LocalSedimentationArrays c = LocalSedimentationWork();
  const EngineArrays w = Work();
  const int n = GridSize();
  ConcentrationDependentEngine.PredictorStep = dt;
  ModelLocalSD();
  if (Ramping()) {
    run.RunRpm = AccelerationPhaseRpm(run.SimTime, dt);
    NonidealAssemble();
  }
  NonidealRateBands();
  NonidealSystemBands(dt);
  TridiagProduct(dt, c.OldTotalSignal, w.RightHandSide, n);
  if (!TridiagSolveChecked(w.RightHandSide, c.TrialSignal, n))
    CopyProfile(c.OldTotalSignal, c.TrialSignal);
}

void NonidealCorrector() {
  const LocalSedimentationArrays c = LocalSedimentationWork();
  const EngineArrays w = Work();
  const int n = GridSize();
  const double dt = ConcentrationDependentEngine.PredictorStep;
  ModelLocalSDAverage();
  NonidealRateBands();
  NonidealSystemBands(dt);
  TridiagProduct(dt, c.OldTotalSignal, w.RightHandSide, n);
  if (!TridiagSolveChecked(w.RightHandSide, Profile(), n)) CopyProfile(c.OldTotalSignal, Profile());
}

double NonidealRelativeChange() {
  ConcentrationDependentEngineRecord& e = ConcentrationDependentEngine;
  const LocalSedimentationArrays w = LocalSedimentationWork();
  const double* trial = w.TrialSignal;
  const double* old = w.OldTotalSignal;
  const int n = GridSize();
  const double ref = 1e-4 * *std::max_element(trial + 1, trial + n + 1);
  double v = 0.0;
  if (trial[n] > ref && old[n] >= ref) v = std::fabs((trial[n] - old[n]) / old[n]);
  for (int i = n - 1; i >= 1; --i) {
    if (trial[i] < kNegativeLimit) {
      // Negative concentrations: the step is too long for this profile, for
      // the rest of the run.
      e.Tolerance /= 2.0;
      e.Tolerance5 /= 2.0;
      e.Tolerance20 /= 2.0;
      e.HalvingCount += 1;
      return 2.0 * e.Tolerance;
    }
    const double d = trial[i] - old[i];
    if (old[i] > ref) {
      v = std::max(v, std::fabs(d / old[i]));
    } else if (d > ref) {
      // Material arriving where there was none: relative to a neighbour.
      if (old[i + 1] > ref)
        v = std::max(v, std::fabs(d / old[i + 1]));
      else if (i > 1 && old[i - 1] > ref)
        v = std::max(v, std::fabs(d / old[i - 1]));
    }
  }
  return v;
}

void NonidealAdvanceClock() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  ConcentrationDependentEngineRecord& e = ConcentrationDependentEngine;
  run.IterationCount += 1;
  run.SimTime += run.TimeStep;
  // A step clipped to a scan time ends exactly on it, whatever the rounding
  // of (stop - t) + t.
  if (e.EndsOnStop) run.SimTime = e.StopTime;
  e.EndsOnStop = false;
  if (run.SimTime >= run.AccelDuration) {
    if (run.Accelerating) {
      // Past the ramp the rotor runs at its final speed for the rest of the
      // run (the rms speed of the last ramp step would stay too low).
      run.RunRpm = AccelerationPhaseRpm(run.SimTime, 0.0);
      NonidealAssemble();
    }
    run.Accelerating = false;
  }
  if (run.ShowLoading) run.LoadingDisplay = UniformGridTotalLoading();
}

double UniformGridTotalLoading() {
  const double* r = GlobalLammArrays.LammRadius;
  const double* c = Profile();
  const int n = GridSize();
  const double h = (r[n] - r[1]) / (n - 1);
  double sum = h * (3.0 * r[1] + h) / 6.0 * c[1] + h * (3.0 * r[n] - h) / 6.0 * c[n];
  for (int i = 2; i <= n - 1; ++i) sum += c[i] * r[i] * h;
  return sum * 1.2 * kPi / 90.0;
}

double NonidealStep() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  ConcentrationDependentEngineRecord& e = ConcentrationDependentEngine;
  const LocalSedimentationArrays w = LocalSedimentationWork();
  const bool fixed = LammSolverSettings.FixedTimeStep;
  const double t = run.SimTime;
  CopyProfile(Profile(), w.OldTotalSignal);
  double dt = fixed ? e.Tolerance : run.TimeStep;
  bool endClipped = false;
  e.EndsOnStop = false;
  ClipForAcceleration(t, dt, endClipped);
  ClipForStop(t, dt);
  if (dt == 0.0) {
    e.EndsOnStop = false;
    run.TimeStep = 1.0;
    return 1.0;
  }
  NonidealPredictor(dt);
  const bool onStop = e.EndsOnStop || t + dt == run.OutputTime;
  if (onStop && run.IterationCount > 0) {
    FinishStep(dt);
    return 1.0;
  }
  if (run.IterationCount == 0) {
    FinishStep(dt);
    return dt;
  }
  double v = NonidealRelativeChange();
  if (fixed) {
    FinishStep(dt);
    return v;
  }
  if (BottomMovesAgainstSedimentation() && dt > 1.0) {
    dt /= 2.0;
    NonidealPredictor(dt);
    v = NonidealRelativeChange();
  }
  v = ShortenUntilAccepted(t, dt, v, endClipped);
  FinishStep(dt);

  // The next step length.
  if (v == 0.0) dt *= 10.0;
  double next = dt;
  if (v < e.Tolerance5) {
    double dtNew = ProposedStep(v, dt);
    if (0.9 * dt <= dtNew && dtNew <= 1.1 * dt) dtNew *= 2.0;
    next = Limited(dtNew, dt);
  }
  const double now = run.SimTime;
  if (run.OutputPending && run.OutputTime < now + next) next = run.OutputTime - now;
  bool clipped = false;
  ClipForAcceleration(now, next, clipped);
  run.TimeStep = next;
  return v;
}

void RunNonidealSingleSpeciesLamm() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  ConcentrationDependentEngineRecord& e = ConcentrationDependentEngine;
  if (!GlobalLammArrays.LammArraysAllocated || ConcDependentArray(0) == nullptr || GridSize() < 3)
    return;
  if (!PrepareLocalSedimentation()) return;
  EnsureEvenGrid();
  run.TridiagError = 0;
  run.DiscretizationError = 0;
  e = ConcentrationDependentEngineRecord{};
  e.Tolerance = run.MaxRelativeChange;
  e.Tolerance5 = 0.05 * e.Tolerance;
  e.Tolerance20 = 0.2 * e.Tolerance;
  CopyProfile(Profile(), LocalSedimentationWork().OldTotalSignal);
  ModelLocalSD();
  NonidealAssemble();
  NonidealRateBands();
  if (LammSolverSettings.FixedTimeStep) run.TimeStep = e.Tolerance;
  run.MaxTimeStep = kLongestStep;

  int steadyCount = 0;
  while (run.KeepRunning) {
    if (run.TridiagError || run.DiscretizationError || run.NonidealityError) break;
    const double dtPrev = run.TimeStep;
    double v = NonidealStep();
    LammStepCallback(v);
    v /= dtPrev;
    // Sedimentation equilibrium: more than ten long steps in a row that
    // change the profile by less than the threshold per second.
    steadyCount = dtPrev >= 30.0 && v < run.EquilibriumThreshold ? steadyCount + 1 : 0;
    if (steadyCount > 10) run.KeepRunning = 0;
  }
  if (AssociationTable.Built) FreeAssociationTable();
}
