#include "models/ErrorProjections.h"

#include <cmath>
#include <cstdio>

#include "data/DataSetServices.h"
#include "models/FitDriver.h"
#include "models/FitObjective.h"
#include "models/NelderMead.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/OneBasedArrays.h"

namespace {

// Rounds of restarted simplexes before a refit counts as settled anyway:
// noise in the objective must not keep it refitting forever.
constexpr int kMaxRestartRounds = 25;
// Refits of one side of a projection, and how far from the best fit (in
// steps) the search may go, before that side is given up as not found.
constexpr int kMaxProjectionRefits = 80;
constexpr float kMaxProjectionSteps = 200.0f;
// A search whose step has shrunk below this fraction of the first step has
// pinned the crossing down as closely as the refits can tell.
constexpr float kStepResolution = 1e-4f;
constexpr float kBand = 1e-6f;

int BestOf(const float* y, int n) {
  int best = 1;
  for (int j = 2; j <= n + 1; ++j)
    if (y[j] < y[best]) best = j;
  return best;
}

// The slot test of a settled round.
bool SlotsSettled(const std::array<float, ParameterCount + 1>& before, float tolerance) {
  for (int slot = 1; slot <= ParameterCount; ++slot) {
    const float p = before[slot], now = ParameterVector[slot];
    if (p == 0.0f) {
      if (now > tolerance) return false;
    } else if (p > 0.001f) {
      const float diff = std::fabs(p - now);
      if (diff > 0.001f && diff / p > tolerance) return false;
    }
  }
  return true;
}


void SetHeld(int slot, float value) {
  ParameterVector[slot] = value;
  UnpackParameterVector();
}

void ClearHeldFlag(int slot) {
  ParameterFitted[slot] = 0;
  ModelParametersRecord& m = ModelParameters;
  if (slot == 5) m.SedCoefficientFitted[1] = 0;
  if (slot == 6) m.SedCoefficientFitted[2] = 0;
  if (slot == 1) m.MassOrDFitted[1] = 0;
  UnpackParameterVector();
  ParameterFitted[slot] = 0;
}

// One side of a projection: the held value at which the refitted rmsd
// reaches the critical band.
ProjectionResult Search(platform::WindowHandle window, int slot, float p0, float step,
                        float critical, float& limit) {
  float d = ContourRefit(window);
  if (d == -1.0f) return ProjectionResult::Interrupted;
  float h = step;
  if (d > critical - kBand) h = -h / 2;
  bool above = d > critical - kBand;
  float x = p0 + step + h;
  for (int refit = 0; refit < kMaxProjectionRefits; ++refit) {
    if (std::fabs(x - p0) > kMaxProjectionSteps * std::fabs(step) || (slot == 1 && x <= 0.0f))
      return ProjectionResult::NotFound;
    SetHeld(slot, x);
    d = ContourRefit(window);
    if (d == -1.0f) return ProjectionResult::Interrupted;
    if (above && d < critical + kBand) h = -h / 2;
    if (!above && d > critical + kBand) h = -h / 2;
    above = d > critical - kBand;
    if ((d > critical - kBand && d < critical + kBand) ||
        std::fabs(h) < kStepResolution * std::fabs(step)) {
      limit = x;
      return ProjectionResult::Found;
    }
    x += h;
  }
  return ProjectionResult::NotFound;
}

ProjectionResult Project(platform::WindowHandle window, int slot, float step, float critical,
                         float& lower, float& upper) {
  const std::array<float, ParameterCount + 1> saved = ParameterVector;
  auto restore = [&saved] {
    ParameterVector = saved;
    UnpackParameterVector();
  };
  ClearHeldFlag(slot);
  ScanRmsd();
  const float p0 = saved[slot];
  float limit = 0.0f;
  ProjectionResult up = Search(window, slot, p0, step, critical, limit);
  if (up == ProjectionResult::Interrupted) return up;
  if (up == ProjectionResult::Found) upper = limit;
  restore();
  ProjectionResult down = Search(window, slot, p0, -step, critical, limit);
  if (down == ProjectionResult::Interrupted) return down;
  if (down == ProjectionResult::Found) lower = limit;
  restore();
  ParameterFitted[slot] = 0;
  return up == ProjectionResult::Found && down == ProjectionResult::Found
             ? ProjectionResult::Found
             : ProjectionResult::NotFound;
}

}  // namespace

