// The batch run's result files: the XML report (well-formed, its element
// order and texts), the flag file's handshake, the noise and rmsd files of a
// small loaded set, and the screenshot's row padding.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "app/ProgramStartLinks.h"
#include "app/batch/BatchResults.h"
#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/FitDataFiles.h"
#include "data/ListFiles.h"
#include "data/ScanDataSet.h"
#include "state/DistributionSettingsRecords.h"
#include "engines/GlobalLammSolver.h"
#include "models/FitDriver.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "support/TestSupport.h"

namespace {

// Element names in document order; fails the test when a tag is not closed
// in order, so the report is well-formed.
std::vector<std::string> CheckedElementNames(const std::string& xml) {
  std::vector<std::string> names, open;
  std::size_t pos = xml.find("?>");
  EXPECT_NE(pos, std::string::npos);
  while ((pos = xml.find('<', pos)) != std::string::npos) {
    const std::size_t end = xml.find('>', pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated tag";
      break;
    }
    const std::string tag = xml.substr(pos + 1, end - pos - 1);
    if (tag.front() == '/') {
      EXPECT_FALSE(open.empty()) << tag;
      if (open.empty()) break;
      EXPECT_EQ(open.back(), tag.substr(1));
      open.pop_back();
    } else {
      open.push_back(tag);
      names.push_back(tag);
    }
    pos = end + 1;
  }
  EXPECT_TRUE(open.empty());
  // Outside the tags only escaped text: no bare ampersand.
  for (std::size_t a = xml.find('&'); a != std::string::npos; a = xml.find('&', a + 1)) {
    const std::string rest = xml.substr(a, 6);
    EXPECT_TRUE(rest.rfind("&amp;", 0) == 0 || rest.rfind("&lt;", 0) == 0 ||
                rest.rfind("&gt;", 0) == 0 || rest.rfind("&quot;", 0) == 0)
        << rest;
  }
  return names;
}

class BatchResultsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
    FreeDataSet();
    FileNameList = FileNameListRecord{};
    ModelSelection = ModelSelectionRecord{};
    DistributionSettings = DistributionSettingsRecord{};
    FitControl = FitControlRecord{};
    ModelParameters = ModelParametersRecord{};
    FitDriverSettings = FitDriverSettingsRecord{};
    pars.OutputResultsDirectory = folder.path().string();
    pars.AllDoneFlagFile = folder.File("done.flag");
  }
  void TearDown() override {
    FreeDataSet();
    HeadlessTest::TearDown();
  }

  // Two scans of three points, the second recorded first; model = signal
  // minus a known offset, so every residual is known.
  void LoadTwoScans() {
    AllocScanSlots(2);
    auto& d = ScanDataSet;
    d.NFILES = 2;
    for (int i = 1; i <= 2; ++i) {
      d.ScanPointCount[i] = 3;
      d.ScanRadius[i] = ScanArray(1, 3);
      d.ScanSignal[i] = ScanArray(1, 3);
      d.ScanModel[i] = ScanArray(1, 3);
      d.ScanResiduals[i] = ScanArray(1, 3);
      for (int k = 1; k <= 3; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.1f * k;
        d.ScanSignal[i][k] = static_cast<float>(i + k);
        d.ScanModel[i][k] = d.ScanSignal[i][k] - 0.125f * i;
        d.ScanResiduals[i][k] = d.ScanSignal[i][k] - d.ScanModel[i][k];
      }
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = 3;
      d.ScanHeaders[i].Time = i == 1 ? 2000.0 : 1000.0;
      // The files' own times; the working times may have been shifted.
      d.ScanHeaders[i].RecordedTime = d.ScanHeaders[i].Time + 5.0;
      d.ScanHeaders[i].Temperature = i == 1 ? 20.5f : 19.5f;
      d.ScanHeaders[i].Rpm = 50000.0f;
    }
    d.ScanTimeOrder[1] = 2;
    d.ScanTimeOrder[2] = 1;
    FileNameList.Count = 2;
    FileNameList.Paths = OneBasedArray<std::string>(1, 2);
    FileNameList.Paths[1] = "/runs/R&D/00001.RA1";
    FileNameList.Paths[2] = "/runs/R&D/00002.RA1";
    d.ScanFilePaths[1] = "00001.RA1";
    d.ScanFilePaths[2] = "00002.RA1";
  }

  ScratchFolder folder;
  CIniCustomPars pars;
  // A batch run has its window, never shown.
  TXLAWindow window{"Sedimentation Analysis"};
};

}  // namespace

