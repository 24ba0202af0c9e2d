// The global-state Lamm solver against physics and against the solver object
// CLammIdeal: conservation of mass in a closed cell, radial dilution of the
// plateau, the second moment of the boundary, sedimentation equilibrium, the
// linear and electrophoresis geometries, and the failures it must report. The
// engine is driven as the dispatcher drives it: the run record filled, the
// scans loaded, profiles handed over by the step callback.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engines/EngineTestSupport.h"
#include "engines/GlobalLammMatrices.h"
#include "engines/GlobalLammSolver.h"
#include "engines/CosoluteSolver.h"
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

class GlobalLammSolverTest : public engine_test::EngineRunTest {
 protected:
  void SetUp() override {
    EngineRunTest::SetUp();
    GlobalLammEngine = GlobalLammEngineRecord{};
    ExternalLoadingCell = ExternalLoadingCellRecord{};
  }
  void TearDown() override {
    GlobalLammEngine = GlobalLammEngineRecord{};
    MovingHatEngine = MovingHatEngineRecord{};
    InhomogeneousSolventOn = false;
    InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
    InhomogeneousSolventWork = InhomogeneousSolventWorkRecord{};
    CosoluteState = CosoluteStateRecord{};
    EngineRunTest::TearDown();
  }

  static void SetUpRun(const std::vector<double>& times, double s, double D, double rpm, int n,
                       Cell cell = {}, double c0 = 1.0) {
    SetUpEngineRun(times, rpm, n, c0, cell);
    GlobalLammRun.SpeciesS = s;
    GlobalLammRun.SpeciesD = D;
  }
};

// --- Agreement with the solver object ---

TEST_F(GlobalLammSolverTest, AgreesWithTheSolverObject) {
  struct Case {
    double s, D;
    bool shutOff;  // back-diffusion shut off: the last node grows with the boundary
  };
  for (const Case& c : {Case{4.5, 6e-7, false}, Case{4.5, 6e-7, true}, Case{10.0, 3e-7, false}}) {
    const std::vector<double> times = Times(600, 600, 6);
    SetUpRun(times, c.s, c.D, 50000, 1000);
    SpeciesSignals.BackDiffusionShutOffApplies = c.shutOff;
    PropagateGlobalLamm();
    EXPECT_EQ(GlobalLammRun.TridiagError, 0);
    EXPECT_EQ(GlobalLammRun.DiscretizationError, 0);
    Reference ref;
    ref.Solve(times, c.s, c.D, 50000, Cell{}, c.shutOff ? 1 : 0);
    // The shut-off lets material leave at the bottom in either solver in its
    // own way; compare up to the fit limit.
    EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 1e-3) << "s " << c.s << " shut-off " << c.shutOff;
  }
}

