#pragma once
// Small operations over the loaded data set that other subsystems own and
// the loaders call: the default meniscus and bottom ranges of the fits, the
// rmsd of data and model, the mean profile on the common grid, the residual
// update of the display, and the solver options kept with the data (scan
// times from omega^2 t, the rotor-speed ramp).

#include <functional>

#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

// For the fits (FitControl): unless the user set them, the meniscus may move
// by 0.02 cm and the bottom by 0.05 cm either way (0.1 cm for fluorescence
// data), and neither range reaches into the fit limits.
void DefaultMeniscusBottomLimits();

// The automatic limits around the current meniscus and bottom, whether or
// not the user set his own (nothing is written).
struct MeniscusBottomRanges {
  float MinMeniscus = 0.0f, MaxMeniscus = 0.0f, MinBottom = 0.0f, MaxBottom = 0.0f;
};
MeniscusBottomRanges AutomaticMeniscusBottomLimits();

// For the fits (FitControl): the root-mean-square of signal minus model over
// every chosen scan's fit index range; 0 without data or points. The chosen
// scans are those of the fit scan window when it is on, all but the earliest
// when the initial data stand for the first scan, else all. Also kept in
// FitControl's CurrentRmsd and FitPointCount.
float ScanRmsd();

// |Z| of the runs test of the residual signs of every loaded scan (in time
// order) over its fit index range; 0 without data.
float ScanRunsTestZ();

// For the noise fits (CommonRadialGrid): the mean over scans of the grid
// signals at every grid point, and GridSignalSum and GridPointTotal over the
// grid fit range.
void UpdateMeanProfile();

// The noise records of the common grid as they were before a correction of
// the signals, which rebuilds the grid and with it clears them.
struct GridNoiseRecords {
  OneBasedArray<float> TINoise, RemovedTINoise, RINoise;
  int GridSize = 0, Scans = 0;
};
GridNoiseRecords KeepGridNoise();

// For the scan corrections (CommonRadialGrid), after the grid was rebuilt:
// the time-invariant noise recomputed from the mean over the scans of grid
// signal minus model at every grid point, the model taken onto the grid.
// Without a fitted TI noise that mean is the TI noise. A fitted TI noise is
// part of the model: then the mean is what the correction added to the
// time-invariant part of the data, and it goes into the kept TI noise and
// into the model of every scan, so the fit follows the corrected data and
// the residuals stay as they were. On the same grid the removed TI noise and
// the RI noise are put back as kept. Nothing without a grid.
void TiNoiseFromResiduals(const GridNoiseRecords& kept = {});

// For the main display: residuals = signal - model inside each scan's fit
// index range and 0 outside; renders the residual plot when render is true
// and rewrites the ScanRms table while ScanRmsFileOn is set.
void UpdateResiduals(bool render);
// Whether the residual update writes the ScanRms table, and the writer, which
// the fit-saving code installs.
extern bool ScanRmsFileOn;
extern std::function<void()> WriteScanRmsDefault;
// After a residual update: the worst scan of the table (WorstScanIndex), and
// the table file while ScanRmsFileOn is set.
void RefreshScanRmsTable();

// For the Lamm-equation settings: switches times-from-omega^2 t off and,
// unless electrophoresis or light-scattering data are loaded, gives every
// scan its recorded time back. Nothing when it is off.
void TimesFromW2tOff(platform::WindowHandle window);
void RestoreRecordedScanTimes();

// For the Lamm-equation settings: the simulations start at full speed.
void RampRotorSpeedOff(platform::WindowHandle window);
