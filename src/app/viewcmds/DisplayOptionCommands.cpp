#include "app/viewcmds/DisplayOptionCommands.h"

#include <string>

#include "app/options/OptionBoxes.h"
#include "app/options/PreferenceFile.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ResidualBitmap.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "ui/Sounds.h"

namespace {

constexpr int kShowResidualsBitmapItem = 504;
constexpr int kBlackAndWhiteItem = 505;
constexpr int kContinuousShadingItem = 506;
constexpr int kShowResidualsHistogramItem = 943;

void Invalidate(TXLAWindow& window) {
  if (platform::WindowHost* host = window.Host()) host->Invalidate();
}

// The histogram as part of the main layout, switched and drawn anew.
void SetHistogramInLayout(TXLAWindow& window, bool on) {
  MainDisplayOptions.ShowResidualsHistogram = on;
  window.CheckMenuItem(kShowResidualsHistogramItem, on);
  display::LayoutAndRenderMainPlots();
  Invalidate(window);
}

}  // namespace

void CmChangeFitUpdatingPreferences(TXLAWindow& window) {
  auto& o = MainDisplayOptions;
  const char* caption = "UPDATE DURING FIT";
  o.LiveUpdateDataPlot = AskYesNoBox(window, "data and fit plot?", caption);
  o.LiveUpdateResidualPlot = AskYesNoBox(window, "residuals plot?", caption);
  o.LiveUpdateResidualBitmap = AskYesNoBox(window, "residuals bitmap?", caption);
  o.LiveUpdateDistributionPlot = AskYesNoBox(window, "distribution plot?", caption);
  if (o.LiveUpdateDataPlot || o.LiveUpdateResidualPlot || o.LiveUpdateResidualBitmap ||
      o.LiveUpdateDistributionPlot) {
    float interval = o.LiveUpdateInterval;
    if (EnterNumberBox(window, interval, interval, "max updating interval (sec)", caption))
      o.LiveUpdateInterval = interval;
  }
  PlayOkSound();
  WritePreferences(window);
}

void CmShowResidualsBitmap(TXLAWindow& window) {
  auto& o = MainDisplayOptions;
  if (o.ShowResidualsBitmap) {
    o.ShowResidualsBitmap = false;
    window.CheckMenuItem(kShowResidualsBitmapItem, false);
  } else {
    float scale = ResidualBitmapOptions.FullScale;
    if (EnterNumberBox(window, scale, scale, "bitmap brightness full scale (0 for autoscale)",
                       "BITMAP BRIGHTNESS SCALE"))
      ResidualBitmapOptions.FullScale = scale;
    else
      ResidualBitmapOptions.FullScale = ScanReaderOptions.FluorescenceData ? 5.0f : 0.05f;
    o.ShowResidualsBitmap = true;
    window.CheckMenuItem(kShowResidualsBitmapItem, true);
  }
  Invalidate(window);
}

void CmBlackAndWhite(TXLAWindow& window) {
  auto& b = ResidualBitmapOptions;
  b.BlackAndWhite = !b.BlackAndWhite;
  window.CheckMenuItem(kBlackAndWhiteItem, b.BlackAndWhite);
  if (b.BlackAndWhite)
    b.HighlightExtremes =
        AskYesNoBox(window, "with red/magenta highlight of extremes?", "SET PREFERENCE");
}

void CmContinuousShading(TXLAWindow& window) {
  auto& b = ResidualBitmapOptions;
  b.ContinuousShading = !b.ContinuousShading;
  window.CheckMenuItem(kContinuousShadingItem, b.ContinuousShading);
}

void CmCopyResidualsBitmap(TXLAWindow& window) {
  CopyResidualBitmap(window.Handle());
  PlayOkSound();
}

void CmShowResidualsHistogram(TXLAWindow& window) {
  if (DlsDataMode) return;
  if (MainDisplayOptions.ShowResidualsHistogram) {
    if (AskYesNoBox(window, "switch default histogram display off?", "SET PREFERENCE")) {
      SetHistogramInLayout(window, false);
      return;
    }
  } else if (AskYesNoBox(window, "switch default histogram display on?", "SET PREFERENCE")) {
    SetHistogramInLayout(window, true);
    return;
  }
  if (ScanDataSet.NFILES > 0) ShowResidualHistogramPlot(window);
}
