#pragma once
// What the operations on the loaded data need of the subsystems above them:
// the cursor, the data plot's display range, the tool plot of the
// equilibrium test, and the model runs behind synthetic data. Those
// subsystems install the operations at start; until they do (tests, a batch
// run without a window) each one is harmless: nothing is shown and no model
// is computed.

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

// One curve for the tool plot in the data plot's place.
struct ToolCurvePlot {
  std::vector<float> x, y;  // zero-based copies; the display takes them over
  std::string xTitle, yTitle;
  bool symbols = false;  // symbols (style 6, size 10) joined by lines; else lines
};

// A radial and signal range of the data plot.
struct DisplayRange {
  float minRadius = 0.0f, maxRadius = 0.0f, minSignal = 0.0f, maxSignal = 0.0f;
};

struct DataOperationLinksRecord {
  // The wait cursor while a long save runs (true), the arrow afterwards.
  std::function<void(bool busy)> ShowWaitCursor;
  // One more level of the data plot's zoom history (at most level 9; at the
  // top the top level is overwritten) holding the range.
  std::function<void(const DisplayRange&)> PushDisplayRange;
  // Sets the data plot's axes to the range and renders it.
  std::function<void(const DisplayRange&)> SetDataPlotRanges;
  // Replaces the tool plot by one of the curve, over the data plot's area.
  std::function<void(const ToolCurvePlot&)> ShowToolPlot;
  // Computes the model of the discrete species into the scans' models.
  std::function<void(platform::WindowHandle)> SimulateModel;
  // Loads the distribution file that synthetic data are made from.
  std::function<bool(const std::string&)> LoadDistributionFile;
  // Computes the model of the current continuous distribution.
  std::function<void(platform::WindowHandle)> RunContinuousModel;
};

extern DataOperationLinksRecord DataOperationLinks;

// Shows the wait cursor for as long as the guard lives, whichever way its
// scope is left.
struct BusyCursor {
  BusyCursor() { DataOperationLinks.ShowWaitCursor(true); }
  ~BusyCursor() { DataOperationLinks.ShowWaitCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Every link back to its harmless default.
void ResetDataOperationLinks();
