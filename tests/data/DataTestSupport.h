#pragma once
// Helpers of the data tests: every test starts and ends with the program-wide
// records of the data set at their defaults and the data set's hooks doing
// nothing (a hook left pointing at a finished test's state must never be
// called), and writes its scan files into a scratch folder.

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "state/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/ComponentGridSignals.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetServices.h"
#include "data/DataSetLinks.h"
#include "data/InitialDistribution.h"
#include "data/LoadSteps.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"
#include "data/ResidualBitmap.h"
#include "state/ContiNonidSimLink.h"
#include "state/ModelParameters.h"
#include "support/NoWindowHooks.h"
#include "support/TestSupport.h"

// The data operations' links to the window and the models above them, which
// these tests leave out: no cursor, no plots, no model computed and no
// distribution file to make data from.
inline DataOperationLinksRecord NoWindowDataOperations() {
  DataOperationLinksRecord r;
  r.ShowWaitCursor = [](bool) {};
  r.PushDisplayRange = [](const DisplayRange&) {};
  r.SetDataPlotRanges = [](const DisplayRange&) {};
  r.ShowToolPlot = [](const ToolCurvePlot&) {};
  r.SimulateModel = [](platform::WindowHandle) {};
  r.LoadDistributionFile = [](const std::string&) { return false; };
  r.RunContinuousModel = [](platform::WindowHandle) {};
  return r;
}

inline void ResetDataRecords() {
  // The layers above the data, which the program start links in, are not
  // part of these tests: their links do nothing here, and are in place
  // before the data set is freed (which calls some of them).
  testsupport::InstallNoWindowHooks();
  DataOperationLinks = NoWindowDataOperations();
  DestroyMainPlots = [] {};
  ReapplyNonlinearDetection = [](bool) {};
  FreeNonlinearDetectionArrays = [] {};
  ExtrapolateInitialDataLeft = [] {};
  ExtrapolateInitialDataRight = [] {};
  // No scan rms file to name and no residual plot to take a range from.
  WriteScanRmsDefault = [] {};
  ResidualPlotYRange = [] { return std::pair<float, float>{0.0f, 0.0f}; };
  FreeDataSet();
  ScanDataSet = ScanDataSetRecord{};
  CommonRadialGrid = CommonRadialGridRecord{};
  ComponentGridSignals = ComponentGridSignalsRecord{};
  ScanReaderOptions = ScanReaderOptionsRecord{};
  ModelParameters = ModelParametersRecord{};
  InitialDistribution = InitialDistributionRecord{};
  DlsDataMode = false;
  SminWarningAccepted = false;
  RedrawSuppressed = false;
}

class DataTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ResetDataRecords();
  }
  void TearDown() override {
    ResetDataRecords();
    HeadlessTest::TearDown();
  }
  ScratchFolder scratch;
};

// The text of a scan file: description, header line, data lines, each ended
// by a line feed.
inline std::string ScanText(const std::string& description, const std::string& header,
                            const std::vector<std::string>& lines) {
  std::string text = description + "\n" + header + "\n";
  for (const auto& l : lines) text += l + "\n";
  return text;
}

// Data lines "r s t" for the given signals at radii start, start + step, ...
inline std::vector<std::string> DataLines(const std::vector<double>& signals, double start = 6.0,
                                          double step = 0.001, double third = 0.01) {
  std::vector<std::string> lines;
  char line[100];
  for (std::size_t k = 0; k < signals.size(); ++k) {
    std::snprintf(line, sizeof line, "%.4f %.5f %.5f", start + step * static_cast<double>(k),
                  signals[k], third);
    lines.push_back(line);
  }
  return lines;
}

// One scan read with every output given.
struct ReadScan {
  int result = 0;
  ScanHeader header;
  int count = -1;
  ScanArray radius, signal, third;
  bool stamp = false;
};

inline ReadScan ReadScanAt(const std::string& path, float averagingDistance = 0.0f,
                           bool wantThird = true) {
  ReadScan s;
  s.result = ReadScanFile(path, &s.header, &s.count, &s.radius, &s.signal,
                          wantThird ? &s.third : nullptr, &s.stamp, averagingDistance);
  return s;
}

// A scan of the in-memory test data sets: radii first, first + step, ... up
// to last, and a signal given as a function of the radius.
struct TestScan {
  double first = 6.0;
  double last = 7.0;
  double step = 0.002;
  double time = 0.0;
  float (*signal)(float r) = nullptr;
  float constant = 0.0f;  // the signal when no function is given
};

// Fills the data set as a load does: slots, arrays, headers, time order and
// plot views (the common grid is left to the test).
inline void LoadTestScans(const std::vector<TestScan>& scans) {
  auto& d = ScanDataSet;
  const int count = static_cast<int>(scans.size());
  AllocScanSlots(count);
  d.NFILES = count;
  for (int i = 1; i <= count; ++i) {
    const TestScan& t = scans[static_cast<std::size_t>(i - 1)];
    const int n = static_cast<int>(std::lround((t.last - t.first) / t.step)) + 1;
    d.ScanPointCount[i] = n;
    d.ScanFilePaths[i] = "scan" + std::to_string(i) + ".RA1";
    d.ScanRadius[i].Resize(1, n);
    d.ScanSignal[i].Resize(1, n);
    d.ScanModel[i].Resize(1, n);
    d.ScanNoise[i].Resize(1, n);
    d.ScanResiduals[i].Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      const float r = static_cast<float>(t.first + t.step * (k - 1));
      d.ScanRadius[i][k] = r;
      d.ScanSignal[i][k] = t.signal ? t.signal(r) : t.constant;
      d.ScanResiduals[i][k] = d.ScanSignal[i][k];
    }
    d.ScanHeaders[i].Time = t.time;
    d.ScanHeaders[i].PointCount = n;
    d.ScanTimeOrder[i] = i;
  }
  SortScansByTime();
  for (int i = 1; i <= count; ++i) BuildScanPlotVectors(i);
}

// Scans of 101 points over 6.0 .. 7.0 cm at the given times, signal 0.5,
// whose model lies residuals[i - 1] below the signal of scan i; each fitted
// from point first to point last (0: its last point).
inline void LoadScansWithResiduals(const std::vector<double>& times,
                                   const std::vector<float>& residuals, int first, int last) {
  std::vector<TestScan> scans;
  for (double t : times) scans.push_back({6.0, 7.0, 0.01, t, nullptr, 0.5f});
  LoadTestScans(scans);
  auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    for (int k = 1; k <= d.ScanPointCount[i]; ++k)
      d.ScanModel[i][k] = d.ScanSignal[i][k] - residuals[static_cast<std::size_t>(i - 1)];
    d.ScanFirstFitIndex[i] = first;
    d.ScanLastFitIndex[i] = last > 0 ? last : d.ScanPointCount[i];
  }
}
