#include <filesystem>

#include "app/OptionsFixture.h"
#include "app/commands/RegularizationCommands.h"
#include "app/options/PreferenceFile.h"

using platform::BoxAnswer;

namespace {

class PreferencesTest : public OptionsTest {};

TEST_F(PreferencesTest, MissingOrEmptyFileKeepsTheBuiltInValuesAndWritesNothing) {
  EXPECT_FALSE(ReadPreferences(window()));
  EXPECT_FALSE(std::filesystem::exists(PreferencePath()));

  WritePreferenceText("not a number\n1\n");
  EXPECT_FALSE(ReadPreferences(window()));
  EXPECT_EQ(PreferenceLines().size(), 2u);
  EXPECT_FALSE(ProgramOptions.DisclaimerAgreed);
  EXPECT_EQ(BoxCount(), 0u);
}

TEST_F(PreferencesTest, FileOfOneLineAsksTwiceThenIsRewrittenWholeAndReadSilentlyNextTime) {
  Sounds.SoundsOn = true;  // so that the "ok" sound of the rewrite can be heard
  WritePreferenceText("1\n");
  DistributionSettings.MultithreadingOn = false;
  LammThreadCount = 7;
  backend().ScriptBoxAnswer(BoxAnswer::Yes);  // residuals bitmap
  backend().ScriptBoxAnswer(BoxAnswer::No);   // residuals plot

  ASSERT_TRUE(ReadPreferences(window()));

  EXPECT_TRUE(ProgramOptions.DisclaimerAgreed);
  ASSERT_EQ(BoxCount(), 2u);
  EXPECT_EQ(LogLinesWith("[SET PREFERENCE] (question) update residuals bitmap during fit?").size(),
            1u);
  EXPECT_EQ(LogLinesWith("[SET PREFERENCE] (question) update residuals plot during fit?").size(),
            1u);
  EXPECT_TRUE(MainDisplayOptions.LiveUpdateResidualBitmap);
  EXPECT_FALSE(MainDisplayOptions.LiveUpdateResidualPlot);
  // The missing lines' values; line 7 missing switched the sounds off before
  // the rewrite, so the "ok" sound stays silent.
  EXPECT_FALSE(Sounds.SoundsOn);
  EXPECT_TRUE(DistributionSettings.MultithreadingOn);
  EXPECT_EQ(DistributionSettings.ThreadCount, 2);
  EXPECT_EQ(LammThreadCount, 2);
  EXPECT_TRUE(LoadOptions.TimeStampCheckOn);
  EXPECT_TRUE(DistributionSettings.SuppressBaselineCorrelation);
  EXPECT_EQ(OkSounds(), 0u);

  const std::vector<std::string> expected = {
      "1", "0.0010", "1", "0",   "0", "0",   "0",   "1", "1", "1",         "0",         "2",
      "1", "1",      "2", "1.0", "0", "100", "100", "0", "1", "4.000e-01", "1.000e+02", "1"};
  EXPECT_EQ(PreferenceLines(), expected);

  backend().ClearLog();
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_EQ(BoxCount(), 0u);
  EXPECT_EQ(PreferenceLines(), expected);
}

TEST_F(PreferencesTest, ShortFileRewriteIsAnnouncedByTheOkSound) {
  // Lines 1-8 with sounds on (line 7): the rest is missing.
  WritePreferenceText("1\n0.002\n1\n1\n0\n0\n1\n1\n");
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_EQ(BoxCount(), 0u);
  EXPECT_TRUE(Sounds.SoundsOn);
  EXPECT_EQ(OkSounds(), 1u);
  EXPECT_FLOAT_EQ(ScanDataSet.RadialResolution, 0.002f);
  EXPECT_EQ(PreferenceLines().size(), 24u);
}

TEST_F(PreferencesTest, ThreadLinesGiveAtLeastOneWorker) {
  struct Case {
    const char* line12;
    const char* line15;
    bool multithreading;
    int threads;
    int lammThreads;
  } cases[] = {
      {"0", "3", false, 1, 3},    {"4", "1", true, 4, 1},    {"4.9", "2.7", true, 4, 2},
      {"0.5", "0.5", true, 1, 1}, {"-3", "-2", false, 1, 1}, {"0", "0", false, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line12) + " / " + c.line15);
    WritePreferenceText(FullFile({{12, c.line12}, {15, c.line15}}));
    ASSERT_TRUE(ReadPreferences(window()));
    EXPECT_EQ(DistributionSettings.MultithreadingOn, c.multithreading);
    EXPECT_EQ(DistributionSettings.ThreadCount, c.threads);
    EXPECT_EQ(LammThreadCount, c.lammThreads);
  }
}

