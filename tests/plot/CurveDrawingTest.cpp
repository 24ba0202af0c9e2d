// Drawing one curve: which points are drawn and joined, point styles, colour
// coding, marks, legends, bars and error bars, dashed lines. Asserted on the
// recorded drawing calls, one logical unit to one pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PlotTestCurves.h"

using platform::DrawCall;
using platform::DrawKind;
using platform::Point;
using platform::RecordingCanvas;
using platform::Rect;
using platform::Rgb;

namespace {

// A plot whose frame is 69 .. 1329 by 75 .. 475 with both ranges fixed at
// 0 .. 100: x maps to 69 + 12.6 x, y to 475 - 4 y.
class CurveDrawing : public ::testing::Test {
 protected:
  void Use(TestCurve& curve, int style) {
    plot.Place(75, 50, 475, 950);
    plot.AddCurve(curve.get());
    plot.SetRanges(0, 100, 0, 100);
    plot.SetCurveStyle(plot.nCurves - 1, style);
  }
  std::vector<DrawCall> Draw(int i = 0) {
    RecordingCanvas canvas;
    plot.DrawCurve(canvas, i);
    return canvas.Calls();
  }
  static Point At(float x, float y) {
    return Point{static_cast<int>(69 + static_cast<double>(x) * static_cast<double>(12.6f)),
                 static_cast<int>(475 - 4.0 * y)};
  }
  CWINPlot plot;
};

std::vector<std::vector<Point>> Lines(const std::vector<DrawCall>& calls) {
  std::vector<std::vector<Point>> out;
  for (const DrawCall& c : CallsOf(calls, DrawKind::Line)) out.push_back(c.points);
  return out;
}

TEST_F(CurveDrawing, SubRangeDrawsOnlyItsPointsAndStartsThere) {
  auto curve = SampledCurve(100, 0, 1, [](float x) { return x / 2; });
  Use(*curve, -1);
  plot.SetCurveRange(0, 5, 9);
  const auto lines = Lines(Draw());
  ASSERT_EQ(lines.size(), 4u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(lines[k][0], At(5.0f + k, (5.0f + k) / 2));
    EXPECT_EQ(lines[k][1], At(6.0f + k, (6.0f + k) / 2));
  }
}

TEST_F(CurveDrawing, EveryNthPointIsDrawnAndOnlyThoseAreJoined) {
  auto curve = SampledCurve(10, 0, 10, [](float x) { return x; });
  Use(*curve, -1);
  plot.nEvery = 3;
  const auto lines = Lines(Draw());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], (std::vector<Point>{At(0, 0), At(30, 30)}));
  EXPECT_EQ(lines[2], (std::vector<Point>{At(60, 60), At(90, 90)}));
}

// An every-n count of zero or less would select no point after the first;
// it is taken as 1.
TEST_F(CurveDrawing, NonPositiveEveryCountDrawsEveryPoint) {
  auto curve = SampledCurve(5, 0, 10, [](float x) { return x; });
  Use(*curve, -1);
  plot.nEvery = 0;
  EXPECT_EQ(Lines(Draw()).size(), 4u);
}

TEST_F(CurveDrawing, APointOutsideTheRangeBreaksTheLine) {
  TestCurve curve({10, 20, 30, 40, 50}, {10, 20, 150, 40, 50});
  Use(curve, -1);
  const auto lines = Lines(Draw());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (std::vector<Point>{At(10, 10), At(20, 20)}));
  EXPECT_EQ(lines[1], (std::vector<Point>{At(40, 40), At(50, 50)}));
}

TEST_F(CurveDrawing, BreakOnXDecreaseStartsANewLine) {
  TestCurve curve({10, 20, 5, 15}, {10, 20, 30, 40});
  Use(curve, -1);
  plot.bBreakOnXDecrease = true;
  const auto lines = Lines(Draw());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], (std::vector<Point>{At(5, 30), At(15, 40)}));
}

TEST_F(CurveDrawing, ThickLineNeedsTwoDistinctPoints) {
  TestCurve curve({10, 10, 20}, {10, 10, 10});
  Use(curve, 12);
  const auto lines = Lines(Draw());
  // Nothing at the first point, nothing between the coincident ones, four
  // shifted copies of the last segment.
  ASSERT_EQ(lines.size(), 4u);
  const Point a = At(10, 10), b = At(20, 10);
  EXPECT_EQ(lines[0], (std::vector<Point>{Point{a.x, a.y - 1}, Point{b.x, b.y - 1}}));
  EXPECT_EQ(lines[3], (std::vector<Point>{Point{a.x + 1, a.y}, Point{b.x + 1, b.y}}));
}

