// What a discrete fit draws into the main window outside the paint: the
// evaluation counters over the status block, and the final fit over the
// plots.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "DisplayTestSupport.h"
#include "display/FitDisplay.h"
#include "display/ScanColours.h"
#include "models/FitDriver.h"

namespace {

constexpr int kWidth = 700, kHeight = 500;

class FitDisplay : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MainPlotLayout.ClientWidth = kWidth;
    MainPlotLayout.ClientHeight = kHeight;
    DrawingAllowed = true;
  }
  void TearDown() override {
    ResetFitDisplayLinks();
    DisplayTest::TearDown();
  }
  int Inked(int left, int top, int right, int bottom) {
    return InkedPixels(host.Snapshot(), left, top, right, bottom);
  }
  int Inked() { return Inked(0, 0, kWidth, kHeight); }
  // Pixels of one colour inside a band of rows.
  int PixelsOf(platform::Color colour, int top, int bottom) {
    const platform::RgbImage image = host.Snapshot();
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (image.At(x, y) == colour) ++n;
    return n;
  }
  RasterHost host{kWidth, kHeight};
};

// ---- Evaluation counters ---------------------------------------------------

TEST_F(FitDisplay, CountersAtTheProgressLineWhateverMappingThePaintLeft) {
  // A paint leaves the canvas in the plot-space mapping, clipped elsewhere.
  platform::Canvas& c = host.ClientCanvas();
  c.SetMapMode(platform::MapMode::Anisotropic);
  c.SetWindowExtent({1399, 1000});
  c.SetViewportExtent({kWidth / 3, kHeight / 3});
  c.IntersectClipRect({600, 600, 900, 900});

  display::ShowEvaluationProgress(&host, "s2, step #17     ", "");
  EXPECT_GT(Inked(10, 30, 200, 50), 30);
  EXPECT_EQ(Inked(0, 0, kWidth, 30), 0);
  EXPECT_EQ(Inked(0, 50, kWidth, kHeight), 0);
  EXPECT_EQ(Inked(0, 0, 10, kHeight), 0);

  // Levenberg-Marquardt's second line goes one line lower.
  display::ShowEvaluationProgress(&host, "sim #5, ML step #1, step #5    ",
                                  "testrmsd=0.010000 (n=400,lambda=1.0e-03          )");
  EXPECT_GT(Inked(10, 50, 400, 70), 30);
  EXPECT_EQ(Inked(0, 70, kWidth, kHeight), 0);
}

TEST_F(FitDisplay, TrailingBlanksWipeALongerLine) {
  // Even over a transparent background left by the paint.
  host.ClientCanvas().SetBackgroundMode(platform::BackgroundMode::Transparent);
  display::ShowEvaluationProgress(&host, "sim #123456, SA step #10, step#4567, T=1.250", "");
  const int shortWidth = host.Raster().TextExtent("s1, step #1").width;
  ASSERT_GT(Inked(shortWidth + 12, 30, kWidth, 50), 30);
  display::ShowEvaluationProgress(&host, "s1, step #1" + std::string(60, ' '), "");
  EXPECT_GT(Inked(10, 30, shortWidth + 10, 50), 10);
  EXPECT_EQ(Inked(shortWidth + 12, 30, kWidth, 50), 0);
}

TEST_F(FitDisplay, NoCountersWithoutADrawableWindow) {
  display::ShowEvaluationProgress(nullptr, "s1, step #1     ", "second");
  DrawingAllowed = false;
  display::ShowEvaluationProgress(&host, "s1, step #1     ", "second");
  EXPECT_EQ(Inked(), 0);
}

// ---- Final fit -------------------------------------------------------------

