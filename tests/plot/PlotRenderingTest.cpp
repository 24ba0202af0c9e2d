// Rendering a plot into its picture: what is drawn, where, in which order
// and with which fonts; the picture kept by the plot; the second pass after
// a point fell outside a free range; function plots and background pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PlotTestCurves.h"
#include "support/TestSupport.h"

using platform::DrawCall;
using platform::DrawKind;
using platform::HAlign;
using platform::Point;
using platform::Rect;
using platform::Rgb;
using platform::VAlign;

namespace {

const DrawCall* FindText(const std::vector<DrawCall>& calls, const std::string& text,
                         std::optional<HAlign> align = std::nullopt) {
  for (const DrawCall& c : calls)
    if (c.kind == DrawKind::Text && c.text == text && (!align || c.align.horizontal == *align))
      return &c;
  return nullptr;
}

std::unique_ptr<CWINPlot> PlacedPlot(CCurve* curve) {
  auto plot = std::make_unique<CWINPlot>();
  plot->Place(75, 50, 475, 950);
  plot->AddCurve(curve);
  return plot;
}

TEST(PlotRendering, APlotWithoutCurvesKeepsItsPicture) {
  auto curve = SampledCurve(3, 0, 1, [](float x) { return x; });
  CWINPlot plot;
  EXPECT_EQ(plot.Render(), 0);
  EXPECT_TRUE(plot.hMetaFile.IsNull());
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(curve->get());
  ASSERT_EQ(plot.Render(), 1);
  EXPECT_TRUE(plot.bOwnsMetaFile);
  const std::size_t operations = plot.hMetaFile.Operations().size();
  plot.ClearCurves();
  EXPECT_EQ(plot.Render(), 0);
  EXPECT_EQ(plot.hMetaFile.Operations().size(), operations);
}

TEST(PlotRendering, PictureIsInThePlotSpaceAndEachRenderingReplacesIt) {
  auto curve = SampledCurve(3, 0, 1, [](float x) { return x; });
  auto plot = PlacedPlot(curve->get());
  const platform::Metafile first = plot->hMetaFile;
  ASSERT_TRUE(first.WindowExtent().has_value());
  EXPECT_EQ(*first.WindowExtent(), (platform::Size{1399, 1000}));
  plot->SetTopTitle("again");
  ASSERT_EQ(plot->Render(), 1);
  EXPECT_NE(plot->hMetaFile.Operations().size(), first.Operations().size());
  EXPECT_FALSE(first.IsNull());  // a copy someone kept stays valid
}

TEST(PlotRendering, EveryNthCurveIsDrawn) {
  std::vector<std::unique_ptr<TestCurve>> curves;
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  for (int c = 0; c < 7; ++c) {
    curves.push_back(SampledCurve(2, 0, 10, [c](float) { return static_cast<float>(c); }));
    plot.AddCurve(curves.back()->get());
    plot.SetCurveColor(c, Rgb(c + 1, 0, 0));
    plot.SetCurveStyle(c, 7);  // a dot at each drawn point
  }
  plot.nEvery = 3;  // also every third point: the first point of each curve
  plot.Render();
  std::vector<int> drawn;
  for (const DrawCall& c : CallsOf(Replay(plot.hMetaFile), DrawKind::Line))
    if (c.pen.color.red >= 1 && c.pen.color.red <= 7) drawn.push_back(c.pen.color.red - 1);
  EXPECT_EQ(drawn, (std::vector<int>{0, 3, 6}));
}

// A count of zero would never advance to the next curve.
TEST(PlotRendering, NonPositiveEveryCountDrawsEveryCurve) {
  auto a = SampledCurve(2, 0, 10, [](float) { return 1.0f; });
  auto b = SampledCurve(2, 0, 10, [](float) { return 2.0f; });
  auto plot = PlacedPlot(a->get());
  plot->AddCurve(b->get());
  plot->SetCurveColor(1, Rgb(0, 0, 255));
  plot->nEvery = 0;
  ASSERT_EQ(plot->Render(), 1);
  int curveLines = 0;
  for (const DrawCall& c : CallsOf(Replay(plot->hMetaFile), DrawKind::Line))
    curveLines += c.pen.color == Rgb(255, 0, 0) || c.pen.color == Rgb(0, 0, 255);
  EXPECT_EQ(curveLines, 2);
}

// A fixed range of no width has no finite mapping; mapped values still land
// on defined logical units, so symbols around them can be drawn.
TEST(PlotRendering, AZeroWidthRangeStillRenders) {
  auto curve = SampledCurve(5, 0, 1, [](float x) { return x; });
  auto plot = PlacedPlot(curve->get());
  plot->SetCurveStyle(0, 1);
  plot->SetXRange(2.0f, 2.0f);
  ASSERT_EQ(plot->Render(), 1);
  for (float x : {1.0f, 2.0f, 3.0f}) {
    EXPECT_LE(plot->MapX(x), 1000000);
    EXPECT_GE(plot->MapX(x), -1000000);
  }
}

TEST(PlotRendering, DrawingOrderBackgroundIntervalsCurvesFrame) {
  auto curve = SampledCurve(5, 0, 1, [](float x) { return x; });
  const float band[] = {1.0f, 2.0f};
  CVector interval(2u, band);
  auto plot = PlacedPlot(curve->get());
  plot->AddShadedInterval(&interval);
  plot->SetCurveStyle(0, 9);
  plot->Render();
  const auto rects = CallsOf(Replay(plot->hMetaFile), DrawKind::Rectangle);
  ASSERT_GE(rects.size(), 8u);
  // The first rendering (when the curve was added) widened the background
  // for the labels 0 .. 4, one character each.
  EXPECT_EQ(rects[0].rect, (Rect{69 - 8 - 17 - 10, 67, 1337, 503}));
  EXPECT_EQ(rects[0].brush.color, Rgb(255, 255, 255));
  EXPECT_EQ(rects[0].pen.style, platform::PenStyle::Null);
  EXPECT_EQ(rects[1].brush.color, Rgb(230, 250, 230));
  EXPECT_EQ(rects[1].rect.top, 75);
  EXPECT_EQ(rects[1].rect.bottom, 475);
  EXPECT_NEAR(rects[1].rect.left, plot->MapX(1.0f), 0);
  for (int k = 2; k < 7; ++k) EXPECT_EQ(rects[k].brush.color, Rgb(255, 0, 0));
  EXPECT_EQ(rects[7].rect, (Rect{69, 75, 1329, 475}));
  EXPECT_EQ(rects[7].brush.style, platform::BrushStyle::Null);
}

// Labels of -0.2 .. 0.2: baselines 5 below their ticks, right ends 10 left of
// the frame; four characters make the width estimate 68, and the y title
// stands with its bottom edge at 34 + 8 left of the frame.
TEST(PlotRendering, YLabelsAndTheTitleBesideThem) {
  auto curve = SampledCurve(5, 0, 1, [](float x) { return x; });
  auto plot = PlacedPlot(curve->get());
  plot->SetRanges(0, 4, -0.25f, 0.25f);
  plot->SetYTitle("residuals");
  plot->SetYBottomLabel("low");
  plot->Render();
  const auto calls = Replay(plot->hMetaFile);
  for (const char* label : {"-0.2", "-0.1", "0", "0.1", "0.2"}) {
    const DrawCall* t = FindText(calls, label, HAlign::Right);
    ASSERT_NE(t, nullptr) << label;
    EXPECT_EQ(t->points[0].x, 69 - 10);
    EXPECT_EQ(t->align.horizontal, HAlign::Right);
    EXPECT_EQ(t->align.vertical, VAlign::Baseline);
    EXPECT_NEAR(t->points[0].y, plot->MapY(std::stof(label)) + 5, 1);
    EXPECT_EQ(t->font.height, 17);
  }
  const DrawCall* title = FindText(calls, "residuals");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->points[0], (Point{69 - 34 - 8, 275}));
  EXPECT_EQ(title->align.horizontal, HAlign::Center);
  EXPECT_EQ(title->align.vertical, VAlign::Bottom);
  EXPECT_EQ(title->font.escapement, 900);
  EXPECT_EQ(title->font.height, 19);
  const DrawCall* low = FindText(calls, "low");
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(low->points[0], (Point{69 - 34 - 8, 475}));
  EXPECT_EQ(FindText(calls, ""), nullptr);  // the top label was never set
  // The background widens for the labels from the next rendering on.
  EXPECT_EQ(plot->nBgLeft, 69 - 8 - 68 - 10);
}

