// The Lamm solver of a sedimenting co-solute against physics: conservation of
// its amount in the closed cell, radial dilution of its plateau, its
// sedimentation equilibrium exp(sigma (r^2 - m^2) / 2), the non-ideal path
// with constant coefficients equal to the ideal one, the built-in CsCl laws,
// the reuse of a stored factorisation, the loading band of a zone run and the
// refusals and failures it must report. The solver is driven as an engine
// drives it: CosoluteTimeRef set to the time before each step.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engines/CosoluteSolver.h"
#include "engines/EngineTestSupport.h"
#include "engines/HatElementIntegrals.h"
#include "engines/InhomogeneousSolvent.h"
#include "lamm/CLammIdeal.h"
#include "models/ModelsTestSupport.h"

namespace {

using engine_test::OmegaSquared;

class CosoluteSolverTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    Reset();
    ModelParameters.Meniscus = 5.8f;
    ModelParameters.Bottom = 7.2f;
    ScanDataSet.RampRotorSpeed = false;
    GlobalLammRun.RunRpm = GlobalLammRun.FinalRpm = 50000.0;
    InhomogeneousSolventSettings.SedimentingCosolute = true;
    InhomogeneousSolventSettings.CosoluteOn = true;
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
  static void Step(double dt) {
    CosoluteState.CosoluteTimeRef = GlobalLammRun.SimTime;
    GlobalLammRun.SimTime += dt;
    AdvanceCosoluteGradient();
  }
  static void Run(double until, double dt) {
    while (GlobalLammRun.SimTime < until - 1e-9) Step(dt);
  }
  // The amount in the sector, int c r dr over the hats.
  static double Amount() {
    const int n = CosolutePointCount();
    const HatGrid g{CosoluteRadius(), n};
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += CosoluteProfile()[i] * HatWeightIntegral(g, i, n);
    return sum;
  }
  static std::vector<double> Profile() {
    return std::vector<double>(CosoluteProfile() + 1, CosoluteProfile() + 1 + CosolutePointCount());
  }
  static double At(double r) {
    const double* x = CosoluteRadius();
    const double* c = CosoluteProfile();
    for (int i = 1; i < CosolutePointCount(); ++i)
      if (r <= x[i + 1]) return c[i] + (c[i + 1] - c[i]) * (r - x[i]) / (x[i + 1] - x[i]);
    return c[CosolutePointCount()];
  }
};

TEST_F(CosoluteSolverTest, BuiltInCsClAndSeries) {
  // c = 0: s = 0.596 - 0.0633 S, D = 2.03e-5 cm^2/s.
  EXPECT_NEAR(CsClSedCoeff(0.0), 0.5327, 1e-12);
  EXPECT_NEAR(CsClDiffCoeff(0.0), 2.03e-5, 1e-17);
  // 1 M: a = 168.4.
  EXPECT_NEAR(CsClSedCoeff(1.0), 0.596 - 0.000322 * 168.4 - 0.0633 * std::exp(-0.00399 * 168.4),
              1e-12);
  EXPECT_NEAR(CsClDiffCoeff(1.0), (2.04 - 0.01 * std::exp(-18.1) + 0.507 - 0.0341 - 0.614) * 1e-5,
              1e-17);
  const double p[] = {0.0, 1.0, -2.0, 0.5};
  EXPECT_DOUBLE_EQ(PolynomialOfC(p, 3, 2.0), 1.0 - 4.0 + 2.0);
  EXPECT_DOUBLE_EQ(PolynomialOfC(p, 1, 2.0), 1.0);
  EXPECT_EQ(PolynomialOfC(p, 0, 2.0), 0.0);
  EXPECT_EQ(PolynomialOfC(nullptr, 3, 2.0), 0.0);
}

TEST_F(CosoluteSolverTest, IdealOperatorEndRowsMatchTheClosedForms) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteGridSize = 15;
  ASSERT_TRUE(InitCosoluteGradient());
  const double* r = CosoluteRadius();
  const int n = 15;
  const double h = r[2] - r[1], w = OmegaSquared(50000.0) * 1e-13;
  const double sw = w * s.CosoluteS, D = s.CosoluteD;
  const double a11 = -sw * (r[1] * r[1] / 2 + h * r[1] / 3 + h * h / 12) - D * (r[1] + h / 2) / h;
  const double ann = sw * (r[n] * r[n] / 2 - h * r[n] / 3 + h * h / 12) - D * (r[n] - h / 2) / h;
  EXPECT_NEAR(CosoluteArray(kCosoluteOperatorD)[1], a11, 1e-12 * std::abs(a11));
  EXPECT_NEAR(CosoluteArray(kCosoluteOperatorD)[n], ann, 1e-12 * std::abs(ann));
  EXPECT_NEAR(CosoluteArray(kCosoluteMassD)[1], (h / 4 + r[1]) * h / 3, 1e-14);
  EXPECT_NEAR(CosoluteArray(kCosoluteMassD)[n], (r[n] - h / 4) * h / 3, 1e-14);
  EXPECT_NEAR(CosoluteArray(kCosoluteMassD)[7], 2.0 / 3.0 * h * r[7], 1e-14);
  EXPECT_NEAR(CosoluteArray(kCosoluteMassU)[7], h / 6 * (r[7] + h / 2), 1e-14);
}

