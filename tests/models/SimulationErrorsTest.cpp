// Simulation errors, the step callback, the rotor ramp and the back-diffusion
// test: the messages of every solver code, the once-per-fit discretisation
// message, the low-speed questions, scans handed over at their times (also
// slice by slice), and the shut-off decision against the numerically
// integrated equilibrium profile.

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "ModelsTestSupport.h"
#include "data/SpeedStepsForData.h"
#include "models/SimulationErrors.h"
#include "ui/Boxes.h"
#include "state/KeysReadByDisplay.h"

namespace {

class SimulationErrorsTest : public ModelsTest {};

TEST_F(SimulationErrorsTest, EveryCodeHasItsMessage) {
  struct Case {
    int code;
    const char* line;  // the whole log line up to the answer; empty: nothing shown
    int tridiag, discretization, nonideality;
  };
  const Case cases[] = {
      {0, "", 0, 0, 0},
      {1, "box [ERROR in simulation] (none) could not allocate Lamm simulation arrays", 0, 0, 0},
      {2, "box [DISCRETIZATION ERROR] (warning) change grid size and readjust max dc/c", 0, 1, 0},
      {3, "box [ERROR in simulation] (none) singular tridiagonal matrix!", 1, 0, 0},
      {4, "", 0, 0, 0},
      {6,
       "box [ERROR in simulation] (warning) possible error in setupof Lamm eq. solution, "
       "nonideal parameters",
       0, 0, 0},
      {7, "box [ERROR in simulation] (none) nonideality out of range", 0, 0, 1},
      {8, "", 0, 0, 0},
      {-1, "", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    GlobalLammRun = GlobalLammRunStateRecord{};
    backend().ClearLog();
    ReportSimulationError(nullptr, c.code);
    const std::vector<std::string> boxes = LogLinesWith("box [");
    if (*c.line == '\0') {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0], std::string(c.line) + " -> OK");
    }
    EXPECT_EQ(GlobalLammRun.TridiagError, c.tridiag);
    EXPECT_EQ(GlobalLammRun.DiscretizationError, c.discretization);
    EXPECT_EQ(GlobalLammRun.NonidealityError, c.nonideality);
  }
}

TEST_F(SimulationErrorsTest, DiscretizationMessageOncePerFit) {
  FitControl.FitRunning = true;
  for (int evaluation = 1; evaluation <= 10; ++evaluation) ReportSimulationError(nullptr, 2);
  EXPECT_EQ(LogLinesWith("DISCRETIZATION ERROR").size(), 1u);
  EXPECT_TRUE(GlobalLammRun.DiscretizationReported);
  // A new fit clears the mark; outside fits every error is shown.
  GlobalLammRun.DiscretizationReported = false;
  ReportSimulationError(nullptr, 2);
  FitControl.FitRunning = false;
  ReportSimulationError(nullptr, 2);
  ReportSimulationError(nullptr, 2);
  EXPECT_EQ(LogLinesWith("DISCRETIZATION ERROR").size(), 4u);
}

class SlowAccelerationTest : public SimulationErrorsTest {
 protected:
  void SetUp() override {
    SimulationErrorsTest::SetUp();
    LoadTestScans({{6.0, 7.0, 0.01, 3000.0, nullptr, 0.5f}});
    ScanHeader& h = ScanDataSet.ScanHeaders[1];
    h.Rpm = 50000.0f;
    h.RecordedTime = 3000.0;
    const double omega = 50000.0 * 3.14159265358979 / 30.0;
    h.Omega2t = omega * omega * 2000.0;  // omega^2 t that lags far behind the clock
    OpenLammNumericsDialog = [this](platform::WindowHandle) { ++dialogs; };
  }
  int dialogs = 0;
};

TEST_F(SlowAccelerationTest, NoLowSpeedPhaseEndsTheReport) {
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  ReportSimulationError(nullptr, 5);
  const auto boxes = LogLinesWith("box [");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("[ERROR] (question) possible error: initial low-speed phase before "
                          "full acceleration?"),
            std::string::npos);
  EXPECT_EQ(dialogs, 0);
}