TEST(PlotRendering, XTicksLabelsAndTitles) {
  auto curve = SampledCurve(5, 6.0f, 0.3f, [](float x) { return x; });
  auto plot = PlacedPlot(curve->get());
  plot->SetXTitle("radius (cm)");
  plot->SetTopTitle("Sedimentation velocity");
  plot->Render();
  const auto calls = Replay(plot->hMetaFile);
  for (const char* label : {"6", "6.5", "7"}) {
    const DrawCall* t = FindText(calls, label);
    ASSERT_NE(t, nullptr) << label;
    EXPECT_EQ(t->points[0].y, 475 + 8 + 2);
    EXPECT_EQ(t->align.horizontal, HAlign::Center);
    EXPECT_EQ(t->align.vertical, VAlign::Top);
    // Tick below the frame and, on all sides, above it.
    const int x = t->points[0].x;
    int ticks = 0;
    for (const DrawCall& c : CallsOf(calls, DrawKind::Line))
      if (c.points[0].x == x && c.points[1].x == x &&
          ((c.points[0].y == 475 && c.points[1].y == 483) ||
           (c.points[0].y == 75 && c.points[1].y == 67)))
        ++ticks;
    EXPECT_EQ(ticks, 2) << label;
  }
  const DrawCall* xTitle = FindText(calls, "radius (cm)");
  ASSERT_NE(xTitle, nullptr);
  EXPECT_EQ(xTitle->points[0], (Point{699, 475 + 8 + 17 + 2}));
  EXPECT_EQ(xTitle->font.height, 19);
  const DrawCall* top = FindText(calls, "Sedimentation velocity");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->points[0], (Point{699, 75 - 32 - 2}));
  EXPECT_EQ(top->font.height, 32);
  EXPECT_EQ(top->backgroundMode, platform::BackgroundMode::Transparent);
}

