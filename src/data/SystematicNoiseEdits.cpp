#include "data/SystematicNoiseEdits.h"

#include <cmath>
#include <numbers>

#include "data/CommonRadialGrid.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/DisplayState.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/Resampling.h"

TINoiseUndoRecord TINoiseUndo;

namespace {

using Points = TINoiseUndoRecord::Points;

bool HaveScans() {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  return !DlsDataMode && d.NFILES > 0 && g.CommonGridSize > 0 && g.TINoise.size() >= g.CommonGridSize &&
         g.RemovedTINoise.size() >= g.CommonGridSize && g.RINoise.size() >= d.NFILES;
}

// The grid holds copies of the signals of its own that follow the data.
bool GridCopiesFollow() {
  return !ScanReaderOptions.InterferenceData && CommonRadialGrid.GridResampled;
}

Points& Slot(std::vector<Points>& slots, int i) {
  if (static_cast<int>(slots.size()) <= i) slots.resize(static_cast<std::size_t>(i) + 1);
  return slots[static_cast<std::size_t>(i)];
}

// values[1..n] -= noise[1..n], remembering what each point was and became.
void SubtractRemembering(float* values, const float* noise, int n, Points& p) {
  const bool known = static_cast<int>(p.after.size()) == n + 1;
  if (!known) {
    p.before.assign(static_cast<std::size_t>(n) + 1, 0.0f);
    p.after.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  }
  for (int k = 1; k <= n; ++k) {
    // A point still at its remembered value keeps the value it had before
    // the first subtraction.
    if (!known || values[k] != p.after[static_cast<std::size_t>(k)])
      p.before[static_cast<std::size_t>(k)] = values[k];
    values[k] -= noise[k];
    p.after[static_cast<std::size_t>(k)] = values[k];
  }
}

// values[1..n] += noise[1..n], or the remembered value where the point is
// still what the subtraction left.
void AddBackRemembered(float* values, const float* noise, int n, Points& p) {
  const bool known = static_cast<int>(p.after.size()) == n + 1;
  for (int k = 1; k <= n; ++k) {
    if (known && values[k] == p.after[static_cast<std::size_t>(k)])
      values[k] = p.before[static_cast<std::size_t>(k)];
    else
      values[k] += noise[k];
  }
  p = Points{};
}

void TIStep() {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    const OneBasedArray<float> t = GridCurveOnScanRadii(i, g.TINoise);
    SubtractRemembering(d.ScanSignal[i].data(), t.data(), n, Slot(TINoiseUndo.Signals, i));
    if (d.ScanModel[i].size() >= n)
      SubtractRemembering(d.ScanModel[i].data(), t.data(), n, Slot(TINoiseUndo.Models, i));
  }
  if (GridCopiesFollow())
    for (int i = 1; i <= d.NFILES; ++i)
      SubtractRemembering(g.ResampledSignals[i], g.TINoise.data(), g.CommonGridSize,
                          Slot(TINoiseUndo.GridSignals, i));
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    g.RemovedTINoise[j] += g.TINoise[j];
    g.TINoise[j] = 0.0f;
  }
}

void RestoreStep() {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    const OneBasedArray<float> t = GridCurveOnScanRadii(i, g.RemovedTINoise);
    AddBackRemembered(d.ScanSignal[i].data(), t.data(), n, Slot(TINoiseUndo.Signals, i));
    if (d.ScanModel[i].size() >= n)
      AddBackRemembered(d.ScanModel[i].data(), t.data(), n, Slot(TINoiseUndo.Models, i));
  }
  if (GridCopiesFollow())
    for (int i = 1; i <= d.NFILES; ++i)
      AddBackRemembered(g.ResampledSignals[i], g.RemovedTINoise.data(), g.CommonGridSize,
                        Slot(TINoiseUndo.GridSignals, i));
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    g.TINoise[j] += g.RemovedTINoise[j];
    g.RemovedTINoise[j] = 0.0f;
  }
}

// Takes a constant per scan out of signal, model and the grid copies, in
// time order.
void SubtractPerScan(const float* offsets, bool oneForAll) {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  const bool grid = GridCopiesFollow();
  for (int p = 1; p <= d.NFILES; ++p) {
    const int i = d.ScanTimeOrder[p];
    const float c = oneForAll ? offsets[0] : offsets[i];
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
      d.ScanSignal[i][k] -= c;
      if (d.ScanModel[i].size() >= k) d.ScanModel[i][k] -= c;
    }
    if (grid)
      for (int j = 1; j <= g.CommonGridSize; ++j) g.ResampledSignals[i][j] -= c;
  }
}