// In an inhomogeneous solvent (a solvent compressed under the rotor's
// pressure, or a sedimenting co-solute that builds a density and viscosity
// gradient) the species' local s and D follow the solvent. The three solvers
// take the gradient each in its own way and must agree; the solvent must
// matter.
TEST_F(GlobalLammSolverTest, InhomogeneousSolventAgreesWithTheOtherSolvers) {
  struct Case {
    const char* name;
    bool cosolute;
  };
  const std::vector<double> times = Times(600, 600, 6);
  const double s = 4.5, D = 6e-7, rpm = 50000;
  const auto run = [&](bool solvent, bool movingHat) {
    SetUpRun(times, s, D, rpm, 1000);
    // The solvent's compression is that of the first scan's speed.
    for (int k = 1; k <= ScanDataSet.NFILES; ++k) ScanDataSet.ScanHeaders[k].Rpm = rpm;
    LammSolverSettings.MovingFrame = movingHat;
    LammSolverSettings.FixedGrid = !movingHat;
    LammSolverSettings.AutoSGridValue = s;
    FreeSimulationArrays();
    EXPECT_EQ(AllocSimulationArrays(), 1);
    for (int i = 1; i <= N(); ++i) GlobalLammArrays.LammConcentration[i] = 1.0;
    InhomogeneousSolventOn = solvent;
    if (movingHat)
      RunMovingHatLamm();
    else
      PropagateGlobalLamm();
    InhomogeneousSolventOn = false;
    EXPECT_EQ(GlobalLammRun.TridiagError, 0);
    EXPECT_EQ(GlobalLammRun.DiscretizationError, 0);
    EXPECT_EQ(GlobalLammRun.SimTime, times.back());
    return ScanSignals();
  };
  for (const Case& c : {Case{"compressible solvent", false}, Case{"sedimenting co-solute", true}}) {
    InhomogeneousSolventSettingsRecord& is = InhomogeneousSolventSettings;
    is = InhomogeneousSolventSettingsRecord{};
    SolventConditions.VBAR = 0.73f;
    is.BuoyancyVbar = 0.73f;
    if (c.cosolute) {
      is.SedimentingCosolute = is.CosoluteOn = true;
      // rho = rho_w + 0.12 c g/ml, eta = eta_w (1 + 0.1 c); a CsCl-like salt.
      is.DensityCoefficients.Resize(1, 3);
      is.DensityCoefficients[1] = 0.99823;
      is.DensityCoefficients[2] = 0.0;
      is.DensityCoefficients[3] = 12.0;
      is.DensityCoefficientCount = 3;
      is.ViscosityCoefficients.Resize(1, 3);
      is.ViscosityCoefficients[1] = 1.0;
      is.ViscosityCoefficients[2] = 0.0;
      is.ViscosityCoefficients[3] = 10.0;
      is.ViscosityCoefficientCount = 3;
      is.CosoluteLoading = 0.5;
      is.CosoluteS = 0.5;
      is.CosoluteD = 1.5e-5;
      is.CosoluteGridSize = 200;
    } else {
      // Ten times water's compressibility, so that the gradient shows.
      is.CompressibleSolvent = true;
      is.SolventCompressibility = 10 * WaterCompressibility;
      is.DensityAt1atm = 0.99823f;
    }
    const std::vector<double> plain = run(false, false);
    const std::vector<double> global = run(true, false);
    const std::vector<double> hat = run(true, true);
    Reference ref;
    ref.ConfigureSolver = ConfigureSolverSolvent;
    ref.Solve(times, s, D, rpm);
    InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
    EXPECT_GT(Rms(global, plain), 1e-2) << c.name;
    EXPECT_LT(Rms(global, hat), 1e-3) << c.name;
    EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 2e-3) << c.name;
  }
}

// --- Physics of the sector cell ---

TEST_F(GlobalLammSolverTest, ClosedSectorKeepsItsAmount) {
  struct Case {
    double s, D;
  };
  for (const Case& c :
       {Case{4.5, 6e-7}, Case{10.0, 3e-7}, Case{-3.0, 6e-7}, Case{0.0, 1e-6}, Case{1.0, 1e-6}}) {
    SetUpRun({1000.0, 3000.0}, c.s, c.D, 50000, 500);
    const double before = SectorTotalLoading();
    PropagateGlobalLamm();
    ASSERT_EQ(GlobalLammRun.TridiagError, 0) << c.s;
    EXPECT_NEAR(SectorTotalLoading(), before, 2e-5 * before) << "s " << c.s;
  }
}

// The plateau dilutes as c0 exp(-2 s omega^2 t), and the second moment of the
// boundary, r2^2 = (rp^2 cp - 2 int c r dr)/cp, moves as rm^2 exp(2 s omega^2 t).
TEST_F(GlobalLammSolverTest, PlateauAndSecondMoment) {
  for (double s : {4.5, 10.0}) {
    const double t = 3000, rpm = 50000, rp = 6.7;
    SetUpRun({t}, s, 6e-7, rpm, 1000);
    PropagateGlobalLamm();
    ASSERT_EQ(GlobalLammRun.SimTime, t);
    const double dilution = std::exp(-2 * s * 1e-13 * OmegaSquared(rpm) * t);
    EXPECT_NEAR(At(rp), dilution, 2e-4) << s;
    const double sFound = SecondMomentS(rp, OmegaSquared(rpm) * t);
    EXPECT_NEAR(sFound, s, 3e-3 * s);
  }
}

