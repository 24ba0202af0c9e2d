#include "equilibrium/ApproachToEqSim.h"

#include <algorithm>
#include <cmath>

#include "data/CRotorSpeedProfile.h"
#include "data/ScanDataSet.h"
#include "equilibrium/TimeToEqParameters.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammLists.h"
#include "models/GlobalLammState.h"
#include "models/LammSolverSetup.h"
#include "models/SimulationErrors.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

// Grid-size bounds are half and twice the sim's grid parameter; the
// planner's own resolution of the boundary and back-diffusion cut-off.
constexpr float kPlannerPointsPerSigma = 5.0f;
constexpr double kPlannerBackDiffusionLevel = 1e-8;

void ConfigureSolver(CLammIdeal& solver, const CApproachToEqSim& sim, double s, double D) {
  solver.SetIdealModel();
  solver.SetParameters(s, D, sim.Meniscus, sim.Bottom, 1.0, sim.FitLeftLimit, sim.FitRightLimit);
  ApplyLammSolverSettings(solver, 1.0f);
  solver.MinGridSize = sim.GridParameter / 2;
  solver.MaxGridSize = 2 * sim.GridParameter;
  solver.PointsPerSigma = kPlannerPointsPerSigma;
  solver.ForceBackDiffusionCut = 0;
  solver.BackDiffusionLevel = kPlannerBackDiffusionLevel;
  // The planned run starts from rest: its scans carry the ramp.
  solver.SimulateAcceleration = 1;
}

}  // namespace

double UnitEquilibriumProfile(double sigma, double m, double b, double r) {
  const double x = sigma * (b * b - m * m);
  // x / (1 - e^-x) tends to 1 as x -> 0; expm1 keeps it accurate there.
  const double scale = x == 0.0 ? 1.0 : x / -std::expm1(-x);
  return scale * std::exp(sigma * (r * r - b * b));
}

CApproachToEqSim::CApproachToEqSim() = default;
CApproachToEqSim::~CApproachToEqSim() = default;

void CApproachToEqSim::SetRampHeaderTimes(ScanHeader& h, double t, float rpm) {
  h.RampAcceleration = kPlannerAcceleration;
  h.Time = h.RecordedTime = t;
  double ramp = rpm / kPlannerAcceleration;
  if (t >= ramp) {
    // The ramp at constant acceleration contributes a third of omega^2 at
    // full speed over its length.
    h.Omega2t = kOmegaPerRpmSquared * rpm * rpm * (t - ramp) +
                kOmegaPerRpmSquared * rpm * rpm * ramp / 3.0;
  } else {
    ramp = t;
    h.Rpm = static_cast<float>(kPlannerAcceleration * t);
    h.Omega2t = kOmegaPerRpmSquared * h.Rpm * h.Rpm * t / 3.0;
  }
  h.RampDuration = ramp;
}

