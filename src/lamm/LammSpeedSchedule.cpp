// The rotor speed inside the solver. Without a speed program the rotor ramps
// from rest at the acceleration recorded with the first scan up to the speed
// of the last scan, and each step during the ramp sediments at the
// root-mean-square speed of its two ends. With a speed program the rotor
// follows steps of start time, target speed and acceleration; time steps are
// clipped so that they end at every ramp end and every step start.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/CRotorSpeedProfile.h"
#include "lamm/CLammIdeal.h"
#include "numerics/ConstantShorthands.h"
#include "ui/Boxes.h"

namespace {

// Ramps shorter than this are taken as jumps to the target speed (s).
constexpr double kShortestRamp = 10.0;
// Scans may deviate this much from the program's speed (rpm).
constexpr double kRpmTolerance = 100.0;

}  // namespace

void CLammIdeal::ClearAccelerationCheck() {
  CheckAcceleration = 0;
}

void CLammIdeal::SetStartTime(double t0) {
  StartTime = t0;
}

void CLammIdeal::SetMaxTimeStep(double dtMax) {
  if (dtMax <= 0) return;
  MaxTimeStepSet = 1;
  MaxTimeStepValue = dtMax;
}

void CLammIdeal::SetRotorSpeedProfile(const CRotorSpeedProfile* profile, double /*shutOffFactor*/) {
  if (!profile) return;
  LoadSpeedSchedule(profile->SpeedStepCount(), profile->StepStart(), profile->StepRpm(),
                    profile->StepAcceleration(), profile->ScheduleMode());
}

void CLammIdeal::ComputeScheduleRampEnds() {
  const int n = ScheduleStepCount;
  ScheduleRampEnd = OneBasedArray<double>(1, n);
  // The first step accelerates from rest at time 0.
  ScheduleRampEnd[1] = ScheduleRpm[1] / ScheduleAcceleration[1];
  for (int i = 2; i <= n; ++i) {
    const double change = std::fabs(ScheduleRpm[i] - ScheduleRpm[i - 1]);
    // A step without a change of speed has no ramp (and 0/0 no meaning).
    ScheduleRampEnd[i] =
        change == 0 ? ScheduleStart[i] : change / ScheduleAcceleration[i] + ScheduleStart[i];
  }
  // A ramp that would run into the next step ends a second before it.
  for (int i = 1; i <= n - 1; ++i)
    if (ScheduleRampEnd[i] > ScheduleStart[i + 1]) ScheduleRampEnd[i] = ScheduleStart[i + 1] - 1;
}

void CLammIdeal::LoadSpeedSchedule(std::int32_t n, const float* starts, const float* rpms,
                                   const float* accelerations, std::int32_t mode) {
  if (n < 1 || !starts || !rpms || !accelerations) return;
  ScheduleStepCount = n;
  ScheduleStart = OneBasedArray<double>(1, n);
  ScheduleRpm = OneBasedArray<double>(1, n);
  ScheduleAcceleration = OneBasedArray<double>(1, n);
  for (int i = 1; i <= n; ++i) {
    ScheduleStart[i] = starts[i];
    ScheduleRpm[i] = rpms[i];
    ScheduleAcceleration[i] = accelerations[i];
  }
  ComputeScheduleRampEnds();
  SpeedScheduleOn = 1;
  CheckAcceleration = 0;
  FinalRpm = ScheduleRpm[n];
  ScheduleAtSpeed = ScheduleDone = 0;
  ScheduleStep = 1;
  if (mode >= 1) CheckScansAgainstSchedule(mode);
}

void CLammIdeal::CheckScansAgainstSchedule(std::int32_t mode) {
  if (!ParametersValid || !ScanHeaders) {
    ErrorBox("can't check rotor speeds - data not loaded");
    return;
  }
  if (!ScanList) return;
  for (int j = 1; j <= ScanCount; ++j) {
    ScanHeader& header = ScanHeaders[ScanList[j]];
    const double predicted = ScheduleRpmAt(header.RecordedTime);
    if (mode == 1 && std::fabs(header.Rpm - predicted) > kRpmTolerance) {
      char text[200];
      std::snprintf(text, sizeof text,
                    "\nrotor speed scan #%d is %f, incompatible with schedule at time %f "
                    "predicting %.0f",
                    j, static_cast<double>(header.Rpm), header.RecordedTime, predicted);
      ErrorBox(text);
    }
    if (mode == 2) header.Rpm = static_cast<float>(predicted);
  }
}