// A long run reaches sedimentation equilibrium, c ~ exp(a (r^2 - rm^2)) with
// a = s omega^2 / (2 D), and ends itself once nothing changes any more (here
// with a strict threshold of the change per second, so that the profile has
// converged when it stops).
TEST_F(GlobalLammSolverTest, LongRunEndsInSedimentationEquilibrium) {
  const double s = 1.0, D = 1e-6, rpm = 20000;
  const Cell cell{6.8, 7.2};
  SetUpRun({1e7}, s, D, rpm, 200, cell);
  GlobalLammRun.EquilibriumThreshold = 1e-10;
  const double before = SectorTotalLoading();
  PropagateGlobalLamm();
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  EXPECT_LT(GlobalLammRun.SimTime, 1e7);  // the steady-state count ended it
  EXPECT_NEAR(SectorTotalLoading(), before, 1e-5 * before);
  for (int i = 1; i <= N(); i += 20) {
    const double r = R()[i];
    const double expected = EquilibriumConcentration(r, s, D, rpm, cell);
    EXPECT_NEAR(C()[i], expected, 2e-3 * expected) << r;
  }
}

// Under the simulated acceleration the boundary and the plateau follow the
// integral of omega^2 over time: int w^2 dt = wf^2 (t - 2T/3) for a speed
// rising linearly over T. The run ends at full speed.
TEST_F(GlobalLammSolverTest, AccelerationRampFollowsOmegaSquaredTime) {
  const double s = 4.5, rpm = 50000, t = 3000, ramp = 200;
  SetUpRun({t}, s, 6e-7, rpm, 1000);
  SpeciesSignals.BackDiffusionShutOffApplies = true;  // plateau tracked beyond the last node
  StartAccelerationRamp(t, rpm, ramp);
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  PropagateGlobalLamm();
  ASSERT_EQ(run.SimTime, t);
  EXPECT_FALSE(run.Accelerating);
  EXPECT_EQ(run.RunRpm, rpm);
  const double w2t = OmegaSquared(rpm) * (t - 2 * ramp / 3);
  EXPECT_NEAR(At(6.7), std::exp(-2 * s * 1e-13 * w2t), 5e-4);
  EXPECT_NEAR(C()[N()], std::exp(-2 * s * 1e-13 * w2t), 5e-4);  // the tracked plateau
  EXPECT_NEAR(SecondMomentS(6.7, w2t), s, 5e-3 * s);
}

// --- Non-sector geometries ---

// The linear Lamm equation c_t = -(s w^2 x c)_x + D c_xx: the plateau decays as
// exp(-s omega^2 t) (no radial dilution, only the stretching of the column)
// and a closed column keeps its amount int c dx.
TEST_F(GlobalLammSolverTest, LinearGeometryPlateauAndAmount) {
  ModelSelection.LammGeometry.LinearLamm = true;
  const double s = 4.5, rpm = 50000, t = 3000;
  SetUpRun({t}, s, 6e-7, rpm, 1000);
  const auto amount = [] {
    const double h = (7.2 - 5.8) / (N() - 1);
    double sum = 0.0;
    for (int i = 1; i <= N(); ++i) sum += LinearWeight(i) * h * C()[i];
    return sum;
  };
  const double before = amount();
  PropagateGlobalLamm();
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  EXPECT_NEAR(amount(), before, 1e-5 * before);
  EXPECT_NEAR(At(6.7), std::exp(-s * 1e-13 * OmegaSquared(rpm) * t), 2e-4);
}