bool CApproachToEqSim::SetSystem(platform::WindowHandle window, float maxHours, float bottom,
                                 float meniscus, float fitLimitA, float fitLimitB,
                                 int speciesCount, const float* concentrations,
                                 const float* sValues, const float* dValues, float vbar,
                                 float temperatureC, float rotorSpeed) {
  Window = window;
  Bottom = bottom;
  Meniscus = meniscus;
  Vbar = vbar;
  Temperature = temperatureC;
  RotorSpeed = rotorSpeed;
  SpeciesCount = std::max(speciesCount, 0);
  Concentrations.Resize(1, SpeciesCount);
  SValues.Resize(1, SpeciesCount);
  DValues.Resize(1, SpeciesCount);
  for (int j = 1; j <= SpeciesCount; ++j) {
    Concentrations[j] = concentrations[j];
    SValues[j] = sValues[j];
    DValues[j] = dValues[j];
  }

  ScanCount = 0;
  const double span = static_cast<double>(maxHours) * 3600.0;
  while (span > 0 && static_cast<double>(ScanCount) * ScanInterval < span) ++ScanCount;

  FitLeftLimit = std::min(fitLimitA, fitLimitB);
  FitRightLimit = std::max(fitLimitA, fitLimitB);
  if (FitLeftLimit < meniscus) FitLeftLimit = meniscus + 0.01f;
  if (FitRightLimit > bottom) FitRightLimit = bottom - 0.05f;

  // The running float sum decides the count, so the last radius may lie a
  // step beyond the bottom.
  PointCount = 1;
  for (float r = meniscus; r < bottom; r += RadialStep) ++PointCount;
  Radii.Resize(1, PointCount);
  for (int i = 1; i <= PointCount; ++i) Radii[i] = meniscus + static_cast<float>(i - 1) * RadialStep;
  FitFirstIndex = PointCount + 1;
  for (int i = 1; i <= PointCount; ++i)
    if (Radii[i] > FitLeftLimit) {
      FitFirstIndex = i;
      break;
    }
  FitLastIndex = PointCount;
  for (int i = 1; i <= PointCount; ++i)
    if (Radii[i] > FitRightLimit) {
      FitLastIndex = i - 1;
      break;
    }

  TotalScans.Resize(1, std::max(ScanCount, 1), 1, PointCount);
  SpeciesScans.assign(static_cast<std::size_t>(SpeciesCount) + 1, OneBasedMatrix<float>());
  for (int j = 1; j <= SpeciesCount; ++j)
    SpeciesScans[j].Resize(1, std::max(ScanCount, 1), 1, PointCount);
  ScanList.Resize(1, ScanCount);
  for (int k = 1; k <= ScanCount; ++k) ScanList[k] = k;

  ScanHeaders.Resize(1, ScanCount);
  for (int k = 1; k <= ScanCount; ++k) {
    ScanHeader& h = ScanHeaders[k];
    h = ScanHeader();
    h.DataType = 'R';
    h.Cell = 1;
    h.Temperature = Temperature;
    h.Rpm = RotorSpeed;
    h.PointCount = PointCount;
    SetRampHeaderTimes(h, static_cast<double>(k) * ScanInterval, RotorSpeed);
  }

  EquilibriumProfile.Resize(1, PointCount);
  const double omega2 = kOmegaPerRpmSquared * RotorSpeed * RotorSpeed;
  for (int j = 1; j <= SpeciesCount; ++j) {
    const double sigma = omega2 * SValues[j] * 1e-13 / (2.0 * DValues[j]);
    for (int i = 1; i <= PointCount; ++i)
      EquilibriumProfile[i] += static_cast<float>(
          Concentrations[j] * UnitEquilibriumProfile(sigma, Meniscus, Bottom, Radii[i]));
  }
  return true;
}

