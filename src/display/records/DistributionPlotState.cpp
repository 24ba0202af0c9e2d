#include "display/records/DistributionPlotState.h"

DistributionPlotStateRecord DistributionPlotState;
