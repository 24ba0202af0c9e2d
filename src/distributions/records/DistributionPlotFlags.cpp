#include "distributions/records/DistributionPlotFlags.h"

DistributionPlotFlagsRecord DistributionPlotFlags;
std::function<void()> InitDistributionPlot = [] {};
