#include "data/RawDataEdits.h"

#include <algorithm>
#include <cmath>

#include "data/CommonRadialGrid.h"
#include "data/DataOperationLinks.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanOutputSupport.h"
#include "data/ScanReaderOptions.h"
#include "state/DisplayState.h"
#include "state/FitControl.h"
#include "numerics/RandomNumbers.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

bool HaveScans() {
  return ScanDataSet.NFILES > 0;
}

// Applies f(signal, model) to every point of every scan.
template <typename F>
void ForEachPoint(F f) {
  auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    const bool withModel = d.ScanModel[i].size() >= d.ScanPointCount[i];
    for (int k = 1; k <= d.ScanPointCount[i]; ++k)
      f(d.ScanRadius[i][k], d.ScanSignal[i][k], withModel ? d.ScanModel[i][k] : d.ScanSignal[i][k]);
  }
}

// The plots hold the scans' views, so new arrays need new views and plots.
void RebuildViews() {
  for (int i = 1; i <= ScanDataSet.NFILES; ++i) BuildScanPlotVectors(i);
  BuildMainDataPlots();
}

void Reverse(ScanArray& a, int n) {
  if (a.size() >= n) std::reverse(a.data() + 1, a.data() + 1 + n);
}

// Keeps the points of array a where keep[k] is set.
ScanArray Kept(const ScanArray& a, const std::vector<bool>& keep, int count) {
  ScanArray out(1, count);
  for (int k = 1, j = 1; k < static_cast<int>(keep.size()); ++k)
    if (keep[static_cast<std::size_t>(k)]) out[j++] = a[k];
  return out;
}

ScanArray Zeroed(int count) {
  ScanArray out(1, count);
  for (int k = 1; k <= count; ++k) out[k] = 0.0f;
  return out;
}

}  // namespace

void ExcludeRadialRegion(float rFrom, float rTo) {
  auto& d = ScanDataSet;
  d.DataChanged = true;
  if (!HaveScans() || !(rFrom <= rTo) || rFrom < FirstRadius(1) || rTo > LastRadius(1)) return;
  DataOperationLinks.ShowWaitCursor(true);
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    std::vector<bool> keep(static_cast<std::size_t>(n) + 1, false);
    int count = 0;
    for (int k = 1; k <= n; ++k) {
      const float r = d.ScanRadius[i][k];
      keep[static_cast<std::size_t>(k)] = r < rFrom || r > rTo;
      if (keep[static_cast<std::size_t>(k)]) ++count;
    }
    if (count == n) continue;
    d.ScanRadius[i] = Kept(d.ScanRadius[i], keep, count);
    d.ScanSignal[i] = Kept(d.ScanSignal[i], keep, count);
    if (ScanReaderOptions.IntensityData && d.ScanSecondColumn[i].size() >= n)
      d.ScanSecondColumn[i] = Kept(d.ScanSecondColumn[i], keep, count);
    d.ScanModel[i] = Zeroed(count);
    d.ScanNoise[i] = Zeroed(count);
    d.ScanResiduals[i] = Zeroed(count);
    d.ScanPointCount[i] = count;
    d.ScanHeaders[i].PointCount = count;
    d.ScanFirstFitIndex[i] = std::min(std::max(d.ScanFirstFitIndex[i], 1), count);
    d.ScanLastFitIndex[i] = std::min(d.ScanLastFitIndex[i] > 0 ? d.ScanLastFitIndex[i] : count, count);
  }
  SetupCommonRadialGrid();
  RebuildViews();
  PlayOkSound();
  DataOperationLinks.ShowWaitCursor(false);
}

void InvertRawData(float factor) {
  ScanDataSet.DataChanged = true;
  if (RefuseDlsData() || !HaveScans()) return;
  ForEachPoint([&](float&, float& s, float&) { s *= factor; });
  SetupCommonRadialGrid();
}

void CorrectIFRadialCalibration(float a, float b) {
  ScanDataSet.DataChanged = true;
  if (RefuseDlsData() || !HaveScans()) return;
  ForEachPoint([&](float& r, float&, float&) { r = a * r + b; });
  SetupCommonRadialGrid();
}

void AddConstantTime(double dt, double dw) {
  auto& d = ScanDataSet;
  d.DataChanged = true;
  for (int i = 1; i <= d.NFILES; ++i) {
    d.ScanHeaders[i].RecordedTime += dt;
    d.ScanHeaders[i].Omega2t += dw;
  }
}

void AddSimulatedData(float factor) {
  ScanDataSet.DataChanged = true;
  if (RefuseDlsData() || !HaveScans()) return;
  ForEachPoint([&](float&, float& s, float& m) { s += factor * m; });
  SetupCommonRadialGrid();
}

