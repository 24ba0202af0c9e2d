#include "state/LoadOptions.h"

LoadOptionsRecord LoadOptions;

std::function<void(platform::WindowHandle)> RunModel = [](platform::WindowHandle) {};
std::function<void(platform::WindowHandle)> InvokeRunModel = [](platform::WindowHandle) {};
std::function<void(platform::WindowHandle)> RepaintMainWindow = [](platform::WindowHandle) {};
std::function<void(platform::WindowHandle, const std::string&)> SetMainWindowCaption =
    [](platform::WindowHandle, const std::string&) {};
std::function<bool(platform::WindowHandle, float)> CheckTemperatureFluctuation =
    [](platform::WindowHandle, float) { return true; };
std::function<void(platform::WindowHandle, const std::string&)> DebugLog =
    [](platform::WindowHandle, const std::string&) {};
