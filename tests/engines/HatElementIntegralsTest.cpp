#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engines/HatElementIntegrals.h"

namespace {

// A strictly increasing grid with irregular steps, one-based.
std::vector<double> IrregularGrid(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> step(0.01, 0.12);
  std::vector<double> r(static_cast<std::size_t>(n + 1), 0.0);
  r[1] = 5.85;
  for (int i = 2; i <= n; ++i) r[static_cast<std::size_t>(i)] = r[i - 1] + step(rng);
  return r;
}

// Hats of the grid cut at node last, their slopes, the moving grid's speed
// S(r) = sum of r_l phi_l(r) over the interior nodes, and five-point
// Gauss-Legendre quadrature per element, exact for the polynomials of degree
// up to 9 that these integrands are.
class Definitions {
 public:
  Definitions(const std::vector<double>& r, int last) : r_(r), last_(last) {}

  double Hat(int k, double x) const {
    if (k < 1 || k > last_) return 0.0;
    if (k > 1 && x > r_[k - 1] && x <= r_[k]) return (x - r_[k - 1]) / (r_[k] - r_[k - 1]);
    if (k < last_ && x >= r_[k] && x < r_[k + 1]) return (r_[k + 1] - x) / (r_[k + 1] - r_[k]);
    return 0.0;
  }
  double Slope(int k, double x) const {
    if (k < 1 || k > last_) return 0.0;
    if (k > 1 && x > r_[k - 1] && x < r_[k]) return 1.0 / (r_[k] - r_[k - 1]);
    if (k < last_ && x > r_[k] && x < r_[k + 1]) return -1.0 / (r_[k + 1] - r_[k]);
    return 0.0;
  }
  double GridSpeed(double x) const {
    double s = 0.0;
    for (int l = 2; l < last_; ++l) s += r_[l] * Hat(l, x);
    return s;
  }
  double Integrate(const std::function<double(double)>& f) const {
    static const double t[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831,
                                0.9061798459386640};
    static const double w[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                                0.4786286704993665, 0.2369268850561891};
    double sum = 0.0;
    for (int e = 1; e < last_; ++e) {
      const double mid = 0.5 * (r_[e] + r_[e + 1]), half = 0.5 * (r_[e + 1] - r_[e]);
      for (int q = 0; q < 5; ++q) sum += w[q] * half * f(mid + half * t[q]);
    }
    return sum;
  }

