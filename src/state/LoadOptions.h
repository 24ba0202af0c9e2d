#pragma once
// The switches of the application shell that change how a data set is
// loaded, and the shell operations a load calls when it is done. The
// operations are installed by the main window; until then (tests, batch runs
// without a window) each one does nothing, and the temperature check passes.

#include <functional>
#include <string>

#include "state/WindowHandle.h"

struct LoadOptionsRecord {
  // A preference: after loading, compare the scans' time stamps with their
  // recorded times (and rewrite them when the user agrees).
  bool TimeStampCheckOn = false;
  // The multi-speed load commands are loading: no speed-step coupling, and a
  // reload does not run the model.
  bool MultiSpeedAutoload = false;
  // The folder named in a list file does not exist and the user chose the
  // list file's own folder instead (ListFileLocation).
  bool UseListFolder = false;
  std::string ListFileLocation;  // folder of the list file, with its drive
  // Files kept beside the data are named after the data file ("x.~p",
  // "x.not") instead of "~tmppars" and "notes" with the data extension.
  bool OldFilenameConvention = false;
  // The realtime update of a growing data folder is running; a failed load
  // then sets RealtimeLoadFailed so that the update can stop.
  bool RealtimeModeActive = false;
  bool RealtimeLoadFailed = false;
  // The approach-to-equilibrium test mode of the realtime update.
  bool EqTestMode = false;
};

extern LoadOptionsRecord LoadOptions;

// Runs the current model on the loaded data (the "&Run" command), directly or
// by forwarding.
extern std::function<void(platform::WindowHandle)> RunModel;
extern std::function<void(platform::WindowHandle)> InvokeRunModel;
// Invalidates the main window so that it is repainted (nothing while
// RedrawSuppressed is set).
extern std::function<void(platform::WindowHandle)> RepaintMainWindow;
// Sets the caption of the main window.
extern std::function<void(platform::WindowHandle, const std::string&)> SetMainWindowCaption;
// True when every scan's temperature lies within limit degrees of the
// earliest scan's; otherwise shows the temperatures and answers false.
extern std::function<bool(platform::WindowHandle, float limit)> CheckTemperatureFluctuation;
// Appends a line to the diagnostics log while diagnostics output is on.
extern std::function<void(platform::WindowHandle, const std::string&)> DebugLog;
