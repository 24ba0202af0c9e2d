// Distribution files: the two-column file of a distribution, and the
// polynomial a stored distribution is divided by.
#include "FuzzSupport.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/CCurve.h"

namespace {

void ReadDistribution(const std::uint8_t* data, std::size_t size) {
  const std::string path = FuzzInputFile(data, size, "distribution.dat");
  CCurve curve;
  curve.ReadFile(path, 1, 2);
  // A small stored distribution to divide.
  constexpr int n = 8;
  DistributionSettings.DistGridSize = n;
  auto& r = DistributionResult;
  r.DistSGrid.assign(n + 1, 0.0f);
  r.DistValues.assign(n + 1, 1.0f);
  for (int i = 1; i <= n; ++i) r.DistSGrid[i] = static_cast<float>(i);
  DivideDistributionByPolynomial(path);
}

const FuzzTargetRegistration kTarget("distribution_files", &ReadDistribution);

}  // namespace