float SimplexWithRestarts(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  if (f.FitAbort) return -1.0f;
  f.OptimizerStep = 0;
  if (!FitPreconditions(window)) return 0.0f;
  f.FitAbort = false;
  f.EvaluationCount = 0;
  ShowFitStatus(window);
  const int n = PackFloating(0, nullptr);
  if (n == 0) {
    SimulateModel(window);
    if (ComputationAbort) {
      ComputationAbort = false;
      f.FitAbort = true;
    }
    return ScanRmsd();
  }
  OneBasedMatrix<float> p(1, n + 1, 1, n);
  OneBasedArray<float> y(1, n + 1);
  const std::vector<float> start = FloatingValues();
  for (int i = 1; i <= n; ++i) p[1][i] = start[static_cast<std::size_t>(i - 1)];
  auto objective = [window](float* point) { return SimplexSim(point, window); };
  auto showBest = [](float* vertex, float value) {
    ApplyVertex(vertex);
    FitControl.CurrentRmsd = value;
  };
  int evaluations = 0;
  InitialSimplex(n, p.get());
  for (int j = n + 1; j >= 1; --j) y[j] = objective(p[j]);
  NelderMead(p.get(), y.data(), n, FitDriverSettingsRecord::SimplexTolerance, objective,
             evaluations, showBest);
  int u = BestOf(y.data(), n);
  ApplyVertex(p[u]);
  float r = y[u];
  std::array<float, ParameterCount + 1> remembered = ParameterVector;
  for (int round = 0; round < kMaxRestartRounds && !f.FitAbort; ++round) {
    InitialSimplex(n, p.get());
    for (int j = 1; j <= n + 1; ++j) y[j] = objective(p[j]);
    NelderMead(p.get(), y.data(), n, FitDriverSettingsRecord::SimplexTolerance, objective,
               evaluations, showBest);
    u = BestOf(y.data(), n);
    ApplyVertex(p[u]);
    const float best = y[u];
    const bool settled = !(r > 0.0f && std::fabs(best - r) / r > f.FitCycleTolerance) &&
                         SlotsSettled(remembered, f.FitCycleTolerance);
    r = best;
    remembered = ParameterVector;
    if (settled) break;
  }
  objective(p[u]);
  TmpSaveBestParams(window, false);
  return r;
}

ProjectionResult ErrorProjectionS(platform::WindowHandle window, float step, float critical,
                                  float& lower, float& upper) {
  return Project(window, 5, step, critical, lower, upper);
}

ProjectionResult ErrorProjectionM(platform::WindowHandle window, float step, float critical,
                                  float& lower, float& upper) {
  return Project(window, 1, step, critical, lower, upper);
}

std::string ProjectionSummaryS(float value, float lower, float upper, float critical) {
  char text[160];
  std::snprintf(text, sizeof text, "s = %.3f [%.3f, %.3f] S\n(critical rmsd value is %f)",
                value, lower, upper, critical);
  return text;
}

std::string ProjectionSummaryM(float value, float lower, float upper, float critical) {
  char text[160];
  if (FitControl.MassInsteadOfD)
    std::snprintf(text, sizeof text, "M = %.0f [%.0f, %.0f] Da\n(critical rmsd value is %f)",
                  value, lower, upper, critical);
  else
    std::snprintf(text, sizeof text,
                  "D = %.3f [%.3f, %.3f] 1e-7 cm^2/sec\n(critical rmsd value is %f)", value,
                  lower, upper, critical);
  return text;
}
