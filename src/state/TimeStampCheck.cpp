#include "state/TimeStampCheck.h"
#include "state/Links.h"

std::function<bool(platform::WindowHandle)> TimeStampCheck = links::Unwired;
