// The main window's paint: two passes, the armed batch exit, the disclaimer,
// the busy guard and what the drawing pass puts on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "DisplayTestSupport.h"
#include "display/DirectRedraws.h"
#include "display/MainWindowPaint.h"
#include "display/WindowCoordinates.h"
#include "platform/RecordingCanvas.h"

namespace {

class Paint : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    display::MainDisplayLinks.ExitProgram = [this] { ++exits; };
  }
  void LoadAndRender(int scans = 4) {
    LoadSyntheticScans(scans, 41);
    display::BuildMainDataPlots();
    display::LayoutAndRenderMainPlots();
  }
  // Meniscus, bottom and both fit limits inside the scans' 6.0 .. 7.0 cm.
  void LoadWithLines() {
    LoadAndRender();
    ModelParameters.Meniscus = 6.05f;
    ModelParameters.Bottom = 6.95f;
    ScanDataSet.FitLeftLim = 6.1f;
    ScanDataSet.FitRightLim = 6.9f;
  }
  display::PaintContext Context(bool busy = false) { return {&host, host.ClientSize(), busy}; }
  void PaintOnce(bool busy = false) {
    display::PaintMainWindow(host.Raster(), true, Context(busy));
    display::PaintMainWindow(host.Raster(), false, Context(busy));
  }
  // Both passes onto a recording canvas; the texts drawn.
  std::vector<std::string> PaintTexts() {
    platform::RecordingCanvas canvas;
    display::PaintMainWindow(canvas, true, Context());
    display::PaintMainWindow(canvas, false, Context());
    std::vector<std::string> texts;
    for (const auto& call : canvas.CallsOf(platform::DrawKind::Text)) texts.push_back(call.text);
    return texts;
  }
  int Inked() { return InkedPixels(host.Snapshot(), 0, 0, 700, 500); }

  RasterHost host{700, 500};
  int exits = 0;
};

