// The power law of a nonlinear detector applied to data and model alike,
// and its inverse for a model computed on the transformed data.
#include "tools/NonlinearDetection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataTestSupport.h"
#include "data/ScanDataSet.h"
#include "models/TempParameterFile.h"

namespace {

class NonlinearDetectionTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    FreeDataSet();
    AllocScanSlots(2);
    auto& d = ScanDataSet;
    d.NFILES = 2;
    for (int i = 1; i <= 2; ++i) {
      d.ScanPointCount[i] = 30;
      for (auto* a : {&d.ScanRadius, &d.ScanSignal, &d.ScanModel, &d.ScanResiduals})
        (*a)[i].Resize(1, 30);
      for (int k = 1; k <= 30; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.03f * static_cast<float>(k);
        // A boundary from 0.1 to 1.6 with the baseline 0.2 inside it.
        d.ScanSignal[i][k] = 0.1f + 1.5f / (1.0f + std::exp(-(k - 12.0f - 3.0f * i) / 2.0f));
        d.ScanModel[i][k] = d.ScanSignal[i][k] + 0.01f;
      }
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = 30;
      d.ScanTimeOrder[i] = i;
    }
    SetupCommonRadialGrid();
    CorrectionOptions.Fluorescence.NonlinearDetectionOn = true;
    for (int i = 1; i <= 2; ++i)
      for (int k = 1; k <= 30; ++k) original.push_back(d.ScanSignal[i][k]);
  }
  void TearDown() override {
    CorrectionOptions.Fluorescence = FluorescenceCorrectionsRecord{};
    DataTest::TearDown();
  }
  float Signal(int n) const { return ScanDataSet.ScanSignal[1 + n / 30][1 + n % 30]; }
  std::vector<float> original;
};

}  // namespace

TEST_F(NonlinearDetectionTest, TransformShowsThePowerLawAndSwitchesBackToTheCapturedData) {
  ASSERT_TRUE(TransformNonlinearDetection(1.3, 0.2, true));
  for (std::size_t n = 0; n < original.size(); ++n) {
    const double x = original[n];
    const double expected = x > 0.2 ? std::pow(x - 0.2, 1.3) + 0.2 : x;
    EXPECT_NEAR(Signal(static_cast<int>(n)), expected, 1e-6) << n;
  }
  // The untransformed view is the captured data bit for bit, and identity
  // parameters reproduce them too.
  ASSERT_TRUE(TransformNonlinearDetection(1.3, 0.2, false));
  for (std::size_t n = 0; n < original.size(); ++n)
    EXPECT_EQ(Signal(static_cast<int>(n)), original[n]);
  ASSERT_TRUE(TransformNonlinearDetection(1.0, 0.0, true));
  for (std::size_t n = 0; n < original.size(); ++n)
    EXPECT_FLOAT_EQ(Signal(static_cast<int>(n)), original[n]);
}

TEST_F(NonlinearDetectionTest, AModelOfTheTransformedDataIsStoredWithItsInverse) {
  ASSERT_TRUE(TransformNonlinearDetection(1.5, 0.0, true));
  auto& d = ScanDataSet;
  // A fit that matched the transformed data exactly.
  for (int i = 1; i <= 2; ++i)
    for (int k = 1; k <= 30; ++k) d.ScanModel[i][k] = d.ScanSignal[i][k];
  ASSERT_TRUE(UpdateNonlinearDetection());
  const auto& s = NonlinearDetectionState;
  for (int i = 1; i <= 2; ++i)
    for (int k = 1; k <= 30; ++k) EXPECT_NEAR(s.Model[i][k], s.Data[i][k], 2e-6f);
  EXPECT_NEAR(NonlinearDetectionRmsd(), 0.0f, 2e-6f);
  EXPECT_NEAR(s.TransformedRmsd, 0.0f, 1e-7f);
}

TEST_F(NonlinearDetectionTest, NothingHappensWhileDetectionIsOffOrWithoutScans) {
  CorrectionOptions.Fluorescence.NonlinearDetectionOn = false;
  EXPECT_FALSE(TransformNonlinearDetection(2.0, 0.0, true));
  EXPECT_FALSE(ApplyNonlinearDetection(2.0, 0.0, true));
  EXPECT_FLOAT_EQ(Signal(5), original[5]);
  CorrectionOptions.Fluorescence.NonlinearDetectionOn = true;
  FreeDataSet();
  EXPECT_FALSE(TransformNonlinearDetection(2.0, 0.0, true));
}

TEST_F(NonlinearDetectionTest, ARebuiltGridPutsTheStoredArraysBack) {
  InstallNonlinearDetectionHooks();
  CorrectionOptions.Fluorescence.NonlinearDetectionSecondFlag = true;
  ASSERT_TRUE(TransformNonlinearDetection(2.0, 0.0, true));
  const float transformed = Signal(40);
  ScanDataSet.ScanSignal[2][11] = 99.0f;  // another command's change
  SetupCommonRadialGrid();
  EXPECT_FLOAT_EQ(Signal(40), transformed);
}

TEST(PowerLawDetection, ValuesAtOrBelowTheBaselineStay) {
  EXPECT_EQ(PowerLawDetection(0.3f, 2.0, 0.3), 0.3f);
  EXPECT_EQ(PowerLawDetection(-1.0f, 0.5, 0.3), -1.0f);
  EXPECT_FLOAT_EQ(PowerLawDetection(1.3f, 2.0, 0.3), 1.3f);
  EXPECT_FLOAT_EQ(PowerLawDetection(2.3f, 2.0, 0.3), 4.3f);
  // Exponent 0 maps everything above the baseline to baseline + 1.
  EXPECT_FLOAT_EQ(PowerLawDetection(5.0f, 0.0, 0.3), 1.3f);
}
