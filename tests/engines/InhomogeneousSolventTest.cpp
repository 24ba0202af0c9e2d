// The density and viscosity of an inhomogeneous solvent and the local factors
// of a macromolecule's s and D in it: the solvent series at hand-computed
// points, the compressed solvent under rotor pressure, the factors of each
// solvent mode and their homogeneous limit, the factors that follow a
// co-solute profile, and the factor-weighted element integrals against
// brute-force quadrature and the plain integrals.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engines/CosoluteSolver.h"
#include "engines/HatElementIntegrals.h"
#include "engines/InhomogeneousSolvent.h"
#include "models/ModelsTestSupport.h"
#include "state/ParameterVector.h"
#include "numerics/PhysicalConstants.h"

namespace {

constexpr double kEtaW = PhysicalConstantsRecord::STANDARDVISCOSITY;
constexpr double kRhoW = PhysicalConstantsRecord::StandardWaterDensity;

class InhomogeneousSolventTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    Reset();
    ModelParameters.Meniscus = 6.0f;
    ModelParameters.Bottom = 7.2f;
    SolventConditions.VBAR = 0.73f;
  }
  void TearDown() override {
    Reset();
    ModelsTest::TearDown();
  }
  static void Reset() {
    InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
    InhomogeneousSolventWork = InhomogeneousSolventWorkRecord{};
    CosoluteState = CosoluteStateRecord{};
  }
  static void SetSeries(OneBasedArray<double>& p, int& count, const std::vector<double>& values) {
    count = static_cast<int>(values.size());
    p.Resize(1, count);
    for (int i = 1; i <= count; ++i) p[i] = values[static_cast<std::size_t>(i - 1)];
  }
  // An uneven grid of n nodes between meniscus and bottom.
  static std::vector<double> Grid(int n) {
    std::vector<double> r(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) {
      const double u = (i - 1.0) / (n - 1.0);
      r[static_cast<std::size_t>(i)] = 6.0 + 1.2 * (u + 0.1 * u * (1.0 - u));
    }
    return r;
  }
  static double StandardBuoyancy() { return 1.0 - SolventConditions.VBAR * kRhoW; }
};

TEST_F(InhomogeneousSolventTest, SolventSeriesAtHandComputedPoints) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  // Without coefficients the solvent is water.
  EXPECT_DOUBLE_EQ(CosoluteViscosity(2.0), kEtaW);
  EXPECT_DOUBLE_EQ(CosoluteDensity(2.0), kRhoW);
  // One coefficient: the same value at every concentration.
  SetSeries(s.DensityCoefficients, s.DensityCoefficientCount, {1.1});
  SetSeries(s.ViscosityCoefficients, s.ViscosityCoefficientCount, {1.0});
  EXPECT_DOUBLE_EQ(CosoluteDensity(0.0), 1.1);
  EXPECT_DOUBLE_EQ(CosoluteDensity(3.0), 1.1);
  EXPECT_DOUBLE_EQ(CosoluteViscosity(3.0), kEtaW);

  // c = 0.49 M: terms 1, 2e-3 * 0.7, 3e-2 * 0.49, 4e-3 * 0.2401,
  // 5e-4 * 0.117649 and 6e-6 * 0.05764801.
  const double five = 1.0 + 0.0014 + 0.0147 + 0.0009604 + 0.0000588245;
  const double six = five + 3.4588806e-7;
  struct Case {
    int count;
    double density, viscosityRatio;
  };
  const Case cases[] = {{5, five, five}, {6, six, five}};  // viscosity never takes the sixth
  for (const Case& c : cases) {
    std::vector<double> p{1, 2, 3, 4, 5, 6};
    p.resize(static_cast<std::size_t>(c.count));
    SetSeries(s.DensityCoefficients, s.DensityCoefficientCount, p);
    SetSeries(s.ViscosityCoefficients, s.ViscosityCoefficientCount, p);
    EXPECT_NEAR(CosoluteDensity(0.49), c.density, 1e-12) << c.count;
    EXPECT_NEAR(CosoluteViscosity(0.49) / kEtaW, c.viscosityRatio, 1e-12) << c.count;
  }
}

