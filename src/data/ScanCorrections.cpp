#include "data/ScanCorrections.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/DisplayState.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

// The first index 1..n whose radius is >= limit; 0 when there is none.
int FirstAtOrAbove(const float* radius, int n, float limit) {
  for (int k = 1; k <= n; ++k)
    if (radius[k] >= limit) return k;
  return 0;
}

// The grid signals are copies of the scans (not the scans' own arrays), so
// a correction of a scan must be carried to its copy as well.
bool GridHoldsCopies() {
  const auto& g = CommonRadialGrid;
  return g.GridResampled && g.CommonGridSize > 0 && g.ResampledSignals.size() == ScanDataSet.NFILES;
}

// Subtracts a constant from scan i's signal and from its grid copy.
void ShiftScan(int i, float by) {
  auto& d = ScanDataSet;
  for (int k = 1; k <= d.ScanPointCount[i]; ++k) d.ScanSignal[i][k] -= by;
  if (!GridHoldsCopies()) return;
  float* copy = CommonRadialGrid.ResampledSignals[i];
  for (int j = 1; j <= CommonRadialGrid.CommonGridSize; ++j) copy[j] -= by;
}

// Carries scan i's corrected signal onto its grid copy again. Intensity
// data are held on the grid as absorbances, which these corrections do not
// apply to.
void ResampleScanOntoGrid(int i) {
  if (!GridHoldsCopies() || ScanReaderOptions.IntensityData) return;
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  ResampleCurve(g.CommonGridSize, g.CommonGrid, g.ResampledSignals[i], d.ScanPointCount[i],
                d.ScanRadius[i].data(), d.ScanSignal[i].data());
}

// The whole number of fringes nearest to f, 0 within half a fringe.
float WholeFringes(float f) {
  if (f > 0.5f) return std::floor(f + 0.5f);
  if (f < -0.5f) return -std::floor(-f + 0.5f);
  return 0.0f;
}

// The number of one-fringe passes that bring a step no larger than the
// threshold: each pass reduces its size by one fringe.
float PassesToRemove(float step, float threshold) {
  return std::ceil(std::fabs(step) - threshold);
}

// Removes the jumps of one scan within its fit range; examining a point
// again after each pass is the same as taking all its passes at once.
void RemoveJumpsOfScan(int i, float threshold, bool fromResiduals) {
  auto& d = ScanDataSet;
  const int n = d.ScanPointCount[i];
  float* signal = d.ScanSignal[i].data();
  float* residuals = d.ScanResiduals[i].data();
  bool changed = false;
  for (int j = d.ScanFirstFitIndex[i] + 3; j <= d.ScanLastFitIndex[i]; ++j) {
    const float* judged = fromResiduals ? residuals : signal;
    const float level = fromResiduals
                            ? (residuals[j - 1] + residuals[j - 2] + residuals[j - 3]) / 3.0f
                            : signal[j - 1];
    const float step = judged[j] - level;
    if (!std::isfinite(step) || !(std::fabs(step) > threshold)) continue;
    const float by = (step > 0.0f ? 1.0f : -1.0f) * PassesToRemove(step, threshold);
    for (int k = j; k <= n; ++k) {
      signal[k] -= by;
      if (fromResiduals) residuals[k] -= by;
    }
    changed = true;
  }
  if (changed) ResampleScanOntoGrid(i);
}

}  // namespace

bool AlignFringeOffsetsAtRadius(float offset, float radius) {
  auto& d = ScanDataSet;
  if (!ScanReaderOptions.InterferenceData || d.NFILES <= 0) return false;
  OneBasedArray<int> at(1, d.NFILES);
  for (int i = 1; i <= d.NFILES; ++i) {
    at[i] = FirstAtOrAbove(d.ScanRadius[i].data(), d.ScanPointCount[i], radius);
    if (at[i] != 0) continue;
    char text[400];
    std::snprintf(text, sizeof text, "alignment radius %.3f cm lies beyond the data of %s",
                  static_cast<double>(radius), d.ScanFilePaths[i].c_str());
    ErrorBox(text);
    return false;
  }
  const int earliest = d.ScanTimeOrder[1];
  const float reference = d.ScanSignal[earliest][at[earliest]];
  for (int p = 2; p <= d.NFILES; ++p) {
    const int i = d.ScanTimeOrder[p];
    const float fringes = WholeFringes(d.ScanSignal[i][at[i]] - reference);
    if (fringes != 0.0f) ShiftScan(i, fringes);
  }
  if (offset != 0.0f)
    for (int i = 1; i <= d.NFILES; ++i) ShiftScan(i, -offset);
  d.DataChanged = true;
  UpdateMeanProfile();
  RenderDataPlot(false);
  return true;
}

bool RemoveFringeJumps(float threshold, bool fromResiduals) {
  auto& d = ScanDataSet;
  if (d.FitLeftLim == 0.0f || d.FitRightLim == 0.0f || !(threshold > 0.0f)) return false;
  for (int i = 1; i <= d.NFILES; ++i)
    if (d.ScanFirstFitIndex[i] > 0 && d.ScanLastFitIndex[i] > 0)
      RemoveJumpsOfScan(i, threshold, fromResiduals);
  d.DataChanged = true;
  UpdateMeanProfile();
  return true;
}

bool EliminateJitter(float r1, float r2) {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  if (!ScanReaderOptions.InterferenceData || d.NFILES <= 0 || g.CommonGridSize <= 0) return false;
  const int first = FirstAtOrAbove(g.CommonGrid, g.CommonGridSize, r1);
  int end = first == 0 ? 0 : FirstAtOrAbove(g.CommonGrid, g.CommonGridSize, r2);
  if (first != 0 && end == 0) end = g.CommonGridSize + 1;  // the range runs past the grid
  if (first == 0 || end <= first) {
    char text[400];
    std::snprintf(text, sizeof text, "no data points between %.3f and %.3f cm",
                  static_cast<double>(r1), static_cast<double>(r2));
    ErrorBox(text);
    return false;
  }
  const auto mean = [&](int i) {
    double sum = 0.0;
    for (int j = first; j < end; ++j) sum += g.ResampledSignals[i][j];
    return static_cast<float>(sum / (end - first));
  };
  const int earliest = d.ScanTimeOrder[1];
  const float reference = mean(earliest);
  g.RINoise[earliest] = 0.0f;
  for (int p = 2; p <= d.NFILES; ++p) {
    const int i = d.ScanTimeOrder[p];
    const float c = mean(i) - reference;
    g.RINoise[i] = c;
    ShiftScan(i, c);
  }
  d.DataChanged = true;
  RenderDataPlot(false);
  return true;
}
