#include "state/RestorePreviousAnalysis.h"
#include "state/Links.h"

std::function<bool(platform::WindowHandle, bool)> OfferRestorePreviousData = links::Unwired;
