// The time loop of the moving-frame solver for fast-sedimenting species.
//
// The interior nodes sit on a geometric grid in frame coordinates xi and ride
// outward (inward for flotation) with the sedimentation of a grid s: a node at
// xi is at the radius xi exp(kappa (t - t0)). After one shift interval every
// interior node stands where its outer neighbour stood at t0, so the
// concentrations move one index, the frame is re-based, and the whole-interval
// steps all meet the same, once factorised matrices. Meniscus and bottom stay
// in the cell; only the end elements change between shifts.

#include <algorithm>
#include <cmath>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

constexpr double kRpmToOmega = 2.0 * 3.14159265358979323846 / 60.0;
// Shift interval of a frame that does not move, s.
constexpr double kFrozenFrameInterval = 1e10;
// A sector of 2 degrees (in radians) and 1.2 cm high: the amount in the cell.
constexpr double kSectorVolumeFactor = 1.2 * 0.03490658503988659;
// Steps at least this long whose relative change per second stays below the
// steady-state rate count toward the steady-state stop (s).
constexpr double kSteadyStepLength = 30.0;
constexpr int kSteadyStepCount = 10;
// Beyond these magnitudes a profile has blown up.
constexpr double kBlowUpLimit = 1e100;

// Whether t is the end of the shift interval that started at t0. The time
// accumulates over many steps, so the test allows a few units in the last
// place of t besides the absolute tolerance.
bool AtShiftPoint(double t, double t0, double interval) {
  const double ulp = std::nextafter(std::fabs(t), INFINITY) - std::fabs(t);
  return std::fabs(t - t0 - interval) < std::max(1e-10, 8.0 * ulp);
}

// Readings of the settled-profile test are this far apart at least (s): the
// fixed grid's longest step. Nearer readings would take the small change
// that each shift of the frame leaves in the profile (some 1e-4 of it, the
// same at every shift) for a profile still on its way.
constexpr double kSettleReadingInterval = 1000.0;

// After the last scan of a run kept going beyond it: the frame's own step
// change does not show whether the profile in the cell has settled (its
// nodes ride on), so the profile is read at fixed radii every
// kSettleReadingInterval seconds, and the fixed grid's rule applies to the
// relative change per second between two readings.
class SettledProfile {
 public:
  bool Reached(CLammIdeal& l) {
    if (!l.RunBeyondLastScan || l.NextOutputTime < CLammIdeal::RunOnEndTime) return false;
    const int n = l.GridSize;
    if (radii_.empty()) {
      radii_.resize(static_cast<std::size_t>(n) + 1);
      for (int i = 1; i <= n; ++i)
        radii_[static_cast<std::size_t>(i)] =
            l.Meniscus + (l.Bottom - l.Meniscus) * (i - 1) / (n - 1);
      Read(l, previous_);
      lastTime_ = l.CurrentTime;
      return false;
    }
    const double elapsed = l.CurrentTime - lastTime_;
    if (elapsed < kSettleReadingInterval) return false;
    Read(l, current_);
    const double rate = RelativeChange() / elapsed;
    current_.swap(previous_);
    lastTime_ = l.CurrentTime;
    steady_ = rate < l.SteadyStateRate ? steady_ + 1 : 0;
    return steady_ > kSteadyStepCount;
  }

 private:
  void Read(CLammIdeal& l, std::vector<double>& out) {
    l.UpdateFrameRadii();
    out.assign(radii_.size(), 0.0);
    InterpolateInsideDouble(l.GridSize, radii_.data(), out.data(), l.GridSize, l.Radius,
                            l.Concentration);
  }
  // The largest change relative to the earlier value, over the values above
  // 1e-4 of the largest (smaller ones are insignificant).
  double RelativeChange() const {
    double top = 0.0;
    for (std::size_t i = 1; i < previous_.size(); ++i) top = std::max(top, previous_[i]);
    const double floor = 1e-4 * top;
    double e = 0.0;
    for (std::size_t i = 1; i < previous_.size(); ++i)
      if (previous_[i] > floor)
        e = std::max(e, std::fabs(current_[i] - previous_[i]) / previous_[i]);
    return e;
  }

  std::vector<double> radii_, previous_, current_;
  double lastTime_ = 0.0;
  int steady_ = 0;
};

