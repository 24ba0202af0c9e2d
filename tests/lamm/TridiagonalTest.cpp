#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "lamm/Tridiagonal.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

// A tridiagonal system with its own storage, the work arrays of an owning
// solver and a dense copy of the matrix for independent checks.
struct System {
  explicit System(int size)
      : n(size),
        a(1, size),
        b(1, size),
        c(1, size),
        r(1, size),
        u(1, size),
        gamma(1, size),
        pivots(1, size) {}

  // Rows given as {a, b, c}; a of row 1 and c of row n are ignored.
  System(std::initializer_list<std::array<double, 3>> rows, std::vector<double> rhs)
      : System(static_cast<int>(rows.size())) {
    int i = 1;
    for (const auto& row : rows) a[i] = row[0], b[i] = row[1], c[i] = row[2], ++i;
    for (int k = 1; k <= n; ++k) r[k] = rhs[static_cast<std::size_t>(k - 1)];
  }

  TridagWork Work() { return {gamma.data(), pivots.data(), &error}; }
  bool Solve() { return tridag(Work(), a.data(), b.data(), c.data(), r.data(), u.data(), n); }

  double Entry(int i, int j) const {
    if (j == i) return b[i];
    if (j == i - 1) return a[i];
    if (j == i + 1) return c[i];
    return 0.0;
  }

  int n;
  OneBasedArray<double> a, b, c, r, u, gamma, pivots;
  std::int32_t error = 0;
};

// Gaussian elimination with partial pivoting on the dense matrix: a truth
// that shares nothing with the Thomas algorithm.
std::vector<double> DenseSolve(const System& s, const OneBasedArray<double>& rhs) {
  const int n = s.n;
  std::vector<std::vector<double>> m(static_cast<std::size_t>(n),
                                     std::vector<double>(static_cast<std::size_t>(n + 1)));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i][j] = s.Entry(i + 1, j + 1);
    m[i][n] = rhs[i + 1];
  }
  for (int k = 0; k < n; ++k) {
    int p = k;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(m[i][k]) > std::fabs(m[p][k])) p = i;
    std::swap(m[k], m[p]);
    for (int i = k + 1; i < n; ++i) {
      const double f = m[i][k] / m[k][k];
      for (int j = k; j <= n; ++j) m[i][j] -= f * m[k][j];
    }
  }
  std::vector<double> x(static_cast<std::size_t>(n));
  for (int i = n - 1; i >= 0; --i) {
    double sum = m[i][n];
    for (int j = i + 1; j < n; ++j) sum -= m[i][j] * x[j];
    x[i] = sum / m[i][i];
  }
  return x;
}

// A random diagonally dominant system (the kind every Crank-Nicolson step
// produces for small enough steps).
System RandomSystem(int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> off(-1.0, 1.0), rhs(-10.0, 10.0), sign(0.0, 1.0);
  System s(n);
  for (int i = 1; i <= n; ++i) {
    s.a[i] = i > 1 ? off(rng) : 0.0;
    s.c[i] = i < n ? off(rng) : 0.0;
    const double margin = 0.1 + sign(rng);
    const double dominant = std::fabs(s.a[i]) + std::fabs(s.c[i]) + margin;
    s.b[i] = sign(rng) < 0.5 ? -dominant : dominant;
    s.r[i] = rhs(rng);
  }
  return s;
}

void ExpectNear(const OneBasedArray<double>& got, const std::vector<double>& want, double tol) {
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_NEAR(got[static_cast<int>(i) + 1], want[i], tol * (1.0 + std::fabs(want[i])))
        << "row " << i + 1;
}

using TridagTest = HeadlessTest;

