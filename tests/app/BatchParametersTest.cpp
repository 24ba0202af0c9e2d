// The batch parameter file: required keys, the scan list, every optional
// key and its default, whole-tag matching, duplicates, value conversions,
// the command line and the acceptance of the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include <sys/stat.h>

#include "app/batch/BatchOutputFolder.h"
#include "app/batch/BatchParameters.h"
#include "app/batch/BatchStatus.h"
#include "app/batch/BatchTagSearch.h"
#include "app/start/ProgramStart.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "support/TestSupport.h"

namespace {

std::string Tag(const std::string& key, const std::string& value) {
  return "<" + key + ">" + value + "</" + key + ">\n";
}

const std::string RequiredTexts = Tag("AllDoneFlagFile", "/results/done.txt") +
                                  Tag("OutputResultsDirectory", "/results") +
                                  Tag("DataDirectory", "/data/run7") + Tag("PassThrough", "job 42");
const std::string NumberedScans = Tag("Channel", "RA1") + Tag("FirstScan", "3") +
                                  Tag("LastScan", "30") + Tag("ScanInterval", "2");
const std::string TwoScanFiles = Tag("nIndividualScanFilePaths", "2") +
                                 Tag("ScanFilePath1", "/data/a/00001.RA1") +
                                 Tag("ScanFilePath2", "/data/b/00002.RA1");

class BatchParameters : public HeadlessTest {
 protected:
  // The program reads a parameter file before its window exists, as
  // these tests do.
  void SetUp() override {
    HeadlessTest::SetUp();
    DropLogLinesBeforeTheWindow();
  }
  // Reads a parameter file of the given contents into record.
  bool Read(const std::string& contents) {
    record = CIniCustomPars{};
    return ReadBatchParameters(record, folder.Write("batch.xml", contents));
  }
  bool ReadWith(const std::string& optionalKeys) {
    return Read(RequiredTexts + NumberedScans + optionalKeys);
  }

