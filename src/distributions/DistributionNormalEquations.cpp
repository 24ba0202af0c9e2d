#include "distributions/DistributionNormalEquations.h"

#include <atomic>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "distributions/DistributionDiagnostics.h"
#include "distributions/NormalEquationsAccumulation.h"
#include "distributions/ThreadedNormalEquations.h"
#include "state/DistributionSettingsRecords.h"
#include "state/DisplayState.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "platform/Platform.h"
#include "platform/Thread.h"
#include "ui/WindowProgressLine.h"

NoiseEliminationRecord NoiseElimination;

namespace {

// Σ v[r], r = first..last, with four partial sums (a long float row summed
// into one double would wait on every addition).
double SumRange(const float* v, int first, int last) {
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  int r = first;
  for (; r + 3 <= last; r += 4) {
    s0 += v[r];
    s1 += v[r + 1];
    s2 += v[r + 2];
    s3 += v[r + 3];
  }
  for (; r <= last; ++r) s0 += v[r];
  return (s0 + s1) + (s2 + s3);
}

// Data means: of y, or of y − K₁ when column 1 is a fixed signal.
void ComputeDataMeans(const NormalEquationProblem& p, NormalEquationArrays& neq,
                      NoiseEliminationRecord& record) {
  const int R = p.RadiusCount, fitCount = p.FitPointCount();
  for (int r = 0; r <= R; ++r) neq.DataRadialMean[r] = 0.0;
  double total = 0.0;
  std::vector<double> values(static_cast<std::size_t>(R) + 1, 0.0);
  for (int s = 1; s <= p.ScanCount; ++s) {
    const float* y = p.Data[s];
    const float* fixed = p.FixedFirst ? p.Kernel[1][s] : nullptr;
    for (int r = 1; r <= R; ++r)
      values[static_cast<std::size_t>(r)] = fixed ? y[r] - static_cast<double>(fixed[r]) : y[r];
    double scanSum = 0.0;
    for (int r = 1; r <= R; ++r) neq.DataRadialMean[r] += values[static_cast<std::size_t>(r)];
    for (int r = p.FitFirst; r <= p.FitLast; ++r) scanSum += values[static_cast<std::size_t>(r)];
    neq.DataScanMean[s] = fitCount > 0 ? scanSum / fitCount : 0.0;
    total += scanSum;
  }
  if (p.ScanCount > 0)
    for (int r = 1; r <= R; ++r) neq.DataRadialMean[r] /= p.ScanCount;
  record.DataSum = total;
  record.DataPointCount = static_cast<long long>(p.ScanCount) * fitCount;
  record.DataGrandMean =
      record.DataPointCount > 0 ? total / static_cast<double>(record.DataPointCount) : 0.0;
}


void ComputeKernelMeans(const NormalEquationProblem& p, NormalEquationArrays& neq) {
  for (int g = 1; g <= p.KernelColumns; ++g) ComputeKernelColumnMeans(p, neq, g);
}

bool BuildCurrent(SystematicNoise noise, bool fixedFirst = false, double value = 0.0) {
  NormalEquationProblem problem = CurrentNormalEquationProblem();
  problem.Noise = noise;
  problem.FixedFirst = fixedFirst;
  problem.FixedFirstValue = value;
  return BuildNormalEquations(problem, NormalEquations, NoiseElimination);
}

// What the build shows in the window: "calculating normal equations" and
// a progress line below it, advanced while the system is accumulated (not
// during a fit, whose own status is shown); without a progress line the
// percentage in the text.
class NormalEquationDisplay {
 public:
  NormalEquationDisplay(platform::WindowHandle window, bool purple) : window_(window) {
    if (!DrawingAllowed || window == nullptr) return;
    if (!DistributionSettings.ProgressLineOn) return;
    if (!FitControl.FitRunning) Text("calculating normal equations");
    line_.emplace(window, 10, 65, purple ? ProgressColour::Purple : ProgressColour::Blue);
  }

  NormalEquationProgress Progress() {
    NormalEquationProgress p;
    if (!DrawingAllowed || window_ == nullptr || FitControl.FitRunning) return p;
    p.Fraction = [this](double f) {
      // A worker only leaves its fraction; the waiting thread draws it.
      if (line_) line_->Report(static_cast<float>(f));
      reported_.store(static_cast<float>(f));
      if (platform::Thread::Running() == nullptr) Draw();
    };
    p.Tick = [this] { Draw(); };
    return p;
  }

 private:
  void Text(const std::string& text) {
    platform::Current().DrawWindowText(window_, 10, 50, text);
  }
  void Draw() {
    if (line_) {
      line_->DrawReported();
      return;
    }
    const int percent = static_cast<int>(std::lround(100.0 * reported_.load()));
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    Text(FormatPercent(percent));
  }
  static std::string FormatPercent(int percent) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "calculating normal equations (%2.0f percent done - hit any key to interrupt...)",
                  static_cast<double>(percent));
    return text;
  }

  platform::WindowHandle window_;
  std::optional<WindowProgressLine> line_;
  std::atomic<float> reported_{0.0f};
  int shownPercent_ = -1;
};

}  // namespace

