// LU and Cholesky decompositions, the normal-equation solvers built on them,
// and the small determinants.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

using Rows = std::vector<std::vector<double>>;

template <class T>
OneBasedMatrix<T> MakeMatrix(const Rows& rows) {
  const int n = static_cast<int>(rows.size());
  OneBasedMatrix<T> m(1, n, 1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) m[i][j] = static_cast<T>(rows[i - 1][j - 1]);
  return m;
}

template <class T>
OneBasedArray<T> MakeVector(const std::vector<double>& values) {
  const int n = static_cast<int>(values.size());
  OneBasedArray<T> v(1, n);
  for (int i = 1; i <= n; ++i) v[i] = static_cast<T>(values[i - 1]);
  return v;
}

std::vector<double> Multiply(const Rows& a, const std::vector<double>& x) {
  std::vector<double> b(a.size(), 0.0);
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < x.size(); ++j) b[i] += a[i][j] * x[j];
  return b;
}

template <class T>
void ExpectMatrixEquals(OneBasedMatrix<T>& m, const Rows& rows) {
  const int n = static_cast<int>(rows.size());
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      EXPECT_EQ(m[i][j], static_cast<T>(rows[i - 1][j - 1])) << "at " << i << "," << j;
}

template <class T>
constexpr double Tolerance() {
  return sizeof(T) == sizeof(float) ? 2e-5 : 1e-12;
}

// --- LU decomposition ----------------------------------------------------

struct LuCase {
  std::string name;
  Rows a;
  std::vector<double> x;  // solution; the right-hand side is a·x
  double d;               // sign of the row permutation
};

const std::vector<LuCase> kLuCases = {
    {"OneByOne", {{4}}, {0.5}, 1},
    {"ZeroLeadingPivot", {{0, 1}, {1, 1}}, {1, 2}, -1},
    {"ReversingPermutation", {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}}, {3, 2, 1}, -1},
    // Row 1 has the largest entry of column 1 but is dominated by its
    // 1000: the scaled choice takes row 2.
    {"ImplicitScalingChoosesPivot", {{3, 1000, 0}, {2, 1, 1}, {1, 2, 3}}, {1, 2, 3}, -1},
    {"EqualScaledPivotsLastWins", {{1, 1}, {2, 1}}, {1, 2}, -1},
    {"NoExchangeNeeded", {{5, 1, 0}, {1, 4, 1}, {0, 1, 3}}, {1, -1, 2}, 1},
    {"CyclicRowsOfFour",
     {{0, 2, 1, 0}, {0, 0, 3, 1}, {1, 0, 0, 2}, {4, 1, 0, 0}},
     {1, -2, 0.5, 3},
     -1},
};

// Exchanging rows j and indx[j] of a in the order j = 1..n and multiplying
// the factors L·U must give the same matrix.
template <class T>
void ExpectFactorsReproducePermutedMatrix(const Rows& original, OneBasedMatrix<T>& lu,
                                          const OneBasedArray<int>& indx) {
  const int n = static_cast<int>(original.size());
  Rows permuted = original;
  for (int j = 1; j <= n; ++j) std::swap(permuted[j - 1], permuted[indx[j] - 1]);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      double sum = 0;
      for (int k = 1; k <= std::min(i, j); ++k) sum += (k == i ? 1.0 : lu[i][k]) * lu[k][j];
      EXPECT_NEAR(sum, permuted[i - 1][j - 1], 1e-5) << "at " << i << "," << j;
    }
  }
}

