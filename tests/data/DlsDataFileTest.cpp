#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DataTestSupport.h"
#include "data/DlsDataFile.h"
#include "state/DlsFlags.h"

namespace {

class DlsDataFileTest : public DataTest {
 protected:
  void TearDown() override {
    DlsFieldAcf = false;
    DataTest::TearDown();
  }
  static std::string Fixture(const std::string& name) {
    return (TestDataFolder() / "dls" / name).string();
  }
};

struct ReadDls {
  bool ok = false;
  DlsRecord record;
  int count = -1;
  OneBasedArray<float> lags, values;
};

ReadDls ReadDlsAt(const std::string& path, bool alwaysG2) {
  ReadDls r;
  r.ok = ReadDLSDataFile(path, &r.record, &r.count, &r.lags, &r.values, alwaysG2);
  return r;
}

TEST_F(DlsDataFileTest, ReadsTitleParametersAndLogLagsOfAWrittenFile) {
  const ReadDls r = ReadDlsAt(Fixture("g2_four_points.dlsdat"), true);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(DlsDataMode);
  EXPECT_EQ(r.record.DlsTitle, "lysozyme run 3 (25 deg)");
  EXPECT_FLOAT_EQ(r.record.DlsTemperature, 25.0f);
  EXPECT_DOUBLE_EQ(r.record.DlsTime, 300.0);
  EXPECT_FLOAT_EQ(r.record.DlsSetting3, 12345.0f);
  EXPECT_FLOAT_EQ(r.record.DlsSetting4, 1.33f);
  EXPECT_FLOAT_EQ(r.record.DlsViscosity, 0.01002f);
  EXPECT_FLOAT_EQ(r.record.DlsSetting6, 90.0f);
  EXPECT_FLOAT_EQ(r.record.DlsSetting7, 6.328e-7f);
  // Every data line is a point, the last one included.
  ASSERT_EQ(r.count, 4);
  EXPECT_EQ(r.record.DlsPointCount, 4);
  EXPECT_FALSE(r.record.HoldsFieldAcf);
  const float lags[] = {-6.0f, -5.0f, -4.0f, -3.0f};
  const float values[] = {0.81f, 0.64f, 0.25f, 0.01f};
  for (int k = 1; k <= 4; ++k) {
    EXPECT_NEAR(r.lags[k], lags[k - 1], 1e-6f) << k;
    EXPECT_FLOAT_EQ(r.values[k], values[k - 1]) << k;
  }
}

// Intensity autocorrelations g(2)-1 become field autocorrelations g(1) by the
// Siegert relation unless the preference keeps them; "C" files carry g(2)
// with its baseline of 1.
TEST_F(DlsDataFileTest, ValuesAsHeldFollowTypeLetterAndPreference) {
  struct Case {
    const char* file;
    bool alwaysG2;
    std::vector<float> values;
    bool fieldAcf;
  };
  const Case cases[] = {
      {"g2_four_points.dlsdat", false, {0.9f, 0.8f, 0.5f, 0.1f}, true},
      {"g2_four_points.dlsdat", true, {0.81f, 0.64f, 0.25f, 0.01f}, false},
      {"normalised_crlf.dlsdat", true, {0.5f, -0.1f}, false},
      {"normalised_crlf.dlsdat", false, {std::sqrt(0.5f), -std::sqrt(0.1f)}, true},
      {"no_final_line_end.dlsdat", true, {0.5f, 0.25f}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.alwaysG2 ? " g2" : " g1"));
    const ReadDls r = ReadDlsAt(Fixture(c.file), c.alwaysG2);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.count, static_cast<int>(c.values.size()));
    EXPECT_EQ(r.record.HoldsFieldAcf, c.fieldAcf);
    for (int k = 1; k <= r.count; ++k)
      EXPECT_NEAR(r.values[k], c.values[static_cast<std::size_t>(k - 1)], 1e-6f) << k;
  }
}

TEST_F(DlsDataFileTest, LineBeginningWithZeroEndsTheData) {
  const ReadDls r = ReadDlsAt(Fixture("normalised_crlf.dlsdat"), true);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.record.DlsTitle, "normalised correlation");
  EXPECT_FLOAT_EQ(r.record.DlsTemperature, 20.5f);
  EXPECT_DOUBLE_EQ(r.record.DlsTime, 95.0);
  EXPECT_EQ(r.count, 2);
  EXPECT_NEAR(r.lags[2], std::log10(2e-5f), 1e-6f);
}

