#pragma once
// All scans on one radial grid: the grid, every scan's signal on it, the mean
// profile over scans, each scan's mean over the grid fit range, and the
// time-invariant (TI) and radial-invariant (RI) noise that the noise fits
// fill. Rebuilt after every load and every change of the signals.
//
// Absorbance and intensity data (and scans whose radii differ) are resampled
// onto a grid of their own. Otherwise the grid borrows the radius array of the
// earliest scan and the grid signals are the scans' own signal arrays, so an
// edit of a signal shows on the grid at once. Two flags say which arrays
// belong to the grid; they alone decide what a release frees, whatever the
// data-kind flags say by then.

#include "data/ScanDataSet.h"
#include "numerics/OneBasedArrays.h"

struct CommonRadialGridRecord {
  bool GridResampled = false;              // the grid signals are this record's own arrays
  bool GridOwned = false;                  // CommonGrid is this record's own array
  float* CommonGrid = nullptr;             // radii [1..CommonGridSize], cm
  int CommonGridSize = 0;                  // 0 = no grid
  OneBasedArray<float> MeanProfile;        // [1..size]: mean over scans
  OneBasedArray<float> ScanMeans;          // [1..NFILES]: mean over the grid fit range
  OneBasedArray<float*> ResampledSignals;  // [1..NFILES], each [1..size]
  OneBasedArray<float> TINoise;            // [1..size]
  OneBasedArray<float> RemovedTINoise;     // [1..size]: already subtracted from the data
  OneBasedArray<float> RINoise;            // [1..NFILES]: one offset per scan
  float GridSignalSum = 0.0f;              // NFILES * sum of MeanProfile over the grid fit range
  float GridPointTotal = 0.0f;             // NFILES * number of grid points in that range
  int GridFirstFitIndex = 0;
  int GridLastFitIndex = 0;

  // The arrays the grid owns when GridOwned / GridResampled are set.
  OneBasedArray<float> OwnGrid;
  ScanArrays OwnSignals;
};

extern CommonRadialGridRecord CommonRadialGrid;

// (Re)builds the grid from the loaded scans; then applies the fit limits that
// are set and allocates the component grid arrays.
void SetupCommonRadialGrid();
// Releases the grid: the arrays it owns are freed, the borrowed ones are
// only let go.
void FreeCommonRadialGrid();

// Apply FitLeftLim and FitRightLim: keep them inside the data, the meniscus
// and the bottom, and set the per-scan and grid fit-index ranges. Both set
// DataChanged.
void SetFirstFitIndex();
void SetLastFitIndex();

// A curve on the grid (TI noise and the like) at scan i's own radii.
OneBasedArray<float> GridCurveOnScanRadii(int i, const OneBasedArray<float>& curve);

// Recomputes GridSignalSum, GridPointTotal and ScanMeans over the grid fit range.
void UpdateGridFitSums();
