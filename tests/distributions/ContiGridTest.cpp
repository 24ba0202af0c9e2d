// Distribution grids: the grid kinds of the models, the mixed linear and
// logarithmic spacing, the c(M) and light-scattering grids, the s x f/f0
// points, file grids, refusals, the visibility check of the ls-g*(s) grids
// and the rebuild test of the s x f/f0 kernel.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "data/AnalysisSideFiles.h"
#include "data/DlsLoading.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiRunFixture.h"
#include "numerics/Hydrodynamics.h"

namespace {

std::vector<float> Grid(const std::vector<float>& v) {
  return {v.begin() + 1, v.end()};
}

bool StrictlyIncreasing(const std::vector<float>& g) {
  for (std::size_t i = 1; i < g.size(); ++i)
    if (!(g[i] > g[i - 1])) return false;
  return true;
}

// Successive differences of g[from..to] (0-based, inclusive) agree within tol
// relative to the first of them.
void ExpectEqualSteps(const std::vector<float>& g, std::size_t from, std::size_t to, double tol) {
  const double first = g[from + 1] - g[from];
  for (std::size_t i = from; i < to; ++i)
    EXPECT_NEAR(g[i + 1] - g[i], first, std::fabs(first) * tol) << "step " << i;
}

struct GridCase {
  const char* name;
  ModelKind kind;
  std::function<void(DistributionSettingsRecord&)> settings;
  int points;
  std::function<void(const std::vector<float>& s, const std::vector<float>& m)> check;
};

class ContiGridKinds : public ContiRunTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(ContiGridKinds, BuildsTheGridOfTheModel) {
  const GridCase& c = GetParam();
  ModelSelection.Kind = c.kind;
  c.settings(DistributionSettings);
  ASSERT_TRUE(MakeGridPoints());
  EXPECT_EQ(DistributionSettings.DistGridSize, c.points);
  const auto s = Grid(DistributionResult.DistSGrid), m = Grid(DistributionResult.DistMGrid);
  ASSERT_EQ(static_cast<int>(s.size()), c.points);
  for (double p : DistributionGrid.PriorProbabilities) EXPECT_EQ(p, 0.01);
  c.check(s, m);
}

const GridCase kGridCases[] = {
    {"LinearUsesTheFloorOfTheResolution", ModelKind::ContinuousCS,
     [](auto& d) {
       d.Resolution = 100.7f;
       d.Smin = 0.5f;
       d.Smax = 15.0f;
     },
     100,
     [](const auto& s, const auto& m) {
       EXPECT_EQ(s.front(), 0.5f);
       EXPECT_EQ(s.back(), 15.0f);
       ExpectEqualSteps(s, 0, 99, 1e-4);
       for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(m[i], CalculateM(s[i]));
     }},
    {"FlotationAddsTheSedimentingPart", ModelKind::CSFlotation,
     [](auto& d) {
       d.Resolution = 20.0f;
       d.Smin = 1.0f;
       d.Smax = 10.0f;
       d.FlotationSettings.FlotationGridN = 50;
       d.FlotationSettings.FlotationOnly = false;
       d.FlotationSettings.FlotationMinS = -12.0f;
       d.FlotationSettings.FlotationMaxS = -2.0f;
     },
     70,
     [](const auto& s, const auto&) {
       EXPECT_EQ(s[0], -12.0f);
       EXPECT_EQ(s[49], -2.0f);
       EXPECT_EQ(s[50], 1.0f);
       EXPECT_EQ(s[69], 10.0f);
       ExpectEqualSteps(s, 0, 49, 1e-4);
       ExpectEqualSteps(s, 50, 69, 1e-4);
     }},
    {"LogarithmicFromZeroStartsAt005", ModelKind::ContinuousCS,
     [](auto& d) {
       d.LogarithmicGrid = true;
       d.LogSpacedSminOn = false;
       d.Resolution = 40.0f;
       d.Smin = 0.0f;
       d.Smax = 20.0f;
     },
     40,
     [](const auto& s, const auto&) {
       EXPECT_NEAR(s.front(), 0.05f, 1e-6);
       EXPECT_NEAR(s.back(), 20.0f, 1e-4);
       for (std::size_t i = 1; i + 1 < s.size(); ++i)
         EXPECT_NEAR(s[i + 1] / s[i], s[1] / s[0], 1e-4);
     }},
    {"LogarithmicWithNegativeLimitFallsBackToLinear", ModelKind::ContinuousCS,
     [](auto& d) {
       d.LogarithmicGrid = true;
       d.Resolution = 30.0f;
       d.Smin = -5.0f;
       d.Smax = 10.0f;
     },
     30,
     [](const auto& s, const auto&) {
       EXPECT_FALSE(DistributionSettings.LogarithmicGrid);
       ExpectEqualSteps(s, 0, 29, 1e-4);
     }},
    {"EntirelyFloatingLogarithmicGridIsNegatedAndIncreasing", ModelKind::CSFlotation,
     [](auto& d) {
       d.LogarithmicGrid = true;
       d.LogSpacedSminOn = false;
       d.FlotationSettings.FlotationGridN = 30;
       d.FlotationSettings.FlotationOnly = true;
       d.FlotationSettings.FlotationMinS = -20.0f;
       d.FlotationSettings.FlotationMaxS = -1.0f;
     },
     30,
     [](const auto& s, const auto&) {
       EXPECT_TRUE(StrictlyIncreasing(s));
       EXPECT_NEAR(s.front(), -20.0f, 1e-4);
       EXPECT_NEAR(s.back(), -1.0f, 1e-5);
       for (std::size_t i = 1; i + 1 < s.size(); ++i)
         EXPECT_NEAR(s[i] / s[i + 1], s[0] / s[1], 1e-4);
     }},
    {"MolarMassGridIsEvenInMToTheTwoThirds", ModelKind::ContinuousCM,
     [](auto& d) {
       d.Resolution = 50.0f;
       d.Smin = 10000.0f;
       d.Smax = 500000.0f;
     },
     50,
     [](const auto&, const auto& m) {
       EXPECT_EQ(m.front(), 10000.0f);
       EXPECT_EQ(m.back(), 500000.0f);
       std::vector<float> x(m.size());
       for (std::size_t i = 0; i < m.size(); ++i) x[i] = std::cbrt(m[i] * m[i]);
       ExpectEqualSteps(x, 0, 49, 1e-3);
     }},
};

INSTANTIATE_TEST_SUITE_P(Kinds, ContiGridKinds, ::testing::ValuesIn(kGridCases),
                         [](const ::testing::TestParamInfo<GridCase>& p) {
                           return std::string(p.param.name);
                         });

TEST_F(ContiRunTest, SignedLogarithmicGridSplitsThePointsBetweenBothSigns) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  auto& d = DistributionSettings;
  d.LogarithmicGrid = true;
  d.LogSpacedSminOn = false;
  d.Resolution = 60.0f;
  d.Smin = -11.0f;
  d.Smax = 21.0f;
  SminWarningAccepted = true;
  ASSERT_TRUE(MakeGridPoints());
  const auto s = Grid(DistributionResult.DistSGrid);
  // (11 − 1)/((11 − 1) + (21 − 1)) of the 60 points are negative.
  int negative = 0;
  for (float v : s) negative += v < 0;
  EXPECT_EQ(negative, 20);
  EXPECT_TRUE(StrictlyIncreasing(s));
  EXPECT_NEAR(s.front(), -11.0f, 1e-4);
  EXPECT_NEAR(s[19], -1.0f, 1e-5);
  EXPECT_NEAR(s[20], 1.0f, 1e-5);
  EXPECT_NEAR(s.back(), 21.0f, 1e-4);
}

