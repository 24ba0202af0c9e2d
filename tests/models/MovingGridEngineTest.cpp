// The moving-grid engine of concentration-dependent species against physics
// and against the solver object: conservation of mass in a closed sector
// cell, the radial dilution of the plateau, agreement with CLammIdeal where
// the laws reduce to one ideal species, the self-sharpening of a boundary
// whose s falls with concentration, the step schedule, and the refusal of a
// grid that would have to move inward. The engine is driven as the
// dispatcher drives it: scans loaded, run record filled, profiles handed to
// the scans by the step callback.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engines/EngineTestSupport.h"
#include "models/MovingGridEngine.h"
#include "state/SpeciesEngineParameters.h"

namespace {

using engine_test::OmegaSquared;
using engine_test::Reference;
using engine_test::Times;

constexpr double kRpm = 50000.0;
constexpr float kNoLinearTerm = -30.0f;  // log10 of a negligible ks, kd or Ka

struct Species {
  ModelKind kind = ModelKind::NonidealSingleSpecies;
  double s1 = 10.0, D1 = 5e-7;
  double s2 = 0.0, D2 = 0.0;
  float logKa = kNoLinearTerm, logKs = kNoLinearTerm, logKd = kNoLinearTerm;
};

class MovingGridEngineTest : public engine_test::EngineRunTest {
 protected:
  void SetUp() override {
    EngineRunTest::SetUp();
    MovingGridEngine = MovingGridEngineRecord{};
    SpeciesEngineParameters = SpeciesEngineParametersRecord{};
  }
  void TearDown() override {
    MovingGridEngine = MovingGridEngineRecord{};
    MovingGridCoefficientSource = MovingGridCoefficientSourceRecord{};
    SpeciesEngineParameters = SpeciesEngineParametersRecord{};
    EngineRunTest::TearDown();
  }

  // The run as the dispatcher leaves it, on the arrays of the moving-hat
  // algorithm, with a uniform loading of 1.
  static void SetUpRun(const Species& sp, const std::vector<double>& times, int n = 300) {
    ModelSelection.Kind = sp.kind;
    SetUpEngineRun(times, kRpm, n, 1.0, {});
    LammSolverSettings.MovingFrame = true;
    LammSolverSettings.FixedGrid = false;
    FreeSimulationArrays();
    ASSERT_EQ(AllocSimulationArrays(), 1);
    for (int i = 1; i <= n; ++i) GlobalLammArrays.LammConcentration[i] = 1.0;
    GlobalLammRun.SpeciesS = sp.s1;
    GlobalLammRun.SpeciesD = sp.D1;
    SpeciesEngineParametersRecord& p = SpeciesEngineParameters;
    p.s1 = static_cast<float>(sp.s1);
    p.D1 = static_cast<float>(sp.D1);
    p.s2 = static_cast<float>(sp.s2);
    p.D2 = static_cast<float>(sp.D2);
    p.LogKa = sp.logKa;
    p.LogKs = sp.logKs;
    p.LogKd = sp.logKd;
  }

  // The run of sp over times agrees with the solver object's run of one
  // ideal species of s and D up to the fit limit.
  static void ExpectTheIdealSpecies(const Species& sp, const std::vector<double>& times, double s,
                                    double D) {
    SetUpRun(sp, times);
    RunMovingGridNonidealLamm();
    ASSERT_EQ(GlobalLammRun.TridiagError, 0);
    Reference ref;
    ref.Solve(times, s, D, kRpm);
    EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 1e-3);
  }

  // Amount of the uniform loading in the 2-degree, 1.2 cm sector.
  static double LoadedAmount() {
    const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
    return (b * b - m * m) / 2 * 1.2 * kPi / 90;
  }

  // Spread of the boundary: the variance of r weighted by the rise of the
  // profile between the meniscus and rp (second moment about the boundary's
  // centre of gradient).
  static double BoundaryVariance(double rp) {
    double sum = 0.0, first = 0.0, second = 0.0;
    for (int i = 1; i < N() && R()[i + 1] <= rp; ++i) {
      const double dc = C()[i + 1] - C()[i], r = 0.5 * (R()[i] + R()[i + 1]);
      sum += dc;
      first += r * dc;
      second += r * r * dc;
    }
    const double mean = first / sum;
    return second / sum - mean * mean;
  }
};

