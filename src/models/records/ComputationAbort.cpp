#include "models/records/ComputationAbort.h"

std::atomic<bool> ComputationAbort{false};