TEST_F(InhomogeneousSolventTest, CompressedSolventUnderRotorPressure) {
  GlobalLammRun.RunRpm = 60000.0;
  const double r[] = {0.0, 6.0, 7.0};
  double out[3] = {};
  // Compressibility 0: no change anywhere.
  CompressedDensityProfile(out, r, 2, 1.05, 0.0);
  EXPECT_DOUBLE_EQ(out[1], 1.05);
  EXPECT_DOUBLE_EQ(out[2], 1.05);
  // Water's compressibility at 60000 rpm, 1 cm below a meniscus at 6 cm:
  // P = rho 1000 omega^2 (49 - 36) 1e-4 / 2 Pa = 25.661 MPa.
  CompressedDensityProfile(out, r, 2, 1.0, WaterCompressibility);
  EXPECT_DOUBLE_EQ(out[1], 1.0);
  EXPECT_NEAR(out[2], 1.0119213973998182, 1e-12);
  // A loaded scan's speed counts, not the run's.
  LoadTestScans({{6.0, 7.2, 0.01, 100.0, nullptr, 0.0f}});
  ScanDataSet.ScanHeaders[1].Rpm = 30000.0f;
  CompressedDensityProfile(out, r, 2, 1.0, WaterCompressibility);
  EXPECT_NEAR(out[2], 1.0 / (1.0 - WaterCompressibility * 25.660971442832334 / 4.0), 1e-12);
}

TEST_F(InhomogeneousSolventTest, FactorsOfEachSolventMode) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  const InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  GlobalLammRun.RunRpm = 50000.0;
  const int n = 30;
  const std::vector<double> r = Grid(n);

  // A homogeneous solvent: both factors 1.
  SolventGradientFactors(r.data(), n);
  ASSERT_EQ(w.AllocatedSize, n);
  for (int i = 1; i <= n; ++i) {
    EXPECT_EQ(w.ViscosityFactor[i], 1.0);
    EXPECT_EQ(w.BuoyancyFactor[i], 1.0);
  }

  // A compressible solvent of 1.2 times water's viscosity.
  s.CompressibleSolvent = true;
  s.DensityAt1atm = 1.02f;
  s.RelativeViscosity = 1.2f;
  s.SolventCompressibility = WaterCompressibility;
  SolventGradientFactors(r.data(), n);
  std::vector<double> rho(static_cast<std::size_t>(n) + 1);
  CompressedDensityProfile(rho.data(), r.data(), n, s.DensityAt1atm, s.SolventCompressibility);
  EXPECT_GT(rho[static_cast<std::size_t>(n)], rho[1]);
  for (int i = 1; i <= n; ++i) {
    EXPECT_NEAR(w.ViscosityFactor[i], 1.0 / 1.2, 1e-7);
    EXPECT_NEAR(w.BuoyancyFactor[i],
                (1.0 - 0.73f * rho[static_cast<std::size_t>(i)]) / StandardBuoyancy(), 1e-12);
  }
  // Without compressibility the buoyancy is that of the solvent at 1 atm.
  s.SolventCompressibility = 0.0;
  SolventGradientFactors(r.data(), n);
  EXPECT_NEAR(w.BuoyancyFactor[n], (1.0 - 0.73f * double{1.02f}) / StandardBuoyancy(), 1e-12);
  EXPECT_DOUBLE_EQ(w.BuoyancyFactor[1], w.BuoyancyFactor[n]);

  // The co-solute's loading solvent, uniform; the solvated vbar buoys.
  s.CompressibleSolvent = false;
  s.SedimentingCosolute = s.CosoluteOn = true;
  s.BuoyancyVbar = 0.6f;
  s.CosoluteLoading = 1.0;
  SetSeries(s.DensityCoefficients, s.DensityCoefficientCount, {kRhoW, 0.0, 12.0});
  SetSeries(s.ViscosityCoefficients, s.ViscosityCoefficientCount, {1.0, 0.0, 5.0});
  const double rhoC = kRhoW + 0.12, etaC = kEtaW * 1.05;
  SolventGradientFactors(r.data(), n);
  for (int i : {1, n}) {
    EXPECT_NEAR(w.ViscosityFactor[i], kEtaW / etaC, 1e-12);
    EXPECT_NEAR(w.BuoyancyFactor[i], (1.0 - 0.6f * rhoC) / StandardBuoyancy(), 1e-12);
  }
  // With the water's compression on top.
  s.WaterCompressibilityOn = true;
  s.SolventCompressibility = WaterCompressibility;
  SolventGradientFactors(r.data(), n);
  CompressedDensityProfile(rho.data(), r.data(), n, kRhoW, WaterCompressibility);
  const double delta = static_cast<float>(rho[static_cast<std::size_t>(n)] - kRhoW);
  EXPECT_GT(delta, 1e-3);
  EXPECT_NEAR(w.BuoyancyFactor[n], (1.0 - 0.6f * (rhoC + delta)) / StandardBuoyancy(), 1e-12);
  EXPECT_NEAR(w.BuoyancyFactor[1], (1.0 - 0.6f * rhoC) / StandardBuoyancy(), 1e-12);
}

