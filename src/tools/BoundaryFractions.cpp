// The numerical helpers of the boundary analyses: straight-line regression,
// integrals of tabulated curves and their inverse, and the records the
// analyses share.

#include <algorithm>
#include <cmath>

#include "tools/BoundaryAnalysis.h"

LsgExtrapolationSettingsRecord LsgExtrapolationSettings;
ExtrapolationDataRecord ExtrapolationData;
BoundaryAnalysisLinksRecord BoundaryAnalysisLinks;
LsgStepDistributionsRecord LsgStepDistributions;

void FreeExtrapolationData() {
  ExtrapolationData = ExtrapolationDataRecord{};
  LsgExtrapolationSettings.PlotShown = false;
}

bool LinearRegression(double& intercept, double& slope, const double* x, const double* y, int n) {
  intercept = slope = 0.0;
  if (n < 2) return false;
  double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
  for (int k = 1; k <= n; ++k) {
    sx += x[k];
    sy += y[k];
    sxx += x[k] * x[k];
    sxy += x[k] * y[k];
  }
  const double denominator = n * sxx - sx * sx;
  // All x equal (or not finite): no line through them.
  if (!(std::fabs(denominator) > 1e-300) || !std::isfinite(denominator)) return false;
  intercept = (sy * sxx - sxy * sx) / denominator;
  slope = (n * sxy - sy * sx) / denominator;
  return true;
}

namespace {

double Interpolate(const float* x, const float* y, int k, double at) {
  const double dx = static_cast<double>(x[k + 1]) - x[k];
  if (dx == 0.0) return y[k];
  return y[k] + (at - x[k]) * (static_cast<double>(y[k + 1]) - y[k]) / dx;
}

}  // namespace

double IntegrateTabulated(const float* x, const float* y, double a, double b, int n) {
  if (n < 2) return 0.0;
  double sign = 1.0;
  if (a > b) {
    std::swap(a, b);
    sign = -1.0;
  }
  if (a == b || a >= x[n] || b <= x[1]) return 0.0;
  a = std::max(a, static_cast<double>(x[1]));
  b = std::min(b, static_cast<double>(x[n]));
  double sum = 0.0;
  for (int k = 1; k < n; ++k) {
    const double lo = std::max(a, static_cast<double>(x[k]));
    const double hi = std::min(b, static_cast<double>(x[k + 1]));
    if (hi <= lo) continue;
    sum += (hi - lo) * (Interpolate(x, y, k, lo) + Interpolate(x, y, k, hi)) / 2.0;
  }
  return sign * sum;
}

double InverseCumulativeArea(double target, const float* x, const float* y, double a, int n) {
  if (n < 1) return a;
  double area = 0.0;
  int k = 1;
  while (k < n && x[k] < a) ++k;
  for (; k < n; ++k) {
    const double dx = static_cast<double>(x[k + 1]) - x[k];
    const double yk = y[k], dy = static_cast<double>(y[k + 1]) - y[k];
    const double segment = dx * (yk + y[k + 1]) / 2.0;
    if (area + segment < target) {
      area += segment;
      continue;
    }
    const double rest = std::max(0.0, target - area);
    double s = x[k];
    if (std::fabs(dy) <= 1e-12 * std::max(1.0, std::fabs(yk))) {
      // Equal values: the area grows linearly in the segment.
      if (yk > 0.0) s = x[k] + rest / yk;
    } else {
      const double root = std::sqrt(std::max(0.0, 2.0 * rest * dy / dx + yk * yk));
      s = x[k] + (root - yk) * dx / dy;
    }
    return std::clamp(s, static_cast<double>(x[k]), static_cast<double>(x[k + 1]));
  }
  return x[n];
}

std::vector<int> LsgStepStarts(int scanCount, int f, bool consecutive) {
  std::vector<int> starts;
  f = std::max(2, f);
  const int steps = consecutive ? scanCount / f : scanCount - f + 1;
  for (int k = 1; k <= steps; ++k) starts.push_back(consecutive ? (k - 1) * f + 1 : k);
  return starts;
}
