#include "lamm/ElementIntegrals.h"

#include <algorithm>
#include <cassert>
#include <initializer_list>

namespace {

// Closed forms on one element [u, w] of length l = w - u, with the left hat
// L = (w - r)/l and the right hat R = (r - u)/l: the integral of r^power L^a R^b.
// They are exact integrals of polynomials (Beta-function moments of the
// barycentric coordinates).
// Inlined where the powers are constants, so that the choice folds away.
[[gnu::always_inline]] inline double ElementMoment(double u, double w, int power, int a, int b) {
  const double l = w - u;
  if (power == 1) {
    switch (a * 10 + b) {
      case 0:
        return l * (u + w) / 2.0;
      case 10:
        return l * (2.0 * u + w) / 6.0;
      case 1:
        return l * (u + 2.0 * w) / 6.0;
      case 20:
        return l * (3.0 * u + w) / 12.0;
      case 11:
        return l * (u + w) / 12.0;
      case 2:
        return l * (u + 3.0 * w) / 12.0;
      case 30:
        return l * (4.0 * u + w) / 20.0;
      case 21:
        return l * (3.0 * u + 2.0 * w) / 60.0;
      case 12:
        return l * (2.0 * u + 3.0 * w) / 60.0;
      case 3:
        return l * (u + 4.0 * w) / 20.0;
    }
  } else if (power == 2) {
    switch (a * 10 + b) {
      case 10:
        return l * (3.0 * u * u + 2.0 * u * w + w * w) / 12.0;
      case 1:
        return l * (u * u + 2.0 * u * w + 3.0 * w * w) / 12.0;
      case 20:
        return l * (6.0 * u * u + 3.0 * u * w + w * w) / 30.0;
      case 11:
        return l * (3.0 * u * u + 4.0 * u * w + 3.0 * w * w) / 60.0;
      case 2:
        return l * (u * u + 3.0 * u * w + 6.0 * w * w) / 30.0;
    }
  }
  assert(false && "no closed form for this product of hats");
  return 0.0;
}

// The nodes of one evaluation: n nodes at the grid radii, or, for the equally
// spaced view, at distances (m - anchor) times the element width from the
// radius of the anchor node.
struct Nodes {
  const double* radius = nullptr;
  int n = 0;
  int anchor = 0;  // 0: the grid radii themselves
  double width = 0.0;

