#include "engines/GlobalLammSolver.h"

#include <algorithm>
#include <cmath>

#include "state/ModelSelection.h"
#include "data/ScanDataSet.h"
#include "engines/CosoluteSolver.h"
#include "engines/EngineRunReads.h"
#include "engines/GlobalLammMatrices.h"
#include "engines/HatElementIntegrals.h"
#include "engines/InhomogeneousSolvent.h"
#include "lamm/Tridiagonal.h"
#include "models/GlobalLammState.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/ConstantShorthands.h"

bool GlobalLammEngineUsed = false;

namespace {

bool ZoneRun() {
  return IsZoneModel(ModelSelection.Kind);
}

// First node of the band products and solves: two below the first active
// node once the grid is truncated, so that its row sees its left neighbour.
int FirstSolvedRow() {
  const int s = GlobalLammEngine.TruncationStart;
  return s < 4 ? 1 : s - 1;
}

void SaveProfile() {
  const GlobalLammWorkArrays w = GlobalLammWork();
  const int s = GlobalLammEngine.TruncationStart;
  const int from = s < 4 ? 1 : s - 2;
  for (int i = from; i <= GlobalLammEngine.TruncationEnd; ++i) w.OldTotalSignal[i] = Profile()[i];
}

void RestoreProfile() {
  const GlobalLammWorkArrays w = GlobalLammWork();
  const int s = GlobalLammEngine.TruncationStart;
  const int from = s < 4 ? 1 : s - 2;
  for (int i = from; i <= GlobalLammEngine.TruncationEnd; ++i) Profile()[i] = w.OldTotalSignal[i];
}

void RebuildBands(int sectorRows) {
  if (NonSectorGeometry()) {
    BuildGeometryMatrices();
  } else {
    BuildSectorMatrices(sectorRows);
  }
}

void CrankNicolsonBands(double dt, int m) {
  const GlobalLammWorkArrays w = GlobalLammWork();
  m = std::min(m, GridSize());
  for (int i = 1; i <= m; ++i) {
    w.LeftSystem.l[i] = w.Mass.l[i] - 0.5 * dt * w.Transport.l[i];
    w.LeftSystem.d[i] = w.Mass.d[i] - 0.5 * dt * w.Transport.d[i];
    w.LeftSystem.u[i] = w.Mass.u[i] - 0.5 * dt * w.Transport.u[i];
  }
}

// y = (M + (dt/2) K) x over the active rows; the truncated rows get 0.
void ActiveTridiagonalProduct(double dt, const double* x, double* y, int m) {
  const GlobalLammWorkArrays w = GlobalLammWork();
  const double half = 0.5 * dt;
  const int first = FirstSolvedRow();
  for (int i = 1; i < first; ++i) y[i] = 0.0;
  for (int i = first; i <= m; ++i) {
    double sum = (w.Mass.d[i] + half * w.Transport.d[i]) * x[i];
    if (i > 1) sum += (w.Mass.l[i] + half * w.Transport.l[i]) * x[i - 1];
    if (i < m) sum += (w.Mass.u[i] + half * w.Transport.u[i]) * x[i + 1];
    y[i] = sum;
  }
}

TridagWork SolverWork() {
  const GlobalLammWorkArrays w = GlobalLammWork();
  return TridagWork{w.MultiplierArray, w.PivotArray, &GlobalLammRun.TridiagError};
}

// The truncated rows have a zero right-hand side; their solution is set to
// 0 so that the depleted region stays empty.
void ZeroTruncatedNodes() {
  const int first = FirstSolvedRow();
  for (int i = 1; i < first; ++i) Profile()[i] = 0.0;
}

bool ActiveTridag(int m) {
  const GlobalLammWorkArrays w = GlobalLammWork();
  const bool ok = tridag(SolverWork(), w.LeftSystem.l, w.LeftSystem.d, w.LeftSystem.u,
                         w.RightHandSide, Profile(), m);
  if (ok) ZeroTruncatedNodes();
  return ok;
}

void ActiveTridagReuse(int m) {
  const GlobalLammWorkArrays w = GlobalLammWork();
  SolveWithStoredPivots(SolverWork(), w.LeftSystem.l, w.RightHandSide, Profile(), m);
  ZeroTruncatedNodes();
}

// Material that comes back into the truncated region (flotation near the
// meniscus) cannot be represented: the run fails. An oscillation at the edge
// is replaced by a rising ramp of the same mean.
void CheckTruncationEdge() {
  const GlobalLammEngineRecord& e = GlobalLammEngine;
  const int s = e.TruncationStart;
  if (s <= 3) return;
  double* c = Profile();
  const double m = 0.2 * (c[s - 1] + c[s] + c[s + 1] + c[s + 2] + c[s + 3]);
  if (m >= 10.0 * e.TruncationThreshold) {
    GlobalLammRun.TridiagError = 1;
    return;
  }
  if ((c[s] - m) * (c[s - 1] - m) < 0.0 && (c[s + 1] - m) * (c[s] - m) != 0.0) {
    const double ramp[5] = {5.0, 10.0, 20.0, 40.0, 60.0};
    for (int k = 0; k < 5; ++k) c[s - 1 + k] = m * ramp[k] / 27.0;
  }
}

void GlobalLammPropagate(double dt) {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const GlobalLammWorkArrays w = GlobalLammWork();
  if (Ramping()) {
    run.RunRpm = AccelerationPhaseRpm(run.SimTime, dt);
    RebuildBands(e.TruncationEnd);
  }
  if (e.TruncationEnd != e.BuiltSize) ResizeSectorMatrices(e.TruncationEnd);
  const int m = e.TruncationEnd;
  if (dt == e.LastSystemStep && !run.ForceSystemRebuild && !run.Accelerating && !e.BandsChanged) {
    ActiveTridiagonalProduct(dt, w.OldTotalSignal, w.RightHandSide, m);
    ActiveTridagReuse(m);
  } else {
    run.ForceSystemRebuild = false;
    e.LastSystemStep = dt;
    CrankNicolsonBands(dt, m);
    ActiveTridiagonalProduct(dt, w.OldTotalSignal, w.RightHandSide, m);
    ActiveTridag(m);
    e.BandsChanged = false;
  }
  if (!run.TridiagError) CheckTruncationEdge();
  if (run.TridiagError) {
    RestoreProfile();
    return;
  }
  const double plateau = e.PlateauConcentration * std::exp(-2.0 * e.SedimentationRate * dt);
  for (int i = m + 1; i <= GridSize(); ++i) Profile()[i] = plateau;
}

// Change of the step relative to the profile, on the active nodes, against a
// floor of 1e-4 of the profile maximum so that empty and plateau regions do
// not dictate the step length.
double GlobalLammRelativeChange(double t, double tol) {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  const double* c = Profile();
  const double* old = GlobalLammWork().OldTotalSignal;
  const int s = e.TruncationStart, m = e.TruncationEnd;
  double top = e.InitialPlateau;
  for (int i = s; i <= m; ++i) top = std::max(top, c[i]);
  const double floor = 1e-4 * top;
  double E = c[m] > floor && old[m] >= floor ? std::fabs(c[m] - old[m]) / old[m] : 0.0;
  for (int i = m - 1; i >= s; --i) {
    if (c[i] < -e.TruncationThreshold && !ZoneRun() && t < 10.0) {
      e.StepTroubleCount += 1;
      return 2.0 * tol;
    }
    const double d = c[i] - old[i];
    if (old[i] > floor) {
      E = std::max(E, std::fabs(d) / old[i]);
    } else if (d > floor) {
      if (old[i + 1] > floor) {
        E = std::max(E, std::fabs(d) / old[i + 1]);
      } else if (i > 1 && old[i - 1] > floor) {
        E = std::max(E, std::fabs(d) / old[i - 1]);
      }
    }
  }
  return E;
}

// A small negative value at the meniscus in the retry run is mirrored, the
// amount taken from the next node so that the total stays the same.
void FixNegativeMeniscusValue() {
  double* c = Profile();
  const double threshold = GlobalLammEngine.TruncationThreshold;
  if (!GlobalLammRun.RetryRun || !(c[1] > -threshold && c[1] < 0.0)) return;
  const double* r = GlobalLammArrays.LammRadius;
  double w1, w2;
  if (GlobalLammArrays.OptimizedGridMade) {
    const HatGrid g{r, GridSize()};
    w1 = HatWeightIntegral(g, 1, GridSize());
    w2 = HatWeightIntegral(g, 2, GridSize());
  } else {
    const double h =
        static_cast<double>(ModelParameters.Bottom - ModelParameters.Meniscus) / (GridSize() - 1);
    w1 = h * (3 * r[1] + h) / 6;
    w2 = r[2] * h;
  }
  const double x = -c[1] * w1 / w2;
  c[1] = -c[1];
  c[2] -= 2 * x;
}

// The step is over: count it, move the clock (onto the scan time exactly when
// the step was cut to it) and leave the acceleration ramp at its end.
void GlobalLammAdvanceClock(bool endsOnStop, double stopTime) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const GlobalLammEngineRecord& e = GlobalLammEngine;
  run.IterationCount += 1;
  run.SimTime = endsOnStop ? stopTime : run.SimTime + run.TimeStep;
  if (run.Accelerating && run.SimTime >= run.AccelDuration) {
    run.RunRpm = AccelerationPhaseRpm(run.SimTime, run.TimeStep);
    if (NonSectorGeometry()) {
      BuildGeometryMatrices();
    } else {
      BuildSectorMatrices(GridSize());
      ResizeSectorMatrices(e.TruncationEnd);
    }
    run.Accelerating = false;
  }
  const double c1 = Profile()[1];
  if (c1 > -e.TruncationThreshold && c1 < 0.0) FixNegativeMeniscusValue();
  if (run.ShowLoading)
    run.LoadingDisplay = NonSectorGeometry() ? GeometryTotalLoading() : SectorTotalLoading();
}

