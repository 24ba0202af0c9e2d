// The concentration-dependent Lamm engine against physics and against the
// solver object CLammIdeal: an ideal species (ks = kd = 0) must reproduce
// CLammIdeal, the radial dilution of the plateau and the second moment; any
// model must keep the amount in a closed sector cell; a repulsive ks sharpens
// the boundary. Driven as the dispatcher drives it: the run record filled,
// the scans loaded, the profiles handed over by the step callback.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "state/SolventConditions.h"
#include "engines/ConcentrationDependentEngine.h"
#include "engines/EngineTestSupport.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/LocalSedimentation.h"
#include "lamm/CLammIdeal.h"
#include "lamm/VolumeFractionFactors.h"

namespace {

using engine_test::Cell;
using engine_test::EquilibriumConcentration;
using engine_test::OmegaSquared;
using engine_test::Reference;
using engine_test::Times;

class ConcentrationDependentEngineTest : public engine_test::EngineRunTest {
 protected:
  void SetUp() override {
    EngineRunTest::SetUp();
    AssociationParameters = AssociationParametersRecord{};
    ConcentrationDependentEngine = ConcentrationDependentEngineRecord{};
  }
  void TearDown() override {
    FreeAssociationTable();
    AssociationParameters = AssociationParametersRecord{};
    EngineRunTest::TearDown();
  }

  static void SetUpRun(ModelKind kind, const std::vector<double>& times, double rpm, int n,
                       double c0, Cell cell = {}) {
    ModelSelection.Kind = kind;
    SetUpEngineRun(times, rpm, n, c0, cell);
  }

  static void Ideal(double s, double D) {
    AssociationParameters.s1 = s;
    AssociationParameters.D1 = D;
    AssociationParameters.EnteredKs = AssociationParameters.EnteredKd = -10.0;
  }

  // The oligomers of the 1-2-4 and 1-4-8 models: s and D of the three
  // species and the two association constants.
  static void SetOligomers() {
    AssociationParametersRecord& p = AssociationParameters;
    p.OligomerS[1] = 4.0;
    p.OligomerS[2] = 6.5;
    p.OligomerS[3] = 10.0;
    p.OligomerD[1] = 6e-7;
    p.OligomerD[2] = 4.8e-7;
    p.OligomerD[3] = 3.8e-7;
    p.LogKa = -0.3;
    p.LogKb = -1.0;
  }

  // Radial distance between 20 % and 80 % of the plateau at rp.
  static double BoundaryWidth(double rp) {
    const double cp = At(rp);
    double r20 = 0.0, r80 = 0.0;
    for (int i = 1; i < N(); ++i) {
      if (r20 == 0.0 && C()[i] >= 0.2 * cp) r20 = R()[i];
      if (r80 == 0.0 && C()[i] >= 0.8 * cp) r80 = R()[i];
    }
    return r80 - r20;
  }
};

TEST_F(ConcentrationDependentEngineTest, IdealSpeciesAgreesWithTheSolverObject) {
  const std::vector<double> times = Times(600, 600, 6);
  const double s = 4.5, D = 6e-7, rpm = 50000;
  Ideal(s, D);
  SetUpRun(ModelKind::NonidealSingleSpecies, times, rpm, 1000, 1.0);
  RunNonidealSingleSpeciesLamm();
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  ASSERT_EQ(GlobalLammRun.DiscretizationError, 0);
  ASSERT_EQ(GlobalLammRun.NonidealityError, 0);
  EXPECT_EQ(GlobalLammRun.SimTime, times.back());  // ends exactly on the last scan
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  Reference ref;
  ref.Solve(times, s, D, rpm);
  // The steep back-diffusion layer at the bottom is resolved more coarsely by
  // the solver object's automatic grid (this engine's value there converges
  // with the grid); compare up to the fit limit.
  EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 1e-3);
}

