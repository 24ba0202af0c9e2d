#include "app/OptionsFixture.h"
#include "app/help/HelpWizard.h"
#include "app/options/OptionCommands.h"
#include "app/options/PreferenceFile.h"
#include "state/DisplayState.h"

using platform::BoxAnswer;

namespace {

class OptionCommandsTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    WritePreferenceText(FullFile());
  }
};

TEST_F(OptionCommandsTest, SoundSavedAsDefaultRewritesEveryLineAsFloatAndReadsBackTheSame) {
  backend().ScriptBoxAnswer(BoxAnswer::Yes);  // Play Sounds?
  backend().ScriptBoxAnswer(BoxAnswer::Yes);  // save as default setting?
  CmSound(window());
  EXPECT_TRUE(Sounds.SoundsOn);
  EXPECT_TRUE(Checked(594));
  EXPECT_EQ(OkSounds(), 1u);
  const auto lines = PreferenceLines();
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[6], "1.000000");
  EXPECT_EQ(lines[0], "1.000000");
  EXPECT_EQ(lines[21], "0.400000");

  ResetRecords();
  backend().ClearLog();
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_EQ(BoxCount(), 0u);
  EXPECT_TRUE(Sounds.SoundsOn);
  EXPECT_FLOAT_EQ(ScanReaderOptions.SpikeThresholdAbsorbance, 0.4f);
}

// The yes/no options: the answer sets the option and the check mark; "save"
// changes the option's line and no other.
TEST_F(OptionCommandsTest, YesNoOptionsSetTheirMarkAndSaveOnlyTheirOwnLine) {
  struct Case {
    const char* name;
    void (*command)(TXLAWindow&);
    bool (*option)();
    int item;
    int line;  // 1-based
  } cases[] = {
      {"g(2)-1", &CmAlwaysLoadG2, [] { return AlwaysLoadG2; }, 894, 17},
      {"baseline", &CmSuppressBaselineCorrelationInMaxEnt,
       [] { return DistributionSettings.SuppressBaselineCorrelation; }, 829, 14},
      {"sw errors", &CmErrorPropagationOfResidualsToSw,
       [] { return ProgramOptions.ErrorPropagationToSw; }, 952, 20},
  };
  for (const auto& c : cases) {
    for (bool answer : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (answer ? " yes" : " no"));
      WritePreferenceText(FullFile());
      const auto before = PreferenceLines();
      backend().ScriptBoxAnswer(answer ? BoxAnswer::Yes : BoxAnswer::No);
      backend().ScriptBoxAnswer(BoxAnswer::Yes);  // save
      c.command(window());
      EXPECT_EQ(c.option(), answer);
      EXPECT_EQ(Checked(c.item), answer);
      const auto after = PreferenceLines();
      ASSERT_EQ(after.size(), 24u);
      for (std::size_t k = 0; k < 24; ++k) {
        const float expected = k + 1 == static_cast<std::size_t>(c.line) ? (answer ? 1.0f : 0.0f)
                                                                         : std::stof(before[k]);
        EXPECT_FLOAT_EQ(std::stof(after[k]), expected) << "line " << k + 1;
      }
    }
  }
}

TEST_F(OptionCommandsTest, DecliningToSaveLeavesTheFileAlone) {
  const auto before = PreferenceLines();
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmAlwaysLoadG2(window());
  EXPECT_TRUE(AlwaysLoadG2);
  EXPECT_EQ(PreferenceLines(), before);
  EXPECT_EQ(LogLinesWith("[SET PREFERENCE] (question) save as default setting?").size(), 1u);
}

TEST_F(OptionCommandsTest, ScanColourToggleRebuildsAndRepaintsTheDataPlots) {
  int builds = 0, repaints = 0;
  const auto savedBuild = BuildMainDataPlots;
  const auto savedRepaint = RepaintMainWindow;
  BuildMainDataPlots = [&] { ++builds; };
  RepaintMainWindow = [&](platform::WindowHandle) { ++repaints; };
  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmScanColorTemperatureFromTime(window());
  EXPECT_FALSE(MainDisplayOptions.ScanColourFromTime);
  EXPECT_FALSE(Checked(609));
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  CmScanColorTemperatureFromTime(window());
  EXPECT_TRUE(MainDisplayOptions.ScanColourFromTime);
  EXPECT_TRUE(Checked(609));
  EXPECT_EQ(PreferenceLines()[7], "1.000000");
  EXPECT_EQ(builds, 2);
  EXPECT_EQ(repaints, 2);
  BuildMainDataPlots = savedBuild;
  RepaintMainWindow = savedRepaint;
}