class FinalFit : public FitDisplay {
 protected:
  void SetUp() override {
    FitDisplay::SetUp();
    MainDisplayOptions.ScanColourFromTime = false;  // well-separated colours
    // Latest scan first among the files: colours follow time, not slots.
    LoadSyntheticScans(kScans, 61, true);
    display::BuildMainDataPlots();
    display::LayoutAndRenderMainPlots();
  }
  // The leftmost column of a colour in the rows of its curve's upper
  // plateau: where that scan's boundary has reached the plateau.
  int PlateauStart(platform::Color colour) {
    const platform::RgbImage image = host.Snapshot();
    int top = INT_MAX;
    for (int y = 0; y < kDataBottom; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (image.At(x, y) == colour) top = std::min(top, y);
    int left = INT_MAX;
    for (int y = top; y < std::min(top + 3, kDataBottom); ++y)
      for (int x = 0; x < kWidth; ++x)
        if (image.At(x, y) == colour) left = std::min(left, x);
    return left;
  }
  static constexpr int kScans = 4;
  static constexpr int kDataBottom = kHeight * 475 / 1000 + 2;
  static constexpr int kResidualTop = kHeight * 550 / 1000 - 2;
};

TEST_F(FinalFit, StatusModelCurvesInTimeOrderAndResiduals) {
  ScanDataSetRecord& d = ScanDataSet;
  for (int i = 1; i <= kScans; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) d.ScanResiduals[i][k] = 99.0f;

  display::DrawFinalFit(&host);

  // The status block is the only black ink above the residual plot.
  EXPECT_GT(PixelsOf(platform::kBlack, 0, kDataBottom), 300);
  EXPECT_EQ(FitResultLines.Text[2].rfind("rmsd=", 0), 0u);
  // One model curve per scan in its colour, the earliest boundary furthest
  // in: the colours follow the time order.
  int previous = -1;
  for (int i = 1; i <= kScans; ++i) {
    const platform::Color colour = display::ScanColour(i);
    EXPECT_GT(PixelsOf(colour, 0, kDataBottom), 100) << "scan " << i;
    const int start = PlateauStart(colour);
    EXPECT_GT(start, previous) << "scan " << i;
    previous = start;
  }
  // The residuals are recomputed and their plot replayed.
  for (int i = 1; i <= kScans; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k)
      ASSERT_EQ(d.ScanResiduals[i][k], d.ScanSignal[i][k] - d.ScanModel[i][k]);
  EXPECT_GT(Inked(0, kResidualTop, kWidth, kHeight), 1000);
}

TEST_F(FinalFit, HistogramOnlyWhileShown) {
  // Laid out for the histogram, which takes the right end of the residual
  // row.
  MainDisplayOptions.ShowResidualsHistogram = true;
  display::LayoutAndRenderMainPlots();
  MainDisplayOptions.ShowResidualsHistogram = false;
  display::DrawFinalFit(&host);
  const int without = Inked(560, 260, kWidth, kHeight);
  host.Raster().Erase(platform::kWhite);
  MainDisplayOptions.ShowResidualsHistogram = true;
  display::DrawFinalFit(&host);
  EXPECT_GT(Inked(560, 260, kWidth, kHeight), without + 200);
}

TEST_F(FinalFit, PlotsLeftOutAreNotDrawn) {
  // No residual plot shown: nothing below the data plot.
  MainDisplayOptions.ShowResiduals = false;
  display::DrawFinalFit(&host);
  EXPECT_EQ(Inked(0, kResidualTop, kWidth, kHeight), 0);
  EXPECT_GT(PixelsOf(display::ScanColour(1), 0, kDataBottom), 100);
  // No data shown: the model curves would land on the residual plot.
  host.Raster().Erase(platform::kWhite);
  MainDisplayOptions.ShowResiduals = true;
  MainDisplayOptions.ShowData = false;
  display::DrawFinalFit(&host);
  for (int i = 1; i <= kScans; ++i)
    EXPECT_EQ(PixelsOf(display::ScanColour(i), 0, kDataBottom), 0) << "scan " << i;
  EXPECT_GT(Inked(0, kResidualTop, kWidth, kHeight), 1000);
}

TEST_F(FinalFit, NothingWithoutDataPlotOrDrawableWindow) {
  display::DrawFinalFit(nullptr);
  DrawingAllowed = false;
  display::DrawFinalFit(&host);
  EXPECT_EQ(Inked(), 0);
  DrawingAllowed = true;
  display::DestroyMainPlots();
  display::DrawFinalFit(&host);
  EXPECT_EQ(Inked(), 0);
}

// ---- The fits' links -------------------------------------------------------

TEST_F(FinalFit, FitsReachTheWindowThroughTheirLinks) {
  platform::WindowHost* window = nullptr;
  display::InstallFitDisplayLinks([&window] { return window; });
  // Before the window exists (a batch run) nothing is drawn.
  FitDisplayLinks.ShowEvaluationProgress(nullptr, "s1, step #1     ", "");
  FitDisplayLinks.DrawFinalFit(nullptr);
  EXPECT_EQ(Inked(), 0);
  window = &host;
  FitDisplayLinks.ShowEvaluationProgress(nullptr, "s1, step #1     ", "");
  EXPECT_GT(Inked(10, 30, 200, 50), 30);
  FitDisplayLinks.DrawFinalFit(nullptr);
  EXPECT_GT(PixelsOf(display::ScanColour(1), 0, kDataBottom), 100);
}

}  // namespace
