#include "display/PriorOverlay.h"

#include <cstddef>
#include <vector>

#include "display/DistributionPlot.h"
#include "distributions/ContiGrid.h"
#include "distributions/PriorProfile.h"
#include "plot/CWINPlot.h"
#include "state/DistributionSettingsRecords.h"
#include "state/PriorSettings.h"

namespace display {

void DrawPriorOverlay(platform::Canvas& canvas) {
  const PriorSettingsRecord& p = PriorSettings;
  if (!p.PriorOnS && !p.DiscreteSpeciesPriorOn) return;
  const CWINPlot* plot = DistributionPlots.DistributionPlot.get();
  if (plot == nullptr) return;
  const std::vector<double>& priors = DistributionGrid.PriorProbabilities;
  const std::vector<double>& grid = PriorGridValues;
  const int n = DistributionSettings.DistGridSize;
  const auto size = static_cast<std::size_t>(n) + 1;
  if (n < 1 || priors.size() < size || grid.size() < size) return;
  double largest = priors[1];
  for (int j = 2; j <= n; ++j)
    if (priors[static_cast<std::size_t>(j)] > largest) largest = priors[static_cast<std::size_t>(j)];
  if (!(largest > 0.0)) return;
  // In double precision, as the priors are held.
  const double scale = static_cast<double>(plot->fYMax) / largest;
  std::vector<double> scaled(size, 0.0);
  for (int j = 1; j <= n; ++j)
    scaled[static_cast<std::size_t>(j)] = priors[static_cast<std::size_t>(j)] * scale;
  plot->RenderOverlayDoubleArrays(grid.data(), scaled.data(), n, platform::Rgb(255, 100, 100), 14,
                                  0)
      .Play(canvas);
}

}  // namespace display
