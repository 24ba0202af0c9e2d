// Dense solvers on the normal equations of seeded random least-squares
// problems, at the sizes of the distribution and global fits.

#include <benchmark/benchmark.h>

#include <random>

#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"

namespace {

// a = AᵀA, b = Aᵀy for a random A with 2n rows: positive definite with a
// condition number of a few tens. y comes from a solution with about a third of its
// entries negative, so that the non-negative solution holds those at zero.
struct Problem {
  explicit Problem(int size) : n(size), a(1, n, 1, n), b(1, n) {
    std::mt19937 rng(12345u + static_cast<unsigned>(n));
    std::uniform_real_distribution<double> entry(-1.0, 1.0);
    const int rows = 2 * n;
    OneBasedMatrix<double> design(1, rows, 1, n);
    for (int r = 1; r <= rows; ++r)
      for (int j = 1; j <= n; ++j) design[r][j] = entry(rng);
    OneBasedArray<double> truth(1, n);
    for (int j = 1; j <= n; ++j) truth[j] = entry(rng) + 0.35;
    for (int r = 1; r <= rows; ++r) {
      double y = 0.01 * entry(rng);
      for (int j = 1; j <= n; ++j) y += design[r][j] * truth[j];
      for (int i = 1; i <= n; ++i) b[i] += design[r][i] * y;
    }
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) {
        double sum = 0.0;
        for (int r = 1; r <= rows; ++r) sum += design[r][i] * design[r][j];
        a[i][j] = sum;
      }
  }
  int n;
  OneBasedMatrix<double> a;
  OneBasedArray<double> b;
};

void BM_CholeskyOrLUSolveD(benchmark::State& state) {
  Problem pr(static_cast<int>(state.range(0)));
  OneBasedArray<double> x(1, pr.n), p(1, pr.n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(CholeskyOrLUSolveD(pr.a.get(), pr.b.data(), pr.n, x.data(), p.data()));
    benchmark::ClobberMemory();
  }
}

void BM_LuSolveDouble(benchmark::State& state) {
  Problem pr(static_cast<int>(state.range(0)));
  OneBasedArray<double> x(1, pr.n);
  for (auto _ : state) {
    for (int i = 1; i <= pr.n; ++i) x[i] = pr.b[i];
    benchmark::DoNotOptimize(dlusolve(pr.a.get(), x.data(), pr.n, true));
    benchmark::ClobberMemory();
  }
}

void BM_NNLSGeneral(benchmark::State& state) {
  Problem pr(static_cast<int>(state.range(0)));
  const int n = pr.n;
  OneBasedArray<int> passive(1, n);
  OneBasedArray<double> x(1, n), w(1, n), bsub(1, n), z(1, n), zsub(1, n), p(1, n);
  OneBasedMatrix<double> asub(1, n, 1, n);
  double limit = 0, passes = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(NNLSGeneral(n, passive.data(), x.data(), w.data(), pr.b.data(),
                                         pr.a.get(), bsub.data(), asub.get(), z.data(), zsub.data(),
                                         p.data(), &limit, &passes));
    benchmark::ClobberMemory();
  }
  int zeros = 0;
  for (int i = 1; i <= n; ++i) zeros += x[i] == 0.0 ? 1 : 0;
  state.counters["passes"] = passes;
  state.counters["zeros"] = zeros;
}

void BM_NonNegativeSolveFloat(benchmark::State& state) {
  Problem pr(static_cast<int>(state.range(0)));
  const int n = pr.n;
  OneBasedMatrix<float> a(1, n, 1, n);
  OneBasedArray<float> b(1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a[i][j] = static_cast<float>(pr.a[i][j]);
  for (auto _ : state) {
    for (int i = 1; i <= n; ++i) b[i] = static_cast<float>(pr.b[i]);
    benchmark::DoNotOptimize(NonNegativeSolve(a.get(), b.data(), n, true));
    benchmark::ClobberMemory();
  }
  int zeros = 0;
  for (int i = 1; i <= n; ++i) zeros += b[i] == 0.0f ? 1 : 0;
  state.counters["zeros"] = zeros;
}

}  // namespace

BENCHMARK(BM_CholeskyOrLUSolveD)->Arg(16)->Arg(32)->Arg(64)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LuSolveDouble)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NNLSGeneral)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NonNegativeSolveFloat)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);
