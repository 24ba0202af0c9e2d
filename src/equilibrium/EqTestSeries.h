#pragma once
// The approach-to-equilibrium test: the loaded scans fall into series (one
// cell, one wavelength band, one rotor speed); every scan of a series is
// compared with the series' latest scan, and the rms difference against the
// time before that scan shows whether the series has stopped changing. This
// file holds the series and their curves; the command, its questions and
// plots belong to the window.

#include <string>
#include <vector>

#include "platform/Platform.h"

// Capacity of the series and of the exclude and include lists.
inline constexpr int kEqTestCapacity = 500;
// Wavelengths closer than this (nm) count as one band.
inline constexpr float kEqTestWavelengthTolerance = 5.0f;

struct EqTestSeriesData {
  std::vector<int> Scans;  // scan indices in time order, the latest last
  int FirstIndex = 0, LastIndex = 0;  // comparison range on the latest scan (0: not set)
  bool Shown = true;
  bool AtCurrentSpeed = false;
  float LastPairRmsd = 0.0f;
  // Scans 1..n-1: hours before the latest scan (negative) and rmsd.
  std::vector<float> Hours, Rmsd;
  // The comparison range: radius and difference of the last pair; radius
  // offset and relative signal of the latest scan.
  std::vector<float> PairRadius, PairDifference, Offset, Relative;
};

struct CellWavelength {
  int Cell = 0;
  float Wavelength = 0.0f;
};

struct ExtensionGroup {
  std::string Extension;  // ".RA1"
  int SmallestNumber = 0;
};

struct EqTestSeriesRecord {
  std::vector<EqTestSeriesData> Series;  // index 0 .. count-1 = series 1 .. count
  std::vector<CellWavelength> Excluded, Included;
  std::vector<ExtensionGroup> Extensions;
  float HighestSpeed = 0.0f;
  bool SingleCell = true;
  bool TestMode = false;
  bool PlotsExist = false;
  bool CurvesExist = false;
  int CurveSeriesCount = 0;
  // The limits were reached once: the warning is not repeated.
  bool CapacityWarned = false;

  int Count() const { return static_cast<int>(Series.size()); }
  EqTestSeriesData& At(int i) { return Series[static_cast<std::size_t>(i - 1)]; }
};

extern EqTestSeriesRecord EqTestSeries;

// The number of a scan file (its name without extension as an integer) and
// whether its extension marks intensity ('i') or interference ('p') data.
int ScanFileNumber(const std::string& fileName);
bool IsIntensityScanFile(const std::string& fileName);
bool IsInterferenceScanFile(const std::string& fileName);

// Rebuilds the series from the loaded scans; returns their number (at most
// kEqTestCapacity; more are dropped with one warning).
int BuildEqTestSeries(platform::WindowHandle window);
void SwapEqTestSeries(int i, int j);
bool IsEqTestSeriesExcluded(int scan);
bool IsEqTestSeriesIncluded(int scan);
// Appends a scan's cell and wavelength to a list; false (with one warning)
// when the list is full.
bool AddToEqTestList(std::vector<CellWavelength>& list, int scan, platform::WindowHandle window);

// The rmsd of scan a against reference b over b's points first..last (the
// mean offset taken out); 0 for a scan without points, a = b or an index
// outside the loaded scans. With capture, the compared points.
float EqTestScanRmsd(int a, int b, int first, int last, EqTestSeriesData* capture = nullptr);

// The curves of every series with at least two scans.
void ComputeEqTestCurves();

// Files "<name>_<series><ext>", one per shown series with two scans or
// more: scan time (h), time before the latest scan (h), rmsd. False after
// the message when a file cannot be written (no further files).
bool WriteEqTestFiles(const std::string& path);
