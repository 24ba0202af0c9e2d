// The lines a distribution run leaves in the diagnostics file: each step of
// the run, its kernel, its normal equations and a fit's evaluation, in the
// order they happen, and only the steps that took place.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "distributions/ContiFit.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiRunSedFixture.h"
#include "distributions/SyntheticVelocityData.h"
#include "numerics/Hydrodynamics.h"
#include "state/LoadOptions.h"

namespace {

namespace sv = synthetic_velocity;

using Lines = std::vector<std::string>;

const Lines kKernel = {"\nEnter RunSVContiSedList", " --> done with sims",
                       " --> pLammSolutions deleted", " --> OUT"};
const Lines kLoopDone = {"\n RunContiSed loop and sims done", "\n RunContiSed loop and sims done"};
const Lines kOutputStart = {"\n RunContiSed normal equations output start", "-end."};
const Lines kThreaded = {"\n\tnormal equations prep", ", allocated threads", ", all done",
                         ", deleted", ", finished"};
const Lines kRegularization = {"\nStarting Regularization", " --> DONE"};
const Lines kCleanup = {"\n RunContiSed cleanup start", " --> cleanup done."};

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::string Text(const Lines& lines) {
  std::string t;
  for (const std::string& l : lines) t += l;
  return t;
}

class DistributionDiagnostics : public ContiRunSedTest {
 protected:
  void SetUp() override {
    ContiRunSedTest::SetUp();
    saved_ = DebugLog;
    DebugLog = [this](platform::WindowHandle, const std::string& text) { log_ += text; };
  }
  void TearDown() override {
    DebugLog = saved_;
    ContiRunSedTest::TearDown();
  }

  // A 5 S species in four scans, c(s) on 8 points with TI and RI noise; the
  // log starts empty after the load.
  void LoadSmallRun() {
    sv::Experiment e;
    e.Scans = 4;
    e.Points = 60;
    e.RadialStep = 0.02;
    e.FirstTime = 1500.0;
    e.Interval = 900.0;
    LoadExperiment(e, sv::MakeData(e, {{5.0, DFromMass(CalculateM(5.0f), 20.0f), 0.5}}));
    SetModel(ModelKind::ContinuousCS, 1.0f, 9.0f, 8.0f);
    FitTimeAndRadialInvariantNoise();
    log_.clear();
  }

  std::string log_;

 private:
  std::function<void(platform::WindowHandle, const std::string&)> saved_;
};

struct RunCase {
  const char* name;
  bool threaded;
  bool search;  // a fit's evaluation: grid prepared, fit running
  bool finalEvaluation;
  Lines expected;
};

const RunCase kRunCases[] = {
    {"RunWithThreadedNormalEquations", true, false, false,
     Join({{"\nEntering RunContiSed"}, kKernel, kLoopDone, kOutputStart,
           {"\n RunContiSed starting normal equations"}, kThreaded, {"\n normal equations done"},
           kRegularization, kCleanup})},
    {"RunOnTheCallingThread", false, false, false,
     Join({{"\nEntering RunContiSed"}, kKernel, kLoopDone, kOutputStart,
           {"\n RunContiSed starting normal equations", "\n normal equations done"},
           kRegularization, kCleanup})},
    // A fit's evaluations show no window text and do not regularise, but
    // for the last one.
    {"SearchEvaluation", false, true, false,
     Join({{"\nEntering RunContiSed"}, kKernel, kLoopDone,
           {"\n RunContiSed starting normal equations", "\n normal equations done"}, kCleanup})},
    {"FinalEvaluationOfAFit", false, true, true,
     Join({{"\nEntering RunContiSed"}, kKernel, kLoopDone,
           {"\n RunContiSed starting normal equations", "\n normal equations done"},
           kRegularization, kCleanup})},
};

class DistributionRunLines : public DistributionDiagnostics,
                             public ::testing::WithParamInterface<RunCase> {};

TEST_P(DistributionRunLines, FollowTheStepsOfTheRun) {
  const RunCase& c = GetParam();
  LoadSmallRun();
  DistributionSettings.MultithreadingOn = c.threaded;
  DistributionSettings.ThreadCount = 2;
  if (c.search) {
    ASSERT_TRUE(MakeContiGrid());
    log_.clear();
    FitControl.FitRunning = true;
    DistributionRunFlags.InNonlinearSearch = true;
    DistributionRunFlags.FinalEvaluation = c.finalEvaluation;
  }
  const ContiRunOutcome outcome = RunContiSed(nullptr);
  EXPECT_EQ(outcome, c.search ? ContiRunOutcome::Solved : ContiRunOutcome::Stored);
  EXPECT_EQ(log_, Text(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, DistributionRunLines, ::testing::ValuesIn(kRunCases),
                         [](const ::testing::TestParamInfo<RunCase>& p) {
                           return std::string(p.param.name);
                         });

// A run that ends before its grid says only that it began.
TEST_F(DistributionDiagnostics, RunWithoutScansLogsItsEntryOnly) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Silent);
  EXPECT_EQ(log_, "\nEntering RunContiSed");
}

// One evaluation of a fit's objective frames its run, the best-fit signal
// and the status output; an aborted fit evaluates, and logs, nothing. The
// status display frames itself.
TEST_F(DistributionDiagnostics, FitEvaluationAndStatusDisplayLines) {
  LoadSmallRun();
  DistributionSettings.MultithreadingOn = false;
  ASSERT_TRUE(MakeContiGrid());
  FitControl.FitRunning = true;
  log_.clear();
  float x[2] = {0.0f, 0.0f};  // nothing floats
  ContiSimplexSim(x, nullptr);
  EXPECT_EQ(log_, Text(Join({{"\nEntering ContiSimplexSim", "\nEntering RunContiSed"}, kKernel,
                             kLoopDone,
                             {"\n RunContiSed starting normal equations",
                              "\n normal equations done"},
                             kCleanup,
                             {"\n start CalculateppAFit in ContiSimplexSim", " --> done",
                              "\n start info output  in ContiSimplexSim", " --> done(1)",
                              " --> done(2)", "\nExit ContiSimplexSim"}})));

  log_.clear();
  FitControl.FitAbort = true;
  ContiSimplexSim(x, nullptr);
  EXPECT_EQ(log_, "");

  DisplayBestContiParams(nullptr);
  EXPECT_EQ(log_, "\nStarting DisplayBestContiParams --> DONE");
}

}  // namespace
