// The standard c(s) analysis: 60 scans of a three-species mixture
// (meniscus 5.8 cm, bottom 7.2 cm, radii every 0.001 cm, 50,000 rpm, one
// scan every 300 s), made by the Lamm solver with noise of 0.005 and time-
// and radial-invariant offsets; c(s) from 0.5 to 15 S at resolution 100,
// fit range 5.9 to 7.1 cm, TI and RI noise, P = 0.68. Times each phase on
// 1, 2 and 8 threads (kernel of Lamm solutions, normal equations,
// regularisation with NNLS) and the whole run with maximum entropy and with
// the second-derivative penalty.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <random>
#include <vector>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiKernel.h"
#include "distributions/ContiRunSolve.h"
#include "distributions/DistributionArrays.h"
#include "distributions/MonteCarlo.h"
#include "distributions/RunContiSed.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/LammThreadCount.h"
#include "lamm/CLammIdeal.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/LinearSolvers.h"

namespace {

constexpr int kScans = 60;
constexpr double kMeniscus = 5.8, kBottom = 7.2, kStep = 0.001;
constexpr float kRpm = 50000.0f;

int PointCount() {
  return static_cast<int>(std::lround((kBottom - kMeniscus) / kStep)) + 1;
}

// The c(s) settings as the parameter dialog leaves them, at the given
// resolution; with ff0Count > 0 the two-dimensional c(s, f/f0) of that many
// f/f0 values from 1 to 2.5.
void SetModel(RegularizationChoice regularization, float resolution = 100.0f, int ff0Count = 0) {
  ModelSelection.Kind = ff0Count > 0 ? ModelKind::CSFf0 : ModelKind::ContinuousCS;
  ParameterVector[1] = 0.5f;    // smin
  ParameterVector[2] = 0.68f;   // P
  ParameterVector[3] = 0.73f;   // vbar
  ParameterVector[4] = 0.3f;    // hydration
  ParameterVector[5] = 15.0f;   // smax
  ParameterVector[7] = 1.0f;    // density
  ParameterVector[9] = resolution;
  if (ff0Count > 0) {
    ParameterVector[10] = 1.0f;  // f/f0 min
    ParameterVector[6] = 2.5f;   // f/f0 max
    ParameterVector[8] = static_cast<float>(ff0Count);
  }
  ParameterVector[11] = 1.2f;   // f/f0
  ParameterVector[12] = 0.01002f;
  ParameterVector[13] = static_cast<float>(kMeniscus);
  ParameterVector[14] = static_cast<float>(kBottom);
  UnpackParameterVector();
  SelectRegularization(DistributionSettings.RegularizationType, regularization);
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.SystematicNoiseOn = true;
}

// Signal of one species at unit loading on the scans' radii.
std::vector<float> SolveSpecies(OneBasedArray<ScanHeader>& headers, OneBasedArray<float>& radii,
                                double s, double D) {
  const int n = PointCount();
  OneBasedMatrix<float> out(1, kScans, 1, n);
  CLammIdeal solver;
  solver.SetIdealModel();
  solver.SetParameters(s, D, kMeniscus, kBottom, 1.0, 5.9f, 7.1f);
  solver.SetOutput(nullptr, nullptr, headers.data(), out.get(), radii.data(), n, nullptr, nullptr,
                   0, nullptr, kScans, 1, 0, 1, 0, 2.43f, 0, 0.008f, 0);
  solver.SetNumerics(500, 4000, 10.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0,
                     0.1, 0.3, 1.0, 2000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  solver.SetSolvent(293.15, 0.73, 1.0, 1.0);
  solver.Solve();
  std::vector<float> flat(static_cast<std::size_t>(kScans * n));
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= n; ++k) flat[static_cast<std::size_t>((j - 1) * n + k - 1)] = out[j][k];
  return flat;
}

// The loaded data set of the standard case, made once.
void LoadStandardData() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  DataFileLocation.SdistFilePath =
      (std::filesystem::temp_directory_path() / "taluvo_contirun_bench_sdist.dat").string();
  SetModel(RegularizationChoice::MaxEnt);
  const int n = PointCount();
  OneBasedArray<ScanHeader> headers(1, kScans);
  OneBasedArray<float> radii(1, n);
  for (int k = 1; k <= n; ++k) radii[k] = static_cast<float>(kMeniscus + (k - 1) * kStep);
  for (int j = 1; j <= kScans; ++j) {
    ScanHeader& h = headers[j];
    h.Rpm = kRpm;
    h.Temperature = 20.0f;
    h.Time = h.RecordedTime = 300.0 * j;
    const double omega = kRpm * 3.14159265358979323846 / 30.0;
    h.Omega2t = omega * omega * h.Time;
    h.RampAcceleration = 1e6;
    h.PointCount = n;
  }
  std::vector<double> signal(static_cast<std::size_t>(kScans * n), 0.0);
  for (const auto& [s, c] : {std::pair{2.0, 0.3}, std::pair{5.0, 0.5}, std::pair{10.0, 0.2}}) {
    const float M = CalculateM(static_cast<float>(s));
    const auto one = SolveSpecies(headers, radii, s, DFromMass(M, 20.0f));
    for (std::size_t i = 0; i < signal.size(); ++i) signal[i] += c * one[i];
  }
  std::mt19937 random(7u);
  std::normal_distribution<double> gauss(0.0, 0.005);
  std::uniform_real_distribution<double> offset(-0.05, 0.05);
  std::vector<double> ti(static_cast<std::size_t>(n));
  for (double& v : ti) v = offset(random);

