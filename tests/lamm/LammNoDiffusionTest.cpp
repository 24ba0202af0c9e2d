// Sedimentation without diffusion in closed form: a sharp boundary that
// moves as r_b = m exp(s w^2 t) over a plateau diluted as c0 exp(-2 s w^2 t),
// its variants for bands, flotation, a ramp, scanning optics that take time,
// and a compressible solvent checked against an integration of the motion.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "support/TestSupport.h"

namespace {

constexpr double kRpmToOmega = 2 * std::numbers::pi / 60;

double SOmega2(double s, double rpm) {
  const double omega = rpm * kRpmToOmega;
  return omega * omega * s * 1e-13;
}

class LammNoDiffusionTest : public HeadlessTest {
 protected:
  // Scans at `rpm`; the solver runs without a simulated ramp unless asked.
  void Prepare(double s, float rpm, double time, bool ramp = false) {
    data.MakeScans(1, rpm, time, 300);
    data.Configure(l, s, 0.0, c0);
    l.SimulateAcceleration = ramp;
    l.InitRotorSpeed();
    out.assign(static_cast<std::size_t>(data.PointCount()) + 1, -1.0f);
  }
  void Compute(double time, double omega2t) {
    l.CLLammNoDiffvec(static_cast<float>(c0), time, data.Headers[1].Rpm, omega2t, data.Radii.data(),
                      out.data(), data.PointCount());
  }
  // Compares every output point farther than `margin` from the boundary rb
  // with the expected value.
  void ExpectProfile(double rb, const std::function<double(double)>& expected,
                     double margin = 1e-5) {
    for (int j = 1; j <= data.PointCount(); ++j) {
      const double x = data.Radii[j];
      if (std::fabs(x - rb) < margin) continue;
      EXPECT_NEAR(out[static_cast<std::size_t>(j)], expected(x), 2e-6 * c0) << "r " << x;
    }
  }