  ScratchFolder folder;
  CIniCustomPars record;
};

TEST_F(BatchParameters, ExplicitScanFilesAloneKeepEveryDefault) {
  ASSERT_TRUE(Read(RequiredTexts + TwoScanFiles));
  const CIniCustomPars& r = record;
  EXPECT_TRUE(r.Valid);
  EXPECT_EQ(r.AllDoneFlagFile, "/results/done.txt");
  EXPECT_EQ(r.OutputResultsDirectory, "/results");
  EXPECT_EQ(r.DataDirectory, "/data/run7");
  EXPECT_EQ(r.PassThrough, "job 42");
  ASSERT_EQ(r.nIndividualScanFilePaths, 2);
  ASSERT_EQ(r.ScanFilePaths.size(), 2);
  EXPECT_EQ(r.ScanFilePaths[1], "/data/a/00001.RA1");
  EXPECT_EQ(r.ScanFilePaths[2], "/data/b/00002.RA1");

  EXPECT_EQ(r.HandshakeLength, 0);
  EXPECT_EQ(r.Channel, "");
  EXPECT_EQ(r.FirstScan, -1);
  EXPECT_EQ(r.LastScan, -1);
  EXPECT_EQ(r.ScanInterval, 1);
  EXPECT_FLOAT_EQ(r.Meniscus, 6.0f);
  EXPECT_FLOAT_EQ(r.MeniscusLowerLimit, 5.95f);
  EXPECT_FLOAT_EQ(r.MeniscusUpperLimit, 6.05f);
  EXPECT_TRUE(r.MeniscusFitted);
  EXPECT_FLOAT_EQ(r.Bottom, 7.2f);
  EXPECT_FLOAT_EQ(r.BottomLowerLimit, 7.18f);
  EXPECT_FLOAT_EQ(r.BottomUpperLimit, 7.25f);
  EXPECT_FALSE(r.BottomFitted);
  EXPECT_FLOAT_EQ(r.LeftFitLimit, 6.1f);
  EXPECT_FLOAT_EQ(r.RightFitLimit, 7.0f);
  EXPECT_EQ(r.Model, "");
  EXPECT_EQ(r.RegularizationType, "");
  EXPECT_FLOAT_EQ(r.RegularizationPvalue, 0.7f);
  EXPECT_FLOAT_EQ(r.StartingFrictionalRatio, 1.3f);
  EXPECT_TRUE(r.FrictionalRatioFitted);
  EXPECT_FALSE(r.BaselineFitted);
  EXPECT_FALSE(r.RINoiseFitted);
  EXPECT_TRUE(r.TINoiseFitted);
  EXPECT_EQ(r.Resolution, 50);
  EXPECT_FLOAT_EQ(r.Smin, 0.5f);
  EXPECT_FLOAT_EQ(r.Smax, 10.0f);
  EXPECT_FALSE(r.GridfromFile);
  EXPECT_FALSE(r.UseLogSpaceSgrid);
  EXPECT_FLOAT_EQ(r.Vbar, 0.73f);
  EXPECT_FLOAT_EQ(r.BufferDensity, 1.0f);
  EXPECT_FLOAT_EQ(r.BufferViscosity, 0.01002f);
  EXPECT_TRUE(r.SupressBaselineCorrelation);
  EXPECT_EQ(r.FittingAlgorithm, "");
  EXPECT_TRUE(r.ShowResidualsHistogram);
  EXPECT_FALSE(r.AutoRun);
  EXPECT_FALSE(r.AutoFit);
  EXPECT_FALSE(r.AutoExit);
  EXPECT_FALSE(r.AutoSubtractSystematicNoise);
  EXPECT_EQ(r.NumberComputationThreads, 2);
  EXPECT_TRUE(r.FilterDataSpikes);
  EXPECT_FLOAT_EQ(r.DataSpikeThreshold, 0.4f);
  EXPECT_FALSE(r.CheckTimeStamps);
  EXPECT_FLOAT_EQ(r.FlotationDeconvolutionR, 0.0f);
  EXPECT_FLOAT_EQ(r.FlotationDeconvolutionD, 0.0f);
  EXPECT_FLOAT_EQ(r.FlotationMinS, 0.0f);
  EXPECT_FLOAT_EQ(r.FlotationMaxS, 0.0f);
  EXPECT_EQ(r.FlotationGridN, 50);
  EXPECT_TRUE(r.FlotationOnly);
  EXPECT_FLOAT_EQ(r.LogSpacedSmin, 10.0f);
  EXPECT_FALSE(r.SimulateOnly);
  EXPECT_FLOAT_EQ(r.SimulateS, 0.0f);
  EXPECT_FLOAT_EQ(r.SimulateD, 0.0f);
  EXPECT_FLOAT_EQ(r.SimulateC, 0.0f);
  EXPECT_FALSE(r.SaveRadialScanFit);
}

TEST_F(BatchParameters, NumberedScanListIsRead) {
  ASSERT_TRUE(Read(RequiredTexts + NumberedScans));
  EXPECT_EQ(record.Channel, "RA1");
  EXPECT_EQ(record.FirstScan, 3);
  EXPECT_EQ(record.LastScan, 30);
  EXPECT_EQ(record.ScanInterval, 2);
  EXPECT_EQ(record.nIndividualScanFilePaths, 0);
  EXPECT_EQ(record.ScanFilePaths.size(), 0);
}

struct KeyCase {
  const char* key;
  const char* value;
  std::function<bool(const CIniCustomPars&)> holds;
};

// One value off its default for every optional key.
const std::vector<KeyCase> EveryOptionalKey = {
    {"Meniscus", "5.91", [](auto& r) { return r.Meniscus == 5.91f; }},
    {"MeniscusLowerLimit", "5.8", [](auto& r) { return r.MeniscusLowerLimit == 5.8f; }},
    {"MeniscusUpperLimit", "6.2", [](auto& r) { return r.MeniscusUpperLimit == 6.2f; }},
    {"MeniscusFitted", "FALSE", [](auto& r) { return !r.MeniscusFitted; }},
    {"Bottom", "7.31", [](auto& r) { return r.Bottom == 7.31f; }},
    {"BottomLowerLimit", "7.1", [](auto& r) { return r.BottomLowerLimit == 7.1f; }},
    {"BottomUpperLimit", "7.4", [](auto& r) { return r.BottomUpperLimit == 7.4f; }},
    {"BottomFitted", "TRUE", [](auto& r) { return r.BottomFitted; }},
    {"LeftFitLimit", "6.15", [](auto& r) { return r.LeftFitLimit == 6.15f; }},
    {"RightFitLimit", "7.05", [](auto& r) { return r.RightFitLimit == 7.05f; }},
    {"Model", "lsgofs", [](auto& r) { return r.Model == "lsgofs"; }},
    {"RegularizationType", "TP3", [](auto& r) { return r.RegularizationType == "TP3"; }},
    {"RegularizationPvalue", "0.95", [](auto& r) { return r.RegularizationPvalue == 0.95f; }},
    {"StartingFrictionalRatio", "1.5", [](auto& r) { return r.StartingFrictionalRatio == 1.5f; }},
    {"FrictionalRatioFitted", "false", [](auto& r) { return !r.FrictionalRatioFitted; }},
    {"BaselineFitted", "true", [](auto& r) { return r.BaselineFitted; }},
    {"RINoiseFitted", "TRUE", [](auto& r) { return r.RINoiseFitted; }},
    {"TINoiseFitted", "FALSE", [](auto& r) { return !r.TINoiseFitted; }},
    {"Resolution", "120", [](auto& r) { return r.Resolution == 120; }},
    {"Smin", "0.25", [](auto& r) { return r.Smin == 0.25f; }},
    {"Smax", "15", [](auto& r) { return r.Smax == 15.0f; }},
    {"FlotationDeconvolutionR", "2", [](auto& r) { return r.FlotationDeconvolutionR == 2.0f; }},
    {"FlotationDeconvolutionD", "3", [](auto& r) { return r.FlotationDeconvolutionD == 3.0f; }},
    {"FlotationMinS", "-10", [](auto& r) { return r.FlotationMinS == -10.0f; }},
    {"FlotationMaxS", "-1", [](auto& r) { return r.FlotationMaxS == -1.0f; }},
    {"FlotationGridN", "70", [](auto& r) { return r.FlotationGridN == 70; }},
    {"FlotationOnly", "FALSE", [](auto& r) { return !r.FlotationOnly; }},
    {"GridfromFile", "TRUE", [](auto& r) { return r.GridfromFile; }},
    {"UseLogSpaceSgrid", "TRUE", [](auto& r) { return r.UseLogSpaceSgrid; }},
    {"Vbar", "0.72", [](auto& r) { return r.Vbar == 0.72f; }},
    {"BufferDensity", "1.005", [](auto& r) { return r.BufferDensity == 1.005f; }},
    {"BufferViscosity", "0.0102", [](auto& r) { return r.BufferViscosity == 0.0102f; }},
    {"SupressBaselineCorrelation", "FALSE", [](auto& r) { return !r.SupressBaselineCorrelation; }},
    {"FittingAlgorithm", "Levenberg-Marquardt",
     [](auto& r) { return r.FittingAlgorithm == "Levenberg-Marquardt"; }},
    {"ShowResidualsHistogram", "FALSE", [](auto& r) { return !r.ShowResidualsHistogram; }},
    {"AutoRun", "TRUE", [](auto& r) { return r.AutoRun; }},
    {"SimulateOnly", "TRUE", [](auto& r) { return r.SimulateOnly; }},
    {"AutoExit", "TRUE", [](auto& r) { return r.AutoExit; }},
    {"AutoFit", "TRUE", [](auto& r) { return r.AutoFit; }},
    {"AutoSubtractSystematicNoise", "TRUE", [](auto& r) { return r.AutoSubtractSystematicNoise; }},
    {"NumberComputationThreads", "4", [](auto& r) { return r.NumberComputationThreads == 4; }},
    {"FilterDataSpikes", "FALSE", [](auto& r) { return !r.FilterDataSpikes; }},
    {"DataSpikeThreshold", "0.25", [](auto& r) { return r.DataSpikeThreshold == 0.25f; }},
    {"CheckTimeStamps", "TRUE", [](auto& r) { return r.CheckTimeStamps; }},
    {"LogSpacedSmin", "20", [](auto& r) { return r.LogSpacedSmin == 20.0f; }},
    {"SimulateS", "4.5", [](auto& r) { return r.SimulateS == 4.5f; }},
    {"SimulateD", "6e-7", [](auto& r) { return r.SimulateD == 6e-7f; }},
    {"SimulateC", "0.8", [](auto& r) { return r.SimulateC == 0.8f; }},
    {"SaveRadialScanFit", "TRUE", [](auto& r) { return r.SaveRadialScanFit; }},
};

// Each key reaches its own field, in whatever order the keys stand: a
// shorter key read before or after the longer keys that contain it.
TEST_F(BatchParameters, EveryOptionalKeyReachesItsFieldInAnyOrder) {
  std::vector<std::string> tags;
  for (const KeyCase& c : EveryOptionalKey) tags.push_back(Tag(c.key, c.value));
  for (bool reversed : {false, true}) {
    if (reversed) std::reverse(tags.begin(), tags.end());
    std::string text;
    for (const std::string& tag : tags) text += tag;
    ASSERT_TRUE(ReadWith(text)) << "reversed " << reversed;
    for (const KeyCase& c : EveryOptionalKey)
      EXPECT_TRUE(c.holds(record)) << c.key << " reversed " << reversed;
  }
}

// A missing short key never takes the value of a longer key that begins
// with it, and a long key never counts as a second tag of the short one.
TEST_F(BatchParameters, TagsMatchWholeKeys) {
  ASSERT_TRUE(ReadWith(Tag("MeniscusLowerLimit", "5.9") + Tag("Meniscus", "6.1")));
  EXPECT_FLOAT_EQ(record.Meniscus, 6.1f);
  EXPECT_FLOAT_EQ(record.MeniscusLowerLimit, 5.9f);

  ASSERT_TRUE(ReadWith(Tag("BottomFitted", "TRUE") + Tag("BottomLowerLimit", "7.1")));
  EXPECT_FLOAT_EQ(record.Bottom, 7.2f);
  EXPECT_TRUE(record.BottomFitted);

  ASSERT_TRUE(ReadWith(Tag("LogSpacedSmin", "20")));
  EXPECT_FLOAT_EQ(record.Smin, 0.5f);
  EXPECT_FLOAT_EQ(record.LogSpacedSmin, 20.0f);

  std::string tenFiles = Tag("nIndividualScanFilePaths", "10");
  for (int i = 10; i >= 1; --i)
    tenFiles += Tag("ScanFilePath" + std::to_string(i), "/d/" + std::to_string(i));
  ASSERT_TRUE(Read(RequiredTexts + tenFiles));
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(record.ScanFilePaths[i], "/d/" + std::to_string(i));

  // ScanFilePath10 present, ScanFilePath1 missing: the list is incomplete.
  std::string withoutFirst = Tag("nIndividualScanFilePaths", "10");
  for (int i = 2; i <= 10; ++i)
    withoutFirst += Tag("ScanFilePath" + std::to_string(i), "/d/" + std::to_string(i));
  EXPECT_FALSE(Read(RequiredTexts + withoutFirst));
}

TEST_F(BatchParameters, BooleanWords) {
  const struct {
    const char* value;
    bool meniscusFitted;  // default TRUE
    bool bottomFitted;    // default FALSE
  } cases[] = {
      {"TRUE", true, true},    {"true", true, true},      {"FALSE", false, false},
      {"false", false, false}, {"yes", true, false},      {"False", true, false},
      {"True", true, false},   {" is TRUE ", true, true}, {"", true, false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(ReadWith(Tag("MeniscusFitted", c.value) + Tag("BottomFitted", c.value))) << c.value;
    EXPECT_EQ(record.MeniscusFitted, c.meniscusFitted) << c.value;
    EXPECT_EQ(record.BottomFitted, c.bottomFitted) << c.value;
  }
}

TEST_F(BatchParameters, NumbersTakeTheirLeadingDecimalPrefix) {
  const struct {
    const char* value;
    int threads;     // default 2
    float meniscus;  // default 6.0
  } cases[] = {
      {"3.9", 3, 3.9f}, {"12 points", 12, 12.0f}, {"  7", 7, 7.0f}, {"+5", 5, 5.0f},
      {"1e2", 100, 100.0f}, {"6,1", 6, 6.0f}, {".5", 1, 0.5f}, {"1e", 1, 1.0f},
      {"-2.7", 1, -2.7f},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(ReadWith(Tag("NumberComputationThreads", c.value) + Tag("Meniscus", c.value)))
        << c.value << ": " << record.Refusal;
    EXPECT_EQ(record.NumberComputationThreads, c.threads) << c.value;
    EXPECT_FLOAT_EQ(record.Meniscus, c.meniscus) << c.value;
  }
}

// A number that is given but cannot be read, or that would size arrays and
// loops beyond reason, refuses the file with the key's name; read as 0 or
// left at its default it would silently change the analysis.
TEST_F(BatchParameters, BadNumbersRefuseTheFileNamingTheirKey) {
  const struct {
    std::string tags;
    const char* refusal;
  } cases[] = {
      {Tag("Meniscus", "abc"), "Meniscus: \"abc\" cannot be read as its value"},
      {Tag("Meniscus", ""), "Meniscus: \"\" cannot be read"},
      {Tag("Smax", "-"), "Smax: \"-\" cannot be read"},
      {Tag("Bottom", "1e39"), "Bottom: \"1e39\""},
      {Tag("Vbar", "1e400"), "Vbar: "},
      {Tag("Smin", "inf"), "Smin: "},
      {Tag("BufferDensity", "nan"), "BufferDensity: "},
      {Tag("NumberComputationThreads", "none"), "NumberComputationThreads: "},
      {Tag("Resolution", "99999999999"), "Resolution: "},
      {Tag("Resolution", "100000000"), "Resolution 100000000 is outside the range 2 to 1000"},
      {Tag("Resolution", "2147483647"), "Resolution 2147483647 is outside the range"},
      {Tag("Resolution", "1"), "Resolution 1 is outside the range"},
      {Tag("FlotationGridN", "5000"), "FlotationGridN 5000 is outside the range"},
      {Tag("NumberComputationThreads", "100000"), "NumberComputationThreads 100000 is outside"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ReadWith(c.tags)) << c.tags;
    EXPECT_FALSE(record.Valid);
    EXPECT_NE(record.Refusal.find(c.refusal), std::string::npos) << record.Refusal;
  }
  // The numbered scan list: each count in its range, and no more scans than
  // a load takes.
  const struct {
    const char *first, *last, *interval, *refusal;
  } lists[] = {
      {"0", "30", "1", "FirstScan 0 is outside the range 1 to 99999"},
      {"1", "2147483647", "1", "LastScan 2147483647 is outside the range 1 to 99999"},
      {"1", "30", "0", "ScanInterval 0 is outside the range"},
      {"1", "30", "-3", "ScanInterval -3 is outside the range"},
      {"1", "5000", "1", "names 5000 scans, more than 1000"},
      {"x", "30", "1", "FirstScan: \"x\" cannot be read"},
  };
  for (const auto& l : lists) {
    EXPECT_FALSE(Read(RequiredTexts + Tag("Channel", "RA1") + Tag("FirstScan", l.first) +
                      Tag("LastScan", l.last) + Tag("ScanInterval", l.interval)))
        << l.refusal;
    EXPECT_NE(record.Refusal.find(l.refusal), std::string::npos) << record.Refusal;
  }
  EXPECT_FALSE(Read(RequiredTexts + Tag("nIndividualScanFilePaths", "1001")));
  EXPECT_NE(record.Refusal.find("nIndividualScanFilePaths 1001 is outside"), std::string::npos);

  // The box names the key too.
  ASSERT_FALSE(ReadWith(Tag("Meniscus", "abc")));
  backend().ClearLog();
  EXPECT_EQ(CheckBatchParameters(record, "/jobs/batch.xml"), BatchAcceptance::Exit);
  EXPECT_EQ(LogLinesWith("Meniscus: \"abc\" cannot be read").size(), 1u);
}

TEST_F(BatchParameters, ComputationThreadsAreAtLeastOne) {
  const std::pair<const char*, int> cases[] = {{"3.9", 3}, {"1", 1}, {"0", 1}, {"-4", 1}};
  for (const auto& [value, threads] : cases) {
    ASSERT_TRUE(ReadWith(Tag("NumberComputationThreads", value))) << value;
    EXPECT_EQ(record.NumberComputationThreads, threads) << value;
  }
}

TEST_F(BatchParameters, TextsAreKeptVerbatim) {
  ASSERT_TRUE(ReadWith(Tag("Model", " cofs")));
  EXPECT_EQ(record.Model, " cofs");

  // Lines ending in CR LF read as single line feeds.
  const std::string windowsText =
      "<AllDoneFlagFile>C:\\results\\done.txt</AllDoneFlagFile>\r\n"
      "<OutputResultsDirectory>C:\\results</OutputResultsDirectory>\r\n"
      "<DataDirectory>D:\\run7</DataDirectory>\r\n"
      "<PassThrough>line one\r\n\tline two</PassThrough>\r\n"
      "<nIndividualScanFilePaths>2</nIndividualScanFilePaths>\r\n"
      "<ScanFilePath1>D:\\run7\\00001.RA1</ScanFilePath1>\r\n"
      "<ScanFilePath2>D:\\run7\\00002.RA1</ScanFilePath2>\r\n"
      "<AutoFit>TRUE</AutoFit>\r\n";
  ASSERT_TRUE(Read(windowsText));
  EXPECT_EQ(record.PassThrough, "line one\n\tline two");
  EXPECT_EQ(record.DataDirectory, "D:\\run7");
  EXPECT_EQ(record.ScanFilePaths[2], "D:\\run7\\00002.RA1");
  EXPECT_TRUE(record.AutoFit);
}

TEST_F(BatchParameters, CorrectlySpelledAlgorithmKeyWins) {
  for (bool correctFirst : {false, true}) {
    const std::string old = Tag("FittinAlgorithm", "Simplex");
    const std::string correct = Tag("FittingAlgorithm", "Levenberg-Marquardt");
    ASSERT_TRUE(ReadWith(correctFirst ? correct + old : old + correct));
    EXPECT_EQ(record.FittingAlgorithm, "Levenberg-Marquardt");
  }
  ASSERT_TRUE(ReadWith(Tag("FittinAlgorithm", "Simplex")));
  EXPECT_EQ(record.FittingAlgorithm, "Simplex");
}

TEST_F(BatchParameters, AnyKeyGivenTwiceRefusesTheFile) {
  const std::pair<const char*, const char*> twice[] = {
      {"Model", "cofs"},   {"AllDoneFlagFile", "/r/done"},    {"PassThrough", "x"},
      {"FirstScan", "3"},  {"nIndividualScanFilePaths", "0"}, {"SaveRadialScanFit", "TRUE"},
      {"Meniscus", "6.1"},
  };
  for (const auto& [key, value] : twice) {
    EXPECT_FALSE(ReadWith(Tag(key, value) + Tag(key, value))) << key;
    EXPECT_FALSE(record.Valid) << key;
  }
  backend().ClearLog();
  EXPECT_EQ(CheckBatchParameters(record, "/jobs/batch.xml"), BatchAcceptance::Exit);
  EXPECT_EQ(backend().Log(),
            std::vector<std::string>{"box [command line parameters found] (none) sorry, input "
                                     "from /jobs/batch.xml could not be processed properly:\n"
                                     "Meniscus is given twice -> OK"});
}

TEST_F(BatchParameters, MissingRequiredKeysRefuseTheFile) {
  const std::pair<const char*, const char*> required[] = {{"AllDoneFlagFile", "/r/done"},
                                                          {"OutputResultsDirectory", "/r"},
                                                          {"DataDirectory", "/d"},
                                                          {"PassThrough", "x"},
                                                          {"Channel", "RA1"},
                                                          {"FirstScan", "1"},
                                                          {"LastScan", "9"},
                                                          {"ScanInterval", "1"}};
  for (const auto& [missing, missingValue] : required) {
    std::string omitted, unclosed;
    for (const auto& [key, value] : required) {
      const bool isMissing = std::string(key) == missing;
      omitted += isMissing ? "" : Tag(key, value);
      unclosed += isMissing ? "<" + std::string(key) + ">" + value + "\n" : Tag(key, value);
    }
    EXPECT_TRUE(Read(omitted + Tag(missing, missingValue))) << missing;
    EXPECT_FALSE(Read(omitted)) << missing << " missing";
    EXPECT_FALSE(Read(unclosed)) << missing << " without closing tag";
  }
  // Explicit scan files make the numbered keys unneeded; one file does not.
  EXPECT_TRUE(Read(RequiredTexts + TwoScanFiles));
  EXPECT_FALSE(
      Read(RequiredTexts + Tag("nIndividualScanFilePaths", "1") + Tag("ScanFilePath1", "/d/1")));
  ASSERT_TRUE(Read(RequiredTexts + NumberedScans + Tag("nIndividualScanFilePaths", "1")));
  EXPECT_EQ(record.ScanFilePaths.size(), 0);
  // The count names more files than are listed.
  EXPECT_FALSE(Read(RequiredTexts + Tag("nIndividualScanFilePaths", "2000000000") +
                    Tag("ScanFilePath1", "/d/1")));
  EXPECT_FALSE(ReadBatchParameters(record, folder.File("no such file")));
}

TEST_F(BatchParameters, OverlongValuesAreRefusedNotCut) {
  const std::string path259(259, 'p'), path260(260, 'p');
  const std::string common = Tag("AllDoneFlagFile", "/r/done") +
                             Tag("OutputResultsDirectory", "/r") + Tag("PassThrough", "") +
                             NumberedScans;
  ASSERT_TRUE(Read(common + Tag("DataDirectory", path259)));
  EXPECT_EQ(record.DataDirectory, path259);
  EXPECT_FALSE(Read(common + Tag("DataDirectory", path260)));
  EXPECT_FALSE(Read(RequiredTexts + Tag("nIndividualScanFilePaths", "2") +
                    Tag("ScanFilePath1", "/d/1") + Tag("ScanFilePath2", path260)));

  const std::string scans = Tag("FirstScan", "1") + Tag("LastScan", "9") + Tag("ScanInterval", "1");
  ASSERT_TRUE(Read(RequiredTexts + scans + Tag("Channel", "ABCDEFGHI")));
  EXPECT_EQ(record.Channel, "ABCDEFGHI");
  EXPECT_FALSE(Read(RequiredTexts + scans + Tag("Channel", "ABCDEFGHIJ")));

  // An overlong optional name leaves its field empty; the file is accepted.
  ASSERT_TRUE(ReadWith(Tag("Model", std::string(99, 'm')) +
                       Tag("RegularizationType", std::string(100, 'r'))));
  EXPECT_EQ(record.Model, std::string(99, 'm'));
  EXPECT_EQ(record.RegularizationType, "");
  // Any length of pass-through text is kept.
  ASSERT_TRUE(Read(RequiredTexts.substr(0, RequiredTexts.find("<PassThrough>")) +
                   Tag("PassThrough", std::string(5000, 't')) + NumberedScans));
  EXPECT_EQ(record.PassThrough, std::string(5000, 't'));
}

TEST_F(BatchParameters, TagSearchReadsTheNamedFileWithoutAText) {
  const std::string path = folder.Write("one.xml", Tag("Smax", "12.5 S") + Tag("Flag", "true"));
  float real = 0;
  int integer = 0;
  std::string text;
  ASSERT_TRUE(
      XmlTagValue(nullptr, path, "Smax", {.text = &text, .real = &real, .integer = &integer}));
  EXPECT_EQ(text, "12.5 S");
  EXPECT_FLOAT_EQ(real, 12.5f);
  EXPECT_EQ(integer, 12);
  // A failed conversion leaves every output untouched.
  bool flag = false;
  text = "kept";
  EXPECT_FALSE(XmlTagValue(nullptr, path, "Smax", {.text = &text, .boolean = &flag}));
  EXPECT_EQ(text, "kept");
  EXPECT_FALSE(XmlTagValue(nullptr, folder.File("missing.xml"), "Smax", {.real = &real}));
}

TEST(BatchCommandLine, ArgumentCountsDecideTheStart) {
  const struct {
    std::vector<std::string> arguments;
    bool batch;
    std::optional<std::string> handshake;
    std::string file;
  } cases[] = {
      {{}, false, std::nullopt, ""},
      {{"/jobs/b.xml"}, true, std::nullopt, "/jobs/b.xml"},
      {{"token 17", "/jobs/b.xml"}, true, "token 17", "/jobs/b.xml"},
      {{"", "/jobs/b.xml"}, true, "", "/jobs/b.xml"},
      {{"a", "b", "c"}, false, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    const CommandLineRequest request = InterpretCommandLine(c.arguments);
    EXPECT_EQ(request.batch, c.batch) << c.arguments.size();
    EXPECT_EQ(request.handshake, c.handshake) << c.arguments.size();
    EXPECT_EQ(request.parameterFile, c.file) << c.arguments.size();
  }
}

// A simulation that cannot run is refused with the program's end (code 2),
// not with an interactive start that an unattended caller never sees.
TEST_F(BatchParameters, SimulationNeedsTheDiscreteModelAndNonZeroValues) {
  const std::string refusal =
      "box [error reading parameters] (none) Simulation mode requires 'discrete' model and "
      "SimulateS, simulateD, and SimulateC to be non-zero -> OK";
  const struct {
    bool simulateOnly;
    const char* model;
    float s, d, c;
    BatchAcceptance expected;
  } cases[] = {
      {true, "discrete", 4.5f, 6.0f, 0.8f, BatchAcceptance::RunBatch},
      {true, "cofs", 4.5f, 6.0f, 0.8f, BatchAcceptance::Exit},
      {true, " discrete", 4.5f, 6.0f, 0.8f, BatchAcceptance::Exit},
      {true, "discrete", 0.0f, 6.0f, 0.8f, BatchAcceptance::Exit},
      {true, "discrete", 4.5f, 0.0f, 0.8f, BatchAcceptance::Exit},
      {true, "discrete", 4.5f, 6.0f, 0.0f, BatchAcceptance::Exit},
      {false, "cofs", 0.0f, 0.0f, 0.0f, BatchAcceptance::RunBatch},
  };
  for (const auto& c : cases) {
    CIniCustomPars r;
    r.Valid = true;
    r.AllDoneFlagFile = "/results/done.txt";
    r.SimulateOnly = c.simulateOnly;
    r.Model = c.model;
    r.SimulateS = c.s;
    r.SimulateD = c.d;
    r.SimulateC = c.c;
    backend().ClearLog();
    ResetBatchStatus();
    EXPECT_EQ(CheckBatchParameters(r, "b.xml"), c.expected) << c.model << " " << c.s;
    const bool refused = c.expected == BatchAcceptance::Exit;
    EXPECT_EQ(backend().Log(), refused ? std::vector<std::string>{refusal} : std::vector<std::string>{})
        << c.model << " " << c.s;
    EXPECT_EQ(BatchExitCodeValue(), refused ? 2 : 0);
    EXPECT_EQ(BatchStatus.Reason.starts_with("SimulateOnly: Simulation mode requires"), refused);
  }
}

// Values no experiment has are refused with the key named and code 2; the
// values next to them are accepted.
TEST_F(BatchParameters, SettingsNoRealRunHasAreRefusedNamingTheKey) {
  const struct {
    const char* keys;
    const char* refusal;  // the start of the reason; empty: accepted
  } cases[] = {
      {"<BufferViscosity>0</BufferViscosity>", "BufferViscosity 0 (poise) is not above 0"},
      {"<BufferViscosity>-0.01</BufferViscosity>", "BufferViscosity -0.01 (poise)"},
      {"<BufferViscosity>0.0002</BufferViscosity>", ""},
      {"<BufferDensity>0</BufferDensity>", "BufferDensity 0 (g/ml) is not above 0"},
      {"<Vbar>0</Vbar>", "Vbar 0 (ml/g) is not above 0"},
      {"<Vbar>-0.7</Vbar>", "Vbar -0.7 (ml/g)"},
      {"<StartingFrictionalRatio>0</StartingFrictionalRatio>", "StartingFrictionalRatio 0"},
      {"<Meniscus>0</Meniscus>", "Meniscus 0 (cm) is not above 0"},
      {"<Meniscus>7.3</Meniscus><Bottom>7.2</Bottom>", "Meniscus 7.3 (cm) does not lie before Bottom 7.2"},
      {"<Meniscus>7.2</Meniscus><Bottom>7.2</Bottom>", "Meniscus 7.2 (cm) does not lie before"},
      {"<MeniscusLowerLimit>6.1</MeniscusLowerLimit><MeniscusUpperLimit>6.0</MeniscusUpperLimit>",
       "MeniscusLowerLimit 6.1 lies above MeniscusUpperLimit 6"},
      {"<BottomLowerLimit>7.3</BottomLowerLimit><BottomUpperLimit>7.2</BottomUpperLimit>",
       "BottomLowerLimit 7.3 lies above BottomUpperLimit 7.2"},
      {"<LeftFitLimit>7.0</LeftFitLimit><RightFitLimit>6.5</RightFitLimit>",
       "LeftFitLimit 7 (cm) does not lie before RightFitLimit 6.5"},
      {"<LeftFitLimit>7.0</LeftFitLimit><RightFitLimit>0</RightFitLimit>", ""},
      {"<Model>cofs</Model><Smin>12</Smin><Smax>10</Smax>", "Smin 12 (S) does not lie below Smax 10"},
      // Without a distribution model the s range is not used.
      {"<Model>discrete</Model><Smin>12</Smin><Smax>10</Smax>", ""},
      // SimulateD is in units of 1e-7 cm^2/s: a value in cm^2/s cannot be meant.
      {"<Model>discrete</Model><SimulateD>6.562e-7</SimulateD>",
       "SimulateD 6.562e-07 cannot be meant in its units of 1e-7 cm^2/s"},
      {"<Model>discrete</Model><SimulateD>0.0009</SimulateD>", "SimulateD 0.0009 cannot be meant"},
      {"<Model>discrete</Model><SimulateD>-1</SimulateD>", "SimulateD -1 (in units of 1e-7 cm^2/s) is negative"},
      {"<Model>discrete</Model><SimulateD>0.001</SimulateD>", ""},
      {"<Model>discrete</Model><SimulateD>6.562</SimulateD>", ""},
      {"<Model>discrete</Model><SimulateD>0</SimulateD>", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    ASSERT_TRUE(ReadWith(c.keys));
    backend().ClearLog();
    ResetBatchStatus();
    const BatchAcceptance a = CheckBatchParameters(record, "b.xml");
    if (c.refusal[0] == '\0') {
      EXPECT_EQ(a, BatchAcceptance::RunBatch) << BatchStatus.Reason;
      continue;
    }
    EXPECT_EQ(a, BatchAcceptance::Exit);
    EXPECT_EQ(BatchExitCodeValue(), 2);
    EXPECT_NE(BatchStatus.Reason.find(std::string("was refused: ") + c.refusal), std::string::npos)
        << BatchStatus.Reason;
    EXPECT_EQ(LogLinesWith(c.refusal).size(), 1u);
  }
}

// The flag file is written over whatever its path names: a path that names
// the report, a result, a scan or the parameter file itself is refused.
TEST_F(BatchParameters, FlagFileThatWouldOverwriteAnotherFileIsRefused) {
  const std::string results = folder.File("results");
  const std::string scan = folder.Write("00003.RA1", "scan");
  const std::string list = Tag("OutputResultsDirectory", results) +
                           Tag("DataDirectory", folder.path().string()) + Tag("PassThrough", "") +
                           NumberedScans;
  const std::string parameters = folder.File("batch.xml");
  const struct {
    std::string flag;
    const char* refusal;
  } cases[] = {
      {results + "/ResultParameters.xml", "names the result file ResultParameters.xml"},
      {results + "/../results/dfr.dat", "names the result file dfr.dat"},
      {scan, "names the scan file"},
      {parameters, "names the parameter file"},
      {folder.path().string(), "is a folder"},
      {"", "AllDoneFlagFile is empty"},
      {results + "/alldone.txt", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flag);
    ASSERT_TRUE(Read(Tag("AllDoneFlagFile", c.flag) + list));
    ResetBatchStatus();
    const BatchAcceptance a = CheckBatchParameters(record, "b.xml");
    if (c.refusal == nullptr) {
      EXPECT_EQ(a, BatchAcceptance::RunBatch) << BatchStatus.Reason;
      continue;
    }
    EXPECT_EQ(a, BatchAcceptance::Exit);
    EXPECT_EQ(BatchExitCodeValue(), 2);
    EXPECT_NE(BatchStatus.Reason.find(c.refusal), std::string::npos) << BatchStatus.Reason;
  }
}

// A folder, a device or a FIFO named as the parameter file is refused
// without reading it (a folder ended the program with an exception).
TEST_F(BatchParameters, ParameterFilesThatAreNoRegularFilesAreRefused) {
  const std::string fifo = folder.File("fifo.xml");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {folder.path().string(), std::string("/dev/zero"), fifo}) {
    SCOPED_TRACE(path);
    CIniCustomPars r;
    EXPECT_FALSE(ReadBatchParameters(r, path));
    EXPECT_FALSE(r.Valid);
    EXPECT_EQ(r.Refusal, "it is not a regular file");
  }
  CIniCustomPars r;
  EXPECT_FALSE(ReadBatchParameters(r, folder.File("missing.xml")));
  EXPECT_EQ(r.Refusal, "it cannot be opened");
}

class BatchStart : public BatchParameters {
 protected:
  void TearDown() override {
    ReleaseBatchOutputFolder();
    IniCustomPars.reset();
    BatchMode = false;
    ResetBatchStatus();
    BatchParameters::TearDown();
  }
  // The required texts with the results in the scratch folder.
  std::string Required() const {
    return Tag("AllDoneFlagFile", folder.File("results/done.txt")) +
           Tag("OutputResultsDirectory", folder.File("results")) +
           Tag("DataDirectory", "/data/run7") + Tag("PassThrough", "job 42");
  }
};

TEST_F(BatchStart, AcceptedFileSwitchesBatchModeOnWithItsHandshake) {
  const std::string path = folder.Write("b.xml", Required() + NumberedScans);
  EXPECT_EQ(TakeBatchCommandLine({path}), BatchAcceptance::RunBatch);
  EXPECT_TRUE(BatchMode);
  ASSERT_NE(IniCustomPars, nullptr);
  EXPECT_TRUE(IniCustomPars->Valid);
  EXPECT_EQ(IniCustomPars->HandshakeLength, -1);
  // The fits' report goes with the run's results.
  EXPECT_EQ(ProgramPaths.FitReportFile, folder.File("results/mlfitreport.txt"));

  BatchMode = false;
  EXPECT_EQ(TakeBatchCommandLine({"caller 7", path}), BatchAcceptance::RunBatch);
  EXPECT_TRUE(BatchMode);
  EXPECT_EQ(IniCustomPars->HandshakeLength, 8);
  EXPECT_EQ(IniCustomPars->HandshakeText, "caller 7");
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(BatchStart, RefusedFilesLeaveBatchModeOff) {
  const std::string broken = folder.Write("broken.xml", Required());
  EXPECT_EQ(TakeBatchCommandLine({"h", broken}), BatchAcceptance::Exit);
  EXPECT_FALSE(BatchMode);
  ASSERT_NE(IniCustomPars, nullptr);
  EXPECT_EQ(IniCustomPars->HandshakeText, "h");
  EXPECT_EQ(LogLinesWith("sorry, input from " + broken + " could not").size(), 1u);

  const std::string simulation =
      folder.Write("sim.xml", Required() + NumberedScans + Tag("SimulateOnly", "TRUE") +
                                  Tag("Model", "discrete") + Tag("SimulateS", "4"));
  EXPECT_EQ(TakeBatchCommandLine({simulation}), BatchAcceptance::Exit);
  EXPECT_FALSE(BatchMode);
  EXPECT_TRUE(IniCustomPars->Valid);
  EXPECT_EQ(LogLinesWith("Simulation mode requires").size(), 1u);
  EXPECT_EQ(BatchExitCodeValue(), 2);

  IniCustomPars.reset();
  EXPECT_EQ(TakeBatchCommandLine({"a", "b", simulation}), BatchAcceptance::Interactive);
  EXPECT_EQ(IniCustomPars, nullptr);
}

// An empty output folder is refused before anything is written (the
// results went into the current folder).
TEST_F(BatchStart, AnEmptyOutputFolderIsRefused) {
  const std::string path = folder.Write(
      "b.xml", Tag("AllDoneFlagFile", folder.File("done.txt")) +
                   Tag("OutputResultsDirectory", "") + Tag("DataDirectory", "/data") +
                   Tag("PassThrough", "") + NumberedScans);
  EXPECT_EQ(TakeBatchCommandLine({path}), BatchAcceptance::Exit);
  EXPECT_FALSE(BatchMode);
  EXPECT_EQ(BatchExitCodeValue(), 2);
  EXPECT_NE(BatchStatus.Reason.find("OutputResultsDirectory is empty"), std::string::npos);
}

}  // namespace
