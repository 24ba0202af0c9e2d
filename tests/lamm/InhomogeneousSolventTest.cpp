// The Lamm solver in an inhomogeneous solvent: a solvent that is water
// everywhere is the standard run; the local factors of the three solvent
// kinds at their nodes; the co-solute keeps its amount and settles into its
// own sedimentation equilibrium; a stored factorisation of the co-solute
// never serves matrices it was not made from.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "lamm/CLammIdeal.h"
#include "lamm/CosoluteCoefficients.h"
#include "lamm/LammSetupFixture.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/PhysicalConstants.h"
#include "support/TestSupport.h"

namespace {

constexpr double kWaterDensity = PhysicalConstantsRecord::StandardWaterDensity;
constexpr double kWaterViscosity = PhysicalConstantsRecord::STANDARDVISCOSITY;

void FixedGridNumerics(CLammIdeal& l) {
  l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1, 0.3,
                0.1, 800, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
}

// A compressible solvent of the given density and relative viscosity.
void Compressible(CLammIdeal& l, double compressibility, float density, float viscosity) {
  l.SetDensityGradient(1, 0, 1, 0, compressibility, 0.73f, viscosity, density, 0.73f,
                       0.73f * density, density, 0, viscosity, 0, 1.0, 1.0, 1.0, 1.0);
}

// An ideally sedimenting co-solute of s (S) and D (cm^2/s) at 1.5 M on n
// nodes, without solvent factors that follow it.
void IdealCosolute(CLammIdeal& l, double s, double D, int n) {
  l.SetCosolute(1, 0, 0, s, D, 1, n, 0, 0, 1.5, 0, 0, 0.0, nullptr, 0, nullptr, nullptr, nullptr, 0,
                nullptr, 0);
}

class InhomogeneousSolventTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ComputationAbort = false;
    data.MakeScans(4, 50000, 600, 600);
  }
  void Bind(CLammIdeal& l, double s = 4.5, double D = 6e-7) {
    data.Configure(l, s, D);
    FixedGridNumerics(l);
    l.SetSolvent(20.0, 0.73, kWaterDensity, 1.0);
  }
  LammSetupFixture data;
};

TEST_F(InhomogeneousSolventTest, CsClLawsAndSeries) {
  EXPECT_NEAR(CsClSedimentation(0.0), 0.5327, 1e-12);
  EXPECT_NEAR(CsClDiffusion(0.0), 2.03e-5, 1e-15);
  const double a[] = {0.0, 1.0, 2.0, 3.0};
  EXPECT_DOUBLE_EQ(EvaluateCoefficientSeries(a, 3, 2.0), 1 + 4 + 12);
  EXPECT_EQ(EvaluateCoefficientSeries(nullptr, 3, 2.0), 0.0);
}

TEST_F(InhomogeneousSolventTest, WaterWithoutCompressionIsTheStandardRun) {
  CLammIdeal standard;
  Bind(standard);
  ASSERT_EQ(standard.Solve(), 0);
  const OneBasedMatrix<float> reference = data.Output;
  CLammIdeal l;
  Bind(l);
  Compressible(l, 0.0, static_cast<float>(kWaterDensity), 1.0f);
  ASSERT_EQ(l.Solve(), 0);
  for (int i = 1; i <= l.SolventFactorCount; ++i) {
    ASSERT_DOUBLE_EQ(l.ViscosityFactors[i], 1.0);
    ASSERT_NEAR(l.BuoyancyFactors[i], 1.0, 1e-15);
  }
  EXPECT_LT(data.RmsAgainst(reference), 1e-5);
  // A denser, more viscous compressed solvent slows the boundary down.
  CLammIdeal dense;
  Bind(dense);
  Compressible(dense, 0.0005, 1.1f, 1.3f);
  ASSERT_EQ(dense.Solve(), 0);
  EXPECT_GT(data.RmsAgainst(reference), 1e-2);
  EXPECT_GT(dense.LocalDensity[dense.SolventFactorCount], dense.LocalDensity[1]);
}

TEST_F(InhomogeneousSolventTest, FactorsOfTheLinearProfileAndTheEffectiveS) {
  CLammIdeal l;
  Bind(l);
  l.SetDensityGradient(1, 0, 0, 1, 0.0, 0.73f, 1.0f, 1.0f, 0.73f, 0.73f, 1.0f, 0, 1.0f, 0, 1.0, 1.2,
                       0.0012, 0.0024);
  OneBasedArray<double> grid(1, 5);
  for (int i = 1; i <= 5; ++i) grid[i] = 6.0 + 0.25 * (i - 1);
  l.SetUpSolventFactors(grid.data(), 5);
  const double reference = 1 - 0.73 * kWaterDensity;
  EXPECT_NEAR(l.ViscosityFactors[1], kWaterViscosity / 0.0012, 1e-12);
  EXPECT_NEAR(l.ViscosityFactors[5], kWaterViscosity / 0.0024, 1e-12);
  EXPECT_NEAR(l.BuoyancyFactors[1], (1 - 0.73 * 1.0) / reference, 1e-6);
  EXPECT_NEAR(l.BuoyancyFactors[5], (1 - 0.73 * 1.2) / reference, 1e-6);
  EXPECT_NEAR(l.EffectiveGridS(1.0),
              (kWaterViscosity / 0.0012 + kWaterViscosity / 0.0024) / 2 *
                  ((1 - 0.73 * 1.0) + (1 - 0.73 * 1.2)) / (2 * reference),
              1e-6);
}

