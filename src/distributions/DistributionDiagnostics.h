#pragma once
// The distribution runs' lines in the diagnostics file: where a run, its
// kernel, its normal equations and a fit's evaluations begin and end, so
// that a run that hangs or crashes shows how far it got. The hook writes
// only while diagnostics output is switched on.

#include "state/LoadOptions.h"

inline void LogDistributionStep(platform::WindowHandle window, const char* text) {
  if (DebugLog) DebugLog(window, text);
}