// Stokes-Einstein: D·Rh = kT/(6πη) at every point of a light-scattering grid.
TEST_F(ContiRunTest, LightScatteringGridsPairRadiusAndDiffusion) {
  DlsDataMode = true;
  DlsRecords.Resize(1, 1);
  DlsRecords[1].DlsTemperature = 20.0f;
  const double kT6PiEta = 1.380649e-16 * 293.15 / (6.0 * std::numbers::pi * 0.01002);  // cm^3/s
  struct Case {
    ModelKind kind;
    bool linear, logRh, logD;
  };
  for (const Case c :
       {Case{ModelKind::DlsIRh, false, true, false}, Case{ModelKind::DlsIRh, false, false, true},
        Case{ModelKind::DlsID, false, false, true}, Case{ModelKind::DlsID, true, false, false}}) {
    ModelSelection.Kind = c.kind;
    auto& d = DistributionSettings;
    d.DlsGridLinear = c.linear;
    d.DlsGridLogRh = c.logRh;
    d.DlsGridLogD = c.logD;
    d.Resolution = 20.0f;
    d.Smin = 1.0f;  // nm or F
    d.Smax = c.kind == ModelKind::DlsID ? 50.0f : 100.0f;
    ASSERT_TRUE(MakeGridPoints());
    const auto rh = Grid(DistributionResult.DistSGrid), dd = Grid(DistributionResult.DistMGrid);
    for (std::size_t i = 0; i < rh.size(); ++i)
      EXPECT_NEAR(std::pow(10.0, rh[i]) * 100.0 * std::pow(10.0, dd[i]), kT6PiEta, kT6PiEta * 2e-3)
          << static_cast<int>(c.kind) << " point " << i;
    if (c.logRh) ExpectEqualSteps(rh, 0, rh.size() - 1, 1e-3);
    if (c.logD) ExpectEqualSteps(dd, 0, dd.size() - 1, 1e-3);
    if (c.linear) {
      std::vector<float> lin(dd.size());
      for (std::size_t i = 0; i < dd.size(); ++i) lin[i] = std::pow(10.0f, dd[i]);
      ExpectEqualSteps(lin, 0, lin.size() - 1, 1e-3);
    }
  }
  DlsRecords = OneBasedArray<DlsRecord>{};
}

