// The moving-hat Lamm engine against physics and against the other solvers:
// conservation of mass in a closed sector cell, radial dilution of the
// plateau, the second moment of the boundary, sedimentation equilibrium, and
// agreement with the solver object CLammIdeal and with the global-state
// engine. The engine is driven as the dispatcher drives it: the run record
// filled, the scans loaded, profiles handed over by the step callback.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engines/EngineTestSupport.h"
#include "engines/GlobalLammMatrices.h"
#include "engines/GlobalLammSolver.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/MovingHatEngine.h"

namespace {

using engine_test::Cell;
using engine_test::EquilibriumConcentration;
using engine_test::OmegaSquared;
using engine_test::Reference;
using engine_test::Rms;
using engine_test::ScanSignals;
using engine_test::Times;

class MovingHatEngineTest : public engine_test::EngineRunTest {
 protected:
  void SetUp() override {
    EngineRunTest::SetUp();
    GlobalLammEngine = GlobalLammEngineRecord{};
    MovingHatEngine = MovingHatEngineRecord{};
  }
  void TearDown() override {
    GlobalLammEngine = GlobalLammEngineRecord{};
    MovingHatEngine = MovingHatEngineRecord{};
    InhomogeneousSolventOn = false;
    InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
    InhomogeneousSolventWork = InhomogeneousSolventWorkRecord{};
    EngineRunTest::TearDown();
  }

  // The shared run set-up on an evenly spaced grid, then, for the moving
  // hat, the arrays made again: the engine needs its own block and the
  // geometric grid, whose second node depends on the direction of s_grid.
  static void SetUpRun(const std::vector<double>& times, double s, double D, double rpm, int n,
                       Cell cell = {}, bool movingHat = true) {
    SetUpEngineRun(times, rpm, n, 1.0, cell);
    LammSolverSettings.MovingFrame = movingHat;
    LammSolverSettings.FixedGrid = !movingHat;
    LammSolverSettings.AutoSGridValue = s;
    FreeSimulationArrays();
    ASSERT_EQ(AllocSimulationArrays(), 1);
    for (int i = 1; i <= n; ++i) GlobalLammArrays.LammConcentration[i] = 1.0;
    GlobalLammRun.SpeciesS = s;
    GlobalLammRun.SpeciesD = D;
  }

  // Amount of a uniform loading of 1 in the 2-degree, 1.2 cm sector.
  static double UniformAmount() {
    const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
    return (b * b - m * m) / 2 * 1.2 * kPi / 90;
  }
};

// --- Agreement with the other solvers ---

TEST_F(MovingHatEngineTest, AgreesWithTheSolverObjectAndTheGlobalStateEngine) {
  struct Case {
    double s, D;
    bool shutOff;  // back-diffusion shut off: material leaves at the bottom
  };
  for (const Case& c : {Case{4.5, 6e-7, false}, Case{4.5, 6e-7, true}, Case{10.0, 3e-7, false}}) {
    const std::vector<double> times = Times(600, 600, 6);
    SetUpRun(times, c.s, c.D, 50000, 1000);
    SpeciesSignals.BackDiffusionShutOffApplies = c.shutOff;
    RunMovingHatLamm();
    ASSERT_EQ(GlobalLammRun.TridiagError, 0);
    EXPECT_EQ(GlobalLammRun.SimTime, times.back());
    const std::vector<double> hat = ScanSignals();
    Reference ref;
    ref.Solve(times, c.s, c.D, 50000, Cell{}, c.shutOff ? 1 : 0);
    EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 1e-3) << "s " << c.s << " shut-off " << c.shutOff;

    SetUpRun(times, c.s, c.D, 50000, 1000, Cell{}, false);
    SpeciesSignals.BackDiffusionShutOffApplies = c.shutOff;
    PropagateGlobalLamm();
    EXPECT_LT(Rms(hat, ScanSignals()), 1e-3) << "global-state, s " << c.s;
  }
}