  LammSetupFixture data;
  CLammIdeal l;
  double c0 = 0.8;
  std::vector<float> out;
};

TEST_F(LammNoDiffusionTest, BoundaryAndPlateauOfSedimentingAndFloatingSpecies) {
  struct Case {
    double s;  // S
    float rpm;
    double t;  // s
  };
  // 4 S at 60000 rpm after 3000 s (s w^2 t = 0.0474); a slow species at
  // s w^2 t = 0.5; a floating one at -0.1.
  const double tHalf = 0.5 / SOmega2(4, 20000), tFloat = 0.1 / SOmega2(2, 40000);
  const Case cases[] = {{4, 60000, 3000}, {4, 20000, tHalf}, {-2, 40000, tFloat}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    Prepare(c.s, c.rpm, c.t);
    Compute(c.t, 0);
    const double g = SOmega2(c.s, c.rpm) * c.t;
    const double plateau = c0 * std::exp(-2 * g);
    if (c.s > 0) {
      const double rb = data.Meniscus * std::exp(g);
      ExpectProfile(rb, [&](double x) { return x >= rb ? plateau : 0.0; });
    } else {
      const double rb = data.Bottom * std::exp(g);
      ExpectProfile(rb, [&](double x) { return x <= rb ? plateau : 0.0; });
    }
  }
  EXPECT_NEAR(SOmega2(4, 60000), 1.579e-5, 1e-8);
  EXPECT_NEAR(SOmega2(4, 60000) * 3000, 0.0474, 1e-4);
}

TEST_F(LammNoDiffusionTest, EverythingHasSedimentedOnceTheBoundaryPassedTwiceItsLogDistance) {
  Prepare(4, 60000, 150000);
  Compute(150000, 0);
  for (int j = 1; j <= data.PointCount(); ++j) EXPECT_EQ(out[static_cast<std::size_t>(j)], 0.0f);
}

TEST_F(LammNoDiffusionTest, WithARampTheBoundaryFollowsTheRecordedOmegaSquaredTime) {
  // A linear ramp to 50000 rpm over 180 s, then at speed until 2000 s: the
  // integral of w^2 dt by the trapezoidal rule on a fine grid.
  const double wFinal = 50000 * kRpmToOmega, ramp = 180, t = 2000;
  double omega2t = 0;
  const int steps = 100000;
  for (int i = 0; i < steps; ++i) {
    const auto w = [&](double u) { return u < ramp ? wFinal * u / ramp : wFinal; };
    const double a = t * i / steps, b = t * (i + 1) / steps;
    omega2t += (w(a) * w(a) + w(b) * w(b)) / 2 * (b - a);
  }
  const double s = 6;
  Prepare(s, 50000, t, true);
  Compute(t, omega2t);
  const double g = s * 1e-13 * omega2t;
  ASSERT_LT(g, SOmega2(s, 50000) * t);  // the ramp delays the boundary
  const double rb = data.Meniscus * std::exp(g), plateau = c0 * std::exp(-2 * g);
  ExpectProfile(rb, [&](double x) { return x >= rb ? plateau : 0.0; });
}

TEST_F(LammNoDiffusionTest, BandsMoveWithTheBoundaryAndKeepTheirShape) {
  const double s = 5, t = 2500;
  const double g = SOmega2(s, 50000) * t;
  const double rb = data.Meniscus * std::exp(g), rear = (data.Meniscus + 0.1) * std::exp(g);
  const double plateau = c0 * std::exp(-2 * g);
  struct Case {
    const char* name;
    std::uint8_t band, inverted;
    float factor;  // two-level band when > 0
    std::function<double(double)> expected;
  };
  const Case cases[] = {
      {"band", 1, 0, 0, [&](double x) { return rb <= x && x < rear ? plateau : 0.0; }},
      {"inverted band", 1, 1, 0, [&](double x) { return x >= rear ? plateau : 0.0; }},
      {"two levels", 0, 0, 0.5f,
       [&](double x) { return x < rb      ? 0.0
                              : x >= rear ? plateau
                                          : 0.5 * plateau; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare(s, 50000, t);
    l.SetBandLoading(c.band, 0.1f, c.inverted);
    if (c.factor > 0) l.SetBandProfile(0.1f, c.factor);
    Compute(t, 0);
    for (int j = 1; j <= data.PointCount(); ++j) {
      const double x = data.Radii[j];
      if (std::fabs(x - rb) < 1e-5 || std::fabs(x - rear) < 1e-5) continue;
      EXPECT_NEAR(out[static_cast<std::size_t>(j)], c.expected(x), 2e-6) << "r " << x;
    }
  }
}

// Scanning optics pass the meniscus at the scan time and reach radius x a
// time (x - m)/v later: what they record at x is the concentration there at
// that moment.
TEST_F(LammNoDiffusionTest, ScanningOpticsRecordEachRadiusWhenTheyPassIt) {
  for (double s : {8.0, -3.0}) {
    SCOPED_TRACE(s);
    const double t = 2400;
    Prepare(s, 50000, t);
    l.TimeResolutionOn = 1;
    l.ScanVelocity = 2.43f;
    const double v = 2.43 / 60, k = SOmega2(s, 50000), m = data.Meniscus;
    Compute(t, 0);
    const double base = s > 0 ? m : data.Bottom;
    // Where the optics meet the boundary: x = base exp(k (t + (x - m)/v)).
    double meet = base * std::exp(k * t);
    for (int i = 0; i < 50; ++i) meet = base * std::exp(k * (t + (meet - m) / v));
    ExpectProfile(
        meet,
        [&](double x) {
          const double passed = t + (x - m) / v;
          const bool plateau = s > 0 ? x >= meet : x <= meet;
          return plateau ? c0 * std::exp(-2 * k * passed) : 0.0;
        },
        1e-3);
  }
}

TEST_F(LammNoDiffusionTest, WithBleachingModelledNothingIsWrittenAndTheUserIsTold) {
  Prepare(4, 60000, 3000);
  ASSERT_TRUE(l.SetPhotophysics(100, 200, -1, 0.01, 5, 6.5, 0.1, 0.4, 1, 6.5, 0.4, 0));
  Compute(3000, 0);
  for (int j = 1; j <= data.PointCount(); ++j) EXPECT_EQ(out[static_cast<std::size_t>(j)], -1.0f);
  EXPECT_EQ(LogLinesWith("CLLammNoDiffvec not implemented for bSecondSignalState").size(), 1u);
}

// In a solvent compressed by the rotor's pressure the buoyancy falls with the
// radius: dr/dt = w^2 s' r (1 - Q (r^2 - m^2)/P) with P = 1 - vbar rho and
// Q = w^2 rho phi eps / 2 (SI), and the sector dilutes the solute as
// d ln c/dt = -(1/r) d(r dr/dt)/dr. A Runge-Kutta integration of each path
// is the reference.
TEST_F(LammNoDiffusionTest, CompressibleSolventAgreesWithTheIntegratedMotion) {
  const double s = 10, t = 3000, rpm = 60000;
  for (double compressibility : {0.0, 2e-3}) {
    SCOPED_TRACE(compressibility);
    Prepare(s, static_cast<float>(rpm), t);
    l.CompressibleSolvent = 1;
    l.InhomogeneousSolvent = 1;
    l.Compressibility = compressibility;
    l.Vbar = 0.73f;
    l.DensityAt1Atm = 0.99823f;
    l.ViscosityAt1Atm = 1.0f;
    std::vector<float> radii(1402), fine(1402);
    for (int j = 1; j <= 1401; ++j) radii[static_cast<std::size_t>(j)] = 5.8f + 0.001f * (j - 1);
    l.CLLammNoDiffvec(static_cast<float>(c0), t, rpm, 0, radii.data(), fine.data(), 1401);

    const double omega = rpm * kRpmToOmega, rho = 998.23, phi = 0.73 * 0.99823, P = 1 - phi;
    const double eps = compressibility * 1e-6, Q = omega * omega * rho * phi * eps / 2;
    const double sc = s * 1e-13, m = 0.058;
    const auto drift = [&](double r) {
      const double u = r * 0.01;
      return omega * omega * sc * r * (1 - Q * (u * u - m * m) / P);
    };
    const auto dilution = [&](double r) {
      const double u = r * 0.01;
      return -2 * omega * omega * sc / P * (P + Q * m * m - 2 * Q * u * u);
    };
    const auto follow = [&](double r, double& lnc) {
      const int steps = 3000;
      const double h = t / steps;
      for (int i = 0; i < steps; ++i) {
        const double k1 = drift(r), l1 = dilution(r);
        const double k2 = drift(r + h / 2 * k1), l2 = dilution(r + h / 2 * k1);
        const double k3 = drift(r + h / 2 * k2), l3 = dilution(r + h / 2 * k2);
        const double k4 = drift(r + h * k3), l4 = dilution(r + h * k3);
        r += h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
        lnc += h / 6 * (l1 + 2 * l2 + 2 * l3 + l4);
      }
      return r;
    };
    double ignored = 0;
    const double rb = follow(data.Meniscus, ignored);
    for (double start : {5.85, 6.1, 6.3}) {
      double lnc = std::log(c0);
      const double r = follow(start, lnc);
      const int j = static_cast<int>((r - 5.8) / 0.001) + 1;
      const double w = (r - radii[static_cast<std::size_t>(j)]) / 0.001;
      const double value =
          (1 - w) * fine[static_cast<std::size_t>(j)] + w * fine[static_cast<std::size_t>(j) + 1];
      EXPECT_NEAR(value, std::exp(lnc), 2e-5 * c0) << "from " << start;
    }
    for (int j = 1; j <= 1401; ++j) {
      const double x = radii[static_cast<std::size_t>(j)];
      if (x < rb - 1e-3) {
        EXPECT_EQ(fine[static_cast<std::size_t>(j)], 0.0f) << x;
      } else if (x > rb + 1e-3) {
        EXPECT_GT(fine[static_cast<std::size_t>(j)], 0.5f * c0) << x;
      }
    }
  }
}

TEST_F(LammNoDiffusionTest, PostCorrectionWritesEveryScanAndAddsBufferedRowsToTheOutput) {
  data.MakeScans(3, 50000, 600, 900);
  data.Configure(l, 5, 0.0, c0);
  l.SimulateAcceleration = 0;
  l.InitRotorSpeed();
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= data.PointCount(); ++j) data.Output[i][j] = 1.0f;
  l.SetAddToOutput(1);
  l.SetRadialMagnification(1, 1.5f);
  l.PostCorrectNoDiffusion();
  for (int i = 1; i <= 3; ++i) {
    const double g = SOmega2(5, 50000) * data.Headers[i].Time;
    const double rb = data.Meniscus * std::exp(g);
    for (int j = 1; j <= data.PointCount(); ++j) {
      const double x = data.Radii[j];
      if (std::fabs(x - rb) < 1e-5) continue;
      const double magnified = (x - data.Meniscus) * 0.5 + 1;
      const double expected = 1 + (x >= rb ? c0 * std::exp(-2 * g) * magnified : 0.0);
      EXPECT_NEAR(data.Output[i][j], expected, 4e-6) << "scan " << i << " r " << x;
    }
  }
}

}  // namespace

namespace {

// As D goes to 0 the finite-element solution tends to the closed form: the
// area between them (r <= 7.15 cm, away from the pile-up at the bottom)
// shrinks with the diffusion spread. The automatic choice keeps a 6 S
// species on the fixed grid (at 1e-7 cm^2/s; sharper boundaries fail there
// and are repeated in the moving frame) and sends a 30 S one to the moving
// frame.
TEST_F(LammNoDiffusionTest, SolveApproachesTheClosedFormAsDiffusionVanishes) {
  for (const double s : {6.0, 30.0}) {
    SCOPED_TRACE(testing::Message() << "s " << s);
    const double interval = s > 10 ? 300 : 1200;
    data.MakeScans(3, 50000, interval, interval);
    CLammIdeal closed;
    data.Configure(closed, s, 0.0, c0);
    closed.InitRotorSpeed();
    double previous = 1e30;
    for (double D : {1e-7, 1e-8, 1e-9}) {
      SCOPED_TRACE(D);
      CLammIdeal solver;
      data.Configure(solver, s, D, c0);
      ASSERT_EQ(solver.Solve(), 0);
      double worst = 0;
      for (int i = 1; i <= data.ScanCount(); ++i) {
        const ScanHeader& h = data.Headers[i];
        std::vector<float> exact(static_cast<std::size_t>(data.PointCount()) + 1);
        closed.CLLammNoDiffvec(static_cast<float>(c0), h.Time, h.Rpm, h.Omega2t, data.Radii.data(),
                               exact.data(), data.PointCount());
        double area = 0;
        for (int j = 1; j <= data.PointCount() && data.Radii[j] <= 7.15f; ++j)
          area += std::fabs(data.Output[i][j] - exact[static_cast<std::size_t>(j)]) * 0.01;
        // An error-function boundary differs from a step by 2 sqrt(D t/pi)
        // times its height.
        const double spread = 2 * std::sqrt(D * h.Time / std::numbers::pi);
        EXPECT_LT(area, 1.1 * c0 * spread + 3e-4 * c0) << "scan " << i;
        worst = std::max(worst, area);
      }
      EXPECT_LT(worst, previous);
      previous = worst;
    }
  }
}

}  // namespace
