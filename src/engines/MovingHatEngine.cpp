#include "engines/MovingHatEngine.h"

#include <algorithm>
#include <cmath>

#include "data/ScanDataSet.h"
#include "engines/CosoluteSolver.h"
#include "engines/EngineRunReads.h"
#include "engines/GlobalLammMatrices.h"
#include "engines/GlobalLammSolver.h"
#include "engines/HatElementIntegrals.h"
#include "engines/InhomogeneousSolvent.h"
#include "lamm/Tridiagonal.h"
#include "models/GlobalLammState.h"
#include "models/SimulationErrors.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/ConstantShorthands.h"

MovingHatEngineRecord MovingHatEngine;

namespace {

struct Bands {
  double* l;
  double* d;
  double* u;
};

// The eight entries of the two end rows, in the order (1,1), (1,2), (2,1),
// (2,2), (N-1,N-1), (N-1,N), (N,N-1), (N,N).
struct EndRows {
  double M[8], K[8], S[8], A[8];
};

double* C() {
  return GlobalLammArrays.LammConcentration;
}
double* R0() {
  return MovingGridState.ReferenceRadius.data();
}
HatGrid Reference() {
  return HatGrid{R0(), GridSize()};
}
double Meniscus() {
  return ModelParameters.Meniscus;
}
double Bottom() {
  return ModelParameters.Bottom;
}
bool DynamicCosolute() {
  return InhomogeneousSolventOn && InhomogeneousSolventSettings.SedimentingCosolute;
}

// Moving-hat block: K, S (not yet times sigma), A, M, the right matrix of the
// full-interval system, and that system's elimination ratios and pivots.
Bands Stiffness() {
  return {MovingHatArray(0), MovingHatArray(1), MovingHatArray(2)};
}
Bands Sedimentation() {
  return {MovingHatArray(3), MovingHatArray(4), MovingHatArray(5)};
}
Bands Motion() {
  return {MovingHatArray(6), MovingHatArray(7), MovingHatArray(8)};
}
Bands Mass() {
  return {MovingHatArray(9), MovingHatArray(10), MovingHatArray(11)};
}
Bands FullRight() {
  return {MovingHatArray(12), MovingHatArray(13), MovingHatArray(14)};
}
// The full-interval left matrix is kept in the main block's transport bands,
// which this engine does not otherwise use.
Bands FullLeft() {
  const GlobalLammWorkArrays w = GlobalLammWork();
  return {w.Transport.l, w.Transport.d, w.Transport.u};
}
TridagWork FullIntervalWork() {
  return TridagWork{MovingHatArray(15), MovingHatArray(16), &GlobalLammRun.TridiagError};
}
TridagWork StepWork() {
  const GlobalLammWorkArrays w = GlobalLammWork();
  return TridagWork{w.MultiplierArray, w.PivotArray, &GlobalLammRun.TridiagError};
}

int EndIndex(int i, int j) {
  const int n = GridSize();
  if (i <= 2 && j <= 2) return 2 * (i - 1) + (j - 1);
  if (i >= n - 1 && j >= n - 1) return 4 + 2 * (i - n + 1) + (j - n + 1);
  return -1;
}
void EndPair(int k, int& i, int& j) {
  const int n = GridSize();
  const int base = k < 4 ? 1 : n - 1;
  i = base + (k % 4) / 2;
  j = base + k % 2;
}

double BandAt(const Bands& b, int i, int j) {
  return j < i ? b.l[i] : (j == i ? b.d[i] : b.u[i]);
}
double Coef(const Bands& b, const double* ends, int i, int j) {
  const int k = EndIndex(i, j);
  return k >= 0 ? ends[k] : BandAt(b, i, j);
}

double StiffnessEntry(int i, int j) {
  return InhomogeneousSolventOn ? FactorDiffusionIntegral(i, j, R0(), GridSize())
                                : HatStiffnessIntegral(Reference(), i, j);
}
double SedimentationEntry(int i, int j) {
  return InhomogeneousSolventOn ? FactorSedimentationIntegral(i, j, R0(), GridSize())
                                : HatSedimentationIntegral(Reference(), i, j);
}

// Sets the reference end nodes so that e times the reference grid is the
// current grid at elapsed frame time tau; returns e.
double SetFrameEnds(double tau) {
  const double e = std::exp(MovingHatEngine.GridRate * tau);
  R0()[1] = Meniscus() / e;
  R0()[GridSize()] = Bottom() / e;
  return e;
}
void ResetFrameEnds() {
  R0()[1] = Meniscus();
  R0()[GridSize()] = Bottom();
}

EndRows ComputeEndRows(double tau) {
  EndRows out{};
  SetFrameEnds(tau);
  const HatGrid g = Reference();
  for (int k = 0; k < 8; ++k) {
    int i, j;
    EndPair(k, i, j);
    out.M[k] = HatElementIntegralB(g, i, j);
    out.K[k] = StiffnessEntry(i, j);
    out.S[k] = SedimentationEntry(i, j);
    out.A[k] = HatElementIntegralA(g, i, j);
  }
  if (SpeciesSignals.BackDiffusionShutOffApplies) {
    // An open bottom: the boundary flux r (D c' - sigma r c) stays in the
    // weak form, so material that reaches the bottom leaves the cell.
    const int n = GridSize();
    const double rn = R0()[n], open = rn / (rn - R0()[n - 1]);
    out.K[6] += open;
    out.K[7] -= open;
    out.S[7] -= rn * rn;
  }
  ResetFrameEnds();
  return out;
}

// Entry of F(tau) = -(D/e^2) K + sigma S + k A^T in the conservative form of
// the moving-grid equation, d(e^2 M c)/dt = e^2 F c. The grid motion enters
// through the transpose of A (the slope on the test function), whose
// columns, like those of K and S, sum to zero: a closed cell keeps
// sum_i e^2 G_i c_i exactly from step to step, although the end rows of M
// change with the moving end elements.
double OperatorEntry(const EndRows& ends, double e, int i, int j) {
  const MovingHatEngineRecord& h = MovingHatEngine;
  const double D = GlobalLammRun.SpeciesD;
  return -(D / (e * e)) * Coef(Stiffness(), ends.K, i, j) +
         h.SpeciesRate * Coef(Sedimentation(), ends.S, i, j) +
         h.GridRate * Coef(Motion(), ends.A, j, i);
}

void FillBands(const Bands& b, double (*entry)(int, int)) {
  const int n = GridSize();
  for (int i = 1; i <= n; ++i) {
    b.l[i] = i > 1 ? entry(i, i - 1) : 0.0;
    b.d[i] = entry(i, i);
    b.u[i] = i < n ? entry(i, i + 1) : 0.0;
  }
}

void UpdateSpeciesRate() {
  const double omega = GlobalLammRun.RunRpm * 2.0 * kPi / 60.0;
  MovingHatEngine.SpeciesRate = omega * omega * GlobalLammRun.SpeciesS * 1e-13;
}

// Grid set-up: geometric nodes with a half-offset first (sedimenting grid) or
// last (floating grid) interval.
void MovingHatMakeGrid() {
  MovingHatEngineRecord& h = MovingHatEngine;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const int n = GridSize();
  const double m = Meniscus(), b = Bottom();
  h.RegridCount = 0;
  // The grid travels at the final speed while the rotor still accelerates.
  const double rpm = Ramping() && run.FinalRpm > 0.0 ? run.FinalRpm : run.RunRpm;
  const double omega = rpm * 2.0 * kPi / 60.0;
  UpdateSpeciesRate();
  h.GridRate = omega * omega * h.GridS * 1e-13;
  h.ShiftTime = h.GridRate == 0.0 ? 1e10 : std::log(b / m) / ((n - 1) * std::fabs(h.GridRate));
  h.GridRatio = std::pow(b / m, 1.0 / (n - 1));
  std::vector<double>& r0 = MovingGridState.ReferenceRadius;
  r0.assign(static_cast<std::size_t>(n) + 1, 0.0);
  r0[1] = m;
  r0[static_cast<std::size_t>(n)] = b;
  if (h.GridS >= 0.0) {
    for (int i = 2; i <= n - 1; ++i)
      r0[static_cast<std::size_t>(i)] = m * std::pow(b / m, (i - 1.5) / (n - 1));
  } else {
    r0[2] = m * std::pow(b / m, 1.5 / (n - 1));
    for (int i = 3; i <= n - 1; ++i)
      r0[static_cast<std::size_t>(i)] = r0[static_cast<std::size_t>(i - 1)] * h.GridRatio;
  }
  for (int i = 1; i <= n; ++i) GlobalLammArrays.LammRadius[i] = r0[static_cast<std::size_t>(i)];
  MovingGridState.GridRate = h.GridRate;
  MovingGridState.GridTime = run.SimTime;
}

double WL(const double* r, int i) {
  return (r[i] - r[i - 1]) * (r[i - 1] + 2.0 * r[i]) / 6.0;
}
double WR(const double* r, int i) {
  return (r[i + 1] - r[i]) * (2.0 * r[i] + r[i + 1]) / 6.0;
}

void MovingHatAssemble() {
  FillBands(Stiffness(), StiffnessEntry);
  FillBands(Sedimentation(), SedimentationEntry);
  FillBands(Motion(), [](int i, int j) { return HatElementIntegralA(Reference(), i, j); });
  FillBands(Mass(), [](int i, int j) { return HatElementIntegralB(Reference(), i, j); });
  const int n = GridSize();
  const double* r = R0();
  const HatGrid g = Reference();
  double* w = MovingHatEngine.EndWeights;
  w[0] = HatElementIntegralC(g, 1);
  w[1] = HatElementIntegralC(g, 2);
  w[2] = WL(r, 2);
  w[3] = WL(r, 3);
  w[4] = WR(r, n - 2);
  w[5] = WR(r, n - 1);
  w[6] = HatElementIntegralC(g, n - 1);
  w[7] = HatElementIntegralC(g, n);
}

// K and S follow a co-solute gradient that changes during the run.
void RebuildTransportBands() {
  FillBands(Stiffness(), StiffnessEntry);
  FillBands(Sedimentation(), SedimentationEntry);
}

// A diffusion-free species can run away at the end it piles up against.
void ClampRunawayProfile() {
  if (GlobalLammRun.SpeciesD > 2e-8) return;
  double* c = C();
  const int n = GridSize();
  if (GlobalLammRun.SpeciesS > 0.0 && std::fabs(c[n]) >= 1e30) {
    for (int i = n; i >= std::max(1, n - 20); --i)
      if (std::fabs(c[i]) > 1e35) c[i] *= 0.1;
  } else if (GlobalLammRun.SpeciesS < 0.0 && std::fabs(c[1]) >= 1e15) {
    for (int i = 1; i <= std::min(20, n); ++i)
      if (std::fabs(c[i]) > 1e15) c[i] *= 0.1;
  }
}

// The constant system of one whole shift interval from tau = 0 to T.
void MovingHatPrefactor() {
  const MovingHatEngineRecord& h = MovingHatEngine;
  const int n = GridSize();
  const double T = h.ShiftTime;
  const EndRows start = ComputeEndRows(0.0), end = ComputeEndRows(T);
  const double eEnd = std::exp(h.GridRate * T);
  // e0^2 / e1^2 of the conservative form.
  const double scale = 1.0 / (eEnd * eEnd);
  const Bands R = FullRight(), L = FullLeft();
  for (int i = 1; i <= n; ++i) {
    for (int j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
      const double right =
          scale * (Coef(Mass(), start.M, i, j) + 0.5 * T * OperatorEntry(start, 1.0, i, j));
      const double left = Coef(Mass(), end.M, i, j) - 0.5 * T * OperatorEntry(end, eEnd, i, j);
      (j < i ? R.l : j == i ? R.d : R.u)[i] = right;
      (j < i ? L.l : j == i ? L.d : L.u)[i] = left;
    }
  }
  // Factored once; the solution goes to scratch storage.
  const GlobalLammWorkArrays w = GlobalLammWork();
  for (int i = 1; i <= n; ++i) w.RightHandSide[i] = 0.0;
  tridag(FullIntervalWork(), L.l, L.d, L.u, w.RightHandSide, w.LeftSystem.d, n);
}

void PrefactoredStep() {
  const int n = GridSize();
  const GlobalLammWorkArrays w = GlobalLammWork();
  const Bands R = FullRight();
  TridiagonalTimesVector(R.l, R.d, R.u, w.OldTotalSignal, w.RightHandSide, n);
  SolveWithStoredPivots(FullIntervalWork(), FullLeft().l, w.RightHandSide, C(), n);
}

void GeneralStep(double t, double dt) {
  const MovingHatEngineRecord& h = MovingHatEngine;
  const int n = GridSize();
  const double tau0 = t - MovingGridState.GridTime, tau1 = tau0 + dt;
  const double e0 = std::exp(h.GridRate * tau0), e1 = std::exp(h.GridRate * tau1);
  const EndRows start = ComputeEndRows(tau0), end = ComputeEndRows(tau1);
  const double scale = (e0 * e0) / (e1 * e1);
  const GlobalLammWorkArrays w = GlobalLammWork();
  const Bands L{w.LeftSystem.l, w.LeftSystem.d, w.LeftSystem.u};
  for (int i = 1; i <= n; ++i) {
    double y = 0.0;
    L.l[i] = L.u[i] = 0.0;
    for (int j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
      y += scale * (Coef(Mass(), start.M, i, j) + 0.5 * dt * OperatorEntry(start, e0, i, j)) *
           w.OldTotalSignal[j];
      (j < i    ? L.l
       : j == i ? L.d
                : L.u)[i] = Coef(Mass(), end.M, i, j) - 0.5 * dt * OperatorEntry(end, e1, i, j);
    }
    w.RightHandSide[i] = y;
  }
  if (!tridag(StepWork(), L.l, L.d, L.u, w.RightHandSide, C(), n))
    std::copy(w.OldTotalSignal + 1, w.OldTotalSignal + n + 1, C() + 1);
}

// One Crank-Nicolson step of length dt from t, from OldTotalSignal into the
// profile.
void MovingHatCrankNicolsonStep(double t, double dt) {
  const MovingHatEngineRecord& h = MovingHatEngine;
  if (Ramping()) {
    GlobalLammRun.RunRpm = AccelerationPhaseRpm(t, dt);
    UpdateSpeciesRate();
  }
  const bool fullInterval =
      (h.ShiftStepMode && h.FullInterval) || (dt == h.ShiftTime && t == MovingGridState.GridTime);
  if (fullInterval && !GlobalLammRun.Accelerating && !DynamicCosolute()) {
    PrefactoredStep();
  } else {
    GeneralStep(t, dt);
  }
  ClampRunawayProfile();
}

// Mass of the hats on the current frame, G_i = int phi_i r dr there.
double FrameWeight(int i, double tau) {
  SetFrameEnds(tau);
  const double g = HatElementIntegralC(Reference(), i);
  ResetFrameEnds();
  return g;
}

void StoreShifted(double* c, double first, double second, double penultimate, double last) {
  const int n = GridSize();
  if (GlobalLammRun.SpeciesS >= 0.0) {
    for (int i = n - 2; i >= 3; --i) c[i] = c[i - 1];
  } else {
    for (int i = 3; i <= n - 2; ++i) c[i] = c[i + 1];
  }
  c[1] = first;
  c[2] = second;
  c[n - 1] = penultimate;
  c[n] = last;
}

// The moving nodes have advanced one interval: shift the profile by one node
// and return the grid to its reference position, keeping the mass at the
// side the material moves to and interpolating at the side it leaves.
void MovingHatRemesh() {
  MovingHatEngineRecord& h = MovingHatEngine;
  const int n = GridSize();
  const double s = GlobalLammRun.SpeciesS, D = GlobalLammRun.SpeciesD;
  const double tau = GlobalLammRun.SimTime - MovingGridState.GridTime;
  const double e = std::exp(h.GridRate * tau), e2 = e * e;
  const double m = Meniscus(), b = Bottom();
  const double* W = h.EndWeights;
  const double* r0 = R0();
  const double* c = C();
  double c1, c2, cn1, cn;
  const bool pureSedimentation = D == 0.0 && std::fabs(s) > 1e-10;
  if (s >= 0.0) {
    const double Q =
        e2 * (W[4] * c[n - 2] + FrameWeight(n - 1, tau) * c[n - 1] + FrameWeight(n, tau) * c[n]);
    cn1 = c[n - 2];
    cn = (Q - cn1 * W[5]) / W[7];
    if (s > 0.0 && cn < cn1) cn = cn1 = (cn1 * W[6] + cn * W[7]) / (W[6] + W[7]);
    if (!pureSedimentation) {
      c1 = c[1];
      c2 = c[1] + (c[2] - c[1]) * (r0[2] - m) / (e * r0[2] - m);
    } else {
      SetFrameEnds(tau);
      const double wl2 = WL(R0(), 2);
      ResetFrameEnds();
      c1 = 0.0;
      c2 = ((wl2 * e2 - W[3]) * c[2] + FrameWeight(1, tau) * e2 * c[1]) / W[1];
    }
  } else {
    const double Q = e2 * (FrameWeight(1, tau) * c[1] + FrameWeight(2, tau) * c[2] + W[3] * c[3]);
    c2 = c[3];
    c1 = (Q - W[2] * c[3]) / W[0];
    if (c1 < c2) c1 = c2 = (c2 * W[1] + c1 * W[0]) / (W[1] + W[0]);
    if (!pureSedimentation) {
      cn = c[n];
      cn1 = c[n] + (c[n - 1] - c[n]) * (r0[n - 1] - b) / (e * r0[n - 1] - b);
    } else {
      SetFrameEnds(tau);
      const double wr = WR(R0(), n - 1);
      ResetFrameEnds();
      cn = 0.0;
      cn1 = (e2 * (wr * c[n - 1] + FrameWeight(n, tau) * c[n]) - W[4] * c[n - 1]) / W[6];
    }
  }
  StoreShifted(C(), c1, c2, cn1, cn);
  StoreShifted(GlobalLammWork().OldTotalSignal, c1, c2, cn1, cn);
  ResetFrameEnds();
  MovingGridState.GridTime = GlobalLammRun.SimTime;
  for (int i = 1; i <= n; ++i) GlobalLammArrays.LammRadius[i] = r0[i];
  h.RegridCount += 1;
}

void MovingHatAdvanceClock(double dt, double target) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.IterationCount += 1;
  run.SimTime = target;
  run.TimeStep = dt;
  if (run.Accelerating && run.SimTime >= run.AccelDuration) {
    run.RunRpm = AccelerationPhaseRpm(run.SimTime, dt);
    UpdateSpeciesRate();
    run.Accelerating = false;
    // The full-interval system was made for the speed at the start.
    if (MovingHatEngine.ShiftStepMode) MovingHatPrefactor();
  }
  if (run.ShowLoading) run.LoadingDisplay = MovingHatTotalLoading();
}

