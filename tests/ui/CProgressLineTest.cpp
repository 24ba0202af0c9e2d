// The progress indicator: what an update draws, growth only, the gate of the
// main window's first paint, the window put back as it was, the ring form,
// and a value that several threads raise at once.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "WidgetTestSupport.h"
#include "ui/CProgressLine.h"

namespace {

using platform::DrawKind;
using platform::Point;

class CProgressLineTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    AllowDrawing(true);
  }
};

TEST_F(CProgressLineTest, BarOverItsTrackGrowingOnly) {
  CProgressLine line;
  platform::RecordingCanvas window;
  line.Place(window, 10, 50);
  EXPECT_TRUE(window.Calls().empty());  // 0 is not above the start value
  EXPECT_TRUE(line.BackgroundSaved);
  EXPECT_EQ(line.BackgroundRect, (platform::Rect{9, 47, 112, 54}));

  line.Update(0.5f, window);
  const auto lines = window.CallsOf(DrawKind::Line);
  ASSERT_EQ(lines.size(), 8u);
  const int rows[4] = {50, 51, 52, 49};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i].points, (std::vector<Point>{{10, rows[i]}, {110, rows[i]}}));
    EXPECT_EQ(lines[i].pen.color, platform::Rgb(200, 200, 200));
    EXPECT_EQ(lines[4 + i].points, (std::vector<Point>{{10, rows[i]}, {60, rows[i]}}));
    EXPECT_EQ(lines[4 + i].pen.color, platform::Rgb(255, 0, 0));
  }

  struct Case {
    float value;
    bool draws;
  };
  for (const Case c : {Case{0.3f, false}, Case{0.5f, false}, Case{0.75f, true}, Case{0.7f, false},
                       Case{1.0f, true}}) {
    window.Clear();
    line.UpdateOnDC(c.value, window);
    EXPECT_EQ(!window.Calls().empty(), c.draws) << c.value;
  }
  EXPECT_FLOAT_EQ(line.Value, 1.0f);
}

TEST_F(CProgressLineTest, ColoursAndAFullBar) {
  CProgressLine line;
  line.SetBlue();
  platform::RecordingCanvas window;
  line.Place(window, 0, 20);
  // A value past the maximum fills the bar and stops at its end.
  line.Update(1.5f, window);
  const auto lines = window.CallsOf(DrawKind::Line);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[4].pen.color, platform::Rgb(0, 100, 255));
  EXPECT_EQ(lines[4].points[1], (Point{100, 20}));
  line.SetPurple();
  EXPECT_EQ(line.LinePen.color, platform::Rgb(180, 0, 180));
}

TEST_F(CProgressLineTest, NothingBeforeTheFirstPaint) {
  AllowDrawing(false);
  CProgressLine line;
  PixelCanvas window(Pattern(200, 100));
  const platform::RgbImage before = window.pixels;
  line.Place(window, 10, 50);
  line.Update(0.5f, window);
  EXPECT_FALSE(line.Remove(window));
  EXPECT_FALSE(line.BackgroundSaved);
  EXPECT_TRUE(window.Calls().empty());
  EXPECT_EQ(window.pixels, before);
  EXPECT_FLOAT_EQ(line.Value, 0.0f);
}

TEST_F(CProgressLineTest, RemoveLeavesTheWindowAsItWas) {
  CProgressLine line;
  PixelCanvas window(Pattern(200, 100));
  const platform::RgbImage before = window.pixels;
  line.Place(window, 10, 50);
  line.Update(0.4f, window);
  line.Update(1.0f, window);
  ASSERT_NE(window.pixels, before);
  ASSERT_TRUE(line.Remove(window));
  EXPECT_EQ(window.pixels, before);
}

TEST_F(CProgressLineTest, RingFillsClockwiseAndCloses) {
  CProgressLine line;
  line.ArcForm = true;
  platform::RecordingCanvas window;
  line.Place(window, 10, 50);
  // c = 3: the square 10..28 x 41..59 around the centre (19, 50), and the
  // saved pixels take in the whole ring grown by 2.
  EXPECT_EQ(line.ArcRect.Normalized(), (platform::Rect{10, 41, 28, 59}));
  EXPECT_EQ(line.ArcStart, (Point{19, 41}));
  const platform::Rect saved = line.BackgroundRect;
  EXPECT_LE(saved.left, 8);
  EXPECT_LE(saved.top, 39);
  EXPECT_GE(saved.right, 30);
  EXPECT_GE(saved.bottom, 61);

  line.Update(0.25f, window);
  auto arcs = window.CallsOf(DrawKind::Arc);
  ASSERT_EQ(arcs.size(), 6u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(arcs[i].pen.color, line.LineColour);
    EXPECT_EQ(arcs[i].points[0], arcs[i].points[1]);  // a full circle
    EXPECT_EQ(arcs[i].rect, (platform::Rect{10 - i, 41 - i, 28 + i, 59 + i}));
    // A quarter of 6.3 rad points to three o'clock: from there the track
    // colour runs counter-clockwise round to twelve.
    EXPECT_EQ(arcs[3 + i].pen.color, line.TrackColour);
    EXPECT_EQ(arcs[3 + i].points[0], (Point{19, 41}));
    EXPECT_EQ(arcs[3 + i].points[1], (Point{19 + 99, 51}));
  }

  window.Clear();
  line.Update(1.0f, window);
  arcs = window.CallsOf(DrawKind::Arc);
  ASSERT_EQ(arcs.size(), 3u);  // the full ring alone
  for (const auto& a : arcs) EXPECT_EQ(a.pen.color, line.LineColour);
}

TEST_F(CProgressLineTest, ThreadsRaisingTheValueLeaveTheLargest) {
  CProgressLine line;
  platform::RecordingCanvas placement;
  line.Place(placement, 10, 50);
  constexpr int kThreads = 4, kSteps = 2000;
  std::vector<std::thread> workers;
  std::vector<platform::RecordingCanvas> canvases(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    // Each worker reports on a canvas of its own: a canvas is not shared.
    workers.emplace_back([&line, &canvases, t] {
      for (int s = 1; s <= kSteps; ++s)
        line.UpdateOnDC(static_cast<float>(s * kThreads + t) / (kSteps * kThreads), canvases[t]);
    });
  }
  for (auto& w : workers) w.join();
  EXPECT_FLOAT_EQ(line.Value,
                  static_cast<float>(kSteps * kThreads + kThreads - 1) / (kSteps * kThreads));
  // What each worker drew never shrinks.
  for (const auto& c : canvases) {
    const auto lines = c.CallsOf(DrawKind::Line);
    ASSERT_EQ(lines.size() % 8, 0u);
    for (std::size_t k = 12; k < lines.size(); k += 8)
      EXPECT_GE(lines[k].points[1].x, lines[k - 8].points[1].x);
  }
}

}  // namespace
