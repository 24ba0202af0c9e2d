// Lamm solutions against what the Lamm equation itself guarantees:
// conservation of mass in a closed sector, radial dilution of the plateau,
// the second moment of the boundary, a uniform profile without
// sedimentation, the sedimentation equilibrium, Faxen's approximate solution
// away from the cell ends, the omega^2 t of a run with a ramp, and the two
// propagation variants against each other. Each case runs with the
// automatic method choice or with one variant forced by the settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <numbers>
#include <vector>

#include "AllocationCounting.h"
#include "data/ScanHeader.h"
#include "lamm/CLammIdeal.h"
#include "lamm/Tridiagonal.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr double kPi = std::numbers::pi;

double OmegaSquared(double rpm) {
  const double omega = rpm * 2 * kPi / 60;
  return omega * omega;
}

// How a run gets its propagation variant: the automatic choice of the
// settings (fast species to the moving frame), or one variant forced.
enum class Method { Automatic, FixedGrid, MovingFrame };

const char* Name(Method m) {
  switch (m) {
    case Method::Automatic:
      return "automatic";
    case Method::FixedGrid:
      return "fixed grid";
    case Method::MovingFrame:
      return "moving frame";
  }
  return "";
}

// One sedimentation velocity experiment, at constant speed from the start or
// after a linear ramp from rest, and a solver set up for it in the callers'
// order.
struct Experiment {
  double meniscus = 5.8, bottom = 7.2;  // cm
  float leftFitLimit = 5.9f, rightFitLimit = 7.15f;
  float rpm = 50000.0f;
  double spacing = 0.005;  // cm between output radii
  Method method = Method::FixedGrid;
  double rampAcceleration = 0;  // rpm/s; 0: at speed from the start
  // Numerical settings (those of the settings dialog unless changed).
  std::uint8_t shutOffBackDiffusion = 1;
  std::int32_t minGrid = 100, defaultGrid = 1000;
  double steadyStateRate = 1e-6;
  std::uint8_t runBeyondLastScan = 0;

  OneBasedArray<ScanHeader> headers;
  OneBasedArray<float> radii;
  OneBasedMatrix<float> output;
  CLammIdeal solver;