// The acceleration phase is simulated in short steps, one of them ending on
// its end. True when dt was shortened.
bool ClipToAcceleration(double t, double& dt) {
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  if (!Ramping()) return false;
  const double before = dt;
  dt = std::min(dt, run.AccelMaxStep);
  if (run.AccelDuration > t && t + dt > run.AccelDuration) dt = run.AccelDuration - t;
  return dt != before;
}

// Sub-step mode: fixed steps h that never cross the end of a shift interval.
double SubStep() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const MovingHatEngineRecord& h = MovingHatEngine;
  double t = run.SimTime;
  if (std::fabs(t - MovingGridState.GridTime - h.ShiftTime) < 1e-10) MovingHatRemesh();
  const double intervalEnd = MovingGridState.GridTime + h.ShiftTime;
  double dt = h.FixedStep;
  double target = t + dt;
  if (intervalEnd < t + dt) {
    dt = intervalEnd - t;
    target = intervalEnd;
  }
  if (ClipToAcceleration(t, dt)) target = t + dt;
  if (run.OutputPending && run.OutputTime < t + dt) {
    run.OutputPending = 0;
    if (run.OutputTime >= t) {
      dt = run.OutputTime - t;
      target = run.OutputTime;
    }
  }
  if (dt == 0.0) {
    run.TimeStep = 1.0;
    return 1.0;
  }
  MovingHatCrankNicolsonStep(t, dt);
  if (run.TridiagError) return 0.0;
  const bool first = run.IterationCount == 0;
  MovingHatAdvanceClock(dt, target);
  return first ? dt : 1.0;
}

