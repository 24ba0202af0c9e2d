#pragma once
// Sedimentation equilibrium runs taken apart: the loaded scans fall into
// groups of one cell, one wavelength (within a tolerance) and, for data cut
// into channel sections ('i', 'm', 'o' in front of the file names), one
// channel; inside a group into one series per rotor speed. For each series
// the user sees how the scans approached the last one and accepts or refuses
// that last scan as the equilibrium scan; accepted scans are saved (a blank
// taken out on request), and each group gets an xp file for the sibling
// program. In collect mode the series are handed to the approach-to-
// equilibrium tools instead, without any question or file.

#include <string>
#include <vector>

#include "data/SiblingExport.h"
#include "platform/Platform.h"

// The series of the last collecting sort. The scan indices of a series are
// its earlier scans in ascending time, the latest scan last; a series of one
// scan holds just that scan.
struct EqSeriesCollectionRecord {
  bool EqCollectMode = false;  // set by the caller for the duration of a sort
  std::vector<std::vector<int>> EqSeries;
  bool EqSeriesSameCell = false;  // set by the caller; cleared when a series is of another cell
  int EqSeriesFirstCell = 0;
  int EqSeriesCount() const { return static_cast<int>(EqSeries.size()); }
};

extern EqSeriesCollectionRecord EqSeriesCollection;

// The rms difference of scan other from scan reference over the reference's
// fit range, after their mean offset is taken out (intensity scans taken as
// pseudo-absorbance). 0 for a reference without points, other = reference,
// or an index outside the loaded scans.
float ScanPairRmsd(int other, int reference);
// The compared points of a pair: the reference's radius and the difference
// other - reference with the mean offset taken out.
struct ScanPairDifferences {
  std::vector<float> radius, difference;
};
// The same over the reference's points first..last (clamped to its points);
// with capture, each compared point.
float ScanPairRmsdOver(int other, int reference, int first, int last,
                       ScanPairDifferences* capture);
// Scan i's values [1..points] as the equilibrium analyses see them: the
// signal, or the pseudo-absorbance of an intensity scan.
std::vector<float> EqScanValues(int i);

// Shows the series (the scans of one speed, ending with the latest scan)
// and asks whether equilibrium was attained and the latest scan accepted.
bool TestEquilibriumAttained(platform::WindowHandle window, const std::vector<int>& series,
                             int latest);

// What the sort is given besides the data: the output folder (from a path in
// it), an optional blank scan, the wavelength tolerance (nm), and whether
// and with which values xp files are written.
struct EqSortRequest {
  std::string outputPath;
  std::string blankPath;  // empty: no blank
  float tolerance = 5.0f;
  bool makeXp = false;
  EquilibriumXpValues xp;
};

void SortEqDataToDisk(platform::WindowHandle window, const EqSortRequest& request);