  // Scans at the given times (s); output radii from meniscus to bottom.
  std::int32_t Solve(const std::vector<double>& times, double s, double D, double c0 = 1.0) {
    const int n = static_cast<int>(times.size());
    headers.Resize(1, n);
    // The recorded omega^2 t: during a ramp omega = a t, whose square
    // integrates to a^2 T^3 / 3 over the ramp's T seconds.
    const double ramp = rampAcceleration > 0 ? rpm / rampAcceleration : 0.0;
    const double alpha = rampAcceleration * 2 * kPi / 60;
    for (int k = 1; k <= n; ++k) {
      ScanHeader& h = headers[k];
      h.Rpm = rpm;
      h.Temperature = 20.0f;
      h.Time = h.RecordedTime = times[k - 1];
      h.Omega2t = alpha * alpha * ramp * ramp * ramp / 3 + OmegaSquared(rpm) * (h.Time - ramp);
      h.RampAcceleration = rampAcceleration > 0 ? rampAcceleration : 1e6;
      h.RampDuration = ramp;
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
    const std::uint8_t automatic = method == Method::Automatic;
    const std::uint8_t moving = method == Method::MovingFrame;
    solver.SetNumerics(minGrid, 2000, 5.0f, 0, 1e-4, shutOffBackDiffusion, 1, 1, 1.0f, 1, 0, 0,
                       steadyStateRate, 1.0, 1, runBeyondLastScan, automatic, 1.0, 0.1, 0.3, 1.0,
                       defaultGrid, 0, moving, !moving, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    solver.SetSolvent(20.0, 0.73, 0.99823, 1.0);
    return solver.Solve();
  }

  int Points() const { return radii.hi(); }
  int PointAt(double r) const {
    return static_cast<int>(std::lround((r - meniscus) / spacing)) + 1;
  }

  // Integral of c r dr over the cell for the profile that is linear between
  // the solver's nodes (at their radii when the run ended).
  double Amount() const {
    double sum = 0;
    for (int i = 1; i < solver.GridSize; ++i) {
      const double u = solver.Radius[i], w = solver.Radius[i + 1];
      sum += (w - u) / 6 *
             (solver.Concentration[i] * (2 * u + w) + solver.Concentration[i + 1] * (u + 2 * w));
    }
    return sum;
  }

  // The second moment of the boundary: rbar^2 = rp^2 - (2/cp) int_m^rp c r dr
  // over scan k, with rp in the plateau; trapezoids on the output radii.
  double SecondMoment(int k, int plateau) const {
    const float* row = output[k];
    double integral = 0;
    for (int i = 1; i < plateau; ++i)
      integral += 0.5 * (row[i] * radii[i] + row[i + 1] * radii[i + 1]) * (radii[i + 1] - radii[i]);
    const double rp = radii[plateau];
    return rp * rp - 2 * integral / row[plateau];
  }
};

std::vector<double> Times(double first, double interval, int count) {
  std::vector<double> times;
  for (int k = 0; k < count; ++k) times.push_back(first + k * interval);
  return times;
}

struct Species {
  double s, D;  // S, cm^2/s
};

// A species run with one method.
struct Case {
  Method method;
  double s, D;  // S, cm^2/s
};

testing::Message Describe(const Case& c) {
  return testing::Message() << Name(c.method) << ", s " << c.s << " S, D " << c.D;
}

TEST(LammPhysicsTest, ClosedCellKeepsItsAmount) {
  // Sedimenting, floating, resting and slowly diffusing species on each
  // variant; the automatic choice sends the 100 S particle to the moving
  // frame and keeps the 4.5 S protein on the fixed grid.
  const Case cases[] = {
      {Method::FixedGrid, 4.5, 6e-7},    {Method::FixedGrid, -3.0, 6e-7},
      {Method::FixedGrid, 0.0, 6e-7},    {Method::FixedGrid, 1.0, 1e-6},
      {Method::FixedGrid, 10.0, 3e-7},   {Method::MovingFrame, 4.5, 6e-7},
      {Method::MovingFrame, -3.0, 6e-7}, {Method::MovingFrame, 10.0, 3e-7},
      {Method::Automatic, 4.5, 6e-7},    {Method::Automatic, 100.0, 2e-8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c));
    Experiment e;
    e.method = c.method;
    e.shutOffBackDiffusion = 0;
    ASSERT_EQ(e.Solve(Times(1200, 1200, 10), c.s, c.D, 2.0), 0);
    if (c.method == Method::Automatic) {
      EXPECT_EQ(e.solver.MovingFrame, c.s > 50);
    }
    // The loading of the sector: integral of c0 r dr from meniscus to bottom.
    const double loaded = 2.0 * (e.bottom * e.bottom - e.meniscus * e.meniscus) / 2;
    EXPECT_NEAR(e.Amount() / loaded, 1.0, 1e-6);
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
  // c0 exp(-2 s w^2 t). The 100 S particle is followed for its first 8
  // minutes, before its boundary reaches the probe.
  const Case cases[] = {{Method::FixedGrid, 4.5, 6e-7},    {Method::FixedGrid, 2.0, 8e-7},
                        {Method::FixedGrid, 12.0, 2e-7},   {Method::MovingFrame, 4.5, 6e-7},
                        {Method::MovingFrame, 12.0, 2e-7}, {Method::Automatic, 100.0, 2e-8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c));
    Experiment e;
    e.method = c.method;
    const double interval = c.s > 50 ? 60 : 300;
    const std::vector<double> times = Times(interval, interval, 8);
    ASSERT_EQ(e.Solve(times, c.s, c.D), 0);
    const double q = c.s * 1e-13 * OmegaSquared(e.rpm);
    // Well inside the plateau: 0.4 cm from the bottom, whose back-diffusion
    // reaches some D/(s w^2 b) into the cell.
    const int probe = e.PointAt(6.8);
    for (int k = 1; k <= 8; ++k)
      EXPECT_NEAR(e.output[k][probe], std::exp(-2 * q * times[k - 1]), 2e-6) << "scan " << k;
  }
}

// The slope of the least-squares line through the origin of
// ln(rbar^2 / m^2) against 2 omega^2 t (in units of 1e-13 s), over the
// scans: the sedimentation coefficient in S.
double SFromSecondMoments(const Experiment& e, const std::vector<double>& omega2t,
                          double plateauRadius) {
  const int plateau = e.PointAt(plateauRadius);
  double sxx = 0, sxy = 0;
  for (int k = 1; k <= static_cast<int>(omega2t.size()); ++k) {
    const double x = 2 * omega2t[k - 1] * 1e-13;
    const double y = std::log(e.SecondMoment(k, plateau) / (e.meniscus * e.meniscus));
    sxx += x * x;
    sxy += x * y;
  }
  return sxy / sxx;
}

TEST(LammPhysicsTest, SecondMomentOfTheBoundaryRecoversS) {
  // While a plateau exists the second moment of the boundary moves as
  // rbar^2 = m^2 exp(2 s w^2 t).
  const Case cases[] = {{Method::FixedGrid, 4.5, 6e-7},
                        {Method::FixedGrid, 2.0, 8e-7},
                        {Method::MovingFrame, 4.5, 6e-7},
                        {Method::MovingFrame, 2.0, 8e-7},
                        {Method::Automatic, 100.0, 2e-8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c));
    Experiment e;
    e.method = c.method;
    e.spacing = 0.002;
    const double interval = c.s > 50 ? 60 : 600;
    const std::vector<double> times = Times(interval, interval, 8);
    ASSERT_EQ(e.Solve(times, c.s, c.D), 0);
    std::vector<double> omega2t;
    for (const double t : times) omega2t.push_back(OmegaSquared(e.rpm) * t);
    EXPECT_NEAR(SFromSecondMoments(e, omega2t, 6.9) / c.s, 1.0, 1e-3);
  }
}

