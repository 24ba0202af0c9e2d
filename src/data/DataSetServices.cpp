#include "data/DataSetServices.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/FitDataFiles.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/DisplayState.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "numerics/Statistics.h"
#include "state/FitScanWindow.h"
#include "state/Links.h"

bool ScanRmsFileOn = true;
std::function<void()> WriteScanRmsDefault = links::Unwired;

MeniscusBottomRanges AutomaticMeniscusBottomLimits() {
  const auto& m = ModelParameters;
  // A fluorescence optics' meniscus is less sharp than an absorbance one.
  const bool fluorescence = ScanReaderOptions.FluorescenceData;
  const float meniscusRange = fluorescence ? 0.1f : 0.02f;
  const float bottomRange = fluorescence ? 0.1f : 0.05f;
  MeniscusBottomRanges r;
  r.MinMeniscus = m.Meniscus - meniscusRange;
  r.MaxMeniscus = m.Meniscus + meniscusRange;
  r.MinBottom = m.Bottom - bottomRange;
  r.MaxBottom = m.Bottom + bottomRange;
  const float left = ScanDataSet.FitLeftLim, right = ScanDataSet.FitRightLim;
  if (r.MaxMeniscus >= left) r.MaxMeniscus = left - 0.001f;
  if (r.MinBottom <= right) r.MinBottom = right + 0.001f;
  return r;
}

void DefaultMeniscusBottomLimits() {
  if (ModelParameters.MeniscusBottomLimitsUserSet) return;
  const MeniscusBottomRanges r = AutomaticMeniscusBottomLimits();
  auto& f = FitControl;
  f.MINMENISCUS = r.MinMeniscus;
  f.MAXMENISCUS = r.MaxMeniscus;
  f.MINBOTTOM = r.MinBottom;
  f.MAXBOTTOM = r.MaxBottom;
}

float ScanRmsd() {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0 || d.ScanPointCount.size() < d.NFILES) return 0.0f;
  int first = 1, last = d.NFILES;
  if (FitScanWindow.On) {
    first = FitScanWindow.First < 1 ? 1 : FitScanWindow.First;
    last = FitScanWindow.Last > d.NFILES ? d.NFILES : FitScanWindow.Last;
  } else if (LammSolverSettings.InitialDataIsFirstScan) {
    first = 2;  // the earliest scan is the initial distribution itself
  }
  float sum = 0.0f, count = 0.0f;
  for (int p = first; p <= last; ++p) {
    const int i = d.ScanTimeOrder[p];
    const float* signal = d.ScanSignal[i].data();
    const float* model = d.ScanModel[i].data();
    for (int k = d.ScanFirstFitIndex[i]; k <= d.ScanLastFitIndex[i]; ++k) {
      const float diff = signal[k] - model[k];
      sum += diff * diff;
      count += 1.0f;
    }
  }
  const float rmsd = count > 0.0f ? std::sqrt(sum / count) : 0.0f;
  FitControl.CurrentRmsd = rmsd;
  FitControl.FitPointCount = count;
  return rmsd;
}

float ScanRunsTestZ() {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return 0.0f;
  std::vector<const float*> signals(static_cast<std::size_t>(d.NFILES) + 1),
      models(static_cast<std::size_t>(d.NFILES) + 1);
  for (int i = 1; i <= d.NFILES; ++i) {
    signals[static_cast<std::size_t>(i)] = d.ScanSignal[i].data();
    models[static_cast<std::size_t>(i)] = d.ScanModel[i].data();
  }
  return RunsTestZ(d.NFILES, signals.data(), models.data(), 1, d.NFILES, d.ScanTimeOrder.data(),
                   d.ScanFirstFitIndex.data(), d.ScanLastFitIndex.data());
}

GridNoiseRecords KeepGridNoise() {
  const auto& g = CommonRadialGrid;
  GridNoiseRecords kept;
  kept.GridSize = g.CommonGridSize;
  kept.Scans = ScanDataSet.NFILES;
  kept.TINoise = g.TINoise;
  kept.RemovedTINoise = g.RemovedTINoise;
  kept.RINoise = g.RINoise;
  return kept;
}

