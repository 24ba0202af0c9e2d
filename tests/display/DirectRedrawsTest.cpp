// Immediate replays outside the paint and the live refresh of fits.
#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "display/DirectRedraws.h"
#include "display/LiveRefresh.h"
#include "display/ScanColours.h"
#include "display/WindowCoordinates.h"
#include "models/FitResultDisplay.h"

namespace {

class DirectRedraws : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MainPlotLayout.ClientWidth = 700;
    MainPlotLayout.ClientHeight = 500;
    LoadSyntheticScans(4, 41);
    display::BuildMainDataPlots();
    display::LayoutAndRenderMainPlots();
  }
  int Inked(int top, int bottom) { return InkedPixels(host.Snapshot(), 0, top, 700, bottom); }
  RasterHost host{700, 500};
};

TEST_F(DirectRedraws, DataPlotOnlyWhileShown) {
  MainDisplayOptions.ShowData = false;
  display::RedrawDataPlotNow(&host);
  EXPECT_EQ(Inked(0, 500), 0);
  MainDisplayOptions.ShowData = true;
  display::RedrawDataPlotNow(&host);
  EXPECT_GT(Inked(0, 250), 1000);
  EXPECT_EQ(Inked(300, 500), 0);
}

TEST_F(DirectRedraws, ModelCurvesInTheColoursOfTheirScans) {
  MainDisplayOptions.ScanColourFromTime = false;
  display::MainDisplayLinks.ModelCurvesReady = [] { return true; };
  // The data curves keep their ramp colours; the overlays take the cycle's,
  // red for the earliest scan.
  display::RedrawDataPlotNow(&host);
  const platform::RgbImage image = host.Snapshot();
  int early = 0;
  const platform::Color first = display::ScanColour(1);
  for (int y = 0; y < 250; ++y)
    for (int x = 0; x < 700; ++x)
      if (image.At(x, y) == first) ++early;
  EXPECT_GT(early, 50);
}

TEST_F(DirectRedraws, ResidualPlotsWithTheHistogramUnlessLightScattering) {
  MainDisplayOptions.ShowResidualsHistogram = true;
  display::UpdateResiduals(false);
  display::UpdateHistogramPlot();
  display::LayoutAndRenderMainPlots();
  display::RedrawResidualPlotsNow(&host);
  const int withHistogram = InkedPixels(host.Snapshot(), 560, 260, 700, 500);
  EXPECT_GT(withHistogram, 200);
  host.Raster().Erase(platform::kWhite);
  DlsDataMode = true;
  display::RedrawResidualPlotsNow(&host);
  EXPECT_EQ(InkedPixels(host.Snapshot(), 560, 260, 700, 500), 0);
  EXPECT_GT(Inked(260, 500), 1000);
}

TEST_F(DirectRedraws, DistributionPlotOnlyForContinuousModels) {
  int asked = 0;
  display::MainDisplayLinks.RedrawDistributionPlot = [&] {
    ++asked;
    return platform::Metafile{};
  };
  display::RedrawDistributionPlotNow(&host);
  EXPECT_EQ(asked, 0);
  ModelSelection.Kind = ModelKind::ContinuousCS;
  display::RedrawDistributionPlotNow(&host);
  EXPECT_EQ(asked, 1);
}

TEST_F(DirectRedraws, LiveRefreshAtMostOncePerInterval) {
  int redraws = 0;
  ModelSelection.Kind = ModelKind::ContinuousCS;
  display::MainDisplayLinks.RedrawDistributionPlot = [&] {
    ++redraws;
    return platform::Metafile{};
  };
  backend().SetClockStep(100);  // each reading of the clock: 0.1 s later
  display::TimedPlotRefresh(&host);
  EXPECT_EQ(redraws, 0);  // no live option on
  MainDisplayOptions.LiveUpdateDistributionPlot = true;
  MainDisplayOptions.LiveUpdateInterval = 1.0f;
  display::TimedPlotRefresh(&host);
  display::TimedPlotRefresh(&host);
  EXPECT_EQ(redraws, 1);
  for (int k = 0; k < 10; ++k) display::TimedPlotRefresh(&host);
  EXPECT_EQ(redraws, 2);
}

TEST_F(DirectRedraws, FitLoopsReachTheRefreshThroughTheirHook) {
  int redraws = 0;
  ModelSelection.Kind = ModelKind::ContinuousCS;
  MainDisplayOptions.LiveUpdateDistributionPlot = true;
  display::MainDisplayLinks.RedrawDistributionPlot = [&] {
    ++redraws;
    return platform::Metafile{};
  };
  display::InstallLiveRefreshHook([this] { return &host; });
  ::TimedPlotRefresh();
  ::TimedPlotRefresh = [] {};
  EXPECT_EQ(redraws, 1);
}

}  // namespace
