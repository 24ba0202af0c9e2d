#pragma once
// Grids and the peak shape of the distribution tests: one-based float
// vectors (element 0 unused), as the distribution records keep them.

#include <cmath>
#include <vector>

namespace dist_grids {

using Floats = std::vector<float>;

// The Gaussian of the given mean and standard deviation, 1 at its centre.
inline double Gaussian(double x, double mean, double sd) {
  return std::exp(-0.5 * (x - mean) * (x - mean) / (sd * sd));
}

// n points from a to b: evenly spaced, or in a constant ratio.
inline Floats LinearGrid(double a, double b, int n) {
  Floats x(n + 1, 0.0f);
  for (int i = 1; i <= n; ++i) x[i] = static_cast<float>(a + (b - a) * (i - 1) / (n - 1));
  return x;
}
inline Floats GeometricGrid(double a, double b, int n) {
  Floats x(n + 1, 0.0f);
  for (int i = 1; i <= n; ++i) x[i] = static_cast<float>(a * std::pow(b / a, (i - 1.0) / (n - 1)));
  return x;
}

}  // namespace dist_grids
