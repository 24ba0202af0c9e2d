// Files for the sibling analysis program, compared with golden files written
// by hand: the xp file of a velocity run, the parameter file and the
// configuration file; the prompted values and what they write; the title
// rule; files that cannot be created.

#include <filesystem>

#include "DataOpsTestSupport.h"
#include "state/ModelSelection.h"
#include "state/SiblingPeakList.h"
#include "state/SyntheticSeries.h"
#include "data/LoadMessages.h"
#include "data/SiblingExport.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/Hydrodynamics.h"

namespace {

class SiblingExportTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    ModelSelection = ModelSelectionRecord{};
    DistributionSettings = DistributionSettingsRecord{};
    SiblingPeakList = SiblingPeakListRecord{};
    SeriesGenerationRunning = false;
  }
  void TearDown() override {
    ModelSelection = ModelSelectionRecord{};
    DistributionSettings = DistributionSettingsRecord{};
    SiblingPeakList = SiblingPeakListRecord{};
    DataOpsTest::TearDown();
  }
  static std::string Golden(const std::string& name) {
    return ReadWholeFile((TestDataFolder() / "dataops" / name).string());
  }
  // A velocity run of two scans with a fitted analysis.
  static void VelocityRun() {
    LoadNamedScans({{"00001.RA1", 100.0}, {"00002.RA1", 200.0}});
    ScanDataSet.ScanHeaders[1].Description = "run 7: BSA #2 (fresh)";
    DataFileLocation.DataFolder = "/data/run7";
    auto& m = ModelParameters;
    m.Meniscus = 5.9f;
    m.Bottom = 7.2f;
    m.MeniscusFitted = 1;
    m.MeniscusRangeConfirmed = true;
    m.SystematicNoiseOn = true;
    auto& f = FitControl;
    f.MAXMENISCUS = 5.92f;
    f.MINMENISCUS = 5.88f;
    f.MAXBOTTOM = 7.25f;
    f.MINBOTTOM = 7.15f;
    f.TINoiseFitted = true;
    ScanDataSet.FitLeftLim = 5.95f;
    ScanDataSet.FitRightLim = 7.1f;
  }
  static std::string Line(const std::vector<std::string>& lines, int number) {
    return number <= static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(number - 1)]
                                                     : "";
  }
};