TEST(LammPhysicsTest, WithoutSedimentationAUniformCellStaysUniform) {
  // The moving frame then stands still and takes steps of a tenth of a
  // second, so it is followed for a few minutes only.
  struct UniformCase {
    Method method;
    double c0, interval;
  };
  const UniformCase cases[] = {{Method::FixedGrid, 1.0, 600},
                               {Method::FixedGrid, 0.37, 600},
                               {Method::MovingFrame, 0.37, 30}};
  for (const UniformCase& c : cases) {
    SCOPED_TRACE(testing::Message() << Name(c.method) << ", c0 " << c.c0);
    Experiment e;
    e.method = c.method;
    ASSERT_EQ(e.Solve(Times(c.interval, c.interval, 6), 0.0, 6e-7, c.c0), 0);
    for (int k = 1; k <= 6; ++k)
      for (int i = 1; i <= e.Points(); ++i) ASSERT_NEAR(e.output[k][i], c.c0, 1e-6 * c.c0) << k;
  }
}

// Sedimentation equilibrium of the Lamm equation: zero flux gives
// c = A exp(sigma (r^2 - m^2)/2) with sigma = s w^2/D, A from the loading.
double Equilibrium(const Experiment& e, double sigma, double r) {
  const double span = sigma * (e.bottom * e.bottom - e.meniscus * e.meniscus) / 2;
  const double A = span / std::expm1(span);
  return A * std::exp(sigma * (r * r - e.meniscus * e.meniscus) / 2);
}

TEST(LammPhysicsTest, RunningBeyondTheLastScanMakesItTheEquilibrium) {
  // Three scans early in the run; kept running, the solver goes on until
  // the profile stops changing and writes that profile as the last scan.
  // The scans before it stay as they were. Both methods come to that end
  // (the moving frame once ran on without one, past the end time).
  const Species solute{0.8, 1e-5};
  for (const Method method : {Method::FixedGrid, Method::MovingFrame}) {
    SCOPED_TRACE(Name(method));
    Experiment plain, beyond;
    for (Experiment* e : {&plain, &beyond}) {
      e->method = method;
      e->defaultGrid = 100;
      e->steadyStateRate = 1e-6;
    }
    beyond.runBeyondLastScan = 1;
    ASSERT_EQ(plain.Solve(Times(500, 500, 3), solute.s, solute.D), 0);
    ASSERT_EQ(beyond.Solve(Times(500, 500, 3), solute.s, solute.D), 0);
    const double sigma = solute.s * 1e-13 * OmegaSquared(beyond.rpm) / solute.D;
    double change = 0;
    for (int i = 1; i <= beyond.Points(); i += 10) {
      const double expected = Equilibrium(beyond, sigma, beyond.radii[i]);
      ASSERT_NEAR(beyond.output[3][i] / expected, 1.0, 2e-2) << beyond.radii[i];
      change = std::max(change, std::fabs(plain.output[3][i] - expected));
      for (int k = 1; k <= 2; ++k) ASSERT_EQ(beyond.output[k][i], plain.output[k][i]) << k;
    }
    // At 1500 s the cell was far from equilibrium.
    EXPECT_GT(change, 0.05);
  }
}