bool Finite(double c) {
  return std::fabs(c) <= kBlowUpLimit;  // false for NaN too
}

// The profile has left the numbers: values beyond 1e100 or not a number. The
// end nodes are watched at every step (a NaN spreads over the whole profile
// in one tridiagonal solution); the whole profile at every scan.
bool ProfileBlewUp(const CLammIdeal& l, bool wholeProfile) {
  const int n = l.GridSize;
  if (!Finite(l.Concentration[1]) || !Finite(l.Concentration[n])) return true;
  if (!wholeProfile) return false;
  for (int i = 2; i < n; ++i)
    if (!Finite(l.Concentration[i])) return true;
  return false;
}

}  // namespace

// --- Frame ---

double CLammIdeal::FrameStretchAt(double x) const {
  return std::exp(GridSedimentationRate * x);
}

void CLammIdeal::SetFrameBoundaries(double x) {
  FrameStretch = FrameStretchAt(x);
  FrameGrid[1] = Meniscus / FrameStretch;
  FrameGrid[GridSize] = Bottom / FrameStretch;
}

void CLammIdeal::SetUpFrameGrid() {
  const int n = GridSize;
  BottomMeniscusRatio = Bottom / Meniscus;
  const double omega = CurrentRpm * kRpmToOmega;
  SedimentationRate = omega * omega * SedimentationCoeff * 1e-13;
  const double sGrid = AutoSGridValue;
  // The frame keeps its rate for the whole run. Under a speed program the
  // speed at set-up is that of the first seconds of the first ramp; the frame
  // takes the program's final speed instead, as it does after a simulated
  // ramp, so that it does not crawl through the run.
  const double frameOmega = (SpeedScheduleOn ? FinalRpm : CurrentRpm) * kRpmToOmega;
  GridSedimentationRate = frameOmega * frameOmega * sGrid * 1e-13;
  FrameOriginTime = CurrentTime;
  ShiftInterval = GridSedimentationRate != 0.0
                      ? std::log(BottomMeniscusRatio) / (std::fabs(GridSedimentationRate) * (n - 1))
                      : kFrozenFrameInterval;
  GridRatio = std::pow(BottomMeniscusRatio, 1.0 / (n - 1));
  FrameGrid[1] = Meniscus;
  if (sGrid >= 0) {
    // The first interior node half a ratio step from the meniscus, the last
    // one and a half steps from the bottom: the nodes move outward.
    for (int i = 2; i <= n - 1; ++i)
      FrameGrid[i] = Meniscus * std::pow(BottomMeniscusRatio, (i - 1.5) / (n - 1));
  } else {
    FrameGrid[2] = Meniscus * std::pow(BottomMeniscusRatio, 1.5 / (n - 1));
    for (int i = 3; i <= n - 1; ++i) FrameGrid[i] = FrameGrid[i - 1] * GridRatio;
  }
  FrameGrid[n] = Bottom;
  for (int i = 1; i <= n; ++i) Radius[i] = FrameGrid[i];
  FrameStretch = 1.0;
}

void CLammIdeal::UpdateFrameRadii() {
  if (!WorkArraysAllocated || !FrameGrid) return;
  const int n = GridSize;
  const double e = FrameStretchAt(CurrentTime - FrameOriginTime);
  Radius[1] = Meniscus;
  for (int i = 2; i <= n - 1; ++i) Radius[i] = FrameGrid[i] * e;
  Radius[n] = Bottom;
}

double CLammIdeal::MovingFrameTotalAmount() const {
  const double e = FrameStretchAt(CurrentTime - FrameOriginTime);
  double sum = 0.0;
  for (int i = 1; i <= GridSize; ++i) sum += FrameNodeWeight(i) * Concentration[i];
  return kSectorVolumeFactor * e * e * sum;
}

void CLammIdeal::DampRunawayValues() {
  if (DiffusionCoeff > 2e-8) return;
  const int n = GridSize;
  double* c = Concentration;
  if (SedimentationCoeff > 0 && std::fabs(c[n]) >= 1e30) {
    for (int i = n; i >= std::max(1, n - 20); --i)
      if (std::fabs(c[i]) > 1e35) c[i] *= 0.1;
  } else if (SedimentationCoeff < 0 && std::fabs(c[1]) >= 1e15) {
    for (int i = 1; i <= std::min(n, 20); ++i)
      if (std::fabs(c[i]) > 1e15) c[i] *= 0.1;
  }
}

