// Fits of the nonlinear parameters of distribution models: the cycle end
// test, the clamps of the vector, and a c(s) fit of meniscus and f/f0 on
// data simulated with the Lamm solver at known values.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "data/DataSetServices.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "distributions/ContiFit.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "distributions/SyntheticVelocityData.h"
#include "models/FitDriver.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/RandomNumbers.h"

namespace {

namespace sv = synthetic_velocity;

struct CycleCase {
  const char* name;
  float rmsd, previousRmsd;
  std::vector<float> previous, current;  // [0] unused
  bool converged;
};

class ContiCycleTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(ContiCycleTest, JudgesChangesByTheMagnitudeOfTheOldValue) {
  const CycleCase& c = GetParam();
  const int n = static_cast<int>(c.previous.size()) - 1;
  EXPECT_EQ(
      ContiCycleConverged(c.rmsd, c.previousRmsd, c.previous.data(), c.current.data(), n, 0.01f),
      c.converged);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, ContiCycleTest,
    ::testing::Values(
        CycleCase{"SmallChangesPass", 1.0f, 1.005f, {0, 5.8f, 1.2f}, {0, 5.81f, 1.205f}, true},
        CycleCase{"RmsdStillFalling", 0.9f, 1.0f, {0, 5.8f}, {0, 5.8f}, false},
        // log10 ks of -2 moving to +2 is a large change, not a pass.
        CycleCase{"NegativeValueMovingFarFails", 1.0f, 1.0f, {0, -2.0f}, {0, 2.0f}, false},
        CycleCase{"NegativeValueSteadyPasses", 1.0f, 1.0f, {0, -2.0f}, {0, -2.01f}, true},
        CycleCase{"ZeroStaysNearZero", 1.0f, 1.0f, {0, 0.0f}, {0, 0.005f}, true},
        CycleCase{"ZeroMovedAway", 1.0f, 1.0f, {0, 0.0f}, {0, 0.5f}, false},
        CycleCase{"PerfectFitTwiceConverges", 0.0f, 0.0f, {0, 5.8f}, {0, 5.8f}, true},
        CycleCase{"RmsdLeavingZeroDoesNot", 0.1f, 0.0f, {0, 5.8f}, {0, 5.8f}, false},
        CycleCase{"NaNValueNeverPasses", 1.0f, 1.0f, {0, 5.8f}, {0, kNaN}, false}),
    [](const ::testing::TestParamInfo<CycleCase>& p) { return std::string(p.param.name); });

// A cycle whose simplex did not move leaves the best vertex unchanged, which
// would pass the tolerance trivially: it only counts, and the fit ends once
// the best vertex has withstood three fresh simplexes in a row. A cycle that
// moved beyond the tolerance starts the count again.
TEST(ContiCycleEndTest, UnmovedCyclesAreNoEvidenceOfConvergence) {
  const float best[] = {0.0f, 1.19f, 5.90f};
  int stalled = 0;
  EXPECT_FALSE(ContiCycleEnds(false, stalled, 1.0f, 1.0f, best, best, 2, 0.01f));
  EXPECT_FALSE(ContiCycleEnds(false, stalled, 1.0f, 1.0f, best, best, 2, 0.01f));
  // A moved cycle that is still improving resets the count.
  const float further[] = {0.0f, 1.23f, 5.90f};
  EXPECT_FALSE(ContiCycleEnds(true, stalled, 0.98f, 1.0f, best, further, 2, 0.01f));
  EXPECT_EQ(stalled, 0);
  for (int k = 1; k < ContiStalledCyclesToConverge; ++k)
    EXPECT_FALSE(ContiCycleEnds(false, stalled, 0.98f, 0.98f, further, further, 2, 0.01f)) << k;
  EXPECT_TRUE(ContiCycleEnds(false, stalled, 0.98f, 0.98f, further, further, 2, 0.01f));
  // A moved cycle within the tolerance counts like an unmoved one: creeping
  // down a shallow valley is no convergence until fresh simplexes confirm it.
  stalled = 0;
  const float close[] = {0.0f, 1.231f, 5.901f};
  for (int k = 1; k < ContiStalledCyclesToConverge; ++k)
    EXPECT_FALSE(ContiCycleEnds(true, stalled, 0.979f, 0.98f, further, close, 2, 0.01f)) << k;
  EXPECT_TRUE(ContiCycleEnds(true, stalled, 0.979f, 0.98f, further, close, 2, 0.01f));
}

class ContiFitTest : public ContiRunTest {
 protected:
  void TearDown() override {
    ContiFitState = ContiFitStateRecord{};
    CorrectionOptions = CorrectionOptionsRecord{};
    SpeciesEngineParameters = SpeciesEngineParametersRecord{};
    FitDriverSettings = FitDriverSettingsRecord{};
    InhomogeneousSolventOn = false;
    ContiRunTest::TearDown();
  }