// Limits of the simulated acceleration: short steps, ending on its end once.
void ApplyRampLimits(double t, double& dt, bool& cutToRampEnd) {
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  if (!Ramping()) return;
  dt = std::min(dt, run.AccelMaxStep);
  if (!cutToRampEnd && t + dt > run.AccelDuration) {
    dt = run.AccelDuration - t;
    cutToRampEnd = true;
  }
}

double ClampStep(double dt, double dtOld, bool countTrouble) {
  dt = std::min({dt, 10.0 * dtOld, GlobalLammRun.MaxTimeStep});
  if (dt < kShortestStep) {
    dt = kShortestStep;
    if (countTrouble) GlobalLammEngine.StepTroubleCount += 1;
  }
  return std::max(dt, 0.1 * dtOld);
}

bool BlownUp() {
  const double* c = Profile();
  for (int i = 1; i <= GridSize(); ++i)
    if (!(std::fabs(c[i]) <= 1e100)) return true;
  return false;
}

// While a zone starts, small and negative values move to their neighbours
// with the amount sum c r kept.
void SmoothZoneStart() {
  double* c = Profile();
  const double* r = GlobalLammArrays.LammRadius;
  for (int j = 2; j <= GridSize() - 1; ++j) {
    if (c[j] < 1e-10) {
      c[j - 1] += 0.5 * c[j] * r[j] / r[j - 1];
      c[j + 1] += 0.5 * c[j] * r[j] / r[j + 1];
      c[j] = 0.0;
    }
  }
}

}  // namespace

