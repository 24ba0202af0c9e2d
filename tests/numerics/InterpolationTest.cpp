#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "numerics/Interpolation.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

double Polynomial(const std::vector<double>& coefficients, double x) {
  double value = 0;
  for (auto it = coefficients.rbegin(); it != coefficients.rend(); ++it) value = value * x + *it;
  return value;
}

struct Table {
  OneBasedArray<float> xa, ya;
};

Table Tabulate(const std::vector<double>& xs, const std::function<double(double)>& f) {
  const int n = static_cast<int>(xs.size());
  Table t{OneBasedArray<float>(1, n), OneBasedArray<float>(1, n)};
  for (int i = 1; i <= n; ++i) {
    t.xa[i] = static_cast<float>(xs[i - 1]);
    t.ya[i] = static_cast<float>(f(xs[i - 1]));
  }
  return t;
}

}  // namespace

TEST(Polint, ReproducesPolynomialsOfDegreeBelowThePointCount) {
  struct Case {
    std::string name;
    std::vector<double> abscissae;
    std::vector<double> coefficients;  // constant term first
  };
  const Case cases[] = {
      {"one point, constant", {2.0}, {4.0}},
      {"two points, line", {0.0, 1.0}, {-1.0, 2.5}},
      {"three points, parabola", {1.0, 2.0, 3.0}, {0.0, 0.0, 1.0}},
      {"four unequal points, cubic", {-1.0, 0.3, 0.9, 2.0}, {1.0, -2.0, 0.5, 0.25}},
      {"five points in descending order, quartic",
       {2.0, 1.5, 0.5, -0.25, -1.0},
       {0.5, 1.0, -1.0, 0.0, 0.3}},
      {"six points, quadratic (lower degree)", {0, 1, 2, 3, 4, 5}, {3.0, -1.0, 0.5}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const Table t = Tabulate(k.abscissae, [&](double x) { return Polynomial(k.coefficients, x); });
    const int n = static_cast<int>(k.abscissae.size());
    for (double x : {-1.3, -0.5, 0.0, 0.45, 1.0, 1.7, 2.5, 3.1}) {
      float y = 0, dy = 0;
      polint(t.xa.data(), t.ya.data(), n, static_cast<float>(x), y, dy);
      const double want = Polynomial(k.coefficients, static_cast<float>(x));
      EXPECT_NEAR(y, want, 2e-5 * (1 + std::fabs(want))) << "x=" << x;
    }
  }
  float y = 0, dy = 0;
  const Table squares = Tabulate({1, 2, 3}, [](double x) { return x * x; });
  polint(squares.xa.data(), squares.ya.data(), 3, 2.5f, y, dy);
  EXPECT_FLOAT_EQ(y, 6.25f);
}

// The error estimate is the last correction on the path through the tableau:
// it vanishes when one point fewer already fixes the polynomial, and for a
// smooth function it bounds the error actually made.
TEST(Polint, ErrorEstimateTracksTheTruncationError) {
  const Table quadratic =
      Tabulate({0.0, 0.5, 1.0, 1.5}, [](double x) { return 1 + x - 2 * x * x; });
  float y = 0, dy = 1;
  polint(quadratic.xa.data(), quadratic.ya.data(), 4, 0.8f, y, dy);
  EXPECT_NEAR(dy, 0.0f, 1e-5f);

  const std::vector<double> nodes = {0.0, 0.25, 0.5, 0.75, 1.0};
  const Table exponential = Tabulate(nodes, [](double x) { return std::exp(x); });
  for (double x : {0.1, 0.4, 0.6, 0.9}) {
    polint(exponential.xa.data(), exponential.ya.data(), 5, static_cast<float>(x), y, dy);
    const double error = std::fabs(y - std::exp(x));
    EXPECT_GT(std::fabs(dy), 0.0f) << x;
    EXPECT_LT(std::fabs(dy), 1e-3) << x;
    EXPECT_LE(error, std::fabs(dy) + 1e-6) << x;
  }
}

class PolintDeathTest : public HeadlessTest {};

TEST_F(PolintDeathTest, EqualAbscissaeEndTheProgramWithTheMessage) {
  const Table t = Tabulate({1.0, 2.0, 2.0}, [](double x) { return x; });
  const auto interpolate = [&] {
    backend().SetEcho(true);
    float y = 0;
    float dy = 0;
    polint(t.xa.data(), t.ya.data(), 3, 1.5f, y, dy);
  };
  EXPECT_EXIT(interpolate(), testing::ExitedWithCode(1), "Error in routine polint");
}
