#pragma once
// Romberg quadrature, and the finite-element entries that are integrated with
// it: products of hat functions with a cross-section weight g(x) over the
// elements of a cell whose cross-section is not constant (the tapered bottom
// of the external loading cell) or whose entries are taken numerically. Also
// the closed-form integrals on the evenly spaced grid of the
// concentration-dependent engine.
//
// Grids are one-based arrays of radii r[1..N] (cm), strictly increasing.
// Entry functions take the column index j first and the row index i second,
// like the matrix assembly that calls them.

#include <functional>

#include "lamm/ElementIntegrals.h"

// A function of one double, integrated by the quadrature.
using Integrand = std::function<double(double)>;

// Stage n (>= 1) of the extended trapezoid rule of f over [a, b]. Stage 1 is
// the plain trapezoid; stage n >= 2 adds 2^(n-2) midpoints to stage n - 1,
// whose value the caller holds in `sum`. Returns the new value, also left in
// `sum`. Stages must come in order 1, 2, 3, ... with the same f, a and b.
double RombergTrapezoid(const Integrand& f, double a, double b, int n, double& sum);

// Integral of f over [a, b]: trapezoid stages with step ratio 4, the last
// five extrapolated to zero step (Richardson), until the extrapolation's
// error estimate falls below 3e-6 of its value; after 20 stages the last
// extrapolation is returned as it is. A zero integral never meets the
// relative test and so always costs the 2^19 + 1 evaluations of 20 stages.
double RombergIntegrate(const Integrand& f, double a, double b);

// Cross-section weights g(x) of the cell geometries.
double UnitWeight(double x);

// The external loading cell's bottom: its cross-section narrows linearly over
// TaperLength by the fraction TaperNarrowing, from the radius TaperStart.
struct LoadingCellTaper {
  double TaperStart = 0.0373;     // cm
  double TaperNarrowing = 0.311;  // relative loss of cross-section over the taper
  double TaperLength = 0.0373;    // cm
};
double LoadingCellCrossSection(double x, const LoadingCellTaper& taper);

// The grid and geometry of the numerically integrated entries.
struct RombergEntryGrid {
  const double* Radius = nullptr;  // r[1..GridSize]
  int GridSize = 0;
  Integrand Weight = UnitWeight;  // g(x)
  // A radius inside the grid where g has a kink (the start of the loading
  // cell's taper), 0 for none: an element across it is integrated in two
  // pieces, each smooth.
  double WeightBreak = 0.0;
  // The drift of electrophoresis is a constant force: its transport entries
  // carry no factor x.
  bool Electrophoresis = false;
};

// One hat function on one element [Start, End]: the rising half of the hat
// of node End, the falling half of the hat of node Start, or nothing. On the
// element it is a straight line with a constant slope, end points included,
// so the integrands below are smooth wherever g is.
struct ElementHat {
  double Start = 0.0;
  double End = 0.0;
  int Side = 0;  // +1 rising, -1 falling, 0 the node has no part here
  double Value(double x) const;
  double Slope(double x) const;
};

// The integrands of one entry on one element: the row hat of node i (the
// test function), the column hat of node j and the weight.
struct ElementIntegrands {
  ElementHat Row;
  ElementHat Column;
  const RombergEntryGrid* Grid = nullptr;

  double RowHatValue(double x) const { return Row.Value(x); }
  double RowHatSlope(double x) const { return Row.Slope(x); }
  double ColumnHatValue(double x) const { return Column.Value(x); }
  double ColumnHatSlope(double x) const { return Column.Slope(x); }
  double MassIntegrand(double x) const;       // g phi_j phi_i
  double DiffusionIntegrand(double x) const;  // g phi_j' phi_i'
  // g x phi_j phi_i' (electrophoresis: g phi_j phi_i')
  double SedimentationIntegrand(double x) const;
  double WeightIntegrand(double x) const;  // g phi_j (the node is the column hat)
};

// The hats of column node j and row node i on the element [r_k, r_k+1]
// (1 <= k < N).
ElementIntegrands MakeElementIntegrands(const RombergEntryGrid& grid, int k, int j, int i);

// Matrix entries (column j, row i): the sum over the elements that both hats
// share of the Romberg quadrature of the integrand; 0 for an index outside
// 1..N or hats that share no element.
double RombergMassEntry(const RombergEntryGrid& grid, int j, int i);
double RombergDiffusionEntry(const RombergEntryGrid& grid, int j, int i);
double RombergSedimentationEntry(const RombergEntryGrid& grid, int j, int i);
// Integral of g phi_i over the support of node i.
double RombergWeightEntry(const RombergEntryGrid& grid, int i);

// Closed forms on the evenly spaced grid (MakeEqualHatGrid from the grid,
// meniscus and bottom): the width h = (bottom - meniscus)/(N - 1) and the
// radius of the first index's node.
double UniformMassIntegral(const EqualHatGrid& grid, int i, int j);  // int phi_i phi_j r dr
// int phi_a' phi_b' phi_c r dr; 0 for an index outside 1..N
double UniformTripleDiffusionIntegral(const EqualHatGrid& grid, int a, int b, int c);
// int phi_a' phi_b phi_c r^2 dr; 0 for an index outside 1..N
double UniformTripleSedimentationIntegral(const EqualHatGrid& grid, int a, int b, int c);