TEST_F(CurveDrawing, ConnectedSymbolsJoinButColourCodedCurvesDoNot) {
  TestCurve curve({10, 20, 30}, {10, 20, 30});
  Use(curve, 2);
  plot.ToggleConnectPoints();
  auto calls = Draw();
  EXPECT_EQ(CallsOf(calls, DrawKind::Ellipse).size(), 3u);
  EXPECT_EQ(Lines(calls).size(), 2u);
  const float values[] = {0.0f, 0.5f, 1.0f};
  plot.SetPointColorValues(0, values, 0, 2, 0);
  calls = Draw();
  EXPECT_EQ(Lines(calls).size(), 0u);
  const auto circles = CallsOf(calls, DrawKind::Ellipse);
  ASSERT_EQ(circles.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(circles[k].pen.color, plot.ValueToColor(values[k]));
    EXPECT_EQ(circles[k].brush.color, plot.ValueToColor(values[k]));
  }
  EXPECT_EQ(plot.fColorValueMax, 1.0f);
}

TEST_F(CurveDrawing, ColourCodingWithoutAnyNonZeroValueUsesTheCurveColour) {
  TestCurve curve({10, 20}, {10, 20});
  Use(curve, 2);
  const float zeros[] = {0.0f, 0.0f};
  plot.SetPointColorValues(0, zeros, 0, 1, 1);
  const auto calls = Draw();
  for (const DrawCall& c : CallsOf(calls, DrawKind::Ellipse))
    EXPECT_EQ(c.pen.color, Rgb(255, 0, 0));
  EXPECT_TRUE(CallsOf(calls, DrawKind::Polyline).empty());  // no projections
}

TEST_F(CurveDrawing, ProjectionsOfColourCodedPointsAreBlueAndGreenPolylines) {
  TestCurve curve({10, 10, 20}, {10, 20, 20});
  Use(curve, 9);
  const float values[] = {1.0f, 4.0f, 2.0f};
  plot.SetPointColorValues(0, values, 0, 2, 1);
  const auto lines = CallsOf(Draw(), DrawKind::Polyline);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].pen.color, Rgb(0, 0, 255));
  // Distinct x 10 and 20 with their largest values 4 and 2, of 4 at most.
  EXPECT_EQ(lines[0].points, (std::vector<Point>{At(10, 100), At(20, 50)}));
  EXPECT_EQ(lines[1].pen.color, Rgb(0, 255, 0));
  EXPECT_EQ(lines[1].points, (std::vector<Point>{At(25, 10), At(100, 20)}));
  EXPECT_EQ(plot.nProjX, 2);
  EXPECT_EQ(plot.nProjY, 2);
}

// More points than colour values: the points beyond them count as 0 in the
// projections instead of reading past the caller's values.
TEST_F(CurveDrawing, ProjectionsReadOnlyTheGivenColourValues) {
  TestCurve curve({10, 20, 30}, {10, 20, 30});
  Use(curve, 9);
  const std::vector<float> values = {2.0f, 4.0f};
  plot.SetPointColorValues(0, values.data(), 0, 1, 1);
  const auto calls = Draw();
  ASSERT_EQ(plot.nProjX, 3);
  EXPECT_EQ(plot.pProjXMax[3], 0.0f);
  // The third point has no colour value: drawn in the curve colour.
  const auto squares = CallsOf(calls, DrawKind::Rectangle);
  ASSERT_EQ(squares.size(), 3u);
  EXPECT_EQ(squares[2].brush.color, Rgb(255, 0, 0));
}

TEST_F(CurveDrawing, ZeroSymbolSizeGivesDotsStemsOrNothing) {
  TestCurve curve({10, 20}, {30, 40});
  plot.nSymbolSize = 0;
  Use(curve, 2);
  auto calls = Draw();
  EXPECT_TRUE(CallsOf(calls, DrawKind::Ellipse).empty());
  auto lines = Lines(calls);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (std::vector<Point>{At(10, 30), Point{At(10, 30).x + 1, At(10, 30).y + 1}}));
  plot.SetCurveStyle(0, 8);
  calls = Draw();
  EXPECT_TRUE(CallsOf(calls, DrawKind::Ellipse).empty());
  lines = Lines(calls);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], (std::vector<Point>{Point{At(20, 0).x, 475}, At(20, 40)}));
  OneBasedArray<float> left(1, 2), right(1, 2);
  plot.SetBarEdges(0, left.data(), right.data(), 2);
  plot.SetCurveStyle(0, 21);
  EXPECT_TRUE(Draw().empty());
}

