// Fixed-grid propagation of the Lamm solver: the profile of one species
// advances on the unchanging radial grid by Crank-Nicolson steps whose length
// follows the largest relative change of the profile per step. To save work
// the linear system is solved on an active window only: the depleted region
// at the meniscus is dropped on the left, and on the right the plateau is
// replaced by its analytic value c0 exp(-2 s w^2 t) (radial dilution). After
// every step the scans whose time has come are written by the output step.

#include <algorithm>
#include <cmath>

#include "lamm/CLammIdeal.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/ProfileRepairs.h"
#include "ui/Boxes.h"

namespace {

// c_i, plus the dark population while photobleaching keeps one apart.
struct ProfileView {
  const double* c;
  const double* dark;
  double operator()(int i) const { return dark ? c[i] + dark[i] : c[i]; }
};

bool DarkPairInUse(const CLammIdeal& l) {
  return l.PhotophysicsOn && !l.DarkStateFrozen;
}

ProfileView Current(const CLammIdeal& l) {
  return {l.Concentration, DarkPairInUse(l) ? l.DarkState : nullptr};
}

// Weight int r phi_i dr of node i: the amount a node carries per unit
// concentration in the sector.
double NodeWeight(const CLammIdeal& l, int i) {
  const int N = l.GridSize;
  if (l.NonUniformGrid) return LumpedWeight(HatGrid{l.Radius, N}, i, N);
  const double h = (l.Bottom - l.Meniscus) / (N - 1);
  const double r = l.Radius[i];
  if (i == 1) return (h / 6) * (3 * r + h);
  if (i == N) return (h / 6) * (3 * r - h);
  return h * r;
}

// A slightly negative value at the meniscus is reflected, and what it gains
// is taken from its neighbour, so that the integral of c r dr is unchanged.
void ReflectMeniscusValue(const CLammIdeal& l, double* x) {
  if (!l.RetryMode || !(-l.TruncationLevel < x[1] && x[1] < 0)) return;
  x[2] -= 2 * NodeWeight(l, 1) * std::fabs(x[1]) / NodeWeight(l, 2);
  x[1] = std::fabs(x[1]);
}

// Copies of the profile at the start of a step, over the nodes a step can
// change.
void SaveStepStart(CLammIdeal& l) {
  const int L = l.WindowLeft, R = l.WindowRight;
  const int first = L <= 3 ? 1 : L - 2;
  std::copy(l.Concentration + first, l.Concentration + R + 1, l.PreviousConcentration + first);
  if (DarkPairInUse(l)) std::copy(l.DarkState + first, l.DarkState + R + 1, l.DarkStateOld + first);
}

// Shortens the proposed step (TimeStep) so that it ends at the events of the
// beam and of the rotor.
void ClipProposedStep(CLammIdeal& l, std::uint8_t flag) {
  double& dt = l.TimeStep;
  const double t = l.CurrentTime;
  if (l.PhotophysicsOn) {
    if (l.BeamOn && dt > l.BeamMaxTimeStep) dt = l.BeamMaxTimeStep;
    for (double event : {l.BeamStart, l.BeamEnd, l.DarkResetTime})
      if (t < event && event < t + dt) dt = event - t;
  }
  l.ClipTimeStep(flag, nullptr);
}

// The limits of a changed step proposal: at most ten times and at least a
// tenth of the step before, at most the largest step.
void LimitStepChange(CLammIdeal& l, bool countForced) {
  double& dt = l.TimeStep;
  dt = std::min({dt, 10 * l.PreviousTimeStep, l.MaxTimeStep});
  if (dt < 1e-15) {
    dt = 1e-15;
    if (countForced) ++l.ForcedReductions;
  }
  dt = std::max(dt, 0.1 * l.PreviousTimeStep);
}

// The proposal of the error-based step rule: relaxed between the step that
// would just meet the target tolerance and a fixed change by the factor.
void ProposeStep(CLammIdeal& l, double E, double factor) {
  double& dt = l.TimeStep;
  const double a = E == 0 ? 0.0 : (l.StepControlHigh / E) * dt;
  const double b = dt * factor;
  l.PreviousTimeStep = dt;
  dt = (a - b) * l.StepRelaxation + b;
}

}  // namespace