// Integral of c r dr of the co-solute on its uniform grid.
double CosoluteAmount(const CLammIdeal& l) {
  const int n = l.CosoluteGridSize;
  const double* r = l.CosoluteRadius;
  const double h = r[2] - r[1];
  double amount = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double w = i == 1 ? (3 * r[1] + h) * h / 6 : i == n ? (3 * r[n] - h) * h / 6 : h * r[i];
    amount += w * l.CosoluteConcentration[i];
  }
  return amount;
}

TEST_F(InhomogeneousSolventTest, CosoluteKeepsItsAmountAndSettlesIntoEquilibrium) {
  // A small co-solute (0.5 S, 2e-5 cm^2/s) beside a sedimenting protein.
  CLammIdeal l;
  Bind(l);
  IdealCosolute(l, 0.5, 2e-5, 60);
  ASSERT_EQ(l.Solve(), 0);
  ASSERT_TRUE(l.CosoluteArraysAllocated);
  const double run = CosoluteAmount(l);
  ASSERT_TRUE(l.SetUpCosolute());
  EXPECT_NEAR(run / CosoluteAmount(l), 1.0, 1e-5);
  EXPECT_GT(l.CosoluteConcentration[1], 0.0);
  // Long after the start, ln c rises as s w^2 r^2 / (2 D).
  for (int k = 0; k < 3000; ++k) {
    l.StepStartTime = l.CurrentTime;
    l.CurrentTime += 100.0;
    l.StepCosolute();
  }
  const int n = l.CosoluteGridSize;
  const double* r = l.CosoluteRadius;
  const double* c = l.CosoluteConcentration;
  const double omega = 50000 * 2 * std::numbers::pi / 60;
  const double slope = 0.5e-13 * omega * omega / (2 * 2e-5);
  const double observed = std::log(c[n] / c[1]) / (r[n] * r[n] - r[1] * r[1]);
  EXPECT_NEAR(observed / slope, 1.0, 0.01);
  EXPECT_NEAR(CosoluteAmount(l) / run, 1.0, 1e-5);
}

TEST_F(InhomogeneousSolventTest, StoredFactorsServeOnlyTheirOwnMatrices) {
  // Two steps of equal length: the second re-uses the factors and gives what
  // a fresh factorisation gives.
  const auto stepped = [&](CLammIdeal& l, int steps) {
    for (int k = 0; k < steps; ++k) {
      l.StepStartTime = l.CurrentTime;
      l.CurrentTime += 5.0;
      l.StepCosolute();
    }
  };
  const auto prepared = [&](CLammIdeal& l, double s) {
    Bind(l);
    IdealCosolute(l, s, 2e-5, 30);
    l.CurrentRpm = 50000;
    ASSERT_TRUE(l.SetUpCosolute());
  };
  CLammIdeal twice;
  prepared(twice, 0.5);
  stepped(twice, 2);
  CLammIdeal fresh;
  prepared(fresh, 0.5);
  stepped(fresh, 1);
  fresh.CosoluteUnfactored = 1;
  stepped(fresh, 1);
  for (int i = 1; i <= 30; ++i)
    EXPECT_NEAR(twice.CosoluteConcentration[i], fresh.CosoluteConcentration[i], 1e-13) << i;
  // A set-up with another co-solute s rebuilds its matrices; a step of the
  // length factorised before must not use the old factors.
  CLammIdeal reused;
  prepared(reused, 0.5);
  stepped(reused, 1);
  reused.CosoluteS = 2.0;
  ASSERT_TRUE(reused.SetUpCosolute());
  stepped(reused, 1);
  CLammIdeal other;
  prepared(other, 2.0);
  stepped(other, 1);
  for (int i = 1; i <= 30; ++i)
    EXPECT_NEAR(reused.CosoluteConcentration[i], other.CosoluteConcentration[i], 1e-12) << i;
}

TEST_F(InhomogeneousSolventTest, BandLoadingLeavesTheBandFreeOfCosolute) {
  CLammIdeal l;
  Bind(l);
  l.SetBandLoading(1, 0.1f, 0);
  IdealCosolute(l, 0.5, 2e-5, 50);
  ASSERT_TRUE(l.SetUpCosolute());
  for (int i = 1; i <= 50; ++i)
    EXPECT_EQ(l.CosoluteConcentration[i], l.CosoluteRadius[i] < 5.8 + 0.1f ? 0.0 : 1.5) << i;
}

}  // namespace

