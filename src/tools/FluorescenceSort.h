#pragma once
// Copies of fluorescence scans sorted by detector setting: a fluorescence
// system writes the scans of every cell and every setting into one folder;
// the copies in its subfolder "sorted" are named so that the scans of one
// photomultiplier voltage, range and gain (and extension and first letter)
// share an extension, and optionally one scan list per such group samples
// its scans evenly in time. Copies keep the file times of the originals.

#include <string>
#include <vector>

#include "data/ScanHeader.h"
#include "platform/Platform.h"

struct FluorescenceSortRequest {
  bool makeLists = false;
  double tMin = 0.0, tMax = 0.0;  // s
  int targetCount = 100;
  int excludedCell = 4;  // the fluorescence reference
  bool thresholdFilter = false;
  double rMin = 6.5, rMax = 7.0;  // cm
  double minimalSignal = 0.0, maximalNoise = 100.0;
};

// "%s_%c_PMV%d_r%d_g%d": extension (with its dot), first letter of the name,
// voltage rounded down, range and gain.
std::string FluorescenceGroupKey(const std::string& path, const ScanHeader& header);
// The copy's path: the folder's "sorted" subfolder, the name without its
// first letter followed by the key.
std::string SortedCopyPath(const std::string& path, const ScanHeader& header);

// The groups of copies with their sampled files.
struct FluorescenceGroups {
  static constexpr int kMaxGroups = 1000;
  static constexpr int kMaxFiles = 1000;
  struct Group {
    std::string key;
    std::vector<std::string> files;
    double lastTime = 0.0;
  };
  std::vector<Group> groups;
  // The group of the key (exactly equal keys only), made when new; -1 when
  // the table is full (the file is then refused).
  int Find(const std::string& key);
  // Takes the file when the group's sampling in time wants it; false when
  // refused (table full, too many files).
  bool Add(const std::string& path, const std::string& key, double time, double tMin, double step,
           double tMax);
};

// Walks the folder of the loaded scans (names in sorted order) and copies
// every suitable fluorescence scan; with lists, writes one list per group.
// Returns the number of copies.
int CopySortedFluorescenceFiles(platform::WindowHandle window, const FluorescenceSortRequest& r);
// Copies only the loaded scans, with their loaded headers.
int CopyLoadedFluorescenceFiles(platform::WindowHandle window);
// One list file per group ("list" + key) in the folder of its first file.
bool WriteSortedFluorescenceLists(const FluorescenceGroups& groups);
