#include "plot/PlotTicks.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/PlotSettings.h"

namespace {

struct TickRun {
  float first = 0;
  int n = 0;
};

// The first multiple of step at or above lo (lo itself when it is one), and
// how many multiples fit up to hi.
TickRun StartFor(float step, float lo, float hi) {
  TickRun run;
  const float q = std::floor(lo / step);
  run.first = (q * step == lo) ? lo : step * (q + 1.0f);
  const float count = std::floor((hi - run.first) / step) + 1.0f;
  if (!std::isfinite(count) || count <= 0) return TickRun{run.first, 0};
  run.n = count > kMaxTickCount ? kMaxTickCount + 1 : static_cast<int>(count);
  return run;
}

// Minor ticks of an axis in decimal logarithms: 9, 8, 7 ... times the decade
// below the first major tick, 2 .. 9 times each decade between majors, and 2,
// 3 ... times the decade above the last one, all inside lo .. hi.
std::vector<float> LogMinorTicks(const TickRun& run, float step, float lo, float hi) {
  std::vector<float> values;
  if (run.n <= 0) return values;
  for (int j = 1; j <= 9; ++j) {
    const float v = run.first - step * (1.0f - std::log10(static_cast<float>(10 - j)));
    if (!(v > lo)) break;
    values.push_back(v);
  }
  for (int k = 0; k + 1 < run.n; ++k) {
    const float major = run.first + static_cast<float>(k) * step;
    for (int j = 2; j <= 9; ++j) values.push_back(major + step * std::log10(static_cast<float>(j)));
  }
  const float lastMajor = run.first + static_cast<float>(run.n - 1) * step;
  for (int j = 2; j <= 9; ++j) {
    const float v = lastMajor + step * std::log10(static_cast<float>(j));
    if (!(v < hi)) break;
    values.push_back(v);
  }
  return values;
}

std::unique_ptr<CVector> TickVector(const std::vector<float>& values) {
  return std::make_unique<CVector>(static_cast<unsigned>(values.size()), values.data());
}

}  // namespace

std::unique_ptr<CVector> MakeTicks(bool major, float lo, float hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi) || std::fabs(lo) > 1e30f || std::fabs(hi) > 1e30f ||
      lo == hi)
    return std::make_unique<CVector>();
  const bool logTicks = PlotSettings.LogTickMode != 0;
  float step = std::pow(10.0f, std::floor(std::log10(std::fabs(hi - lo))));
  TickRun run = StartFor(step, lo, hi);
  if (logTicks && !major) return TickVector(LogMinorTicks(run, step, lo, hi));
  if (!logTicks && run.n < PlotSettings.MinMajorTicks) {
    step *= 0.5f;
    run = StartFor(step, lo, hi);
  }
  if (!major) {
    step *= run.n > 2 ? 0.2f : 0.1f;
    run = StartFor(step, lo, hi);
  }
  const int n = std::min(run.n, kMaxTickCount);
  std::vector<float> values(static_cast<std::size_t>(std::max(n, 0)));
  for (int k = 0; k < n; ++k)
    values[static_cast<std::size_t>(k)] = run.first + static_cast<float>(k) * step;
  return TickVector(values);
}
