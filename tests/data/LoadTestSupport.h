#pragma once
// Helpers of the list, load and speed-step tests: every test starts with the
// records a load touches at their defaults and the shell's hooks counting
// their calls, and writes runs of scan files into a scratch folder.

#include <cstdio>
#include <string>
#include <vector>

#include "DataTestSupport.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/DataSetServices.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "state/DistributionShown.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ParameterVector.h"
#include "state/RestorePreviousAnalysis.h"
#include "state/FitScanWindow.h"
#include "state/TimeStampCheck.h"

// How often the shell's and display's hooks were called during a test.
struct HookCalls {
  int RunModel = 0, InvokeRunModel = 0, Repaint = 0, Plots = 0, RenderData = 0;
  int ProgressShown = 0, ProgressRemoved = 0, NoiseShown = 0, NoiseHidden = 0;
  int TemperatureChecks = 0, TimeStampChecks = 0, Histogram = 0;
  std::string Caption;
};

// The records a load touches at their defaults, and every hook of the shell
// and the display back to doing nothing.
inline void ResetLoadRecords() {
  FreeFileNameList();
  LoadOptions = LoadOptionsRecord{};
  ModelSelection = ModelSelectionRecord{};
  FitControl = FitControlRecord{};
  ParameterVector.fill(0.0f);
  ParameterFitted.fill(0);
  DataFileLocation = DataFileLocationRecord{};
  SolventConditions = SolventConditionsRecord{};
  LammSolverSettings = LammSolverSettingsRecord{};
  FitScanWindow = FitScanWindowRecord{};
  DistributionShown = false;
  DrawingAllowed = false;
  BatchMode = false;
  ScanRmsFileOn = true;
  WriteScanRmsDefault = [] {};
  testsupport::InstallNoWindowHooks();
}

// Hooks that count their calls in calls, which must outlive them.
inline void InstallCountingHooks(HookCalls& calls) {
  calls = HookCalls{};
  RunModel = [&calls](platform::WindowHandle) { ++calls.RunModel; };
  InvokeRunModel = [&calls](platform::WindowHandle) { ++calls.InvokeRunModel; };
  RepaintMainWindow = [&calls](platform::WindowHandle) { ++calls.Repaint; };
  SetMainWindowCaption = [&calls](platform::WindowHandle, const std::string& text) {
    calls.Caption = text;
  };
  CheckTemperatureFluctuation = [&calls](platform::WindowHandle, float) {
    ++calls.TemperatureChecks;
    return true;
  };
  BuildMainDataPlots = [&calls] { ++calls.Plots; };
  RenderDataPlot = [&calls](bool) { ++calls.RenderData; };
  BuildResidualHistogram = [&calls] { ++calls.Histogram; };
  ShowNoiseButtons = [&calls](int) { ++calls.NoiseShown; };
  HideNoiseButtons = [&calls](int) { ++calls.NoiseHidden; };
  ShowLoadProgress = [&calls](platform::WindowHandle, float) { ++calls.ProgressShown; };
  RemoveLoadProgress = [&calls] { ++calls.ProgressRemoved; };
  TimeStampCheck = [&calls](platform::WindowHandle) {
    ++calls.TimeStampChecks;
    return false;
  };
}

class LoadTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    ResetLoadRecords();
    InstallCountingHooks(calls);
  }
  void TearDown() override {
    ResetLoadRecords();
    ScanDataSet.DataSpeedProfile.reset();
    DataTest::TearDown();
  }
  HookCalls calls;
};

// One scan file of a run.
struct RunScanFile {
  std::string name = "00001.RA1";
  double time = 1000.0;
  float rpm = 50000.0f;
  double omega2t = 0.0;  // 0: as if at full speed since t = 0
  float temperature = 20.0f;
  char type = 'R';
  double first = 5.9, last = 7.2, step = 0.01;
  std::string description = "test scan";
};

// (pi/30)^2: rpm^2 to omega^2.
inline double Omega2(double rpm) {
  const double w = rpm * 3.14159265358979323846 / 30.0;
  return w * w;
}

inline std::string ScanFileText(const RunScanFile& s) {
  char header[200];
  const double w2t = s.omega2t != 0.0 ? s.omega2t : Omega2(s.rpm) * s.time;
  std::snprintf(header, sizeof header, "%c 1 %.1f %.0f %.0f %.5E 280 2", s.type,
                static_cast<double>(s.temperature), static_cast<double>(s.rpm), s.time, w2t);
  std::vector<double> signals;
  const int n = static_cast<int>((s.last - s.first) / s.step + 0.5) + 1;
  for (int k = 0; k < n; ++k) signals.push_back(0.5 + 0.001 * k);
  return ScanText(s.description, header, DataLines(signals, s.first, s.step));
}

// Writes the scans into the folder; returns the dialog selection of them
// (the folder, then the names).
inline FileSelection WriteRun(const ScratchFolder& folder, const std::vector<RunScanFile>& scans) {
  FileSelection selection{folder.path().string()};
  for (const auto& s : scans) {
    folder.Write(s.name, ScanFileText(s));
    selection.push_back(s.name);
  }
  return selection;
}

// Scans named 00001.RA1, 00002.RA1, ... at the given times.
inline std::vector<RunScanFile> NumberedScans(const std::vector<double>& times,
                                              const std::string& extension = ".RA1") {
  std::vector<RunScanFile> scans;
  char name[40];
  for (std::size_t k = 0; k < times.size(); ++k) {
    std::snprintf(name, sizeof name, "%05zu%s", k + 1, extension.c_str());
    RunScanFile s;
    s.name = name;
    s.time = times[k];
    scans.push_back(s);
  }
  return scans;
}
