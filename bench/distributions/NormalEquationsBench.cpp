// Assembly of the normal equations of a c(s) analysis with time- and
// radial-invariant noise: 100 grid points, 60 scans of 1200 fit radii on a
// common grid of 1401 points (5.8 to 7.2 cm every 0.001 cm), on 1, 2 and 8
// worker threads. The kernel holds sedimenting boundaries with radial
// dilution and diffusional spreading. Counters: GFLOP/s of the whole build
// and per worker, counting two floating-point operations per multiply-add of
// the lower triangle, the right-hand side and the square sum.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <numbers>
#include <random>
#include <vector>

#include "distributions/DistributionArrays.h"
#include "distributions/DistributionNormalEquations.h"
#include "distributions/ThreadedNormalEquations.h"
#include "state/ComputationAbort.h"
#include "numerics/DenseKernels.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr int kGrid = 100;
constexpr int kScans = 60;
constexpr int kRadii = 1401;
constexpr int kFitFirst = 101, kFitLast = 1300;  // 5.9 to 7.099 cm

struct Experiment {
  DistributionKernelArray kernel;
  OneBasedMatrix<float> data{1, kScans, 1, kRadii};
  NormalEquationArrays neq;

  Experiment() {
    kernel.Allocate(kGrid, kScans, kRadii);
    neq.Allocate(kGrid, kScans, kRadii);
    const double meniscus = 5.8, omega2 = std::pow(50000.0 * std::numbers::pi / 30.0, 2.0);
    std::mt19937 rng(17u);
    std::normal_distribution<double> noise(0.0, 0.005);
    for (int s = 1; s <= kScans; ++s) {
      const double t = 300.0 * s;
      for (int g = 1; g <= kGrid; ++g) {
        const double sv = 0.5 + 14.5 * (g - 1) / (kGrid - 1);
        const double x = sv * 1e-13 * omega2 * t;
        const double boundary = meniscus * std::exp(x);
        const double width = 0.005 + 0.04 * std::sqrt(t / 18000.0) / std::sqrt(sv);
        float* column = kernel.get()[g][s];
        for (int r = 1; r <= kRadii; ++r) {
          const double radius = meniscus + 0.001 * (r - 1);
          column[r] =
              static_cast<float>(std::exp(-2.0 * x) * 0.5 * std::erfc((boundary - radius) / width));
        }
      }
      for (int r = 1; r <= kRadii; ++r)
        data[s][r] =
            static_cast<float>(0.3 * kernel.get()[30][s][r] + 0.2 * kernel.get()[60][s][r] +
                               0.01 * std::sin(0.01 * r) + 0.002 * s + noise(rng));
    }
  }

  NormalEquationProblem Problem() {
    NormalEquationProblem p;
    p.Kernel = kernel.get();
    p.Data = data.get();
    p.KernelColumns = kGrid;
    p.ScanCount = kScans;
    p.RadiusCount = kRadii;
    p.FitFirst = kFitFirst;
    p.FitLast = kFitLast;
    p.Noise = SystematicNoise::TimeAndRadialInvariant;
    return p;
  }
};

void BM_NormalEquationsTIRI(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  Experiment e;
  const NormalEquationProblem problem = e.Problem();
  ComputationAbort = false;
  const std::clock_t cpuStart = std::clock();
  for (auto _ : state) {
    NoiseEliminationRecord record;
    const bool built = NormalEquationsThreaded(problem, e.neq, record, threads);
    if (!built) state.SkipWithError("interrupted");
    benchmark::DoNotOptimize(e.neq.NormalMatrix[kGrid][1]);
  }
  const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double points = static_cast<double>(kScans) * (kFitLast - kFitFirst + 1);
  const double flops = 2.0 * points * (kGrid * (kGrid + 1) / 2.0 + kGrid + 1);
  state.counters["GFLOPs"] =
      benchmark::Counter(flops * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["GFLOPs_per_core"] =
      benchmark::Counter(flops * 1e-9 / threads, benchmark::Counter::kIsIterationInvariantRate);
  // Per second of the CPU time of all threads: what a core delivers while
  // it works, whatever else the machine runs.
  state.counters["GFLOP_per_cpu_s"] =
      flops * 1e-9 * static_cast<double>(state.iterations()) / cpuSeconds;
}
BENCHMARK(BM_NormalEquationsTIRI)
    ->Arg(1)
    ->Arg(2)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->MinTime(1.0);

// The library's rank update alone on the same shape, from blocks already in
// double: one update of the data and kernel columns per scan. What the
// build could reach if copying and centring cost nothing.
void BM_GramOfScanBlocks(benchmark::State& state) {
  constexpr int order = kGrid + 1, fit = kFitLast - kFitFirst + 1;
  std::mt19937 rng(5u);
  std::uniform_real_distribution<double> value(0.0, 1.0);
  std::vector<double> blocks(static_cast<std::size_t>(kScans) * fit * order);
  for (double& v : blocks) v = value(rng);
  std::vector<double> gram(static_cast<std::size_t>(order) * order);
  for (auto _ : state) {
    for (int s = 0; s < kScans; ++s) {
      const double* block = blocks.data() + static_cast<std::size_t>(s) * fit * order;
      if (s == 0)
        SetGramLower(order, fit, block, fit, gram.data(), order);
      else
        AddGramLower(order, fit, block, fit, gram.data(), order);
    }
    benchmark::DoNotOptimize(gram.data());
  }
  const double points = static_cast<double>(kScans) * fit;
  const double flops = 2.0 * points * (kGrid * (kGrid + 1) / 2.0 + kGrid + 1);
  state.counters["GFLOPs"] =
      benchmark::Counter(flops * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_GramOfScanBlocks)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The same with the blocks laid out a row per radius and the program's own
// Gram kernel (AddGramOfRowsLower), as the build now sums them.
void BM_GramOfRowBlocks(benchmark::State& state) {
  constexpr int order = kGrid + 1, fit = kFitLast - kFitFirst + 1;
  const int ld = GramRowStride(order);
  std::mt19937 rng(5u);
  std::uniform_real_distribution<double> value(0.0, 1.0);
  std::vector<double> blocks(static_cast<std::size_t>(kScans) * fit * static_cast<std::size_t>(ld),
                             0.0);
  for (std::size_t r = 0; r < static_cast<std::size_t>(kScans) * fit; ++r)
    for (int i = 0; i < order; ++i) blocks[r * static_cast<std::size_t>(ld) + i] = value(rng);
  std::vector<double> gram(static_cast<std::size_t>(order) * order);
  for (auto _ : state) {
    std::fill(gram.begin(), gram.end(), 0.0);
    for (int s = 0; s < kScans; ++s)
      AddGramOfRowsLower(order, fit,
                         blocks.data() + static_cast<std::size_t>(s) * fit * static_cast<std::size_t>(ld),
                         ld, gram.data(), order);
    benchmark::DoNotOptimize(gram.data());
  }
  const double points = static_cast<double>(kScans) * fit;
  const double flops = 2.0 * points * (kGrid * (kGrid + 1) / 2.0 + kGrid + 1);
  state.counters["GFLOPs"] =
      benchmark::Counter(flops * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_GramOfRowBlocks)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
