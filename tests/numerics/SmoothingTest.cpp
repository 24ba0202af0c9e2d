#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Smoothing.h"
#include "support/TestSupport.h"

namespace {

// Filter weights by offset -nl..nr, read out of the wrap-around order.
std::vector<double> WeightsByOffset(int nl, int nr, int ld, int m, int np = 0) {
  if (np == 0) np = nl + nr + 1;
  OneBasedArray<float> c(1, np);
  savgol(c.data(), np, nl, nr, ld, m);
  std::vector<double> w;
  for (int k = -nl; k <= nr; ++k) w.push_back(c[((np - k) % np) + 1]);
  return w;
}

CVector Sampled(int n, const std::function<double(double)>& f) {
  CVector v(static_cast<unsigned>(n));
  for (int i = 0; i < n; ++i) v[static_cast<unsigned>(i)] = static_cast<float>(f(i));
  return v;
}

}  // namespace

// Published tables (Savitzky and Golay 1964, with Steinier's corrections).
TEST(Savgol, MatchesTheClassicalTables) {
  struct Case {
    int nl, nr, ld, m;
    std::vector<double> numerators;
    double norm;
  };
  const Case cases[] = {
      {2, 2, 0, 2, {-3, 12, 17, 12, -3}, 35},
      {3, 3, 0, 2, {-2, 3, 6, 7, 6, 3, -2}, 21},
      {3, 3, 0, 3, {-2, 3, 6, 7, 6, 3, -2}, 21},
      {4, 4, 0, 4, {15, -55, 30, 135, 179, 135, 30, -55, 15}, 429},
      {2, 2, 1, 2, {-2, -1, 0, 1, 2}, 10},
      {2, 2, 1, 3, {1, -8, 0, 8, -1}, 12},
      {3, 3, 1, 2, {-3, -2, -1, 0, 1, 2, 3}, 28},
      // The coefficient of k squared: half the second derivative.
      {2, 2, 2, 2, {2, -1, -2, -1, 2}, 14},
      {1, 1, 0, 1, {1, 1, 1}, 3},
      {0, 0, 0, 0, {1}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nl << "," << c.nr << " ld " << c.ld << " m " << c.m);
    const std::vector<double> w = WeightsByOffset(c.nl, c.nr, c.ld, c.m);
    ASSERT_EQ(w.size(), c.numerators.size());
    for (std::size_t k = 0; k < w.size(); ++k) EXPECT_NEAR(w[k], c.numerators[k] / c.norm, 2e-6);
  }
}

TEST(Savgol, WrapAroundOrderAndZerosBeyondTheWindow) {
  OneBasedArray<float> c(1, 9);
  for (int i = 1; i <= 9; ++i) c[i] = 99.0f;
  savgol(c.data(), 9, 2, 2, 0, 2);
  const double expected[] = {17, 12, -3, 0, 0, 0, 0, -3, 12};
  for (int i = 1; i <= 9; ++i) EXPECT_NEAR(c[i], expected[i - 1] / 35, 2e-6) << i;
}

// Any window, symmetric or not, reproduces a polynomial of degree <= m at the
// centre point and its derivatives.
TEST(Savgol, AsymmetricWindowsAreExactForPolynomialsUpToTheirOrder) {
  struct Case {
    int nl, nr, m;
  };
  for (Case c : {Case{0, 4, 2}, Case{3, 1, 3}, Case{1, 5, 4}, Case{2, 0, 2}, Case{6, 2, 1}}) {
    SCOPED_TRACE(testing::Message() << c.nl << "," << c.nr << " m " << c.m);
    // p(k) = 0.5 - 0.3k + 0.2k^2 - 0.05k^3 + 0.01k^4, cut at degree m.
    const double coefficient[] = {0.5, -0.3, 0.2, -0.05, 0.01};
    auto p = [&](int k) {
      double s = 0;
      for (int j = c.m; j >= 0; --j) s = s * k + coefficient[j];
      return s;
    };
    for (int ld = 0; ld <= std::min(c.m, 2); ++ld) {
      const std::vector<double> w = WeightsByOffset(c.nl, c.nr, ld, c.m);
      double sum = 0;
      for (int k = -c.nl; k <= c.nr; ++k) sum += w[static_cast<std::size_t>(k + c.nl)] * p(k);
      EXPECT_NEAR(sum, coefficient[ld], 2e-5) << "ld " << ld;
    }
  }
}

