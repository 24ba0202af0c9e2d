#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "DataTestSupport.h"
#include "state/DlsPreferences.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/DlsLoading.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "state/FitControl.h"
#include "state/ParameterVector.h"
#include "state/DlsFlags.h"

namespace {

// The records and display hooks that a DLS load touches, at their defaults
// (before each test too: a hook left by another test must not be called).
void ResetDlsLoadRecords() {
  ScanDataSet.DlsRecords = OneBasedArray<DlsRecord>{};
  AlwaysLoadG2 = false;
  DlsFieldAcf = false;
  LoadOptions = LoadOptionsRecord{};
  ModelSelection = ModelSelectionRecord{};
  FitControl = FitControlRecord{};
  ParameterFitted.fill(0);
  SolventConditions = SolventConditionsRecord{};
  DataFileLocation = DataFileLocationRecord{};
  BuildMainDataPlots = [] {};
  RenderDataPlot = [](bool) {};
  BuildResidualHistogram = [] {};
  RepaintMainWindow = [](platform::WindowHandle) {};
}

class DlsLoadingTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    ResetDlsLoadRecords();
  }
  void TearDown() override {
    ResetDlsLoadRecords();
    DataTest::TearDown();
  }

  static std::string RunFolder() { return (TestDataFolder() / "dls" / "run1").string(); }

  // A DLS file of g(2)-1 values at the lags 10^-6, 10^-5.5, ... (or the
  // lags given as log10 seconds).
  std::string WriteDls(const std::string& name, double time, float temperature,
                       const std::vector<float>& values, float viscosity = 0.01002f,
                       const std::vector<double>& logLags = {}) {
    std::string text = "measurement " + name + "\n";
    char line[200];
    std::snprintf(line, sizeof line, "A %f %ld 1.00 1.330000 %f 90.000000 6.328000e-07\n",
                  static_cast<double>(temperature), static_cast<long>(time),
                  static_cast<double>(viscosity));
    text += line;
    for (std::size_t k = 0; k < values.size(); ++k) {
      const double x = k < logLags.size() ? logLags[k] : -6.0 + 0.5 * static_cast<double>(k);
      std::snprintf(line, sizeof line, "   %1.5e  %1.5e \n", std::pow(10.0, x),
                    static_cast<double>(values[k]));
      text += line;
    }
    return scratch.Write(name, text);
  }

  FileSelection InScratch(const std::vector<std::string>& names) {
    FileSelection s{scratch.path().string()};
    s.insert(s.end(), names.begin(), names.end());
    return s;
  }
};

// Selected in the order 300 s, 100 s, 200 s, the measurements end up as scans
// 1, 2, 3 at 100, 200 and 300 s, each with its own lags and values.
TEST_F(DlsLoadingTest, MeasurementsAreOrderedByTime) {
  const FileSelection selection{RunFolder(), "00001.dlsdat", "00002.dlsdat", "00003.dlsdat"};
  ASSERT_TRUE(LoadDlsData(nullptr, selection));
  const auto& d = ScanDataSet;
  ASSERT_EQ(d.NFILES, 3);
  EXPECT_TRUE(DlsDataMode);
  const double times[] = {100.0, 200.0, 300.0};
  const char* names[] = {"00002.dlsdat", "00003.dlsdat", "00001.dlsdat"};
  const float amplitudes[] = {0.80f, 0.70f, 0.90f};  // g(2)-1 at the shortest lag, nearly
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ScanDataSet.DlsRecords[i].DlsTime, times[i - 1]);
    EXPECT_EQ(d.ScanFilePaths[i], names[i - 1]);
    EXPECT_EQ(d.ScanTimeOrder[i], i);
    ASSERT_EQ(d.ScanPointCount[i], 12);
    EXPECT_NEAR(d.ScanRadius[i][1], -6.0f, 1e-5f);
    EXPECT_NEAR(d.ScanRadius[i][12], -0.5f, 1e-5f);
    EXPECT_TRUE(ScanDataSet.DlsRecords[i].HoldsFieldAcf);
    EXPECT_NEAR(d.ScanSignal[i][1] * d.ScanSignal[i][1], amplitudes[i - 1], 0.03f);
    EXPECT_EQ(d.ScanResiduals[i][5], d.ScanSignal[i][5]);
    EXPECT_EQ(d.ScanModel[i][5], 0.0f);
    EXPECT_EQ(d.ScanSecondColumn[i].size(), 0);
    // The plot views show the scan's own arrays after the move.
    const ScanPlotViews& v = d.ScanPlotVectors[static_cast<std::size_t>(i)];
    ASSERT_TRUE(v.Signal && v.SignalCurve && v.Model && v.Residuals);
    EXPECT_EQ(v.Signal->data(), d.ScanSignal[i].data() + 1);
    EXPECT_EQ(v.Radius->data(), d.ScanRadius[i].data() + 1);
  }
  EXPECT_EQ(CommonRadialGrid.CommonGridSize, 12);
  EXPECT_EQ(DataFileLocation.DataFolder, RunFolder());
  EXPECT_EQ(DataFileLocation.NotesFilePath, RunFolder() + "/notes.dlsdat");
  EXPECT_EQ(DataFileLocation.TempParameterFilePath, RunFolder() + "/~tmppars.dlsdat");
  EXPECT_TRUE(backend().Log().empty());
}

