#pragma once
// Maximum-entropy regularisation scaled to a confidence level: the amplitudes
// minimise Q(x) = χ²(x) + α·Σ eᵢ(x), eᵢ the entropy contribution of grid
// point i relative to a reference (the prior probabilities, or the total
// amplitude), and α is searched so that χ²/χ²min reaches the F ratio at the
// confidence level, as for the smoothness penalty. Each trial α is solved by
// a Levenberg-Marquardt iteration that keeps every amplitude positive.

#include <vector>

#include "distributions/DistributionArrays.h"
#include "distributions/ScaleRegularization.h"

// The entropy part of the objective.
struct MaxEntTerms {
  int N = 0;
  // T, the reference of every point without priors: the total of the alpha-0
  // amplitudes (over 2..N when point 1 is a separate component).
  double AmplitudeTotal = 0.0;
  const double* Priors = nullptr;  // 1-based; null without priors
  bool SuppressBaselineCorrelation = false;
  // 1-based, 1 for the points with an entropy term: all but a separate
  // first component and the unseen points.
  std::vector<char> HasEntropy;
  // 1-based, 1 for points whose kernel column carries no signal (an all-zero
  // row of the normal matrix). The data cannot see them and the entropy alone
  // would drive them to an arbitrary amplitude, so they are held at zero.
  std::vector<char> Unseen;
};

MaxEntTerms MakeMaxEntTerms(const NormalEquationArrays& neq, const RegularizationContext& context,
                            double amplitudeTotal);

// Q at the amplitudes x[1..N] (all positive where an entropy term exists),
// with the half gradient gᵢ = −½ ∂Q/∂xᵢ and the entropy's share of the half
// curvature (α/2)/xᵢ on the diagonal (the rest of the curvature is the
// normal matrix). Any of the outputs may be null.
double MaxEntObjective(const NormalEquationArrays& neq, const MaxEntTerms& terms, const double* x,
                       double alpha, double* halfGradient, double* curvatureDiagonal,
                       double* entropy);

// The amplitudes in DistSolution, their chi-square in ResultChiSquare. Leaves
// the alpha-0 solution when N < 10, when it is all zero, when P ≤ 0.5 or
// P = 1 (with a notice when the context allows), and inside a nonlinear
// search. The search ends when |χ²/χ²min − ratio| < (ratio − 1)·0.001, or,
// for P < 1, when the confidence level of the current ratio is within 0.005
// of P.
RegularizationOutcome MaxEntRegularization(NormalEquationArrays& neq,
                                           const RegularizationContext& context);