class SavgolDeathTest : public HeadlessTest {};

TEST_F(SavgolDeathTest, ImpossibleArgumentsEndTheProgram) {
  backend().SetEcho(true);  // the box text reaches the standard error of the dying child
  auto call = [](int np, int nl, int nr, int ld, int m) {
    OneBasedArray<float> c(1, 16);
    savgol(c.data(), np, nl, nr, ld, m);
  };
  EXPECT_EXIT(call(5, 1, 1, 0, 3), testing::ExitedWithCode(1), "bad args in savgol");
  EXPECT_EXIT(call(5, 2, 2, 3, 2), testing::ExitedWithCode(1), "bad args in savgol");
  EXPECT_EXIT(call(4, 2, 2, 0, 2), testing::ExitedWithCode(1), "bad args in savgol");
  EXPECT_EXIT(call(5, -1, 2, 0, 0), testing::ExitedWithCode(1), "bad args in savgol");
}

class VectorSmoothing : public HeadlessTest {};

TEST_F(VectorSmoothing, MovingAverageUsesTheShortenedWindowsAtTheEnds) {
  CVector v = Sampled(5, [](double i) { return std::vector<double>{1, 2, 6, 2, 1}[size_t(i)]; });
  EXPECT_EQ(v.Smooth(1, 1, 1), 1);
  const double expected[] = {1.5, 3, 10.0 / 3, 3, 1.5};
  for (unsigned i = 0; i < 5; ++i) EXPECT_NEAR(v[i], expected[i], 1e-6);
}

// Every window is a least-squares fit of the order asked for, or an exact
// interpolation where an end window is too short for it: a polynomial of
// degree <= order comes back unchanged at every point.
TEST_F(VectorSmoothing, PolynomialsUpToTheFilterOrderAreKeptEverywhere) {
  struct Case {
    int nl, nr, order, degree, n = 40;
  };
  const Case cases[] = {{2, 2, 2, 2}, {3, 3, 2, 1}, {4, 4, 4, 4}, {2, 5, 3, 3},      {6, 1, 2, 2},
                        {1, 1, 2, 2}, {2, 2, 0, 0}, {5, 5, 1, 0}, {3, 4, 2, 2, 5000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nl << "," << c.nr << " order " << c.order);
    auto p = [&](double i) {
      const double t = (i / (c.n - 1.0) - 0.5) * 4.0;
      return c.degree == 0 ? 3.0
                           : 1.0 + t + (c.degree >= 2 ? 0.5 * t * t : 0.0) +
                                 (c.degree >= 3 ? -0.2 * t * t * t : 0.0) +
                                 (c.degree >= 4 ? 0.03 * t * t * t * t : 0.0);
    };
    CVector v = Sampled(c.n, p);
    ASSERT_EQ(v.Smooth(c.nl, c.nr, c.order), 1);
    for (unsigned i = 0; i < v.count(); ++i)
      ASSERT_NEAR(v[i], p(i), 2e-4 * (1 + std::fabs(p(i)))) << i;
  }
}

TEST_F(VectorSmoothing, ConstantsAreConserved) {
  for (int order : {0, 1, 2, 3, 4}) {
    CVector v = Sampled(30, [](double) { return 7.25; });
    ASSERT_EQ(v.Smooth(4, 3, order), 1);
    for (unsigned i = 0; i < 30; ++i) EXPECT_NEAR(v[i], 7.25, 2e-5) << "order " << order;
  }
}

TEST_F(VectorSmoothing, NoiseIsReduced) {
  std::mt19937 random(12345);
  std::normal_distribution<double> noise(0.0, 0.05);
  auto truth = [](double i) { return std::sin(i / 40.0); };
  CVector v = Sampled(400, [&](double i) { return truth(i) + noise(random); });
  auto rms = [&](const CVector& u) {
    double s = 0;
    for (unsigned i = 0; i < u.count(); ++i) s += std::pow(u[i] - truth(i), 2);
    return std::sqrt(s / u.count());
  };
  const double before = rms(v);
  ASSERT_EQ(v.Smooth(10, 10, 2), 1);
  EXPECT_LT(rms(v), 0.5 * before);
}