// The plateau dilutes as c0 exp(-2 s omega^2 t); the second moment gives s.
// With a repulsive ks at a low loading (ks c0 = 1e-3) the second moment
// still recovers s0.
TEST_F(ConcentrationDependentEngineTest, PlateauAndSecondMoment) {
  struct Case {
    double s, logKs, c0;
  };
  const double t = 3000, rpm = 50000, rp = 6.7;
  for (const Case& c : {Case{4.5, -10, 1.0}, Case{10.0, -10, 1.0}, Case{4.5, -2, 0.1}}) {
    Ideal(c.s, 6e-7);
    AssociationParameters.EnteredKs = c.logKs;
    SetUpRun(ModelKind::NonidealSingleSpecies, {t}, rpm, 1000, c.c0);
    RunNonidealSingleSpeciesLamm();
    ASSERT_EQ(GlobalLammRun.SimTime, t);
    const double dilution = c.c0 * std::exp(-2 * c.s * 1e-13 * OmegaSquared(rpm) * t);
    EXPECT_NEAR(At(rp), dilution, 2e-4 * c.c0) << c.s;
    EXPECT_NEAR(SecondMomentS(rp, OmegaSquared(rpm) * t), c.s, 3e-3 * c.s)
        << c.s << " log ks " << c.logKs;
    FreeSimulationArrays();
  }
}

// Galerkin elements with the sector weight conserve the amount exactly,
// whatever s(c) and D(c): a closed cell keeps its loading for every model.
TEST_F(ConcentrationDependentEngineTest, ClosedSectorKeepsItsAmount) {
  struct Case {
    ModelKind kind;
    double c0;
  };
  for (const Case& c :
       {Case{ModelKind::NonidealSingleSpecies, 5.0}, Case{ModelKind::MonomerDimer, 2.0},
        Case{ModelKind::MonomerTrimer, 2.0}, Case{ModelKind::SelfAssociation124, 2.0},
        Case{ModelKind::SelfAssociation148, 2.0}, Case{ModelKind::HinderedSingleSpecies, 20.0}}) {
    AssociationParametersRecord& p = AssociationParameters;
    p = AssociationParametersRecord{};
    p.s1 = 4.0;
    p.D1 = 6e-7;
    p.s2 = 7.0;
    p.D2 = 4.5e-7;
    p.EnteredKs = std::log10(0.05);
    p.EnteredKd = std::log10(0.02);
    p.LogK = 0.5;
    SetOligomers();
    SetUpRun(c.kind, {1000.0, 4000.0}, 50000, 400, c.c0);
    const double before = UniformGridTotalLoading();
    RunNonidealSingleSpeciesLamm();
    ASSERT_EQ(GlobalLammRun.TridiagError, 0) << static_cast<int>(c.kind);
    ASSERT_EQ(GlobalLammRun.NonidealityError, 0) << static_cast<int>(c.kind);
    ASSERT_EQ(GlobalLammRun.SimTime, 4000.0);
    EXPECT_NEAR(UniformGridTotalLoading(), before, 1e-9 * before) << static_cast<int>(c.kind);
    EXPECT_FALSE(AssociationTable.Built);  // the table lives only for the run
    FreeSimulationArrays();
  }
}

// A repulsive ks slows the plateau more than the boundary's lower edge
// (self-sharpening of the boundary): the boundary is narrower
// than the ideal species' with the same s0 and D.
TEST_F(ConcentrationDependentEngineTest, RepulsiveNonidealitySharpensTheBoundary) {
  const double t = 3000, rpm = 50000, rp = 6.9;
  double widths[2] = {0.0, 0.0};
  for (int k = 0; k < 2; ++k) {
    Ideal(4.5, 6e-7);
    if (k == 1) AssociationParameters.EnteredKs = std::log10(0.05);
    SetUpRun(ModelKind::NonidealSingleSpecies, {t}, rpm, 1000, 10.0);
    RunNonidealSingleSpeciesLamm();
    ASSERT_EQ(GlobalLammRun.SimTime, t);
    widths[k] = BoundaryWidth(rp);
    FreeSimulationArrays();
  }
  EXPECT_GT(widths[0], 0.0);
  EXPECT_LT(widths[1], 0.8 * widths[0]);
}

