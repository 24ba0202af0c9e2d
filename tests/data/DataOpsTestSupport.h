#pragma once
// Helpers of the tests of the operations on loaded data: the records those
// operations read and write back at their defaults, the display and model
// links counting their calls, and in-memory scans with named files and full
// headers.

#include <cstdio>
#include <string>
#include <vector>

#include "DataTestSupport.h"
#include "state/LoadOptions.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetServices.h"
#include "data/FitDataFiles.h"
#include "data/ScanOutputSupport.h"
#include "data/SystematicNoiseEdits.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/DlsFlags.h"

struct LinkCalls {
  int PushedRanges = 0, PlotRanges = 0, RenderData = 0, Residuals = 0, ToolPlots = 0;
  int Simulations = 0, ContinuousRuns = 0;
  DisplayRange LastRange;
  ToolCurvePlot LastPlot;
};

inline void ResetDataOpsRecords() {
  OverwriteWithoutAsking = false;
  WorstScanIndex = 0;
  ScanRmsFileOn = true;
  LoadOptions = LoadOptionsRecord{};
  FitControl = FitControlRecord{};
  LammSolverSettings = LammSolverSettingsRecord{};
  SolventConditions = SolventConditionsRecord{};
  DataFileLocation = DataFileLocationRecord{};
  TINoiseUndo = TINoiseUndoRecord{};
  DlsFieldAcf = false;
  DrawingAllowed = false;
  testsupport::InstallNoWindowHooks();
  DataOperationLinks = NoWindowDataOperations();
}

class DataOpsTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    ResetDataOpsRecords();
    auto& l = DataOperationLinks;
    l.PushDisplayRange = [this](const DisplayRange& r) {
      ++calls.PushedRanges;
      calls.LastRange = r;
    };
    l.SetDataPlotRanges = [this](const DisplayRange&) { ++calls.PlotRanges; };
    l.ShowToolPlot = [this](const ToolCurvePlot& p) {
      ++calls.ToolPlots;
      calls.LastPlot = p;
    };
    l.SimulateModel = [this](platform::WindowHandle) { ++calls.Simulations; };
    l.RunContinuousModel = [this](platform::WindowHandle) { ++calls.ContinuousRuns; };
    RenderDataPlot = [this](bool) { ++calls.RenderData; };
    RenderResidualPlot = [this] { ++calls.Residuals; };
  }
  void TearDown() override {
    ResetDataOpsRecords();
    DataTest::TearDown();
  }
  LinkCalls calls;
};

// A scan of the in-memory data sets with its file name and header values.
struct NamedScan {
  std::string name = "00001.RA1";
  double time = 1000.0;
  float rpm = 50000.0f;
  float wavelength = 280.0f;
  int cell = 1;
  char type = 'R';
  double first = 6.0, last = 6.1, step = 0.01;
  float (*signal)(float r) = nullptr;
  float offset = 0.0f;       // added to the signal
  bool secondColumn = false;  // a reference column (intensity data)
};

inline float DefaultSignal(float r) {
  return 0.5f + 0.3f * (r - 6.0f);
}

// Loads the scans as a load would: names, headers, arrays (model = signal
// scaled by 0.9, residuals = signal - model), time order, plot views.
inline void LoadNamedScans(const std::vector<NamedScan>& scans) {
  std::vector<TestScan> plain;
  for (const auto& s : scans) {
    TestScan t;
    t.first = s.first;
    t.last = s.last;
    t.step = s.step;
    t.time = s.time;
    t.signal = s.signal ? s.signal : DefaultSignal;
    plain.push_back(t);
  }
  LoadTestScans(plain);
  auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    const NamedScan& s = scans[static_cast<std::size_t>(i - 1)];
    d.ScanFilePaths[i] = s.name;
    ScanHeader& h = d.ScanHeaders[i];
    h.Description = "scan " + s.name;
    h.DataType = s.type;
    h.Cell = s.cell;
    h.Temperature = 20.0f;
    h.Rpm = s.rpm;
    h.RecordedTime = s.time;
    h.Omega2t = 2.74e7 * s.time;
    h.Wavelength = s.wavelength;
    h.ColumnCode = s.secondColumn ? 2 : 0;
    const int n = d.ScanPointCount[i];
    if (s.secondColumn) d.ScanSecondColumn[i].Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      d.ScanSignal[i][k] += s.offset;
      d.ScanModel[i][k] = 0.9f * d.ScanSignal[i][k];
      d.ScanResiduals[i][k] = d.ScanSignal[i][k] - d.ScanModel[i][k];
      if (s.secondColumn) d.ScanSecondColumn[i][k] = 2.0f * d.ScanSignal[i][k];
    }
    d.ScanFirstFitIndex[i] = 1;
    d.ScanLastFitIndex[i] = n;
  }
}

// Every line of a text file.
inline std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = ReadWholeFile(path), line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}