TEST_F(PreferencesTest, DamagedValuesAreClampedAndWrittenBackSound) {
  // A threshold of 1e30 once became -2147483648 when written back, which
  // switched the time-stamp check off at the next start; a million threads
  // could not be started; a radial step of 1e-30 made a grid without end.
  WritePreferenceText(FullFile({{2, "1e-30"},
                                {12, "1e9"},
                                {15, "inf"},
                                {16, "1e30"},
                                {18, "100"},
                                {19, "1e30"},
                                {22, "inf"}}));
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_FLOAT_EQ(ScanDataSet.RadialResolution, 1e-5f);
  EXPECT_EQ(DistributionSettings.ThreadCount, 256);
  EXPECT_EQ(LammThreadCount, 256);
  EXPECT_FLOAT_EQ(MainDisplayOptions.LiveUpdateInterval, 3600.0f);
  EXPECT_TRUE(LoadOptions.TimeStampCheckOn);
  EXPECT_FLOAT_EQ(ScanReaderOptions.SpikeThresholdAbsorbance, 0.4f);

  ASSERT_TRUE(WritePreferences(window()));
  const std::vector<std::string> lines = PreferenceLines();
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[17], "1000000");  // check on: a positive code
  EXPECT_EQ(lines[18], "1000000");
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_TRUE(LoadOptions.TimeStampCheckOn);

  // Not a number at all: the built-in values.
  WritePreferenceText(FullFile({{2, "nan"}, {19, "nan"}}));
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_FLOAT_EQ(ScanDataSet.RadialResolution, 0.001f);
  EXPECT_EQ(TimestampThresholdCodeOf(ProgramOptions.TimestampThreshold), 0);
  EXPECT_EQ(TimestampThresholdCodeOf(1e30f, -1.0f), -1000000);
}

