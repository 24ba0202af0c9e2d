#pragma once
// The radial region of each scan that belongs to the part of a distribution
// that the peak-information and integration tools selected: per scan a first
// and a last point index (slot 0 unused; 0 means no region in that scan).
// The residual bitmap tints it.

#include <vector>

struct PeakRegionRecord {
  bool On = false;
  std::vector<int> FirstPoint;  // [1..NFILES]
  std::vector<int> LastPoint;   // [1..NFILES]
  // Which tint marks the region: false turns it bluer, true redder.
  bool AlternativeTint = false;
};

extern PeakRegionRecord PeakRegion;