TEST_F(CosoluteSolverTest, ConservesItsAmountAndDilutesItsPlateau) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteS = 5.0;
  s.CosoluteD = 1e-6;
  s.CosoluteLoading = 1.5;
  s.CosoluteGridSize = 141;
  ASSERT_TRUE(InitCosoluteGradient());
  const double amount = Amount();
  Run(5000.0, 5.0);
  EXPECT_NEAR(Amount() / amount, 1.0, 1e-12);
  // The plateau between boundary and bottom: c0 exp(-2 s omega^2 t).
  const double plateau = 1.5 * std::exp(-2.0 * 5e-13 * OmegaSquared(50000.0) * 5000.0);
  EXPECT_NEAR(At(6.7) / plateau, 1.0, 1e-4);
  EXPECT_LT(At(5.85), 0.05);
}

// The solver object's profiles of the same ideal species, loading 1, at the
// given times on radii every 0.01 cm from 5.8 to 7.2 cm.
int SolveReference(engine_test::Reference& ref, const std::vector<double>& times, double s,
                   double D, double rpm) {
  const int points = 141;
  ref.radii.Resize(1, points);
  for (int i = 1; i <= points; ++i) ref.radii[i] = static_cast<float>(5.8 + 0.01 * (i - 1));
  return ref.SolveOnRadii(times, s, D, rpm, engine_test::Cell{}, 5.9f, 7.15f);
}

TEST_F(CosoluteSolverTest, AgreesWithTheSolverObjectForAnIdealSpecies) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteS = 3.0;
  s.CosoluteD = 2e-6;
  s.CosoluteLoading = 1.0;
  s.CosoluteGridSize = 281;
  const std::vector<double> times{1200.0, 2400.0, 3600.0};
  engine_test::Reference ref;
  ASSERT_EQ(SolveReference(ref, times, s.CosoluteS, s.CosoluteD, 50000.0), 0);
  ASSERT_TRUE(InitCosoluteGradient());
  for (int k = 1; k <= 3; ++k) {
    Run(times[static_cast<std::size_t>(k - 1)], 4.0);
    // Up to 7.0 cm: the steep layer at the bottom (a few hundredths of a cm
    // wide) is resolved differently by the two grids; its peak agrees to a
    // fraction of a per cent.
    double sum = 0.0;
    for (int i = 1; i <= 121; ++i) {
      const double d = At(ref.radii[i]) - ref.output[k][i];
      sum += d * d;
    }
    EXPECT_LT(std::sqrt(sum / 121), 5e-4) << times[static_cast<std::size_t>(k - 1)];
    EXPECT_NEAR(At(7.2) / ref.output[k][141], 1.0, 3e-3);
  }
}

TEST_F(CosoluteSolverTest, FollowsTheAccelerationOfTheRotor) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteS = 5.0;
  s.CosoluteD = 1e-6;
  s.CosoluteGridSize = 141;
  ScanDataSet.RampRotorSpeed = true;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.AccelRate = 200.0;  // rpm/s: full speed after 250 s
  run.AccelDuration = 250.0;
  run.Accelerating = true;
  run.RunRpm = 0.0;
  ASSERT_TRUE(InitCosoluteGradient());
  const double amount = Amount();
  Run(3000.0, 5.0);
  EXPECT_FALSE(run.Accelerating);
  EXPECT_EQ(CosoluteState.BandRpm, 50000.0);
  EXPECT_NEAR(Amount() / amount, 1.0, 1e-12);
  // The plateau is diluted by the integral of omega^2 over the run: a
  // quadratic rise over the ramp (a third of full speed's) and full speed after.
  const double w2t = OmegaSquared(50000.0) * (3000.0 - 250.0 + 250.0 / 3.0);
  EXPECT_NEAR(At(6.7) / (1.5 * std::exp(-2.0 * 5e-13 * w2t)), 1.0, 1e-4);
}

TEST_F(CosoluteSolverTest, ReachesSedimentationEquilibrium) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteLoading = 1.0;
  s.CosoluteGridSize = 60;
  ASSERT_TRUE(InitCosoluteGradient());
  Run(1e6, 200.0);
  const double sigma = s.CosoluteS * 1e-13 * OmegaSquared(50000.0) / s.CosoluteD;
  const double m = 5.8f, b = 7.2f;
  const double span = sigma * (b * b - m * m) / 2.0;
  const double* r = CosoluteRadius();
  for (int i = 1; i <= CosolutePointCount(); i += 7) {
    // Normalised to the loading's amount c0 (b^2 - m^2) / 2.
    const double expected = span / std::expm1(span) * std::exp(sigma * (r[i] * r[i] - m * m) / 2);
    EXPECT_NEAR(CosoluteProfile()[i] / expected, 1.0, 1e-3) << r[i];
  }
}