// The same numerics on the moving frame, the grid moving with the species.
void MovingFrameNumerics(CLammIdeal& l) {
  l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1, 0.3,
                1.0, 800, 0, 1, 0, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
}

// A solvent whose density follows a co-solute of 0.5 S, 2e-5 cm^2/s loaded
// at 1.5 M on 200 nodes: 0.99823 + 0.05 c g/ml, the viscosity of water.
void SedimentingCosolute(CLammIdeal& l) {
  static const double density[] = {0.0, kWaterDensity, 0.0, 5.0};
  static const double viscosity[] = {0.0, 1.0};
  const float rho = static_cast<float>(kWaterDensity + 0.075);
  l.SetDensityGradient(1, 0, 0, 0, 0.0, 0.73f, 1.0f, rho, 0.73f, 0.73f * rho, rho, 0, 1.0f, 0, 1.0,
                       1.0, 1.0, 1.0);
  l.SetCosolute(1, 1, 0, 0.5, 2e-5, 1, 200, 0, 0, 1.5, 0, 0, 0.0, nullptr, 0, nullptr, nullptr,
                viscosity, 1, density, 3);
}

// The moving frame in an inhomogeneous solvent: in water it is the standard
// moving-frame run; in each kind of inhomogeneous solvent it agrees with the
// fixed grid in the same solvent, which the solvent visibly changes. (On
// 800 nodes the frame differs from the converged fixed grid by 3.2e-3,
// 5e-4 and 1.8e-3 of the loading; on 1,600 by 3e-4, 3e-4 and 1.2e-3.)
TEST_F(InhomogeneousSolventTest, TheMovingFrameCarriesTheSolventLikeTheFixedGrid) {
  CLammIdeal standard;
  Bind(standard);
  MovingFrameNumerics(standard);
  ASSERT_EQ(standard.Solve(), 0);
  const OneBasedMatrix<float> homogeneous = data.Output;
  {
    CLammIdeal l;
    Bind(l);
    MovingFrameNumerics(l);
    Compressible(l, 0.0, static_cast<float>(kWaterDensity), 1.0f);
    ASSERT_EQ(l.Solve(), 0);
    EXPECT_TRUE(l.MovingFrame);
    EXPECT_LT(data.RmsAgainst(homogeneous), 1e-5);
  }
  struct Case {
    const char* name;
    void (*set)(CLammIdeal&);
    double tolerance;
  } cases[] = {
      {"compressible", [](CLammIdeal& l) { Compressible(l, 0.0005, 1.1f, 1.3f); }, 4e-3},
      {"linear profile",
       [](CLammIdeal& l) {
         l.SetDensityGradient(1, 0, 0, 1, 0.0, 0.73f, 1.0f, 1.0f, 0.73f, 0.73f, 1.0f, 0, 1.0f, 0,
                              1.0, 1.2, 0.0012, 0.0024);
       },
       1e-3},
      {"sedimenting co-solute", SedimentingCosolute, 2.5e-3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CLammIdeal fixed;
    Bind(fixed);
    c.set(fixed);
    ASSERT_EQ(fixed.Solve(), 0);
    EXPECT_FALSE(fixed.MovingFrame);
    const OneBasedMatrix<float> onFixedGrid = data.Output;
    EXPECT_GT(data.RmsAgainst(homogeneous), 1e-2);
    CLammIdeal frame;
    Bind(frame);
    MovingFrameNumerics(frame);
    c.set(frame);
    ASSERT_EQ(frame.Solve(), 0);
    EXPECT_TRUE(frame.MovingFrame);
    EXPECT_LT(data.RmsAgainst(onFixedGrid), c.tolerance);
  }
}

// The co-solute keeps its amount on the moving frame too, and the factors
// of the nodes follow it.
TEST_F(InhomogeneousSolventTest, TheCosoluteKeepsItsAmountOnTheMovingFrame) {
  CLammIdeal l;
  Bind(l);
  MovingFrameNumerics(l);
  SedimentingCosolute(l);
  ASSERT_EQ(l.Solve(), 0);
  ASSERT_TRUE(l.CosoluteArraysAllocated);
  const double run = CosoluteAmount(l);
  const int n = l.SolventFactorCount;
  ASSERT_EQ(n, l.GridSize);
  // The co-solute has sedimented: the solvent is denser at the bottom.
  EXPECT_LT(l.BuoyancyFactors[n], l.BuoyancyFactors[1]);
  ASSERT_TRUE(l.SetUpCosolute());
  EXPECT_NEAR(run / CosoluteAmount(l), 1.0, 1e-5);
}