// The solver object's concentration-dependent variant, written apart from
// this engine, agrees with it on the same hindered s(c) and D(c) (hard
// spheres of volume correction factor 1.5 at 10 mg/ml).
TEST_F(ConcentrationDependentEngineTest, SolverObjectAgreesOnAHinderedSpecies) {
  const std::vector<double> times = Times(1000, 1000, 3);
  const double rpm = 50000, c0 = 10.0, volume = 1.5, tau = 1.0;
  SolventConditions.BufferTemperature = 293.15f;
  SolventConditions.VBAR = 0.73f;
  SolventConditions.BufferDensity = 0.99823f;
  SolventConditions.RELVISCOSITY = 1.0f;
  Ideal(4.5, 6e-7);
  AssociationParameters.EnteredKs = volume;
  AssociationParameters.EnteredKd = tau;
  SetUpRun(ModelKind::HinderedSingleSpecies, times, rpm, 1000, c0);
  ScanDataSet.SignalPerConcentration = 1.0f;
  RunNonidealSingleSpeciesLamm();
  ASSERT_EQ(GlobalLammRun.NonidealityError, 0);
  Reference ref;
  ref.headers.Resize(1, 3);
  for (int k = 1; k <= 3; ++k) {
    ScanHeader& h = ref.headers[k];
    h.Rpm = static_cast<float>(rpm);
    h.Temperature = 20.0f;
    h.Time = h.RecordedTime = times[static_cast<std::size_t>(k - 1)];
    h.Omega2t = OmegaSquared(rpm) * h.Time;
    h.RampAcceleration = 1e6;
  }
  const int points = ScanDataSet.ScanPointCount[1];
  ref.radii.Resize(1, points);
  for (int i = 1; i <= points; ++i) ref.radii[i] = ScanDataSet.ScanRadius[1][i];
  ref.output.Resize(1, 3, 1, points);
  CLammIdeal& l = ref.solver;
  const Cell cell;
  l.SetIdealModel();
  l.SetParameters(4.5, 6e-7, cell.meniscus, cell.bottom, c0, ScanDataSet.FitLeftLim,
                  ScanDataSet.FitRightLim);
  l.SetOutput(nullptr, nullptr, ref.headers.data(), ref.output.get(), ref.radii.data(), points,
              nullptr, nullptr, 0, nullptr, 3, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
  l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 0, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1, 0.3,
                1.0, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  l.SetSolvent(20.0, 0.73, 0.99823, 1.0);
  l.SetSelfAssociation(0, 1, 1, 0, 0, 0, nullptr, nullptr, nullptr, nullptr,
                       static_cast<float>(volume), static_cast<float>(tau), 1, 1, 1.0, 1, 0, 4.5,
                       6e-7, c0);
  const std::int32_t code = l.Solve();
  SolventConditions = SolventConditionsRecord{};
  ASSERT_EQ(code, 0);
  EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 1e-3 * c0);
}

// A fixed step ("max dc/c" read as seconds) gives the profile of the
// adaptive run.
TEST_F(ConcentrationDependentEngineTest, FixedStepAgreesWithAdaptive) {
  const double t = 2000, rpm = 50000;
  std::vector<double> adaptive;
  for (bool fixed : {false, true}) {
    Ideal(4.5, 6e-7);
    AssociationParameters.EnteredKs = std::log10(0.02);
    LammSolverSettings.FixedTimeStep = fixed;
    LammSolverSettings.MaxChangePerStep = fixed ? 5.0 : 1.0;
    SetUpRun(ModelKind::NonidealSingleSpecies, {t}, rpm, 500, 2.0);
    RunNonidealSingleSpeciesLamm();
    ASSERT_EQ(GlobalLammRun.SimTime, t);
    if (!fixed) {
      adaptive.assign(C() + 1, C() + N() + 1);
    } else {
      EXPECT_GE(GlobalLammRun.IterationCount, 400);
      for (int i = 1; i <= N(); i += 10)
        EXPECT_NEAR(C()[i], adaptive[static_cast<std::size_t>(i - 1)], 5e-3) << R()[i];
    }
    EXPECT_EQ(LammSolverSettings.MaxChangePerStep, fixed ? 5.0 : 1.0);  // the setting stays
    FreeSimulationArrays();
  }
}

