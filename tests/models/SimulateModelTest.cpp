// The discrete simulation against known truths: one species equals a
// solver set up by hand with the same settings, two species add by the
// concentration convention, loadings solved from data made by the
// simulation itself come back, and the models without a solver-object road
// are refused with a message.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "models/DetectorConvolution.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/SimulationRoads.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"

namespace {

constexpr int kScans = 5;
constexpr float kRpm = 50000.0f;

class SimulateModelTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    LoadVelocityTestScans(kScans, 0.01, 900.0, kRpm);
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    FitControl.MassInsteadOfD = false;
    ModelParametersRecord& mp = ModelParameters;
    mp.Meniscus = 5.9f;
    mp.Bottom = 7.2f;
    mp.ComponentOn = {0, 1, 0, 0, 0};
    mp.Concentration = {0, 1.0f, 0, 0, 0};
    mp.SedCoefficient = {0, 4.0f, 9.0f, 0, 0};
    mp.MassOrD = {0, 6.0f, 4.0f, 0, 0};  // 1e-7 cm^2/s
    ScanDataSet.FitLeftLim = 6.05f;
    ScanDataSet.FitRightLim = 6.95f;
    SetupCommonRadialGrid();
    PackParameterVector();
  }

  // ScanModel of every scan, as one list.
  static std::vector<float> Models() {
    std::vector<float> all;
    for (int j = 1; j <= kScans; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
        all.push_back(ScanDataSet.ScanModel[j][k]);
    return all;
  }

  std::vector<float> Simulate() {
    PackParameterVector();
    SimulateModel(nullptr);
    return Models();
  }
};

// A solver configured by hand as the dispatcher promises to: same species,
// cell, scans, numerics and solvent.
std::vector<float> DirectSolution(double s, double D, double c) {
  ScanDataSetRecord& d = ScanDataSet;
  const LammSolverSettingsRecord& l = LammSolverSettings;
  OneBasedMatrix<float> out(1, kScans, 1, d.ScanPointCount[1]);
  CLammIdeal solver;
  solver.SetIdealModel();
  solver.SetParameters(s, D, 5.9f, 7.2f, c, d.FitLeftLim, d.FitRightLim);
  solver.SetOutput(nullptr, nullptr, d.ScanHeaders.data(), out.get(), d.ScanRadius[1].data(),
                   d.ScanPointCount[1], nullptr, nullptr, 0, nullptr, kScans, 1, 0, 1, 0, 2.43f, 0,
                   0.008f, 0);
  solver.SetNumerics(l.MinGridSize, l.MaxGridSize, l.PointsPerSigma, 0, l.BackDiffusionLevel,
                     l.BackDiffusionShutOff, l.OptimizeGridSpacing, l.AutoGridSize, 1.0f, 1,
                     l.FixedTimeStep, 0, 1e-6, l.AutoSGridValue, l.AutoSGrid, 0,
                     l.AutomaticAlgorithm, 1.0, 0.1, 0.3, l.MaxChangePerStep, l.DefaultLammGridSize,
                     0, l.MovingFrame, l.FixedGrid, 1e-4f, l.TruncationThreshold,
                     l.DynamicTruncation, 1.0, 2.0, l.SwitchThreshold, l.SwitchThresholdOptimized);
  solver.SetSolvent(20.0, 0.73, 1.0, 1.0);
  EXPECT_EQ(solver.Solve(), 0);
  std::vector<float> all;
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= d.ScanPointCount[j]; ++k) all.push_back(out[j][k]);
  return all;
}

