// Wall time of a list of 100 Lamm equations, the kernel of a c(s)
// distribution, solved on 1, 2 and 4 worker threads: the standard
// sedimentation velocity experiment (meniscus 5.8 cm, bottom 7.2 cm, output
// every 0.001 cm, 50,000 rpm from the start, 20 degrees Celsius, 60 scans
// every 300 s) with s from 0.5 to 30 S at a frictional ratio of 1.3. The
// counter "speedup" is the time on one thread over the time of the run.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <vector>

#include "data/ScanHeader.h"
#include "distributions/records/LammThreadCount.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammLists.h"
#include "models/records/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr double kMeniscus = 5.8, kBottom = 7.2;  // cm
constexpr float kLeftFitLimit = 5.9f, kRightFitLimit = 7.15f;
constexpr double kSpacing = 0.001;  // cm
constexpr float kRpm = 50000.0f;
constexpr int kScans = 60;
constexpr double kInterval = 300.0;  // s
constexpr int kSpecies = 100;
constexpr double kVbar = 0.73, kDensity = 0.99823, kFrictionalRatio = 1.3;

// D of a compact particle of sedimentation coefficient s (S) and frictional
// ratio f/f0 in water at 20 degrees Celsius, from the Svedberg and Stokes
// equations: D = sqrt(2)/(18 pi) kT s^-1/2 (eta f/f0)^-3/2 ((1 - vbar rho)/vbar)^1/2.
double DiffusionOf(double s) {
  const double kT = 1.380649e-16 * 293.15;  // erg
  const double eta = 0.01002;               // poise
  return std::sqrt(2.0) / (18 * std::numbers::pi) * kT * std::pow(s * 1e-13, -0.5) *
         std::pow(eta * kFrictionalRatio, -1.5) * std::sqrt((1 - kVbar * kDensity) / kVbar);
}

struct ListExperiment {
  OneBasedArray<ScanHeader> headers{1, kScans};
  OneBasedArray<float> radii;
  OneBasedMatrix<float> masterRows;
  std::vector<OneBasedMatrix<float>> rows;
  OneBasedArray<float**> outputs{1, kSpecies};
  OneBasedArray<double> s{1, kSpecies}, D{1, kSpecies};
  int points = 0;
  CLammIdeal master;

  ListExperiment() : rows(kSpecies + 1) {
    const double omega = kRpm * 2 * std::numbers::pi / 60;
    for (int k = 1; k <= kScans; ++k) {
      ScanHeader& h = headers[k];
      h.Rpm = kRpm;
      h.Temperature = 20.0f;
      h.Time = h.RecordedTime = k * kInterval;
      h.Omega2t = omega * omega * h.Time;
      h.RampAcceleration = 1e6;  // no ramp recorded: full speed from the start
    }
    points = static_cast<int>(std::lround((kBottom - kMeniscus) / kSpacing)) + 1;
    radii.Resize(1, points);
    for (int i = 1; i <= points; ++i) radii[i] = static_cast<float>(kMeniscus + (i - 1) * kSpacing);
    masterRows.Resize(1, kScans, 1, points);
    for (int i = 1; i <= kSpecies; ++i) {
      s[i] = 0.5 + (30.0 - 0.5) * (i - 1) / (kSpecies - 1);
      D[i] = DiffusionOf(s[i]);
      rows[i].Resize(1, kScans, 1, points);
      outputs[i] = rows[i].get();
    }
    master.SetIdealModel();
    master.SetParameters(s[1], D[1], kMeniscus, kBottom, 1.0, kLeftFitLimit, kRightFitLimit);
    master.SetOutput(nullptr, nullptr, headers.data(), masterRows.get(), radii.data(), points,
                     nullptr, nullptr, 0, nullptr, kScans, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
    master.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 1, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0,
                       0.1, 0.3, 1.0, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    master.SetSolvent(20.0, kVbar, kDensity, 1.0);
  }

  std::int32_t Run() {
    return CLRunMTListConst(master, kSpecies, s.data(), D.data(), static_cast<float>(kVbar),
                            outputs.data(), radii.data(), points, nullptr, nullptr);
  }
};

// Seconds per list on one thread, measured by the first benchmark.
std::map<int, double> SecondsPerList;

void BM_LammList100Species(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  ListExperiment e;
  LammThreadCount = threads;
  ComputationAbort = false;
  double seconds = 0;
  std::int64_t lists = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const std::int32_t code = e.Run();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++lists;
    if (code != 0) state.SkipWithError("a list equation failed");
    benchmark::DoNotOptimize(e.rows[kSpecies][kScans][e.points / 2]);
  }
  SecondsPerList[threads] = seconds / static_cast<double>(lists);
  state.counters["ms_per_equation"] = 1e3 * SecondsPerList[threads] / kSpecies;
  if (SecondsPerList.count(1))
    state.counters["speedup"] = SecondsPerList[1] / SecondsPerList[threads];
  LammThreadCount = 2;
}
BENCHMARK(BM_LammList100Species)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