double CLammIdeal::BottomSlope() const {
  const int n = GridSize;
  const double e = FrameStretchAt(CurrentTime - FrameOriginTime);
  const double r1 = FrameGrid[n - 2] * e, r2 = FrameGrid[n - 1] * e, b = Bottom;
  const double* c = Concentration;
  const double last = (c[n] - c[n - 1]) / (b - r2);
  return last + (last - (c[n - 1] - c[n - 2]) / (r2 - r1)) * (b - r2) / (b - r1);
}

double CLammIdeal::MeniscusSlope() const {
  const double e = FrameStretchAt(CurrentTime - FrameOriginTime);
  const double r2 = FrameGrid[2] * e, r3 = FrameGrid[3] * e, m = Meniscus;
  const double* c = Concentration;
  const double first = (c[2] - c[1]) / (r2 - m);
  return first - ((c[3] - c[2]) / (r3 - r2) - first) * (r2 - m) / (r3 - m);
}

// --- Grid shift ---

namespace {

// The shift for sedimentation: concentrations move one node toward the
// bottom. The new bottom pair keeps the amount beyond the new node N - 1; at
// the meniscus the old profile is read at the new node 2 (or, without
// diffusion, the depleted meniscus keeps the amount of the first element).
void ShiftTowardBottom(CLammIdeal& l, double e) {
  const int n = l.GridSize;
  const double* x = l.FrameGrid;
  const auto& w = l.ShiftWeights;
  const double p2 = w[1], p4 = w[3], q1 = w[4], q2 = w[5], q3 = w[6], q4 = w[7];
  const double e2 = e * e, m = l.Meniscus;
  double* c = l.Concentration;
  const double amount =
      (c[n - 2] * q4 + l.FrameNodeWeight(n - 1) * c[n - 1] + l.FrameNodeWeight(n) * c[n]) * e2;
  double last1 = c[n - 2];
  double last = (amount - c[n - 2] * q3) / q1;
  if (l.SedimentationCoeff > 0 && last < last1) last1 = last = (last1 * q2 + last * q1) / (q1 + q2);
  double first, second;
  if (l.DiffusionCoeff != 0 || l.SedimentationCoeff <= 1e-10) {
    first = c[1];
    second = c[1] + (x[2] - m) * (c[2] - c[1]) / ((x[2] - x[1]) * e);
  } else {
    first = 0.0;
    second = (((x[2] - x[1]) * (2 * x[2] + x[1]) / 6 * e2 - p4) * c[2] +
              l.FrameNodeWeight(1) * e2 * c[1]) /
             p2;
  }
  c[n] = last;
  c[n - 1] = last1;
  for (int i = n - 2; i >= 3; --i) c[i] = c[i - 1];
  c[2] = second;
  c[1] = first;
  std::copy(c + 1, c + n + 1, l.PreviousConcentration + 1);
}

// The mirror for flotation: concentrations move one node toward the meniscus.
void ShiftTowardMeniscus(CLammIdeal& l, double e) {
  const int n = l.GridSize;
  const double* x = l.FrameGrid;
  const auto& w = l.ShiftWeights;
  const double p1 = w[0], p2 = w[1], p3 = w[2], p4 = w[3], q2 = w[5], q4 = w[7];
  const double e2 = e * e, b = l.Bottom, s = l.SedimentationCoeff;
  double* c = l.Concentration;
  double last, last1;
  if (l.DiffusionCoeff != 0 || std::fabs(s) <= 1e-10) {
    last = c[n];
    last1 = c[n] + (x[n - 1] - b) * (c[n - 1] - c[n]) / ((x[n - 1] - x[n]) * e);
  } else {
    const double amount =
        (c[n - 1] * (x[n] * x[n] + x[n - 1] * x[n] - 2 * x[n - 1] * x[n - 1]) / 6 +
         l.FrameNodeWeight(n) * c[n]) *
        e2;
    last = 0.0;
    last1 = (amount - q4 * c[n - 1]) / q2;
  }
  const double amount =
      (c[3] * p4 + l.FrameNodeWeight(2) * c[2] + l.FrameNodeWeight(1) * c[1]) * e2;
  double second = c[3];
  double first = (amount - p3 * c[3]) / p1;
  if (s < 0 && first < second) first = second = (second * p2 + first * p1) / (p1 + p2);
  c[1] = first;
  c[2] = second;
  for (int i = 3; i <= n - 2; ++i) c[i] = c[i + 1];
  c[n - 1] = last1;
  c[n] = last;
  std::copy(c + 1, c + n + 1, l.PreviousConcentration + 1);
}

}  // namespace