template <class T>
void CheckLuCase(const LuCase& c, void (*decompose)(T**, int, int*, T&),
                 void (*substitute)(T**, int, const int*, T*), bool (*solve)(T**, T*, int, bool)) {
  SCOPED_TRACE(c.name);
  const int n = static_cast<int>(c.a.size());
  const std::vector<double> rhs = Multiply(c.a, c.x);

  auto lu = MakeMatrix<T>(c.a);
  OneBasedArray<int> indx(1, n);
  T d = 0;
  decompose(lu.get(), n, indx.data(), d);
  EXPECT_EQ(d, static_cast<T>(c.d));
  ExpectFactorsReproducePermutedMatrix(c.a, lu, indx);
  auto b = MakeVector<T>(rhs);
  substitute(lu.get(), n, indx.data(), b.data());
  for (int i = 1; i <= n; ++i) EXPECT_NEAR(b[i], c.x[i - 1], Tolerance<T>() * 10);

  for (bool keep : {true, false}) {
    auto a = MakeMatrix<T>(c.a);
    auto x = MakeVector<T>(rhs);
    EXPECT_TRUE(solve(a.get(), x.data(), n, keep));
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(x[i], c.x[i - 1], Tolerance<T>() * 10);
    if (keep) ExpectMatrixEquals(a, c.a);
  }
}

TEST(LuDecomposition, SolvesAndFactorsEveryCaseInBothPrecisions) {
  for (const LuCase& c : kLuCases) {
    CheckLuCase<float>(c, ludcmp, lusubst, lusolve);
    CheckLuCase<double>(c, dludcmp, dlusubst, dlusolve);
  }
}

TEST(LuDecomposition, SingularMatrixWithoutZeroRowGetsTinyPivot) {
  auto f = MakeMatrix<float>({{1, 2}, {2, 4}});
  OneBasedArray<int> indx(1, 2);
  float fd = 0;
  ludcmp(f.get(), 2, indx.data(), fd);
  EXPECT_EQ(f[2][2], 1e-20f);
  EXPECT_EQ(fd, -1.0f);  // the tie in column 1 goes to row 2

  auto d = MakeMatrix<double>({{1, 2}, {2, 4}});
  double dd = 0;
  dludcmp(d.get(), 2, indx.data(), dd);
  EXPECT_EQ(d[2][2], 1e-100);
  EXPECT_EQ(dd, -1.0);
}

TEST(LuDecomposition, ZeroRowIsReportedBySolveAndLeavesZeroSolution) {
  const Rows zeroRow = {{1, 2, 3}, {0, 0, 0}, {4, 5, 7}};
  for (bool keep : {true, false}) {
    auto f = MakeMatrix<float>(zeroRow);
    auto fb = MakeVector<float>({1, 2, 3});
    EXPECT_FALSE(lusolve(f.get(), fb.data(), 3, keep));
    auto d = MakeMatrix<double>(zeroRow);
    auto db = MakeVector<double>({1, 2, 3});
    EXPECT_FALSE(dlusolve(d.get(), db.data(), 3, keep));
    for (int i = 1; i <= 3; ++i) {
      EXPECT_EQ(fb[i], 0.0f);
      EXPECT_EQ(db[i], 0.0);
    }
  }
}

class LuDecompositionDeathTest : public HeadlessTest {};

TEST_F(LuDecompositionDeathTest, ZeroRowEndsTheProgramInDecomposition) {
  backend().SetEcho(true);
  auto f = MakeMatrix<float>({{0, 0}, {1, 1}});
  auto d = MakeMatrix<double>({{1, 1}, {0, 0}});
  OneBasedArray<int> indx(1, 2);
  float fd = 0;
  double dd = 0;
  EXPECT_EXIT(ludcmp(f.get(), 2, indx.data(), fd), testing::ExitedWithCode(1),
              "Singular matrix in routine ludcmp");
  EXPECT_EXIT(dludcmp(d.get(), 2, indx.data(), dd), testing::ExitedWithCode(1),
              "Singular matrix in routine ludcmp");
}

// --- Cholesky ------------------------------------------------------------

struct CholeskyCase {
  std::string name;
  Rows a;
  bool positiveDefinite;
  std::vector<double> x;  // solution when positive definite
};

