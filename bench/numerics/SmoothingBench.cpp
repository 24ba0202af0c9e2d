#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "numerics/CVector.h"
#include "numerics/Smoothing.h"

namespace {

CVector NoisyProfile(unsigned n) {
  std::mt19937 random(1);
  std::normal_distribution<float> noise(0.0f, 0.01f);
  CVector v(n);
  for (unsigned i = 0; i < n; ++i)
    v[i] = std::exp(-std::pow((static_cast<float>(i) / n - 0.5f) * 8.0f, 2.0f)) + noise(random);
  return v;
}

// Whole-vector smoothing of 10^5 points: windows of 2k+1 points, quadratic.
void BM_SmoothVector(benchmark::State& state) {
  const int half = static_cast<int>(state.range(0));
  const CVector original = NoisyProfile(100000);
  CVector v;
  for (auto _ : state) {
    state.PauseTiming();
    v.Assign(original);
    state.ResumeTiming();
    benchmark::DoNotOptimize(v.Smooth(half, half, 2));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_SmoothVector)->Arg(5)->Arg(12)->Arg(25)->Unit(benchmark::kMicrosecond);

void BM_SavgolCoefficients(benchmark::State& state) {
  float c[52];
  for (auto _ : state) {
    savgol(c, 51, 25, 25, 0, 2);
    benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(BM_SavgolCoefficients);

}  // namespace