bool CApproachToEqSim::MakeInitialProfiles(float rotorSpeed, int profileCount, int sourceCount,
                                           const float* sourceRadii,
                                           const float* const* sourceProfiles,
                                           const CRotorSpeedProfile* history, float historyTime,
                                           float stepRadius) {
  if (PointCount < 1) return false;
  if (sourceProfiles != nullptr && profileCount != SpeciesCount) return false;
  InitialScanHeaders.Resize(1, 1);
  ScanHeader& h = InitialScanHeaders[1];
  h = ScanHeader();
  h.DataType = 'R';
  h.Description = "simulated";
  h.Cell = 1;
  h.Temperature = TimeToEqParameters.TemperatureC;
  h.Rpm = rotorSpeed;
  h.PointCount = PointCount;
  h.RampAcceleration = kPlannerAcceleration;
  h.Time = h.RecordedTime = InitialTime;

  InitialProfiles.assign(static_cast<std::size_t>(SpeciesCount) + 1, OneBasedArray<float>());
  if (sourceProfiles != nullptr) {
    for (int j = 1; j <= SpeciesCount; ++j) {
      InitialProfiles[j].Resize(1, PointCount);
      ResampleCurve(PointCount, Radii.data(), InitialProfiles[j].data(), sourceCount, sourceRadii,
                    sourceProfiles[j]);
    }
  } else if (historyTime > 0) {
    const ScanDataSetRecord& d = ScanDataSet;
    if (d.NFILES > 0) h.Rpm = d.ScanHeaders[d.ScanTimeOrder[d.NFILES]].Rpm;
    InitialTime = historyTime;
    h.Time = h.RecordedTime = InitialTime;
    SpeedProfile = std::make_unique<CRotorSpeedProfile>();
    if (history != nullptr && history->VariableSpeed() && history->SpeedStepCount() > 0)
      SpeedProfile->CopyFrom(*history);
    for (int j = 1; j <= SpeciesCount; ++j)
      InitialProfiles[j] = SimulateOne(1.0, SValues[j], DValues[j]);
  } else {
    const bool equilibrium = stepRadius <= Radii[1];
    InitialTime = equilibrium ? 100000.0f : 1.0f;
    h.Time = h.RecordedTime = InitialTime;
    const double omega2 = kOmegaPerRpmSquared * rotorSpeed * rotorSpeed;
    const double m = Meniscus, b = Bottom;
    for (int j = 1; j <= SpeciesCount; ++j) {
      InitialProfiles[j].Resize(1, PointCount);
      const double sigma = omega2 * SValues[j] * 1e-13 / (2.0 * DValues[j]);
      if (equilibrium) {
        for (int i = 1; i <= PointCount; ++i)
          InitialProfiles[j][i] = static_cast<float>(UnitEquilibriumProfile(sigma, m, b, Radii[i]));
        continue;
      }
      int step = 1;
      for (int i = 1; i <= PointCount; ++i)
        if (Radii[i] > stepRadius) {
          step = i;
          break;
        }
      // The plateau height: the equilibrium constant of the whole column
      // over that of the column below the step.
      const double rs = Radii[step];
      const double whole = UnitEquilibriumProfile(sigma, m, b, b);
      const double below = UnitEquilibriumProfile(sigma, rs, b, b);
      const float height = static_cast<float>(whole / below);
      for (int i = 1; i <= PointCount; ++i) InitialProfiles[j][i] = i < step ? 0.0f : height;
      if (step > 1) InitialProfiles[j][step - 1] = 0.2f * height;
      InitialProfiles[j][step] = 0.5f * height;
      if (step < PointCount) InitialProfiles[j][step + 1] = 0.8f * height;
    }
  }
  HasInitialProfiles = true;
  SetRampHeaderTimes(h, InitialTime, h.Rpm);
  return true;
}

OneBasedArray<float> CApproachToEqSim::SimulateOne(double c0, double s, double D) {
  OneBasedMatrix<float> scan(1, 1, 1, PointCount);
  OneBasedArray<std::int32_t> list(1, 1);
  list[1] = 1;
  GlobalLammRun.DiscretizationError = 0;
  GlobalLammRun.TridiagError = 0;
  int code = 0;
  {
    CLammIdeal solver;
    ConfigureSolver(solver, *this, s, D);
    solver.SetOutput(Window, nullptr, InitialScanHeaders.data(), scan.get(), Radii.data(),
                     PointCount, nullptr, nullptr, 0, list.data(), 1, 1, 0, 0, 0, 0.0f, 0, 0.0f,
                     0);
    if (SpeedProfile && SpeedProfile->VariableSpeed())
      solver.SetRotorSpeedProfile(SpeedProfile.get(), 0.0);
    code = solver.Solve();
  }
  ReportSimulationError(Window, code);
  OneBasedArray<float> result(1, PointCount);
  for (int i = 1; i <= PointCount; ++i) result[i] = static_cast<float>(c0 * scan[1][i]);
  return result;
}

