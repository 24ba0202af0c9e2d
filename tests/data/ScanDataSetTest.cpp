// The data set's slots, plot views and release.

#include "DataTestSupport.h"

namespace {

class ScanDataSetTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    DestroyMainPlots = [this] { ++plotsDestroyed; };
    DestroyContiNonidSim = [this] { ++simulationsDestroyed; };
    FreeNonlinearDetectionArrays = [this] { ++correctionsFreed; };
  }
  int plotsDestroyed = 0, simulationsDestroyed = 0, correctionsFreed = 0;
};

TEST_F(ScanDataSetTest, ReleasingAnEmptySetChangesOnlyTheFlags) {
  SminWarningAccepted = true;
  ScanDataSet.FitLeftLim = 6.1f;
  ScanDataSet.RadialResolution = 0.002f;
  FreeDataSet();
  EXPECT_EQ(ScanDataSet.NFILES, 0);
  EXPECT_TRUE(ScanDataSet.DataChanged);
  EXPECT_FALSE(SminWarningAccepted);
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.1f);
  EXPECT_FLOAT_EQ(ScanDataSet.RadialResolution, 0.002f);
  EXPECT_EQ(plotsDestroyed, 1);
  EXPECT_EQ(simulationsDestroyed, 1);
  EXPECT_EQ(correctionsFreed, 1);
}

TEST_F(ScanDataSetTest, ReleasingALoadedSetReleasesEverything) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadTestScans({{6.0, 7.0, 0.002, 10.0, nullptr, 0.1f}, {6.0, 7.0, 0.002, 20.0, nullptr, 0.2f}});
  SetupCommonRadialGrid();
  ASSERT_GT(CommonRadialGrid.CommonGridSize, 0);
  ScanDataSet.DataSpeedProfile = std::make_unique<CRotorSpeedProfile>();
  const CRotorSpeedProfile* profile = ScanDataSet.DataSpeedProfile.get();
  ScanDataSet.DlsRecords.Resize(1, 2);
  FreeDataSet();
  const auto& d = ScanDataSet;
  EXPECT_EQ(d.DataSpeedProfile.get(), profile);
  EXPECT_EQ(d.NFILES, 0);
  EXPECT_EQ(d.ScanRadius.size(), 0);
  EXPECT_EQ(d.ScanSignal.size(), 0);
  EXPECT_EQ(d.ScanHeaders.size(), 0);
  EXPECT_EQ(d.ScanFilePaths.size(), 0);
  EXPECT_EQ(d.ScanTimeOrder.size(), 0);
  EXPECT_EQ(d.DlsRecords.size(), 0);
  EXPECT_TRUE(d.ScanPlotVectors.empty());
  EXPECT_EQ(CommonRadialGrid.CommonGridSize, 0);
  EXPECT_EQ(CommonRadialGrid.CommonGrid, nullptr);
  EXPECT_EQ(plotsDestroyed, 1);
}

TEST_F(ScanDataSetTest, ReleasingAHalfBuiltSet) {
  // A load that failed at its second file of three.
  AllocScanSlots(3);
  ScanDataSet.ScanRadius[1].Resize(1, 4);
  ScanDataSet.ScanSignal[1].Resize(1, 4);
  ScanDataSet.ScanPointCount[1] = 4;
  ScanDataSet.ScanFilePaths[1] = "a.RA1";
  ScanDataSet.NFILES = 2;
  FreeDataSet();
  EXPECT_EQ(ScanDataSet.NFILES, 0);
  EXPECT_EQ(ScanDataSet.ScanRadius.size(), 0);
}

TEST_F(ScanDataSetTest, PlotViewsShowTheScanArrays) {
  LoadTestScans({{6.0, 6.01, 0.002, 0.0, nullptr, 0.5f}});
  auto& d = ScanDataSet;
  const ScanPlotViews& v = d.ScanPlotVectors[1];
  ASSERT_TRUE(v.Radius && v.Signal && v.Model && v.Residuals);
  EXPECT_FALSE(v.SecondColumn);
  EXPECT_EQ(v.Radius->count(), 6u);
  EXPECT_FALSE(v.Radius->owns());
  d.ScanSignal[1][3] = 0.75f;
  d.ScanModel[1][6] = 0.25f;
  EXPECT_FLOAT_EQ(v.SignalCurve->y()->At(2), 0.75f);
  EXPECT_FLOAT_EQ(v.ModelCurve->y()->At(5), 0.25f);
  EXPECT_FLOAT_EQ(v.ResidualCurve->x()->At(5), d.ScanRadius[1][6]);

  ScanReaderOptions.IntensityData = true;
  d.ScanSecondColumn[1].Resize(1, 6);
  d.ScanSecondColumn[1][2] = 900.0f;
  BuildScanPlotVectors(1);
  const ScanPlotViews& w = d.ScanPlotVectors[1];
  ASSERT_TRUE(w.SecondColumn && w.SecondColumnCurve);
  EXPECT_FLOAT_EQ(w.SecondColumnCurve->y()->At(1), 900.0f);
}

TEST_F(ScanDataSetTest, GrowingKeepsTheScansAndTheirViews) {
  LoadTestScans({{6.0, 6.02, 0.002, 5.0, nullptr, 0.1f}, {6.0, 6.02, 0.002, 1.0, nullptr, 0.2f}});
  auto& d = ScanDataSet;
  const float* radius2 = d.ScanRadius[2].data();
  const CCurve* curve2 = d.ScanPlotVectors[2].SignalCurve.get();
  GrowScanSlots(4);
  EXPECT_EQ(d.ScanRadius.size(), 4);
  EXPECT_EQ(d.ScanPlotVectors.size(), 5u);
  EXPECT_EQ(d.ScanRadius[2].data(), radius2);
  EXPECT_EQ(d.ScanPlotVectors[2].SignalCurve.get(), curve2);
  EXPECT_FLOAT_EQ(curve2->y()->At(0), 0.2f);
  EXPECT_EQ(d.ScanFilePaths[2], "scan2.RA1");
  EXPECT_EQ(d.ScanTimeOrder[1], 2);
  EXPECT_EQ(d.ScanRadius[4].size(), 0);
  EXPECT_EQ(d.NFILES, 2);
}

}  // namespace
