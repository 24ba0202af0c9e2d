// The main plots on a printed page.
#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "display/MainWindowPaint.h"
#include "platform/RecordingCanvas.h"

namespace {

class PrintedPage : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    LoadSyntheticScans(4, 41, /*reversedOrder=*/true);
    display::BuildMainDataPlots();
    display::LayoutAndRenderMainPlots();
    PaintState.DisclaimerPending = false;
    PaintState.PrintingFlag = true;
    display::MainDisplayLinks.PaintFitResultLines = [this](platform::Canvas&, int x, int y) {
      fitLines.push_back({x, y});
    };
  }
  void PrintPage() {
    page.Clear();
    display::PaintMainWindow(page, false, {nullptr, {700, 500}, false});
  }
  platform::RecordingCanvas page;
  std::vector<platform::Point> fitLines;
};

TEST_F(PrintedPage, AsksOncePerPageForTheFitInformation) {
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  PrintPage();
  EXPECT_EQ(LogLinesWith("print with last best-fit information?").size(), 1u);
  ASSERT_EQ(fitLines.size(), 1u);
  EXPECT_EQ(fitLines[0], (platform::Point{300, 100}));
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  PrintPage();
  EXPECT_EQ(LogLinesWith("print with last best-fit information?").size(), 2u);
  EXPECT_EQ(fitLines.size(), 1u);
  // Printing is no screen paint: no erasing pass was started.
  EXPECT_FALSE(PaintState.PaintSecondPass);
}

TEST_F(PrintedPage, ScansPrintInBlackAndKeepTheirColoursOnScreen) {
  const CWINPlot& data = *display::MainPlots.DataPlot;
  std::vector<platform::Color> before;
  for (int c = 0; c < data.nCurves; ++c) before.push_back(data.GetCurveColor(c));
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  PrintPage();
  int coloured = 0;
  for (const auto& call : page.Calls())
    if (call.kind == platform::DrawKind::Polyline && !(call.pen.color == platform::kBlack))
      ++coloured;
  EXPECT_EQ(coloured, 0);
  EXPECT_FALSE(page.Calls().empty());
  for (int c = 0; c < data.nCurves; ++c)
    EXPECT_EQ(data.GetCurveColor(c), before[static_cast<std::size_t>(c)]) << c;
}

TEST_F(PrintedPage, LinesGoOntoThePage) {
  ModelParameters.Meniscus = 6.05f;
  ModelParameters.Bottom = 6.95f;
  ScanDataSet.FitLeftLim = 6.1f;
  ScanDataSet.FitRightLim = 6.9f;
  MainPlotLayout.ClientHeight = 500;
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  PrintPage();
  int vertical = 0;
  for (const auto& call : page.CallsOf(platform::DrawKind::Line))
    if (call.points[0].x == call.points[1].x && call.points[0].y == 25 && call.points[1].y == 237)
      ++vertical;
  EXPECT_EQ(vertical, 4);
}

}  // namespace
