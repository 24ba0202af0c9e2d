#pragma once
// The main window's three plots of the loaded scans: the data plot (one
// curve per scan, model curves drawn over it as overlays), the residual plot
// (signal minus model per scan) and the auxiliary plot holding the histogram
// of all residuals. They are built from the loaded data set, whose arrays
// the curves only view, placed in the plot space by the layout and the
// display options, and rendered into their own pictures; the paint and the
// direct redraws only replay those pictures.
//
// Tool screens may put a plot of their own into DataPlot and give the old
// one back when they close; whatever DataPlot holds counts as the data plot.

#include <memory>

#include "platform/Metafile.h"
#include "plot/CWINPlot.h"

namespace display {

struct MainPlotsRecord {
  std::unique_ptr<CWINPlot> DataPlot;
  std::unique_ptr<CWINPlot> ResidualPlot;
  // The residual histogram; none for light-scattering data.
  std::unique_ptr<CWINPlot> AuxPlot;
};

extern MainPlotsRecord MainPlots;

// Rebuilds the three plots from the loaded data set, one curve per scan in
// time order, with colours, styles and titles for the kind of data. Renders
// nothing. Nothing happens when scan 1 has no data curve.
void BuildMainDataPlots();
// Releases the three plots.
void DestroyMainPlots();
// Places the plots for the display options; renders nothing.
void LayoutMainPlots();
// Only the histogram beside the residual plot. Placing a plot lays out its
// ranges anew, so the data and residual plots, whose pictures were made
// with the ranges they have, are left alone.
void PlaceHistogramPlot();
void LayoutAndRenderMainPlots();
// The data plot, or the residual plot, alone over the whole height.
void PlaceAndRenderDataPlot();
void PlaceAndRenderResidualPlot();
// Renders the data plot, laid out anew first when relayout is set.
void RenderDataPlot(bool relayout);

// The pictures of the three plots; none when the plot does not exist.
platform::Metafile DataPlotMetafile();
platform::Metafile ResidualPlotMetafile();
platform::Metafile HistogramPlotMetafile();

// Recomputes the residuals of every scan and renders the residual plot.
// Without fit limits every point gets signal - model (and rangeFlag lays the
// plot out anew); with fit limits points outside each scan's fit index range
// get 0, rangeFlag fixes the plot's x range to the limits, and the per-scan
// rmsd file is rewritten while it is switched on. Unlike the data layer's
// plain refresh, this one knows the plot's ranges.
void UpdateResiduals(bool rangeFlag);

// Installs the operations above where the data set and the loaders call
// them (the display hooks, the plot destruction, the residual plot's y
// range for the residual bitmap). Called once at start.
void InstallMainPlotHooks();

}  // namespace display
