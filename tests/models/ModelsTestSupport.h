#pragma once
// Helpers of the model tests: every test starts and ends with the records of
// the models, the global Lamm arrays and the data set at their defaults.

#include <random>
#include <vector>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataTestSupport.h"
#include "state/SolventConditions.h"
#include "models/GlobalLammState.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"

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
  // No menu in these tests.
  TempParameterFileLinks.CheckMenuItem = [](platform::WindowHandle, int, bool) {};
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
