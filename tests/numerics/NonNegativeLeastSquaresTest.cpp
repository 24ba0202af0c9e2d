// Non-negative least squares on normal equations, checked against the
// optimum found by trying every active set, and the failure paths.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

using Rows = std::vector<std::vector<double>>;
using Vec = std::vector<double>;

// Normal equations a = AᵀA, b = Aᵀy of a random design matrix with more rows
// than columns, and data from a solution with some negative entries so that
// the constraint binds.
struct NormalEquations {
  Rows a;
  Vec b;
};

NormalEquations RandomProblem(int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  const int rows = 2 * n + 3;
  Rows design(rows, Vec(n));
  for (auto& row : design)
    for (double& v : row) v = entry(rng);
  Vec truth(n);
  for (double& v : truth) v = 2.0 * entry(rng);
  Vec y(rows);
  for (int r = 0; r < rows; ++r) {
    y[r] = 0.1 * entry(rng);
    for (int j = 0; j < n; ++j) y[r] += design[r][j] * truth[j];
  }
  NormalEquations ne{Rows(n, Vec(n, 0.0)), Vec(n, 0.0)};
  for (int r = 0; r < rows; ++r) {
    for (int i = 0; i < n; ++i) {
      ne.b[i] += design[r][i] * y[r];
      for (int j = 0; j < n; ++j) ne.a[i][j] += design[r][i] * design[r][j];
    }
  }
  return ne;
}

// Gaussian elimination with partial pivoting in long double, independent of
// the solvers under test.
Vec SolveDense(Rows m, Vec rhs) {
  const std::size_t n = rhs.size();
  std::vector<std::vector<long double>> w(n, std::vector<long double>(n + 1));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) w[i][j] = m[i][j];
    w[i][n] = rhs[i];
  }
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t pivot = k;
    for (std::size_t i = k + 1; i < n; ++i)
      if (std::fabs(w[i][k]) > std::fabs(w[pivot][k])) pivot = i;
    std::swap(w[k], w[pivot]);
    for (std::size_t i = k + 1; i < n; ++i) {
      const long double f = w[i][k] / w[k][k];
      for (std::size_t j = k; j <= n; ++j) w[i][j] -= f * w[k][j];
    }
  }
  Vec x(n);
  for (std::size_t i = n; i-- > 0;) {
    long double sum = w[i][n];
    for (std::size_t j = i + 1; j < n; ++j) sum -= w[i][j] * x[j];
    x[i] = static_cast<double>(sum / w[i][i]);
  }
  return x;
}

double Objective(const NormalEquations& ne, const Vec& x) {
  double f = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    f -= ne.b[i] * x[i];
    for (std::size_t j = 0; j < x.size(); ++j) f += 0.5 * x[i] * ne.a[i][j] * x[j];
  }
  return f;
}

// The constrained optimum is the unconstrained optimum on its own support, so
// the best feasible one of all 2ⁿ support optima is the answer.
Vec BruteForceOptimum(const NormalEquations& ne) {
  const int n = static_cast<int>(ne.b.size());
  Vec best(n, 0.0);
  double bestValue = 0.0;
  for (unsigned mask = 1; mask < (1u << n); ++mask) {
    std::vector<int> support;
    for (int i = 0; i < n; ++i)
      if (mask & (1u << i)) support.push_back(i);
    const std::size_t m = support.size();
    Rows sub(m, Vec(m));
    Vec rhs(m);
    for (std::size_t i = 0; i < m; ++i) {
      rhs[i] = ne.b[support[i]];
      for (std::size_t j = 0; j < m; ++j) sub[i][j] = ne.a[support[i]][support[j]];
    }
    const Vec xs = SolveDense(sub, rhs);
    if (std::any_of(xs.begin(), xs.end(), [](double v) { return v < 0; })) continue;
    Vec x(n, 0.0);
    for (std::size_t i = 0; i < m; ++i) x[support[i]] = xs[i];
    const double value = Objective(ne, x);
    if (value < bestValue) {
      bestValue = value;
      best = x;
    }
  }
  return best;
}

// Kuhn-Tucker conditions of the non-negative problem: x ≥ 0, the gradient
// w = b − a·x vanishes on the free variables and points into the
// constraint (w ≤ 0) on the ones held at zero.
void ExpectKuhnTucker(const NormalEquations& ne, const Vec& x, double tol) {
  const std::size_t n = x.size();
  for (std::size_t i = 0; i < n; ++i) {
    double w = ne.b[i];
    for (std::size_t j = 0; j < n; ++j) w -= ne.a[i][j] * x[j];
    EXPECT_GE(x[i], 0.0) << "x[" << i << "]";
    if (x[i] > 0)
      EXPECT_LE(std::fabs(w), tol) << "free variable " << i;
    else
      EXPECT_LE(w, tol) << "held variable " << i;
  }
}