// The records belong to the data set: whatever releases the set (a new load
// of any kind, the exit) leaves no record of measurements no longer loaded.
TEST_F(DlsLoadingTest, RecordsAreReleasedWithTheDataSet) {
  ASSERT_TRUE(LoadDlsData(nullptr, {RunFolder(), "00001.dlsdat", "00002.dlsdat", "00003.dlsdat"}));
  ASSERT_EQ(ScanDataSet.DlsRecords.size(), 3);
  EXPECT_EQ(&DlsRecords, &ScanDataSet.DlsRecords);  // the name the analyses read them by
  WriteDls("1.dlsdat", 100, 25.0f, {0.5f, 0.4f, 0.3f});
  ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"1.dlsdat"})));
  ASSERT_EQ(ScanDataSet.DlsRecords.size(), 1);
  EXPECT_EQ(ScanDataSet.DlsRecords[1].DlsTemperature, 25.0f);
  FreeDataSet();
  EXPECT_EQ(ScanDataSet.DlsRecords.size(), 0);
}

TEST_F(DlsLoadingTest, EqualTimesKeepTheSelectionOrder) {
  WriteDls("a.dlsdat", 500, 20.0f, {0.5f, 0.4f, 0.3f});
  WriteDls("b.dlsdat", 100, 20.0f, {0.36f, 0.25f, 0.16f});
  WriteDls("c.dlsdat", 500, 20.0f, {0.81f, 0.64f, 0.49f});
  WriteDls("d.dlsdat", 100, 20.0f, {0.09f, 0.04f, 0.01f});
  ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"a.dlsdat", "b.dlsdat", "c.dlsdat", "d.dlsdat"})));
  const char* order[] = {"b.dlsdat", "d.dlsdat", "a.dlsdat", "c.dlsdat"};
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(ScanDataSet.ScanFilePaths[i], order[i - 1]) << i;
  EXPECT_NEAR(ScanDataSet.ScanSignal[2][1], 0.3f, 1e-6f);
}

TEST_F(DlsLoadingTest, SolventConditionsAreTheMeasurementsMeans) {
  struct Case {
    float t1, t2, v1, v2;
    float temperature, relativeViscosity;
  };
  const Case cases[] = {{20.0f, 25.0f, 0.01002f, 0.01002f, 295.65f, 1.0f},
                        {10.0f, 10.0f, 0.01306f, 0.01306f, 283.15f, 1.303393f},
                        {20.0f, 30.0f, 0.01002f, 0.00798f, 298.15f, 0.898204f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.temperature);
    WriteDls("1.dlsdat", 100, c.t1, {0.5f, 0.4f}, c.v1);
    WriteDls("2.dlsdat", 200, c.t2, {0.5f, 0.4f}, c.v2);
    ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"1.dlsdat", "2.dlsdat"})));
    EXPECT_NEAR(SolventConditions.BufferTemperature, c.temperature, 1e-3f);
    EXPECT_NEAR(SolventConditions.RELVISCOSITY, c.relativeViscosity, 1e-5f);
    EXPECT_NEAR(SolventConditions.GasConstantRT, c.temperature * 8.31451e7f, 1e4f);
  }
}