TEST_F(CosoluteSolverTest, StoredFactorisationGivesTheFreshSolution) {
  InhomogeneousSolventSettings.CosoluteGridSize = 30;
  ASSERT_TRUE(InitCosoluteGradient());
  Step(20.0);
  const std::vector<double> first = Profile();
  const double time = GlobalLammRun.SimTime;
  Step(20.0);  // the same dt: the stored factorisation
  const std::vector<double> reused = Profile();
  // The same step again from the same start, factorised afresh.
  for (int i = 1; i <= 30; ++i)
    CosoluteArray(kCosolute)[i] = first[static_cast<std::size_t>(i - 1)];
  GlobalLammRun.SimTime = time;
  CosoluteState.FactorizationValid = false;
  Step(20.0);
  for (int i = 0; i < 30; ++i)
    EXPECT_NEAR(Profile()[static_cast<std::size_t>(i)], reused[static_cast<std::size_t>(i)], 1e-14);
  // A step of length 0 changes nothing.
  const std::vector<double> before = Profile();
  Step(0.0);
  EXPECT_EQ(Profile(), before);
}

TEST_F(CosoluteSolverTest, NonidealPathWithConstantSeriesIsTheIdealOne) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteS = 1.0;
  s.CosoluteD = 4e-6;
  s.CosoluteGridSize = 40;
  ASSERT_TRUE(InitCosoluteGradient());
  Run(600.0, 10.0);
  const std::vector<double> ideal = Profile();

  ScratchFolder folder;
  s.CosoluteSFile = folder.Write("snonid.dat", "1.0\n");
  s.CosoluteDFile = folder.Write("dnonid.dat", "4e-6\n");
  s.CosoluteNonideal = true;
  GlobalLammRun.SimTime = 0.0;
  ASSERT_TRUE(InitCosoluteGradient());
  EXPECT_EQ(s.CosoluteSCoefficientCount, 1);
  EXPECT_EQ(s.CosoluteDCoefficientCount, 1);
  Run(600.0, 10.0);
  for (int i = 0; i < 40; ++i)
    EXPECT_NEAR(Profile()[static_cast<std::size_t>(i)], ideal[static_cast<std::size_t>(i)], 1e-9);
}

TEST_F(CosoluteSolverTest, CsClGradientConservesItsAmount) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteNonideal = s.CosoluteCsCl = true;
  s.CosoluteGridSize = 50;
  ASSERT_TRUE(InitCosoluteGradient());
  const double amount = Amount();
  Run(20000.0, 100.0);
  EXPECT_NEAR(Amount() / amount, 1.0, 1e-12);
  const int n = CosolutePointCount();
  EXPECT_GT(CosoluteProfile()[n], 1.5);
  EXPECT_LT(CosoluteProfile()[1], 1.5);
  // The local coefficients follow the profile at the bottom.
  EXPECT_NEAR(CosoluteArray(kCosoluteLocalD)[n], CsClDiffCoeff(CosoluteProfile()[n]), 1e-7);
}

TEST_F(CosoluteSolverTest, BandLoadingLeavesTheLamellaEmpty) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  ModelSelection.Kind = ModelKind::ZoneIndependentSpecies;
  ModelParameters.LamellaWidth = 0.2f;
  s.CosoluteGridSize = 29;  // steps of 0.05 cm
  ASSERT_TRUE(InitCosoluteGradient());
  const double* r = CosoluteRadius();
  for (int i = 1; i <= 29; ++i)
    EXPECT_EQ(CosoluteProfile()[i], r[i] < r[1] + 0.2f ? 0.0 : 1.5) << r[i];
  EXPECT_EQ(CosoluteProfile()[4], 0.0);
  EXPECT_EQ(CosoluteProfile()[6], 1.5);
}

TEST_F(CosoluteSolverTest, RefusesATooSmallGridAndKeepsTheProfileOnAZeroPivot) {
  InhomogeneousSolventSettings.CosoluteGridSize = 4;
  EXPECT_FALSE(InitCosoluteGradient());
  EXPECT_EQ(LogLinesWith("at least 5 points").size(), 1u);
  EXPECT_EQ(CosoluteProfile(), nullptr);

  InhomogeneousSolventSettings.CosoluteGridSize = 5;
  ASSERT_TRUE(InitCosoluteGradient());
  // A first row without mass or transport cannot be solved.
  CosoluteArray(kCosoluteMassD)[1] = 0.0;
  CosoluteArray(kCosoluteOperatorD)[1] = 0.0;
  Step(10.0);
  EXPECT_EQ(GlobalLammRun.TridiagError, 1);
  EXPECT_EQ(LogLinesWith("Error 1 in tridag").size(), 1u);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(CosoluteProfile()[i], 1.5);
}

}  // namespace