// Electrophoresis: a constant drift v; the front moves at v, spreads as
// erfc((x - xf)/sqrt(4 D t))/2 and the plateau is not diluted.
TEST_F(GlobalLammSolverTest, ElectrophoresisFrontDriftsAndSpreads) {
  ModelSelection.LammGeometry.LinearForceElectrophoresis = true;
  const double v = 1.0, D = 1e-6, t = 3000;  // um/s, cm^2/s, s
  SetUpRun({t}, v, D, 0.0, 1400);
  PropagateGlobalLamm();
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  ASSERT_EQ(GlobalLammRun.SimTime, t);
  const double front = 5.8 + v * 1e-4 * t, width = std::sqrt(4 * D * t);
  EXPECT_NEAR(At(front), 0.5, 5e-3);
  // Material leaves the meniscus: depleted behind the front.
  EXPECT_NEAR(At(front - width), 0.5 * std::erfc(1.0), 5e-3);
  EXPECT_NEAR(At(front + width), 0.5 * std::erfc(-1.0), 5e-3);
  EXPECT_NEAR(At(6.8), 1.0, 1e-4);
}

// --- Run control ---

TEST_F(GlobalLammSolverTest, EmptyCellOnlyAdvancesTheClock) {
  SetUpRun({95.0}, 4.5, 6e-7, 50000, 100, Cell{}, 0.0);
  PropagateGlobalLamm();
  EXPECT_EQ(GlobalLammRun.SimTime, 100.0);
  EXPECT_EQ(GlobalLammRun.TimeStep, 10.0);
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  for (int i = 1; i <= N(); ++i) EXPECT_EQ(C()[i], 0.0);
}

TEST_F(GlobalLammSolverTest, FixedTimeStepTakesEqualSteps) {
  LammSolverSettings.FixedTimeStep = true;
  SetUpRun({1000.0}, 4.5, 6e-7, 50000, 300);
  GlobalLammRun.MaxRelativeChange = 5.0;  // the step in seconds
  PropagateGlobalLamm();
  EXPECT_EQ(GlobalLammRun.SimTime, 1000.0);
  EXPECT_EQ(GlobalLammRun.IterationCount, 200);
}

// The truncated grid holds 0 in the depleted region, keeps its first node
// below the cap and ten nodes before its last, and its last node has grown to
// the end of the grid once the boundary reached the bottom region.
TEST_F(GlobalLammSolverTest, TruncationInvariants) {
  SetUpRun({5000.0}, 10.0, 3e-7, 50000, 600);
  SpeciesSignals.BackDiffusionShutOffApplies = true;
  PropagateGlobalLamm();
  const GlobalLammEngineRecord& e = GlobalLammEngine;
  EXPECT_TRUE(e.TruncationActive);
  EXPECT_GT(e.TruncationStart, 3);
  EXPECT_LE(e.TruncationStart, e.TruncationStartCap);
  EXPECT_EQ(e.TruncationStartCap, 570);
  for (int i = 1; i <= e.TruncationStart - 2; ++i) EXPECT_EQ(C()[i], 0.0) << i;
  EXPECT_LE(e.TruncationEnd, N());
  EXPECT_GT(e.TruncationEnd, e.EndGrowthStep);
}

// Once the boundary has passed the right fit limit (or, floating, the left
// one) nothing more can be learnt: the run ends before the last scan.
TEST_F(GlobalLammSolverTest, RunEndsWhenTheBoundaryHasPassedTheFitLimit) {
  for (double s : {20.0, -20.0}) {
    SetUpRun({1e5}, s, 6e-7, 50000, 400);
    PropagateGlobalLamm();
    EXPECT_EQ(GlobalLammRun.KeepRunning, 0) << s;
    EXPECT_LT(GlobalLammRun.SimTime, 1e5) << s;
    const int probe = GlobalLammEngine.DepletionProbeNode;
    if (s > 0) {
      EXPECT_GT(R()[probe], ScanDataSet.FitRightLim);
      EXPECT_LE(R()[probe - 1], ScanDataSet.FitRightLim);
    } else {
      EXPECT_LE(R()[probe], ScanDataSet.FitLeftLim);
      EXPECT_GT(R()[probe + 1], ScanDataSet.FitLeftLim);
    }
    EXPECT_LT(C()[probe], 1e-4);
  }
}

