// The fit limits kept inside the data, the meniscus and the bottom, and the
// per-scan and grid index ranges that follow from them.

#include "DataTestSupport.h"

namespace {

float Linear(float r) {
  return r - 5.0f;
}

class FitLimitIndicesTest : public DataTest {
 protected:
  // Two absorbance scans 5.96..7.23 and 5.97..7.21, meniscus 5.85, bottom 7.3.
  void LoadTwoScans() {
    ScanReaderOptions.AbsorbanceData = true;
    ModelParameters.Meniscus = 5.85f;
    ModelParameters.Bottom = 7.3f;
    LoadTestScans({{5.96, 7.23, 0.001, 0.0, Linear}, {5.97, 7.21, 0.001, 1.0, Linear}});
    SetupCommonRadialGrid();
  }
  // Every scan's and the grid's range agree with the limits.
  void ExpectIndicesFollowTheLimits() {
    const auto& d = ScanDataSet;
    const auto& g = CommonRadialGrid;
    for (int i = 1; i <= d.NFILES; ++i) {
      SCOPED_TRACE(i);
      const int first = d.ScanFirstFitIndex[i], last = d.ScanLastFitIndex[i];
      ASSERT_TRUE(1 <= first && first <= last && last <= d.ScanPointCount[i]);
      EXPECT_GE(d.ScanRadius[i][first], d.FitLeftLim);
      if (first > 1) {
        EXPECT_LT(d.ScanRadius[i][first - 1], d.FitLeftLim);
      }
      EXPECT_LE(d.ScanRadius[i][last], d.FitRightLim);
      if (last < d.ScanPointCount[i]) {
        EXPECT_GT(d.ScanRadius[i][last + 1], d.FitRightLim);
      }
    }
    EXPECT_GE(g.CommonGrid[g.GridFirstFitIndex], d.FitLeftLim);
    if (g.GridFirstFitIndex > 1) {
      EXPECT_LT(g.CommonGrid[g.GridFirstFitIndex - 1], d.FitLeftLim);
    }
    EXPECT_LE(g.CommonGrid[g.GridLastFitIndex], d.FitRightLim);
  }
};

struct LeftCase {
  const char* name;
  float meniscus, bottom, left, expected;
};

TEST_F(FitLimitIndicesTest, LeftLimitStaysInsideDataAndCell) {
  const LeftCase cases[] = {
      {"before every scan's first point", 5.85f, 7.3f, 5.95f, 5.97f},
      {"too close to the meniscus", 5.965f, 7.3f, 5.95f, 5.975f},
      {"inside the data", 5.85f, 7.3f, 6.2f, 6.2f},
      {"beyond the bottom", 5.85f, 6.1f, 6.2f, 5.86f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadTwoScans();
    ModelParameters.Meniscus = c.meniscus;
    ModelParameters.Bottom = c.bottom;
    ScanDataSet.FitLeftLim = c.left;
    ScanDataSet.FitRightLim = 7.1f;
    ScanDataSet.DataChanged = false;
    SetFirstFitIndex();
    EXPECT_NEAR(ScanDataSet.FitLeftLim, c.expected, 1e-6f);
    EXPECT_TRUE(ScanDataSet.DataChanged);
    ScanDataSet.ScanLastFitIndex[1] = ScanDataSet.ScanLastFitIndex[2] = 1;
    SetLastFitIndex();
    if (ScanDataSet.FitLeftLim < 7.1f) ExpectIndicesFollowTheLimits();
  }
}

TEST_F(FitLimitIndicesTest, RightLimitBeyondAScanIsPulledBackWithAMessagePerScan) {
  LoadTwoScans();
  ScanDataSet.FitLeftLim = 6.0f;
  ScanDataSet.FitRightLim = 7.25f;
  SetFirstFitIndex();
  SetLastFitIndex();
  EXPECT_NEAR(ScanDataSet.FitRightLim, 7.21f, 1e-6f);
  const auto messages = LogLinesWith("possible problem with right limit");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("in file scan1.RA1\nsetting right limit to 7.230"), std::string::npos);
  EXPECT_NE(messages[1].find("in file scan2.RA1\nsetting right limit to 7.210"), std::string::npos);
  ExpectIndicesFollowTheLimits();

  // The same quietly while redraws are suppressed, and then the bottom.
  backend().ClearLog();
  RedrawSuppressed = true;
  ModelParameters.Bottom = 7.215f;
  ScanDataSet.FitRightLim = 7.25f;
  SetLastFitIndex();
  EXPECT_TRUE(LogLinesWith("possible problem").empty());
  EXPECT_NEAR(ScanDataSet.FitRightLim, 7.205f, 1e-5f);
  ExpectIndicesFollowTheLimits();
}

TEST_F(FitLimitIndicesTest, RightLimitBelowTheLeftMovesToTheBottom) {
  LoadTwoScans();
  ScanDataSet.FitLeftLim = 6.5f;
  SetFirstFitIndex();
  ScanDataSet.FitRightLim = 6.4f;
  SetLastFitIndex();
  EXPECT_NEAR(ScanDataSet.FitRightLim, 7.29f, 1e-5f);
  ScanDataSet.FitRightLim = 5.8f;  // below the meniscus too
  SetLastFitIndex();
  EXPECT_NEAR(ScanDataSet.FitRightLim, 7.29f, 1e-5f);
}

TEST_F(FitLimitIndicesTest, ChangingTheRightLimitKeepsTheGridStart) {
  LoadTwoScans();
  auto& g = CommonRadialGrid;
  ScanDataSet.FitLeftLim = 6.2f;
  ScanDataSet.FitRightLim = 7.0f;
  SetFirstFitIndex();
  SetLastFitIndex();
  const int first = g.GridFirstFitIndex;
  const int lastBefore = g.GridLastFitIndex;
  ScanDataSet.FitRightLim = 6.8f;
  SetLastFitIndex();
  EXPECT_EQ(g.GridFirstFitIndex, first);
  EXPECT_LT(g.GridLastFitIndex, lastBefore);
  ExpectIndicesFollowTheLimits();

  // Sums and scan means over the grid fit range.
  const int count = g.GridLastFitIndex - g.GridFirstFitIndex + 1;
  EXPECT_FLOAT_EQ(g.GridPointTotal, 2.0f * static_cast<float>(count));
  float sum = 0.0f, scan1 = 0.0f;
  for (int j = g.GridFirstFitIndex; j <= g.GridLastFitIndex; ++j) {
    sum += g.MeanProfile[j];
    scan1 += g.ResampledSignals[1][j];
  }
  EXPECT_NEAR(g.GridSignalSum, 2.0f * sum, 1e-3f);
  EXPECT_NEAR(g.ScanMeans[1], scan1 / static_cast<float>(count), 1e-5f);
  // Signals r - 5 over 6.2..6.8: mean 1.5.
  EXPECT_NEAR(g.ScanMeans[1], 1.5f, 2e-3f);
}

TEST_F(FitLimitIndicesTest, SetupAppliesTheLimitsThatAreSet) {
  ScanDataSet.FitLeftLim = 6.1f;
  ScanDataSet.FitRightLim = 7.0f;
  LoadTwoScans();
  EXPECT_NEAR(ScanDataSet.FitLeftLim, 6.1f, 1e-6f);
  ExpectIndicesFollowTheLimits();
}

TEST_F(FitLimitIndicesTest, LightScatteringDataKeepTheirLimits) {
  LoadTwoScans();
  DlsDataMode = true;
  ModelParameters.Meniscus = 0.0f;
  ModelParameters.Bottom = 0.0f;
  ScanDataSet.FitLeftLim = 6.5f;
  ScanDataSet.FitRightLim = 7.5f;
  SetFirstFitIndex();
  SetLastFitIndex();
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.5f);
  EXPECT_FLOAT_EQ(ScanDataSet.FitRightLim, 7.5f);
  EXPECT_TRUE(LogLinesWith("possible problem").empty());
}

