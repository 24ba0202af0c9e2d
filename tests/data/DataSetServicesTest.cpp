// The operations over the loaded set that the fits and the display use: the
// rmsd of data and model, the residuals, the mean profile on the grid, and
// the default ranges of meniscus and bottom.

#include <cmath>
#include <vector>

#include "LoadTestSupport.h"

namespace {

class DataSetServicesTest : public LoadTest {
 protected:
  // Scans of 101 points at the given times; scan i's model lies offsets[i]
  // below its signal, and the fit range is points 11..90.
  void LoadWithOffsets(const std::vector<double>& times, const std::vector<float>& offsets) {
    LoadScansWithResiduals(times, offsets, 11, 90);
  }
};

TEST_F(DataSetServicesTest, RmsdOverTheChosenScans) {
  EXPECT_EQ(ScanRmsd(), 0.0f);  // no data
  // Times 300, 100, 200: the earliest scan is scan 2.
  LoadWithOffsets({300.0, 100.0, 200.0}, {0.1f, 0.4f, 0.2f});
  EXPECT_NEAR(ScanRmsd(), std::sqrt((0.01 + 0.16 + 0.04) / 3.0), 1e-6);
  EXPECT_FLOAT_EQ(FitControl.FitPointCount, 240.0f);
  EXPECT_FLOAT_EQ(FitControl.CurrentRmsd, ScanRmsd());

  LammSolverSettings.InitialDataIsFirstScan = true;  // scan 2 is the initial data
  EXPECT_NEAR(ScanRmsd(), std::sqrt((0.01 + 0.04) / 2.0), 1e-6);

  FitScanWindow = {true, 2, 2};  // only the second in time: scan 3
  EXPECT_NEAR(ScanRmsd(), 0.2, 1e-6);

  FitScanWindow = {};
  LammSolverSettings.InitialDataIsFirstScan = false;
  for (int i = 1; i <= 3; ++i) ScanDataSet.ScanLastFitIndex[i] = 10;  // empty ranges
  EXPECT_EQ(ScanRmsd(), 0.0f);
  EXPECT_EQ(FitControl.FitPointCount, 0.0f);
}

TEST_F(DataSetServicesTest, ResidualsInsideTheFitRangeOnly) {
  LoadWithOffsets({100.0, 200.0}, {0.1f, -0.3f});
  int rendered = 0, written = 0;
  RenderResidualPlot = [&] { ++rendered; };
  WriteScanRmsDefault = [&] { ++written; };
  UpdateResiduals(true);
  const auto& d = ScanDataSet;
  for (int i = 1; i <= 2; ++i) {
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
      const bool inside = k >= 11 && k <= 90;
      ASSERT_FLOAT_EQ(d.ScanResiduals[i][k], inside ? (i == 1 ? 0.1f : -0.3f) : 0.0f)
          << i << " " << k;
    }
  }
  EXPECT_EQ(rendered, 1);
  EXPECT_EQ(written, 1);
  ScanRmsFileOn = false;
  UpdateResiduals(false);
  EXPECT_EQ(rendered, 1);
  EXPECT_EQ(written, 1);
}

TEST_F(DataSetServicesTest, MeanProfileFollowsEditedSignals) {
  // Equal radii and no absorbance: the grid views the scans' own signals.
  ScanReaderOptions.InterferenceData = true;
  LoadTestScans({{6.0, 7.0, 0.01, 100.0, nullptr, 1.0f}, {6.0, 7.0, 0.01, 200.0, nullptr, 3.0f}});
  SetupCommonRadialGrid();
  auto& g = CommonRadialGrid;
  ASSERT_FALSE(g.GridResampled);
  g.GridFirstFitIndex = 21;
  g.GridLastFitIndex = 40;
  for (int k = 1; k <= ScanDataSet.ScanPointCount[2]; ++k)
    ScanDataSet.ScanSignal[2][k] = static_cast<float>(k);
  UpdateMeanProfile();
  double sum = 0.0;
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    ASSERT_FLOAT_EQ(g.MeanProfile[j], (1.0f + static_cast<float>(j)) / 2.0f);
    if (j >= 21 && j <= 40) sum += (1.0 + j) / 2.0;
  }
  EXPECT_NEAR(g.GridSignalSum, 2.0 * sum, 1e-3);
  EXPECT_FLOAT_EQ(g.GridPointTotal, 40.0f);
}

