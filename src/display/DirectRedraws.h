#pragma once
// Immediate pictures of the main plots outside the paint: after a handler
// changed something it wants seen at once, and from the live refresh of a
// running fit, when no paint message can be processed. Each replays the
// plots' pictures onto the client area in the paint's mapping; only the
// overlays are recorded anew.

#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/Window.h"

namespace display {

// The data plot with its cursor lines (meniscus, reference meniscus, bottom,
// fit limits, the free cursor line), the model curves, the time-invariant
// noise and the experimental initial distribution; only while the data are
// shown.
void RedrawDataPlotNow(platform::Canvas& window, platform::Size client);
void RedrawDataPlotNow(platform::WindowHost* window);
// The residual plot and, when shown, the histogram.
void RedrawResidualPlotsNow(platform::Canvas& window, platform::Size client);
void RedrawResidualPlotsNow(platform::WindowHost* window);
// The distribution plot of a continuous or van Holde-Weischet model.
void RedrawDistributionPlotNow(platform::Canvas& window, platform::Size client);
void RedrawDistributionPlotNow(platform::WindowHost* window);

// Shared with the paint: the picture replayed in the plot-space mapping of a
// client area of the given size.
void ReplayInPlotSpace(platform::Canvas& window, platform::Size client,
                       const platform::Metafile& picture);
// The model curves (one per scan, in the scans' colours), the fitted
// time-invariant noise and the experimental initial distribution over the
// data plot, in the plot-space mapping.
void ReplayDataPlotOverlays(platform::Canvas& window, platform::Size client);

}  // namespace display