// A profile that has stopped changing (sedimentation equilibrium) is what
// every scan still to come shows: they are written from it at once, instead
// of being left empty by an early end. After the last scan, with the loop
// kept running beyond it, the output waits at RunOnEndTime and nothing is
// left.
void CLammIdeal::WriteSteadyScans() {
  while (ContinueLoop && NextOutputTime < RunOnEndTime) {
    CurrentTime = std::max(CurrentTime, StopPending ? StopTime : NextOutputTime);
    CLEachIterationOutput(StepResult);
  }
  ContinueLoop = 0;
}

bool CLammIdeal::SteadyStateReached(double stepLength, int& slow) const {
  if (stepLength >= 30 && StepResult < SteadyStateRate)
    ++slow;
  else
    slow = 0;
  return slow > 10;
}

void CLammIdeal::CountTinySteps(int& tiny) {
  if (TimeStep < 1e-12) {
    if (++tiny > 100) BlowUpError = 1;
  } else {
    tiny = 0;
  }
}

void CLammIdeal::SetLargestTimeStep(double s, double D) {
  if (MaxTimeStepSet) {
    MaxTimeStep = MaxTimeStepValue;
    return;
  }
  // Without sedimentation the largest step.
  double largest = s == 0 ? 1000.0 : 0.5 * CurrentRpm * CurrentRpm * D / s;
  largest = std::min(largest, 1000.0);
  if (!(largest >= 10)) largest = 10;
  MaxTimeStep = largest;
}

void CLammIdeal::PropagateFixedGrid() {
  if (!WorkArraysAllocated) return;
  const int N = GridSize;
  StepResult = 1.0f;
  StepMatricesTimeStep = 0;
  TridagError = BlowUpError = ForcedReductions = 0;

  const ProfileView v = Current(*this);
  bool empty = true;
  for (int i = 1; i <= N && empty; ++i)
    empty = Concentration[i] <= 0 && (!PhotophysicsOn || DarkState[i] <= 0);
  if (empty) {
    // Nothing to sediment: the scans are written as time passes.
    TimeStep = 10;
    while (ContinueLoop) {
      // An empty cell is in equilibrium already: a run kept going beyond
      // its last scan ends at once.
      CurrentTime = NextOutputTime >= RunOnEndTime ? RunOnEndTime : CurrentTime + 10;
      CLEachIterationOutput(1.0);
    }
    GridSizeChosen = 0;
    return;
  }

  StartMeniscusConcentration = Concentration[1];
  if (InhomogeneousSolvent) SetUpSolventFactors(Radius, N);
  if (CosoluteOn) SetUpCosolute();
  AssembleMatrices(N);
  LeftEdgeLimit = static_cast<std::int32_t>(0.95 * N);

  const double s = SedimentationCoeff, D = DiffusionCoeff;
  if (DynamicTruncation && s > 0 && !BandLoading && !InitialProfileOn) {
    WindowingOn = 1;
    TruncationLevel = TruncationThreshold * Concentration[1];
    WindowLeft = 1;
    PlateauConcentration = Concentration[1];
    PlateauTime = 0;
    WindowGrowth = static_cast<std::int32_t>(0.1 * N);
    LeftEdgeFixed = 0;
    if (BackDiffusionCut && !InhomogeneousSolvent && !SpeedScheduleOn) {
      NoRightTruncation = 0;
      WindowRight = WindowGrowth;
      ResizeMatrices(WindowRight);
    } else {
      NoRightTruncation = 1;
      WindowRight = N;
    }
  } else {
    if (v(1) > 0) {
      TruncationLevel = TruncationThreshold * Concentration[1];
    } else {
      float sum = 0.0f;
      for (int i = 1; i <= N; ++i) sum += static_cast<float>(v(i));
      TruncationLevel = TruncationThreshold * (sum / N);
    }
    WindowingOn = 0;
    LeftEdgeFixed = NoRightTruncation = 1;
    WindowLeft = 1;
    WindowRight = N;
  }

  SetLargestTimeStep(s, D);
  SetEndProbe();

  if (PhotophysicsOn) {
    BeamOn = 0;
    DarkStateFrozen = 0;
    if (!InitializeBurn()) ErrorBox("Error in InitializeBurn", false);
  }
  if (BandLoading || InitialProfileOn) TimeStep = 0.1;

  LastStepSize = 0;
  int tiny = 0, stationary = 0;
  while (ContinueLoop && !TridagError && !BlowUpError) {
    LastStepSize = TimeStep == 0 ? 1.0 : TimeStep;
    if (CosoluteOn) StepStartTime = CurrentTime;
    StepResult = static_cast<float>(FixedGridStep());
    if (WindowingOn) {
      UpdateLeftEdge();
      UpdateRightEdge(CurrentTime);
    }
    if (CosoluteOn) StepCosolute();
    if (SolventFactorsEachStep) {
      UpdateSolventFactors(Radius, N);
      AssembleMatrices(WindowRight);
      RebuildStepMatrices = 1;
    }
    CountTinySteps(tiny);
    CLEachIterationOutput(StepResult);
    StepResult = static_cast<float>(StepResult / LastStepSize);
    if (EndConditionMet()) ContinueLoop = 0;
    if (SteadyStateReached(LastStepSize, stationary)) WriteSteadyScans();
  }
  GridSizeChosen = 0;
}

