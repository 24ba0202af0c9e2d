#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"

namespace {

template <class T>
OneBasedArray<T> Arithmetic(double first, double step, int count) {
  OneBasedArray<T> a(1, count);
  for (int i = 1; i <= count; ++i) a[i] = static_cast<T>(first + step * (i - 1));
  return a;
}

template <class T>
OneBasedArray<T> Apply(const OneBasedArray<T>& x, const std::function<double(double)>& f) {
  OneBasedArray<T> y(x.lo(), x.hi());
  for (int i = x.lo(); i <= x.hi(); ++i) y[i] = static_cast<T>(f(x[i]));
  return y;
}

// Runs one source/target pair through every member with stored results and
// hands each result to check.
void ForEveryMember(const OneBasedArray<double>& xs, const OneBasedArray<double>& ys,
                    const OneBasedArray<double>& grid,
                    const std::function<void(const char*, int, double)>& check) {
  const int n = xs.size(), count = grid.size();
  OneBasedArray<float> xsF(1, n), ysF(1, n), gridF(1, count);
  for (int i = 1; i <= n; ++i)
    xsF[i] = static_cast<float>(xs[i]), ysF[i] = static_cast<float>(ys[i]);
  for (int c = 1; c <= count; ++c) gridF[c] = static_cast<float>(grid[c]);

  OneBasedArray<float> outF(1, count), outFD(1, count);
  OneBasedArray<double> outDF(1, count), outDD(1, count);
  ResampleCurve(count, gridF.data(), outF.data(), n, xsF.data(), ysF.data());
  ResampleCurveFromDouble(count, gridF.data(), outFD.data(), n, xs.data(), ys.data());
  ResampleCurveToDouble(count, grid.data(), outDF.data(), n, xsF.data(), ysF.data());
  ResampleCurveDouble(count, grid.data(), outDD.data(), n, xs.data(), ys.data());
  for (int c = 1; c <= count; ++c) {
    check("ResampleCurve", c, outF[c]);
    check("ResampleCurveFromDouble", c, outFD[c]);
    check("ResampleCurveToDouble", c, outDF[c]);
    check("ResampleCurveDouble", c, outDD[c]);
  }
}

double Square(double x) {
  return x * x;
}
double Identity(double x) {
  return x;
}

}  // namespace

