// The temporary parameter file: the round trip of all 215 values, files of
// older layouts read with the layout's defaults, refused short, missing and
// damaged files that change nothing, and the offer to restore after a load.

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "state/ProgramFlags.h"
#include "state/DistributionSettingsRecords.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/RestorePreviousAnalysis.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/CVector.h"

namespace {

// Rows that hold a flag (read as set only at exactly 1.0).
const std::set<int> kFlagRows = {
    54,  55,  56,  57,  58,  59,  60,  61,  66,  73,  74,  75,  76,  77,  78,  80,  81,  91,
    95,  96,  97,  99,  104, 107, 111, 112, 113, 114, 115, 116, 117, 120, 121, 125, 127, 129,
    153, 155, 156, 159, 160, 163, 165, 166, 168, 169, 171, 172, 173, 175, 176, 178, 179, 180,
    181, 182, 188, 190, 192, 193, 194, 195, 196, 199, 201, 202, 203, 206, 207, 212};
// Rows that hold an integer.
const std::set<int> kIntRows = {1,  3,  5,  7,  9,  10, 12, 14, 16, 18, 19, 21,  23,  25, 27,
                                28, 30, 32, 34, 36, 38, 43, 45, 47, 93, 94, 197, 198, 211};
// Rows of the model choice, of derived values and of the reserved tail.
const std::set<int> kModelRows = {0,  67, 68,  69,  70,  71,  72,  82,  83,
                                  84, 98, 122, 123, 124, 128, 162, 213, 214};

void ResetAllRecords() {
  ResetModelRecords();
  DistributionSettings = DistributionSettingsRecord{};
  CorrectionOptions = CorrectionOptionsRecord{};
  SpeciesEngineParameters = SpeciesEngineParametersRecord{};
  ReloadInProgress = false;
  TakeLogSpacingFromSettings = false;
}

class TempParameterFileTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ResetAllRecords();
    path_ = scratch.File("~tmppars.RA1");
    DataFileLocation.TempParameterFilePath = path_;
    TempParameterFileLinks.CheckMenuItem = [this](platform::WindowHandle, int command, bool on) {
      checks_.push_back({command, on});
    };
  }
  void TearDown() override {
    ResetAllRecords();
    DataFileLocation.TempParameterFilePath.clear();
    ModelsTest::TearDown();
  }
  void WriteValues(const std::vector<float>& values) const {
    CVector(static_cast<unsigned>(values.size()), values.data()).WriteFile(path_);
  }
  // A state in which every stored value differs from its default: flags
  // flipped, integers and floats moved, and a discrete non-ideal model with
  // the exponential drift on.
  static std::vector<float> ChangedValues() {
    std::vector<float> v = TempParameterValues(false);
    for (int i = 1; i < TempParameterValueCount; ++i) {
      if (kModelRows.count(i)) continue;
      if (kFlagRows.count(i))
        v[i] = v[i] == 1.0f ? 0.0f : 1.0f;
      else if (kIntRows.count(i))
        v[i] = static_cast<float>(static_cast<int>(v[i]) + 3 + i % 5);
      else
        v[i] = v[i] + 0.125f * static_cast<float>(1 + i % 7);
    }
    for (int i = 130; i <= 148; i += 2) v[i] = 1.0f;
    // Fit flags of the components are 0 or 1 as the packing keeps them; all
    // four components stay on.
    for (int k = 1; k <= 4; ++k) {
      const int o = 9 * (k - 1);
      v[3 + o] = 1.0f;
      v[5 + o] = static_cast<float>(k % 2);
      v[7 + o] = static_cast<float>(1 - k % 2);
      v[9 + o] = static_cast<float>(k % 2);
    }
    // An experimental initial distribution (value 74) fixes the first
    // concentration at 1, unfitted and local, and excludes TI noise; the RI
    // noise (value 80) turns the systematic noise on, written as value 38.
    v[74] = 1.0f;
    v[2] = 1.0f;
    v[3] = 0.0f;
    v[57] = 1.0f;
    v[75] = 0.0f;
    v[80] = 1.0f;
    v[38] = 1.0f;
    v[8] = v[89];   // the discrete species of the hybrid models travel in
    v[17] = v[90];  // the first two extra parameters as well
    v[59] = 1.0f;   // molar masses, not D, in slots 1-4
    v[67] = 1.0f;   // the discrete non-interacting species
    v[98] = -1.0f;
    v[162] = (v[171] == 1.0f || v[175] == 1.0f) ? 1.0f : 0.0f;
    v[213] = 3.0f;
    return v;
  }
  std::string path_;
  std::vector<std::pair<int, bool>> checks_;
};