const std::vector<double> kScanTimes = Times(1000.0, 1000.0, 3);

TEST_F(MovingGridEngineTest, WithoutConcentrationDependenceItMatchesTheIdealSolver) {
  const Species cases[] = {{ModelKind::NonidealSingleSpecies, 10.0, 5e-7},
                           {ModelKind::NonidealSingleSpecies, 4.0, 2e-7},
                           {ModelKind::NonidealSingleSpecies, 25.0, 1e-6}};
  for (const Species& sp : cases) {
    SCOPED_TRACE(sp.s1);
    ExpectTheIdealSpecies(sp, kScanTimes, sp.s1, sp.D1);
  }
}

// Ka far below and far above the reciprocal loading: the system is all
// monomer or all oligomer, one ideal species.
TEST_F(MovingGridEngineTest, AssociationLimitsMatchOneIdealSpecies) {
  struct Case {
    Species sp;
    double s, D;
  };
  const Case cases[] = {
      {{ModelKind::MonomerDimer, 6.0, 6e-7, 9.0, 4.5e-7, kNoLinearTerm}, 6.0, 6e-7},
      {{ModelKind::MonomerDimer, 6.0, 6e-7, 9.0, 4.5e-7, 8.0f}, 9.0, 4.5e-7},
      {{ModelKind::MonomerTrimer, 6.0, 6e-7, 12.0, 4e-7, kNoLinearTerm}, 6.0, 6e-7},
      {{ModelKind::MonomerTrimer, 6.0, 6e-7, 12.0, 4e-7, 12.0f}, 12.0, 4e-7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sp.s2 << " lgK " << c.sp.logKa);
    ExpectTheIdealSpecies(c.sp, kScanTimes, c.s, c.D);
  }
}

TEST_F(MovingGridEngineTest, ClosedCellKeepsItsAmount) {
  const Species cases[] = {
      {ModelKind::NonidealSingleSpecies, 10.0, 5e-7},
      {ModelKind::NonidealSingleSpecies, 10.0, 5e-7, 0, 0, kNoLinearTerm, -0.3f, -1.0f},
      {ModelKind::MonomerDimer, 6.0, 6e-7, 9.0, 4.5e-7, 0.0f},
      {ModelKind::MonomerTrimer, 6.0, 6e-7, 12.0, 4e-7, 0.5f},
      // Long enough for the material to pile up at the bottom.
      {ModelKind::NonidealSingleSpecies, 40.0, 3e-7},
  };
  for (const Species& sp : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(sp.kind) << " s " << sp.s1);
    SetUpRun(sp, kScanTimes);
    GlobalLammRun.ShowLoading = true;
    RunMovingGridNonidealLamm();
    ASSERT_EQ(GlobalLammRun.TridiagError, 0);
    EXPECT_GT(MovingGridEngine.RegridCount, 10);
    EXPECT_NEAR(MovingGridTotalAmount() / LoadedAmount(), 1.0, 1e-8);
    EXPECT_DOUBLE_EQ(GlobalLammRun.LoadingDisplay, MovingGridTotalAmount());
  }
}

// Radial dilution: the plateau falls as c0 exp(-2 s omega^2 t).
TEST_F(MovingGridEngineTest, PlateauFollowsRadialDilution) {
  const Species cases[] = {{ModelKind::NonidealSingleSpecies, 10.0, 5e-7},
                           {ModelKind::NonidealSingleSpecies, 15.0, 3e-7}};
  for (const Species& sp : cases) {
    SCOPED_TRACE(sp.s1);
    SetUpRun(sp, kScanTimes);
    RunMovingGridNonidealLamm();
    const double t = kScanTimes.back();
    EXPECT_DOUBLE_EQ(GlobalLammRun.SimTime, t);
    const double expected = std::exp(-2 * sp.s1 * 1e-13 * OmegaSquared(kRpm) * t);
    EXPECT_NEAR(At(6.95), expected, 1e-4 * expected);
  }
}