// Shift-step mode: the length of the next step from the step-state flags.
// Returns the time the step ends on, so that the clock lands exactly on scan
// times and interval ends.
double ChooseShiftStep(double t, double& dt) {
  MovingHatEngineRecord& h = MovingHatEngine;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const double intervalEnd = MovingGridState.GridTime + h.ShiftTime;
  const bool stopAhead = run.OutputPending && run.OutputTime >= t;
  if (stopAhead && t + dt > run.OutputTime && intervalEnd >= run.OutputTime) {
    dt = run.IterationCount <= 1 ? 1.0 : run.OutputTime - t;
    ClipToAcceleration(t, dt);
    h.PartialInterval = true;
    h.FirstStep = h.StartingUp = h.FullInterval = false;
    if (t + dt >= run.OutputTime) {
      run.OutputPending = 0;
      dt = run.OutputTime - t;
      return run.OutputTime;
    }
    return t + dt;
  }
  double target = -1.0;
  if (h.StartingUp) {
    h.FullInterval = false;
    if (h.FirstStep) {
      dt = std::min(1.0, h.ShiftTime);
      h.FirstStep = false;
      h.PartialInterval = false;
    } else {
      dt = 0.1 * h.ShiftTime;
      h.StartingUp = false;
      h.PartialInterval = true;
    }
    ClipToAcceleration(t, dt);
  } else if (h.PartialInterval || h.CompletingInterval) {
    const bool completing = h.CompletingInterval;
    dt = completing ? h.ShiftTime : intervalEnd - t;
    target = completing ? t + dt : intervalEnd;
    h.CompletingInterval = !completing;
    h.FullInterval = completing;
    h.PartialInterval = false;
    if (stopAhead && run.OutputTime < t + dt) {
      dt = run.OutputTime - t;
      target = run.OutputTime;
      run.OutputPending = 0;
      h.CompletingInterval = h.FullInterval = false;
      h.PartialInterval = true;
    }
    if (ClipToAcceleration(t, dt)) {
      target = -1.0;
      h.CompletingInterval = h.FullInterval = false;
      h.PartialInterval = true;
    }
  }
  return target >= 0.0 ? target : t + dt;
}

