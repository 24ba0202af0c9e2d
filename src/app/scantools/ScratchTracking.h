#pragma once
// Tracking of a sharp feature of the time-invariant noise (a scratch on a
// window) across the scans: at a clicked radius, the radial shift of every
// scan that best superimposes the feature on a common profile; accepted
// features are written to a "*.scratch" file and plotted as shift against
// slope. The loaded scans are only read.

#include <string>
#include <vector>

class TXLAWindow;

extern float ScratchWindowWidth;         // cm
extern float ScratchShiftRandomization;  // cm
extern float ScratchRmsdPrecision;

void CmTrackTINoiseFeature(TXLAWindow& window);

// One accepted feature: its centre radius and, per time-order position, the
// slope and the shift of the scan (relative to the earliest scan).
struct TrackedScratch {
  double Radius = 0.0;
  std::vector<double> Slopes, Shifts;  // [1..NFILES]
};

// The text of the scratch file for these features.
std::string ScratchFileText(const std::vector<TrackedScratch>& scratches, int scanCount);

// The shifts (relative to the earliest scan, in time order) that superimpose
// the common-grid window of n points around grid index centre; the quality
// (the minimised sum of squares, scaled) in quality. For tests and the tool.
TrackedScratch TrackScratchAt(int centre, int n, double& quality);
