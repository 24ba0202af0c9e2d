#include "state/DistributionPlotFlags.h"

DistributionPlotFlagsRecord DistributionPlotFlags;
std::function<void()> InitDistributionPlot = [] {};