TEST_F(SlowAccelerationTest, NotEquilibratedAdvisesTimesFromW2t) {
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  ReportSimulationError(nullptr, 5);
  EXPECT_EQ(LogLinesWith("was the low-speed phase already temperature equilibrated?").size(), 1u);
  const auto advice = LogLinesWith("possible error in setup: SV requires temperature");
  ASSERT_EQ(advice.size(), 1u);
  EXPECT_NE(advice[0].find("[ERROR in simulation] (warning)"), std::string::npos);
  EXPECT_NE(advice[0].find("\n --> please switch to \"times from wwt\""), std::string::npos);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(LogLinesWith("entry [").empty());
}

TEST_F(SlowAccelerationTest, DeclinedSpeedStepsAdviseTimesFromW2t) {
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  ReportSimulationError(nullptr, 5);
  const auto entries = LogLinesWith("entry [timing correction]");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_NE(entries[0].find("rotor speed of low-speed phase (rpm) [3000.000000]"),
            std::string::npos);
  EXPECT_NE(entries[1].find("acceleration (rpm/sec) (usually 280) [280.000000]"),
            std::string::npos);
  const float duration = RampTimeOffset(3000.0f, 280.0f, ScanDataSet.ScanHeaders[1]);
  char question[200];
  std::snprintf(question, sizeof question, "found low speed 3000 rpm phase had to be %.0f sec",
                static_cast<double>(duration));
  EXPECT_EQ(LogLinesWith(question).size(), 1u);
  const auto advice = LogLinesWith("box [ERROR in data] (warning) --> please switch to");
  EXPECT_EQ(advice.size(), 1u);
  EXPECT_EQ(dialogs, 1);
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
}

TEST_F(SlowAccelerationTest, AcceptedSpeedStepsAreWrittenAndCoupled) {
  DataFileLocation.DataFolder = scratch.path().string() + "/";
  for (int i = 0; i < 3; ++i) backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  ReportSimulationError(nullptr, 5);
  EXPECT_TRUE(FileExists(scratch.File("speedsteps.txt")));
  EXPECT_TRUE(ScanDataSet.UsingSpeedSteps);
  EXPECT_TRUE(LogLinesWith("please switch").empty());
  EXPECT_EQ(dialogs, 0);
}

// A phase that no profile can hold (no acceleration, or a low speed at or
// above the final one) is not offered as speed steps.
TEST_F(SlowAccelerationTest, ImpossiblePhaseIsRefused) {
  for (const char* acceleration : {"0", "-5"}) {
    SCOPED_TRACE(acceleration);
    backend().ClearLog();
    dialogs = 0;
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
    backend().ScriptEntry("3000");
    backend().ScriptEntry(acceleration);
    ReportSimulationError(nullptr, 5);
    EXPECT_TRUE(LogLinesWith("found low speed").empty());
    EXPECT_EQ(LogLinesWith("sorry, no phase at 3000 rpm").size(), 1u);
    EXPECT_EQ(LogLinesWith("--> please switch to").size(), 1u);
    EXPECT_EQ(dialogs, 1);
  }
}

