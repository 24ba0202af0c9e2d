#pragma once
// Low-order polynomial least squares for the equilibrium extrapolations: the
// signal extrapolated to the meniscus, M*(r) to the bottom, and the signal
// from the right fit limit to the bottom for the loading integral.

// Fits a polynomial of order p to (x[1..n], y[1..n]) through the normal
// equations of the powers of u = x - x[1] (shifting the abscissa keeps the
// normal matrix well conditioned near r = 7 cm) and writes its values at
// xOut[1..m] into yOut[1..m].
//   p < 0: yOut is filled with zeros.
//   p = 0: the mean of y (a constant).
//   A singular normal matrix (fewer distinct abscissae than p + 1): the error
//   box "error in polyfit", yOut untouched; false.
// True when yOut was written.
bool polyfit(int p, const double* x, const double* y, int n, const float* xOut, float* yOut,
             int m);
