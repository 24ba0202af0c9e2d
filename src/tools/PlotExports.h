#pragma once
// Text files that hand the loaded scans, the fit and the distribution to the
// external plotting programs and the monitoring tool. Default names lie in
// the program's temp folder. Each writer returns the number of scans (or 1)
// on success and 0 when a file cannot be written (after the error box
// "\n\aAttention: could not open <path>"). Existing files are overwritten.

#include <functional>
#include <string>

// The folder the exports go to, ending in a path separator.
std::string ExportFolder();

// "<n>.dat" per scan in time order ("radius signal" per point of the whole
// scan) and "times.dat" (scan times in seconds).
int WriteDataFiles();
// "<n>.fit" per scan in time order ("radius model").
int WriteFitFiles();
// The distribution ("%e %e" grid value and amplitude; for DLS data the grid
// value + 9): "dist.txt" (text form, closed by "-999.999 -999.999") or
// "dist.dat", or path when given. 0 without a distribution.
int WriteDistributionFile(bool textForm, const std::string& path = "");
// "sasdist.dat" of the size-and-shape models, written by the given writer of
// two-dimensional distributions; false without one.
bool WriteSizeShapeDistribution(const std::function<void(const std::string&)>& writer);
// Equilibrium data, fit and noise: "SEdata.dat".
int WriteSEDataFile();
// DLS data, fit and residuals over log lag: "dlsdata.dat".
int WriteDLSExport();
