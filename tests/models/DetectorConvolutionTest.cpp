// Detector convolutions and Faxen's boundary: the error function against
// the standard library, Faxen's approximation against its classical form,
// and the convolutions against what they must do to constants, steps and
// the cell ends.

#include <cmath>
#include <vector>

#include "data/ScanReaderOptions.h"
#include "models/DetectorConvolution.h"
#include "state/LammSolverSettings.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

// A one-based profile on radii first, first + h, ... (n points).
struct Profile {
  Profile(int count, double first, double h) : n(count), r(1, count), y(1, count) {
    for (int i = 1; i <= n; ++i) r[i] = static_cast<float>(first + h * (i - 1));
  }
  int n;
  OneBasedArray<float> r, y;
};

TEST(ErfcApprox, AgreesWithTheLibraryWithinItsStatedError) {
  for (double x : {-6.0, -3.0, -1.5, -0.7, -0.1, 0.0, 0.05, 0.3, 0.9, 1.7, 2.5, 4.0, 6.0}) {
    const double want = std::erfc(x);
    // Stated fractional error 1.2e-7, plus the single-precision rounding of
    // the exponent -x^2 - ...
    const double tolerance = (3e-7 + 1.2e-7 * x * x) * want;
    EXPECT_NEAR(ErfcApprox(static_cast<float>(x)), want, tolerance) << "x = " << x;
  }
  for (float x : {0.2f, 1.0f, 3.0f}) EXPECT_NEAR(ErfcApprox(-x), 2.0f - ErfcApprox(x), 1e-6f);
  EXPECT_NEAR(ErfcApprox(0.0f), 1.0f, 1.2e-7f);
}

// Faxen's approximation of the Lamm equation for a sector cell (Faxen 1929;
// Fujita, Foundations of Ultracentrifugal Analysis, 1975): in the variable
// ln r a sedimenting boundary moves at the constant rate s omega^2, so its
// midpoint lies at r_b = m exp(s omega^2 t); near the meniscus diffusion
// spreads it into an error-function front of width sqrt(D t)/m in ln r; and
// the plateau behind it is diluted radially to c0 exp(-2 s omega^2 t). So
//   c(r, t) = c0/2 exp(-2 s omega^2 t) erfc(m ln(r_b / r) / (2 sqrt(D t))).
double ClassicalFaxen(double c0, double t, double r, double sw2, double D, double m) {
  const double rb = m * std::exp(sw2 * t);
  return 0.5 * c0 * std::exp(-2.0 * sw2 * t) *
         std::erfc(m * std::log(rb / r) / (2.0 * std::sqrt(D * t)));
}

TEST(FaxenProfile, AgreesWithTheClassicalFormula) {
  ScanReaderOptions = ScanReaderOptionsRecord{};
  const double m = 6.0;
  const double omega = 50000.0 * 2.0 * kPi / 60.0;
  struct Case {
    double s, D, t;
  };
  const Case cases[] = {{4e-13, 6e-7, 1200.0}, {10e-13, 3e-7, 3000.0}, {1e-13, 1e-6, 6000.0}};
  for (const Case& c : cases) {
    const double sw2 = c.s * omega * omega;
    Profile p(1200, 5.95, 0.001);
    FaxenProfile(0.8f, c.t, p.r.data(), p.y.data(), p.n, sw2, c.D, m);
    for (int i = 1; i <= p.n; i += 7) {
      const double want = ClassicalFaxen(0.8, c.t, p.r[i], sw2, c.D, m);
      EXPECT_NEAR(p.y[i], want, 2e-6) << "s = " << c.s << ", r = " << p.r[i];
    }
  }
}

