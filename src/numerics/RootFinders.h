#pragma once
// Brent's root finders (inverse quadratic interpolation with bisection
// fallback), shared by the hydrodynamic inversions and the regularisation.

#include <functional>

// Root of f in [x1, x2] to within tol. With an unbracketed start it reports
// and iterates anyway; after 200 iterations it reports and returns 0.
double zbrent(const std::function<double(double)>& f, double x1, double x2, double tol);
// Single-precision twin; widens an unbracketed start by doubling x2 (up to
// ten evaluations in all) before it reports.
float zbrentf(const std::function<float(float)>& f, float x1, float x2, float tol);
