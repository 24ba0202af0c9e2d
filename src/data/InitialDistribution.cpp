#include "data/InitialDistribution.h"
#include "state/Links.h"

InitialDistributionRecord InitialDistribution;

std::function<void()> ExtrapolateInitialDataLeft = links::Unwired;
std::function<void()> ExtrapolateInitialDataRight = links::Unwired;
