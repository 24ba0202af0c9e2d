#include "state/ComputationAbort.h"

std::atomic<bool> ComputationAbort{false};
