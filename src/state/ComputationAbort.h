#pragma once
#include <atomic>

// The interrupt flag of long computations: set by a key press during a run,
// by a failing worker, or by a refused set-up; read by the solvers, the list
// runners and the fits, on the user-interface thread and the workers alike.
extern std::atomic<bool> ComputationAbort;