TEST_F(BatchResultsTest, ReportIsWellFormedWithItsElementsInOrder) {
  LoadTwoScans();
  ModelSelection.Kind = ModelKind::ContinuousCS;
  pars.PassThrough = std::string("job <7> & co");
  pars.AutoExit = true;
  DistributionSettings.RegularizationType.MaxEntRegularizationOn = false;
  DistributionSettings.RegularizationType.SecondDerivativeRegularization = true;
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
  const std::string xml = BatchResultXml(pars);
  const auto names = CheckedElementNames(xml);
  const std::vector<std::string> expectedStart = {
      "cGMPTaluvo",       "TALUVOVersion", "ScreenShotPath",
      "CofsDataPath",     "TINoisePath",   "RINoisePath",
      "ScanRMSDpath",     "PassThrough",   "ScanDataFilesLoaded",
      "FittingStepsText", "RMSD",          "RMSD-points",
      "RMSD-SSR",         "RunsTestZ",     "HistogramH",
      "FittingAlgorithm", "Meniscus"};
  ASSERT_GE(names.size(), expectedStart.size());
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + expectedStart.size()),
            expectedStart);
  // How the run ended comes last.
  const std::vector<std::string> expectedEnd = {"AutoExit", "RunStatus", "ExitCode"};
  EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()), expectedEnd);
  EXPECT_NE(xml.find("<RunStatus>completed</RunStatus>\n<ExitCode>0</ExitCode>"),
            std::string::npos);
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cGMPTaluvo>\n", 0), 0u);
  EXPECT_NE(xml.find("\n<TALUVOVersion>TALUVO  version "), std::string::npos);
  EXPECT_NE(xml.find("<PassThrough>job &lt;7&gt; &amp; co</PassThrough>"), std::string::npos);
  EXPECT_NE(xml.find("\n  /runs/R&amp;D/00001.RA1"), std::string::npos);
  EXPECT_NE(xml.find("<Model>cofs</Model>"), std::string::npos);
  EXPECT_NE(xml.find("<RegularizationType>Tikhonov</RegularizationType>"), std::string::npos);
  EXPECT_NE(xml.find("<FittingAlgorithm>Levenberg-Marquardt</FittingAlgorithm>"),
            std::string::npos);
  EXPECT_NE(xml.find("\n\t<BaselineFitted>FALSE</BaselineFitted>"), std::string::npos);
  EXPECT_NE(xml.find("<TemperatureStart>1.950000e+01</TemperatureStart>"), std::string::npos);
  EXPECT_NE(xml.find("<TemperatureDiffMax-Min>1.000</TemperatureDiffMax-Min>"), std::string::npos);
  EXPECT_NE(xml.find("<RotorSpeed>50000</RotorSpeed>"), std::string::npos);
  EXPECT_EQ(xml.substr(xml.size() - 15), "\n</cGMPTaluvo>\n");
}

TEST_F(BatchResultsTest, ModelElementFollowsTheModelAndTheSimulateOnlySwitch) {
  struct Case {
    ModelKind kind;
    bool simulateOnly;
    const char* expected;  // nullptr: no Model element
  } cases[] = {{ModelKind::ContinuousCS, false, "<Model>cofs</Model>"},
               {ModelKind::LsGStar, false, "<Model>lsgofs</Model>"},
               {ModelKind::CSFlotation, false, "<Model>flotationcofs</Model>"},
               {ModelKind::NonInteractingSpecies, true, "<Model>discrete</Model>"},
               {ModelKind::NonInteractingSpecies, false, nullptr}};
  for (const auto& c : cases) {
    ModelSelection.Kind = c.kind;
    pars.SimulateOnly = c.simulateOnly;
    const std::string xml = BatchResultXml(pars);
    CheckedElementNames(xml);
    if (c.expected)
      EXPECT_NE(xml.find(c.expected), std::string::npos) << c.expected;
    else
      EXPECT_EQ(xml.find("<Model>"), std::string::npos);
    EXPECT_EQ(xml.find("<SimulateS>") != std::string::npos, c.simulateOnly);
  }
}

// The blanks after the fitting steps tell which engine did the last
// simulation: the fixed-grid engine on the global arrays widens them for
// Levenberg-Marquardt and annealing only.
TEST_F(BatchResultsTest, FittingStepsPaddingMarksTheGlobalArrayEngine) {
  FitControl.SimulationCount = 12;
  FitControl.OptimizerStep = 3;
  FitControl.EvaluationCount = 4;
  struct Case {
    OptimizerChoice optimizer;
    bool globalEngine;
    const char* expected;
  } cases[] = {
      {OptimizerChoice::LevenbergMarquardt, false, ">sim #12, ML step #3, step #4     </"},
      {OptimizerChoice::LevenbergMarquardt, true, ">sim #12, ML step #3, step #4        </"},
      {OptimizerChoice::SimulatedAnnealing, false, ">sim #12, SA step #3, step#4, T=2.000     </"},
      {OptimizerChoice::SimulatedAnnealing, true, ">sim #12, SA step #3, step#4, T=2.000      </"},
      {OptimizerChoice::Simplex, false, ">s3, step #4     </"},
      {OptimizerChoice::Simplex, true, ">s3, step #4     </"},
  };
  for (const auto& c : cases) {
    FitDriverSettings.OptimizerKind = c.optimizer;
    GlobalLammEngineUsed = c.globalEngine;
    EXPECT_NE(BatchResultXml(pars).find(c.expected), std::string::npos) << c.expected;
  }
  GlobalLammEngineUsed = false;
}