  double At(int m) const { return anchor > 0 ? radius[anchor] + (m - anchor) * width : radius[m]; }
  // Speed of a frame node over the frame rate: the end nodes are pinned.
  double FrameSpeed(int m) const { return (m == 1 || m == n) ? 0.0 : At(m); }
};

// The derivative of the left (-1/l) or right (+1/l) hat on an element of
// length l.
double SideSlope(bool left, double l) {
  return (left ? -1.0 : 1.0) / l;
}

// One element's term of an integral: factor (the hat derivatives) times the
// integral of r^power L^a R^b over element p, with frameVelocity times the
// frame speed, which is linear on the element and so adds one hat.
inline double ElementTerm(const Nodes& g, int p, int power, int a, int b, double factor,
                          bool frameVelocity) {
  const double u = g.At(p), w = g.At(p + 1);
  double value;
  if (frameVelocity)
    value = g.FrameSpeed(p) * ElementMoment(u, w, power, a + 1, b) +
            g.FrameSpeed(p + 1) * ElementMoment(u, w, power, a, b + 1);
  else
    value = ElementMoment(u, w, power, a, b);
  return factor * value;
}

// The product of r^power, the hats of the nodes in `hats`, the hat
// derivatives of the nodes in `derivatives` and, with frameVelocity, the frame
// speed v, integrated over the whole grid: the sum over the elements
// [node p, node p + 1] that carry every factor. Derivatives are the constants
// -1/l (left hat) and +1/l (right hat) taken out of the element integral; the
// frame speed is linear on an element, vL + vR, and adds one hat.
double Integrate(const Nodes& g, int power, std::initializer_list<int> hats,
                 std::initializer_list<int> derivatives, bool frameVelocity = false) {
  int first = 0;
  for (std::initializer_list<int> group : {derivatives, hats})
    for (int m : group) {
      if (m < 1 || m > g.n) return 0.0;
      if (first == 0) first = m;
    }
  assert(first > 0);
  double sum = 0.0;
  for (int p = std::max(1, first - 1); p <= std::min(first, g.n - 1); ++p) {
    auto onElement = [p](int m) { return m == p || m == p + 1; };
    if (!std::all_of(hats.begin(), hats.end(), onElement) ||
        !std::all_of(derivatives.begin(), derivatives.end(), onElement))
      continue;
    const double l = g.At(p + 1) - g.At(p);
    const int a = static_cast<int>(std::count(hats.begin(), hats.end(), p));
    const int b = static_cast<int>(hats.size()) - a;
    double factor = 1.0;
    for (int m : derivatives) factor *= SideSlope(m == p, l);
    sum += ElementTerm(g, p, power, a, b, factor, frameVelocity);
  }
  return sum;
}

// The band entries (i, i-1), (i, i), (i, i+1) of the frame grid's matrices,
// each summed over its elements in the order Integrate sums them, so that
// they equal the single members bit for bit. Row is the row's node, Col the
// column's node; RowLeft: the row's node is the left one of element p.
template <bool RowLeft, bool ColumnLeft>
struct FrameShares {
  double mass, stiffness, sedimentation, term;
  FrameShares(const Nodes& g, int p) {
    const double l = g.At(p + 1) - g.At(p);
    constexpr int hatsLeft = (RowLeft ? 1 : 0) + (ColumnLeft ? 1 : 0);
    constexpr int columnLeft = ColumnLeft ? 1 : 0;
    mass = ElementTerm(g, p, 1, hatsLeft, 2 - hatsLeft, 1.0, false);
    double twoSlopes = 1.0;
    twoSlopes *= SideSlope(RowLeft, l);
    twoSlopes *= SideSlope(ColumnLeft, l);
    stiffness = ElementTerm(g, p, 1, 0, 0, twoSlopes, false);
    double rowSlope = 1.0;
    rowSlope *= SideSlope(RowLeft, l);
    sedimentation = ElementTerm(g, p, 2, columnLeft, 1 - columnLeft, rowSlope, false);
    term = ElementTerm(g, p, 1, columnLeft, 1 - columnLeft, rowSlope, true);
  }
};

template <bool RowLeft, bool ColumnLeft>
void AddShares(const Nodes& g, int p, FrameEntryIntegrals& sum) {
  const FrameShares<RowLeft, ColumnLeft> s(g, p);
  sum.Mass += s.mass;
  sum.Stiffness += s.stiffness;
  sum.Sedimentation += s.sedimentation;
  sum.Term += s.term;
}

// Entry (i, j), |i - j| <= 1, both inside the grid; the shares of element
// i - 1 come first, as in Integrate.
FrameEntryIntegrals FrameEntry(const Nodes& g, int i, int j) {
  FrameEntryIntegrals sum{0.0, 0.0, 0.0, 0.0};
  if (j < i) {
    AddShares<false, true>(g, i - 1, sum);
  } else if (j > i) {
    AddShares<true, false>(g, i, sum);
  } else {
    if (i > 1) AddShares<false, false>(g, i - 1, sum);
    if (i < g.n) AddShares<true, true>(g, i, sum);
  }
  // The frame-term integral carries a minus sign on the whole sum.
  sum.Term = -sum.Term;
  return sum;
}

Nodes EqualNodes(const EqualHatGrid& grid, int anchor) {
  assert(grid.Radius || grid.GridSize <= 0);
  const bool inside = anchor >= 1 && anchor <= grid.GridSize;
  return {grid.Radius, grid.GridSize, inside ? anchor : 0, grid.ElementWidth};
}

Nodes CutNodes(const HatGrid& grid, int a) {
  assert(grid.Radius || grid.GridSize <= 0);
  return {grid.Radius, std::min(a, grid.GridSize)};
}

Nodes FrameNodes(const HatGrid& frame) {
  assert(frame.Radius || frame.GridSize <= 0);
  return {frame.Radius, frame.GridSize};
}

}  // namespace

