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

#include <map>
#include <utility>

#include "StandardExperiment.h"
#include "lamm/CLammIdeal.h"
#include "numerics/OneBasedArrays.h"

namespace {

using namespace standard_experiment;

// The converged reference for a species whose default grid has the given
// size, made once per size.
const OneBasedMatrix<float>& Reference(const Species& sp, int defaultGridSize) {
  static std::map<std::pair<double, int>, OneBasedMatrix<float>> made;
  auto found = made.find({sp.s, defaultGridSize});
  if (found != made.end()) return found->second;
  Experiment e;
  CLammIdeal l;
  Numerics n = MovingFrameNumerics();
  n.autoGridSize = 0;
  n.defaultGrid = n.maxGrid = 16 * defaultGridSize;
  n.maxChange = 0.25;
  e.Configure(l, sp, n);
  l.Solve();
  return made.emplace(std::make_pair(sp.s, defaultGridSize), std::move(e.output)).first->second;
}

// One solution per iteration; the counters compare the last one with the
// reference.
void SolveOnTheMovingFrame(benchmark::State& state, const Species& sp, double maxChange,
                           float pointsPerSigma = 5.0f) {
  Experiment e;
  CountingSolver l;
  Numerics n = MovingFrameNumerics();
  n.maxChange = maxChange;
  n.pointsPerSigma = pointsPerSigma;
  e.Configure(l, sp, n);
  SolveEachIteration(state, l);
  CountDifference(state, e, Reference(sp, l.GridSize));
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
