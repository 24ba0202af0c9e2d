#pragma once
// Helpers of the model tests: every test starts and ends with the records of
// the models, the global Lamm arrays and the data set at their defaults.

#include "app/records/ModelSelection.h"
#include "data/DataTestSupport.h"
#include "data/records/SolventConditions.h"
#include "models/GlobalLammState.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "models/records/ComputationAbort.h"
#include "models/records/FitControl.h"
#include "models/records/LammSolverSettings.h"
#include "models/records/ModelParameters.h"

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
