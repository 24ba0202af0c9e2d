#pragma once
// The accumulation that the single-threaded and the threaded normal-equation
// builders share. The data points are cut into pieces (a scan, or a part of
// a long scan); a piece's data and kernel columns, as they stand, form one
// block of doubles, a row per radius, and its contribution to the raw system
// (the lower triangle of the matrix, the right-hand side and the square
// sum) is the Gram matrix of that block (AddGramOfRowsLower). The
// noise model's centring is applied once at the end, as a correction made of
// the column means: a piece costs one conversion to double and the update.
// A column that the noise offsets explain completely (its centred values
// all zero) keeps an exactly zero row and column, as centring it would give.
//
// The pieces are dealt out in a fixed number of lanes, contiguous runs of
// pieces, each summed into its own Gram matrix in piece order; workers take
// whole lanes from a shared counter, so a busy core delays only its lane.
// The lanes are added in lane order at the end. Lanes and their order depend
// on the problem alone, so the result has the same bits whatever the number
// of workers, and no lock is needed: a lane has one worker.

#include <atomic>
#include <cstddef>
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
  // and record must be computed for the problem before Finish.
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

  // For builders whose workers compute the means too: count means ready
  // (the data's as one, each kernel column's as one). A worker's part of
  // the correction by the means over the scans (a Gram matrix of the fit
  // radii's means, cut into fixed chunks of radii) then waits until all
  // KernelColumns + 1 are in, and takes chunks from a shared counter until
  // none is left; false when the build was stopped meanwhile. Finish forms
  // the chunks nobody took, so a builder that computes the means before may
  // leave all of them to it.
  void MeansReady(int count);
  bool AccumulateCorrection(int worker);

  // After all workers have ended: adds the lanes into the system and mirrors
  // its lower triangle; after an interruption clears the system instead.
  // False when interrupted.
  bool Finish();

 private:
  // Scan and radii of piece p (0-based).
  struct Piece {
    int Scan, FirstRadius, RadiusCount;
  };
  Piece PieceAt(int p) const;
  // Data of scan s (less the fixed first column), radii r0..r0+count-1,
  // into out[0], out[stride], ...
  void CopyData(int s, int r0, int count, double* out, std::size_t stride) const;
  // Centred values of the kernel column of system row i, the same radii.
  void CentreColumn(int i, int s, int r0, int count, double* out) const;
  // Turns the raw Gram matrix (of order order_, column-major, lower
  // triangle) into that of the centred columns of the noise model.
  void SubtractNoiseMeans(double* gram);
  // Whether every centred value of the kernel column of row i is zero;
  // scratch holds pieceRadii_ doubles.
  bool CentredColumnVanishes(int i, double* scratch) const;
  // Adds piece p to the Gram matrix gram, or sets gram to that of the piece
  // when first; block is scratch of pieceRadii_ · rowStride_ doubles.
  void AddPiece(int p, double* block, double* gram, bool first) const;
  // Reports the pieces done since the last report, one call each.
  void ReportUpTo(int done);
  // The chunks of the correction by the radial means left to take; block
  // is scratch of a worker.
  void TakeCorrectionChunks(double* block);

  const NormalEquationProblem& problem_;
  NormalEquationArrays& neq_;
  const NoiseEliminationRecord& record_;
  int workerCount_;
  int columnOffset_;  // kernel column of system row i is i + offset
  int order_;         // of the Gram matrices: the unknowns plus the data
  int rowStride_ = 0;  // of the workers' blocks, whose rows are the radii
  int piecesPerScan_ = 0, pieceRadii_ = 0, pieceCount_ = 0;
  int laneCount_ = 0;
  // Chunks of the correction by the radial means (none for noise models
  // without them): their Gram matrices follow the lanes'.
  int correctionChunks_ = 0;
  // laneCount_ + correctionChunks_ Gram matrices, column-major, lower
  // triangles, then one block of pieceRadii_ · order_ doubles per worker, in
  // the arrays' kept build scratch. Not cleared: the first piece of a lane
  // sets its triangle, a chunk clears its own.
  double* lanes_ = nullptr;
  double* blocks_ = nullptr;
  std::atomic<int> nextLane_{0};
  std::atomic<int> nextChunk_{0};
  std::atomic<int> meansReady_{0};
  std::atomic<int> piecesDone_{0};
  std::atomic<bool> stopped_{false};
  // Worker 1's progress; reported_ is written by worker 1, then by Finish.
  const NormalEquationProgress* reporter_ = nullptr;
  int reported_ = 0;
};
