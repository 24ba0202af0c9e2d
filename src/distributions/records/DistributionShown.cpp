#include "distributions/records/DistributionShown.h"

bool DistributionShown = false;
