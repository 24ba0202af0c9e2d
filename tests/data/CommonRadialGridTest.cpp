// The common radial grid: its size and radii, resampling or borrowing of the
// scan arrays, means and sums, and the release by ownership.

#include <algorithm>
#include <cmath>

#include "DataTestSupport.h"

namespace {

class CommonRadialGridTest : public DataTest {};

float Linear(float r) {
  return 2.0f * r - 11.0f;
}

TEST_F(CommonRadialGridTest, GridOfThreeAbsorbanceScans) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadTestScans({{5.900, 7.200, 0.002, 1.0, Linear},
                 {5.902, 7.202, 0.002, 2.0, Linear},
                 {5.904, 7.204, 0.002, 3.0, Linear}});
  SetupCommonRadialGrid();
  const auto& g = CommonRadialGrid;
  ASSERT_EQ(g.CommonGridSize, 1302);
  EXPECT_TRUE(g.GridResampled);
  EXPECT_TRUE(g.GridOwned);
  EXPECT_NEAR(g.CommonGrid[1], 5.903f, 1e-5f);
  EXPECT_NEAR(g.CommonGrid[1302], 7.204f, 1e-5f);
  EXPECT_NEAR(g.CommonGrid[651] - g.CommonGrid[650], 0.001f, 1e-6f);
  // Inside every scan the resampled line is the line itself.
  for (int i = 1; i <= 3; ++i)
    for (int j = 2; j <= 1290; j += 97)
      EXPECT_NEAR(g.ResampledSignals[i][j], Linear(g.CommonGrid[j]), 2e-5f) << i << " " << j;
  EXPECT_EQ(g.GridFirstFitIndex, 1);
  EXPECT_EQ(g.GridLastFitIndex, 1302);
  EXPECT_EQ(g.TINoise.size(), 1302);
  EXPECT_EQ(g.RemovedTINoise.size(), 1302);
  EXPECT_EQ(g.RINoise.size(), 3);
}

TEST_F(CommonRadialGridTest, GridOfOneShortScan) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadTestScans({{6.0, 6.0105, 0.0005, 0.0, Linear}});
  SetupCommonRadialGrid();
  const auto& g = CommonRadialGrid;
  ASSERT_EQ(g.CommonGridSize, 12);
  EXPECT_NEAR(g.CommonGrid[1], 6.001f, 1e-6f);
  EXPECT_NEAR(g.CommonGrid[12], 6.012f, 1e-6f);
}

TEST_F(CommonRadialGridTest, MeansAndSumsOverTheScans) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadTestScans({{6.0, 6.5, 0.002, 3.0, nullptr, 0.1f},
                 {6.0, 6.5, 0.002, 1.0, nullptr, 0.2f},
                 {6.0, 6.5, 0.002, 2.0, nullptr, 0.6f}});
  SetupCommonRadialGrid();
  const auto& g = CommonRadialGrid;
  const int size = g.CommonGridSize;
  ASSERT_GT(size, 200);
  for (int j = 1; j <= size; j += 17) EXPECT_NEAR(g.MeanProfile[j], 0.3f, 1e-6f);
  EXPECT_NEAR(g.ScanMeans[1], 0.1f, 1e-5f);
  EXPECT_NEAR(g.ScanMeans[2], 0.2f, 1e-5f);
  EXPECT_NEAR(g.ScanMeans[3], 0.6f, 1e-5f);
  EXPECT_NEAR(g.GridSignalSum, 3.0f * 0.3f * static_cast<float>(size), 1e-3f * size);
  EXPECT_FLOAT_EQ(g.GridPointTotal, 3.0f * static_cast<float>(size));
}

TEST_F(CommonRadialGridTest, IntensityDataCarryTheirAbsorbance) {
  ScanReaderOptions.IntensityData = true;
  LoadTestScans({{6.0, 6.2, 0.002, 0.0, nullptr, 1000.0f}});
  auto& d = ScanDataSet;
  d.ScanSecondColumn[1].Resize(1, d.ScanPointCount[1]);
  for (int k = 1; k <= d.ScanPointCount[1]; ++k) d.ScanSecondColumn[1][k] = 100.0f;
  SetupCommonRadialGrid();
  const auto& g = CommonRadialGrid;
  ASSERT_TRUE(g.GridResampled);
  for (int j = 1; j <= g.CommonGridSize; j += 11)
    EXPECT_NEAR(g.ResampledSignals[1][j], 1.0f, 1e-6f);
  // A reference that is not positive gives 0.
  for (int k = 1; k <= d.ScanPointCount[1]; ++k) d.ScanSecondColumn[1][k] = 0.0f;
  SetupCommonRadialGrid();
  EXPECT_FLOAT_EQ(CommonRadialGrid.ResampledSignals[1][20], 0.0f);
}

