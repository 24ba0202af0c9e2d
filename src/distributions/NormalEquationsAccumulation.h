#pragma once
// The accumulation that the single-threaded and the threaded normal-equation
// builders share. The data points are cut into pieces (a scan, or a part of
// a long scan); a piece's centred data and centred kernel columns form one
// block of double columns, and its whole contribution to the system (the
// lower triangle of the matrix, the right-hand side and the square sum) is
// the Gram matrix of that block, added by the tuned library's rank update.
// Every value of the data and of the kernel is centred exactly once per
// build.
//
// The pieces are dealt out in a fixed number of lanes, contiguous runs of
// pieces, each summed into its own Gram matrix in piece order; workers take
// whole lanes from a shared counter, so a busy core delays only its lane.
// The lanes are added in lane order at the end. Lanes and their order depend
// on the problem alone, so the result has the same bits whatever the number
// of workers, and no lock is needed: a lane has one worker.

#include <atomic>
#include <memory>
#include <vector>

#include "distributions/DistributionNormalEquations.h"

// The two halves of ComputeNoiseMeans, for builders that share the kernel
// columns out among workers: the data means and the record, and the means
// of kernel column g (which touch nothing of another column).
void ComputeDataNoiseMeans(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                           NoiseEliminationRecord& record);
void ComputeKernelColumnMeans(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                              int g);

class NormalEquationAccumulator {
 public:
  // Clears the system (matrix, vector, square sum) of neq; the means in neq
  // and record must already be computed for the problem.
  NormalEquationAccumulator(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                            const NoiseEliminationRecord& record, int workerCount);

  int WorkerCount() const { return workerCount_; }
  int LaneCount() const { return laneCount_; }

  // Lanes for one worker (1..WorkerCount) until none is left. Before each
  // piece it checks ComputationAbort and, when pollKeyboard is set (the
  // user-interface thread only), the keyboard; either stops the worker and
  // sets ComputationAbort. Worker 1 reports to progress, when given, the
  // fraction done after each piece done by any worker, in order; Finish
  // reports those done after worker 1 ended. False when stopped.
  bool AccumulateWorker(int worker, bool pollKeyboard, const NormalEquationProgress* progress);

  // After all workers have ended: adds the lanes into the system and mirrors
  // its lower triangle; after an interruption clears the system instead.
  // False when interrupted.
  bool Finish();

 private:
  // Centred values of scan s, radii r0..r0+count-1, into out[0..count).
  void CentreData(int s, int r0, int count, double* out) const;
  // The same for the kernel column of system row i.
  void CentreColumn(int i, int s, int r0, int count, double* out) const;
  // Adds piece p to the Gram matrix gram, or sets gram to that of the piece
  // when first; block is scratch of pieceRadii_ · order_ doubles.
  void AddPiece(int p, double* block, double* gram, bool first) const;
  // Reports the pieces done since the last report, one call each.
  void ReportUpTo(int done);

  const NormalEquationProblem& problem_;
  NormalEquationArrays& neq_;
  const NoiseEliminationRecord& record_;
  int workerCount_;
  int columnOffset_;  // kernel column of system row i is i + offset
  int order_;         // of the Gram matrices: the unknowns plus the data
  int piecesPerScan_ = 0, pieceRadii_ = 0, pieceCount_ = 0;
  int laneCount_ = 0;
  // laneCount_ Gram matrices, column-major, lower triangles. Not cleared:
  // the first piece of a lane sets its triangle, so no pass over tens of
  // megabytes of fresh pages precedes the work at high resolutions.
  std::unique_ptr<double[]> lanes_;
  std::atomic<int> nextLane_{0};
  std::atomic<int> piecesDone_{0};
  std::atomic<bool> stopped_{false};
  // Worker 1's progress; reported_ is written by worker 1, then by Finish.
  const NormalEquationProgress* reporter_ = nullptr;
  int reported_ = 0;
};
