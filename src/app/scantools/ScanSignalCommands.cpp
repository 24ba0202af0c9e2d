// The corrections of the scans' signals, and the registration of every
// scan-correction command.

#include <algorithm>
#include <string>
#include <vector>

#include "app/commands/CommandTable.h"
#include "app/options/ProgramOptions.h"
#include "state/LoadOptions.h"
#include "app/scantools/ScanCorrectionCommands.h"
#include "app/scantools/ScanToolSupport.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/DerivedDataSets.h"
#include "data/RawDataEdits.h"
#include "data/ScanCorrections.h"
#include "data/ScanDataSet.h"
#include "engines/BufferSedimentation.h"
#include "models/GlobalLammState.h"
#include "models/TempParameterFile.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

void CmInvertRawData(TXLAWindow& window) {
  InvertRawData(-1.0f);
  PlayOkSound();
  RenderAndRepaint(window);
  OfferToSaveScans(window);
}

void CmEliminateJitter(TXLAWindow& window) {
  if (!Ask(window, "is the displayed data range the air-to-air region chosen for alignment?",
           "eliminate jitter"))
    return;
  const auto& s = DisplayRangeStack;
  EliminateJitter(s.MinRadius[s.Level], s.MaxRadius[s.Level]);
  PlayOkSound();
  Repaint(window);
}

void CmSubtractBlankScan(TXLAWindow& window) {
  std::string path = "blank";
  if (ChooseSaveFileName(window, path, 999, "select blank scan to be subtracted") &&
      FileExists(path)) {
    SubtractBlankScan(path);
  }
  RenderAndRepaint(window);
  OfferToSaveScans(window, "save data?");
}

void CmSubtractConstant(TXLAWindow& window) {
  float constant = 0.0f;
  if (!AskNumber(window, constant, "subtract constant (e.g. known baseline)", "SUBTRACT CONSTANT"))
    return;
  auto& d = ScanDataSet;
  const GridNoiseRecords noise = KeepGridNoise();
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) d.ScanSignal[i][k] -= constant;
  d.DataChanged = true;
  SetupCommonRadialGrid();
  TiNoiseFromResiduals(noise);
  RenderAndRepaint(window);
  OfferToSaveScans(window, "save data?");
}

void CmAddOrSubtractSimulatedData(TXLAWindow& window) {
  const char* caption = "ADD OR SUBTRACT SCANS";
  if (Ask(window, "add simulated data to existing data?", caption))
    AddSimulatedData(1.0f);
  else if (Ask(window, "subtract simulated data from existing data?", caption))
    AddSimulatedData(-1.0f);
  else
    return;
  RenderAndRepaint(window);
  OfferToSaveScans(window, "save data?");
}

void CmAddNoiseOrMultiply(TXLAWindow& window) {
  float scale = 1.0f, noise = 0.005f;
  if (!AskNumber(window, scale, "scale factor for scan signals", "SCALE SIGNAL") ||
      !AskNumber(window, noise, "enter magnitude of noise", "ADD NOISE TO DATA"))
    return;
  AddNoiseOrScale(noise, scale);
  RenderAndRepaint(window);
  OfferToSaveScans(window, "save data?");
}

void CmFindFringeJumpsFromDiscontinuity(TXLAWindow& window) {
  const char* caption = "REMOVE INTEGRAL FRINGE JUMP WITHIN SCAN";
  if (!ScansLoaded()) return;
  float threshold = 0.8f;
  if (!AskNumber(window, threshold, "enter threshold value", caption)) return;
  if (threshold < 0.5f) {
    Tell(window, "threshold cannot be smaller than 0.5", caption);
    threshold = 0.5f;
  }
  const bool fromResiduals = Ask(window, "judge from residuals?", caption);
  RemoveFringeJumps(threshold, fromResiduals);
  RenderAndRepaint(window);
  OfferToSaveScans(window, "save data?");
}

