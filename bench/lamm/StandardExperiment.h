// The standard sedimentation velocity experiment the Lamm equation benchmarks
// share: meniscus 5.8 cm, bottom 7.2 cm, output every 0.001 cm, 50,000 rpm
// from the start, 20 degrees Celsius, 60 scans every 300 s, in water with a
// partial specific volume of 0.73 cm^3/g. Keeping it in one place keeps the
// figures of the different benchmarks comparable.

#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "data/ScanHeader.h"
#include "lamm/CLammIdeal.h"
#include "numerics/OneBasedArrays.h"

namespace standard_experiment {

inline constexpr double kMeniscus = 5.8, kBottom = 7.2;  // cm
inline constexpr float kLeftFitLimit = 5.9f, kRightFitLimit = 7.15f;
inline constexpr double kSpacing = 0.001;  // cm
inline constexpr float kRpm = 50000.0f;
inline constexpr int kScans = 60;
inline constexpr double kInterval = 300.0;  // s
inline constexpr double kVbar = 0.73, kDensity = 0.99823;

struct Species {
  double s, D;  // S, cm^2/s
};
inline constexpr Species kSmallProtein{4.5, 6e-7};
inline constexpr Species kLargeParticle{100.0, 2e-8};

// The numerical settings a run is made with; the defaults are those of the
// numerical settings dialog, with the fixed-grid algorithm chosen by hand.
struct Numerics {
  std::uint8_t autoGridSize = 1, optimize = 1, truncation = 1, fixedStep = 0;
  std::uint8_t automaticAlgorithm = 0, movingFrame = 0, fixedGrid = 1;
  float pointsPerSigma = 5.0f;  // "points per sigma" of the grid rule
  std::int32_t defaultGrid = 1000, maxGrid = 2000;
  // "max dc/c"; the fixed step in s with fixedStep, the step in shift
  // intervals on the moving frame.
  double maxChange = 1.0;
};

// The settings of the dialog's defaults with the moving frame chosen by hand.
inline Numerics MovingFrameNumerics() {
  Numerics n;
  n.movingFrame = 1;
  n.fixedGrid = 0;
  return n;
}

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

  // Binds l to this experiment's scans and rows for one species.
  void Configure(CLammIdeal& l, const Species& sp, const Numerics& n) {
    l.SetIdealModel();
    l.SetParameters(sp.s, sp.D, kMeniscus, kBottom, 1.0, kLeftFitLimit, kRightFitLimit);
    l.SetOutput(nullptr, nullptr, headers.data(), output.get(), radii.data(), points, nullptr,
                nullptr, 0, nullptr, kScans, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
    l.SetNumerics(100, n.maxGrid, n.pointsPerSigma, 0, 1e-4, 1, n.optimize, n.autoGridSize, 1.0f, 1,
                  n.fixedStep, 0, 1e-6, 1.0, 1, 0, n.automaticAlgorithm, 1.0, 0.1, 0.3, n.maxChange,
                  n.defaultGrid, 0, n.movingFrame, n.fixedGrid, 1e-4f, 1e-6, n.truncation, 1.0, 2.0,
                  5.0, 60.0);
    l.SetSolvent(20.0, kVbar, kDensity, 1.0);
  }
};

struct Difference {
  double rms = 0.0, max = 0.0;
};

// The rms and largest difference of e's rows from the reference's over all
// scans and the radii up to the right fit limit.
inline Difference Compare(const Experiment& e, const OneBasedMatrix<float>& reference) {
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

// A solver that counts its propagations: a solve that needed a repeat after
// a numerical failure propagates more than once.
class CountingSolver : public CLammIdeal {
 public:
  long long Propagations = 0;
  void Propagate() override {
    ++Propagations;
    CLammIdeal::Propagate();
  }
};

// Solves l once per benchmark iteration; the counters give the last run's
// return code, grid size and number of steps, and, for a counting solver,
// the propagations per solve (1 when no solve was repeated).
template <class Solver>
void SolveEachIteration(benchmark::State& state, Solver& l) {
  std::int32_t code = 0;
  constexpr bool counting = requires { l.Propagations; };
  if constexpr (counting) l.Propagations = 0;
  for (auto _ : state) {
    code = l.Solve();
    benchmark::DoNotOptimize(code);
    benchmark::ClobberMemory();
  }
  state.counters["code"] = code;
  state.counters["grid"] = l.GridSize;
  state.counters["steps"] = l.StepCount;
  if constexpr (counting)
    state.counters["propagations"] =
        static_cast<double>(l.Propagations) / static_cast<double>(state.iterations());
}

// Counters of the rms and largest difference of e's rows from the reference.
inline void CountDifference(benchmark::State& state, const Experiment& e,
                            const OneBasedMatrix<float>& reference) {
  const Difference d = Compare(e, reference);
  state.counters["rms"] = d.rms;
  state.counters["max"] = d.max;
}

}  // namespace standard_experiment
