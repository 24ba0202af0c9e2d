#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engines/Romberg.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Interpolation.h"
#include "support/TestSupport.h"

namespace {

// The accuracy the quadrature asks of its own extrapolation.
constexpr double kRombergTolerance = 3e-6;

// An integrand that counts how often it is evaluated.
struct Counted {
  std::function<double(double)> f;
  long calls = 0;
  Integrand Wrap() {
    return [this](double x) {
      ++calls;
      return f(x);
    };
  }
};

// --- Quadrature of integrals with closed forms ---

struct ClosedFormCase {
  std::string name;
  std::function<double(double)> f;
  double a, b, exact;
};

std::vector<ClosedFormCase> ClosedFormCases() {
  const double w = 0.01, x0 = 0.3;      // a narrow Lorentzian peak
  const double sigma = 0.02, mu = 0.6;  // a narrow Gaussian peak
  return {
      {"cubic", [](double x) { return x * x * x - 2.0 * x + 1.0; }, 0.0, 2.0, 2.0},
      {"degree 7", [](double x) { return std::pow(x, 7); }, -1.0, 3.0,
       (std::pow(3.0, 8) - 1.0) / 8.0},
      {"exp", [](double x) { return std::exp(x); }, 0.0, 1.0, std::exp(1.0) - 1.0},
      {"exp reversed limits", [](double x) { return std::exp(x); }, 1.0, 0.0, 1.0 - std::exp(1.0)},
      {"sin", [](double x) { return std::sin(x); }, 0.0, kPi, 2.0},
      {"sin over a sign change", [](double x) { return std::sin(x); }, -0.5, 2.0,
       std::cos(-0.5) - std::cos(2.0)},
      {"Lorentzian peak", [=](double x) { return 1.0 / (1.0 + (x - x0) * (x - x0) / (w * w)); },
       0.0, 1.0, w * (std::atan((1.0 - x0) / w) - std::atan(-x0 / w))},
      {"Gaussian peak",
       [=](double x) { return std::exp(-(x - mu) * (x - mu) / (2.0 * sigma * sigma)); }, 0.0, 1.0,
       sigma * std::sqrt(kPi / 2.0) *
           (std::erf((1.0 - mu) / (sigma * std::sqrt(2.0))) -
            std::erf(-mu / (sigma * std::sqrt(2.0))))},
  };
}

TEST(Romberg, IntegratesClosedFormsToItsTolerance) {
  // The stopping test compares the last extrapolation correction with the
  // tolerance; that correction estimates the error but does not bound it, and
  // for a narrow peak the true error is a few times larger.
  for (const ClosedFormCase& c : ClosedFormCases()) {
    const double got = RombergIntegrate(c.f, c.a, c.b);
    EXPECT_NEAR(got, c.exact, 10 * kRombergTolerance * std::fabs(c.exact)) << c.name;
  }
}

TEST(Romberg, PolynomialsAreExactAndStopAtTheFirstExtrapolation) {
  // Five trapezoid stages extrapolated in h^2 are exact for degree <= 9: the
  // first test after stage 5 passes (2 + 1 + 2 + 4 + 8 evaluations).
  const struct {
    std::string name;
    std::function<double(double)> f;
    double a, b, exact;
  } cases[] = {
      {"constant", [](double) { return 2.5; }, 1.0, 3.0, 5.0},
      {"quadratic", [](double x) { return 3.0 * x * x; }, 0.0, 2.0, 8.0},
      {"degree 9", [](double x) { return 10.0 * std::pow(x, 9); }, 0.0, 1.5, std::pow(1.5, 10)},
  };
  for (const auto& c : cases) {
    Counted counted{c.f};
    const double got = RombergIntegrate(counted.Wrap(), c.a, c.b);
    EXPECT_NEAR(got, c.exact, 1e-12 * std::fabs(c.exact)) << c.name;
    EXPECT_EQ(counted.calls, 17) << c.name;
  }
}

using RombergQuiet = HeadlessTest;

TEST_F(RombergQuiet, WithoutConvergenceRunsTwentyStagesAndReturnsQuietly) {
  // A zero integral never meets the relative test; neither does an integrand
  // that is noise. Both cost 2^19 + 1 evaluations and return what the last
  // extrapolation gave, without a message.
  const struct {
    std::string name;
    std::function<double(double)> f;
    double expected, tolerance;
  } cases[] = {
      {"zero", [](double) { return 0.0; }, 0.0, 0.0},
      {"noise",
       [](double x) {
         // A deterministic hash of the abscissa in [-1, 1]: mean 0.
         std::uint64_t bits = static_cast<std::uint64_t>(x * 9007199254740992.0);
         bits ^= bits >> 33;
         bits *= 0xff51afd7ed558ccdULL;
         bits ^= bits >> 33;
         return static_cast<double>(bits % 2000001) / 1e6 - 1.0;
       },
       0.0, 0.01},
  };
  for (const auto& c : cases) {
    Counted counted{c.f};
    const double got = RombergIntegrate(counted.Wrap(), 0.0, 1.0);
    EXPECT_NEAR(got, c.expected, c.tolerance) << c.name;
    EXPECT_TRUE(std::isfinite(got)) << c.name;
    EXPECT_EQ(counted.calls, (1L << 19) + 1) << c.name;
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST(Romberg, TrapezoidStagesRefineTheSameRule) {
  // Stage n is the trapezoid rule on 2^(n-1) intervals: for x^2 over [0, 1]
  // that is 1/3 + 1/(6 N^2).
  double sum = 0.0;
  for (int n = 1; n <= 8; ++n) {
    const double intervals = std::pow(2.0, n - 1);
    const double got = RombergTrapezoid([](double x) { return x * x; }, 0.0, 1.0, n, sum);
    EXPECT_NEAR(got, 1.0 / 3.0 + 1.0 / (6.0 * intervals * intervals), 1e-15) << "stage " << n;
    EXPECT_EQ(sum, got);
  }
}

TEST(Romberg, DpolintExtrapolatesAPolynomialExactly) {
  // A cubic through four points, read off at 0 and between the points.
  auto cubic = [](double x) { return 2.0 - x + 0.5 * x * x * x; };
  const double xa[] = {0.0, 1.0, 0.25, 0.0625, 0.015625};
  double ya[5];
  for (int i = 1; i <= 4; ++i) ya[i] = cubic(xa[i]);
  for (double x : {0.0, 0.5, 2.0}) {
    double y = 0.0, dy = 0.0;
    dpolint(xa, ya, 4, x, y, dy);
    EXPECT_NEAR(y, cubic(x), 1e-13) << x;
  }
}

class RombergDeathTest : public HeadlessTest {};

TEST_F(RombergDeathTest, DpolintRefusesEqualAbscissae) {
  const double xa[] = {0.0, 1.0, 1.0, 2.0};
  const double ya[] = {0.0, 1.0, 2.0, 3.0};
  auto interpolate = [&] {
    backend().SetEcho(true);
    double y = 0.0, dy = 0.0;
    dpolint(xa, ya, 3, 0.5, y, dy);
  };
  EXPECT_EXIT(interpolate(), testing::ExitedWithCode(1), "Error in routine polint");
}

// --- Numerically integrated element entries ---

// The entries' definitions integrated independently: five-point
// Gauss-Legendre on each element, split where the weight has a kink.
class EntryQuadrature {
 public:
  EntryQuadrature(const std::vector<double>& r, std::function<double(double)> g, double kink,
                  bool electrophoresis, bool modulus = false)
      : r_(r),
        n_(static_cast<int>(r.size()) - 1),
        g_(std::move(g)),
        kink_(kink),
        electrophoresis_(electrophoresis),
        modulus_(modulus) {}

  double Hat(int k, double x) const {
    if (k > 1 && x >= r_[k - 1] && x <= r_[k]) return (x - r_[k - 1]) / (r_[k] - r_[k - 1]);
    if (k < n_ && x >= r_[k] && x <= r_[k + 1]) return (r_[k + 1] - x) / (r_[k + 1] - r_[k]);
    return 0.0;
  }
  // Evaluated strictly inside an element, where the slope is defined.
  double Slope(int k, double x) const {
    if (k > 1 && x > r_[k - 1] && x < r_[k]) return 1.0 / (r_[k] - r_[k - 1]);
    if (k < n_ && x > r_[k] && x < r_[k + 1]) return -1.0 / (r_[k + 1] - r_[k]);
    return 0.0;
  }
  // Entries as two-index members, for the tolerance below.
  double WeightEntry(int, int i) const { return Weight(i); }
  double Mass(int j, int i) const {
    return Integrate([&](double x) { return g_(x) * Hat(j, x) * Hat(i, x); });
  }
  double Diffusion(int j, int i) const {
    return Integrate([&](double x) { return g_(x) * Slope(j, x) * Slope(i, x); });
  }
  double Sedimentation(int j, int i) const {
    return Integrate(
        [&](double x) { return g_(x) * (electrophoresis_ ? 1.0 : x) * Hat(j, x) * Slope(i, x); });
  }
  double Weight(int i) const {
    return Integrate([&](double x) { return g_(x) * Hat(i, x); });
  }
  // The tolerance of a quadrature that meets the relative tolerance on each
  // element: that fraction of the integral of the integrand's modulus.
  double Tolerance(double (EntryQuadrature::*entry)(int, int) const, int j, int i) const {
    const EntryQuadrature modulus(
        r_, [this](double x) { return std::fabs(g_(x)); }, kink_, electrophoresis_, true);
    return kRombergTolerance * (modulus.*entry)(j, i);
  }

 private:
  double Integrate(const std::function<double(double)>& integrand) const {
    const auto f = [&](double x) { return modulus_ ? std::fabs(integrand(x)) : integrand(x); };
    double sum = 0.0;
    for (int e = 1; e < n_; ++e) {
      const double lo = r_[e], hi = r_[e + 1];
      if (kink_ > lo && kink_ < hi) {
        sum += Gauss(f, lo, kink_) + Gauss(f, kink_, hi);
      } else {
        sum += Gauss(f, lo, hi);
      }
    }
    return sum;
  }
  static double Gauss(const std::function<double(double)>& f, double lo, double hi) {
    static const double t[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831,
                                0.9061798459386640};
    static const double w[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                                0.4786286704993665, 0.2369268850561891};
    const double mid = 0.5 * (lo + hi), half = 0.5 * (hi - lo);
    double sum = 0.0;
    for (int q = 0; q < 5; ++q) sum += w[q] * half * f(mid + half * t[q]);
    return sum;
  }

  std::vector<double> r_;
  int n_;
  std::function<double(double)> g_;
  double kink_;
  bool electrophoresis_;
  bool modulus_;
};

// One-based radii of a short column with unequal elements, as the external
// loading cell's grid has near its bottom.
std::vector<double> ShortColumn() {
  return {0.0, 6.80, 6.83, 6.85, 6.88, 6.90, 6.915, 6.93};
}

struct GeometryCase {
  std::string name;
  std::vector<double> radius;
  LoadingCellTaper taper;
  bool tapered;
  bool electrophoresis;
};

TEST(RombergEntries, MatchTheirDefinitionsOnEveryGeometry) {
  LoadingCellTaper taper;
  taper.TaperStart = 6.8734;  // inside the fourth element
  const GeometryCase cases[] = {
      {"unit weight, uneven grid", ShortColumn(), {}, false, false},
      {"unit weight, even grid", {0.0, 5.9, 6.0, 6.1, 6.2, 6.3}, {}, false, false},
      {"tapered loading cell", ShortColumn(), taper, true, false},
      {"electrophoresis", ShortColumn(), {}, false, true},
  };
  for (const GeometryCase& c : cases) {
    RombergEntryGrid grid;
    grid.Radius = c.radius.data();
    grid.GridSize = static_cast<int>(c.radius.size()) - 1;
    grid.Electrophoresis = c.electrophoresis;
    const LoadingCellTaper t = c.taper;
    if (c.tapered) {
      grid.Weight = [t](double x) { return LoadingCellCrossSection(x, t); };
      grid.WeightBreak = t.TaperStart;
    }
    const EntryQuadrature truth(c.radius, grid.Weight, c.tapered ? t.TaperStart : 0.0,
                                c.electrophoresis);
    const int n = grid.GridSize;
    for (int i = 1; i <= n; ++i) {
      const std::string where = c.name + " row " + std::to_string(i);
      EXPECT_NEAR(RombergWeightEntry(grid, i), truth.Weight(i),
                  truth.Tolerance(&EntryQuadrature::WeightEntry, i, i))
          << where;
      for (int j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
        const std::string at = where + " column " + std::to_string(j);
        EXPECT_NEAR(RombergMassEntry(grid, j, i), truth.Mass(j, i),
                    truth.Tolerance(&EntryQuadrature::Mass, j, i))
            << at;
        EXPECT_NEAR(RombergDiffusionEntry(grid, j, i), truth.Diffusion(j, i),
                    truth.Tolerance(&EntryQuadrature::Diffusion, j, i))
            << at;
        EXPECT_NEAR(RombergSedimentationEntry(grid, j, i), truth.Sedimentation(j, i),
                    truth.Tolerance(&EntryQuadrature::Sedimentation, j, i))
            << at;
      }
    }
  }
}

TEST(RombergEntries, IndicesOutsideTheGridOrApartGiveZero) {
  const std::vector<double> r = ShortColumn();
  RombergEntryGrid grid;
  grid.Radius = r.data();
  grid.GridSize = static_cast<int>(r.size()) - 1;
  const int n = grid.GridSize;
  const int pairs[][2] = {{0, 1}, {1, 0}, {n + 1, n}, {n, n + 1}, {1, 3}, {4, 2}, {1, n}};
  for (const auto& p : pairs) {
    EXPECT_EQ(RombergMassEntry(grid, p[0], p[1]), 0.0) << p[0] << "," << p[1];
    EXPECT_EQ(RombergDiffusionEntry(grid, p[0], p[1]), 0.0) << p[0] << "," << p[1];
    EXPECT_EQ(RombergSedimentationEntry(grid, p[0], p[1]), 0.0) << p[0] << "," << p[1];
  }
  EXPECT_EQ(RombergWeightEntry(grid, 0), 0.0);
  EXPECT_EQ(RombergWeightEntry(grid, n + 1), 0.0);
}

TEST(RombergEntries, LoadingCellCrossSectionNarrowsOverTheTaper) {
  LoadingCellTaper taper;
  taper.TaperStart = 7.0;
  taper.TaperNarrowing = 0.3;
  taper.TaperLength = 0.04;
  const struct {
    double x, g;
  } cases[] = {{6.5, 1.0}, {6.9999, 1.0}, {7.0, 1.0}, {7.02, 0.85}, {7.04, 0.7}};
  for (const auto& c : cases) EXPECT_NEAR(LoadingCellCrossSection(c.x, taper), c.g, 1e-12) << c.x;
  EXPECT_EQ(UnitWeight(-3.0), 1.0);
}

// --- Closed forms on the evenly spaced grid ---

TEST(UniformGridIntegrals, MatchTheWrittenOutForms) {
  const int n = 6;
  const double meniscus = 6.0, bottom = 7.0, h = (bottom - meniscus) / (n - 1);
  std::vector<double> r(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) r[static_cast<std::size_t>(i)] = meniscus + (i - 1) * h;
  const EqualHatGrid grid = MakeEqualHatGrid(r.data(), n, meniscus, bottom);
  const double r1 = r[1], r3 = r[3], rn = r[n];
  const struct {
    std::string name;
    double got, want;
  } cases[] = {
      {"mass (1,1)", UniformMassIntegral(grid, 1, 1), h * (h / 4 + r1) / 3},
      {"mass (3,3)", UniformMassIntegral(grid, 3, 3), 2 * r3 * h / 3},
      {"mass (N,N)", UniformMassIntegral(grid, n, n), h * (rn - h / 4) / 3},
      {"mass (3,4)", UniformMassIntegral(grid, 3, 4), h * (r3 + h / 2) / 6},
      {"mass (3,2)", UniformMassIntegral(grid, 3, 2), h * (r3 - h / 2) / 6},
      {"mass (1,3)", UniformMassIntegral(grid, 1, 3), 0.0},
      {"diffusion (1,1,1)", UniformTripleDiffusionIntegral(grid, 1, 1, 1), (3 * r1 + h) / (6 * h)},
      {"diffusion (3,3,3)", UniformTripleDiffusionIntegral(grid, 3, 3, 3), r3 / h},
      {"diffusion outside", UniformTripleDiffusionIntegral(grid, 0, 1, 1), 0.0},
      {"sedimentation (1,1,1)", UniformTripleSedimentationIntegral(grid, 1, 1, 1),
       -(10 * r1 * r1 + 5 * h * r1 + h * h) / 30},
      {"sedimentation outside", UniformTripleSedimentationIntegral(grid, n, n, n + 1), 0.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(c.got, c.want, 1e-12 * (1 + std::fabs(c.want))) << c.name;
}

}  // namespace