TEST_F(TempParameterFileTest, SavedFileHas215LinesEndingInReservedZero) {
  TmpSaveBestParams(nullptr, false);
  const std::string text = ReadWholeFile(path_);
  int lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, TempParameterValueCount);
  EXPECT_EQ(text.substr(0, 9), "1.000000\n");
  EXPECT_EQ(text.substr(text.size() - 9), "0.000000\n");
  TmpSaveBestParams(nullptr, true);
  EXPECT_EQ(ReadWholeFile(path_).substr(0, 9), "0.000000\n");
}

TEST_F(TempParameterFileTest, EveryValueRoundTripsThroughTheRecords) {
  const std::vector<float> changed = ChangedValues();
  WriteValues(changed);
  ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
  EXPECT_EQ(ModelSelection.Kind, ModelKind::NonInteractingSpecies);
  const std::vector<float> reloaded = TempParameterValues(false);
  for (int i = 1; i < TempParameterValueCount; ++i)
    EXPECT_FLOAT_EQ(reloaded[i], changed[i]) << "value " << i;

  // Saved from the reloaded state, everything reset, reloaded again.
  TmpSaveBestParams(nullptr, false);
  ResetAllRecords();
  ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
  const std::vector<float> again = TempParameterValues(false);
  for (int i = 1; i < TempParameterValueCount; ++i)
    EXPECT_FLOAT_EQ(again[i], reloaded[i]) << "value " << i;
}

TEST_F(TempParameterFileTest, OlderLayoutOf99ValuesTakesTheLayoutDefaults) {
  CorrectionOptions.Fluorescence.ConvolutionOn = true;
  CorrectionOptions.Ctot.CtotFromDataOnly = false;
  DistributionSettings.FlotationSettings.FlotationOnly = false;
  ModelParameters.LamellaWidth = 0.3f;  // a value row: kept when absent
  std::vector<float> v = ChangedValues();
  v.resize(TempParameterMinimumCount);
  WriteValues(v);
  ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
  EXPECT_FALSE(CorrectionOptions.Fluorescence.ConvolutionOn);
  EXPECT_TRUE(CorrectionOptions.Ctot.CtotFromDataOnly);
  EXPECT_TRUE(DistributionSettings.FlotationSettings.FlotationOnly);
  EXPECT_FLOAT_EQ(ModelParameters.LamellaWidth, 0.3f);
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, v[39]);
}

TEST_F(TempParameterFileTest, ShortMissingOrDamagedFilesChangeNothing) {
  std::vector<float> v = ChangedValues();
  std::string damaged;
  for (int i = 0; i < TempParameterValueCount; ++i)
    damaged += (i == 50 ? std::string("garbage") : std::to_string(v[i])) + "\n";
  v.resize(TempParameterMinimumCount - 1);
  WriteValues(v);
  const std::string shortFile = path_;
  const std::string damagedFile = scratch.Write("damaged", damaged);
  const std::string emptyFile = scratch.Write("empty", "");
  const std::vector<float> before = TempParameterValues(false);
  for (const std::string& path : {shortFile, damagedFile, emptyFile, scratch.File("missing")}) {
    EXPECT_EQ(ReloadParameters(nullptr, path), 0) << path;
    EXPECT_EQ(TempParameterValues(false), before) << path;
  }
  DataFileLocation.TempParameterFilePath = scratch.File("missing");
  EXPECT_EQ(OfferRestoreFromTempParameterFile(nullptr), 0);
}

TEST_F(TempParameterFileTest, DamagedAfterValue99IsNotTakenForAnOlderLayout) {
  std::vector<float> v = ChangedValues();
  std::string text;
  for (int i = 0; i < TempParameterValueCount; ++i)
    text += (i >= 99 && i < 102 ? std::string("garbage") : std::to_string(v[i])) + "\n";
  DataFileLocation.TempParameterFilePath = scratch.Write("~tmppars.RA1", text);
  const std::vector<float> before = TempParameterValues(false);
  EXPECT_EQ(ReloadParameters(nullptr, path_), 0);
  EXPECT_EQ(TempParameterValues(false), before);
  EXPECT_EQ(OfferRestoreFromTempParameterFile(nullptr), 0);
  EXPECT_TRUE(LogLinesWith("box [").empty());
}

