#pragma once
// The main plots on a printed page. The printout has set a mapping of the
// window's client area onto the page; the page shows the data plot with its
// lines, the model curves in black, the residual plot and, on request, the
// last best-fit information. The screen plots keep their colours.

#include "platform/Canvas.h"
#include "platform/Platform.h"

namespace display {

// One page: owner is the window that owns the question box.
void PrintMainPlots(platform::Canvas& page, platform::WindowHandle owner);

}  // namespace display
