#pragma once
// Light-scattering autocorrelation functions loaded as the data set: each
// measurement becomes one scan whose radius array holds the lag axis (log10
// of the lag time in seconds) and whose signal holds the correlation values,
// with one DlsRecord per scan in place of a sedimentation header. Meniscus
// and bottom become the first file's lag range, and the measurements are
// ordered by time like scans.

#include <string>

#include "data/DlsDataFile.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

// The records of the loaded measurements, [1..NFILES] in the order of the
// scans: the data set's own ScanDataSet.DlsRecords (released with the set),
// under the name the analyses read them by.
extern OneBasedArray<DlsRecord>& DlsRecords;

// Loads the selected DLS files (one full path, or a folder followed by file
// names) in place of the loaded data set: solvent conditions from the
// measurements' mean temperature and viscosity, fit limits inside the first
// file's lag range, the model settings of a DLS analysis (no meniscus,
// bottom, time- or radial-invariant noise fitted; the baseline fitted; a
// constant initial loading), the common grid, the fit indices and the plots.
// A file that cannot be read is reported with its path (caption
// "LOAD ERROR") and leaves no data loaded. Returns true when all were loaded.
bool LoadDlsData(platform::WindowHandle window, const FileSelection& selection);

// Writes the mean over the loaded measurements of the intensity
// autocorrelation g(2)-1 on the common grid as one DLS file titled
// "averaged", with the parameters of the earliest measurement and the mean
// temperature of all. Values held as field autocorrelations g(1) are turned
// into g(2)-1 (signed squares) before they are averaged. False without
// loaded DLS data or when the file could not be written.
bool SaveMeanDlsData(const std::string& path);