TEST_F(FitLimitIndicesTest, AScanWithNoPointBeyondTheLimitKeepsItsIndex) {
  ScanReaderOptions.AbsorbanceData = true;
  ModelParameters.Meniscus = 5.85f;
  ModelParameters.Bottom = 7.3f;
  LoadTestScans({{5.9, 7.2, 0.001, 0.0, Linear}, {5.9, 6.0, 0.001, 1.0, Linear}});
  SetupCommonRadialGrid();
  ScanDataSet.ScanFirstFitIndex[2] = 40;
  ScanDataSet.FitLeftLim = 6.5f;
  ScanDataSet.FitRightLim = 7.1f;
  SetFirstFitIndex();
  EXPECT_EQ(ScanDataSet.ScanFirstFitIndex[2], 40);
  ScanDataSet.ScanFirstFitIndex[2] = 0;  // never set: the last point
  SetFirstFitIndex();
  EXPECT_EQ(ScanDataSet.ScanFirstFitIndex[2], ScanDataSet.ScanPointCount[2]);
}

TEST_F(FitLimitIndicesTest, InitialDataAreExtrapolatedWhenLoaded) {
  int left = 0, right = 0;
  ExtrapolateInitialDataLeft = [&left] { ++left; };
  ExtrapolateInitialDataRight = [&right] { ++right; };
  LoadTwoScans();
  ScanDataSet.FitLeftLim = 6.1f;
  ScanDataSet.FitRightLim = 7.0f;
  SetFirstFitIndex();
  SetLastFitIndex();
  EXPECT_EQ(left + right, 0);
  InitialDistribution.Count = 5;
  SetFirstFitIndex();
  SetLastFitIndex();
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 1);
  ExtrapolateInitialDataLeft = [] {};
  ExtrapolateInitialDataRight = [] {};
}

}  // namespace