TEST_F(CurveDrawing, HistogramBarsRunFromZeroToThePoint) {
  TestCurve curve({10, 20}, {30, 40});
  Use(curve, 21);
  OneBasedArray<float> left(1, 2), right(1, 2);
  left[1] = 5, right[1] = 15, left[2] = 15, right[2] = 25;
  plot.SetBarEdges(0, left.data(), right.data(), 2);
  const auto bars = CallsOf(Draw(), DrawKind::Rectangle);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[0].rect, (Rect{At(5, 0).x, At(0, 30).y, At(15, 0).x, 475}));
  EXPECT_EQ(bars[1].rect, (Rect{At(15, 0).x, At(0, 40).y, At(25, 0).x, 475}));
}

// The cells of a map are centred on their grid values: those of the first
// and last values would reach over the frame onto the axis labels, so they
// are cut at the frame; other curves drawn afterwards are not.
TEST_F(CurveDrawing, MapCellsAreCutAtTheFrame) {
  TestCurve cells({0, 50, 100}, {0, 50, 100});
  TestCurve squares({0, 100}, {0, 100});
  Use(cells, 11);
  Use(squares, 9);
  RecordingCanvas canvas;
  plot.DrawCurve(canvas, 0);
  plot.DrawCurve(canvas, 1);
  const auto rectangles = CallsOf(canvas.Calls(), DrawKind::Rectangle);
  ASSERT_EQ(rectangles.size(), 5u);
  const Rect frame{69, 75, 1329, 475};
  for (std::size_t k = 0; k < 3; ++k) {
    ASSERT_TRUE(rectangles[k].clip.has_value()) << k;
    EXPECT_EQ(*rectangles[k].clip, frame) << k;
  }
  // The end cells are whole rectangles over the frame; the clip cuts them.
  EXPECT_LT(rectangles[0].rect.left, frame.left);
  EXPECT_GT(rectangles[2].rect.right, frame.right);
  for (std::size_t k = 3; k < 5; ++k) EXPECT_FALSE(rectangles[k].clip.has_value()) << k;
}

TEST_F(CurveDrawing, OnALogarithmicXAxisZeroFallsLeftOfTheFrame) {
  TestCurve curve({0.0f}, {50.0f});
  Use(curve, 7);
  plot.bLogX = true;
  plot.SetRanges(0.5f, 2.0f, 0.0f, 100.0f);
  const auto lines = Lines(Draw());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][0], (Point{69 - 20, 275}));
}

TEST_F(CurveDrawing, UnmarkedPointsTakeTheirOwnColourStyleAndSize) {
  TestCurve curve({10, 20, 30}, {10, 20, 30});
  Use(curve, 2);
  const int marks[] = {0, 1, 0, 1};
  plot.SetPointMarks(marks, 3, 5, Rgb(200, 200, 200), 3);
  const auto calls = Draw();
  const auto circles = CallsOf(calls, DrawKind::Ellipse);
  ASSERT_EQ(circles.size(), 2u);
  EXPECT_EQ(circles[0].pen.color, Rgb(255, 0, 0));
  const auto lines = Lines(calls);  // the square of the unmarked point
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].front(), (Point{At(20, 20).x - 3, At(20, 20).y - 3}));
  for (const auto& c : CallsOf(calls, DrawKind::Line)) EXPECT_EQ(c.pen.color, Rgb(200, 200, 200));
}

TEST_F(CurveDrawing, LegendRowsFollowTheCurveIndex) {
  TestCurve a({10}, {10}), b({20}, {20});
  Use(a, 7);
  Use(b, 7);
  plot.SetCurveColor(1, Rgb(0, 128, 0));
  plot.SetLegendText(1, "fit");
  plot.ShowLegend();
  EXPECT_TRUE(CallsOf(Draw(0), DrawKind::Text).empty());
  const auto texts = CallsOf(Draw(1), DrawKind::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "fit");
  EXPECT_EQ(texts[0].points[0], (Point{69 + 5, 75 + 20 + 5}));
  EXPECT_EQ(texts[0].textColor, Rgb(0, 128, 0));
}

