#pragma once
// The two limit curves of a Monte Carlo analysis on the distribution plot:
// the upper limit in red, the lower in blue, over the plot's abscissa.

#include <memory>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"

namespace display {

// The curves and the vectors that wrap the analysis's limit arrays; the
// plot borrows the curves.
struct MonteCarloLimitCurvesRecord {
  std::unique_ptr<CVector> Upper, Lower;
  std::unique_ptr<CCurve> UpperCurve, LowerCurve;
};
extern MonteCarloLimitCurvesRecord MonteCarloLimitCurves;

// Fills the analysis's display hooks. Called once with the plot's hooks.
void InstallMonteCarloCurveHooks();

}  // namespace display
