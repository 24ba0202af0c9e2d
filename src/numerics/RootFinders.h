#pragma once
// Brent's root finders (inverse quadratic interpolation with bisection
// fallback), shared by the hydrodynamic inversions and the regularisation.
//
// Failures are reported, not fatal: with RedrawSuppressed set (serial and
// batch fits) no box is shown and the code goes to SerialFitErrorCode and
// NumericErrorState instead: 3 no bracket in zbrentf, 4 iteration limit of
// either finder, 5 no bracket in zbrent.

#include <atomic>
#include <functional>

// Set by the worm-like chain inversion while it runs (model on and inversion
// under way), so that a failed bracket in zbrentf is reported as a problem of
// that inversion rather than of the regularisation.
extern std::atomic<bool> WormChainInversionActive;

// Root of f in [x1, x2] to within tol. With an unbracketed start it reports
// and iterates anyway; after 200 iterations it reports and returns 0.
double zbrent(const std::function<double(double)>& f, double x1, double x2, double tol);
// Single-precision twin; widens an unbracketed start by doubling x2 (up to
// ten times) before it reports.
float zbrentf(const std::function<float(float)>& f, float x1, float x2, float tol);