int CApproachToEqSim::SetSpeedSteps(int count, const float* start, const float* rpm,
                                    const float* acceleration, int mode) {
  StepCount = std::max(count, 0);
  StepStart.Resize(1, StepCount);
  StepRpm.Resize(1, StepCount);
  StepAcceleration.Resize(1, StepCount);
  for (int i = 1; i <= StepCount; ++i) {
    StepStart[i] = start[i];
    StepRpm[i] = rpm[i];
    StepAcceleration[i] = acceleration[i];
  }
  StepMode = mode;
  HasSpeedSteps = StepCount > 0;
  return mode;
}

void CApproachToEqSim::SetTimeScale(float factor, float end) {
  if (factor != 1.0f && end > 0) {
    TimeScaleFactor = factor;
    TimeScaleEnd = end;
    ScaledTimeScaleEnd = end / factor;
    TimeScaleOn = true;
  } else {
    TimeScaleOn = false;
  }
}

bool CApproachToEqSim::InitialProfileMode() {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  return p.HistoryMode || p.InitialEqRpm > 0 || p.InitialStep > p.ColumnMeniscus;
}

bool CApproachToEqSim::SimulateAll() {
  if (TimeScaleOn) CompressTimes();
  SolverError = 0;
  GlobalLammRun.DiscretizationError = 0;
  GlobalLammRun.TridiagError = 0;
  if (SpeciesCount >= 1 && ScanCount >= 1) {
    OneBasedArray<float**> outputs(1, SpeciesCount);
    for (int j = 1; j <= SpeciesCount; ++j) outputs[j] = SpeciesScans[j].get();
    CLammIdeal solver;
    ConfigureSolver(solver, *this, SValues[1], DValues[1]);
    solver.SetOutput(Window, nullptr, ScanHeaders.data(), SpeciesScans[1].get(), Radii.data(),
                     PointCount, nullptr, nullptr, 0, ScanList.data(), ScanCount, 1, 0, 0, 0,
                     0.0f, 0, 0.0f, 0);
    const bool initialMode = InitialProfileMode() && HasInitialProfiles;
    if (initialMode &&
        !solver.SetInitialProfile(PointCount, Radii.data(), InitialProfiles[1].data()))
      ErrorBox("\n\aAttention: error loading initial distribution to CLammIdeal");
    if (HasSpeedSteps)
      solver.LoadSpeedSchedule(StepCount, StepStart.data(), StepRpm.data(),
                               StepAcceleration.data(), StepMode);
    if (initialMode) {
      OneBasedArray<float*> profiles(1, SpeciesCount);
      for (int j = 1; j <= SpeciesCount; ++j) profiles[j] = InitialProfiles[j].data();
      SolverError = CLRunMTListInitialProfilesConst(
          solver, SpeciesCount, SValues.data(), DValues.data(), Vbar, outputs.data(),
          Radii.data(), PointCount, nullptr, nullptr, PointCount, Radii.data(), profiles.data());
    } else {
      SolverError = CLRunMTListConst(solver, SpeciesCount, SValues.data(), DValues.data(), Vbar,
                                     outputs.data(), Radii.data(), PointCount, nullptr, nullptr);
    }
    ReportSimulationError(Window, SolverError);
  }
  for (int k = 1; k <= ScanCount; ++k)
    for (int i = 1; i <= PointCount; ++i) {
      double total = 0.0;
      for (int j = 1; j <= SpeciesCount; ++j) total += Concentrations[j] * SpeciesScans[j][k][i];
      TotalScans[k][i] = static_cast<float>(total);
    }
  if (TimeScaleOn) RestoreTimes();
  return SolverError <= 0;
}

