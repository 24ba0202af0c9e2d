#include "display/SolverLiveDisplay.h"

#include <utility>

#include "display/DirectRedraws.h"
#include "display/MainPlots.h"
#include "lamm/LammDisplayLinks.h"
#include "platform/Platform.h"
#include "plot/CWINPlot.h"
#include "state/MainPlotLayout.h"

namespace display {

namespace {

CWINPlot* ShownDataPlot() {
  return MainDisplayOptions.ShowData ? MainPlots.DataPlot.get() : nullptr;
}

}  // namespace

void InstallSolverLiveDisplay(std::function<platform::WindowHost*()> window) {
  LammDisplayLinks.DataPlot = ShownDataPlot;
  LammDisplayLinks.DrawCurve = [window = std::move(window)](platform::WindowHandle handle,
                                                            CWINPlot* plot, int n, float* x,
                                                            float* y, platform::Color colour,
                                                            int size) {
    platform::WindowHost* host = window ? window() : nullptr;
    // A run set up before the plot was rebuilt must not draw over another.
    if (!host || handle != host->Handle() || !plot || plot != ShownDataPlot() || n < 1) return;
    const platform::Size client = host->ClientSize();
    constexpr int kSolidLine = -1;
    ReplayInPlotSpace(host->ClientCanvas(), client,
                      plot->RenderOverlayArrays(x, y, n, colour, kSolidLine, size));
    platform::Current().ShowWindowDrawing(handle, {0, 0, client.width, client.height});
  };
}

}  // namespace display