void CLammIdeal::ShiftFrameGrid() {
  const double x = CurrentTime - FrameOriginTime;
  SetFrameBoundaries(x);
  const double e = FrameStretch;
  FrameStretchAtShift = e;
  FrameStretchSquared = e * e;
  // The concentrations move the way the nodes have moved, which is the sign
  // of the grid s: a species may float on a frame moving outward when the
  // grid s is set by hand.
  if (GridSedimentationRate >= 0)
    ShiftTowardBottom(*this, e);
  else
    ShiftTowardMeniscus(*this, e);
  FrameGrid[1] = Meniscus;
  FrameGrid[GridSize] = Bottom;
  FrameStretch = 1.0;
  FrameOriginTime = CurrentTime;
}

// --- Time loop ---

bool CLammIdeal::StartMovingFrame() {
  FixedTimeStep = 1;
  if (!WorkArraysAllocated) return false;
  // The frame grid needs two interior elements besides the two end elements.
  if (GridSize < 5) {
    BlowUpError = 1;
    return false;
  }
  // The frame follows the species; in an inhomogeneous solvent its s in the
  // solvent at the reference point.
  if (AutoSGrid)
    AutoSGridValue = InhomogeneousSolvent ? EffectiveGridS(SedimentationCoeff) : SedimentationCoeff;
  if (std::fabs(AutoSGridValue) < 1 && StepControl >= 1) StepControl = 0.1;
  StepResult = 1.0f;
  TridagError = BlowUpError = 0;
  if (InhomogeneousSolvent) {
    // The nodes take the solvent factors of their radii at set-up (where
    // frame and cell coincide) before the matrices are made from them.
    SetUpFrameGrid();
    SetUpSolventFactors(FrameGrid, GridSize);
  }
  AssembleFrameMatrices();
  TimeStep = 1.0;
  if (CosoluteOn) SetUpCosolute();
  FrameStep = GridSedimentationRate != 0.0 ? StepControl * ShiftInterval : StepControl;
  IntervalStepping = StartUpSteps = UseIntervalMatrices = 0;
  StepToShiftPoint = WholeIntervalNext = 0;
  IntervalMatricesPlateau = -1;
  if (FrameStep >= ShiftInterval) {
    FrameStep = ShiftInterval;
    PrepareIntervalMatrices();
    IntervalStepping = StartUpSteps = 1;
  }
  FirstStep = 1;
  // The whole grid is always solved: no window is left over from another run
  // for the early-end test to read.
  WindowLeft = 1;
  WindowRight = GridSize;
  SetEndProbe();
  return !TridagError;
}

void CLammIdeal::PropagateMovingFrame() {
  if (!StartMovingFrame()) return;
  int steadySteps = 0;
  SettledProfile settled;
  while (ContinueLoop && !TridagError && !BlowUpError) {
    const double previousStep = TimeStep;
    if (CosoluteOn) StepStartTime = CurrentTime;
    StepResult = MovingFrameTimeStep();
    if (TridagError) break;
    if (CosoluteOn) StepCosolute();
    if (SolventFactorsEachStep) FollowCosolute();
    if (ProfileBlewUp(*this, CurrentTime >= NextOutputTime)) {
      BlowUpError = 1;
      break;
    }
    CLEachIterationOutput(StepResult);
    StepResult = static_cast<float>(StepResult / previousStep);
    if (EndConditionMet()) ContinueLoop = 0;
    if (previousStep >= kSteadyStepLength && StepResult < SteadyStateRate)
      ++steadySteps;
    else
      steadySteps = 0;
    if (steadySteps > kSteadyStepCount) {
      // Scans not reached are cleared afterwards, as after any early end.
      StoppedEarly = 1;
      ContinueLoop = 0;
    }
    if (ContinueLoop && settled.Reached(*this)) ContinueLoop = 0;
  }
}