TEST_F(CommonRadialGridTest, InterferenceScansOnSharedRadiiBorrowTheScanArrays) {
  ScanReaderOptions.InterferenceData = true;
  LoadTestScans({{5.9, 7.1, 0.001, 30.0, Linear}, {5.9, 7.1, 0.001, 10.0, Linear}});
  SetupCommonRadialGrid();
  auto& g = CommonRadialGrid;
  auto& d = ScanDataSet;
  EXPECT_FALSE(g.GridResampled);
  EXPECT_FALSE(g.GridOwned);
  EXPECT_EQ(g.CommonGrid, d.ScanRadius[2].data());  // the earliest scan
  EXPECT_EQ(g.CommonGridSize, d.ScanPointCount[2]);
  d.ScanSignal[1][7] = 42.0f;
  EXPECT_FLOAT_EQ(g.ResampledSignals[1][7], 42.0f);

  // Radii that differ are resampled, interference or not.
  LoadTestScans({{5.9, 7.1, 0.001, 0.0, Linear}, {5.905, 7.105, 0.001, 1.0, Linear}});
  SetupCommonRadialGrid();
  EXPECT_TRUE(g.GridResampled);
  EXPECT_TRUE(g.GridOwned);
}

// The grid is released by what it owns, not by the data-kind flags of the
// moment: those describe the last file read, which may be another kind.
TEST_F(CommonRadialGridTest, ReleaseFollowsOwnershipNotTheKindFlags) {
  ScanReaderOptions.InterferenceData = true;
  LoadTestScans({{5.9, 7.1, 0.001, 0.0, Linear}, {5.9, 7.1, 0.001, 1.0, Linear}});
  SetupCommonRadialGrid();
  auto& g = CommonRadialGrid;
  auto& d = ScanDataSet;
  ASSERT_FALSE(g.GridOwned);
  const float lastRadius = d.ScanRadius[1][d.ScanPointCount[1]];

  RestoreScanKindFlags({false, true, false, false, 0.4f});
  FreeCommonRadialGrid();
  EXPECT_EQ(g.CommonGrid, nullptr);
  EXPECT_EQ(g.CommonGridSize, 0);
  EXPECT_FALSE(g.GridResampled);
  EXPECT_EQ(d.ScanRadius[1].size(), d.ScanPointCount[1]);
  EXPECT_FLOAT_EQ(d.ScanRadius[1][d.ScanPointCount[1]], lastRadius);

  // An owned grid built for interference data is freed with the flags still
  // saying interference.
  LoadTestScans({{5.9, 7.1, 0.001, 0.0, Linear}, {5.905, 7.105, 0.001, 1.0, Linear}});
  RestoreScanKindFlags({false, false, true, false, 0.4f});
  SetupCommonRadialGrid();
  ASSERT_TRUE(g.GridOwned);
  FreeCommonRadialGrid();
  EXPECT_EQ(g.OwnGrid.size(), 0);
  EXPECT_EQ(g.OwnSignals.size(), 0);
  EXPECT_FALSE(g.GridOwned);
}

TEST_F(CommonRadialGridTest, AuxiliaryReadLeavesTheGridDecisionToTheLoadedData) {
  ScanReaderOptions.InterferenceData = true;
  LoadTestScans({{5.9, 7.1, 0.001, 0.0, Linear}, {5.9, 7.1, 0.001, 1.0, Linear}});
  ScanHeader h;
  int n = 0;
  ScanArray r, s;
  ASSERT_EQ(ReadAuxiliaryScanFile((TestDataFolder() / "scans" / "velocity_step_crlf.RA1").string(),
                                  &h, &n, &r, &s, nullptr, nullptr, 0.0f),
            1);
  SetupCommonRadialGrid();
  EXPECT_FALSE(CommonRadialGrid.GridResampled);
  EXPECT_EQ(CommonRadialGrid.CommonGrid, ScanDataSet.ScanRadius[1].data());
}

