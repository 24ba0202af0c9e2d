#include "engines/ReactingABDisplay.h"

#include <string>

#include "data/LoadMessages.h"
#include "engines/ReactingABEngine.h"
#include "models/GlobalLammState.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ProgramFlags.h"
#include "ui/Boxes.h"

namespace {

constexpr int kLeft = 10;
constexpr int kKeyRun = 114;   // "r"
constexpr int kKeyStop = 115;  // "s"

const char* const kCorrectorHeader =
    "#:    -     FreeA    -     OldA    -      FluxA     -     FreeB     -     OldB     -     "
    "FluxB    -      dFlux    -   Complex";
const char* const kPredictorHeader =
    "#:    -     FreeATemp -     OldA    -      FluxA     -     FreeBTemp  -     OldB     -     "
    "FluxB    -      dFlux    -   Complex";

void Draw(int y, const std::string& text) {
  platform::Current().DrawWindowText(GlobalLammRun.CallbackWindow, kLeft, y, text);
}

// One display row; the label padding keeps the columns aligned up to three
// digits.
std::string Row(int i, const double* a, const double* b, const ReactingArrays& w) {
  const double fa = w.FluxA[i], fb = w.FluxB[i];
  if (i <= 9)
    return FormatText(
        "__%d:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f ", i, a[i],
        w.OldA[i], fa, b[i], w.OldB[i], fb, fa - fb, w.Complex[i]);
  if (i <= 99)
    return FormatText(
        "_%d:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f ", i, a[i],
        w.OldA[i], fa, b[i], w.OldB[i], fb, fa - fb, w.Complex[i]);
  return FormatText("%d:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f ",
                    i, a[i], w.OldA[i], fa, b[i], w.OldB[i], fb, fa - fb, w.Complex[i]);
}

// Node of display row k (0..29): 1..10, m+1..m+10 with m = (n + 10)/2,
// n-9..n.
int RowNode(int k, int n) {
  if (k < 10) return k + 1;
  if (k < 20) return (n + 10) / 2 + (k - 10) + 1;
  return n - 9 + (k - 20);
}

void WaitForKey() {
  ReactingEngineRecord& e = ReactingEngine;
  const platform::WindowHandle window = GlobalLammRun.CallbackWindow;
  // The window asked to close (the only other way the interrupt is set while
  // the displays own the keys): the run ends as after "s".
  if (!ComputationAbort && !e.FluxDisplayPause) {
    if (ReadKeyEcho(window) >= 0) e.FluxDisplayPause = true;
    return;
  }
  int code = -1;
  while (!ComputationAbort && (code = ReadKeyEcho(window)) < 0) {
  }
  if (code == kKeyRun) e.FluxDisplayPause = false;
  if (code == kKeyStop || ComputationAbort) {
    e.FluxDisplayPause = false;
    GlobalLammRun.KeepRunning = 0;
    ComputationAbort = true;
  }
}

}  // namespace

bool ReactingDiagnosticsShown() {
  // Nobody could answer a display in a batch run, and one that waited at
  // every evaluation of a fit would stall the fit.
  return GlobalLammRun.CallbackWindow != nullptr && !FitControl.FitRunning && !BatchMode;
}

void ShowReactingDiagnostics(ReactingDisplay kind) {
  if (!ReactingDiagnosticsShown()) return;
  const ReactingArrays w = ReactingWork();
  const int n = GlobalLammArrays.LammAllocatedSize;
  const bool predictor = kind == ReactingDisplay::Predictor;
  const double* a = predictor ? w.FreeATemp : w.FreeA;
  const double* b = predictor ? w.FreeBTemp : w.FreeB;
  Draw(50, FormatText("%.0f sec", GlobalLammRun.SimTime));
  Draw(70, predictor ? kPredictorHeader : kCorrectorHeader);
  int y = 70;
  for (int k = 0; k < 30; ++k) {
    y += 15;
    if (k == 10 || k == 20) y += 10;
    const int i = RowNode(k, n);
    if (i < 1 || i > n) continue;
    Draw(y, Row(i, a, b, w));
  }
  Draw(y + 30, FormatText("sum:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f",
                          ReactingSectorAmount(a), ReactingSectorAmount(w.OldA),
                          ReactingSectorAmount(w.FluxA), ReactingSectorAmount(b),
                          ReactingSectorAmount(w.OldB), ReactingSectorAmount(w.FluxB),
                          ReactingSectorAmount(w.Complex)));
  Draw(y + 45, FormatText("total A  = %3.6f    total B = %3.6f; assymfact = %e", ReactingTotalA(),
                          ReactingTotalB(), ReactingEngine.assymfact));
  WaitForKey();
}