EqualHatGrid MakeEqualHatGrid(const double* radius, int gridSize, double meniscus, double bottom) {
  const double width = gridSize > 1 ? (bottom - meniscus) / (gridSize - 1) : 0.0;
  return {radius, gridSize, width};
}

double MassIntegralEqual(const EqualHatGrid& grid, int i, int j) {
  return Integrate(EqualNodes(grid, i), 1, {i, j}, {});
}

double DiffusionTripleEqual(const EqualHatGrid& grid, int i, int j, int k) {
  return Integrate(EqualNodes(grid, i), 1, {k}, {i, j});
}

double SedimentationTripleEqual(const EqualHatGrid& grid, int i, int j, int k) {
  return Integrate(EqualNodes(grid, i), 2, {j, k}, {i});
}

double MassTripleEqual(const EqualHatGrid& grid, int i, int j, int k) {
  return Integrate(EqualNodes(grid, i), 1, {i, j, k}, {});
}

double LumpedWeight(const HatGrid& grid, int i, int a) {
  return Integrate(CutNodes(grid, a), 1, {i}, {});
}

double MassIntegral(const HatGrid& grid, int i, int j, int a) {
  return Integrate(CutNodes(grid, a), 1, {i, j}, {});
}

double StiffnessIntegral(const HatGrid& grid, int i, int j, int a) {
  return Integrate(CutNodes(grid, a), 1, {}, {i, j});
}

double SedimentationIntegral(const HatGrid& grid, int i, int j, int a) {
  return Integrate(CutNodes(grid, a), 2, {j}, {i});
}

double PinnedFrameLumpedWeight(const HatGrid& frame, int i) {
  return Integrate(FrameNodes(frame), 1, {i}, {});
}

double PinnedFrameMassIntegral(const HatGrid& frame, int i, int j) {
  return Integrate(FrameNodes(frame), 1, {i, j}, {});
}

double PinnedFrameStiffnessIntegral(const HatGrid& frame, int i, int j) {
  return Integrate(FrameNodes(frame), 1, {}, {i, j});
}

double PinnedFrameSedimentationIntegral(const HatGrid& frame, int i, int j) {
  return Integrate(FrameNodes(frame), 2, {j}, {i});
}

double PinnedFrameTermIntegral(const HatGrid& frame, int i, int j) {
  return -Integrate(FrameNodes(frame), 1, {i}, {j}, true);
}

double PinnedFrameTermTriple(const HatGrid& frame, int i, int j, int k) {
  return -Integrate(FrameNodes(frame), 1, {i, k}, {j}, true);
}

double PinnedFrameTermProductIntegral(const HatGrid& frame, int i, int j, int k) {
  return PinnedFrameTermTriple(frame, i, j, k) + PinnedFrameTermTriple(frame, i, k, j);
}

double PinnedFrameMassTriple(const HatGrid& frame, int i, int j, int k) {
  return Integrate(FrameNodes(frame), 1, {i, j, k}, {});
}

double PinnedFrameSedimentationTriple(const HatGrid& frame, int i, int j, int k) {
  return Integrate(FrameNodes(frame), 2, {j, k}, {i});
}

double PinnedFrameDiffusionTriple(const HatGrid& frame, int i, int j, int k) {
  return Integrate(FrameNodes(frame), 1, {k}, {i, j});
}

double PinnedFrameDiffusionProductIntegral(const HatGrid& frame, int i, int j, int k) {
  return PinnedFrameDiffusionTriple(frame, i, j, k) + PinnedFrameDiffusionTriple(frame, i, k, j);
}

FrameEntryIntegrals PinnedFrameEntry(const HatGrid& frame, int i, int j) {
  assert(i >= 1 && i <= frame.GridSize && j >= i - 1 && j <= i + 1 && j >= 1 &&
         j <= frame.GridSize);
  return FrameEntry(FrameNodes(frame), i, j);
}

