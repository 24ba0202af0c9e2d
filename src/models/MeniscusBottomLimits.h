#pragma once
// The limits within which fits move meniscus and bottom: automatic around
// the current positions (DefaultMeniscusBottomLimits, data/DataSetServices.h)
// or set by the user in a small table, kept until the next load.

#include <functional>

#include "platform/Platform.h"

// True when the limits enclose meniscus and bottom and stay clear of the fit
// range.
bool MeniscusBottomLimitsConsistent();

// Lets the user set the limits; without force only when the current ones are
// inconsistent. Returns true when something was asked and confirmed.
bool EditMeniscusBottomLimits(platform::WindowHandle window, bool force);

// Repaints the main window after the limits changed (the program's repaint
// hook; tests may put their own here).
extern std::function<void(platform::WindowHandle)> RepaintAfterLimits;
