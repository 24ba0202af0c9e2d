// Generated data: the automatic number of scans, its refusal where it cannot
// be said, and the folders, descriptions and marker files of a series.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramStartLinks.h"
#include "app/generate/GenerateCommands.h"
#include "state/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "data/DataOpsTestSupport.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "models/ParametersCommand.h"
#include "models/ParamsBox.h"
#include "state/ModelParameters.h"

namespace {

TEST(AutomaticScanCountTest, BoundaryReachesTheRightLimitOrIsRefused) {
  struct Case {
    float rpm, s1, meniscus, right, interval;
    int scans;
  };
  const Case cases[] = {
      {50000.0f, 5.0f, 6.2f, 7.0f, 300.0f, 29},  // ln(7/6.2) / (omega^2 5e-13) / 300
      {50000.0f, 10.0f, 6.2f, 7.0f, 300.0f, 14},
      {50000.0f, 0.0f, 6.2f, 7.0f, 300.0f, -1},   // nothing sediments
      {50000.0f, -2.0f, 6.2f, 7.0f, 300.0f, -1},  // floats
      {50000.0f, 5.0f, 6.2f, 6.2f, 300.0f, -1},   // limit at the meniscus
      {50000.0f, 5.0f, 6.2f, 0.0f, 300.0f, -1},   // no limit set
  };
  for (const Case& c : cases)
    EXPECT_EQ(AutomaticScanCount(c.rpm, c.s1, c.meniscus, c.right, c.interval), c.scans)
        << c.s1 << " " << c.right;
}

class GenerateCommandsTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    savedModel_ = ModelSelection;
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    ModelParameters = ModelParametersRecord{};
    InitParamsBoxTransfer(ParamsBoxTransfer);
    AllocParameterVector();
    auto& p = ModelParameters;
    p.ComponentOn[1] = 1;
    p.ComponentOn[2] = 1;
    p.Concentration[1] = 1.0f;
    p.SedCoefficient[1] = 5.0f;
    p.SedCoefficient[2] = 9.0f;
    p.MassOrD[1] = 60000.0f;
    p.MassOrD[2] = 150000.0f;
    p.Meniscus = 6.2f;
    p.Bottom = 7.2f;
    PackParameterVector();
    WireAsTheProgramStartDoes(window);
  }
  void TearDown() override {
    ModelSelection = savedModel_;
    ModelParameters = ModelParametersRecord{};
    DataOpsTest::TearDown();
  }
  void Entries(std::initializer_list<const char*> values) {
    for (const char* v : values) backend().ScriptEntry(std::string(v));
  }
  TXLAWindow window{"w"};

 private:
  ModelSelectionRecord savedModel_;
};

// One radial step, speed, noise and meniscus with two trace concentrations
// and the directory offset 10: two folders, 11 and 12, differing only in the
// trace, each with its description, five marker files, the scans and the
// xp file; the scans read back.
TEST_F(GenerateCommandsTest, SeriesWritesNumberedFoldersWithDescriptionAndMarkers) {
  // Loadings fitted as linear parameters: the simulation still takes the
  // given loadings (else it would scale the species to data that do not
  // exist yet and write noise alone).
  ModelParameters.LinearConcentrations = true;
  std::vector<bool> linearWhileSimulating;
  DataOperationLinks.SimulateModel = [&](platform::WindowHandle) {
    linearWhileSimulating.push_back(ModelParameters.LinearConcentrations);
  };
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("0000x.RA0")});
  Entries({"1", "0.01", "1", "50000"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no acceleration phase
  Entries({"300", "3", "1", "0.01", "1", "6.2", "2", "1", "5", "10"});
  CmSeries(window);
  for (int n : {11, 12}) {
    const std::filesystem::path folder = scratch.path() / std::to_string(n);
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << n;
    const int count = n - 10;
    const std::string trace = count == 1 ? "1.000" : "5.000";
    EXPECT_EQ(ReadWholeFile((folder / ("info_" + std::to_string(count) + ".txt")).string()),
              SeriesInfoText(count == 1 ? 1.0f : 5.0f, 0.01f, 50000.0f, 0.01f, 6.2f));
    for (const std::string& marker :
         {"tracepercent=" + trace + ".info", std::string("dr=0.0100_cm.info"),
          std::string("omega=50000_rpm.info"), std::string("noise=0.010.info"),
          std::string("meniscus=6.200.info")})
      EXPECT_TRUE(std::filesystem::exists(folder / marker)) << n << " " << marker;
    // The set's meniscus lies inside the meniscus range the xp file gives.
    const std::string xp = ReadWholeFile((folder / ("xp" + std::to_string(n) + ".xp")).string());
    const auto value = [&](const std::string& key) {
      const std::size_t end = xp.find(" (" + key + ")");
      const std::size_t start = xp.rfind('\n', end) + 1;
      return end == std::string::npos ? 0.0 : std::stod(xp.substr(start, end - start));
    };
    EXPECT_LT(value("MINMENISCUS"), 6.2);
    EXPECT_GT(value("MAXMENISCUS"), 6.2);
    int scans = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      if (name.size() == 9 && name.starts_with("0000")) {
        ++scans;
        const ReadScan s = ReadScanAt(e.path().string());
        EXPECT_EQ(s.result, 1) << name;
        EXPECT_NEAR(s.radius[1], 6.2f, 0.011f);
      }
    }
    EXPECT_EQ(scans, 3) << n;
  }
  EXPECT_EQ(linearWhileSimulating, std::vector<bool>(2, false));
  EXPECT_TRUE(ModelParameters.LinearConcentrations);
  EXPECT_FLOAT_EQ(ModelParameters.Concentration[2], 0.05f);
  EXPECT_FLOAT_EQ(ModelParameters.Bottom, 7.2f);
}

