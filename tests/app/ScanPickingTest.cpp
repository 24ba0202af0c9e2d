// Scans picked on the data plot and the shading of a range of s over the
// scans, on the headless main window.
#include <gtest/gtest.h>

#include <cmath>

#include "app/PlotInteractionFixture.h"
#include "app/interaction/PeakShading.h"
#include "app/options/ProgramOptions.h"

using platform::MessageKind;

namespace {

class ScanPicking : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    LoadScans();
  }
  // The window pixel of point k of scan f on the data plot.
  static platform::Point PixelOf(int f, int k) {
    const CWINPlot& plot = *display::MainPlots.DataPlot;
    return {display::ValueToWindowX(plot, ScanDataSet.ScanRadius[f][k]),
            static_cast<int>(std::floor(plot.MapY(ScanDataSet.ScanSignal[f][k]) *
                                        MainPlotLayout.ClientHeight / 1000.0f))};
  }
};

TEST_F(ScanPicking, AClickOnAPointPicksItsScanAndReadsItOut) {
  const int f = ScanDataSet.ScanTimeOrder[3];
  const platform::Point p = PixelOf(f, 40);
  backend().ClearLog();
  Send(MessageKind::LeftButtonDown, p.x, p.y);
  ASSERT_GT(ScanEditState.Rank, 0);
  const int picked = ScanDataSet.ScanTimeOrder[ScanEditState.Rank];
  // Points of several scans may lie within the tolerance; the one found
  // lies within it and no earlier scan in time order has one there.
  const platform::Point q = PixelOf(picked, ScanEditState.Point);
  EXPECT_LE(std::abs(q.x - p.x), 3);
  EXPECT_LE(std::abs(q.y - p.y), 3);
  EXPECT_LE(ScanEditState.Rank, 3);
  char readout[64];
  std::snprintf(readout, sizeof readout, "text (10,50) r = %1.4f    ",
                static_cast<double>(ScanDataSet.ScanRadius[picked][ScanEditState.Point]));
  EXPECT_EQ(LogLinesWith(readout).size(), 1u);
  ASSERT_TRUE(ScreenButtons.EditScanButton);
  EXPECT_NE(ScreenButtons.EditScanButton->Caption.find("edit "), std::string::npos);
  ASSERT_TRUE(ScreenButtons.CancelScanEditButton);

  // Esc (any character) cancels the edit buttons; a click on nothing
  // blanks the readout.
  Char(platform::key::Escape);
  EXPECT_FALSE(ScreenButtons.EditScanButton);
  backend().ClearLog();
  Send(MessageKind::LeftButtonDown, 30, 980);
  EXPECT_EQ(LogLinesWith("text (10,50)               ").size(), 1u);
}

TEST_F(ScanPicking, HitTestBoundsAreStrict) {
  const int f = ScanDataSet.ScanTimeOrder[1];
  const CWINPlot& plot = *display::MainPlots.DataPlot;
  const int px = plot.MapX(ScanDataSet.ScanRadius[f][10]);
  const int py = plot.MapY(ScanDataSet.ScanSignal[f][10]);
  EXPECT_TRUE(HitTestDataPoint(f, px + 2, py, 3, 3));
  EXPECT_EQ(ScanEditState.PickedPointIndex, 10);
  EXPECT_FALSE(HitTestDataPoint(f, px, py + 3, 3, 0));
  EXPECT_EQ(ScanEditState.PickedPointIndex, 0);
}

TEST_F(ScanPicking, ShadingFadesOutsideTheRangeOnly) {
  const struct {
    float s;
    float fade;
  } cases[] = {{5.0f, 1.0f}, {4.0f, 1.0f}, {2.0f, std::exp(-1.0f)}, {7.0f, std::exp(-4.0f)}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(ShadingFade(c.s, 3.0f, 5.0f, 1.0f), c.fade) << c.s;
  // Exactly at the upper limit the point is inside.
  EXPECT_FLOAT_EQ(ShadingFade(5.0f, 3.0f, 5.0f, 0.01f), 1.0f);
  EXPECT_LT(ShadingFade(5.05f, 3.0f, 5.0f, 0.01f), 1.0f);
}

TEST_F(ScanPicking, ShadedBoundsFollowTheApparentSedimentationCoefficient) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  ModelParameters.Meniscus = 6.0f;
  DistributionSettings.DistGridSize = 10;
  ResizeDistributionGrids(10);
  for (int i = 1; i <= 10; ++i) DistributionResult.DistSGrid[i] = static_cast<float>(i);
  const double omega = 50000 * 2 * M_PI / 60;
  for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
    ScanDataSet.ScanHeaders[i].Rpm = 50000.0f;
    ScanDataSet.ScanHeaders[i].Omega2t = omega * omega * ScanDataSet.ScanHeaders[i].Time;
  }
  PeakShadingResult shading;
  DrawPeakShading(*window, 3.0f, 5.0f, &shading);
  ASSERT_EQ(shading.First.size(), static_cast<std::size_t>(ScanDataSet.NFILES) + 1);
  int bounded = 0;
  for (int f = 1; f <= ScanDataSet.NFILES; ++f) {
    const int a = shading.First[f], b = shading.Last[f];
    if (a < 1 || b < 1) continue;
    ++bounded;
    const double t = ScanDataSet.ScanHeaders[f].Time;
    const auto s = [&](int k) {
      return 1e13 * std::log(ScanDataSet.ScanRadius[f][k] / 6.0) / (omega * omega * t);
    };
    // The bounds enclose the range: the first shaded point lies below 3 S,
    // the last above 5 S.
    EXPECT_LT(s(a), 3.0) << f;
    EXPECT_GT(s(b), 5.0) << f;
    EXPECT_LT(a, b) << f;
  }
  EXPECT_GT(bounded, 0);
  // Discrete models have no s axis to shade.
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  PeakShadingResult none;
  DrawPeakShading(*window, 3.0f, 5.0f, &none);
  EXPECT_TRUE(none.First.empty());
}

}  // namespace
