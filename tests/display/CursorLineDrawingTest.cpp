// Cursor lines and the rubber band drawn straight into the window.
#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "display/CursorLineDrawing.h"
#include "display/WindowCoordinates.h"
#include "platform/RecordingCanvas.h"

namespace {

// A 700 x 500 window: the data plot's lines span rows 25 .. 237.
class CursorLines : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MainPlotLayout.ClientWidth = 700;
    MainPlotLayout.ClientHeight = 500;
  }
  RasterHost host{700, 500};
};

int InkedInColumn(const platform::RgbImage& image, int x) {
  return InkedPixels(image, x, 0, x + 1, image.Height());
}

TEST_F(CursorLines, SolidLineSpansTheDataPlotInItsColour) {
  const platform::Color red = display::CursorLineColour(CursorLineKind::MeniscusLine);
  display::DrawCursorLine(&host, 300, red);
  const platform::RgbImage image = host.Snapshot();
  EXPECT_EQ(image.At(300, 25), red);
  EXPECT_EQ(image.At(300, 236), red);
  EXPECT_EQ(image.At(300, 24), platform::kWhite);
  EXPECT_EQ(image.At(300, 238), platform::kWhite);
  EXPECT_EQ(InkedInColumn(image, 299) + InkedInColumn(image, 301), 0);
}

TEST_F(CursorLines, LinesMoveToTheEquilibriumScreenExtent) {
  ScreenModes.MStarScreenActive = true;
  display::DrawCursorLine(&host, 300, platform::kBlack);
  const platform::RgbImage image = host.Snapshot();
  EXPECT_EQ(image.At(300, 25), platform::kBlack);
  EXPECT_EQ(image.At(300, 224), platform::kBlack);
  EXPECT_EQ(image.At(300, 226), platform::kWhite);
}

TEST_F(CursorLines, ColoursOfTheLineKinds) {
  using K = CursorLineKind;
  const struct {
    K kind;
    platform::Color colour;
  } cases[] = {{K::MeniscusLine, platform::Rgb(255, 0, 0)},
               {K::ReferenceMeniscusLine, platform::Rgb(255, 0, 255)},
               {K::BottomLine, platform::Rgb(0, 0, 255)},
               {K::FitLeftLine, platform::Rgb(0, 255, 0)},
               {K::FitRightLine, platform::Rgb(0, 255, 0)},
               {K::MeniscusLowLine, platform::Rgb(200, 200, 200)},
               {K::BottomHighLine, platform::Rgb(200, 200, 200)}};
  for (const auto& c : cases) EXPECT_EQ(display::CursorLineColour(c.kind), c.colour);
}

TEST_F(CursorLines, DashedLineHasEqualDashesAndEmptyEnd) {
  platform::RecordingCanvas canvas;
  MainPlotLayout.ClientHeight = 1000;  // rows are plot-space units
  display::DrawDashedCursorLine(canvas, 50, platform::kBlack, 30);
  const auto lines = canvas.CallsOf(platform::DrawKind::Line);
  ASSERT_EQ(lines.size(), 30u);
  const double d = 425.0 / 61.0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_NEAR(lines[i].points[0].y, 50 + 2 * d * static_cast<double>(i), 1.0) << i;
    EXPECT_NEAR(lines[i].points[1].y - lines[i].points[0].y, d, 1.0) << i;
  }
  EXPECT_LE(lines.back().points[1].y, static_cast<int>(475 - d) + 1);
  canvas.Clear();
  display::DrawDashedCursorLine(canvas, 50, platform::kBlack, 0);
  EXPECT_TRUE(canvas.Calls().empty());
  display::DrawDashedCursorLine(canvas, 50, platform::kBlack, 1);
  EXPECT_EQ(canvas.CallsOf(platform::DrawKind::Line).size(), 1u);
}