TEST_F(InhomogeneousSolventTest, FactorsFollowTheCosoluteProfile) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  const InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  s.SedimentingCosolute = s.CosoluteOn = true;
  s.BuoyancyVbar = 0.7f;
  s.CosoluteGridSize = 40;
  SetSeries(s.DensityCoefficients, s.DensityCoefficientCount, {1.0, 0.0, 10.0});
  SetSeries(s.ViscosityCoefficients, s.ViscosityCoefficientCount, {1.0, 0.0, 0.0, 20.0});
  GlobalLammRun.RunRpm = 40000.0;
  const int n = 25;
  const std::vector<double> r = Grid(n);
  SolventGradientFactors(r.data(), n);
  const std::vector<double> before(&w.ViscosityFactor[1], &w.ViscosityFactor[1] + n);
  // No co-solute profile yet: the factors stay.
  UpdateSolventFactors(r.data(), n);
  EXPECT_EQ(w.ViscosityFactor[n], before[static_cast<std::size_t>(n - 1)]);

  ASSERT_TRUE(InitCosoluteGradient());
  // A linear co-solute gradient, 0.5 M at the meniscus to 2.9 M at the bottom.
  double* c = CosoluteArray(kCosolute);
  const double* rc = CosoluteRadius();
  for (int k = 1; k <= CosolutePointCount(); ++k) c[k] = 0.5 + 2.0 * (rc[k] - 6.0);
  UpdateSolventFactors(r.data(), n);
  for (int i = 1; i <= n; ++i) {
    const double ci = 0.5 + 2.0 * (r[static_cast<std::size_t>(i)] - 6.0);
    EXPECT_NEAR(w.CosoluteAtGrid[i], ci, 1e-12);
    EXPECT_NEAR(w.ViscosityFactor[i], 1.0 / (1.0 + 0.02 * ci * ci), 1e-12);
    EXPECT_NEAR(w.BuoyancyFactor[i], (1.0 - 0.7f * (1.0 + 0.1 * ci)) / StandardBuoyancy(), 1e-12);
  }
}

TEST_F(InhomogeneousSolventTest, SedimentationCoefficientInTheExperimentalSolvent) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.DensityAt1atm = 1.1f;
  s.RelativeViscosity = 1.25f;
  s.BuoyancyVbar = 0.65f;
  EXPECT_DOUBLE_EQ(StandardToSolventS(4.0), 4.0);
  s.CompressibleSolvent = true;
  EXPECT_NEAR(StandardToSolventS(4.0),
              4.0 * (1.0 - 0.73f * double{1.1f}) / StandardBuoyancy() / 1.25, 1e-12);
  s.CompressibleSolvent = false;
  s.SedimentingCosolute = true;
  EXPECT_NEAR(StandardToSolventS(4.0),
              4.0 * (1.0 - 0.65f * double{1.1f}) / StandardBuoyancy() / 1.25, 1e-12);
}