 private:
  std::vector<double> r_;
  int last_;
};

struct MemberCase {
  std::string name;
  int arity;  // 1, 2 or 3 node indices
  bool cut;   // takes a last node m
  std::function<double(const HatGrid&, int, int, int, int)> member;
  // The definition as an integrand at x, for indices a, b, c.
  std::function<double(const Definitions&, int, int, int, double)> integrand;
};

std::vector<MemberCase> Members() {
  using D = const Definitions&;
  return {
      {"HatWeightIntegral", 1, true,
       [](const HatGrid& g, int a, int, int, int m) { return HatWeightIntegral(g, a, m); },
       [](D d, int a, int, int, double x) { return d.Hat(a, x) * x; }},
      {"GridMassIntegral", 2, true,
       [](const HatGrid& g, int a, int b, int, int m) { return GridMassIntegral(g, a, b, m); },
       [](D d, int a, int b, int, double x) { return d.Hat(a, x) * d.Hat(b, x) * x; }},
      {"GridDiffusionIntegral", 2, true,
       [](const HatGrid& g, int a, int b, int, int m) { return GridDiffusionIntegral(g, a, b, m); },
       [](D d, int a, int b, int, double x) { return d.Slope(a, x) * d.Slope(b, x) * x; }},
      {"GridSedimentationIntegral", 2, true,
       [](const HatGrid& g, int a, int b, int, int m) {
         return GridSedimentationIntegral(g, a, b, m);
       },
       [](D d, int a, int b, int, double x) { return d.Slope(a, x) * d.Hat(b, x) * x * x; }},
      {"HatElementIntegralC", 1, false,
       [](const HatGrid& g, int a, int, int, int) { return HatElementIntegralC(g, a); },
       [](D d, int a, int, int, double x) { return d.Hat(a, x) * x; }},
      {"HatElementIntegralB", 2, false,
       [](const HatGrid& g, int a, int b, int, int) { return HatElementIntegralB(g, a, b); },
       [](D d, int a, int b, int, double x) { return d.Hat(a, x) * d.Hat(b, x) * x; }},
      {"ReferenceDiffusionIntegral", 2, false,
       [](const HatGrid& g, int a, int b, int, int) { return ReferenceDiffusionIntegral(g, a, b); },
       [](D d, int a, int b, int, double x) { return d.Slope(a, x) * d.Slope(b, x) * x; }},
      {"ReferenceSedimentationIntegral", 2, false,
       [](const HatGrid& g, int a, int b, int, int) {
         return ReferenceSedimentationIntegral(g, a, b);
       },
       [](D d, int a, int b, int, double x) { return d.Slope(a, x) * d.Hat(b, x) * x * x; }},
      {"HatElementIntegralA", 2, false,
       [](const HatGrid& g, int a, int b, int, int) { return HatElementIntegralA(g, a, b); },
       [](D d, int a, int b, int, double x) {
         return -d.Hat(a, x) * d.Slope(b, x) * d.GridSpeed(x) * x;
       }},
      {"HatTripleMassIntegral", 3, false,
       [](const HatGrid& g, int a, int b, int c, int) { return HatTripleMassIntegral(g, a, b, c); },
       [](D d, int a, int b, int c, double x) {
         return d.Hat(a, x) * d.Hat(b, x) * d.Hat(c, x) * x;
       }},
      {"HatTripleIntegralA", 3, false,
       [](const HatGrid& g, int a, int b, int c, int) { return HatTripleIntegralA(g, a, b, c); },
       [](D d, int a, int b, int c, double x) {
         return d.Slope(a, x) * d.Hat(b, x) * d.Hat(c, x) * x * x;
       }},
      {"HatTripleIntegralB", 3, false,
       [](const HatGrid& g, int a, int b, int c, int) { return HatTripleIntegralB(g, a, b, c); },
       [](D d, int a, int b, int c, double x) {
         return d.Slope(a, x) * d.Slope(b, x) * d.Hat(c, x) * x;
       }},
      {"HatTripleDiffusionIntegral", 3, false,
       [](const HatGrid& g, int a, int b, int c, int) {
         return HatTripleDiffusionIntegral(g, a, b, c);
       },
       [](D d, int a, int b, int c, double x) {
         return d.Slope(a, x) * (d.Slope(b, x) * d.Hat(c, x) + d.Hat(b, x) * d.Slope(c, x)) * x;
       }},
      {"HatTripleMotionIntegral", 3, false,
       [](const HatGrid& g, int a, int b, int c, int) {
         return HatTripleMotionIntegral(g, a, b, c);
       },
       [](D d, int a, int b, int c, double x) {
         return -d.Hat(a, x) * (d.Slope(b, x) * d.Hat(c, x) + d.Hat(b, x) * d.Slope(c, x)) *
                d.GridSpeed(x) * x;
       }},
  };
}

TEST(HatElementIntegrals, EveryMemberEqualsQuadratureOfItsDefinition) {
  const int n = 9;
  const std::vector<double> r = IrregularGrid(n, 20240611u);
  const HatGrid grid{r.data(), n};
  for (const MemberCase& c : Members()) {
    // The grid members also on a grid cut short, and with m beyond the grid.
    const std::vector<int> lasts = c.cut ? std::vector<int>{n, 6, n + 5} : std::vector<int>{n};
    for (int m : lasts) {
      const Definitions defs(r, std::min(m, n));
      // Indices from outside the grid to beyond it, all combinations.
      const int b1 = c.arity >= 2 ? n + 1 : 1, c1 = c.arity >= 3 ? n + 1 : 1;
      for (int a = 0; a <= n + 1; ++a)
        for (int b = c.arity >= 2 ? 0 : 1; b <= b1; ++b)
          for (int k = c.arity >= 3 ? 0 : 1; k <= c1; ++k) {
            const double want =
                defs.Integrate([&](double x) { return c.integrand(defs, a, b, k, x); });
            const double got = c.member(grid, a, b, k, m);
            EXPECT_NEAR(got, want, 1e-10 * (1.0 + std::fabs(want)))
                << c.name << "(" << a << "," << b << "," << k << "; m=" << m << ")";
          }
    }
  }
}

TEST(HatElementIntegrals, WeightsSumToTheSectorAreaAndMassRowsToTheWeights) {
  const int n = 12;
  const std::vector<double> r = IrregularGrid(n, 7u);
  const HatGrid grid{r.data(), n};
  for (int m : {2, 5, n}) {
    double total = 0.0;
    for (int i = 1; i <= m; ++i) {
      const double weight = HatWeightIntegral(grid, i, m);
      total += weight;
      double row = 0.0;
      for (int j = 1; j <= m; ++j) row += GridMassIntegral(grid, i, j, m);
      EXPECT_NEAR(row, weight, 1e-13) << "row " << i << " m=" << m;
    }
    EXPECT_NEAR(total, 0.5 * (r[m] * r[m] - r[1] * r[1]), 1e-12) << "m=" << m;
  }
}

TEST(HatElementIntegrals, EndRowsOfTheCutGrid) {
  const int n = 10, m = 7;
  const std::vector<double> r = IrregularGrid(n, 99u);
  const HatGrid grid{r.data(), n};
  const double r1 = r[1], r2 = r[2], rm = r[m], rp = r[m - 1];
  EXPECT_NEAR(GridSedimentationIntegral(grid, 1, 1, m), -(3 * r1 * r1 + 2 * r1 * r2 + r2 * r2) / 12,
              1e-12);
  // Node m is a half hat: its diagonal covers the left element only.
  EXPECT_NEAR(GridMassIntegral(grid, m, m, m), (rm - rp) * (3 * rm + rp) / 12, 1e-13);
  for (int j = m + 1; j <= n; ++j) {
    EXPECT_EQ(GridMassIntegral(grid, m, j, m), 0.0) << j;
    EXPECT_EQ(GridDiffusionIntegral(grid, j, m, m), 0.0) << j;
    EXPECT_EQ(HatWeightIntegral(grid, j, m), 0.0) << j;
  }
}

TEST(HatElementIntegrals, GridMotionTermIsTheSedimentationFormInside) {
  // On interior elements the grid speed S equals r, so the motion integral
  // is minus the r^2-weighted product: checked against an independent sum.
  const int n = 10;
  const std::vector<double> r = IrregularGrid(n, 3u);
  const HatGrid grid{r.data(), n};
  const Definitions defs(r, n);
  for (int i = 3; i <= n - 2; ++i)
    for (int j = i - 1; j <= i + 1; ++j) {
      const double want =
          -defs.Integrate([&](double x) { return defs.Hat(i, x) * defs.Slope(j, x) * x * x; });
      EXPECT_NEAR(HatElementIntegralA(grid, i, j), want, 1e-10 * (1.0 + std::fabs(want)))
          << i << "," << j;
    }
}

}  // namespace