// Under the simulated acceleration the plateau follows the integral of
// omega^2 over time, wf^2 (t - 2T/3) for a speed rising linearly over T;
// past the ramp the rotor runs at its final speed.
TEST_F(ConcentrationDependentEngineTest, AccelerationRampFollowsOmegaSquaredTime) {
  const double s = 4.5, rpm = 50000, t = 3000, ramp = 200;
  Ideal(s, 6e-7);
  SetUpRun(ModelKind::NonidealSingleSpecies, {t}, rpm, 500, 1.0);
  StartAccelerationRamp(t, rpm, ramp);
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  RunNonidealSingleSpeciesLamm();
  ASSERT_EQ(run.SimTime, t);
  EXPECT_FALSE(run.Accelerating);
  EXPECT_EQ(run.RunRpm, rpm);
  const double w2t = OmegaSquared(rpm) * (t - 2 * ramp / 3);
  EXPECT_NEAR(At(6.7), std::exp(-2 * s * 1e-13 * w2t), 5e-4);
  EXPECT_NEAR(SecondMomentS(6.7, w2t), s, 5e-3 * s);
}

// A long run reaches sedimentation equilibrium, c ~ exp(a (r^2 - rm^2)) with
// a = s omega^2 / (2 D), and ends itself once nothing changes any more.
TEST_F(ConcentrationDependentEngineTest, LongRunEndsInSedimentationEquilibrium) {
  const double s = 1.0, D = 1e-6, rpm = 20000, m = 6.8, b = 7.2;
  Ideal(s, D);
  SetUpRun(ModelKind::NonidealSingleSpecies, {1e7}, rpm, 200, 1.0, Cell{m, b});
  GlobalLammRun.EquilibriumThreshold = 1e-10;
  const double before = UniformGridTotalLoading();
  RunNonidealSingleSpeciesLamm();
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  EXPECT_LT(GlobalLammRun.SimTime, 1e7);  // the steady-state count ended it
  EXPECT_NEAR(UniformGridTotalLoading(), before, 1e-9 * before);
  for (int i = 1; i <= N(); i += 20) {
    const double r = R()[i];
    const double expected = EquilibriumConcentration(r, s, D, rpm, Cell{m, b});
    EXPECT_NEAR(C()[i], expected, 2e-3 * expected) << r;
  }
}

// An attractive ks whose 1 + ks c vanishes where the material piles up at
// the bottom stops the run with the non-ideality error, leaving no value
// that is not a number.
TEST_F(ConcentrationDependentEngineTest, VanishingNonidealityFactorStopsTheRun) {
  Ideal(4.5, 6e-7);
  AssociationParameters.Repulsive = false;
  AssociationParameters.EnteredKs = std::log10(0.5);  // 1 + ks c = 0 at c = 2
  SetUpRun(ModelKind::NonidealSingleSpecies, {3000.0}, 50000, 300, 1.0);
  RunNonidealSingleSpeciesLamm();
  EXPECT_EQ(GlobalLammRun.NonidealityError, 1);
  EXPECT_LT(GlobalLammRun.SimTime, 3000.0);
  for (int i = 1; i <= N(); ++i) EXPECT_TRUE(std::isfinite(C()[i])) << i;
}