TEST_F(DlsDataFileTest, LongTitleIsCutAndTheParameterLineStillRead) {
  const std::string title(150, 'x');
  const ReadDls r = ReadDlsAt(
      scratch.Write("long.dlsdat", title + "\nA 20 10 1 1 0.01 90 6e-7\n1e-6 0.5\n"), true);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.record.DlsTitle, std::string(99, 'x'));
  EXPECT_EQ(r.count, 1);
}

TEST_F(DlsDataFileTest, BadFilesAreRefusedAndLeaveEverythingAsItWas) {
  const std::string good = "A 20 10 1 1.33 0.01002 90 6.3e-7\n";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"empty file", ""},
      {"title only", "title\n"},
      {"no data pair", "title\n" + good},
      {"data ended at once", "title\n" + good + "0\n1e-6 0.5\n"},
      {"unknown type letter", "title\nB 20 10 1 1.33 0.01002 90 6.3e-7\n1e-6 0.5\n"},
      {"six parameters", "title\nA 20 10 1 1.33 0.01002 90\n1e-6 0.5\n"},
      {"parameter not a number", "title\nA 20 ten 1 1.33 0.01002 90 6.3e-7\n1e-6 0.5\n"},
      {"value not a number", "title\n" + good + "1e-6 0.5\n1e-5 abc\n"},
      {"value missing", "title\n" + good + "1e-6 0.5\n1e-5\n"},
      {"value infinite", "title\n" + good + "1e-6 inf\n"},
      {"value beyond float range", "title\n" + good + "1e-6 1e300\n"},
      {"zero lag", "title\n" + good + " 0 0.5\n"},
      {"negative lag", "title\n" + good + "-1e-6 0.5\n"},
      // Beyond float range a parameter became infinity, and the file written
      // from it could not be read back.
      {"temperature beyond float range", "title\nA 1e39 10 1 1.33 0.01002 90 6.3e-7\n1e-6 0.5\n"},
      {"viscosity beyond float range", "title\nA 20 10 1 1.33 -4e38 90 6.3e-7\n1e-6 0.5\n"},
      // A number ends at the end of its word, also with a zero byte inside.
      {"zero byte inside a value", "title\n" + good + std::string("1e-6 0.5\0zz\n", 12)},
      {"zero byte inside a parameter",
       "title\n" + std::string("A 20\0x 10 1 1.33 0.01002 90 6.3e-7\n", 35) + "1e-6 0.5\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DlsDataMode = false;
    ReadDls r;
    r.record.DlsTitle = "kept";
    r.lags.Resize(1, 3);
    r.ok = ReadDLSDataFile(scratch.Write("bad.dlsdat", c.text), &r.record, &r.count, &r.lags,
                           &r.values, false);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(DlsDataMode);
    EXPECT_EQ(r.record.DlsTitle, "kept");
    EXPECT_EQ(r.count, -1);
    EXPECT_EQ(r.lags.size(), 3);
    EXPECT_EQ(r.values.size(), 0);
  }
  ReadDls r;
  EXPECT_FALSE(ReadDLSDataFile(scratch.File("missing.dlsdat"), &r.record, &r.count, &r.lags,
                               &r.values, false));
  EXPECT_FALSE(ReadDLSDataFile(Fixture("g2_four_points.dlsdat"), nullptr, &r.count, &r.lags,
                               &r.values, false));
  EXPECT_TRUE(backend().Log().empty());
}

DlsRecord SampleRecord() {
  DlsRecord r;
  r.DlsTitle = "own title";
  r.DlsTemperature = 22.5f;
  r.DlsTime = 95.7;
  r.DlsSetting3 = 4321.5f;
  r.DlsSetting4 = 1.333f;
  r.DlsViscosity = 0.00955f;
  r.DlsSetting6 = 90.0f;
  r.DlsSetting7 = 6.58e-7f;
  return r;
}

