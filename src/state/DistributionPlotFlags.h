#pragma once
// What the distribution runs and the grid step share with the distribution
// plot of the main window: whether the shown distribution was converted into
// a density per unit molar mass, whether clearing the plot lays the main
// plots out anew, and the rebuild of the plot that a run asks for. The
// display installs the rebuild; until then it does nothing.

#include <functional>

struct DistributionPlotFlagsRecord {
  // DistValues were turned into c(M) in place and the plot shows them over
  // M. A second conversion would distort them again, so it is refused while
  // set; cleared when a plot over s is built and by a run of the c(s) model
  // with an M(s) table.
  bool DistShownAsMolarMass = false;
  // Clearing the distribution plot gives the main plots their full height
  // back and renders them. The grid step, which builds a new distribution
  // plot at once, holds this at false around its clearing to spare a
  // rendering.
  bool RelayoutMainPlotsOnClear = true;
};

extern DistributionPlotFlagsRecord DistributionPlotFlags;

// Makes the distribution plot afresh for the current model over the
// distribution arrays as they stand (the grid limits follow them).
extern std::function<void()> InitDistributionPlot;
