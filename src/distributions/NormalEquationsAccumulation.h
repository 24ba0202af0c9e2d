#pragma once
// The accumulation that the single-threaded and the threaded normal-equation
// builders share. Rows of the system are dealt out to workers (worker k of
// N takes the rows i with i mod N + 1 = k, which interleaves the short and
// long rows of the triangle); each worker walks every scan in blocks of
// radii, centres the data and the kernel columns it needs into a scratch
// block of its own, and adds the block's dot products into its own rows.
// Because a worker writes only its own rows, and every element is summed
// in the same order by whichever worker owns it, no lock is needed and the
// result does not depend on the number of workers.

#include <vector>

#include "distributions/DistributionNormalEquations.h"

class NormalEquationAccumulator {
 public:
  // Clears the system (matrix, vector, square sum) of neq; the means in neq
  // and record must already be computed for the problem.
  NormalEquationAccumulator(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                            const NoiseEliminationRecord& record, int workerCount);

  int WorkerCount() const { return workerCount_; }
  // True when worker k (1..WorkerCount) owns row i.
  bool Owns(int worker, int row) const { return row % workerCount_ + 1 == worker; }

  // The rows of one worker. Before each scan it checks ComputationAbort and,
  // when pollKeyboard is set (the user-interface thread only), the keyboard;
  // either stops the worker and sets ComputationAbort. progress, when given,
  // receives the fraction of scans done. False when stopped.
  bool AccumulateWorker(int worker, bool pollKeyboard, const NormalEquationProgress* progress);

  // After all workers have ended: mirrors the lower triangle and sums the
  // workers' square sums into DataSquareSum; after an interruption clears
  // the system instead. False when interrupted.
  bool Finish();

 private:
  // Centred values of scan s, radii r0..r0+count-1, into out[0..count).
  void CentreData(int s, int r0, int count, double* out) const;
  // The same for the kernel column of system row i.
  void CentreColumn(int i, int s, int r0, int count, double* out) const;

  const NormalEquationProblem& problem_;
  NormalEquationArrays& neq_;
  const NoiseEliminationRecord& record_;
  int workerCount_;
  int columnOffset_;                    // kernel column of system row i is i + offset
  std::vector<double> squareSums_;      // one slot per worker, 1..N
  std::vector<unsigned char> stopped_;  // one flag per worker, 1..N
};

// Σ a[k] b[k], k = 0..count-1, in double with a fixed interleaving of
// partial sums (vectorisable, and the same bits wherever it runs).
double CentredDot(const double* a, const double* b, int count);
