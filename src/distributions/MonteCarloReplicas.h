#pragma once
// The replica step of the Monte Carlo analysis: the right-hand side of the
// normal equations for a replica's data, with the kernel means of the base
// build, and the solve of a batch of replicas on worker threads.

#include <vector>

#include "distributions/DistributionNormalEquations.h"
#include "distributions/ScaleRegularization.h"

// b (NormalVector[1..Unknowns]) and y'y (DataSquareSum) of problem.Data with
// the systematic noise of problem.Noise eliminated, as the normal-equation
// builders would give them; the kernel means are those kept in
// kernelMeans (the base build). The data means go into out and record.
void ReplicaRightHandSide(const NormalEquationProblem& problem,
                          const NormalEquationArrays& kernelMeans, NormalEquationArrays& out,
                          NoiseEliminationRecord& record);

// How the replicas of a batch are regularised.
struct ReplicaSolveSettings {
  RegularizationContext Context;
  bool MaxEnt = true;
  // A fixed first component: the system has one unknown less, and the
  // solution gets FixedFirstValue back in its first place.
  bool FixedFirst = false;
  double FixedFirstValue = 0.0;
  int KernelColumns = 0;
};

// One worker's copy of the system; made on the calling thread.
struct ReplicaSystem {
  NormalEquationArrays Neq;
  NoiseEliminationRecord Record;
  std::vector<double> Solution;  // [1..KernelColumns]
};

// Copies the base matrix into each system (allocated once for count
// workers). False when the arrays cannot be had (after the message).
bool PrepareReplicaSystems(std::vector<ReplicaSystem>& systems, int count,
                           const NormalEquationArrays& base);

// Solves replica k of the batch in systems[k] from data rows data[k]
// (problem.Data replaced), on up to `threads` workers (1: the calling
// thread). Each system's Solution receives its amplitudes by kernel column.
void SolveReplicaBatch(std::vector<ReplicaSystem>& systems, int batch,
                       const std::vector<const float* const*>& data,
                       const NormalEquationProblem& problem, const NormalEquationArrays& base,
                       const ReplicaSolveSettings& settings, int threads);
