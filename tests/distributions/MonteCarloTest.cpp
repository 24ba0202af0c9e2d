// Monte Carlo of distributions: the replicas' right-hand side against the
// normal-equation builder, the limit statistics and file names, and a whole
// analysis of synthetic data.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "distributions/ContiRunSedFixture.h"
#include "distributions/MonteCarlo.h"
#include "distributions/MonteCarloReplicas.h"
#include "distributions/NoiseProblemFixture.h"
#include "distributions/SyntheticVelocityData.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/RandomNumbers.h"

namespace {

namespace sv = synthetic_velocity;

struct RhsCase {
  const char* name;
  SystematicNoise noise;
  bool fixedFirst;
};

class ReplicaRhs : public ::testing::TestWithParam<RhsCase> {};

// On the data the base build was made from, the replica's right-hand side
// is the builder's b and y'y.
TEST_P(ReplicaRhs, EqualsTheBuildersRightHandSide) {
  const RhsCase& c = GetParam();
  noise_problem::Problem p;
  noise_problem::Fill(p, 6, 5, 40, 4, 35, 17);
  const NormalEquationProblem problem = p.Describe(c.noise, 0.02, c.fixedFirst);
  NoiseEliminationRecord record;
  ASSERT_TRUE(BuildNormalEquations(problem, p.neq, record));
  NormalEquationArrays out;
  ASSERT_TRUE(out.Allocate(p.n, p.scans, p.radii));
  NoiseEliminationRecord replicaRecord;
  ReplicaRightHandSide(problem, p.neq, out, replicaRecord);
  for (int i = 1; i <= problem.Unknowns(); ++i)
    EXPECT_NEAR(out.NormalVector[i], p.neq.NormalVector[i],
                1e-9 * (1.0 + std::fabs(p.neq.NormalVector[i])))
        << i;
  EXPECT_NEAR(out.DataSquareSum, p.neq.DataSquareSum, 1e-9 * (1.0 + p.neq.DataSquareSum));
}

INSTANTIATE_TEST_SUITE_P(
    NoiseModels, ReplicaRhs,
    ::testing::Values(RhsCase{"None", SystematicNoise::None, false},
                      RhsCase{"Baseline", SystematicNoise::Baseline, false},
                      RhsCase{"TI", SystematicNoise::TimeInvariant, false},
                      RhsCase{"RI", SystematicNoise::RadialInvariant, false},
                      RhsCase{"TIRI", SystematicNoise::TimeAndRadialInvariant, false},
                      RhsCase{"TIRIFixedFirst", SystematicNoise::TimeAndRadialInvariant, true}),
    [](const ::testing::TestParamInfo<RhsCase>& p) { return std::string(p.param.name); });

TEST(MonteCarloFiles, LimitStemsArePaddedToThreeDigits) {
  EXPECT_EQ(LimitFileStem(0.84), "lim840");
  EXPECT_EQ(LimitFileStem(0.16), "lim160");
  EXPECT_EQ(LimitFileStem(0.025), "lim 25");
  EXPECT_EQ(LimitFileStem(0.975), "lim975");
}

TEST(MonteCarloFiles, KthSmallestCountsFromOne) {
  const std::vector<float> v = {0.0f, 5.0f, 1.0f, 4.0f, 2.0f};
  EXPECT_EQ(KthSmallest(v, 0), 0.0f);
  EXPECT_EQ(KthSmallest(v, 1), 1.0f);
  EXPECT_EQ(KthSmallest(v, 3), 4.0f);
}

class MonteCarloTest : public ContiRunSedTest {
 protected:
  void TearDown() override {
    MonteCarlo = MonteCarloRecord{};
    MonteCarloDisplayLinks = MonteCarloDisplayLinksRecord{};
    ContiRunSedTest::TearDown();
  }
  std::string Folder() const { return scratch.path().string() + "/"; }
  static std::vector<std::pair<double, double>> ReadPairs(const std::string& path) {
    std::vector<std::pair<double, double>> pairs;
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return pairs;
    double x = 0, y = 0;
    while (std::fscanf(f, "%lf %lf", &x, &y) == 2) pairs.emplace_back(x, y);
    std::fclose(f);
    return pairs;
  }
};

// Two replicas at P = 0.68: the lower limit is the 0th smallest (0), the
// upper the smallest; the files carry the limits, the mean is shown.
TEST_F(MonteCarloTest, TwoReplicasGiveTheStatedLimits) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  DistributionSettings.DistGridSize = 3;
  DistributionResult.DistSGrid = {0, 1, 2, 3};
  DistributionResult.DistValues.assign(4, 0.0f);
  auto& mc = MonteCarlo;
  mc.ReplicaCount = 2;
  mc.StoreWidth = 3;
  mc.ReplicaStore = OneBasedMatrix<float>(1, 3, 1, 3);
  const float rows[3][3] = {{1, 4, 2}, {3, 2, 2}, {9, 9, 9}};  // row 3 is not a replica
  for (int r = 1; r <= 3; ++r)
    for (int k = 1; k <= 3; ++k) mc.ReplicaStore[r][k] = rows[r - 1][k - 1];
  mc.MonteCarloMean.assign(4, 0.0f);
  mc.MonteCarloLower.assign(4, 0.0f);
  mc.MonteCarloUpper.assign(4, 0.0f);
  mc.MonteCarloFolder = Folder();
  MonteCarloLimits(0.68f);
  const float mean[] = {2, 3, 2}, upper[] = {1, 2, 2};
  for (int k = 1; k <= 3; ++k) {
    EXPECT_FLOAT_EQ(mc.MonteCarloLower[k], 0.0f) << k;
    EXPECT_FLOAT_EQ(mc.MonteCarloUpper[k], upper[k - 1]) << k;
    EXPECT_FLOAT_EQ(mc.MonteCarloMean[k], mean[k - 1]) << k;
    EXPECT_FLOAT_EQ(DistributionResult.DistValues[k], mean[k - 1]) << k;
  }
  const auto up = ReadPairs(Folder() + "lim840.dat");
  ASSERT_EQ(up.size(), 3u);
  EXPECT_DOUBLE_EQ(up[1].first, 2.0);
  EXPECT_DOUBLE_EQ(up[1].second, 2.0);
  EXPECT_EQ(ReadPairs(Folder() + "lim160.dat").size(), 3u);
  EXPECT_EQ(ReadPairs(Folder() + "mean.dat").size(), 3u);
  MonteCarloLimits(0.95f);
  EXPECT_TRUE(std::filesystem::exists(Folder() + "lim 25.dat"));
  EXPECT_TRUE(std::filesystem::exists(Folder() + "lim975.dat"));
}