TEST_F(DlsDataFileTest, WrittenFileReadsBackWithEveryPointAndSetting) {
  const float lags[] = {0.0f, -6.0f, -5.5f, -4.0f, -2.25f};
  const float values[] = {0.0f, 0.95f, 0.7f, 0.2f, -0.01f};
  const std::string path = scratch.File("out.dlsdat");
  ASSERT_TRUE(SaveDLSDataFile(path, 4, lags, values, nullptr, SampleRecord()));
  const std::string text = ReadWholeFile(path);
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
            "own title\nA 22.500000 95 4321.50 1.333000 0.009550 90.000000 6.580000e-07\n");
  EXPECT_NE(text.find("   1.00000e-06  9.50000e-01 \n"), std::string::npos);

  const ReadDls r = ReadDlsAt(path, true);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.record.DlsTitle, "own title");
  EXPECT_DOUBLE_EQ(r.record.DlsTime, 95.0);  // written in whole seconds
  EXPECT_FLOAT_EQ(r.record.DlsViscosity, 0.00955f);
  ASSERT_EQ(r.count, 4);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_NEAR(r.lags[k], lags[k], 1e-5f) << k;
    EXPECT_NEAR(r.values[k], values[k], 1e-6f) << k;
  }
  EXPECT_TRUE(backend().Log().empty());
}

// The file holds intensity correlations whatever the program-wide flag
// says: values of a record holding field correlations are squared (signs
// kept), values of any other record are written as they are.
TEST_F(DlsDataFileTest, WrittenTypeFollowsWhatTheRecordHolds) {
  const float lags[] = {0.0f, -6.0f, -5.0f, -4.0f};
  const float values[] = {0.0f, 0.9f, -0.5f, 0.0f};
  struct Case {
    bool recordHoldsField, flag;
    float expected[4];
  } cases[] = {
      {true, false, {0.0f, 0.81f, -0.25f, 0.0f}},
      {true, true, {0.0f, 0.81f, -0.25f, 0.0f}},
      {false, true, {0.0f, 0.9f, -0.5f, 0.0f}},
      {false, false, {0.0f, 0.9f, -0.5f, 0.0f}},
  };
  for (const Case& c : cases) {
    const std::string path = scratch.File("g1.dlsdat");
    DlsRecord record = SampleRecord();
    record.HoldsFieldAcf = c.recordHoldsField;
    DlsFieldAcf = c.flag;
    ASSERT_TRUE(SaveDLSDataFile(path, 3, lags, values, "given title", record));
    DlsFieldAcf = false;
    const ReadDls r = ReadDlsAt(path, true);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.record.DlsTitle, "given title");
    for (int k = 1; k <= 3; ++k)
      EXPECT_NEAR(r.values[k], c.expected[k], 1e-6f) << c.recordHoldsField << c.flag << k;
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(DlsDataFileTest, ValueAboveOneIsWrittenAndThenQueried) {
  const float lags[] = {0.0f, -6.0f, -5.0f};
  const float values[] = {0.0f, 1.6f, 0.4f};
  const std::string path = scratch.File("g2.dlsdat");
  ASSERT_TRUE(SaveDLSDataFile(path, 2, lags, values, nullptr, SampleRecord()));
  EXPECT_EQ(LogLinesWith("please check DLSDAT format - should be g(2)-1").size(), 1u);
  EXPECT_EQ(ReadDlsAt(path, true).count, 2);
}

TEST_F(DlsDataFileTest, FileThatCannotBeCreatedIsReportedAsFailure) {
  const float lags[] = {0.0f, -6.0f};
  const float values[] = {0.0f, 0.5f};
  EXPECT_FALSE(SaveDLSDataFile(scratch.File("no/such/folder/x.dlsdat"), 1, lags, values, nullptr,
                               SampleRecord()));
  // An error box, not a line on the standard output that nobody sees.
  EXPECT_EQ(LogLinesWith("Attention: could not open").size(), 1u);
}

TEST(DlsSignedSquareTest, SquareAndRootAreInverseAndKeepTheSign) {
  for (float v : {-0.81f, -0.1f, 0.0f, 0.25f, 0.9f}) {
    EXPECT_NEAR(SignedSquare(SignedSquareRoot(v)), v, 1e-6f) << v;
    EXPECT_EQ(std::signbit(SignedSquare(v)), v < 0.0f) << v;
  }
}

}  // namespace