TEST(FaxenProfile, LimitsOfEarlyTimeAndOfThePlateau) {
  ScanReaderOptions = ScanReaderOptionsRecord{};
  const double m = 6.0, k = 1e-4, D = 5e-7;
  Profile p(3, 6.0, 0.5);  // the meniscus, 6.5 and 7.0
  for (double t : {0.0, 1e-9}) {
    FaxenProfile(1.0f, t, p.r.data(), p.y.data(), p.n, k, D, m);
    EXPECT_NEAR(p.y[1], 0.5f, 1e-4f) << "t = " << t;
    EXPECT_NEAR(p.y[2], 1.0f, 1e-6f);
    EXPECT_NEAR(p.y[3], 1.0f, 1e-6f);
  }
  // Far beyond the boundary the plateau, diluted radially.
  for (double t : {100.0, 300.0}) {
    FaxenProfile(1.0f, t, p.r.data(), p.y.data(), p.n, k, D, m);
    EXPECT_NEAR(p.y[3], std::exp(-2.0 * k * t), 1e-6) << "t = " << t;
  }
  // A sharp boundary without diffusion, and no sedimentation at all.
  FaxenProfile(1.0f, 400.0, p.r.data(), p.y.data(), p.n, k, 0.0, m);
  EXPECT_EQ(p.y[1], 0.0f);
  EXPECT_NEAR(p.y[3], std::exp(-0.08), 1e-6);
  FaxenProfile(1.0f, 400.0, p.r.data(), p.y.data(), p.n, 0.0, D, m);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(std::isfinite(p.y[i]));
  EXPECT_NEAR(p.y[1], 0.5f, 1e-6f);
}

TEST(FaxenProfile, SmearedLikeAnAbsorbanceScanWhenAsked) {
  ScanReaderOptions = ScanReaderOptionsRecord{};
  ScanReaderOptions.AbsorbanceData = true;
  LammSolverSettings.RadialResolutionOn = true;
  LammSolverSettings.RadialResolutionRange = 0.02f;
  Profile a(400, 6.0, 0.001), b(400, 6.0, 0.001);
  FaxenProfile(1.0f, 1000.0, a.r.data(), a.y.data(), a.n, 5e-4, 1e-7, 6.0);
  LammSolverSettings.RadialResolutionOn = false;
  FaxenProfile(1.0f, 1000.0, b.r.data(), b.y.data(), b.n, 5e-4, 1e-7, 6.0);
  SmearByRadialWindow(b.n, 0.02f, b.r.data(), b.y.data());
  for (int i = 1; i <= a.n; ++i) EXPECT_EQ(a.y[i], b.y[i]);
  LammSolverSettings = LammSolverSettingsRecord{};
  ScanReaderOptions = ScanReaderOptionsRecord{};
}

// The kernel exp(-u^2 / sigma^2) turns a unit step at r0 into
// erfc((r0 - r) / sigma) / 2; a constant stays constant wherever the window
// lies inside the cell and the profile.
TEST(GaussianConvolveProfile, ConstantsAndSteps) {
  const float sigma = 0.01f;
  Profile p(3001, 6.0, 0.0001);
  const double r0 = 6.15005;  // midway between two points
  for (int i = 1; i <= p.n; ++i) p.y[i] = p.r[i] > r0 ? 1.0f : 0.0f;
  GaussianConvolveProfile(p.n, p.r.data(), p.y.data(), sigma, 5.0f, 5.8f, 7.4f);
  for (int i = 1001; i <= 2001; i += 25) {
    const double want = 0.5 * std::erfc((r0 - p.r[i]) / sigma);
    EXPECT_NEAR(p.y[i], want, 2e-3) << "r = " << p.r[i];
  }
  Profile c(3001, 6.0, 0.0001);
  for (int i = 1; i <= c.n; ++i) c.y[i] = 0.37f;
  GaussianConvolveProfile(c.n, c.r.data(), c.y.data(), sigma, 4.0f, 5.8f, 7.4f);
  for (int i = 500; i <= 2500; i += 50) EXPECT_NEAR(c.y[i], 0.37f, 1e-6f);
}

TEST(GaussianConvolveProfile, PointsOutsideTheCellLowerTheEnds) {
  Profile p(1001, 6.0, 0.001);
  for (int i = 1; i <= p.n; ++i) p.y[i] = 1.0f;
  GaussianConvolveProfile(p.n, p.r.data(), p.y.data(), 0.01f, 3.0f, 6.2f, 6.8f);
  // At the meniscus about half the window lies outside the cell.
  EXPECT_NEAR(p.y[201], 0.5f, 0.05f);
  EXPECT_NEAR(p.y[501], 1.0f, 1e-6f);
  EXPECT_LT(p.y[1], 0.1f);
  // Beyond the profile's last point the continued grid only adds weight.
  Profile q(1001, 6.0, 0.001);
  for (int i = 1; i <= q.n; ++i) q.y[i] = 1.0f;
  GaussianConvolveProfile(q.n, q.r.data(), q.y.data(), 0.01f, 3.0f, 5.0f, 8.0f);
  EXPECT_NEAR(q.y[q.n], 0.5f, 0.05f);
}

