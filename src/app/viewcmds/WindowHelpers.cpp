#include "app/viewcmds/WindowHelpers.h"

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/CursorLineDrawing.h"
#include "display/DirectRedraws.h"
#include "display/DisplayLinks.h"
#include "display/MainWindowPaint.h"

RuntimeMenuStateRecord RuntimeMenuState;

namespace {

constexpr int kFloToolsItem = 915;
constexpr int kBufferSedimentationItem = 552;
constexpr int kReloadSavedFitParametersItem = 1098;
constexpr int kShowLastFitInfoItem = 517;
constexpr int kRestoreCtotItem = 1103;
constexpr int kExportCtotItem = 1104;
constexpr int kDisplayCtotItem = 1105;
constexpr int kClearCtotItem = 1106;
constexpr int kSaveIntensityAsAbsorbanceItem = 231;
constexpr int kAddMoreFilesItem = 226;
constexpr int kTransformEquilibriumItem = 896;
constexpr int kCopyLnCItem = 918;
constexpr int kCopyMStarItem = 919;
constexpr int kCopyMavgItem = 920;

void Invalidate(TXLAWindow& window) {
  if (platform::WindowHost* host = window.Host()) host->Invalidate();
}

bool Insert(TXLAWindow& window, int beforeId, int id, const char* text) {
  return window.Menu().InsertBefore(beforeId, platform::MenuItem::Command(id, text));
}

void UpdateFloToolsItem(TXLAWindow& window) {
  bool& shown = RuntimeMenuState.FloToolsItemShown;
  if (ScanReaderOptions.FluorescenceData) {
    if (shown) return;
    shown = Insert(window, kBufferSedimentationItem, kFloToolsItem, "FloTools");
    Invalidate(window);
  } else if (shown) {
    if (window.Menu().Delete(kFloToolsItem)) shown = false;
    Invalidate(window);
  }
}

void UpdateCtotItems(TXLAWindow& window) {
  bool& shown = RuntimeMenuState.CtotItemsShown;
  if (IsNonidealCsFamily(ModelSelection.Kind)) {
    if (shown) return;
    Insert(window, kReloadSavedFitParametersItem, kExportCtotItem,
           "Export Mean Field ctot(r,t) to file");
    Insert(window, kExportCtotItem, kRestoreCtotItem, "Restore Mean Field ctot(r,t) from file");
    Insert(window, kRestoreCtotItem, kClearCtotItem, "Clear Mean Field ctot(r,t)");
    Insert(window, kShowLastFitInfoItem, kDisplayCtotItem, "Display ctot(r,t) (in mg/ml units)");
    shown = true;
    Invalidate(window);
  } else if (shown) {
    for (int id : {kRestoreCtotItem, kExportCtotItem, kDisplayCtotItem, kClearCtotItem})
      window.Menu().Delete(id);
    shown = false;
    Invalidate(window);
  }
}

}  // namespace

void InvalidateMainWindow(TXLAWindow& window) {
  if (RedrawSuppressed) return;
  Invalidate(window);
}

void RedrawPlotsNow(TXLAWindow& window) {
  if (RedrawSuppressed) return;
  platform::WindowHost* host = window.Host();
  if (host == nullptr) return;
  // A plot laid out anew since the screen was painted (another model's
  // layout, for one) cannot be drawn over the old picture: the whole
  // window is painted instead.
  if (display::DataPlotWhereLastPainted()) {
    display::RedrawDataPlotNow(host);
    display::RedrawCursorLines(host);
  } else {
    host->Invalidate();
  }
  host->UpdateNow();
}

void ResizeMainWindow(TXLAWindow& window) {
  Invalidate(window);
}

void UpdateRuntimeMenus(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0) return;
  UpdateFloToolsItem(window);
  UpdateCtotItems(window);
  window.EnableMenuItem(kSaveIntensityAsAbsorbanceItem, ScanReaderOptions.IntensityData);
  window.EnableMenuItem(kAddMoreFilesItem, true);
}

void InsertEquilibriumCopyItems(TXLAWindow& window) {
  bool all = Insert(window, kTransformEquilibriumItem, kCopyLnCItem, "Copy Ln(c) Data");
  all = Insert(window, kTransformEquilibriumItem, kCopyMStarItem, "Copy M* Data") && all;
  all = Insert(window, kTransformEquilibriumItem, kCopyMavgItem, "Copy Mavg Data") && all;
  RuntimeMenuState.EquilibriumCopyItemsShown = all;
  if (all) Invalidate(window);
}

void RemoveEquilibriumCopyItems(TXLAWindow& window) {
  if (!RuntimeMenuState.EquilibriumCopyItemsShown) return;
  bool all = window.Menu().Delete(kCopyLnCItem);
  all = window.Menu().Delete(kCopyMStarItem) && all;
  all = window.Menu().Delete(kCopyMavgItem) && all;
  if (all) RuntimeMenuState.EquilibriumCopyItemsShown = false;
  Invalidate(window);
}

void InstallViewHooks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  RepaintMainWindow = [w](platform::WindowHandle) { InvalidateMainWindow(*w); };
  SetMainWindowCaption = [w](platform::WindowHandle, const std::string& caption) {
    if (platform::WindowHost* host = w->Host()) host->SetTitle(caption);
  };
  CheckTemperatureFluctuation = [w](platform::WindowHandle, float limit) {
    return CheckTemperatureFluctuationOf(*w, limit);
  };
  auto& links = display::MainDisplayLinks;
  links.UpdateRuntimeMenus = [w] { UpdateRuntimeMenus(*w); };
  links.ToolPlotsExist = [] {
    return ToolPlotData.ToolPlot != nullptr || AdHocToolPlots.AdHocToolPlot != nullptr;
  };
  links.PaintToolLayer = [w](platform::Canvas& dc) { return PaintToolPlotLayers(*w, dc); };
}

void RemoveViewHooks() {
  RepaintMainWindow = [](platform::WindowHandle) {};
  SetMainWindowCaption = [](platform::WindowHandle, const std::string&) {};
  CheckTemperatureFluctuation = [](platform::WindowHandle, float) { return true; };
  auto& links = display::MainDisplayLinks;
  links.UpdateRuntimeMenus = links::Unwired;
  links.ToolPlotsExist = links::Unwired;
  links.PaintToolLayer = links::Unwired;
}
