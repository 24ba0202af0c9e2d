#pragma once
// A window a test builds itself, wired as the program start wires one: the
// analysis hooks and the window's own hooks, installed by the very functions
// the start calls, so that a test's window cannot drift from the program's.
// The window's destructor takes its hooks back.

#include "app/window/TXLAWindow.h"
#include "app/wiring/AnalysisHooks.h"
#include "display/MainPlots.h"

inline void WireAsTheProgramStartDoes(TXLAWindow& window) {
  InstallAnalysisHooks();
  window.InstallWindowHooks();
}

// The part of it that needs no window, for fixtures that free the data set
// before any window is wired: the analysis hooks and the main plots' hooks.
inline void InstallWindowlessStartLinks() {
  InstallAnalysisHooks();
  display::InstallMainPlotHooks();
}
