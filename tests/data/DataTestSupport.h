#pragma once
// Helpers of the data tests: every test starts and ends with the program-wide
// records of the data set at their defaults, and writes its scan files into
// a scratch folder.

#include <string>
#include <vector>

#include "app/records/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/ComponentGridSignals.h"
#include "data/DataSetLinks.h"
#include "data/InitialDistribution.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"
#include "distributions/records/ContiNonidSimLink.h"
#include "models/records/ModelParameters.h"
#include "support/TestSupport.h"

inline void ResetDataRecords() {
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
  DestroyMainPlots = [] {};
  DestroyContiNonidSim = [] {};
  ReapplyNonlinearDetection = [](bool) {};
  FreeNonlinearDetectionArrays = [] {};
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
