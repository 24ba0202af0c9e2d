#include <gtest/gtest.h>

#include "DataTestSupport.h"
#include "data/AnalysisSideFiles.h"

namespace {

class AnalysisSideFilesTest : public DataTest {
 protected:
  void TearDown() override {
    DataFileLocation = DataFileLocationRecord{};
    DataTest::TearDown();
  }
};

TEST_F(AnalysisSideFilesTest, SdistVectorReadsBackAsWritten) {
  DataFileLocation.SdistFilePath = scratch.File("sdist.ra1");
  OneBasedArray<float> s(1, 5);
  const float values[] = {0.1f, 0.5f, 1.25f, 20.0f, -3.5f};
  for (int k = 1; k <= 5; ++k) s[k] = values[k - 1];
  ASSERT_TRUE(SaveSdistVector(s.data(), 5));

  int count = 0;
  OneBasedArray<float> read;
  ASSERT_TRUE(LoadSdistVector(&count, &read));
  ASSERT_EQ(count, 5);
  ASSERT_EQ(read.size(), 5);
  for (int k = 1; k <= 5; ++k) EXPECT_NEAR(read[k], values[k - 1], 1e-6f) << k;
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(AnalysisSideFilesTest, SdistFileWithoutValuesGivesNothing) {
  struct Case {
    const char* what;
    bool exists;
    const char* contents;
    std::size_t messages;
  };
  const Case cases[] = {{"empty file", true, "", 0},
                        {"no number", true, "none\n", 0},
                        {"missing file", false, "", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    DataFileLocation.SdistFilePath =
        c.exists ? scratch.Write("sdist.ra1", c.contents) : scratch.File("missing.ra1");
    int count = -7;
    OneBasedArray<float> read(1, 2);
    EXPECT_FALSE(LoadSdistVector(&count, &read));
    EXPECT_EQ(count, -7);
    EXPECT_EQ(read.size(), 2);
    EXPECT_EQ(LogLinesWith("Attention: could not open").size(), c.messages);
  }
}

TEST_F(AnalysisSideFilesTest, SdistFileThatCannotBeCreatedIsReported) {
  DataFileLocation.SdistFilePath = scratch.File("no/folder/sdist.ra1");
  OneBasedArray<float> s(1, 2);
  EXPECT_FALSE(SaveSdistVector(s.data(), 2));
  EXPECT_EQ(LogLinesWith("Attention: could not open").size(), 1u);
}

// The latest scan in time (here the first slot) is written with its model
// as the signal.
TEST_F(AnalysisSideFilesTest, EquilibriumScanHoldsTheLatestScansModel) {
  LoadTestScans({{6.0, 6.1, 0.002, 900.0, nullptr, 0.4f}, {6.0, 6.2, 0.002, 300.0, nullptr, 0.1f}});
  auto& d = ScanDataSet;
  for (int k = 1; k <= d.ScanPointCount[1]; ++k) d.ScanModel[1][k] = 0.01f * k;
  d.ScanHeaders[1].DataType = 'R';
  d.ScanHeaders[1].Rpm = 12000.0f;
  d.ScanHeaders[1].RecordedTime = 900.0;
  d.ScanHeaders[1].Wavelength = 280.0f;
  const std::string path = scratch.File("eq.ra1");
  ASSERT_TRUE(SaveEquilibriumScan(path));

  const ReadScan s = ReadScanAt(path);
  ASSERT_EQ(s.result, 1);
  EXPECT_NE(s.header.Description.find("equilibrium"), std::string::npos);
  EXPECT_EQ(s.header.Rpm, 12000.0f);
  EXPECT_EQ(s.header.Time, 900.0);
  ASSERT_EQ(s.count, d.ScanPointCount[1]);
  for (int k = 1; k <= s.count; ++k) {
    EXPECT_NEAR(s.radius[k], d.ScanRadius[1][k], 1e-4f) << k;
    EXPECT_NEAR(s.signal[k], 0.01f * k, 1e-5f) << k;
  }
}

TEST_F(AnalysisSideFilesTest, NoEquilibriumScanWithoutData) {
  EXPECT_FALSE(SaveEquilibriumScan(scratch.File("eq.ra1")));
  EXPECT_FALSE(std::filesystem::exists(scratch.File("eq.ra1")));
}

}  // namespace
