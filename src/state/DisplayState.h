#pragma once
// What the main window's display offers to the code that changes the data:
// the drawing permission and the operations that rebuild and render the main
// plots, the residual histogram, the noise buttons and the progress line of a
// load. The display installs the operations; until it does, each does
// nothing.

#include <atomic>
#include <functional>

#include "state/WindowHandle.h"

// 0 at start; the main window's first paint sets it and nothing clears it.
// Nothing is drawn into a window before then (a batch run inside the main
// window's construction draws nothing).
extern std::atomic<bool> DrawingAllowed;

// Rebuilds the data, residual and histogram plots, one curve per scan.
extern std::function<void()> BuildMainDataPlots;
// Renders the data plot, after a new layout when relayout is true.
extern std::function<void(bool relayout)> RenderDataPlot;
// Renders the residual plot.
extern std::function<void()> RenderResidualPlot;
// Rebuilds and, when render is true, renders the residual histogram when shown.
extern std::function<void(bool render)> UpdateHistogramPlot;
// Releases and rebuilds the vectors of the residual histogram.
extern std::function<void()> BuildResidualHistogram;
// Show or remove the on-screen buttons for subtracting and restoring
// systematic noise.
extern std::function<void(int)> ShowNoiseButtons;
extern std::function<void(int)> HideNoiseButtons;

// The progress line of a running load, at 10, 10 in the main window: shown
// or advanced to the fraction done, and removed.
extern std::function<void(platform::WindowHandle, float fraction)> ShowLoadProgress;
extern std::function<void()> RemoveLoadProgress;