// Steps end on scan times that are no multiple of any step: every scan is
// taken at its own time and the run ends on the last.
TEST_F(ConcentrationDependentEngineTest, StepsEndExactlyOnScanTimes) {
  Ideal(4.5, 6e-7);
  const std::vector<double> times{333.3, 777.7, 1234.567};
  SetUpRun(ModelKind::NonidealSingleSpecies, times, 50000, 200, 1.0);
  RunNonidealSingleSpeciesLamm();
  EXPECT_EQ(GlobalLammRun.SimTime, times.back());
  EXPECT_EQ(GlobalLammRun.NextScan, 3);
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
}

// A run refused for its non-ideality leaves the profile and the clock as
// they were.
TEST_F(ConcentrationDependentEngineTest, RefusedRunSimulatesNothing) {
  Ideal(4.5, 6e-7);
  AssociationParameters.EnteredKs = 0.0;  // ks c0 = 2
  SetUpRun(ModelKind::NonidealSingleSpecies, {1000.0}, 50000, 200, 2.0);
  RunNonidealSingleSpeciesLamm();
  EXPECT_EQ(GlobalLammRun.NonidealityError, 1);
  EXPECT_EQ(GlobalLammRun.SimTime, 0.0);
  for (int i = 1; i <= N(); ++i) EXPECT_EQ(C()[i], 2.0);
}

// The 1-2-4 and 1-4-8 models run on this engine whichever finite-element
// algorithm is chosen: a geometric grid of the moving hat is laid out
// evenly, so the run gives the profile of the evenly spaced grid.
TEST_F(ConcentrationDependentEngineTest, GeometricGridIsLaidOutEvenly) {
  std::vector<double> even;
  for (bool movingHat : {false, true}) {
    SetOligomers();
    SetUpRun(ModelKind::SelfAssociation124, {1500.0}, 50000, 300, 1.0);
    if (movingHat) {
      LammSolverSettings.MovingFrame = true;
      LammSolverSettings.FixedGrid = false;
      FreeSimulationArrays();
      ASSERT_EQ(AllocSimulationArrays(), 1);
      for (int i = 1; i <= N(); ++i) GlobalLammArrays.LammConcentration[i] = 1.0;
      ASSERT_GT(std::fabs(R()[2] - R()[1] - (R()[3] - R()[2])), 1e-6);  // not even
    }
    RunNonidealSingleSpeciesLamm();
    ASSERT_EQ(GlobalLammRun.SimTime, 1500.0);
    if (!movingHat) {
      even.assign(C() + 1, C() + N() + 1);
    } else {
      for (int i = 1; i <= N(); ++i)
        EXPECT_NEAR(C()[i], even[static_cast<std::size_t>(i - 1)], 1e-9) << i;
    }
    FreeSimulationArrays();
  }
}

// A monomer-dimer system whose dimer dominates at every loading sediments
// like the ideal dimer.
TEST_F(ConcentrationDependentEngineTest, StrongDimerSedimentsLikeTheDimer) {
  const double t = 2400, rpm = 50000;
  std::vector<double> ideal;
  for (int k = 0; k < 2; ++k) {
    AssociationParametersRecord& p = AssociationParameters;
    p = AssociationParametersRecord{};
    if (k == 0) {
      Ideal(7.0, 4.5e-7);
      SetUpRun(ModelKind::NonidealSingleSpecies, {t}, rpm, 500, 1.0);
    } else {
      p.s1 = 4.0;
      p.D1 = 6e-7;
      p.s2 = 7.0;
      p.D2 = 4.5e-7;
      p.LogK = 9.0;
      SetUpRun(ModelKind::MonomerDimer, {t}, rpm, 500, 1.0);
    }
    RunNonidealSingleSpeciesLamm();
    ASSERT_EQ(GlobalLammRun.SimTime, t);
    if (k == 0) {
      ideal.assign(C() + 1, C() + N() + 1);
    } else {
      // Near the meniscus the depleted boundary dissociates; beyond it the
      // profiles coincide.
      for (int i = 1; i <= N(); i += 10) {
        if (R()[i] <= 6.2) continue;
        EXPECT_NEAR(C()[i], ideal[static_cast<std::size_t>(i - 1)], 2e-3) << R()[i];
      }
    }
    FreeSimulationArrays();
  }
}

