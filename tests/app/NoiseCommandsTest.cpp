// Taking the fitted systematic noise out of the raw data leaves the
// residuals as they were, and putting the time-invariant part back restores
// the data.
#include <gtest/gtest.h>

#include <cmath>

#include "app/ProgramStartLinks.h"
#include "app/commands/NoiseCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "support/TestSupport.h"

namespace {

class NoiseCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
    FreeDataSet();
    AllocScanSlots(3);
    auto& d = ScanDataSet;
    d.NFILES = 3;
    for (int i = 1; i <= 3; ++i) {
      d.ScanPointCount[i] = 40;
      d.ScanRadius[i].Resize(1, 40);
      d.ScanSignal[i].Resize(1, 40);
      d.ScanModel[i].Resize(1, 40);
      d.ScanResiduals[i].Resize(1, 40);
      for (int k = 1; k <= 40; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.025f * static_cast<float>(k - 1);
        d.ScanSignal[i][k] = std::sin(0.3f * k + i) + 0.1f * i;
        d.ScanModel[i][k] = d.ScanSignal[i][k] - 0.01f * std::cos(1.7f * k);
      }
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = 40;
      d.ScanTimeOrder[i] = i;
    }
    SetupCommonRadialGrid();
    auto& g = CommonRadialGrid;
    for (int k = 1; k <= g.CommonGridSize; ++k) g.TINoise[k] = 0.05f * std::sin(0.2f * k);
    for (int i = 1; i <= 3; ++i) g.RINoise[i] = 0.1f * i;
    // The noise a fit found.
    FitControl.TINoiseFitted = true;
    ModelParameters.RINoiseFitted = true;
    original = Snapshot(&ScanDataSetRecord::ScanSignal);
    residuals = Residuals();
  }
  void TearDown() override {
    FitControl.TINoiseFitted = false;
    ModelParameters.RINoiseFitted = false;
    FreeDataSet();
    HeadlessTest::TearDown();
  }
  std::vector<float> Snapshot(ScanArrays ScanDataSetRecord::*arrays) {
    std::vector<float> v;
    for (int i = 1; i <= 3; ++i)
      for (int k = 1; k <= 40; ++k) v.push_back((ScanDataSet.*arrays)[i][k]);
    return v;
  }
  std::vector<float> Residuals() {
    std::vector<float> v;
    for (int i = 1; i <= 3; ++i)
      for (int k = 1; k <= 40; ++k)
        v.push_back(ScanDataSet.ScanSignal[i][k] - ScanDataSet.ScanModel[i][k]);
    return v;
  }
  TXLAWindow window{"w"};
  std::vector<float> original, residuals;
};

}  // namespace

TEST_F(NoiseCommandsTest, SubtractingKeepsResidualsAndRestoringTheTimeInvariantPartUndoesIt) {
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  CmSubtractAllSystematicNoise(window);
  const auto after = Residuals();
  for (std::size_t n = 0; n < after.size(); ++n) EXPECT_NEAR(after[n], residuals[n], 1e-5f);
  // Scan 3 lost its RI offset 0.3 and the TI noise everywhere.
  EXPECT_NEAR(ScanDataSet.ScanSignal[3][1] - original[80], -0.3f - 0.05f * std::sin(0.2f), 1e-5f);
  CmRestoreTINoise(window);
  const auto restored = Snapshot(&ScanDataSetRecord::ScanSignal);
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 40; ++k)
      EXPECT_NEAR(restored[i * 40 + k], original[i * 40 + k] - 0.1f * (i + 1), 1e-5f);
  EXPECT_EQ(LogLinesWith("for presentation purpose").size(), 1u);
}

TEST_F(NoiseCommandsTest, TimeInvariantNoiseComesBackBitForBitAndNothingHappensUnfitted) {
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = false;
  // Without RI noise the command for all systematic noise does nothing.
  CmSubtractAllSystematicNoise(window);
  EXPECT_EQ(Snapshot(&ScanDataSetRecord::ScanSignal), original);
  CmSubtractTINoise(window);
  EXPECT_NE(Snapshot(&ScanDataSetRecord::ScanSignal), original);
  CmRestoreTINoise(window);
  EXPECT_EQ(Snapshot(&ScanDataSetRecord::ScanSignal), original);
  FitControl.TINoiseFitted = false;
  CmSubtractTINoise(window);
  EXPECT_EQ(Snapshot(&ScanDataSetRecord::ScanSignal), original);
}
