// Linear parameters and systematic noise: synthetic data made as
// a1 B1 + a2 B2 + TI + RI (+ baseline), without noise, must give back the
// loadings, the noise vectors and the baseline to rounding; the solve stays
// non-negative; the loaded signals are never changed.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "models/LinearParameters.h"
#include "models/TempParameterFile.h"
#include "models/ModelsTestSupport.h"
#include "models/SimulateModel.h"
#include "state/ParameterVector.h"

namespace {

constexpr int kScans = 6;
constexpr float kFirst = 6.0f, kLast = 7.0f, kStep = 0.01f;

// A sedimentation-like boundary of species n in scan j on the common grid.
float Boundary(int n, int j, float r) {
  const float mid = 6.1f + 0.06f * n * j;
  return 0.5f * (1.0f + std::erf((r - mid) / (0.02f + 0.01f * n)));
}

// TI with zero mean over the fit range [6.2, 6.8] is told apart from RI
// exactly: the eliminations put any common offset of the two into RI.
float TrueTi(float r) {
  return 0.03f * std::sin(9.0f * (r - 6.5f));
}
float TrueRi(int j) {
  return 0.01f * static_cast<float>(j) - 0.02f;
}

struct Truth {
  double a1 = 0.0, a2 = 0.0;
  bool ti = false, ri = false;
  float baseline = 0.0f;
};

class LinearParametersTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    std::vector<TestScan> scans;
    for (int j = 1; j <= kScans; ++j)
      scans.push_back({kFirst, kLast, kStep, 100.0 * j, nullptr, 0});
    LoadTestScans(scans);
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    ModelParameters.Meniscus = 5.9f;
    ModelParameters.Bottom = 7.2f;
    ModelParameters.ComponentOn[1] = ModelParameters.ComponentOn[2] = 1;
    SetupCommonRadialGrid();
    ScanDataSet.FitLeftLim = 6.2f;
    ScanDataSet.FitRightLim = 6.8f;
    SetFirstFitIndex();
    SetLastFitIndex();
    // The fit range lies inside the grid, so range and grid means differ.
    ASSERT_GT(CommonRadialGrid.GridFirstFitIndex, 1);
    ASSERT_LT(CommonRadialGrid.GridLastFitIndex, CommonRadialGrid.CommonGridSize);
  }

  // Bases simulated at loading `amplitude` and data of the truth.
  void MakeProblem(const Truth& t, float amplitude = 2.0f) {
    const CommonRadialGridRecord& g = CommonRadialGrid;
    SpeciesSignals.SpeciesBasis.Resize(1, NCOMP);
    for (int i = 1; i <= NCOMP; ++i) {
      SpeciesSignals.SpeciesBasis[i].Resize(1, kScans);
      SpeciesSignals.SpeciesAmplitude[i] = i <= 2 ? amplitude : 0.0f;
      for (int j = 1; j <= kScans; ++j) {
        SpeciesSignals.SpeciesBasis[i][j].Resize(1, g.CommonGridSize);
        for (int k = 1; k <= g.CommonGridSize; ++k)
          SpeciesSignals.SpeciesBasis[i][j][k] =
              i <= 2 ? amplitude * Boundary(i, j, g.CommonGrid[k]) : 0.0f;
      }
    }
    for (int j = 1; j <= kScans; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k) {
        const float r = ScanDataSet.ScanRadius[j][k];
        ScanDataSet.ScanSignal[j][k] =
            static_cast<float>(t.a1 * Boundary(1, j, r) + t.a2 * Boundary(2, j, r)) +
            (t.ti ? TrueTi(r) : 0.0f) + (t.ri ? TrueRi(j) : 0.0f) + t.baseline;
      }
  }

  double MaxResidual() const {
    double worst = 0.0;
    for (int j = 1; j <= kScans; ++j)
      for (int k = ScanDataSet.ScanFirstFitIndex[j]; k <= ScanDataSet.ScanLastFitIndex[j]; ++k)
        worst = std::max(worst, std::fabs(static_cast<double>(ScanDataSet.ScanSignal[j][k]) -
                                          ScanDataSet.ScanModel[j][k]));
    return worst;
  }
};

