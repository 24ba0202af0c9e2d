#pragma once
// The analysis state of the loaded data written back to files: the model
// curves of the last run or fit and the residuals as scan files (one per
// scan, so that they load and plot like data), the time-invariant noise as a
// scan file, the radial-invariant noise as a two-column file, and the ScanRms
// table of each scan's residual rms.
//
// Output name of a scan, from a chosen path: the chosen folder, the scan's
// own name with its first character replaced by a marker letter ('f' fits,
// 'r' residuals, 'a' aligned scans) and the scan's extension, so 00017.ra2
// gives f0017.ra2. With the old file-name convention, the chosen folder and
// name with the scan's extension.

#include <string>

// While set, SaveFitData replaces existing files without asking (batch runs).
extern bool OverwriteWithoutAsking;
// The scan with the largest residual rms of the last ScanRms table; 0 when
// none had a positive rms.
extern int WorstScanIndex;

std::string MarkedOutputPath(int scan, const std::string& chosenPath, char marker);

// One fitted-data file per scan over its fit range. toAbsorbance turns fitted
// intensities into pseudo-absorbance against the reference intensity. An
// existing file asks once "Overwrite all?"; no ends the save ("fit not
// saved"). Light-scattering data are saved in their own format, with noise
// added on request. True when every file was written.
bool SaveFitData(const std::string& path, bool toAbsorbance);
// One residual file per scan over its fit range (not for light scattering).
bool SaveResiduals(const std::string& path);
// The whole time-invariant noise of the fit (also the part already taken
// out of the data) over the grid's fit range; only when TI noise is fitted.
bool SaveTINoise(const std::string& path);
// "time RI-offset" per scan in time order; only when RI noise is fitted.
bool SaveRINoise(const std::string& path);

// The ScanRms table: per scan in time order its file name and the rms of its
// residuals over its fit range; sets WorstScanIndex. A file that cannot be
// opened is reported and switches the automatic table off for the run. The
// table ends before a scan with an empty fit range.
bool WriteScanRmsTable(const std::string& path);
// The scan the table names as worst (see WorstScanIndex) without writing it.
int WorstScanOfTable();
// The table in "ScanRms.dat" of the data folder, as the residual update
// writes it; nothing when no data folder is known.
void WriteScanRmsToDefaultFile();
