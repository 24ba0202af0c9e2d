#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DataTestSupport.h"
#include "data/ScanCorrections.h"
#include "state/DisplayState.h"

namespace {

// An interference boundary: 2 fringes of baseline, 3 fringes of plateau, a
// smooth step around 6.5 cm (point-to-point changes far below half a fringe).
float CleanBoundary(float r) {
  return 2.0f + 1.5f * (1.0f + std::tanh((r - 6.5f) / 0.05f));
}

// A boundary so steep that neighbouring points differ by almost a fringe.
float SteepBoundary(float r) {
  return 1.0f + 5.0f * 0.5f * (1.0f + std::tanh((r - 6.5f) / 0.002f));
}

class ScanCorrectionsTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    RenderDataPlot = [this](bool) { ++renders; };
  }
  void TearDown() override {
    RenderDataPlot = [](bool) {};
    DataTest::TearDown();
  }

  // Interference scans of the given boundary, time order given by the times,
  // on the radii 6.0 + shift ... 7.0 + shift in steps of 0.002 cm.
  void LoadInterferenceScans(float (*signal)(float), const std::vector<double>& times,
                             const std::vector<double>& shifts = {}) {
    std::vector<TestScan> scans;
    for (std::size_t i = 0; i < times.size(); ++i) {
      const double shift = i < shifts.size() ? shifts[i] : 0.0;
      scans.push_back({6.0 + shift, 7.0 + shift, 0.002, times[i], signal});
    }
    LoadTestScans(scans);
    ScanReaderOptions.InterferenceData = true;
    ModelParameters.Meniscus = 5.9f;
    ModelParameters.Bottom = 7.3f;
  }

  void SetFitLimitsAndGrid() {
    ScanDataSet.FitLeftLim = 6.05f;
    ScanDataSet.FitRightLim = 6.95f;
    SetupCommonRadialGrid();
  }

  // Every scan's signal as it is now.
  static std::vector<std::vector<float>> Signals() {
    std::vector<std::vector<float>> all;
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      const auto& s = ScanDataSet.ScanSignal[i];
      all.emplace_back(s.data() + 1, s.data() + 1 + ScanDataSet.ScanPointCount[i]);
    }
    return all;
  }

  static void Add(int i, int fromPoint, float by) {
    for (int k = fromPoint; k <= ScanDataSet.ScanPointCount[i]; ++k)
      ScanDataSet.ScanSignal[i][k] += by;
  }

  static void ExpectSignals(const std::vector<std::vector<float>>& expected, float tolerance) {
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      const auto& e = expected[static_cast<std::size_t>(i - 1)];
      for (int k = 1; k <= ScanDataSet.ScanPointCount[i]; ++k)
        ASSERT_NEAR(ScanDataSet.ScanSignal[i][k], e[static_cast<std::size_t>(k - 1)], tolerance)
            << "scan " << i << " point " << k;
    }
  }

  int renders = 0;
};

// Scans offset from the earliest one by 2.4, -1.6 and 0.3 fringes are moved
// by 2, -2 and 0 fringes; the earliest scan (here the last slot) stays.
TEST_F(ScanCorrectionsTest, FringeOffsetsAreRoundedToWholeFringes) {
  LoadInterferenceScans(CleanBoundary, {300, 600, 900, 100});
  SetFitLimitsAndGrid();
  const float offsets[] = {2.4f, -1.6f, 0.3f, 0.0f};
  const float remaining[] = {0.4f, 0.4f, 0.3f, 0.0f};
  for (int i = 1; i <= 4; ++i) Add(i, 1, offsets[i - 1]);
  const auto before = Signals();

  ASSERT_TRUE(AlignFringeOffsetsAtRadius(0.0f, 6.2f));
  for (int i = 1; i <= 4; ++i)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[i]; k += 50)
      EXPECT_NEAR(ScanDataSet.ScanSignal[i][k] - ScanDataSet.ScanSignal[4][k], remaining[i - 1],
                  1e-5f)
          << i;
  EXPECT_EQ(ScanDataSet.ScanSignal[4][1], before[3][0]);
  EXPECT_EQ(renders, 1);
  // The grid borrows the scans' arrays: its mean profile follows the change.
  const int j = 100;
  float mean = 0.0f;
  for (int i = 1; i <= 4; ++i) mean += ScanDataSet.ScanSignal[i][j];
  EXPECT_NEAR(CommonRadialGrid.MeanProfile[j], mean / 4.0f, 1e-5f);
}

TEST_F(ScanCorrectionsTest, WholeFringeOffsetsAreRemovedAndTheOffsetAdded) {
  LoadInterferenceScans(CleanBoundary, {0, 600, 1200, 1800});
  SetFitLimitsAndGrid();
  const auto clean = Signals();
  const float fringes[] = {0.0f, 3.0f, -2.0f, 7.0f};
  for (int i = 1; i <= 4; ++i) Add(i, 1, fringes[i - 1]);

  ASSERT_TRUE(AlignFringeOffsetsAtRadius(0.25f, 6.8f));
  auto expected = clean;
  for (auto& scan : expected)
    for (float& v : scan) v += 0.25f;
  ExpectSignals(expected, 1e-5f);
}

