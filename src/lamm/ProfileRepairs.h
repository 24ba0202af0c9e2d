#pragma once
// Checks and repairs of a computed profile c[1..n] on radii r[1..n] shared by
// the time loops: blow-up, and the moving of tiny or negative values into
// their neighbours, which keeps the integral of c r dr.

#include <cmath>

// A value beyond +-1e100, or one that is not a number, means the solution
// blew up.
inline bool ProfileBlownUp(const double* x, int n) {
  for (int i = 1; i <= n; ++i)
    if (!(std::fabs(x[i]) <= 1e100)) return true;
  return false;
}

// Node i hands its value to its two neighbours, half each.
inline void SpreadToNeighbours(const double* r, double* x, int i) {
  x[i - 1] += 0.5 * x[i] * r[i] / r[i - 1];
  x[i + 1] += 0.5 * x[i] * r[i] / r[i + 1];
  x[i] = 0;
}

// Values below 1e-10 inside the cell go to their neighbours (the start of a
// band or of an experimental profile).
inline void RemoveTinyValues(const double* r, double* x, int n) {
  for (int i = 2; i <= n - 1; ++i)
    if (x[i] < 1e-10) SpreadToNeighbours(r, x, i);
}

// Under a speed program a change of speed may leave negative wiggles; they
// are moved into their positive neighbours.
inline void RemoveNegativeWiggles(const double* r, double* x, int n) {
  if (x[1] < 0) {
    x[2] += x[1] * r[1] / r[2];
    x[1] = 0;
  }
  for (int i = 2; i <= n - 1; ++i)
    if (x[i] < 0 && x[i - 1] > 0 && x[i + 1] > 0) SpreadToNeighbours(r, x, i);
}
