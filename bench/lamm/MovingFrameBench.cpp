// Cost and accuracy of one Lamm equation solution on the moving frame, for the
// standard sedimentation velocity experiment: meniscus 5.8 cm, bottom 7.2 cm,
// output every 0.001 cm, 50,000 rpm from the start, 20 degrees Celsius, 60
// scans every 300 s; a small protein (s = 4.5 S, D = 6e-7 cm^2/s) and a large
// particle (s = 100 S, D = 2e-8 cm^2/s), both forced onto the moving frame.
//
// Accuracy is judged against a converged solution of the same equation: the
// moving frame itself on a grid 16 times finer than the one the default rules
// choose (its shift interval, and so its step, 16 times shorter), stepping a
// quarter of a shift interval at a time. The counters give the rms and largest
// difference of the concentration relative to the loading concentration over
// all scans and radii up to 7.15 cm.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <utility>

#include "data/ScanHeader.h"
#include "lamm/CLammIdeal.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr double kMeniscus = 5.8, kBottom = 7.2;  // cm
constexpr float kLeftFitLimit = 5.9f, kRightFitLimit = 7.15f;
constexpr double kSpacing = 0.001;  // cm
constexpr float kRpm = 50000.0f;
constexpr int kScans = 60;
constexpr double kInterval = 300.0;  // s

struct Species {
  double s, D;  // S, cm^2/s
};
constexpr Species kSmallProtein{4.5, 6e-7};
constexpr Species kLargeParticle{100.0, 2e-8};

// The settings of a run: the dialog's defaults with the moving frame chosen
// by hand; the reference fixes the grid size and takes shorter steps.
struct Numerics {
  std::uint8_t autoGridSize = 1;
  float pointsPerSigma = 5.0f;  // "points per sigma" of the grid rule
  std::int32_t defaultGrid = 1000, maxGrid = 2000;
  double maxChange = 1.0;  // "max dc/c": the step in shift intervals
};

// The scan headers, output radii and rows of the standard experiment.
struct Experiment {
  OneBasedArray<ScanHeader> headers{1, kScans};
  OneBasedArray<float> radii;
  OneBasedMatrix<float> output;
  int points = 0;

  Experiment() {
    const double omega = kRpm * 2 * std::numbers::pi / 60;
    for (int k = 1; k <= kScans; ++k) {
      ScanHeader& h = headers[k];
      h.Rpm = kRpm;
      h.Temperature = 20.0f;
      h.Time = h.RecordedTime = k * kInterval;
      h.Omega2t = omega * omega * h.Time;
      h.RampAcceleration = 1e6;  // no ramp recorded: full speed from the start
      h.RampDuration = 0;
    }
    points = static_cast<int>(std::lround((kBottom - kMeniscus) / kSpacing)) + 1;
    radii.Resize(1, points);
    for (int i = 1; i <= points; ++i) radii[i] = static_cast<float>(kMeniscus + (i - 1) * kSpacing);
    output.Resize(1, kScans, 1, points);
  }

  void Configure(CLammIdeal& l, const Species& sp, const Numerics& n) {
    l.SetIdealModel();
    l.SetParameters(sp.s, sp.D, kMeniscus, kBottom, 1.0, kLeftFitLimit, kRightFitLimit);
    l.SetOutput(nullptr, nullptr, headers.data(), output.get(), radii.data(), points, nullptr,
                nullptr, 0, nullptr, kScans, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
    l.SetNumerics(100, n.maxGrid, n.pointsPerSigma, 0, 1e-4, 1, 1, n.autoGridSize, 1.0f, 1, 0, 0,
                  1e-6, 1.0, 1, 0, 0, 1.0, 0.1, 0.3, n.maxChange, n.defaultGrid, 0, 1, 0, 1e-4f,
                  1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    l.SetSolvent(20.0, 0.73, 0.99823, 1.0);
  }
};

// The converged reference for a species whose default grid has the given
// size, made once per size.
const OneBasedMatrix<float>& Reference(const Species& sp, int defaultGridSize) {
  static std::map<std::pair<double, int>, OneBasedMatrix<float>> made;
  auto found = made.find({sp.s, defaultGridSize});
  if (found != made.end()) return found->second;
  Experiment e;
  CLammIdeal l;
  Numerics n;
  n.autoGridSize = 0;
  n.defaultGrid = n.maxGrid = 16 * defaultGridSize;
  n.maxChange = 0.25;
  e.Configure(l, sp, n);
  l.Solve();
  return made.emplace(std::make_pair(sp.s, defaultGridSize), std::move(e.output)).first->second;
}

struct Difference {
  double rms = 0.0, max = 0.0;
};

Difference Compare(const Experiment& e, const OneBasedMatrix<float>& reference) {
  Difference d;
  long count = 0;
  for (int k = 1; k <= kScans; ++k)
    for (int i = 1; i <= e.points && e.radii[i] <= kRightFitLimit + 1e-6; ++i) {
      const double x = static_cast<double>(e.output[k][i]) - reference[k][i];
      d.rms += x * x;
      d.max = std::max(d.max, std::fabs(x));
      ++count;
    }
  d.rms = std::sqrt(d.rms / count);
  return d;
}

// One solution per iteration; the counters compare the last one with the
// reference.
void SolveOnTheMovingFrame(benchmark::State& state, const Species& sp, double maxChange,
                           float pointsPerSigma = 5.0f) {
  Experiment e;
  CLammIdeal l;
  Numerics n;
  n.maxChange = maxChange;
  n.pointsPerSigma = pointsPerSigma;
  e.Configure(l, sp, n);
  std::int32_t code = 0;
  for (auto _ : state) {
    code = l.Solve();
    benchmark::DoNotOptimize(code);
    benchmark::ClobberMemory();
  }
  state.counters["code"] = code;
  state.counters["grid"] = l.GridSize;
  state.counters["steps"] = l.StepCount;
  const Difference d = Compare(e, Reference(sp, l.GridSize));
  state.counters["rms"] = d.rms;
  state.counters["max"] = d.max;
}

void BM_MovingFrameSmallProtein(benchmark::State& state) {
  SolveOnTheMovingFrame(state, kSmallProtein, 1.0);
}
void BM_MovingFrameLargeParticle(benchmark::State& state) {
  SolveOnTheMovingFrame(state, kLargeParticle, 1.0);
}
// A finer grid than the default rule's: 7 points per sigma of the diffusion
// spread instead of 5.
void BM_MovingFrameSmallProteinSevenPointsPerSigma(benchmark::State& state) {
  SolveOnTheMovingFrame(state, kSmallProtein, 1.0, 7.0f);
}
// Shorter steps than the defaults: a quarter of a shift interval.
void BM_MovingFrameSmallProteinQuarterSteps(benchmark::State& state) {
  SolveOnTheMovingFrame(state, kSmallProtein, 0.25);
}
void BM_MovingFrameLargeParticleQuarterSteps(benchmark::State& state) {
  SolveOnTheMovingFrame(state, kLargeParticle, 0.25);
}

BENCHMARK(BM_MovingFrameSmallProtein)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingFrameLargeParticle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingFrameSmallProteinSevenPointsPerSigma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingFrameSmallProteinQuarterSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingFrameLargeParticleQuarterSteps)->Unit(benchmark::kMillisecond);

}  // namespace
