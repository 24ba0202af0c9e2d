#pragma once
// Steps of the start and the end of the program that other parts of the
// shell and the display perform: the preference file, the time-to-equilibrium
// tool, the mouse actions of the scan corrections, the plotting programs, the
// main plots, the model notes, the batch run and its results. The main
// window calls them at their places in its construction, set-up and Exit.
// The program-wide record holds the real steps; a step whose owner does not
// provide it yet does nothing (the preference reader would answer "no
// file", the writer "not written"). Tests put recording steps in their place.

#include <functional>

class TXLAWindow;

struct ShellServicesRecord {
  // Reads the preference file; false when it is missing or holds no number.
  std::function<bool(TXLAWindow&)> ReadPreferences = [](TXLAWindow&) { return false; };
  // Writes the whole preference file; false when it cannot be written.
  std::function<bool(TXLAWindow&)> WritePreferences = [](TXLAWindow&) { return false; };
  // Loads the parameters of the time-to-equilibrium tool.
  std::function<void()> InitTimeToEquilibrium = [] {};
  // Creates the interactive scan-correction tools.
  std::function<void()> CreateMouseActions = [] {};
  // Runs the whole batch inside the window's construction.
  std::function<void(TXLAWindow&)> RunBatch = [](TXLAWindow&) {};
  // Writes the batch results and the all-done flag file at Exit.
  std::function<void(TXLAWindow&)> WriteBatchResultsAndExit = [](TXLAWindow&) {};
  // Removes the menu items of the external plotting programs not installed.
  std::function<void(TXLAWindow&)> FindPlotPrograms = [](TXLAWindow&) {};
  // Places and renders the main plots.
  std::function<void(TXLAWindow&)> LayoutAndRenderMainPlots = [](TXLAWindow&) {};
  // The model commands show their notes from now on (they stay silent
  // during the start and a whole batch run).
  std::function<void()> AllowModelNotes = [] {};
  // Empties the history of display ranges.
  std::function<void()> ClearDisplayRangeStack = [] {};
};

extern ShellServicesRecord ShellServices;
