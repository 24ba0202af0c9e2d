#pragma once
// A main window wired as the program start wires it, with every model item
// in its menu, and the records the model commands read and write set to
// their start values before and after each test: sedimentation velocity
// data assumed (no DLS, equilibrium or electrophoresis data), nothing
// loaded, maximum-entropy regularisation.

#include <algorithm>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelSwitching.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/PhysicalConstants.h"
#include "platform/Menu.h"
#include "support/TestSupport.h"

inline void ResetModelCommandRecords() {
  FreeDataSet();
  ModelSelection = ModelSelectionRecord{};
  ModelSwitchState = ModelSwitchStateRecord{};
  ModelPresets = ModelPresetsRecord{};
  ModelCommandState = ModelCommandStateRecord{};
  ModelParameters = ModelParametersRecord{};
  DistributionSettings = DistributionSettingsRecord{};
  DistributionRunFlags = DistributionRunFlagsRecord{};
  LammSolverSettings = LammSolverSettingsRecord{};
  FitControl = FitControlRecord{};
  SolventConditions = SolventConditionsRecord{};
  SpeciesEngineParameters = SpeciesEngineParametersRecord{};
  CorrectionOptions = CorrectionOptionsRecord{};
  PhysicalConstants = PhysicalConstantsRecord{};
  ScanReaderOptions = ScanReaderOptionsRecord{};
  LoadOptions = LoadOptionsRecord{};
  ParameterVector.fill(0.0f);
  ParameterFitted.fill(0);
  DlsDataMode = false;
  BatchMode = false;
  ScanDataSet.EquilibriumDataMode = false;
  ScanDataSet.TimesFromW2t = false;
  ScanDataSet.UsingSpeedSteps = false;
  ScanDataSet.RadialResolution = 0.003f;
}

class ModelCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
    ResetModelCommandRecords();
    std::vector<platform::MenuItem> items;
    for (int id : AllModelCommandIds)
      items.push_back(platform::MenuItem::Command(id, "model " + std::to_string(id)));
    for (int id : {294, 295, 1118, 642, 217})
      items.push_back(platform::MenuItem::Command(id, "option " + std::to_string(id)));
    window.Menu().SetBar({platform::MenuItem::Popup("M&odel", std::move(items))});
    window.CheckMenuItem(198, true);
    window.CheckMenuItem(295, true);
    window.CheckMenuItem(217, true);
  }
  void TearDown() override {
    ResetModelCommandRecords();
    // Links a test pointed at its own counters go before the counters do.
    ResetModelCommandLinks();
    HeadlessTest::TearDown();
  }

  // The model items that carry a check mark, in ascending order.
  std::vector<int> CheckedModelItems() {
    std::vector<int> ids;
    for (int id : AllModelCommandIds)
      if (window.Menu().IsChecked(id)) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  // One loaded scan at the given temperature (deg C).
  static void LoadOneScan(float celsius) {
    AllocScanSlots(1);
    ScanDataSet.NFILES = 1;
    ScanDataSet.ScanHeaders[1].Temperature = celsius;
  }

  void SelectSecondDerivative() {
    SelectRegularizationChecked(window, RegularizationChoice::SecondDerivative);
  }

  int BoxesWith(const std::string& text) const {
    return static_cast<int>(LogLinesWith(text).size());
  }

  TXLAWindow window{"models"};
};