TEST_F(PreferencesTest, RegularisationLineSelectsItsTypeWithANoteWhenItChanges) {
  struct Case {
    const char* value;
    int code;
    const char* note;  // nullptr: no note
  } cases[] = {
      {"1", 1, nullptr},
      {"2", 2, "Please Note: Switching now to Tikhonov Regularization"},
      {"3", 3, "Please Note: Switching now to Weighted Third Derivative Regularization"},
      {"4", 4, "Please Note: Switching now to Max Ent & Tikhonov Regularization"},
      {"7", 1, nullptr},
      {"2.5", 1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    SelectRegularizationCode(kRegularizationMaxEnt);
    backend().ClearLog();
    WritePreferenceText(FullFile({{10, c.value}}));
    ASSERT_TRUE(ReadPreferences(window()));
    EXPECT_EQ(CurrentRegularizationCode(), c.code);
    const auto notes = LogLinesWith("box [continuous distribution]");
    if (c.note) {
      ASSERT_EQ(notes.size(), 1u);
      EXPECT_NE(notes[0].find(c.note), std::string::npos) << notes[0];
    } else {
      EXPECT_TRUE(notes.empty());
    }
    // A changed regularisation is no reason to rewrite the file.
    EXPECT_EQ(PreferenceLines()[9], c.value);
  }
  // A start with the type already selected shows nothing.
  backend().ClearLog();
  WritePreferenceText(FullFile({{10, "2"}}));
  SelectRegularizationCode(kRegularizationSecondDerivative);
  ReadPreferences(window());
  EXPECT_EQ(BoxCount(), 0u);
}

TEST_F(PreferencesTest, OptimiserLineThatChangesTheChoiceRewritesTheFile) {
  WritePreferenceText(FullFile({{13, "3"}, {2, "0.00100"}}));
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_EQ(FitDriverSettings.OptimizerKind, OptimizerChoice::LevenbergMarquardt);
  EXPECT_EQ(PreferenceLines()[1], "0.0010");  // rewritten in the whole-file format

  WritePreferenceText(FullFile({{13, "3"}, {2, "0.00100"}}));
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_EQ(PreferenceLines()[1], "0.00100");  // the same choice: left alone

  for (const char* other : {"0", "-1", "5"}) {
    WritePreferenceText(FullFile({{13, other}}));
    ASSERT_TRUE(ReadPreferences(window()));
    EXPECT_EQ(FitDriverSettings.OptimizerKind, OptimizerChoice::LevenbergMarquardt) << other;
  }
}

TEST_F(PreferencesTest, BatchModeAppliesOnlyTheDisclaimerAndNeverWrites) {
  BatchMode = true;
  WritePreferenceText("1\n0.005\n");
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_TRUE(ProgramOptions.DisclaimerAgreed);
  EXPECT_FLOAT_EQ(ScanDataSet.RadialResolution, 0.001f);
  EXPECT_EQ(BoxCount(), 0u);
  EXPECT_EQ(PreferenceLines().size(), 2u);
}

TEST_F(PreferencesTest, DisclaimerIsSetOnlyByExactlyOneAndNeverCleared) {
  for (const char* first : {"0", "2", "1.5"}) {
    WritePreferenceText(FullFile({{1, first}}));
    ReadPreferences(window());
    EXPECT_FALSE(ProgramOptions.DisclaimerAgreed) << first;
  }
  ProgramOptions.DisclaimerAgreed = true;
  WritePreferenceText(FullFile({{1, "0"}}));
  ReadPreferences(window());
  EXPECT_TRUE(ProgramOptions.DisclaimerAgreed);
}

TEST_F(PreferencesTest, WholeFileRoundTripKeepsEveryOption) {
  ProgramOptions.DisclaimerAgreed = true;
  ScanDataSet.RadialResolution = 0.0025f;
  MainDisplayOptions.LiveUpdateResidualBitmap = true;
  MainDisplayOptions.LiveUpdateDataPlot = true;
  MainDisplayOptions.LiveUpdateInterval = 2.5f;
  Sounds.SoundsOn = true;
  MainDisplayOptions.ScanColourFromTime = false;
  ProgramOptions.WizardMessagesOn = false;
  SelectRegularizationCode(kRegularizationWeightedThirdDerivative);
  ProgramOptions.UseIntegrationRangesFile = true;
  DistributionSettings.ThreadCount = 6;
  FitDriverSettings.OptimizerKind = OptimizerChoice::SimulatedAnnealing;
  DistributionSettings.SuppressBaselineCorrelation = false;
  LammThreadCount = 3;
  AlwaysLoadG2 = true;
  LoadOptions.TimeStampCheckOn = false;
  ProgramOptions.TimestampThreshold = 1.0025f;
  ProgramOptions.ErrorPropagationToSw = true;
  ScanReaderOptions.SpikeFilterOn = false;
  ScanReaderOptions.SpikeThresholdAbsorbance = 0.25f;
  ScanReaderOptions.SpikeThresholdFluorescence = 250.0f;
  ScanReaderOptions.FlagStrongGradients = false;
  ASSERT_TRUE(WritePreferences(window()));

  const std::vector<std::string> expected = {
      "1", "0.0025", "1", "0",   "1", "0",    "1",   "0", "0", "3",         "1",         "6",
      "2", "0",      "3", "2.5", "1", "-251", "250", "1", "0", "2.500e-01", "2.500e+02", "0"};
  EXPECT_EQ(PreferenceLines(), expected);

  int integrationRangeLoads = 0;
  PreferenceLinks.LoadIntegrationRanges = [&] { ++integrationRangeLoads; };
  ResetRecords();
  Sounds.Counted = true;
  PreferenceLinks.LoadIntegrationRanges = [&] { ++integrationRangeLoads; };
  ASSERT_TRUE(ReadPreferences(window()));
  // Only the note that the regularisation changes from the built-in one.
  EXPECT_EQ(BoxCount(), 1u);
  EXPECT_EQ(integrationRangeLoads, 1);
  EXPECT_FLOAT_EQ(ScanDataSet.RadialResolution, 0.0025f);
  EXPECT_TRUE(MainDisplayOptions.LiveUpdateResidualBitmap);
  EXPECT_FALSE(MainDisplayOptions.LiveUpdateResidualPlot);
  EXPECT_TRUE(MainDisplayOptions.LiveUpdateDataPlot);
  EXPECT_FLOAT_EQ(MainDisplayOptions.LiveUpdateInterval, 2.5f);
  EXPECT_TRUE(Sounds.SoundsOn);
  EXPECT_FALSE(MainDisplayOptions.ScanColourFromTime);
  EXPECT_FALSE(ProgramOptions.WizardMessagesOn);
  EXPECT_EQ(CurrentRegularizationCode(), kRegularizationWeightedThirdDerivative);
  EXPECT_EQ(DistributionSettings.ThreadCount, 6);
  EXPECT_EQ(FitDriverSettings.OptimizerKind, OptimizerChoice::SimulatedAnnealing);
  EXPECT_FALSE(DistributionSettings.SuppressBaselineCorrelation);
  EXPECT_EQ(LammThreadCount, 3);
  EXPECT_TRUE(AlwaysLoadG2);
  EXPECT_FALSE(LoadOptions.TimeStampCheckOn);
  EXPECT_NEAR(ProgramOptions.TimestampThreshold, 1.0025f, 1e-6f);
  EXPECT_TRUE(ProgramOptions.ErrorPropagationToSw);
  EXPECT_FALSE(ScanReaderOptions.SpikeFilterOn);
  EXPECT_FLOAT_EQ(ScanReaderOptions.SpikeThresholdAbsorbance, 0.25f);
  EXPECT_FLOAT_EQ(ScanReaderOptions.SpikeThresholdFluorescence, 250.0f);
  EXPECT_FALSE(ScanReaderOptions.FlagStrongGradients);
}

TEST_F(PreferencesTest, TextAfterANumberIsIgnoredAndAnUnreadableLineEndsTheFile) {
  std::string text = FullFile({{7, "1 sounds on"}, {20, "x"}});
  WritePreferenceText(text);
  ASSERT_TRUE(ReadPreferences(window()));
  EXPECT_TRUE(Sounds.SoundsOn);
  // Lines 20 on count as missing: the file is written anew, whole.
  EXPECT_EQ(PreferenceLines().size(), 24u);
  EXPECT_EQ(PreferenceLines()[19], "0");
}

TEST_F(PreferencesTest, SingleEntryWriteNeedsTheEntryAndRewritesEveryLineAsFloat) {
  WritePreferenceText("1\n0.001\n1\n");
  EXPECT_FALSE(WritePreferenceEntry(window(), 3, 1));
  EXPECT_EQ(PreferenceLines(), (std::vector<std::string>{"1", "0.001", "1"}));

  ASSERT_TRUE(WritePreferenceEntry(window(), 2, 0));
  EXPECT_EQ(PreferenceLines(), (std::vector<std::string>{"1.000000", "0.001000", "0.000000"}));

  std::filesystem::remove(PreferencePath());
  EXPECT_FALSE(WritePreferenceEntry(window(), 0, 1));
  EXPECT_FALSE(std::filesystem::exists(PreferencePath()));
}

TEST_F(PreferencesTest, UnwritableFolderIsReportedAndAnswersFalse) {
  ProgramPaths.PreferenceFile = ProgramPaths.InstallationFolder + "no such folder/taluvoparams.ini";
  EXPECT_FALSE(WritePreferences(window()));
  const auto boxes = LogLinesWith("box [ERROR] (error) could not write to disk into directory ");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("Please generate directory or make write-accessible"), std::string::npos);
}

TEST_F(PreferencesTest, CheckMarksFollowTheOptions) {
  Sounds.SoundsOn = true;
  ProgramOptions.WizardMessagesOn = false;
  SelectRegularizationCode(kRegularizationBoth);
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
  DistributionSettings.MultithreadingOn = false;
  SetOptionCheckMarks(window());
  EXPECT_TRUE(Checked(594));
  EXPECT_FALSE(Checked(610));
  EXPECT_TRUE(Checked(642));
  for (int id : {295, 294, 1118, 826, 825, 648}) EXPECT_FALSE(Checked(id)) << id;
  EXPECT_TRUE(Checked(824));
}

}  // namespace
