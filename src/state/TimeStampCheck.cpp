#include "state/TimeStampCheck.h"

std::function<bool(platform::WindowHandle)> TimeStampCheck = [](platform::WindowHandle) {
  return false;
};