// Meniscus and bottom are the lag range of the first file selected (not the
// earliest); fit limits that lie outside it give way to it.
TEST_F(DlsLoadingTest, FitLimitsFollowTheFirstFilesLagRange) {
  struct Case {
    const char* what;
    float left, right;
    float expectLeft, expectRight;
  };
  const Case cases[] = {{"sedimentation limits", 6.0f, 7.2f, -5.0f, -3.5f},
                        {"not set", 0.0f, 0.0f, -5.0f, -3.5f},
                        {"right limit below the range", -5.5f, -5.2f, -5.0f, -3.5f},
                        {"inside the range", -4.5f, -4.0f, -4.5f, -4.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteDls("late.dlsdat", 900, 20.0f, {0.5f, 0.4f, 0.3f, 0.2f}, 0.01002f, {-5, -4.5, -4, -3.5});
    WriteDls("early.dlsdat", 100, 20.0f, {0.5f, 0.4f, 0.3f, 0.2f}, 0.01002f, {-5.5, -4.5, -4, -3});
    ScanDataSet.FitLeftLim = c.left;
    ScanDataSet.FitRightLim = c.right;
    ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"late.dlsdat", "early.dlsdat"})));
    EXPECT_NEAR(ModelParameters.Meniscus, -5.0f, 1e-5f);
    EXPECT_NEAR(ModelParameters.Bottom, -3.5f, 1e-5f);
    EXPECT_NEAR(ScanDataSet.FitLeftLim, c.expectLeft, 1e-5f);
    EXPECT_NEAR(ScanDataSet.FitRightLim, c.expectRight, 1e-5f);
    EXPECT_GE(ScanDataSet.ScanFirstFitIndex[1], 1);
    EXPECT_LE(ScanDataSet.ScanLastFitIndex[1], ScanDataSet.ScanPointCount[1]);
  }
}

TEST_F(DlsLoadingTest, ModelIsSetUpForACorrelationFunction) {
  ScanReaderOptions.AbsorbanceData = true;
  ScanReaderOptions.InterferenceData = true;
  ModelSelection.Kind = ModelKind::BuoyantMassEquilibrium;
  ModelParameters.InitialConcentrationConstant = false;
  ModelParameters.InitialConcentrationExperimental = true;
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.MeniscusFitted = ModelParameters.BottomFitted = 1;
  ParameterFitted[MeniscusSlot] = ParameterFitted[BottomSlot] = 1;
  WriteDls("1.dlsdat", 100, 20.0f, {0.5f, 0.4f, 0.3f});
  ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"1.dlsdat"})));

  EXPECT_FALSE(ScanReaderOptions.AbsorbanceData);
  EXPECT_FALSE(ScanReaderOptions.InterferenceData);
  EXPECT_EQ(ModelSelection.Kind, ModelKind::NoModel);
  EXPECT_TRUE(ModelParameters.InitialConcentrationConstant);
  EXPECT_FALSE(ModelParameters.InitialConcentrationExperimental);
  EXPECT_FALSE(FitControl.TINoiseFitted);
  EXPECT_FALSE(ModelParameters.RINoiseFitted);
  EXPECT_EQ(ModelParameters.MeniscusFitted, 0);
  EXPECT_EQ(ModelParameters.BottomFitted, 0);
  EXPECT_EQ(ParameterFitted[MeniscusSlot], 0);
  EXPECT_EQ(ParameterFitted[BottomSlot], 0);
  EXPECT_EQ(ModelParameters.BaselineFitted, 1);
  EXPECT_EQ(ParameterFitted[BaselineSlot], 1);
  // Another model than the buoyant-mass one stays chosen.
  ModelSelection.Kind = ModelKind::ContinuousCS;
  ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"1.dlsdat"})));
  EXPECT_EQ(ModelSelection.Kind, ModelKind::ContinuousCS);
}