// Material that undershoots at the end it leaves: shorter steps, and in the
// end the negative value moved onto the neighbour. False when the step no
// longer ends where it was meant to.
bool GuardUndershoot(double t, double& dt) {
  MovingHatEngineRecord& h = MovingHatEngine;
  const int n = GridSize();
  const int node = GlobalLammRun.SpeciesS >= 0.0 ? 1 : n;
  const int next = node == 1 ? 2 : n - 1;
  double* c = C();
  double* old = GlobalLammWork().OldTotalSignal;
  bool shortened = false;
  while (c[node] < -0.001 && !GlobalLammRun.TridiagError) {
    dt *= 0.5;
    shortened = true;
    h.FullInterval = h.CompletingInterval = false;
    h.PartialInterval = true;
    if (dt > 0.1) {
      MovingHatCrankNicolsonStep(t, dt);
      continue;
    }
    const double tau = t + dt - MovingGridState.GridTime;
    c[next] += FrameWeight(node, tau) * c[node] / FrameWeight(next, tau);
    c[node] = old[node] = 0.0;
    old[next] = c[next];
    break;
  }
  return shortened;
}

double ShiftStep() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const MovingHatEngineRecord& h = MovingHatEngine;
  const double t = run.SimTime;
  double dt = run.TimeStep;
  const bool wasPending = run.OutputPending != 0;
  double target = ChooseShiftStep(t, dt);
  if (dt == 0.0) {
    run.TimeStep = 1.0;
    return 1.0;
  }
  MovingHatCrankNicolsonStep(t, dt);
  if (run.TridiagError) return 0.0;
  if (GuardUndershoot(t, dt)) {
    target = t + dt;
    // The shortened step no longer reaches a scan time it was cut to.
    if (wasPending && !run.OutputPending) run.OutputPending = 1;
  }
  MovingHatAdvanceClock(dt, target);
  if (h.FullInterval || std::fabs(run.SimTime - MovingGridState.GridTime - h.ShiftTime) < 1e-10)
    MovingHatRemesh();
  return 1.0;
}

