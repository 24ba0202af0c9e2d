#include "equilibrium/SpeedCourseOptimizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/ProgramPaths.h"
#include "data/CRotorSpeedProfile.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/SpeedSeries.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/TimeToEqParameters.h"
#include "models/FitDriver.h"
#include "models/NelderMead.h"
#include "models/SimulatedAnnealing.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "numerics/RandomNumbers.h"
#include "ui/Boxes.h"

SpeedPlanningLinksRecord SpeedPlanningLinks;
SpeedOptimizationStateRecord SpeedOptimizationState;

namespace {

// Tolerances of one simplex run, of the annealing steps, and of the
// agreement of two restarts.
constexpr float kSimplexTolerance = 1e-5f;
constexpr float kAnnealTolerance = 0.0005f;
constexpr float kRestartValueTolerance = 1e-5f;
constexpr float kRestartParameterTolerance = 1e-4f;
// Relative spread of a fresh simplex around its first vertex, and the
// absolute spread added where a parameter is near 0.
constexpr float kSimplexSpread = 0.15f;

bool Rounding() { return TimeToEqParameters.RpmStep > 1.0f; }
float RoundingStep() { return Rounding() ? TimeToEqParameters.RpmStep : 1.0f; }

bool AnnealingChosen() {
  return FitDriverSettings.OptimizerKind == OptimizerChoice::SimulatedAnnealing &&
         TimeToEqParameters.RpmStep < 100.0f && FitControl.AnnealTemperature > 0.0f;
}

// A key press ends the optimisation at the next check.
void PollAbort() {
  if (KeyPressed()) ComputationAbort = true;
  if (ComputationAbort) {
    ComputationAbort = false;
    FitControl.FitAbort = true;
  }
}

// Vertex 1 is the current best course; the others are spread around it.
void FillSimplex(OneBasedMatrix<float>& p, int m) {
  const OneBasedArray<float>& best = TimeToEqParameters.SpeedCourseParameters;
  for (int j = 1; j <= m; ++j) p[1][j] = best[j];
  for (int i = 2; i <= m + 1; ++i) {
    for (int j = 1; j <= m; ++j) {
      float v = best[j] + GaussianRandom(kSimplexSpread * best[j]);
      if (std::fabs(v) < kSimplexSpread) v += GaussianRandom(kSimplexSpread);
      p[i][j] = v;
    }
    p[i][1] = std::max(p[i][1], TimeToEqParameters.MinFirstParameter);
  }
}

FitObjective Objective(platform::WindowHandle window) {
  return [window](float* point) { return AppEqSimplexSim(point, window); };
}

ShowBestVertex Progress(platform::WindowHandle window) {
  return [window](float* vertex, float value) {
    TimeToEqParameters.OptimizedTime = value;
    ShowTimeToEqProgress(value, vertex, window);
  };
}

int LowestVertex(const float* y, int n) {
  int best = 1;
  for (int i = 2; i <= n; ++i)
    if (y[i] < y[best]) best = i;
  return best;
}

void WriteCurrentParameters(const float* p, int m) {
  const std::string path = ProgramPaths.TempFolder + "AppEqSimplexSim.txt";
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return;
  for (int i = 1; i <= m; ++i) std::fprintf(f, "%f\n", static_cast<double>(p[i]));
  std::fclose(f);
}

}  // namespace

float RotorSpeedAt(const float* p, float time, bool rounding, float step) {
  const TimeToEqParametersRecord& t = TimeToEqParameters;
  if (time < 0 || p == nullptr || time > t.OverspeedTime) return t.FinalRpm;
  const int m = t.ParameterCount;
  const float T = t.OverspeedTime / 3600.0f;
  const float th = time / 3600.0f;
  float rpm = t.FinalRpm;
  if (!t.ExponentialParameterization) {
    if (m < 1) return t.FinalRpm;
    int i = 1;
    while (i < m && th > static_cast<float>(i) * T / static_cast<float>(m)) ++i;
    rpm = t.FinalRpm * p[i];
  } else {
    if (m < 2) return t.FinalRpm;
    const float tau = std::max(std::fabs(p[1]) * t.DecayTimeUnit, 0.5f);
    int i = 1;
    while (i < m - 1 && th > static_cast<float>(i) * T / static_cast<float>(m - 1)) ++i;
    rpm = t.FinalRpm * (1.0f + p[i + 1] * std::exp(-th / tau));
  }
  if (rounding && step > 0) rpm = step * std::floor(rpm / step + 0.5f);
  return std::clamp(rpm, kLowestCourseRpm, kHighestCourseRpm);
}

