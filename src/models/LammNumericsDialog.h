#pragma once
// "Numerical Control of Lamm Equation Solution": the dialog of the Lamm
// solver settings (command "Lamm Equation Parameters"). It shows the
// settings, refuses entries that are not numbers or that would leave the
// solvers without a usable grid, applies what was entered (scan times,
// speed steps, algorithm, step control) and offers to keep the result as
// the defaults of the preference file.

#include <vector>

#include "platform/FormDialog.h"
#include "platform/Platform.h"

// The dialog's transfer record: the texts and ticks of its controls, kept
// between calls.
extern platform::FormState LammPBoxTransfer;
void ClearLammPBoxTransfer(platform::FormState& transfer);

// The dialog's controls, group boxes first in their places.
std::vector<platform::FormItem> LammPBoxItems();
// OK is refused (beep, "Invalid Entry") unless the number fields hold
// numbers of their sign; grid sizes below the smallest usable grid, and an
// upper grid limit below the lower one, are refused with their own message.
platform::FormRefusal LammPBoxCheck(const platform::FormState& state);

// The command: fill the record from the settings, run the dialog, store.
void CmLammEquationParameters(platform::WindowHandle window);
