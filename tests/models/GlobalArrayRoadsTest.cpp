// The global-array roads with stand-in engines that record how they were
// started and fail on demand: the retry ladder of the discrete road (its
// order of safer settings, the restored settings afterwards, the start time
// of every attempt, and a failed attempt's output taken back), species that
// need no engine, the algorithm switch at its threshold, and the refusal of
// models whose engine is not installed.

#include <gtest/gtest.h>

#include <vector>

#include "data/InitialDistribution.h"
#include "models/GlobalArrayRoads.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"

namespace {

constexpr int kScans = 5;
constexpr float kRpm = 50000.0f;

struct Attempt {
  bool movingHat = false;
  bool truncation = false;
  bool negativityFix = false;
  double start = 0.0;
  int gridSize = 0;
};

std::vector<Attempt> attempts;
int failuresLeft = 0;

// A run that hands a flat profile to the scans. A failing run hands out
// the first two scans with a value no good run gives, then fails.
void FakeRun(bool movingHat) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  attempts.push_back({movingHat, LammSolverSettings.DynamicTruncation, run.RetryRun, run.SimTime,
                      GlobalLammArrays.LammAllocatedSize});
  run.DiscretizationError = run.TridiagError = 0;
  const bool fail = failuresLeft > 0;
  if (fail) --failuresLeft;
  for (int i = 1; i <= GlobalLammArrays.LammAllocatedSize; ++i)
    GlobalLammArrays.LammConcentration[i] = fail ? 100.0 : GlobalLammArrays.LammConcentration[i];
  while (run.KeepRunning) {
    if (fail && run.NextScan > 2) break;
    run.SimTime = run.NextScanTime;
    LammStepCallback(1.0);
  }
  if (fail) run.DiscretizationError = 1;
}

void FakeFixedGrid() {
  FakeRun(false);
}
void FakeMovingHat() {
  FakeRun(true);
}

class GlobalArrayRoadsTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    attempts.clear();
    failuresLeft = 0;
    GlobalArrayRoadState = GlobalArrayRoadStateRecord{};
    SimulationRoads = SimulationRoadsRecord{};
    SimulationRoads.FixedGridLamm = FakeFixedGrid;
    SimulationRoads.MovingHatLamm = FakeMovingHat;
    std::vector<TestScan> scans;
    for (int j = 1; j <= kScans; ++j) scans.push_back({6.0, 7.0, 0.01, 900.0 * j, nullptr, 0});
    LoadTestScans(scans);
    for (int j = 1; j <= kScans; ++j) {
      ScanHeader& h = ScanDataSet.ScanHeaders[j];
      h.Rpm = kRpm;
      h.Temperature = 20.0f;
      h.RecordedTime = h.Time;
      h.RampAcceleration = 1e6;
    }
    ScanDataSet.RampRotorSpeed = false;
    SolventConditions.GasConstantRT = static_cast<float>(8.31451e7 * 293.15);
    FitControl.MassInsteadOfD = false;
    // A non-ideal first component sends the discrete model to the global
    // arrays; with component 1 off, component 2 is an ideal species there.
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    ModelParametersRecord& mp = ModelParameters;
    mp.FirstComponentNonideal = true;
    mp.Meniscus = 5.9f;
    mp.Bottom = 7.2f;
    mp.ComponentOn = {0, 0, 1, 0, 0};
    mp.Concentration = {0, 0, 0.8f, 0, 0};
    mp.SedCoefficient = {0, 0, 4.0f, 0, 0};
    mp.MassOrD = {0, 0, 6.0f, 0, 0};
    mp.TimeOffsetOn = true;
    mp.TimeOffset = 120.0f;
    ScanDataSet.FitLeftLim = 6.05f;
    ScanDataSet.FitRightLim = 6.95f;
    LammSolverSettingsRecord& l = LammSolverSettings;
    l.AutomaticAlgorithm = false;
    l.FixedGrid = true;
    l.MovingFrame = false;
    l.AutoGridSize = false;
    l.DefaultLammGridSize = l.LammGridSize = 200;
    SetupCommonRadialGrid();
    PackParameterVector();
  }
  void TearDown() override {
    SimulationRoads = SimulationRoadsRecord{};
    GlobalArrayRoadState = GlobalArrayRoadStateRecord{};
    ModelsTest::TearDown();
  }

  static void ExpectEveryModelNear(float value) {
    for (int j = 1; j <= kScans; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
        ASSERT_NEAR(ScanDataSet.ScanModel[j][k], value, 1e-5) << "scan " << j << " point " << k;
  }
};

