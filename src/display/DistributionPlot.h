#pragma once
// The distribution plot: the third plot of the main window, below the data
// and residual plots, which shrink while it exists. It shows the current
// continuous distribution as a curve over its grid (a second curve beside it
// when both regularisations are shown), the distribution converted into
// c(M), or, for the two s x f/f0 models, a two-dimensional display: a colour
// map over s and f/f0 with the marginal c(s) on top, or a scatter of the 2-D
// grid points in one of four axis pairs.
//
// The plot's vectors wrap the arrays of DistributionResult and
// DistributionGrid without copying them, so a rendering always shows their
// current values. Every rendering first attaches the vectors anew, so that a
// grid array that was reallocated since the plot was built is never read
// through a stale pointer.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "platform/Metafile.h"
#include "plot/CWINPlot.h"
#include "state/Links.h"

namespace display {

// The plot objects; each is none while absent. The plot only borrows the
// curves, and the curves borrow the vectors, so the plot goes first.
struct DistributionPlotsRecord {
  std::unique_ptr<CVector> DistPlotX;  // DistSGrid or DistMGrid, points 1..n
  std::unique_ptr<CVector> DistPlotValues;
  std::unique_ptr<CVector> DistPlotSecondValues;
  std::unique_ptr<CCurve> DistCurve;
  std::unique_ptr<CCurve> DistSecondCurve;
  // Two arrays of the s x f/f0 grid (s, M, D, Stokes radius or f/f0).
  std::unique_ptr<CVector> Dist2DX;
  std::unique_ptr<CVector> Dist2DY;
  std::unique_ptr<CCurve> Dist2DCurve;
  std::unique_ptr<CWINPlot> DistributionPlot;
  // The one-based arrays the vectors wrap (program-wide records, borrowed),
  // so that every rendering can attach the vectors to them as they are then.
  std::vector<float>* XSource = nullptr;  // DistSGrid or DistMGrid
  std::vector<float>* X2DSource = nullptr;
  std::vector<float>* Y2DSource = nullptr;
  int First2DPoint = 1;  // 2-D point 1 is the discrete species of one model
};

extern DistributionPlotsRecord DistributionPlots;

// What the plot needs of the parts above the display: the main window's
// button that integrates the distribution, and the release of the Monte
// Carlo limit curves that an analysis added to the plot. Each does nothing
// while not installed.
struct DistributionPlotLinksRecord {
  std::function<void()> ShowIntegrateButton = links::Unwired;
  std::function<void()> HideIntegrateButton = links::Unwired;
  std::function<void()> ReleaseMonteCarloCurves = links::Unwired;
};

extern DistributionPlotLinksRecord DistributionPlotLinks;

// Deletes the plot objects and releases the grid vectors, the priors and,
// for the s x f/f0 models, their 2-D arrays; gives the main plots their
// full height back (and renders them unless the grid step holds that off).
void ClearDistributionPlots();

// Builds the plot for the current model over the current grid and makes
// room for it below the main plots. Called after the grid vectors are
// allocated; a plot still present is replaced, the grid kept.
void BuildDistributionPlot();

// Rebuilds the two-dimensional display after its choice of axes changed.
// Only for an s x f/f0 model whose display is shown; renders nothing.
void PlotDistribution2D();

// Resets the plot and the grid limits when a continuous model is chosen.
// Without a plot only the default limits are set.
void InitDistributionPlot();

// "Transform c(s) to c(M)": the shown c(s) becomes a density per unit M in
// place and is shown over M. Once only until the next run or grid.
void PlotMolarMassDistribution();

// Lays the plot out, renders it and returns its picture; none without a plot.
platform::Metafile RedrawDistributionPlot();

// The x-axis title of the plot, when there is one.
void SetDistributionXTitle(const std::string& title);

// Fills the hooks through which the distribution analysis, the model
// commands' runs and the main window's paint reach the plot. Called once at
// program start.
void InstallDistributionPlotHooks();

}  // namespace display