TEST_F(SimulateModelTest, OneSpeciesEqualsTheSolverSetUpByHand) {
  const std::vector<float> model = Simulate();
  const std::vector<float> direct = DirectSolution(4.0, 6e-7, 1.0);
  ASSERT_EQ(model.size(), direct.size());
  double top = 0.0;
  for (std::size_t n = 0; n < model.size(); ++n) {
    EXPECT_NEAR(model[n], direct[n], 1e-6) << n;
    top = std::max(top, static_cast<double>(model[n]));
  }
  EXPECT_GT(top, 0.9);  // a real boundary, not an empty model
  EXPECT_TRUE(SpeciesSignals.ModelCurvesValid);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(SimulateModelTest, TwoSpeciesAddByTheConcentrationConvention) {
  // Total 1.5, species 2 a fraction 0.4: loadings 0.9 and 0.6.
  ModelParameters.Concentration = {0, 1.5f, 0.4f, 0, 0};
  ModelParameters.ComponentOn = {0, 1, 0, 0, 0};
  ModelParameters.Concentration[1] = 0.9f;
  const std::vector<float> first = Simulate();
  ModelParameters.ComponentOn = {0, 0, 1, 0, 0};
  ModelParameters.Concentration[2] = 0.6f;
  const std::vector<float> second = Simulate();
  ModelParameters.ComponentOn = {0, 1, 1, 0, 0};
  ModelParameters.Concentration = {0, 1.5f, 0.4f, 0, 0};
  const std::vector<float> both = Simulate();
  EXPECT_FLOAT_EQ(SpeciesSignals.SpeciesAmplitude[1], 0.9f);
  EXPECT_FLOAT_EQ(SpeciesSignals.SpeciesAmplitude[2], 0.6f);
  for (std::size_t n = 0; n < both.size(); ++n)
    ASSERT_NEAR(both[n], first[n] + second[n], 1e-5) << n;
}

// With the inhomogeneous solvent on, each species' solver is handed that
// solvent (its density gradient and co-solute) before it solves, so the
// model follows the solvent; without it the solver keeps the plain buffer.
// The stand-in solvent handed here slows the species to half its s.
TEST_F(SimulateModelTest, SpeciesSolveInTheInhomogeneousSolventWhenItIsOn) {
  const auto savedHook = SimulationRoads.ConfigureSolverSolvent;
  static int handed = 0;
  SimulationRoads.ConfigureSolverSolvent = [](CLammIdeal& solver) {
    ++handed;
    const ScanDataSetRecord& d = ScanDataSet;
    solver.SetParameters(2.0, 6e-7, 5.9f, 7.2f, 1.0, d.FitLeftLim, d.FitRightLim);
  };
  const std::vector<float> plain = DirectSolution(4.0, 6e-7, 1.0);
  const std::vector<float> slowed = DirectSolution(2.0, 6e-7, 1.0);
  for (const bool on : {false, true}) {
    SCOPED_TRACE(on ? "inhomogeneous solvent" : "plain buffer");
    InhomogeneousSolventOn = on;
    handed = 0;
    const std::vector<float> model = Simulate();
    EXPECT_EQ(handed, on ? 1 : 0);
    const std::vector<float>& expected = on ? slowed : plain;
    ASSERT_EQ(model.size(), expected.size());
    double worst = 0.0, fromPlain = 0.0;
    for (std::size_t n = 0; n < model.size(); ++n) {
      worst = std::max(worst, std::fabs(static_cast<double>(model[n] - expected[n])));
      fromPlain = std::max(fromPlain, std::fabs(static_cast<double>(model[n] - plain[n])));
    }
    EXPECT_LT(worst, 1e-6);
    EXPECT_EQ(fromPlain > 0.1, on);  // the solvent matters
  }
  InhomogeneousSolventOn = false;
  SimulationRoads.ConfigureSolverSolvent = savedHook;
}

// The Faxen switch puts the closed-form boundary in place of the Lamm
// solution: each scan holds Faxen's profile at its time, which lies close
// to the Lamm solution of the same species; without the switch the solver
// computes again.
TEST_F(SimulateModelTest, FaxenSwitchSimulatesTheClosedFormBoundary) {
  const std::vector<float> lamm = Simulate();
  SpeciesSignals.FaxenApproximationOn = true;
  const std::vector<float> faxen = Simulate();
  SpeciesSignals.FaxenApproximationOn = false;
  ASSERT_EQ(faxen.size(), lamm.size());
  const double omega = kRpm * 3.14159265358979323846 / 30.0;
  std::size_t n = 0;
  double largestDifference = 0.0;
  for (int j = 1; j <= kScans; ++j) {
    const int points = ScanDataSet.ScanPointCount[j];
    std::vector<float> expected(static_cast<std::size_t>(points) + 1);
    FaxenProfile(1.0f, ScanDataSet.ScanHeaders[j].Time, ScanDataSet.ScanRadius[j].data(),
                 expected.data(), points, omega * omega * 4e-13, 6e-7, 5.9);
    for (int k = 1; k <= points; ++k, ++n) {
      ASSERT_NEAR(faxen[n], expected[static_cast<std::size_t>(k)], 1e-5) << j << " " << k;
      largestDifference =
          std::max(largestDifference, static_cast<double>(std::fabs(faxen[n] - lamm[n])));
    }
  }
  EXPECT_LT(largestDifference, 0.05);
  EXPECT_TRUE(backend().Log().empty());
  EXPECT_EQ(Simulate(), lamm);
}

// The non-ideal multi-species model solves its first component with s and
// D depending on the concentration: with vanishing ks and kd that is the
// ideal species; a repulsive ks holds the boundary back.
TEST_F(SimulateModelTest, NonidealMultipleSpeciesIsSimulated) {
  const std::vector<float> ideal = DirectSolution(4.0, 6e-7, 1.0);
  ModelSelection.Kind = ModelKind::NonidealMultipleSpecies;
  // This model keeps log10 ks and log10 kd in slots 10 and 11.
  ModelParameters.Concentration[2] = -8.0f;
  ModelParameters.Concentration[3] = -8.0f;
  const std::vector<float> vanishing = Simulate();
  ASSERT_EQ(vanishing.size(), ideal.size());
  double worst = 0.0, sumIdeal = 0.0, sumRepulsive = 0.0;
  for (std::size_t n = 0; n < ideal.size(); ++n)
    worst = std::max(worst, std::fabs(static_cast<double>(vanishing[n] - ideal[n])));
  EXPECT_LT(worst, 5e-3);
  EXPECT_TRUE(backend().Log().empty());
  // ks = 0.05 ml/mg: the linear law s0 (1 - ks c) stays positive also in
  // the pile-up at the bottom.
  ModelParameters.Concentration[2] = -1.3f;
  ScanDataSet.SignalPerConcentration = 1.0;
  const std::vector<float> repulsive = Simulate();
  // Behind the slower boundary more material is left near the meniscus.
  for (std::size_t n = 0; n < ideal.size(); ++n) {
    sumIdeal += ideal[n];
    sumRepulsive += repulsive[n];
  }
  EXPECT_GT(sumRepulsive, sumIdeal);
  EXPECT_TRUE(backend().Log().empty());
  SpeciesEngineParameters = SpeciesEngineParametersRecord{};
}

TEST(LoadingAmplitude, FractionsAboveOneLeaveTheFirstComponentNothing) {
  const ModelParametersRecord saved = ModelParameters;
  ModelParameters = ModelParametersRecord{};
  ModelParameters.ComponentOn = {0, 0, 1, 1, 1};
  ModelParameters.Concentration = {0, 5.0f, 2.0f, 0.7f, 0.6f};
  EXPECT_EQ(LoadingAmplitude(1), 0.0f);  // switched off
  EXPECT_EQ(LoadingAmplitude(2), 0.0f);
  EXPECT_FLOAT_EQ(LoadingAmplitude(3), 1.4f);
  EXPECT_FLOAT_EQ(LoadingAmplitude(4), 1.2f);
  ModelParameters.LinearConcentrations = true;
  EXPECT_EQ(LoadingAmplitude(2), 1.0f);  // simulated at unit loading, scaled later
  ModelParameters = saved;
}

TEST_F(SimulateModelTest, DiffusionFromMassFollowsTheSvedbergEquation) {
  FitControl.MassInsteadOfD = true;
  ModelParameters.MassOrD[1] = 50000.0f;
  const double expected =
      4e-13 * 8.31451e7 * 293.15 / ((1.0 - SolventConditions.VbarRho) * 50000.0);
  EXPECT_NEAR(SpeciesDiffusion(1), expected, expected * 1e-5);
  ModelParameters.MassOrD[1] = 0.0f;  // no mass: a tiny one, so D is huge but finite
  EXPECT_TRUE(std::isfinite(SpeciesDiffusion(1)));
  FitControl.MassInsteadOfD = false;
  ModelParameters.MassOrD[1] = -6.0f;
  EXPECT_NEAR(SpeciesDiffusion(1), 6e-7, 1e-12);
}

TEST_F(SimulateModelTest, LoadingsAndNoiseOfSimulatedDataComeBack) {
  // Data made by the simulation itself at loadings 0.7 and 0.5, plus TI and
  // RI offsets; then the loadings are solved from unit-loading starts.
  ModelParameters.ComponentOn = {0, 1, 1, 0, 0};
  ModelParameters.Concentration = {0, 1.2f, 0.5f / 1.2f, 0, 0};
  const std::vector<float> clean = Simulate();
  std::size_t n = 0;
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k, ++n) {
      const float r = ScanDataSet.ScanRadius[j][k];
      ScanDataSet.ScanSignal[j][k] = clean[n] + 0.02f * std::sin(7.0f * r) + 0.01f * j;
    }
  ModelParameters.Concentration = {0, 3.0f, 0.1f, 0, 0};
  ModelParameters.LinearConcentrations = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.SystematicNoiseOn = true;
  FitControl.TINoiseFitted = true;
  Simulate();
  EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[1], 0.7, 2e-3);
  EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[2], 0.5, 2e-3);
  EXPECT_NEAR(ModelParameters.Concentration[1], 1.2, 3e-3);
  EXPECT_NEAR(ParameterVector[10], 0.5 / 1.2, 3e-3);
  double worst = 0.0;
  for (int j = 1; j <= kScans; ++j)
    for (int k = ScanDataSet.ScanFirstFitIndex[j]; k <= ScanDataSet.ScanLastFitIndex[j]; ++k)
      worst = std::max(worst, std::fabs(static_cast<double>(ScanDataSet.ScanSignal[j][k]) -
                                        ScanDataSet.ScanModel[j][k]));
  EXPECT_LT(worst, 2e-3);
}