// Data = model + a time-invariant bow + one offset per scan: the mean
// residual over the scans at each grid point is the bow plus the mean
// offset, on a grid that views the scans and on a resampled one.
TEST_F(DataSetServicesTest, TiNoiseFromResidualsIsTheMeanResidualAtEachRadius) {
  const auto bow = [](float r) { return 0.05f * std::sin(6.0f * r); };
  const float offsets[] = {0.0f, 0.01f, 0.02f};  // mean 0.01 over the three scans
  for (const bool absorbance : {false, true}) {
    SCOPED_TRACE(absorbance ? "resampled grid" : "grid of the scans");
    ScanReaderOptions.InterferenceData = !absorbance;
    ScanReaderOptions.AbsorbanceData = absorbance;
    LoadTestScans({{6.0, 7.0, 0.01, 100.0, nullptr, 0.0f},
                   {6.0, 7.0, 0.01, 200.0, nullptr, 0.0f},
                   {6.0, 7.0, 0.01, 300.0, nullptr, 0.0f}});
    auto& d = ScanDataSet;
    for (int i = 1; i <= 3; ++i)
      for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
        const float r = d.ScanRadius[i][k];
        d.ScanModel[i][k] = 0.2f * (r - 6.0f) + 0.1f * static_cast<float>(i);
        d.ScanSignal[i][k] = d.ScanModel[i][k] + bow(r) + offsets[i - 1];
      }
    SetupCommonRadialGrid();
    auto& g = CommonRadialGrid;
    ASSERT_EQ(g.GridResampled, absorbance);
    TiNoiseFromResiduals();
    for (int k = 1; k <= g.CommonGridSize; k += 7)
      EXPECT_NEAR(g.TINoise[k], bow(g.CommonGrid[k]) + 0.01f, 2e-4f) << g.CommonGrid[k];
  }
  ScanReaderOptions.AbsorbanceData = false;
}

TEST_F(DataSetServicesTest, DefaultRangesOfMeniscusAndBottom) {
  struct Case {
    const char* what;
    bool fluorescence, userSet;
    float left, right;
    float minM, maxM, minB, maxB;
  };
  const std::vector<Case> cases = {
      {"clear of the limits", false, false, 6.05f, 7.0f, 5.98f, 6.02f, 7.15f, 7.25f},
      {"meniscus range ends before the left limit", false, false, 6.01f, 7.0f, 5.98f, 6.009f, 7.15f,
       7.25f},
      {"bottom range begins after the right limit", false, false, 6.05f, 7.17f, 5.98f, 6.02f,
       7.171f, 7.25f},
      {"fluorescence", true, false, 6.2f, 7.0f, 5.9f, 6.1f, 7.1f, 7.3f},
      {"set by the user", false, true, 6.05f, 7.0f, 1.0f, 2.0f, 3.0f, 4.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FitControl = {false, 1.0f, 2.0f, 3.0f, 4.0f};
    ModelParameters.Meniscus = 6.0f;
    ModelParameters.Bottom = 7.2f;
    ModelParameters.MeniscusBottomLimitsUserSet = c.userSet;
    ScanReaderOptions.FluorescenceData = c.fluorescence;
    ScanDataSet.FitLeftLim = c.left;
    ScanDataSet.FitRightLim = c.right;
    DefaultMeniscusBottomLimits();
    EXPECT_FLOAT_EQ(FitControl.MINMENISCUS, c.minM);
    EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, c.maxM);
    EXPECT_FLOAT_EQ(FitControl.MINBOTTOM, c.minB);
    EXPECT_FLOAT_EQ(FitControl.MAXBOTTOM, c.maxB);
  }
}

}  // namespace