double CLammIdeal::FixedGridStep() {
  double& dt = TimeStep;
  const double t = CurrentTime;
  PreviousTimeStep = 1.0;
  if (FixedTimeStep) dt = StepControl;
  SaveStepStart(*this);

  ClipProposedStep(*this, 1);
  StepLanding landing;
  if (!BeginStepLanding(t, landing)) return 1.0;
  const auto accept = [&] {
    AcceptStep();
    AcceptedStepLanding(landing);
  };

  CrankNicolsonStep(dt);
  if (TridagError) return 0.0;
  const bool dark = DarkPairInUse(*this);
  if (ProfileBlownUp(Concentration, GridSize) ||
      (PhotophysicsOn && ProfileBlownUp(DarkState, GridSize))) {
    BlowUpError = 1;
    return 0.0;
  }
  if ((BandLoading || InitialProfileOn) && t < 10) {
    RemoveTinyValues(Radius, Concentration, GridSize);
    if (dark) RemoveTinyValues(Radius, DarkState, GridSize);
  }
  if (SpeedScheduleOn) {
    RemoveNegativeWiggles(Radius, Concentration, GridSize);
    if (dark) RemoveNegativeWiggles(Radius, DarkState, GridSize);
  }

  if (StepCount != 0 && (landing.Lands(dt) || t + dt == StopTime)) {
    accept();
    return 1.0;
  }
  if (StepCount == 0 && (Concentration[1] > 0 || BandLoading || InitialProfileOn)) {
    const double first = dt;
    accept();
    return first;
  }
  if (FixedTimeStep) {
    accept();
    return 1.0;
  }

  double E = RelativeChange();
  while (E > StepControl) {
    if (ForcedReductions > 10) {
      BlowUpError = 1;
      break;
    }
    ProposeStep(*this, E, 1.0 / StepChangeFactor);
    if (0.8 * PreviousTimeStep <= dt && dt <= 1.2 * PreviousTimeStep) dt *= 0.5;
    LimitStepChange(*this, true);
    ClipProposedStep(*this, 1);
    ShortenedStepLanding(landing);
    CrankNicolsonStep(dt);
    if (TridagError) return 0.0;
    E = RelativeChange();
  }
  if (BlowUpError) return 0.0;
  ForcedReductions = 1;
  accept();

  if (E == 0) {
    dt *= 10;
  } else if (E < StepControlLow) {
    ProposeStep(*this, E, StepChangeFactor);
    if (0.9 * PreviousTimeStep <= dt && dt <= 1.1 * PreviousTimeStep) dt *= 2;
    LimitStepChange(*this, false);
  }
  if (StopPending && CurrentTime + dt > StopTime) dt = StopTime - CurrentTime;
  ClipProposedStep(*this, 0);
  LastRelativeChange = E;
  return E;
}

