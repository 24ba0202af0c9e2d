#pragma once
// Helpers of the model tests: every test starts and ends with the records of
// the models, the global Lamm arrays and the data set at their defaults.

#include <random>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataTestSupport.h"
#include "state/SolventConditions.h"
#include "models/FitDriver.h"
#include "models/FitResultDisplay.h"
#include "models/GlobalLammState.h"
#include "models/ParametersCommand.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"

// The fits' links to the window, which these tests leave out: no status
// lines, final fit or evaluation counters are drawn.
inline FitDisplayLinksRecord NoWindowFitDisplay() {
  FitDisplayLinksRecord r;
  r.FitResultText = [](platform::WindowHandle) {};
  r.DrawFinalFit = [](platform::WindowHandle) {};
  r.ShowEvaluationProgress = [](platform::WindowHandle, const std::string&, const std::string&) {};
  return r;
}

// The Parameters command's links to the window: no approach-to-equilibrium
// screen is up, nobody is asked for limits, no plot is rebuilt, no mean-field
// files or skew table are loaded, and a scaling-law calibration is declined.
inline ParametersCommandLinksRecord NoWindowParametersCommand() {
  ParametersCommandLinksRecord r;
  r.EqTestActive = [] { return false; };
  r.ResetEqTest = [] {};
  r.EditMeniscusBottomLimits = [](platform::WindowHandle, bool) {};
  r.RebuildTwoDimensionalPlot = [] {};
  r.LoadCtotDataFiles = [](platform::WindowHandle) {};
  r.WienerSkewingParameters = [](platform::WindowHandle) {};
  r.CalibrateCMPowerLaw = [](platform::WindowHandle) { return false; };
  return r;
}

// The temporary parameter file's links at their defaults (the model commands
// set the model kind), the rest standing in for the shell without a window:
// no menu to mark, no cursor, no mean-field field to save or load beside the
// file, no buffer-mismatch tools, no saved-fit command, not quiet and no
// serial fit running.
inline void InstallNoWindowTempParameterFileLinks() {
  ResetTempParameterFileLinks();
  TempParameterFileLinksRecord& l = TempParameterFileLinks;
  l.ClearFlotationGridReset = [] {};
  l.SaveCtotBesideParameters = [](const std::string&) {};
  l.LoadCtotBesideParameters = [](platform::WindowHandle, const std::string&) {};
  l.FixBufferSedimentationParams = [] {};
  l.BufferSedOff = [](platform::WindowHandle) {};
  l.DrawMeniscusCursor = [](platform::WindowHandle, float) {};
  l.CheckMenuItem = [](platform::WindowHandle, int, bool) {};
  l.ReloadSavedFitParameters = [](platform::WindowHandle) {};
  l.QuietMode = [] { return false; };
  l.SerialFitRunning = [] { return false; };
}

inline void ResetModelRecords() {
  FreeSimulationArrays();
  FreeCosoluteArrays();
  GlobalLammArrays = GlobalLammArraysRecord{};
  GlobalLammRun = GlobalLammRunStateRecord{};
  MovingGridState = MovingGridStateRecord{};
  SpeciesSignals = SpeciesSignalsRecord{};
  TruncationOffForSpecies = false;
  LammSolverSettings = LammSolverSettingsRecord{};
  ModelParameters = ModelParametersRecord{};
  ModelSelection = ModelSelectionRecord{};
  FitControl = FitControlRecord{};
  SolventConditions = SolventConditionsRecord{};
  ComputationAbort = false;
  OpenLammNumericsDialog = [](platform::WindowHandle) {};
  StoreLammColumnForKernel = [](int, const double*, const double*, int) {};
  InstallNoWindowTempParameterFileLinks();
  FitDisplayLinks = NoWindowFitDisplay();
  ParametersCommandLinks = NoWindowParametersCommand();
  // No window: nothing refreshes the plots on a timer.
  ::TimedPlotRefresh = [] {};
}

// Velocity scans from 6.0 to 7.0 cm at radialStep, taken every timeStep
// seconds at rpm and 20 degrees C, with their w2t (no ramp to speak of), and
// R T of that temperature. The caller sets the fit limits and then the
// common radial grid.
inline void LoadVelocityTestScans(int count, double radialStep, double timeStep, float rpm) {
  std::vector<TestScan> scans;
  for (int j = 1; j <= count; ++j) scans.push_back({6.0, 7.0, radialStep, timeStep * j, nullptr, 0});
  LoadTestScans(scans);
  const double omega = rpm * 3.14159265358979323846 / 30.0;
  for (int j = 1; j <= count; ++j) {
    ScanHeader& h = ScanDataSet.ScanHeaders[j];
    h.Rpm = rpm;
    h.Temperature = 20.0f;
    h.RecordedTime = h.Time;
    h.Omega2t = static_cast<float>(omega * omega * h.Time);
    h.RampAcceleration = 1e6f;
  }
  SolventConditions.GasConstantRT = static_cast<float>(8.31451e7 * 293.15);
}

// Velocity test scans (as loaded above) in a cell of 5.9 to 7.2 cm fitted
// from 6.0 to 7.0 cm, on their common radial grid, for non-interacting
// species given by s and M whose best parameters are not saved: the cell of
// the real fits.
inline void SetUpVelocityFitCell(int count, double radialStep, double timeStep, float rpm) {
  LoadVelocityTestScans(count, radialStep, timeStep, rpm);
  SelectModelKind(ModelKind::NonInteractingSpecies);
  FitControl.MassInsteadOfD = true;
  FitControl.SaveBestParameters = false;
  ModelParameters.Meniscus = 5.9f;
  ModelParameters.Bottom = 7.2f;
  ScanDataSet.FitLeftLim = 6.0f;
  ScanDataSet.FitRightLim = 7.0f;
  SetupCommonRadialGrid();
}

// The simulated model becomes the data, with seeded Gaussian noise of
// width sigma.
inline void DataFromModelWithNoise(unsigned seed, float sigma) {
  std::mt19937 random(seed);
  std::normal_distribution<float> gauss(0.0f, sigma);
  for (int j = 1; j <= ScanDataSet.NFILES; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
      ScanDataSet.ScanSignal[j][k] = ScanDataSet.ScanModel[j][k] + gauss(random);
}

class ModelsTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    ResetModelRecords();
  }
  void TearDown() override {
    ResetModelRecords();
    DataTest::TearDown();
  }
};