TEST_F(GlobalArrayRoadsTest, PersistentFailureClimbsTheWholeLadderAndRestoresTheSettings) {
  failuresLeft = 100;
  SimulateModel(nullptr);
  ASSERT_EQ(attempts.size(), 4u);
  // First attempt as set; without truncation; once under the moving hat;
  // with the fix of negative values at the meniscus.
  const bool movingHat[] = {false, false, true, false};
  const bool truncation[] = {true, false, false, false};
  const bool fix[] = {false, false, false, true};
  for (std::size_t k = 0; k < attempts.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(attempts[k].movingHat, movingHat[k]);
    EXPECT_EQ(attempts[k].truncation, truncation[k]);
    EXPECT_EQ(attempts[k].negativityFix, fix[k]);
    // Every retry simulates the experiment of the first attempt.
    EXPECT_DOUBLE_EQ(attempts[k].start, 120.0);
  }
  // The moving hat runs on the clamped geometric grid (no automatic size
  // was made: the lower limit).
  EXPECT_EQ(attempts[2].gridSize, LammSolverSettings.MinGridSize);
  EXPECT_TRUE(LammSolverSettings.DynamicTruncation);
  EXPECT_TRUE(LammSolverSettings.FixedGrid);
  EXPECT_FALSE(LammSolverSettings.MovingFrame);
  EXPECT_FALSE(GlobalLammRun.RetryRun);
  EXPECT_EQ(LogLinesWith("change grid size and readjust max dc/c").size(), 1u);
}

TEST_F(GlobalArrayRoadsTest, RetryThatSucceedsReplacesTheFailedOutput) {
  failuresLeft = 1;
  SimulateModel(nullptr);
  ASSERT_EQ(attempts.size(), 2u);
  EXPECT_FALSE(attempts[1].truncation);
  // The failed run's scans are gone; the good run's loading is left.
  ExpectEveryModelNear(0.8f);
  EXPECT_TRUE(LammSolverSettings.DynamicTruncation);
  EXPECT_TRUE(LogLinesWith("change grid size").empty());
}

TEST_F(GlobalArrayRoadsTest, MovingHatRescueIsFollowedByTheFixedGridForTheNextSpecies) {
  ModelParameters.ComponentOn = {0, 0, 1, 1, 0};
  ModelParameters.Concentration = {0, 0, 0.8f, 0.25f, 0};
  ModelParameters.SedCoefficient = {0, 0, 4.0f, 7.0f, 0};
  ModelParameters.MassOrD = {0, 0, 6.0f, 5.0f, 0};
  PackParameterVector();
  failuresLeft = 2;  // the fixed grid twice; the moving hat then succeeds
  SimulateModel(nullptr);
  ASSERT_EQ(attempts.size(), 4u);
  EXPECT_TRUE(attempts[2].movingHat);
  EXPECT_FALSE(attempts[3].movingHat);
  EXPECT_TRUE(attempts[3].truncation);
  // 0.8 x 0.75 and 0.8 x 0.25, with nothing left of the failed runs.
  ExpectEveryModelNear(0.8f);
}

TEST_F(GlobalArrayRoadsTest, BasisModeRetryLeavesNothingOfTheFailedRun) {
  ModelParameters.LinearConcentrations = true;
  PackParameterVector();
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k) ScanDataSet.ScanSignal[j][k] = 0.5f;
  failuresLeft = 1;
  SimulateModel(nullptr);
  ASSERT_EQ(attempts.size(), 2u);
  // A flat basis in every scan fits flat data exactly; a leftover of the
  // failed run in the first scans would not.
  ExpectEveryModelNear(0.5f);
}

