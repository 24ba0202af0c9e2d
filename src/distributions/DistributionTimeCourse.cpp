// The DLS time course: windows, averaging, one distribution per window,
// the key handling between windows and the three result files.

#include "distributions/DistributionTimeCourse.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "state/LoadOptions.h"
#include "data/CommonRadialGrid.h"
#include "data/DlsLoading.h"
#include "data/ScanDataSet.h"
#include "distributions/BestFitSignal.h"
#include "distributions/ContiGrid.h"
#include "distributions/DistributionArrays.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "models/GlobalLammState.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "numerics/CVector.h"
#include "numerics/MatrixFiles.h"
#include "ui/Boxes.h"

TimeCourseRecord TimeCourse;
TimeCourseLinksRecord TimeCourseLinks;

namespace {

float MeasurementTime(int position) {
  const int scan = ScanDataSet.ScanTimeOrder[position];
  return static_cast<float>(DlsRecords[scan].DlsTime);
}

// In step mode: waits for a key. Without any input to come (no window, or
// a backend that cannot wait) the course goes on as after a space.
int WaitForKey(platform::WindowHandle window) {
  for (;;) {
    const int key = ReadKeyEcho(window);
    if (key != -1) return key;
    if (window == nullptr) return ' ';
    auto m = platform::Current().WaitMessage({window, true});
    if (!m) return ' ';
    if (m->kind == platform::MessageKind::KeyDown) platform::Current().PostMessage(*m);
  }
}

}  // namespace

bool HandleTimeCourseKeys(platform::WindowHandle window) {
  auto& tc = TimeCourse;
  if (!tc.TimeCourseStepMode) {
    const int key = ReadKeyEcho(window);
    tc.LastTimeCourseKey = key;
    if (key != -1) tc.TimeCourseStepMode = true;
    return false;
  }
  for (;;) {
    const int key = WaitForKey(window);
    tc.LastTimeCourseKey = key;
    if (key == ' ') return false;
    if (key == 'r') {
      tc.TimeCourseStepMode = false;
      return false;
    }
    if (key == 's') {
      tc.TimeCourseStepMode = false;
      GlobalLammRun.KeepRunning = 0;
      return true;
    }
  }
}

namespace {

// Scan 1's signal on the common grid := the mean of the window's scans
// (scan 1 itself by its saved signal).
void AverageWindow(int first, int last, const std::vector<float>& savedScan1) {
  const auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  const int R = std::min(g.CommonGridSize, static_cast<int>(savedScan1.size()) - 1);
  std::vector<double> sum(static_cast<std::size_t>(R) + 1, 0.0);
  for (int p = first; p <= last; ++p) {
    const int scan = d.ScanTimeOrder[p];
    const float* row = scan == 1 ? savedScan1.data() : g.ResampledSignals[scan];
    for (int k = 1; k <= R; ++k) sum[static_cast<std::size_t>(k)] += row[k];
  }
  const int count = last - first + 1;
  float* target = g.ResampledSignals[1];
  for (int k = 1; k <= R; ++k)
    target[k] = static_cast<float>(sum[static_cast<std::size_t>(k)] / count);
}

void WindowFit() {
  NormalEquationProblem problem = CurrentNormalEquationProblem();
  const DataSetTargets onData(ScanDataSet.NFILES);
  const int order[2] = {1, 1};
  CalculateWindowFit(problem, NormalEquations, NoiseElimination, onData.targets, order, 1, 1);
}

// One window's distribution; false when the course has been stopped.
bool TimeCourseStep(platform::WindowHandle window) {
  if (FitControl.FitAbort) return false;
  auto& flags = DistributionRunFlags;
  flags.InNonlinearSearch = true;
  RunContiSed(window);
  flags.InNonlinearSearch = false;
  if (!NormalEquations.Exists()) return true;
  WindowFit();
  auto& r = DistributionResult;
  const int n = DistributionSettings.DistGridSize;
  for (int i = 1; i <= n; ++i)
    r.DistValues[static_cast<std::size_t>(i)] = static_cast<float>(NormalEquations.DistSolution[i]);
  DistributionDensity();
  flags.FitCurvesShown = true;
  return true;
}

void ShowDistribution() {
  if (StoredDistributionServices.RenderDistributionPlot)
    StoredDistributionServices.RenderDistributionPlot();
  if (TimeCourseLinks.ShowDistributionNow) TimeCourseLinks.ShowDistributionNow();
}

void WriteFiles() {
  auto& tc = TimeCourse;
  const int n = DistributionSettings.DistGridSize;
  const auto& x = DistributionResult.DistSGrid;
  CVector radii(static_cast<unsigned>(n), x.data() + 1);
  radii.WriteFile(tc.OutputFolder + "radii.dat");
  WriteFloatColumn(tc.OutputFolder + "times.dat", tc.WindowTimes.data(), tc.WindowCount, 1);
  WriteMatrixFile(tc.WindowDistributions.get(), 1, tc.WindowCount, 1, n,
                  tc.OutputFolder + "sizes.dat");
}

}  // namespace

