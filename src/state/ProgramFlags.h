#pragma once
// Program-wide flags of the application shell that the analysis layers read.
// Flags that worker threads read are atomic.

#include <atomic>

// Set during serialized fits: no repaints, no questions; failures of the
// numerical routines become codes instead of message boxes.
extern std::atomic<bool> RedrawSuppressed;
// Code of the last numerical failure while RedrawSuppressed is set.
extern std::atomic<int> NumericErrorState;
// Problem code of the current data set of a serial fit (0 = none).
extern std::atomic<int> SerialFitErrorCode;
// A batch run is in progress.
extern std::atomic<bool> BatchMode;
// The batch run has finished and asked for AutoExit: the first paint of the
// window runs Exit (once: ExitRequested is set then).
extern std::atomic<bool> BatchDone;
extern std::atomic<bool> ExitRequested;
