// The loading-option and fitting-option commands: the worst scan of the table,
// the finest radial resolution, the time offset with its fit switch, and the
// direction check of the contour maps.
#include <gtest/gtest.h>

#include "app/ProgramStartLinks.h"
#include "app/options/FittingOptionCommands.h"
#include "app/options/LoadingToolCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/DataOpsTestSupport.h"
#include "data/DataSetServices.h"
#include "data/FitDataFiles.h"
#include "data/ListFiles.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"

namespace {

class OptionToolCommandsTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    WireAsTheProgramStartDoes(window);
  }
  void TearDown() override {
    ModelParameters = ModelParametersRecord{};
    DataOpsTest::TearDown();
  }
  TXLAWindow window{"w"};
};

// "Exclude Worst Scan" removes the scan that the ScanRms table of the last
// residual update names: the largest rms in time order, the earlier of two
// equal ones. Scans 2 and 3 fit equally badly; scan 3 was recorded first.
TEST_F(OptionToolCommandsTest, WorstScanIsTheTablesAndNeedsAModel) {
  LoadNamedScans({NamedScan{.name = "00001.RA1"}, NamedScan{.name = "00002.RA1"},
                  NamedScan{.name = "00003.RA1"}});
  auto& d = ScanDataSet;
  d.ScanTimeOrder[1] = 1;
  d.ScanTimeOrder[2] = 3;
  d.ScanTimeOrder[3] = 2;
  for (int i = 1; i <= 3; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k)
      d.ScanModel[i][k] = d.ScanSignal[i][k] + (i == 1 ? 0.01f : 0.05f);
  UpdateResiduals(false);
  EXPECT_EQ(WorstScanIndex, 3);
  CmExcludeWorstScan(window);
  EXPECT_EQ(LogLinesWith("removing 00003.RA1").size(), 1u);

  // A new set has no worst scan until its residuals are updated, and
  // without a model there is none to remove.
  LoadNamedScans({NamedScan{.name = "00001.RA1"}, NamedScan{.name = "00002.RA1"}});
  EXPECT_EQ(WorstScanIndex, 0);
  for (int i = 1; i <= 2; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) d.ScanModel[i][k] = 0.0f;
  UpdateResiduals(false);
  CmExcludeWorstScan(window);
  EXPECT_EQ(LogLinesWith("no model has been computed").size(), 1u);
}

TEST_F(OptionToolCommandsTest, RadialResolutionBelowTheFinestIsRaisedAndTheSameAsksNothing) {
  ScanDataSet.RadialResolution = 0.002f;
  backend().ScriptEntry(std::string("0.0005"));
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // not as startup default
  CmSetRadialResolution(window);
  EXPECT_FLOAT_EQ(ScanDataSet.RadialResolution, 0.001f);
  EXPECT_EQ(LogLinesWith("setting to minimum 0.001 (all data)").size(), 1u);
  backend().ScriptEntry(std::string("0.001"));
  CmSetRadialResolution(window);
  EXPECT_TRUE(LogLinesWith("save as startup default?").size() == 1u);
}

// "Fit t0" while the offset is off asks the offset first; switching the
// offset off takes "Fit t0" with it.
TEST_F(OptionToolCommandsTest, TimeOffsetAndItsFit) {
  backend().ScriptEntry(std::string("120"));
  CmFitT0OfSedimentation(window);
  EXPECT_TRUE(ModelParameters.TimeOffsetOn);
  EXPECT_TRUE(ModelParameters.TimeOffsetFitted);
  EXPECT_FLOAT_EQ(ModelParameters.TimeOffset, 120.0f);
  EXPECT_FLOAT_EQ(ParameterVector[24], 120.0f);
  EXPECT_EQ(ParameterFitted[24], 1);
  backend().ScriptEntry(std::string("0"));
  CmSedimentationTimeOffset(window);
  EXPECT_FALSE(ModelParameters.TimeOffsetOn);
  EXPECT_FALSE(ModelParameters.TimeOffsetFitted);
  EXPECT_EQ(ParameterFitted[24], 0);
}

TEST(ContourStepTest, StepMustLeadFromMinimumToMaximum) {
  EXPECT_TRUE(StepLeadsThrough(3.0f, 5.0f, 0.4f));
  EXPECT_FALSE(StepLeadsThrough(5.0f, 3.0f, 0.4f));
  EXPECT_TRUE(StepLeadsThrough(5.0f, 3.0f, -0.4f));
  EXPECT_FALSE(StepLeadsThrough(3.0f, 5.0f, 0.0f));
}

}  // namespace
