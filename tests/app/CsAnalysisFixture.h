#pragma once
// The main window over a c(s) analysis from its defaults, whatever earlier
// tests left, with the analysis hooks installed: for tests that run whole
// commands (load, generate, Run, serial fits) on scan files in a scratch
// folder.

#include <sstream>
#include <string>

#include "app/PlotInteractionFixture.h"
#include "app/serial/SerialFitStep.h"
#include "data/ScanReaderOptions.h"
#include "state/PriorSettings.h"
#include "models/ParameterPacking.h"
#include "models/SimulationArrays.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "ui/Boxes.h"

class CsAnalysisTest : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    DistributionSettings = DistributionSettingsRecord{};
    PriorSettings = PriorSettingsRecord{};
    PriorProfileSource = PriorProfileSourceRecord{};
    LammSolverSettings = LammSolverSettingsRecord{};
    // The arrays were made for the settings just replaced.
    FreeSimulationArrays();
    FitControl = FitControlRecord{};
    ModelParameters = ModelParametersRecord{};
    CorrectionOptions = CorrectionOptionsRecord{};
    ScanReaderOptions = ScanReaderOptionsRecord{};
    ComputationAbort = false;
    KeyInterruptPending = false;
    RedrawSuppressed = false;
    ProgramOptions.WizardMessagesOn = false;
  }
  void TearDown() override {
    SerialFitSeries = SerialFitSeriesRecord{};
    LammSolverSettings = LammSolverSettingsRecord{};
    FitControl = FitControlRecord{};
    ModelParameters = ModelParametersRecord{};
    CorrectionOptions = CorrectionOptionsRecord{};
    ScanReaderOptions = ScanReaderOptionsRecord{};
    PlotInteraction::TearDown();
  }

  // The c(s) model over 1 .. 12 S with 60 points, vbar 0.73, density 1,
  // water's viscosity, f/f0 1.2, the given meniscus and bottom 7.2.
  static void ChooseCs(float meniscus = 5.8f) {
    ModelSelection.Kind = ModelKind::ContinuousCS;
    PackParameterVector();
    ParameterVector[1] = 1.0f;
    ParameterVector[2] = 0.68f;
    ParameterVector[3] = 0.73f;
    ParameterVector[5] = 12.0f;
    ParameterVector[7] = 1.0f;
    ParameterVector[9] = 60.0f;
    ParameterVector[11] = 1.2f;
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = meniscus;
    ParameterVector[14] = 7.2f;
    UnpackParameterVector();
  }
  // The s at the maximum of a "distribution" file.
  static double PeakOf(const std::string& path) {
    std::istringstream in(ReadWholeFile(path));
    double s = 0, c = 0, bestS = 0, bestC = -1;
    while (in >> s >> c)
      if (c > bestC) bestC = c, bestS = s;
    return bestS;
  }

  ScratchFolder scratch;
};
