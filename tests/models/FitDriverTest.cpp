// The fit driver and its objective on small cases where the truth is known
// by construction: the refusals and fit-limit corrections, the order and
// clamps of the floating items, the spread of a fresh simplex, the end test
// of the simplex cycles (negative values and a perfect previous fit), the
// objective's clamps and stop flag, and an interrupted fit.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "data/DataSetLinks.h"
#include "models/FitDriver.h"
#include "models/FitObjective.h"
#include "models/LevenbergMarquardt.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/TempParameterFile.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"

namespace {

constexpr int kScans = 4;

class FitDriverTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    FitDriverSettings = FitDriverSettingsRecord{};
    CorrectionOptions = CorrectionOptionsRecord{};
    SeedClockRandomGenerators(5);
  }
  void TearDown() override {
    CorrectionOptions = CorrectionOptionsRecord{};
    FitDriverSettings = FitDriverSettingsRecord{};
    ModelsTest::TearDown();
  }

  // Scans of a 4 S, 50 kDa species, the model's data exactly.
  void LoadFittableScans() {
    std::vector<TestScan> scans;
    for (int j = 1; j <= kScans; ++j) scans.push_back({6.0, 7.0, 0.01, 1500.0 * j, nullptr, 0});
    LoadTestScans(scans);
    for (int j = 1; j <= kScans; ++j) {
      ScanHeader& h = ScanDataSet.ScanHeaders[j];
      h.Rpm = 50000.0f;
      h.Temperature = 20.0f;
      h.RecordedTime = h.Time;
      const double omega = 50000.0 * 3.14159265358979323846 / 30.0;
      h.Omega2t = static_cast<float>(omega * omega * h.Time);
      h.RampAcceleration = 1e6f;
    }
    SolventConditions.GasConstantRT = static_cast<float>(8.31451e7 * 293.15);
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    FitControl.SaveBestParameters = false;
    FitControl.MINMENISCUS = 5.85f;
    FitControl.MAXMENISCUS = 5.95f;
    FitControl.MINBOTTOM = 7.15f;
    FitControl.MAXBOTTOM = 7.25f;
    ModelParametersRecord& mp = ModelParameters;
    mp.Meniscus = 5.9f;
    mp.Bottom = 7.2f;
    mp.ComponentOn = {0, 1, 0, 0, 0};
    mp.Concentration = {0, 1.0f, 0, 0, 0};
    mp.SedCoefficient = {0, 4.0f, 0, 0, 0};
    mp.MassOrD = {0, 50000.0f, 0, 0, 0};
    ScanDataSet.FitLeftLim = 6.0f;
    ScanDataSet.FitRightLim = 7.0f;
    SetupCommonRadialGrid();
    PackParameterVector();
    SimulateModel(nullptr);
    for (int j = 1; j <= kScans; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
        ScanDataSet.ScanSignal[j][k] = ScanDataSet.ScanModel[j][k];
  }
};

TEST_F(FitDriverTest, PreconditionsRefuseOrCorrectTheFitRange) {
  EXPECT_FALSE(FitPreconditions(nullptr));
  EXPECT_EQ(LogLinesWith("load data first").size(), 1u);
  EXPECT_FALSE(FitDriver(nullptr));  // nothing evaluated, no fit running
  EXPECT_EQ(FitControl.SimulationCount, 0);
  EXPECT_FALSE(FitControl.FitRunning);

  LoadFittableScans();
  ModelParameters.Meniscus = 0.0f;
  EXPECT_FALSE(FitPreconditions(nullptr));
  EXPECT_EQ(LogLinesWith("set meniscus and bottom first").size(), 1u);
  DlsDataMode = true;  // light-scattering data have no cell
  EXPECT_TRUE(FitPreconditions(nullptr));
  DlsDataMode = false;

  ModelParameters.Meniscus = 5.9f;
  ScanDataSet.FitLeftLim = 0.0f;
  ScanDataSet.FitRightLim = 7.4f;
  EXPECT_TRUE(FitPreconditions(nullptr));
  // Moved to meniscus and bottom, then onto the scans, which span 6 to 7 cm.
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.0f);
  EXPECT_FLOAT_EQ(ScanDataSet.FitRightLim, 7.0f);
  EXPECT_EQ(LogLinesWith("setting left fit limit to meniscus").size(), 1u);
  EXPECT_EQ(LogLinesWith("setting right fit limit to bottom").size(), 1u);
  // The scans end at 7.0 cm: the whole scan is now fitted.
  EXPECT_EQ(ScanDataSet.ScanFirstFitIndex[1], 1);
  EXPECT_EQ(ScanDataSet.ScanLastFitIndex[1], ScanDataSet.ScanPointCount[1]);
}

