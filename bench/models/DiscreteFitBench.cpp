// A discrete fit of one species on the standard velocity data set: 60 scans
// (meniscus 5.8 cm, bottom 7.2 cm, radii every 0.001 cm, 50,000 rpm, one scan
// every 300 s) of a 5 S, 100 kDa species made by the program's own
// simulation, with noise of 0.005 and time- and radial-invariant offsets;
// s, M, the loading and the meniscus float (the loading as a linear
// parameter), TI and RI noise are fitted, from a start 10 % off. Times one
// evaluation of the objective, and a whole fit with each optimiser, counting
// the evaluations.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/FitDriver.h"
#include "models/FitObjective.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"

namespace {

constexpr int kScans = 60;
constexpr double kMeniscus = 5.8, kBottom = 7.2, kStep = 0.001;
constexpr float kRpm = 50000.0f;

// The fitted model (fit true) or the plain model that makes the data.
void SetSpecies(float s, float M, float c, float meniscus, bool fit) {
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn = {0, 1, 0, 0, 0};
  mp.SedCoefficient[1] = s;
  mp.MassOrD[1] = M;
  mp.Concentration[1] = c;
  mp.SedCoefficientFitted[1] = mp.MassOrDFitted[1] = mp.ConcentrationFitted[1] = fit ? 1 : 0;
  mp.Meniscus = meniscus;
  mp.Bottom = static_cast<float>(kBottom);
  mp.MeniscusFitted = fit ? 1 : 0;
  FitControl.TINoiseFitted = fit;
  mp.RINoiseFitted = fit;
  DeriveFitModeFlags();
  PackParameterVector();
}

// The data set, made once; every call puts the model back at the start.
void PrepareFit() {
  static bool loaded = false;
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  FitControl.MassInsteadOfD = true;
  FitControl.SaveBestParameters = false;
  FitControl.MINMENISCUS = 5.75f;
  FitControl.MAXMENISCUS = 5.85f;
  FitControl.MINBOTTOM = 7.15f;
  FitControl.MAXBOTTOM = 7.25f;
  SolventConditions.GasConstantRT = static_cast<float>(8.31451e7 * 293.15);
  SeedClockRandomGenerators(3);
  if (!loaded) {
    loaded = true;
    const int n = static_cast<int>(std::lround((kBottom - kMeniscus) / kStep)) + 1;
    auto& d = ScanDataSet;
    AllocScanSlots(kScans);
    d.NFILES = kScans;
    for (int j = 1; j <= kScans; ++j) {
      for (auto* a : {&d.ScanRadius[j], &d.ScanSignal[j], &d.ScanModel[j], &d.ScanNoise[j],
                      &d.ScanResiduals[j]})
        a->Resize(1, n);
      for (int k = 1; k <= n; ++k)
        d.ScanRadius[j][k] = static_cast<float>(kMeniscus + (k - 1) * kStep);
      ScanHeader& h = d.ScanHeaders[j];
      h.Rpm = kRpm;
      h.Temperature = 20.0f;
      h.Time = h.RecordedTime = 300.0 * j;
      const double omega = kRpm * 3.14159265358979323846 / 30.0;
      h.Omega2t = static_cast<float>(omega * omega * h.Time);
      h.RampAcceleration = 1e6f;
      h.PointCount = n;
      d.ScanPointCount[j] = n;
      d.ScanTimeOrder[j] = j;
      d.ScanFilePaths[j] = "bench.ra1";
    }
    d.FitLeftLim = 5.9f;
    d.FitRightLim = 7.1f;
    ModelParameters.Meniscus = static_cast<float>(kMeniscus);
    ModelParameters.Bottom = static_cast<float>(kBottom);
    SetFirstFitIndex();
    SetLastFitIndex();
    SetupCommonRadialGrid();
    SetSpecies(5.0f, 100000.0f, 1.0f, static_cast<float>(kMeniscus), false);
    SimulateModel(nullptr);
    std::mt19937 random(7u);
    std::normal_distribution<float> gauss(0.0f, 0.005f);
    for (int j = 1; j <= kScans; ++j)
      for (int k = 1; k <= n; ++k)
        d.ScanSignal[j][k] = d.ScanModel[j][k] + 0.03f * std::sin(9.0f * d.ScanRadius[j][k]) +
                             0.01f * static_cast<float>(j % 7) + gauss(random);
  }
  SetSpecies(4.5f, 90000.0f, 0.9f, 5.81f, true);
}

void BM_OneEvaluation(benchmark::State& state) {
  PrepareFit();
  float v[4] = {0.0f};
  PackFloating(3, v);
  for (auto _ : state) benchmark::DoNotOptimize(SimplexSim(v, nullptr));
}

void BM_Fit(benchmark::State& state) {
  FitDriverSettings.OptimizerKind = static_cast<OptimizerChoice>(state.range(0));
  FitControl.AnnealIterations = 100;  // keeps the annealing to minutes
  int evaluations = 0;
  float rmsd = 0.0f, s = 0.0f, M = 0.0f, meniscus = 0.0f;
  double seconds = 0.0;
  for (auto _ : state) {
    PrepareFit();
    FitControl.AnnealTemperature = FitControl.AnnealStartTemperature;
    // Every evaluation shows its counters once; an annealing's final pass
    // restarts the fit's own counters.
    evaluations = 0;
    FitDisplayLinks.ShowEvaluationProgress = [&evaluations](platform::WindowHandle,
                                                            const std::string&,
                                                            const std::string&) { ++evaluations; };
    const auto start = std::chrono::steady_clock::now();
    FitDriver(nullptr);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rmsd = FitControl.CurrentRmsd;
    s = ModelParameters.SedCoefficient[1];
    M = ModelParameters.MassOrD[1];
    meniscus = ModelParameters.Meniscus;
  }
  ResetFitDisplayLinks();
  state.counters["evaluations"] = evaluations;
  state.counters["ms_per_evaluation"] = evaluations > 0 ? 1e3 * seconds / evaluations : 0.0;
  state.counters["rmsd"] = rmsd;
  state.counters["s"] = s;
  state.counters["M"] = M;
  state.counters["meniscus"] = meniscus;
}

}  // namespace

BENCHMARK(BM_OneEvaluation)->Unit(benchmark::kMillisecond);
// 0 simplex cycles, 1 annealing then Levenberg-Marquardt, 2 Levenberg-Marquardt.
BENCHMARK(BM_Fit)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond);
