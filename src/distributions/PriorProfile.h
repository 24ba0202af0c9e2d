#pragma once
// The prior probability of every grid point, built for the current grid
// from the prior settings: a prior file resampled onto the grid, an imported
// or peak-built profile, or Gaussian and delta peaks above a small floor.
// The smoothness penalty divides by the priors of the points it couples and
// the maximum entropy takes them as its reference, so a high prior lets the
// distribution have structure there at less cost.

#include <vector>

#include "state/ModelSelection.h"

// The models whose distribution lies on the s axis (DistSGrid): the c(s)
// family, I(Rh) and the ls-g*(s) area-fraction extrapolation; every other
// model's lies on M (DistMGrid).
bool DistributionOnSAxis(ModelKind kind);

// The grid abscissa the priors are given over: s for the s-grid models, M
// for the c(M) family ([1..DistGridSize]).
extern std::vector<double> PriorGridValues;

// Builds PriorGridValues and, with the priors on, PriorProbabilities and
// the f/f0 priors of the s x f/f0 models. Always true.
bool MakePriorProfile();

// Adds the peaks of the dialog to p[1..n] over the abscissa x[1..n] (after
// the floor has been set): a Gaussian of area about A for a width W > 0, a
// delta peak of area A spread over the two grid points around its position
// for W = 0 (ignored in the first interval and the last two).
void AddPriorPeak(const double* x, double* p, int n, double position, double width,
                  double amplitude);
