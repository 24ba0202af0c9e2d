#include "app/viewcmds/ViewLinks.h"

namespace {

// Kept here until the distribution analysis owns the switch.
bool exportMatricesOn = false;

ViewLinksRecord Defaults() {
  ViewLinksRecord r;
  r.ResetEqTest = [](TXLAWindow&) {};
  r.CancelMouseAction = [] { return false; };
  r.FinishMouseAction = [] { return false; };
  r.AskResetCtot = [](TXLAWindow&) {};
  r.ShiftScansUndoRotorStretch = [](TXLAWindow&) {};
  r.OpenParameterDialog = [](TXLAWindow&) {};
  r.ToggleExportMatrices = [] {
    exportMatricesOn = !exportMatricesOn;
    return exportMatricesOn;
  };
  return r;
}

}  // namespace

ViewLinksRecord ViewLinks = Defaults();

void ResetViewLinks() {
  ViewLinks = Defaults();
}