TEST_F(TridagTest, SolvesHandWorkedSystems) {
  struct Case {
    const char* name;
    System system;
    std::vector<double> solution;
  };
  Case cases[] = {
      {"1x1", System({{0, 4, 0}}, {2}), {0.5}},
      {"2x2", System({{0, 2, 1}, {1, 3, 0}}, {5, 10}), {1, 3}},
      {"3x3 symmetric", System({{0, 4, 1}, {1, 4, 1}, {1, 4, 0}}, {6, 12, 14}), {1, 2, 3}},
      // Pivots 1, -5, -0.6: the elimination passes through negative pivots.
      {"3x3 unsymmetric", System({{0, 1, 2}, {3, 1, 1}, {2, -1, 0}}, {-1, 4, -4}), {1, -1, 2}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.system.Solve());
    EXPECT_EQ(c.system.error, 0);
    ExpectNear(c.system.u, c.solution, 1e-14);
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(TridagTest, AgreesWithDenseEliminationOnRandomDominantSystems) {
  std::mt19937 rng(20240611);
  for (int n : {1, 2, 3, 7, 64, 200}) {
    SCOPED_TRACE(n);
    for (int trial = 0; trial < 3; ++trial) {
      System s = RandomSystem(n, rng);
      const std::vector<double> truth = DenseSolve(s, s.r);
      ASSERT_TRUE(s.Solve());
      ExpectNear(s.u, truth, 1e-12);
    }
  }
}

TEST_F(TridagTest, ReusedFactorsSolveANewRightHandSideLikeAFreshSolution) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> rhs(-3.0, 3.0);
  for (int n : {1, 2, 40}) {
    SCOPED_TRACE(n);
    System s = RandomSystem(n, rng);
    ASSERT_TRUE(s.Solve());
    for (int i = 1; i <= n; ++i) s.r[i] = rhs(rng);
    const std::vector<double> truth = DenseSolve(s, s.r);

    OneBasedArray<double> stored(1, n), factored(1, n), gamma(1, n), beta(1, n);
    SolveWithStoredPivots(s.Work(), s.a.data(), s.r.data(), stored.data(), n);
    ASSERT_TRUE(
        FactorTridiagonal(s.a.data(), s.b.data(), s.c.data(), n, gamma.data(), beta.data()));
    SolveFactoredTridiagonal(s.a.data(), gamma.data(), beta.data(), s.r.data(), factored.data(), n);
    ASSERT_TRUE(s.Solve());
    for (int i = 1; i <= n; ++i) {
      EXPECT_DOUBLE_EQ(stored[i], s.u[i]);
      EXPECT_DOUBLE_EQ(factored[i], s.u[i]);
    }
    ExpectNear(s.u, truth, 1e-12);
  }
}

// A zero pivot is reported once, sets the owner's flag and never divides:
// the rows from the failing one on keep what the caller had in them.
TEST_F(TridagTest, ZeroPivotIsReportedToTheOwnerAndStopsBeforeDividing) {
  struct Case {
    const char* name;
    System system;
    const char* message;
    int firstUntouchedRow;
    std::vector<double> forwardValues;
  };
  Case cases[] = {
      {"zero first diagonal",
       System({{0, 0, 1}, {1, 2, 1}, {1, 2, 0}}, {1, 2, 3}),
       "Error 1 in tridag",
       1,
       {}},
      // Pivots 1, 1, 0: the third row is singular after elimination.
      {"zero pivot in row 3",
       System({{0, 1, 1}, {1, 2, 1}, {1, 1, 1}, {1, 5, 0}}, {2, 3, 4, 5}),
       "Error 2 in tridag",
       3,
       {2, 1}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    backend().ClearLog();
    System& s = c.system;
    const double sentinel = -777.0;
    for (int i = 1; i <= s.n; ++i) s.u[i] = sentinel;

    EXPECT_FALSE(s.Solve());
    EXPECT_EQ(s.error, 1);
    const auto boxes = LogLinesWith("tridag");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(c.message), std::string::npos) << boxes[0];
    for (std::size_t i = 0; i < c.forwardValues.size(); ++i)
      EXPECT_DOUBLE_EQ(s.u[static_cast<int>(i) + 1], c.forwardValues[i]);
    for (int i = c.firstUntouchedRow; i <= s.n; ++i) EXPECT_EQ(s.u[i], sentinel);

    OneBasedArray<double> gamma(1, s.n), beta(1, s.n);
    EXPECT_FALSE(
        FactorTridiagonal(s.a.data(), s.b.data(), s.c.data(), s.n, gamma.data(), beta.data()));
  }
  EXPECT_FALSE(backend().QuitCode().has_value());
}

TEST(TridiagonalProducts, MatchTheDenseProductAndInvertTheSolve) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> value(-2.0, 2.0);
  for (int n : {1, 2, 3, 30}) {
    SCOPED_TRACE(n);
    System s = RandomSystem(n, rng);
    OneBasedArray<double> x(1, n), y(1, n);
    for (int i = 1; i <= n; ++i) x[i] = value(rng);
    TridiagonalTimesVector(s.a.data(), s.b.data(), s.c.data(), x.data(), y.data(), n);
    for (int i = 1; i <= n; ++i) {
      double dense = 0.0;
      for (int j = 1; j <= n; ++j) dense += s.Entry(i, j) * x[j];
      EXPECT_NEAR(y[i], dense, 1e-13);
    }
    s.r = y;
    ASSERT_TRUE(s.Solve());
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(s.u[i], x[i], 1e-12);
  }
}

TEST(TridiagonalProducts, PairProductCombinesTheTwoMatrices) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> value(-2.0, 2.0);
  for (int n : {1, 2, 25}) {
    SCOPED_TRACE(n);
    System t1 = RandomSystem(n, rng), t2 = RandomSystem(n, rng);
    OneBasedArray<double> x(1, n), y1(1, n), y2(1, n), pair(1, n);
    for (int i = 1; i <= n; ++i) x[i] = value(rng);
    TridiagonalTimesVector(t1.a.data(), t1.b.data(), t1.c.data(), x.data(), y1.data(), n);
    TridiagonalTimesVector(t2.a.data(), t2.b.data(), t2.c.data(), x.data(), y2.data(), n);

    TridiagonalPairTimesVector(t1.a.data(), t1.b.data(), t1.c.data(), 1.0, t2.a.data(), t2.b.data(),
                               t2.c.data(), 0.0, x.data(), pair.data(), n);
    for (int i = 1; i <= n; ++i) EXPECT_DOUBLE_EQ(pair[i], y1[i]);

    // The Crank-Nicolson right-hand side (M + dt/2 B) x.
    const double alpha = 1.0, beta = 0.37;
    TridiagonalPairTimesVector(t1.a.data(), t1.b.data(), t1.c.data(), alpha, t2.a.data(),
                               t2.b.data(), t2.c.data(), beta, x.data(), pair.data(), n);
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(pair[i], alpha * y1[i] + beta * y2[i], 1e-13);
  }
}

}  // namespace
