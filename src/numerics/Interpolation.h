#pragma once
// Polynomial interpolation through tabulated points by Neville's algorithm.

// The value y at x of the polynomial of degree n - 1 through the points
// (xa[i], ya[i]), i = 1..n (one-based), and an error estimate dy: the last
// correction added on the path through the tableau. Two equal abscissae end
// the program with "Error in routine polint".
void polint(const float* xa, const float* ya, int n, float x, float& y, float& dy);
// The same in double, for extrapolations that need more than float precision
// (Romberg integration).
void dpolint(const double* xa, const double* ya, int n, double x, double& y, double& dy);