void ComputeKernelColumnMeans(const NormalEquationProblem& p, NormalEquationArrays& neq, int g) {
  const int R = p.RadiusCount, fitCount = p.FitPointCount();
  const long long pointCount = static_cast<long long>(p.ScanCount) * fitCount;
  double* radial = neq.KernelRadialMean[g];
  for (int r = 0; r <= R; ++r) radial[r] = 0.0;
  double total = 0.0;
  for (int s = 1; s <= p.ScanCount; ++s) {
    const float* k = p.Kernel[g][s];
    for (int r = 1; r <= R; ++r) radial[r] += k[r];
    const double scanSum = fitCount > 0 ? SumRange(k, p.FitFirst, p.FitLast) : 0.0;
    neq.KernelScanMean[g][s] = fitCount > 0 ? scanSum / fitCount : 0.0;
    total += scanSum;
  }
  if (p.ScanCount > 0)
    for (int r = 1; r <= R; ++r) radial[r] /= p.ScanCount;
  neq.KernelGrandMean[g] = pointCount > 0 ? total / static_cast<double>(pointCount) : 0.0;
}

SystematicNoise SelectSystematicNoise(bool tiFitted, bool riFitted, bool systematicNoiseOn) {
  if (tiFitted && riFitted) return SystematicNoise::TimeAndRadialInvariant;
  if (tiFitted) return SystematicNoise::TimeInvariant;
  if (riFitted) return SystematicNoise::RadialInvariant;
  if (systematicNoiseOn) return SystematicNoise::Baseline;
  return SystematicNoise::None;
}

void ComputeNoiseMeans(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                       NoiseEliminationRecord& record) {
  ComputeDataNoiseMeans(problem, neq, record);
  ComputeKernelMeans(problem, neq);
}

void ComputeDataNoiseMeans(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                           NoiseEliminationRecord& record) {
  assert(problem.KernelColumns <= neq.Size && problem.ScanCount <= neq.ScanCount &&
         problem.RadiusCount <= neq.RadiusCount);
  assert(!problem.FixedFirst || problem.KernelColumns >= 1);
  record.Noise = problem.Noise;
  record.Baseline = problem.Baseline;
  record.FixedFirstComponent = problem.FixedFirst;
  record.FixedFirstValue = problem.FixedFirst ? problem.FixedFirstValue : 0.0;
  ComputeDataMeans(problem, neq, record);
}

bool BuildNormalEquations(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                          NoiseEliminationRecord& record, const NormalEquationProgress& progress) {
  ComputeNoiseMeans(problem, neq, record);
  NormalEquationAccumulator accumulator(problem, neq, record, 1);
  accumulator.AccumulateWorker(1, true, &progress);
  return accumulator.Finish();
}

NormalEquationProblem CurrentNormalEquationProblem() {
  NormalEquationProblem p;
  p.Kernel = DistKernel.get();
  p.Data = CommonRadialGrid.ResampledSignals.data();
  p.KernelColumns = NormalEquations.Size;
  p.ScanCount = ScanDataSet.NFILES;
  p.RadiusCount = CommonRadialGrid.CommonGridSize;
  p.FitFirst = CommonRadialGrid.GridFirstFitIndex;
  p.FitLast = CommonRadialGrid.GridLastFitIndex;
  p.Noise = SelectSystematicNoise(FitControl.TINoiseFitted, ModelParameters.RINoiseFitted,
                                  ModelParameters.SystematicNoiseOn);
  p.Baseline = ModelParameters.Baseline;
  assert(DistKernel.GridCount() >= p.KernelColumns && DistKernel.ScanCount() >= p.ScanCount &&
         DistKernel.RadiusCount() >= p.RadiusCount);
  return p;
}

bool NormalEquationsNoNoise() {
  return BuildCurrent(SystematicNoise::None);
}
bool NormalEquationsBaseline() {
  return BuildCurrent(SystematicNoise::Baseline);
}
bool NormalEquationsTI() {
  return BuildCurrent(SystematicNoise::TimeInvariant);
}
bool NormalEquationsRI() {
  return BuildCurrent(SystematicNoise::RadialInvariant);
}
bool NormalEquationsTIRI() {
  return BuildCurrent(SystematicNoise::TimeAndRadialInvariant);
}
bool NormalEquationsFixedFirst(double value) {
  return BuildCurrent(SystematicNoise::TimeAndRadialInvariant, true, value);
}

namespace {

bool BuildShowingProgress(platform::WindowHandle window, const ContiNormalEquationSettings& given) {
  ComputationAbort = false;
  NormalEquationDisplay display(window, given.PurpleProgress);
  ContiNormalEquationSettings settings = given;
  if (!settings.Progress.Fraction) settings.Progress = display.Progress();
  NormalEquationProblem problem = CurrentNormalEquationProblem();
  if (settings.FixedFirstComponent) {
    if (problem.Noise != SystematicNoise::TimeAndRadialInvariant) {
      platform::Current().ShowMessageBox(
          {window,
           "buffer mismatch with fixed concentration not implemented in c(s) for this noise "
           "model\n(need RI+TI noise)",
           "ERROR", platform::BoxIcon::Error, platform::BoxButtons::Ok});
      return false;
    }
    // Built on the calling thread: the worker threads serve the five plain
    // noise models.
    problem.FixedFirst = true;
    problem.FixedFirstValue = settings.FixedFirstValue;
    return BuildNormalEquations(problem, NormalEquations, NoiseElimination, settings.Progress);
  }
  if (settings.MultithreadingOn)
    return NormalEquationsThreaded(problem, NormalEquations, NoiseElimination, settings.ThreadCount,
                                   settings.Progress);
  return BuildNormalEquations(problem, NormalEquations, NoiseElimination, settings.Progress);
}

}  // namespace

bool ContiNormalEquations(platform::WindowHandle window,
                          const ContiNormalEquationSettings& given) {
  LogDistributionStep(window, "\n RunContiSed starting normal equations");
  const bool built = BuildShowingProgress(window, given);
  LogDistributionStep(window, "\n normal equations done");
  return built;
}
