// The Monte Carlo commands: their questions, the analysis on the loaded
// data and its files; nothing for a discrete model.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/ProgramStartLinks.h"
#include "app/statistics/ErrorEstimateCommands.h"
#include "app/window/TXLAWindow.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/DistributionExtensionHooks.h"
#include "distributions/MonteCarlo.h"
#include "distributions/StoredDistribution.h"
#include "distributions/SyntheticVelocityData.h"
#include "state/MonteCarloLinks.h"
#include "models/ParameterPacking.h"
#include "numerics/Hydrodynamics.h"

namespace {

namespace sv = synthetic_velocity;
using platform::BoxAnswer;

class MonteCarloCommandsTest : public ContiRunTest {
 protected:
  void SetUp() override {
    ContiRunTest::SetUp();
    WireAsTheProgramStartDoes(window);
  }
  void TearDown() override {
    ResetMonteCarloLinks();
    MonteCarlo = MonteCarloRecord{};
    StoredDistributionServices = saved_;
    ContiRunTest::TearDown();
  }
  void LoadCs() {
    sv::Experiment e;
    e.Scans = 8;
    e.Points = 151;
    e.RadialStep = 0.008;
    e.Interval = 800.0;
    const sv::Data data = sv::MakeData(e, {{5.0, DFromMass(CalculateM(5.0f), 20.0f), 0.5}});
    LoadExperiment(e, data);
    ModelSelection.Kind = ModelKind::ContinuousCS;
    ParameterVector[1] = 1.0f;
    ParameterVector[2] = 0.68f;
    ParameterVector[3] = 0.73f;
    ParameterVector[5] = 10.0f;
    ParameterVector[7] = 1.0f;
    ParameterVector[9] = 30.0f;
    ParameterVector[11] = 1.2f;
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = 5.8f;
    ParameterVector[14] = 7.2f;
    UnpackParameterVector();
  }
  TXLAWindow window{"w"};
  StoredDistributionServicesRecord saved_ = StoredDistributionServices;
};

TEST_F(MonteCarloCommandsTest, DistributionsWritesTheLimitsIntoTheChosenFolder) {
  LoadCs();
  auto& b = backend();
  b.ScriptBoxAnswer(BoxAnswer::Yes);  // continue?
  b.ScriptEntry("4");                 // number of simulations
  b.ScriptEntry("0.68");              // confidence level
  b.ScriptFileDialog(std::vector<std::string>{scratch.File("mc.dat")});
  b.ScriptBoxAnswer(BoxAnswer::No);  // no file per replica
  b.ScriptEntry("0.95");             // another confidence level
  b.ScriptEntry(std::nullopt);       // done
  CmMonteCarloForDistributions(window);
  for (const char* file : {"lim840.dat", "lim160.dat", "mean.dat", "lim975.dat", "lim 25.dat"})
    EXPECT_TRUE(std::filesystem::exists(scratch.File(file))) << file;
  EXPECT_FALSE(std::filesystem::exists(scratch.File("1.dat")));
  EXPECT_EQ(MonteCarlo.ReplicaCount, 0);  // finished
  EXPECT_FALSE(LogLinesWith("This Monte-Carlo routine will show").empty());
}

TEST_F(MonteCarloCommandsTest, DiscreteModelAsksNothing) {
  LoadCs();
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  CmMonteCarloForDistributions(window);
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