double GlobalLammStep() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  GlobalLammEngineRecord& e = GlobalLammEngine;
  const double tol = run.MaxRelativeChange;
  const double t = run.SimTime;
  if (LammSolverSettings.FixedTimeStep) run.TimeStep = tol;
  SaveProfile();
  double dt = run.TimeStep;
  bool cutToRampEnd = false;
  ApplyRampLimits(t, dt, cutToRampEnd);
  // A scan time ahead ends the step; one already passed (a scan before the
  // start) does not pull the clock back.
  bool endsOnStop = false;
  const double stopTime = run.OutputTime;
  if (run.OutputPending && t + dt > stopTime) {
    run.OutputPending = 0;
    if (stopTime >= t) {
      dt = stopTime - t;
      endsOnStop = true;
    }
  }
  if (dt == 0.0) {
    run.TimeStep = 1.0;
    return 1.0;
  }
  GlobalLammPropagate(dt);
  if (BlownUp()) {
    run.DiscretizationError = 1;
    return 0.0;
  }
  if (ZoneRun() && t < 10.0) SmoothZoneStart();
  run.TimeStep = dt;
  if (endsOnStop && run.IterationCount != 0) {
    GlobalLammAdvanceClock(true, stopTime);
    return 1.0;
  }
  if (run.IterationCount == 0 && Profile()[1] > 0.0) {
    GlobalLammAdvanceClock(endsOnStop, stopTime);
    return dt;
  }
  if (LammSolverSettings.FixedTimeStep) {
    GlobalLammAdvanceClock(endsOnStop, stopTime);
    return 1.0;
  }
  double E = GlobalLammRelativeChange(t, tol);
  while (E > tol) {
    if (e.StepTroubleCount > 5) {
      run.DiscretizationError = 1;
      break;
    }
    if (run.TridiagError) break;
    const double dtOld = dt;
    dt = E == 0.0 ? 0.0 : 0.2 * tol / E * dt;
    if (0.8 * dtOld <= dt && dt <= 1.2 * dtOld) dt *= 0.5;
    dt = ClampStep(dt, dtOld, true);
    ApplyRampLimits(t, dt, cutToRampEnd);
    // A shortened step no longer reaches the scan time: keep waiting for it.
    if (endsOnStop) {
      run.OutputPending = 1;
      endsOnStop = false;
    }
    GlobalLammPropagate(dt);
    E = GlobalLammRelativeChange(t, tol);
  }
  e.StepTroubleCount = 1;
  run.TimeStep = dt;
  GlobalLammAdvanceClock(endsOnStop, stopTime);
  if (E == 0.0) dt = 10.0 * dt;
  if (E < 0.05 * tol) {
    const double dtOld = dt;
    dt = E == 0.0 ? 0.0 : 0.2 * tol / E * dt;
    if (0.9 * dtOld <= dt && dt <= 1.1 * dtOld) dt = 2.0 * dt;
    dt = ClampStep(dt, dtOld, false);
  }
  if (run.OutputPending && run.SimTime + dt > run.OutputTime && run.OutputTime > run.SimTime)
    dt = run.OutputTime - run.SimTime;
  ApplyRampLimits(run.SimTime, dt, cutToRampEnd);
  run.TimeStep = dt;
  return E;
}

