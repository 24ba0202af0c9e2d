// Ad-hoc plots built from raw one-based arrays, and plots that keep a list
// of rendered frames.
#include <gtest/gtest.h>

#include "numerics/OneBasedArrays.h"
#include "plot/CAdHocPlot.h"
#include "plot/PlotFrames.h"
#include "plot/PlotTestCurves.h"

using platform::DrawKind;

namespace {

float* Ramp(int n, float scale) {
  float* v = vector(1, n);
  for (int i = 1; i <= n; ++i) v[i] = scale * static_cast<float>(i);
  return v;
}

TEST(AdHocPlot, CurvesGetConsecutiveIndicesAndViewTheAdoptedArrays) {
  CAdHocPlot adhoc;
  EXPECT_EQ(adhoc.nSlots, 100);
  adhoc.pPlot->Place(75, 50, 475, 950);
  float* x = Ramp(5, 1.0f);
  float* y = Ramp(5, 2.0f);
  EXPECT_EQ(adhoc.AddCurve(5, x, y), 0);
  EXPECT_EQ(adhoc.AddCurve(3, Ramp(3, 1.0f), Ramp(3, 1.0f)), 1);
  EXPECT_EQ(adhoc.pPlot->nCurves, 2);
  EXPECT_FALSE(adhoc.pPlot->hMetaFile.IsNull());  // the first curve rendered at once
  // Not copied: a change shows at the next rendering.
  adhoc.pPlot->SetRanges(0, 10, 0, 100);
  adhoc.pPlot->SetCurveStyle(0, 7);
  x[3] = 9.0f;
  y[3] = 90.0f;
  adhoc.pPlot->Render();
  bool moved = false;
  for (const auto& c : CallsOf(Replay(adhoc.pPlot->hMetaFile), DrawKind::Line))
    moved |= c.points[0] == (platform::Point{adhoc.pPlot->MapX(9), adhoc.pPlot->MapY(90)});
  EXPECT_TRUE(moved);
}

TEST(AdHocPlot, MoreCurvesThanSlotsAreKept) {
  CAdHocPlot adhoc;
  for (int k = 0; k < 101; ++k) EXPECT_EQ(adhoc.AddCurve(2, Ramp(2, 1.0f), Ramp(2, 1.0f)), k);
  EXPECT_EQ(adhoc.pPlot->nCurves, 101);
  EXPECT_GE(adhoc.nSlots, 101);
}

TEST(PlotFrames, FramesKeepTheirPicturesAndRefuseOtherIndices) {
  auto curve = SampledCurve(3, 0, 1, [](float x) { return x; });
  CPlotFrames frames;
  frames.Place(75, 50, 475, 950);
  frames.AddCurve(curve->get());
  EXPECT_TRUE(frames.AllocFrames(2));
  EXPECT_TRUE(frames.RenderFrame(1));
  EXPECT_TRUE(frames.hMetaFile.IsNull());
  EXPECT_FALSE(frames.bOwnsMetaFile);
  frames.SetTopTitle("second");
  EXPECT_TRUE(frames.RenderFrame(2));
  EXPECT_FALSE(frames.Frame(1).IsNull());
  EXPECT_NE(frames.Frame(1).Operations().size(), frames.Frame(2).Operations().size());
  EXPECT_TRUE(frames.Frame(0).IsNull());
  EXPECT_TRUE(frames.Frame(3).IsNull());
  EXPECT_FALSE(frames.RenderFrame(3));
  frames.DeleteFrames();
  EXPECT_EQ(frames.nFrames, 0);
  EXPECT_TRUE(frames.Frame(1).IsNull());
}

}  // namespace