TEST(PlotRendering, WithoutAYAxisNoYTicksAndANarrowBackground) {
  auto curve = SampledCurve(5, 0, 1, [](float x) { return x; });
  CWINPlot plot;
  plot.bNoYAxis = true;
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(curve->get());
  plot.SetYTitle("count");
  plot.nBgLeft = 0;  // a rendering puts it back
  plot.Render();
  const auto calls = Replay(plot.hMetaFile);
  for (const DrawCall& c : CallsOf(calls, DrawKind::Text))
    EXPECT_NE(c.align.horizontal, HAlign::Right) << c.text;
  for (const DrawCall& c : CallsOf(calls, DrawKind::Line))
    EXPECT_FALSE(c.points[0].x == 69 && c.points[1].x < 69);
  const DrawCall* title = FindText(calls, "count");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->points[0].x, 69 - 8);
  EXPECT_EQ(plot.nBgLeft, 64);
  EXPECT_EQ(plot.nBgRight, 1334);
}

TEST(PlotRendering, HiddenTickLabelsAndRightLabels) {
  auto curve = SampledCurve(5, 0, 1, [](float x) { return x; });
  auto plot = PlacedPlot(curve->get());
  plot->SetRanges(0, 4, 0, 1);
  plot->ShowRightYLabels();
  plot->Render();
  std::optional<DrawCall> right;
  for (const DrawCall& c : CallsOf(Replay(plot->hMetaFile), DrawKind::Text))
    if (c.text == "0.5" && c.align.horizontal == HAlign::Left) right = c;
  ASSERT_TRUE(right.has_value());
  EXPECT_EQ(right->points[0].x, 1329 + 10);
  plot->HideTickLabels();
  plot->Render();
  EXPECT_TRUE(CallsOf(Replay(plot->hMetaFile), DrawKind::Text).empty());
}

TEST(ColorBar, StepsFollowTheFrameHeight) {
  const int cases[][2] = {{400, 41}, {9, 2}, {0, 2}, {10, 2}, {20, 3}, {320, 33}};
  for (const auto& c : cases) EXPECT_EQ(ColorBarSteps(c[0]), c[1]) << c[0];
}

