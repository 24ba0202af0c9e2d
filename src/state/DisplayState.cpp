#include "state/DisplayState.h"

std::atomic<bool> DrawingAllowed{false};

std::function<void()> BuildMainDataPlots = [] {};
std::function<void(bool)> RenderDataPlot = [](bool) {};
std::function<void()> RenderResidualPlot = [] {};
std::function<void(bool)> UpdateHistogramPlot = [](bool) {};
std::function<void()> BuildResidualHistogram = [] {};
std::function<void(int)> ShowNoiseButtons = [](int) {};
std::function<void(int)> HideNoiseButtons = [](int) {};
std::function<void(platform::WindowHandle, float)> ShowLoadProgress = [](platform::WindowHandle,
                                                                         float) {};
std::function<void()> RemoveLoadProgress = [] {};