struct NoiseCase {
  const char* name;
  bool ti, ri, systematic;
};

TEST_F(LinearParametersTest, LoadingsAndNoiseOfSyntheticDataComeBackExactly) {
  const NoiseCase cases[] = {{"TI and RI", true, true, true},
                             {"TI", true, false, false},
                             {"RI", false, true, true},
                             {"none", false, false, false}};
  for (const NoiseCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Truth truth{0.8, 0.3, c.ti, c.ri, 0.0f};
    MakeProblem(truth);
    FitControl.TINoiseFitted = c.ti;
    ModelParameters.RINoiseFitted = c.ri;
    ModelParameters.SystematicNoiseOn = c.systematic;
    ModelParameters.LinearConcentrations = true;
    SolveLinearParameters();
    // Absolute loadings in the amplitudes, total and fraction in the
    // parameters.
    EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[1], 0.8, 1e-4);
    EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[2], 0.3, 1e-4);
    EXPECT_NEAR(ModelParameters.Concentration[1], 1.1, 1e-4);
    EXPECT_NEAR(ModelParameters.Concentration[2], 0.3 / 1.1, 1e-4);
    EXPECT_FLOAT_EQ(ParameterVector[9], ModelParameters.Concentration[1]);
    EXPECT_EQ(ModelParameters.Baseline, 0.0f);
    const CommonRadialGridRecord& g = CommonRadialGrid;
    for (int k = 1; k <= g.CommonGridSize; k += 7)
      EXPECT_NEAR(g.TINoise[k], c.ti ? TrueTi(g.CommonGrid[k]) : 0.0f, 2e-5) << "k " << k;
    if (c.ri) {
      for (int j = 1; j <= kScans; ++j) EXPECT_NEAR(g.RINoise[j], TrueRi(j), 2e-5) << "scan " << j;
    }
    EXPECT_LT(MaxResidual(), 5e-5);
  }
}

TEST_F(LinearParametersTest, BaselineIsFittedOrSubtractedBeforeTheSolve) {
  for (bool fitted : {true, false}) {
    SCOPED_TRACE(fitted ? "fitted" : "fixed");
    MakeProblem({0.5, 0.7, false, false, 0.04f});
    ModelParameters.LinearConcentrations = true;
    ModelParameters.SystematicNoiseOn = fitted;
    ModelParameters.Baseline = fitted ? 0.0f : 0.04f;
    SolveLinearParameters();
    EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[1], 0.5, 1e-4);
    EXPECT_NEAR(SpeciesSignals.SpeciesAmplitude[2], 0.7, 1e-4);
    EXPECT_NEAR(ModelParameters.Baseline, 0.04f, 2e-5);
    EXPECT_NEAR(ParameterVector[BaselineSlot], 0.04f, 2e-5);
    EXPECT_LT(MaxResidual(), 5e-5);
  }
}

TEST_F(LinearParametersTest, NoiseAloneKeepsTheSimulatedLoadings) {
  // Concentrations not linear: the bases stay as simulated, the noise
  // explains the rest.
  MakeProblem({2.0, 2.0, true, true, 0.0f});
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  FitTiRiNoise();
  EXPECT_EQ(SpeciesSignals.SpeciesAmplitude[1], 2.0f);
  EXPECT_NEAR(CommonRadialGrid.RINoise[3], TrueRi(3), 2e-5);
  EXPECT_LT(MaxResidual(), 5e-5);
}

TEST_F(LinearParametersTest, LoadingsStayNonNegativeWhenTheDataAskForANegativeOne) {
  MakeProblem({0.9, -0.4, false, false, 0.0f});
  ModelParameters.LinearConcentrations = true;
  LinearFitConc();
  EXPECT_EQ(SpeciesSignals.SpeciesAmplitude[2], 0.0f);
  EXPECT_GT(SpeciesSignals.SpeciesAmplitude[1], 0.0f);
  EXPECT_GE(ModelParameters.Concentration[2], 0.0f);
}