// Every point of an s x f/f0 grid is a species whose M and D give back its s
// by the Svedberg equation.
TEST_F(ContiRunTest, TwoDimensionalGridHoldsEverySFf0Pair) {
  ModelSelection.Kind = ModelKind::CSFf0;
  auto& d = DistributionSettings;
  d.Resolution = 12.0f;
  d.Smin = 1.0f;
  d.Smax = 12.0f;
  d.Ff0GridCount = 5.0f;
  d.Ff0Min = 1.0f;
  d.Ff0Max = 3.0f;
  d.Grid2DSize = 7;  // stale: the grid takes n times the f/f0 count
  ASSERT_TRUE(MakeGridPoints());
  ASSERT_EQ(d.Grid2DSize, 60);
  const auto& g = DistributionGrid;
  for (int j = 1; j <= 5; ++j) {
    EXPECT_NEAR(g.Ff0Values[static_cast<std::size_t>(j)], 1.0f + 0.5f * (j - 1), 1e-6);
    for (int k = 1; k <= 12; ++k) {
      const auto p = static_cast<std::size_t>(k + (j - 1) * 12);
      EXPECT_EQ(g.Grid2DS[p], static_cast<float>(k));
      EXPECT_EQ(g.Grid2DFf0[p], g.Ff0Values[static_cast<std::size_t>(j)]);
      EXPECT_NEAR(SFromMassAndD(g.Grid2DM[p], g.Grid2DD[p], 20.0f), g.Grid2DS[p], 1e-3 * k);
      if (j > 1) {
        const auto q = static_cast<std::size_t>(k + (j - 2) * 12);
        EXPECT_GT(g.Grid2DM[p], g.Grid2DM[q]);  // more friction, more mass at the same s
      }
    }
  }
}

TEST(MakeLogGrid, LinearForTenPointsOrFewer) {
  std::vector<float> out(11);
  MakeLogGrid(out.data(), 1.0f, 10.0f, 5.0f, 10);
  const std::vector<float> g(out.begin() + 1, out.end());
  EXPECT_EQ(g.front(), 1.0f);
  EXPECT_EQ(g.back(), 10.0f);
  ExpectEqualSteps(g, 0, 9, 1e-5);
}