void CApproachToEqSim::CompressTimes() {
  const double shift = ScaledTimeScaleEnd - TimeScaleEnd;
  for (int k = 1; k <= ScanCount; ++k) {
    ScanHeader& h = ScanHeaders[k];
    if (h.Time >= TimeScaleEnd) {
      h.Time += shift;
      h.RecordedTime += shift;
      h.Omega2t += shift * h.Rpm * h.Rpm * kOmegaPerRpmSquared;
    } else {
      h.RampAcceleration *= TimeScaleFactor;
      h.Time /= TimeScaleFactor;
      h.RecordedTime /= TimeScaleFactor;
      h.RampDuration /= TimeScaleFactor;
      h.Omega2t /= TimeScaleFactor;
    }
  }
  for (int i = 1; HasSpeedSteps && i <= StepCount; ++i) {
    if (StepStart[i] >= TimeScaleEnd) {
      StepStart[i] += static_cast<float>(shift);
    } else {
      StepStart[i] /= TimeScaleFactor;
      StepAcceleration[i] *= TimeScaleFactor;
    }
  }
}

void CApproachToEqSim::RestoreTimes() {
  const double shift = ScaledTimeScaleEnd - TimeScaleEnd;
  for (int k = 1; k <= ScanCount; ++k) {
    ScanHeader& h = ScanHeaders[k];
    if (h.Time >= ScaledTimeScaleEnd) {
      h.Time -= shift;
      h.RecordedTime -= shift;
      h.Omega2t -= shift * h.Rpm * h.Rpm * kOmegaPerRpmSquared;
    } else {
      h.RampAcceleration /= TimeScaleFactor;
      h.Time *= TimeScaleFactor;
      h.RecordedTime *= TimeScaleFactor;
      h.RampDuration *= TimeScaleFactor;
      h.Omega2t *= TimeScaleFactor;
    }
  }
  for (int i = 1; HasSpeedSteps && i <= StepCount; ++i) {
    if (StepStart[i] >= ScaledTimeScaleEnd) {
      StepStart[i] -= static_cast<float>(shift);
    } else {
      StepStart[i] *= TimeScaleFactor;
      StepAcceleration[i] /= TimeScaleFactor;
    }
  }
}

double CApproachToEqSim::RadialIntegral(const float* values) const {
  if (values == nullptr || PointCount < 2) return 0.0;
  const double h = static_cast<double>(Radii[2]) - Radii[1];
  double sum = h / 6.0 * (3.0 * Radii[1] + h) * values[1];
  for (int i = 2; i <= PointCount - 1; ++i) sum += h * Radii[i] * values[i];
  sum += h / 6.0 * (3.0 * Radii[PointCount] - h) * values[PointCount];
  return sum;
}

void CApproachToEqSim::EvaluateApproach(float rmsdThreshold, float maxDevThreshold) {
  RmsdThreshold = rmsdThreshold;
  MaxDevThreshold = maxDevThreshold;
  ScanTimes.Resize(1, ScanCount);
  ScanHours.Resize(1, ScanCount);
  MaxDeviation.Resize(1, ScanCount);
  Rmsd.Resize(1, ScanCount);
  const double equilibriumMass = RadialIntegral(EquilibriumProfile.data());
  // Step loading puts the mass where the step is, not where the uniform
  // loading would: every scan is compared at the equilibrium's mass.
  const bool rescale = TimeToEqParameters.InitialStep > TimeToEqParameters.ColumnMeniscus;
  for (int k = 1; k <= ScanCount; ++k) {
    double f = 1.0;
    if (rescale) {
      const double mass = RadialIntegral(TotalScans[k]);
      if (mass != 0.0) f = equilibriumMass / mass;
    }
    ScanTimes[k] = static_cast<float>(ScanHeaders[k].Time);
    ScanHours[k] = ScanTimes[k] / 3600.0f;
    double sum = 0.0, largest = 0.0;
    int n = 0;
    for (int i = 1; i <= PointCount; ++i) {
      if (!(Radii[i] > FitLeftLimit && Radii[i] < FitRightLimit)) continue;
      const double e = f * TotalScans[k][i] - EquilibriumProfile[i];
      largest = std::max(largest, std::fabs(e));
      sum += e * e;
      ++n;
    }
    MaxDeviation[k] = static_cast<float>(largest);
    Rmsd[k] = n > 0 ? static_cast<float>(std::sqrt(sum / n)) : 0.0f;
  }
  RmsdScanIndex = ScanCount;
  for (int k = 1; k <= ScanCount - 1; ++k)
    if (Rmsd[k] < rmsdThreshold) {
      RmsdScanIndex = k;
      break;
    }
  TimeToRmsd = ScanCount >= 1 ? ScanTimes[RmsdScanIndex] : -1.0f;
}

