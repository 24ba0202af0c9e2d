// The batch run's scan list and the settings it copies into the analysis
// records, with the refusals of contradictory flotation settings and the
// guarantee that an AutoExit run always ends.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/ProgramStartLinks.h"
#include "app/batch/BatchRun.h"
#include "app/batch/BatchStatus.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/DistributionSettingsRecords.h"
#include "state/LammThreadCount.h"
#include "models/FitDriver.h"
#include "state/ParameterVector.h"
#include "support/TestSupport.h"

namespace {

class BatchRunTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
    FreeDataSet();
    DistributionSettings = DistributionSettingsRecord{};
    FitDriverSettings = FitDriverSettingsRecord{};
    BatchDone = false;
  }
  void TearDown() override {
    IniCustomPars.reset();
    BatchDone = false;
    HeadlessTest::TearDown();
  }
  TXLAWindow window{"Sedimentation Analysis"};
  CIniCustomPars pars;
};

}  // namespace

TEST_F(BatchRunTest, NumberedScanListsFollowFirstLastAndInterval) {
  struct Case {
    int first, last, interval;
    std::vector<std::string> expected;
  } cases[] = {{1, 10, 4, {"/run7/00001.RA1", "/run7/00005.RA1", "/run7/00009.RA1"}},
               {3, 7, 2, {"/run7/00003.RA1", "/run7/00005.RA1", "/run7/00007.RA1"}},
               {5, 5, 1, {}},
               {0, 5, 1, {}},
               {1, 5, 0, {}}};
  pars.DataDirectory = "/run7";
  pars.Channel = "RA1";
  for (const auto& c : cases) {
    pars.FirstScan = c.first;
    pars.LastScan = c.last;
    pars.ScanInterval = c.interval;
    EXPECT_EQ(BatchScanPaths(pars), c.expected) << c.first << " " << c.last;
  }
  pars.DataDirectory = "/run7/";
  pars.Channel = ".IP2";
  pars.FirstScan = 1;
  pars.LastScan = 2;
  pars.ScanInterval = 1;
  EXPECT_EQ(BatchScanPaths(pars), (std::vector<std::string>{"/run7/00001.IP2", "/run7/00002.IP2"}));
  pars.nIndividualScanFilePaths = 1;
  EXPECT_TRUE(BatchScanPaths(pars).empty());
}

TEST_F(BatchRunTest, FlotationSettingsAreCheckedInOrder) {
  pars.Model = "flotationcofs";
  struct Case {
    float r, d, minS, maxS;
    const char* error;  // nullptr: accepted
  } cases[] = {{0, 0, -10, -1, "needs either FlotationDeconvolutionR or FlotationDeconvolutionD"},
               {2, 3, -10, -1, "cannot use both"},
               {2, 0, -1, -10, "needs FlotationMinS < FlotationMaxS < 0"},
               {2, 0, -10, 1, "needs FlotationMinS < FlotationMaxS < 0"},
               {2, 0, -10, -1, nullptr}};
  for (const auto& c : cases) {
    backend().ClearLog();
    pars.FlotationDeconvolutionR = c.r;
    pars.FlotationDeconvolutionD = c.d;
    pars.FlotationMinS = c.minS;
    pars.FlotationMaxS = c.maxS;
    EXPECT_EQ(ApplyBatchParameters(pars, window), c.error == nullptr);
    if (c.error) {
      EXPECT_EQ(LogLinesWith(c.error).size(), 1u) << c.error;
    }
  }
  const auto& fl = DistributionSettings.FlotationSettings;
  EXPECT_TRUE(fl.FlotationDeconvolutionR);
  EXPECT_FLOAT_EQ(fl.FlotationDeconvolutionSize, 2e-9f);
  EXPECT_FLOAT_EQ(ParameterVector[10], 2e-9f);
}

