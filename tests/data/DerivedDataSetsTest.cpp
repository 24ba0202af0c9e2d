// Data sets derived from the loaded scans: the average, pseudo-absorbance
// sets, six-channel sections and scans shifted for rotor stretch; names,
// values read back through the scan reader, and what is refused.

#include <cmath>
#include <filesystem>

#include "DataOpsTestSupport.h"
#include "data/DerivedDataSets.h"
#include "data/ListFiles.h"

namespace {

class DerivedDataSetsTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    DataFileLocation.TempParameterFilePath = scratch.File("~tmppars.RA1");
    DataFileLocation.DataFolder = scratch.path().string();
  }
  void TearDown() override {
    FreeFileNameList();
    DataOpsTest::TearDown();
  }
  static std::vector<NamedScan> IntensityScans() {
    NamedScan a, b;
    a.name = "00005.RI2";
    b.name = "00006.RI2";
    for (NamedScan* s : {&a, &b}) {
      s->type = 'I';
      s->secondColumn = true;
    }
    return {a, b};
  }
};

TEST_F(DerivedDataSetsTest, PseudoAbsorbanceNeverWritesInfinities) {
  LoadNamedScans(IntensityScans());
  ScanReaderOptions.IntensityData = true;
  auto& d = ScanDataSet;
  d.ScanSignal[1][3] = 0.0f;
  d.ScanSecondColumn[1][4] = -1.0f;
  SaveIntensityAsAbsorbance();
  SaveIntensityAsTwoPseudoAbsorbance();
  ScanReaderOptions.SpikeFilterOn = false;
  const ReadScan one = ReadScanAt(scratch.File("00005.Ra2"));
  ASSERT_EQ(one.result, 1);
  EXPECT_EQ(one.header.DataType, 'R');
  EXPECT_EQ(d.ScanHeaders[1].DataType, 'I');
  EXPECT_FLOAT_EQ(one.signal[3], 10.0f);
  EXPECT_FLOAT_EQ(one.signal[4], 10.0f);
  EXPECT_NEAR(one.signal[5], std::log10(2.0f), 1e-5f);
  ASSERT_EQ(one.third.size(), one.count);
  const ReadScan sample = ReadScanAt(scratch.File("S0005.Ra2"));
  const ReadScan reference = ReadScanAt(scratch.File("R0005.Ra2"));
  ASSERT_EQ(sample.result, 1);
  ASSERT_EQ(reference.result, 1);
  EXPECT_FLOAT_EQ(sample.signal[3], 10.0f);
  EXPECT_NEAR(sample.signal[5], std::log10(1000.0f / d.ScanSignal[1][5]), 1e-5f);
  EXPECT_FLOAT_EQ(reference.signal[4], 10.0f);
  EXPECT_EQ(ReadScanAt(scratch.File("R0006.Ra2")).result, 1);
}

TEST_F(DerivedDataSetsTest, PseudoAbsorbanceStopsAtTheFirstScanThatIsNotIntensity) {
  auto scans = IntensityScans();
  scans[0].name = "00005.RA2";
  LoadNamedScans(scans);
  ScanReaderOptions.IntensityData = true;
  SaveIntensityAsAbsorbance();
  SaveIntensityAsTwoPseudoAbsorbance();
  EXPECT_FALSE(std::filesystem::exists(scratch.File("00006.Ra2")));
  EXPECT_FALSE(std::filesystem::exists(scratch.File("S0006.Ra2")));
}

