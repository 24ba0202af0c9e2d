#include "app/scantools/DataToolCommands.h"

#include <cmath>

#include "app/scantools/ScanToolSupport.h"
#include "app/window/TXLAWindow.h"
#include "data/ListFiles.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "models/MatrixBoxes.h"
#include "models/TempParameterFile.h"
#include "data/ScanReaderOptions.h"
#include "tools/FluorescenceSort.h"
#include "tools/TimeStampAnalysis.h"
#include "ui/Sounds.h"
#include "ui/Boxes.h"

void CmRestoreTimeAndW2t(TXLAWindow& window) {
  auto& d = ScanDataSet;
  const char* caption = "FIX TIME AND W2T";
  if (d.NFILES < 2) return;
  if (d.UsingSpeedSteps) {
    ErrorBox("sorry - this function is not for variable rotor speeed data");
    return;
  }
  BuildFileNameList(0);
  int a = 1;
  for (;;) {
    const ScanHeader& h = d.ScanHeaders[d.ScanTimeOrder[a]];
    if (Ask(window,
            FormatText("using #%d (%s) as reference for t (%f), w^2t", a,
                       FileNameList.Paths[a].c_str(), h.RecordedTime),
            caption))
      break;
    float entry = static_cast<float>(a);
    AskNumber(window, entry, "pick file #", caption);
    a = std::min(static_cast<int>(std::floor(std::fabs(entry))), d.NFILES);
    if (a == 0) return;
  }
  if (!RestoreTimesFromFiles(a)) return;
  OfferToSaveScans(window);
}

void CmWienerSkewingCorrection(TXLAWindow& window) {
  CorrectionOptions.WienerSkewing.On =
      Ask(window, "simulate Wiener skewing from refractive index gradient (select models only)?",
          "Wiener Skewing");
}

bool WienerSkewingParameters(TXLAWindow& window) {
  auto& w = CorrectionOptions.WienerSkewing;
  MatrixTable<float> values(2, 1);
  values(1, 1) = w.Magnitude * 1e6f;
  values(2, 1) = w.SignalPerConcentration;
  MatrixTable<int> fit(2, 1, 0);
  fit(1, 1) = w.MagnitudeFitted;
  MatrixTable<int> fitBoxes(2, 1, 0);
  fitBoxes(1, 1) = 1;
  MatrixTable<std::string> labels(2, 1);
  labels(1, 1) = "mag (dr/(dw/dr)) (1e-6cm^2ml/mg):";
  labels(2, 1) = "signal per mg/ml:";
  const bool ok = RunGetMatrixFitBox(window.Handle(), 2, 1, values, nullptr, &fit, &fitBoxes,
                                     labels, "Wiener skewing parameters:");
  const float magnitude = values(1, 1), signal = values(2, 1);
  if (ok && !(magnitude < 0.0f && signal > 0.0f)) {
    if (magnitude > 0.0f) {
      w.Magnitude = magnitude * 1e-6f;
      w.SignalPerConcentration = signal;
      w.MagnitudeFitted = fit(1, 1);
    } else {
      w.On = false;
    }
    return true;
  }
  if (Ask(window, "sorry: Wiener skewing parameter error - try again?", "Error")) {
    WienerSkewingParameters(window);
    return false;
  }
  w.On = false;
  return false;
}

void CmSortFluorescenceData(TXLAWindow& window) {
  const char* caption = "SORT FLUORESCENCE AUC DATA";
  if (!ScanReaderOptions.FluorescenceData || ScanDataSet.NFILES < 1) {
    Tell(window, "please load data", "Sort Fluorescence AUC data");
    return;
  }
  if (!Ask(window, "sort all data in this folder?", caption)) {
    CopyLoadedFluorescenceFiles(window.Handle());
    PlayOkSound();
    return;
  }
  FluorescenceSortRequest r;
  if (Ask(window, "make list files?", caption)) {
    r.makeLists = true;
    AskNumber(window, r.tMin, "t min [sec]", caption);
    AskNumber(window, r.tMax, "t max [sec]", caption);
    float target = static_cast<float>(r.targetCount), cell = static_cast<float>(r.excludedCell);
    AskNumber(window, target, "target # of scans", caption);
    AskNumber(window, cell, "exclude fluorescence reference in cell#", caption);
    r.targetCount = static_cast<int>(std::floor(target));
    r.excludedCell = static_cast<int>(std::floor(cell));
  }
  if (Ask(window, "exclude files with signal below thresold in [rmin rmax] interval?", caption)) {
    r.thresholdFilter = true;
    AskNumber(window, r.rMin, "r min [cm]", caption);
    AskNumber(window, r.rMax, "r max [cm]", caption);
    AskNumber(window, r.minimalSignal, "minimal signal", caption);
    AskNumber(window, r.maximalNoise, "maximal noise", caption);
  }
  CopySortedFluorescenceFiles(window.Handle(), r);
  PlayOkSound();
}