// Laws whose s and D do not change with the concentration simulate the
// ideal species: s(c) and D(c) series of their constant terms only, and
// hindered settling of a species without volume (k = 0).
TEST_F(ConcentrationDependentEngineTest, ConstantLawsEqualTheIdealSpecies) {
  const double s = 4.5, D = 6e-7, t = 2000, rpm = 50000;
  ScratchFolder folder;
  InhomogeneousSolventSettingsRecord& series = InhomogeneousSolventSettings;
  series.CosoluteSFile = folder.Write("s.dat", "4.5\n");
  series.CosoluteDFile = folder.Write("d.dat", "6e-7\n");
  std::vector<double> ideal;
  enum Law { kIdeal, kSeries, kHindered };
  for (Law law : {kIdeal, kSeries, kHindered}) {
    Ideal(law == kSeries ? 1.0 : s, law == kSeries ? 1e-6 : D);  // the series must win
    AssociationParameters.PolynomialOption = law == kSeries;
    if (law == kHindered) AssociationParameters.EnteredKs = 0.0;
    SetUpRun(law == kHindered ? ModelKind::HinderedSingleSpecies : ModelKind::NonidealSingleSpecies,
             {t}, rpm, 400, 1.0);
    RunNonidealSingleSpeciesLamm();
    ASSERT_EQ(GlobalLammRun.NonidealityError, 0) << law;
    ASSERT_EQ(GlobalLammRun.SimTime, t) << law;
    if (law == kIdeal) {
      ideal.assign(C() + 1, C() + N() + 1);
    } else {
      // (The reference's log ks = -10 leaves a relative trace of 1e-10 c.)
      for (int i = 1; i <= N(); ++i) {
        const double expected = ideal[static_cast<std::size_t>(i - 1)];
        EXPECT_NEAR(C()[i], expected, 1e-7 * std::max(1.0, expected)) << law << " " << R()[i];
      }
    }
    FreeSimulationArrays();
  }
  InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
}

// In the plateau there is no gradient, so a species whose s depends on c
// alone dilutes as dc/dt = -2 omega^2 s(c) c (radial dilution with the local
// s): hindered settling slows the plateau by its factor at the plateau's
// own concentration. The ordinary differential equation is integrated here
// with Runge-Kutta steps.
TEST_F(ConcentrationDependentEngineTest, HinderedPlateauDilutesWithItsLocalS) {
  const double s1 = 4.5, D1 = 6e-7, k = 2.0, c0 = 40.0, t = 3000, rpm = 50000, rp = 6.7;
  Ideal(s1, D1);
  AssociationParameters.EnteredKs = k;
  SetUpRun(ModelKind::HinderedSingleSpecies, {t}, rpm, 600, c0);
  RunNonidealSingleSpeciesLamm();
  ASSERT_EQ(GlobalLammRun.NonidealityError, 0);
  ASSERT_EQ(GlobalLammRun.SimTime, t);
  const SolventConditionsRecord& b = SolventConditions;
  const auto rate = [&](double c) {
    const double f = SedFactorAtConcFromSD(c, k, 0.0, s1, D1, b.VBAR, b.BufferDensity,
                                           b.BufferTemperature, b.RELVISCOSITY);
    return -2.0 * OmegaSquared(rpm) * 1e-13 * s1 * f * c;
  };
  double c = c0;
  const int steps = 300;
  const double h = t / steps;
  for (int i = 0; i < steps; ++i) {
    const double k1 = rate(c), k2 = rate(c + 0.5 * h * k1), k3 = rate(c + 0.5 * h * k2),
                 k4 = rate(c + h * k3);
    c += h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
  }
  const double ideal = c0 * std::exp(-2 * s1 * 1e-13 * OmegaSquared(rpm) * t);
  ASSERT_GT(c - ideal, 0.3 * (c0 - ideal));  // a marked slowing
  EXPECT_NEAR(At(rp), c, 2e-4 * c0);
}

}  // namespace
