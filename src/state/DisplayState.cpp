#include "state/DisplayState.h"
#include "state/Links.h"

std::atomic<bool> DrawingAllowed{false};

std::function<void()> BuildMainDataPlots = links::Unwired;
std::function<void(bool)> RenderDataPlot = links::Unwired;
std::function<void()> RenderResidualPlot = links::Unwired;
std::function<void(bool)> UpdateHistogramPlot = links::Unwired;
std::function<void()> BuildResidualHistogram = links::Unwired;
std::function<void(int)> ShowNoiseButtons = links::Unwired;
std::function<void(int)> HideNoiseButtons = links::Unwired;
std::function<void(platform::WindowHandle, float)> ShowLoadProgress = links::Unwired;
std::function<void()> RemoveLoadProgress = links::Unwired;
