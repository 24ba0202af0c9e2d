// Overlays: one curve recorded over a plot with the plot's mapping, without
// touching the plot. Point numbers are one-based.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "plot/CWINPlot.h"
#include "plot/PlotTestCurves.h"

using platform::DrawCall;
using platform::DrawKind;
using platform::Point;
using platform::Rgb;

namespace {

// A data plot with the frame 69 .. 1329 by 75 .. 475 and fixed ranges
// 0 .. 100 on both axes.
class Overlay : public ::testing::Test {
 protected:
  Overlay() : data_(SampledCurve(2, 0, 100, [](float x) { return x; })) {
    plot.Place(75, 50, 475, 950);
    plot.AddCurve(data_->get());
    plot.SetRanges(0, 100, 0, 100);
  }
  static std::vector<std::vector<Point>> Lines(const platform::Metafile& picture) {
    std::vector<std::vector<Point>> out;
    for (const DrawCall& c : CallsOf(Replay(picture), DrawKind::Line)) out.push_back(c.points);
    return out;
  }
  Point At(float x, float y) const { return Point{plot.MapX(x), plot.MapY(y)}; }

  CWINPlot plot;

 private:
  std::unique_ptr<TestCurve> data_;
};

struct RangeCase {
  int first, last;
  int firstPoint, lastPoint;  // one-based points joined
};

TEST_F(Overlay, PointRangeFallsBackToTheWholeCurve) {
  auto curve = SampledCurve(10, 5, 10, [](float x) { return x; });
  const RangeCase cases[] = {
      {1, 10, 1, 10}, {0, 10, 1, 10}, {9, 10, 1, 10}, {1, 50, 1, 10},
      {3, 6, 3, 6},   {8, 10, 8, 10}, {3, 3, 3, 10},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " .. " << c.last);
    const auto lines =
        Lines(plot.RenderOverlayCurve(**curve, c.first, c.last, Rgb(0, 0, 255), -1, 0));
    ASSERT_EQ(static_cast<int>(lines.size()), c.lastPoint - c.firstPoint);
    const float x0 = 5.0f + 10.0f * (c.firstPoint - 1), x1 = 5.0f + 10.0f * (c.lastPoint - 1);
    EXPECT_EQ(lines.front()[0], At(x0, x0));
    EXPECT_EQ(lines.back()[1], At(x1, x1));
  }
  EXPECT_TRUE(plot.RenderOverlayCurve(**curve, 5, 4, Rgb(0, 0, 255), -1, 0).IsNull());
}

TEST_F(Overlay, APictureInThePlotSpaceInTheOverlayColour) {
  auto curve = SampledCurve(3, 10, 10, [](float x) { return x; });
  const platform::Metafile picture = plot.RenderOverlay(**curve, Rgb(0, 128, 0), -1, 0);
  EXPECT_EQ(*picture.WindowExtent(), (platform::Size{1399, 1000}));
  for (const DrawCall& c : Replay(picture)) EXPECT_EQ(c.pen.color, Rgb(0, 128, 0));
}

TEST_F(Overlay, ACurveLeavingTheRangeIsDrawnAsSeparateRuns) {
  TestCurve curve({10, 20, 30, 40, 50}, {10, 20, 150, 40, 50});
  const auto lines = Lines(plot.RenderOverlay(*curve.get(), Rgb(255, 0, 0), -1, 0));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (std::vector<Point>{At(10, 10), At(20, 20)}));
  EXPECT_EQ(lines[1], (std::vector<Point>{At(40, 40), At(50, 50)}));
}

TEST_F(Overlay, ThickLineIsThreeUnitsWide) {
  TestCurve curve({10, 20}, {50, 50});
  const auto lines = Lines(plot.RenderOverlay(*curve.get(), Rgb(255, 0, 0), 12, 1));
  ASSERT_EQ(lines.size(), 4u);
  int top = 1000, bottom = 0;
  for (const auto& l : lines) {
    top = std::min(top, l[0].y);
    bottom = std::max(bottom, l[0].y);
  }
  EXPECT_EQ(bottom - top + 1, 3);
}

TEST_F(Overlay, EveryNthPointOfTheRangeIsUsed) {
  auto curve = SampledCurve(7, 10, 10, [](float x) { return x; });
  plot.nEvery = 2;
  const auto lines = Lines(plot.RenderOverlay(**curve, Rgb(255, 0, 0), -1, 0));
  ASSERT_EQ(lines.size(), 3u);  // points 1, 3, 5, 7
  EXPECT_EQ(lines[0], (std::vector<Point>{At(10, 10), At(30, 30)}));
  EXPECT_EQ(lines[2], (std::vector<Point>{At(50, 50), At(70, 70)}));
}

TEST_F(Overlay, StylesWithoutMeaningInAnOverlayDrawNothing) {
  auto curve = SampledCurve(3, 10, 10, [](float x) { return x; });
  for (int style : {0, 4, 20, 21}) {
    const auto calls = Replay(plot.RenderOverlay(**curve, Rgb(255, 0, 0), style, 5));
    EXPECT_TRUE(calls.empty()) << style;
  }
  EXPECT_EQ(
      CallsOf(Replay(plot.RenderOverlay(**curve, Rgb(255, 0, 0), 2, 5)), DrawKind::Ellipse).size(),
      3u);
}

