// Systematic noise taken out of the loaded data and put back: exact
// restoration, the grid copies and statistics, the guards, the display
// range, and the boundary weight.

#include <cmath>

#include "DataOpsTestSupport.h"
#include "numerics/Resampling.h"

namespace {

class SystematicNoiseEditsTest : public DataOpsTest {
 protected:
  // Three absorbance scans on slightly different radii, a grid, and noise
  // of awkward magnitudes (so float rounding would show).
  void LoadWithNoise() {
    ScanReaderOptions.AbsorbanceData = true;
    LoadNamedScans({{"00001.RA1", 300.0, 50000.0f, 280.0f, 1, 'R', 6.0, 6.3, 0.003},
                    {"00002.RA1", 100.0, 50000.0f, 280.0f, 1, 'R', 6.001, 6.301, 0.003},
                    {"00003.RA1", 200.0, 50000.0f, 280.0f, 1, 'R', 6.002, 6.302, 0.003}});
    SetupCommonRadialGrid();
    auto& g = CommonRadialGrid;
    for (int j = 1; j <= g.CommonGridSize; ++j)
      g.TINoise[j] = 0.3f * std::sin(0.37f * static_cast<float>(j)) + 0.1f;
    for (int i = 1; i <= 3; ++i) g.RINoise[i] = 0.0137f * static_cast<float>(i) - 0.011f;
    FitControl.TINoiseFitted = true;
    ModelParameters.RINoiseFitted = true;
  }
  struct Snapshot {
    std::vector<std::vector<float>> signal, model, grid;
    std::vector<float> ti;
  };
  static Snapshot Take() {
    Snapshot s;
    const auto& d = ScanDataSet;
    const auto& g = CommonRadialGrid;
    for (int i = 1; i <= d.NFILES; ++i) {
      s.signal.emplace_back(d.ScanSignal[i].data() + 1, d.ScanSignal[i].data() + 1 + d.ScanPointCount[i]);
      s.model.emplace_back(d.ScanModel[i].data() + 1, d.ScanModel[i].data() + 1 + d.ScanPointCount[i]);
      s.grid.emplace_back(g.ResampledSignals[i] + 1, g.ResampledSignals[i] + 1 + g.CommonGridSize);
    }
    s.ti.assign(g.TINoise.data() + 1, g.TINoise.data() + 1 + g.CommonGridSize);
    return s;
  }
};

TEST_F(SystematicNoiseEditsTest, TINoiseSubtractedAndRestoredGivesTheDataBitForBit) {
  LoadWithNoise();
  const Snapshot loaded = Take();
  SubtractTINoise();
  const auto& g = CommonRadialGrid;
  EXPECT_EQ(g.TINoise[7], 0.0f);
  EXPECT_NE(ScanDataSet.ScanSignal[1][7], loaded.signal[0][6]);
  // A second subtraction takes out zero.
  SubtractTINoise();
  RestoreTINoise();
  const Snapshot back = Take();
  EXPECT_EQ(back.signal, loaded.signal);
  EXPECT_EQ(back.model, loaded.model);
  EXPECT_EQ(back.grid, loaded.grid);
  EXPECT_EQ(back.ti, loaded.ti);
  EXPECT_EQ(g.RemovedTINoise[7], 0.0f);
}

TEST_F(SystematicNoiseEditsTest, DataChangedInBetweenGetTheNoiseAddedBack) {
  LoadWithNoise();
  SubtractTINoise();
  auto& d = ScanDataSet;
  const float edited = d.ScanSignal[2][5] + 1.0f;
  d.ScanSignal[2][5] = edited;
  const float removed = [] {
    OneBasedArray<float> t(1, ScanDataSet.ScanPointCount[2]);
    const auto& g = CommonRadialGrid;
    ResampleCurve(ScanDataSet.ScanPointCount[2], ScanDataSet.ScanRadius[2].data(), t.data(),
                  g.CommonGridSize, g.CommonGrid, g.RemovedTINoise.data());
    return t[5];
  }();
  RestoreTINoise();
  EXPECT_FLOAT_EQ(d.ScanSignal[2][5], edited + removed);
}

TEST_F(SystematicNoiseEditsTest, RIOffsetsLeaveForGoodAndTheResidualsStay) {
  LoadWithNoise();
  const Snapshot loaded = Take();
  auto& d = ScanDataSet;
  const float residual = d.ScanSignal[3][4] - d.ScanModel[3][4];
  SubtractRINoise();
  const float offset3 = 0.0137f * 3.0f - 0.011f;
  EXPECT_FLOAT_EQ(d.ScanSignal[3][4], loaded.signal[2][3] - offset3);
  EXPECT_NEAR(d.ScanSignal[3][4] - d.ScanModel[3][4], residual, 1e-6f);
  EXPECT_EQ(CommonRadialGrid.RINoise[3], 0.0f);
  const Snapshot once = Take();
  SubtractRINoise();
  EXPECT_EQ(Take().signal, once.signal);
  // The mean profile follows the grid copies.
  const auto& g = CommonRadialGrid;
  EXPECT_NEAR(g.MeanProfile[10],
              (g.ResampledSignals[1][10] + g.ResampledSignals[2][10] + g.ResampledSignals[3][10]) / 3.0f,
              1e-6f);
}

TEST_F(SystematicNoiseEditsTest, AllNoiseTakesRIThenTIAndBaselineGoesToZero) {
  LoadWithNoise();
  SubtractAllSystematicNoise();
  EXPECT_EQ(CommonRadialGrid.RINoise[1], 0.0f);
  EXPECT_EQ(CommonRadialGrid.TINoise[1], 0.0f);
  EXPECT_EQ(calls.PushedRanges, 1);
  ModelParameters.SystematicNoiseOn = true;
  ModelParameters.Baseline = 0.25f;
  const float before = ScanDataSet.ScanSignal[1][1];
  SubtractBaseline();
  EXPECT_FLOAT_EQ(ScanDataSet.ScanSignal[1][1], before - 0.25f);
  EXPECT_EQ(ModelParameters.Baseline, 0.0f);
}

TEST_F(SystematicNoiseEditsTest, InterferenceGridCopiesStayAsTheyWere) {
  LoadWithNoise();
  ScanReaderOptions.AbsorbanceData = false;
  ScanReaderOptions.InterferenceData = true;
  const Snapshot loaded = Take();
  SubtractRINoise();
  const Snapshot after = Take();
  EXPECT_EQ(after.grid, loaded.grid);
  EXPECT_NE(after.signal, loaded.signal);
}

TEST_F(SystematicNoiseEditsTest, GuardsLeaveEverythingAlone) {
  LoadWithNoise();
  const Snapshot loaded = Take();
  const struct {
    bool dls, ti, ri, baseline;
  } cases[] = {{true, true, true, true}, {false, false, false, false}};
  for (const auto& c : cases) {
    DlsDataMode = c.dls;
    FitControl.TINoiseFitted = c.ti;
    ModelParameters.RINoiseFitted = c.ri;
    ModelParameters.SystematicNoiseOn = c.baseline;
    ModelParameters.Baseline = 0.5f;
    SubtractTINoise();
    SubtractRINoise();
    RestoreTINoise();
    SubtractAllSystematicNoise();
    SubtractBaseline();
    EXPECT_EQ(Take().signal, loaded.signal);
    EXPECT_EQ(calls.PushedRanges, 0);
  }
}

TEST_F(SystematicNoiseEditsTest, TheDisplayZoomsToTheFitRange) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadNamedScans({{"00001.RA1", 100.0, 50000.0f, 280.0f, 1, 'R', 6.0, 6.3, 0.003, nullptr, 0.0f}});
  SetupCommonRadialGrid();
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  for (int j = 1; j <= g.CommonGridSize; ++j) g.ResampledSignals[1][j] = 0.4f;
  for (int k = 1; k <= d.ScanPointCount[1]; ++k) d.ScanSignal[1][k] = 0.4f;
  g.GridFirstFitIndex = 10;
  g.GridLastFitIndex = 200;
  FitControl.TINoiseFitted = true;
  SubtractTINoise();  // zero noise: nothing moves
  ASSERT_EQ(calls.PushedRanges, 1);
  EXPECT_FLOAT_EQ(calls.LastRange.minRadius, g.CommonGrid[10] - 0.01f);
  EXPECT_FLOAT_EQ(calls.LastRange.maxRadius, g.CommonGrid[200] + 0.01f);
  EXPECT_FLOAT_EQ(calls.LastRange.minSignal, 0.3f);
  EXPECT_FLOAT_EQ(calls.LastRange.maxSignal, 0.5f);
  EXPECT_EQ(calls.PlotRanges, 1);
  EXPECT_EQ(calls.Residuals, 1);
}

TEST_F(SystematicNoiseEditsTest, BoundaryWeightPeaksAtTheBoundary) {
  LoadNamedScans({{"00001.RA1", 1000.0, 50000.0f}});
  ModelParameters.Meniscus = 6.0f;
  const double w2 = std::pow(50000.0 * 3.14159265358979 / 30.0, 2.0);
  const float t = 1000.0f;
  const float r = 6.3f;
  const float s = static_cast<float>(1e13 * std::log(6.3 / 6.0) / (w2 * 1000.0));
  EXPECT_NEAR(GaussianBoundaryWeight(s, 6e-7f, r, t), 1.0f, 1e-5f);
  // One standard deviation away: exp(-1/2).
  const double V = 2e7 * 6e-7 * 1e19 / (w2 * w2 * 1000.0 * 36.0);
  EXPECT_NEAR(GaussianBoundaryWeight(s + static_cast<float>(std::sqrt(V)), 6e-7f, r, t),
              std::exp(-0.5), 1e-4);
}

}  // namespace
