#pragma once
// Offering the earlier analysis of a data folder again after a load. The
// models install the operation; until they do, nothing is offered.

#include <functional>

#include "state/WindowHandle.h"

// When the temporary parameter file of the data folder exists and holds a
// complete set of values, offers the earlier analysis of this folder and
// reloads the stored parameters; true when they were restored.
extern std::function<bool(platform::WindowHandle, bool atLoad)> OfferRestorePreviousData;
