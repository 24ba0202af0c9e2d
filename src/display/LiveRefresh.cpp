#include "display/LiveRefresh.h"

#include <cmath>
#include <utility>

#include "data/ResidualBitmap.h"
#include "display/DirectRedraws.h"
#include "state/MainPlotLayout.h"
#include "models/FitResultDisplay.h"
#include "platform/Platform.h"

namespace display {

LiveRefreshStateRecord LiveRefreshState;

namespace {

std::uint32_t TickCount() {
  // The 32-bit millisecond counter wraps after 49 days; the comparison below
  // is in the same unsigned arithmetic.
  return static_cast<std::uint32_t>(platform::Current().TickCountMs());
}

void Refresh(platform::WindowHost* window) {
  const auto& o = MainDisplayOptions;
  if (o.LiveUpdateDataPlot) RedrawDataPlotNow(window);
  if (o.LiveUpdateResidualPlot) RedrawResidualPlotsNow(window);
  if (o.LiveUpdateResidualBitmap && window) {
    platform::Canvas& c = window->ClientCanvas();
    c.Save();
    c.SetMapMode(platform::MapMode::Text);
    DrawResidualBitmap(c);
    c.Restore();
  }
  if (o.LiveUpdateDistributionPlot) RedrawDistributionPlotNow(window);
}

}  // namespace

void TimedPlotRefresh(platform::WindowHost* window) {
  const auto& o = MainDisplayOptions;
  if (!o.LiveUpdateDataPlot && !o.LiveUpdateResidualPlot && !o.LiveUpdateResidualBitmap &&
      !o.LiveUpdateDistributionPlot)
    return;
  auto& s = LiveRefreshState;
  const std::uint32_t now = TickCount();
  if (s.Started) {
    const auto interval = static_cast<std::uint32_t>(std::floor(o.LiveUpdateInterval * 1000.0f));
    if (!(now > s.LastRefreshMs + interval)) return;
  }
  s.Started = true;
  s.LastRefreshMs = TickCount();
  Refresh(window);
}

void InstallLiveRefreshHook(std::function<platform::WindowHost*()> window) {
  ::TimedPlotRefresh = [window = std::move(window)] {
    TimedPlotRefresh(window ? window() : nullptr);
  };
}

}  // namespace display