// s falling with concentration makes the boundary self-sharpening: its
// trailing part moves faster than its plateau side.
TEST_F(MovingGridEngineTest, ConcentrationDependentSSharpensTheBoundary) {
  const double rp = 6.85;
  Species ideal{ModelKind::NonidealSingleSpecies, 10.0, 5e-7};
  SetUpRun(ideal, kScanTimes);
  RunMovingGridNonidealLamm();
  const double idealSpread = BoundaryVariance(rp);
  Species sharp = ideal;
  sharp.logKs = 0.0f;  // ks = 1 per unit signal: s halves in the plateau
  SetUpRun(sharp, kScanTimes);
  RunMovingGridNonidealLamm();
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  EXPECT_NEAR(SpeciesEngineParameters.Ks, 1.0f, 1e-6f);
  EXPECT_LT(BoundaryVariance(rp), 0.7 * idealSpread);
}

// The grid's design s sets the period of the shifts and the fixed step:
// "max dc/c" of a grid period, cut to 0.1 for slow grids; a grid that does
// not move never shifts and steps "max dc/c" seconds. Every run ends exactly
// on the last scan time.
TEST_F(MovingGridEngineTest, DesignSSetsPeriodAndStep) {
  struct Case {
    bool automatic;
    double designS;
    double maxChange;
    double stepOverPeriod;  // 0: the grid does not move
  };
  const Case cases[] = {{true, 10.0, 1.0, 1.0},
                        {true, 10.0, 0.25, 0.25},
                        {false, 0.5, 1.0, 0.1},
                        {false, 0.0, 1.0, 0.0}};
  const std::vector<double> times = {15.0, 30.0};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.designS);
    SetUpRun(Species{}, times, 100);
    LammSolverSettings.AutoSGrid = c.automatic;
    LammSolverSettings.AutoSGridValue = c.designS;
    GlobalLammRun.MaxRelativeChange = c.maxChange;
    RunMovingGridNonidealLamm();
    const MovingGridEngineRecord& h = MovingGridEngine;
    EXPECT_DOUBLE_EQ(h.GridS, c.designS);
    EXPECT_DOUBLE_EQ(GlobalLammRun.SimTime, times.back());
    if (c.stepOverPeriod == 0.0) {
      EXPECT_EQ(h.GridPeriod, 1e10);
      EXPECT_DOUBLE_EQ(h.FixedStep, 0.1);
      EXPECT_EQ(h.RegridCount, 0);
      continue;
    }
    const double k = OmegaSquared(kRpm) * 1e-13 * c.designS;
    const double ratio = static_cast<double>(ModelParameters.Bottom) / ModelParameters.Meniscus;
    EXPECT_NEAR(h.GridPeriod, std::log(ratio) / (k * 99), 1e-9 * h.GridPeriod);
    EXPECT_NEAR(h.FixedStep, c.stepOverPeriod * h.GridPeriod, 1e-9 * h.GridPeriod);
    EXPECT_TRUE(LammSolverSettings.FixedTimeStep);
  }
}

// A grid that would move inward (a floating design s) is refused before the
// first step: time never runs backwards and the loading stays as it was.
TEST_F(MovingGridEngineTest, FloatingDesignSIsRefused) {
  struct Case {
    bool automatic;
    double gridValue;
    float logKs;
    bool repulsive;
  };
  // Attractive non-ideality strong enough to turn the automatic design s
  // negative, and a negative s_grid entered by hand.
  const Case cases[] = {{true, 0.0, 0.3f, false}, {false, -2.0, kNoLinearTerm, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gridValue);
    SetUpRun(Species{}, kScanTimes, 100);
    LammSolverSettings.AutoSGrid = c.automatic;
    LammSolverSettings.AutoSGridValue = c.gridValue;
    SpeciesEngineParameters.LogKs = c.logKs;
    SpeciesEngineParameters.Repulsive = c.repulsive;
    const std::size_t shown = LogLinesWith("floating boundary").size();
    RunMovingGridNonidealLamm();
    EXPECT_EQ(GlobalLammRun.NonidealityError, 1);
    EXPECT_EQ(GlobalLammRun.SimTime, 0.0);
    EXPECT_EQ(GlobalLammRun.IterationCount, 0);
    for (int i = 1; i <= N(); ++i) ASSERT_EQ(C()[i], 1.0);
    EXPECT_EQ(LogLinesWith("floating boundary").size(), shown + 1);
    GlobalLammRun.NonidealityError = 0;
  }
}

TEST_F(MovingGridEngineTest, TabulatedLawWithoutSourceIsRefused) {
  Species sp;
  sp.kind = ModelKind::HinderedSingleSpecies;
  SetUpRun(sp, kScanTimes, 100);
  RunMovingGridNonidealLamm();
  EXPECT_EQ(GlobalLammRun.NonidealityError, 1);
  EXPECT_EQ(GlobalLammRun.IterationCount, 0);
}