  static void SetModel(ModelKind kind, float ff0, float meniscus) {
    ModelSelection.Kind = kind;
    ParameterVector[1] = 1.0f;   // smin
    ParameterVector[2] = 0.68f;  // confidence level
    ParameterVector[3] = 0.73f;  // vbar
    ParameterVector[4] = 0.3f;
    ParameterVector[5] = 8.6f;   // smax: 5 S is a grid point
    ParameterVector[7] = 1.0f;   // density
    ParameterVector[9] = 20.0f;  // resolution
    ParameterVector[11] = ff0;
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = meniscus;
    ParameterVector[14] = 7.2f;
    UnpackParameterVector();
  }

  // Six scans of 100 radii of a 5 S species (meniscus 5.85 cm), loaded; then
  // the c(s) model at meniscus `start` with a 10-point grid.
  void LoadSixScansOf5S(double noise, float start) {
    sv::Experiment e;
    e.Meniscus = 5.85;
    e.Scans = 6;
    e.Points = 100;
    e.RadialStep = 0.012;
    e.FirstTime = 1500.0;
    e.Interval = 800.0;
    e.NoiseSd = noise;
    SetModel(ModelKind::ContinuousCS, 1.2f, 5.85f);
    LoadExperiment(e, sv::MakeData(e, {{5.0, DFromMass(CalculateM(5.0f), 20.0f), 0.8}}));
    SetModel(ModelKind::ContinuousCS, 1.2f, start);
    ParameterVector[9] = 10.0f;
    UnpackParameterVector();
  }

  // The meniscus floats within 5.75 to 5.895 cm, the range of the fits of
  // these scans.
  static void FloatMeniscus() {
    ParameterFitted[MeniscusSlot] = 1;
    FitControl.MINMENISCUS = 5.75f;
    FitControl.MAXMENISCUS = 5.895f;
  }

  // The fit, with every regularised evaluation shown first to watch.
  bool FitWatchingEvaluations(const std::function<void()>& watch) {
    const auto saved = StoredDistributionServices.CalculateppAFit;
    StoredDistributionServices.CalculateppAFit = [&](platform::WindowHandle w) {
      watch();
      saved(w);
    };
    const bool fitted = FitContiModel(window_);
    StoredDistributionServices.CalculateppAFit = saved;
    return fitted;
  }

