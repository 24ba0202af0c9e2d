#pragma once
// The Monte Carlo analyses of a continuous distribution as the commands and
// the serial fits call them: N replicas at confidence level P into the
// folder of a path, new limits for another P, the confidence intervals of
// the integrated weight-average s over [smin, smax], and the end that frees
// the replicas. Installed at start by the analysis that computes them;
// until then each does nothing and reports that nothing was computed.
// MonteCarloSwMode tells the analysis which of the two commands runs.

#include <array>
#include <functional>
#include <string>

struct MonteCarloLinksRecord {
  // window, N, P, path, write every replica -> true when computed
  std::function<bool(const void*, int, float, const std::string&, bool)> MonteCarloDistributions;
  std::function<void(float)> MonteCarloLimits;
  // window, smin, smax, P
  std::function<void(const void*, float, float, float)> MonteCarloSw;
  // window, N, P, smin, smax, path, write every replica -> true when computed
  std::function<bool(const void*, int, float, float, float, const std::string&, bool)>
      RunMonteCarloSw;
  std::function<void(const void*)> MonteCarloFinish;
  // The statistics of the last MonteCarloSw while repaints are suppressed:
  // [1..8] mean, standard deviation, lower and upper limit of the
  // weight-average s, then the same of the concentration.
  std::function<std::array<float, 9>()> MonteCarloSwResult;
  // Whether the analyses can run at all (false until installed).
  bool Installed = false;
};

extern MonteCarloLinksRecord MonteCarloLinks;
extern bool MonteCarloSwMode;

// Every link back to its harmless default.
void ResetMonteCarloLinks();