TEST_F(FitDriverTest, FloatingItemsComeInTheirOrderWithTheirClamps) {
  FluorescenceCorrectionsRecord& fl = CorrectionOptions.Fluorescence;
  fl.ShadowOn = fl.ShadowFitted = true;
  fl.ShadowRadius = 0.3f;
  CorrectionOptions.WienerSkewing = {true, -2e-6f, 0.0f, 1};
  BufferMismatchSettingsRecord& bm = CorrectionOptions.BufferMismatch;
  bm.On = bm.BufferDOrMbFitted = true;
  bm.BufferSignalFitted = false;
  FitControl.MassInsteadOfD = false;
  bm.BufferD = 0.001;  // below the packing floor
  ParameterFitted.fill(0);
  ParameterFitted[5] = ParameterFitted[13] = 1;
  ParameterVector[5] = 4.0f;
  ParameterVector[13] = 5.9f;

  EXPECT_EQ(FloatingItemNumbers(), (std::vector<int>{2, 3, 15, 0, 0}));
  EXPECT_EQ(FloatingSlotNumbers(), (std::vector<int>{0, 0, 0, 5, 13}));
  float v[6] = {};
  ASSERT_EQ(PackFloating(5, v), 5);
  EXPECT_FLOAT_EQ(v[1], 0.3f);    // the cone comes before the skew
  EXPECT_FLOAT_EQ(v[2], -2e-6f);  // packed as it is
  EXPECT_FLOAT_EQ(v[3], 0.01f);   // raised, in the vector and the model
  EXPECT_DOUBLE_EQ(bm.BufferD, 0.01f);
  EXPECT_FLOAT_EQ(v[5], 5.9f);
  EXPECT_EQ(PackFloating(0, nullptr), 5);

  float u[6] = {0, 2.0f, -1e-6f, -2000.0f, 4.5f, 5.8f};
  UnpackFloating(u);
  EXPECT_FLOAT_EQ(fl.ShadowRadius, 1.0f);  // held at most 1, the vector keeps 2
  EXPECT_FLOAT_EQ(u[1], 2.0f);
  EXPECT_FLOAT_EQ(u[2], 0.0f);  // a negative skew is 0 in vector and model
  EXPECT_FLOAT_EQ(CorrectionOptions.WienerSkewing.Magnitude, 0.0f);
  EXPECT_DOUBLE_EQ(bm.BufferD, 1000.0);  // magnitude, held below 1000
  EXPECT_FLOAT_EQ(ParameterVector[5], 4.5f);
  EXPECT_FLOAT_EQ(ModelParameters.SedCoefficient[1], 4.5f);
}

TEST_F(FitDriverTest, FreshSimplexSpreadsByTheSlotRules) {
  FitControl.MINMENISCUS = 5.85f;
  FitControl.MAXMENISCUS = 5.95f;
  ParameterFitted.fill(0);
  // s at 0 (no spread), meniscus far outside its range, baseline at 0 (an
  // absolute spread), and a time offset.
  for (int k : {5, 13, 15, 24}) ParameterFitted[k] = 1;
  const int n = 4;
  OneBasedMatrix<float> p(1, n + 1, 1, n);
  p[1][1] = 0.0f;
  p[1][2] = 6.5f;
  p[1][3] = 0.0f;
  p[1][4] = 0.0f;
  InitialSimplex(n, p.get());
  int baselineMoved = 0, offsetMoved = 0;
  for (int j = 2; j <= n + 1; ++j) {
    EXPECT_EQ(p[j][1], 0.0f);
    EXPECT_GE(p[j][2], 5.85f);
    EXPECT_LE(p[j][2], 5.95f);
    baselineMoved += p[j][3] != 0.0f;
    offsetMoved += std::fabs(p[j][4]) > 1.0f;
  }
  EXPECT_EQ(baselineMoved, n);
  EXPECT_EQ(offsetMoved, n);
}

FitSnapshot Snapshot(std::vector<int> items, std::vector<float> values, int slot, float slotValue) {
  FitSnapshot s;
  s.items = std::move(items);
  s.values = std::move(values);
  s.slots.fill(0.0f);
  s.slots[static_cast<std::size_t>(slot)] = slotValue;
  return s;
}

