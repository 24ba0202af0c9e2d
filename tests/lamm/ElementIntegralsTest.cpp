#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "lamm/ElementIntegrals.h"

namespace {

// Grids the solver meets: equally spaced, and widening towards the bottom
// with irregular steps. Node radii are one-based (element 0 unused).
std::vector<double> UniformGrid(int n, double meniscus, double h) {
  std::vector<double> r(static_cast<std::size_t>(n + 1), 0.0);
  for (int i = 1; i <= n; ++i) r[static_cast<std::size_t>(i)] = meniscus + (i - 1) * h;
  return r;
}

std::vector<double> IrregularGrid(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> step(0.02, 0.2);
  std::vector<double> r(static_cast<std::size_t>(n + 1), 0.0);
  r[1] = 5.9;
  for (int i = 2; i <= n; ++i)
    r[static_cast<std::size_t>(i)] = r[i - 1] + step(rng) * (1 + 0.1 * i);
  return r;
}

// Hat functions defined point by point from the nodes, integrated by
// five-point Gauss-Legendre quadrature on each element: an independent truth
// for products of up to five linear factors.
class Quadrature {
 public:
  explicit Quadrature(std::vector<double> nodes)
      : x_(std::move(nodes)), n_(static_cast<int>(x_.size()) - 1) {}

  double Hat(int m, double r) const {
    if (m < 1 || m > n_) return 0.0;
    if (m > 1 && r > x_[m - 1] && r < x_[m]) return (r - x_[m - 1]) / (x_[m] - x_[m - 1]);
    if (m < n_ && r > x_[m] && r < x_[m + 1]) return (x_[m + 1] - r) / (x_[m + 1] - x_[m]);
    return 0.0;
  }
  double Slope(int m, double r) const {
    if (m < 1 || m > n_) return 0.0;
    if (m > 1 && r > x_[m - 1] && r < x_[m]) return 1.0 / (x_[m] - x_[m - 1]);
    if (m < n_ && r > x_[m] && r < x_[m + 1]) return -1.0 / (x_[m + 1] - x_[m]);
    return 0.0;
  }
  // Integral of f over [x_1, x_last].
  double Integrate(const std::function<double(double)>& f, int last) const {
    static const double t[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831,
                                0.9061798459386640};
    static const double w[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                                0.4786286704993665, 0.2369268850561891};
    double sum = 0.0;
    for (int e = 1; e < std::min(last, n_); ++e) {
      const double mid = 0.5 * (x_[e] + x_[e + 1]), half = 0.5 * (x_[e + 1] - x_[e]);
      for (int q = 0; q < 5; ++q) sum += w[q] * half * f(mid + half * t[q]);
    }
    return sum;
  }
  int size() const { return n_; }
  double node(int m) const { return x_[static_cast<std::size_t>(m)]; }

