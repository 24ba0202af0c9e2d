// Regularisation of a c(s)-like problem at P = 0.68: normal equations of 100
// grid points from a synthetic smooth kernel (sedimenting boundaries with
// radial dilution and diffusional spreading, 40 scans of 300 radii) whose
// data carry time- and radial-invariant noise, eliminated by centring as the
// normal-equation builders do. Times the alpha-0 NNLS, the Tikhonov scaling
// and the maximum-entropy scaling.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "distributions/DistributionArrays.h"
#include "distributions/DistributionNNLS.h"
#include "distributions/MaximumEntropy.h"
#include "distributions/ScaleRegularization.h"
#include "numerics/LinearSolvers.h"

namespace {

constexpr int kGrid = 100;
constexpr int kScans = 40;
constexpr int kRadii = 300;

struct Problem {
  Problem() {
    const double meniscus = 5.8, omega2 = std::pow(50000.0 * std::numbers::pi / 30.0, 2.0);
    std::vector<double> s(kGrid), truth(kGrid);
    for (int i = 0; i < kGrid; ++i) {
      s[i] = 0.5 + 14.5 * i / (kGrid - 1);
      truth[i] = 0.4 * std::exp(-0.5 * std::pow((s[i] - 4.0) / 0.3, 2.0)) +
                 0.2 * std::exp(-0.5 * std::pow((s[i] - 9.0) / 0.5, 2.0));
    }
    // kernel[i][scan·R + k], then data with noise and offsets
    std::vector<std::vector<double>> kernel(kGrid, std::vector<double>(kScans * kRadii));
    std::vector<double> data(kScans * kRadii, 0.0);
    std::mt19937 rng(2024u);
    std::normal_distribution<double> noise(0.0, 0.005);
    std::uniform_real_distribution<double> offset(-0.05, 0.05);
    std::vector<double> ti(kRadii), ri(kScans);
    for (double& v : ti) v = offset(rng);
    for (double& v : ri) v = offset(rng);
    for (int j = 0; j < kScans; ++j) {
      const double t = 300.0 * (j + 1);
      for (int i = 0; i < kGrid; ++i) {
        const double x = s[i] * 1e-13 * omega2 * t;
        const double boundary = meniscus * std::exp(x);
        const double width = 0.005 + 0.04 * std::sqrt(t / 18000.0) / std::sqrt(s[i]);
        for (int k = 0; k < kRadii; ++k) {
          const double r = 5.9 + 1.2 * k / (kRadii - 1);
          kernel[i][j * kRadii + k] = std::exp(-2.0 * x) * 0.5 * std::erfc((boundary - r) / width);
        }
      }
      for (int k = 0; k < kRadii; ++k) {
        double y = ti[k] + ri[j] + noise(rng);
        for (int i = 0; i < kGrid; ++i) y += truth[i] * kernel[i][j * kRadii + k];
        data[j * kRadii + k] = y;
      }
    }
    Centre(data);
    for (auto& column : kernel) Centre(column);

    neq.Allocate(kGrid, kScans, kRadii);
    for (double y : data) neq.DataSquareSum += y * y;
    for (int i = 1; i <= kGrid; ++i) {
      const std::vector<double>& ki = kernel[i - 1];
      for (std::size_t p = 0; p < data.size(); ++p) neq.NormalVector[i] += ki[p] * data[p];
      for (int l = 1; l <= i; ++l) {
        const std::vector<double>& kl = kernel[l - 1];
        double sum = 0.0;
        for (std::size_t p = 0; p < data.size(); ++p) sum += ki[p] * kl[p];
        neq.NormalMatrix[i][l] = neq.NormalMatrix[l][i] = sum;
      }
    }
    context.UnknownCount = kGrid;
    context.Penalty.PointCount = kGrid;
    context.Pvalue = 0.68f;
    context.FitPointCount = kRadii;
    context.ScanCount = kScans;
  }

  // Removes time- and radial-invariant offsets: subtract scan means and
  // radial means, add back the grand mean.
  static void Centre(std::vector<double>& v) {
    std::vector<double> scanMean(kScans, 0.0), radialMean(kRadii, 0.0);
    double grand = 0.0;
    for (int j = 0; j < kScans; ++j)
      for (int k = 0; k < kRadii; ++k) {
        const double y = v[j * kRadii + k];
        scanMean[j] += y / kRadii;
        radialMean[k] += y / kScans;
        grand += y / (kScans * kRadii);
      }
    for (int j = 0; j < kScans; ++j)
      for (int k = 0; k < kRadii; ++k) v[j * kRadii + k] += grand - scanMean[j] - radialMean[k];
  }

  NormalEquationArrays neq;
  RegularizationContext context;
};

void BM_NNLSAlphaZero(benchmark::State& state) {
  Problem p;
  AddSecondDerivativeMatrix(p.neq, p.context.Penalty, 0.0);
  for (auto _ : state) benchmark::DoNotOptimize(NNLS(p.neq, kGrid));
}

void BM_TikhonovAtP068(benchmark::State& state) {
  Problem p;
  RegularizationOutcome out;
  for (auto _ : state) out = ScaleRegularization(p.neq, p.context);
  state.counters["ratio"] = out.ResultChiSquare / out.ChiSquareMin;
  state.counters["target"] = out.TargetChiSquareRatio;
}

void BM_MaxEntAtP068(benchmark::State& state) {
  Problem p;
  RegularizationOutcome out;
  const long long before = CholeskyFactorisationCount();
  for (auto _ : state) out = MaxEntRegularization(p.neq, p.context);
  state.counters["factorisations"] = benchmark::Counter(
      static_cast<double>(CholeskyFactorisationCount() - before), benchmark::Counter::kAvgIterations);
  state.counters["ratio"] = out.ResultChiSquare / out.ChiSquareMin;
  state.counters["target"] = out.TargetChiSquareRatio;
}

}  // namespace

BENCHMARK(BM_NNLSAlphaZero)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TikhonovAtP068)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MaxEntAtP068)->Unit(benchmark::kMillisecond);