TEST_F(LinearParametersTest, ConstantSpeciesFixesTheLoadingsInsteadOfSolving) {
  MakeProblem({0.8, 0.3, true, true, 0.0f});
  SpeciesSignals.ConstantSpecies = true;
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.LinearConcentrations = true;
  LinearFitConcTiRi();
  EXPECT_EQ(SpeciesSignals.SpeciesAmplitude[1], 1.0f);
  EXPECT_EQ(SpeciesSignals.SpeciesAmplitude[2], 1.0f);
}

TEST_F(LinearParametersTest, NoSpeciesLeavesTheNoiseAsTheModel) {
  MakeProblem({0.0, 0.0, true, true, 0.0f});
  ModelParameters.ComponentOn[1] = ModelParameters.ComponentOn[2] = 0;
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.LinearConcentrations = true;
  SolveLinearParameters();
  EXPECT_LT(MaxResidual(), 2e-5);
}

TEST_F(LinearParametersTest, RepeatedSolvesLeaveTheLoadedSignalsBitIdentical) {
  MakeProblem({0.8, 0.3, true, true, 0.0f});
  // The grid borrows the scans' own signal arrays: centring in place would
  // show here.
  ASSERT_EQ(CommonRadialGrid.ResampledSignals[2], ScanDataSet.ScanSignal[2].data());
  std::vector<std::vector<float>> before;
  for (int j = 1; j <= kScans; ++j)
    before.emplace_back(ScanDataSet.ScanSignal[j].data() + 1,
                        ScanDataSet.ScanSignal[j].data() + 1 + ScanDataSet.ScanPointCount[j]);
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.LinearConcentrations = true;
  for (int run = 0; run < 5; ++run) {
    LinearFitConcTiRi();
    LinearFitConcRi();
    FitTiRiNoise();
  }
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
      ASSERT_EQ(ScanDataSet.ScanSignal[j][k],
                before[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(k - 1)]);
}

TEST(ConcentrationsToFractions, FirstSwitchedOnHoldsTheTotalAndTheBufferItsSignal) {
  ModelParametersRecord saved = ModelParameters;
  const ModelKind kind = ModelSelection.Kind;
  const BufferMismatchSettingsRecord savedBuffer = CorrectionOptions.BufferMismatch;
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  struct Case {
    bool buffer, linear;
    std::array<float, 5> on, solved, expected;
    float bufferSignal;  // afterwards
  } cases[] = {
      // Switched-off components stay untouched; every on component counts.
      {false, true, {0, 0, 1, 1, 1}, {0, 9, 1, 3, 0}, {0, 9, 4, 0.75f, 0}, 30.0f},
      // A buffer in the last column is no part of the sample's total, and its
      // solved amount becomes the buffer signal.
      {true, true, {0, 1, 1, 0, 1}, {0, 2, 1, 0, 0.5f}, {0, 3, 1.0f / 3.0f, 0, 0.5f}, 0.5f},
      // Without linear concentrations the buffer keeps its own signal.
      {true, false, {0, 1, 1, 0, 1}, {0, 2, 1, 0, 0.5f}, {0, 3, 1.0f / 3.0f, 0, 0.5f}, 30.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "buffer " << c.buffer << " linear " << c.linear);
    ModelParameters = ModelParametersRecord{};
    ModelParameters.LinearConcentrations = c.linear;
    CorrectionOptions.BufferMismatch.On = c.buffer;
    CorrectionOptions.BufferMismatch.BufferSignal = 30.0;
    for (int i = 1; i <= 4; ++i) {
      ModelParameters.ComponentOn[i] = static_cast<int>(c.on[i]);
      ModelParameters.Concentration[i] = c.solved[i];
    }
    ConcentrationsToFractions();
    for (int i = 1; i <= 4; ++i) {
      EXPECT_NEAR(ModelParameters.Concentration[i], c.expected[i], 1e-6) << i;
      if (c.on[i] != 0 && (c.linear || !(c.buffer && i == 4))) {
        EXPECT_NEAR(ParameterVector[8 + i], c.expected[i], 1e-6) << i;
      }
    }
    EXPECT_NEAR(CorrectionOptions.BufferMismatch.BufferSignal, c.bufferSignal, 1e-6);
  }
  ModelParameters = saved;
  ModelSelection.Kind = kind;
  CorrectionOptions.BufferMismatch = savedBuffer;
}

}  // namespace