TEST_F(DerivedDataSetsTest, SixChannelSectionsShareTheirCutPoints) {
  NamedScan a, b;
  a.name = "00001.RA1";
  b.name = "00002.RA1";
  a.first = b.first = 5.9;
  a.last = 7.2;
  b.last = 6.5;  // does not reach the second cut
  a.step = b.step = 0.1;
  LoadNamedScans({a, b});
  SaveSixChannelSubsets(6.2f, 6.75f);
  const ReadScan inner = ReadScanAt(scratch.File("i00001.RA1"));
  const ReadScan middle = ReadScanAt(scratch.File("m00001.RA1"));
  const ReadScan outer = ReadScanAt(scratch.File("o00001.RA1"));
  ASSERT_EQ(inner.count, 5);  // 5.9 .. 6.3, the first point beyond 6.2
  ASSERT_EQ(middle.count, 6);  // 6.3 .. 6.8
  ASSERT_EQ(outer.count, 5);   // 6.8 .. 7.2
  EXPECT_NEAR(inner.radius[5], 6.3f, 1e-4f);
  EXPECT_NEAR(middle.radius[1], 6.3f, 1e-4f);
  EXPECT_NEAR(outer.radius[1], 6.8f, 1e-4f);
  EXPECT_EQ(outer.header.Description, "[T OK]inner section of 00001.RA1");
  EXPECT_FALSE(std::filesystem::exists(scratch.File("i00002.RA1")));

  // Cuts outside the first scan: nothing.
  std::filesystem::remove_all(scratch.path());
  std::filesystem::create_directories(scratch.path());
  SaveSixChannelSubsets(5.0f, 6.75f);
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

TEST_F(DerivedDataSetsTest, ShiftedScansAreNamedAfterTheirSeconds) {
  auto scans = std::vector<NamedScan>{{"00001.RA1", 3600.7}, {"00002.RA1", 3600.2}, {"00003.RA1", 4000.0}};
  LoadNamedScans(scans);
  auto& d = ScanDataSet;
  const std::string out = scratch.File("unstretch/newscandata");
  std::filesystem::create_directories(scratch.File("unstretch"));
  ASSERT_TRUE(ShiftScansForRotorStretch(9.59e-6f, out, true, true));
  const ReadScan first = ReadScanAt(scratch.File("unstretch/3600.RA1"));
  const ReadScan second = ReadScanAt(scratch.File("unstretch/3600_2.RA1"));
  ASSERT_EQ(first.result, 1);
  ASSERT_EQ(second.result, 1);
  EXPECT_NEAR(first.radius[1], d.ScanRadius[1][1] - 0.023975f, 1e-4f);
  EXPECT_NEAR(second.signal[2], d.ScanSignal[2][2], 1e-5f);
  EXPECT_EQ(first.header.Description, "[T OK]scan 00001.RA1, shift -0.024");
  const float rMid = (FirstRadius(1) + LastRadius(1)) / 2.0f;
  EXPECT_FLOAT_EQ(first.header.Rpm, std::floor(std::sqrt(rMid / (rMid - 0.023975f)) * 50000.0f));
  EXPECT_FLOAT_EQ(d.ScanHeaders[1].Rpm, 50000.0f);
  EXPECT_EQ(d.ScanFilePaths[2], "3600_2.RA1");
  EXPECT_EQ(DataFileLocation.TempParameterFilePath, scratch.File("unstretch/~tmppars.RA1"));
}

TEST_F(DerivedDataSetsTest, ShiftWithoutAFolderWritesNothing) {
  LoadNamedScans({{"00001.RA1", 3600.0}});
  EXPECT_FALSE(ShiftScansForRotorStretch(8.62e-6f, "", false, false));
  EXPECT_EQ(LogLinesWith("nothing saved").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists("3600.RA1"));
  EXPECT_EQ(ScanDataSet.ScanFilePaths[1], "00001.RA1");
  DlsDataMode = true;
  EXPECT_FALSE(ShiftScansForRotorStretch(8.62e-6f, scratch.File("x"), false, false));
  EXPECT_EQ(LogLinesWith("not implemented for DLS data").size(), 1u);
}

TEST_F(DerivedDataSetsTest, AverageReplacesTheSetOnlyWhenSaved) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadNamedScans({{"00001.RA1", 100.0}, {"00002.RA1", 200.0, 50000.0f, 280.0f, 1, 'R', 6.0, 6.1,
                                         0.01, nullptr, 0.2f}});
  SetupCommonRadialGrid();
  backend().ScriptFileDialog(std::nullopt);
  AverageScans(nullptr);
  EXPECT_EQ(ScanDataSet.NFILES, 2);
  const std::vector<float> mean(CommonRadialGrid.MeanProfile.data() + 1,
                                CommonRadialGrid.MeanProfile.data() + 1 + CommonRadialGrid.CommonGridSize);
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("average.RA1")});
  AverageScans(nullptr);
  ASSERT_EQ(ScanDataSet.NFILES, 1);
  EXPECT_EQ(ScanDataSet.ScanFilePaths[1], "average.RA1");
  ASSERT_EQ(ScanDataSet.ScanPointCount[1], static_cast<int>(mean.size()));
  EXPECT_NEAR(ScanDataSet.ScanSignal[1][3], mean[2], 1e-5f);
}

}  // namespace