TEST(Cholesky, DecomposesPositiveDefiniteAndRefusesTheRest) {
  const std::vector<CholeskyCase> cases = {
      {"OneByOne", {{9}}, true, {2}},
      {"TwoByTwo", {{4, 2}, {2, 3}}, true, {1, -1}},
      {"Hilbert3",
       {{1, 1. / 2, 1. / 3}, {1. / 2, 1. / 3, 1. / 4}, {1. / 3, 1. / 4, 1. / 5}},
       true,
       {1, 2, 3}},
      {"Indefinite", {{1, 2}, {2, 1}}, false, {}},
      {"NegativeFirstDiagonal", {{-1, 0}, {0, 1}}, false, {}},
      {"SemiDefinite", {{1, 1}, {1, 1}}, false, {}},
  };
  for (const CholeskyCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.a.size());
    auto f = MakeMatrix<float>(c.a);
    auto d = MakeMatrix<double>(c.a);
    OneBasedArray<float> fp(1, n);
    OneBasedArray<double> dp(1, n);
    ASSERT_EQ(cholesky(f.get(), n, fp.data()), c.positiveDefinite);
    ASSERT_EQ(dcholesky(d.get(), n, dp.data()), c.positiveDefinite);
    if (!c.positiveDefinite) continue;

    // L·Lᵀ = a, with the upper triangle and diagonal untouched.
    for (int i = 1; i <= n; ++i) {
      for (int j = i; j <= n; ++j) {
        EXPECT_EQ(d[i][j], c.a[i - 1][j - 1]);
        double sum = 0;
        for (int k = 1; k <= i; ++k) sum += (k == i ? dp[i] : d[i][k]) * (k == j ? dp[j] : d[j][k]);
        EXPECT_NEAR(sum, c.a[i - 1][j - 1], 1e-12);
      }
    }
    const std::vector<double> rhs = Multiply(c.a, c.x);
    auto fb = MakeVector<float>(rhs);
    auto db = MakeVector<double>(rhs);
    OneBasedArray<float> fx(1, n);
    OneBasedArray<double> dx(1, n);
    cholsolve(f.get(), n, fp.data(), fb.data(), fx.data());
    dcholsolve(d.get(), n, dp.data(), db.data(), dx.data());
    for (int i = 1; i <= n; ++i) {
      EXPECT_NEAR(fx[i], c.x[i - 1], 5e-3);  // Hilbert matrices lose digits
      EXPECT_NEAR(dx[i], c.x[i - 1], 1e-10);
      EXPECT_EQ(db[i], rhs[i - 1]);
    }
  }
}

TEST(Cholesky, FactorOfTheWorkedExample) {
  auto a = MakeMatrix<double>({{4, 2}, {2, 3}});
  OneBasedArray<double> p(1, 2);
  ASSERT_TRUE(dcholesky(a.get(), 2, p.data()));
  EXPECT_DOUBLE_EQ(p[1], 2.0);
  EXPECT_DOUBLE_EQ(p[2], std::sqrt(2.0));
  EXPECT_DOUBLE_EQ(a[2][1], 1.0);
  EXPECT_EQ(a[1][2], 2.0);
}

