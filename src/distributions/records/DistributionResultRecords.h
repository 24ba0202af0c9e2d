#pragma once
// What a distribution run keeps for later readers: the s and M of every grid
// point. Program-wide; rebuilt by each grid step.

#include <vector>

struct DistributionResultRecord {
  // One-based: element i (1..DistGridSize) is grid point i; element 0 is
  // unused. Empty until a grid has been built.
  std::vector<float> DistSGrid;
  std::vector<float> DistMGrid;
};

extern DistributionResultRecord DistributionResult;

// Sizes both grids for points 1..n, zeroed.
void ResizeDistributionGrids(int n);