// The run's own copies of the settings, the grid and the step mode.
void SetUpRun() {
  MovingHatEngineRecord& h = MovingHatEngine;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const LammSolverSettingsRecord& settings = LammSolverSettings;
  h = MovingHatEngineRecord{};
  h.GridS = settings.AutoSGrid
                ? (InhomogeneousSolventOn ? StandardToSolventS(run.SpeciesS) : run.SpeciesS)
                : settings.AutoSGridValue;
  h.StepTolerance = run.MaxRelativeChange;
  if (std::fabs(h.GridS) < 1.0 && h.StepTolerance >= 1.0) h.StepTolerance = 0.1;
  run.TridiagError = 0;
  run.DiscretizationError = 0;
  // The depletion test shares the global-state engine's record; no nodes of
  // this grid are truncated.
  GlobalLammEngine.TruncationStart = 1;
  if (InhomogeneousSolventOn) {
    MovingHatMakeGrid();
    SolventGradientFactors(R0(), GridSize());
  }
  MovingHatMakeGrid();
  MovingHatAssemble();
  run.TimeStep = 1.0;
  // Without its co-solute the gradient would be a stale one, or none.
  if (InhomogeneousSolventOn && InhomogeneousSolventSettings.CosoluteOn && !InitCosoluteGradient())
    run.TridiagError = 1;
  h.FixedStep = h.GridS != 0.0 ? h.StepTolerance * h.ShiftTime : h.StepTolerance;
  if (h.FixedStep >= h.ShiftTime) {
    h.FixedStep = h.ShiftTime;
    MovingHatPrefactor();
    h.ShiftStepMode = true;
    h.StartingUp = true;
  }
  h.FirstStep = true;
  InitDepletionProbe();
}

}  // namespace