std::vector<float> SpeedCourseKnots() {
  const TimeToEqParametersRecord& t = TimeToEqParameters;
  std::vector<float> knots{0.0f};
  if (!(t.KnotSpacing > 0)) return knots;
  while (knots.back() < t.OverspeedTime) {
    const float last = knots.back();
    const float spacing = last < 3600.0f    ? t.KnotSpacing * 2.0f / 3.0f
                          : last < 10800.0f ? t.KnotSpacing
                                            : 2.0f * t.KnotSpacing;
    knots.push_back(last + spacing);
  }
  return knots;
}

bool BuildSpeedSteps(const float* p, int& count, OneBasedArray<float>& start,
                     OneBasedArray<float>& rpm, OneBasedArray<float>& acceleration, bool rounding,
                     float step) {
  const TimeToEqParametersRecord& t = TimeToEqParameters;
  if (t.RunSpeedFile) return LoadSpeedStepArrays(t.RunSpeedFilePath, count, start, rpm, acceleration);
  if (t.ParameterCount < MinimumSpeedCourseParameters(t.ExponentialParameterization)) return false;
  // Knots at or after the overspeed time would put steps after the final
  // one, which starts at the overspeed time: the final step ends the course.
  std::vector<float> knots = SpeedCourseKnots();
  knots.erase(std::remove_if(knots.begin() + 1, knots.end(),
                             [&](float k) { return k >= t.OverspeedTime; }),
              knots.end());
  const int n = static_cast<int>(knots.size());
  std::vector<float> w(static_cast<std::size_t>(n)), a(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    w[j] = RotorSpeedAt(p, knots[j], rounding, step);
    a[j] = t.Acceleration;
    if (j == 0) continue;
    const float dt = knots[j] - knots[j - 1];
    if (w[j] > w[j - 1]) {
      a[j] = t.Acceleration;
      if ((w[j] - w[j - 1]) / dt > t.Acceleration) w[j] = w[j - 1] + t.Acceleration * dt;
    }
    if (w[j] < w[j - 1]) {
      a[j] = t.Deceleration;
      w[j] = std::max(w[j], w[j - 1] - t.Deceleration * dt);
    }
  }
  std::vector<int> kept{0};
  for (int j = 1; j < n; ++j)
    if (std::fabs(w[j] - w[j - 1]) >= step) kept.push_back(j);
  count = static_cast<int>(kept.size()) + 1;
  start.Resize(1, count);
  rpm.Resize(1, count);
  acceleration.Resize(1, count);
  for (int i = 1; i < count; ++i) {
    const int j = kept[static_cast<std::size_t>(i - 1)];
    start[i] = knots[j];
    rpm[i] = w[j];
    acceleration[i] = a[j];
  }
  start[count] = t.OverspeedTime;
  rpm[count] = t.FinalRpm;
  acceleration[count] = t.FinalRpm < rpm[count - 1] ? t.Deceleration : t.Acceleration;
  return true;
}

bool LoadSpeedStepArrays(const std::string& path, int& count, OneBasedArray<float>& start,
                         OneBasedArray<float>& rpm, OneBasedArray<float>& acceleration) {
  std::string stepsPath = path;
  const PathParts parts = SplitPath(path);
  if (parts.Extension.size() > 1 && (parts.Extension[1] == 'E' || parts.Extension[1] == 'e')) {
    stepsPath = parts.Drive + parts.Directory + SpeedStepsFileName;
    if (!ConvertEquToSpeedSteps(path, stepsPath)) return false;
  }
  CRotorSpeedProfile profile;
  profile.LoadSpeedSteps(stepsPath);
  const int n = profile.SpeedStepCount();
  if (n < 1) return false;
  count = n;
  start.Resize(1, n);
  rpm.Resize(1, n);
  acceleration.Resize(1, n);
  for (int i = 1; i <= n; ++i) {
    start[i] = profile.StepStart()[i];
    rpm[i] = profile.StepRpm()[i];
    acceleration[i] = profile.StepAcceleration()[i];
  }
  return true;
}