TEST_F(ScanCorrectionsTest, AlignmentCarriesTheCorrectionToResampledGridCopies) {
  // Jittered radii: the grid resamples the scans into copies of its own.
  LoadInterferenceScans(CleanBoundary, {0, 600, 1200}, {0.0, 0.0007, -0.0004});
  SetFitLimitsAndGrid();
  ASSERT_TRUE(CommonRadialGrid.GridResampled);
  std::vector<std::vector<float>> grid;
  for (int i = 1; i <= 3; ++i)
    grid.emplace_back(CommonRadialGrid.ResampledSignals[i] + 1,
                      CommonRadialGrid.ResampledSignals[i] + 1 + CommonRadialGrid.CommonGridSize);
  Add(2, 1, 4.0f);
  Add(3, 1, -1.0f);
  SetupCommonRadialGrid();
  ASSERT_TRUE(AlignFringeOffsetsAtRadius(0.0f, 6.3f));
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= CommonRadialGrid.CommonGridSize; j += 37)
      ASSERT_NEAR(CommonRadialGrid.ResampledSignals[i][j],
                  grid[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)], 1e-5f)
          << i << " " << j;
}

TEST_F(ScanCorrectionsTest, AlignmentRefusesOtherDataAndRadiiBeyondTheData) {
  LoadInterferenceScans(CleanBoundary, {0, 600});
  SetFitLimitsAndGrid();
  Add(2, 1, 2.0f);
  const auto before = Signals();

  ASSERT_FALSE(AlignFringeOffsetsAtRadius(0.0f, 7.5f));
  ExpectSignals(before, 0.0f);
  EXPECT_EQ(LogLinesWith("alignment radius 7.500 cm lies beyond the data of scan1.RA1").size(), 1u);

  ScanReaderOptions.InterferenceData = false;
  EXPECT_FALSE(AlignFringeOffsetsAtRadius(0.0f, 6.5f));
  ExpectSignals(before, 0.0f);
  EXPECT_EQ(renders, 0);
}

// A step from 1.0 to 3.1 between two points is lowered by two fringes (two
// passes of one fringe) from that point on.
TEST_F(ScanCorrectionsTest, StepOfTwoFringesIsLoweredByTwo) {
  LoadInterferenceScans(nullptr, {0});
  SetFitLimitsAndGrid();
  const int n = ScanDataSet.ScanPointCount[1];
  const int at = 200;
  for (int k = 1; k <= n; ++k) ScanDataSet.ScanSignal[1][k] = k < at ? 1.0f : 3.1f;
  ASSERT_TRUE(RemoveFringeJumps(0.5f, false));
  EXPECT_FLOAT_EQ(ScanDataSet.ScanSignal[1][at - 1], 1.0f);
  for (int k = at; k <= n; ++k) ASSERT_NEAR(ScanDataSet.ScanSignal[1][k], 1.1f, 1e-6f) << k;
}

TEST_F(ScanCorrectionsTest, FringeJumpsInsideScansAreRemoved) {
  struct Jump {
    int scan, point;
    float fringes;
  };
  const Jump jumps[] = {
      {1, 60, 1.0f}, {1, 260, 3.0f}, {2, 150, -2.0f}, {2, 151, 1.0f}, {3, 430, 5.0f}};
  // Equal radii (the grid borrows the scans) and jittered radii (the grid
  // holds resampled copies, which must follow the corrected scans).
  const std::vector<double> layouts[] = {{}, {0.0, 0.0007, -0.0005}};
  for (const auto& shifts : layouts) {
    SCOPED_TRACE(shifts.size());
    ResetDataRecords();
    LoadInterferenceScans(CleanBoundary, {0, 600, 1200}, shifts);
    SetFitLimitsAndGrid();
    const auto clean = Signals();
    std::vector<float> cleanMean(
        CommonRadialGrid.MeanProfile.data() + 1,
        CommonRadialGrid.MeanProfile.data() + 1 + CommonRadialGrid.CommonGridSize);
    for (const Jump& j : jumps) Add(j.scan, j.point, j.fringes);
    SetupCommonRadialGrid();

    ASSERT_TRUE(RemoveFringeJumps(0.5f, false));
    ExpectSignals(clean, 1e-4f);
    for (int j = 1; j <= CommonRadialGrid.CommonGridSize; ++j)
      ASSERT_NEAR(CommonRadialGrid.MeanProfile[j], cleanMean[static_cast<std::size_t>(j - 1)],
                  1e-4f)
          << j;
  }
}