// The end windows of Smooth(1, 1, 2) hold two points: the order is lowered
// there instead of ending the program.
TEST_F(VectorSmoothing, EndWindowsTooShortForTheOrderLowerIt) {
  const std::vector<float> values = {4, -1, 3, 8, 0, 2};
  CVector v(6, values.data());
  EXPECT_EQ(v.Smooth(1, 1, 2), 1);
  for (unsigned i = 0; i < 6; ++i) EXPECT_NEAR(v[i], values[i], 1e-5);
  CVector w(6, values.data());
  EXPECT_EQ(w.Smooth(1, 3, 3), 1);
  EXPECT_NEAR(w[5], values[5], 1e-5);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(VectorSmoothing, RefusalsLeaveTheValuesUnchanged) {
  const std::vector<float> values = {1, 2, 3, 4, 5};
  CVector v(5, values.data());
  EXPECT_EQ(v.Smooth(3, 3, 1), 0);
  EXPECT_EQ(LogLinesWith("window for smoothing too big!\n3+3+1<5").size(), 1u);
  EXPECT_EQ(v.Smooth(0, 0, 2), 0);
  EXPECT_EQ(LogLinesWith("box [").size(), 1u);  // none for a window of one point
  EXPECT_TRUE(v.Equals(CVector(5, values.data())));
}

TEST_F(VectorSmoothing, SmoothingAViewWritesIntoTheCallersArray) {
  float* array = vector(1, 6);
  for (int i = 1; i <= 6; ++i) array[i] = i % 2 ? 1.0f : 3.0f;
  {
    CVector view;
    view.AttachFrom(array, 6, 1);
    ASSERT_EQ(view.Smooth(1, 1, 1), 1);
  }
  EXPECT_NEAR(array[3], 7.0f / 3, 1e-6);
  free_vector(array, 1, 6);
}

TEST_F(VectorSmoothing, NonUniformAbscissaeAreSmoothedThroughAUniformGrid) {
  const int n = 200;
  CVector x(n), y(n), truth(n);
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 0.02);
  for (unsigned i = 0; i < n; ++i) {
    const double t = 6.0 + 1.2 * std::pow(i / double(n - 1), 2);  // denser at the start
    x[i] = static_cast<float>(t);
    truth[i] = static_cast<float>(std::exp(-(t - 6.8) * (t - 6.8) / 0.05));
    y[i] = truth[i] + static_cast<float>(noise(random));
  }
  auto rms = [&](const CVector& u) {
    double s = 0;
    for (unsigned i = 20; i < n; ++i) s += std::pow(u[i] - truth[i], 2);
    return std::sqrt(s / (n - 20));
  };
  const double before = rms(y);
  ASSERT_EQ(y.SmoothNonUniform(1000, x, 20, 20, 2), 1);
  EXPECT_LT(rms(y), 0.6 * before);

  CVector shorter(n - 1);
  EXPECT_EQ(y.SmoothNonUniform(1000, shorter, 20, 20, 2), 0);
}

// When the values cannot be carried onto the uniform grid (too few source
// points before the grid's fifth point), the grid stays empty; the values
// must not be replaced by it.
TEST_F(VectorSmoothing, NonUniformSmoothingKeepsValuesItCannotResample) {
  const std::vector<float> xs = {0, 0.001f, 0.002f, 0.003f, 0.5f, 0.6f, 0.7f, 1.0f};
  const std::vector<float> ys = {5, 6, 7, 8, 9, 10, 11, 12};
  CVector x(8, xs.data()), y(8, ys.data());
  EXPECT_EQ(y.SmoothNonUniform(1000, x, 3, 3, 2), 1);
  EXPECT_TRUE(y.Equals(CVector(8, ys.data())));
  CVector flatX(8), flatY(8, ys.data());
  EXPECT_EQ(flatY.SmoothNonUniform(1000, flatX, 3, 3, 2), 1);
  EXPECT_TRUE(flatY.Equals(CVector(8, ys.data())));
}