TEST_F(BatchRunTest, ThreadCountsAlgorithmAndRegularization) {
  struct Case {
    int threads;
    bool multithreadingBefore;
    int expectedCount;
    bool expectedMultithreading;
  } cases[] = {
      {1, false, 1, false}, {0, false, 1, false}, {-3, true, 1, true}, {4, false, 4, true}};
  for (const auto& c : cases) {
    DistributionSettings.MultithreadingOn = c.multithreadingBefore;
    pars.NumberComputationThreads = c.threads;
    ASSERT_TRUE(ApplyBatchParameters(pars, window));
    EXPECT_EQ(DistributionSettings.ThreadCount, c.expectedCount);
    EXPECT_EQ(LammThreadCount.load(), c.expectedCount);
    EXPECT_EQ(DistributionSettings.MultithreadingOn, c.expectedMultithreading);
  }
  for (const auto& [name, kind] : std::vector<std::pair<std::string, OptimizerChoice>>{
           {"Levenberg-Marquardt", OptimizerChoice::LevenbergMarquardt},
           {"SimulatedAnnealing", OptimizerChoice::Simplex},
           {"Simplex", OptimizerChoice::Simplex}}) {
    pars.FittingAlgorithm = name;
    ASSERT_TRUE(ApplyBatchParameters(pars, window));
    EXPECT_EQ(FitDriverSettings.OptimizerKind, kind) << name;
  }
  pars.RegularizationType = "TP3";
  ASSERT_TRUE(ApplyBatchParameters(pars, window));
  EXPECT_TRUE(DistributionSettings.RegularizationType.TP3Regularization);
  EXPECT_FALSE(DistributionSettings.RegularizationType.MaxEntRegularizationOn);
  pars.RegularizationType = "something else";
  ASSERT_TRUE(ApplyBatchParameters(pars, window));
  EXPECT_TRUE(DistributionSettings.RegularizationType.MaxEntRegularizationOn);
}

TEST_F(BatchRunTest, AnAutoExitRunEndsEvenWhenNothingCanBeLoaded) {
  struct Case {
    std::string directory;
    int first, last;
  } cases[] = {{"/nonexistent/run", 1, 1}, {"/nonexistent/run", 1, 3}};
  testing::internal::CaptureStderr();
  for (const auto& c : cases) {
    BatchDone = false;
    IniCustomPars = std::make_unique<CIniCustomPars>();
    IniCustomPars->DataDirectory = c.directory;
    IniCustomPars->Channel = "RA1";
    IniCustomPars->FirstScan = c.first;
    IniCustomPars->LastScan = c.last;
    IniCustomPars->AutoExit = true;
    IniCustomPars->AutoRun = true;
    RunBatch(window);
    EXPECT_TRUE(BatchDone) << c.last;
    EXPECT_EQ(ScanDataSet.NFILES, 0);
  }
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("taluvo batch: the parameter file names no valid list of scans"),
            std::string::npos);
  EXPECT_NE(errors.find("taluvo batch: the scan file /nonexistent/run/00001.RA1 could not be loaded"),
            std::string::npos);
}

// A run asked for but giving no model (here: no Run command in the table, as
// when an engine refuses the settings) is a failed analysis, not a success.
TEST_F(BatchRunTest, ARunWithoutAResultFailsTheBatch) {
  const std::string folder = (TestDataFolder() / "runs" / "velocity3").string() + "/";
  IniCustomPars = std::make_unique<CIniCustomPars>();
  CIniCustomPars& p = *IniCustomPars;
  p.nIndividualScanFilePaths = 3;
  p.ScanFilePaths.Resize(1, 3);
  p.ScanFilePaths[1] = folder + "00011.RA1";
  p.ScanFilePaths[2] = folder + "00012.RA1";
  p.ScanFilePaths[3] = folder + "00014.RA1";
  p.AutoExit = true;
  testing::internal::CaptureStderr();
  EXPECT_TRUE(RunBatch(window));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ScanDataSet.NFILES, 3);
  EXPECT_FALSE(BatchStatus.Failed()) << BatchStatus.Reason;

  // A model this version cannot compute.
  p.AutoRun = true;
  ModelSelection.Kind = ModelKind::ElectrophoresisCV;
  testing::internal::CaptureStderr();
  EXPECT_TRUE(RunBatch(window));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(BatchStatus.Code, BatchExitCode::AnalysisFailed);
  EXPECT_EQ(BatchStatus.Reason, "the analysis computed no model");
  EXPECT_TRUE(BatchDone);
  ModelSelection = ModelSelectionRecord{};
}
