#include "models/DetectorConvolution.h"

#include <cmath>

#include "data/ScanReaderOptions.h"
#include "state/LammSolverSettings.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/OneBasedArrays.h"

namespace {

// Sum and weight of the Gaussian neighbourhood of point i, walking outwards
// in direction step (+1 or -1) until the first radius past the window edge.
void AccumulateSide(int n, const float* r, const float* y, int i, int step, double h, double sigma2,
                    double edge, float meniscus, float bottom, double& sum, double& weight) {
  const double ri = r[i];
  for (int j = i + step;; j += step) {
    const bool real = j >= 1 && j <= n;
    const double x = real ? r[j] : (j > n ? r[n] + (j - n) * h : r[1] - (1 - j) * h);
    const double w = std::exp(-(x - ri) * (x - ri) / sigma2);
    weight += w;
    if (real && x >= meniscus && x <= bottom) sum += w * y[j];
    if (step > 0 ? x >= edge : x <= edge) break;
  }
}

}  // namespace

void GaussianConvolveProfile(int n, const float* r, float* y, float sigma, float rangeInSigma,
                             float meniscus, float bottom) {
  if (n < 2 || !(sigma > 0.0f)) return;
  const double h = (static_cast<double>(r[n]) - r[1]) / (n - 1);
  // Radii that do not increase would continue the grid nowhere.
  if (!(h > 0.0)) return;
  const double sigma2 = static_cast<double>(sigma) * sigma;
  const double reach = static_cast<double>(rangeInSigma) * sigma;
  OneBasedArray<float> result(1, n);
  for (int i = 1; i <= n; ++i) {
    double sum = y[i], weight = 1.0;
    AccumulateSide(n, r, y, i, +1, h, sigma2, r[i] + reach, meniscus, bottom, sum, weight);
    AccumulateSide(n, r, y, i, -1, h, sigma2, r[i] - reach, meniscus, bottom, sum, weight);
    result[i] = static_cast<float>(sum / weight);
  }
  for (int i = 1; i <= n; ++i) y[i] = result[i];
}

void ExcitationConeWeights(int n, const float* r, float* y, float coneRadius, float bottom) {
  if (!(coneRadius > 0.0f)) return;
  const double rho = coneRadius;
  for (int i = 1; i <= n; ++i) {
    const double d = static_cast<double>(bottom) - r[i];
    if (d > rho) continue;
    if (d <= -rho) {
      y[i] = 0.0f;
      continue;
    }
    const double theta = std::acos(d / rho);
    const double hidden =
        (2.0 * rho * rho * theta - rho * d * std::sin(theta)) / (2.0 * kPi * rho * rho);
    y[i] = static_cast<float>(y[i] * (1.0 - hidden));
  }
}

void SmearByRadialWindow(int n, float w, const float* r, float* y) {
  OneBasedArray<float> result(1, n);
  const double half = 0.5 * static_cast<double>(w);
  for (int i = 1; i <= n; ++i) {
    const double lo = r[i] - half, hi = r[i] + half;
    double transmission = 0.0;
    int count = 0;
    for (int j = i; j >= 1 && r[j] >= lo && r[j] <= hi; --j) {
      transmission += std::pow(10.0, -static_cast<double>(y[j]));
      ++count;
    }
    for (int j = i + 1; j <= n && r[j] >= lo && r[j] <= hi; ++j) {
      transmission += std::pow(10.0, -static_cast<double>(y[j]));
      ++count;
    }
    const double mean = count > 0 ? transmission / count : 0.0;
    result[i] = mean > 0.0 ? static_cast<float>(-std::log10(mean)) : 0.0f;
  }
  for (int i = 1; i <= n; ++i) y[i] = result[i];
}

float ErfcApprox(float x) {
  const float z = std::fabs(x);
  const float t = 1.0f / (1.0f + 0.5f * z);
  const float poly =
      -z * z - 1.26551223f +
      t * (1.00002368f +
           t * (0.37409196f +
                t * (0.09678418f +
                     t * (-0.18628806f +
                          t * (0.27886807f +
                               t * (-1.13520398f +
                                    t * (1.48851587f + t * (-0.82215223f + t * 0.17087277f))))))));
  const float erfc = t * std::exp(poly);
  return x >= 0.0f ? erfc : 2.0f - erfc;
}

void FaxenProfile(float c0, double t, const float* r, float* out, int n, double k, double D,
                  double m) {
  const double tau = 2.0 * k * t;
  const double plateau = 0.5 * c0 * std::exp(-tau);
  // epsilon tau with epsilon = 2 D / (k m^2), written without the division
  // by k so that a species that does not sediment still diffuses from the
  // meniscus.
  const double spread = 4.0 * D * t / (m * m);
  const double width = spread > 0.0 ? 2.0 * std::sqrt(spread) : 0.0;
  // erfc is 0 (or 2) to float precision long before this.
  constexpr double kFar = 100.0;
  for (int i = 1; i <= n; ++i) {
    // Positive where the boundary has passed the radius.
    const double passed = tau - 2.0 * std::log(r[i] / m);
    // Without spread (t = 0 or D = 0) the boundary is a step: radii it has
    // passed are depleted, radii beyond it hold the plateau, the boundary
    // itself half of it.
    double arg =
        width > 0.0 ? passed / width : (passed > 0.0 ? kFar : (passed < 0.0 ? -kFar : 0.0));
    arg = std::fmax(-kFar, std::fmin(kFar, arg));
    out[i] = static_cast<float>(plateau * ErfcApprox(static_cast<float>(arg)));
  }
  if (ScanReaderOptions.AbsorbanceData && !ScanReaderOptions.IntensityData &&
      LammSolverSettings.RadialResolutionOn)
    SmearByRadialWindow(n, LammSolverSettings.RadialResolutionRange, r, out);
}
