#pragma once
// What the data set needs of the subsystems above it: the main plots that
// show the loaded scans, the flag of loaded light-scattering data, and the
// nonlinear-detection correction of the signals. Those subsystems install the
// operations; until they do, there are no plots and no active correction, and
// each operation does nothing.

#include <functional>

// The loaded data are light-scattering autocorrelation data.
extern bool DlsDataMode;

// Destroys the main window's data, residual and auxiliary plots.
extern std::function<void()> DestroyMainPlots;

// Applies an active nonlinear-detection correction to the signals again.
extern std::function<void(bool fromGridSetup)> ReapplyNonlinearDetection;
// Releases the per-scan work arrays of that correction.
extern std::function<void()> FreeNonlinearDetectionArrays;