TEST_F(SimulateModelTest, BaselineOfDirectSimulationIsTheMeanOffset) {
  const std::vector<float> clean = Simulate();
  std::size_t n = 0;
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k, ++n)
      ScanDataSet.ScanSignal[j][k] = clean[n] + 0.05f;
  ModelParameters.SystematicNoiseOn = true;
  Simulate();
  EXPECT_FALSE(GlobalLammRun.BasisMode);  // nothing solved per species
  EXPECT_NEAR(ModelParameters.Baseline, 0.05f, 1e-6);
  EXPECT_NEAR(ParameterVector[BaselineSlot], 0.05f, 1e-6);
  EXPECT_NEAR(ScanDataSet.ScanModel[4][50], ScanDataSet.ScanSignal[4][50], 1e-6);
}

TEST_F(SimulateModelTest, ConstantSpeciesOfAnEarlierModelIsForgotten) {
  // A flag left by an earlier simulation would fix the loadings at 1.
  SpeciesSignals.ConstantSpecies = true;
  ModelParameters.LinearConcentrations = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.SystematicNoiseOn = true;
  FitControl.TINoiseFitted = true;
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k) ScanDataSet.ScanSignal[j][k] = 0.0f;
  Simulate();
  EXPECT_FALSE(SpeciesSignals.ConstantSpecies);
  EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[1], 0.0, 1e-6);
}

