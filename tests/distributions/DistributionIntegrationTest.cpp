// Integration of distributions: a Gaussian peak gives its area, mean,
// spread, number and z-averages; limits inside intervals interpolate on the
// line between grid values; the edge rules of limits, repeated abscissae and
// a separate first point; light-scattering axes; the region statistics of
// an s x f/f0 distribution.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "distributions/DistributionTestGrids.h"
#include "distributions/DistributionIntegration.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/Hydrodynamics.h"

namespace {

using dist_grids::Floats;
using dist_grids::Gaussian;
using dist_grids::GeometricGrid;
using dist_grids::LinearGrid;

// Composite Simpson rule of f over [a, b] with m (even) panels.
template <class F>
double Simpson(F f, double a, double b, int m) {
  const double h = (b - a) / m;
  double s = f(a) + f(b);
  for (int i = 1; i < m; ++i) s += f(a + i * h) * (i % 2 ? 4.0 : 2.0);
  return s * h / 3.0;
}

class IntegrateDistributionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = DistributionSettings;
    model_ = ModelSelection;
    result_ = DistributionResult;
    grid_ = DistributionGrid;
    dls_ = DlsDataMode;
    solvent_ = SolventConditions;
    DlsDataMode = false;
  }
  void TearDown() override {
    DistributionSettings = settings_;
    ModelSelection = model_;
    DistributionResult = result_;
    DistributionGrid = grid_;
    DlsDataMode = dls_;
    SolventConditions = solvent_;
  }
  // The current distribution: values on the model's axis.
  static void SetDistribution(ModelKind kind, const Floats& axis, const Floats& values) {
    ModelSelection.Kind = kind;
    const int n = static_cast<int>(axis.size()) - 1;
    DistributionSettings.DistGridSize = n;
    ResizeDistributionGrids(n);
    if (IsMolarMassGridModel(kind) && !IsLightScatteringModel(kind))
      DistributionResult.DistMGrid = axis;
    else
      DistributionResult.DistSGrid = axis;
    DistributionResult.DistValues = values;
  }
  static Floats GaussianValues(const Floats& x, double mean, double sd) {
    Floats v(x.size(), 0.0f);
    for (std::size_t i = 1; i < x.size(); ++i) v[i] = static_cast<float>(Gaussian(x[i], mean, sd));
    return v;
  }

 private:
  DistributionSettingsRecord settings_;
  ModelSelectionRecord model_;
  DistributionResultRecord result_;
  DistributionGridRecord grid_;
  SolventConditionsRecord solvent_;
  bool dls_ = false;
};

struct PeakCase {
  const char* name;
  ModelKind kind;
  Floats x;
  double mean, sd;
  double a, b;  // limits
};

