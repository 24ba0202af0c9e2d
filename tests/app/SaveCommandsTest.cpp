// The save and export commands of the Data menu: what they ask, the files
// they write (read back through the program's own readers) and what a
// cancelled dialog leaves alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramStartLinks.h"
#include "app/datacmds/SaveCommands.h"
#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelCommands.h"
#include "app/options/FittingOptionCommands.h"
#include "state/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "data/DataOpsTestSupport.h"
#include "state/DistributionSettingsRecords.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/LammSolverSettings.h"

namespace {

class SaveCommandsTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    WireAsTheProgramStartDoes(window);
    savedModel_ = ModelSelection;
    LoadNamedScans({NamedScan{.name = "00001.RA1", .time = 1000.0},
                    NamedScan{.name = "00002.RA1", .time = 1300.0}});
    DataFileLocation.DataFolder = scratch.path().string();
    DataFileLocation.TempParameterFilePath = scratch.File("~tmppars.RA1");
    DataFileLocation.Extension = ".RA1";
  }
  void TearDown() override {
    ModelSelection = savedModel_;
    DataOpsTest::TearDown();
  }
  std::vector<std::string> Boxes(const std::string& text) { return LogLinesWith(text); }

  TXLAWindow window{"w"};

 private:
  ModelSelectionRecord savedModel_;
};

// With a discrete model the parameters of the c(s) file cannot be kept: the
// command says so first and then still saves fits, residuals and the
// parameter report, each where its dialog chose.
TEST_F(SaveCommandsTest, SaveFitDataWithADiscreteModelWritesFitsResidualsAndReport) {
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("f0000x.RA1")});
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("r0000x.RA1")});
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("fitparams.RA1")});
  CmSaveFitData(window);
  EXPECT_EQ(Boxes("cannot save fit parameters of current model").size(), 1u);
  for (int i = 1; i <= 2; ++i) {
    const ReadScan fit = ReadScanAt(scratch.File("f000" + std::to_string(i) + ".RA1"));
    ASSERT_EQ(fit.result, 1) << i;
    ASSERT_EQ(fit.count, ScanDataSet.ScanPointCount[i]);
    EXPECT_NEAR(fit.signal[3], ScanDataSet.ScanModel[i][3], 1e-5f);
    const ReadScan residual = ReadScanAt(scratch.File("r000" + std::to_string(i) + ".RA1"));
    ASSERT_EQ(residual.result, 1);
    EXPECT_NEAR(residual.signal[3], ScanDataSet.ScanSignal[i][3] - ScanDataSet.ScanModel[i][3],
                1e-5f);
  }
  EXPECT_FALSE(ReadWholeFile(scratch.File("fitparams.RA1")).empty());
}

// "save in ... ?" answered No and the dialog cancelled: nothing is written and
// the path of the saved parameters stays; Yes writes them where they belong,
// and they read back.
TEST_F(SaveCommandsTest, UpdateSavedFitParametersAsksWhereAndACancelKeepsEverything) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  const std::string path = DataFileLocation.TempParameterFilePath;
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  backend().ScriptFileDialog(std::nullopt);
  CmUpdateSavedFitParameters(window);
  EXPECT_EQ(Boxes("sorry could not save fit parameters to this file").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(DataFileLocation.TempParameterFilePath, path);

  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("~elsewhere.RA1")});
  CmUpdateSavedFitParameters(window);
  EXPECT_TRUE(std::filesystem::exists(scratch.File("~elsewhere.RA1")));
  EXPECT_EQ(DataFileLocation.TempParameterFilePath, path);

  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmUpdateSavedFitParameters(window);
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(ReloadParameters(nullptr, path), 1);
}

// A model that is not continuous exports the experiment file only, and the
// sibling program is started with it.
TEST_F(SaveCommandsTest, ExportWithADiscreteModelStartsTheSiblingWithTheExperimentFile) {
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  const std::string xp = scratch.File("data.xp");
  backend().ScriptFileDialog(std::vector<std::string>{xp});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // launch
  CmExportDataToQuorvel(window);
  ASSERT_TRUE(std::filesystem::exists(xp));
  EXPECT_FALSE(std::filesystem::exists(scratch.File("data_from_taluvo_c(s).quorvel")));
  const auto started = LogLinesWith("start program");
  ASSERT_EQ(started.size(), 1u);
  EXPECT_NE(started[0].find(xp), std::string::npos);
}

TEST_F(SaveCommandsTest, RawDataUnderAPrefixReadBack) {
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no speed/wavelength names
  std::filesystem::create_directory(scratch.path() / "copy");
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("copy/x.rxx")});
  CmSaveRawDataSet(window);
  const ReadScan s = ReadScanAt(scratch.File("copy/x00002.RA1"));
  ASSERT_EQ(s.result, 1);
  EXPECT_EQ(s.count, ScanDataSet.ScanPointCount[2]);
  EXPECT_NEAR(s.signal[4], ScanDataSet.ScanSignal[2][4], 1e-5f);
}

}  // namespace

namespace {

// The equilibrium scan is saved only while simulations run on past the last
// scan (the solver switch of command 223); then the last scan in time
// order's model reads back as the signal of the file chosen.
TEST_F(SaveCommandsTest, EquilibriumDataOnlyWithTheSolverSwitch) {
  LammSolverSettings.SimulatePastLastScan = false;
  CmSaveEquilibriumData(window);
  EXPECT_TRUE(Boxes("save equilibrium data as").empty());

  CmToggleSolverVariant(window);
  EXPECT_TRUE(LammSolverSettings.SimulatePastLastScan);
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("eq.RA1")});
  CmSaveEquilibriumData(window);
  EXPECT_EQ(Boxes("save equilibrium data as").size(), 1u);
  const int last = ScanDataSet.ScanTimeOrder[ScanDataSet.NFILES];
  const ReadScan saved = ReadScanAt(scratch.File("eq.RA1"));
  ASSERT_EQ(saved.result, 1);
  ASSERT_EQ(saved.count, ScanDataSet.ScanPointCount[last]);
  EXPECT_NEAR(saved.signal[3], ScanDataSet.ScanModel[last][3], 1e-5f);
  CmToggleSolverVariant(window);
  EXPECT_FALSE(LammSolverSettings.SimulatePastLastScan);
}

}  // namespace

// Reloading the saved parameters of a c(s) fit brings back its f/f0, the
// fit flag and the grid, although the c(s) command that the reload issues
// again sets these up from the current settings.
TEST_F(SaveCommandsTest, ReloadedParametersOfAContinuousFitKeepItsFrictionalRatio) {
  InstallModelCommandsForReload(window);
  CmContinuousCSDistribution(window);
  SetSlot(11, 1.2579f, 1);
  SetSlot(5, 20.0f);
  UnpackParameterVector();
  TmpSaveBestParams(window.Handle(), false);
  SetSlot(11, 1.5f, 0);
  SetSlot(5, 15.0f);
  UnpackParameterVector();
  ASSERT_EQ(ReloadParameters(window.Handle(), DataFileLocation.TempParameterFilePath), 1);
  EXPECT_EQ(ModelSelection.Kind, ModelKind::ContinuousCS);
  EXPECT_NEAR(DistributionSettings.StartingFrictionalRatio, 1.2579f, 1e-5f);
  EXPECT_EQ(DistributionSettings.FrictionalRatioFitted, 1);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 20.0f);
}