void InitDepletionProbe() {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  const int n = GridSize();
  const double* r = GlobalLammArrays.LammRadius;
  const double s = GlobalLammRun.SpeciesS;
  if (s > 0.0) {
    e.DepletionProbeNode = n;
    for (int i = 1; i <= n; ++i) {
      if (r[i] > ScanDataSet.FitRightLim) {
        e.DepletionProbeNode = i;
        break;
      }
    }
  } else if (s < 0.0) {
    e.DepletionProbeNode = 1;
    for (int i = 1; i <= n && r[i] <= ScanDataSet.FitLeftLim; ++i) e.DepletionProbeNode = i;
  }
  // A resting species keeps the node of the previous run, which may have
  // had a larger grid.
  e.DepletionProbeNode = std::clamp(e.DepletionProbeNode, 1, n);
  e.DepletionStopLevel = 1e-4f * static_cast<float>(Profile()[e.DepletionProbeNode]);
}

bool DepletionReached() {
  const GlobalLammEngineRecord& e = GlobalLammEngine;
  if (InhomogeneousSolventOn || ZoneRun()) return false;
  const int node = std::clamp(e.DepletionProbeNode, 1, GridSize());
  return Profile()[node] < e.DepletionStopLevel || node < e.TruncationStart;
}

namespace {

// The first active node moves towards the bottom behind the depleted region;
// it never moves back and stops ten nodes before the last active node.
void UpdateTruncationStart() {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  if (!e.TruncationActive || GlobalLammRun.SuppressGridTruncation) {
    e.TruncationStart = 1;
    return;
  }
  const double* c = Profile();
  for (int i = e.TruncationStart;
       i <= e.TruncationEnd - 10 && (c[i] + c[i + 1] + c[i + 2]) / 3.0 <= e.TruncationThreshold;
       ++i)
    e.TruncationStart = i;
  e.TruncationStart = std::min(e.TruncationStart, e.TruncationStartCap);
}

// The last active node grows by a tenth of the grid once the boundary's
// diffusion reaches within its last stretch below the diluted plateau.
void UpdateTruncationEnd(double t) {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  const int n = GridSize();
  if (!e.EndGrowthActive || GlobalLammRun.SuppressGridTruncation) {
    e.TruncationEnd = n;
    return;
  }
  if (e.TruncationEnd == n) return;
  if (!ScanDataSet.RampRotorSpeed) {
    e.PlateauConcentration = e.InitialPlateau * std::exp(-2.0 * e.SedimentationRate * t);
  } else {
    e.PlateauConcentration *= std::exp(-2.0 * e.SedimentationRate * (t - e.PlateauTime));
    e.PlateauTime = t;
  }
  const double limit = (1.0 - e.TruncationThreshold) * e.PlateauConcentration;
  const double* c = Profile();
  const int last = std::max(e.TruncationEnd - e.EndGrowthStep, 3);
  for (int i = e.TruncationEnd; i >= last; --i) {
    if ((c[i] + c[i - 1] + c[i - 2]) / 3.0 < limit) {
      int end = e.TruncationEnd + e.EndGrowthStep;
      if (end > n - 10) end = n;
      e.TruncationEnd = end;
      ResizeSectorMatrices(end);
      return;
    }
  }
}

bool AnyMaterial() {
  const double* c = Profile();
  for (int i = 1; i <= GridSize(); ++i)
    if (c[i] > 0.0) return true;
  return false;
}

void SetUpTruncation() {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  const int n = GridSize();
  const double s = run.SpeciesS;
  e.TruncationStartCap = static_cast<int>(std::floor(0.95 * n));
  e.TruncationThreshold = LammSolverSettings.TruncationThreshold * Profile()[1];
  e.TruncationStart = 1;
  e.TruncationEnd = n;
  e.EndGrowthActive = false;
  if (!LammSolverSettings.DynamicTruncation || TruncationOffForSpecies || s <= 0.0 || ZoneRun()) {
    e.TruncationActive = false;
    return;
  }
  e.TruncationActive = true;
  const double omega = run.RunRpm * 2.0 * kPi / 60.0;
  e.SedimentationRate = omega * omega * s * 1e-13;
  e.PlateauConcentration = Profile()[1];
  e.PlateauTime = 0.0;
  e.EndGrowthStep = static_cast<int>(std::floor(0.1 * n));
  if (SpeciesSignals.BackDiffusionShutOffApplies && !InhomogeneousSolventOn &&
      !NonSectorGeometry() && e.EndGrowthStep >= 3) {
    e.EndGrowthActive = true;
    e.TruncationEnd = e.EndGrowthStep;
    ResizeSectorMatrices(e.TruncationEnd);
  }
}

// The sedimenting co-solute of an inhomogeneous solvent is carried along.
bool CosoluteRun() {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  return InhomogeneousSolventOn && s.SedimentingCosolute && s.CosoluteOn;
}

// The co-solute to the engine's new time, and the macromolecule's matrices
// to the gradient it leaves (the non-sector geometries take no solvent
// factors, so their bands stay).
void FollowCosolute() {
  AdvanceCosoluteGradient();
  if (NonSectorGeometry()) return;
  UpdateSolventFactors(GlobalLammArrays.LammRadius, GridSize());
  BuildSectorMatrices(GlobalLammEngine.TruncationEnd);
  GlobalLammRun.ForceSystemRebuild = true;
}

void SetUpMaxTimeStep() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const double s = run.SpeciesS;
  double dt = s == 0.0 ? 1000.0 : 0.5 * run.RunRpm * run.RunRpm * run.SpeciesD / s;
  run.MaxTimeStep = std::clamp(dt, 10.0, 1000.0);
}

}  // namespace

