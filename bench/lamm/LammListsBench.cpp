// Wall time of a list of 100 Lamm equations, the kernel of a c(s)
// distribution, solved on 1, 2, 4 and 8 worker threads, on a quiet machine
// and with one core kept busy by another thread (as another program would): the standard
// sedimentation velocity experiment (meniscus 5.8 cm, bottom 7.2 cm, output
// every 0.001 cm, 50,000 rpm from the start, 20 degrees Celsius, 60 scans
// every 300 s) with s from 0.5 to 30 S at a frictional ratio of 1.3. The
// counter "speedup" is the median time on one thread over the time of the run. The
// third argument gives the workers fixed shares (i mod N + 1) instead of the
// shared counter.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

#include "StandardExperiment.h"
#include "state/LammThreadCount.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammLists.h"
#include "lamm/LammWorkerThread.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"

namespace {

using namespace standard_experiment;

constexpr int kSpecies = 100;
constexpr double kFrictionalRatio = 1.3;

// D of a compact particle of sedimentation coefficient s (S) and frictional
// ratio f/f0 in water at 20 degrees Celsius, from the Svedberg and Stokes
// equations: D = sqrt(2)/(18 pi) kT s^-1/2 (eta f/f0)^-3/2 ((1 - vbar rho)/vbar)^1/2.
double DiffusionOf(double s) {
  const double kT = 1.380649e-16 * 293.15;  // erg
  const double eta = 0.01002;               // poise
  return std::sqrt(2.0) / (18 * std::numbers::pi) * kT * std::pow(s * 1e-13, -0.5) *
         std::pow(eta * kFrictionalRatio, -1.5) * std::sqrt((1 - kVbar * kDensity) / kVbar);
}

// The standard experiment's scans and radii, with the master equation bound
// to its rows and one output of the same shape per species of the list.
struct ListExperiment {
  Experiment base;
  std::vector<OneBasedMatrix<float>> rows;
  OneBasedArray<float**> outputs{1, kSpecies};
  OneBasedArray<double> s{1, kSpecies}, D{1, kSpecies};
  CLammIdeal master;

  ListExperiment() : rows(kSpecies + 1) {
    for (int i = 1; i <= kSpecies; ++i) {
      s[i] = 0.5 + (30.0 - 0.5) * (i - 1) / (kSpecies - 1);
      D[i] = DiffusionOf(s[i]);
      rows[i].Resize(1, kScans, 1, base.points);
      outputs[i] = rows[i].get();
    }
    Numerics n;
    n.automaticAlgorithm = 1;
    base.Configure(master, Species{s[1], D[1]}, n);
  }

  std::int32_t Run() {
    return CLRunMTListConst(master, kSpecies, s.data(), D.data(), static_cast<float>(kVbar),
                            outputs.data(), base.radii.data(), base.points, nullptr, nullptr);
  }
};

// Seconds per list of every repetition on one thread, measured by the first
// benchmark: the speed-up divides their median, so that with repetitions a
// slow or fast last repetition does not set the figure of every other run.
std::vector<double> OneThreadSeconds;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t h = v.size() / 2;
  return v.size() % 2 != 0 ? v[h] : 0.5 * (v[h - 1] + v[h]);
}

// A thread that keeps one core busy while it lives.
class BusyCore {
 public:
  BusyCore() : spinner_([this] {
    while (!stop_.load(std::memory_order_relaxed)) benchmark::DoNotOptimize(++spins_);
  }) {}
  ~BusyCore() {
    stop_ = true;
    spinner_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  long long spins_ = 0;
  std::thread spinner_;
};

void BM_LammList100Species(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  std::unique_ptr<BusyCore> busy;
  if (state.range(1) != 0) busy = std::make_unique<BusyCore>();
  ListExperiment e;
  LammThreadCount = threads;
  LammListFixedShares = state.range(2) != 0;
  ComputationAbort = false;
  double seconds = 0;
  std::int64_t lists = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const std::int32_t code = e.Run();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++lists;
    if (code != 0) state.SkipWithError("a list equation failed");
    benchmark::DoNotOptimize(e.rows[kSpecies][kScans][e.base.points / 2]);
  }
  const double perList = seconds / static_cast<double>(lists);
  if (threads == 1 && state.range(1) == 0 && state.range(2) == 0) OneThreadSeconds.push_back(perList);
  state.counters["ms_per_equation"] = 1e3 * perList / kSpecies;
  if (!OneThreadSeconds.empty()) state.counters["speedup"] = Median(OneThreadSeconds) / perList;
  LammThreadCount = 2;
  LammListFixedShares = false;
}
BENCHMARK(BM_LammList100Species)
    ->ArgNames({"threads", "busyCore", "fixedShares"})
    ->Args({1, 0, 0})
    ->Args({2, 0, 0})
    ->Args({4, 0, 0})
    ->Args({8, 0, 0})
    ->Args({8, 1, 0})
    ->Args({8, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