// The caller-owned work arrays of NNLSGeneral.
struct NnlsWork {
  explicit NnlsWork(int size)
      : n(size),
        passive(1, n),
        x(1, n),
        w(1, n),
        b(1, n),
        bsub(1, n),
        z(1, n),
        zsub(1, n),
        p(1, n),
        a(1, n, 1, n),
        asub(1, n, 1, n) {}
  void Load(const Rows& rows, const Vec& rhs) {
    for (int i = 1; i <= n; ++i) {
      b[i] = rhs[i - 1];
      for (int j = 1; j <= n; ++j) a[i][j] = rows[i - 1][j - 1];
    }
  }
  int Run(bool* singular = nullptr) {
    return NNLSGeneral(n, passive.data(), x.data(), w.data(), b.data(), a.get(), bsub.data(),
                       asub.get(), z.data(), zsub.data(), p.data(), &limit, &passes, singular);
  }
  Vec Solution() const {
    Vec v(n);
    for (int i = 1; i <= n; ++i) v[i - 1] = x[i];
    return v;
  }
  int n;
  OneBasedArray<int> passive;
  OneBasedArray<double> x, w, b, bsub, z, zsub, p;
  OneBasedMatrix<double> a, asub;
  double limit = -1, passes = -1;
};

struct FloatProblem {
  FloatProblem(const Rows& rows, const Vec& rhs) : n(static_cast<int>(rhs.size())) {
    a.Resize(1, n, 1, n);
    b.Resize(1, n);
    for (int i = 1; i <= n; ++i) {
      b[i] = static_cast<float>(rhs[i - 1]);
      for (int j = 1; j <= n; ++j) a[i][j] = static_cast<float>(rows[i - 1][j - 1]);
    }
  }
  Vec Solution() const {
    Vec v(n);
    for (int i = 1; i <= n; ++i) v[i - 1] = b[i];
    return v;
  }
  int n;
  OneBasedMatrix<float> a;
  OneBasedArray<float> b;
};

TEST(NonNegativeLeastSquares, MatchesBruteForceOnRandomProblems) {
  std::mt19937 rng(20240611);
  int boundCases = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const int n = 1 + trial % 6;
    SCOPED_TRACE(testing::Message() << "trial " << trial << ", n " << n);
    const NormalEquations ne = RandomProblem(n, rng);
    const Vec expected = BruteForceOptimum(ne);
    if (std::count(expected.begin(), expected.end(), 0.0) > 0) ++boundCases;
    double scale = 1;
    for (double v : expected) scale = std::max(scale, std::fabs(v));

    NnlsWork work(n);
    work.Load(ne.a, ne.b);
    ASSERT_EQ(work.Run(), 1);
    EXPECT_EQ(work.limit, static_cast<double>(n) * n);
    EXPECT_GE(work.passes, 1.0);
    const Vec x = work.Solution();
    for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], expected[i], 1e-9 * scale);
    ExpectKuhnTucker(ne, x, 1e-9 * n * scale);

    FloatProblem f(ne.a, ne.b);
    ASSERT_TRUE(NonNegativeSolve(f.a.get(), f.b.data(), n, true));
    const Vec xf = f.Solution();
    for (int i = 0; i < n; ++i) EXPECT_NEAR(xf[i], expected[i], 2e-4 * scale);
    ExpectKuhnTucker(ne, xf, 2e-4 * n * n * scale);
  }
  // The problems must exercise the constraint, or the test shows little.
  EXPECT_GE(boundCases, 30);
}

TEST(NonNegativeLeastSquares, WorkedExamples) {
  struct Case {
    Rows a;
    Vec b;
    Vec x;
    double passes;
  };
  const std::vector<Case> cases = {
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, -2, 3}, {1, 0, 3}, 3},
      // The unconstrained optimum (10, −10) is infeasible.
      {{{1, 0.9}, {0.9, 1}}, {1, -1}, {1, 0}, 2},
      {{{2}}, {-1}, {0}, 1},
      // Freeing the second variable drives the first negative: a step back to
      // the boundary holds it at zero.
      {{{10, 2}, {2, 1}}, {1.5, 1}, {0, 1}, 3},
  };
  for (const Case& c : cases) {
    const int n = static_cast<int>(c.b.size());
    FloatProblem f(c.a, c.b);
    EXPECT_TRUE(NonNegativeSolve(f.a.get(), f.b.data(), n, false));
    NnlsWork work(n);
    work.Load(c.a, c.b);
    EXPECT_EQ(work.Run(), 1);
    EXPECT_EQ(work.limit, static_cast<double>(n) * n);
    EXPECT_EQ(work.passes, c.passes);
    for (int i = 1; i <= n; ++i) {
      EXPECT_NEAR(f.b[i], c.x[i - 1], 1e-6);
      EXPECT_NEAR(work.x[i], c.x[i - 1], 1e-12);
      EXPECT_EQ(work.b[i], c.b[i - 1]);
      for (int j = 1; j <= n; ++j) {
        EXPECT_EQ(f.a[i][j], static_cast<float>(c.a[i - 1][j - 1]));
        EXPECT_EQ(work.a[i][j], c.a[i - 1][j - 1]);
      }
    }
  }
}

