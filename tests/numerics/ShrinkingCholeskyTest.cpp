// The factor that loses variables: after each removal its solution must
// satisfy the system without the removed rows and columns, checked by the
// residual of that system built independently from the matrix.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "numerics/ShrinkingCholesky.h"

namespace {

// A well-conditioned symmetric positive-definite matrix, Gram matrix of
// random columns plus a diagonal, with the rows and columns in zeroRows all
// zero.
OneBasedMatrix<double> RandomSystem(int n, unsigned seed, const std::vector<int>& zeroRows) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  std::vector<std::vector<double>> columns(static_cast<std::size_t>(n),
                                           std::vector<double>(static_cast<std::size_t>(n) + 5));
  for (auto& c : columns)
    for (double& v : c) v = entry(rng);
  OneBasedMatrix<double> a(1, n, 1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) {
      double sum = i == j ? 0.5 : 0.0;
      for (std::size_t k = 0; k < columns[0].size(); ++k)
        sum += columns[static_cast<std::size_t>(i - 1)][k] * columns[static_cast<std::size_t>(j - 1)][k];
      a[i][j] = sum;
    }
  for (int z : zeroRows)
    for (int k = 1; k <= n; ++k) a[z][k] = a[k][z] = 0.0;
  return a;
}

// Largest |(A x − b)_i| over the variables still in the system, relative to
// the largest |b_i|; removed variables must have x_i = 0 exactly.
double ReducedResidual(const OneBasedMatrix<double>& a, const std::vector<char>& out,
                       const OneBasedArray<double>& b, const OneBasedArray<double>& x, int n) {
  double worst = 0.0, scale = 0.0;
  for (int i = 1; i <= n; ++i) {
    if (out[static_cast<std::size_t>(i)] != 0) {
      EXPECT_EQ(x[i], 0.0) << i;
      continue;
    }
    double r = -b[i];
    for (int j = 1; j <= n; ++j)
      if (out[static_cast<std::size_t>(j)] == 0) r += a[i][j] * x[j];
    worst = std::max(worst, std::fabs(r));
    scale = std::max(scale, std::fabs(b[i]));
  }
  return worst / scale;
}

TEST(ShrinkingCholeskyTest, SolvesEachReducedSystem) {
  struct Case {
    const char* name;
    int n;
    std::vector<int> zeroRows;
    std::vector<int> removals;  // in this order, one repeated
  } cases[] = {
      {"small", 6, {}, {3, 1, 6, 3}},
      {"blocked order, zero rows, first and last removed", 90, {2, 57}, {1, 90, 40, 41, 2, 13, 40}},
      {"all but three removed", 70, {5}, {}},
  };
  // Every variable but 9, 33 and 34, in a scattered order (37 q mod 71
  // runs through 1..70).
  for (int q = 1; q <= 70; ++q)
    if (const int r = q * 37 % 71; r != 9 && r != 33 && r != 34) cases[2].removals.push_back(r);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const OneBasedMatrix<double> a = RandomSystem(c.n, 7u, c.zeroRows);
    OneBasedArray<double> b(1, c.n), x(1, c.n);
    std::mt19937 rng(3u);
    std::uniform_real_distribution<double> entry(-1.0, 1.0);
    for (int i = 1; i <= c.n; ++i) b[i] = entry(rng);

    ShrinkingCholesky factor;
    ASSERT_TRUE(factor.Factor(a.get(), c.n));
    std::vector<char> out(static_cast<std::size_t>(c.n) + 1, 0);
    for (int z : c.zeroRows) {
      out[static_cast<std::size_t>(z)] = 1;
      EXPECT_TRUE(factor.Removed(z));
    }
    factor.Solve(b.data(), x.data());
    EXPECT_LT(ReducedResidual(a, out, b, x, c.n), 1e-11);
    for (int r : c.removals) {
      factor.Remove(r);
      out[static_cast<std::size_t>(r)] = 1;
      factor.Solve(b.data(), x.data());
      EXPECT_LT(ReducedResidual(a, out, b, x, c.n), 1e-11) << "after removing " << r;
    }
    // A new right-hand side after the removals is solved afresh.
    for (int i = 1; i <= c.n; ++i) b[i] = entry(rng);
    factor.Solve(b.data(), x.data());
    EXPECT_LT(ReducedResidual(a, out, b, x, c.n), 1e-11) << "second right-hand side";
  }
}

// Two variables whose columns are almost equal: after both are removed the
// rest is well conditioned and must be solved to full accuracy, although
// the removals themselves are nearly dependent on each other.
TEST(ShrinkingCholeskyTest, StaysAccurateWhenTheRemovedVariablesNearlyCoincide) {
  const int n = 40;
  OneBasedMatrix<double> a = RandomSystem(n, 5u, {});
  // Variable 12 becomes variable 30 plus a tiny independent part.
  const double tiny = 1e-4;
  for (int k = 1; k <= n; ++k)
    if (k != 12) a[12][k] = a[k][12] = a[30][k];
  a[12][12] = a[30][30] + tiny * tiny;
  a[12][30] = a[30][12] = a[30][30];
  OneBasedArray<double> b(1, n), x(1, n);
  for (int i = 1; i <= n; ++i) b[i] = std::sin(i);
  ShrinkingCholesky factor;
  ASSERT_TRUE(factor.Factor(a.get(), n));
  std::vector<char> out(static_cast<std::size_t>(n) + 1, 0);
  for (int r : {12, 30, 7}) {
    factor.Remove(r);
    out[static_cast<std::size_t>(r)] = 1;
  }
  factor.Solve(b.data(), x.data());
  EXPECT_LT(ReducedResidual(a, out, b, x, n), 1e-11);
}

// Large enough for the inverse to be shared among threads: the solutions
// must be the same to the bit with one thread or several, and right.
TEST(ShrinkingCholeskyTest, GivesTheSameBitsOnAnyNumberOfThreads) {
  const int n = 300;
  const OneBasedMatrix<double> a = RandomSystem(n, 13u, {150});
  OneBasedArray<double> b(1, n);
  for (int i = 1; i <= n; ++i) b[i] = std::cos(0.3 * i);
  std::vector<OneBasedArray<double>> solutions;
  for (int threads : {1, 3, 8}) {
    SCOPED_TRACE(threads);
    ShrinkingCholesky factor;
    factor.SetThreads(threads);
    ASSERT_TRUE(factor.Factor(a.get(), n));
    std::vector<char> out(static_cast<std::size_t>(n) + 1, 0);
    out[150] = 1;
    for (int r : {1, 77, 300, 31, 140, 260}) {
      factor.Remove(r);
      out[static_cast<std::size_t>(r)] = 1;
    }
    OneBasedArray<double> x(1, n);
    factor.Solve(b.data(), x.data());
    EXPECT_LT(ReducedResidual(a, out, b, x, n), 1e-11);
    solutions.push_back(std::move(x));
  }
  for (std::size_t t = 1; t < solutions.size(); ++t)
    for (int i = 1; i <= n; ++i) ASSERT_EQ(solutions[t][i], solutions[0][i]) << i;
}

TEST(ShrinkingCholeskyTest, RefusesAMatrixThatIsNotPositiveDefinite) {
  OneBasedMatrix<double> a = RandomSystem(60, 11u, {});
  a[30][30] = -1.0;
  ShrinkingCholesky factor;
  EXPECT_FALSE(factor.Factor(a.get(), 60));
  a[30][30] = std::nan("");
  EXPECT_FALSE(factor.Factor(a.get(), 60));
}

}  // namespace
