#pragma once
// What a distribution run keeps for later readers: the s and M of every grid
// point and the distribution on them. Program-wide; rebuilt by each grid step.

#include <vector>

struct DistributionResultRecord {
  // One-based: element i (1..DistGridSize) is grid point i; element 0 is
  // unused. Empty until a grid has been built.
  std::vector<float> DistSGrid;
  std::vector<float> DistMGrid;
  // The distribution: amplitudes per grid point as solved, a density once
  // stored. DistSecondValues holds the second-derivative solution shown
  // beside the maximum-entropy one in the combined setting.
  std::vector<float> DistValues;
  std::vector<float> DistSecondValues;
  // Amplitude of every point of an s x f/f0 grid, s fastest (one-based).
  std::vector<float> Grid2DAmplitudes;
  // The s axis of the stored distribution was turned into a Stokes-radius
  // axis; cleared by every run.
  bool DistAxisTransformed = false;

  // The second-axis limits of the rectangle of an s x f/f0 distribution
  // selected for integration, and the signal-weighted statistics of the
  // grid points inside it: mean M and its standard deviation, mean Stokes
  // radius (nm) and its standard deviation, mean f/f0, and M from the mean
  // s and mean D (Svedberg equation).
  float RegionYMin = 0.0f, RegionYMax = 0.0f;
  float RegionMeanM = 0.0f, RegionMSd = 0.0f;
  float RegionMeanStokesRadius = 0.0f, RegionStokesRadiusSd = 0.0f;
  float RegionMeanFf0 = 0.0f, RegionMFromSD = 0.0f;
};

extern DistributionResultRecord DistributionResult;

// Sizes both grids, DistValues and DistSecondValues for points 1..n, zeroed.
void ResizeDistributionGrids(int n);
