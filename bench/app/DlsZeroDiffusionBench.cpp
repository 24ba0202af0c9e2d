// Discrete simplex fits of light-scattering data that end with a species at
// D near 0. The data: field autocorrelations (90 degrees, 632.8 nm, water at
// 20 C, lags 1 us to 0.3 s, noise 1e-3) of one size (60 nm) or of two sizes
// in equal amounts (30 and 200 nm), D by Stokes-Einstein worked out here.
// The fit starts as the window leaves it (amplitudes linear, random spread
// 1 %) at the given D (1e-7 cm^2/s; the second species at a fifth of it),
// once for each of 20 seeds of the spread. A fit "ends at zero" when a
// species' D is below 0.01 (0.005 for the second) while its rmsd is above
// three times the noise; "zero_share" is the share of the 20 fits that do,
// "reached_share" the share that fit to the noise.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/wiring/AnalysisHooks.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DlsLoading.h"
#include "data/ScanDataSet.h"
#include "models/FitDriver.h"
#include "models/ParameterPacking.h"
#include "numerics/RandomNumbers.h"
#include "platform/HeadlessBackend.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ModelSelection.h"
#include "state/SolventConditions.h"

namespace {

constexpr int kSeeds = 20;
constexpr double kNoise = 1e-3;
constexpr int kLags = 111;

double QSquared() {
  const double pi = 3.14159265358979;
  const double q = 4.0 * pi * 1.333 * std::sin(pi / 4.0) / 632.8e-7;
  return q * q;
}

// D (cm^2/s) of a sphere of radius r (m) in water at 20 C.
double StokesEinsteinD(double r) {
  const double kB = 1.380649e-23, T = 293.15, eta = 1.002e-3, pi = 3.14159265358979;
  return kB * T / (6.0 * pi * eta * r) * 1e4;
}

// One measurement of log10 lags -6 to -0.5 holding the mean of the decays
// of the given D values, amplitude 0.8, with seeded noise.
void LoadMeasurement(const std::vector<double>& Ds) {
  ScanDataSetRecord& d = ScanDataSet;
  AllocScanSlots(1);
  d.NFILES = 1;
  for (auto* a : {&d.ScanRadius[1], &d.ScanSignal[1], &d.ScanModel[1], &d.ScanNoise[1],
                  &d.ScanResiduals[1]})
    a->Resize(1, kLags);
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, kNoise);
  for (int k = 1; k <= kLags; ++k) {
    const double log10Lag = -6.0 + 0.05 * (k - 1);
    double g = 0.0;
    for (double D : Ds)
      g += std::exp(-D * QSquared() * std::pow(10.0, log10Lag)) / static_cast<double>(Ds.size());
    d.ScanRadius[1][k] = static_cast<float>(log10Lag);
    d.ScanSignal[1][k] = static_cast<float>(0.8 * g + noise(random));
  }
  ScanHeader& h = d.ScanHeaders[1];
  h.Temperature = 20.0f;
  h.PointCount = kLags;
  d.ScanPointCount[1] = kLags;
  d.ScanTimeOrder[1] = 1;
  d.ScanFirstFitIndex[1] = 1;
  d.ScanLastFitIndex[1] = kLags;
  d.ScanFilePaths[1] = "dls1.asc";
  DlsRecords.Resize(1, 1);
  DlsRecord& r = DlsRecords[1];
  r.DlsSetting4 = 1.333f;
  r.DlsSetting6 = 90.0f;
  r.DlsSetting7 = 632.8e-9f;
  r.DlsTemperature = 20.0f;
  r.HoldsFieldAcf = true;
  DlsDataMode = true;
  ModelParameters.Meniscus = -6.0f;
  ModelParameters.Bottom = -0.5f;
  SolventConditions.BufferTemperature = 293.15f;
  SetupCommonRadialGrid();
}

struct Outcome {
  bool atZero, reached;
};

Outcome FitOnce(int species, float start, std::uint32_t seed) {
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn = {0, 1, 0, 0, 0};
  mp.Concentration = {0, 1.0f, 0, 0, 0};
  mp.ConcentrationFitted = {0, 1, 0, 0, 0};
  mp.MassOrD = {0, start, 0, 0, 0};
  mp.MassOrDFitted = {0, 1, 0, 0, 0};
  if (species == 2) {
    mp.ComponentOn[2] = 1;
    mp.MassOrD[2] = 0.2f * start;
    mp.MassOrDFitted[2] = 1;
    mp.Concentration[2] = 0.5f;
    mp.ConcentrationFitted[2] = 1;
  }
  for (int k = 1; k <= kLags; ++k) ScanDataSet.ScanModel[1][k] = 0.0f;
  PackParameterVector();
  FitDriverSettings.OptimizerKind = OptimizerChoice::Simplex;
  SeedClockRandomGenerators(seed);
  FitDriver(nullptr);
  const bool poor = FitControl.CurrentRmsd > 3.0 * kNoise;
  const bool zero = mp.MassOrD[1] < 0.01f || (species == 2 && mp.MassOrD[2] < 0.005f);
  return {zero && poor, FitControl.CurrentRmsd < 1.3 * kNoise};
}

// Arguments: number of species (1 or 2), start of D in hundredths.
void BM_DlsSimplexEndsAtZeroD(benchmark::State& state) {
  const int species = static_cast<int>(state.range(0));
  const float start = static_cast<float>(state.range(1)) / 100.0f;
  auto backend = std::make_unique<platform::HeadlessBackend>();
  auto previous = platform::Install(std::move(backend));
  InstallAnalysisHooks();
  FitControl.MassInsteadOfD = false;
  FitControl.SaveBestParameters = false;
  if (species == 1)
    LoadMeasurement({StokesEinsteinD(60e-9)});
  else
    LoadMeasurement({StokesEinsteinD(30e-9), StokesEinsteinD(200e-9)});
  int atZero = 0, reached = 0;
  for (auto _ : state)
    for (int seed = 1; seed <= kSeeds; ++seed) {
      const Outcome o = FitOnce(species, start, static_cast<std::uint32_t>(seed));
      atZero += o.atZero ? 1 : 0;
      reached += o.reached ? 1 : 0;
    }
  state.counters["zero_share"] = static_cast<double>(atZero) / kSeeds;
  state.counters["reached_share"] = static_cast<double>(reached) / kSeeds;
  DlsDataMode = false;
  platform::Install(std::move(previous));
}

BENCHMARK(BM_DlsSimplexEndsAtZeroD)
    ->ArgsProduct({{1, 2}, {2, 5, 500, 2000}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