TEST_F(InhomogeneousSolventTest, ConversionsToStandardConditionsAndBack) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  SolventConditionsRecord& sc = SolventConditions;
  ModelParametersRecord& mp = ModelParameters;
  s.SedimentingCosolute = s.CosoluteOn = true;
  s.DensityAt1atm = 1.15f;
  s.RelativeViscosity = 1.3f;
  s.ViscosityAt1atm = 1.3f * 0.001002f;
  s.BuoyancyVbar = 0.7f;
  for (bool mass : {false, true}) {
    FitControl.MassInsteadOfD = mass;
    sc.VBAR = 0.7f;
    sc.BufferDensity = 1.15f;
    sc.VbarRho = 0.7f * 1.15f;
    sc.RELVISCOSITY = 1.3f;
    mp.MassOrD = {0.0f, mass ? 66000.0f : 6.0f, -2.0f, 0.0f, 3.0f};
    mp.SedCoefficient = {0.0f, 2.0f, 5.0f, 0.0f, 1.0f};
    const auto mass0 = mp.MassOrD;
    const auto s0 = mp.SedCoefficient;

    ToStandardConditions();
    EXPECT_TRUE(s.StandardConditionsApplied);
    EXPECT_FLOAT_EQ(sc.BufferDensity, 0.99823f);
    EXPECT_FLOAT_EQ(sc.RELVISCOSITY, 1.0f);
    EXPECT_FLOAT_EQ(sc.VbarRho, 0.7f * 0.99823f);
    // s20,w = s eta_r (1 - vbar rho_w) / (1 - vbar_b rho).
    const double sFactor = 1.3 * (1.0 - 0.7f * double{0.99823f}) / (1.0 - 0.7f * double{1.15f});
    EXPECT_NEAR(mp.SedCoefficient[1], 2.0 * sFactor, 1e-5);
    EXPECT_EQ(mp.MassOrD[2], 0.0f);  // a negative D or M becomes 0
    // D scales with the viscosity; a molar mass stays, for the solvated
    // vbar equals the run's vbar here.
    EXPECT_NEAR(mp.MassOrD[1], mass ? 66000.0 : 6.0 * 1.3, mass ? 0.1 : 1e-5);

    ToExperimentalConditions();
    EXPECT_FALSE(s.StandardConditionsApplied);
    EXPECT_FLOAT_EQ(sc.BufferDensity, 1.15f);
    EXPECT_FLOAT_EQ(sc.RELVISCOSITY, 1.3f);
    EXPECT_FLOAT_EQ(sc.VBAR, 0.7f);
    for (int k = 1; k <= NCOMP; ++k) {
      EXPECT_NEAR(mp.SedCoefficient[k], s0[k], 1e-5 * std::abs(s0[k]) + 1e-7) << k;
      EXPECT_NEAR(mp.MassOrD[k], std::max(mass0[k], 0.0f), 1e-5 * std::abs(mass0[k])) << k;
    }
  }
}

TEST_F(InhomogeneousSolventTest, ContinuousModelsShowTheStandardBufferInTheirSlots) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  ModelSelection.Kind = ModelKind::ContinuousCS;
  s.CompressibleSolvent = true;
  s.DensityAt1atm = 1.1f;
  s.RelativeViscosity = 1.2f;
  ModelParameters.MassOrD[3] = 0.72f;  // a slot of the distribution, not a species
  ToStandardConditions();
  EXPECT_FLOAT_EQ(ParameterVector[NCOMP + 3], 0.99823f);
  EXPECT_FLOAT_EQ(ParameterVector[2 * NCOMP + 4], 0.01002f);
  EXPECT_EQ(ModelParameters.MassOrD[3], 0.72f);
  ToExperimentalConditions();
  EXPECT_FLOAT_EQ(ParameterVector[NCOMP + 3], 1.1f);
  EXPECT_FLOAT_EQ(ParameterVector[2 * NCOMP + 4], 1.2f * 0.01002f);
}

