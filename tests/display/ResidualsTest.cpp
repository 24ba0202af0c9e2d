// Residuals of the loaded scans and their histogram.
#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "plot/PlotSettings.h"

namespace {

class Residuals : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    LoadSyntheticScans(4, 41);
    display::BuildMainDataPlots();
    WriteScanRmsDefault = [this] { ++rmsFiles; };
    ScanRmsFileOn = true;
  }
  int rmsFiles = 0;
};

TEST_F(Residuals, WithoutFitLimitsEveryPointIsSignalMinusModel) {
  auto& d = ScanDataSet;
  d.ScanFirstFitIndex[2] = 10;  // ignored without fit limits
  display::UpdateResiduals(true);
  for (int i = 1; i <= d.NFILES; ++i)
    for (int j = 1; j <= d.ScanPointCount[i]; ++j)
      ASSERT_EQ(d.ScanResiduals[i][j], d.ScanSignal[i][j] - d.ScanModel[i][j]) << i << " " << j;
  EXPECT_EQ(rmsFiles, 0);
  EXPECT_FALSE(display::ResidualPlotMetafile().IsNull());
}

TEST_F(Residuals, WithFitLimitsOnlyTheFitRangeCounts) {
  auto& d = ScanDataSet;
  d.FitLeftLim = 6.2f;
  d.FitRightLim = 6.8f;
  d.ScanFirstFitIndex[1] = 5;
  d.ScanLastFitIndex[1] = 30;
  d.ScanFirstFitIndex[2] = 0;  // 0: from the first point
  d.ScanLastFitIndex[2] = 0;   // 0: to the last point
  display::UpdateResiduals(true);
  for (int j = 1; j <= d.ScanPointCount[1]; ++j) {
    const float expected = j >= 5 && j <= 30 ? d.ScanSignal[1][j] - d.ScanModel[1][j] : 0.0f;
    ASSERT_EQ(d.ScanResiduals[1][j], expected) << j;
  }
  for (int j : {1, 41})
    EXPECT_EQ(d.ScanResiduals[2][j], d.ScanSignal[2][j] - d.ScanModel[2][j]) << j;
  const CWINPlot& plot = *display::MainPlots.ResidualPlot;
  EXPECT_TRUE(plot.bFixedX);
  EXPECT_FLOAT_EQ(plot.fXMin, 6.2f);
  EXPECT_FLOAT_EQ(plot.fXMax, 6.8f);
  EXPECT_EQ(rmsFiles, 1);
}

TEST_F(Residuals, NothingWithoutAResidualPlot) {
  display::DestroyMainPlots();
  ScanDataSet.ScanResiduals[1][1] = 42.0f;
  display::UpdateResiduals(true);
  EXPECT_EQ(ScanDataSet.ScanResiduals[1][1], 42.0f);
}

TEST_F(Residuals, HistogramCountsEveryResidualOfTheFitRanges) {
  display::UpdateResiduals(false);
  display::BuildResidualHistogram();
  const auto& h = display::ResidualHistogramData;
  ASSERT_GT(h.HistogramBinCount, 1);
  EXPECT_EQ(h.HistogramBinCount % 2, 1);
  double total = 0;
  for (int b = 1; b <= h.HistogramBinCount; ++b) {
    total += h.Counts[b];
    EXPECT_FLOAT_EQ(h.Centres[b], 0.5f * (h.LowerEdges[b] + h.UpperEdges[b])) << b;
  }
  // Gaussian noise of 4 x 41 points: all of it within five rmsd.
  EXPECT_EQ(total, 4 * 41);
  ASSERT_TRUE(h.CountCurve && h.GaussianCurve);
  EXPECT_EQ(h.CountCurve->y()->count(), static_cast<unsigned>(h.HistogramBinCount));
  // Views, not copies.
  EXPECT_EQ(&(*h.CountCurve->y())[0], &h.Counts[1]);
}

TEST_F(Residuals, HistogramPlotOnlyWhileShown) {
  display::UpdateResiduals(false);
  MainDisplayOptions.ShowResidualsHistogram = false;
  display::UpdateHistogramPlot();
  EXPECT_EQ(display::MainPlots.AuxPlot->nCurves, 0);
  MainDisplayOptions.ShowResidualsHistogram = true;
  display::UpdateHistogramPlot();
  const CWINPlot& aux = *display::MainPlots.AuxPlot;
  ASSERT_EQ(aux.nCurves, 2);
  EXPECT_EQ(aux.GetCurveStyle(0), 21);
  EXPECT_EQ(aux.GetCurveColor(0), platform::Rgb(100, 100, 100));
  EXPECT_EQ(aux.GetCurveStyle(1), 12);
  EXPECT_EQ(aux.GetCurveColor(1), platform::Rgb(255, 0, 0));
  EXPECT_TRUE(aux.bBarEdges);
  EXPECT_FALSE(display::HistogramPlotMetafile().IsNull());
  EXPECT_EQ(aux.nLeft, AspectScaled(785));
}

TEST_F(Residuals, FreeingTheHistogramLeavesThePlotWithoutCurves) {
  display::UpdateResiduals(false);
  MainDisplayOptions.ShowResidualsHistogram = true;
  display::UpdateHistogramPlot();
  display::FreeResidualHistogram();
  EXPECT_EQ(display::ResidualHistogramData.HistogramBinCount, 0);
  EXPECT_EQ(display::MainPlots.AuxPlot->nCurves, 0);
  display::MainPlots.AuxPlot->Render();  // reads no released curve
}

}  // namespace