float AppEqSimplexSim(const float* p, platform::WindowHandle window) {
  TimeToEqParametersRecord& t = TimeToEqParameters;
  if (p != nullptr) WriteCurrentParameters(p, t.ParameterCount);
  int count = 0;
  OneBasedArray<float> start, rpm, acceleration;
  if (!BuildSpeedSteps(p, count, start, rpm, acceleration, Rounding(), RoundingStep()))
    return kFailedCourseScore;

  t.ObjectiveSim = std::make_unique<CApproachToEqSim>();
  CApproachToEqSim& sim = *t.ObjectiveSim;
  sim.SetSystem(window, t.ConstSpeedEqTime / 3600.0f, t.ColumnBottom, t.ColumnMeniscus,
                t.RightFitLimit, t.LeftFitLimit, t.SpeciesCount, t.SpeciesConcentration.data(),
                t.SpeciesS.data(), t.SpeciesD.data(), t.Vbar1, t.TemperatureC, t.FinalRpm);
  if (t.HistoryMode) {
    sim.MakeInitialProfiles(t.InitialEqRpm, 0, 0, nullptr, nullptr,
                            ScanDataSet.DataSpeedProfile.get(), t.HistoryDuration, 0.0f);
  } else if (t.InitialEqRpm > 0) {
    sim.MakeInitialProfiles(t.InitialEqRpm, 0, 0, nullptr, nullptr, nullptr, 0.0f, 0.0f);
  } else if (t.InitialStep > t.ColumnMeniscus) {
    sim.MakeInitialProfiles(t.FinalRpm, 0, 0, nullptr, nullptr, nullptr, 0.0f, t.InitialStep);
  }
  if (t.TimeScaleFactor != 1.0f && t.TimeScaleEnd > 0)
    sim.SetTimeScale(t.TimeScaleFactor, t.TimeScaleEnd);
  sim.SetSpeedSteps(count, start.data(), rpm.data(), acceleration.data(), 2);
  if (!sim.SimulateAll()) return kFailedCourseScore;
  sim.EvaluateApproach(t.Epsilon, t.Epsilon);

  float result = sim.TimeToRmsd / 3600.0f;
  const SpeedOptimizationStateRecord& s = SpeedOptimizationState;
  if (s.PenaltyOn && sim.ScanCount >= 1) {
    const float atTarget = sim.Rmsd[sim.RmsdScanIndex];
    result += 10.0f * atTarget;
    // A course that overshoots comes back away from equilibrium later on.
    if (s.OvershootPenalty && sim.ScanCount >= 2) {
      const float late = sim.Rmsd[sim.ScanCount - 1];
      if (late > atTarget) {
        const float d = late - atTarget;
        result += 1000.0f / (t.Epsilon * t.Epsilon) * d * d;
      }
    }
  }
  if (t.MaxOverconcentration > 0) {
    const float v = sim.BottomOverconcentration();
    if (v > t.MaxOverconcentration) {
      const float d = v - t.MaxOverconcentration;
      result += 1000.0f * d * d;
    }
  }
  PollAbort();
  FitControl.BestRmsd = std::min(FitControl.BestRmsd, result);
  return result;
}

