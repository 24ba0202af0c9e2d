// Fits, residuals, noise and the ScanRms table written to files: the output
// names, the fit range, the overwrite question, the absorbance conversion,
// read-back through the scan reader, and writes that fail.

#include <cmath>
#include <filesystem>

#include "DataOpsTestSupport.h"

namespace {

class FitDataFilesTest : public DataOpsTest {};

TEST_F(FitDataFilesTest, OutputNamesFollowTheMarkerAndTheConvention) {
  LoadNamedScans({{"00017.ra2"}, {"00001.ip3"}});
  const struct {
    bool oldConvention;
    int scan;
    char marker;
    const char* expected;
  } cases[] = {
      {false, 1, 'f', "/out/f0017.ra2"},  {false, 2, 'f', "/out/f0001.ip3"},
      {false, 2, 'r', "/out/r0001.ip3"},  {false, 1, 'a', "/out/a0017.ra2"},
      {true, 1, 'f', "/out/chosen.ra2"},  {true, 2, 'r', "/out/chosen.ip3"},
  };
  for (const auto& c : cases) {
    LoadOptions.OldFilenameConvention = c.oldConvention;
    EXPECT_EQ(MarkedOutputPath(c.scan, "/out/chosen.txt", c.marker), c.expected);
  }
}

TEST_F(FitDataFilesTest, FitOverTheFitRangeReadsBackWithItsHeader) {
  LoadNamedScans({{"00017.ra2", 1500.0, 42000.0f, 260.0f, 3}});
  auto& d = ScanDataSet;
  d.ScanFirstFitIndex[1] = 3;
  d.ScanLastFitIndex[1] = 8;
  ASSERT_TRUE(SaveFitData(scratch.File("fit.dat"), false));
  const ReadScan s = ReadScanAt(scratch.File("f0017.ra2"));
  ASSERT_EQ(s.result, 1);
  ASSERT_EQ(s.count, 6);
  for (int k = 1; k <= 6; ++k) {
    EXPECT_NEAR(s.radius[k], d.ScanRadius[1][k + 2], 1e-4f);
    EXPECT_NEAR(s.signal[k], d.ScanModel[1][k + 2], 1e-5f);
  }
  EXPECT_EQ(s.header.Description, "[T OK]fitted to 00017.ra2");
  EXPECT_EQ(s.header.Cell, 3);
  EXPECT_FLOAT_EQ(s.header.Rpm, 42000.0f);
  EXPECT_FLOAT_EQ(s.header.Wavelength, 260.0f);
  EXPECT_DOUBLE_EQ(s.header.RecordedTime, 1500.0);

  // Unset fit indices stand for the whole scan.
  d.ScanFirstFitIndex[1] = d.ScanLastFitIndex[1] = 0;
  ASSERT_TRUE(SaveResiduals(scratch.File("res.dat")));
  const ReadScan r = ReadScanAt(scratch.File("r0017.ra2"));
  ASSERT_EQ(r.count, d.ScanPointCount[1]);
  EXPECT_NEAR(r.signal[4], d.ScanResiduals[1][4], 1e-6f);
  EXPECT_EQ(r.header.Description, "[T OK]residuals to 00017.ra2");
}

TEST_F(FitDataFilesTest, ExistingFilesAskOnceAndNoEndsTheSave) {
  LoadNamedScans({{"00001.RA1", 100.0}, {"00002.RA1", 200.0}, {"00003.RA1", 300.0}});
  scratch.Write("f0002.RA1", "old\n");
  scratch.Write("f0003.RA1", "old\n");

  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  EXPECT_FALSE(SaveFitData(scratch.File("x"), false));
  EXPECT_TRUE(std::filesystem::exists(scratch.File("f0001.RA1")));
  EXPECT_EQ(ReadWholeFile(scratch.File("f0003.RA1")), "old\n");
  EXPECT_EQ(LogLinesWith("fit not saved").size(), 1u);

  backend().ClearLog();
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  EXPECT_TRUE(SaveFitData(scratch.File("x"), false));
  EXPECT_EQ(LogLinesWith("Overwrite all?").size(), 1u);
  EXPECT_EQ(ReadScanAt(scratch.File("f0003.RA1")).result, 1);

  backend().ClearLog();
  OverwriteWithoutAsking = true;
  EXPECT_TRUE(SaveFitData(scratch.File("x"), false));
  EXPECT_TRUE(LogLinesWith("Overwrite").empty());

  // Residual saves always ask, whatever the batch flag says.
  scratch.Write("r0001.RA1", "old\n");
  backend().ClearLog();
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  EXPECT_FALSE(SaveResiduals(scratch.File("x")));
  EXPECT_EQ(LogLinesWith("residuals not saved").size(), 1u);
  EXPECT_EQ(ReadWholeFile(scratch.File("r0001.RA1")), "old\n");
}

TEST_F(FitDataFilesTest, IntensityFitsBecomeAbsorbanceWithoutInfinities) {
  NamedScan scan;
  scan.name = "00005.RI2";
  scan.secondColumn = true;
  LoadNamedScans({scan});
  ScanReaderOptions.IntensityData = true;
  auto& d = ScanDataSet;
  d.ScanHeaders[1].DataType = 'I';
  d.ScanModel[1][2] = 0.0f;  // a fitted intensity of zero
  ASSERT_TRUE(SaveFitData(scratch.File("x"), true));
  EXPECT_EQ(d.ScanHeaders[1].DataType, 'I');
  ScanReaderOptions.SpikeFilterOn = false;  // 10.0 is an isolated spike to the reader
  const ReadScan s = ReadScanAt(scratch.File("f0005.RI2"));
  ASSERT_EQ(s.result, 1);
  EXPECT_EQ(s.header.DataType, 'R');
  EXPECT_FLOAT_EQ(s.signal[2], 10.0f);
  const float expected = std::log10(d.ScanSecondColumn[1][5] / d.ScanModel[1][5]);
  EXPECT_NEAR(s.signal[5], expected, 1e-5f);
  ASSERT_EQ(s.third.size(), d.ScanPointCount[1]);
  EXPECT_NEAR(s.third[5], d.ScanSecondColumn[1][5], 1e-5f);
}

TEST_F(FitDataFilesTest, AFileThatCannotBeWrittenIsReported) {
  LoadNamedScans({{"00001.RA1"}});
  EXPECT_FALSE(SaveFitData(scratch.File("missing/deeper/x"), false));
  EXPECT_EQ(LogLinesWith("could not write").size(), 1u);
}

TEST_F(FitDataFilesTest, NoiseFilesHoldTheWholeNoise) {
  ScanReaderOptions.AbsorbanceData = true;
  LoadNamedScans({{"00001.RA1", 300.0}, {"00002.RA1", 100.0}});
  SetupCommonRadialGrid();
  auto& g = CommonRadialGrid;
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    g.TINoise[j] = 0.01f * static_cast<float>(j);
    g.RemovedTINoise[j] = 0.5f;
  }
  g.RINoise[1] = 0.25f;
  g.RINoise[2] = -0.125f;
  ASSERT_TRUE(SaveTINoise(scratch.File("tinoise.txt")));
  const ReadScan ti = ReadScanAt(scratch.File("tinoise.RA1"));
  ASSERT_EQ(ti.count, g.CommonGridSize);
  EXPECT_NEAR(ti.signal[3], 0.53f, 1e-5f);
  EXPECT_EQ(ti.header.Description, "[T OK]time-independent noise ");

