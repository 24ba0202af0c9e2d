// Equilibrium runs sorted to disk: groups by cell, wavelength and channel,
// one series per speed, the equilibrium test's questions and plots, the
// saved scans read back, the xp files against a golden file, blanks, and the
// collect mode of the approach-to-equilibrium tools.

#include <filesystem>

#include "DataOpsTestSupport.h"
#include "data/EquilibriumSort.h"

namespace {

class EquilibriumSortTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    EqSeriesCollection = EqSeriesCollectionRecord{};
  }
  void TearDown() override {
    EqSeriesCollection = EqSeriesCollectionRecord{};
    DataOpsTest::TearDown();
  }
  // Three scans at each speed; scan k carries the offset 0.01 k so that a
  // saved scan tells which one it was.
  static std::vector<NamedScan> SpeedRun(const std::vector<float>& speeds, float wavelength = 280.0f,
                                         int cell = 1, const std::string& extension = ".RA1",
                                         char type = 'R') {
    std::vector<NamedScan> scans;
    double time = 0.0;
    for (float rpm : speeds)
      for (int k = 0; k < 3; ++k) {
        NamedScan s;
        char name[20];
        std::snprintf(name, sizeof name, "%05zu", scans.size() + 1);
        s.name = name + extension;
        time += 3600.0;
        s.time = time;
        s.rpm = rpm;
        s.wavelength = wavelength;
        s.cell = cell;
        s.type = type;
        s.first = 6.9;
        s.last = 7.1;
        s.step = 0.005;
        s.offset = 0.01f * static_cast<float>(scans.size() + 1);
        scans.push_back(s);
      }
    return scans;
  }
  EqSortRequest Request(bool makeXp = true) const {
    EqSortRequest r;
    r.outputPath = scratch.File("sorted");
    r.makeXp = makeXp;
    r.xp.density = 1.005;
    r.xp.vbar = 0.72;
    r.xp.extinctionA = 1.5;
    r.xp.extinctionB = 0.8;
    r.xp.extinctionC = 0.25;
    return r;
  }
};

TEST_F(EquilibriumSortTest, ThreeSpeedsGiveThreeScansAndOneXpFile) {
  LoadNamedScans(SpeedRun({10000.0f, 15000.0f, 20000.0f}));
  ModelParameters.Meniscus = 5.9f;
  ModelParameters.Bottom = 7.2f;
  ScanDataSet.FitLeftLim = 5.95f;
  ScanDataSet.FitRightLim = 7.1f;
  SortEqDataToDisk(nullptr, Request());
  // Two questions per series, each after its plot.
  EXPECT_EQ(LogLinesWith("was equilibrium attained at 280 nm and 15000 rpm?").size(), 1u);
  EXPECT_EQ(LogLinesWith("accept EQ scan at 280 nm and 20000 rpm to be included? ").size(), 1u);
  EXPECT_EQ(calls.ToolPlots, 6);
  const struct {
    const char* file;
    int scan;
  } saved[] = {{"eq10k_280.RA1", 3}, {"eq15k_280.RA1", 6}, {"eq20k_280.RA1", 9}};
  for (const auto& s : saved) {
    SCOPED_TRACE(s.file);
    const ReadScan r = ReadScanAt(scratch.File(s.file));
    ASSERT_EQ(r.result, 1);
    const auto& d = ScanDataSet;
    ASSERT_EQ(r.count, d.ScanPointCount[s.scan]);
    EXPECT_NEAR(r.signal[7], d.ScanSignal[s.scan][7], 1e-5f);
    EXPECT_EQ(r.header.Description, "[T OK]" + d.ScanFilePaths[s.scan]);
    EXPECT_FLOAT_EQ(r.header.Rpm, d.ScanHeaders[s.scan].Rpm);
  }
  std::string xp = ReadWholeFile(scratch.File("cell1_280.xp"));
  const std::string folder = scratch.path().string() + "/";
  xp.replace(xp.find(folder), folder.size(), "/data/eq/");
  EXPECT_EQ(xp, ReadWholeFile((TestDataFolder() / "dataops" / "cell1_280.xp").string()));
}

