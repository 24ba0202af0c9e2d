#include "app/commands/NoiseCommands.h"

#include "app/commands/CommandTable.h"
#include "app/options/OptionBoxes.h"
#include "app/records/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

bool NoiseAvailable(const OneBasedArray<float>& noise, int size) {
  return ScanDataSet.NFILES > 0 && size > 0 && noise.size() >= size;
}

void PresentationNotice(TXLAWindow& window) {
  ShowOkBox(window,
            "The calculated systematic noise is removed from the raw data for presentation only.\n"
            "The fitted model and the residuals do not change.",
            "SUBTRACT NOISE");
}

// Adds sign x the time-invariant noise (on the common grid) to every scan's
// signal and model, and to the grid's own copies of the signals.
void ApplyTINoise(const OneBasedArray<float>& noise, float sign) {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int count = d.ScanPointCount[i];
    OneBasedArray<float> onScan(1, count);
    ResampleCurve(count, d.ScanRadius[i].data(), onScan.data(), g.CommonGridSize, g.CommonGrid,
                  noise.data());
    for (int k = 1; k <= count; ++k) {
      d.ScanSignal[i][k] += sign * onScan[k];
      if (d.ScanModel[i].size() >= k) d.ScanModel[i][k] += sign * onScan[k];
    }
    if (g.GridResampled)
      for (int k = 1; k <= g.CommonGridSize; ++k) g.ResampledSignals[i][k] += sign * noise[k];
  }
}

void SubtractTI() {
  auto& g = CommonRadialGrid;
  if (!NoiseAvailable(g.TINoise, g.CommonGridSize)) return;
  ApplyTINoise(g.TINoise, -1.0f);
  for (int k = 1; k <= g.CommonGridSize; ++k) {
    g.RemovedTINoise[k] += g.TINoise[k];
    g.TINoise[k] = 0.0f;
  }
  UpdateMeanProfile();
}

void SubtractRI() {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  if (!NoiseAvailable(g.RINoise, d.NFILES)) return;
  for (int i = 1; i <= d.NFILES; ++i) {
    const float offset = g.RINoise[i];
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
      d.ScanSignal[i][k] -= offset;
      if (d.ScanModel[i].size() >= k) d.ScanModel[i][k] -= offset;
    }
    if (g.GridResampled)
      for (int k = 1; k <= g.CommonGridSize; ++k) g.ResampledSignals[i][k] -= offset;
    g.RINoise[i] = 0.0f;
  }
  UpdateMeanProfile();
}

void Redraw(TXLAWindow& window) {
  RepaintMainWindow(window.Handle());
}

}  // namespace

void CmSubtractTINoise(TXLAWindow& window) {
  PresentationNotice(window);
  SubtractTI();
  Redraw(window);
}

void CmSubtractRINoise(TXLAWindow& window) {
  PresentationNotice(window);
  SubtractRI();
  Redraw(window);
}

void CmSubtractAllSystematicNoise(TXLAWindow& window) {
  PresentationNotice(window);
  SubtractRI();
  SubtractTI();
  Redraw(window);
}

void CmRestoreTINoise(TXLAWindow& window) {
  auto& g = CommonRadialGrid;
  if (!NoiseAvailable(g.RemovedTINoise, g.CommonGridSize)) return;
  ApplyTINoise(g.RemovedTINoise, 1.0f);
  for (int k = 1; k <= g.CommonGridSize; ++k) {
    g.TINoise[k] += g.RemovedTINoise[k];
    g.RemovedTINoise[k] = 0.0f;
  }
  UpdateMeanProfile();
  Redraw(window);
}

void RegisterNoiseCommands(CommandTable& table) {
  table.Add(508, &CmSubtractTINoise, true, "CmSubtractTINoise");
  table.Add(509, &CmSubtractRINoise, true, "CmSubtractRINoise");
  table.Add(519, &CmSubtractAllSystematicNoise, true, "CmSubtractAllSystematicNoise");
  table.Add(607, &CmRestoreTINoise, true, "CmRestoreTINoise");
}
