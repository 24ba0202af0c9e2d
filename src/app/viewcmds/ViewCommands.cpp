#include "app/viewcmds/ViewCommands.h"

#include <algorithm>
#include <limits>

#include "app/commands/CommandTable.h"
#include "app/viewcmds/DisplayOptionCommands.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "display/MainPlots.h"
#include "display/ResidualHistogramPlot.h"
#include "state/PaintState.h"
#include "models/FitDriver.h"
#include "models/TempParameterFile.h"
#include "state/DistributionSettingsRecords.h"
#include "state/ModelParameters.h"
#include "plot/CWINPlot.h"
#include "tools/DlsConversions.h"

DisplayRangeStackRecord DisplayRangeStack;

namespace {

void ShowBox(TXLAWindow& window, const std::string& text, const std::string& caption,
             platform::BoxIcon icon = platform::BoxIcon::None) {
  platform::BoxRequest box;
  box.owner = window.Handle();
  box.text = text;
  box.caption = caption;
  box.icon = icon;
  DialogBusyScope busy(window);
  platform::Current().ShowMessageBox(box);
}

struct SignalRange {
  float min = std::numeric_limits<float>::max();
  float max = std::numeric_limits<float>::lowest();
};

// Over every scan's signal on the common grid, inside the grid's fit range.
SignalRange GridSignalRange() {
  const auto& g = CommonRadialGrid;
  const auto& d = ScanDataSet;
  SignalRange range;
  if (g.CommonGridSize <= 0 || g.GridFirstFitIndex < 1) return range;
  const int last = std::min(g.GridLastFitIndex, g.CommonGridSize);
  for (int k = 1; k <= d.NFILES; ++k) {
    const float* s = g.ResampledSignals[d.ScanTimeOrder[k]];
    if (s == nullptr) continue;
    for (int j = g.GridFirstFitIndex; j <= last; ++j) {
      range.min = std::min(range.min, s[j]);
      range.max = std::max(range.max, s[j]);
    }
  }
  return range;
}

}  // namespace

void CmDataRange(TXLAWindow& window) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return;
  auto& stack = DisplayRangeStack;
  stack.Level = std::min(stack.Level + 1, DisplayRangeStackRecord::MaxLevel);
  const int level = stack.Level;

  const auto& mismatch = CorrectionOptions.BufferMismatch;
  float rmin = ModelParameters.Meniscus - 0.01f;
  if (mismatch.On) rmin -= static_cast<float>(mismatch.MeniscusDifference);
  const auto& g = CommonRadialGrid;
  const bool grid =
      g.CommonGridSize > 0 && g.GridLastFitIndex >= 1 && g.GridLastFitIndex <= g.CommonGridSize;
  const float rmax = grid ? g.CommonGrid[g.GridLastFitIndex] + 0.01f : rmin;
  const SignalRange s = GridSignalRange();
  const bool signals = s.max >= s.min;
  stack.MinRadius[level] = rmin;
  stack.MaxRadius[level] = rmax;
  stack.MinSignal[level] = signals ? s.min - 0.1f : 0.0f;
  stack.MaxSignal[level] = signals ? s.max + 0.1f : 0.0f;

  CWINPlot* plot = display::MainPlots.DataPlot.get();
  if (plot && rmax > rmin && stack.MaxSignal[level] > stack.MinSignal[level]) {
    plot->SetRanges(rmin, rmax, stack.MinSignal[level], stack.MaxSignal[level]);
    plot->Render();
  } else {
    display::RenderDataPlot(false);
  }
  display::UpdateResiduals(true);
  display::UpdateHistogramPlot(true);
  InvalidateMainWindow(window);
}

void CmShowLastFitInfo(TXLAWindow& window) {
  if (FitDisplayLinks.FitResultText) FitDisplayLinks.FitResultText(window.Handle());
}