TEST_F(CurveDrawing, ErrorBarsEndInCaps) {
  TestCurve curve({50}, {50});
  Use(curve, 7);
  OneBasedArray<float> low(1, 1), high(1, 1);
  low[1] = 40, high[1] = 55;
  plot.SetLowErrorValues(0, low.data(), 1);
  plot.SetHighErrorValues(0, high.data(), 1);
  const int cap = PlotSettings.ErrorBarCapWidth;
  const auto lines = Lines(Draw());
  const Point p = At(50, 50);
  ASSERT_EQ(lines.size(), 5u);  // the dot, then cap and bar for each end
  EXPECT_EQ(lines[1],
            (std::vector<Point>{Point{p.x - cap, At(0, 40).y}, Point{p.x + cap, At(0, 40).y}}));
  EXPECT_EQ(lines[2], (std::vector<Point>{Point{p.x, At(0, 40).y}, p}));
  EXPECT_EQ(lines[4], (std::vector<Point>{Point{p.x, At(0, 55).y}, p}));
  PlotSettings.ErrorBarCapWidth = 8;
}

TEST_F(CurveDrawing, ValueLabelsWriteTheScaledYValue) {
  TestCurve curve({10, 20}, {2.5f, 40});
  Use(curve, 4);
  plot.fLabelFactor = 2.0f;
  const auto texts = CallsOf(Draw(), DrawKind::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "5");
  EXPECT_EQ(texts[1].text, "80");
  EXPECT_TRUE(texts[0].align.updateCurrentPosition);
}

TEST_F(CurveDrawing, FilledPolygonStyleDrawsTheWholeCurveOnce) {
  TestCurve curve({10, 20, 30}, {10, 50, 10});
  Use(curve, 20);
  const auto polygons = CallsOf(Draw(), DrawKind::Polygon);
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].points, (std::vector<Point>{At(10, 10), At(20, 50), At(30, 10)}));
}

// A y vector shorter than the x vector: only points with both values exist.
TEST_F(CurveDrawing, AShorterYVectorLimitsThePoints) {
  TestCurve curve({10, 20, 30, 40}, {10, 20});
  Use(curve, -1);
  EXPECT_EQ(Lines(Draw()).size(), 1u);
}

TEST(DashedSegment, LongSegmentsGiveDashesEndingShortOfThePoint) {
  RecordingCanvas canvas;
  DashPhase = 0;
  CWINPlot::DrawDashedSegment(canvas, 0, 0, 50, 0);
  const auto lines = Lines(canvas.Calls());
  // Dashes from 0, 10, 20, 30, 40; the running point at 50 is within 10.
  ASSERT_EQ(lines.size(), 5u);
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(lines[k], (std::vector<Point>{Point{10 * k, 0}, Point{10 * k + 5, 0}}));
  EXPECT_EQ(DashPhase, 1);
  EXPECT_EQ(canvas.CurrentPosition(), (Point{50, 0}));
}

TEST(DashedSegment, DensePointsAlternateDotAndGap) {
  RecordingCanvas canvas;
  DashPhase = 1;
  for (int x = 0; x < 6; ++x) CWINPlot::DrawDashedSegment(canvas, x, 0, x + 1, 0);
  const auto lines = Lines(canvas.Calls());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0][0], (Point{0, 0}));
  EXPECT_EQ(lines[1][0], (Point{2, 0}));
  EXPECT_EQ(lines[2][0], (Point{4, 0}));
  // A short segment of 3 or 4 units draws its first half.
  canvas.Clear();
  CWINPlot::DrawDashedSegment(canvas, 0, 0, 4, 0);
  EXPECT_EQ(Lines(canvas.Calls()), (std::vector<std::vector<Point>>{{Point{0, 0}, Point{2, 0}}}));
}

TEST_F(CurveDrawing, DashedStyleEndsWithADotWhenADashIsDue) {
  TestCurve curve({10, 30, 50}, {50, 50, 50});
  Use(curve, 14);
  DashPhase = 0;
  const auto lines = Lines(Draw());
  // A dot at the first point, dashes towards the second, a dot at the last.
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front()[0], At(10, 50));
  EXPECT_EQ(lines.back(), (std::vector<Point>{At(50, 50), Point{At(50, 50).x + 1, 276}}));
}

}  // namespace