namespace {

// A profile as the step control reads it: c_i, plus the dark population
// while photobleaching keeps one apart. Chosen once per pass, so that the
// loops over the nodes carry no test of it.
template <bool Dark>
struct StepProfile {
  const double* c;
  const double* dark;
  double operator()(int i) const {
    if constexpr (Dark)
      return c[i] + dark[i];
    else
      return c[i];
  }
};

template <bool Dark>
double LargestValue(StepProfile<Dark> v, int L, int R) {
  double m = 0.0;
  for (int i = L; i <= R; ++i) m = std::max(m, v(i));
  return m;
}

// The largest relative change of nodes L..R-1 over the step, nodes whose
// start value is at most F left out: a node that rose from below the floor by
// more than F is measured against its right neighbour (else its left one)
// when that one is above it. One pass without branches: every node forms its
// candidate quotient, the selections are blends, and four running maxima
// keep the pass from waiting on one. The maximum of a set does not depend on
// the order it is read in, so the result is that of a scan node by node.
template <bool Dark>
double LargestNodeChange(StepProfile<Dark> v, StepProfile<Dark> old, int L, int R, double F) {
  const auto quotient = [&](int i, double below) {
    const double start = old(i), d = v(i) - start, above = old(i + 1);
    const double neighbour = above > F ? above : (below > F ? below : 0.0);
    const double denominator = start > F ? start : (d > F ? neighbour : 0.0);
    const double q = std::fabs(d) / (denominator > 0 ? denominator : 1.0);
    return denominator > 0 ? q : 0.0;
  };
  double e[4] = {0.0, 0.0, 0.0, 0.0};
  int i = L;
  // The first node of the cell has no left neighbour.
  if (i == 1 && i <= R - 1) e[0] = quotient(i++, 0.0);
  for (; i + 3 <= R - 1; i += 4)
    for (int k = 0; k < 4; ++k) e[k] = std::max(e[k], quotient(i + k, old(i + k - 1)));
  for (; i <= R - 1; ++i) e[0] = std::max(e[0], quotient(i, old(i - 1)));
  return std::max(std::max(e[0], e[1]), std::max(e[2], e[3]));
}

// Whether a node of L..R-1 dipped below -level, in the light or the dark.
bool Overshoots(const CLammIdeal& l, bool dark, int L, int R, double level) {
  for (int i = L; i <= R - 1; ++i)
    if (l.Concentration[i] < -level || (dark && l.DarkState[i] < -level)) return true;
  return false;
}

template <bool Dark>
double RelativeChangeOf(CLammIdeal& l, StepProfile<Dark> v, StepProfile<Dark> old) {
  const int L = l.WindowLeft, R = l.WindowRight;
  const double m = LargestValue(v, L, R);
  if (l.InhomogeneousSolvent && m < l.EndLevel) return 0.0;
  // A negative overshoot in the first seconds ends the step at once.
  const bool earlyOvershootMatters = !l.BandLoading && !l.InitialProfileOn && l.CurrentTime < 10;
  if (earlyOvershootMatters && Overshoots(l, Dark, L, R, l.TruncationLevel)) {
    ++l.ForcedReductions;
    return 2 * l.StepControl;
  }
  // Changes of values below this floor are insignificant.
  const double F = 1e-4 * std::max(m, l.StartMeniscusConcentration);
  double E = 0.0;
  if (v(R) > F && old(R) >= F) E = std::fabs(v(R) - old(R)) / old(R);
  return std::max(E, LargestNodeChange(v, old, L, R, F));
}

}  // namespace

double CLammIdeal::RelativeChange() {
  if (DarkPairInUse(*this))
    return RelativeChangeOf<true>(*this, {Concentration, DarkState},
                                  {PreviousConcentration, DarkStateOld});
  return RelativeChangeOf<false>(*this, {Concentration, nullptr}, {PreviousConcentration, nullptr});
}

