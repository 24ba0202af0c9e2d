#include "data/DataOperationLinks.h"
#include "state/Links.h"

DataOperationLinksRecord DataOperationLinks;

namespace {

DataOperationLinksRecord Defaults() {
  DataOperationLinksRecord r;
  r.ShowWaitCursor = links::Unwired;
  r.PushDisplayRange = links::Unwired;
  r.SetDataPlotRanges = links::Unwired;
  r.ShowToolPlot = links::Unwired;
  r.SimulateModel = links::Unwired;
  r.LoadDistributionFile = links::Unwired;
  r.RunContinuousModel = links::Unwired;
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