double CLammIdeal::ScheduleRpmAt(double t) const {
  double rpm = 0.0;
  for (int i = 1; i <= ScheduleStepCount; ++i) {
    if (t < ScheduleStart[i]) continue;
    if (t > ScheduleRampEnd[i]) {
      rpm = ScheduleRpm[i];
      continue;
    }
    const double u = t - ScheduleStart[i];
    if (i == 1)
      rpm = u * ScheduleAcceleration[1];
    else if (ScheduleRpm[i] >= ScheduleRpm[i - 1])
      rpm = ScheduleRpm[i - 1] + u * ScheduleAcceleration[i];
    else
      rpm = ScheduleRpm[i - 1] - u * ScheduleAcceleration[i];
  }
  return rpm;
}

void CLammIdeal::NoteSpeedPlateau(double rpm) {
  ++SpeedPlateauCount;
  SpeedPlateauRpm = rpm;
}

void CLammIdeal::InitRotorSpeed() {
  Accelerating = SimulateAcceleration || SpeedScheduleOn;
  AccelerationMaxStep = 10.0;
  const ScanHeader* first = FirstListedScan();
  const ScanHeader* last = LastListedScan();
  if (first && last) {
    Acceleration = first->RampAcceleration;
    FinalRpm = last->Rpm;
  }
  // Without a simulated ramp the rotor runs at its final speed from the start.
  CurrentRpm = FinalRpm;
  AccelerationEnd = 0;
  if (SimulateAcceleration && first) AccelerationEnd = first->RampDuration;
  if (!SimulateAcceleration || AccelerationEnd < kShortestRamp) {
    AccelerationEnd = 0;
    Accelerating = 0;
  }
  if (SpeedScheduleOn) {
    const int n = ScheduleStepCount;
    AccelerationEnd = ScheduleRampEnd[1];
    Acceleration = ScheduleAcceleration[1];
    FinalRpm = ScheduleRpm[n];
    ScheduleStep = 1;
    if (ScheduleRampEnd[1] - ScheduleStart[1] < kShortestRamp) AccelerationEnd = 0;
    // The program's own first ramp decides, not the ramp recorded with the
    // scans: the first step is then limited like every later ramp step.
    Accelerating = AccelerationEnd > 0;
    ScheduleAtSpeed = ScheduleDone = 0;
    // The rms speed of the first maximal step of the ramp.
    const double r = ScheduleRpmAt(AccelerationMaxStep);
    CurrentRpm = std::sqrt(r * r / 2);
  }
  const double omega = FinalRpm * kRpmToOmega;
  OmegaSquaredS = omega * omega * SedimentationCoeff * 1e-13;
  SpeedPlateauCount = 0;
  SpeedPlateauRpm = 0.0;
  if (!Accelerating && !SpeedScheduleOn) NoteSpeedPlateau(FinalRpm);
}

void CLammIdeal::LimitAccelerationStep() {
  if (!SimulateAcceleration || !FixedGrid || AutomaticAlgorithm) return;
  const double a = OptimizeGridSpacing && AutoGridSize ? SwitchThresholdOptimized : SwitchThreshold;
  const ScanHeader* last = LastListedScan();
  const double w = std::pow((last ? last->Rpm : 0.0) * 3.3333333333333335e-05, 2.0);
  // Species fast enough for the moving frame need finer steps on the ramp.
  if (std::fabs(SedimentationCoeff) > a / w) AccelerationMaxStep = 1.0;
}