// Judged from the residuals, a boundary steeper than the threshold is no
// jump, while the jumps on it are.
TEST_F(ScanCorrectionsTest, JumpsOnASteepBoundaryAreFoundFromTheResiduals) {
  LoadInterferenceScans(SteepBoundary, {0});
  SetFitLimitsAndGrid();
  auto& d = ScanDataSet;
  const int n = d.ScanPointCount[1];
  const auto clean = Signals();
  for (int k = 1; k <= n; ++k) d.ScanModel[1][k] = d.ScanSignal[1][k];
  Add(1, 240, 2.0f);
  Add(1, 251, -1.0f);
  Add(1, 300, 1.0f);
  for (int k = 1; k <= n; ++k) d.ScanResiduals[1][k] = d.ScanSignal[1][k] - d.ScanModel[1][k];

  ASSERT_TRUE(RemoveFringeJumps(0.5f, true));
  ExpectSignals(clean, 1e-4f);
  for (int k = 1; k <= n; ++k) ASSERT_NEAR(d.ScanResiduals[1][k], 0.0f, 1e-4f) << k;
}

TEST_F(ScanCorrectionsTest, JumpsNeedBothFitLimitsAndAPositiveThreshold) {
  LoadInterferenceScans(CleanBoundary, {0});
  SetFitLimitsAndGrid();
  Add(1, 200, 2.0f);
  const auto before = Signals();
  ScanDataSet.FitRightLim = 0.0f;
  EXPECT_FALSE(RemoveFringeJumps(0.5f, false));
  ScanDataSet.FitRightLim = 6.95f;
  EXPECT_FALSE(RemoveFringeJumps(0.0f, false));
  EXPECT_FALSE(RemoveFringeJumps(std::nanf(""), false));
  ExpectSignals(before, 0.0f);
}

// Offsets that are no whole fringes, as baseline jitter gives them, are
// measured in an air-to-air region and taken off relative to the earliest
// scan; they stay recorded as radial-invariant noise.
TEST_F(ScanCorrectionsTest, JitterIsMeasuredInTheRangeAndRemoved) {
  LoadInterferenceScans(CleanBoundary, {600, 0, 1200, 1800});
  SetFitLimitsAndGrid();
  const auto clean = Signals();
  const float jitter[] = {0.137f, -0.052f, 0.61f, -0.33f};  // scan 2 is the earliest
  for (int i = 1; i <= 4; ++i) Add(i, 1, jitter[i - 1]);

  ASSERT_TRUE(EliminateJitter(6.0f, 6.2f));
  for (int i = 1; i <= 4; ++i)
    EXPECT_NEAR(CommonRadialGrid.RINoise[i], jitter[i - 1] - jitter[1], 1e-5f) << i;
  auto expected = clean;
  for (auto& scan : expected)
    for (float& v : scan) v += jitter[1];
  ExpectSignals(expected, 1e-5f);
  EXPECT_EQ(renders, 1);
}

TEST_F(ScanCorrectionsTest, JitterOfResampledScansIsRemovedOnce) {
  LoadInterferenceScans(CleanBoundary, {0, 600, 1200}, {0.0, 0.0009, -0.0006});
  const auto clean = Signals();
  Add(2, 1, 0.21f);
  Add(3, 1, -0.4f);
  SetFitLimitsAndGrid();
  ASSERT_TRUE(CommonRadialGrid.GridResampled);
  ASSERT_TRUE(EliminateJitter(6.0f, 6.2f));
  ExpectSignals(clean, 1e-4f);
  // Asked again, it finds the scans aligned and moves nothing more.
  ASSERT_TRUE(EliminateJitter(6.0f, 6.2f));
  for (int i = 1; i <= 3; ++i) EXPECT_NEAR(CommonRadialGrid.RINoise[i], 0.0f, 1e-4f) << i;
  ExpectSignals(clean, 1e-4f);
}

TEST_F(ScanCorrectionsTest, JitterRangeWithoutGridPointsIsRefused) {
  LoadInterferenceScans(CleanBoundary, {0, 600});
  SetFitLimitsAndGrid();
  Add(2, 1, 0.3f);
  const auto before = Signals();
  struct Case {
    float r1, r2;
  };
  for (const Case c : {Case{7.2f, 7.4f}, Case{6.2f, 6.2f}, Case{6.3f, 6.1f}}) {
    SCOPED_TRACE(c.r1);
    EXPECT_FALSE(EliminateJitter(c.r1, c.r2));
    ExpectSignals(before, 0.0f);
  }
  EXPECT_EQ(LogLinesWith("no data points between").size(), 3u);
  // A range that runs past the grid's end takes the points up to the end.
  ASSERT_TRUE(EliminateJitter(6.9f, 7.5f));
  EXPECT_NEAR(CommonRadialGrid.RINoise[2], 0.3f, 1e-5f);
}

}  // namespace