TEST(MakeLogGrid, GeometricWhenTheLinearPartIsEmpty) {
  std::vector<float> out(31);
  MakeLogGrid(out.data(), 2.0f, 200.0f, 1.0f, 30);
  const std::vector<float> g(out.begin() + 1, out.end());
  EXPECT_NEAR(g.front(), 2.0f, 1e-5);
  EXPECT_NEAR(g.back(), 200.0f, 1e-3);
  for (std::size_t i = 1; i + 1 < g.size(); ++i) EXPECT_NEAR(g[i + 1] / g[i], g[1] / g[0], 1e-4);
}

// Below s0 the steps are equal; above it each step is the same fraction of
// s, and the grid has exactly the points asked for.
TEST(MakeLogGrid, MixedGridIsLinearBelowS0AndProportionalAbove) {
  for (const auto& [smin, smax, s0, count] :
       {std::tuple{0.5f, 15.0f, 5.0f, 100}, std::tuple{0.5f, 15.0f, 10.0f, 100},
        std::tuple{1.0f, 100.0f, 10.0f, 50}, std::tuple{0.1f, 20.0f, 5.0f, 30}}) {
    std::vector<float> out(static_cast<std::size_t>(count) + 1);
    MakeLogGrid(out.data(), smin, smax, s0, count);
    const std::vector<float> g(out.begin() + 1, out.end());
    ASSERT_EQ(DistributionGrid.MixedGridPointCount, count) << s0;
    EXPECT_EQ(g.front(), smin);
    EXPECT_TRUE(StrictlyIncreasing(g));
    EXPECT_GE(g.back(), smax * 0.99f);
    std::size_t above = 0;
    while (g[above] < s0) ++above;
    ExpectEqualSteps(g, 0, above - 1, 1e-3);
    const double fraction = (g[above + 1] - g[above]) / g[above];
    for (std::size_t i = above; i + 2 < g.size(); ++i)
      EXPECT_NEAR((g[i + 1] - g[i]) / g[i], fraction, fraction * 1e-3) << s0 << " " << i;
  }
}

TEST_F(ContiRunTest, GridsOfFewerThanTwoPointsAreRefused) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  for (float resolution : {1.9f, 0.0f, -3.0f}) {
    DistributionSettings.Resolution = resolution;
    EXPECT_FALSE(MakeGridPoints()) << resolution;
  }
  EXPECT_EQ(LogLinesWith("at least 2 points").size(), 3u);

  // A file grid of one value.
  DistributionSettings.Resolution = 50.0f;
  DistributionSettings.GridFromFile = true;
  scratch.Write("sdist.dat", "3.5\n");
  EXPECT_FALSE(MakeGridPoints());
  EXPECT_EQ(LogLinesWith("at least 2 points").size(), 4u);

  // A floating part of one point.
  ModelSelection.Kind = ModelKind::CSFlotation;
  scratch.Write("sdist.dat", "-2\n1\n2\n3\n");
  EXPECT_FALSE(MakeGridPoints());
  DistributionSettings.GridFromFile = false;
  DistributionSettings.FlotationSettings.FlotationGridN = 1;
  EXPECT_FALSE(MakeGridPoints());
  EXPECT_EQ(LogLinesWith("s-grid needs at least two values < 0 in flotation model").size(), 2u);
}

