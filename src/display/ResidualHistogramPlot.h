#pragma once
// The histogram of all residuals beside the residual plot: counts in bins
// from -5 to +5 rmsd with the Gaussian of that rmsd over them, so that the
// user sees at once whether the misfit looks like random noise. The bins
// and their curves are kept here; the auxiliary plot of the main plots shows
// them. Light-scattering data have no histogram.

#include <memory>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "plot/CWINPlot.h"

namespace display {

struct ResidualHistogramRecord {
  // Bins 1 .. HistogramBinCount.
  OneBasedArray<float> Centres, LowerEdges, UpperEdges;
  OneBasedArray<float> Counts, Gaussian;
  int HistogramBinCount = 0;
  // Views over the arrays (no copies) and the two curves built on them:
  // counts and Gaussian over the bin centres.
  std::unique_ptr<CVector> CountCentres, GaussianCentres, CountValues, GaussianValues;
  std::unique_ptr<CCurve> CountCurve, GaussianCurve;
};

extern ResidualHistogramRecord ResidualHistogramData;

// Fills the bin arrays from the residuals inside each scan's fit range.
void ComputeResidualHistogram();
// Releases the curves, views and arrays; HistogramBinCount becomes 0.
void FreeResidualHistogram();
// Frees and rebuilds the bins, views and curves (nothing for
// light-scattering data).
void BuildResidualHistogram();
// A new auxiliary plot from new histogram data, placed by the layout.
void BuildHistogramPlot();
// Rebuilds the histogram plot and, when render is set, lays it out anew and
// renders it; only while the histogram is shown, the auxiliary plot exists
// and scans are loaded.
void UpdateHistogramPlot(bool render = true);
// The count bars (grey, with their bin edges) and the Gaussian (red line)
// onto the plot; nothing while there are no bins.
void AddHistogramCurves(CWINPlot& plot);

}  // namespace display