TEST_F(BatchResultsTest, FlagFileHoldsExactlyTheHandshake) {
  pars.HandshakeLength = -1;
  ASSERT_TRUE(WriteAllDoneFlagFile(pars));
  EXPECT_EQ(ReadWholeFile(pars.AllDoneFlagFile), "no handshake found");
  pars.HandshakeText = "job-42 ready";
  pars.HandshakeLength = static_cast<int>(pars.HandshakeText.size());
  ASSERT_TRUE(WriteAllDoneFlagFile(pars));
  EXPECT_EQ(ReadWholeFile(pars.AllDoneFlagFile), "job-42 ready");
}

TEST_F(BatchResultsTest, PerScanFilesFollowTimeOrderAndTheFitRange) {
  LoadTwoScans();
  ASSERT_TRUE(WriteScanRmsTable(folder.File("ScanRMSD.dat")));
  // Scan 2 (residual 0.25) was recorded first.
  EXPECT_EQ(ReadWholeFile(folder.File("ScanRMSD.dat")),
            "00002.RA1 \t2.500000e-01\n00001.RA1 \t1.250000e-01\n");
  CommonRadialGrid.RINoise = OneBasedArray<float>(1, 2);
  CommonRadialGrid.RINoise[1] = 0.5f;
  CommonRadialGrid.RINoise[2] = -0.25f;
  ASSERT_TRUE(WriteRINoiseFile(folder.File("RInoise.dat")));
  EXPECT_EQ(ReadWholeFile(folder.File("RInoise.dat")),
            "1005.000000 -0.250000\n2005.000000 0.500000\n");
}

// The fitted scans of a batch run are the scan files of the fit-saving
// command, one per scan over its fit range, and replace those of an earlier
// run without a question.
TEST_F(BatchResultsTest, FittedScansAreWrittenAsOneScanFilePerScan) {
  LoadTwoScans();
  ScanDataSet.ScanFirstFitIndex[2] = 2;
  for (int i = 1; i <= 2; ++i) ScanDataSet.ScanHeaders[i].DataType = 'R';
  { std::ofstream(folder.File("f0001.RA1")) << "an earlier run"; }
  ASSERT_TRUE(SaveBatchFitData(folder.File("simulate.dat")));
  EXPECT_FALSE(OverwriteWithoutAsking);
  EXPECT_TRUE(backend().Log().empty());
  EXPECT_FALSE(std::filesystem::exists(folder.File("simulate.dat")));
  // Scan 1 over its whole range, scan 2 from its second point; the model,
  // the scan's header with its recorded time.
  EXPECT_EQ(ReadWholeFile(folder.File("f0001.RA1")),
            "[T OK]fitted to 00001.RA1\nR 0 20.5 50000 2005 0.0000e+00 0 0\n"
            "   6.1000  1.87500e+00   0.00000e+00 \n   6.2000  2.87500e+00   0.00000e+00 \n"
            "   6.3000  3.87500e+00   0.00000e+00 \n");
  EXPECT_EQ(ReadWholeFile(folder.File("f0002.RA1")),
            "[T OK]fitted to 00002.RA1\nR 0 19.5 50000 1005 0.0000e+00 0 0\n"
            "   6.2000  3.75000e+00   0.00000e+00 \n   6.3000  4.75000e+00   0.00000e+00 \n");
}

TEST_F(BatchResultsTest, UnwritableFilesAreReportedAndTheFlagStillWritten) {
  pars.OutputResultsDirectory = folder.File("missing/deeper");
  EXPECT_FALSE(WriteTINoiseFile(folder.File("missing/deeper/TInoise.dat")));
  EXPECT_EQ(LogLinesWith("could not open").size(), 1u);
  EXPECT_TRUE(WriteAllDoneFlagFile(pars));
}

TEST(BmpScreenshot, RowsArePaddedToWholeWords) {
  ScratchFolder folder;
  const std::string path = folder.File("screenshot.bmp");
  ASSERT_TRUE(BmpScreenshot(path, platform::RgbImage(101, 3)));
  const std::string bytes = ReadWholeFile(path);
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
  };
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(u32(2), 54u + 304u * 3u);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(18), 101u);
  EXPECT_EQ(u32(22), 3u);
  EXPECT_EQ(u32(34), 304u * 3u);
  EXPECT_EQ(bytes.size(), 54u + 304u * 3u);
}