// A grid written for one run is read back with the settings that follow it.
TEST_F(ContiRunTest, FileGridRoundTripSetsTheLimits) {
  ModelSelection.Kind = ModelKind::CSFlotation;
  auto& d = DistributionSettings;
  d.LogarithmicGrid = true;
  d.GridFromFile = true;
  ParameterFitted[4] = 1;
  scratch.Write("sdist.dat", "-6\n-4\n-2\n1\n2\n4\n8\n");
  ASSERT_TRUE(MakeGridPoints());
  EXPECT_FALSE(d.LogarithmicGrid);
  EXPECT_EQ(ParameterFitted[4], 0);
  EXPECT_EQ(d.DistGridSize, 7);
  EXPECT_EQ(d.FlotationSettings.FlotationGridN, 3);
  EXPECT_EQ(d.FlotationSettings.FlotationMinS, -6.0f);
  EXPECT_EQ(d.FlotationSettings.FlotationMaxS, -2.0f);
  EXPECT_FALSE(d.FlotationSettings.FlotationOnly);
  EXPECT_EQ(d.Resolution, 4.0f);
  EXPECT_EQ(d.Smin, 1.0f);
  EXPECT_EQ(d.Smax, 8.0f);
  EXPECT_EQ(ParameterVector[9], 4.0f);
  EXPECT_EQ(ParameterVector[1], 1.0f);
  EXPECT_EQ(ParameterVector[5], 8.0f);
  EXPECT_EQ(Grid(DistributionResult.DistSGrid), (std::vector<float>{-6, -4, -2, 1, 2, 4, 8}));

  // A computed grid is written for the next file run.
  ModelSelection.Kind = ModelKind::ContinuousCS;
  d.GridFromFile = false;
  d.Resolution = 5.0f;
  d.Smin = 1.0f;
  d.Smax = 3.0f;
  ASSERT_TRUE(MakeGridPoints());
  int count = 0;
  OneBasedArray<float> values;
  ASSERT_TRUE(LoadSdistVector(&count, &values));
  ASSERT_EQ(count, 5);
  EXPECT_FLOAT_EQ(values[3], 2.0f);
}

class ContiGridWithScans : public ContiRunTest {
 protected:
  // 10 scans, one every 300 s from 600 s, at 50,000 rpm, 5.9 to 7.1 cm.
  void LoadStandardScans() {
    std::vector<SyntheticScan> scans;
    for (int i = 0; i < 10; ++i) scans.push_back({600.0 + 300.0 * i, 50000.0f});
    LoadScans(scans, 121, 5.9, 0.01, 5.8f, 7.2f);
    ScanDataSet.FitLeftLim = 5.9f;
    ScanDataSet.FitRightLim = 7.1f;
  }
};

TEST_F(ContiGridWithScans, AllocatesKernelAndNormalEquationsForTheGrid) {
  LoadStandardScans();
  ModelSelection.Kind = ModelKind::ContinuousCS;
  DistributionSettings.Resolution = 25.0f;
  DistributionSettings.Smin = 1.0f;
  DistributionSettings.Smax = 10.0f;
  ASSERT_TRUE(MakeContiGrid());
  EXPECT_EQ(DistKernel.GridCount(), 25);
  EXPECT_EQ(DistKernel.ScanCount(), 10);
  EXPECT_EQ(DistKernel.RadiusCount(), CommonRadialGrid.CommonGridSize);
  EXPECT_EQ(NormalEquations.Size, 25);

  ModelSelection.Kind = ModelKind::CSFf0;
  DistributionSettings.Ff0GridCount = 4.0f;
  ASSERT_TRUE(MakeContiGrid());
  EXPECT_EQ(DistKernel.GridCount(), 100);
  EXPECT_EQ(NormalEquations.Size, 100);
}

// Both questions of the ls-g*(s) grid check, with either answer; an accepted
// range is not questioned again until the next load.
TEST_F(ContiGridWithScans, LsGStarRangeQuestions) {
  LoadStandardScans();
  ModelSelection.Kind = ModelKind::LsGStar;
  auto& d = DistributionSettings;
  d.Resolution = 20.0f;
  struct Case {
    float smin, smax;
    const char* question;
  };
  // In the last scan (3300 s) a 1 S boundary has moved only to 5.91 cm, short
  // of the left fit limit; at the first scan (600 s) a 150 S boundary is
  // beyond the right one.
  for (const Case c :
       {Case{0.05f, 0.1f, "smax 0.10 too low"}, Case{150.0f, 200.0f, "smin 150.00"}}) {
    d.Smin = c.smin;
    d.Smax = c.smax;
    SminWarningAccepted = false;
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);
    EXPECT_FALSE(MakeContiGrid()) << c.question;
    EXPECT_FALSE(SminWarningAccepted);
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
    EXPECT_TRUE(MakeContiGrid()) << c.question;
    EXPECT_TRUE(SminWarningAccepted);
    EXPECT_TRUE(MakeContiGrid());
    EXPECT_EQ(LogLinesWith(c.question).size(), 2u) << c.question;
  }
  // Grids inside the fit limits ask nothing.
  SminWarningAccepted = false;
  d.Smin = 1.0f;
  d.Smax = 20.0f;
  const auto before = backend().Log().size();
  EXPECT_TRUE(MakeContiGrid());
  EXPECT_EQ(backend().Log().size(), before);
  EXPECT_NEAR(GridBuildMemory.SLeftLimit,
              std::log(5.9 / 5.8) / (std::pow(50000 * std::numbers::pi / 30, 2) * 1e-13 * 3300),
              1e-3);
}