TEST(LammPhysicsTest, RunningBeyondTheLastScanEndsAtTheEndTime) {
  // A run kept going beyond its last scan whose profile never counts as
  // settled (a steady-state rate of 0), or an empty cell, still ends: at
  // the end time, or at once for the empty cell. Both once ran on for ever.
  struct EndCase {
    Method method;
    double steadyStateRate, loading;
  };
  const EndCase cases[] = {{Method::FixedGrid, 0.0, 1.0},
                           {Method::FixedGrid, 1e-6, 0.0},
                           {Method::MovingFrame, 1e-6, 0.0}};
  for (const EndCase& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << Name(c.method) << ", rate " << c.steadyStateRate << ", loading " << c.loading);
    Experiment e;
    e.method = c.method;
    e.defaultGrid = 100;
    e.steadyStateRate = c.steadyStateRate;
    e.runBeyondLastScan = 1;
    ASSERT_EQ(e.Solve(Times(500, 500, 3), 0.8, 1e-5, c.loading), 0);
    const double sigma = 0.8e-13 * OmegaSquared(e.rpm) / 1e-5;
    for (int i = 1; i <= e.Points(); i += 10) {
      const double expected = c.loading * Equilibrium(e, sigma, e.radii[i]);
      ASSERT_NEAR(e.output[3][i], expected, 2e-2) << e.radii[i];
    }
  }
}

TEST(LammPhysicsTest, LongRunsReachSedimentationEquilibrium) {
  // A small, fast-diffusing solute (sigma (b^2 - m^2)/2 = 2): equilibrium
  // within a few 1e4 s. On the fixed grid a profile that changes by less
  // than the steady-state rate per second ends the loop; the scans after
  // that stop show the profile then reached (within rate times the
  // relaxation time, about 2e4 s), not an empty cell. A coarse grid keeps
  // Crank-Nicolson's stiff end modes damped at the largest steps. The moving
  // frame has no such stop and runs to the last scan.
  const Species solute{0.8, 1e-5};
  struct EquilibriumCase {
    Method method;
    double steadyStateRate, tolerance;
  };
  const EquilibriumCase cases[] = {{Method::FixedGrid, 1e-9, 1e-3},
                                   {Method::FixedGrid, 1e-6, 2e-2},
                                   {Method::MovingFrame, 1e-6, 1e-3}};
  for (const EquilibriumCase& c : cases) {
    SCOPED_TRACE(testing::Message() << Name(c.method) << ", rate " << c.steadyStateRate);
    Experiment e;
    e.method = c.method;
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

// Faxen's approximation for a sector cell (Faxen 1929; in Fujita's
// variables x = (r/m)^2, tau = 2 s w^2 t and epsilon = 2D/(s w^2 m^2):
// c/c0 = (exp(-tau)/2) erfc((1 - x exp(-tau)) / (2 sqrt(epsilon (1 -
// exp(-tau)))))), valid away from meniscus and bottom to order epsilon.
double Faxen(double m, double q, double D, double t, double r) {
  const double dilution = std::exp(-2 * q * t);
  const double spread = 2 * std::sqrt(2 * D * m * m / q * (1 - dilution));
  return dilution / 2 * std::erfc((m * m - r * r * dilution) / spread);
}

TEST(LammPhysicsTest, BoundaryFollowsFaxensApproximation) {
  // Its error is a few times epsilon (3e-3 for the 4.5 S protein, 7e-4 for
  // the 10 S one; converged solutions differ from it by 2.2 epsilon) once the
  // boundary has left the meniscus by some 0.15 cm (from the second scan
  // on). For the 100 S particle epsilon is 4e-6 and the allowance is that
  // of the default grid, which resolves its boundary (0.002 cm wide) with a
  // few nodes.
  const Case cases[] = {{Method::FixedGrid, 4.5, 6e-7},
                        {Method::FixedGrid, 10.0, 3e-7},
                        {Method::MovingFrame, 4.5, 6e-7},
                        {Method::MovingFrame, 10.0, 3e-7},
                        {Method::Automatic, 100.0, 2e-8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c));
    Experiment e;
    e.method = c.method;
    const double interval = c.s > 50 ? 120 : 1200;
    const std::vector<double> times = Times(interval, interval, c.s > 50 ? 5 : 6);
    ASSERT_EQ(e.Solve(times, c.s, c.D), 0);
    const double q = c.s * 1e-13 * OmegaSquared(e.rpm);
    const double epsilon = 2 * c.D / (q * e.meniscus * e.meniscus);
    const double tolerance = std::max(4 * epsilon, 4e-3);
    for (int k = 2; k <= static_cast<int>(times.size()); ++k)
      for (int i = 1; i <= e.Points(); ++i) {
        const double r = e.radii[i];
        if (r < e.meniscus + 0.1 || r > 6.9) continue;
        ASSERT_NEAR(e.output[k][i], Faxen(e.meniscus, q, c.D, times[k - 1], r), tolerance)
            << "scan " << k << ", r " << r;
      }
  }
}

TEST(LammPhysicsTest, ARampedRunFollowsTheOmegaSquaredTimeOfTheScans) {
  // The rotor accelerates from rest at 300 rpm/s and reaches 50,000 rpm
  // after 167 s; the scans record the integral of omega^2 over the run. The
  // plateau and the second moment follow that integral, not the scan time:
  // at 600 s the ramp leaves the boundary 111 s of full speed behind. The
  // automatic choice sends the 25 S species to the moving frame; forced onto
  // the fixed grid it takes 1 s steps during the ramp.
  const Case cases[] = {{Method::FixedGrid, 4.5, 6e-7},
                        {Method::MovingFrame, 4.5, 6e-7},
                        {Method::FixedGrid, 25.0, 2e-7},
                        {Method::Automatic, 25.0, 2e-7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c));
    Experiment e;
    e.method = c.method;
    e.rampAcceleration = 300;
    e.spacing = 0.002;
    const std::vector<double> times = c.s > 20 ? Times(300, 300, 4) : Times(600, 600, 6);
    ASSERT_EQ(e.Solve(times, c.s, c.D), 0);
    if (c.method == Method::Automatic) {
      EXPECT_EQ(e.solver.MovingFrame, 1);
    }
    std::vector<double> omega2t;
    for (int k = 1; k <= e.headers.hi(); ++k) omega2t.push_back(e.headers[k].Omega2t);
    const double plateauRadius = 6.9;
    const int probe = e.PointAt(plateauRadius);
    for (int k = 1; k <= e.headers.hi(); ++k)
      EXPECT_NEAR(e.output[k][probe], std::exp(-2 * c.s * 1e-13 * omega2t[k - 1]), 1e-5)
          << "scan " << k;
    EXPECT_NEAR(SFromSecondMoments(e, omega2t, plateauRadius) / c.s, 1.0, 1e-3);
  }
}

