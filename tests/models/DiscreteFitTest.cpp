// Discrete fits against synthetic data of known parameters: scans simulated
// by the program's own solver for a known s, M, loading and meniscus, with
// seeded Gaussian noise and time- and radial-invariant offsets, are fitted
// from a start away from the truth. Each optimiser must recover the
// parameters and leave an rmsd equal to the noise.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "models/FitDriver.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"

namespace {

constexpr int kScans = 15;
constexpr float kRpm = 50000.0f;
constexpr float kNoise = 0.005f;

struct Species {
  float s;  // S
  float M;  // Da
  float c;  // loading (first) or fraction of the total (others)
};

class DiscreteFitTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    FitDriverSettings = FitDriverSettingsRecord{};
    SeedClockRandomGenerators(11);
    SetUpVelocityFitCell(kScans, 0.005, 900.0, kRpm);
    FitControl.MINMENISCUS = 5.85f;
    FitControl.MAXMENISCUS = 5.95f;
    FitControl.MINBOTTOM = 7.15f;
    FitControl.MAXBOTTOM = 7.25f;
  }

  // Scans of the given species with meniscus 5.9 cm, plus noise, a TI
  // offset (a function of radius) and an RI offset (one per scan).
  void MakeData(const std::vector<Species>& species) {
    SetSpecies(species, 5.9f, false);
    SimulateModel(nullptr);
    std::mt19937 random(2024);
    std::normal_distribution<float> noise(0.0f, kNoise);
    for (int j = 1; j <= kScans; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k) {
        const float r = ScanDataSet.ScanRadius[j][k];
        ScanDataSet.ScanSignal[j][k] = ScanDataSet.ScanModel[j][k] + 0.03f * std::sin(9.0f * r) +
                                       0.02f * static_cast<float>(j) + noise(random);
      }
  }

  // The model to fit: every s, M and loading floating (the loadings as
  // linear parameters), meniscus floating, TI and RI noise fitted; or, to
  // make data, the plain model.
  static void SetSpecies(const std::vector<Species>& species, float meniscus, bool fit = true) {
    ModelParametersRecord& mp = ModelParameters;
    mp.ComponentOn = {};
    for (std::size_t i = 0; i < species.size(); ++i) {
      mp.ComponentOn[i + 1] = 1;
      mp.SedCoefficient[i + 1] = species[i].s;
      mp.MassOrD[i + 1] = species[i].M;
      mp.Concentration[i + 1] = species[i].c;
      mp.SedCoefficientFitted[i + 1] = mp.MassOrDFitted[i + 1] = mp.ConcentrationFitted[i + 1] =
          fit ? 1 : 0;
    }
    mp.Meniscus = meniscus;
    mp.MeniscusFitted = fit ? 1 : 0;
    FitControl.TINoiseFitted = fit;
    mp.RINoiseFitted = fit;
    DeriveFitModeFlags();
    PackParameterVector();
  }

  static void ExpectRecovered(const std::vector<Species>& truth, float sTolerance,
                              float mTolerance) {
    const ModelParametersRecord& mp = ModelParameters;
    for (std::size_t i = 0; i < truth.size(); ++i) {
      EXPECT_NEAR(mp.SedCoefficient[i + 1], truth[i].s, sTolerance * truth[i].s) << i;
      EXPECT_NEAR(mp.MassOrD[i + 1], truth[i].M, mTolerance * truth[i].M) << i;
    }
    EXPECT_NEAR(mp.Meniscus, 5.9f, 0.002f);
    // TI and RI noise take some degrees of freedom, so the rmsd lies a few
    // per cent below the noise.
    EXPECT_NEAR(FitControl.CurrentRmsd, kNoise, 0.1f * kNoise);
  }
};

const std::vector<Species> kOneSpecies = {{4.0f, 50000.0f, 1.0f}};
const std::vector<Species> kStartOne = {{3.7f, 42000.0f, 0.8f}};

TEST_F(DiscreteFitTest, SimplexRecoversOneSpecies) {
  MakeData(kOneSpecies);
  SetSpecies(kStartOne, 5.92f);
  FitDriverSettings.OptimizerKind = OptimizerChoice::Simplex;
  ASSERT_TRUE(FitDriver(nullptr));
  ExpectRecovered(kOneSpecies, 0.005f, 0.03f);
  EXPECT_NEAR(ModelParameters.Concentration[1], 1.0f, 0.01f);
}

TEST_F(DiscreteFitTest, LevenbergMarquardtAloneReachesTheSimplexRmsd) {
  MakeData(kOneSpecies);
  SetSpecies(kStartOne, 5.92f);
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
  ASSERT_TRUE(FitDriver(nullptr));
  ExpectRecovered(kOneSpecies, 0.005f, 0.03f);
  const float lmRmsd = FitControl.CurrentRmsd;
  // The simplex from the Levenberg-Marquardt result finds nothing better.
  FitDriverSettings.OptimizerKind = OptimizerChoice::Simplex;
  ASSERT_TRUE(FitDriver(nullptr));
  EXPECT_NEAR(FitControl.CurrentRmsd, lmRmsd, 0.002f * lmRmsd);
}

TEST_F(DiscreteFitTest, AnnealingThenLevenbergMarquardtRecoversOneSpecies) {
  MakeData(kOneSpecies);
  SetSpecies(kStartOne, 5.92f);
  FitDriverSettings.OptimizerKind = OptimizerChoice::SimulatedAnnealing;
  // A short schedule keeps the test fast; the final pass does the rest.
  FitControl.AnnealSteps = 3;
  FitControl.AnnealIterations = 40;
  FitControl.AnnealThenLM = true;
  int evaluations = 0;
  FitDisplayLinks.ShowEvaluationProgress = [&evaluations](platform::WindowHandle,
                                                          const std::string&,
                                                          const std::string&) { ++evaluations; };
  ASSERT_TRUE(FitDriver(nullptr));
  ExpectRecovered(kOneSpecies, 0.005f, 0.03f);
  EXPECT_GT(evaluations, 40);  // the schedule ran before the final pass
  EXPECT_FLOAT_EQ(FitControl.AnnealTemperature, FitControl.AnnealStartTemperature);
  FitDisplayLinks = NoWindowFitDisplay();
}

TEST_F(DiscreteFitTest, LevenbergMarquardtRecoversTwoSpecies) {
  const std::vector<Species> truth = {{3.0f, 40000.0f, 1.0f}, {8.0f, 150000.0f, 0.5f}};
  MakeData(truth);
  SetSpecies({{2.8f, 36000.0f, 1.0f}, {8.5f, 130000.0f, 0.4f}}, 5.91f);
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
  ASSERT_TRUE(FitDriver(nullptr));
  ExpectRecovered(truth, 0.005f, 0.03f);
  EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[2], 0.5f, 0.01f);
}

}  // namespace