  auto& d = ScanDataSet;
  AllocScanSlots(kScans);
  d.NFILES = kScans;
  for (int j = 1; j <= kScans; ++j) {
    const double ri = offset(random);
    for (auto* a : {&d.ScanRadius[j], &d.ScanSignal[j], &d.ScanModel[j], &d.ScanNoise[j],
                    &d.ScanResiduals[j]})
      a->Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      d.ScanRadius[j][k] = radii[k];
      d.ScanSignal[j][k] =
          static_cast<float>(signal[static_cast<std::size_t>((j - 1) * n + k - 1)] +
                             ti[static_cast<std::size_t>(k - 1)] + ri + gauss(random));
    }
    d.ScanHeaders[j] = headers[j];
    d.ScanPointCount[j] = n;
    d.ScanTimeOrder[j] = j;
    d.ScanFilePaths[j] = "bench.ip1";
  }
  d.FitLeftLim = 5.9f;
  d.FitRightLim = 7.1f;
  SetupCommonRadialGrid();
}

void SetThreads(int threads) {
  LammThreadCount = threads;
  DistributionSettings.ThreadCount = threads;
  DistributionSettings.MultithreadingOn = threads > 1;
}

// Grid and species; the kernel itself is left to the caller.
struct Species {
  std::vector<double> s, D, vbar;
};

Species PrepareGrid() {
  LoadStandardData();
  SetModel(RegularizationChoice::MaxEnt);
  MakeContiGrid();
  const int n = DistributionSettings.DistGridSize;
  Species x{std::vector<double>(static_cast<std::size_t>(n) + 1),
            std::vector<double>(static_cast<std::size_t>(n) + 1),
            std::vector<double>(static_cast<std::size_t>(n) + 1)};
  for (int i = 1; i <= n; ++i) {
    const GridPointSpecies p = ConvertGridPoint(i, ModelKind::ContinuousCS, 20.0f);
    x.s[static_cast<std::size_t>(i)] = p.s;
    x.D[static_cast<std::size_t>(i)] = p.D;
    x.vbar[static_cast<std::size_t>(i)] = 0.73;
  }
  return x;
}

void BM_Kernel(benchmark::State& state) {
  SetThreads(static_cast<int>(state.range(0)));
  Species x = PrepareGrid();
  const int n = DistributionSettings.DistGridSize;
  for (auto _ : state) RunSVContiSedList(nullptr, n, x.s.data(), x.D.data(), x.vbar.data());
  state.counters["kernel_MB"] =
      static_cast<double>(n) * kScans * (CommonRadialGrid.CommonGridSize + 1) * sizeof(float) / 1e6;
}

// The kernel of the standard grid, made once for the phases after it.
void EnsureKernel() {
  static bool made = false;
  if (made && DistKernel.Exists() && NormalEquations.Exists()) return;
  SetThreads(8);
  Species x = PrepareGrid();
  RunSVContiSedList(nullptr, DistributionSettings.DistGridSize, x.s.data(), x.D.data(),
                    x.vbar.data());
  made = true;
}