TEST(LammPhysicsTest, FixedGridAndMovingFrameAgree) {
  // The same species forced onto each variant gives the same scans within
  // the fit limits (a floating species piles up at the meniscus, a
  // sedimenting one at the bottom, where neither grid resolves the pile).
  // The slow species' broad boundary still overlaps the meniscus region.
  // (The 4.5 S protein is compared scan by scan with the moving-frame tests.)
  struct AgreementCase {
    double s, D, largest;
  };
  const AgreementCase cases[] = {{-3.0, 6e-7, 1e-2}, {1.0, 1e-6, 2e-2}, {20.0, 2e-7, 1e-2}};
  for (const AgreementCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "s " << c.s << " S, D " << c.D);
    const std::vector<double> times = Times(600, 600, 8);
    Experiment fixed, moving;
    fixed.method = Method::FixedGrid;
    moving.method = Method::MovingFrame;
    for (Experiment* e : {&fixed, &moving}) ASSERT_EQ(e->Solve(times, c.s, c.D), 0);
    double sum = 0, largest = 0;
    int count = 0;
    for (int k = 1; k <= static_cast<int>(times.size()); ++k)
      for (int i = 1; i <= fixed.Points(); ++i) {
        const float r = fixed.radii[i];
        if (r < fixed.leftFitLimit || r > fixed.rightFitLimit) continue;
        const double d = fixed.output[k][i] - moving.output[k][i];
        sum += d * d;
        largest = std::max(largest, std::fabs(d));
        ++count;
      }
    EXPECT_LT(std::sqrt(sum / count), 1e-3);
    EXPECT_LT(largest, c.largest);
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