// A single generation is a run: the simulation sees the run's live display
// on, and the setting is back as it was afterwards.
TEST_F(GenerateCommandsTest, SingleSimulatesAsARun) {
  std::vector<bool> liveWhileSimulating;
  DataOperationLinks.SimulateModel = [&](platform::WindowHandle) {
    liveWhileSimulating.push_back(SpeciesSignals.LiveRunDisplay);
  };
  SpeciesSignals.LiveRunDisplay = false;
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // D and s
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // "assuming t = 20 'C"
  Entries({"0.01", "50000"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no acceleration phase
  Entries({"300", "3", "0.01"});
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("0000x.RA0")});
  CmSingle(window);
  ASSERT_FALSE(liveWhileSimulating.empty()) << testing::PrintToString(LogLinesWith(""));
  EXPECT_EQ(liveWhileSimulating, std::vector<bool>(liveWhileSimulating.size(), true));
  EXPECT_FALSE(SpeciesSignals.LiveRunDisplay);
}

// With an automatic scan count and no right fit limit beyond the meniscus,
// the series is refused before anything is written.
TEST_F(GenerateCommandsTest, AutomaticCountWithoutARightLimitIsRefused) {
  ScanDataSet.FitRightLim = 0.0f;
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("0000x.RA0")});
  Entries({"1", "0.01", "1", "50000"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  Entries({"300", "0", "1", "0.01", "1", "6.2", "1", "1", "0"});
  CmSeries(window);
  EXPECT_EQ(LogLinesWith("cannot choose the number of scans automatically").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "1"));
}

TEST_F(GenerateCommandsTest, SeriesIsSilentForContinuousModels) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  CmSeries(window);
  EXPECT_TRUE(backend().ShownForms().empty());
}

// A single generation replaces the loaded scans: the caption then names the
// generated files in the chosen folder, no longer the earlier data set.
TEST_F(GenerateCommandsTest, SingleNamesTheGeneratedScansInTheCaption) {
  LoadNamedScans({NamedScan{.name = "earlier.RA1"}});
  std::vector<std::string> captions;
  SetMainWindowCaption = [&](platform::WindowHandle, const std::string& text) {
    captions.push_back(text);
  };
  const bool massAndS = FitControl.MassInsteadOfD;
  backend().ScriptBoxAnswer(massAndS ? platform::BoxAnswer::Yes : platform::BoxAnswer::No);
  Entries({"0.01", "50000"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no acceleration phase
  Entries({"300", "3", "0.01"});
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("0000x.RA0")});
  CmSingle(window);
  ASSERT_EQ(ScanDataSet.NFILES, 3);
  ASSERT_EQ(captions.size(), 1u);
  const std::string& caption = captions.back();
  EXPECT_EQ(caption.find("earlier"), std::string::npos) << caption;
  EXPECT_NE(caption.find("00001.ra0"), std::string::npos) << caption;
  EXPECT_NE(caption.find(scratch.path().filename().string()), std::string::npos) << caption;
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "00003.ra0"));
}

// Settings that generate nothing leave the scans, and the caption, as they were.
TEST_F(GenerateCommandsTest, SingleThatGeneratesNothingKeepsTheCaption) {
  LoadNamedScans({NamedScan{.name = "earlier.RA1"}});
  int captions = 0;
  SetMainWindowCaption = [&](platform::WindowHandle, const std::string&) { ++captions; };
  backend().ScriptBoxAnswer(FitControl.MassInsteadOfD ? platform::BoxAnswer::Yes
                                                      : platform::BoxAnswer::No);
  Entries({"0.01", "50000"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  Entries({"300", "0", "0.01"});  // no scans
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("0000x.RA0")});
  CmSingle(window);
  EXPECT_EQ(captions, 0);
  EXPECT_EQ(ScanDataSet.ScanFilePaths[1], "earlier.RA1");
}

}  // namespace