void BM_NormalEquations(benchmark::State& state) {
  EnsureKernel();
  SetThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) BuildContiNormalEquations(nullptr);
  // Lower triangle of K'ᵀK' and K'ᵀy': two flops per product.
  const double n = DistributionSettings.DistGridSize;
  const auto& g = CommonRadialGrid;
  const double points =
      static_cast<double>(kScans) * (g.GridLastFitIndex - g.GridFirstFitIndex + 1);
  state.counters["GFLOP/s"] = benchmark::Counter(n * (n + 3) * points * 1e-9,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Regularization(benchmark::State& state) {
  EnsureKernel();
  SetThreads(8);
  BuildContiNormalEquations(nullptr);
  const auto choice = static_cast<RegularizationChoice>(state.range(0));
  SelectRegularization(DistributionSettings.RegularizationType, choice);
  const long long before = CholeskyFactorisationCount();
  for (auto _ : state)
    RegularizeDistribution(ModelKind::ContinuousCS, DistributionSettings.DistGridSize);
  state.counters["factorisations"] = benchmark::Counter(
      static_cast<double>(CholeskyFactorisationCount() - before), benchmark::Counter::kAvgIterations);
}

void BM_WholeRun(benchmark::State& state) {
  LoadStandardData();
  const auto choice = static_cast<RegularizationChoice>(state.range(0));
  const long long before = CholeskyFactorisationCount();
  for (auto _ : state) {
    SetModel(choice);
    SetThreads(static_cast<int>(state.range(1)));
    RunContiSed(nullptr);
  }
  state.counters["factorisations"] = benchmark::Counter(
      static_cast<double>(CholeskyFactorisationCount() - before), benchmark::Counter::kAvgIterations);
}

// The standard case at a resolution (first argument), or as c(s, f/f0)
// with the second argument's number of f/f0 values, maximum entropy, on the
// third argument's threads. Three runs each, as in a fit, whose runs follow
// one another at one size: the first alone pays for mapping the storage
// that the later ones keep.
void BM_WholeRunLarge(benchmark::State& state) {
  LoadStandardData();
  const long long before = CholeskyFactorisationCount();
  for (auto _ : state) {
    SetModel(RegularizationChoice::MaxEnt, static_cast<float>(state.range(0)),
             static_cast<int>(state.range(1)));
    SetThreads(static_cast<int>(state.range(2)));
    RunContiSed(nullptr);
  }
  state.counters["factorisations"] = benchmark::Counter(
      static_cast<double>(CholeskyFactorisationCount() - before), benchmark::Counter::kAvgIterations);
  SetModel(RegularizationChoice::MaxEnt);
}

BENCHMARK(BM_Kernel)
    ->Arg(1)
    ->Arg(2)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_NormalEquations)
    ->Arg(1)
    ->Arg(2)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Regularization)
    ->Arg(static_cast<int>(RegularizationChoice::MaxEnt))
    ->Arg(static_cast<int>(RegularizationChoice::SecondDerivative))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRun)
    ->Args({static_cast<int>(RegularizationChoice::MaxEnt), 1})
    ->Args({static_cast<int>(RegularizationChoice::MaxEnt), 2})
    ->Args({static_cast<int>(RegularizationChoice::MaxEnt), 8})
    ->Args({static_cast<int>(RegularizationChoice::SecondDerivative), 2})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

BENCHMARK(BM_WholeRunLarge)
    ->ArgNames({"resolution", "ff0", "threads"})
    ->Args({100, 0, 1})
    ->Args({400, 0, 1})
    ->Args({100, 0, 8})
    ->Args({400, 0, 8})
    ->Args({100, 10, 8})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

namespace {

// Monte Carlo of the standard c(s) with maximum entropy: the base fit (its
// kernel and normal equations) and 100 replicas, on 1, 2 and 8 threads.
void BM_MonteCarlo(benchmark::State& state) {
  LoadStandardData();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "taluvo_montecarlo_bench";
  std::filesystem::create_directories(folder);
  for (auto _ : state) {
    SetModel(RegularizationChoice::MaxEnt);
    SetThreads(static_cast<int>(state.range(0)));
    MonteCarloDistributions(nullptr, 100, 0.68f, (folder / "mc.dat").string(), false);
    MonteCarloFinish(nullptr);
  }
}

BENCHMARK(BM_MonteCarlo)
    ->Arg(1)
    ->Arg(2)
    ->Arg(8)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