// Outside the source: a line through the two end points within one source
// step, the flat mean of the ten end values (the end value itself for
// n <= 10) farther out.
TEST(Resampling, FollowsTheOutsideRuleOnBothSides) {
  struct Case {
    std::string name;
    int n;                             // source xs = 1..n
    std::function<double(double)> ys;  // source ordinates
    double gridFirst, gridStep;
    int count;
    std::function<double(double)> want;  // expected value at a grid point
  };
  const Case cases[] = {
      {"within one step before", 10, Identity, 0.5, 1.0, 10, Identity},
      {"far on both sides, n = 10", 10, Identity, -5, 1.0, 20,
       [](double g) { return g < 1    ? 1.0
                             : g > 10 ? 10.0
                                      : g; }},
      {"far on both sides, n = 12", 12, Identity, -5, 1.0, 22,
       [](double g) { return g < 1    ? 5.5
                             : g > 12 ? 7.5
                                      : g; }},
      {"exactly one step after", 10, Identity, 1.0, 0.5, 21, Identity},
      {"half a step beyond one step after", 10, Identity, 1.0, 0.5, 22,
       [](double g) { return g > 10 ? 10.0 : g; }},
      // On a parabola the lines through the end points and the means are
      // told apart from every other line.
      {"parabola within one step", 10, Square, 0.25, 1.0, 11,
       [](double g) {
         if (g < 1) return 1 + 3 * (g - 1);
         if (g > 10) return 100 + 19 * (g - 10);
         const double lo = std::floor(g);
         return lo * lo + (2 * lo + 1) * (g - lo);
       }},
      {"parabola far out, n = 12", 12, Square, -3, 1.0, 20,
       [](double g) { return g < 1    ? 38.5
                             : g > 12 ? 64.5
                                      : g * g; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const auto xs = Arithmetic<double>(1, 1, k.n);
    const auto ys = Apply(xs, k.ys);
    const auto grid = Arithmetic<double>(k.gridFirst, k.gridStep, k.count);
    ForEveryMember(xs, ys, grid, [&](const char* member, int c, double value) {
      EXPECT_NEAR(value, k.want(grid[c]), 1e-5 * (1 + std::fabs(k.want(grid[c]))))
          << member << " at grid " << grid[c];
    });
  }
}

TEST(Resampling, IsExactOnLinearDataOverNonUniformGrids) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> gap(0.01, 0.3);
  const auto line = [](double x) { return 3.0 * x - 2.0; };
  OneBasedArray<double> xs(1, 40);
  xs[1] = 6.0;
  for (int i = 2; i <= 40; ++i) xs[i] = xs[i - 1] + gap(random);
  const auto ys = Apply(xs, line);
  // The target starts on the first source point and ends less than one
  // source step after the last, so every point is on the line.
  OneBasedArray<double> grid(1, 60);
  const double span = xs[40] + 0.5 * (xs[40] - xs[39]) - xs[1];
  for (int c = 1; c <= 60; ++c) grid[c] = xs[1] + span * (c - 1) / 59.0;

  ForEveryMember(xs, ys, grid, [&](const char* member, int c, double value) {
    EXPECT_NEAR(value, line(grid[c]), 2e-5 * std::fabs(line(grid[c]))) << member << " c=" << c;
  });

  OneBasedArray<double> out(1, 60);
  ResampleCurveDouble(60, grid.data(), out.data(), 40, xs.data(), ys.data());
  EXPECT_EQ(out[1], ys[1]);  // a target point on the first source point
}

TEST(Resampling, LeavesTheOutputUntouchedWhenAPreconditionFails) {
  struct Case {
    std::string name;
    int n;
    double gridFirst;
    int count;
  };
  const Case cases[] = {
      {"four target points", 10, 1.0, 4},
      {"four source points", 4, 1.0, 10},
      {"fifth target point beyond the fifth-last source point", 10, 2.5, 10},
      {"target ends before the source", 10, -20.0, 10},
      {"target starts after the source", 10, 10.5, 10},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const auto xs = Arithmetic<double>(1, 1, k.n);
    const auto grid = Arithmetic<double>(k.gridFirst, 1, k.count);
    ForEveryMember(xs, xs, grid, [](const char* member, int c, double value) {
      EXPECT_EQ(value, 0.0) << member << " c=" << c;
    });
  }
}

TEST(Resampling, AddingTwiceGivesTwiceTheStoredValues) {
  const auto xs = Arithmetic<double>(1, 0.5, 30);
  const auto ys = Apply(xs, [](double x) { return std::sin(x) + 0.1; });
  const auto grid = Arithmetic<float>(-2.0, 0.37, 50);
  OneBasedArray<float> stored(1, 50), added(1, 50);
  ResampleCurveFromDouble(50, grid.data(), stored.data(), 30, xs.data(), ys.data());
  AddResampledCurveFromDouble(50, grid.data(), added.data(), 30, xs.data(), ys.data());
  AddResampledCurveFromDouble(50, grid.data(), added.data(), 30, xs.data(), ys.data());
  for (int c = 1; c <= 50; ++c) EXPECT_EQ(added[c], 2.0f * stored[c]) << c;
}

TEST(InterpolateInside, ChangesOnlyThePointsInsideTheSource) {
  // Two source points suffice: no minimum counts.
  OneBasedArray<double> xs(1, 2), ys(1, 2);
  xs[1] = 1.0, xs[2] = 3.0;
  ys[1] = 10.0, ys[2] = 30.0;
  const auto grid = Arithmetic<double>(0.0, 1.0, 5);  // 0, 1, 2, 3, 4
  OneBasedArray<double> out(1, 5);
  for (int c = 1; c <= 5; ++c) out[c] = -1.0;
  InterpolateInsideDouble(5, grid.data(), out.data(), 2, xs.data(), ys.data());
  const double want[] = {-1.0, 10.0, 20.0, 30.0, -1.0};
  for (int c = 1; c <= 5; ++c) EXPECT_DOUBLE_EQ(out[c], want[c - 1]) << c;

  // Disjoint ranges change nothing; a single source point only itself.
  const auto later = Arithmetic<double>(3.5, 1.0, 3);
  OneBasedArray<double> untouched(1, 3);
  InterpolateInsideDouble(3, later.data(), untouched.data(), 2, xs.data(), ys.data());
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(untouched[c], 0.0);
  OneBasedArray<double> single(1, 5);
  InterpolateInsideDouble(5, grid.data(), single.data(), 1, xs.data(), ys.data());
  const double wantSingle[] = {0.0, 10.0, 0.0, 0.0, 0.0};
  for (int c = 1; c <= 5; ++c) EXPECT_EQ(single[c], wantSingle[c - 1]) << c;
}

namespace {

// A planned resampling against the direct one on the same pair of grids:
// every target point, bit for bit, for curves the plan never saw.
struct PlanCase {
  const char* name;
  double targetFirst, targetStep;
  int targetCount;
  bool repeatedLastAbscissa;
};

const PlanCase kPlanCases[] = {
    {"targets denser than the source, inside", 5.85, 0.001, 1301, false},
    {"near line before, near line after", 5.795, 0.001, 1412, false},
    {"far flat before and after", 5.5, 0.002, 1000, false},
    {"targets sparser than the source", 5.8, 0.05, 29, false},
    {"a zero-width last interval", 5.8, 0.001, 1401, true},
    {"too few targets: all zero", 5.9, 0.1, 4, false},
    {"no overlap: all zero", 8.0, 0.01, 50, false},
};

TEST(ResamplingPlan, GivesTheDirectResamplingBitForBitAndZeroWhereItGivesNothing) {
  std::mt19937 rng(5u);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (const PlanCase& pc : kPlanCases) {
    SCOPED_TRACE(pc.name);
    // An uneven source grid over 5.8 .. 7.2 cm.
    const int n = 700;
    OneBasedArray<double> xs(1, n);
    for (int i = 1; i <= n; ++i) xs[i] = 5.8 + 1.4 * std::pow((i - 1) / (n - 1.0), 1.1);
    if (pc.repeatedLastAbscissa) xs[n] = xs[n - 1];
    const OneBasedArray<float> grid = Arithmetic<float>(pc.targetFirst, pc.targetStep, pc.targetCount);
    ResamplingPlan plan;
    EXPECT_FALSE(plan.Fits(pc.targetCount, grid.data(), n, xs.data()));
    plan.Plan(pc.targetCount, grid.data(), n, xs.data());
    ASSERT_TRUE(plan.Fits(pc.targetCount, grid.data(), n, xs.data()));
    for (int curve = 0; curve < 3; ++curve) {
      OneBasedArray<double> ys(1, n);
      for (int i = 1; i <= n; ++i) ys[i] = std::erfc((6.3 + 0.2 * curve - xs[i]) / 0.05) + 0.01 * u(rng);
      OneBasedArray<float> direct(1, pc.targetCount), planned(1, pc.targetCount);
      for (int c = 1; c <= pc.targetCount; ++c) direct[c] = 0.0f, planned[c] = -7.0f;
      ResampleCurveFromDouble(pc.targetCount, grid.data(), direct.data(), n, xs.data(), ys.data());
      plan.Apply(ys.data(), planned.data());
      for (int c = 1; c <= pc.targetCount; ++c) ASSERT_EQ(planned[c], direct[c]) << "target " << c;
    }
  }
}

TEST(ResamplingPlan, NoLongerFitsWhenEitherGridChanges) {
  OneBasedArray<double> xs = Arithmetic<double>(5.8, 0.01, 141);
  OneBasedArray<float> grid = Arithmetic<float>(5.8, 0.001, 1401);
  ResamplingPlan plan;
  plan.Plan(1401, grid.data(), 141, xs.data());
  EXPECT_TRUE(plan.Fits(1401, grid.data(), 141, xs.data()));
  EXPECT_FALSE(plan.Fits(1400, grid.data(), 141, xs.data()));
  const double kept = xs[70];
  xs[70] = kept + 1e-9;
  EXPECT_FALSE(plan.Fits(1401, grid.data(), 141, xs.data()));
  xs[70] = kept;
  grid[1401] = 7.3f;
  EXPECT_FALSE(plan.Fits(1401, grid.data(), 141, xs.data()));
}

}  // namespace
