#pragma once
// The check of the loaded scans' time stamps against their recorded elapsed
// times. The time-stamp tool installs it; until then it finds nothing.

#include <functional>

#include "state/WindowHandle.h"

// True when the user let it rewrite the scan files with corrected times; it
// has then built and written the list of the rewritten files, and the loader
// loads that list again.
extern std::function<bool(platform::WindowHandle)> TimeStampCheck;