// The grid need not travel with the species: a slower or a faster grid, and
// the factor integrals of a solvent without gradient, give the same scans as
// the grid that moves with the species.
TEST_F(MovingHatEngineTest, GridSpeedAndSolventFactorsDoNotChangeTheResult) {
  struct Case {
    const char* name;
    double gridS;  // s_grid, S; NaN: automatic
    bool solventModel;
  };
  const std::vector<double> times = Times(600, 600, 4);
  SetUpRun(times, 4.5, 6e-7, 50000, 1000);
  RunMovingHatLamm();
  const std::vector<double> moving = ScanSignals();
  for (const Case& c : {Case{"slower grid", 2.0, false}, Case{"faster grid", 8.0, false},
                        Case{"solvent without gradient", std::nan(""), true}}) {
    SetUpRun(times, 4.5, 6e-7, 50000, 1000);
    LammSolverSettings.AutoSGrid = std::isnan(c.gridS);
    if (!LammSolverSettings.AutoSGrid) LammSolverSettings.AutoSGridValue = c.gridS;
    InhomogeneousSolventOn = c.solventModel;
    RunMovingHatLamm();
    InhomogeneousSolventOn = false;
    ASSERT_EQ(GlobalLammRun.TridiagError, 0) << c.name;
    EXPECT_LT(Rms(ScanSignals(), moving), 1e-3) << c.name;
  }
}

// --- Physics of the sector cell ---

// Shift-step mode (|s| >= 1 with "max dc/c" 1), sub-step mode (slow species,
// and a resting grid for s = 0), and flotation.
TEST_F(MovingHatEngineTest, ClosedSectorKeepsItsAmount) {
  struct Case {
    double s, D, t;
    bool shiftSteps;
  };
  for (const Case& c :
       {Case{4.5, 6e-7, 3000, true}, Case{10.0, 3e-7, 3000, true}, Case{-3.0, 6e-7, 3000, true},
        Case{0.5, 1e-6, 1000, false}, Case{0.0, 1e-6, 20, false}}) {
    SetUpRun({c.t / 2, c.t}, c.s, c.D, 50000, 300);
    RunMovingHatLamm();
    ASSERT_EQ(GlobalLammRun.TridiagError, 0) << c.s;
    EXPECT_EQ(MovingHatEngine.ShiftStepMode, c.shiftSteps) << c.s;
    EXPECT_EQ(GlobalLammRun.SimTime, c.t) << c.s;
    EXPECT_NEAR(MovingHatTotalLoading(), UniformAmount(), 1e-5 * UniformAmount())
        << "s " << c.s << " D " << c.D;
  }
}

// The plateau dilutes as c0 exp(-2 s omega^2 t), and the second moment of the
// boundary, r2^2 = (rp^2 cp - 2 int c r dr)/cp, moves as rm^2 exp(2 s omega^2 t).
TEST_F(MovingHatEngineTest, PlateauAndSecondMoment) {
  for (double s : {4.5, 10.0}) {
    const double t = 3000, rpm = 50000, rp = 6.7;
    SetUpRun({t}, s, 6e-7, rpm, 1000);
    RunMovingHatLamm();
    ASSERT_EQ(GlobalLammRun.SimTime, t);
    EXPECT_GT(MovingHatEngine.RegridCount, 10);
    const double dilution = std::exp(-2 * s * 1e-13 * OmegaSquared(rpm) * t);
    EXPECT_NEAR(At(rp), dilution, 2e-4) << s;
    EXPECT_NEAR(SecondMomentS(rp, OmegaSquared(rpm) * t), s, 3e-3 * s);
  }
}

// A long run reaches sedimentation equilibrium, c ~ exp(a (r^2 - rm^2)) with
// a = s omega^2 / (2 D), normalised to the loading.
TEST_F(MovingHatEngineTest, LongRunReachesSedimentationEquilibrium) {
  const double s = 1.0, D = 1e-6, rpm = 20000;
  const Cell cell{6.8, 7.2};
  SetUpRun({3e5}, s, D, rpm, 200, cell);
  RunMovingHatLamm();
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  for (int i = 1; i <= N(); i += 20) {
    const double expected = EquilibriumConcentration(R()[i], s, D, rpm, cell);
    EXPECT_NEAR(C()[i], expected, 3e-3 * expected) << R()[i];
  }
}

