#include "state/LammThreadCount.h"

std::atomic<int> LammThreadCount{2};