void CmCopyScreenshot(TXLAWindow& window) {
  platform::WindowHost* host = window.Host();
  if (host == nullptr) return;
  const platform::RgbImage image = host->Snapshot();
  if (image.IsEmpty()) return;
  platform::Current().SetClipboardBitmap(image);
}

// The client area on one page: the window paints itself in its printing
// form (plots in black, optionally the last fit's lines) into the page.
void CmPrint(TXLAWindow& window) {
  platform::WindowHost* host = window.Host();
  platform::PrintRequest page;
  page.owner = window.Handle();
  page.title = "Taluvo Printout";
  page.area = host ? host->ClientSize() : platform::Size{1400, 1000};
  page.paint = [&window](platform::Canvas& canvas) {
    // Set only while the window paints for the printout, whatever happens.
    struct PrintingScope {
      PrintingScope() { PaintState.PrintingFlag = true; }
      ~PrintingScope() { PaintState.PrintingFlag = false; }
    } printing;
    window.OnPaint(canvas, false);
  };
  platform::Current().PrintPage(page);
}

void CmPrinterSetup(TXLAWindow& window) {
  platform::Current().PrinterSetup(window.Handle());
}

void CmToggleExportMatrices(TXLAWindow& window) {
  bool& on = DistributionSettings.ExportMatricesOn;
  on = !on;
  ShowBox(window, on ? "Export Matrices is ON" : "Export Matrices is OFF", "ERROR");
}

void CmToggleIntensityFieldACF(TXLAWindow& window) {
  auto& d = ScanDataSet;
  if (!DlsDataMode || d.NFILES <= 0 || d.DlsRecords.size() < d.NFILES) return;
  const bool toIntensity = d.DlsRecords[1].HoldsFieldAcf;
  for (int i = 1; i <= d.NFILES; ++i) {
    float* values = d.ScanSignal[i].data();
    if (toIntensity)
      ToIntensityACF(d.ScanPointCount[i], values, d.DlsRecords[i]);
    else
      ToFieldACF(d.ScanPointCount[i], values, d.DlsRecords[i]);
  }
  const char* title =
      toIntensity ? "g(2)-1 intensity autocorrelation " : "g(1) field autocorrelation ";
  for (CWINPlot* plot : {display::MainPlots.DataPlot.get(), display::MainPlots.ResidualPlot.get()})
    if (plot) plot->SetYTitle(title);
  display::RenderDataPlot(false);
  display::UpdateResiduals(true);
  InvalidateMainWindow(window);
}

void RegisterViewCommands(CommandTable& table) {
  table.Add(518, &CmDataRange, true, "CmDataRange");
  table.Add(517, &CmShowLastFitInfo, true, "CmShowLastFitInfo");
  table.Add(646, &CmCopyScreenshot, false, "CmCopyScreenshot");
  table.Add(234, &CmPrint, true, "CmPrint");
  table.Add(233, &CmPrinterSetup, true, "CmPrinterSetup");
  table.Add(877, &CmToggleExportMatrices, false, "CmToggleExportMatrices");
  table.Add(898, &CmToggleIntensityFieldACF, false, "CmToggleIntensityFieldACF");
  table.Add(592, &CmChangeFitUpdatingPreferences, false, "CmChangeFitUpdatingPreferences");
  table.Add(504, &CmShowResidualsBitmap, true, "CmShowResidualsBitmap");
  table.Add(943, &CmShowResidualsHistogram, false, "CmShowResidualsHistogram");
  table.Add(537, &CmShowTemperaturePlot, false, "CmShowTemperaturePlot");
  table.Add(946, &CmShowRotorSpeedPlot, false, "CmShowRotorSpeedPlot");
  table.Add(505, &CmBlackAndWhite, true, "CmBlackAndWhite");
  table.Add(506, &CmContinuousShading, true, "CmContinuousShading");
  table.Add(507, &CmCopyResidualsBitmap, true, "CmCopyResidualsBitmap");
}