std::string TimeToEqProgressText(float bestValue, const float* p) {
  const TimeToEqParametersRecord& t = TimeToEqParameters;
  const int m = t.ParameterCount;
  std::string text;
  if (AnnealingChosen())
    text = FormatText("(SA T = %f, %d) ", static_cast<double>(FitControl.AnnealTemperature),
                      FitControl.OptimizerStep);
  else
    text = FormatText("(%d) ", FitControl.OptimizerStep);
  const float om0 = RotorSpeedAt(p, 0.0f, Rounding(), RoundingStep());
  text += FormatText("%02d: %.3f h | om(0)=%.0f | ", SpeedOptimizationState.EvaluationCounter,
                     static_cast<double>(bestValue), static_cast<double>(om0));
  if (p == nullptr || m < 1) return text;
  if (!t.ExponentialParameterization) {
    text += FormatText("%f | ... | %f  ", static_cast<double>(p[std::min(2, m)]),
                       static_cast<double>(p[m]));
  } else if (m == 7) {
    text += FormatText("decay-time = %.1f h | %f | %f | %f | %f | %f | %f",
                       static_cast<double>(std::fabs(p[1]) * t.DecayTimeUnit),
                       static_cast<double>(p[2]), static_cast<double>(p[3]),
                       static_cast<double>(p[4]), static_cast<double>(p[5]),
                       static_cast<double>(p[6]), static_cast<double>(p[7]));
  } else {
    text += FormatText("decay-time = %.1f h | %f | ... | %f",
                       static_cast<double>(std::fabs(p[1]) * t.DecayTimeUnit),
                       static_cast<double>(p[std::min(2, m)]), static_cast<double>(p[m]));
  }
  return text;
}

bool ShowTimeToEqProgress(float bestValue, const float* p, platform::WindowHandle window) {
  if (!(bestValue > FitControl.BestRmsd)) {
    AppEqSimplexSim(p, window);
    SpeedPlanningLinks.ShowProgressPlot(window);
  }
  if (window != nullptr) {
    platform::Current().DrawWindowText(window, 50, 10, TimeToEqProgressText(bestValue, p));
    platform::Current().ShowWindowDrawing(window, platform::Rect{0, 0, 1600, 40});
  }
  const bool key = KeyPressed();
  if (key) ComputationAbort = true;
  if (ComputationAbort) {
    ComputationAbort = false;
    FitControl.FitAbort = true;
  }
  return key;
}

bool OptimizeSpeedCourse(platform::WindowHandle window) {
  if (AnnealingChosen()) return AnnealSpeedCourse(window);
  TimeToEqParametersRecord& t = TimeToEqParameters;
  SpeedOptimizationStateRecord& s = SpeedOptimizationState;
  const int m = t.ParameterCount;
  if (m < 1 || !t.HasSpeedCourseParameters || t.SpeedCourseParameters.hi() < m) return true;
  const int n = m + 1;
  OneBasedMatrix<float> p(1, n, 1, m);
  OneBasedArray<float> y(1, n);
  const FitObjective objective = Objective(window);
  const ShowBestVertex progress = Progress(window);

  FillSimplex(p, m);
  // The first simplex is scored before the penalties are switched on.
  for (int i = n; i >= 1; --i) y[i] = objective(p[i]);
  FitControl.FitAbort = false;
  FitControl.OptimizerStep = 0;
  FitControl.FitRunning = true;
  FitControl.BestRmsd = t.BestObjective;
  s.PenaltyOn = true;
  NelderMead(p.get(), y.data(), m, kSimplexTolerance, objective, s.EvaluationCounter, progress);
  int best = LowestVertex(y.data(), n);
  for (int j = 1; j <= m; ++j) t.SpeedCourseParameters[j] = p[best][j];
  float f = y[best];
  while (!FitControl.FitAbort) {
    FillSimplex(p, m);
    for (int i = 1; i <= n; ++i) y[i] = objective(p[i]);
    NelderMead(p.get(), y.data(), m, kSimplexTolerance, objective, s.EvaluationCounter, progress);
    best = LowestVertex(y.data(), n);
    const float fNew = y[best];
    bool converged = f != 0.0f && std::fabs(fNew - f) / f <= kRestartValueTolerance;
    for (int j = 1; j <= m && converged; ++j) {
      const float pNew = p[best][j], pOld = t.SpeedCourseParameters[j];
      converged = pNew == 0.0f ? pOld <= kRestartParameterTolerance
                               : std::fabs(pNew - pOld) / pNew <= kRestartParameterTolerance;
    }
    for (int j = 1; j <= m; ++j) t.SpeedCourseParameters[j] = p[best][j];
    f = fNew;
    if (converged) break;
  }
  FitControl.FitRunning = false;
  FitControl.FitAbort = false;
  s.PenaltyOn = false;
  // Evaluated last, without penalties, so that ObjectiveSim shows this course.
  t.OptimizedTime = AppEqSimplexSim(t.SpeedCourseParameters.data(), window);
  return true;
}

