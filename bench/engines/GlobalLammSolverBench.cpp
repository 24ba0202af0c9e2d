// Cost and accuracy of the global-state and the moving-hat Lamm engines
// beside the solver object CLammIdeal, for the standard sedimentation
// velocity experiment: meniscus 5.8 cm, bottom 7.2 cm, scans with radii every
// 0.001 cm, 50,000 rpm from the start, 60 scans every 300 s; a small protein
// (s = 4.5 S, D = 6e-7 cm^2/s) and a large particle (s = 100 S, D = 2e-8
// cm^2/s).
//
// The global-state engine runs on an evenly spaced grid of the given size
// with the settings' defaults ("max dc/c" 1, dynamic truncation on,
// back-diffusion not shut off); a failed run is repeated once without
// truncation. The moving-hat engine runs on its geometric grid of the given
// size, its nodes travelling with the species (automatic s_grid), with the
// same "max dc/c". Accuracy of both is judged against CLammIdeal on a uniform
// grid of 16000 points with small fixed time steps; the counters give the rms
// and largest difference relative to the loading over all scans up to
// 7.15 cm.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

#include "data/ScanDataSet.h"
#include "engines/GlobalLammMatrices.h"
#include "engines/GlobalLammSolver.h"
#include "engines/MovingHatEngine.h"
#include "lamm/CLammIdeal.h"
#include "models/GlobalLammState.h"
#include "models/SimulationArrays.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr double kMeniscus = 5.8, kBottom = 7.2;  // cm
constexpr float kLeftFitLimit = 5.9f, kRightFitLimit = 7.15f;
constexpr double kSpacing = 0.001;  // cm
constexpr double kRpm = 50000.0;
constexpr int kScans = 60;
constexpr double kInterval = 300.0;  // s

struct Species {
  double s, D;  // S, cm^2/s
};
constexpr Species kSmallProtein{4.5, 6e-7};
constexpr Species kLargeParticle{100.0, 2e-8};

enum class Engine { GlobalState, MovingHat };

int PointCount() {
  return static_cast<int>(std::lround((kBottom - kMeniscus) / kSpacing)) + 1;
}

// The scans of the standard experiment in the program's data set.
void LoadScans() {
  ScanDataSetRecord& d = ScanDataSet;
  AllocScanSlots(kScans);
  d.NFILES = kScans;
  const int n = PointCount();
  for (int k = 1; k <= kScans; ++k) {
    d.ScanPointCount[k] = n;
    d.ScanRadius[k].Resize(1, n);
    d.ScanSignal[k].Resize(1, n);
    d.ScanModel[k].Resize(1, n);
    d.ScanNoise[k].Resize(1, n);
    d.ScanResiduals[k].Resize(1, n);
    for (int i = 1; i <= n; ++i)
      d.ScanRadius[k][i] = static_cast<float>(kMeniscus + (i - 1) * kSpacing);
    d.ScanHeaders[k].Time = d.ScanHeaders[k].RecordedTime = k * kInterval;
    d.ScanHeaders[k].Rpm = static_cast<float>(kRpm);
    d.ScanHeaders[k].PointCount = n;
    d.ScanTimeOrder[k] = k;
  }
  d.RampRotorSpeed = false;
  d.FitLeftLim = kLeftFitLimit;
  d.FitRightLim = kRightFitLimit;
}

// One run of the engine as the dispatcher starts it.
void StartEngine(const Species& sp, int gridSize, Engine engine) {
  ScanDataSetRecord& d = ScanDataSet;
  for (int k = 1; k <= kScans; ++k)
    for (int i = 1; i <= d.ScanPointCount[k]; ++i) d.ScanModel[k][i] = 0.0f;
  ModelParameters.Meniscus = static_cast<float>(kMeniscus);
  ModelParameters.Bottom = static_cast<float>(kBottom);
  LammSolverSettings.LammGridSize = gridSize;
  const bool movingHat = engine == Engine::MovingHat;
  LammSolverSettings.MovingFrame = movingHat;
  LammSolverSettings.FixedGrid = !movingHat;
  // The sign of s_grid places the second node of the geometric grid.
  if (movingHat) LammSolverSettings.AutoSGridValue = sp.s;
  if (!GlobalLammArrays.LammArraysAllocated || GlobalLammArrays.LammAllocatedSize != gridSize ||
      (movingHat && GlobalLammArrays.MovingHatBlock.empty())) {
    FreeSimulationArrays();
    AllocSimulationArrays();
  }
  MakeRadialGrid();
  for (int i = 1; i <= gridSize; ++i) GlobalLammArrays.LammConcentration[i] = 1.0;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.SpeciesS = sp.s;
  run.SpeciesD = sp.D;
  run.RunRpm = run.FinalRpm = kRpm;
  run.SimTime = 0.0;
  run.TimeStep = 1.0;
  run.IterationCount = 0;
  run.KeepRunning = 1;
  run.NextScan = 1;
  run.NextScanTime = run.OutputTime = kInterval;
  run.OutputPending = 1;
  run.MaxRelativeChange = LammSolverSettings.MaxChangePerStep;
  if (movingHat)
    RunMovingHatLamm();
  else
    PropagateGlobalLamm();
}