  ASSERT_TRUE(SaveRINoise(scratch.File("rinoise.txt")));
  EXPECT_EQ(FileLines(scratch.File("rinoise.RA1")),
            (std::vector<std::string>{"100.000000 -0.125000", "300.000000 0.250000"}));

  // Not fitted: nothing happens.
  ModelParameters.RINoiseFitted = false;
  EXPECT_FALSE(SaveRINoise(scratch.File("other.txt")));
  EXPECT_FALSE(std::filesystem::exists(scratch.File("other.RA1")));
}

TEST_F(FitDataFilesTest, ResidualAndNoiseSavesRefuseLightScattering) {
  LoadNamedScans({{"00001.RA1"}});
  DlsDataMode = true;
  FitControl.TINoiseFitted = true;
  EXPECT_FALSE(SaveResiduals(scratch.File("x")));
  EXPECT_FALSE(SaveTINoise(scratch.File("x")));
  EXPECT_EQ(LogLinesWith("not implemented for DLS data").size(), 2u);
}

TEST_F(FitDataFilesTest, ScanRmsTableFindsTheWorstScan) {
  LoadNamedScans({{"00001.RA1", 300.0}, {"00002.RA1", 100.0}, {"00003.RA1", 200.0}});
  auto& d = ScanDataSet;
  const float levels[] = {0.0f, 0.02f, 0.03f, 0.03f};
  for (int i = 1; i <= 3; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) d.ScanResiduals[i][k] = levels[i];
  ASSERT_TRUE(WriteScanRmsTable(scratch.File("ScanRms.dat")));
  // Scans 2 and 3 tie; scan 2 comes first in time.
  EXPECT_EQ(WorstScanIndex, 2);
  const auto lines = FileLines(scratch.File("ScanRms.dat"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "00002.RA1 \t3.000000e-02");
  EXPECT_EQ(lines[2], "00001.RA1 \t2.000000e-02");

  // All residuals zero: no worst scan.
  for (int i = 1; i <= 3; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) d.ScanResiduals[i][k] = 0.0f;
  ASSERT_TRUE(WriteScanRmsTable(scratch.File("ScanRms.dat")));
  EXPECT_EQ(WorstScanIndex, 0);

  // An empty fit range ends the table before that scan.
  d.ScanFirstFitIndex[3] = 5;
  d.ScanLastFitIndex[3] = 4;
  ASSERT_TRUE(WriteScanRmsTable(scratch.File("ScanRms.dat")));
  EXPECT_EQ(FileLines(scratch.File("ScanRms.dat")).size(), 1u);

  EXPECT_FALSE(WriteScanRmsTable(scratch.File("missing/ScanRms.dat")));
  EXPECT_FALSE(ScanRmsFileOn);
  EXPECT_EQ(LogLinesWith("could not open ScanRms file").size(), 1u);
}

}  // namespace