TEST_F(ContiGridWithScans, ScansAtVaryingSpeedAreNotQuestioned) {
  LoadStandardScans();
  ScanDataSet.ScanHeaders[4].Rpm = 40000.0f;
  ModelSelection.Kind = ModelKind::LsGStar;
  DistributionSettings.Resolution = 20.0f;
  DistributionSettings.Smin = 60.0f;
  DistributionSettings.Smax = 80.0f;
  EXPECT_TRUE(MakeContiGrid());
  EXPECT_TRUE(LogLinesWith("too low").empty());
}

TEST_F(ContiGridWithScans, ModelsWhoseServicesAreMissingAreRefused) {
  LoadStandardScans();
  DistributionSettings.Resolution = 20.0f;
  DistributionSettings.Smin = 1.0f;
  DistributionSettings.Smax = 10.0f;
  ModelSelection.Kind = ModelKind::CSWithMsTable;
  EXPECT_FALSE(MakeContiGrid());
  ModelSelection.Kind = ModelKind::NonidealCS;
  EXPECT_FALSE(MakeContiGrid());
  EXPECT_EQ(LogLinesWith("is not available").size(), 2u);
  int loads = 0;
  GridServices.LoadMsTable = [&] { return ++loads > 0; };
  ModelSelection.Kind = ModelKind::CSWithMsTable;
  EXPECT_TRUE(MakeContiGrid());
  EXPECT_EQ(loads, 1);
}

TEST_F(ContiGridWithScans, TwoDimensionalKernelIsKeptWhileNothingChanges) {
  LoadStandardScans();
  ModelSelection.Kind = ModelKind::CSFf0;
  auto& d = DistributionSettings;
  d.Resolution = 10.0f;
  d.Smin = 1.0f;
  d.Smax = 10.0f;
  d.Ff0GridCount = 3.0f;
  d.Grid2DSize = 30;
  ScanDataSet.DataChanged = false;
  EXPECT_TRUE(Grid2DChanged());  // no kernel yet
  ASSERT_TRUE(MakeContiGrid());
  EXPECT_FALSE(Grid2DChanged());
  EXPECT_FALSE(DistributionRunFlags.Grid2DRebuild);
  d.Ff0Max = 2.5f;
  EXPECT_TRUE(Grid2DChanged());
  ASSERT_TRUE(MakeContiGrid());
  EXPECT_FALSE(Grid2DChanged());
  ScanDataSet.DataChanged = true;
  EXPECT_TRUE(Grid2DChanged());
  ScanDataSet.DataChanged = false;
  // Inside a search the flag is left alone.
  DistributionRunFlags.Grid2DRebuild = false;
  DistributionRunFlags.InNonlinearSearch = true;
  EXPECT_TRUE(Grid2DChanged());
  EXPECT_FALSE(DistributionRunFlags.Grid2DRebuild);
  DistributionRunFlags.InNonlinearSearch = false;
  // A one-dimensional model is always rebuilt.
  ModelSelection.Kind = ModelKind::ContinuousCS;
  EXPECT_TRUE(Grid2DChanged());
  EXPECT_TRUE(DistributionRunFlags.Grid2DRebuild);
}

}  // namespace
