#include "app/wiring/DataOperationHooks.h"

#include <algorithm>

#include "state/ProgramFlags.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetServices.h"
#include "data/FitDataFiles.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "models/SimulateModel.h"

namespace {

void PushRange(const DisplayRange& r) {
  auto& stack = DisplayRangeStack;
  stack.Level = std::min(stack.Level + 1, DisplayRangeStackRecord::MaxLevel);
  const auto level = static_cast<std::size_t>(stack.Level);
  stack.MinRadius[level] = r.minRadius;
  stack.MaxRadius[level] = r.maxRadius;
  stack.MinSignal[level] = r.minSignal;
  stack.MaxSignal[level] = r.maxSignal;
}

void SetDataPlotRanges(const DisplayRange& r) {
  CWINPlot* plot = display::MainPlots.DataPlot.get();
  if (!plot) return;
  plot->SetRanges(r.minRadius, r.maxRadius, r.minSignal, r.maxSignal);
  plot->Render();
}

// The tool plot takes over copies of the curve's values.
void ShowToolPlot(TXLAWindow& window, const ToolCurvePlot& p) {
  ReleaseToolPlotData(window);
  auto& t = ToolPlotData;
  const int n = static_cast<int>(std::min(p.x.size(), p.y.size()));
  t.FirstLength = n;
  for (int a = 0; a < 2; ++a) {
    t.FirstArrays[static_cast<std::size_t>(a)].Resize(1, std::max(n, 1));
    const std::vector<float>& values = a == 0 ? p.x : p.y;
    for (int k = 1; k <= n; ++k)
      t.FirstArrays[static_cast<std::size_t>(a)][k] = values[static_cast<std::size_t>(k - 1)];
    t.FirstVectors[static_cast<std::size_t>(a)] = std::make_unique<CVector>();
    t.FirstVectors[static_cast<std::size_t>(a)]->AttachFrom(
        t.FirstArrays[static_cast<std::size_t>(a)].data(), static_cast<unsigned>(n), 1);
  }
  t.FirstCurves[0] = std::make_unique<CCurve>(t.FirstVectors[0].get(), t.FirstVectors[1].get());
  t.ToolPlot = std::make_unique<CWINPlot>();
  t.ToolPlotFixedLayout = false;
  const auto& l = MainPlotLayout;
  t.ToolPlot->Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  t.ToolPlot->SetXTitle(p.xTitle);
  t.ToolPlot->SetYTitle(p.yTitle);
  t.ToolPlot->AddCurve(t.FirstCurves[0].get());
  t.ToolPlot->bConnectPoints = true;
  if (p.symbols) {
    t.ToolPlot->SetCurveStyle(0, 6);
    t.ToolPlot->nSymbolSize = 10;
  }
}

}  // namespace

void InstallDataOperationModelHooks() {
  auto& l = DataOperationLinks;
  l.SimulateModel = [](platform::WindowHandle window) { SimulateModel(window); };
  l.LoadDistributionFile = [](const std::string& path) { return LoadDistributionFile(path); };
  l.RunContinuousModel = [](platform::WindowHandle window) { RunContiSed(window); };
}

void InstallDataOperationWindowHooks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  auto& l = DataOperationLinks;
  l.ShowWaitCursor = [w](bool busy) {
    if (platform::WindowHost* host = w->Host())
      host->SetCursor(busy ? platform::CursorShape::Wait : platform::CursorShape::Arrow);
  };
  l.PushDisplayRange = PushRange;
  l.SetDataPlotRanges = SetDataPlotRanges;
  l.ShowToolPlot = [w](const ToolCurvePlot& p) { ShowToolPlot(*w, p); };
  // The residual update keeps "ScanRms.dat" beside the data for the user
  // working in the window; a batch run writes its own table into its
  // results folder and leaves the data folder alone.
  WriteScanRmsDefault = [] {
    if (!BatchMode) WriteScanRmsToDefaultFile();
  };
}

void RemoveDataOperationWindowHooks() {
  auto& l = DataOperationLinks;
  l.ShowWaitCursor = [](bool) {};
  l.PushDisplayRange = [](const DisplayRange&) {};
  l.SetDataPlotRanges = [](const DisplayRange&) {};
  l.ShowToolPlot = [](const ToolCurvePlot&) {};
  WriteScanRmsDefault = [] {};
}
