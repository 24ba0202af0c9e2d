// Cost and accuracy of one Lamm equation solution on the fixed grid, for the
// standard sedimentation velocity experiment: meniscus 5.8 cm, bottom 7.2 cm,
// output every 0.001 cm, 50,000 rpm from the start, 20 degrees Celsius, 60
// scans every 300 s; a small protein (s = 4.5 S, D = 6e-7 cm^2/s) and a large
// particle (s = 100 S, D = 2e-8 cm^2/s).
//
// Accuracy is judged against a converged solution of the same equation: the
// solver itself on a uniform grid 16 times finer than the one the default
// rules choose, with small fixed time steps. The counters give the rms and
// largest difference of the concentration relative to the loading
// concentration over all scans and radii up to 7.15 cm.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "StandardExperiment.h"
#include "lamm/CLammIdeal.h"
#include "numerics/OneBasedArrays.h"

namespace {

using namespace standard_experiment;

// The converged reference: a uniform grid of 16 times the default size and
// fixed steps of the given length, into the rows of e.
void SolveReference(Experiment& e, const Species& sp, int defaultGridSize, double step) {
  CLammIdeal l;
  Numerics n;
  n.autoGridSize = n.optimize = n.truncation = 0;
  n.fixedStep = 1;
  n.defaultGrid = 16 * defaultGridSize;
  n.maxGrid = n.defaultGrid;
  n.maxChange = step;
  e.Configure(l, sp, n);
  l.Solve();
}

// The grid size the default rules choose on the fixed grid.
int DefaultFixedGridSize(const Species& sp) {
  Experiment e;
  CLammIdeal l;
  e.Configure(l, sp, Numerics{});
  l.InitRotorSpeed();
  l.ChooseMethod();
  l.ChooseGridSize();
  return l.GridSize;
}

// One solution per iteration with the given numerics; the counters compare
// the last one with the reference.
void SolveStandardCase(benchmark::State& state, const Species& sp, const Numerics& n,
                       double referenceStep) {
  Experiment e;
  CountingSolver l;
  e.Configure(l, sp, n);
  SolveEachIteration(state, l);
  Experiment reference;
  SolveReference(reference, sp, DefaultFixedGridSize(sp), referenceStep);
  CountDifference(state, e, reference.output);
}

// At the settings' defaults, with the fixed grid chosen.
void BM_SmallProteinDefaults(benchmark::State& state) {
  SolveStandardCase(state, kSmallProtein, Numerics{}, 0.5);
}
// With the "points per sigma" of the first argument, and "dynamically
// truncate grid" on or off by the second.
void BM_SmallProteinSettings(benchmark::State& state) {
  Numerics n;
  n.pointsPerSigma = static_cast<float>(state.range(0));
  n.truncation = static_cast<std::uint8_t>(state.range(1));
  SolveStandardCase(state, kSmallProtein, n, 0.5);
}
// The fixed grid cannot carry this species: at the meniscus the cell Peclet
// number s w^2 r h/D is about 55, the first seconds leave negative values
// there, and the step control ends the run as blown up. Solve then repeats it
// in the moving frame, which is what these figures measure.
void BM_LargeParticleDefaults(benchmark::State& state) {
  SolveStandardCase(state, kLargeParticle, Numerics{}, 0.025);
}

BENCHMARK(BM_SmallProteinDefaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallProteinSettings)
    ->ArgsProduct({{5, 10, 15, 17, 20}, {1, 0}})
    ->ArgNames({"pointsPerSigma", "truncation"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeParticleDefaults)->Unit(benchmark::kMillisecond);

}  // namespace
