// Error estimates: the F-statistics interval of s of a discrete fit on
// synthetic data, the count of fit points and the critical rmsd, and the
// Monte Carlo commands' dialogue, which always frees the replicas.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/ProgramStartLinks.h"
#include "app/statistics/ErrorEstimateCommands.h"
#include "app/window/TXLAWindow.h"
#include "state/MonteCarloLinks.h"
#include "models/ErrorProjections.h"
#include "models/FitDriver.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"
#include "numerics/Statistics.h"

namespace {

constexpr int kScans = 8;
constexpr float kRpm = 50000.0f;

class ErrorEstimateCommandsTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ResetMonteCarloLinks();
    WireAsTheProgramStartDoes(window);
  }
  void TearDown() override {
    ResetMonteCarloLinks();
    ModelsTest::TearDown();
  }
  // One species of 4 S and 50 kDa in eight scans with seeded noise of 0.01;
  // s and M float, the loading is solved linearly.
  void MakeFit() {
    SeedClockRandomGenerators(5);
    SetUpVelocityFitCell(kScans, 0.005, 1500.0, kRpm);
    ModelParametersRecord& m = ModelParameters;
    m.ComponentOn = {0, 1, 0, 0, 0};
    m.SedCoefficient[1] = 4.0f;
    m.MassOrD[1] = 50000.0f;
    m.Concentration[1] = 1.0f;
    DeriveFitModeFlags();
    PackParameterVector();
    SimulateModel(nullptr);
    DataFromModelWithNoise(77, 0.01f);
    m.ConcentrationFitted[1] = 1;
    m.MassOrDFitted[1] = 1;
    DeriveFitModeFlags();
    PackParameterVector();
    FitControl.CurrentRmsd = SimplexWithRestarts(nullptr);
  }
  TXLAWindow window{"w"};
};

TEST_F(ErrorEstimateCommandsTest, FitPointsAndCriticalRmsdFollowTheFDistribution) {
  LoadTestScans({{6.0, 7.0, 0.005, 1000.0, nullptr, 0}});
  ScanDataSet.ScanFirstFitIndex[1] = 10;
  ScanDataSet.ScanLastFitIndex[1] = 109;
  EXPECT_EQ(FitPointCount(), 100);
  const float critical = CriticalRmsd(0.683f, 100, 0.01f);
  const double f = critical * critical / 1e-4 * 99.0 / 100.0;
  // F(99, 100) at 68.3 %: the probability of exceeding it is 31.7 %.
  EXPECT_NEAR(FProbability(f, 99.0, 100.0), 1.0 - 0.683, 1e-3);
  EXPECT_FLOAT_EQ(CriticalRmsd(0.683f, 1, 0.01f), 0.0f);
}

// The interval of s at 68.3 % confidence contains the true 4 S.
TEST_F(ErrorEstimateCommandsTest, ErrorOfSBracketsTheTruth) {
  MakeFit();
  ASSERT_GT(FitControl.CurrentRmsd, 0.0f);
  backend().ScriptEntry(std::string("0.683"));
  backend().ScriptEntry(std::string("0.02"));
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmErrorInS(window);
  const auto lines = LogLinesWith("s = ");
  ASSERT_EQ(lines.size(), 1u);
  const std::size_t at = lines[0].find("s = ");
  float value = 0, lower = 0, upper = 0;
  ASSERT_EQ(std::sscanf(lines[0].c_str() + at, "s = %f [%f, %f]", &value, &lower, &upper), 3)
      << lines[0];
  EXPECT_LT(lower, 4.0f);
  EXPECT_GT(upper, 4.0f);
  EXPECT_LT(upper - lower, 0.5f);
}

TEST_F(ErrorEstimateCommandsTest, TooFewFitPointsAreRefused) {
  LoadTestScans({{6.0, 7.0, 0.005, 1000.0, nullptr, 0}});
  ScanDataSet.ScanFirstFitIndex[1] = 10;
  ScanDataSet.ScanLastFitIndex[1] = 10;
  backend().ScriptEntry(std::string("0.683"));
  backend().ScriptEntry(std::string("0.01"));
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmErrorInS(window);
  EXPECT_EQ(LogLinesWith("too few data points").size(), 1u);
  EXPECT_TRUE(LogLinesWith("s = ").empty());
}

// The replicas are freed however the dialogue ends: after the confidence
// loop, and after a cancel at the repeated integration limits.
TEST_F(ErrorEstimateCommandsTest, MonteCarloAlwaysFinishes) {
  LoadTestScans({{6.0, 7.0, 0.005, 1000.0, nullptr, 0}});
  SelectModelKind(ModelKind::ContinuousCS);
  int runs = 0, limits = 0, finishes = 0;
  auto& l = MonteCarloLinks;
  l.Installed = true;
  l.MonteCarloDistributions = [&](const void*, int n, float p, const std::string&, bool) {
    EXPECT_EQ(n, 50);
    EXPECT_FLOAT_EQ(p, 0.68f);
    ++runs;
    return true;
  };
  l.RunMonteCarloSw = [&](const void*, int, float, float, float, const std::string&, bool) {
    ++runs;
    return true;
  };
  l.MonteCarloLimits = [&](float) { ++limits; };
  l.MonteCarloFinish = [&](const void*) { ++finishes; };

  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // continue
  backend().ScriptEntry(std::string("50.7"));
  backend().ScriptEntry(std::string("0.68"));
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("mc.dat")});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // not every replica
  backend().ScriptEntry(std::string("0.95"));          // a new level
  backend().ScriptEntry(std::nullopt);                   // done
  CmMonteCarloForDistributions(window);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(limits, 1);
  EXPECT_EQ(finishes, 1);
  EXPECT_FALSE(MonteCarloSwMode);

  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // continue
  for (const char* v : {"50", "0.68", "1", "10"}) backend().ScriptEntry(std::string(v));
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("mc.dat")});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // other limits
  backend().ScriptEntry(std::nullopt);                   // cancelled at smin
  CmMonteCarloForIntegratedSw(window);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(finishes, 2);
  EXPECT_TRUE(MonteCarloSwMode);
}

TEST_F(ErrorEstimateCommandsTest, MonteCarloWithoutItsAnalysisSaysSoAndAsksNothing) {
  // A program whose start left the Monte Carlo analysis out.
  ResetMonteCarloLinks();
  LoadTestScans({{6.0, 7.0, 0.005, 1000.0, nullptr, 0}});
  SelectModelKind(ModelKind::ContinuousCS);
  CmMonteCarloForDistributions(window);
  EXPECT_EQ(LogLinesWith("not available").size(), 1u);
  EXPECT_TRUE(LogLinesWith("continue?").empty());
  // A discrete model asks nothing at all.
  SelectModelKind(ModelKind::NonInteractingSpecies);
  CmMonteCarloForDistributions(window);
  EXPECT_EQ(LogLinesWith("not available").size(), 1u);
}

}  // namespace