TEST(GaussianConvolveProfile, DegenerateInputLeavesTheProfile) {
  Profile p(3, 6.0, 0.0);  // radii that do not increase
  for (int i = 1; i <= 3; ++i) p.y[i] = static_cast<float>(i);
  GaussianConvolveProfile(p.n, p.r.data(), p.y.data(), 0.01f, 3.0f, 5.0f, 8.0f);
  GaussianConvolveProfile(1, p.r.data(), p.y.data(), 0.01f, 3.0f, 5.0f, 8.0f);
  Profile q(3, 6.0, 0.01);
  for (int i = 1; i <= 3; ++i) q.y[i] = static_cast<float>(i);
  GaussianConvolveProfile(q.n, q.r.data(), q.y.data(), 0.0f, 3.0f, 5.0f, 8.0f);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(p.y[i], static_cast<float>(i));
    EXPECT_EQ(q.y[i], static_cast<float>(i));
  }
}

TEST(SmearByRadialWindow, AveragesTransmission) {
  Profile p(101, 6.0, 0.001);
  for (int i = 1; i <= p.n; ++i) p.y[i] = 0.3f + 0.004f * static_cast<float>(i % 7);
  std::vector<float> before(p.y.data() + 1, p.y.data() + p.n + 1);
  // A window narrower than the spacing holds one point.
  SmearByRadialWindow(p.n, 0.0005f, p.r.data(), p.y.data());
  for (int i = 1; i <= p.n; ++i)
    EXPECT_NEAR(p.y[i], before[static_cast<std::size_t>(i - 1)], 2e-6f);
  // Constant absorbance stays.
  for (int i = 1; i <= p.n; ++i) p.y[i] = 0.8f;
  SmearByRadialWindow(p.n, 0.0105f, p.r.data(), p.y.data());
  for (int i = 1; i <= p.n; ++i) EXPECT_NEAR(p.y[i], 0.8f, 2e-6f);
  // A step from 0 to 1 absorbance (last zero at point 50) seen through
  // windows of 5 points: 3 zeros and 2 ones around point 50, 2 and 3 around
  // point 51. The mean is taken on transmission, so both lie below the mean
  // absorbances 0.4 and 0.6.
  for (int i = 1; i <= p.n; ++i) p.y[i] = i <= 50 ? 0.0f : 1.0f;
  Profile s = p;
  SmearByRadialWindow(s.n, 0.0055f, s.r.data(), s.y.data());
  EXPECT_NEAR(s.y[50], -std::log10((3.0 + 2.0 * 0.1) / 5.0), 1e-5);
  EXPECT_NEAR(s.y[51], -std::log10((2.0 + 3.0 * 0.1) / 5.0), 1e-5);
  EXPECT_LT(s.y[50], 0.4f);
  EXPECT_LT(s.y[51], 0.6f);
  EXPECT_EQ(s.y[1], 0.0f);
  EXPECT_NEAR(s.y[101], 1.0f, 2e-6f);
}

TEST(ExcitationConeWeights, VisibleFractionOfTheCone) {
  // Radii, cone radius and bottom exact in single precision: d runs from
  // 2 rho before the bottom to 2 rho beyond it in steps of rho / 2.
  const float rho = 0.03125f, bottom = 7.25f;
  Profile p(9, 7.1875, 0.015625);
  for (int i = 1; i <= p.n; ++i) p.y[i] = 2.0f;
  ExcitationConeWeights(p.n, p.r.data(), p.y.data(), rho, bottom);
  EXPECT_EQ(p.y[1], 2.0f);
  EXPECT_EQ(p.y[2], 2.0f);
  EXPECT_NEAR(p.y[3], 2.0f, 1e-5f);
  EXPECT_NEAR(p.y[5], 1.0f, 1e-5f);
  EXPECT_NEAR(p.y[7], 0.0f, 1e-5f);
  EXPECT_EQ(p.y[8], 0.0f);
  EXPECT_EQ(p.y[9], 0.0f);
  // The part hidden at a distance d before the bottom is the part visible at
  // d beyond it.
  EXPECT_NEAR(p.y[4] + p.y[6], 2.0f, 1e-5f);
  Profile q = p;
  for (int i = 1; i <= q.n; ++i) q.y[i] = 2.0f;
  ExcitationConeWeights(q.n, q.r.data(), q.y.data(), 0.0f, bottom);
  for (int i = 1; i <= q.n; ++i) EXPECT_EQ(q.y[i], 2.0f);
}

}  // namespace
