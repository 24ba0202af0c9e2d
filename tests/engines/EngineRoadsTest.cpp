// The reacting and moving-grid engines as the simulation reaches them
// through the installed roads, from the model's parameter slots to the
// scans' models, against independent truths: without binding, A + B <-> AB
// is two ideal species; with binding, the amounts of all of A and all of B
// in the closed cell stay those of the loading; a concentration-dependent
// species on the moving grid whose dependence vanishes, or whose s(c) and
// D(c) series hold constants only, is the ideal species (both against the
// solver object's simulation through the same entry); the built-in CsCl law
// keeps the amount. Also the refusals and messages of models these roads
// cannot run.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "engines/CosoluteSolver.h"
#include "engines/EngineRoadsFixture.h"

namespace {

using namespace engine_roads_test;

struct Species {
  float s;        // S
  float massOrD;  // Da, or D in 1e-7 cm^2/s
  float loading;  // signal units
};

class EngineRoadsTest : public RoadsFixture {
 protected:
  void SetUp() override {
    RoadsFixture::SetUp();
    SolventConditions.VbarRho = 0.73f * 0.99823f;
    SetupCommonRadialGrid();
  }

  static void UseMovingHat(bool on) {
    LammSolverSettings.MovingFrame = on;
    LammSolverSettings.FixedGrid = !on;
  }

  // One ideal species as the discrete model's component 1, simulated by
  // the solver object through the same entry.
  std::vector<float> Ideal(const Species& sp) {
    SetIdealComponent(sp.s, sp.massOrD, sp.loading);
    const bool movingHat = LammSolverSettings.MovingFrame;
    UseMovingHat(false);
    std::vector<float> model = Simulate();
    UseMovingHat(movingHat);
    EXPECT_TRUE(LogLinesWith("ERROR").empty());
    return model;
  }