void PropagateGlobalLamm() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  GlobalLammEngineRecord& e = GlobalLammEngine;
  if (ScanDataSet.UsingSpeedSteps || !GlobalLammArrays.LammArraysAllocated ||
      GlobalLammArrays.LammConcentration == nullptr || GridSize() < 3)
    return;
  GlobalLammEngineUsed = true;
  double v = 1.0;
  e.LastSystemStep = 0.0;
  run.TridiagError = 0;
  run.DiscretizationError = 0;
  e.StepTroubleCount = 0;
  if (!AnyMaterial()) {
    run.TimeStep = 10.0;
    while (run.KeepRunning) {
      run.SimTime += 10.0;
      LammStepCallback(1.0);
    }
    run.SuppressGridTruncation = false;
    return;
  }
  e.InitialPlateau = Profile()[1];
  const bool cosolute = CosoluteRun();
  if (InhomogeneousSolventOn) SolventGradientFactors(GlobalLammArrays.LammRadius, GridSize());
  // Without its co-solute the gradient would be a stale one, or none.
  if (cosolute && !InitCosoluteGradient()) {
    run.TridiagError = 1;
    run.SuppressGridTruncation = false;
    return;
  }
  RebuildBands(GridSize());
  SetUpTruncation();
  SetUpMaxTimeStep();
  InitDepletionProbe();
  if (ZoneRun()) run.TimeStep = 0.1;
  int steadyCount = 0;
  while (run.KeepRunning) {
    if (run.TridiagError || run.DiscretizationError) break;
    const double dtUsed = run.TimeStep == 0.0 ? 1.0 : run.TimeStep;
    if (cosolute) CosoluteState.CosoluteTimeRef = run.SimTime;
    v = GlobalLammStep();
    if (e.TruncationActive) {
      UpdateTruncationStart();
      UpdateTruncationEnd(run.SimTime);
    }
    if (cosolute) FollowCosolute();
    LammStepCallback(v);
    v /= dtUsed;
    if (DepletionReached()) run.KeepRunning = 0;
    steadyCount = dtUsed >= 30.0 && v < run.EquilibriumThreshold ? steadyCount + 1 : 0;
    if (steadyCount > 10) run.KeepRunning = 0;
  }
  run.SuppressGridTruncation = false;
}