float CApproachToEqSim::BottomOverconcentration() const {
  float largest = 0.0f;
  if (PointCount < 1 || EquilibriumProfile[PointCount] == 0.0f) return largest;
  for (int k = 1; k <= ScanCount; ++k)
    largest = std::max(largest, TotalScans[k][PointCount] / EquilibriumProfile[PointCount]);
  return largest;
}

void CApproachToEqSim::CopyFrom(const CApproachToEqSim* other) {
  if (other == nullptr || other == this) return;
  const CApproachToEqSim& o = *other;
  ScanInterval = o.ScanInterval;
  RadialStep = o.RadialStep;
  ScanCount = o.ScanCount;
  TimeScaleFactor = o.TimeScaleFactor;
  TimeScaleEnd = o.TimeScaleEnd;
  ScaledTimeScaleEnd = o.ScaledTimeScaleEnd;
  TimeScaleOn = o.TimeScaleOn;
  PointCount = o.PointCount;
  FitFirstIndex = o.FitFirstIndex;
  FitLastIndex = o.FitLastIndex;
  Radii = o.Radii;
  EquilibriumProfile = o.EquilibriumProfile;
  TotalScans = o.TotalScans;
  InitialProfiles = o.InitialProfiles;
  HasInitialProfiles = o.HasInitialProfiles;
  SpeciesScans = o.SpeciesScans;
  ScanList = o.ScanList;
  ScanHeaders = o.ScanHeaders;
  InitialScanHeaders = o.InitialScanHeaders;
  SpeedProfile.reset();
  if (o.SpeedProfile) {
    SpeedProfile = std::make_unique<CRotorSpeedProfile>();
    SpeedProfile->CopyFrom(*o.SpeedProfile);
  }
  InitialTime = o.InitialTime;
  Window = o.Window;
  FitLeftLimit = o.FitLeftLimit;
  FitRightLimit = o.FitRightLimit;
  Meniscus = o.Meniscus;
  Bottom = o.Bottom;
  Vbar = o.Vbar;
  Temperature = o.Temperature;
  RotorSpeed = o.RotorSpeed;
  SpeciesCount = o.SpeciesCount;
  Concentrations = o.Concentrations;
  SValues = o.SValues;
  DValues = o.DValues;
  SolverError = o.SolverError;
  GridParameter = o.GridParameter;
  RmsdThreshold = o.RmsdThreshold;
  TimeToRmsd = o.TimeToRmsd;
  MaxDevThreshold = o.MaxDevThreshold;
  ScanTimes = o.ScanTimes;
  ScanHours = o.ScanHours;
  MaxDeviation = o.MaxDeviation;
  Rmsd = o.Rmsd;
  RmsdScanIndex = o.RmsdScanIndex;
  HasSpeedSteps = o.HasSpeedSteps;
  StepCount = o.StepCount;
  StepStart = o.StepStart;
  StepRpm = o.StepRpm;
  StepAcceleration = o.StepAcceleration;
  StepMode = o.StepMode;
  ExponentialParameterization = o.ExponentialParameterization;
  if (o.ParameterCount > 0) {
    ParameterValues = o.ParameterValues;
    ParameterCount = o.ParameterCount;
  }
}