void MirrorRawData(float r1, float r2, bool upsideDown) {
  auto& d = ScanDataSet;
  if (RefuseDlsData() || !HaveScans()) return;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    for (int k = 1; k <= n; ++k) {
      d.ScanRadius[i][k] = r1 + r2 - d.ScanRadius[i][k];
      if (upsideDown) d.ScanSignal[i][k] = -d.ScanSignal[i][k];
    }
    // A point keeps all its values: everything recorded per point turns
    // around together.
    for (ScanArrays* a : {&d.ScanRadius, &d.ScanSignal, &d.ScanSecondColumn, &d.ScanModel,
                          &d.ScanNoise, &d.ScanResiduals})
      Reverse((*a)[i], n);
  }
  d.DataChanged = true;
  SetupCommonRadialGrid();
}

void AddNoiseOrScale(float sigma, float factor) {
  ScanDataSet.DataChanged = true;
  if (!HaveScans() || sigma < 0.0f) return;
  ForEachPoint([&](float&, float& s, float&) {
    s = factor * s + (sigma > 0.0f ? GaussianRandom(sigma) : 0.0f);
  });
  SetupCommonRadialGrid();
}

bool SubtractBlankScan(const std::string& blankPath) {
  auto& d = ScanDataSet;
  d.DataChanged = true;
  if (RefuseDlsData() || !HaveScans()) return false;
  ScanHeader header;
  int count = 0;
  OneBasedArray<float> radius, signal, third;
  bool stamp = false;
  if (!ReadAuxiliaryScanFile(blankPath, &header, &count, &radius, &signal, &third, &stamp, 0.0f)) {
    PlayInfoSound();
    ErrorBox("LOAD ERROR");
    return false;
  }
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    OneBasedArray<float> onScan(1, n);
    for (int k = 1; k <= n; ++k) onScan[k] = 0.0f;
    ResampleCurve(n, d.ScanRadius[i].data(), onScan.data(), count, radius.data(), signal.data());
    for (int k = 1; k <= n; ++k) d.ScanSignal[i][k] -= onScan[k];
  }
  SetupCommonRadialGrid();
  return true;
}

bool SubtractNoiseFromEqData(platform::WindowHandle window, const std::string& scanPath,
                             const std::string& outputPath) {
  const auto& g = CommonRadialGrid;
  if (RefuseDlsData(window)) return false;
  if (!FitControl.TINoiseFitted || g.CommonGridSize < 1) return false;
  ScanHeader header;
  int n = 0;
  OneBasedArray<float> radius, signal, third;
  bool stamp = false;
  if (!ReadAuxiliaryScanFile(scanPath, &header, &n, &radius, &signal, &third, &stamp, 0.0f)) {
    PlayInfoSound();
    platform::Current().ShowMessageBox({window, scanPath, "LOAD ERROR",
                                        platform::BoxIcon::Information, platform::BoxButtons::Ok});
    return false;
  }
  if (ScanReaderOptions.IntensityData && third.size() >= n)
    for (int k = 1; k <= n; ++k)
      if (third[k] > 0.0f && signal[k] > 0.0f) signal[k] = std::log10(third[k] / signal[k]);
  OneBasedArray<float> whole(1, g.CommonGridSize), grid(1, g.CommonGridSize), noise(1, n);
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    grid[j] = g.CommonGrid[j];
    whole[j] = g.TINoise[j] + (g.RemovedTINoise.size() >= j ? g.RemovedTINoise[j] : 0.0f);
  }
  for (int k = 1; k <= n; ++k) noise[k] = 0.0f;
  ResampleCurve(n, radius.data(), noise.data(), g.CommonGridSize, grid.data(), whole.data());
  const int gFirst = g.GridFirstFitIndex >= 1 ? g.GridFirstFitIndex : 1;
  const int gLast = g.GridLastFitIndex >= gFirst ? g.GridLastFitIndex : g.CommonGridSize;
  int a = 1;
  while (a <= n && radius[a] < g.CommonGrid[gFirst]) ++a;
  int b = n;
  while (b >= 1 && radius[b] > g.CommonGrid[gLast]) --b;
  if (a > b) {
    ShowLoadError(window, "the scan does not reach into the fit range - nothing written", "ERROR");
    return false;
  }
  const int count = b - a + 1;
  OneBasedArray<float> r(1, count), v(1, count);
  for (int k = 1; k <= count; ++k) {
    r[k] = radius[a + k - 1];
    v[k] = signal[a + k - 1] - noise[a + k - 1];
  }
  return WriteScanFileReported(outputPath, count, r.data(), v.data(), nullptr,
                               "time-independent noise corrected file ", true, header);
}
