#pragma once
// The model signal of a solved distribution and the systematic noise that
// its normal equations eliminated. The noise offsets are the least-squares
// offsets of the residual y − Σ c_i K_i, which the means kept by the
// normal-equation build give directly: with TI and RI noise
//   TI[k] + RI[j] = (ȳ_TI[k] + ȳ_RI[j] − ȳ) − Σ c_i (K̄_TI,i[k] + K̄_RI,i[j] − K̄_i),
// split as TI[k] = ȳ_TI[k] − ȳ − Σ c_i (K̄_TI,i[k] − K̄_i) and
// RI[j] = ȳ_RI[j] − Σ c_i K̄_RI,i[j]. The model of every scan is built on
// the common radial grid in double and interpolated once onto the scan's own
// radii (interpolation is linear, so this is the sum of the interpolated
// kernel columns).
//
// The amplitudes are DistSolution[1..n] by kernel column; with a fixed first
// component column 1 is the fixed signal, added with amplitude one.

#include <vector>

#include "distributions/DistributionArrays.h"
#include "distributions/DistributionNormalEquations.h"

// Where the signal and the noise go.
struct BestFitTargets {
  const float* GridRadii = nullptr;          // the common grid [1..RadiusCount]
  const float* const* ScanRadius = nullptr;  // [scan][1..ScanPointCount[scan]]
  const int* ScanPointCount = nullptr;       // [scan]
  float** ScanModel = nullptr;               // [scan][1..ScanPointCount[scan]]
  float* TINoise = nullptr;                  // [1..RadiusCount]
  float* RINoise = nullptr;                  // [1..ScanCount]
};

// Noise and model of every scan for the amplitudes in neq.DistSolution, the
// means of the build that record describes. Returns the baseline of the
// model: the fitted one, the fixed record.Baseline without noise terms, 0
// with TI or RI noise. The noise vectors a model does not fit are set to 0.
// A scan whose radii the grid cannot be interpolated onto gets the constant
// part (baseline or RI offset) alone. The scans' models are shared among
// `threads` threads (the same bits on any number).
double CalculateBestFit(const NormalEquationProblem& problem, const NormalEquationArrays& neq,
                        const NoiseEliminationRecord& record, const BestFitTargets& targets,
                        int threads = 1);

// The time-course variant: baseline ȳ − Σ c_i K̄_i of the window's build and
// the model of the scans scanOrder[first..last] only. Returns the baseline.
double CalculateWindowFit(const NormalEquationProblem& problem, const NormalEquationArrays& neq,
                          const NoiseEliminationRecord& record, const BestFitTargets& targets,
                          const int* scanOrder, int first, int last);

// Targets on the program's data set: the common grid and the radii and
// models of its first `scans` scans, no noise vectors. It keeps the tables
// of scan pointers that the targets point into, so it is not copied.
class DataSetTargets {
 public:
  explicit DataSetTargets(int scans);
  DataSetTargets(const DataSetTargets&) = delete;
  DataSetTargets& operator=(const DataSetTargets&) = delete;

  BestFitTargets targets;

 private:
  std::vector<const float*> radii_;
  std::vector<float*> models_;
};

// On the program's records: the last build (NoiseElimination), DistKernel
// and NormalEquations.DistSolution, the common grid's noise vectors, the
// scans' models; the baseline goes into the model parameters and slot 15 of
// the parameter vector unless it is the user's fixed one.
void CalculateppAFit();
