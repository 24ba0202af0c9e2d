#pragma once
// Integration of the current distribution between two limits on its
// abscissa: the signal between them, over the whole grid, the
// signal-weighted mean, the standard deviation (square root of the second
// central moment), the number average and the z-average. The distribution is
// taken as the straight lines between its grid points, so every integral is
// exact for it. The one integrator of the program: the range and peak tools,
// the series exports, the Monte Carlo intervals and the equilibrium moments
// all call it.
//
// Every array is one-based: element i (1..n) is grid point i.

#include <vector>

// Exact integrals of the piecewise-linear c through (x_i, c_i), i = first..n.
struct PiecewiseLinearIntegrals {
  double Inside = 0.0;        // of c over [a, b]
  double FirstMoment = 0.0;   // of x c over [a, b]
  double SecondMoment = 0.0;  // of x^2 c over [a, b]
  double Reciprocal = 0.0;    // of c / x over [a, b]; only when asked and a, b > 0
  double Whole = 0.0;         // of c over the whole grid from x_first
};

// Intervals of equal abscissae add nothing; an interval that only touches
// a limit adds nothing inside the limits. Intervals whose abscissae
// decrease are integrated over the same stretch of axis as increasing ones.
PiecewiseLinearIntegrals IntegratePiecewiseLinear(const std::vector<float>& x,
                                                  const std::vector<float>& c, int first, int n,
                                                  double a, double b, bool reciprocal);

// The grid points of an s x f/f0 distribution, one-based over 1..count.
struct Ff0GridPoints {
  int Count = 0;
  const float* S = nullptr;
  const float* M = nullptr;
  const float* D = nullptr;             // cm^2/s
  const float* StokesRadius = nullptr;  // nm
  const float* Ff0 = nullptr;
  const float* Amplitude = nullptr;
};

// Axes of the s x f/f0 display (the first flag set decides).
enum class Ff0PlotAxes { SAndFf0, SAndM, SAndStokesRadius, SAndD, MAndFf0 };

struct Ff0RegionStatistics {
  float MeanM = 0.0f, MSd = 0.0f;
  float MeanStokesRadius = 0.0f, StokesRadiusSd = 0.0f;
  float MeanFf0 = 0.0f;
  float MFromSD = 0.0f;
};

// Signal-weighted statistics of the points with a <= x <= b and
// ymin <= y <= ymax (bounds included) on the display's axes; all 0 when the
// region holds no signal. celsius is the temperature of the M from the mean
// s and mean D.
Ff0RegionStatistics RegionStatistics(const Ff0GridPoints& points, Ff0PlotAxes axes, float a,
                                     float b, float ymin, float ymax, float celsius);

// The axes the display settings choose.
Ff0PlotAxes CurrentFf0PlotAxes();

// Integrates the current distribution (DistValues over its model's axis)
// between a and b (on the log10 axis for light-scattering data): total,
// average and totalAll are always written; stddev when given; numberAverage
// and zAverage only when all three optional outputs are given. When nothing
// lies between the limits the three are 0 and the optional outputs are left
// alone. For the s x f/f0 models also fills the region statistics of
// DistributionResult for the rectangle between a, b and RegionYMin,
// RegionYMax.
void IntegrateDistribution(float a, float b, float& total, float& average, float& totalAll,
                           float* stddev = nullptr, float* numberAverage = nullptr,
                           float* zAverage = nullptr);