TEST_F(SimulateModelTest, RefusalsLeaveTheModelAsItWas) {
  struct Case {
    const char* name;
    void (*set)();
    const char* message;
  };
  const Case cases[] = {
      {"no meniscus", [] { ModelParameters.Meniscus = 0.0f; }, "set Meniscus and Bottom first"},
      {"association", [] { ModelSelection.Kind = ModelKind::MonomerDimer; },
       "simulation of this model is not available in this version"},
      {"non-ideal first component", [] { ModelParameters.FirstComponentNonideal = true; },
       "simulation of this model is not available in this version"},
      {"equilibrium data", [] { ScanDataSet.EquilibriumDataMode = true; },
       "simulation of this model is not available in this version"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ModelParametersRecord mp = ModelParameters;
    const ModelKind kind = ModelSelection.Kind;
    ScanDataSet.ScanModel[2][3] = 42.0f;
    const std::size_t shown = LogLinesWith(c.message).size();
    c.set();
    SimulateModel(nullptr);
    EXPECT_EQ(ScanDataSet.ScanModel[2][3], 42.0f);
    EXPECT_EQ(LogLinesWith(c.message).size(), shown + 1);
    ModelParameters = mp;
    ModelSelection.Kind = kind;
    ScanDataSet.EquilibriumDataMode = false;
    ComputationAbort = false;
  }
}

TEST_F(SimulateModelTest, IntensityDataTurnTheAbsorbanceIntoTransmittedLight) {
  ModelParameters.ComponentOn = {0, 0, 0, 0, 0};
  ModelParameters.Baseline = 0.3f;
  ScanReaderOptions.IntensityData = true;
  for (int j = 1; j <= kScans; ++j) {
    ScanDataSet.ScanSecondColumn[j].Resize(1, ScanDataSet.ScanPointCount[j]);
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
      ScanDataSet.ScanSecondColumn[j][k] = 2.0f;
  }
  Simulate();
  EXPECT_NEAR(ScanDataSet.ScanModel[3][10], 2.0 * std::pow(10.0, -0.3), 1e-5);
}

TEST_F(SimulateModelTest, NothingHappensWithoutScans) {
  FreeDataSet();
  SimulateModel(nullptr);
  EXPECT_FALSE(SpeciesSignals.ModelCurvesValid);
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