int TimeCourseWindows(const float* times, int count, float interval, std::vector<int>& first,
                      std::vector<int>& last, std::vector<float>& mid) {
  const float width = interval * 60.0f;
  float T = 1.5f * width;
  int windows = 1;
  for (int p = 1; p <= count; ++p)
    if (times[p] > T) {
      ++windows;
      T += width;
    }
  first.assign(static_cast<std::size_t>(windows) + 1, 0);
  last.assign(first.size(), 0);
  mid.assign(first.size(), 0.0f);
  int a = std::min(2, count), b = a;
  while (b < count && times[b] < 1.5f * width) ++b;
  first[1] = a;
  last[1] = b;
  for (int w = 2; w <= windows; ++w) {
    a = b + 1;
    if (a > count) {
      a = b = count;
    } else {
      while (b < count && times[b] < (static_cast<float>(w) + 0.5f) * width) ++b;
      // A window holds at least its first measurement.
      b = std::max(a, b);
    }
    first[static_cast<std::size_t>(w)] = a;
    last[static_cast<std::size_t>(w)] = b;
  }
  for (int w = 1; w <= windows; ++w)
    mid[static_cast<std::size_t>(w)] =
        (times[first[static_cast<std::size_t>(w)]] + times[last[static_cast<std::size_t>(w)]]) / 2.0f;
  return windows;
}

bool NormalEquationsTimeWindow() {
  NormalEquationProblem problem = CurrentNormalEquationProblem();
  const int lastScan = TimeCourse.WindowLastScan > 0 ? TimeCourse.WindowLastScan : problem.ScanCount;
  problem.ScanCount = std::min(problem.ScanCount, lastScan);
  problem.Noise = SystematicNoise::Baseline;
  return BuildNormalEquations(problem, NormalEquations, NoiseElimination);
}

void RunDistributionTimeCourse(platform::WindowHandle window) {
  auto& d = ScanDataSet;
  if (d.NFILES == 1 || DlsRecords.size() < d.NFILES) {
    RunContiSed(window);
    return;
  }
  if (d.NFILES < 1) return;
  auto& flags = DistributionRunFlags;
  auto& tc = TimeCourse;
  const bool repaint = flags.RepaintAfterRun;
  flags.RepaintAfterRun = true;
  tc.TimeCourseStepMode = true;
  if (!MakeContiGrid()) {
    flags.RepaintAfterRun = repaint;
    return;
  }
  FitControl.FitAbort = false;

  std::vector<float> times(static_cast<std::size_t>(d.NFILES) + 1, 0.0f);
  for (int p = 1; p <= d.NFILES; ++p) times[static_cast<std::size_t>(p)] = MeasurementTime(p);
  std::vector<int> first, last;
  std::vector<float> mid;
  const float interval = DistributionSettings.TimeCourseInterval > 0
                             ? DistributionSettings.TimeCourseInterval
                             : 1.0f;
  tc.WindowCount = TimeCourseWindows(times.data(), d.NFILES, interval, first, last, mid);
  const int n = DistributionSettings.DistGridSize;
  tc.WindowDistributions = OneBasedMatrix<float>(1, tc.WindowCount, 1, n);
  tc.WindowTimes = OneBasedArray<float>(1, tc.WindowCount);
  auto& g = CommonRadialGrid;
  std::vector<float> savedScan1(g.ResampledSignals[1], g.ResampledSignals[1] + g.CommonGridSize + 1);
  tc.WindowFirstScan = tc.WindowLastScan = 1;

  for (int w = 1; w <= tc.WindowCount; ++w) {
    tc.WindowTimes[w] = mid[static_cast<std::size_t>(w)];
    AverageWindow(first[static_cast<std::size_t>(w)], last[static_cast<std::size_t>(w)], savedScan1);
    TimeCourseStep(window);
    for (int i = 1; i <= n; ++i)
      tc.WindowDistributions[w][i] = DistributionResult.DistValues[static_cast<std::size_t>(i)];
    ShowDistribution();
    if (ComputationAbort) {
      flags.ComputationInterrupted = true;
      ComputationAbort = false;
      FitDriverSettings.RealtimeUpdateInterrupted = true;
      FitControl.FitAbort = true;
    }
    // "s" in step mode ends the course: the remaining windows are only
    // averaged and keep the last distribution.
    if (!FitControl.FitAbort && HandleTimeCourseKeys(window)) {
      flags.ComputationInterrupted = true;
      FitDriverSettings.RealtimeUpdateInterrupted = true;
      FitControl.FitAbort = true;
    }
  }
  if (FitControl.FitAbort) {
    flags.ComputationInterrupted = true;
    FitControl.FitAbort = false;
    FitDriverSettings.RealtimeUpdateInterrupted = true;
    MakeContiGrid();
  }
  WriteFiles();
  std::copy(savedScan1.begin(), savedScan1.end(), g.ResampledSignals[1]);
  tc.WindowFirstScan = tc.WindowLastScan = 0;
  tc.WindowDistributions = OneBasedMatrix<float>{};
  tc.WindowTimes = OneBasedArray<float>{};
  if (NormalEquations.Exists() && DistKernel.Exists()) StoreDistributionResult(window);
  flags.RepaintAfterRun = repaint;
  if (RepaintMainWindow) RepaintMainWindow(window);
}
