// Building and placing the main plots from the loaded scans.
#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "display/ScanColours.h"
#include "plot/PlotSettings.h"

namespace {

class MainPlots : public DisplayTest {};

struct Frame {
  int top, left, bottom, right;  // left and right in thousandths, as placed
};

void ExpectFrame(const CWINPlot& plot, Frame f, const char* name) {
  EXPECT_EQ(plot.nTop, f.top) << name;
  EXPECT_EQ(plot.nBottom, f.bottom) << name;
  EXPECT_EQ(plot.nLeft, AspectScaled(f.left)) << name;
  EXPECT_EQ(plot.nRight, AspectScaled(f.right)) << name;
}

TEST_F(MainPlots, LayoutFollowsTheDisplayOptions) {
  struct Case {
    int scans;
    bool bitmap, histogram;
    Frame residual;
    Frame histogramFrame;
  } cases[] = {
      {5, false, false, {550, 75, 950, 975}, {}},
      {5, true, false, {555, 75, 950, 975}, {}},
      {40, true, false, {590, 75, 950, 975}, {}},
      {5, false, true, {550, 75, 950, 775}, {550, 785, 950, 975}},
      {40, true, true, {590, 75, 950, 775}, {590, 785, 950, 975}},
  };
  for (const Case& c : cases) {
    ResetDisplayRecords();
    LoadSyntheticScans(c.scans, 21);
    MainDisplayOptions.ShowResidualsBitmap = c.bitmap;
    MainDisplayOptions.ShowResidualsHistogram = c.histogram;
    display::BuildMainDataPlots();
    auto& p = display::MainPlots;
    ASSERT_TRUE(p.DataPlot && p.ResidualPlot && p.AuxPlot);
    ExpectFrame(*p.DataPlot, {50, 75, 475, 975}, "data");
    ExpectFrame(*p.ResidualPlot, c.residual, "residuals");
    if (c.histogram) {
      ExpectFrame(*p.AuxPlot, c.histogramFrame, "histogram");
      EXPECT_TRUE(p.AuxPlot->bNoYAxis);
    }
  }
}

TEST_F(MainPlots, AlonePlacementsTakeTheWholeHeight) {
  LoadSyntheticScans(3, 21);
  display::BuildMainDataPlots();
  display::PlaceAndRenderDataPlot();
  ExpectFrame(*display::MainPlots.DataPlot, {50, 75, 950, 975}, "data alone");
  EXPECT_FALSE(display::DataPlotMetafile().IsNull());
  display::PlaceAndRenderResidualPlot();
  ExpectFrame(*display::MainPlots.ResidualPlot, {50, 75, 950, 975}, "residuals alone");
  EXPECT_FALSE(display::ResidualPlotMetafile().IsNull());
}

TEST_F(MainPlots, OneCurvePerScanInTimeOrderWithItsColour) {
  LoadSyntheticScans(6, 21, /*reversedOrder=*/true);
  MainDisplayOptions.ScanColourFromTime = false;
  display::BuildMainDataPlots();
  const CWINPlot& data = *display::MainPlots.DataPlot;
  const CWINPlot& residuals = *display::MainPlots.ResidualPlot;
  ASSERT_EQ(data.nCurves, 6);
  ASSERT_EQ(residuals.nCurves, 6);
  for (int i = 1; i <= 6; ++i) {
    const int k = ScanDataSet.ScanTimeOrder[i];
    const auto& views = ScanDataSet.ScanPlotVectors[static_cast<std::size_t>(k)];
    EXPECT_EQ(data.pCurves[static_cast<std::size_t>(i - 1)], views.SignalCurve.get()) << i;
    EXPECT_EQ(residuals.pCurves[static_cast<std::size_t>(i - 1)], views.ResidualCurve.get()) << i;
    EXPECT_EQ(data.GetCurveColor(i - 1), display::ScanColour(i)) << i;
    EXPECT_EQ(residuals.GetCurveColor(i - 1), display::ScanColour(i)) << i;
    EXPECT_EQ(data.GetCurveStyle(i - 1), 6);
    EXPECT_EQ(residuals.GetCurveStyle(i - 1), -1);
  }
  EXPECT_EQ(data.nSymbolSize, 2);
  EXPECT_TRUE(data.bRightYLabels);
}

TEST_F(MainPlots, StylesAndTitlesFollowTheKindOfData) {
  struct Case {
    const char* name;
    int scans;
    void (*set)();
    int style;
    int symbolSize;
    const char* dataTitle;
    const char* residualTitle;
  } cases[] = {
      {"absorbance", 3, [] { ScanReaderOptions.AbsorbanceData = true; }, 6, 2, "absorbance [OD]",
       "residuals [OD]"},
      {"fluorescence", 3,
       [] {
         ScanReaderOptions.AbsorbanceData = true;
         ScanReaderOptions.FluorescenceData = true;
       },
       -1, 2, "fluorescence counts", "fluorescence counts"},
      {"interference", 50, [] { ScanReaderOptions.InterferenceData = true; }, 6, 0, "fringes",
       "fringes"},
      {"interference, many scans", 51, [] { ScanReaderOptions.InterferenceData = true; }, -1, 0,
       "fringes", "fringes"},
      {"unknown", 3, [] {}, 6, 2, "", ""},
  };
  for (const Case& c : cases) {
    ResetDisplayRecords();
    c.set();
    LoadSyntheticScans(c.scans, 11);
    display::BuildMainDataPlots();
    const CWINPlot& data = *display::MainPlots.DataPlot;
    EXPECT_EQ(data.GetCurveStyle(0), c.style) << c.name;
    EXPECT_EQ(data.GetCurveStyle(c.scans - 1), c.style) << c.name;
    EXPECT_EQ(data.nSymbolSize, c.symbolSize) << c.name;
    EXPECT_EQ(data.szYTitle, c.dataTitle) << c.name;
    EXPECT_EQ(display::MainPlots.ResidualPlot->szYTitle, c.residualTitle) << c.name;
  }
}

TEST_F(MainPlots, LightScatteringDataHaveNoHistogramPlot) {
  LoadSyntheticScans(3, 11);
  DlsDataMode = true;
  display::BuildMainDataPlots();
  EXPECT_TRUE(display::MainPlots.DataPlot);
  EXPECT_FALSE(display::MainPlots.AuxPlot);
  EXPECT_TRUE(display::HistogramPlotMetafile().IsNull());
  EXPECT_EQ(display::MainPlots.DataPlot->szYTitle, "g(2)-1 intensity autocorrelation ");
}

TEST_F(MainPlots, NothingIsBuiltWithoutScans) {
  display::BuildMainDataPlots();
  EXPECT_FALSE(display::MainPlots.DataPlot);
  display::LayoutAndRenderMainPlots();
  display::RenderDataPlot(true);
  EXPECT_TRUE(display::DataPlotMetafile().IsNull());
}

TEST_F(MainPlots, InstalledHooksServeTheDataLayer) {
  display::InstallMainPlotHooks();
  LoadSyntheticScans(4, 21);
  ::BuildMainDataPlots();
  ASSERT_TRUE(display::MainPlots.ResidualPlot);
  ::RenderDataPlot(true);
  EXPECT_FALSE(display::DataPlotMetafile().IsNull());
  display::MainPlots.ResidualPlot->Render();
  const auto [low, high] = ResidualPlotYRange();
  EXPECT_EQ(low, display::MainPlots.ResidualPlot->fYMin);
  EXPECT_EQ(high, display::MainPlots.ResidualPlot->fYMax);
  // Releasing the data set releases the plots.
  FreeDataSet();
  EXPECT_FALSE(display::MainPlots.DataPlot);
  EXPECT_FALSE(display::MainPlots.ResidualPlot);
}

}  // namespace