bool AnnealSpeedCourse(platform::WindowHandle window) {
  TimeToEqParametersRecord& t = TimeToEqParameters;
  SpeedOptimizationStateRecord& s = SpeedOptimizationState;
  const int m = t.ParameterCount;
  if (m < 1 || !t.HasSpeedCourseParameters || t.SpeedCourseParameters.hi() < m) return true;
  const int n = m + 1;
  FitControl.AnnealTemperature = FitControl.AnnealStartTemperature;
  FitControl.OptimizerStep = 0;
  FitControl.FitAbort = false;
  FitControl.FitRunning = true;
  FitControl.BestRmsd = t.BestObjective;
  OneBasedMatrix<float> p(1, n, 1, m);
  OneBasedArray<float> y(1, n), pbest(1, m);
  const FitObjective objective = Objective(window);
  FillSimplex(p, m);
  for (int i = n; i >= 1; --i) y[i] = objective(p[i]);
  const int lowest = LowestVertex(y.data(), n);
  float ybest = y[lowest];
  for (int j = 1; j <= m; ++j) pbest[j] = p[lowest][j];
  s.PenaltyOn = true;
  RunAnnealSchedule(p.get(), y.data(), m, pbest.data(), ybest, kAnnealTolerance, objective,
                    [window](float* vertex, float value) {
                      ShowTimeToEqProgress(value, vertex, window);
                    });
  FitControl.FitRunning = false;
  FitControl.FitAbort = false;
  for (int j = 1; j <= m; ++j) t.SpeedCourseParameters[j] = pbest[j];
  t.OptimizedTime = AppEqSimplexSim(t.SpeedCourseParameters.data(), window);
  const float start = FitControl.AnnealStartTemperature;
  FitControl.AnnealTemperature = 0.0f;
  OptimizeSpeedCourse(window);
  FitControl.AnnealTemperature = start;
  return true;
}

void SetConstantSpeedCourse(float* p, int m) {
  if (p == nullptr || m < 1) return;
  const bool exponential = TimeToEqParameters.ExponentialParameterization;
  p[1] = 1.0f;  // exponential: the decay time, which no amplitude then uses
  for (int i = 2; i <= m; ++i) p[i] = exponential ? 0.0f : 1.0f;
}

bool KeepConstantSpeedWhenFaster(float constantSpeedHours, platform::WindowHandle window) {
  TimeToEqParametersRecord& t = TimeToEqParameters;
  const int m = t.ParameterCount;
  // ObjectiveSim holds the optimised course. Its span ends at the constant-
  // speed time, so a course that never meets the target there scores that
  // time too, yet is no plan.
  const CApproachToEqSim* sim = t.ObjectiveSim.get();
  const bool missed = sim != nullptr && sim->RmsdScanIndex >= 1 &&
                      sim->RmsdScanIndex <= sim->ScanCount &&
                      !(sim->Rmsd[sim->RmsdScanIndex] < t.Epsilon);
  if (t.RunSpeedFile || !(constantSpeedHours > 0) ||
      !(t.OptimizedTime > constantSpeedHours || missed) ||
      m < MinimumSpeedCourseParameters(t.ExponentialParameterization) ||
      t.SpeedCourseParameters.hi() < m)
    return false;
  SetConstantSpeedCourse(t.SpeedCourseParameters.data(), m);
  const float score = AppEqSimplexSim(t.SpeedCourseParameters.data(), window);
  t.BestObjective = t.OptimizedTime =
      t.ObjectiveSim ? t.ObjectiveSim->TimeToRmsd / 3600.0f : score;
  return true;
}