  static double MaxAbs(const std::vector<float>& a) {
    double m = 0.0;
    for (float v : a) m = std::max(m, static_cast<double>(std::fabs(v)));
    return m;
  }
};

// ---------------------------------------------------------------- A + B <-> AB

// The slots of the reacting model: M or D of A, B, AB (1-3), signal per
// unit concentration of A (4) and of B (12), s of A, B, AB (5-7), log10 K
// (8), loading signals (9, 10).
struct ReactingSystem {
  Species A, B;
  Species AB;  // its loading unused; its M is derived in the M form
  float factorA = 1.0f, factorB = 1.0f;
  float logK = 0.0f;
};

void SetReactingModel(const ReactingSystem& p, double step = 2.0, int gridSize = 200) {
  ModelSelection.Kind = ModelKind::ReactingABC;
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn = {0, 1, 1, 1, 0};
  mp.MassOrD = {0, p.A.massOrD, p.B.massOrD, p.AB.massOrD, p.factorA};
  mp.SedCoefficient = {0, p.A.s, p.B.s, p.AB.s, p.logK};
  mp.Concentration = {0, p.A.loading, p.B.loading, 0, p.factorB};
  // The reacting engine runs a fixed grid of its own and steps of "max dc/c"
  // seconds; modest ones keep the runs short.
  LammSolverSettings.LammGridSize = gridSize;
  LammSolverSettings.MaxChangePerStep = step;
}

// Amount of a uniform concentration in the engine's 2-degree sector of
// 1.2 cm path length.
double SectorAmount(double c) {
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  return c * (b * b - m * m) / 2.0 * 1.2 * kPi / 90.0;
}

TEST_F(EngineRoadsTest, ReactingSystemWithoutBindingIsTwoIdealSpecies) {
  struct Case {
    const char* name;
    bool massForm;
    ReactingSystem p;
  };
  // Loading signals 0.6 and 0.4; B's signal per unit concentration 0.5.
  const Case cases[] = {
      {"D form", false, {{4.5f, 6.0f, 0.6f}, {2.5f, 8.0f, 0.4f}, {6.0f, 5.0f, 0}, 1.0f, 0.5f, -10}},
      {"M form",
       true,
       {{4.5f, 60000.0f, 0.6f}, {2.5f, 25000.0f, 0.4f}, {6.0f, 0, 0}, 1.0f, 0.5f, -10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FitControl.MassInsteadOfD = c.massForm;
    const std::vector<float> a = Ideal(c.p.A), b = Ideal(c.p.B);
    SetReactingModel(c.p);
    const std::vector<float> model = Simulate();
    EXPECT_TRUE(backend().Log().empty());
    EXPECT_EQ(GlobalLammRun.SimTime, 2400.0);  // the engine ran to the last scan
    std::vector<float> sum(a.size());
    for (std::size_t k = 0; k < a.size(); ++k) sum[k] = a[k] + b[k];
    EXPECT_LT(RmsDifference(model, sum), 1e-3);
    // The entered D reach the engine in cm^2/s, each species its own.
    const ReactingSystemParametersRecord& r = ReactingSystemParameters;
    if (!c.massForm) {
      EXPECT_NEAR(r.DiffusionA, 6e-7, 1e-12);
      EXPECT_NEAR(r.DiffusionComplex, 5e-7, 1e-12);
    } else {
      EXPECT_EQ(ModelParameters.MassOrD[3], 85000.0f);  // the complex has both masses
      EXPECT_NEAR(r.DiffusionComplex / r.DiffusionA, (6.0 / 4.5) * (60000.0 / 85000.0), 1e-5);
    }
    EXPECT_NEAR(r.SedimentationA, 4.5, 1e-6);
    EXPECT_NEAR(r.SedimentationComplex, 6.0, 1e-6);
  }
}

TEST_F(EngineRoadsTest, ReactingSystemKeepsTheAmountsOfAAndB) {
  // K a b of the order of the free concentrations; scans long enough for
  // the boundaries to cross half the cell and the material to pile up at
  // the bottom.
  for (int j = 1; j <= ScanDataSet.NFILES; ++j) {
    ScanDataSet.ScanHeaders[j].Time *= 3.0;
    ScanDataSet.ScanHeaders[j].RecordedTime = ScanDataSet.ScanHeaders[j].Time;
  }
  // The amounts are kept by every step, however long.
  SetReactingModel({{4.5f, 6.0f, 0.6f}, {2.5f, 8.0f, 0.4f}, {7.0f, 5.0f, 0}, 1.0f, 0.5f, 0.5f},
                   5.0);
  Simulate();
  EXPECT_TRUE(backend().Log().empty());
  EXPECT_EQ(GlobalLammRun.SimTime, 7200.0);
  // a = 0.6, b = 0.4 / 0.5; the initial complex is the derived slot 11.
  const double K = std::pow(10.0, 0.5), a = double{0.6f}, b = double{0.4f} / double{0.5f};
  const double c = ModelParameters.Concentration[3];
  EXPECT_NEAR(c, K * (a - c) * (b - c), 1e-6);
  EXPECT_NEAR(ReactingTotalA(), SectorAmount(a), 1e-8 * SectorAmount(a));
  EXPECT_NEAR(ReactingTotalB(), SectorAmount(b), 1e-8 * SectorAmount(b));
}

TEST_F(EngineRoadsTest, ReactingSystemFailuresAreReported) {
  struct Case {
    const char* name;
    void (*spoil)(ModelParametersRecord&);
    const char* message;
  };
  const Case cases[] = {
      // Without a positive signal per unit concentration no loading can be
      // formed; a zero model must not pass for a result.
      {"no signal factor", [](ModelParametersRecord& mp) { mp.MassOrD[4] = 0.0f; },
       "the signals per unit concentration must be positive"},
      {"negative loading", [](ModelParametersRecord& mp) { mp.Concentration[2] = -0.1f; },
       "the loading signals must not be negative"},
      // A sedimentation coefficient that is no number leaves no usable
      // pivot in the coupled system: the run ends with the simulation's
      // message of a singular matrix.
      {"failed step",
       [](ModelParametersRecord& mp) {
         mp.SedCoefficient[1] = std::numeric_limits<float>::quiet_NaN();
       },
       "singular tridiagonal matrix!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    backend().ClearLog();
    ComputationAbort = false;
    SetReactingModel({{4.5f, 6.0f, 0.6f}, {2.5f, 8.0f, 0.4f}, {7.0f, 5.0f, 0}, 1.0f, 0.5f, 0.5f});
    c.spoil(ModelParameters);
    const std::vector<float> model = Simulate();
    EXPECT_EQ(LogLinesWith(c.message).size(), 1u);
    EXPECT_LT(GlobalLammRun.SimTime, 2400.0);
    if (std::string(c.name) != "failed step") {
      EXPECT_TRUE(ComputationAbort);  // a fit stops
      EXPECT_EQ(MaxAbs(model), 0.0);
    }
  }
}

// ------------------------------------------------------------ moving grid

// The association road's slots: monomer D (1), log10 Ka (3), monomer and
// dimer s (5, 6), loading (11).
void MonomerDimer(float logKa, const Species& monomer) {
  ModelSelection.Kind = ModelKind::MonomerDimer;
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn = {0, 1, 1, 1, 0};
  mp.MassOrD = {0, monomer.massOrD, 0, logKa, 0};
  mp.SedCoefficient = {0, monomer.s, 7.0f, 0, 0};
  mp.Concentration = {0, 0, 0, monomer.loading, 0};
}

TEST_F(EngineRoadsTest, MovingGridWithoutConcentrationDependenceIsTheIdealSpecies) {
  const Species species{4.5f, 6.0f, 1.0f};
  struct Case {
    const char* name;
    std::function<void(const Species&)> set;
  };
  const Case cases[] = {
      {"monomer-dimer", [](const Species& sp) { MonomerDimer(-10.0f, sp); }},
      {"non-ideal single species",
       [](const Species& sp) {
         // Slots: loading (9), s (5), log10 ks (10), D (1), log10 kd (11).
         ModelSelection.Kind = ModelKind::NonidealSingleSpecies;
         ModelParametersRecord& mp = ModelParameters;
         mp.MassOrD = {0, sp.massOrD, 0, 0, 0};
         mp.SedCoefficient = {0, sp.s, 0, 0, 0};
         mp.Concentration = {0, sp.loading, -10.0f, -10.0f, 0};
       }},
      // The discrete road hands the component's own s and D to the engine,
      // which reads its species from the engine parameters: stale values
      // there must not be simulated instead.
      {"non-ideal first component of the discrete model",
       [](const Species& sp) {
         SetIdealComponent(sp.s, sp.massOrD, sp.loading);
         ModelParameters.FirstComponentNonideal = true;
         SpeciesEngineParameters.s1 = 11.0f;
         SpeciesEngineParameters.D1 = 2e-7f;
         SpeciesEngineParameters.LogKs = -10.0f;
         SpeciesEngineParameters.LogKd = -10.0f;
       }},
      // s(c) and D(c) series of their constant terms only: the coefficients
      // come from the fixed-grid engine's law through the installed source.
      {"s(c) and D(c) series",
       [this](const Species& sp) {
         ModelSelection.Kind = ModelKind::NonidealSingleSpecies;
         ModelParametersRecord& mp = ModelParameters;
         mp.MassOrD = {0, sp.massOrD, 0, 0, 0};
         mp.SedCoefficient = {0, sp.s, 0, 0, 0};
         mp.Concentration = {0, sp.loading, -10.0f, -10.0f, 0};
         SpeciesEngineParameters.TabulatedSD = true;
         InhomogeneousSolventSettings.CosoluteSFile = scratch.Write("s.dat", "4.5\n");
         InhomogeneousSolventSettings.CosoluteDFile = scratch.Write("D.dat", "6e-7\n");
       }},
  };
  UseMovingHat(true);
  const std::vector<float> ideal = Ideal(species);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(species);
    GlobalLammRun.SimTime = 0.0;
    MovingGridEngine.RegridCount = 0;
    const std::vector<float> model = Simulate();
    EXPECT_TRUE(LogLinesWith("ERROR").empty());
    EXPECT_EQ(GlobalLammRun.SimTime, 2400.0);
    EXPECT_GT(MovingGridEngine.RegridCount, 0);  // the moving grid ran
    EXPECT_LT(RmsDifference(model, ideal), 1e-3 * species.loading);
    ModelParameters.FirstComponentNonideal = false;
    SpeciesEngineParameters.TabulatedSD = false;
    UseMovingHat(true);
  }
}

// A single species of 4.5 S and 6e-7 cm^2/s at the loading, whose s and D
// follow the tabulated laws of concentration (no ks, kd: log10 -10).
void TabulatedSpecies(float loading) {
  ModelSelection.Kind = ModelKind::NonidealSingleSpecies;
  ModelParametersRecord& mp = ModelParameters;
  mp.MassOrD = {0, 6.0f, 0, 0, 0};
  mp.SedCoefficient = {0, 4.5f, 0, 0, 0};
  mp.Concentration = {0, loading, -10.0f, -10.0f, 0};
  SpeciesEngineParameters.TabulatedSD = true;
}

TEST_F(EngineRoadsTest, MovingGridRefusesTabulatedLawsWithoutTables) {
  // A species that follows s(c), D(c) series from files that are not there
  // cannot be simulated: refused with the engine's message, not sedimented
  // at s = 0.
  TabulatedSpecies(1.0f);
  InhomogeneousSolventSettings.CosoluteSFile = "no such s(c) file.dat";
  InhomogeneousSolventSettings.CosoluteDFile = "no such D(c) file.dat";
  UseMovingHat(true);
  Simulate();
  EXPECT_EQ(LogLinesWith("not available to the moving grid algorithm").size(), 1u);
  EXPECT_EQ(MovingGridEngine.RegridCount, 0);
}

TEST_F(EngineRoadsTest, MovingGridRunsTheBuiltInCsClLaw) {
  // A CsCl-like species at 1.5 M: the built-in laws give s and D at every
  // node; the run keeps the amount in the cell, with the grid laid out for
  // the loading's s.
  TabulatedSpecies(1.5f);
  SpeciesEngineParameters.CsClModel = true;
  UseMovingHat(true);
  Simulate();
  EXPECT_TRUE(LogLinesWith("ERROR").empty());
  EXPECT_EQ(GlobalLammRun.SimTime, 2400.0);
  EXPECT_DOUBLE_EQ(MovingGridEngine.GridS, CsClSedCoeff(1.5));
  const double loading = SectorAmount(1.5);
  EXPECT_NEAR(MovingGridTotalAmount(), loading, 1e-3 * loading);
}

}  // namespace