// The estimate is subtracted from the data and from the model alike: the
// model of the fit holds the buffer signal, so the residuals stay as they
// were, as with the systematic noise.
void CmSubtractBufferMismatchEstimate(TXLAWindow& window) {
  auto& b = CorrectionOptions.BufferMismatch;
  auto& d = ScanDataSet;
  if (d.NFILES < 1 || !b.On) return;
  if (ProgramOptions.WizardMessagesOn && !LoadOptions.RealtimeModeActive)
    Tell(window,
         "This operation subtracts the current estimate of the buffer mismatch from the raw "
         "data.\nThis is for presentation purpose and inspection after finalizing the "
         "analysis.\nIf the data are subject to further analysis a bias may be introduced from "
         "the current estimate of the buffer mismatch",
         "ATTENTION");
  const GridNoiseRecords noise = KeepGridNoise();
  // The buffer signal alone, simulated into the emptied models.
  ScanArrays models = d.ScanModel;
  for (int i = 1; i <= d.NFILES; ++i)
    std::fill(d.ScanModel[i].data() + 1, d.ScanModel[i].data() + 1 + d.ScanModel[i].size(), 0.0f);
  auto& run = GlobalLammRun;
  const bool basis = run.BasisMode;
  const int first = run.FirstSimulatedScan;
  run.BasisMode = false;
  run.FirstSimulatedScan = 1;
  b.EstimateSubtracted = true;
  SimulateBufferSedimentation(window.Handle());
  b.EstimateSubtracted = false;
  run.BasisMode = basis;
  run.FirstSimulatedScan = first;
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= std::min(d.ScanPointCount[i], d.ScanModel[i].size()); ++k) {
      const float buffer = d.ScanModel[i][k];
      d.ScanSignal[i][k] -= buffer;
      models[i][k] -= buffer;
    }
  d.ScanModel = std::move(models);
  d.DataChanged = true;
  if (TempParameterFileLinks.BufferSedOff)
    TempParameterFileLinks.BufferSedOff(window.Handle());
  else
    b.On = false;
  SetupCommonRadialGrid();
  TiNoiseFromResiduals(noise);
  CmDataRange(window);
}

void RegisterScanCorrectionCommands(CommandTable& table) {
  table.Add(927, &CmShiftScansUndoRotorStretch, false, "CmShiftScansUndoRotorStretch");
  table.Add(947, &CmCreateSpeedstepsFile, false, "CmCreateSpeedstepsFile");
  table.Add(549, &CmCorrectIFRadialCalibration, false, "CmCorrectIFRadialCalibration");
  table.Add(550, &CmAddConstantTimeAndW2t, false, "CmAddConstantTimeAndW2t");
  table.Add(535, &CmInvertRawData, false, "CmInvertRawData");
  table.Add(579, &CmSortEqDataToDisk, false, "CmSortEqDataToDisk");
  table.Add(581, &CmExcludeRegion, false, "CmExcludeRegion");
  table.Add(264, &CmEliminateJitter, true, "CmEliminateJitter");
  table.Add(265, &CmSetNColumns, true, "CmSetNColumns");
  table.Add(283, &CmSubtractBlankScan, true, "CmSubtractBlankScan");
  table.Add(917, [](TXLAWindow& window) { AverageScans(window.Handle()); }, false, "AverageScans");
  table.Add(634, &CmSubtractConstant, false, "CmSubtractConstant");
  table.Add(459, &CmAddOrSubtractSimulatedData, false, "CmAddOrSubtractSimulatedData");
  table.Add(886, &CmMirrorImageOfRawData, false, "CmMirrorImageOfRawData");
  table.Add(551, &CmAddNoiseOrMultiply, false, "CmAddNoiseOrMultiply");
  table.Add(287, &CmFindFringeJumpsFromDiscontinuity, true, "CmFindFringeJumpsFromDiscontinuity");
  table.Add(576, &CmSubtractBufferMismatchEstimate, false, "CmSubtractBufferMismatchEstimate");
}