TEST_F(EquilibriumSortTest, TheTimeCourseShowsEachEarlierScanAgainstTheLatest) {
  auto scans = SpeedRun({10000.0f});
  std::swap(scans[0].time, scans[1].time);  // the data set is not in time order
  LoadNamedScans(scans);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  SortEqDataToDisk(nullptr, Request());
  ASSERT_EQ(calls.ToolPlots, 1);
  const ToolCurvePlot& p = calls.LastPlot;
  EXPECT_EQ(p.xTitle, "elapsed time (sec)");
  EXPECT_TRUE(p.symbols);
  ASSERT_EQ(p.x.size(), 2u);
  EXPECT_EQ(p.x[0], 3600.0f);
  EXPECT_EQ(p.x[1], 7200.0f);
  // The scans differ from the latest only by constant offsets.
  EXPECT_NEAR(p.y[0], 0.0f, 1e-5f);
  // Refused: nothing saved, no xp file.
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

TEST_F(EquilibriumSortTest, ScanPairRmsdIgnoresOffsets) {
  LoadNamedScans(SpeedRun({10000.0f}));
  auto& d = ScanDataSet;
  EXPECT_EQ(ScanPairRmsd(2, 2), 0.0f);
  EXPECT_NEAR(ScanPairRmsd(1, 3), 0.0f, 1e-6f);
  EXPECT_EQ(ScanPairRmsd(0, 3), 0.0f);
  for (int k = 1; k <= d.ScanPointCount[1]; k += 2) d.ScanSignal[1][k] += 0.02f;
  // Half the points 0.02 up: the deviations from the mean are +-0.01.
  EXPECT_NEAR(ScanPairRmsd(1, 3), 0.01f, 5e-4f);
}

TEST_F(EquilibriumSortTest, CollectModeGroupsWithoutQuestions) {
  const struct {
    float secondWavelength;
    int series;
  } cases[] = {{283.0f, 1}, {286.0f, 2}};
  for (const auto& c : cases) {
    FreeDataSet();
    auto scans = SpeedRun({10000.0f});
    for (int k = 1; k < 3; ++k) scans[static_cast<std::size_t>(k)].wavelength = c.secondWavelength;
    LoadNamedScans(scans);
    EqSeriesCollection.EqCollectMode = true;
    EqSeriesCollection.EqSeriesSameCell = true;
    SortEqDataToDisk(nullptr, Request());
    EXPECT_EQ(EqSeriesCollection.EqSeriesCount(), c.series);
  }
  // 286 nm: a series of one scan, then one of two scans ending with the latest.
  EXPECT_EQ(EqSeriesCollection.EqSeries[0], std::vector<int>{1});
  EXPECT_EQ(EqSeriesCollection.EqSeries[1], (std::vector<int>{2, 3}));
  EXPECT_TRUE(EqSeriesCollection.EqSeriesSameCell);
  EXPECT_EQ(EqSeriesCollection.EqSeriesFirstCell, 1);
  EXPECT_TRUE(backend().Log().empty());
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
  EXPECT_EQ(calls.ToolPlots, 0);
}

TEST_F(EquilibriumSortTest, SpeedStepsMakeOneSeriesNamedAfterTheLastSpeed) {
  LoadNamedScans(SpeedRun({10000.0f, 15000.0f}));
  ScanDataSet.UsingSpeedSteps = true;
  SortEqDataToDisk(nullptr, Request(false));
  EXPECT_EQ(LogLinesWith("was equilibrium attained").size(), 1u);
  EXPECT_EQ(ReadScanAt(scratch.File("eq15k_280.RA1")).result, 1);
}

TEST_F(EquilibriumSortTest, SingleScansAndInterferenceGroups) {
  auto scans = SpeedRun({10000.0f, 15000.0f}, 660.0f, 2, ".IP2", 'P');
  scans.erase(scans.begin() + 3, scans.begin() + 5);  // one scan at 15000 rpm
  LoadNamedScans(scans);
  SortEqDataToDisk(nullptr, Request());
  EXPECT_EQ(LogLinesWith("(no time-course available)").size(), 1u);
  const auto lines = FileLines(scratch.File("cell2_IF.xp"));
  ASSERT_EQ(lines.size(), 71u);
  EXPECT_EQ(lines[16], "1 (blocalFitTimeIndepNoise)");
  EXPECT_EQ(lines[17], "1 (blocalFitRINoise)");
}

TEST_F(EquilibriumSortTest, ChannelModeStaysOnOnceAChannelLetterWasSeen) {
  auto scans = SpeedRun({10000.0f}, 280.0f);
  scans[0].name = "m0001.RA1";
  scans[1].name = "m0002.RA1";
  scans[2].name = "00010.RA1";
  LoadNamedScans(scans);
  SortEqDataToDisk(nullptr, Request(false));
  EXPECT_EQ(ReadScanAt(scratch.File("m_eq10k_280.RA1")).result, 1);
  EXPECT_EQ(ReadScanAt(scratch.File("0_eq10k_280.RA1")).result, 1);
}

TEST_F(EquilibriumSortTest, IntensityScansAreSavedAsAbsorbanceWithTheBlankTakenOut) {
  auto scans = SpeedRun({10000.0f}, 280.0f, 1, ".RI1", 'I');
  for (auto& s : scans) s.secondColumn = true;
  LoadNamedScans(scans);
  auto& d = ScanDataSet;
  d.ScanSignal[3][2] = 0.0f;  // no light: no logarithm
  // A blank of constant absorbance 0.05 at the same wavelength.
  std::vector<double> blank(60, 0.05);
  scratch.Write("blank.RA1", ScanText("blank", "R 1 20.0 10000 100 1.0E+09 281 2",
                                      DataLines(blank, 6.85, 0.005)));
  EqSortRequest r = Request(false);
  r.blankPath = scratch.File("blank.RA1");
  SortEqDataToDisk(nullptr, r);
  ScanReaderOptions.SpikeFilterOn = false;
  const ReadScan s = ReadScanAt(scratch.File("eq10k_280.Ra1"));
  ASSERT_EQ(s.result, 1);
  EXPECT_EQ(s.header.DataType, 'R');
  EXPECT_EQ(d.ScanHeaders[3].DataType, 'I');
  EXPECT_NEAR(s.signal[2], 10.0f - 0.05f, 1e-5f);
  EXPECT_NEAR(s.signal[5], std::log10(2.0f) - 0.05f, 1e-5f);

  // An unreadable blank is reported and the sort goes on without it.
  backend().ClearLog();
  r.blankPath = scratch.File("missing.RA1");
  SortEqDataToDisk(nullptr, r);
  EXPECT_EQ(LogLinesWith("LOAD ERROR in blank").size(), 1u);
  EXPECT_NEAR(ReadScanAt(scratch.File("eq10k_280.Ra1")).signal[5], std::log10(2.0f), 1e-5f);
}

}  // namespace
