#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "numerics/Jacobi.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

template <class T>
struct Decomposition {
  OneBasedMatrix<T> a, original, v;
  OneBasedArray<T> d;
  int nrot = -1;
};

template <class T>
void Decompose(Decomposition<T>& e) {
  if constexpr (std::is_same_v<T, float>)
    jacobi(e.a.get(), e.a.rows(), e.d.data(), e.v.get(), e.nrot);
  else
    djacobi(e.a.get(), e.a.rows(), e.d.data(), e.v.get(), e.nrot);
}

template <class T>
Decomposition<T> EigenOf(const std::vector<std::vector<double>>& rows) {
  const int n = static_cast<int>(rows.size());
  Decomposition<T> e{OneBasedMatrix<T>(1, n, 1, n), OneBasedMatrix<T>(1, n, 1, n),
                     OneBasedMatrix<T>(1, n, 1, n), OneBasedArray<T>(1, n)};
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) e.a[i][j] = e.original[i][j] = static_cast<T>(rows[i - 1][j - 1]);
  Decompose(e);
  return e;
}

// A v_k = d_k v_k for every column, the columns orthonormal, and the diagonal
// and lower triangle of a as they were.
template <class T>
void ExpectEigenSystem(Decomposition<T>& e, double tolerance) {
  const int n = e.a.rows();
  double scale = 0;
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) scale = std::max(scale, std::fabs(double(e.original[i][j])));
  for (int k = 1; k <= n; ++k) {
    for (int i = 1; i <= n; ++i) {
      double av = 0;
      for (int j = 1; j <= n; ++j) av += double(e.original[i][j]) * e.v[j][k];
      EXPECT_NEAR(av, double(e.d[k]) * e.v[i][k], tolerance * scale)
          << "row " << i << " vector " << k;
    }
    for (int l = 1; l <= n; ++l) {
      double dot = 0;
      for (int i = 1; i <= n; ++i) dot += double(e.v[i][k]) * e.v[i][l];
      EXPECT_NEAR(dot, k == l ? 1.0 : 0.0, tolerance) << k << "," << l;
    }
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) EXPECT_EQ(e.a[i][j], e.original[i][j]) << i << "," << j;
}

template <class T>
std::vector<double> SortedEigenvalues(const Decomposition<T>& e) {
  std::vector<double> values;
  for (int i = 1; i <= e.d.size(); ++i) values.push_back(e.d[i]);
  std::sort(values.begin(), values.end());
  return values;
}

// Q diag(lambda) Q^T with Q the Householder reflector I - 2 w w^T / (w^T w):
// a full symmetric matrix whose spectrum is known by construction.
std::vector<std::vector<double>> WithSpectrum(const std::vector<double>& lambda, unsigned seed) {
  const int n = static_cast<int>(lambda.size());
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> w(n);
  double ww = 0;
  for (double& x : w) x = u(random), ww += x * x;
  std::vector<std::vector<double>> q(n, std::vector<double>(n)), a = q;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) q[i][j] = (i == j ? 1.0 : 0.0) - 2 * w[i] * w[j] / ww;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) a[i][j] += q[i][k] * lambda[k] * q[j][k];
  return a;
}

}  // namespace

TEST(Jacobi, DiagonalMatrixNeedsNoRotation) {
  auto e = EigenOf<float>({{3, 0, 0}, {0, -1, 0}, {0, 0, 7}});
  EXPECT_EQ(e.nrot, 0);
  const float want[] = {3, -1, 7};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(e.d[i], want[i - 1]);
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(e.v[i][j], i == j ? 1.0f : 0.0f);
  }
}

TEST(Jacobi, TwoByTwoTakesOneRotationAndSortsDescending) {
  auto e = EigenOf<float>({{2, 1}, {1, 2}});
  EXPECT_EQ(e.nrot, 1);
  ExpectEigenSystem(e, 1e-6);
  sorteig(e.d.data(), e.v.get(), 2);
  EXPECT_FLOAT_EQ(e.d[1], 3.0f);
  EXPECT_FLOAT_EQ(e.d[2], 1.0f);
  const float r = 1.0f / std::sqrt(2.0f);
  // (1, 1)/sqrt 2 and (1, -1)/sqrt 2 up to sign.
  EXPECT_FLOAT_EQ(std::fabs(e.v[1][1]), r);
  EXPECT_FLOAT_EQ(e.v[1][1], e.v[2][1]);
  EXPECT_FLOAT_EQ(std::fabs(e.v[1][2]), r);
  EXPECT_FLOAT_EQ(e.v[1][2], -e.v[2][2]);
}

TEST(Jacobi, KnownSpectraInBothPrecisions) {
  struct Case {
    std::string name;
    std::vector<std::vector<double>> a;
    std::vector<double> spectrum;  // ascending
  };
  const double r2 = std::sqrt(2.0);
  const Case cases[] = {
      {"second-difference matrix", {{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}}, {2 - r2, 2, 2 + r2}},
      {"2x2 analytic", {{4, 1}, {1, 1}}, {2.5 - std::sqrt(2.25 + 1), 2.5 + std::sqrt(2.25 + 1)}},
      {"reflected 6x6 with a double eigenvalue",
       WithSpectrum({-3.0, 0.5, 0.5, 1.0, 2.0, 10.0}, 3),
       {-3.0, 0.5, 0.5, 1.0, 2.0, 10.0}},
      {"reflected 8x8 spread over four decades",
       WithSpectrum({1e-3, 0.01, 0.1, 1.0, 5.0, 10.0, -7.0, 3.0}, 11),
       {-7.0, 1e-3, 0.01, 0.1, 1.0, 3.0, 5.0, 10.0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto f = EigenOf<float>(k.a);
    auto d = EigenOf<double>(k.a);
    ExpectEigenSystem(f, 2e-5);
    ExpectEigenSystem(d, 1e-12);
    const auto gotF = SortedEigenvalues(f), gotD = SortedEigenvalues(d);
    for (std::size_t i = 0; i < k.spectrum.size(); ++i) {
      EXPECT_NEAR(gotF[i], k.spectrum[i], 2e-5 * 10) << i;
      EXPECT_NEAR(gotD[i], k.spectrum[i], 1e-12 * 10) << i;
    }
  }
}

TEST(Jacobi, SortPutsTheLastOfEqualMaximaFirst) {
  OneBasedArray<double> d(1, 3);
  OneBasedMatrix<double> v(1, 3, 1, 3);
  d[1] = 5, d[2] = 7, d[3] = 7;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) v[i][j] = 10 * i + j;  // column j holds j, 10+j, 20+j
  dsorteig(d.data(), v.get(), 3);
  EXPECT_EQ(d[1], 7);
  EXPECT_EQ(d[2], 7);
  EXPECT_EQ(d[3], 5);
  const int columnOrder[] = {3, 2, 1};
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(v[i][j], 10 * i + columnOrder[j - 1]) << i << "," << j;
}

class JacobiDeathTest : public HeadlessTest {};

TEST_F(JacobiDeathTest, NonConvergenceEndsTheProgramWithTheMessage) {
  const double nan = std::nan("");
  const std::vector<std::vector<double>> poisoned = {{1, nan}, {nan, 1}};
  const auto single = [&] {
    backend().SetEcho(true);
    EigenOf<float>(poisoned);
  };
  const auto twofold = [&] {
    backend().SetEcho(true);
    EigenOf<double>(poisoned);
  };
  EXPECT_EXIT(single(), testing::ExitedWithCode(1), "Too many iterations in routine jacobi");
  EXPECT_EXIT(twofold(), testing::ExitedWithCode(1), "Too many iterations in routine djacobi");
}