// Orders on both sides of the switch to the blocked factorisation: only the
// upper triangle is read (the lower one holds NaN), L·Lᵀ reproduces the
// matrix, the solution is recovered (also by the one-call solver, which
// leaves the matrix unchanged), and a matrix made indefinite by a single
// diagonal element far down is refused.
TEST(Cholesky, LargeSystemsReadTheUpperTriangleAndFactorTheMatrix) {
  for (const int n : {20, 47, 48, 150}) {
    SCOPED_TRACE(n);
    std::vector<double> b(static_cast<std::size_t>(n * n));
    unsigned state = 12345u;
    for (double& v : b) {
      state = state * 1103515245u + 12345u;
      v = static_cast<double>((state >> 8) & 0xffff) / 65536.0 - 0.5;
    }
    Rows a(static_cast<std::size_t>(n), std::vector<double>(static_cast<std::size_t>(n), 0.0));
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        double sum = i == j ? 1.0 : 0.0;
        for (int k = 0; k < n; ++k) sum += b[k * n + i] * b[k * n + j];
        a[i][j] = sum;
      }
    auto d = MakeMatrix<double>(a);
    for (int i = 2; i <= n; ++i)
      for (int j = 1; j < i; ++j) d[i][j] = std::nan("");
    OneBasedArray<double> p(1, n);
    ASSERT_TRUE(dcholesky(d.get(), n, p.data()));
    for (int i = 1; i <= n; ++i)
      for (int j = i; j <= n; ++j) {
        ASSERT_EQ(d[i][j], a[i - 1][j - 1]);
        double sum = 0;
        for (int k = 1; k <= i; ++k) sum += (k == i ? p[i] : d[i][k]) * (k == j ? p[j] : d[j][k]);
        ASSERT_NEAR(sum, a[i - 1][j - 1], 1e-12 * n) << i << "," << j;
      }
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) x[i] = 1.0 + 0.01 * i;
    auto rhs = MakeVector<double>(Multiply(a, x));
    OneBasedArray<double> solution(1, n);
    dcholsolve(d.get(), n, p.data(), rhs.data(), solution.data());
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(solution[i], x[i - 1], 1e-9);

    // The one-call solver leaves the matrix as it was.
    auto whole = MakeMatrix<double>(a);
    OneBasedArray<double> solved(1, n);
    ASSERT_EQ(CholeskyOrLUSolveD(whole.get(), rhs.data(), n, solved.data(), p.data()), 1);
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(solved[i], x[i - 1], 1e-9);
    ExpectMatrixEquals(whole, a);

    a[n - 2][n - 2] = -1.0;
    auto indefinite = MakeMatrix<double>(a);
    EXPECT_FALSE(dcholesky(indefinite.get(), n, p.data()));
  }
}

// --- Normal-equation solvers ---------------------------------------------

struct NormalCase {
  std::string name;
  Rows a;
  std::vector<double> b;
  std::vector<double> x;
  int method;  // 1 Cholesky, 0 LU
  bool singular;
};

const std::vector<NormalCase> kNormalCases = {
    {"PositiveDefinite", {{4, 2}, {2, 3}}, {2, 1}, {0.5, 0}, 1, false},
    {"IndefiniteButRegular", {{1, 2}, {2, 1}}, {3, 3}, {1, 1}, 0, false},
    {"ZeroPivotNeedsExchange", {{0, 1}, {1, 1}}, {2, 3}, {1, 2}, 0, false},
    {"ZeroRow", {{1, 0, 1}, {0, 0, 0}, {1, 0, 2}}, {1, 1, 1}, {0, 0, 0}, 0, true},
};

TEST(CholeskyOrLUSolve, ChoosesTheMethodAndReportsSingularSystems) {
  for (const NormalCase& c : kNormalCases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.a.size());
    auto fa = MakeMatrix<float>(c.a);
    auto fb = MakeVector<float>(c.b);
    bool fsingular = !c.singular;
    EXPECT_EQ(CholeskyOrLUSolve(fa.get(), fb.data(), n, &fsingular), c.method == 1);
    EXPECT_EQ(fsingular, c.singular);
    ExpectMatrixEquals(fa, c.a);

    auto da = MakeMatrix<double>(c.a);
    auto db = MakeVector<double>(c.b);
    OneBasedArray<double> x(1, n), p(1, n);
    bool dsingular = !c.singular;
    EXPECT_EQ(CholeskyOrLUSolveD(da.get(), db.data(), n, x.data(), p.data(), &dsingular), c.method);
    EXPECT_EQ(dsingular, c.singular);
    ExpectMatrixEquals(da, c.a);
    for (int i = 1; i <= n; ++i) {
      EXPECT_NEAR(fb[i], c.x[i - 1], 1e-5);
      EXPECT_NEAR(x[i], c.x[i - 1], 1e-12);
      EXPECT_EQ(db[i], c.b[i - 1]);
    }
  }
}

