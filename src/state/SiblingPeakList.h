#pragma once
// The peaks of the current distribution that the export to the sibling
// analysis program may hand over as discrete species. Filled by the export
// command before it writes the parameter file, emptied after the sibling
// program was started.

#include <vector>

struct SiblingPeakListRecord {
  bool PeaksAsDiscrete = false;  // the user chose to convert every c(s) peak
  int PeakCount = 0;             // at most MaxPeaks
  std::vector<float> PeakS;      // [1..PeakCount] (slot 0 unused), S
  std::vector<float> PeakM;      // [1..PeakCount] (slot 0 unused), Da
  static constexpr int MaxPeaks = 10;
};

extern SiblingPeakListRecord SiblingPeakList;
