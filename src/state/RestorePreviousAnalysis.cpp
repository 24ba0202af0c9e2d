#include "state/RestorePreviousAnalysis.h"

std::function<bool(platform::WindowHandle, bool)> OfferRestorePreviousData =
    [](platform::WindowHandle, bool) { return false; };
