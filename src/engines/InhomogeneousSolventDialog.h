#pragma once
// "Inhomogeneous Solvent Parameters": the dialog of the inhomogeneous-solvent
// model (InhomogeneousSolventSettings) and the command that switches the
// model on or off. Switching on converts the model's s and D to standard
// conditions (the solver then carries the solvent as local factors);
// switching off converts them back. The co-solute's coefficient files are
// chosen from the dialog.

#include <vector>

#include "platform/FormDialog.h"
#include "platform/Platform.h"

// The menu item of the command; it carries the model's check mark.
inline constexpr int kInhomogeneousSolventItem = 542;

// The dialog's transfer record, kept between calls.
extern platform::FormState DensgradTransfer;
// Every tick off and every text empty.
void ResetDensgradTransfer(platform::FormState& transfer);

std::vector<platform::FormItem> DensgradBoxItems();
// With the model switched on in the dialog, the number entries must be
// non-negative numbers (the compressibility any number): otherwise the
// dialog stays open with the focus on the entry. A co-solute grid of fewer
// than 5 points is refused with its message.
platform::FormRefusal DensgradBoxCheck(const platform::FormState& state);

// The whole command; returns whether the model is on (the item's check
// mark). Cancel changes nothing.
bool SetInhomogeneousSolvent(platform::WindowHandle window);

// The notes shown once per program run, shown again after this (tests).
void ResetDensgradNotes();