 private:
  std::vector<double> x_;
  int n_;
};

void ExpectClose(double got, double want, const std::string& what) {
  EXPECT_NEAR(got, want, 1e-10 * (1.0 + std::fabs(want))) << what;
}

std::string Indices(int i, int j, int k, int a) {
  return "(" + std::to_string(i) + "," + std::to_string(j) + "," + std::to_string(k) +
         "; a=" + std::to_string(a) + ")";
}

// ---------------------------------------------------------------------------
// Every member against quadrature, over all index triples 0..n+1 (indices
// outside the grid included), on an equal and an irregular grid.

struct MemberCase {
  const char* name;
  int indices;  // 2 or 3
  std::function<double(const std::vector<double>&, int, int, int)> member;
  std::function<double(const Quadrature&, int, int, int, double)> integrand;
};

// The frame speed as stated for a frame whose end nodes stay put: r inside,
// r_2 R on the first element, r_{n-1} L on the last.
double FrameSpeed(const Quadrature& q, double r) {
  const int n = q.size();
  if (r < q.node(2)) return q.node(2) * (r - q.node(1)) / (q.node(2) - q.node(1));
  if (r > q.node(n - 1)) return q.node(n - 1) * (q.node(n) - r) / (q.node(n) - q.node(n - 1));
  return r;
}

HatGrid Grid(const std::vector<double>& r) {
  return {r.data(), static_cast<int>(r.size()) - 1};
}

void CheckAgainstQuadrature(const MemberCase& c, const std::vector<double>& radius,
                            const Quadrature& truth, int last, int a) {
  const int n = static_cast<int>(radius.size()) - 1;
  const int kMax = c.indices == 3 ? n + 1 : 0;
  for (int i = 0; i <= n + 1; ++i)
    for (int j = 0; j <= n + 1; ++j)
      for (int k = 0; k <= kMax; ++k) {
        const double want =
            truth.Integrate([&](double r) { return c.integrand(truth, i, j, k, r); }, last);
        ExpectClose(c.member(radius, i, j, k), want, std::string(c.name) + Indices(i, j, k, a));
      }
}

TEST(ElementIntegrals, FrameGridMembersEqualQuadratureOfTheirHatProducts) {
  const std::vector<MemberCase> cases = {
      {"PinnedFrameLumpedWeight", 2,
       [](auto& r, int i, int j, int) {
         return j == 1 ? PinnedFrameLumpedWeight(Grid(r), i) : 0.0;
       },
       [](auto& q, int i, int j, int, double r) { return j == 1 ? r * q.Hat(i, r) : 0.0; }},
      {"PinnedFrameMassIntegral", 2,
       [](auto& r, int i, int j, int) { return PinnedFrameMassIntegral(Grid(r), i, j); },
       [](auto& q, int i, int j, int, double r) { return r * q.Hat(i, r) * q.Hat(j, r); }},
      {"PinnedFrameStiffnessIntegral", 2,
       [](auto& r, int i, int j, int) { return PinnedFrameStiffnessIntegral(Grid(r), i, j); },
       [](auto& q, int i, int j, int, double r) { return r * q.Slope(i, r) * q.Slope(j, r); }},
      {"PinnedFrameSedimentationIntegral", 2,
       [](auto& r, int i, int j, int) { return PinnedFrameSedimentationIntegral(Grid(r), i, j); },
       [](auto& q, int i, int j, int, double r) { return r * r * q.Slope(i, r) * q.Hat(j, r); }},
      {"PinnedFrameTermIntegral", 2,
       [](auto& r, int i, int j, int) { return PinnedFrameTermIntegral(Grid(r), i, j); },
       [](auto& q, int i, int j, int, double r) {
         return -r * FrameSpeed(q, r) * q.Hat(i, r) * q.Slope(j, r);
       }},
      {"PinnedFrameTermTriple", 3,
       [](auto& r, int i, int j, int k) { return PinnedFrameTermTriple(Grid(r), i, j, k); },
       [](auto& q, int i, int j, int k, double r) {
         return -r * FrameSpeed(q, r) * q.Hat(i, r) * q.Hat(k, r) * q.Slope(j, r);
       }},
      {"PinnedFrameTermProductIntegral", 3,
       [](auto& r, int i, int j, int k) {
         return PinnedFrameTermProductIntegral(Grid(r), i, j, k);
       },
       [](auto& q, int i, int j, int k, double r) {
         const double product = q.Slope(j, r) * q.Hat(k, r) + q.Hat(j, r) * q.Slope(k, r);
         return -r * FrameSpeed(q, r) * q.Hat(i, r) * product;
       }},
      {"PinnedFrameMassTriple", 3,
       [](auto& r, int i, int j, int k) { return PinnedFrameMassTriple(Grid(r), i, j, k); },
       [](auto& q, int i, int j, int k, double r) {
         return r * q.Hat(i, r) * q.Hat(j, r) * q.Hat(k, r);
       }},
      {"PinnedFrameSedimentationTriple", 3,
       [](auto& r, int i, int j, int k) {
         return PinnedFrameSedimentationTriple(Grid(r), i, j, k);
       },
       [](auto& q, int i, int j, int k, double r) {
         return r * r * q.Slope(i, r) * q.Hat(j, r) * q.Hat(k, r);
       }},
      {"PinnedFrameDiffusionTriple", 3,
       [](auto& r, int i, int j, int k) { return PinnedFrameDiffusionTriple(Grid(r), i, j, k); },
       [](auto& q, int i, int j, int k, double r) {
         return r * q.Slope(i, r) * q.Slope(j, r) * q.Hat(k, r);
       }},
      {"PinnedFrameDiffusionProductIntegral", 3,
       [](auto& r, int i, int j, int k) {
         return PinnedFrameDiffusionProductIntegral(Grid(r), i, j, k);
       },
       [](auto& q, int i, int j, int k, double r) {
         const double product = q.Slope(j, r) * q.Hat(k, r) + q.Hat(j, r) * q.Slope(k, r);
         return r * q.Slope(i, r) * product;
       }},
  };
  for (const auto& radius :
       {UniformGrid(6, 6.0, 0.125), IrregularGrid(7, 3), UniformGrid(3, 6.2, 0.3)}) {
    const Quadrature truth(radius);
    const int n = truth.size();
    for (const MemberCase& c : cases) CheckAgainstQuadrature(c, radius, truth, n, n);
  }
}

// The four integrals of an entry come from one evaluation of its elements;
// the solver's results stay the same only if each equals the single member
// to the last bit (the transposed frame term included).
TEST(ElementIntegrals, FrameEntriesEqualTheSingleMembersBitForBit) {
  for (const auto& radius : {UniformGrid(5, 6.0, 0.125), IrregularGrid(9, 5), IrregularGrid(2, 7),
                             UniformGrid(40, 5.8, 0.035)}) {
    const int n = static_cast<int>(radius.size()) - 1;
    const HatGrid g = Grid(radius);
    for (int i = 1; i <= n; ++i)
      for (int j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
        const FrameEntryIntegrals e = PinnedFrameEntry(g, i, j);
        const double got[4] = {e.Mass, e.Stiffness, e.Sedimentation, e.Term};
        const double want[4] = {PinnedFrameMassIntegral(g, i, j), PinnedFrameStiffnessIntegral(g, i, j),
                                PinnedFrameSedimentationIntegral(g, i, j),
                                PinnedFrameTermIntegral(g, j, i)};
        for (int m = 0; m < 4; ++m)
          EXPECT_EQ(std::bit_cast<std::uint64_t>(got[m]), std::bit_cast<std::uint64_t>(want[m]))
              << "integral " << m << " (" << i << "," << j << ") of " << n << ": " << got[m]
              << " vs " << want[m];
      }
  }
}

TEST(ElementIntegrals, TruncatedGridMembersEqualQuadratureOverTheCutGrid) {
  // The integral runs to the node a' = min(a, n): its hat keeps the left
  // element only, and hats of nodes above it vanish there.
  for (const auto& radius : {UniformGrid(7, 6.0, 0.1), IrregularGrid(8, 11)}) {
    const Quadrature truth(radius);
    const int n = truth.size();
    for (int a : {1, 2, 4, n - 1, n, n + 3}) {
      const std::vector<MemberCase> cases = {
          {"LumpedWeight", 2,
           [a](auto& r, int i, int j, int) { return j == 1 ? LumpedWeight(Grid(r), i, a) : 0.0; },
           [](auto& q, int i, int j, int, double r) { return j == 1 ? r * q.Hat(i, r) : 0.0; }},
          {"MassIntegral", 2,
           [a](auto& r, int i, int j, int) { return MassIntegral(Grid(r), i, j, a); },
           [](auto& q, int i, int j, int, double r) { return r * q.Hat(i, r) * q.Hat(j, r); }},
          {"StiffnessIntegral", 2,
           [a](auto& r, int i, int j, int) { return StiffnessIntegral(Grid(r), i, j, a); },
           [](auto& q, int i, int j, int, double r) { return r * q.Slope(i, r) * q.Slope(j, r); }},
          {"SedimentationIntegral", 2,
           [a](auto& r, int i, int j, int) { return SedimentationIntegral(Grid(r), i, j, a); },
           [](auto& q, int i, int j, int, double r) {
             return r * r * q.Slope(i, r) * q.Hat(j, r);
           }},
      };
      for (const MemberCase& c : cases) CheckAgainstQuadrature(c, radius, truth, std::min(a, n), a);
    }
  }
}

TEST(ElementIntegrals, EqualSpacingMembersEqualQuadratureOnAnEqualGrid) {
  const double h = 0.08;
  const std::vector<double> radius = UniformGrid(6, 6.1, h);
  const EqualHatGrid grid = MakeEqualHatGrid(radius.data(), 6, 6.1, 6.1 + 5 * h);
  EXPECT_NEAR(grid.ElementWidth, h, 1e-15);
  const Quadrature truth(radius);
  const std::vector<MemberCase> cases = {
      {"MassIntegralEqual", 2,
       [&](auto&, int i, int j, int) { return MassIntegralEqual(grid, i, j); },
       [](auto& q, int i, int j, int, double r) { return r * q.Hat(i, r) * q.Hat(j, r); }},
      {"DiffusionTripleEqual", 3,
       [&](auto&, int i, int j, int k) { return DiffusionTripleEqual(grid, i, j, k); },
       [](auto& q, int i, int j, int k, double r) {
         return r * q.Slope(i, r) * q.Slope(j, r) * q.Hat(k, r);
       }},
      {"SedimentationTripleEqual", 3,
       [&](auto&, int i, int j, int k) { return SedimentationTripleEqual(grid, i, j, k); },
       [](auto& q, int i, int j, int k, double r) {
         return r * r * q.Slope(i, r) * q.Hat(j, r) * q.Hat(k, r);
       }},
      {"MassTripleEqual", 3,
       [&](auto&, int i, int j, int k) { return MassTripleEqual(grid, i, j, k); },
       [](auto& q, int i, int j, int k, double r) {
         return r * q.Hat(i, r) * q.Hat(j, r) * q.Hat(k, r);
       }},
  };
  for (const MemberCase& c : cases) CheckAgainstQuadrature(c, radius, truth, 6, 6);

  // The closed forms of the equally spaced mass matrix.
  const int n = 6;
  auto r = [&](int i) { return radius[static_cast<std::size_t>(i)]; };
  ExpectClose(MassIntegralEqual(grid, 1, 1), h / 3 * (r(1) + h / 4), "first diagonal");
  ExpectClose(MassIntegralEqual(grid, 3, 3), 2 * h / 3 * r(3), "inner diagonal");
  ExpectClose(MassIntegralEqual(grid, 3, 4), h / 6 * (r(3) + h / 2), "upper");
  ExpectClose(MassIntegralEqual(grid, n, n), h / 3 * (r(n) - h / 4), "last diagonal");
}

// On a grid that is not exactly equal, the equally spaced members measure the
// elements from the radius of the first index, as the equal-spacing assembly
// of the matrix rows does.
TEST(ElementIntegrals, EqualSpacingMembersMeasureElementsFromTheFirstIndex) {
  const std::vector<double> radius = IrregularGrid(6, 21);
  const EqualHatGrid grid = MakeEqualHatGrid(radius.data(), 6, 6.0, 6.5);
  const double h = 0.1;
  for (int i = 1; i <= 6; ++i) {
    const Quadrature truth(UniformGrid(6, radius[static_cast<std::size_t>(i)] - (i - 1) * h, h));
    for (int j = 0; j <= 7; ++j) {
      const double want =
          truth.Integrate([&](double r) { return r * truth.Hat(i, r) * truth.Hat(j, r); }, 6);
      ExpectClose(MassIntegralEqual(grid, i, j), want, Indices(i, j, 0, 0));
    }
  }
  EXPECT_EQ(MakeEqualHatGrid(radius.data(), 1, 6.0, 6.5).ElementWidth, 0.0);
}

// ---------------------------------------------------------------------------
// Sum rules: the hats add up to 1 on the grid, so summing over one index
// removes a hat (or a derivative, whose sum is 0).

TEST(ElementIntegrals, CutGridRowsObeyTheSumRules) {
  struct Case {
    std::vector<double> radius;
    bool equal;
  };
  for (const Case& c : {Case{UniformGrid(9, 6.0, 0.1), true}, Case{IrregularGrid(10, 5), false}}) {
    const std::vector<double>& radius = c.radius;
    const HatGrid g = Grid(radius);
    const int n = g.GridSize;
    auto r = [&](int i) { return radius[static_cast<std::size_t>(i)]; };
    for (int a : {2, 5, n, n + 2}) {
      SCOPED_TRACE(a);
      const int last = std::min(a, n);
      double total = 0.0;
      for (int i = 1; i <= n; ++i) total += LumpedWeight(g, i, a);
      ExpectClose(total, (r(last) * r(last) - r(1) * r(1)) / 2, "sector area");
      for (int i = 1; i <= last; ++i) {
        double mass = 0.0, stiffness = 0.0, sedimentation = 0.0;
        for (int j = 1; j <= n; ++j) {
          mass += MassIntegral(g, i, j, a);
          stiffness += StiffnessIntegral(g, i, j, a);
          sedimentation += SedimentationIntegral(g, i, j, a);
        }
        ExpectClose(mass, LumpedWeight(g, i, a), "mass row " + std::to_string(i));
        EXPECT_NEAR(stiffness, 0.0, 1e-10 * (r(i) / (r(2) - r(1)))) << i;
        // int r^2 phi_i' dr in closed form from the element ends.
        double slopeMoment = 0.0;
        if (i > 1)
          slopeMoment += (std::pow(r(i), 3) - std::pow(r(i - 1), 3)) / (3 * (r(i) - r(i - 1)));
        if (i < last)
          slopeMoment -= (std::pow(r(i + 1), 3) - std::pow(r(i), 3)) / (3 * (r(i + 1) - r(i)));
        ExpectClose(sedimentation, slopeMoment, "sedimentation row " + std::to_string(i));
        if (c.equal && i > 1 && i < last)
          ExpectClose(sedimentation, -2 * 0.1 * r(i), "equal inner row");
      }
    }
  }
}

TEST(ElementIntegrals, TriplesSummedOverTheLastHatGiveThePairIntegrals) {
  const std::vector<double> radius = IrregularGrid(7, 8);
  const HatGrid frame = Grid(radius);
  const std::vector<double> equal = UniformGrid(7, 6.0, 0.1);
  const EqualHatGrid grid = MakeEqualHatGrid(equal.data(), 7, 6.0, 6.6);
  const HatGrid equalCut = Grid(equal);
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 7; ++j) {
      double mass = 0, sed = 0, diff = 0, term = 0, massEq = 0, sedEq = 0, diffEq = 0;
      for (int k = 1; k <= 7; ++k) {
        mass += PinnedFrameMassTriple(frame, i, j, k);
        sed += PinnedFrameSedimentationTriple(frame, i, j, k);
        diff += PinnedFrameDiffusionTriple(frame, i, j, k);
        term += PinnedFrameTermTriple(frame, i, j, k);
        massEq += MassTripleEqual(grid, i, j, k);
        sedEq += SedimentationTripleEqual(grid, i, j, k);
        diffEq += DiffusionTripleEqual(grid, i, j, k);
      }
      const std::string at = Indices(i, j, 0, 0);
      ExpectClose(mass, PinnedFrameMassIntegral(frame, i, j), "mass " + at);
      ExpectClose(sed, PinnedFrameSedimentationIntegral(frame, i, j), "sedimentation " + at);
      ExpectClose(diff, PinnedFrameStiffnessIntegral(frame, i, j), "diffusion " + at);
      ExpectClose(term, PinnedFrameTermIntegral(frame, i, j), "frame term " + at);
      ExpectClose(massEq, MassIntegral(equalCut, i, j, 7), "equal mass " + at);
      ExpectClose(sedEq, SedimentationIntegral(equalCut, i, j, 7), "equal sedimentation " + at);
      ExpectClose(diffEq, StiffnessIntegral(equalCut, i, j, 7), "equal diffusion " + at);
    }
}

// Inside the frame every point moves with v = r, so the frame term is the
// transposed sedimentation integral; the pinned end nodes break that on the
// first and last element.
TEST(ElementIntegrals, FrameTermIsTransposedSedimentationAwayFromThePinnedEnds) {
  const std::vector<double> radius = IrregularGrid(8, 2);
  const HatGrid frame = Grid(radius);
  const int n = frame.GridSize;
  for (int i = 1; i <= n; ++i)
    for (int j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
      const double term = PinnedFrameTermIntegral(frame, i, j);
      const double transposed = -PinnedFrameSedimentationIntegral(frame, j, i);
      // Elements shared by the two hats: [i-1, i] and [i, i+1] on the diagonal.
      const int firstShared = i == j ? i - 1 : std::min(i, j);
      const int lastShared = i == j ? i : std::min(i, j);
      const bool touchesEnd = firstShared <= 1 || lastShared >= n - 1;
      if (!touchesEnd)
        ExpectClose(term, transposed, Indices(i, j, 0, 0));
      else
        EXPECT_GT(std::fabs(term - transposed), 1e-4 * std::fabs(transposed))
            << Indices(i, j, 0, 0);
    }
}

}  // namespace