double CLammIdeal::RpmOverStep(double t, double dt) {
  if (SpeedScheduleOn) {
    const int e = ScheduleStep;
    if (ScheduleRampEnd[e] - ScheduleStart[e] < kShortestRamp) return ScheduleRpm[e];
    const double a = ScheduleRpmAt(t), b = ScheduleRpmAt(t + dt);
    const double r = std::sqrt((a * a + b * b) / 2);
    if (e == 1 || ScheduleRpm[e] >= ScheduleRpm[e - 1]) return std::min(r, ScheduleRpm[e]);
    return std::max(r, ScheduleRpm[e]);
  }
  if (AccelerationEnd < kShortestRamp || t >= AccelerationEnd) {
    if (Accelerating) NoteSpeedPlateau(FinalRpm);
    Accelerating = 0;
    return FinalRpm;
  }
  const double a = Acceleration * t, b = Acceleration * (t + dt);
  return std::min(std::sqrt((a * a + b * b) / 2), FinalRpm);
}

void CLammIdeal::UpdateSpeedStep(double t) {
  if (!SpeedScheduleOn || ScheduleDone) return;
  const int previousStep = ScheduleStep;
  const bool wasAtSpeed = ScheduleAtSpeed;
  Accelerating = 0;
  ScheduleAtSpeed = 1;
  for (int i = 1; i <= ScheduleStepCount; ++i) {
    if (t < ScheduleStart[i]) continue;
    ScheduleStep = i;
    const bool ramping = t < ScheduleRampEnd[i];
    Accelerating = ramping;
    ScheduleAtSpeed = !ramping;
  }
  if (ScheduleAtSpeed && ScheduleStep == ScheduleStepCount) ScheduleDone = 1;
  if (ScheduleAtSpeed && (!wasAtSpeed || ScheduleStep != previousStep))
    NoteSpeedPlateau(ScheduleRpm[ScheduleStep]);
}

bool CLammIdeal::ScheduleSettled(double t) const {
  if (!SpeedScheduleOn) return false;
  int inForce = 0;
  for (int i = 1; i <= ScheduleStepCount; ++i)
    if (t >= ScheduleStart[i]) inForce = i;
  if (inForce == ScheduleStepCount) return true;
  const double target = inForce > 0 ? ScheduleRpm[inForce] : 0.0;
  for (int i = inForce + 1; i <= ScheduleStepCount; ++i)
    if (ScheduleRpm[i] < target) return false;
  return true;
}

double CLammIdeal::ClipTimeStep(std::uint8_t setFlag, std::uint8_t* clipped) {
  std::uint8_t unused = 0;
  std::uint8_t& wasClipped = clipped ? *clipped : unused;
  const double t = CurrentTime;
  double dt = TimeStep;
  // Each clip only shortens a step that would pass an event still ahead.
  const auto endAt = [&](double event, bool mark) {
    if (t < event && t + dt > event) {
      dt = event - t;
      if (mark && setFlag) wasClipped = 1;
    }
  };
  if (SimulateAcceleration && Accelerating && !SpeedScheduleOn) {
    dt = std::min(dt, AccelerationMaxStep);
    if (!wasClipped) endAt(AccelerationEnd, true);
  }
  if (SpeedScheduleOn && !ScheduleDone) {
    if (Accelerating) {
      dt = std::min(dt, AccelerationMaxStep);
      if (!wasClipped) endAt(ScheduleRampEnd[ScheduleStep], true);
    } else if (ScheduleStep < ScheduleStepCount) {
      endAt(ScheduleStart[ScheduleStep + 1], true);
    }
  }
  if (ProfileOutputOn) endAt(ProfileNextTime, false);
  TimeStep = dt;
  return dt;
}

bool CLammIdeal::BeginStepLanding(double t, StepLanding& landing) {
  landing = StepLanding{};
  if (StopPending && t + TimeStep > StopTime) {
    StopPending = 0;
    TimeStep = StopTime - t;
    landing.OnStop = true;
    landing.Step = TimeStep;
  }
  // A stop time already reached (scans at equal times, or before the
  // start) takes no step.
  if (TimeStep > 0) return true;
  TimeStep = 1.0;
  return false;
}

void CLammIdeal::ShortenedStepLanding(StepLanding& landing) {
  if (landing.OnStop && TimeStep != landing.Step) {
    // The shorter step no longer reaches the scan time: the next one must.
    StopPending = 1;
    landing.OnStop = false;
  }
}

void CLammIdeal::AcceptedStepLanding(const StepLanding& landing) {
  if (landing.Lands(TimeStep)) CurrentTime = StopTime;
}
