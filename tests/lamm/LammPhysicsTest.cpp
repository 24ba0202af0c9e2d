// The fixed-grid Lamm solution against what the Lamm equation itself
// guarantees: conservation of mass in a closed sector, radial dilution of the
// plateau, the second moment of the boundary, a uniform profile without
// sedimentation, the sedimentation equilibrium, and Faxen's approximate
// solution away from the cell ends. The fixed grid is chosen through the
// settings (no automatic method choice).

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <numbers>
#include <vector>

#include "data/ScanHeader.h"
#include "lamm/CLammIdeal.h"
#include "lamm/Tridiagonal.h"
#include "numerics/OneBasedArrays.h"

// Heap allocations are counted while a test asks for it, to show that the
// time loop allocates nothing.
namespace {
std::atomic<bool> CountingAllocations{false};
std::atomic<long> AllocationCount{0};
}  // namespace

void* operator new(std::size_t size) {
  if (CountingAllocations) ++AllocationCount;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

constexpr double kPi = std::numbers::pi;

double OmegaSquared(double rpm) {
  const double omega = rpm * 2 * kPi / 60;
  return omega * omega;
}

// One sedimentation velocity experiment at constant speed from the start,
// and a solver set up for it in the callers' order with the fixed grid.
struct Experiment {
  double meniscus = 5.8, bottom = 7.2;  // cm
  float leftFitLimit = 5.9f, rightFitLimit = 7.15f;
  float rpm = 50000.0f;
  double spacing = 0.005;  // cm between output radii
  // Numerical settings (those of the settings dialog unless changed).
  std::uint8_t shutOffBackDiffusion = 1;
  std::int32_t minGrid = 100, defaultGrid = 1000;
  double steadyStateRate = 1e-6;

  OneBasedArray<ScanHeader> headers;
  OneBasedArray<float> radii;
  OneBasedMatrix<float> output;
  CLammIdeal solver;

  // Scans at the given times (s); output radii from meniscus to bottom.
  std::int32_t Solve(const std::vector<double>& times, double s, double D, double c0 = 1.0) {
    const int n = static_cast<int>(times.size());
    headers.Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      ScanHeader& h = headers[k];
      h.Rpm = rpm;
      h.Temperature = 20.0f;
      h.Time = h.RecordedTime = times[k - 1];
      h.Omega2t = OmegaSquared(rpm) * h.Time;
      h.RampAcceleration = 1e6;
      h.RampDuration = 0;
    }
    const int points = static_cast<int>(std::lround((bottom - meniscus) / spacing)) + 1;
    radii.Resize(1, points);
    for (int i = 1; i <= points; ++i) radii[i] = static_cast<float>(meniscus + (i - 1) * spacing);
    radii[points] = static_cast<float>(bottom);
    output.Resize(1, n, 1, points);
    solver.SetIdealModel();
    solver.SetParameters(s, D, meniscus, bottom, c0, leftFitLimit, rightFitLimit);
    solver.SetOutput(nullptr, nullptr, headers.data(), output.get(), radii.data(), points, nullptr,
                     nullptr, 0, nullptr, n, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
    solver.SetNumerics(minGrid, 2000, 5.0f, 0, 1e-4, shutOffBackDiffusion, 1, 1, 1.0f, 1, 0, 0,
                       steadyStateRate, 1.0, 1, 0, 0, 1.0, 0.1, 0.3, 1.0, defaultGrid, 0, 0, 1,
                       1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    solver.SetSolvent(20.0, 0.73, 0.99823, 1.0);
    return solver.Solve();
  }

  int Points() const { return radii.hi(); }
};

std::vector<double> Times(double first, double interval, int count) {
  std::vector<double> times;
  for (int k = 0; k < count; ++k) times.push_back(first + k * interval);
  return times;
}

struct Species {
  double s, D;  // S, cm^2/s
};

TEST(LammPhysicsTest, ClosedCellKeepsItsAmount) {
  // Sedimenting, floating, resting and slowly diffusing species.
  const Species cases[] = {{4.5, 6e-7}, {-3.0, 6e-7}, {0.0, 6e-7}, {1.0, 1e-6}, {10.0, 3e-7}};
  for (const Species& c : cases) {
    Experiment e;
    e.shutOffBackDiffusion = 0;
    ASSERT_EQ(e.Solve(Times(1200, 1200, 10), c.s, c.D, 2.0), 0) << c.s;
    // The loading of the sector: integral of c0 r dr from meniscus to bottom.
    const double loaded = 2.0 * (e.bottom * e.bottom - e.meniscus * e.meniscus) / 2;
    EXPECT_NEAR(e.solver.ComputeTotalAmount() / loaded, 1.0, 1e-6) << c.s;
  }
}

TEST(LammPhysicsTest, OpenBottomLetsMaterialLeave) {
  // Back-diffusion from the bottom is negligible for this species, so the
  // bottom is opened: what reaches it leaves the cell.
  Experiment e;
  ASSERT_EQ(e.Solve(Times(1000, 1000, 16), 10.0, 5e-8), 0);
  ASSERT_EQ(e.solver.BackDiffusionCut, 1);
  const double loaded = (e.bottom * e.bottom - e.meniscus * e.meniscus) / 2;
  // By 16000 s the boundary (m exp(s w^2 t)) has passed the bottom.
  EXPECT_LT(e.solver.ComputeTotalAmount() / loaded, 0.05);
}

TEST(LammPhysicsTest, PlateauIsDilutedRadially) {
  // Where the boundary has not arrived the concentration falls as
  // c0 exp(-2 s w^2 t).
  const Species cases[] = {{4.5, 6e-7}, {2.0, 8e-7}, {12.0, 2e-7}};
  for (const Species& c : cases) {
    Experiment e;
    const std::vector<double> times = Times(300, 300, 8);
    ASSERT_EQ(e.Solve(times, c.s, c.D), 0);
    const double q = c.s * 1e-13 * OmegaSquared(e.rpm);
    // Well inside the plateau: 0.4 cm from the bottom, whose back-diffusion
    // reaches some D/(s w^2 b) into the cell.
    const int probe = static_cast<int>(std::lround((6.8 - e.meniscus) / e.spacing)) + 1;
    for (int k = 1; k <= 8; ++k)
      EXPECT_NEAR(e.output[k][probe], std::exp(-2 * q * times[k - 1]), 2e-6) << c.s << " " << k;
  }
}

TEST(LammPhysicsTest, SecondMomentOfTheBoundaryRecoversS) {
  // While a plateau exists the second moment of the boundary moves as
  // rbar^2 = m^2 exp(2 s w^2 t); rbar^2 = rp^2 - (2/cp) int_m^rp c r dr with
  // rp in the plateau.
  const Species cases[] = {{4.5, 6e-7}, {2.0, 8e-7}};
  for (const Species& c : cases) {
    Experiment e;
    e.spacing = 0.002;
    const std::vector<double> times = Times(600, 600, 8);
    ASSERT_EQ(e.Solve(times, c.s, c.D), 0);
    const int plateau = static_cast<int>(std::lround((6.9 - e.meniscus) / e.spacing)) + 1;
    double sxx = 0, sxy = 0;
    for (int k = 1; k <= 8; ++k) {
      const float* row = e.output[k];
      double integral = 0;
      for (int i = 1; i < plateau; ++i)
        integral += 0.5 * (row[i] * e.radii[i] + row[i + 1] * e.radii[i + 1]) *
                    (e.radii[i + 1] - e.radii[i]);
      const double rp = e.radii[plateau], cp = row[plateau];
      const double moment = rp * rp - 2 * integral / cp;
      const double x = 2 * OmegaSquared(e.rpm) * times[k - 1] * 1e-13;
      const double y = std::log(moment / (e.meniscus * e.meniscus));
      sxx += x * x;
      sxy += x * y;
    }
    EXPECT_NEAR(sxy / sxx / c.s, 1.0, 1e-3) << c.s;
  }
}

TEST(LammPhysicsTest, WithoutSedimentationAUniformCellStaysUniform) {
  for (const double c0 : {1.0, 0.37}) {
    Experiment e;
    ASSERT_EQ(e.Solve(Times(600, 600, 6), 0.0, 6e-7, c0), 0);
    for (int k = 1; k <= 6; ++k)
      for (int i = 1; i <= e.Points(); ++i) ASSERT_NEAR(e.output[k][i], c0, 1e-6 * c0) << k;
  }
}

// Sedimentation equilibrium of the Lamm equation: zero flux gives
// c = A exp(sigma (r^2 - m^2)/2) with sigma = s w^2/D, A from the loading.
double Equilibrium(const Experiment& e, double sigma, double r) {
  const double span = sigma * (e.bottom * e.bottom - e.meniscus * e.meniscus) / 2;
  const double A = span / std::expm1(span);
  return A * std::exp(sigma * (r * r - e.meniscus * e.meniscus) / 2);
}

TEST(LammPhysicsTest, LongRunsReachSedimentationEquilibrium) {
  // A small, fast-diffusing solute (sigma (b^2 - m^2)/2 = 2): equilibrium
  // within a few 1e4 s. A profile that changes by less than the steady-state
  // rate per second ends the loop; the scans after that stop show the
  // profile then reached (within rate times the relaxation time, about 2e4
  // s), not an empty cell. A coarse grid keeps Crank-Nicolson's stiff end
  // modes damped at the largest steps.
  const Species solute{0.8, 1e-5};
  struct Case {
    double steadyStateRate, tolerance;
  };
  for (const Case c : {Case{1e-9, 1e-3}, Case{1e-6, 2e-2}}) {
    Experiment e;
    e.defaultGrid = 100;
    e.steadyStateRate = c.steadyStateRate;
    ASSERT_EQ(e.Solve(Times(2e5, 5e4, 5), solute.s, solute.D), 0);
    const double sigma = solute.s * 1e-13 * OmegaSquared(e.rpm) / solute.D;
    for (int k = 1; k <= 5; ++k)
      for (int i = 1; i <= e.Points(); i += 10) {
        const double expected = Equilibrium(e, sigma, e.radii[i]);
        ASSERT_NEAR(e.output[k][i] / expected, 1.0, c.tolerance) << k << " " << e.radii[i];
      }
  }
}

// Faxen's approximation for a sector cell, valid away from meniscus and
// bottom: with q = s w^2, c/c0 = (exp(-2qt)/2) erfc((m^2 - r^2 exp(-2qt)) /
// (2 sqrt((2 D m^2/q)(1 - exp(-2qt))))).
double Faxen(double m, double q, double D, double t, double r) {
  const double dilution = std::exp(-2 * q * t);
  const double spread = 2 * std::sqrt(2 * D * m * m / q * (1 - dilution));
  return dilution / 2 * std::erfc((m * m - r * r * dilution) / spread);
}

TEST(LammPhysicsTest, BoundaryFollowsFaxensApproximation) {
  // Its error is a few times epsilon = 2D/(s w^2 m^2) (here 3e-3 and 7e-4)
  // once the boundary has left the meniscus by some 0.15 cm (from the second
  // scan on).
  const Species cases[] = {{4.5, 6e-7}, {10.0, 3e-7}};
  for (const Species& c : cases) {
    Experiment e;
    const std::vector<double> times = Times(1200, 1200, 6);
    ASSERT_EQ(e.Solve(times, c.s, c.D), 0);
    const double q = c.s * 1e-13 * OmegaSquared(e.rpm);
    const double epsilon = 2 * c.D / (q * e.meniscus * e.meniscus);
    for (int k = 2; k <= 6; ++k)
      for (int i = 1; i <= e.Points(); ++i) {
        const double r = e.radii[i];
        if (r < e.meniscus + 0.1 || r > 6.9) continue;
        ASSERT_NEAR(e.output[k][i], Faxen(e.meniscus, q, c.D, times[k - 1], r), 4 * epsilon)
            << c.s << " " << k << " " << r;
      }
  }
}

// A solver with an equally spaced grid of n nodes at 50,000 rpm, its
// matrices not yet assembled.
void MakeGrid(CLammIdeal& l, double s, int n) {
  l.SetParameters(s, 6e-7, 5.8, 7.2, 1.0, 5.9f, 7.15f);
  l.GridSize = n;
  ASSERT_EQ(l.AllocWorkArrays(), 1);
  l.CurrentRpm = 50000;
}

struct Rows {
  std::vector<double> values;
  explicit Rows(const CLammIdeal& l, int n) {
    for (const double* a : {l.MassLower, l.MassDiag, l.MassUpper, l.TransportLower, l.TransportDiag,
                            l.TransportUpper})
      values.insert(values.end(), a + 1, a + n + 1);
  }
};

void ExpectSameRows(const Rows& a, const Rows& b, double tolerance) {
  ASSERT_EQ(a.values.size(), b.values.size());
  for (std::size_t k = 0; k < a.values.size(); ++k)
    ASSERT_NEAR(a.values[k], b.values[k], tolerance * (1 + std::fabs(b.values[k]))) << k;
}

TEST(LammPhysicsTest, ClosedFormMatricesAreTheElementIntegrals) {
  // The equal-spacing forms against the integrals of the hat functions on
  // the same grid, for a window cut at node 40, with the bottom closed and
  // opened (sedimentation) and the meniscus opened (flotation).
  for (const double s : {4.5, -3.0})
    for (const std::uint8_t cut : {0, 1}) {
      CLammIdeal l;
      MakeGrid(l, s, 51);
      l.BackDiffusionCut = cut;
      l.AssembleMatrices(40);
      const Rows closed(l, 40);
      l.NonUniformGrid = 1;
      l.AssembleMatrices(40);
      ExpectSameRows(closed, Rows(l, 40), 1e-12);
    }
}

TEST(LammPhysicsTest, MovingTheBottomRowGivesAFreshAssembly) {
  for (const std::uint8_t cut : {0, 1}) {
    CLammIdeal l;
    MakeGrid(l, 4.5, 60);
    l.BackDiffusionCut = cut;
    l.AssembleMatrices(60);
    l.ResizeMatrices(20);
    l.ResizeMatrices(45);
    const Rows moved(l, 45);
    l.AssembleMatrices(45);
    ExpectSameRows(moved, Rows(l, 45), 0.0);
  }
}

TEST(LammPhysicsTest, KeptFactorsSolveLikeAFreshFactorisation) {
  // The windowed solution against tridag on the whole system, and the
  // re-solution with the kept factors against the first solution.
  CLammIdeal l;
  MakeGrid(l, 4.5, 80);
  l.AssembleMatrices(80);
  l.BuildStepMatrices(30.0, 80);
  std::vector<double> rhs(81), fresh(81), kept(81), reference(81), gamma(81), beta(81);
  for (int i = 1; i <= 80; ++i) rhs[i] = 1.0 + 0.01 * i * std::sin(i);
  std::int32_t error = 0;
  ASSERT_TRUE(tridag({gamma.data(), beta.data(), &error}, l.ImplicitLower, l.ImplicitDiag,
                     l.ImplicitUpper, rhs.data(), reference.data(), 80));
  l.WindowLeft = 1;
  l.SolveTridiagonal(l.ImplicitLower, l.ImplicitDiag, l.ImplicitUpper, rhs.data(), fresh.data(),
                     80);
  ASSERT_EQ(l.TridagError, 0);
  l.ResolveTridiagonal(l.ImplicitLower, rhs.data(), kept.data(), 80);
  for (int i = 1; i <= 80; ++i) {
    ASSERT_NEAR(fresh[i], reference[i], 1e-12 * std::fabs(reference[i])) << i;
    ASSERT_EQ(kept[i], fresh[i]) << i;
  }
  // With the window from node 10 the depleted nodes are held at zero.
  l.WindowLeft = 10;
  l.ResolveTridiagonal(l.ImplicitLower, rhs.data(), kept.data(), 80);
  for (int i = 1; i <= 8; ++i) ASSERT_EQ(kept[i], 0.0) << i;
}

TEST(LammPhysicsTest, TheTimeLoopAllocatesNothing) {
  // A run over ten times as many scans (and steps) needs no more heap blocks
  // than a short one: everything is allocated before the loop.
  long counts[2] = {0, 0};
  const int scans[2] = {3, 30};
  for (int run = 0; run < 2; ++run) {
    Experiment e;
    e.Solve(Times(300, 300, scans[run]), 4.5, 6e-7);  // sizes the rows and the grid
    AllocationCount = 0;
    CountingAllocations = true;
    const std::int32_t code = e.solver.Solve();
    CountingAllocations = false;
    ASSERT_EQ(code, 0);
    counts[run] = AllocationCount;
  }
  EXPECT_EQ(counts[1], counts[0]);
  EXPECT_EQ(counts[0], 0);
}

}  // namespace
