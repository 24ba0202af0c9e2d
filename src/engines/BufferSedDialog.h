#pragma once
// "Buffer Mismatch": the dialog of the buffer-mismatch model (its settings
// live in CorrectionOptions.BufferMismatch), the command that runs it, and
// the checks that keep the model to the analyses it works with. The model
// takes the place of component 4 in the discrete non-interacting model and
// is a term of its own in the continuous distributions.

#include <vector>

#include "platform/FormDialog.h"
#include "platform/Platform.h"

// The menu item of the command; it carries the model's check mark.
inline constexpr int kBufferSedimentationItem = 552;

// The dialog's transfer record, kept between calls.
extern platform::FormState BufferSedTransfer;
// Every tick off and every text empty.
void ResetBufferSedTransfer(platform::FormState& transfer);

// The controls; massMode: buoyant molar masses instead of D.
std::vector<platform::FormItem> BufferSedBoxItems(bool massMode);
// OK is refused ("Invalid Entry", with the information sound) unless the
// buffer and reference D (or Mb) are non-negative numbers and the other
// five entries numbers.
platform::FormRefusal BufferSedBoxCheck(const platform::FormState& state);

// Fills the transfer record from the settings, runs the dialog and applies
// what was entered; false (nothing changed) on Cancel.
bool RunBufferSedDialog(platform::WindowHandle window);

// Whether the model can run with the current model and data; when not, it
// says so and switches the model off. Also claims component 4 of the
// discrete model for the buffer.
bool CheckBufferSedCompatibility(platform::WindowHandle window);
// The fit flags that go with the buffer term.
void FixBufferSedimentationParams();
// Switches the model off (and frees component 4 of the discrete model).
void BufferSedOff(platform::WindowHandle window);

// What the command leaves for the window: the item's check mark, and
// whether the data plot must be drawn again (the meniscus mismatch changed
// while the model is on).
struct BufferSedCommandOutcome {
  bool On = false;
  bool RedrawData = false;
};
BufferSedCommandOutcome BufferSedimentationCommand(platform::WindowHandle window);

// The notes shown once per program run, shown again after this (tests).
void ResetBufferSedNotes();