// Brute force: composite Simpson over each element of the integrand with the
// factors interpolated linearly.
double Quadrature(const std::vector<double>& r, const std::vector<double>& f,
                  const std::vector<double>& g, int i, int j, int n, bool sedimentation) {
  auto hat = [&](int k, double x, int a) {
    const double ra = r[static_cast<std::size_t>(a)], rb = r[static_cast<std::size_t>(a) + 1];
    if (k == a) return (rb - x) / (rb - ra);
    if (k == a + 1) return (x - ra) / (rb - ra);
    return 0.0;
  };
  auto slope = [&](int k, int a) {
    const double h = r[static_cast<std::size_t>(a) + 1] - r[static_cast<std::size_t>(a)];
    if (k == a) return -1.0 / h;
    if (k == a + 1) return 1.0 / h;
    return 0.0;
  };
  double sum = 0.0;
  const int m = 200;
  for (int a = 1; a < n; ++a) {
    const double ra = r[static_cast<std::size_t>(a)], h = r[static_cast<std::size_t>(a) + 1] - ra;
    for (int q = 0; q <= m; ++q) {
      const double x = ra + h * q / m;
      const double fx = f[static_cast<std::size_t>(a)] * hat(a, x, a) +
                        f[static_cast<std::size_t>(a) + 1] * hat(a + 1, x, a);
      const double gx = g[static_cast<std::size_t>(a)] * hat(a, x, a) +
                        g[static_cast<std::size_t>(a) + 1] * hat(a + 1, x, a);
      const double v = sedimentation ? x * x * fx * gx * slope(i, a) * hat(j, x, a)
                                     : x * fx * slope(i, a) * slope(j, a);
      const double weight = (q == 0 || q == m) ? 1.0 : (q % 2 ? 4.0 : 2.0);
      sum += weight * v * h / (3.0 * m);
    }
  }
  return sum;
}

TEST_F(InhomogeneousSolventTest, FactorIntegralsAgainstQuadrature) {
  InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  const int n = 8;
  const std::vector<double> r = Grid(n);
  SolventGradientFactors(r.data(), n);
  // Factors of 1 give the plain Galerkin integrals.
  const HatGrid grid{r.data(), n};
  for (int i = 1; i <= n; ++i) {
    for (int j = i - 1; j <= i + 1; ++j) {
      EXPECT_NEAR(FactorDiffusionIntegral(i, j, r.data(), n), GridDiffusionIntegral(grid, i, j, n),
                  1e-12);
      EXPECT_NEAR(FactorSedimentationIntegral(i, j, r.data(), n),
                  GridSedimentationIntegral(grid, i, j, n), 1e-12);
    }
  }
  // Varying factors: exact integrals of the interpolated factors.
  std::vector<double> f(static_cast<std::size_t>(n) + 1), g(f.size());
  for (int i = 1; i <= n; ++i) {
    f[static_cast<std::size_t>(i)] = w.ViscosityFactor[i] = 1.0 / (1.0 + 0.1 * i);
    g[static_cast<std::size_t>(i)] = w.BuoyancyFactor[i] = 1.0 - 0.05 * i * i / n;
  }
  for (int i = 1; i <= n; ++i) {
    for (int j = i - 1; j <= i + 1; ++j) {
      if (j < 1 || j > n) continue;
      EXPECT_NEAR(FactorDiffusionIntegral(i, j, r.data(), n), Quadrature(r, f, g, i, j, n, false),
                  1e-9)
          << i << "," << j;
      EXPECT_NEAR(FactorSedimentationIntegral(i, j, r.data(), n),
                  Quadrature(r, f, g, i, j, n, true), 1e-9)
          << i << "," << j;
    }
  }
  // Bottom terms.
  EXPECT_NEAR(BottomDiffusionTerm(r.data(), n), r[8] * f[8] / (r[8] - r[7]), 1e-12);
  EXPECT_NEAR(BottomSedimentationTerm(r.data(), n), r[8] * r[8] * f[8] * g[8], 1e-12);
  // Index rules: no shared element, outside the grid, beyond the count.
  EXPECT_EQ(FactorDiffusionIntegral(3, 5, r.data(), n), 0.0);
  EXPECT_EQ(FactorSedimentationIntegral(5, 3, r.data(), n), 0.0);
  EXPECT_EQ(FactorDiffusionIntegral(0, 1, r.data(), n), 0.0);
  EXPECT_EQ(FactorSedimentationIntegral(n, n + 1, r.data(), n), 0.0);
  EXPECT_EQ(FactorDiffusionIntegral(n, n, r.data(), n + 5),
            FactorDiffusionIntegral(n, n, r.data(), n));
  EXPECT_EQ(FactorDiffusionIntegral(7, 7, r.data(), 6), 0.0);
}

}  // namespace
