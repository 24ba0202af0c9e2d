// Cost of the tridiagonal solution that ends every implicit Lamm step, on the
// grid sizes the solver chooses between (200 to 2000 nodes).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "lamm/Tridiagonal.h"
#include "numerics/OneBasedArrays.h"

namespace {

// A Crank-Nicolson-like system: diagonally dominant, random right-hand side.
struct BenchSystem {
  explicit BenchSystem(int size)
      : n(size),
        a(1, size),
        b(1, size),
        c(1, size),
        r(1, size),
        u(1, size),
        gamma(1, size),
        beta(1, size) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> off(-1.0, 1.0);
    for (int i = 1; i <= n; ++i) {
      a[i] = i > 1 ? off(rng) : 0.0;
      c[i] = i < n ? off(rng) : 0.0;
      b[i] = 2.5 + off(rng);
      r[i] = off(rng);
    }
  }
  TridagWork Work() { return {gamma.data(), beta.data(), &error}; }

  int n;
  OneBasedArray<double> a, b, c, r, u, gamma, beta;
  std::int32_t error = 0;
};

void BM_tridag(benchmark::State& state) {
  BenchSystem s(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    tridag(s.Work(), s.a.data(), s.b.data(), s.c.data(), s.r.data(), s.u.data(), s.n);
    benchmark::DoNotOptimize(s.u.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_tridag)->Arg(200)->Arg(500)->Arg(1000)->Arg(2000);

// The re-solve with kept pivots that steps of unchanged size take.
void BM_SolveWithStoredPivots(benchmark::State& state) {
  BenchSystem s(static_cast<int>(state.range(0)));
  tridag(s.Work(), s.a.data(), s.b.data(), s.c.data(), s.r.data(), s.u.data(), s.n);
  for (auto _ : state) {
    SolveWithStoredPivots(s.Work(), s.a.data(), s.r.data(), s.u.data(), s.n);
    benchmark::DoNotOptimize(s.u.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SolveWithStoredPivots)->Arg(200)->Arg(500)->Arg(1000)->Arg(2000);

// The right-hand side (M + dt/2 B) c of a Crank-Nicolson step.
void BM_TridiagonalPairTimesVector(benchmark::State& state) {
  BenchSystem m(static_cast<int>(state.range(0)));
  BenchSystem t(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TridiagonalPairTimesVector(m.a.data(), m.b.data(), m.c.data(), 1.0, t.a.data(), t.b.data(),
                               t.c.data(), 0.5, m.r.data(), m.u.data(), m.n);
    benchmark::DoNotOptimize(m.u.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TridiagonalPairTimesVector)->Arg(200)->Arg(2000);

}  // namespace