TEST(CholeskyOrLUSolve, WorksWithoutTheSingularFlag) {
  auto a = MakeMatrix<double>({{0, 0}, {0, 1}});
  auto b = MakeVector<double>({1, 1});
  OneBasedArray<double> x(1, 2), p(1, 2);
  EXPECT_EQ(CholeskyOrLUSolveD(a.get(), b.data(), 2, x.data(), p.data()), 0);
  EXPECT_EQ(x[1], 0.0);
  EXPECT_EQ(x[2], 0.0);
}

struct ReducedCase {
  std::string name;
  Rows a;
  std::vector<double> b;
  std::vector<double> x;
  int result;
  bool singular;
};

TEST(SolveReducedNormalEquationsD, DropsVariablesWithoutInformation) {
  const std::vector<ReducedCase> cases = {
      {"MiddleVariableUnused", {{4, 0, 2}, {0, 0, 0}, {2, 0, 3}}, {2, 5, 1}, {0.5, 0, 0}, 1, false},
      {"FirstAndLastUnused",
       {{0, 0, 0, 0}, {0, 2, 1, 0}, {0, 1, 2, 0}, {0, 0, 0, 0}},
       {7, 3, 3, 7},
       {0, 1, 1, 0},
       1,
       false},
      {"ReducedSystemIndefinite",
       {{1, 0, 2}, {0, 0, 0}, {2, 0, 1}},
       {3, 9, 3},
       {1, 0, 1},
       1,
       false},
      {"AllRowsZero", {{0, 0}, {0, 0}}, {1, 2}, {0, 0}, 1, false},
      {"NoZeroRowPositiveDefinite", {{4, 2}, {2, 3}}, {2, 1}, {0.5, 0}, 1, false},
      {"NoZeroRowIndefinite", {{1, 2}, {2, 1}}, {3, 3}, {1, 1}, 0, false},
      // Not symmetric: the kept variable 2 has no entry in the kept columns.
      {"ReducedSystemWithZeroRow",
       {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}},
       {1, 1, 1},
       {0, 0, 0},
       1,
       true},
  };
  for (const ReducedCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.a.size());
    auto a = MakeMatrix<double>(c.a);
    auto b = MakeVector<double>(c.b);
    OneBasedArray<double> x(1, n), p(1, n);
    for (int i = 1; i <= n; ++i) x[i] = -99;
    bool singular = !c.singular;
    EXPECT_EQ(SolveReducedNormalEquationsD(a.get(), b.data(), n, x.data(), p.data(), &singular),
              c.result);
    EXPECT_EQ(singular, c.singular);
    ExpectMatrixEquals(a, c.a);
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(x[i], c.x[i - 1], 1e-12) << "x[" << i << "]";
  }
}

// --- Determinants --------------------------------------------------------

TEST(SmallDeterminants, MatchTheExpansion) {
  struct Case {
    Rows m;
    float det;
  };
  const std::vector<Case> twos = {
      {{{1, 2}, {3, 4}}, -2}, {{{2, 0}, {0, 3}}, 6}, {{{1, 2}, {2, 4}}, 0}};
  for (const Case& c : twos) {
    auto m = MakeMatrix<float>(c.m);
    EXPECT_EQ(Determinant2x2(m.get()), c.det);
  }
  const std::vector<Case> threes = {
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1},
      {{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, -1},
      {{{2, -3, 1}, {2, 0, -1}, {1, 4, 5}}, 49},
      {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, 0},
  };
  for (const Case& c : threes) {
    auto m = MakeMatrix<float>(c.m);
    EXPECT_EQ(Determinant3x3(m.get()), c.det);
  }
}

}  // namespace