double HatStiffnessIntegral(const HatGrid& grid, int i, int j) {
  return ReferenceDiffusionIntegral(grid, i, j);
}

double HatSedimentationIntegral(const HatGrid& grid, int i, int j) {
  return ReferenceSedimentationIntegral(grid, i, j);
}

double HatNetTransportIntegral(const HatGrid& grid, int i, int j) {
  return HatElementIntegralA(grid, i, j) - ReferenceSedimentationIntegral(grid, i, j);
}

double MovingHatTotalLoading() {
  const int n = GridSize();
  // Before the first run there is no reference grid.
  if (C() == nullptr || static_cast<int>(MovingGridState.ReferenceRadius.size()) < n + 1)
    return 0.0;
  const double tau = GlobalLammRun.SimTime - MovingGridState.GridTime;
  const double e = SetFrameEnds(tau);
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += HatElementIntegralC(Reference(), i) * C()[i];
  ResetFrameEnds();
  return e * e * sum * kSectorFactor;
}

double MovingHatStep() {
  const int n = GridSize();
  std::copy(C() + 1, C() + n + 1, GlobalLammWork().OldTotalSignal + 1);
  return MovingHatEngine.ShiftStepMode ? ShiftStep() : SubStep();
}

void RunMovingHatLamm() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  if (ScanDataSet.UsingSpeedSteps) return;
  if (!GlobalLammArrays.LammArraysAllocated || MovingHatArray(0) == nullptr ||
      GlobalLammArrays.LammConcentration == nullptr || GridSize() < 6)
    return;
  SetUpRun();
  const bool cosolute = InhomogeneousSolventOn && InhomogeneousSolventSettings.CosoluteOn;
  int steadyCount = 0;
  while (run.KeepRunning) {
    if (run.TridiagError || run.DiscretizationError) break;
    const double dtPrev = run.TimeStep;
    if (cosolute) CosoluteState.CosoluteTimeRef = run.SimTime;
    double v = MovingHatStep();
    if (run.TridiagError) break;
    if (cosolute) AdvanceCosoluteGradient();
    if (DynamicCosolute()) {
      UpdateSolventFactors(R0(), GridSize());
      RebuildTransportBands();
    }
    LammStepCallback(v);
    v /= dtPrev;
    if (DepletionReached()) run.KeepRunning = 0;
    steadyCount = dtPrev >= 30.0 && v < run.EquilibriumThreshold ? steadyCount + 1 : 0;
    if (steadyCount > 10) run.KeepRunning = 0;
  }
  MovingHatGridUpdate();
}