void CLammIdeal::AcceptStep() {
  const double dt = TimeStep;
  if (PhotophysicsOn && BeamOn) ApplyBleaching(dt);
  ++StepCount;
  CurrentTime += dt;
  const double t = CurrentTime;
  if (PhotophysicsOn) {
    BeamOn = BeamStart <= t && t <= BeamEnd;
    if (BeamOn) DarkStateFrozen = 0;
    if (DarkResetTime > 0 && t >= DarkResetTime && !DarkStateFrozen) {
      // The dark population recovers once.
      RestoreBleached();
      DarkStateFrozen = 1;
    }
  }
  const auto followSpeed = [&] {
    CurrentRpm = RpmOverStep(t, dt);
    AssembleMatrices(SolventFactorsEachStep ? WindowRight : GridSize);
    ResizeMatrices(WindowRight);
  };
  if (t >= AccelerationEnd) {
    if (Accelerating) followSpeed();
    Accelerating = 0;
  }
  if (SpeedScheduleOn && !ScheduleDone) {
    if (Accelerating) followSpeed();
    UpdateSpeedStep(t);
  }
  if (-TruncationLevel < Concentration[1] && Concentration[1] < 0) CorrectMeniscusValue();
  if (PhotophysicsOn && -TruncationLevel < DarkState[1] && DarkState[1] < 0)
    CorrectMeniscusValueDark();
  if (ReportTotalAmount) TotalAmount = ComputeTotalAmount();
}

double CLammIdeal::ComputeTotalAmount() {
  const ProfileView v = Current(*this);
  double total = 0.0;
  for (int i = 1; i <= GridSize; ++i) total += NodeWeight(*this, i) * v(i);
  return total;
}

void CLammIdeal::CorrectMeniscusValue() {
  ReflectMeniscusValue(*this, Concentration);
}

void CLammIdeal::CorrectMeniscusValueDark() {
  ReflectMeniscusValue(*this, DarkState);
}

std::int32_t CLammIdeal::UpdateLeftEdge() {
  if (LeftEdgeFixed || GridSizeChosen) {
    WindowLeft = 1;
    return 1;
  }
  const ProfileView v = Current(*this);
  for (int i = WindowLeft; i <= WindowRight - 10; ++i) {
    if ((v(i) + v(i + 1) + v(i + 2)) / 3 > TruncationLevel) break;
    WindowLeft = i;
  }
  WindowLeft = std::min(WindowLeft, LeftEdgeLimit);
  return WindowLeft;
}

std::int32_t CLammIdeal::UpdateRightEdge(double t) {
  const int N = GridSize, R = WindowRight;
  if (NoRightTruncation || GridSizeChosen || (PhotophysicsOn && DarkStateFrozen)) {
    WindowRight = N;
    return N;
  }
  if (R == N) return N;
  const double q = SOmega2;
  if (SimulateAcceleration || SpeedScheduleOn)
    PlateauConcentration *= std::exp(-2 * q * (t - PlateauTime));
  else
    PlateauConcentration = StartMeniscusConcentration * std::exp(-2 * q * t);
  PlateauTime = t;
  PlateauLevel = (1 - TruncationLevel) * PlateauConcentration;
  const double* c = Concentration;
  int edge = R;
  for (int i = R; i >= R - WindowGrowth && i >= 3; --i) {
    if ((c[i] + c[i - 1] + c[i - 2]) / 3 < PlateauLevel) {
      // The boundary has come close to the edge of the window.
      edge = R + WindowGrowth;
      break;
    }
  }
  if (edge > R) {
    WindowRight = edge > N - 10 ? N : edge;
    ResizeMatrices(WindowRight);
  }
  return WindowRight;
}

void CLammIdeal::SetEndProbe() {
  const int N = GridSize;
  const double s = SedimentationCoeff;
  if (s > 0) {
    EndProbeIndex = N;
    for (int i = 1; i <= N; ++i) {
      if (Radius[i] > RightFitLimit) {
        EndProbeIndex = i;
        break;
      }
    }
  } else if (s < 0) {
    for (int i = 1; i <= N && Radius[i] <= LeftFitLimit; ++i) EndProbeIndex = i;
  }
  if (EndProbeIndex >= 1 && EndProbeIndex <= N)
    EndLevel = static_cast<float>(FixedGridTolerance * Current(*this)(EndProbeIndex));
  StoppedEarly = 0;
}

bool CLammIdeal::EndConditionMet() {
  if (InhomogeneousSolvent || BandLoading || InitialProfileOn) return false;
  // Without sedimentation there is no probe (and no end before the last
  // scan).
  if (EndProbeIndex < 1 || EndProbeIndex > GridSize) return false;
  if (Current(*this)(EndProbeIndex) < EndLevel || WindowLeft > EndProbeIndex) {
    StoppedEarly = 1;
    return true;
  }
  return false;
}
