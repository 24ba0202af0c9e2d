#pragma once
// The colour of each scan in every plot of scans: either a ramp over the
// time order of the scans (black through blue, cyan, green-yellow and yellow
// to red), so that early and late scans are told apart at a glance, or a
// fixed cycle of distinct colours that repeats dimmed after fourteen scans.

#include "platform/Color.h"

namespace display {

// The colour of the scan at time rank i of the loaded scans (1 = earliest);
// black without scans.
platform::Color ScanColour(int i);
// The ramp at t = a / b, t clamped to [0, 1]; black for b = 0.
platform::Color RampColour(int a, int b);
// The ramp at t (clamped to [0, 1]).
platform::Color RampColourAt(float t);
// The fixed cycle for scan position i of scanCount scans.
platform::Color CycleColour(int i, int scanCount);

}  // namespace display
