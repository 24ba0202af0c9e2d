#include "state/LoadOptions.h"
#include "state/Links.h"

LoadOptionsRecord LoadOptions;

std::function<void(platform::WindowHandle)> RunModel = links::Unwired;
std::function<void(platform::WindowHandle)> InvokeRunModel = links::Unwired;
std::function<void(platform::WindowHandle)> RepaintMainWindow = links::Unwired;
std::function<void(platform::WindowHandle, const std::string&)> SetMainWindowCaption = links::Unwired;
std::function<bool(platform::WindowHandle, float)> CheckTemperatureFluctuation = links::Unwired;
std::function<void(platform::WindowHandle, const std::string&)> DebugLog = links::Unwired;
