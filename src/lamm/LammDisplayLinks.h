#pragma once
// What a run of the Lamm solver needs of the main window's display to show
// itself while it computes: the data plot over which each computed scan is
// drawn, and the drawing of such a curve straight into the window (no paint
// message is processed while a run computes). The display installs both at
// start; until it does (tests, a batch run inside the window's construction)
// there is no plot and nothing is drawn.

#include <functional>

#include "platform/Color.h"
#include "state/WindowHandle.h"

class CWINPlot;

struct LammDisplayLinksRecord {
  // The main window's data plot; null while there is none.
  std::function<CWINPlot*()> DataPlot;
  // Draws the curve x[1..n], y[1..n] (the plot's radius and signal units)
  // over the plot into the window's client area and puts it on screen; size
  // is the overlay's line size. A window or plot that is not the main
  // window's draws nothing.
  std::function<void(platform::WindowHandle window, CWINPlot* plot, int n, float* x, float* y,
                     platform::Color colour, int size)>
      DrawCurve;
};

extern LammDisplayLinksRecord LammDisplayLinks;

// Both links back to their defaults: no plot, nothing drawn (the display's
// own behaviour without a window).
void ResetLammDisplayLinks();

// Colour of the live curve of equation (or species) 1, 2, 3, 4: purple,
// green, blue, teal; black for any other.
platform::Color EquationColour(int equation);
