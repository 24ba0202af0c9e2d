#pragma once
// Synthetic distribution problems for the regularisation tests: a smooth
// Gaussian-blur kernel (a few "scans" of different blur width), a known
// two-peak distribution, seeded Gaussian noise, and the normal equations
// formed here from the kernel and the data, independently of the code under
// test. The residuals of any amplitude vector can be computed directly from
// the kernel and data.

#include <cmath>
#include <random>
#include <vector>

#include "distributions/DistributionArrays.h"
#include "distributions/ScaleRegularization.h"
#include "numerics/OneBasedArrays.h"

namespace synthetic {

struct Problem {
  int n = 0;                                // grid points
  int scans = 0;                            // blur widths
  int points = 0;                           // data points per scan
  std::vector<double> grid;                 // [0..n-1]
  std::vector<double> truth;                // amplitudes of the known distribution
  std::vector<std::vector<double>> kernel;  // [row][grid point], row = scan·points + point
  std::vector<double> data;                 // [row]
  NormalEquationArrays neq;

  // Sum of squared residuals of the amplitudes x[1..n] against the data.
  double ResidualSquareSum(const double* x) const {
    double sum = 0.0;
    for (std::size_t row = 0; row < data.size(); ++row) {
      double model = 0.0;
      for (int i = 0; i < n; ++i) model += kernel[row][static_cast<std::size_t>(i)] * x[i + 1];
      sum += (data[row] - model) * (data[row] - model);
    }
    return sum;
  }

  // A context for a one-dimensional second-derivative regularisation of all
  // n points at the confidence level p.
  RegularizationContext Context(float p) const {
    RegularizationContext c;
    c.UnknownCount = n;
    c.Penalty.PointCount = n;
    c.Pvalue = p;
    c.FitPointCount = points;
    c.ScanCount = scans;
    return c;
  }

  // The grid position of the largest amplitude of x[1..n] within [lo, hi].
  double PeakPosition(const double* x, double lo, double hi) const {
    int best = -1;
    for (int i = 0; i < n; ++i) {
      if (grid[static_cast<std::size_t>(i)] < lo || grid[static_cast<std::size_t>(i)] > hi)
        continue;
      if (best < 0 || x[i + 1] > x[best + 1]) best = i;
    }
    return grid[static_cast<std::size_t>(best)];
  }
};

inline double Gaussian(double x, double centre, double width) {
  const double u = (x - centre) / width;
  return std::exp(-0.5 * u * u);
}

// The kernel columns of the first `unseen` grid points are zero (species
// the data cannot see, as for a too low smin after noise elimination).
inline Problem TwoPeakProblem(int n, unsigned seed, double noise, int unseen = 0) {
  Problem p;
  p.n = n;
  p.scans = 3;
  p.points = 100;
  const double widths[3] = {0.5, 0.7, 0.9};
  for (int i = 0; i < n; ++i) {
    const double s = 1.0 + 9.0 * i / (n - 1);
    p.grid.push_back(s);
    p.truth.push_back(0.15 * (Gaussian(s, 3.5, 0.4) + 0.6 * Gaussian(s, 7.0, 0.6)));
  }
  std::mt19937 rng(seed);
  std::normal_distribution<double> gauss(0.0, noise);
  for (int scan = 0; scan < p.scans; ++scan) {
    for (int k = 0; k < p.points; ++k) {
      const double r = 11.0 * k / (p.points - 1);
      std::vector<double> row(static_cast<std::size_t>(n));
      double signal = 0.0;
      for (int i = unseen; i < n; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        row[ui] = Gaussian(r, p.grid[ui], widths[scan]);
        signal += row[ui] * p.truth[ui];
      }
      p.kernel.push_back(row);
      p.data.push_back(signal + gauss(rng));
    }
  }
  p.neq.Allocate(n, p.scans, p.points);
  for (std::size_t row = 0; row < p.data.size(); ++row) {
    p.neq.DataSquareSum += p.data[row] * p.data[row];
    for (int i = 1; i <= n; ++i) {
      const double ki = p.kernel[row][static_cast<std::size_t>(i - 1)];
      p.neq.NormalVector[i] += ki * p.data[row];
      for (int l = 1; l <= n; ++l)
        p.neq.NormalMatrix[i][l] += ki * p.kernel[row][static_cast<std::size_t>(l - 1)];
    }
  }
  return p;
}

}  // namespace synthetic
