#include "data/CommonRadialGrid.h"

#include <algorithm>
#include <cmath>

#include "data/ComponentGridSignals.h"
#include "data/DataSetLinks.h"
#include "data/ScanReaderOptions.h"
#include "numerics/Resampling.h"

CommonRadialGridRecord CommonRadialGrid;

namespace {

constexpr float kDefaultRadialResolution = 0.001f;

bool NeedsResampling() {
  const auto& d = ScanDataSet;
  if (ScanReaderOptions.AbsorbanceData || ScanReaderOptions.IntensityData) return true;
  for (int i = 2; i <= d.NFILES; ++i)
    if (d.ScanPointCount[i] != d.ScanPointCount[1] || FirstRadius(i) != FirstRadius(1)) return true;
  return false;
}

// The most points the common grid takes: hundreds of times a real scan. A
// range and step that would ask for more widen the step instead of taking
// memory without end.
constexpr float kMostGridPoints = 200000.0f;

// The grid step over [a, b]; a step that is no positive number would never
// reach the end.
float GridStep(float a, float b) {
  const float step = ScanDataSet.RadialResolution;
  const float chosen = std::isfinite(step) && step > 0.0f ? step : kDefaultRadialResolution;
  return std::max(chosen, (b - a) / kMostGridPoints);
}

// The number of values a, a + step, a + 2 step, ... (accumulated) up to b.
int StepsUpTo(float a, float b, float step) {
  int n = 0;
  for (float x = a; x <= b; ++n) {
    const float next = x + step;
    if (next == x) break;
    x = next;
  }
  return n;
}

// What is carried onto the grid: the signal, or for intensity data the
// absorbance log10(signal / reference) where both are positive.
ScanArray ResampledQuantity(int i) {
  const auto& d = ScanDataSet;
  if (!ScanReaderOptions.IntensityData) return d.ScanSignal[i];
  const int n = d.ScanPointCount[i];
  ScanArray q(1, n);
  if (d.ScanSecondColumn[i].size() != n) return q;
  for (int k = 1; k <= n; ++k) {
    const float s = d.ScanSignal[i][k], r = d.ScanSecondColumn[i][k];
    q[k] = s > 0.0f && r > 0.0f ? std::log10(s / r) : 0.0f;
  }
  return q;
}

void BuildResampledGrid() {
  auto& g = CommonRadialGrid;
  auto& d = ScanDataSet;
  float a = 0.0f, b = 0.0f;
  for (int i = 1; i <= d.NFILES; ++i) {
    a += FirstRadius(i);
    b += LastRadius(i);
  }
  a /= static_cast<float>(d.NFILES);
  b /= static_cast<float>(d.NFILES);
  const float step = GridStep(a, b);
  const int size = 1 + StepsUpTo(a, b, step);
  g.OwnGrid.Resize(1, size);
  // The grid starts one step above the mean first radius.
  for (int j = 1; j <= size; ++j) g.OwnGrid[j] = a + static_cast<float>(j) * step;
  g.CommonGrid = g.OwnGrid.data();
  g.GridOwned = true;
  g.CommonGridSize = size;
  g.OwnSignals.Resize(1, d.NFILES);
  for (int i = 1; i <= d.NFILES; ++i) {
    g.OwnSignals[i].Resize(1, size);
    ScanArray q = ResampledQuantity(i);
    ResampleCurve(size, g.CommonGrid, g.OwnSignals[i].data(), d.ScanPointCount[i],
                  d.ScanRadius[i].data(), q.data());
    g.ResampledSignals[i] = g.OwnSignals[i].data();
  }
  g.GridResampled = true;
}

void BorrowEarliestScanGrid() {
  auto& g = CommonRadialGrid;
  auto& d = ScanDataSet;
  const int earliest = d.ScanTimeOrder[1];
  g.CommonGrid = d.ScanRadius[earliest].data();
  g.CommonGridSize = d.ScanPointCount[earliest];
  g.GridOwned = false;
  for (int i = 1; i <= d.NFILES; ++i) g.ResampledSignals[i] = d.ScanSignal[i].data();
  g.GridResampled = false;
}

void ComputeMeans() {
  auto& g = CommonRadialGrid;
  const int scans = ScanDataSet.NFILES, size = g.CommonGridSize;
  g.MeanProfile.Resize(1, size);
  g.ScanMeans.Resize(1, scans);
  for (int j = 1; j <= size; ++j) {
    float sum = 0.0f;
    for (int i = 1; i <= scans; ++i) sum += g.ResampledSignals[i][j];
    g.MeanProfile[j] = sum / static_cast<float>(scans);
  }
  for (int i = 1; i <= scans; ++i) {
    float sum = 0.0f;
    for (int j = 1; j <= size; ++j) sum += g.ResampledSignals[i][j];
    g.ScanMeans[i] = size > 0 ? sum / static_cast<float>(size) : 0.0f;
  }
}

}  // namespace

void SetupCommonRadialGrid() {
  auto& g = CommonRadialGrid;
  const auto& d = ScanDataSet;
  ReapplyNonlinearDetection(true);
  if (g.CommonGridSize != 0 || g.GridOwned || g.GridResampled) FreeCommonRadialGrid();
  if (d.NFILES <= 0) return;

  g.ResampledSignals.Resize(1, d.NFILES);
  if (NeedsResampling())
    BuildResampledGrid();
  else
    BorrowEarliestScanGrid();
  ComputeMeans();
  g.TINoise.Resize(1, g.CommonGridSize);
  g.RemovedTINoise.Resize(1, g.CommonGridSize);
  g.RINoise.Resize(1, d.NFILES);
  float sum = 0.0f;
  for (int j = 1; j <= g.CommonGridSize; ++j) sum += g.MeanProfile[j];
  g.GridSignalSum = static_cast<float>(d.NFILES) * sum;
  g.GridPointTotal = static_cast<float>(d.NFILES) * static_cast<float>(g.CommonGridSize);
  g.GridFirstFitIndex = 1;
  g.GridLastFitIndex = g.CommonGridSize;

  if (d.FitLeftLim != 0.0f) SetFirstFitIndex();
  if (d.FitRightLim != 0.0f) SetLastFitIndex();
  AllocComponentGridArrays();
}

OneBasedArray<float> GridCurveOnScanRadii(int i, const OneBasedArray<float>& curve) {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  const int n = d.ScanPointCount[i];
  OneBasedArray<float> onScan(1, n);
  ResampleCurve(n, d.ScanRadius[i].data(), onScan.data(), g.CommonGridSize, g.CommonGrid,
                curve.data());
  return onScan;
}

void FreeCommonRadialGrid() {
  auto& g = CommonRadialGrid;
  if (g.GridResampled) g.OwnSignals = ScanArrays{};
  if (g.GridOwned) g.OwnGrid = OneBasedArray<float>{};
  g.ResampledSignals = OneBasedArray<float*>{};
  g.CommonGrid = nullptr;
  g.MeanProfile = OneBasedArray<float>{};
  g.ScanMeans = OneBasedArray<float>{};
  g.TINoise = OneBasedArray<float>{};
  g.RemovedTINoise = OneBasedArray<float>{};
  g.RINoise = OneBasedArray<float>{};
  FreeComponentGridArrays();
  g.CommonGridSize = 0;
  g.GridSignalSum = 0.0f;
  g.GridPointTotal = 0.0f;
  g.GridFirstFitIndex = 0;
  g.GridLastFitIndex = 0;
  g.GridResampled = false;
  g.GridOwned = false;
}