TEST_F(CursorLines, InvertingLineDrawnTwiceRestoresThePicture) {
  display::DrawCursorLine(&host, 200, platform::Rgb(0, 0, 255));
  const platform::RgbImage before = host.Snapshot();
  display::XorCursorLine(&host, 200, true);
  const platform::RgbImage drawn = host.Snapshot();
  EXPECT_EQ(drawn.At(200, 100), platform::Rgb(255, 255, 0));  // blue inverted
  EXPECT_EQ(drawn.At(200, 10), platform::kWhite);
  display::XorCursorLine(&host, 0, true);
  EXPECT_EQ(CursorLineState.LastXorLineX, 0);
  const platform::RgbImage after = host.Snapshot();
  for (int y = 0; y < 500; ++y) ASSERT_EQ(after.At(200, y), before.At(200, y)) << y;
}

TEST_F(CursorLines, InvertingLineMovesAndForgets) {
  // Twice at the same column with erasing: the line is there once.
  display::XorCursorLine(&host, 300, true);
  display::XorCursorLine(&host, 300, true);
  EXPECT_EQ(host.Snapshot().At(300, 100), platform::kBlack);
  // Moving erases the old column.
  display::XorCursorLine(&host, 320, true);
  EXPECT_EQ(host.Snapshot().At(300, 100), platform::kWhite);
  EXPECT_EQ(host.Snapshot().At(320, 100), platform::kBlack);
  // Without erasing a further line stays and the old one is forgotten.
  display::XorCursorLine(&host, 340, false);
  display::XorCursorLine(&host, 0, true);
  EXPECT_EQ(host.Snapshot().At(320, 100), platform::kBlack);
  EXPECT_EQ(host.Snapshot().At(340, 100), platform::kWhite);
}

TEST_F(CursorLines, RubberBandOnlyWhileTheRightButtonIsDown) {
  display::XorRectangle(&host, false, 10, 10, 100, 80);
  EXPECT_EQ(InkedPixels(host.Snapshot(), 0, 0, 700, 500), 0);
  display::XorRectangle(&host, true, 10, 10, 10, 10);
  EXPECT_EQ(InkedPixels(host.Snapshot(), 0, 0, 700, 500), 0);
  display::XorRectangle(&host, true, 10, 10, 100, 80);
  const platform::RgbImage drawn = host.Snapshot();
  EXPECT_EQ(drawn.At(10, 50), platform::kBlack);
  EXPECT_EQ(drawn.At(50, 80), platform::kBlack);
  EXPECT_EQ(drawn.At(50, 50), platform::kWhite);
  display::XorRectangle(&host, true, 10, 10, 100, 80);
  EXPECT_EQ(InkedPixels(host.Snapshot(), 0, 0, 700, 500), 0);
}

TEST_F(CursorLines, RedrawnLinesOfTheDataPlot) {
  LoadSyntheticScans(2, 11);
  display::BuildMainDataPlots();
  const CWINPlot& plot = *display::MainPlots.DataPlot;
  ModelParameters.Meniscus = 6.05f;
  ModelParameters.Bottom = 6.95f;
  ScanDataSet.FitLeftLim = 6.1f;
  ScanDataSet.FitRightLim = 6.9f;
  FitControl.MINMENISCUS = 6.03f;
  display::RedrawCursorLines(&host);
  const platform::RgbImage image = host.Snapshot();
  const auto colourAt = [&](float v) { return image.At(display::ValueToWindowX(plot, v), 100); };
  EXPECT_EQ(colourAt(6.05f), platform::Rgb(255, 0, 0));
  EXPECT_EQ(colourAt(6.95f), platform::Rgb(0, 0, 255));
  EXPECT_EQ(colourAt(6.1f), platform::Rgb(0, 255, 0));
  EXPECT_EQ(colourAt(6.9f), platform::Rgb(0, 255, 0));
  const int rangeColumn = display::ValueToWindowX(plot, 6.03f);
  EXPECT_GT(InkedInColumn(image, rangeColumn), 50);
  EXPECT_LT(InkedInColumn(image, rangeColumn), 150);  // dashed: about half the extent
}

}  // namespace
