#include "engines/Romberg.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

#include "numerics/FatalError.h"
#include "numerics/Interpolation.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr int kRombergStages = 20;
constexpr int kExtrapolationPoints = 5;
constexpr double kRombergTolerance = 3e-6;

// The part of node m's hat on the element [r_k, r_k+1].
ElementHat HatOnElement(const RombergEntryGrid& grid, int k, int m) {
  ElementHat hat;
  hat.Start = grid.Radius[k];
  hat.End = grid.Radius[k + 1];
  hat.Side = m == k + 1 ? 1 : (m == k ? -1 : 0);
  return hat;
}

// The integrand summed over the elements that carry both hats. Integrating
// element by element keeps the kink of the hats at their node, and the jump
// of their slopes, at the ends of the quadrature interval, where the
// trapezoid rule of a smooth piece converges as the extrapolation expects.
template <class Member>
double IntegrateEntry(const RombergEntryGrid& grid, int j, int i, Member integrand) {
  const int n = grid.GridSize;
  if (i < 1 || j < 1 || i > n || j > n || std::abs(i - j) > 1) return 0.0;
  assert(grid.Radius);
  double sum = 0.0;
  for (int k = std::max(i, j) - 1; k <= std::min(i, j) && k < n; ++k) {
    if (k < 1) continue;
    const ElementIntegrands e = MakeElementIntegrands(grid, k, j, i);
    const Integrand f = [&e, integrand](double x) { return (e.*integrand)(x); };
    const double a = grid.Radius[k], b = grid.Radius[k + 1], kink = grid.WeightBreak;
    if (kink > a && kink < b)
      sum += RombergIntegrate(f, a, kink) + RombergIntegrate(f, kink, b);
    else
      sum += RombergIntegrate(f, a, b);
  }
  return sum;
}

}  // namespace

double RombergTrapezoid(const Integrand& f, double a, double b, int n, double& sum) {
  assert(n >= 1);
  if (n == 1) {
    sum = 0.5 * (b - a) * (f(a) + f(b));
    return sum;
  }
  const long k = 1L << (n - 2);
  const double spacing = (b - a) / static_cast<double>(k);
  double newPoints = 0.0;
  for (long m = 1; m <= k; ++m) newPoints += f(a + (static_cast<double>(m) - 0.5) * spacing);
  sum = 0.5 * (sum + (b - a) * newPoints / static_cast<double>(k));
  return sum;
}

double RombergIntegrate(const Integrand& f, double a, double b) {
  // The trapezoid error is a series in h^2; H is h^2 up to a constant, so the
  // extrapolation to H = 0 removes its leading terms.
  OneBasedArray<double> s(1, kRombergStages), h(1, kRombergStages + 1);
  h[1] = 1.0;
  double running = 0.0, ss = 0.0, dss = 0.0;
  for (int j = 1; j <= kRombergStages; ++j) {
    s[j] = RombergTrapezoid(f, a, b, j, running);
    if (j >= kExtrapolationPoints) {
      const int first = j - kExtrapolationPoints;
      dpolint(h.data() + first, s.data() + first, kExtrapolationPoints, 0.0, ss, dss);
      if (std::fabs(dss) < kRombergTolerance * std::fabs(ss)) return ss;
    }
    h[j + 1] = 0.25 * h[j];
  }
  return ss;
}

double ElementHat::Value(double x) const {
  if (Side > 0) return (x - Start) / (End - Start);
  if (Side < 0) return (End - x) / (End - Start);
  return 0.0;
}

double ElementHat::Slope(double) const {
  return Side / (End - Start);
}

double UnitWeight(double) {
  return 1.0;
}

double LoadingCellCrossSection(double x, const LoadingCellTaper& taper) {
  if (x < taper.TaperStart) return 1.0;
  return 1.0 - (x - taper.TaperStart) * taper.TaperNarrowing / taper.TaperLength;
}

double ElementIntegrands::MassIntegrand(double x) const {
  return Grid->Weight(x) * ColumnHatValue(x) * RowHatValue(x);
}

double ElementIntegrands::DiffusionIntegrand(double x) const {
  return Grid->Weight(x) * ColumnHatSlope(x) * RowHatSlope(x);
}

double ElementIntegrands::SedimentationIntegrand(double x) const {
  const double force = Grid->Electrophoresis ? 1.0 : x;
  return Grid->Weight(x) * force * ColumnHatValue(x) * RowHatSlope(x);
}

double ElementIntegrands::WeightIntegrand(double x) const {
  return Grid->Weight(x) * ColumnHatValue(x);
}

ElementIntegrands MakeElementIntegrands(const RombergEntryGrid& grid, int k, int j, int i) {
  assert(grid.Radius && k >= 1 && k < grid.GridSize);
  ElementIntegrands e;
  e.Row = HatOnElement(grid, k, i);
  e.Column = HatOnElement(grid, k, j);
  e.Grid = &grid;
  return e;
}

double RombergMassEntry(const RombergEntryGrid& grid, int j, int i) {
  return IntegrateEntry(grid, j, i, &ElementIntegrands::MassIntegrand);
}

double RombergDiffusionEntry(const RombergEntryGrid& grid, int j, int i) {
  return IntegrateEntry(grid, j, i, &ElementIntegrands::DiffusionIntegrand);
}

double RombergSedimentationEntry(const RombergEntryGrid& grid, int j, int i) {
  return IntegrateEntry(grid, j, i, &ElementIntegrands::SedimentationIntegrand);
}

double RombergWeightEntry(const RombergEntryGrid& grid, int i) {
  return IntegrateEntry(grid, i, i, &ElementIntegrands::WeightIntegrand);
}

double UniformMassIntegral(const EqualHatGrid& grid, int i, int j) {
  return MassIntegralEqual(grid, i, j);
}

double UniformTripleDiffusionIntegral(const EqualHatGrid& grid, int a, int b, int c) {
  return DiffusionTripleEqual(grid, a, b, c);
}

double UniformTripleSedimentationIntegral(const EqualHatGrid& grid, int a, int b, int c) {
  return SedimentationTripleEqual(grid, a, b, c);
}
