#pragma once
// The time course of the first component's M and s: the current discrete
// model fitted again and again to sets of consecutive scans, either moving
// sets (1-4, 2-5, ...) whose first scan is the initial profile, or growing
// sets (1-4, 1-5, ...), each result at the set's time. The series ends with
// the parameters as they were, the first scan as initial profile again, the
// M(t) plot and the two result files.

#include <functional>

#include "platform/Metafile.h"
#include "platform/Platform.h"

// The fit of one set; the discrete fit driver unless a test puts another.
extern std::function<bool(platform::WindowHandle)> TimeDependentSetFit;

// False (after saying why) when scansPerSet is outside 1 .. NFILES or fewer
// than two scans are loaded.
bool FitTimeDependentSMMoving(platform::WindowHandle window, int scansPerSet);
bool FitTimeDependentSMIncreasing(platform::WindowHandle window, int scansPerSet);
// The M(t) plot laid out and rendered; null without results.
platform::Metafile RenderTimeDependentPlot();
void FreeTimeDependentFitData();
// Makes scan k (in time order) the experimental initial profile.
void UseScanAsInitialData(int k);