void RIStep() {
  auto& g = CommonRadialGrid;
  SubtractPerScan(g.RINoise.data(), false);
  for (int i = 1; i <= ScanDataSet.NFILES; ++i) g.RINoise[i] = 0.0f;
}

void GridStatistics() {
  auto& g = CommonRadialGrid;
  const int scans = ScanDataSet.NFILES, size = g.CommonGridSize;
  if (g.MeanProfile.size() < size || g.ScanMeans.size() < scans) {
    g.MeanProfile.Resize(1, size);
    g.ScanMeans.Resize(1, scans);
  }
  for (int i = 1; i <= scans; ++i) {
    float sum = 0.0f;
    for (int j = 1; j <= size; ++j) sum += g.ResampledSignals[i][j];
    g.ScanMeans[i] = sum / static_cast<float>(size);
  }
  UpdateMeanProfile();
}

// The data plot zooms to the fit range of the edited data.
void ShowEditedData() {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  const int first = g.GridFirstFitIndex >= 1 ? g.GridFirstFitIndex : 1;
  const int last =
      g.GridLastFitIndex >= first && g.GridLastFitIndex <= g.CommonGridSize ? g.GridLastFitIndex
                                                                            : g.CommonGridSize;
  DisplayRange range;
  range.minRadius = g.CommonGrid[first] - 0.01f;
  range.maxRadius = g.CommonGrid[last] + 0.01f;
  float lo = g.ResampledSignals[d.ScanTimeOrder[1]][first], hi = lo;
  for (int p = 1; p <= d.NFILES; ++p) {
    const float* s = g.ResampledSignals[d.ScanTimeOrder[p]];
    for (int j = first; j <= last; ++j) {
      if (s[j] < lo) lo = s[j];
      if (s[j] > hi) hi = s[j];
    }
  }
  range.minSignal = lo - 0.1f;
  range.maxSignal = hi + 0.1f;
  DataOperationLinks.PushDisplayRange(range);
  if (range.maxSignal > range.minSignal && range.maxRadius > range.minRadius)
    DataOperationLinks.SetDataPlotRanges(range);
  else
    RenderDataPlot(true);
  UpdateResiduals(true);
  UpdateHistogramPlot(true);
}

}  // namespace

void SubtractTINoise() {
  if (!HaveScans() || !FitControl.TINoiseFitted) return;
  TIStep();
  GridStatistics();
  ShowEditedData();
}

void SubtractRINoise() {
  if (!HaveScans() || !ModelParameters.RINoiseFitted) return;
  RIStep();
  GridStatistics();
  ShowEditedData();
}

void RestoreTINoise() {
  if (!HaveScans() || !FitControl.TINoiseFitted) return;
  RestoreStep();
  GridStatistics();
  ShowEditedData();
}

void SubtractAllSystematicNoise() {
  if (!HaveScans() || !ModelParameters.RINoiseFitted) return;
  RIStep();
  GridStatistics();
  // An unfitted TI noise is zero, so this step then changes nothing.
  TIStep();
  GridStatistics();
  ShowEditedData();
}

void SubtractBaseline() {
  if (!HaveScans() || !ModelParameters.SystematicNoiseOn) return;
  const float baseline[1] = {ModelParameters.Baseline};
  SubtractPerScan(baseline, true);
  ModelParameters.Baseline = 0.0f;
  GridStatistics();
  ShowEditedData();
}

float GaussianBoundaryWeight(float s0, float D, float r, float t) {
  const auto& d = ScanDataSet;
  if (d.NFILES < 1) return 0.0f;
  const float rpm = d.ScanHeaders[d.ScanTimeOrder[d.NFILES]].Rpm;
  const float omega = 2.0f * std::numbers::pi_v<float> / 60.0f * rpm;
  const float w2 = omega * omega;
  const float m = ModelParameters.Meniscus;
  const float s = 1e13f * std::log(r / m) / (w2 * t);
  // Two factors keep the huge powers of ten inside single precision.
  const float V = 2e7f * D * 1e19f / (w2 * w2 * t * m * m);
  return std::exp(-(s0 - s) * (s0 - s) / (2.0f * V));
}