TEST_F(SimulationErrorsTest, RotorSpeedDuringTheAcceleration) {
  GlobalLammRun.FinalRpm = 48000.0;
  GlobalLammRun.AccelRate = 800.0;
  GlobalLammRun.AccelDuration = 60.0;
  GlobalLammRun.Accelerating = true;
  EXPECT_NEAR(AccelerationPhaseRpm(0.0, 1.0), 800.0 / std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(AccelerationPhaseRpm(10.0, 2.0), std::sqrt((9600.0 * 9600.0 + 8000.0 * 8000.0) / 2.0),
              1e-9);
  // The last step reaches beyond the final speed: never above it.
  EXPECT_EQ(AccelerationPhaseRpm(59.5, 1.0), 48000.0);
  EXPECT_TRUE(GlobalLammRun.Accelerating);
  EXPECT_EQ(AccelerationPhaseRpm(60.0, 1.0), 48000.0);
  EXPECT_FALSE(GlobalLammRun.Accelerating);
  // An acceleration shorter than 10 s is not simulated.
  GlobalLammRun.AccelDuration = 9.0;
  GlobalLammRun.Accelerating = true;
  EXPECT_EQ(AccelerationPhaseRpm(0.0, 1.0), 48000.0);
  EXPECT_FALSE(GlobalLammRun.Accelerating);
}

// The concentration at the right fit limit R relative to the loading, at
// sedimentation equilibrium with reduced buoyant mass a, by Simpson's rule on
// the mass balance over the sector: c0 (b^2 - m^2)/2 = int c(r) r dr.
double EquilibriumRatioAtLimit(double a, double m, double b, double R) {
  const int n = 20000;
  const double h = (b - m) / n;
  double integral = 0.0;
  for (int i = 0; i <= n; ++i) {
    const double r = m + i * h;
    const double w = (i == 0 || i == n) ? 1.0 : (i % 2 ? 4.0 : 2.0);
    integral += w * std::exp(a * (r * r - R * R)) * r;
  }
  integral *= h / 3.0;
  return ((b * b - m * m) / 2.0) / integral;
}

TEST_F(SimulationErrorsTest, BackDiffusionShutOffAgainstTheEquilibriumProfile) {
  LoadTestScans({{6.0, 7.2, 0.01, 1000.0, nullptr, 0.5f}, {6.0, 7.2, 0.01, 2000.0, nullptr, 0.5f}});
  for (int i = 1; i <= 2; ++i) {
    ScanDataSet.ScanHeaders[i].Rpm = i == 2 ? 40000.0f : 1000.0f;  // the last scan counts
    ScanDataSet.ScanHeaders[i].Temperature = 20.0f;
  }
  ModelParameters.Meniscus = 6.0f;
  ModelParameters.Bottom = 7.2f;
  ScanDataSet.FitRightLim = 7.1f;
  const double omega = 40000.0 * 2.0 * 3.14159265358979 / 60.0;
  const double s = 3.0;  // S
  int shutOff = 0, kept = 0;
  for (double D = 1e-7; D < 1e-4; D *= 1.3) {
    const double a = s * 1e-13 * omega * omega / (2.0 * D);
    const double ratio = EquilibriumRatioAtLimit(a, 6.0, 7.2, 7.1);
    // Decisions too close to the level depend on the last digits.
    if (std::fabs(std::log(ratio / 1e-4)) < 0.01) continue;
    const bool want = a > 100.0 || ratio < 1e-4;
    EXPECT_EQ(BackDiffusionShutOffTest(s, D), want) << "D = " << D << ", a = " << a;
    (want ? shutOff : kept) += 1;
  }
  EXPECT_GT(shutOff, 3);
  EXPECT_GT(kept, 3);
  // Never for floating or static species, nor with the shut-off switched off.
  EXPECT_FALSE(BackDiffusionShutOffTest(-3.0, 1e-7));
  EXPECT_FALSE(BackDiffusionShutOffTest(0.0, 1e-7));
  EXPECT_FALSE(BackDiffusionShutOffTest(3.0, 0.0));
  EXPECT_TRUE(BackDiffusionShutOffTest(30.0, 1e-8));
  LammSolverSettings.BackDiffusionShutOff = false;
  EXPECT_FALSE(BackDiffusionShutOffTest(30.0, 1e-8));
}

// An engine stand-in: a profile equal to the simulation time everywhere,
// advanced in steps of dt that stop at the callback's output times.
class StepCallbackTest : public SimulationErrorsTest {
 protected:
  void SetUpRun(const std::vector<double>& times, int gridSize) {
    std::vector<TestScan> scans;
    for (double t : times) scans.push_back({6.0, 7.0, 0.005, t, nullptr, 0.0f});
    LoadTestScans(scans);
    for (int i = 1; i <= ScanDataSet.NFILES; ++i)
      ScanDataSet.ScanHeaders[i].RecordedTime = ScanDataSet.ScanHeaders[i].Time;
    ModelParameters.Meniscus = 6.0f;
    ModelParameters.Bottom = 7.0f;
    LammSolverSettings.LammGridSize = gridSize;
    ASSERT_EQ(AllocSimulationArrays(), 1);
    GlobalLammRunStateRecord& run = GlobalLammRun;
    run.NextScan = 1;
    run.NextScanTime = ScanDataSet.ScanHeaders[ScanDataSet.ScanTimeOrder[1]].Time;
    run.KeepRunning = 1;
    run.SimTime = 0.0;
    run.OutputTime = run.NextScanTime;
    run.OutputPending = 1;
  }
  // Returns the number of steps taken.
  int RunEngine(double dt, int maxSteps = 100000) {
    GlobalLammRunStateRecord& run = GlobalLammRun;
    int steps = 0;
    while (run.KeepRunning && steps < maxSteps) {
      double next = run.SimTime + dt;
      if (run.OutputPending && run.OutputTime > run.SimTime && run.OutputTime < next) {
        next = run.OutputTime;
        run.OutputPending = 0;
      }
      run.SimTime = next;
      for (int i = 1; i <= GlobalLammArrays.LammAllocatedSize; ++i)
        GlobalLammArrays.LammConcentration[i] = run.SimTime;
      ++steps;
      ++run.IterationCount;
      LammStepCallback(0.5);
    }
    return steps;
  }
};

TEST_F(StepCallbackTest, EachScanGetsTheProfileAtItsTime) {
  LammSolverSettings.MovingFrame = false;
  LammSolverSettings.FixedGrid = true;
  SetUpRun({300.0, 100.0, 200.0}, 200);
  RunEngine(7.0);
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  for (int i = 1; i <= 3; ++i) {
    const double t = ScanDataSet.ScanHeaders[i].Time;
    for (int k = 1; k <= ScanDataSet.ScanPointCount[i]; k += 20)
      EXPECT_NEAR(ScanDataSet.ScanModel[i][k], t, 1e-3) << "scan " << i;
  }
  EXPECT_TRUE(LogLinesWith("text (").empty());  // no live display
}

TEST_F(StepCallbackTest, ScanBeforeTheStartIsOutputAtTheFirstStep) {
  SetUpRun({-50.0, 100.0}, 100);
  GlobalLammRun.NextScanTime = -50.0;
  RunEngine(10.0);
  EXPECT_NEAR(ScanDataSet.ScanModel[1][1], 10.0f, 1e-4f);
  EXPECT_NEAR(ScanDataSet.ScanModel[2][1], 100.0f, 1e-4f);
}

TEST_F(StepCallbackTest, RampUsesTheRecordedTimes) {
  SetUpRun({100.0, 200.0}, 100);
  ScanDataSet.ScanHeaders[2].RecordedTime = 250.0;
  ScanDataSet.RampRotorSpeed = true;
  RunEngine(10.0);
  EXPECT_NEAR(ScanDataSet.ScanModel[2][5], 250.0f, 1e-4f);
  ResetModelRecords();
  ResetDataRecords();
  SetUpRun({100.0, 200.0}, 100);
  ScanDataSet.ScanHeaders[2].RecordedTime = 250.0;
  ScanDataSet.RampRotorSpeed = false;
  RunEngine(10.0);
  EXPECT_NEAR(ScanDataSet.ScanModel[2][5], 200.0f, 1e-4f);
}

TEST_F(StepCallbackTest, FiniteScanTimeAssemblesAScanFromHundredSlices) {
  ScanReaderOptions.AbsorbanceData = true;
  LammSolverSettings.ScanTimeCorrectionOn = true;
  LammSolverSettings.ScanVelocity = 2.0f;  // cm/min: 30 s across the 1 cm cell
  LammSolverSettings.MovingFrame = false;
  LammSolverSettings.FixedGrid = true;
  SetUpRun({600.0}, 1001);
  RunEngine(1.0);
  const double* out = GlobalLammArrays.LammOutputProfile;
  std::set<double> times;
  for (int i = 1; i <= 1001; ++i) {
    times.insert(out[i]);
    if (i > 1) {
      EXPECT_LE(out[i - 1], out[i]);
    }
  }
  EXPECT_EQ(times.size(), 100u);
  EXPECT_EQ(out[1], 600.0);  // the meniscus from the earliest slice
  // The scanner takes 0.3 s per slice; the last slices near the bottom come
  // about the scan duration later.
  EXPECT_NEAR(out[1001] - out[1], 30.0, 1.0);
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
}

TEST_F(StepCallbackTest, BasisModeFillsTheSpeciesSignalOnTheCommonGrid) {
  SetUpRun({100.0, 200.0}, 150);
  SetupCommonRadialGrid();
  ASSERT_GT(CommonRadialGrid.CommonGridSize, 5);
  GlobalLammRun.BasisMode = true;
  GlobalLammRun.CurrentSpecies = 2;
  SpeciesSignals.SpeciesBasis.Resize(1, NCOMP);
  SpeciesSignals.SpeciesBasis[2].Resize(1, 2);
  for (int j = 1; j <= 2; ++j)
    SpeciesSignals.SpeciesBasis[2][j].Resize(1, CommonRadialGrid.CommonGridSize);
  RunEngine(10.0);
  for (int j = 1; j <= 2; ++j) {
    EXPECT_NEAR(SpeciesSignals.SpeciesBasis[2][j][3], 100.0f * j, 1e-3f);
    EXPECT_EQ(ScanDataSet.ScanModel[j][3], 0.0f);  // nothing added directly
  }
}

TEST_F(StepCallbackTest, KeyPressStopsTheEngineAndTheRun) {
  SetUpRun({100.0, 200.0, 300.0}, 100);
  SpeciesSignals.LiveRunDisplay = true;
  int windowTag = 0;
  GlobalLammRun.CallbackWindow = &windowTag;
  // A clock that moves 1 s between reads: every step's lines are due.
  backend().SetClockStep(1000);
  backend().QueueKeyPress(nullptr, 27, 27);
  const int steps = RunEngine(10.0);
  EXPECT_EQ(steps, 10);  // stopped at the first scan time
  EXPECT_TRUE(ComputationAbort);
  EXPECT_EQ(LogLinesWith("#it = 10   ").size(), 1u);
  EXPECT_EQ(LogLinesWith("dt = 1.000000 sec  ").size(), 10u);
  EXPECT_EQ(LogLinesWith("t = 100 sec  ").size(), 1u);
  EXPECT_EQ(LogLinesWith("ri=0.500000  ").size(), 10u);
}

// While a display of the computation reads the keys, the key is left for it:
// the run goes through every scan and the key is still waiting.
TEST_F(StepCallbackTest, KeyIsLeftToADisplayThatReadsTheKeys) {
  SetUpRun({100.0, 200.0, 300.0}, 100);
  KeysReadByDisplay = true;
  backend().QueueKeyPress(nullptr, 's', 's');
  RunEngine(10.0);
  KeysReadByDisplay = false;
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  EXPECT_FALSE(ComputationAbort);
  EXPECT_EQ(backend().PendingMessages(), 2u);
}

// The lines reach the screen a few times a second: the first step of a run
// and its last (here the last scan) are always shown; the time line carries
// the total loading where the engine reports it.
TEST_F(StepCallbackTest, ProgressLinesAreThrottledAndShowTheLoading) {
  SetUpRun({100.0, 200.0, 300.0}, 100);
  SpeciesSignals.LiveRunDisplay = true;
  int windowTag = 0;
  GlobalLammRun.CallbackWindow = &windowTag;
  GlobalLammRun.ShowLoading = true;
  GlobalLammRun.LoadingDisplay = 0.25;
  const int steps = RunEngine(1.0);
  GlobalLammRun.ShowLoading = false;
  ASSERT_EQ(steps, 300);
  const auto iterations = LogLinesWith("#it = ");
  ASSERT_GE(iterations.size(), 2u);
  EXPECT_LT(iterations.size(), 300u);
  EXPECT_EQ(iterations.front(), "text (10,90) #it = 1   ");
  EXPECT_EQ(iterations.back(), "text (10,90) #it = 300   ");
  EXPECT_EQ(LogLinesWith("text (10,110) t = 300 sec (M=0.250000) ").size(), 1u);
}

}  // namespace
