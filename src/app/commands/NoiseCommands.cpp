#include "app/commands/NoiseCommands.h"

#include "app/commands/CommandTable.h"
#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/options/OptionBoxes.h"
#include "app/options/ProgramOptions.h"
#include "state/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "data/SystematicNoiseEdits.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "ui/Boxes.h"
#include "ui/CScreenButton.h"

namespace {

// The subtraction is for presentation; the notice says what it means for
// later analyses, unless the user switched such messages off or a realtime
// update runs unattended.
void Attention(TXLAWindow& window, const char* text) {
  if (!ProgramOptions.WizardMessagesOn || LoadOptions.RealtimeModeActive) return;
  ShowOkBox(window, text, "ATTENTION");
}

void Redraw(TXLAWindow& window) {
  RepaintMainWindow(window.Handle());
}

bool Loaded() {
  return ScanDataSet.NFILES > 0;
}

// The noise button shows the press, as if clicked.
void FlashNoiseButton(TXLAWindow& window) {
  CScreenButton* button = ScreenButtons.RemoveNoiseButton.get();
  if (button == nullptr) return;
  for (int pass = 0; pass < 2; ++pass) {
    button->On = !button->On;
    button->Render();
    PaintButtonNow(window, *button);
    if (pass == 0) BusyWait(0.1f);
  }
}

}  // namespace

void CmSubtractTINoise(TXLAWindow& window) {
  if (!Loaded() || !FitControl.TINoiseFitted) return;
  Attention(window,
            "This operation subtracts the current calculated TI noise from the raw data.\nThis is "
            "for presentation purpose, the analysis is invariant to this.\nHowever, all subsquent "
            "analyses must include TI noise calculation, otherwise a bias is introduced.");
  SubtractTINoise();
  Redraw(window);
}

void CmSubtractRINoise(TXLAWindow& window) {
  if (!Loaded() || !ModelParameters.RINoiseFitted) return;
  Attention(window,
            "This operation subtracts the current calculated RI noise from the raw data.\nThis is "
            "for presentation purpose, the analysis is invariant to this.\nHowever, all subsquent "
            "analyses must include RI noise (jitter) calculation, otherwise a bias is "
            "introduced.");
  SubtractRINoise();
  Redraw(window);
}

void CmSubtractAllSystematicNoise(TXLAWindow& window) {
  if (!Loaded() || !ModelParameters.RINoiseFitted) return;
  Attention(window,
            "This operation subtracts the current calculated systematic (TI and RI) noise from the "
            "raw data.\nThis is for presentation purpose, the analysis is invariant to "
            "this.\nHowever, all subsquent analyses must include TI and RI noise (jitter) "
            "calculation, otherwise a bias is introduced.");
  FlashNoiseButton(window);
  SubtractAllSystematicNoise();
  Redraw(window);
}

void CmRestoreTINoise(TXLAWindow& window) {
  if (!Loaded() || !FitControl.TINoiseFitted) return;
  RestoreTINoise();
  Redraw(window);
}

void RegisterNoiseCommands(CommandTable& table) {
  table.Add(508, &CmSubtractTINoise, true, "CmSubtractTINoise");
  table.Add(509, &CmSubtractRINoise, true, "CmSubtractRINoise");
  table.Add(519, &CmSubtractAllSystematicNoise, true, "CmSubtractAllSystematicNoise");
  table.Add(607, &CmRestoreTINoise, true, "CmRestoreTINoise");
}
