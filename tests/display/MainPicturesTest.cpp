// The main window's picture of a small loaded data set, painted headless:
// it must show the data, the model curves, the cursor lines, the residuals
// with their bitmap and the histogram. The PNG stays in the temporary
// folder for a look.
#include <gtest/gtest.h>

#include <filesystem>

#include "DisplayTestSupport.h"
#include "display/MainWindowPaint.h"
#include "display/ScanColours.h"

namespace {

class MainPictures : public DisplayTest {};

TEST_F(MainPictures, PaintedMainPlotsAreASensiblePicture) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadSyntheticScans(8, 121);
  CommonRadialGrid = CommonRadialGridRecord{};
  ModelParameters.Meniscus = 6.02f;
  ModelParameters.Bottom = 6.98f;
  ScanDataSet.FitLeftLim = 6.05f;
  ScanDataSet.FitRightLim = 6.95f;
  FitControl.MINMENISCUS = 6.0f;
  FitControl.MAXMENISCUS = 6.04f;
  MainDisplayOptions.ShowResidualsHistogram = true;
  MainDisplayOptions.ShowResidualsBitmap = false;
  display::MainDisplayLinks.ModelCurvesReady = [] { return true; };
  display::BuildMainDataPlots();
  display::UpdateResiduals(false);
  display::BuildResidualHistogram();
  display::BuildMainDataPlots();
  display::LayoutAndRenderMainPlots();

  RasterHost host(1120, 800);
  const display::PaintContext context{&host, host.ClientSize(), false};
  PaintState.DisclaimerPending = false;
  display::PaintMainWindow(host.Raster(), true, context);
  display::PaintMainWindow(host.Raster(), false, context);

  const std::string png =
      (std::filesystem::temp_directory_path() / "taluvo-display-main-plots.png").string();
  ASSERT_TRUE(host.Raster().SavePng(png));
  const platform::RgbImage image = host.Snapshot();
  // Data plot (rows 40 .. 380), residual plot and histogram below.
  EXPECT_GT(InkedPixels(image, 0, 40, 1120, 380), 10000);
  EXPECT_GT(InkedPixels(image, 0, 440, 860, 760), 2000);
  EXPECT_GT(InkedPixels(image, 880, 440, 1100, 760), 500);
  // The earliest and the latest scan in their own colours.
  for (int i : {1, 8}) {
    int seen = 0;
    for (int y = 40; y < 380; ++y)
      for (int x = 0; x < 1120; ++x)
        if (image.At(x, y) == display::ScanColour(i)) ++seen;
    EXPECT_GT(seen, 30) << "scan " << i;
  }
}

}  // namespace
