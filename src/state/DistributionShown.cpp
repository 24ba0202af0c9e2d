#include "state/DistributionShown.h"

bool DistributionShown = false;