void TiNoiseFromResiduals(const GridNoiseRecords& kept) {
  auto& g = CommonRadialGrid;
  auto& d = ScanDataSet;
  const int size = g.CommonGridSize, scans = d.NFILES;
  if (scans <= 0 || size <= 0 || g.TINoise.size() < size || g.ResampledSignals.size() < scans)
    return;
  std::vector<double> sum(static_cast<std::size_t>(size) + 1, 0.0);
  OneBasedArray<float> model(1, size);
  for (int i = 1; i <= scans; ++i) {
    const int n = d.ScanPointCount[i];
    const bool modelled = d.ScanModel[i].size() >= n && n > 0;
    std::fill(model.data() + 1, model.data() + 1 + size, 0.0f);
    if (modelled && !g.GridResampled && n == size)
      std::copy(d.ScanModel[i].data() + 1, d.ScanModel[i].data() + 1 + n, model.data() + 1);
    else if (modelled)
      ResampleCurve(size, g.CommonGrid, model.data(), n, d.ScanRadius[i].data(),
                    d.ScanModel[i].data());
    const float* signal = g.ResampledSignals[i];
    for (int k = 1; k <= size; ++k) sum[static_cast<std::size_t>(k)] += signal[k] - model[k];
  }
  OneBasedArray<float> mean(1, size);
  for (int k = 1; k <= size; ++k)
    mean[k] = static_cast<float>(sum[static_cast<std::size_t>(k)] / scans);

  // The corrections keep the radii, so the same grid size is the same grid.
  const bool sameGrid = kept.GridSize == size && kept.Scans == scans &&
                        kept.TINoise.size() >= size && kept.RemovedTINoise.size() >= size &&
                        kept.RINoise.size() >= scans;
  if (sameGrid) {
    for (int k = 1; k <= size; ++k) g.RemovedTINoise[k] = kept.RemovedTINoise[k];
    for (int i = 1; i <= scans && i <= g.RINoise.size(); ++i) g.RINoise[i] = kept.RINoise[i];
  }
  if (!FitControl.TINoiseFitted || !sameGrid) {
    for (int k = 1; k <= size; ++k) g.TINoise[k] = mean[k];
    return;
  }
  for (int k = 1; k <= size; ++k) g.TINoise[k] = kept.TINoise[k] + mean[k];
  for (int i = 1; i <= scans; ++i) {
    const int n = d.ScanPointCount[i];
    if (n <= 0 || d.ScanModel[i].size() < n) continue;
    if (!g.GridResampled && n == size) {
      for (int k = 1; k <= n; ++k) d.ScanModel[i][k] += mean[k];
      continue;
    }
    const OneBasedArray<float> onScan = GridCurveOnScanRadii(i, mean);
    for (int k = 1; k <= n; ++k) d.ScanModel[i][k] += onScan[k];
  }
  UpdateResiduals(false);
}

void UpdateMeanProfile() {
  auto& g = CommonRadialGrid;
  const int scans = ScanDataSet.NFILES;
  if (g.CommonGridSize <= 0 || scans <= 0) return;
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    float sum = 0.0f;
    for (int i = 1; i <= scans; ++i) sum += g.ResampledSignals[i][j];
    g.MeanProfile[j] = sum / static_cast<float>(scans);
  }
  const int first = g.GridFirstFitIndex < 1 ? 1 : g.GridFirstFitIndex;
  const int last = g.GridLastFitIndex > g.CommonGridSize ? g.CommonGridSize : g.GridLastFitIndex;
  float sum = 0.0f;
  int count = 0;
  for (int j = first; j <= last; ++j, ++count) sum += g.MeanProfile[j];
  g.GridSignalSum = static_cast<float>(scans) * sum;
  g.GridPointTotal = static_cast<float>(scans) * static_cast<float>(count);
}

void UpdateResiduals(bool render) {
  auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    const int first = d.ScanFirstFitIndex[i], last = d.ScanLastFitIndex[i];
    float* residuals = d.ScanResiduals[i].data();
    for (int k = 1; k <= n; ++k)
      residuals[k] = k >= first && k <= last ? d.ScanSignal[i][k] - d.ScanModel[i][k] : 0.0f;
  }
  if (render) RenderResidualPlot();
  RefreshScanRmsTable();
}

void RefreshScanRmsTable() {
  // "Exclude Worst Scan" reads the worst scan of these residuals, also when
  // no table file is written (a batch run, no data folder, a failed file).
  WorstScanIndex = WorstScanOfTable();
  if (ScanRmsFileOn) WriteScanRmsDefault();
}

void RestoreRecordedScanTimes() {
  auto& d = ScanDataSet;
  if (!d.TimesFromW2t) return;
  d.TimesFromW2t = false;
  if (ScanReaderOptions.ElectrophoresisDataMode || DlsDataMode) return;
  for (int i = 1; i <= d.NFILES; ++i) d.ScanHeaders[i].Time = d.ScanHeaders[i].RecordedTime;
}

void TimesFromW2tOff(platform::WindowHandle) {
  RestoreRecordedScanTimes();
}

void RampRotorSpeedOff(platform::WindowHandle) {
  ScanDataSet.RampRotorSpeed = false;
}
