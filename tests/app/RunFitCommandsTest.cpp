// The Run and Fit commands: a Run of c(s) on a small simulated data set, the
// fit-limit questions of Fit, the switch between (M, s) and (s, D) and the
// check of too strong gradients.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/commands/RunFitCommands.h"
#include "app/options/ProgramOptions.h"
#include "state/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "state/PaintState.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/SyntheticVelocityData.h"
#include "engines/GlobalLammSolver.h"
#include "models/FitResultDisplay.h"
#include "models/DetectorConvolution.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "models/SimulationArrays.h"
#include "state/LammSolverSettings.h"
#include "numerics/Hydrodynamics.h"
#include "state/ComputationAbort.h"

namespace {

namespace sv = synthetic_velocity;

class RunFitCommandsTest : public ContiRunTest {
 protected:
  // One species of 5 S (D 6e-7 cm^2/s, loading 0.8) in four scans, and the
  // discrete model with that species (D entered in units of 1e-7 cm^2/s).
  void LoadOneSpeciesRun() {
    sv::Experiment e;
    e.Scans = 4;
    e.Points = 101;
    e.RadialStep = 0.01;
    e.FirstTime = 1500.0;
    e.Interval = 900.0;
    LoadExperiment(e, sv::MakeData(e, {{5.0, 6e-7, 1.0}}));
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    FitControl.MassInsteadOfD = false;
    auto& mp = ModelParameters;
    mp.ComponentOn = {0, 1, 0, 0, 0};
    mp.Concentration = {0, 0.8f, 0, 0, 0};
    mp.SedCoefficient = {0, 5.0f, 0, 0, 0};
    mp.MassOrD = {0, 6.0f, 0, 0, 0};
    mp.Meniscus = 5.8f;
    mp.Bottom = 7.2f;
    PackParameterVector();
  }
  void SetUp() override {
    ContiRunTest::SetUp();
    WireAsTheProgramStartDoes(window);
    savedRepaint_ = RepaintMainWindow;
    RunFitState = RunFitStateRecord{};
    PaintState = PaintStateRecord{};
  }
  void TearDown() override {
    RepaintMainWindow = savedRepaint_;
    RunFitState = RunFitStateRecord{};
    PaintState = PaintStateRecord{};
    ContiRunTest::TearDown();
  }

  // One scan of 101 radii from 6.0 cm in steps of 0.01 cm, flat at 0.5
  // but for `rises` successive intervals from point 40 on, each rising by
  // `step` (a slope of 100 step per cm); fit range over the whole scan.
  void LoadGradientScan(int rises, float step) {
    LoadScans({SyntheticScan{1000.0}}, 101, 6.0, 0.01, 5.9f, 7.1f, [&](int, double r) {
      const int k = static_cast<int>(std::lround((r - 6.0) / 0.01)) + 1;
      return 0.5f + step * static_cast<float>(std::clamp(k - 40, 0, rises));
    });
    ScanDataSet.FitLeftLim = 6.0f;
    ScanDataSet.FitRightLim = 7.0f;
    SetFirstFitIndex();
    SetLastFitIndex();
  }

  TXLAWindow window{"Sedimentation Analysis"};

