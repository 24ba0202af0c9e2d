// Cost of the non-ideal solver beside the ideal one on the same grid, for
// the standard sedimentation velocity experiment (4.5 S, 6e-7 cm^2/s, 50,000
// rpm, 60 scans, output every 0.001 cm): the ideal solver on a uniform fixed
// grid of 1000 points, and the non-ideal solver (which always takes the
// default grid of 1000 points) with a linear ks of 0.01 ml/mg and kd of
// 0.005 ml/mg driven by a mean-field total concentration that follows the
// species' own boundary.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "StandardExperiment.h"
#include "lamm/CLammIdeal.h"
#include "lamm/CLammNonIdeal.h"
#include "numerics/OneBasedArrays.h"

namespace {

using namespace standard_experiment;

// Uniform 1000-point fixed grid, no automatic grid choices.
Numerics SameGrid() {
  Numerics n;
  n.autoGridSize = 0;
  n.optimize = 0;
  return n;
}

// A boundary of the loading concentration 1 (signal units = mg/ml) moving
// as m exp(s w^2 t), its levels spread over 0.1 cm.
struct MeanField {
  static constexpr int kTimes = kScans, kLevels = 20;
  OneBasedMatrix<double> rows{1, kTimes, 1, kLevels};
  OneBasedArray<double> times{1, kTimes}, levels{1, kLevels};
  MeanField() {
    const double omega = kRpm * 2 * std::numbers::pi / 60;
    const double rate = kSmallProtein.s * 1e-13 * omega * omega;
    for (int j = 1; j <= kLevels; ++j) levels[j] = static_cast<double>(j) / kLevels;
    for (int i = 1; i <= kTimes; ++i) {
      times[i] = i * kInterval;
      const double centre = kMeniscus * std::exp(rate * times[i]);
      for (int j = 1; j <= kLevels; ++j) rows[i][j] = centre + 0.1 * (j - 0.5 * kLevels) / kLevels;
    }
  }
};

void BM_IdealSameGrid(benchmark::State& state) {
  Experiment e;
  CLammIdeal l;
  e.Configure(l, kSmallProtein, SameGrid());
  SolveEachIteration(state, l);
}
BENCHMARK(BM_IdealSameGrid)->Unit(benchmark::kMillisecond);

void BM_NonIdealStandard(benchmark::State& state) {
  Experiment e;
  CLammNonIdeal l;
  e.Configure(l, kSmallProtein, SameGrid());
  l.SetNonidealModel(static_cast<float>(std::log10(0.01)), static_cast<float>(std::log10(0.005)),
                     1.0, 0, 0);
  MeanField field;
  const OneBasedMatrix<double>& rows = field.rows;
  l.SetMeanField(MeanField::kTimes, MeanField::kLevels, rows.get(), field.times.data(),
                 field.levels.data(), field.levels[1], "");
  SolveEachIteration(state, l);
}
BENCHMARK(BM_NonIdealStandard)->Unit(benchmark::kMillisecond);

}  // namespace