  static constexpr int kWindowStandIn = 0;
  const platform::WindowHandle window_ = &kWindowStandIn;
};

// The vector holds f/f0 before the meniscus; their spreads are those of a
// frictional ratio and a geometry item. Negative trial values of f/f0 and
// of the invariant D are raised to the small positive values of the
// packing (never 0), in the model, its parameter slot and the vector.
TEST_F(ContiFitTest, PacksInOrderAndClampsRatiosAndDPositive) {
  SetModel(ModelKind::ContinuousCS, 1.2f, 5.8f);
  DistributionSettings.FrictionalRatioFitted = 1;
  ParameterFitted[MeniscusSlot] = 1;
  float x[3] = {};
  ASSERT_EQ(PackContiParameters(2, x), 2);
  EXPECT_EQ(x[1], 1.2f);
  EXPECT_EQ(x[2], 5.8f);
  EXPECT_EQ(ContiSpreadFactor(1), 0.1f);
  EXPECT_EQ(ContiSpreadFactor(2), 0.01f);

  x[1] = -0.4f;
  UnpackContiParameters(x);
  EXPECT_EQ(DistributionSettings.StartingFrictionalRatio, 0.01f);
  EXPECT_EQ(ParameterVector[11], 0.01f);
  EXPECT_EQ(x[1], 0.01f);

  ModelSelection.Kind = ModelKind::CSInvariantD;
  DistributionSettings.FrictionalRatioFitted = 0;
  DistributionSettings.InvariantDFitted = 1;
  ParameterFitted[MeniscusSlot] = 0;
  ASSERT_EQ(PackContiParameters(0, nullptr), 1);
  float d[2] = {0.0f, -3.0f};
  UnpackContiParameters(d);
  EXPECT_EQ(DistributionSettings.InvariantD, 0.001f);
  EXPECT_EQ(d[1], 0.001f);
}

// The vbar of the inhomogeneous solvent floats first in the vector, as the
// apparent vbar while that is on, else as VBAR with its buoyancy term; a
// negative value becomes 0.01 when packed but 0 when unpacked.
TEST_F(ContiFitTest, FloatsTheVbarOfTheInhomogeneousSolvent) {
  SetModel(ModelKind::ContinuousCS, 1.2f, 5.8f);
  ParameterFitted[MeniscusSlot] = 1;
  FitDriverSettings.VbarFloating = true;
  ASSERT_EQ(PackContiParameters(0, nullptr), 1) << "only with the solvent model on";
  InhomogeneousSolventOn = true;

  FitDriverSettings.ApparentVbarOn = true;
  FitDriverSettings.ApparentVbar = -0.2f;
  float x[3] = {};
  ASSERT_EQ(PackContiParameters(2, x), 2);
  EXPECT_EQ(x[1], 0.01f);
  EXPECT_EQ(FitDriverSettings.ApparentVbar, 0.01f);
  EXPECT_EQ(x[2], 5.8f);
  x[1] = 0.71f;
  UnpackContiParameters(x);
  EXPECT_EQ(FitDriverSettings.ApparentVbar, 0.71f);
  EXPECT_EQ(SolventConditions.VBAR, 0.73f);

  FitDriverSettings.ApparentVbarOn = false;
  x[1] = 0.74f;
  UnpackContiParameters(x);
  EXPECT_EQ(SolventConditions.VBAR, 0.74f);
  EXPECT_NEAR(SolventConditions.VbarRho, 0.74f * 0.99823f, 1e-6f);
  x[1] = -0.3f;
  UnpackContiParameters(x);
  EXPECT_EQ(SolventConditions.VBAR, 0.0f);
  EXPECT_EQ(x[1], 0.0f);
}

// The meniscus of a trial is held within the fit's meniscus range.
TEST_F(ContiFitTest, HoldsTheMeniscusWithinItsRange) {
  SetModel(ModelKind::ContinuousCS, 1.2f, 5.8f);
  ParameterFitted[MeniscusSlot] = 1;
  FitControl.MINMENISCUS = 5.7f;
  FitControl.MAXMENISCUS = 5.9f;
  for (const auto& [trial, held] : {std::pair{5.5f, 5.7f}, {6.1f, 5.9f}, {5.83f, 5.83f}}) {
    float x[2] = {0.0f, trial};
    UnpackContiParameters(x);
    EXPECT_EQ(ModelParameters.Meniscus, held) << trial;
    EXPECT_EQ(ParameterVector[MeniscusSlot], held) << trial;
  }
}

// 12 scans of 150 radii of a 5 S species at meniscus 5.85 cm and f/f0 1.35;
// the simplex cycles, started at 5.88 cm and 1.2, find both, and the final
// evaluation stores a regularised distribution whose peak is at 5 S.
TEST_F(ContiFitTest, SimplexRecoversMeniscusAndFrictionalRatio) {
  sv::Experiment e;
  e.Meniscus = 5.85;
  e.Scans = 12;
  e.Points = 150;
  e.RadialStep = 0.008;
  e.FirstTime = 1500.0;
  e.Interval = 400.0;
  e.NoiseSd = 0.003;
  SetModel(ModelKind::ContinuousCS, 1.35f, 5.85f);
  const float M = CalculateM(5.0f);
  const sv::Data data = sv::MakeData(e, {{5.0, DFromMass(M, 20.0f), 0.8}});
  LoadExperiment(e, data);
  FitTimeAndRadialInvariantNoise();

  SetModel(ModelKind::ContinuousCS, 1.2f, 5.88f);
  DistributionSettings.FrictionalRatioFitted = 1;
  FloatMeniscus();
  ModelParameters.MeniscusFitted = 1;
  SeedClockRandomGenerators(11);

  ASSERT_TRUE(FitContiModel(window_));
  EXPECT_NEAR(ModelParameters.Meniscus, 5.85f, 0.003f);
  EXPECT_NEAR(DistributionSettings.StartingFrictionalRatio, 1.35f, 0.05f);
  EXPECT_NEAR(FitControl.CurrentRmsd, e.NoiseSd, 0.2 * e.NoiseSd);
  EXPECT_TRUE(DistributionRunFlags.FinalEvaluation);
  EXPECT_FALSE(FitControl.FitRunning);
}

// Three species of f/f0 1.25 with time- and radial-invariant offsets on a
// small, coarse fixture, fitted with the meniscus and f/f0 floating. The
// rmsd is shallow in f/f0 and has small local dips; from f/f0 1.6 this seed
// stopped the simplex cycles at 1.57 (the cycles crept by less than the
// cycle tolerance, and fresh simplexes of the first size stayed in a dip),
// while Levenberg-Marquardt from the true f/f0 ends at 1.35.
TEST_F(ContiFitTest, SimplexStartedFarFromTheFrictionalRatioReachesTheMarquardtFit) {
  sv::Experiment e;
  e.Meniscus = 5.85;
  e.Scans = 6;
  e.Points = 80;
  e.RadialStep = 0.015;
  e.FirstTime = 1500.0;
  e.Interval = 800.0;
  e.NoiseSd = 0.004;
  SetModel(ModelKind::ContinuousCS, 1.25f, 5.85f);
  std::vector<sv::Species> mixture;
  for (const auto& [s, c] : {std::pair{3.0, 0.5}, std::pair{5.5, 0.3}, std::pair{9.0, 0.15}})
    mixture.push_back({s, DFromMass(CalculateM(static_cast<float>(s)), 20.0f), c});
  LoadExperiment(e, sv::MakeData(e, mixture));
  FitTimeAndRadialInvariantNoise();
  FitControl.SaveBestParameters = false;

  struct Result {
    float ff0, rmsd;
  };
  const auto fitFrom = [&](float ff0, OptimizerChoice optimizer) {
    SetModel(ModelKind::ContinuousCS, ff0, 5.87f);
    ParameterVector[5] = 12.0f;  // smax above the fastest species
    ParameterVector[9] = 12.0f;  // resolution
    UnpackParameterVector();
    DistributionSettings.FrictionalRatioFitted = 1;
    FloatMeniscus();
    ModelParameters.MeniscusFitted = 1;
    FitDriverSettings.OptimizerKind = optimizer;
    SeedClockRandomGenerators(13);
    EXPECT_TRUE(FitContiModel(window_));
    return Result{DistributionSettings.StartingFrictionalRatio, FitControl.CurrentRmsd};
  };
  const Result marquardt = fitFrom(1.25f, OptimizerChoice::LevenbergMarquardt);
  const Result simplex = fitFrom(1.6f, OptimizerChoice::Simplex);
  EXPECT_NEAR(simplex.ff0, marquardt.ff0, 0.02f * marquardt.ff0);
  EXPECT_LT(simplex.rmsd, 1.005f * marquardt.rmsd);
}

// With nothing floating, a fit is one regularised evaluation at the current
// values: the distribution stays that of a run (the fit's start builds the
// grid anew, which must not leave an empty result), for every optimiser.
TEST_F(ContiFitTest, FitWithNothingFloatingKeepsTheDistribution) {
  LoadSixScansOf5S(sv::Experiment{}.NoiseSd, 5.85f);
  ParameterFitted[MeniscusSlot] = 0;
  RunContiSed(window_);
  const float runRmsd = ScanRmsd();
  for (OptimizerChoice kind : {OptimizerChoice::Simplex, OptimizerChoice::LevenbergMarquardt}) {
    FitDriverSettings.OptimizerKind = kind;
    ASSERT_EQ(PackContiParameters(0, nullptr), 0);
    ASSERT_TRUE(FitContiModel(window_));
    const auto& c = DistributionResult.DistValues;
    const auto peak = std::max_element(c.begin() + 1, c.end());
    ASSERT_GT(*peak, 0.0f);
    EXPECT_NEAR(DistributionResult.DistSGrid[peak - c.begin()], 5.0f, 0.8f);
    EXPECT_NEAR(ScanRmsd(), runRmsd, 0.1f * runRmsd);
  }
}

// A short annealing of the meniscus alone, whose last simplex (four
// evaluations at temperature 0) does not hold the best point found while
// hot: the one regularised evaluation (and the storing after it) is made
// at the best point the fit reports, not at the lowest vertex of the last
// simplex.
TEST_F(ContiFitTest, AnnealingEvaluatesFinallyAtTheBestPointItReports) {
  LoadSixScansOf5S(sv::Experiment{}.NoiseSd, 5.87f);
  FloatMeniscus();
  FitControl.AnnealSteps = 2;
  FitControl.AnnealIterations = 4;
  FitControl.AnnealThenLM = false;
  FitControl.AnnealThenSimplex = false;
  FitDriverSettings.OptimizerKind = OptimizerChoice::SimulatedAnnealing;
  SeedClockRandomGenerators(1);

  std::vector<float> finalMenisci;
  const bool fitted = FitWatchingEvaluations([&] {
    if (DistributionRunFlags.FinalEvaluation) finalMenisci.push_back(ModelParameters.Meniscus);
  });

  ASSERT_TRUE(fitted);
  ASSERT_FALSE(finalMenisci.empty());
  for (float m : finalMenisci) EXPECT_EQ(m, ModelParameters.Meniscus);
  EXPECT_EQ(ParameterVector[MeniscusSlot], ModelParameters.Meniscus);
  EXPECT_NEAR(ModelParameters.Meniscus, 5.85f, 0.01f);
  EXPECT_EQ(FitControl.AnnealTemperature, FitControl.AnnealStartTemperature);
}

// Levenberg-Marquardt alone moves the meniscus from 5.87 cm to the 5.85 cm of
// the data, and its final evaluation regularises.
TEST_F(ContiFitTest, MarquardtRecoversTheMeniscus) {
  const double noise = 0.003;
  LoadSixScansOf5S(noise, 5.87f);
  FloatMeniscus();
  FitControl.SaveBestParameters = false;
  FitTimeAndRadialInvariantNoise();
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;

  ASSERT_TRUE(FitContiModel(window_));
  EXPECT_NEAR(ModelParameters.Meniscus, 5.85f, 0.003f);
  EXPECT_EQ(ParameterVector[MeniscusSlot], ModelParameters.Meniscus);
  EXPECT_TRUE(DistributionRunFlags.FinalEvaluation);
  EXPECT_NEAR(FitControl.CurrentRmsd, noise, 0.3 * noise);
}

// A key press in the third evaluation: the later evaluations return 1e10
// without a run, the cycles stop, the interruption is passed on to the
// realtime update and serial fits, and the final evaluation still
// regularises at the best point so far.
TEST_F(ContiFitTest, InterruptedSimplexStillEndsWithAFinalEvaluation) {
  sv::Experiment e;
  e.Scans = 4;
  e.Points = 80;
  e.RadialStep = 0.015;
  SetModel(ModelKind::ContinuousCS, 1.2f, 5.8f);
  LoadExperiment(e, sv::MakeData(e, {{4.0, 6e-7, 0.5}}));
  ParameterVector[9] = 10.0f;
  UnpackParameterVector();
  ParameterFitted[MeniscusSlot] = 1;
  FitControl.MINMENISCUS = 5.7f;
  FitControl.MAXMENISCUS = 5.89f;
  SeedClockRandomGenerators(3);

  int runs = 0, finalRuns = 0;
  const bool fitted = FitWatchingEvaluations([&] {
    if (DistributionRunFlags.FinalEvaluation) {
      ++finalRuns;
    } else if (++runs == 3) {
      ComputationAbort = true;
    }
  });

  EXPECT_TRUE(fitted);
  EXPECT_EQ(runs, 3);
  EXPECT_GE(finalRuns, 1);
  EXPECT_TRUE(FitDriverSettings.SerialFitInterrupted);
  EXPECT_TRUE(FitDriverSettings.RealtimeUpdateInterrupted);
  EXPECT_FALSE(FitControl.FitAbort);
  EXPECT_FALSE(ComputationAbort);
  EXPECT_LT(FitControl.CurrentRmsd, 1.0f);
}

// Quitting the window during a fit interrupts it like a key press (the
// close waits in the queue and stops the fit at its next poll); the fit then
// ends, and what it leaves in "~tmppars" beside the data must be one
// consistent state: the final parameters, written as final, the ones the
// final evaluation used and the records hold, for the simplex and for
// Levenberg-Marquardt (whose accepted steps are saved on the way).
TEST_F(ContiFitTest, InterruptedFitLeavesTheFinalParametersInTheTempFile) {
  for (const OptimizerChoice kind :
       {OptimizerChoice::Simplex, OptimizerChoice::LevenbergMarquardt}) {
    SCOPED_TRACE(kind == OptimizerChoice::Simplex ? "simplex" : "Marquardt");
    LoadSixScansOf5S(sv::Experiment{}.NoiseSd, 5.87f);
    FloatMeniscus();
    FitControl.SaveBestParameters = true;
    FitDriverSettings.OptimizerKind = kind;
    const std::string file = scratch.File("~tmppars");
    std::filesystem::remove(file);
    DataFileLocation.TempParameterFilePath = file;
    SeedClockRandomGenerators(5);

    int runs = 0;
    std::vector<float> finalMenisci;
    const bool fitted = FitWatchingEvaluations([&] {
      if (DistributionRunFlags.FinalEvaluation)
        finalMenisci.push_back(ModelParameters.Meniscus);
      else if (++runs == 4)
        ComputationAbort = true;
    });
    (void)fitted;

    std::ifstream in(file);
    std::vector<float> values;
    for (float v = 0.0f; in >> v;) values.push_back(v);
    ASSERT_GT(values.size(), 45u);
    EXPECT_EQ(values[0], 1.0f);  // written as final, not as a step on the way
    ASSERT_FALSE(finalMenisci.empty());
    EXPECT_NEAR(values[39], finalMenisci.back(), 1e-5f);
    EXPECT_NEAR(values[39], ModelParameters.Meniscus, 1e-5f);
    EXPECT_EQ(ParameterVector[MeniscusSlot], ModelParameters.Meniscus);
    EXPECT_LE(FitControl.MINMENISCUS, ModelParameters.Meniscus);
    EXPECT_GE(FitControl.MAXMENISCUS, ModelParameters.Meniscus);
    EXPECT_FALSE(ComputationAbort);
  }
}

// With nothing floating the distribution is stored after one evaluation.
TEST_F(ContiFitTest, NothingFloatingEvaluatesOnce) {
  sv::Experiment e;
  e.Scans = 3;
  e.Points = 60;
  e.RadialStep = 0.02;
  SetModel(ModelKind::ContinuousCS, 1.2f, 5.8f);
  ParameterVector[9] = 10.0f;
  UnpackParameterVector();
  LoadExperiment(e, sv::MakeData(e, {{4.0, 6e-7, 0.5}}));
  ASSERT_TRUE(FitContiModel(window_));
  EXPECT_EQ(FitControl.SimulationCount, 1);
  EXPECT_FALSE(FitControl.FitRunning);
}

struct StatusCase {
  const char* name;
  ModelKind kind;
  std::function<void()> settings;
  const char* line;  // expected text line at its position
};

class ContiStatusTest : public ContiFitTest, public ::testing::WithParamInterface<StatusCase> {};

// The status lines of the model and of the discrete species, buffer or
// fluorescence corrections, at their places in the window.
TEST_P(ContiStatusTest, DrawsTheLinesOfTheModel) {
  const StatusCase& c = GetParam();
  ModelSelection.Kind = c.kind;
  ModelParameters.Meniscus = 5.8f;
  ModelParameters.Bottom = 7.2f;
  DistributionSettings.StartingFrictionalRatio = 1.25f;
  if (c.settings) c.settings();
  const bool drawing = DrawingAllowed;
  DrawingAllowed = true;
  DisplayBestContiParams(window_);
  DrawingAllowed = drawing;
  EXPECT_EQ(LogLinesWith("(10,150) Meniscus = 5.800000").size(), 1u);
  EXPECT_EQ(LogLinesWith(c.line).size(), 1u) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Models, ContiStatusTest,
    ::testing::Values(
        StatusCase{"CS", ModelKind::ContinuousCS, nullptr, "(10,110) frict ratio = 1.250000"},
        StatusCase{"Nonideal", ModelKind::NonidealCS,
                   [] {
                     SpeciesEngineParameters.LogKs = -2.0f;
                     SpeciesEngineParameters.LogKd = -3.0f;
                     DistributionSettings.DiscreteSpeciesS = 4.0f;
                     DistributionSettings.DiscreteSpeciesMass = 60000.0f;
                   },
                   "(10,170) discrete component s = 4.000, M = 60000.000, log(ks) = -2.000, "
                   "log(kD) = -3.000"},
        StatusCase{"InvariantD", ModelKind::CSInvariantD,
                   [] { DistributionSettings.InvariantD = 6.5f; }, "(10,110) D = 6.500000"},
        StatusCase{"Buffer", ModelKind::ContinuousCS,
                   [] {
                     auto& b = CorrectionOptions.BufferMismatch;
                     b.On = true;
                     b.BufferSignal = 0.25;
                     b.BufferD = b.BufferMb = b.BufferS = 0.0;
                     b.Sign = -1.0;
                     b.BufferSFitted = true;
                     b.BufferSignalFitted = false;
                     FitControl.MassInsteadOfD = false;
                   },
                   "(10,170) buffer: -0.250,D=0.00,s=0.0000(fl), Mb=0.0"},
        StatusCase{"Fluorescence", ModelKind::ContinuousCS,
                   [] {
                     auto& f = CorrectionOptions.Fluorescence;
                     f.DriftOn = f.LinearDriftOn = f.LinearDriftFitted = true;
                     f.LinearDrift = 0.02f;
                     f.ShadowOn = true;
                     f.ShadowRadius = 0.5f;
                   },
                   "(10,210)  - excit. cone = 0.5000 (fix) - drift = 2.000 %/h (floating)"},
        StatusCase{"VbarFix", ModelKind::ContinuousCS,
                   [] {
                     SolventConditions.VBAR = 0.73f;
                     FitDriverSettings.VbarFloating = true;  // solvent model off: fixed
                   },
                   "(10,190) vbar = 0.7300 (fix)"},
        StatusCase{"VbarFloating", ModelKind::ContinuousCS,
                   [] {
                     SolventConditions.VBAR = 0.73f;
                     FitDriverSettings.VbarFloating = InhomogeneousSolventOn = true;
                   },
                   "(10,190) vbar = 0.7300 (floating)"},
        StatusCase{"ApparentVbarFix", ModelKind::ContinuousCS,
                   [] {
                     SolventConditions.VBAR = 0.73f;
                     FitDriverSettings.ApparentVbarOn = true;
                     FitDriverSettings.ApparentVbar = 0.7f;
                   },
                   "(10,190) vbar = 0.7300 (fix), apparent vbar = 0.7000 (fix)"},
        StatusCase{"ApparentVbarFloating", ModelKind::ContinuousCS,
                   [] {
                     SolventConditions.VBAR = 0.73f;
                     FitDriverSettings.ApparentVbarOn = true;
                     FitDriverSettings.ApparentVbar = 0.7f;
                     FitDriverSettings.VbarFloating = InhomogeneousSolventOn = true;
                   },
                   "(10,190) vbar = 0.7300 (fix), apparent vbar = 0.7000 (floating)"}),
    [](const ::testing::TestParamInfo<StatusCase>& p) { return std::string(p.param.name); });

// Refusals: no window, no scans (with the message of every fit).
// Without data the fit is refused, with or without a window (a batch run
// fits before its window exists).
TEST_F(ContiFitTest, RefusesWithoutData) {
  SetModel(ModelKind::ContinuousCS, 1.2f, 5.8f);
  EXPECT_FALSE(FitContiModel(nullptr));
  EXPECT_FALSE(FitContiModel(window_));
  EXPECT_EQ(FitControl.EvaluationCount, 0);
  EXPECT_EQ(LogLinesWith("load data first").size(), 2u);
}

// Fit limits left at 0 are moved into the cell, with a message each,
// before the fit goes on.
TEST_F(ContiFitTest, MovesUnsetFitLimitsToTheCell) {
  sv::Experiment e;
  e.Scans = 3;
  e.Points = 60;
  e.RadialStep = 0.02;
  SetModel(ModelKind::ContinuousCS, 1.2f, 5.8f);
  ParameterVector[9] = 10.0f;
  UnpackParameterVector();
  LoadExperiment(e, sv::MakeData(e, {{4.0, 6e-7, 0.5}}));
  ScanDataSet.FitLeftLim = ScanDataSet.FitRightLim = 0.0f;
  ASSERT_TRUE(FitContiModel(window_));
  // The limits then snap to the scans' radii inside the cell.
  EXPECT_GE(ScanDataSet.FitLeftLim, ModelParameters.Meniscus);
  EXPECT_LE(ScanDataSet.FitRightLim, ModelParameters.Bottom);
  EXPECT_LT(ScanDataSet.FitLeftLim, ScanDataSet.FitRightLim);
  EXPECT_EQ(LogLinesWith("setting left fit limit to meniscus").size(), 1u);
  EXPECT_EQ(LogLinesWith("setting right fit limit to bottom").size(), 1u);
}

}  // namespace
