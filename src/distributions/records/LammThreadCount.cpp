#include "distributions/records/LammThreadCount.h"

std::atomic<int> LammThreadCount{2};
