#pragma once
// The distribution the user sees. A run solves amounts per grid point;
// storing turns them into a density (amount per unit of the grid axis), so
// that grids of uneven spacing show the same shape. A stored distribution
// can then be turned into its cumulative form, moved onto an s20,w or a
// Stokes-radius axis, divided by a polynomial, or loaded from a file to
// simulate data from it.
//
// Every array is one-based: element i (1..n) is grid point i, element 0 is
// unused.

#include <functional>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "platform/Platform.h"

// ---- Layout of a distribution ----------------------------------------------

// What besides the model kind decides whether grid point 1 is a separate
// species.
struct DistributionLayoutFlags {
  bool HybridIncludesDiscrete = false;  // the hybrid model includes its discrete species
  bool BufferMismatchOn = false;        // point 1 is the sedimenting buffer
  bool NonidealExtraSpecies = false;    // non-ideal c(s) with its extra discrete species
};

// Grid point 1 is a separate species that keeps its amplitude when the rest
// becomes a density.
bool DensityFirstPointSeparate(ModelKind kind, const DistributionLayoutFlags& flags);
// Grid point 1 is left out of cumulative forms and integrals.
bool IntegralFirstPointSeparate(ModelKind kind, const DistributionLayoutFlags& flags);

// The flags of the current model and settings.
DistributionLayoutFlags CurrentDistributionLayoutFlags();

// ---- Conversions on arrays ---------------------------------------------------

// How the width of a grid point is measured when its amplitude becomes a
// density. The width is the point's share of the axis: half-way to each
// neighbour, and from an end point half-way to its one neighbour.
enum class DensityWidths {
  Signed,    // an ascending grid (M grids)
  Absolute,  // s grids may be negative or decreasing, light-scattering grids decreasing
  // Absolute, with point 1 a separate species kept as an amplitude; point 2
  // is then the first point of the continuous part.
  AbsoluteAfterFirst,
};

// v[1..n] (amplitudes on the abscissae x[1..n]) become densities. Nothing
// for n < 2, nor when point 1 is separate and only one point is left.
void AmplitudesToDensity(std::vector<float>& v, const std::vector<float>& x, int n,
                         DensityWidths widths);

// v[first..n] (a density) becomes its running trapezoidal integral along
// the grid, 0 at point first; points below first are left alone. Widths as
// in the density: Signed ones along an ascending grid, else absolute.
void DensityToCumulative(std::vector<float>& v, const std::vector<float>& x, int n, int first,
                         bool signedWidths);

// Trapezoidal area of v[1..n] over x[1..n]; 0 for n < 2.
double TrapezoidArea(const std::vector<float>& v, const std::vector<float>& x, int n);

// ---- The program's stored distribution ----------------------------------------

// What storing and transforming need of the parts around them. Each
// operation is skipped while it is not installed; the two questions answer
// no.
struct StoredDistributionServicesRecord {
  // Best-fit signal and systematic noise of the solved amplitudes into the
  // scans' model arrays; the program's CalculateppAFit from the start.
  std::function<void(platform::WindowHandle)> CalculateppAFit;
  // Shows the data as the user chose with nonlinear detection (transformed
  // or not).
  std::function<void()> RestoreDetectionView;
  // Lays the distribution plot out again and renders it.
  std::function<void()> RenderDistributionPlot;
  // The x-axis title of the distribution plot.
  std::function<void(const std::string&)> SetDistributionXTitle;
  std::function<bool()> BufferMismatchOn;
  std::function<bool()> NonidealExtraSpecies;
};

extern StoredDistributionServicesRecord StoredDistributionServices;

// At the end of a run outside a search, after the final evaluation of a fit
// and at the end of a Monte Carlo analysis: best-fit signal, amplitudes
// into DistValues (the s marginal for the s x f/f0 models), density, release
// of the large arrays of the one-dimensional models, plot and repaint.
void StoreDistributionResult(platform::WindowHandle window);

// The solved amplitudes (NormalEquations.DistSolution) into DistValues and
// DistSecondValues: for the s x f/f0 models into Grid2DAmplitudes, with
// DistValues their sum over the f/f0 values (n s points).
void TakeSolution(ModelKind kind, int n);

// DistValues (and DistSecondValues in the combined setting) from amplitudes
// to densities on the model's axis. Nothing for fewer than two points.
void DistributionDensity();

// DistValues from density to cumulative form (nothing for light-scattering
// data).
void CumulativeDistribution();

// Onto the s20,w axis: the grid scaled by the conversion factor, the values
// divided by it (the area stays). False, nothing changed, for models whose
// grid is not s.
bool DistributionToS20w(float vbar, float vbar20, float viscosity, float density);

// Onto the Stokes-radius axis (nm) with the global f/f0, keeping the area
// under each curve. False, nothing changed, when vbar20 is not positive.
bool DistributionToRh(float vbar20);

// Divides the distribution by the polynomial whose coefficients a0, a1, ...
// the file holds one per line, evaluated at the grid values. False when the
// file cannot be read or holds no coefficient.
bool DivideDistributionByPolynomial(const std::string& path);

// Loads columns 1 (grid) and 2 (values) of a text file as the distribution
// to simulate data from, and allocates the kernel and normal equations for
// it. False for the s x f/f0 models, an unreadable or empty file, no loaded
// scans, or a failed allocation.
bool LoadDistributionFile(const std::string& path);
