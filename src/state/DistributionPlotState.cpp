#include "state/DistributionPlotState.h"

DistributionPlotStateRecord DistributionPlotState;