// A floating species leaves the bottom: its plateau nearer the meniscus
// concentrates as c0 exp(-2 s omega^2 t) with s < 0, on an inward-moving grid.
TEST_F(MovingHatEngineTest, FloatingPlateauConcentrates) {
  const double s = -3.0, t = 1000, rpm = 50000;
  SetUpRun({t}, s, 6e-7, rpm, 1000);
  RunMovingHatLamm();
  ASSERT_EQ(GlobalLammRun.SimTime, t);
  EXPECT_LT(MovingHatEngine.GridRate, 0.0);
  EXPECT_GT(MovingHatEngine.RegridCount, 10);
  EXPECT_NEAR(At(6.0), std::exp(-2 * s * 1e-13 * OmegaSquared(rpm) * t), 2e-4);
}

// Under the simulated acceleration the boundary and the plateau follow the
// integral of omega^2 over time: int w^2 dt = wf^2 (t - 2T/3) for a speed
// rising linearly over T. The run ends at full speed.
TEST_F(MovingHatEngineTest, AccelerationRampFollowsOmegaSquaredTime) {
  const double s = 4.5, rpm = 50000, t = 3000, ramp = 200;
  SetUpRun({t}, s, 6e-7, rpm, 1000);
  StartAccelerationRamp(t, rpm, ramp);
  RunMovingHatLamm();
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  ASSERT_EQ(run.SimTime, t);
  EXPECT_FALSE(run.Accelerating);
  EXPECT_EQ(run.RunRpm, rpm);
  EXPECT_NEAR(MovingHatTotalLoading(), UniformAmount(), 1e-5 * UniformAmount());
  const double w2t = OmegaSquared(rpm) * (t - 2 * ramp / 3);
  EXPECT_NEAR(At(6.7), std::exp(-2 * s * 1e-13 * w2t), 5e-4);
  EXPECT_NEAR(SecondMomentS(6.7, w2t), s, 5e-3 * s);
}

// --- Run control ---

// The run works on its own copies: the user's fixed-step switch, automatic
// s_grid and "max dc/c" are as they were, even where the run chose a finer
// step for a slow species.
TEST_F(MovingHatEngineTest, RunLeavesTheUserSettingsAlone) {
  SetUpRun({500.0}, 0.5, 1e-6, 50000, 200);
  LammSolverSettings.FixedTimeStep = false;
  LammSolverSettings.AutoSGrid = true;
  LammSolverSettings.AutoSGridValue = 0.0;
  RunMovingHatLamm();
  EXPECT_FALSE(LammSolverSettings.FixedTimeStep);
  EXPECT_TRUE(LammSolverSettings.AutoSGrid);
  EXPECT_EQ(LammSolverSettings.AutoSGridValue, 0.0);
  EXPECT_EQ(LammSolverSettings.MaxChangePerStep, 1.0);
  EXPECT_EQ(GlobalLammRun.MaxRelativeChange, 1.0);
  EXPECT_EQ(MovingHatEngine.StepTolerance, 0.1);
}

// A coupled speed-step profile leaves the species to another engine.
TEST_F(MovingHatEngineTest, SpeedStepProfileComputesNothing) {
  SetUpRun({600.0}, 4.5, 6e-7, 50000, 100);
  ScanDataSet.UsingSpeedSteps = true;
  RunMovingHatLamm();
  EXPECT_EQ(GlobalLammRun.SimTime, 0.0);
  for (int i = 1; i <= N(); ++i) EXPECT_EQ(C()[i], 1.0);
}

// A singular system in a later row is caught before it divides: the error
// box, the solver error word, and the profile of the step's start.
TEST_F(MovingHatEngineTest, ZeroPivotIsReported) {
  SetUpRun({10.0}, 4.5, 6e-7, 50000, 50);
  RunMovingHatLamm();
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  // Interior rows 3..N-2 come from the stored bands alone; empty the bands,
  // with a zero mass on the diagonal of row 3.
  for (int k = 0; k < 12; ++k)
    for (int i = 1; i <= N(); ++i) MovingHatArray(k)[i] = 0.0;
  for (int i = 1; i <= N(); ++i) MovingHatArray(10)[i] = i == 3 ? 0.0 : 1.0;
  MovingHatEngine.ShiftStepMode = false;
  std::vector<double> before(C() + 1, C() + N() + 1);
  MovingHatStep();
  EXPECT_EQ(GlobalLammRun.TridiagError, 1);
  EXPECT_FALSE(LogLinesWith("Error 2 in tridag").empty());
  for (int i = 1; i <= N(); ++i) EXPECT_EQ(C()[i], before[static_cast<std::size_t>(i - 1)]);
}

}  // namespace