TEST(ColorBar, RampStepsOutlineLabelsAndScale) {
  TestCurve curve({1, 2, 3}, {1, 2, 3});
  const float values[] = {0.0f, 2.0f, 4.0f};
  auto plot = PlacedPlot(curve.get());
  plot->SetPointColorValues(0, values, 0, 2, 0);
  plot->bShowColorBar = true;
  plot->nColorBarOffset = 30;
  plot->SetColorBarEndLabels(0, "low", "high");
  plot->ShowColorBarScale();
  plot->Render();
  const auto calls = Replay(plot->hMetaFile);
  const int left = 1329 + 30;
  std::vector<DrawCall> steps;
  for (const DrawCall& c : CallsOf(calls, DrawKind::Rectangle))
    if (c.rect.left == left) steps.push_back(c);
  ASSERT_EQ(steps.size(), 41u);
  EXPECT_EQ(steps[0].rect, (Rect{left, 475 - 15, left + 21, 475 - 5}));
  EXPECT_EQ(steps[0].brush.color, plot->ValueToColor(1.0 / 41));
  EXPECT_EQ(steps[40].rect.top, 75);
  EXPECT_EQ(steps[40].brush.color, plot->ValueToColor(1.0));
  const DrawCall* low = FindText(calls, "low");
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(low->points[0], (Point{left + 22, 480}));
  // The scale runs from 0 to the largest colour value, 4.
  std::optional<DrawCall> two;
  for (const DrawCall& c : CallsOf(calls, DrawKind::Text))
    if (c.text == "2" && c.points[0].x == left + 30) two = c;
  ASSERT_TRUE(two.has_value());
  EXPECT_EQ(two->points[0].y, 275 + 5);
  // No colour bar for a plot drawn without its curves.
  plot->bNoCurves = true;
  plot->Render();
  for (const DrawCall& c : CallsOf(Replay(plot->hMetaFile), DrawKind::Rectangle))
    EXPECT_NE(c.rect.left, left);
}

TEST(PlotRendering, APointOutsideAFreeRangeCausesOneMoreLayout) {
  auto curve = SampledCurve(5, 0, 1, [](float x) { return x; });
  auto plot = PlacedPlot(curve->get());
  curve->y()[2] = 50.0f;  // changed after the last layout
  ASSERT_EQ(plot->Render(), 1);
  EXPECT_NEAR(plot->fYMax, 52.5f, 1e-4);
  // With both ranges fixed the point is left out and nothing is laid out.
  plot->SetRanges(0, 4, 0, 10);
  curve->y()[2] = 80.0f;
  ASSERT_EQ(plot->Render(), 1);
  EXPECT_EQ(plot->fYMax, 10.0f);
}

TEST_F(HeadlessTest, PlotFunctionJoinsSegmentEndsOverTheXRange) {
  auto curve = SampledCurve(2, 0, 1, [](float x) { return x; });
  CWINPlot empty;
  platform::RecordingCanvas canvas;
  empty.PlotFunction(
      canvas, [](float x) { return x; }, 4, Rgb(0, 0, 255));
  EXPECT_EQ(LogLinesWith("Plot function without data not yet implemented").size(), 1u);
  EXPECT_TRUE(canvas.Calls().empty());
  auto plot = PlacedPlot(curve->get());
  plot->SetRanges(0, 1, 0, 1);
  plot->PlotFunction(
      canvas, [](float x) { return x * x; }, 4, Rgb(0, 0, 255));
  const auto lines = CallsOf(canvas.Calls(), DrawKind::Line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].points[0], (Point{plot->MapX(0), plot->MapY(0)}));
  for (int i = 1; i <= 4; ++i) {
    const float x = 0.25f * i;
    EXPECT_EQ(lines[i - 1].points[1], (Point{plot->MapX(x), plot->MapY(x * x)}));
    EXPECT_EQ(lines[i - 1].pen.color, Rgb(0, 0, 255));
  }
}

TEST(PlotRendering, BackgroundPictureIsOpenForTheCaller) {
  auto curve = SampledCurve(2, 0, 1, [](float x) { return x; });
  auto plot = PlacedPlot(curve->get());
  auto recorder = plot->CreateBackgroundMetafile();
  recorder->DrawLine(Point{0, 0}, Point{10, 10});
  const platform::Metafile picture = recorder->Close();
  EXPECT_EQ(*picture.WindowExtent(), (platform::Size{1399, 1000}));
  const auto calls = Replay(picture);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].rect, (Rect{plot->nBgLeft, 67, 1337, 503}));
  EXPECT_EQ(calls[0].pen.color, Rgb(0, 0, 0));
}

}  // namespace