TEST_F(DlsLoadingTest, OneFullPathLoadsOneMeasurementAndNamesFilesTheOldWay) {
  LoadOptions.OldFilenameConvention = true;
  const std::string path = WriteDls("sample7.dlsdat", 100, 20.0f, {0.5f, 0.4f, 0.3f});
  ASSERT_TRUE(LoadDlsData(nullptr, {path}));
  EXPECT_EQ(ScanDataSet.NFILES, 1);
  EXPECT_EQ(ScanDataSet.ScanFilePaths[1], "sample7.dlsdat");
  EXPECT_EQ(DataFileLocation.DataFolder, scratch.path().string());
  EXPECT_EQ(DataFileLocation.NotesFilePath, scratch.File("sample7.not"));
  EXPECT_EQ(DataFileLocation.TempParameterFilePath, scratch.File("sample7.~p"));
}

// A file that cannot be read ends the load; nothing stays loaded, not the
// files read before it nor the data set loaded earlier.
TEST_F(DlsLoadingTest, UnreadableFileLeavesNoDataLoaded) {
  WriteDls("good.dlsdat", 100, 20.0f, {0.5f, 0.4f, 0.3f});
  scratch.Write("bad.dlsdat", "title\nX 1 2 3 4 5 6 7\n1e-6 0.5\n");
  const std::vector<FileSelection> selections = {InScratch({"good.dlsdat", "bad.dlsdat"}),
                                                 InScratch({"missing.dlsdat", "good.dlsdat"}),
                                                 {scratch.File("bad.dlsdat")}};
  const std::string failing[] = {scratch.File("bad.dlsdat"), scratch.File("missing.dlsdat"),
                                 scratch.File("bad.dlsdat")};
  for (std::size_t c = 0; c < selections.size(); ++c) {
    SCOPED_TRACE(c);
    backend().ClearLog();
    LoadTestScans({{6.0, 7.0, 0.01, 0.0, nullptr, 0.1f}});
    EXPECT_FALSE(LoadDlsData(nullptr, selections[c]));
    EXPECT_EQ(ScanDataSet.NFILES, 0);
    EXPECT_EQ(ScanDataSet.DlsRecords.size(), 0);
    EXPECT_FALSE(DlsDataMode);
    EXPECT_EQ(CommonRadialGrid.CommonGridSize, 0);
    const auto boxes = LogLinesWith("[LOAD ERROR]");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(failing[c]), std::string::npos);
  }
}

TEST_F(DlsLoadingTest, LoadRebuildsAndRendersThePlots) {
  int histograms = 0, plots = 0, renders = 0, repaints = 0;
  BuildResidualHistogram = [&] { ++histograms; };
  BuildMainDataPlots = [&] { ++plots; };
  RenderDataPlot = [&](bool) { ++renders; };
  RepaintMainWindow = [&](platform::WindowHandle) { ++repaints; };
  WriteDls("1.dlsdat", 100, 20.0f, {0.5f, 0.4f, 0.3f});
  ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"1.dlsdat"})));
  EXPECT_EQ(histograms, 1);
  EXPECT_EQ(plots, 1);
  EXPECT_EQ(renders, 1);
  EXPECT_EQ(repaints, 1);
}

struct SavedMean {
  std::vector<double> lags, values;
  DlsRecord record;
};

SavedMean ReadMeanFile(const std::string& path) {
  SavedMean m;
  int count = 0;
  OneBasedArray<float> lags, values;
  EXPECT_TRUE(ReadDLSDataFile(path, &m.record, &count, &lags, &values, true));
  for (int k = 1; k <= count; ++k) {
    m.lags.push_back(lags[k]);
    m.values.push_back(values[k]);
  }
  return m;
}