TEST_F(GlobalArrayRoadsTest, FirstScanBecomesTheInitialProfileAndIsNotSimulated) {
  ModelParameters.InitialConcentrationExperimental = true;
  ModelParameters.InitialConcentrationConstant = false;
  ModelParameters.TimeOffsetOn = false;
  for (int k = 1; k <= ScanDataSet.ScanPointCount[1]; ++k)
    ScanDataSet.ScanSignal[1][k] = 0.3f + 0.1f * ScanDataSet.ScanRadius[1][k];
  PackParameterVector();
  SimulateModel(nullptr);
  ASSERT_EQ(attempts.size(), 1u);
  EXPECT_DOUBLE_EQ(attempts[0].start, 900.0);
  EXPECT_EQ(InitialDistribution.Count, ScanDataSet.ScanPointCount[1]);
  for (int k = 1; k <= ScanDataSet.ScanPointCount[1]; ++k)
    ASSERT_EQ(ScanDataSet.ScanModel[1][k], ScanDataSet.ScanSignal[1][k]);
  // The later scans carry the captured profile (the fake engine hands the
  // loaded profile on unchanged).
  EXPECT_NEAR(ScanDataSet.ScanModel[3][51], 0.3 + 0.1 * ScanDataSet.ScanRadius[3][51], 1e-4);
}

TEST_F(GlobalArrayRoadsTest, SpeciesThatNeitherSedimentsNorDiffusesKeepsItsLoading) {
  ModelParameters.SedCoefficient[2] = 0.0f;
  ModelParameters.MassOrD[2] = 0.0f;
  PackParameterVector();
  SimulateModel(nullptr);
  EXPECT_TRUE(attempts.empty());
  EXPECT_TRUE(SpeciesSignals.ConstantSpecies);
  ExpectEveryModelNear(0.8f);
}

TEST_F(GlobalArrayRoadsTest, AlgorithmSwitchKeepsTheChoiceExactlyAtTheThreshold) {
  // 5 S normalised to 30000 rpm is 1.8 S at 50000 rpm.
  LammSolverSettings.SwitchThreshold = 5.0f;
  const double T = AlgorithmSwitchThreshold(false);
  EXPECT_NEAR(T, 1.8, 1e-12);
  struct Case {
    double s;
    bool movingHatBefore, movingHatAfter;
  };
  const Case cases[] = {{0.99 * T, true, false},
                        {-1.01 * T, false, true},
                        {T, true, true},
                        {T, false, false},
                        {-T, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    LammSolverSettings.MovingFrame = c.movingHatBefore;
    EXPECT_EQ(AutomaticChoiceIsMovingHat(c.s, false), c.movingHatAfter);
  }
}

TEST_F(GlobalArrayRoadsTest, ModelsWithoutAnInstalledEngineAreRefused) {
  struct Case {
    const char* name;
    void (*set)();
  };
  const Case cases[] = {
      {"non-ideal first component switched on",
       [] {
         ModelParameters.ComponentOn = {0, 1, 1, 0, 0};
       }},
      {"reacting system", [] { ModelSelection.Kind = ModelKind::ReactingABC; }},
      {"diffusion-free species", [] { ModelParameters.MassOrD[2] = 0.0f; }},
      {"equilibrium data", [] { ScanDataSet.EquilibriumDataMode = true; }},
      // Without the buffer's engine the buffer column would stay empty.
      {"buffer mismatch", [] { CorrectionOptions.BufferMismatch.On = true; }},
      {"non-ideal species with the buffer mismatch",
       [] {
         ModelSelection.Kind = ModelKind::NonidealMultipleSpecies;
         CorrectionOptions.BufferMismatch.On = true;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ModelParametersRecord mp = ModelParameters;
    ScanDataSet.ScanModel[2][3] = 42.0f;
    const std::size_t shown =
        LogLinesWith("simulation of this model is not available in this version").size();
    c.set();
    SimulateModel(nullptr);
    EXPECT_EQ(ScanDataSet.ScanModel[2][3], 42.0f);
    EXPECT_TRUE(attempts.empty());
    EXPECT_EQ(LogLinesWith("simulation of this model is not available in this version").size(),
              shown + 1);
    ModelParameters = mp;
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    ScanDataSet.EquilibriumDataMode = false;
    CorrectionOptions.BufferMismatch.On = false;
    ComputationAbort = false;
  }
}

}  // namespace
