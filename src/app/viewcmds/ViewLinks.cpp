#include "app/viewcmds/ViewLinks.h"

#include "state/Links.h"

namespace {

ViewLinksRecord Defaults() {
  ViewLinksRecord r;
  r.ResetEqTest = links::Unwired;
  r.CancelMouseAction = links::Unwired;
  r.CloseExtrapolationPlot = links::Unwired;
  r.FinishMouseAction = links::Unwired;
  r.AskResetCtot = links::Unwired;
  r.ShiftScansUndoRotorStretch = links::Unwired;
  r.OpenParameterDialog = links::Unwired;
  return r;
}

}  // namespace

ViewLinksRecord ViewLinks = Defaults();

void ResetViewLinks() {
  ViewLinks = Defaults();
}
