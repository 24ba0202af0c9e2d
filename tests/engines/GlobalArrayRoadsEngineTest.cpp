// The global-array simulation with the installed Lamm engines against known
// truths: a monomer-dimer system whose association constant vanishes is the
// ideal monomer, a non-ideal species with ks = kd = 0 is the ideal species
// (both against the solver object's simulation of the ideal species through
// the same entry), and every road keeps the amount of material in the
// closed sector cell.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engines/ConcentrationDependentEngine.h"
#include "engines/EngineRoadsFixture.h"
#include "models/GlobalArrayRoads.h"

namespace {

using namespace engine_roads_test;

constexpr float kS = 4.5f;        // S
constexpr float kD = 6.0f;        // 1e-7 cm^2/s
constexpr float kLoading = 1.0f;  // signal units

class GlobalArrayRoadsEngineTest : public RoadsFixture {
 protected:
  void SetUp() override {
    RoadsFixture::SetUp();
    // The concentration-dependent engine lives on the fixed grid.
    LammSolverSettings.FixedGrid = true;
    LammSolverSettings.MovingFrame = false;
    SetupCommonRadialGrid();
  }

  static void IdealSpecies() { SetIdealComponent(kS, kD, kLoading); }

  // The ideal species by the solver object, through the same entry.
  std::vector<float> IdealReference() {
    IdealSpecies();
    std::vector<float> reference = Simulate();
    EXPECT_TRUE(LogLinesWith("ERROR").empty());
    return reference;
  }

  // Amount of the engine's final profile, int c r dr over the cell,
  // relative to the loading's.
  static double RelativeAmount() {
    const GlobalLammArraysRecord& a = GlobalLammArrays;
    double sum = 0.0;
    for (int i = 1; i < a.LammAllocatedSize; ++i) {
      const double r0 = a.LammRadius[i], r1 = a.LammRadius[i + 1];
      sum += 0.5 * (a.LammConcentration[i] * r0 + a.LammConcentration[i + 1] * r1) * (r1 - r0);
    }
    return sum / (kLoading * (kBottom * kBottom - kMeniscus * kMeniscus) / 2.0);
  }
};

// The association road's parameters live in the slots of the model:
// monomer D (1), log10 Ka (3), monomer and dimer s (5, 6), loading (11).
void MonomerDimer(float logKa) {
  ModelSelection.Kind = ModelKind::MonomerDimer;
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn = {0, 1, 1, 1, 0};
  mp.MassOrD = {0, kD, 0, logKa, 0};
  mp.SedCoefficient = {0, kS, 7.0f, 0, 0};
  mp.Concentration = {0, 0, 0, kLoading, 0};
}

TEST_F(GlobalArrayRoadsEngineTest, MonomerDimerWithoutAssociationIsTheIdealMonomer) {
  const std::vector<float> ideal = IdealReference();
  MonomerDimer(-10.0f);
  // A constant species of an earlier simulation must not stand in for the
  // association run.
  SpeciesSignals.ConstantSpecies = true;
  const std::vector<float> model = Simulate();
  EXPECT_TRUE(LogLinesWith("ERROR").empty());
  EXPECT_EQ(GlobalLammRun.SimTime, 2400.0);  // the engine ran to the last scan
  EXPECT_LT(RmsDifference(model, ideal), 1e-3 * kLoading);
}

TEST_F(GlobalArrayRoadsEngineTest, NonidealSpeciesWithoutNonidealityIsTheIdealSpecies) {
  struct Case {
    const char* name;
    void (*set)();
  };
  // ks and kd as decadic logarithms: 1e-10 ml/mg is none.
  const Case cases[] = {
      {"non-ideal single species",
       [] {
         // Slots: loading (9), s (5), log10 ks (10), D (1), log10 kd (11).
         ModelSelection.Kind = ModelKind::NonidealSingleSpecies;
         ModelParametersRecord& mp = ModelParameters;
         mp.MassOrD = {0, kD, 0, 0, 0};
         mp.SedCoefficient = {0, kS, 0, 0, 0};
         mp.Concentration = {0, kLoading, -10.0f, -10.0f, 0};
       }},
      {"non-ideal first component of the discrete model",
       [] {
         IdealSpecies();
         ModelParameters.FirstComponentNonideal = true;
         SpeciesEngineParameters.LogKs = -10.0f;
         SpeciesEngineParameters.LogKd = -10.0f;
       }},
  };
  const std::vector<float> ideal = IdealReference();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set();
    GlobalLammRun.SimTime = 0.0;
    const std::vector<float> model = Simulate();
    EXPECT_TRUE(LogLinesWith("ERROR").empty());
    EXPECT_EQ(GlobalLammRun.SimTime, 2400.0);  // the engine, not the solver object
    EXPECT_LT(RmsDifference(model, ideal), 1e-3 * kLoading);
    ModelParameters.FirstComponentNonideal = false;
  }
}

TEST_F(GlobalArrayRoadsEngineTest, EveryRoadKeepsTheAmountInTheCell) {
  // The discrete road runs an ideal species from a flat experimental
  // profile; the scans reach far enough for material to pile up at the
  // bottom.
  for (int j = 1; j <= ScanDataSet.NFILES; ++j) {
    ScanDataSet.ScanHeaders[j].Time *= 3.0;
    ScanDataSet.ScanHeaders[j].RecordedTime = ScanDataSet.ScanHeaders[j].Time;
  }
  struct Case {
    const char* name;
    void (*set)();
  };
  const Case cases[] = {
      {"fixed grid",
       [] {
         IdealSpecies();
         ModelParameters.InitialConcentrationExperimental = true;
         ModelParameters.InitialConcentrationConstant = false;
       }},
      {"moving hat",
       [] {
         IdealSpecies();
         ModelParameters.InitialConcentrationExperimental = true;
         ModelParameters.InitialConcentrationConstant = false;
         LammSolverSettings.FixedGrid = false;
         LammSolverSettings.MovingFrame = true;
       }},
      {"monomer-dimer", [] { MonomerDimer(1.0f); }},
  };
  InitialDistribution.Radius.Resize(1, 141);
  InitialDistribution.Signal.Resize(1, 141);
  for (int k = 1; k <= 141; ++k) {
    InitialDistribution.Radius[k] = static_cast<float>(kMeniscus + 0.01 * (k - 1));
    InitialDistribution.Signal[k] = kLoading;
  }
  InitialDistribution.Count = 141;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set();
    Simulate();
    EXPECT_TRUE(LogLinesWith("ERROR").empty());
    EXPECT_GT(GlobalLammRun.SimTime, 7000.0);
    EXPECT_NEAR(RelativeAmount(), 1.0, 2e-3);
    ModelParameters = ModelParametersRecord{};
    ModelParameters.Meniscus = static_cast<float>(kMeniscus);
    ModelParameters.Bottom = static_cast<float>(kBottom);
    LammSolverSettings.FixedGrid = true;
    LammSolverSettings.MovingFrame = false;
  }
}

}  // namespace
