#pragma once
// Stand-ins for the hooks of the program-wide records that the window
// installs at start, for the tests of a layer run without it. Each says
// what it stands for; a test that checks what a hook receives installs its
// own recorder over it.

#include <string>

#include "state/ContiNonidSimLink.h"
#include "state/DisplayState.h"
#include "state/DistributionPlotFlags.h"
#include "state/LoadOptions.h"
#include "state/RestorePreviousAnalysis.h"
#include "state/TimeStampCheck.h"

namespace testsupport {

inline void InstallNoWindowHooks() {
  // No window: no plots, noise buttons, progress line, caption or repaint.
  BuildMainDataPlots = [] {};
  RenderDataPlot = [](bool) {};
  RenderResidualPlot = [] {};
  UpdateHistogramPlot = [](bool) {};
  BuildResidualHistogram = [] {};
  ShowNoiseButtons = [](int) {};
  HideNoiseButtons = [](int) {};
  ShowLoadProgress = [](platform::WindowHandle, float) {};
  RemoveLoadProgress = [] {};
  RepaintMainWindow = [](platform::WindowHandle) {};
  SetMainWindowCaption = [](platform::WindowHandle, const std::string&) {};
  InitDistributionPlot = [] {};
  // No model command after a load: the data stay as loaded.
  RunModel = [](platform::WindowHandle) {};
  InvokeRunModel = [](platform::WindowHandle) {};
  // Nobody to ask: the temperatures are accepted, the time stamps left as
  // they are and no earlier analysis is restored.
  CheckTemperatureFluctuation = [](platform::WindowHandle, float) { return true; };
  TimeStampCheck = [](platform::WindowHandle) { return false; };
  OfferRestorePreviousData = [](platform::WindowHandle, bool) { return false; };
  // Diagnostics off: the line is dropped.
  DebugLog = [](platform::WindowHandle, const std::string&) {};
  // No nonideal simulation is held above the data.
  DestroyContiNonidSim = [] {};
}

}  // namespace testsupport