TEST_F(SiblingExportTest, VelocityXpFileMatchesTheGoldenFile) {
  VelocityRun();
  RedrawSuppressed = true;
  ASSERT_TRUE(ExportSiblingXp(nullptr, scratch.File("run7.xp")));
  EXPECT_EQ(ReadWholeFile(scratch.File("run7.xp")), Golden("velocity.xp"));
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(SiblingExportTest, PromptedValuesAreWrittenAndKept) {
  VelocityRun();
  ScanDataSet.EquilibriumDataMode = true;
  const struct {
    const char* centerpiece;
    const char* rotor;
    const char* centerpieceLine;
    const char* rotorLine;
  } cases[] = {{"5", "7", "2 (Centerpiece)", "4 (rotor type:  FOURHOLE)"},
               {"6.0", "8", "6 (Centerpiece)", "8 (rotor type:  EIGHTHOLE)"}};
  for (const auto& c : cases) {
    SolventConditions = SolventConditionsRecord{};
    for (const char* answer : {"1.02", "1.5", "0.72"}) backend().ScriptEntry(answer);
    backend().ScriptEntry(c.centerpiece);
    backend().ScriptEntry("1.25");
    backend().ScriptEntry(c.rotor);
    ASSERT_TRUE(ExportSiblingXp(nullptr, scratch.File("eq.xp")));
    const auto lines = FileLines(scratch.File("eq.xp"));
    EXPECT_EQ(Line(lines, 1), "4 (ExperimentType: MULTISEDEQ)");
    EXPECT_EQ(Line(lines, 4), "1.020000 (fBufferDensity)");
    EXPECT_EQ(Line(lines, 5), "0.150000 (fBufferViscosity)");
    EXPECT_EQ(Line(lines, 6), "0.720000 (VBAR)");
    EXPECT_EQ(Line(lines, 16), "0.005000 (ExperimentalNoise)");
    EXPECT_EQ(Line(lines, 29), c.centerpieceLine);
    EXPECT_EQ(Line(lines, 38), "1.250000 (pathlength)");
    EXPECT_EQ(Line(lines, 39), c.rotorLine);
    // One numbered set of extra concentrations per scan.
    EXPECT_EQ(Line(lines, 49), "0.000000e+00 (ppMultiLocalExtraConcs[2][1])");
    EXPECT_FLOAT_EQ(SolventConditions.BufferDensity, 1.02f);
    EXPECT_NEAR(SolventConditions.RELVISCOSITY, 1.5f / 0.01002f, 1e-3f);
    EXPECT_FLOAT_EQ(SolventConditions.VbarRho, 0.72f * 1.02f);
  }
}

TEST_F(SiblingExportTest, SelfAssociationAsksForTheExtinctionUnlessSerial) {
  VelocityRun();
  SelectModelKind(ModelKind::MonomerDimer);
  for (const char* answer : {"1", "1", "0.73", "2.5", "1.2", "4"}) backend().ScriptEntry(answer);
  ASSERT_TRUE(ExportSiblingXp(nullptr, scratch.File("a.xp")));
  EXPECT_EQ(Line(FileLines(scratch.File("a.xp")), 25), "2.500000 (xExtinctionCoeffA)");
  SeriesGenerationRunning = true;
  backend().ClearLog();
  ASSERT_TRUE(ExportSiblingXp(nullptr, scratch.File("b.xp")));
  EXPECT_EQ(Line(FileLines(scratch.File("b.xp")), 25), "1.000000 (xExtinctionCoeffA)");
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(SiblingExportTest, LightScatteringDataNeedNoRotor) {
  VelocityRun();
  DlsDataMode = true;
  RedrawSuppressed = true;
  ASSERT_TRUE(ExportSiblingXp(nullptr, scratch.File("dls.xp")));
  const auto lines = FileLines(scratch.File("dls.xp"));
  EXPECT_EQ(Line(lines, 1), "1 (ExperimentType: DLS)");
  EXPECT_EQ(Line(lines, 29), "0 (Centerpiece)");
  EXPECT_EQ(Line(lines, 38), "1.000000 (pathlength)");
  EXPECT_EQ(Line(lines, 39), "0 (rotor type:  NOROTOR)");
}

TEST_F(SiblingExportTest, TitleTakesTheLeadingRunOfAllowedCharacters) {
  const struct {
    const char* description;
    const char* title;
  } cases[] = {{"BSA 1mg/ml, 20C: run #3\\a_b.", "BSA 1mg/ml, 20C: run #3\\a_b."},
               {"sample (fresh)", "sample "},
               {"x", ""},
               {"(x) sample", ""},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(SiblingTitleOf(c.description), c.title) << c.description;
  EXPECT_EQ(SiblingTitleOf(std::string(150, 'a')), std::string(100, 'a'));
}

TEST_F(SiblingExportTest, ParameterAndConfigurationFilesMatchTheGoldenFiles) {
  VelocityRun();
  SelectModelKind(ModelKind::CSWithOneDiscrete);
  auto& ds = DistributionSettings;
  ds.Resolution = 100.7f;
  ds.Smin = 0.5f;
  ds.Smax = 15.0f;
  ds.StartingFrictionalRatio = 1.25f;
  ds.FrictionalRatioFitted = 1;
  ds.RegularizationPvalue = 0.68f;
  ds.DiscreteSpeciesMass = 150000.0f;
  ds.DiscreteSpeciesS = 7.1f;
  ds.DiscreteSpeciesMassFitted = 1;
  const std::string config = scratch.File("run7config.quorvel");
  ASSERT_TRUE(ExportSiblingPar(nullptr, config, "/data/run7/run7.xp"));
  EXPECT_EQ(ReadWholeFile(scratch.File("run7config.quorvel_PAR")), Golden("run7config.quorvel_PAR"));
  std::string text = ReadWholeFile(config);
  const std::string folder = scratch.path().string() + "/";
  for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
    text.replace(at, folder.size(), "/data/run7/");
  EXPECT_EQ(text, Golden("run7config.quorvel"));
}

TEST_F(SiblingExportTest, PeaksBecomeDiscreteSpeciesBeforeTheDiscreteComponent) {
  VelocityRun();
  SelectModelKind(ModelKind::CSWithOneDiscrete);
  auto& ds = DistributionSettings;
  ds.DiscreteSpeciesMass = 150000.0f;
  ds.DiscreteSpeciesS = 7.1f;
  ds.FrictionalRatioFitted = 1;
  auto& p = SiblingPeakList;
  p.PeaksAsDiscrete = true;
  p.PeakCount = 3;
  p.PeakS = {0.0f, 4.3f, 6.6f, 10.5f};
  p.PeakM = {0.0f, 66000.0f, 132000.0f, 264000.0f};
  const std::string config = scratch.File("c.quorvel");
  ASSERT_TRUE(ExportSiblingPar(nullptr, config, "x.xp"));
  const auto lines = FileLines(scratch.File("c.quorvel_PAR"));
  ASSERT_EQ(lines.size(), 82u);
  EXPECT_EQ(FileLines(config).size(), 50u);
  EXPECT_EQ(Line(lines, 3), "0 (resolution c(s) #1)");
  EXPECT_EQ(Line(lines, 8), "0 (MCDfitff01)");
  EXPECT_EQ(Line(lines, 18), "66000.000000 (MCDglobM #1)");
  EXPECT_EQ(Line(lines, 20), "264000.000000 (MCDglobM #3)");
  EXPECT_EQ(Line(lines, 21), "150000.000000 (MCDglobM #4)");
  EXPECT_EQ(Line(lines, 22), "0.000000 (MCDglobM #5)");
  EXPECT_EQ(Line(lines, 31), "1 (exist #4)");
  EXPECT_EQ(Line(lines, 32), "0.000000 (exist #5)");
  EXPECT_EQ(Line(lines, 38), FormatText("%f (MCDglobS #1)", static_cast<double>(SToS20wBuffer(4.3f))));
  EXPECT_EQ(Line(lines, 41), "7.100000 (MCDglobS #4)");
  EXPECT_EQ(Line(lines, 51), "1 (MCDfitM #4)");
  EXPECT_EQ(Line(lines, 52), "0.000000 (MCDfitM #5)");
  EXPECT_EQ(Line(lines, 67), "0.000000 (MCDfitS #10)");
}

TEST_F(SiblingExportTest, FilesThatCannotBeCreatedAreReported) {
  VelocityRun();
  RedrawSuppressed = true;
  EXPECT_FALSE(ExportSiblingXp(nullptr, scratch.File("missing/a.xp")));
  EXPECT_EQ(LogLinesWith("could not open " + scratch.File("missing/a.xp")).size(), 1u);
  EXPECT_FALSE(ExportSiblingPar(nullptr, scratch.File("missing/c.quorvel"), "a.xp"));
  EXPECT_EQ(LogLinesWith("for writing").size(), 1u);
  // Without scans nothing is written and nothing said.
  FreeDataSet();
  backend().ClearLog();
  EXPECT_FALSE(ExportSiblingXp(nullptr, scratch.File("none.xp")));
  EXPECT_FALSE(std::filesystem::exists(scratch.File("none.xp")));
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