// The depletion probe of a resting species is the node of the previous run;
// after the grid has shrunk it must still lie on the grid.
TEST_F(GlobalLammSolverTest, DepletionProbeStaysOnASmallerGrid) {
  SetUpRun({600.0}, 4.5, 6e-7, 50000, 800);
  PropagateGlobalLamm();
  ASSERT_GT(GlobalLammEngine.DepletionProbeNode, 100);
  FreeSimulationArrays();
  SetUpRun({600.0}, 0.0, 6e-7, 50000, 100);
  PropagateGlobalLamm();
  EXPECT_GE(GlobalLammEngine.DepletionProbeNode, 1);
  EXPECT_LE(GlobalLammEngine.DepletionProbeNode, 100);
  EXPECT_EQ(GlobalLammRun.SimTime, 600.0);
  for (int i = 1; i <= N(); ++i) EXPECT_NEAR(C()[i], 1.0, 1e-9) << i;
}

// A scan before the start of the run is handed over at the first step; the
// clock never runs backwards for it.
TEST_F(GlobalLammSolverTest, ScanBeforeTheStartDoesNotReverseTheClock) {
  SetUpRun({-50.0, 300.0}, 4.5, 6e-7, 50000, 200);
  PropagateGlobalLamm();
  EXPECT_EQ(GlobalLammRun.DiscretizationError, 0);
  EXPECT_EQ(GlobalLammRun.SimTime, 300.0);
  EXPECT_NEAR(ScanDataSet.ScanModel[1][50], 1.0, 1e-3);  // the first step's profile
}

// A value that is not a number is a blown-up step, not a result.
TEST_F(GlobalLammSolverTest, NotANumberFailsTheRun) {
  SetUpRun({600.0}, 4.5, 6e-7, 50000, 100);
  GlobalLammArrays.LammConcentration[40] = std::nan("");
  PropagateGlobalLamm();
  EXPECT_EQ(GlobalLammRun.DiscretizationError, 1);
  EXPECT_LT(GlobalLammRun.SimTime, 600.0);
}

// A singular left system is reported, not divided through: the error box,
// the solver error word, and the profile of the step's start.
TEST_F(GlobalLammSolverTest, ZeroPivotIsReported) {
  struct Case {
    int zeroRow;
    std::string message;
  };
  for (const Case& c : {Case{1, "Error 1 in tridag"}, Case{3, "Error 2 in tridag"}}) {
    SetUpRun({100.0}, 4.5, 6e-7, 50000, 50);
    const GlobalLammWorkArrays w = GlobalLammWork();
    for (int i = 1; i <= N(); ++i) {
      w.Mass.l[i] = w.Mass.u[i] = 0.0;
      w.Mass.d[i] = i == c.zeroRow ? 0.0 : 1.0;
      w.Transport.l[i] = w.Transport.d[i] = w.Transport.u[i] = 0.0;
    }
    GlobalLammEngineRecord& e = GlobalLammEngine;
    e.TruncationStart = 1;
    e.TruncationEnd = e.BuiltSize = e.LargestBuiltSize = N();
    e.BandsChanged = true;
    GlobalLammRun.TridiagError = 0;
    GlobalLammStep();
    EXPECT_EQ(GlobalLammRun.TridiagError, 1) << c.message;
    EXPECT_FALSE(LogLinesWith(c.message).empty()) << c.message;
    for (int i = 1; i <= N(); ++i) EXPECT_EQ(C()[i], 1.0) << c.message << " node " << i;
  }
}

}  // namespace
