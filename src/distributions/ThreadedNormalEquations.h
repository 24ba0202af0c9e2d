#pragma once
// The normal equations of a continuous distribution assembled by worker
// threads. Their cost, n²/2 multiply-adds per data point, dominates a
// distribution run after the kernel; the data are cut into lanes of pieces
// that the workers take from a shared counter (NormalEquationsAccumulation.h),
// each lane summed into a Gram matrix of its own. The noise means are needed
// only when the lanes are added, so the same workers compute the kernel's
// (columns from another shared counter) once the lanes are taken, and the
// calling thread the data's meanwhile; then they share the correction by
// the radial means, in chunks of radii. The calling thread adds lanes and
// chunks after all workers have been joined. A worker writes only the
// lanes, chunks and mean columns it took; everything else is only read
// while they run, so no lock is needed. The result is bit for bit the
// single-threaded build's (DistributionNormalEquations.h) for every noise
// model and worker count.

#include <atomic>

#include "distributions/DistributionNormalEquations.h"
#include "platform/Thread.h"

class NormalEquationAccumulator;

class MultiContiNEQThread : public platform::Thread {
 public:
  MultiContiNEQThread() = default;
  ~MultiContiNEQThread() override = default;

  int Index = 0;  // worker number 1..ThreadCount; 0 for an unused object
  NormalEquationAccumulator* Accumulator = nullptr;
  const NormalEquationProgress* Progress = nullptr;
  // The kernel columns whose means are left to take.
  const NormalEquationProblem* Problem = nullptr;
  NormalEquationArrays* Arrays = nullptr;
  std::atomic<int>* NextMeansColumn = nullptr;

 protected:
  // Raises its priority to the highest (where the system allows), then
  // accumulates its lanes, computes mean columns until none is left and
  // takes chunks of the correction.
  // Always 0; an interruption shows in ComputationAbort.
  int Run() override;
};

// The build on threadCount workers (at least one). Workers cannot see the
// keyboard, so only a ComputationAbort set elsewhere stops them; it then
// stays set, the system is cleared and the result is false. A worker the
// system refuses a thread for runs on the calling thread instead.
bool NormalEquationsThreaded(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                             NoiseEliminationRecord& record, int threadCount,
                             const NormalEquationProgress& progress = {});