TEST_F(Overlay, SymbolSizeOfThePlotIsUntouched) {
  auto curve = SampledCurve(3, 10, 10, [](float x) { return x; });
  plot.nSymbolSize = 7;
  const auto circles =
      CallsOf(Replay(plot.RenderOverlay(**curve, Rgb(255, 0, 0), 2, 3)), DrawKind::Ellipse);
  ASSERT_EQ(circles.size(), 3u);
  EXPECT_EQ(circles[0].rect.Width(), 6);
  EXPECT_EQ(plot.nSymbolSize, 7);
}

TEST_F(Overlay, ColouredOverlayTakesEachSegmentInItsEndPointsColour) {
  auto curve = SampledCurve(5, 10, 10, [](float x) { return x; });
  OneBasedMatrix<int> table(1, 5, 1, 3);
  for (int k = 1; k <= 5; ++k) {
    table[k][1] = k % 2 ? 255 : 0;
    table[k][3] = k % 2 ? 0 : 255;
  }
  const auto calls = CallsOf(
      Replay(plot.RenderOverlayColoredCurve(**curve, 1, 5, table.get(), -1, 0)), DrawKind::Line);
  ASSERT_EQ(calls.size(), 4u);
  for (int s = 0; s < 4; ++s)
    EXPECT_EQ(calls[s].pen.color, (s + 2) % 2 ? Rgb(255, 0, 0) : Rgb(0, 0, 255)) << s;
  // A start outside the table falls back to point 1, and so does its colour
  // (row 0 does not exist).
  const auto fromZero = CallsOf(
      Replay(plot.RenderOverlayColoredCurve(**curve, 0, 5, table.get(), -1, 0)), DrawKind::Line);
  EXPECT_EQ(fromZero.size(), 4u);
}

TEST_F(Overlay, ArrayVariantsWrapOrConvertTheCallersArrays) {
  OneBasedArray<float> x(1, 4), y(1, 4);
  OneBasedArray<double> xd(1, 4), yd(1, 4);
  for (int k = 1; k <= 4; ++k) {
    x[k] = 10.0f * k;
    y[k] = 5.0f * k;
    xd[k] = x[k];
    yd[k] = y[k];
  }
  const auto a = Lines(plot.RenderOverlayArrays(x.data(), y.data(), 4, Rgb(1, 1, 1), -1, 0));
  const auto b =
      Lines(plot.RenderOverlayDoubleArrays(xd.data(), yd.data(), 4, Rgb(1, 1, 1), -1, 0));
  const auto c =
      Lines(plot.RenderOverlayFloatDoubleArrays(x.data(), yd.data(), 4, Rgb(1, 1, 1), -1, 0));
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);
  // Scaled so that the largest value becomes 80.
  const auto scaled =
      Lines(plot.RenderOverlayScaledDouble(x.data(), yd.data(), 4, 80.0f, Rgb(1, 1, 1), -1, 0));
  ASSERT_EQ(scaled.size(), 3u);
  EXPECT_EQ(scaled[2][1], At(40, 80));
  const auto scaledFloat =
      Lines(plot.RenderOverlayScaledFloat(x.data(), y.data(), 4, 80.0f, Rgb(1, 1, 1), -1, 0));
  EXPECT_EQ(scaledFloat, scaled);
}

// A range reaching past the arrays' end is cut at the end instead of
// wrapping memory that is not theirs.
TEST_F(Overlay, ArrayRangeNeverReachesPastTheArrays) {
  OneBasedArray<float> x(1, 60), y(1, 60);
  for (int k = 1; k <= 60; ++k) x[k] = y[k] = static_cast<float>(k);
  const auto lines =
      Lines(plot.RenderOverlayArraysRange(x.data(), y.data(), 60, 50, 100, Rgb(1, 1, 1), -1, 0));
  ASSERT_EQ(lines.size(), 10u);  // elements 50 .. 60
  EXPECT_EQ(lines.front()[0], At(50, 50));
  EXPECT_EQ(lines.back()[1], At(60, 60));
}

TEST_F(Overlay, VerticalLinesAndTheFrameHighlight) {
  const auto line = Lines(plot.RenderOverlayXLine(50, Rgb(0, 0, 255)));
  ASSERT_EQ(line.size(), 1u);
  EXPECT_EQ(line[0], (std::vector<Point>{Point{At(50, 0).x, 473}, Point{At(50, 0).x, 76}}));
  const auto dashed = Lines(plot.RenderOverlayDashedXLine(50, Rgb(0, 0, 255)));
  EXPECT_GT(dashed.size(), 30u);
  for (const auto& l : dashed) EXPECT_EQ(l[0].x, At(50, 0).x);
  const auto frame = Lines(plot.RenderOverlayFrameHighlight(Rgb(255, 0, 0)));
  int leftEdge = 0;
  for (const auto& l : frame)
    if (l[0].x >= 68 && l[0].x <= 70 && l[1].x == l[0].x) ++leftEdge;
  EXPECT_GT(leftEdge, 3 * 30);
}

}  // namespace