TEST(CycleConverged, ChangesAreJudgedAgainstTheMagnitudeOfTheOldValue) {
  struct Case {
    const char* what;
    float slotBefore, slotNow, rmsdBefore, rmsdNow;
    float skewBefore, skewNow;
    bool converged;
  };
  const float tol = 0.01f;
  const Case cases[] = {
      {"same values", 4.0f, 4.0f, 0.01f, 0.01f, 1e-3f, 1e-3f, true},
      {"small change", 4.0f, 4.02f, 0.01f, 0.0101f, 1e-3f, 1e-3f, true},
      {"positive value moved 5 %", 4.0f, 4.2f, 0.01f, 0.01f, 1e-3f, 1e-3f, false},
      // log10 K or a flotation s: a negative value that moved must not pass.
      {"negative value moved 5 %", -4.0f, -4.2f, 0.01f, 0.01f, 1e-3f, 1e-3f, false},
      {"negative value settled", -4.0f, -4.01f, 0.01f, 0.01f, 1e-3f, 1e-3f, true},
      {"rmsd moved", 4.0f, 4.0f, 0.01f, 0.012f, 1e-3f, 1e-3f, false},
      // A perfect previous fit is compared absolutely, not divided by 0.
      {"perfect fit stays perfect", 4.0f, 4.0f, 0.0f, 0.0f, 1e-3f, 1e-3f, true},
      {"perfect fit lost", 4.0f, 4.0f, 0.0f, 0.5f, 1e-3f, 1e-3f, false},
      {"zero old value, small new", 0.0f, 0.005f, 0.01f, 0.01f, 1e-3f, 1e-3f, true},
      {"zero old value, large negative new", 0.0f, -0.5f, 0.01f, 0.01f, 1e-3f, 1e-3f, false},
      {"skew from 0 within 1e-5", 4.0f, 4.0f, 0.01f, 0.01f, 0.0f, 5e-6f, true},
      {"skew from 0 beyond 1e-5", 4.0f, 4.0f, 0.01f, 0.01f, 0.0f, 5e-5f, false},
  };
  for (const Case& c : cases) {
    const FitSnapshot before = Snapshot({3, 0}, {c.skewBefore, c.slotBefore}, 20, c.slotBefore);
    const FitSnapshot now = Snapshot({3, 0}, {c.skewNow, c.slotNow}, 20, c.slotNow);
    EXPECT_EQ(CycleConverged(before, now, c.rmsdBefore, c.rmsdNow, tol), c.converged) << c.what;
  }
}

TEST_F(FitDriverTest, ObjectiveClampsWhatItSimulatesAndStopsOnAbort) {
  LoadFittableScans();
  CorrectionOptions.WienerSkewing = {true, 0.0f, 0.0f, 1};
  ParameterFitted.fill(0);
  ParameterFitted[MeniscusSlot] = 1;
  float v[3] = {0, -1e-6f, 5.7f};
  const float r = SimplexSim(v, nullptr);
  EXPECT_FLOAT_EQ(v[1], 0.0f);  // the skew is 0 in the vector too
  EXPECT_FLOAT_EQ(v[2], 5.7f);  // the vector keeps the outside meniscus
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 5.85f);
  EXPECT_FLOAT_EQ(FitDriverSettings.GridMeniscus, 5.85f);
  EXPECT_GT(r, 0.0f);
  EXPECT_EQ(FitControl.SimulationCount, 1);

  FitControl.FitAbort = true;
  v[2] = 5.9f;
  EXPECT_EQ(SimplexSim(v, nullptr), FitAbortRmsd);
  EXPECT_EQ(FitControl.SimulationCount, 1);  // nothing simulated or counted
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 5.85f);
}

TEST_F(FitDriverTest, ObjectiveDerivesTheOligomerMasses) {
  ModelSelection.Kind = ModelKind::SelfAssociation148;
  ParameterFitted.fill(0);
  ParameterFitted[1] = ParameterFitted[2] = 1;
  float v[3] = {0, 50000.0f, 1.0f};
  SimplexSim(v, nullptr);  // no scans: nothing is simulated
  EXPECT_FLOAT_EQ(ParameterVector[2], 200000.0f);
  EXPECT_FLOAT_EQ(ParameterVector[12], 400000.0f);
}

