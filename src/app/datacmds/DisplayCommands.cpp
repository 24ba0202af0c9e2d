#include "app/datacmds/DisplayCommands.h"

#include <cmath>

#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/interaction/InteractionState.h"
#include "app/loading/LoadCommands.h"
#include "app/models/ModelCommands.h"
#include "state/LoadOptions.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "state/LammSolverSettings.h"
#include "plot/PlotSettings.h"
#include "ui/Boxes.h"

bool DataLinesMode = false;

namespace {

constexpr int kShowResidualsItem = 209;
constexpr int kShowDataItem = 232;
constexpr int kScanPickingItem = 210;
// Point styles of the scans: filled circles, lines, 3 x 3 and 5 x 5 dots.
constexpr int kCircles = 6;
constexpr int kLines = -1;
constexpr int kSmallDots = 22;
constexpr int kLargeDots = 23;
// The grid of the electrophoresis model's Lamm solutions.
constexpr int kElectrophoresisGridSize = 200;

CWINPlot* DataPlot() {
  return display::MainPlots.DataPlot.get();
}

void SetScanStyles(CWINPlot& plot, int style) {
  const int n = std::min(ScanDataSet.NFILES, static_cast<int>(plot.pCurves.size()));
  for (int i = 0; i < n; ++i) plot.SetCurveStyle(i, style);
}

// The data plot at the level the display-range history stands at.
void RestoreDisplayedRange(TXLAWindow& window) {
  CWINPlot* plot = DataPlot();
  const auto& stack = DisplayRangeStack;
  if (stack.Level > 0) {
    const auto l = static_cast<std::size_t>(stack.Level);
    plot->SetRanges(stack.MinRadius[l], stack.MaxRadius[l], stack.MinSignal[l],
                    stack.MaxSignal[l]);
  } else {
    plot->SetAutoRanges();
  }
  plot->Render();
  RepaintMainWindow(window.Handle());
}

}  // namespace

void CmSetRange(TXLAWindow& window) {
  float r1 = 0.0f, r2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
  {
    DialogBusyScope busy(window);
    const char* caption = "SET DISPLAY RANGE";
    if (!InputFloat(r1, 0.0f, false, "smallest r", caption)) return;
    if (!InputFloat(r2, 0.0f, false, "highest r", caption)) return;
    if (!InputFloat(a1, 0.0f, false, "smallest absorbance", caption)) return;
    if (!InputFloat(a2, 0.0f, false, "highest absorbance", caption)) return;
  }
  if (r1 > r2) std::swap(r1, r2);
  if (a1 > a2) std::swap(a1, a2);
  CWINPlot* plot = DataPlot();
  if (!plot) return;
  auto& stack = DisplayRangeStack;
  stack.Level = std::min(stack.Level + 1, DisplayRangeStackRecord::MaxLevel);
  const auto l = static_cast<std::size_t>(stack.Level);
  stack.MinRadius[l] = r1;
  stack.MaxRadius[l] = r2;
  stack.MinSignal[l] = a1;
  stack.MaxSignal[l] = a2;
  plot->SetRanges(r1, r2, a1, a2);
  plot->Render();
  RubberBand.ZoomedByRubberBand = true;
  RedrawPlotsNow(window);
}

void CmFullRange(TXLAWindow& window) {
  CWINPlot* plot = DataPlot();
  if (!plot) return;
  RubberBand.RubberBandActive = false;
  DisplayRangeStack.Level = 0;
  plot->SetAutoRanges();
  plot->Render();
  RedrawPlotsNow(window);
}

void CmUpdate(TXLAWindow& window) {
  // Also while repaints are suppressed: this is the user's way to get one.
  if (platform::WindowHost* host = window.Host()) host->Invalidate();
}

void CmDataMarkSize(TXLAWindow& window) {
  CWINPlot* plot = DataPlot();
  if (ScanDataSet.NFILES <= 0 || !plot) return;
  float v = static_cast<float>(plot->nSymbolSize);
  {
    DialogBusyScope busy(window);
    if (!InputFloatIn(window.Handle(), v, v, true, "enter data mark size (-1 for lines):"))
      return;
  }
  if (v >= 0.0f) {
    plot->nSymbolSize = static_cast<int>(std::floor(std::min(v, 1000.0f)));
    PlotSettings.ErrorBarCapWidth = static_cast<int>(std::floor(1.5 * plot->nSymbolSize));
    if (DataLinesMode) {
      SetScanStyles(*plot, kCircles);
      DataLinesMode = false;
    }
  } else if (v == -2.0f || v == -3.0f) {
    SetScanStyles(*plot, v == -2.0f ? kSmallDots : kLargeDots);
    DataLinesMode = false;
  } else if (v == -1.0f) {
    SetScanStyles(*plot, kLines);
    DataLinesMode = true;
  }
  display::RenderDataPlot(false);
  RedrawPlotsNow(window);
}

void CmShowResiduals(TXLAWindow& window) {
  if (!DataPlot()) return;
  auto& o = MainDisplayOptions;
  if (o.ShowResiduals) {
    o.ShowResiduals = false;
    window.CheckMenuItem(kShowResidualsItem, false);
    if (o.ShowData) display::PlaceAndRenderDataPlot();
  } else {
    o.ShowResiduals = true;
    window.CheckMenuItem(kShowResidualsItem, true);
    if (o.ShowData)
      display::LayoutAndRenderMainPlots();
    else
      display::PlaceAndRenderResidualPlot();
  }
  RestoreDisplayedRange(window);
}

void CmShowData(TXLAWindow& window) {
  if (!DataPlot()) return;
  auto& o = MainDisplayOptions;
  if (o.ShowData) {
    o.ShowData = false;
    window.CheckMenuItem(kShowDataItem, false);
    if (o.ShowResiduals) display::PlaceAndRenderResidualPlot();
  } else {
    o.ShowData = true;
    window.CheckMenuItem(kShowDataItem, true);
    if (o.ShowResiduals)
      display::LayoutAndRenderMainPlots();
    else
      display::PlaceAndRenderDataPlot();
  }
  RestoreDisplayedRange(window);
}

void CmToggleScanPicking(TXLAWindow& window) {
  HoverState.ScanPickingOn = !HoverState.ScanPickingOn;
  window.CheckMenuItem(kScanPickingItem, HoverState.ScanPickingOn);
  RepaintMainWindow(window.Handle());
}

void CmLoadElectrophoresisData(TXLAWindow& window) {
  ScanReaderOptions.ElectrophoresisDataMode = true;
  CmLoadNewFiles(window);
  ScanReaderOptions.ElectrophoresisDataMode = false;
  CmElectrophoresisLammEquationForDiscreteSpecies(window);
  LammSolverSettings.LammGridSize = kElectrophoresisGridSize;
  UpdateRuntimeMenus(window);
}

void RegisterDisplayCommands(CommandTable& table) {
  AddCatalogued(table, 207, &CmSetRange);
  AddCatalogued(table, 208, &CmFullRange);
  AddCatalogued(table, 257, &CmUpdate);
  AddCatalogued(table, 211, &CmDataMarkSize);
  AddCatalogued(table, 232, &CmShowData);
  AddCatalogued(table, 209, &CmShowResiduals);
  AddCatalogued(table, 210, &CmToggleScanPicking);
  AddCatalogued(table, 290, &CmLoadElectrophoresisData);
}