// Field correlations 0.5 and -0.5 (files of g(2)-1 = 0.25 and -0.25) average
// to 0 as intensity correlations, 0.5 and 0.5 to 0.25.
TEST_F(DlsLoadingTest, MeanIsTakenOverIntensityCorrelations) {
  struct Case {
    bool alwaysG2;
    std::vector<float> first, second, mean;
  };
  const Case cases[] = {
      {false, {0.25f, 0.25f, 0.64f}, {-0.25f, 0.25f, 0.16f}, {0.0f, 0.25f, 0.4f}},
      {true, {0.25f, 0.25f, 0.64f}, {-0.25f, 0.25f, 0.16f}, {0.0f, 0.25f, 0.4f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alwaysG2);
    AlwaysLoadG2 = c.alwaysG2;
    DlsFieldAcf = true;
    WriteDls("1.dlsdat", 100, 20.0f, c.first);
    WriteDls("2.dlsdat", 200, 30.0f, c.second);
    ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"2.dlsdat", "1.dlsdat"})));
    const std::string path = scratch.File("mean.dlsdat");
    ASSERT_TRUE(SaveMeanDlsData(path));
    EXPECT_FALSE(DlsFieldAcf);
    const SavedMean m = ReadMeanFile(path);
    EXPECT_EQ(m.record.DlsTitle, "averaged");
    EXPECT_NEAR(m.record.DlsTemperature, 25.0f, 1e-4f);
    EXPECT_EQ(m.record.DlsTime, 100.0);  // the earliest measurement's parameters
    ASSERT_EQ(m.values.size(), c.mean.size());
    for (std::size_t k = 0; k < c.mean.size(); ++k) {
      EXPECT_NEAR(m.values[k], c.mean[k], 1e-5) << k;
      EXPECT_NEAR(m.lags[k], -6.0 + 0.5 * static_cast<double>(k), 1e-5) << k;
    }
    // The earliest record keeps its own temperature.
    EXPECT_EQ(ScanDataSet.DlsRecords[1].DlsTemperature, 20.0f);
  }
}

// Measurements on different lag axes are averaged on the common grid: each
// field correlation interpolated linearly in log lag, squared, averaged.
TEST_F(DlsLoadingTest, MeanOfMeasurementsOnDifferentLagAxes) {
  ScanReaderOptions.IntensityData = true;  // left from earlier intensity scans
  ScanDataSet.RadialResolution = 0.05f;
  std::vector<double> lagsA, lagsB;
  std::vector<float> valuesA, valuesB;
  for (int k = 0; k < 40; ++k) {
    lagsA.push_back(-6.0 + 0.1 * k);
    lagsB.push_back(-5.97 + 0.1 * k);
    valuesA.push_back(static_cast<float>(0.8 * std::exp(-std::pow(10.0, lagsA.back()) / 1e-4)));
    valuesB.push_back(static_cast<float>(0.6 * std::exp(-std::pow(10.0, lagsB.back()) / 2e-4)));
  }
  WriteDls("a.dlsdat", 100, 20.0f, valuesA, 0.01002f, lagsA);
  WriteDls("b.dlsdat", 200, 20.0f, valuesB, 0.01002f, lagsB);
  ASSERT_TRUE(LoadDlsData(nullptr, InScratch({"a.dlsdat", "b.dlsdat"})));
  ASSERT_TRUE(CommonRadialGrid.GridResampled);
  const std::string path = scratch.File("mean.dlsdat");
  ASSERT_TRUE(SaveMeanDlsData(path));
  const SavedMean m = ReadMeanFile(path);

  // g(1) of a file at log lag x, by linear interpolation between its points.
  const auto fieldAt = [](const std::vector<double>& lags, const std::vector<float>& g2, double x) {
    std::size_t k = 1;
    while (k + 1 < lags.size() && lags[k] < x) ++k;
    const double w = (x - lags[k - 1]) / (lags[k] - lags[k - 1]);
    const double g1a = std::sqrt(g2[k - 1]), g1b = std::sqrt(g2[k]);
    return g1a + w * (g1b - g1a);
  };
  int checked = 0;
  for (std::size_t j = 0; j < m.lags.size(); ++j) {
    const double x = m.lags[j];
    if (x < -5.9 || x > -2.2) continue;  // both files cover the point
    const double a = fieldAt(lagsA, valuesA, x), b = fieldAt(lagsB, valuesB, x);
    EXPECT_NEAR(m.values[j], (a * a + b * b) / 2.0, 2e-4) << x;
    ++checked;
  }
  EXPECT_GT(checked, 50);
}

TEST_F(DlsLoadingTest, NoMeanWithoutLoadedLightScatteringData) {
  LoadTestScans({{6.0, 7.0, 0.01, 0.0, nullptr, 0.1f}});
  SetupCommonRadialGrid();
  const std::string path = scratch.File("mean.dlsdat");
  EXPECT_FALSE(SaveMeanDlsData(path));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