TEST_F(FitDriverTest, ProgressLinesHoldAnyCounter) {
  FitControl.SimulationCount = INT_MAX;
  FitControl.OptimizerStep = INT_MAX;
  FitControl.EvaluationCount = INT_MIN;
  FitControl.AnnealTemperature = 1e30f;
  FitDriverSettings.OptimizerKind = OptimizerChoice::SimulatedAnnealing;
  const std::string line = EvaluationProgressLine();
  EXPECT_EQ(line.rfind("sim #2147483647, SA step #2147483647, step#-2147483648, T=1", 0), 0u);
  EXPECT_EQ(line.substr(line.size() - 4), "    ");
  EXPECT_TRUE(EvaluationProgressSecondLine().empty());
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
  EXPECT_EQ(EvaluationProgressSecondLine().rfind("testrmsd=", 0), 0u);
  FitDriverSettings.OptimizerKind = OptimizerChoice::Simplex;
  EXPECT_EQ(EvaluationProgressLine(), "s2147483647, step #-2147483648     ");
}

TEST_F(FitDriverTest, NothingFloatingEndsAtOnce) {
  LoadFittableScans();
  ParameterFitted.fill(0);
  for (OptimizerChoice kind : {OptimizerChoice::Simplex, OptimizerChoice::SimulatedAnnealing,
                               OptimizerChoice::LevenbergMarquardt}) {
    FitDriverSettings.OptimizerKind = kind;
    EXPECT_TRUE(FitDriver(nullptr));
    EXPECT_EQ(FitControl.SimulationCount, 0);
    EXPECT_FALSE(FitControl.FitRunning);
  }
}

TEST_F(FitDriverTest, AnnealingAtTemperatureZeroHandsOverToTheFinalPass) {
  LoadFittableScans();
  ModelParameters.SedCoefficient[1] = 3.9f;
  ModelParameters.SedCoefficientFitted[1] = 1;
  PackParameterVector();
  FitDriverSettings.OptimizerKind = OptimizerChoice::SimulatedAnnealing;
  FitControl.AnnealTemperature = 0.0f;
  for (bool thenLM : {false, true}) {
    FitControl.AnnealThenLM = thenLM;
    MarquardtWork.alamda = -5.0;  // untouched unless Levenberg-Marquardt runs
    ModelParameters.SedCoefficient[1] = 3.9f;
    PackParameterVector();
    ASSERT_TRUE(FitDriver(nullptr));
    EXPECT_EQ(MarquardtWork.alamda, thenLM ? 0.0 : -5.0) << thenLM;
    EXPECT_NEAR(ModelParameters.SedCoefficient[1], 4.0f, 0.01f) << thenLM;
    // The residuals belong to the final point.
    EXPECT_NEAR(ScanDataSet.ScanResiduals[2][40],
                ScanDataSet.ScanSignal[2][40] - ScanDataSet.ScanModel[2][40], 1e-6);
  }
}

TEST_F(FitDriverTest, AnnealingRefusesASingleTemperature) {
  LoadFittableScans();
  ParameterFitted.fill(0);
  ParameterFitted[5] = 1;
  FitDriverSettings.OptimizerKind = OptimizerChoice::SimulatedAnnealing;
  FitControl.AnnealSteps = 1;
  EXPECT_FALSE(FitDriver(nullptr));
  EXPECT_EQ(FitControl.SimulationCount, 0);
  EXPECT_FALSE(FitControl.FitRunning);
}

TEST_F(FitDriverTest, InterruptedFitEndsAtTheBestVertexAndRaisesTheFlags) {
  LoadFittableScans();
  ModelParameters.SedCoefficient[1] = 3.8f;
  ModelParameters.SedCoefficientFitted[1] = 1;
  PackParameterVector();
  // A key press during the 12th evaluation.
  FitDisplayLinks.ShowEvaluationProgress = [this](platform::WindowHandle, const std::string&,
                                                  const std::string&) {
    if (FitControl.SimulationCount == 12) backend().QueueKeyPress(nullptr, 27, 27);
  };
  ASSERT_TRUE(FitDriver(nullptr));
  EXPECT_FALSE(FitControl.FitAbort);
  EXPECT_FALSE(FitControl.FitRunning);
  EXPECT_TRUE(FitDriverSettings.SerialFitInterrupted);
  EXPECT_TRUE(FitDriverSettings.RealtimeUpdateInterrupted);
  // 12 evaluations, then the best vertex evaluated once more for real.
  EXPECT_EQ(FitControl.SimulationCount, 13);
  EXPECT_LT(FitControl.CurrentRmsd, 0.05f);
  EXPECT_LT(std::fabs(ModelParameters.SedCoefficient[1] - 4.0f), 0.2f);
}

}  // namespace