// Absent flags of the layout that default to set; every other absent flag
// defaults to cleared.
bool AbsentFlagDefault(int row) {
  return row == 96 || row == 192 || row == 207 || row == 212;
}

TEST_F(TempParameterFileTest, ValuesBeyondAShorterFileKeepTheCurrentStateOrTheFlagDefaults) {
  const std::vector<float> changed = ChangedValues();
  // The file differs from the current state in every value row from 99 on;
  // its flags agree with the current ones, which are the opposite of most
  // absent-flag defaults.
  std::vector<float> file = changed;
  for (int i = TempParameterMinimumCount; i < TempParameterValueCount; ++i) {
    if (kModelRows.count(i) || kFlagRows.count(i) || (i >= 130 && i <= 148 && i % 2 == 0)) continue;
    file[i] += 1.0f;
  }
  for (int count : {99, 100, 131, 161, 162, 177, 178, 199, 214}) {
    SCOPED_TRACE("file of " + std::to_string(count) + " values");
    ResetAllRecords();
    WriteValues(changed);
    ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
    const std::vector<float> before = TempParameterValues(false);
    WriteValues(std::vector<float>(file.begin(), file.begin() + count));
    ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
    const std::vector<float> after = TempParameterValues(false);
    for (int i = TempParameterMinimumCount; i < TempParameterValueCount; ++i) {
      if (kModelRows.count(i) || i == 161 || i == 177) continue;
      const bool present = i < count;
      const bool flag = kFlagRows.count(i) || (i >= 130 && i <= 148 && i % 2 == 0);
      float expected = present ? file[i] : before[i];
      if (!present && flag && i != 91) expected = AbsentFlagDefault(i) ? 1.0f : 0.0f;
      // The fit flags of a drift model that is off are cleared.
      if ((i == 160 || i == 173) && after[171] != 1.0f) expected = 0.0f;
      if (i == 176 && after[175] != 1.0f) expected = 0.0f;
      EXPECT_NEAR(after[i], expected, 1e-6f * std::fabs(expected)) << "value " << i;
    }
    // Without value 177 the exponential drift rate was kept in percent.
    const float rate = count > 177 ? file[161] : count > 161 ? file[161] * 0.01f : before[161];
    EXPECT_FLOAT_EQ(after[161], rate);
    EXPECT_FLOAT_EQ(after[177], count > 177 ? file[177] : 0.0f);
    EXPECT_FLOAT_EQ(after[98], count > 98 ? file[98] : 1.0f);
    EXPECT_FLOAT_EQ(after[162], after[171] == 1.0f || after[175] == 1.0f ? 1.0f : 0.0f);
  }
}

TEST_F(TempParameterFileTest, FlagsAreSetOnlyByExactlyOne) {
  const struct {
    int row;
    float stored;
    float read;
  } cases[] = {
      {54, 1.0f, 1.0f},  {54, 2.0f, 0.0f},  {54, 0.5f, 0.0f},       {59, 2.0f, 0.0f},
      {59, 0.5f, 0.0f},  {95, 1.0f, 1.0f},  {95, 2.0f, 0.0f},       {192, 0.5f, 0.0f},
      {192, 1.0f, 1.0f}, {212, 2.0f, 0.0f}, {178, 0.999999f, 0.0f}, {178, 1.0f, 1.0f},
  };
  for (const auto& c : cases) {
    ResetAllRecords();
    std::vector<float> v = TempParameterValues(false);
    v[c.row] = c.stored;
    WriteValues(v);
    ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
    EXPECT_EQ(TempParameterValues(false)[c.row], c.read) << "value " << c.row << " = " << c.stored;
  }
}

TEST_F(TempParameterFileTest, Value71ChoosesTheNonidealSingleSpeciesModel) {
  const struct {
    float stored;
    ModelKind kind;
  } cases[] = {{0.0f, ModelKind::NonInteractingSpecies},
               {-1.0f, ModelKind::NonInteractingSpecies},
               {1.0f, ModelKind::NonidealSingleSpecies},
               {2.0f, ModelKind::NonidealSingleSpecies},
               {1001.0f, ModelKind::HinderedSingleSpecies},
               {1001.5f, ModelKind::HinderedSingleSpecies}};
  for (const auto& c : cases) {
    ResetAllRecords();
    std::vector<float> v = TempParameterValues(false);
    v[71] = c.stored;
    WriteValues(v);
    ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
    EXPECT_EQ(ModelSelection.Kind, c.kind) << "value 71 = " << c.stored;
  }
}