namespace {

// Free stepping: steps of FrameStep that never cross a shift point; the grid
// shifts at the start of the step that follows one.
float FreeFrameStep(CLammIdeal& l) {
  double dt = l.FrameStep;
  if (AtShiftPoint(l.CurrentTime, l.FrameOriginTime, l.ShiftInterval)) l.ShiftFrameGrid();
  const double shiftPoint = l.FrameOriginTime + l.ShiftInterval;
  if (l.CurrentTime + dt > shiftPoint) dt = shiftPoint - l.CurrentTime;
  l.TimeStep = dt;
  dt = l.ClipTimeStep(0, nullptr);
  std::copy(l.Concentration + 1, l.Concentration + l.GridSize + 1, l.PreviousConcentration + 1);
  if (l.StopPending && l.CurrentTime + dt > l.StopTime) {
    l.StopPending = 0;
    dt = l.StopTime - l.CurrentTime;
  }
  if (dt <= 0) {
    l.TimeStep = 1.0;
    return 1.0f;
  }
  const bool firstStep = l.StepCount == 0;
  l.TimeStep = dt;
  l.MovingFrameStep(dt);
  if (l.TridagError) return 1.0f;
  l.AdvanceMovingFrameTime();
  return firstStep ? static_cast<float>(dt) : 1.0f;
}

// An event inside the step ends it there; a cut step is followed by a step
// to the shift point before whole intervals resume.
struct StepLimit {
  CLammIdeal& l;
  double& dt;
  void EndAt(double event) {
    if (l.CurrentTime < event && l.CurrentTime + dt > event) {
      dt = event - l.CurrentTime;
      Cut();
    }
  }
  void AtMost(double longest) {
    if (dt > longest) {
      dt = longest;
      Cut();
    }
  }
  void Cut() {
    l.WholeIntervalNext = l.UseIntervalMatrices = 0;
    l.StepToShiftPoint = 1;
  }
};

// The events that a step toward the shift point or over a whole interval
// must not pass: the next scan, the end of a ramp, the start of a speed step,
// the next profile time.
void LimitIntervalStep(CLammIdeal& l, double& dt) {
  StepLimit limit{l, dt};
  if (l.StopPending) limit.EndAt(l.StopTime);
  if (l.SimulateAcceleration && l.Accelerating && !l.SpeedScheduleOn) {
    limit.AtMost(l.AccelerationMaxStep);
    limit.EndAt(l.AccelerationEnd);
  }
  if (l.SpeedScheduleOn && !l.ScheduleDone) {
    if (!l.Accelerating && l.ScheduleStep < l.ScheduleStepCount)
      limit.EndAt(l.ScheduleStart[l.ScheduleStep + 1]);
    if (l.Accelerating) {
      limit.AtMost(l.AccelerationMaxStep);
      limit.EndAt(l.ScheduleRampEnd[l.ScheduleStep]);
    }
  }
  // A whole-interval step must span the whole interval: a profile time
  // inside it cuts it too.
  if (l.ProfileOutputOn) limit.EndAt(l.ProfileNextTime);
}

// The length of the next interval step and the stepping state it leaves.
double ChooseIntervalStep(CLammIdeal& l) {
  const double t = l.CurrentTime, shiftPoint = l.FrameOriginTime + l.ShiftInterval;
  double dt = l.TimeStep;
  if (l.StopPending && t + dt > l.StopTime && l.StopTime <= shiftPoint) {
    // Land on the scan time inside this interval, then return to the shift
    // point.
    l.TimeStep = l.StepCount <= 1 ? 1.0 : l.StopTime - t;
    dt = l.ClipTimeStep(0, nullptr);
    if (l.StopPending && t + dt > l.StopTime) {
      l.StopPending = 0;
      dt = l.StopTime - t;
    }
    if (l.StopTime - t == dt) l.StopPending = 0;
    l.StepToShiftPoint = 1;
    l.FirstStep = l.StartUpSteps = l.UseIntervalMatrices = 0;
    return dt;
  }
  if (l.StartUpSteps) {
    // Two start-up steps, 1 s and a tenth of the interval, before the step to
    // the shift point.
    l.UseIntervalMatrices = 0;
    if (l.FirstStep) {
      l.FirstStep = l.StepToShiftPoint = 0;
      l.TimeStep = std::min(1.0, l.ShiftInterval);
    } else {
      l.StartUpSteps = 0;
      l.StepToShiftPoint = 1;
      // Never past the shift point, which a first step of 1 s may have
      // come close to.
      l.TimeStep = std::min(0.1 * l.ShiftInterval, shiftPoint - t);
    }
    return l.ClipTimeStep(0, nullptr);
  }
  if (l.StepToShiftPoint) {
    l.StepToShiftPoint = 0;
    l.WholeIntervalNext = 1;
    l.UseIntervalMatrices = 0;
    dt = shiftPoint - t;
  } else if (l.WholeIntervalNext) {
    l.WholeIntervalNext = l.StepToShiftPoint = 0;
    l.UseIntervalMatrices = 1;
    dt = l.ShiftInterval;
  }
  LimitIntervalStep(l, dt);
  return dt;
}

// Keeps the meniscus (sedimentation) or bottom (flotation) node from going
// negative: the step is repeated at half length, and below 0.1 s the small
// negative amount is given to the neighbour, keeping the node weights'
// amount.
void GuardBoundaryNode(CLammIdeal& l, double& dt) {
  const int n = l.GridSize;
  const int node = l.SedimentationCoeff >= 0 ? 1 : n;
  const int neighbour = l.SedimentationCoeff >= 0 ? 2 : n - 1;
  // A shortened step that was to land on the scan time leaves it ahead.
  const bool landing = l.CurrentTime + dt == l.StopTime;
  while (!l.TridagError && l.Concentration[node] < -0.001) {
    StepLimit{l, dt}.Cut();
    if (dt / 2 <= 0.1) {
      // The node weights of the end elements at the end of the step, where
      // the profile now stands.
      l.SetFrameBoundaries(l.CurrentTime + dt - l.FrameOriginTime);
      double* c = l.Concentration;
      c[neighbour] += l.FrameNodeWeight(node) * c[node] / l.FrameNodeWeight(neighbour);
      l.PreviousConcentration[neighbour] = c[neighbour];
      c[node] = l.PreviousConcentration[node] = 0.0;
      break;
    }
    dt /= 2;
    if (landing) l.StopPending = 1;
    l.TimeStep = dt;
    l.MovingFrameStep(dt);
  }
}

float IntervalFrameStep(CLammIdeal& l) {
  double dt = ChooseIntervalStep(l);
  std::copy(l.Concentration + 1, l.Concentration + l.GridSize + 1, l.PreviousConcentration + 1);
  if (dt <= 0) {
    l.TimeStep = 1.0;
    return 1.0f;
  }
  l.TimeStep = dt;
  l.MovingFrameStep(dt);
  GuardBoundaryNode(l, dt);
  if (l.TridagError) return 1.0f;
  l.TimeStep = dt;
  l.AdvanceMovingFrameTime();
  if (l.UseIntervalMatrices || AtShiftPoint(l.CurrentTime, l.FrameOriginTime, l.ShiftInterval))
    l.ShiftFrameGrid();
  return 1.0f;
}

}  // namespace

// The factors of a sedimenting co-solute after a step: read where the nodes
// now are in the cell (the co-solute's profile is in cell radii), then the
// matrices again.
void CLammIdeal::FollowCosolute() {
  UpdateFrameRadii();
  UpdateSolventFactors(Radius, GridSize);
  ReassembleForSpeed();
}

float CLammIdeal::MovingFrameTimeStep() {
  return IntervalStepping ? IntervalFrameStep(*this) : FreeFrameStep(*this);
}

void CLammIdeal::AdvanceMovingFrameTime() {
  const double dt = TimeStep;
  ++StepCount;
  CurrentTime += dt;
  const double t = CurrentTime;
  if (t >= AccelerationEnd && Accelerating) {
    CurrentRpm = RpmOverStep(t, dt);
    ReassembleForSpeed();
    Accelerating = 0;
  }
  if (SpeedScheduleOn && !ScheduleDone) {
    if (Accelerating) {
      CurrentRpm = RpmOverStep(t, dt);
      ReassembleForSpeed();
    }
    UpdateSpeedStep(t);
  }
  if (ReportTotalAmount) {
    SetFrameBoundaries(t - FrameOriginTime);
    TotalAmount = MovingFrameTotalAmount();
  }
}
