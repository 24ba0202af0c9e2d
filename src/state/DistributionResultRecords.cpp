#include "state/DistributionResultRecords.h"

#include <cassert>
#include <cstddef>

DistributionResultRecord DistributionResult;

void ResizeDistributionGrids(int n) {
  assert(n >= 0);
  const auto size = static_cast<std::size_t>(n) + 1;
  DistributionResult.DistSGrid.assign(size, 0.0f);
  DistributionResult.DistMGrid.assign(size, 0.0f);
  DistributionResult.DistValues.assign(size, 0.0f);
  DistributionResult.DistSecondValues.assign(size, 0.0f);
}