TEST_F(TempParameterFileTest, Value81ChoosesBetweenRotorRampAndTimesFromOmega2t) {
  for (const float ramp : {0.0f, 1.0f}) {
    SCOPED_TRACE(ramp);
    ResetAllRecords();
    LoadTestScans({{6.0, 7.0, 0.01, 1000.0}, {6.0, 7.0, 0.01, 2000.0}});
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      ScanHeader& h = ScanDataSet.ScanHeaders[i];
      h.Rpm = 50000.0f;
      h.RecordedTime = h.Time;
      const double omega = 50000.0 * 3.14159265358979323846 / 30.0;
      h.Omega2t = omega * omega * (h.Time + 30.0);  // 30 s lag of a slow acceleration
    }
    std::vector<float> v = TempParameterValues(false);
    v[81] = ramp;
    WriteValues(v);
    ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
    EXPECT_EQ(ScanDataSet.RampRotorSpeed, ramp == 1.0f);
    EXPECT_EQ(ScanDataSet.TimesFromW2t, ramp != 1.0f);
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      const ScanHeader& h = ScanDataSet.ScanHeaders[i];
      EXPECT_NEAR(h.Time, h.RecordedTime + (ramp == 1.0f ? 0.0 : 30.0), 5e-3) << "scan " << i;
    }
  }
}

TEST_F(TempParameterFileTest, ContinuousModelsReloadThroughTheirCommand) {
  const struct {
    ModelKind saved;
    int code;
    ModelKind reloaded;
    bool massInsteadOfD;
  } cases[] = {
      {ModelKind::NonInteractingSpecies, 0, ModelKind::NonInteractingSpecies, false},
      {ModelKind::ContinuousCS, 1, ModelKind::ContinuousCS, false},
      {ModelKind::ContinuousCM, 1, ModelKind::ContinuousCS, false},
      {ModelKind::CSInvariantD, 1, ModelKind::ContinuousCS, false},
      {ModelKind::CSWithOneDiscrete, 2, ModelKind::CSWithOneDiscrete, true},
      {ModelKind::CSFf0, 3, ModelKind::CSFf0, true},
      {ModelKind::CSFf0OneDiscrete, 4, ModelKind::CSFf0OneDiscrete, true},
      {ModelKind::CSGeneralScalingLaw, 5, ModelKind::CSGeneralScalingLaw, true},
      {ModelKind::FMScalingLaw, 6, ModelKind::FMScalingLaw, true},
      {ModelKind::NonidealCS, 7, ModelKind::NonidealCS, true},
      {ModelKind::HinderedCS, 7001, ModelKind::HinderedCS, true},
      {ModelKind::LsGStar, 8, ModelKind::LsGStar, false},
      {ModelKind::CSFlotation, 9, ModelKind::CSFlotation, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.saved));
    ResetAllRecords();
    ModelSelection.Kind = c.saved;
    std::vector<float> v = TempParameterValues(false);
    EXPECT_EQ(v[72], static_cast<float>(c.code));
    v[59] = 0.0f;
    WriteValues(v);
    ResetAllRecords();
    int resets = 0;
    std::vector<std::pair<ModelKind, bool>> commands;
    TempParameterFileLinks.ResetModelFlags = [&resets](platform::WindowHandle) {
      ModelSelection = ModelSelectionRecord{};
      ++resets;
    };
    TempParameterFileLinks.IssueModelCommand = [&commands](platform::WindowHandle, ModelKind k) {
      commands.push_back({k, ReloadInProgress});
      ModelSelection.Kind = k;
    };
    ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
    EXPECT_EQ(ModelSelection.Kind, c.reloaded);
    EXPECT_EQ(FitControl.MassInsteadOfD, c.massInsteadOfD);
    EXPECT_FALSE(ReloadInProgress);
    EXPECT_EQ(resets, c.code > 0 ? 2 : 1);
    if (c.code > 0) {
      ASSERT_EQ(commands.size(), 1u);
      EXPECT_EQ(commands[0].first, c.reloaded);
      EXPECT_TRUE(commands[0].second);
    } else {
      EXPECT_TRUE(commands.empty());
    }
  }
}