 private:
  std::function<void(platform::WindowHandle)> savedRepaint_;
};

// One species of 5 S (its D from the frictional ratio of the c(s) grid) in
// ten scans: Run computes the c(s) distribution with its peak at 5 S, is busy
// while it computes and leaves the busy state, the result pending and the
// data marked unchanged. The same when the simulation arrays were last made
// for the fixed grid (as a Lamm grid-size change after a run leaves them):
// the first Run then once ended with nothing.
TEST_F(RunFitCommandsTest, RunComputesTheDistributionAndClearsRunBusy) {
  const LammSolverSettingsRecord savedLamm = LammSolverSettings;
  for (const bool fixedGridArrays : {false, true}) {
    SCOPED_TRACE(fixedGridArrays ? "arrays of the fixed grid" : "arrays as they were");
    if (fixedGridArrays) {
      FreeSimulationArrays();
      LammSolverSettings.FixedGrid = true;
      LammSolverSettings.MovingFrame = false;
      ASSERT_EQ(AllocSimulationArrays(), 1);
    }
    sv::Experiment e;
    e.Scans = 10;
    e.Points = 151;
    e.RadialStep = 0.008;
    e.FirstTime = 1500.0;
    e.Interval = 600.0;
    const float mass = CalculateM(5.0f);
    const sv::Data data = sv::MakeData(e, {{5.0, DFromMass(mass, 20.0f), 1.0}});
    LoadExperiment(e, data);
    FitTimeAndRadialInvariantNoise();
    ModelSelection.Kind = ModelKind::ContinuousCS;
    ParameterVector[1] = 1.0f;   // smin
    ParameterVector[2] = 0.68f;  // confidence level
    ParameterVector[3] = 0.73f;  // vbar
    ParameterVector[5] = 10.0f;  // smax
    ParameterVector[7] = 1.0f;   // density
    ParameterVector[9] = 30.0f;  // resolution
    ParameterVector[11] = 1.2f;  // f/f0
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = 5.8f;
    ParameterVector[14] = 7.2f;
    UnpackParameterVector();
    ScanDataSet.DataChanged = true;
    bool busyWhileRepainting = false;
    RepaintMainWindow = [&](platform::WindowHandle) { busyWhileRepainting = window.RunBusy; };

    RunModelCommand(window);

    EXPECT_TRUE(busyWhileRepainting);
    EXPECT_FALSE(window.RunBusy);
    EXPECT_FALSE(SpeciesSignals.LiveRunDisplay);
    EXPECT_TRUE(PaintState.FitResultPending);
    EXPECT_FALSE(ScanDataSet.DataChanged);
    const auto& s = DistributionResult.DistSGrid;
    const auto& v = DistributionResult.DistValues;
    ASSERT_GT(DistributionSettings.DistGridSize, 2);
    double area = 0.0, moment = 0.0;
    for (int i = 2; i < DistributionSettings.DistGridSize; ++i) {
      const auto k = static_cast<std::size_t>(i);
      const double a = v[k] * (s[k + 1] - s[k - 1]) / 2.0;
      area += a;
      moment += a * s[k];
    }
    ASSERT_GT(area, 0.5);
    EXPECT_NEAR(moment / area, 5.0, 0.25);
  }
  LammSolverSettings = savedLamm;
}

// A Run that fails (a resolution of -5 reaching the run, refused with its
// message) shows no result: no result text pending, no help wizard, the
// data still marked as changed, and the window repainted with the last good
// state. The same data with a sound grid then give the result and the
// wizard.
TEST_F(RunFitCommandsTest, FailedRunShowsNoResultTextAndNoWizard) {
  sv::Experiment e;
  e.Scans = 4;
  e.Points = 80;
  e.RadialStep = 0.015;
  LoadExperiment(e, sv::MakeData(e, {{4.0, 6e-7, 0.5}}));
  ModelSelection.Kind = ModelKind::ContinuousCS;
  ParameterVector[1] = 1.0f;
  ParameterVector[2] = 0.68f;
  ParameterVector[3] = 0.73f;
  ParameterVector[5] = 10.0f;
  ParameterVector[7] = 1.0f;
  ParameterVector[9] = -5.0f;  // resolution
  ParameterVector[11] = 1.2f;
  ParameterVector[12] = 0.01002f;
  ParameterVector[13] = 5.8f;
  ParameterVector[14] = 7.2f;
  UnpackParameterVector();
  const bool savedWizard = ProgramOptions.WizardMessagesOn;
  ProgramOptions.WizardMessagesOn = true;
  int repaints = 0;
  RepaintMainWindow = [&](platform::WindowHandle) { ++repaints; };

  for (const float resolution : {-5.0f, 10.0f}) {
    SCOPED_TRACE(resolution);
    ParameterVector[9] = resolution;
    UnpackParameterVector();
    ScanDataSet.DataChanged = true;
    PaintState.FitResultPending = false;
    backend().ClearLog();
    repaints = 0;

    RunModelCommand(window);

    const bool failed = resolution < 0.0f;
    EXPECT_EQ(LogLinesWith("box [ERROR]").empty(), !failed);
    EXPECT_EQ(PaintState.FitResultPending, !failed);
    EXPECT_EQ(ScanDataSet.DataChanged, failed);
    EXPECT_GE(repaints, 1);
    EXPECT_FALSE(window.RunBusy);
    if (failed) {
      EXPECT_TRUE(LogLinesWith("box [Help Wizard]").empty());
    }
  }
  ProgramOptions.WizardMessagesOn = savedWizard;
}

// A discrete-species Run the user stops with a key has no result to show: no
// rmsd text and no wizard, as after a failed Run; run through, it has its text.
// A close asked for while it computed skips the wizard's boxes: they would
// come up over a window that is going away.
TEST_F(RunFitCommandsTest, StoppedOrClosedDiscreteRunShowsNoWizard) {
  LoadOneSpeciesRun();
  const bool savedWizard = ProgramOptions.WizardMessagesOn;
  ProgramOptions.WizardMessagesOn = true;
  const struct {
    const char* name;
    bool stopped, closed;
  } cases[] = {{"stopped", true, false}, {"run through", false, false}, {"closed", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PaintState.FitResultPending = false;
    backend().ClearLog();
    if (c.stopped) backend().QueueKeyPress(window.Handle(), 27, 27);
    if (c.closed) window.OnCloseWhileBusy();
    RunModelCommand(window);
    EXPECT_EQ(PaintState.FitResultPending, !c.stopped);
    EXPECT_EQ(LogLinesWith("box [Help Wizard]").empty(), c.stopped || c.closed);
  }
  window.ClosePending = false;
  ProgramOptions.WizardMessagesOn = savedWizard;
  ComputationAbort = false;
}

// A Run after a fit fits nothing: its result text has no step line left
// over from that fit ("s11, step #8").
TEST_F(RunFitCommandsTest, RunAfterAFitShowsNoStepLineOfThatFit) {
  LoadOneSpeciesRun();
  FitControl.OptimizerStep = 11;
  FitControl.EvaluationCount = 8;
  RunModelCommand(window);
  BuildFitResultLines();
  EXPECT_EQ(FitResultLines.Text[1], "");
  EXPECT_NE(FitResultLines.Text[2], "");  // the rmsd line is there
}

// "Simulate Non-Interacting Species with Faxen Approximation": one Run in
// which the species follows Faxen's boundary; the switch is off again
// afterwards, and the Run has cleared the mark of the global-array engine.
TEST_F(RunFitCommandsTest, FaxenCommandRunsTheClosedFormOnce) {
  LoadOneSpeciesRun();
  GlobalLammEngineUsed = true;
  RepaintMainWindow = [](platform::WindowHandle) {};

  CmSimulateFaxen(window);

  EXPECT_FALSE(SpeciesSignals.FaxenApproximationOn);
  EXPECT_FALSE(GlobalLammEngineUsed);
  EXPECT_FALSE(window.RunBusy);
  const auto& d = ScanDataSet;
  for (int j = 1; j <= d.NFILES; ++j) {
    const ScanHeader& h = d.ScanHeaders[j];
    const double omega = h.Rpm * 3.14159265358979323846 / 30.0;
    std::vector<float> expected(static_cast<std::size_t>(d.ScanPointCount[j]) + 1);
    FaxenProfile(0.8f, h.Time, d.ScanRadius[j].data(), expected.data(), d.ScanPointCount[j],
                 omega * omega * 5e-13, 6e-7, 5.8);
    for (int k = 1; k <= d.ScanPointCount[j]; k += 10)
      EXPECT_NEAR(d.ScanModel[j][k], expected[static_cast<std::size_t>(k)], 1e-5) << j << " " << k;
  }
}

// The meniscus fitted, the left fit limit at 6.0 cm below the largest
// meniscus 6.05 cm: Yes moves that limit to 5.999 and the fit goes ahead
// (here to its "load data first", a refusal that shows no result); No
// leaves everything and fits nothing.
// The same for the bottom against the right fit limit.
TEST_F(RunFitCommandsTest, FitLimitQuestions) {
  struct Case {
    const char* name;
    bool meniscus;
    platform::BoxAnswer answer;
    float expected;
    bool fitted;
  } cases[] = {{"meniscus, yes", true, platform::BoxAnswer::Yes, 5.999f, true},
               {"meniscus, no", true, platform::BoxAnswer::No, 6.05f, false},
               {"bottom, yes", false, platform::BoxAnswer::Yes, 7.001f, true},
               {"bottom, no", false, platform::BoxAnswer::No, 6.95f, false}};
  for (const auto& c : cases) {
    backend().ClearLog();
    RunFitState = RunFitStateRecord{};
    PaintState = PaintStateRecord{};
    ModelParameters.MeniscusFitted = c.meniscus ? 1 : 0;
    ModelParameters.BottomFitted = c.meniscus ? 0 : 1;
    ScanDataSet.FitLeftLim = 6.0f;
    ScanDataSet.FitRightLim = 7.0f;
    FitControl.MAXMENISCUS = 6.05f;
    FitControl.MINBOTTOM = 6.95f;
    backend().ScriptBoxAnswer(c.answer);

    CmFit(window);

    const char* question = c.meniscus ? "Fix by repositioning maximum meniscus?"
                                      : "Fix by repositioning minimum bottom?";
    EXPECT_EQ(LogLinesWith(question).size(), 1u) << c.name;
    EXPECT_EQ(LogLinesWith("PROBLEM WITH FITTING").size(), 1u) << c.name;
    EXPECT_NEAR(c.meniscus ? FitControl.MAXMENISCUS : FitControl.MINBOTTOM, c.expected, 1e-6f)
        << c.name;
    EXPECT_EQ(LogLinesWith("load data first").size(), c.fitted ? 1u : 0u) << c.name;
    // The fit that went ahead was refused ("load data first"): no result
    // to show either way.
    EXPECT_FALSE(PaintState.FitResultPending) << c.name;
    EXPECT_FALSE(window.FitBusy) << c.name;
  }
}

// s = 5 S and M = 50000 g/mol with vbar rho 0.73 at RT = 2.436e10: to
// (s, D) gives D = s RT / (M (1 - vbar rho)) (Svedberg), in 1e-7 cm^2/s,
// and back gives M = 50000 again.
TEST_F(RunFitCommandsTest, FitMAndSTwiceReturnsTheMolarMass) {
  SolventConditions.VbarRho = 0.73f;
  FitControl.MassInsteadOfD = true;
  ModelParameters.SedCoefficient[1] = 5.0f;
  ModelParameters.MassOrD[1] = 50000.0f;
  PackParameterVector();

  CmFitMAndS(window);
  EXPECT_EQ(LogLinesWith("assuming t = 20 'C").size(), 1u);
  EXPECT_FALSE(FitControl.MassInsteadOfD);
  EXPECT_FALSE(window.Menu().IsChecked(217));
  const double d = 5e-13 * 2.436e10 / (50000.0 * (1.0 - 0.73)) * 1e7;
  EXPECT_NEAR(ModelParameters.MassOrD[1], d, 1e-4 * d);
  EXPECT_EQ(ModelParameters.MassOrD[2], 0.0f);

  CmFitMAndS(window);
  EXPECT_TRUE(FitControl.MassInsteadOfD);
  EXPECT_TRUE(window.Menu().IsChecked(217));
  EXPECT_NEAR(ModelParameters.MassOrD[1], 50000.0f, 1.0f);
  EXPECT_FLOAT_EQ(ModelParameters.SedCoefficient[1], 5.0f);
}

// A slope of 600/cm over four successive intervals is refused by Run and
// Fit with the gradient message; three such intervals, or four falling
// ones, pass.
TEST_F(RunFitCommandsTest, StrongGradientCheck) {
  struct Case {
    const char* name;
    int rises;
    float step;
    bool passes;
  } cases[] = {{"four rising intervals", 4, 6.0f, false},
               {"three rising intervals", 3, 6.0f, true},
               {"four falling intervals", 4, -6.0f, true},
               {"four gentle intervals", 4, 4.0f, true}};
  for (const auto& c : cases) {
    ResetDistributionRecords();
    backend().ClearLog();
    LoadGradientScan(c.rises, c.step);
    EXPECT_EQ(CheckStrongGradients(window), c.passes) << c.name;
    EXPECT_EQ(LogLinesWith("max gradient exceeded").size(), c.passes ? 0u : 1u) << c.name;
  }
  ResetDistributionRecords();
  backend().ClearLog();
  LoadGradientScan(4, 6.0f);
  RunModelCommand(window);
  CmFit(window);
  const auto messages = LogLinesWith("max gradient exceeded:  grad = 600.0/cm at r ~ 6.3900cm");
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(LogLinesWith("in scan scan1.ip1").size(), 2u);
  EXPECT_FALSE(PaintState.FitResultPending);
  EXPECT_FALSE(window.RunBusy || window.FitBusy);
}

}  // namespace
