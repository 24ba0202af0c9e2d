// The temporary parameter file: the round trip of all 215 values, files of
// older layouts read with the layout's defaults, refused short, missing and
// damaged files that change nothing, and the offer to restore after a load.

#include <set>
#include <string>
#include <vector>

#include "distributions/records/DistributionSettingsRecords.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "models/records/RestorePreviousAnalysis.h"
#include "models/records/SpeciesEngineParameters.h"
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
  ResetTempParameterFileLinks();
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
    // Fit flags of the components are 0 or 1 as the packing keeps them.
    for (int i = 3; i <= 36; i += 2) v[i] = static_cast<float>(i % 4 == 1);
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
  // The fit-mode derivation after a reload decides the concentration form,
  // the concentration fit flags, the noise switches and "conc local".
  const std::set<int> derived = {2, 3, 12, 21, 25, 30, 38, 57, 75};
  const std::vector<float> reloaded = TempParameterValues(false);
  for (int i = 1; i < TempParameterValueCount; ++i)
    if (!derived.count(i)) {
      EXPECT_FLOAT_EQ(reloaded[i], changed[i]) << "value " << i;
    }

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

}  // namespace