TEST_F(OptionCommandsTest, MultipleThreadsKeepAtLeastOneWorker) {
  struct Case {
    const char* name;
    BoxAnswer use;
    std::optional<std::string> threads, lammThreads;
    bool on;
    int threadCount, lammThreadCount;
    const char* line12;
    const char* line15;
  } cases[] = {
      {"four and three", BoxAnswer::Yes, "4", "3.7", true, 4, 3, "4.000000", "3.000000"},
      {"zero entered", BoxAnswer::Yes, "0", "-2", true, 1, 1, "1.000000", "1.000000"},
      {"cancelled", BoxAnswer::Yes, std::nullopt, std::nullopt, false, 2, 1, "0.000000",
       "1.000000"},
      {"no", BoxAnswer::No, std::nullopt, std::nullopt, false, 1, 1, "0.000000", "1.000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DistributionSettings.MultithreadingOn = true;
    DistributionSettings.ThreadCount = 2;
    LammThreadCount = 2;
    backend().ScriptBoxAnswer(c.use);
    if (c.use == BoxAnswer::Yes) {
      backend().ScriptEntry(c.threads);
      backend().ScriptEntry(c.lammThreads);
    }
    backend().ScriptBoxAnswer(BoxAnswer::Yes);  // save
    CmComputeWithMultipleThreads(window());
    EXPECT_EQ(DistributionSettings.MultithreadingOn, c.on);
    EXPECT_EQ(DistributionSettings.ThreadCount, c.threadCount);
    EXPECT_EQ(LammThreadCount, c.lammThreadCount);
    EXPECT_EQ(Checked(648), c.on);
    EXPECT_EQ(PreferenceLines()[11], c.line12);
    EXPECT_EQ(PreferenceLines()[14], c.line15);
  }
}

TEST_F(OptionCommandsTest, OptimiserCommandsMarkExactlyOneAndSaveItsCode) {
  struct Case {
    void (*command)(TXLAWindow&);
    OptimizerChoice choice;
    int item;
    const char* code;
  } cases[] = {
      {&CmMarquardtLevenberg, OptimizerChoice::LevenbergMarquardt, 824, "3.000000"},
      {&CmSimplexAlgorithm, OptimizerChoice::Simplex, 826, "1.000000"},
      {&CmSimulatedAnnealing, OptimizerChoice::SimulatedAnnealing, 825, "2.000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    for (int i = 0; i < 4; ++i) backend().ScriptEntry(std::nullopt);  // annealing settings
    backend().ScriptBoxAnswer(BoxAnswer::Yes);
    c.command(window());
    EXPECT_EQ(FitDriverSettings.OptimizerKind, c.choice);
    for (int item : {824, 825, 826}) EXPECT_EQ(Checked(item), item == c.item) << item;
    EXPECT_EQ(PreferenceLines()[12], c.code);
  }
  EXPECT_EQ(OkSounds(), 0u);
}

TEST_F(OptionCommandsTest, SimulatedAnnealingTakesItsSettingsAndTheFinalFit) {
  backend().ScriptEntry("3.5");
  backend().ScriptEntry("12.9");
  backend().ScriptEntry(std::nullopt);  // iterations: kept
  backend().ScriptEntry("2");
  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmSimulatedAnnealing(window());
  EXPECT_FLOAT_EQ(FitControl.AnnealStartTemperature, 3.5f);
  EXPECT_FLOAT_EQ(FitControl.AnnealTemperature, 3.5f);
  EXPECT_EQ(FitControl.AnnealSteps, 12);
  EXPECT_EQ(FitControl.AnnealIterations, 500);
  EXPECT_TRUE(FitControl.AnnealThenSimplex);
  EXPECT_FALSE(FitControl.AnnealThenLM);
  // The final-fit box starts at the current choice.
  EXPECT_EQ(LogLinesWith("final ML (1), Simplex (2), or none (0) [1.000000]").size(), 1u);

  backend().ClearLog();
  for (int i = 0; i < 3; ++i) backend().ScriptEntry(std::nullopt);
  backend().ScriptEntry("0");
  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmSimulatedAnnealing(window());
  EXPECT_EQ(LogLinesWith("final ML (1), Simplex (2), or none (0) [2.000000]").size(), 1u);
  EXPECT_FALSE(FitControl.AnnealThenSimplex);
  EXPECT_FALSE(FitControl.AnnealThenLM);
}

TEST_F(OptionCommandsTest, TimestampCheckSavesItsStateAndThreshold) {
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  backend().ScriptEntry("1.0025");
  CmCheckElapsedTimeAgainstTimestamp(window());
  EXPECT_TRUE(LoadOptions.TimeStampCheckOn);
  EXPECT_TRUE(Checked(902));
  EXPECT_NEAR(ProgramOptions.TimestampThreshold, 1.0025f, 1e-6f);
  EXPECT_EQ(PreferenceLines()[17], "1.000000");
  EXPECT_EQ(PreferenceLines()[18], "250.000000");
  EXPECT_TRUE(LogLinesWith("save as default").empty());

  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmCheckElapsedTimeAgainstTimestamp(window());
  EXPECT_FALSE(LoadOptions.TimeStampCheckOn);
  EXPECT_FALSE(Checked(902));
  EXPECT_EQ(PreferenceLines()[17], "0.000000");
  EXPECT_EQ(OkSounds(), 0u);

  ResetRecords();
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_FALSE(LoadOptions.TimeStampCheckOn);
  EXPECT_NEAR(ProgramOptions.TimestampThreshold, 1.0025f, 1e-6f);
}

TEST_F(OptionCommandsTest, OldFilenameConventionTogglesWithoutQuestionsOrSaving) {
  const auto before = PreferenceLines();
  CmOldFilenameConvention(window());
  EXPECT_TRUE(LoadOptions.OldFilenameConvention);
  EXPECT_TRUE(Checked(243));
  CmOldFilenameConvention(window());
  EXPECT_FALSE(LoadOptions.OldFilenameConvention);
  EXPECT_FALSE(Checked(243));
  EXPECT_EQ(BoxCount(), 0u);
  EXPECT_EQ(PreferenceLines(), before);
}

TEST_F(OptionCommandsTest, WizardMessagesToggleAndSaveLineNine) {
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  CmInfoAndWizardMessages(window());
  EXPECT_FALSE(ProgramOptions.WizardMessagesOn);
  EXPECT_FALSE(Checked(610));
  EXPECT_EQ(LogLinesWith("box [HELP MESSAGES] (question) Save Setting?").size(), 1u);
  EXPECT_EQ(PreferenceLines()[8], "0.000000");

  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmInfoAndWizardMessages(window());
  EXPECT_TRUE(ProgramOptions.WizardMessagesOn);
  EXPECT_TRUE(Checked(610));
  EXPECT_EQ(PreferenceLines()[8], "0.000000");
}

}  // namespace
