#pragma once
// The Lamm solver's live display: while a simulation runs (no paint message
// is processed then), each computed scan is drawn over the data plot
// straight into the main window.

#include <functional>

#include "platform/Window.h"

namespace display {

// Gives the solver the data plot (while the data are shown) and draws its
// curves into the window that the given function names at that moment; no
// window, nothing drawn.
void InstallSolverLiveDisplay(std::function<platform::WindowHost*()> window);

}  // namespace display
