// Prior probabilities on the grid: Gaussian and delta peaks above the floor,
// the prior file resampled onto the grid, and a prior at the true peak of
// synthetic data that leaves the fit at the noise.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "distributions/ContiRunSedFixture.h"
#include "distributions/PriorProfile.h"
#include "distributions/SyntheticVelocityData.h"
#include "state/PriorSettings.h"
#include "numerics/Hydrodynamics.h"

namespace {

namespace sv = synthetic_velocity;

constexpr double kFloor = 0.001;

class PriorProfileTest : public ContiRunSedTest {
 protected:
  void SetUp() override {
    ContiRunSedTest::SetUp();
    PriorSettings = PriorSettingsRecord{};
    PriorProfileSource = PriorProfileSourceRecord{};
    GridServices.MakePriorProfile = [] { MakePriorProfile(); };
  }
  void TearDown() override {
    PriorSettings = PriorSettingsRecord{};
    PriorProfileSource = PriorProfileSourceRecord{};
    ContiRunSedTest::TearDown();
  }

  // A c(s) grid 0.5, 1.0, ..., 10 S (20 points) with the given peaks.
  static void MakeGridWithPeaks(const std::vector<PriorPeak>& peaks) {
    ModelSelection.Kind = ModelKind::ContinuousCS;
    const int n = 20;
    DistributionSettings.DistGridSize = n;
    DistributionResult.DistSGrid.assign(n + 1, 0.0f);
    DistributionResult.DistMGrid.assign(n + 1, 0.0f);
    for (int j = 1; j <= n; ++j) DistributionResult.DistSGrid[static_cast<std::size_t>(j)] = 0.5f * j;
    DistributionGrid.PriorProbabilities.assign(n + 1, 0.01);
    PriorSettings.PriorOnS = true;
    for (std::size_t k = 0; k < peaks.size(); ++k) PriorSettings.PriorPeaks[k + 1] = peaks[k];
    ASSERT_TRUE(MakePriorProfile());
  }
  static double Prior(int j) { return DistributionGrid.PriorProbabilities[static_cast<std::size_t>(j)]; }
};

TEST_F(PriorProfileTest, GaussianPeakAddsItsAreaAboveTheFloor) {
  MakeGridWithPeaks({{5.0, 1.0, 1.0}});
  EXPECT_NEAR(Prior(10) - kFloor, 0.5643, 1e-4);  // 5 S
  double area = 0.0;
  for (int j = 1; j <= 20; ++j) {
    const double x = 0.5 * j;
    EXPECT_NEAR(Prior(j) - kFloor, std::exp(-(5.0 - x) * (5.0 - x)) / 1.772, 1e-9) << j;
    area += 0.5 * (Prior(j) - kFloor);
  }
  EXPECT_NEAR(area, 1.0, 0.01);
  EXPECT_DOUBLE_EQ(PriorGridValues[10], 5.0);
}

struct DeltaCase {
  const char* name;
  double position;
  // Expected additions above the floor at grid points (index, value); every
  // other point stays at the floor.
  std::vector<std::pair<int, double>> added;
};

class PriorDeltaPeak : public PriorProfileTest, public ::testing::WithParamInterface<DeltaCase> {};

TEST_P(PriorDeltaPeak, AddsTheAreaWhereTheGridAllows) {
  const DeltaCase& c = GetParam();
  const double A = 0.25;
  MakeGridWithPeaks({{c.position, 0.0, A}});
  std::vector<double> expected(21, 0.0);
  for (const auto& [j, v] : c.added) expected[static_cast<std::size_t>(j)] = v;
  for (int j = 1; j <= 20; ++j)
    EXPECT_NEAR(Prior(j) - kFloor, expected[static_cast<std::size_t>(j)], 1e-12) << j;
}

// On a grid point: 2A/Δx there only (A = 0.25, Δx = 0.5).
INSTANTIATE_TEST_SUITE_P(
    Positions, PriorDeltaPeak,
    ::testing::Values(DeltaCase{"OnGridPoint", 4.0, {{8, 1.0}}},
                      DeltaCase{"FirstInterval", 0.75, {}},
                      DeltaCase{"SecondToLastInterval", 9.25, {}},
                      DeltaCase{"LastInterval", 9.75, {}},
                      DeltaCase{"LastPoint", 10.0, {}}),
    [](const ::testing::TestParamInfo<DeltaCase>& p) { return std::string(p.param.name); });

// Between grid points the peak is split over the two neighbours so that the
// local profile 0, D + u, D − u, 0 has its centroid at the peak.
TEST_F(PriorProfileTest, DeltaPeakBetweenPointsKeepsItsCentroid) {
  const double P = 3.2, A = 0.25, D = A / 0.5;
  MakeGridWithPeaks({{P, 0.0, A}});
  const double a = Prior(6) - kFloor, b = Prior(7) - kFloor;  // 3.0 and 3.5 S
  EXPECT_NEAR(a + b, 2.0 * D, 1e-9);
  EXPECT_GT(a, b);
  // Centroid of the piecewise-linear profile from 2.5 to 4.0 S, by
  // integrating it numerically.
  const double xs[] = {2.5, 3.0, 3.5, 4.0}, ys[] = {0.0, a, b, 0.0};
  double area = 0.0, moment = 0.0;
  for (int seg = 0; seg < 3; ++seg)
    for (int k = 0; k < 1000; ++k) {
      const double t = (k + 0.5) / 1000.0;
      const double x = xs[seg] + t * 0.5, y = ys[seg] + t * (ys[seg + 1] - ys[seg]);
      area += y;
      moment += x * y;
    }
  EXPECT_NEAR(moment / area, P, 2e-4);
  for (int j : {5, 8}) EXPECT_DOUBLE_EQ(Prior(j), kFloor);
}

TEST_F(PriorProfileTest, EmptyPeaksAddNothing) {
  MakeGridWithPeaks({{5.0, -1.0, 1.0}, {6.0, 1.0, 0.0}, {0.0, 1.0, 1.0}});
  for (int j = 1; j <= 20; ++j) EXPECT_DOUBLE_EQ(Prior(j), kFloor);
}

TEST_F(PriorProfileTest, PriorFileIsResampledOntoTheGrid) {
  const std::string path = scratch.File("prior.dat");
  std::FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  for (int k = 0; k <= 40; ++k) std::fprintf(f, "%f %f\n", 0.25 * k, 1.0 + 0.25 * k);
  std::fclose(f);
  PriorSettings.PriorFileName = path;
  PriorSettings.PriorFileInitial = path[0];
  MakeGridWithPeaks({});
  for (int j = 1; j <= 20; ++j) EXPECT_NEAR(Prior(j), 1.0 + 0.5 * j, 1e-5) << j;
  EXPECT_TRUE(PriorSettings.PriorOnS);
}

TEST_F(PriorProfileTest, UnreadablePriorFileSwitchesThePriorOff) {
  PriorSettings.PriorFileName = scratch.File("missing.dat");
  PriorSettings.PriorFileInitial = '/';
  MakeGridWithPeaks({});
  EXPECT_FALSE(PriorSettings.PriorOnS);
  EXPECT_FALSE(LogLinesWith("Could Not Open MaxEnt Prior File").empty());
  for (int j = 1; j <= 20; ++j) EXPECT_DOUBLE_EQ(Prior(j), 0.01);
}

TEST_F(PriorProfileTest, CMGridTakesThePriorOverMolarMass) {
  ModelSelection.Kind = ModelKind::ContinuousCM;
  DistributionSettings.DistGridSize = 3;
  DistributionResult.DistSGrid = {0, 1, 2, 3};
  DistributionResult.DistMGrid = {0, 1e4, 2e4, 3e4};
  DistributionGrid.PriorProbabilities.assign(4, 0.01);
  MakePriorProfile();
  EXPECT_DOUBLE_EQ(PriorGridValues[2], 2e4);
}

// A Gaussian prior at the true peak of one 5 S species: the regularised fit
// stays at the noise and the peak where it belongs.
TEST_F(PriorProfileTest, PriorAtTheTruePeakKeepsTheFitAtTheNoise) {
  sv::Experiment e;
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 50.0f);
  const float M = CalculateM(5.0f);
  const sv::Data data = sv::MakeData(e, {{5.0, DFromMass(M, 20.0f), 0.5}});
  LoadExperiment(e, data);
  FitTimeAndRadialInvariantNoise();
  PriorSettings.PriorOnS = true;
  PriorSettings.PriorPeaks[1] = {5.0, 0.3, 1.0};
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_NEAR(Rmsd(), e.NoiseSd, 0.05 * e.NoiseSd);
  EXPECT_NEAR(PeakBetween(0.0, 20.0).position, 5.0, 0.1);
  EXPECT_GT(DistributionGrid.PriorProbabilities[1], 0.0);
}

}  // namespace
