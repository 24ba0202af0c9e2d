// Edits of the loaded scans: the point formulas, region exclusion, the
// mirror that keeps each point's values together, blanks, the noise-free
// equilibrium scan file, and the refusals.

#include <cmath>
#include <filesystem>

#include "DataOpsTestSupport.h"
#include "data/RawDataEdits.h"

namespace {

class RawDataEditsTest : public DataOpsTest {
 protected:
  void LoadTwo() {
    ScanReaderOptions.AbsorbanceData = true;
    LoadNamedScans({{"00001.RA1", 100.0, 50000.0f, 280.0f, 1, 'R', 5.9, 7.1, 0.1},
                    {"00002.RA1", 200.0, 50000.0f, 280.0f, 1, 'R', 5.9, 7.1, 0.1}});
    SetupCommonRadialGrid();
    ScanDataSet.DataChanged = false;
  }
};

TEST_F(RawDataEditsTest, PointFormulas) {
  const struct {
    const char* name;
    void (*edit)();
    float (*expectedSignal)(float signal, float model);
    float (*expectedRadius)(float radius);
  } cases[] = {
      {"invert", [] { InvertRawData(-1.0f); }, [](float s, float) { return -s; },
       [](float r) { return r; }},
      {"scale", [] { AddNoiseOrScale(0.0f, 2.0f); }, [](float s, float) { return 2.0f * s; },
       [](float r) { return r; }},
      {"subtract model", [] { AddSimulatedData(-1.0f); }, [](float s, float m) { return s - m; },
       [](float r) { return r; }},
      {"negative sigma", [] { AddNoiseOrScale(-1.0f, 2.0f); }, [](float s, float) { return s; },
       [](float r) { return r; }},
      {"recalibrate", [] { CorrectIFRadialCalibration(1.2f / 1.3f, 5.9f - 5.85f * 1.2f / 1.3f); },
       [](float s, float) { return s; }, [](float r) { return 1.2f / 1.3f * r + 5.9f - 5.85f * 1.2f / 1.3f; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FreeDataSet();
    LoadTwo();
    const auto& d = ScanDataSet;
    const float s = d.ScanSignal[2][4], m = d.ScanModel[2][4], r = d.ScanRadius[2][4];
    c.edit();
    EXPECT_FLOAT_EQ(d.ScanSignal[2][4], c.expectedSignal(s, m));
    EXPECT_FLOAT_EQ(d.ScanRadius[2][4], c.expectedRadius(r));
    EXPECT_TRUE(d.DataChanged);
  }
  // The recalibration maps the reference radii onto the answers.
  EXPECT_NEAR(1.2f / 1.3f * 7.15f + 5.9f - 5.85f * 1.2f / 1.3f, 7.1f, 1e-5f);
}

TEST_F(RawDataEditsTest, InvertingTwiceGivesTheLoadedSignals) {
  LoadTwo();
  const float before = ScanDataSet.ScanSignal[1][7];
  InvertRawData(-1.0f);
  InvertRawData(-1.0f);
  EXPECT_EQ(ScanDataSet.ScanSignal[1][7], before);
}

TEST_F(RawDataEditsTest, ExcludedRegionTakesBothEndPoints) {
  LoadTwo();
  auto& d = ScanDataSet;
  const int n = d.ScanPointCount[1];
  ExcludeRadialRegion(6.5f, 6.6f);
  ASSERT_EQ(d.ScanPointCount[1], n - 2);
  EXPECT_NEAR(d.ScanRadius[1][6], 6.4f, 1e-5f);
  EXPECT_NEAR(d.ScanRadius[1][7], 6.7f, 1e-5f);
  EXPECT_EQ(d.ScanModel[1][3], 0.0f);
  EXPECT_EQ(d.ScanPlotVectors[1].Radius->count(), static_cast<unsigned>(n - 2));
  // A region between two points removes nothing and keeps the model.
  d.ScanModel[2][3] = 0.75f;
  ExcludeRadialRegion(6.42f, 6.48f);
  EXPECT_EQ(d.ScanPointCount[2], n - 2);
  EXPECT_EQ(d.ScanModel[2][3], 0.75f);
  // Bounds outside scan 1: nothing, but the data count as changed.
  d.DataChanged = false;
  ExcludeRadialRegion(5.0f, 6.0f);
  EXPECT_EQ(d.ScanPointCount[1], n - 2);
  EXPECT_TRUE(d.DataChanged);
}

TEST_F(RawDataEditsTest, MirrorKeepsEveryPointTogether) {
  auto scans = std::vector<NamedScan>{{"00001.RI1", 100.0, 50000.0f, 280.0f, 1, 'I', 5.9, 7.1, 0.1}};
  scans[0].secondColumn = true;
  ScanReaderOptions.IntensityData = true;
  LoadNamedScans(scans);
  SetupCommonRadialGrid();
  auto& d = ScanDataSet;
  const int n = d.ScanPointCount[1];
  d.ScanResiduals[1][2] = 0.125f;
  const float signal2 = d.ScanSignal[1][2], second2 = d.ScanSecondColumn[1][2],
              model2 = d.ScanModel[1][2];
  d.DataChanged = false;
  MirrorRawData(5.85f, 7.15f, false);
  // Radius 6.0 went to 7.0, which is now point n - 1, with all its values.
  EXPECT_NEAR(d.ScanRadius[1][1], 5.9f, 1e-5f);
  EXPECT_NEAR(d.ScanRadius[1][n], 7.1f, 1e-5f);
  EXPECT_NEAR(d.ScanRadius[1][n - 1], 7.0f, 1e-5f);
  EXPECT_EQ(d.ScanSignal[1][n - 1], signal2);
  EXPECT_EQ(d.ScanSecondColumn[1][n - 1], second2);
  EXPECT_EQ(d.ScanModel[1][n - 1], model2);
  EXPECT_EQ(d.ScanResiduals[1][n - 1], 0.125f);
  EXPECT_TRUE(d.DataChanged);
  EXPECT_NEAR(CommonRadialGrid.CommonGrid[1], d.ScanRadius[1][1] + 0.001f, 1e-3f);
  MirrorRawData(5.85f, 7.15f, true);
  EXPECT_EQ(d.ScanSignal[1][2], -signal2);
}

TEST_F(RawDataEditsTest, TimeOffsetsChangeOnlyTheRecordedTimes) {
  LoadTwo();
  auto& h = ScanDataSet.ScanHeaders[2];
  AddConstantTime(30.0, 1e9);
  EXPECT_EQ(h.Time, 200.0);
  EXPECT_EQ(h.RecordedTime, 230.0);
  EXPECT_DOUBLE_EQ(h.Omega2t, 2.74e7 * 200.0 + 1e9);
}

TEST_F(RawDataEditsTest, BlankIsInterpolatedAndSubtracted) {
  LoadTwo();
  std::vector<double> blank(30, 0.0);
  for (std::size_t k = 0; k < blank.size(); ++k) blank[k] = 0.01 * static_cast<double>(k);
  // An intensity blank must not turn the loaded data into intensity data.
  scratch.Write("blank.RI1", ScanText("blank", "I 1 20.0 50000 100 1.0E+09 280 2",
                                      DataLines(blank, 5.85, 0.05)));
  const float before = ScanDataSet.ScanSignal[1][3];  // radius 6.1: blank 0.05
  ASSERT_TRUE(SubtractBlankScan(scratch.File("blank.RI1")));
  EXPECT_NEAR(ScanDataSet.ScanSignal[1][3], before - 0.05f, 1e-5f);
  EXPECT_TRUE(ScanReaderOptions.AbsorbanceData);
  EXPECT_FALSE(ScanReaderOptions.IntensityData);

  const float now = ScanDataSet.ScanSignal[1][3];
  EXPECT_FALSE(SubtractBlankScan(scratch.File("missing.RA1")));
  EXPECT_EQ(LogLinesWith("LOAD ERROR").size(), 1u);
  EXPECT_EQ(ScanDataSet.ScanSignal[1][3], now);
}

TEST_F(RawDataEditsTest, EquilibriumScanWithoutNoiseOverTheFitRange) {
  LoadTwo();
  auto& g = CommonRadialGrid;
  FitControl.TINoiseFitted = true;
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    g.TINoise[j] = 0.02f;
    g.RemovedTINoise[j] = 0.01f;
  }
  g.GridFirstFitIndex = 100;  // 6.0 cm
  g.GridLastFitIndex = 900;   // 6.8 cm
  std::vector<double> values(13, 0.5);
  scratch.Write("eq.RA1", ScanText("eq scan", "R 1 20.0 15000 80000 1.0E+09 280 2",
                                   DataLines(values, 5.9, 0.1)));
  ASSERT_TRUE(SubtractNoiseFromEqData(nullptr, scratch.File("eq.RA1"), scratch.File("out.RA1")));
  const ReadScan s = ReadScanAt(scratch.File("out.RA1"));
  ASSERT_EQ(s.result, 1);
  EXPECT_NEAR(s.radius[1], 6.0f, 1e-4f);
  EXPECT_NEAR(s.radius[s.count], 6.8f, 1e-4f);
  EXPECT_NEAR(s.signal[3], 0.47f, 1e-5f);
  ASSERT_EQ(s.count, 9);
  EXPECT_EQ(s.third[3], 0.0f);  // the read scan's third column is not carried
  EXPECT_EQ(s.header.Description, "[T OK]time-independent noise corrected file ");

  EXPECT_FALSE(SubtractNoiseFromEqData(nullptr, scratch.File("none.RA1"), scratch.File("o2.RA1")));
  EXPECT_EQ(LogLinesWith("[LOAD ERROR]").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(scratch.File("o2.RA1")));
}

TEST_F(RawDataEditsTest, LightScatteringDataAreRefused) {
  LoadTwo();
  DlsDataMode = true;
  const float before = ScanDataSet.ScanSignal[1][1];
  InvertRawData(-1.0f);
  CorrectIFRadialCalibration(2.0f, 0.0f);
  AddSimulatedData(1.0f);
  MirrorRawData(5.85f, 7.15f, true);
  EXPECT_FALSE(SubtractBlankScan(scratch.File("x")));
  EXPECT_EQ(ScanDataSet.ScanSignal[1][1], before);
  EXPECT_EQ(LogLinesWith("not implemented for DLS data").size(), 5u);
}

}  // namespace
