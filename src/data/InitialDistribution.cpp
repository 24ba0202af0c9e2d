#include "data/InitialDistribution.h"

InitialDistributionRecord InitialDistribution;

std::function<void()> ExtrapolateInitialDataLeft = [] {};
std::function<void()> ExtrapolateInitialDataRight = [] {};