TEST_F(TempParameterFileTest, LinearConcentrationsSurviveTheRoundTrip) {
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ModelParameters.ComponentOn[1] = ModelParameters.ComponentOn[2] = 1;
  ModelParameters.ConcentrationFitted[1] = ModelParameters.ConcentrationFitted[2] = 1;
  DeriveFitModeFlags();
  PackParameterVector();
  ASSERT_TRUE(ModelParameters.LinearConcentrations);
  TmpSaveBestParams(nullptr, false);
  // Hidden from the optimisers, the concentrations are marked fitted in the
  // file, and the records the fit goes on with are left as they were.
  EXPECT_EQ(ModelParameters.ConcentrationFitted[1], 0);
  CVector saved;
  ASSERT_TRUE(saved.ReadFile(path_));
  ASSERT_EQ(saved.count(), static_cast<unsigned>(TempParameterValueCount));
  EXPECT_EQ(saved.data()[3], 1.0f);
  EXPECT_EQ(saved.data()[12], 1.0f);
  ResetAllRecords();
  ASSERT_EQ(ReloadParameters(nullptr, path_), 1);
  EXPECT_TRUE(ModelParameters.LinearConcentrations);
  EXPECT_EQ(ModelParameters.ConcentrationFitted[1], 0);
  EXPECT_EQ(ModelParameters.ConcentrationFitted[2], 0);
}

class RestoreOfferTest : public TempParameterFileTest {
 protected:
  static constexpr float kSavedMeniscus = 6.0625f;
  void SaveFile(float mark) {
    std::vector<float> v = TempParameterValues(false);
    v[0] = mark;
    v[39] = kSavedMeniscus;
    WriteValues(v);
  }
  std::vector<std::string> Questions() const {
    std::vector<std::string> asked;
    for (const std::string& line : LogLinesWith("box ["))
      for (const char* q : {"restore previous data?", "load previous analysis?"})
        if (line.find(q) != std::string::npos) asked.push_back(q);
    return asked;
  }
};

TEST_F(RestoreOfferTest, QuestionsFollowTheCompletionMarkAndTheAnswers) {
  using platform::BoxAnswer;
  const std::string restore = "restore previous data?", load = "load previous analysis?";
  const struct {
    const char* name;
    float mark;
    bool quiet, serial;
    std::vector<BoxAnswer> answers;
    std::vector<std::string> asked;
    int result;
    bool reloaded, commandRun;
  } cases[] = {
      {"unfinished, yes", 0.0f, false, false, {BoxAnswer::Yes}, {restore}, 1, true, false},
      {"unfinished, no, yes",
       0.0f,
       false,
       false,
       {BoxAnswer::No, BoxAnswer::Yes},
       {restore, load},
       1,
       false,
       true},
      {"unfinished, no, no",
       0.0f,
       false,
       false,
       {BoxAnswer::No, BoxAnswer::No},
       {restore, load},
       0,
       false,
       false},
      {"finished, yes", 1.0f, false, false, {BoxAnswer::Yes}, {load}, 1, false, true},
      {"finished, no", 1.0f, false, false, {BoxAnswer::No}, {load}, 0, false, false},
      {"unfinished, quiet", 0.0f, true, false, {}, {}, 1, true, false},
      {"finished, quiet", 1.0f, true, false, {}, {}, 1, true, false},
      {"serial fit", 0.0f, false, true, {}, {}, 1, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetAllRecords();
    backend().ClearLog();
    SaveFile(c.mark);
    bool commandRun = false;
    TempParameterFileLinks.QuietMode = [&c] { return c.quiet; };
    TempParameterFileLinks.SerialFitRunning = [&c] { return c.serial; };
    TempParameterFileLinks.ReloadSavedFitParameters = [&commandRun](platform::WindowHandle) {
      commandRun = true;
    };
    RedrawSuppressed = c.serial;
    for (BoxAnswer a : c.answers) backend().ScriptBoxAnswer(a);
    EXPECT_EQ(OfferRestoreFromTempParameterFile(nullptr), c.result);
    RedrawSuppressed = false;
    EXPECT_EQ(Questions(), c.asked);
    EXPECT_EQ(ModelParameters.Meniscus == kSavedMeniscus, c.reloaded);
    EXPECT_EQ(commandRun, c.commandRun);
  }
}

}  // namespace
