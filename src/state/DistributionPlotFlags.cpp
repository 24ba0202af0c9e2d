#include "state/DistributionPlotFlags.h"
#include "state/Links.h"

DistributionPlotFlagsRecord DistributionPlotFlags;
std::function<void()> InitDistributionPlot = links::Unwired;