// One 5 S species with TI and RI noise, N = 20 at P = 0.68: the limits
// bracket the species' concentration, the mean sits on it, the loaded data
// are untouched, and the result does not depend on the number of workers.
TEST_F(MonteCarloTest, ReplicasOfSyntheticDataBracketTheTruth) {
  sv::Experiment e;
  e.Scans = 12;
  e.Points = 201;
  e.RadialStep = 0.006;
  e.Interval = 600.0;
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 40.0f);
  const double c = 0.5;
  const sv::Data data = sv::MakeData(e, {{5.0, DFromMass(CalculateM(5.0f), 20.0f), c}});
  LoadExperiment(e, data);
  FitTimeAndRadialInvariantNoise();
  const std::vector<float> before(ScanDataSet.ScanSignal[3].data() + 1,
                                  ScanDataSet.ScanSignal[3].data() + e.Points + 1);

  std::vector<std::vector<float>> means;
  for (int threads : {1, 3}) {
    DistributionSettings.ThreadCount = threads;
    SeedClockRandomGenerators(99);
    ASSERT_TRUE(MonteCarloDistributions(nullptr, 20, 0.68f, Folder() + "mc.dat", threads == 1));
    means.push_back(MonteCarlo.MonteCarloMean);
    const int n = DistributionSettings.DistGridSize;
    const auto& x = DistributionResult.DistSGrid;
    EXPECT_LT(TrapezoidArea(MonteCarlo.MonteCarloLower, x, n), c);
    EXPECT_GT(TrapezoidArea(MonteCarlo.MonteCarloUpper, x, n), c);
    EXPECT_NEAR(TrapezoidArea(MonteCarlo.MonteCarloMean, x, n), c, 0.03 * c);
    EXPECT_NEAR(PeakBetween(0.0, 20.0).position, 5.0, 0.1);
    for (int k = 1; k <= n; ++k) {
      EXPECT_LE(MonteCarlo.MonteCarloLower[k], MonteCarlo.MonteCarloUpper[k]) << k;
      EXPECT_FLOAT_EQ(DistributionResult.DistValues[k], MonteCarlo.MonteCarloMean[k]) << k;
    }
    for (const char* file : {"lim840.dat", "lim160.dat", "mean.dat"})
      EXPECT_EQ(ReadPairs(Folder() + file).size(), static_cast<std::size_t>(n)) << file;
    MonteCarloFinish(nullptr);
  }
  EXPECT_TRUE(std::filesystem::exists(Folder() + "0.dat"));
  EXPECT_TRUE(std::filesystem::exists(Folder() + "20.dat"));
  EXPECT_EQ(means[0], means[1]);
  for (int k = 1; k <= e.Points; ++k)
    EXPECT_EQ(ScanDataSet.ScanSignal[3][k], before[static_cast<std::size_t>(k - 1)]) << k;
}

TEST_F(MonteCarloTest, NothingHappensWithTooFewReplicas) {
  EXPECT_FALSE(MonteCarloDistributions(nullptr, 1, 0.68f, Folder() + "mc.dat", false));
  EXPECT_EQ(MonteCarlo.ReplicaCount, 0);
}

}  // namespace
