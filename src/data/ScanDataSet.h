#pragma once
// The loaded experiment: up to a thousand radial scans, each with its header,
// its point arrays (radius, working signal, model, systematic noise,
// residuals and an optional second column), its place in time, its fit-index
// range and the plot views over its arrays. There is exactly one data set; a
// load replaces it as a whole and FreeDataSet releases it.
//
// Per-scan arrays are indexed 1..NFILES and each scan's point arrays
// 1..ScanPointCount[i]: scan i's k-th radius is ScanRadius[i][k], and
// ScanRadius[i].data() is the one-based handle that the numerical routines
// take. The data set owns every array; the plot views only borrow them.

#include <memory>
#include <string>
#include <vector>

#include "data/CRotorSpeedProfile.h"
#include "data/DlsDataFile.h"
#include "data/ScanHeader.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"

using ScanArray = OneBasedArray<float>;
using ScanArrays = OneBasedArray<ScanArray>;

// The vector and curve views that the plots draw for one scan. The vectors
// wrap the scan's arrays; the curves pair the radius view with the others.
struct ScanPlotViews {
  std::unique_ptr<CVector> Radius, Signal, SecondColumn, Model, Residuals;
  std::unique_ptr<CCurve> SignalCurve, SecondColumnCurve, ModelCurve, ResidualCurve;
};

struct ScanDataSetRecord {
  int NFILES = 0;  // 0 = no data
  bool DataChanged = false;
  bool EquilibriumDataMode = false;
  float FitLeftLim = 0.0f;   // cm; 0 = not set
  float FitRightLim = 0.0f;  // cm; 0 = not set
  int ListStep = 1;

  OneBasedArray<std::string> ScanFilePaths;  // file name with extension, no folder
  ScanArrays ScanRadius;                     // cm, increasing
  ScanArrays ScanSignal;
  ScanArrays ScanModel;
  ScanArrays ScanNoise;
  ScanArrays ScanResiduals;
  ScanArrays ScanSecondColumn;  // size 0: the scan has none
  OneBasedArray<ScanHeader> ScanHeaders;
  // Light-scattering data only: one record per measurement in place of a
  // sedimentation header; empty for every other kind of data.
  OneBasedArray<DlsRecord> DlsRecords;
  OneBasedArray<int> ScanPointCount;
  OneBasedArray<int> ScanTimeOrder;  // ScanTimeOrder[k]: the scan with the k-th earliest Time
  OneBasedArray<int> ScanFirstFitIndex;
  OneBasedArray<int> ScanLastFitIndex;

  double SignalPerConcentration = 1.0;  // 3.3 for interference data
  // The rotor speed profile coupled to the data; it outlives a release and is
  // replaced by the coupling of the next load.
  std::unique_ptr<CRotorSpeedProfile> DataSpeedProfile;
  bool UsingSpeedSteps = false;
  bool SpeedSeriesIrregular = false;
  bool SpeedsOnlyIncrease = false;
  float RadialResolution = 0.001f;  // cm: averaging distance and common grid step
  bool TimesFromW2t = false;
  bool RampRotorSpeed = true;
  bool CheckRotorAcceleration = true;

  std::vector<ScanPlotViews> ScanPlotVectors;  // slot i for scan i; slot 0 unused
};

extern ScanDataSetRecord ScanDataSet;

// Where the loaded files live and the files kept beside them.
struct DataFileLocationRecord {
  std::string Drive;  // empty on this platform
  std::string Directory;
  std::string FileName;
  std::string Extension;
  std::string DataFolder;
  std::string TempParameterFilePath;
  std::string SdistFilePath;
  std::string NotesFilePath;
};

extern DataFileLocationRecord DataFileLocation;

// Makes empty per-scan slots 1..count (the previous set must be released).
void AllocScanSlots(int count);
// Enlarges the per-scan slots to 1..count, keeping every existing scan.
void GrowScanSlots(int count);
// Builds the plot views of scan i over its arrays: radius, signal, model and
// residuals, and the second column when the data are intensity data.
void BuildScanPlotVectors(int i);
// Scan i's first and last radius.
inline float FirstRadius(int i) {
  return ScanDataSet.ScanRadius[i][1];
}
inline float LastRadius(int i) {
  return ScanDataSet.ScanRadius[i][ScanDataSet.ScanPointCount[i]];
}

// Releases the whole set, also one that a failed load left half built: every
// scan, the plot views, the light-scattering records, the non-ideal c(s)
// simulation, the common grid and the main plots. NFILES becomes 0 and
// DataChanged is set.
void FreeDataSet();