TEST_F(MovingGridEngineTest, InstalledLawDrivesTheRun) {
  Species sp;
  sp.kind = ModelKind::HinderedSingleSpecies;
  SetUpRun(sp, kScanTimes);
  // A constant law: the engine must then agree with the ideal solver.
  MovingGridCoefficientSource.LocalSD = [&sp](const double*, double* s, double* D, int n) {
    for (int i = 1; i <= n; ++i) {
      s[i] = sp.s1;
      D[i] = sp.D1;
    }
  };
  MovingGridCoefficientSource.DesignS = [&sp](double) { return sp.s1; };
  RunMovingGridNonidealLamm();
  ASSERT_EQ(GlobalLammRun.NonidealityError, 0);
  Reference ref;
  ref.Solve(kScanTimes, sp.s1, sp.D1, kRpm);
  EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 1e-3);
}

// A law that returns no number ends the run before its profile spreads:
// the last good profile stays, the failure is a discretisation error.
TEST_F(MovingGridEngineTest, StepWithoutNumbersEndsTheRun) {
  Species sp;
  sp.kind = ModelKind::HinderedSingleSpecies;
  SetUpRun(sp, kScanTimes, 100);
  int calls = 0;
  MovingGridCoefficientSource.LocalSD = [&sp, &calls](const double*, double* s, double* D, int n) {
    ++calls;
    for (int i = 1; i <= n; ++i) {
      s[i] = calls > 20 && i == n / 2 ? std::nan("") : sp.s1;
      D[i] = sp.D1;
    }
  };
  MovingGridCoefficientSource.DesignS = [&sp](double) { return sp.s1; };
  RunMovingGridNonidealLamm();
  EXPECT_EQ(GlobalLammRun.DiscretizationError, 1);
  EXPECT_LT(GlobalLammRun.SimTime, kScanTimes.front());
  for (int i = 1; i <= N(); ++i) ASSERT_TRUE(std::isfinite(C()[i])) << i;
  EXPECT_NEAR(MovingGridTotalAmount() / LoadedAmount(), 1.0, 1e-8);
}

// The rotor starts at rest and reaches full speed after the ramp: steps end
// on the end of the acceleration, the speed is then the final one, and the
// boundary has moved by int omega^2 dt = wf^2 (t - 2T/3) for a linear ramp.
TEST_F(MovingGridEngineTest, AccelerationRampFollowsOmegaSquaredTime) {
  const double t = 3000, ramp = 200;
  Species sp{ModelKind::NonidealSingleSpecies, 10.0, 5e-7};
  SetUpRun(sp, {t});
  StartAccelerationRamp(t, kRpm, ramp);
  RunMovingGridNonidealLamm();
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  ASSERT_EQ(run.SimTime, t);
  EXPECT_FALSE(run.Accelerating);
  EXPECT_EQ(run.RunRpm, kRpm);
  EXPECT_NEAR(MovingGridTotalAmount() / LoadedAmount(), 1.0, 1e-8);
  const double w2t = OmegaSquared(kRpm) * (t - 2 * ramp / 3);
  EXPECT_NEAR(At(6.95), std::exp(-2 * sp.s1 * 1e-13 * w2t), 5e-4);
  EXPECT_NEAR(SecondMomentS(6.9, w2t), sp.s1, 5e-3 * sp.s1);
}

TEST(MonomerTrimerFreeMonomerTest, SolvesTheMassAction) {
  const double cases[][2] = {{1.0, 1e-8}, {1.0, 1.0}, {0.5, 1e6}, {3e-4, 1e4}, {10.0, 1e-3}};
  for (const auto& c : cases) {
    const double x = MonomerTrimerFreeMonomer(c[0], c[1]);
    EXPECT_NEAR(c[1] * x * x * x + x, c[0], 1e-12 * c[0]) << c[0] << " " << c[1];
    EXPECT_GT(x, 0.0);
  }
  EXPECT_EQ(MonomerTrimerFreeMonomer(-1.0, 1.0), 0.0);
  EXPECT_EQ(MonomerTrimerFreeMonomer(2.0, 0.0), 2.0);
}

}  // namespace
