#pragma once
// Monte Carlo of a continuous distribution: how much of its shape the data's
// noise and the regularisation determine. The loaded data are fitted once
// without regularisation; the fitted signal is taken as the truth, Gaussian
// noise of the fit's rmsd is added to make N replicas, and each replica is
// solved with the same kernel, normal-equation matrix, noise model and
// regularisation as an ordinary run (only the right-hand side changes). The
// replicas give a mean distribution and pointwise percentile limits, drawn
// on the distribution plot and written as files, and on request confidence
// intervals of the integrated weight-average s and concentration.
// Nonlinear parameters (meniscus, bottom, f/f0) stay fixed.
//
// The replicas are drawn on the user-interface thread in a fixed order and
// solved in batches on the worker threads of the normal equations
// (DistributionSettings.ThreadCount while multithreading is on), each worker
// with its own copy of the normal equations; the results do not depend on
// the number of workers.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"
#include "state/Links.h"

struct MonteCarloRecord {
  bool MonteCarloCurvesShown = false;
  int ReplicaCounter = 0;  // 0 for the base fit
  float BaseRmsd = 0.0f;
  int ReplicaCount = 0;  // N
  // One distribution per row (rows 1..N + 1, values 1..n); for the s x f/f0
  // models the 2-D values, and their distribution over s in the marginal
  // store (base in row 1, replica i in row i + 1).
  OneBasedMatrix<float> ReplicaStore;
  OneBasedMatrix<float> ReplicaMarginalStore;
  int StoreWidth = 0;  // n of ReplicaStore
  std::vector<float> MonteCarloMean, MonteCarloLower, MonteCarloUpper;  // [1..DistGridSize]
  // Folder of the output files, ending with '/' (empty: the current folder).
  std::string MonteCarloFolder;
  // Mean, standard deviation, lower and upper limit of the integrated
  // weight-average s, then the same of the integrated concentration [1..8];
  // filled instead of a box while RedrawSuppressed is set.
  std::array<float, 9> MonteCarloSwResult{};
};

extern MonteCarloRecord MonteCarlo;

// What the analysis needs of the distribution plot, installed by the window's
// start (a call before is reported as never installed). The limit curves wrap the arrays of MonteCarloUpper and
// MonteCarloLower (upper added first, red; lower blue).
struct MonteCarloDisplayLinksRecord {
  std::function<void(float* upper, float* lower, int n)> AddLimitCurves = links::Unwired;
  std::function<void()> RemoveLimitCurves = links::Unwired;
};
extern MonteCarloDisplayLinksRecord MonteCarloDisplayLinks;

// N replicas at confidence level P (limits) into the folder of path (its
// name part ignored); writeEach writes every replica's distribution. False
// (with a message where one is due) when nothing was computed.
bool MonteCarloDistributions(platform::WindowHandle window, int N, float P,
                             const std::string& path, bool writeEach);
// Mean and limits for a new P from the stored replicas; writes "lim..." and
// "mean" files and renders the plot. Nothing without stores.
void MonteCarloLimits(float P);
// Confidence intervals of the integrals over [smin, smax].
void MonteCarloSw(platform::WindowHandle window, float smin, float smax, float P);
bool RunMonteCarloSw(platform::WindowHandle window, int N, float P, float smin, float smax,
                     const std::string& path, bool writeEach);
// Frees the stores, removes the limit curves and stores the shown
// distribution.
void MonteCarloFinish(platform::WindowHandle window);
// One line per 2-D grid point: s, M, f/f0, D, Stokes radius and value.
bool WriteDistribution2D(const std::string& path);

// The file name part "lim%3.0f" of a limit at fraction f (e.g. 0.84 gives
// "lim840", 0.025 gives "lim 25").
std::string LimitFileStem(double fraction);
// The k-th smallest of v[1..n] (k = 1 the smallest); 0 for k < 1.
float KthSmallest(std::vector<float> v, int k);