TEST_F(CommonRadialGridTest, SetupRunsTheCorrectionAndSizesComponentArrays) {
  std::vector<bool> calls;
  ReapplyNonlinearDetection = [&calls](bool fromGridSetup) { calls.push_back(fromGridSetup); };
  ModelParameters.ComponentOn[2] = 1;
  ModelParameters.ComponentOn[4] = 1;
  ScanReaderOptions.AbsorbanceData = true;
  LoadTestScans({{6.0, 6.5, 0.002, 0.0, Linear}, {6.0, 6.5, 0.002, 1.0, Linear}});
  SetupCommonRadialGrid();
  ASSERT_EQ(calls, std::vector<bool>{true});
  const auto& c = ComponentGridSignals;
  EXPECT_EQ(c.ScanCount, 2);
  EXPECT_EQ(c.GridSize, CommonRadialGrid.CommonGridSize);
  for (int k = 1; k <= NCOMP; ++k) {
    const bool on = k == 2 || k == 4;
    const auto& a = c.Component[static_cast<std::size_t>(k)];
    EXPECT_EQ(a.Allocated, on) << k;
    EXPECT_EQ(a.ScanSignals.size(), on ? 2 : 0);
    EXPECT_EQ(a.GridValues.size(), on ? c.GridSize : 0);
    EXPECT_EQ(a.ScanValues.size(), on ? 2 : 0);
  }
  EXPECT_EQ(c.Component[2].ScanSignals[2].size(), c.GridSize);
  FreeCommonRadialGrid();
  EXPECT_FALSE(c.Component[2].Allocated);
  EXPECT_EQ(c.ScanCount, 0);
}

TEST_F(CommonRadialGridTest, NoScansNoGrid) {
  SetupCommonRadialGrid();
  EXPECT_EQ(CommonRadialGrid.CommonGridSize, 0);
  EXPECT_EQ(CommonRadialGrid.CommonGrid, nullptr);
}

TEST_F(CommonRadialGridTest, StepThatIsNoPositiveNumberFallsBackToTheDefault) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadTestScans({{6.0, 6.0105, 0.0005, 0.0, Linear}});
  for (float step : {0.0f, -0.001f, NAN}) {
    ScanDataSet.RadialResolution = step;
    SetupCommonRadialGrid();
    EXPECT_EQ(CommonRadialGrid.CommonGridSize, 12);
  }
}

// A scan over a range no rotor has, at the finest step the preferences
// allow, gets a grid of bounded size rather than millions of points.
TEST_F(CommonRadialGridTest, GridOfAnAbsurdRangeStaysBounded) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadTestScans({{1.0, 99.0, 1.0, 0.0, Linear}});
  ScanDataSet.RadialResolution = 1e-5f;
  SetupCommonRadialGrid();
  const auto& g = CommonRadialGrid;
  EXPECT_LT(g.CommonGridSize, 210000);  // 9.8 million at the asked step
  EXPECT_GT(g.CommonGridSize, 190000);
  EXPECT_NEAR(g.CommonGrid[g.CommonGridSize], 99.0f, 1.0f);
}

// A scan read from a file with jittered radii: every grid signal inside the
// scan lies between the two measured points around it.
TEST_F(CommonRadialGridTest, JitteredScanFromAFileResamplesBetweenItsPoints) {
  auto& d = ScanDataSet;
  AllocScanSlots(1);
  d.NFILES = 1;
  d.ScanTimeOrder[1] = 1;
  ASSERT_EQ(ReadScanFile((TestDataFolder() / "scans" / "velocity_step_crlf.RA1").string(),
                         &d.ScanHeaders[1], &d.ScanPointCount[1], &d.ScanRadius[1],
                         &d.ScanSignal[1], &d.ScanSecondColumn[1], nullptr, 0.0f),
            1);
  SetupCommonRadialGrid();
  const auto& g = CommonRadialGrid;
  ASSERT_TRUE(g.GridResampled);
  const int n = d.ScanPointCount[1];
  int checked = 0;
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    const float x = g.CommonGrid[j];
    for (int k = 2; k <= n; ++k) {
      if (d.ScanRadius[1][k - 1] > x || x > d.ScanRadius[1][k]) continue;
      const float a = d.ScanSignal[1][k - 1], b = d.ScanSignal[1][k];
      EXPECT_GE(g.ResampledSignals[1][j], std::min(a, b) - 1e-6f) << x;
      EXPECT_LE(g.ResampledSignals[1][j], std::max(a, b) + 1e-6f) << x;
      ++checked;
      break;
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