TEST_F(IntegrateDistributionTest, GaussianPeakGivesItsAreaMeanSpreadAndAverages) {
  const PeakCase cases[] = {
      {"c(s), linear grid, whole peak", ModelKind::ContinuousCS, LinearGrid(0.5, 12.0, 1200), 5.0,
       0.5, 0.5, 12.0},
      {"c(s), logarithmic grid, whole peak", ModelKind::ContinuousCS,
       GeometricGrid(0.5, 12.0, 1500), 5.0, 0.5, 0.5, 12.0},
      {"c(s), one standard deviation", ModelKind::ContinuousCS, LinearGrid(0.5, 12.0, 1200), 5.0,
       0.5, 4.5, 5.5},
      {"c(M) on its M grid", ModelKind::ContinuousCM, GeometricGrid(1e4, 1e6, 1500), 3e5, 4e4, 1e4,
       1e6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetDistribution(c.kind, c.x, GaussianValues(c.x, c.mean, c.sd));
    auto f = [&](double x) { return Gaussian(x, c.mean, c.sd); };
    const int m = 20000;
    const double area = Simpson(f, c.a, c.b, m);
    const double first = Simpson([&](double x) { return x * f(x); }, c.a, c.b, m);
    const double second = Simpson([&](double x) { return x * x * f(x); }, c.a, c.b, m);
    const double reciprocal = Simpson([&](double x) { return f(x) / x; }, c.a, c.b, m);
    const double mean = first / area;
    const double sd = std::sqrt(second / area - mean * mean);

    float total = 0, average = 0, all = 0, spread = 0, sn = 0, sz = 0;
    IntegrateDistribution(static_cast<float>(c.a), static_cast<float>(c.b), total, average, all,
                          &spread, &sn, &sz);
    EXPECT_NEAR(total, area, 1e-4 * area);
    EXPECT_NEAR(average, mean, 1e-4 * mean);
    EXPECT_NEAR(spread, sd, 1e-4 * sd);
    EXPECT_NEAR(sn, area / reciprocal, 1e-4 * area / reciprocal);
    EXPECT_NEAR(sz, second / first, 1e-4 * second / first);
    const double whole = c.sd * std::sqrt(2.0 * M_PI);
    EXPECT_NEAR(all, whole, 1e-4 * whole);
  }
}

TEST_F(IntegrateDistributionTest, LimitsInsideIntervalsTakeThePartOfTheTrapezoidOnTheLine) {
  // c rises from 0 to 4 between 1 and 3 and falls to 0 at 5.
  SetDistribution(ModelKind::ContinuousCS, {0.0f, 1.0f, 3.0f, 5.0f}, {0.0f, 0.0f, 4.0f, 0.0f});
  struct Case {
    const char* name;
    float a, b;
    double total, average;
  } cases[] = {
      {"whole grid", 0.0f, 10.0f, 8.0, 3.0},
      {"left half", 1.0f, 3.0f, 4.0, 7.0 / 3.0},
      {"inside the rise", 2.0f, 3.0f, 3.0, 23.0 / 9.0},
      {"across the peak", 2.0f, 4.0f, 6.0, 3.0},
      {"the intervals only touch the limits", 5.0f, 9.0f, 0.0, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    float total = -1, average = -1, all = -1;
    IntegrateDistribution(c.a, c.b, total, average, all);
    EXPECT_NEAR(total, c.total, 1e-6);
    EXPECT_NEAR(average, c.average, 1e-6);
    EXPECT_FLOAT_EQ(all, c.total == 0.0 ? 0.0f : 8.0f);
  }
}

TEST_F(IntegrateDistributionTest, NothingBetweenTheLimitsLeavesTheOptionalOutputsAlone) {
  SetDistribution(ModelKind::ContinuousCS, LinearGrid(1.0, 5.0, 5), Floats(6, 1.0f));
  struct Case {
    const char* name;
    float a, b;
  } cases[] = {{"a = b", 3.0f, 3.0f}, {"below the grid", -4.0f, 1.0f}, {"reversed", 4.0f, 2.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    float total = -1, average = -1, all = -1, spread = 7, sn = 7, sz = 7;
    IntegrateDistribution(c.a, c.b, total, average, all, &spread, &sn, &sz);
    EXPECT_EQ(total, 0.0f);
    EXPECT_EQ(average, 0.0f);
    EXPECT_EQ(all, 0.0f);
    EXPECT_EQ(spread, 7.0f);
    EXPECT_EQ(sn, 7.0f);
    EXPECT_EQ(sz, 7.0f);
  }
}

TEST_F(IntegrateDistributionTest, AveragesAreWrittenOnlyWhenAllAreAskedAndLimitsArePositive) {
  SetDistribution(ModelKind::ContinuousCS, LinearGrid(-2.0, 8.0, 11), Floats(12, 1.0f));
  float total, average, all, spread = 7, sn = 7, sz = 7;
  IntegrateDistribution(1.0f, 5.0f, total, average, all, &spread, nullptr, &sz);
  EXPECT_NEAR(spread, 4.0 / std::sqrt(12.0), 1e-6);  // uniform on [1, 5]
  EXPECT_EQ(sz, 7.0f);

  IntegrateDistribution(-1.0f, 5.0f, total, average, all, &spread, &sn, &sz);
  EXPECT_EQ(sn, 0.0f);
  EXPECT_EQ(sz, 0.0f);
  EXPECT_NEAR(total, 6.0, 1e-6);
}

TEST_F(IntegrateDistributionTest, RepeatedAbscissaeAndASeparateFirstPointAddNothing) {
  struct Case {
    const char* name;
    ModelKind kind;
    Floats x, v;
    double whole;
  } cases[] = {
      {"repeated abscissa",
       ModelKind::ContinuousCS,
       {0.0f, 1.0f, 2.0f, 2.0f, 3.0f},
       {0.0f, 1.0f, 1.0f, 5.0f, 5.0f},
       1.0 + 5.0},
      {"discrete species at point 1",
       ModelKind::CSWithOneDiscrete,
       {0.0f, 4.0f, 1.0f, 2.0f, 3.0f},
       {0.0f, 9.0f, 1.0f, 1.0f, 1.0f},
       2.0},
      {"non-ideal c(s)",
       ModelKind::NonidealCS,
       {0.0f, 0.5f, 1.0f, 2.0f, 3.0f},
       {0.0f, 9.0f, 1.0f, 1.0f, 1.0f},
       2.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetDistribution(c.kind, c.x, c.v);
    float total, average, all;
    IntegrateDistribution(0.0f, 10.0f, total, average, all);
    EXPECT_FLOAT_EQ(total, static_cast<float>(c.whole));
    EXPECT_FLOAT_EQ(all, static_cast<float>(c.whole));
  }
}

TEST_F(IntegrateDistributionTest, LightScatteringAxes) {
  // log10 Rh (m) descending from -8 to -9 while log10 D ascends: a
  // Gaussian in log10 Rh centred on 3.16 nm.
  const int n = 400;
  Floats logRh(n + 1, 0.0f);
  for (int i = 1; i <= n; ++i) logRh[i] = static_cast<float>(-8.0 - (i - 1.0) / (n - 1));
  const Floats values = GaussianValues(logRh, -8.5, 0.05);
  DlsDataMode = true;
  SetDistribution(ModelKind::DlsIRh, logRh, values);
  const double area = 0.05 * std::sqrt(2.0 * M_PI);

  float total, average, all, spread = 7, sn = 7, sz = 7;
  IntegrateDistribution(-9.0f, -8.0f, total, average, all, &spread, &sn, &sz);
  EXPECT_NEAR(total, area, 1e-4 * area);
  EXPECT_NEAR(all, area, 1e-4 * area);
  EXPECT_NEAR(average, std::pow(10.0, 0.5), 1e-4 * std::pow(10.0, 0.5));  // nm
  EXPECT_EQ(spread, 0.0f);
  EXPECT_EQ(sn, 0.0f);
  EXPECT_EQ(sz, 0.0f);

  // Per nm: the same values read as a density over the radius in nm.
  DistributionSettings.DlsLinearDensity = true;
  IntegrateDistribution(-9.0f, -8.0f, total, average, all);
  auto c = [](double rh) { return Gaussian(std::log10(rh) - 9.0, -8.5, 0.05); };
  const double linearArea = Simpson(c, 1.0, 10.0, 20000);
  const double linearMean =
      Simpson([&](double r) { return r * c(r); }, 1.0, 10.0, 20000) / linearArea;
  EXPECT_NEAR(total, linearArea, 1e-4 * linearArea);
  EXPECT_NEAR(average, linearMean, 1e-4 * linearMean);
}

class Ff0RegionTest : public IntegrateDistributionTest {
 protected:
  // Two s values by two f/f0 values; s fastest.
  void SetUp() override {
    IntegrateDistributionTest::SetUp();
    SetDistribution(ModelKind::CSFf0, {0.0f, 2.0f, 4.0f}, {0.0f, 3.0f, 3.0f});
    DistributionSettings.Grid2DSize = 4;
    DistributionSettings.Ff0GridCount = 2;
    SolventConditions.BufferTemperature = 293.15f;
    auto& g = DistributionGrid;
    g.Grid2DS = {0.0f, 2.0f, 4.0f, 2.0f, 4.0f};
    g.Grid2DFf0 = {0.0f, 1.2f, 1.2f, 1.6f, 1.6f};
    g.Grid2DM = {0.0f, 2e4f, 6e4f, 3e4f, 9e4f};
    g.Grid2DD = {0.0f, 8e-7f, 6e-7f, 6e-7f, 4e-7f};
    g.Grid2DStokesRadius = {0.0f, 2.5f, 3.5f, 3.3f, 5.0f};
    DistributionResult.Grid2DAmplitudes = {0.0f, 1.0f, 2.0f, 3.0f, 0.0f};
  }
};

TEST_F(Ff0RegionTest, StatisticsOfThePointsInsideTheRectangle) {
  struct Case {
    const char* name;
    float a, b, ymin, ymax;
    double weightM, weightR, weightF, meanS, meanD;  // sums over the region / weight
    double weight;
  } cases[] = {
      {"all points", 0.0f, 10.0f, 1.0f, 2.0f, 2e4 + 12e4 + 9e4, 2.5 + 7.0 + 9.9, 1.2 + 2.4 + 4.8,
       2.0 + 8.0 + 6.0, 8e-7 + 12e-7 + 18e-7, 6.0},
      {"the lower f/f0 row", 0.0f, 10.0f, 1.2f, 1.2f, 2e4 + 12e4, 2.5 + 7.0, 1.2 + 2.4, 2.0 + 8.0,
       8e-7 + 12e-7, 3.0},
      {"the first s column", 2.0f, 2.0f, 0.0f, 5.0f, 2e4 + 9e4, 2.5 + 9.9, 1.2 + 4.8, 2.0 + 6.0,
       8e-7 + 18e-7, 4.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DistributionResult.RegionYMin = c.ymin;
    DistributionResult.RegionYMax = c.ymax;
    float total, average, all;
    IntegrateDistribution(c.a, c.b, total, average, all);
    const auto& r = DistributionResult;
    const double meanM = c.weightM / c.weight;
    EXPECT_NEAR(r.RegionMeanM, meanM, 1e-5 * meanM);
    EXPECT_NEAR(r.RegionMeanStokesRadius, c.weightR / c.weight, 1e-5);
    EXPECT_NEAR(r.RegionMeanFf0, c.weightF / c.weight, 1e-5);
    const float m = MFromSAndD(static_cast<float>(c.meanS / c.weight),
                               static_cast<float>(c.meanD / c.weight), 20.0f);
    EXPECT_NEAR(r.RegionMFromSD, m, 1e-4 * m);
  }
}

TEST_F(Ff0RegionTest, SpreadsAboutTheWeightedMeans) {
  DistributionResult.RegionYMin = 1.0f;
  DistributionResult.RegionYMax = 2.0f;
  float total, average, all;
  IntegrateDistribution(0.0f, 10.0f, total, average, all);
  // Weights 1, 2, 3 on M = 2e4, 6e4, 3e4 and radii 2.5, 3.5, 3.3.
  const double meanM = (2e4 + 12e4 + 9e4) / 6.0, meanR = (2.5 + 7.0 + 9.9) / 6.0;
  const double varM =
      (1 * std::pow(2e4 - meanM, 2) + 2 * std::pow(6e4 - meanM, 2) + 3 * std::pow(3e4 - meanM, 2)) /
      6.0;
  const double varR =
      (1 * std::pow(2.5 - meanR, 2) + 2 * std::pow(3.5 - meanR, 2) + 3 * std::pow(3.3 - meanR, 2)) /
      6.0;
  EXPECT_NEAR(DistributionResult.RegionMSd, std::sqrt(varM), 1e-4 * std::sqrt(varM));
  EXPECT_NEAR(DistributionResult.RegionStokesRadiusSd, std::sqrt(varR), 1e-4 * std::sqrt(varR));
}

TEST_F(Ff0RegionTest, AxesFollowTheDisplayAndAnEmptyRegionGivesZeros) {
  struct Case {
    const char* name;
    bool sm, mff0;
    float a, b, ymin, ymax;
    double meanM;
  } cases[] = {
      {"s and M", true, false, 0.0f, 10.0f, 5e4f, 7e4f, 6e4},
      {"M and f/f0", false, true, 1e4f, 2.5e4f, 1.0f, 2.0f, 2e4},
      {"no selection yet: only y = 0", false, false, 0.0f, 10.0f, 0.0f, 0.0f, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DistributionSettings.Ff0PlotSM = c.sm;
    DistributionSettings.Ff0PlotMFf0 = c.mff0;
    DistributionResult.RegionYMin = c.ymin;
    DistributionResult.RegionYMax = c.ymax;
    DistributionResult.RegionMSd = 5.0f;
    float total, average, all;
    IntegrateDistribution(c.a, c.b, total, average, all);
    EXPECT_NEAR(DistributionResult.RegionMeanM, c.meanM, 1e-6 * c.meanM);
    EXPECT_EQ(DistributionResult.RegionMSd, 0.0f);
  }
}

}  // namespace