bool Holds(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(Paint, ErasingPassClearsAndDrawingPassDraws) {
  LoadAndRender();
  PaintState.DisclaimerPending = false;
  host.Raster().Erase(platform::Rgb(10, 20, 30));
  display::PaintMainWindow(host.Raster(), true, Context());
  EXPECT_EQ(Inked(), 0);
  EXPECT_TRUE(PaintState.PaintSecondPass);
  EXPECT_TRUE(DrawingAllowed);
  display::PaintMainWindow(host.Raster(), false, Context());
  EXPECT_FALSE(PaintState.PaintSecondPass);
  EXPECT_GT(Inked(), 5000);
  EXPECT_EQ(MainPlotLayout.ClientWidth, 700.0f);
  EXPECT_EQ(MainPlotLayout.ClientHeight, 500.0f);
}

TEST_F(Paint, DrawingCallWithoutItsErasingPassErasesAndAsksForAnotherPaint) {
  LoadAndRender();
  PaintState.DisclaimerPending = false;
  display::PaintMainWindow(host.Raster(), false, Context());
  EXPECT_EQ(Inked(), 0);
  EXPECT_EQ(host.invalidations, 1);
  display::PaintMainWindow(host.Raster(), false, Context());
  EXPECT_GT(Inked(), 5000);
}

TEST_F(Paint, FinishedBatchRunExitsAtTheFirstPaintOnce) {
  LoadAndRender();
  BatchDone = true;
  display::PaintMainWindow(host.Raster(), true, Context());
  EXPECT_TRUE(ExitRequested);
  EXPECT_EQ(exits, 1);
  display::PaintMainWindow(host.Raster(), false, Context());
  EXPECT_EQ(exits, 1);
}

TEST_F(Paint, ExitThatPaintsTheWindowAgainRunsOnce) {
  LoadAndRender();
  BatchDone = true;
  // Exit writes the batch results, which paint the window once more.
  display::MainDisplayLinks.ExitProgram = [this] {
    ++exits;
    PaintOnce();
  };
  PaintOnce();
  PaintOnce();
  EXPECT_EQ(exits, 1);
}

TEST_F(Paint, BatchRunWithoutPlotsStillExits) {
  BatchDone = true;
  PaintOnce();
  EXPECT_EQ(exits, 1);
}

TEST_F(Paint, NoExitWithoutAFinishedBatchRun) {
  LoadAndRender();
  PaintOnce();
  PaintOnce();
  EXPECT_EQ(exits, 0);
  EXPECT_FALSE(ExitRequested);
}

TEST_F(Paint, BusyWindowKeepsItsPictureAndDrawsOnlyTheDisclaimer) {
  LoadAndRender();
  host.Raster().Erase(platform::Rgb(10, 20, 30));
  BatchDone = true;
  PaintOnce(/*busy=*/true);
  const platform::RgbImage image = host.Snapshot();
  EXPECT_EQ(image.At(600, 400), platform::Rgb(10, 20, 30));
  EXPECT_EQ(exits, 0);
  EXPECT_FALSE(PaintState.DisclaimerPending);
}

TEST_F(Paint, DisclaimerOnlyAtTheFirstPaint) {
  LoadAndRender();
  const auto first = PaintTexts();
  EXPECT_TRUE(Holds(first, "DISCLAIMER:"));
  EXPECT_FALSE(Holds(PaintTexts(), "DISCLAIMER:"));
}

TEST_F(Paint, LinesOverTheDataPlot) {
  LoadWithLines();
  PaintOnce();
  const CWINPlot& plot = *display::MainPlots.DataPlot;
  const platform::RgbImage image = host.Snapshot();
  const int row = 200;  // inside the data plot (rows 25 .. 237)
  EXPECT_EQ(image.At(display::ValueToWindowX(plot, 6.05f), row), platform::Rgb(255, 0, 0));
  EXPECT_EQ(image.At(display::ValueToWindowX(plot, 6.95f), row), platform::Rgb(0, 0, 255));
  EXPECT_EQ(image.At(display::ValueToWindowX(plot, 6.1f), row), platform::Rgb(0, 255, 0));
}

// The reference meniscus of a buffer-mismatch fit can lie left of the
// plot's radii; it is then not drawn over the frame and the axis labels,
// neither by the paint nor by the immediate redraw.
TEST_F(Paint, ReferenceMeniscusOnlyInsideThePlot) {
  LoadWithLines();
  const platform::Color magenta = platform::Rgb(255, 0, 255);
  const auto magentaPixels = [&] {
    const platform::RgbImage image = host.Snapshot();
    int n = 0;
    for (int y = 0; y < 500; ++y)
      for (int x = 0; x < 700; ++x)
        if (image.At(x, y) == magenta) ++n;
    return n;
  };
  for (const float reference : {6.5f, 5.9f, 7.1f}) {
    SCOPED_TRACE(reference);
    const bool inside = reference == 6.5f;  // the frame spans 5.95 .. 7.05
    display::MainDisplayLinks.ReferenceMeniscus = [reference] {
      return std::optional<float>(reference);
    };
    PaintOnce();
    EXPECT_EQ(magentaPixels() > 0, inside);
    host.Raster().Erase(platform::kWhite);
    display::RedrawDataPlotNow(&host);
    EXPECT_EQ(magentaPixels() > 0, inside);
  }
  display::MainDisplayLinks.ReferenceMeniscus = nullptr;
}

// An extrapolation plot shown in the data plot's place has none of the
// data plot's lines or model curves over it.
TEST_F(Paint, ExtrapolationPlotInTheDataPlotsPlaceHasNoDataLines) {
  LoadWithLines();
  PaintOnce();
  const CWINPlot& plot = *display::MainPlots.DataPlot;
  const int meniscus = display::ValueToWindowX(plot, 6.05f);
  ASSERT_EQ(host.Snapshot().At(meniscus, 200), platform::Rgb(255, 0, 0));
  // Any picture stands for the extrapolation plot: the residual plot's.
  const platform::Metafile picture = display::ResidualPlotMetafile();
  display::MainDisplayLinks.ExtrapolationPlot = [picture] { return picture; };
  PaintOnce();
  EXPECT_NE(host.Snapshot().At(meniscus, 200), platform::Rgb(255, 0, 0));
  display::MainDisplayLinks.ExtrapolationPlot = nullptr;
}

TEST_F(Paint, HiddenLinesAndLightScatteringData) {
  LoadWithLines();
  const CWINPlot& plot = *display::MainPlots.DataPlot;
  const auto colourAt = [&](float v) {
    return host.Snapshot().At(display::ValueToWindowX(plot, v), 200);
  };
  CursorLineState.Mode = KeyCursorMode::SetFitLimit;
  PaintOnce();
  EXPECT_NE(colourAt(6.1f), platform::Rgb(0, 255, 0));
  EXPECT_EQ(colourAt(6.9f), platform::Rgb(0, 255, 0));  // the right limit is never hidden
  CursorLineState.Mode = KeyCursorMode::None;
  DlsDataMode = true;
  PaintOnce();
  EXPECT_NE(colourAt(6.05f), platform::Rgb(255, 0, 0));
  EXPECT_NE(colourAt(6.95f), platform::Rgb(0, 0, 255));
  EXPECT_EQ(colourAt(6.1f), platform::Rgb(0, 255, 0));
}

// The points a picture puts down (lines and polylines), in plot units.
std::vector<platform::Point> PlottedPoints(const platform::Metafile& picture) {
  platform::RecordingCanvas canvas;
  picture.Play(canvas);
  std::vector<platform::Point> points;
  for (const auto& call : canvas.Calls())
    if (call.kind == platform::DrawKind::Line || call.kind == platform::DrawKind::Polyline)
      points.insert(points.end(), call.points.begin(), call.points.end());
  return points;
}

// The model curves and the picking map data with a plot's present mapping,
// so a paint must leave each plot's picture drawn with that mapping: with
// the residual histogram shown, placing it must not lay out the residual
// plot (zoomed to the fit limits) or a zoomed data plot afresh.
TEST_F(Paint, PicturesStayDrawnWithThePlotsMapping) {
  struct Case {
    const char* name;
    bool zoomDataPlot;
  };
  for (const Case& c : {Case{"fit limits", false}, Case{"zoomed data plot", true}}) {
    SCOPED_TRACE(c.name);
    LoadWithLines();
    MainDisplayOptions.ShowResidualsHistogram = true;
    display::LayoutAndRenderMainPlots();
    CWINPlot& data = *display::MainPlots.DataPlot;
    if (c.zoomDataPlot) {
      data.SetXRangeAutoY(6.3f, 6.6f);
      data.Render();
    }
    PaintOnce();
    PaintOnce();
    for (CWINPlot* plot : {&data, display::MainPlots.ResidualPlot.get()}) {
      const std::vector<platform::Point> shown = PlottedPoints(plot->hMetaFile);
      ASSERT_GT(shown.size(), 100u);
      plot->Render();
      const std::vector<platform::Point> mapped = PlottedPoints(plot->hMetaFile);
      ASSERT_EQ(shown.size(), mapped.size());
      const auto [drawn, expected] = std::mismatch(shown.begin(), shown.end(), mapped.begin());
      EXPECT_TRUE(drawn == shown.end())
          << (plot == &data ? "data" : "residual") << " plot: drawn at y " << drawn->y
          << ", mapped to y " << expected->y;
    }
  }
}

TEST_F(Paint, AllFourRangesMarkTheRangesShown) {
  LoadAndRender();
  ModelParameters.Meniscus = 6.05f;
  FitControl.MINMENISCUS = 6.03f;
  FitControl.MAXMENISCUS = 6.07f;
  FitControl.MINBOTTOM = 6.93f;
  PaintOnce();
  EXPECT_FALSE(PaintState.MeniscusRangesSet);
  FitControl.MAXBOTTOM = 6.97f;
  PaintOnce();
  EXPECT_TRUE(PaintState.MeniscusRangesSet);
}

TEST_F(Paint, DataHiddenLeavesTheResidualPlot) {
  LoadAndRender();
  MainDisplayOptions.ShowData = false;
  MainDisplayOptions.ShowResidualsBitmap = false;
  display::PlaceAndRenderResidualPlot();
  PaintOnce();
  const platform::RgbImage image = host.Snapshot();
  // The residual plot now fills the whole height: ink above the usual
  // residual row.
  EXPECT_GT(InkedPixels(image, 60, 30, 690, 250), 500);
  ModelParameters.Meniscus = 6.05f;
  PaintOnce();
  const int column = display::ValueToWindowX(*display::MainPlots.DataPlot, 6.05f);
  const platform::RgbImage after = host.Snapshot();
  for (int y = 25; y < 237; ++y) ASSERT_NE(after.At(column, y), platform::Rgb(255, 0, 0));
  // With the histogram shown it keeps its place beside the residual plot,
  // which leaves it room.
  MainDisplayOptions.ShowResidualsHistogram = true;
  display::LayoutAndRenderMainPlots();
  display::PlaceAndRenderResidualPlot();
  PaintOnce();
  const CWINPlot& residuals = *display::MainPlots.ResidualPlot;
  EXPECT_LT(residuals.nTop, MainPlotLayout.DataBottom);
  EXPECT_LT(residuals.nRight, display::MainPlots.AuxPlot->nLeft);
}

TEST_F(Paint, FitResultWrittenOnceAfterARun) {
  LoadAndRender();
  int written = 0;
  display::MainDisplayLinks.FitResultText = [&] { ++written; };
  PaintState.FitResultPending = true;
  PaintOnce();
  PaintOnce();
  EXPECT_EQ(written, 1);
  EXPECT_FALSE(PaintState.FitResultPending);
  EXPECT_GT(FitControl.CurrentRmsd, 0.0f);
}

TEST_F(Paint, ToolLayerReplacesTheMainDisplayAndItsButtons) {
  LoadAndRender();
  int buttons = 0, menus = 0;
  display::MainDisplayLinks.PaintScreenButtons = [&](platform::Canvas&) { ++buttons; };
  display::MainDisplayLinks.UpdateRuntimeMenus = [&] { ++menus; };
  PaintOnce();
  EXPECT_EQ(buttons, 1);
  display::MainDisplayLinks.PaintToolLayer = [](platform::Canvas&) {
    return display::ToolLayer::ToolPlot;
  };
  PaintState.DisclaimerPending = false;
  PaintOnce();
  EXPECT_TRUE(PaintState.ToolPlotShown);
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(menus, 2);
  EXPECT_EQ(Inked(), 0);  // the tool drew nothing here, and neither did the main display
}

TEST_F(Paint, PeakLabelsClearedUnlessPeakInformationIsActive) {
  int cleared = 0;
  bool active = false;
  display::MainDisplayLinks.ClearPeakLabels = [&] { ++cleared; };
  display::MainDisplayLinks.PeakLabelsActive = [&] { return active; };
  PaintOnce();
  EXPECT_EQ(cleared, 2);  // once per pass
  active = true;
  PaintOnce();
  EXPECT_EQ(cleared, 2);
}

}  // namespace