TEST(NonNegativeLeastSquares, EnteringVariableWithoutGainStaysFreeAtZero) {
  // The gradient reads the lower triangle (no coupling), the free solve the
  // upper one (coupling 0.5): freeing variable 2 looks worthwhile but its
  // optimum is negative. Rounding can do the same to a symmetric matrix; the
  // variable must then stay free at zero rather than be freed again and again.
  NnlsWork work(2);
  work.Load({{1, 0.5}, {0, 1}}, {1, 0.4});
  EXPECT_EQ(work.Run(), 1);
  EXPECT_EQ(work.passes, 3.0);
  EXPECT_EQ(work.x[1], 1.0);
  EXPECT_EQ(work.x[2], 0.0);
  EXPECT_EQ(work.passive[2], 1);
}

class NonNegativeLeastSquaresFailures : public HeadlessTest {};

// Freeing both variables of this indefinite matrix leaves a free system that
// Cholesky refuses.
const Rows kIndefinite = {{1, -2}, {-2, 1}};
const Vec kIndefiniteRhs = {1, 0.5};
const Vec kIndefiniteSolution = {-2.0 / 3, -5.0 / 6};
// The same, with a third variable that no data point depends on.
const Rows kIndefiniteWithZeroRow = {{1, -2, 0}, {-2, 1, 0}, {0, 0, 0}};
const Vec kIndefiniteWithZeroRowRhs = {1, 0.5, 0};

TEST_F(NonNegativeLeastSquaresFailures, FreeSystemNotPositiveDefiniteFallsBackToUnconstrained) {
  FloatProblem f(kIndefinite, kIndefiniteRhs);
  EXPECT_TRUE(NonNegativeSolve(f.a.get(), f.b.data(), 2, true));
  NnlsWork work(2);
  work.Load(kIndefinite, kIndefiniteRhs);
  bool singular = true;
  EXPECT_EQ(work.Run(&singular), 0);  // LU served the fallback
  EXPECT_FALSE(singular);
  EXPECT_EQ(work.limit, 4.0);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_NEAR(f.b[i], kIndefiniteSolution[i - 1], 1e-6);
    EXPECT_NEAR(work.x[i], kIndefiniteSolution[i - 1], 1e-12);
  }
  EXPECT_EQ(LogLinesWith("matrix not positive definite in NNLS").size(), 1u);
}

TEST_F(NonNegativeLeastSquaresFailures, SingularFallbackIsReportedNotFatal) {
  FloatProblem f(kIndefiniteWithZeroRow, kIndefiniteWithZeroRowRhs);
  EXPECT_FALSE(NonNegativeSolve(f.a.get(), f.b.data(), 3, true));
  NnlsWork work(3);
  work.Load(kIndefiniteWithZeroRow, kIndefiniteWithZeroRowRhs);
  bool singular = false;
  EXPECT_EQ(work.Run(&singular), 0);
  EXPECT_TRUE(singular);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(f.b[i], 0.0f);
    EXPECT_EQ(work.x[i], 0.0);
  }
  EXPECT_TRUE(LogLinesWith("Singular matrix").empty());
}

TEST_F(NonNegativeLeastSquaresFailures, PassLimitGivesClippedUnconstrainedSolution) {
  // Not symmetric, so the active set never settles.
  const Rows a = {{3.8, -2.3, 1.3}, {1.1, 4, 0.7}, {-2.4, -3, 2.3}};
  const Vec b = {1.7, 0.7, 0.2};
  NnlsWork work(3);
  work.Load(a, b);
  bool singular = true;
  EXPECT_EQ(work.Run(&singular), 0);
  EXPECT_FALSE(singular);
  EXPECT_EQ(work.limit, 9.0);
  EXPECT_EQ(work.passes, 10.0);
  EXPECT_EQ(LogLinesWith("max #iteration exceeded in NNLS").size(), 1u);
  EXPECT_TRUE(LogLinesWith("quit").empty());

  // Cholesky reads the upper triangle, so the fallback solves the symmetric
  // matrix that it defines.
  Rows upper = a;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < i; ++j) upper[i][j] = a[j][i];
  const Vec unconstrained = SolveDense(upper, b);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_NEAR(work.x[i], std::max(0.0, unconstrained[i - 1]), 1e-12);
    EXPECT_EQ(work.b[i], b[i - 1]);
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(work.a[i][j], a[i - 1][j - 1]);
  }
}

}  // namespace
