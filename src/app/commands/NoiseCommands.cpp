#include "app/commands/NoiseCommands.h"

#include "app/commands/CommandTable.h"
#include "app/options/OptionBoxes.h"
#include "app/records/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetServices.h"
#include "data/SystematicNoiseEdits.h"

namespace {

void PresentationNotice(TXLAWindow& window) {
  ShowOkBox(window,
            "The calculated systematic noise is removed from the raw data for presentation only.\n"
            "The fitted model and the residuals do not change.",
            "SUBTRACT NOISE");
}

void Redraw(TXLAWindow& window) {
  RepaintMainWindow(window.Handle());
}

}  // namespace

void CmSubtractTINoise(TXLAWindow& window) {
  PresentationNotice(window);
  SubtractTINoise();
  Redraw(window);
}

void CmSubtractRINoise(TXLAWindow& window) {
  PresentationNotice(window);
  SubtractRINoise();
  Redraw(window);
}

void CmSubtractAllSystematicNoise(TXLAWindow& window) {
  PresentationNotice(window);
  SubtractAllSystematicNoise();
  Redraw(window);
}

void CmRestoreTINoise(TXLAWindow& window) {
  RestoreTINoise();
  Redraw(window);
}

void RegisterNoiseCommands(CommandTable& table) {
  table.Add(508, &CmSubtractTINoise, true, "CmSubtractTINoise");
  table.Add(509, &CmSubtractRINoise, true, "CmSubtractRINoise");
  table.Add(519, &CmSubtractAllSystematicNoise, true, "CmSubtractAllSystematicNoise");
  table.Add(607, &CmRestoreTINoise, true, "CmRestoreTINoise");
}
