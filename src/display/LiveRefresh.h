#pragma once
// The live plots of a running fit. No paint message is processed while a
// fit computes, so the fit loops call TimedPlotRefresh between evaluations;
// it redraws the chosen plots directly, at most once per LiveUpdateInterval,
// which bounds the drawing cost of a fit.

#include <cstdint>
#include <functional>

#include "platform/Window.h"

namespace display {

struct LiveRefreshStateRecord {
  std::uint32_t LastRefreshMs = 0;
  bool Started = false;
};

extern LiveRefreshStateRecord LiveRefreshState;

// Redraws the plots whose live-update option is on (data plot, residual
// plots, residual bitmap, distribution plot, in that order) when the
// interval has passed since the last refresh, or at the first call ever.
// Recomputes nothing: the callers have rendered the plots before.
void TimedPlotRefresh(platform::WindowHost* window);

// Makes the fit loops' refresh hook call TimedPlotRefresh on the window
// that the given function names at that moment (none before the window
// exists, as during a batch run).
void InstallLiveRefreshHook(std::function<platform::WindowHost*()> window);

}  // namespace display
