#include "app/viewcmds/DisplayOptionCommands.h"

#include <string>

#include "app/options/PreferenceFile.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ResidualBitmap.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/MainPlots.h"
#include "display/records/MainPlotLayout.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

constexpr int kShowResidualsBitmapItem = 504;
constexpr int kBlackAndWhiteItem = 505;
constexpr int kContinuousShadingItem = 506;
constexpr int kShowResidualsHistogramItem = 943;

bool AskYesNo(TXLAWindow& window, const std::string& text, const std::string& caption) {
  platform::BoxRequest box;
  box.owner = window.Handle();
  box.text = text;
  box.caption = caption;
  box.icon = platform::BoxIcon::Question;
  box.buttons = platform::BoxButtons::YesNo;
  DialogBusyScope busy(window);
  return platform::Current().ShowMessageBox(box) == platform::BoxAnswer::Yes;
}

bool AskFloat(TXLAWindow& window, float& value, const char* prompt, const char* caption) {
  DialogBusyScope busy(window);
  return InputFloatIn(window.Handle(), value, value, true, prompt, caption);
}

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
  o.LiveUpdateDataPlot = AskYesNo(window, "data and fit plot?", caption);
  o.LiveUpdateResidualPlot = AskYesNo(window, "residuals plot?", caption);
  o.LiveUpdateResidualBitmap = AskYesNo(window, "residuals bitmap?", caption);
  o.LiveUpdateDistributionPlot = AskYesNo(window, "distribution plot?", caption);
  if (o.LiveUpdateDataPlot || o.LiveUpdateResidualPlot || o.LiveUpdateResidualBitmap ||
      o.LiveUpdateDistributionPlot) {
    float interval = o.LiveUpdateInterval;
    if (AskFloat(window, interval, "max updating interval (sec)", caption))
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
    if (AskFloat(window, scale, "bitmap brightness full scale (0 for autoscale)",
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
        AskYesNo(window, "with red/magenta highlight of extremes?", "SET PREFERENCE");
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
    if (AskYesNo(window, "switch default histogram display off?", "SET PREFERENCE")) {
      SetHistogramInLayout(window, false);
      return;
    }
  } else if (AskYesNo(window, "switch default histogram display on?", "SET PREFERENCE")) {
    SetHistogramInLayout(window, true);
    return;
  }
  if (ScanDataSet.NFILES > 0) ShowResidualHistogramPlot(window);
}