// A failed global-state run is repeated once without truncation, as the
// dispatcher does; the moving hat truncates nothing.
void RunEngine(const Species& sp, int gridSize, Engine engine) {
  GlobalLammRun.RetryRun = false;
  LammSolverSettings.DynamicTruncation = true;
  StartEngine(sp, gridSize, engine);
  if (engine == Engine::MovingHat) return;
  if (!GlobalLammRun.TridiagError && !GlobalLammRun.DiscretizationError) return;
  GlobalLammRun.RetryRun = true;
  LammSolverSettings.DynamicTruncation = false;
  StartEngine(sp, gridSize, engine);
  LammSolverSettings.DynamicTruncation = true;
}

// CLammIdeal on a fine uniform grid with fixed steps: the reference.
OneBasedMatrix<float> Reference(const Species& sp, double step) {
  OneBasedArray<ScanHeader> headers(1, kScans);
  const double omega = kRpm * 2 * std::numbers::pi / 60;
  for (int k = 1; k <= kScans; ++k) {
    ScanHeader& h = headers[k];
    h.Rpm = static_cast<float>(kRpm);
    h.Temperature = 20.0f;
    h.Time = h.RecordedTime = k * kInterval;
    h.Omega2t = omega * omega * h.Time;
    h.RampAcceleration = 1e6;
    h.RampDuration = 0;
  }
  const int points = PointCount();
  OneBasedArray<float> radii(1, points);
  for (int i = 1; i <= points; ++i) radii[i] = ScanDataSet.ScanRadius[1][i];
  OneBasedMatrix<float> output(1, kScans, 1, points);
  CLammIdeal l;
  l.SetIdealModel();
  l.SetParameters(sp.s, sp.D, kMeniscus, kBottom, 1.0, kLeftFitLimit, kRightFitLimit);
  l.SetOutput(nullptr, nullptr, headers.data(), output.get(), radii.data(), points, nullptr,
              nullptr, 0, nullptr, kScans, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
  l.SetNumerics(100, 16000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 1, 1, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1,
                0.3, step, 16000, 0, 0, 1, 1e-4f, 1e-6, 0, 1.0, 2.0, 5.0, 60.0);
  l.SetSolvent(20.0, 0.73, 0.99823, 1.0);
  l.Solve();
  return output;
}

void CompareWithReference(benchmark::State& state, const Species& sp, double step) {
  const OneBasedMatrix<float> reference = Reference(sp, step);
  double rms = 0.0, largest = 0.0;
  long count = 0;
  for (int k = 1; k <= kScans; ++k)
    for (int i = 1; i <= PointCount() && ScanDataSet.ScanRadius[k][i] <= kRightFitLimit + 1e-6;
         ++i) {
      const double x = static_cast<double>(ScanDataSet.ScanModel[k][i]) - reference[k][i];
      rms += x * x;
      largest = std::max(largest, std::fabs(x));
      ++count;
    }
  state.counters["rms"] = std::sqrt(rms / count);
  state.counters["max"] = largest;
}

void SolveStandardCase(benchmark::State& state, const Species& sp, double referenceStep,
                       Engine engine = Engine::GlobalState) {
  LoadScans();
  const int grid = static_cast<int>(state.range(0));
  for (auto _ : state) {
    RunEngine(sp, grid, engine);
    benchmark::ClobberMemory();
  }
  state.counters["steps"] = GlobalLammRun.IterationCount;
  state.counters["tridag"] = GlobalLammRun.TridiagError;
  state.counters["failed"] = GlobalLammRun.DiscretizationError;
  state.counters["t"] = GlobalLammRun.SimTime;
  CompareWithReference(state, sp, referenceStep);
}

void BM_GlobalSmallProtein(benchmark::State& state) {
  SolveStandardCase(state, kSmallProtein, 0.5);
}
void BM_GlobalLargeParticle(benchmark::State& state) {
  SolveStandardCase(state, kLargeParticle, 0.025);
}
void BM_MovingHatSmallProtein(benchmark::State& state) {
  SolveStandardCase(state, kSmallProtein, 0.5, Engine::MovingHat);
}
void BM_MovingHatLargeParticle(benchmark::State& state) {
  SolveStandardCase(state, kLargeParticle, 0.025, Engine::MovingHat);
}

BENCHMARK(BM_GlobalSmallProtein)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobalLargeParticle)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingHatSmallProtein)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingHatLargeParticle)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
