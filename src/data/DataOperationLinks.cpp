#include "data/DataOperationLinks.h"

DataOperationLinksRecord DataOperationLinks;

namespace {

DataOperationLinksRecord Defaults() {
  DataOperationLinksRecord r;
  r.ShowWaitCursor = [](bool) {};
  r.PushDisplayRange = [](const DisplayRange&) {};
  r.SetDataPlotRanges = [](const DisplayRange&) {};
  r.ShowToolPlot = [](const ToolCurvePlot&) {};
  r.SimulateModel = [](platform::WindowHandle) {};
  r.LoadDistributionFile = [](const std::string&) { return false; };
  r.RunContinuousModel = [](platform::WindowHandle) {};
  return r;
}

const bool kInstalled = [] {
  DataOperationLinks = Defaults();
  return true;
}();

}  // namespace

void ResetDataOperationLinks() {
  DataOperationLinks = Defaults();
}
