// Saving the loaded scans under new names: the speed and wavelength names,
// prefixes, the aligned scans, one scan without a point; read-back through
// the scan reader; names too short and light-scattering data refused.

#include <filesystem>

#include "DataOpsTestSupport.h"
#include "data/ListFiles.h"
#include "data/RawDataSaves.h"

namespace {

class RawDataSavesTest : public DataOpsTest {
 protected:
  void TearDown() override {
    FreeFileNameList();
    DataOpsTest::TearDown();
  }
};

TEST_F(RawDataSavesTest, RenamedFilesStateSpeedAndWavelength) {
  const struct {
    const char* name;
    float rpm;
    float wavelength;
    char type;
    const char* saved;
  } cases[] = {
      {"00001.ra1", 20000.0f, 280.0f, 'R', "20k280_0001.ra1"},
      {"acorr_00017.ra1", 20000.0f, 280.0f, 'R', "acorr_20k280_017.ra1"},
      {"00012.rw1", 45000.0f, 1.5f, 'W', "45k1500_0012.rw1"},
      {"bcorr_00003.rp2", 3000.0f, 675.4f, 'P', "bcorr_3k675_003.rp2"},
  };
  std::vector<NamedScan> scans;
  for (const auto& c : cases) {
    NamedScan s;
    s.name = c.name;
    s.rpm = c.rpm;
    s.wavelength = c.wavelength;
    s.type = c.type;
    scans.push_back(s);
  }
  LoadNamedScans(scans);
  ASSERT_TRUE(SaveRawDataSetRenamed(scratch.File("chosen")));
  for (int i = 1; i <= 4; ++i) {
    const auto& c = cases[i - 1];
    SCOPED_TRACE(c.saved);
    const ReadScan s = ReadScanAt(scratch.File(c.saved));
    ASSERT_EQ(s.result, 1);
    ASSERT_EQ(s.count, ScanDataSet.ScanPointCount[i]);
    EXPECT_NEAR(s.signal[3], ScanDataSet.ScanSignal[i][3], 1e-5f);
    EXPECT_FLOAT_EQ(s.header.Rpm, c.rpm);
    EXPECT_EQ(s.header.DataType, c.type);
  }
  // The analysis now belongs to the new folder.
  EXPECT_EQ(DataFileLocation.TempParameterFilePath, scratch.File("~tmppars.ra1"));
}

TEST_F(RawDataSavesTest, ShortNamesAreRefusedAndTheOthersSaved) {
  LoadNamedScans({{"01.ra1"}, {"acor.ra1"}, {"00003.ra1", 1000.0, 20000.0f}});
  EXPECT_FALSE(SaveRawDataSetRenamed(scratch.File("chosen")));
  EXPECT_EQ(LogLinesWith("too short").size(), 2u);
  EXPECT_EQ(ReadScanAt(scratch.File("20k280_0003.ra1")).result, 1);
}

TEST_F(RawDataSavesTest, PrefixedAndAlignedNames) {
  LoadNamedScans({{"00003.ip1"}, {"00004.ip1"}});
  LoadOptions.OldFilenameConvention = true;
  ASSERT_TRUE(SaveRawDataSetPrefixed(scratch.File("new.txt")));
  EXPECT_EQ(ReadScanAt(scratch.File("new00003.ip1")).result, 1);
  EXPECT_EQ(ReadScanAt(scratch.File("new00004.ip1")).result, 1);
  EXPECT_EQ(DataFileLocation.TempParameterFilePath, scratch.File("00003.~p"));

  LoadOptions.OldFilenameConvention = false;
  ASSERT_TRUE(SaveAlignedScans(scratch.File("x")));
  const ReadScan a = ReadScanAt(scratch.File("a0004.ip1"));
  ASSERT_EQ(a.result, 1);
  EXPECT_EQ(a.header.Description, "[T OK]aligned 00004.ip1");
}

TEST_F(RawDataSavesTest, ModifiedScanLosesOnePointInItsFileOnly) {
  LoadNamedScans({{"00003.ra1", 100.0}, {"00004.ra1", 200.0}});
  DataFileLocation.DataFolder = scratch.path().string();
  auto& d = ScanDataSet;
  const int n = d.ScanPointCount[2];
  d.ScanHeaders[2].Description = std::string(50, 'd');
  ASSERT_TRUE(SaveModifiedScan(2, 5, false));
  EXPECT_EQ(d.ScanFilePaths[2], "00004_mod.ra1");
  EXPECT_EQ(FileNameList.Paths[2], scratch.File("00004_mod.ra1"));
  EXPECT_EQ(d.ScanPointCount[2], n);
  const ReadScan s = ReadScanAt(scratch.File("00004_mod.ra1"));
  ASSERT_EQ(s.count, n - 1);
  EXPECT_NEAR(s.radius[4], d.ScanRadius[2][4], 1e-4f);
  EXPECT_NEAR(s.radius[5], d.ScanRadius[2][6], 1e-4f);
  EXPECT_EQ(s.header.Description, "[T OK]_modified from 00004.ra1");

  d.ScanHeaders[1].Description = "short";
  ASSERT_TRUE(SaveModifiedScan(1, 1, true));
  const ReadScan o = ReadScanAt(scratch.File("00003.ra1"));
  ASSERT_EQ(o.count, d.ScanPointCount[1] - 1);
  EXPECT_EQ(o.header.Description, "[T OK]short_modified from 00003.ra1");
  EXPECT_EQ(d.ScanFilePaths[1], "00003.ra1");

  EXPECT_FALSE(SaveModifiedScan(3, 1, true));
  EXPECT_FALSE(SaveModifiedScan(1, n + 1, true));
}

TEST_F(RawDataSavesTest, LightScatteringDataAreRefused) {
  LoadNamedScans({{"00001.ra1"}});
  DlsDataMode = true;
  EXPECT_FALSE(SaveRawDataSetRenamed(scratch.File("x")));
  EXPECT_FALSE(SaveRawDataSetPrefixed(scratch.File("x")));
  EXPECT_EQ(LogLinesWith("not implemented for DLS data").size(), 2u);
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

}  // namespace
