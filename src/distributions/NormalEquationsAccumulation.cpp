#include "distributions/NormalEquationsAccumulation.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

#include "state/ComputationAbort.h"
#include "numerics/DenseKernels.h"
#include "ui/Boxes.h"

namespace {

// Radii of a piece at most: a scan of the usual 1,000 to 2,000 fit radii is
// one piece, long enough for the rank update to run at full speed.
constexpr int kPieceRadii = 2048;
// Lanes: twice the workers of a large machine, so that a worker slowed by
// another process leaves little waiting behind; fewer where the Gram
// matrices of large systems would take more than this many bytes.
constexpr int kMostLanes = 16;
constexpr std::size_t kLaneBytes = std::size_t{128} << 20;

}  // namespace

NormalEquationAccumulator::NormalEquationAccumulator(const NormalEquationProblem& problem,
                                                     NormalEquationArrays& neq,
                                                     const NoiseEliminationRecord& record,
                                                     int workerCount)
    : problem_(problem),
      neq_(neq),
      record_(record),
      workerCount_(std::max(workerCount, 1)),
      columnOffset_(problem.FixedFirst ? 1 : 0),
      order_(problem.Unknowns() + 1) {
  assert(problem.Kernel != nullptr && problem.Data != nullptr);
  assert(problem.Unknowns() >= 0 && problem.Unknowns() <= neq.Size);
  assert(!problem.FixedFirst || problem.Noise == SystematicNoise::TimeAndRadialInvariant);
  assert(problem.FitPointCount() == 0 ||
         (problem.FitFirst >= 1 && problem.FitLast <= problem.RadiusCount));
  for (int i = 1; i <= neq.Size; ++i) std::fill_n(neq.NormalMatrix[i], neq.Size + 1, 0.0);
  for (int i = 0; i <= neq.Size; ++i) neq.NormalVector[i] = 0.0;
  neq.DataSquareSum = 0.0;

  const int fitCount = problem.FitPointCount();
  if (fitCount == 0 || problem.ScanCount < 1) return;
  piecesPerScan_ = (fitCount + kPieceRadii - 1) / kPieceRadii;
  pieceRadii_ = (fitCount + piecesPerScan_ - 1) / piecesPerScan_;
  pieceCount_ = problem.ScanCount * piecesPerScan_;
  const std::size_t gramSize = static_cast<std::size_t>(order_) * order_;
  const auto affordable = static_cast<int>(
      std::max<std::size_t>(1, kLaneBytes / (gramSize * sizeof(double))));
  laneCount_ = std::min({pieceCount_, kMostLanes, affordable});
  lanes_.reset(new double[gramSize * static_cast<std::size_t>(laneCount_)]);
}

void NormalEquationAccumulator::CentreData(int s, int r0, int count, double* out) const {
  const float* y = problem_.Data[s] + r0;
  for (int k = 0; k < count; ++k) out[k] = y[k];
  if (problem_.FixedFirst) {
    const float* k1 = problem_.Kernel[1][s] + r0;
    for (int k = 0; k < count; ++k) out[k] -= k1[k];
  }
  const double* radial = &neq_.DataRadialMean[r0];
  double shift = 0.0;
  switch (problem_.Noise) {
    case SystematicNoise::None:
      shift = record_.Baseline;
      break;
    case SystematicNoise::Baseline:
      shift = record_.DataGrandMean;
      break;
    case SystematicNoise::RadialInvariant:
      shift = neq_.DataScanMean[s];
      break;
    case SystematicNoise::TimeInvariant:
      for (int k = 0; k < count; ++k) out[k] -= radial[k];
      return;
    case SystematicNoise::TimeAndRadialInvariant:
      shift = neq_.DataScanMean[s] - record_.DataGrandMean;
      for (int k = 0; k < count; ++k) out[k] = (out[k] - radial[k]) - shift;
      return;
  }
  for (int k = 0; k < count; ++k) out[k] -= shift;
}

void NormalEquationAccumulator::CentreColumn(int i, int s, int r0, int count, double* out) const {
  const int g = i + columnOffset_;
  const float* column = problem_.Kernel[g][s] + r0;
  const double* radial = neq_.KernelRadialMean[g] + r0;
  // One pass per case: the conversion and the subtractions are cheap next
  // to the memory traffic of the column.
  double shift = 0.0;
  switch (problem_.Noise) {
    case SystematicNoise::None:
      for (int k = 0; k < count; ++k) out[k] = column[k];
      return;
    case SystematicNoise::Baseline:
      shift = neq_.KernelGrandMean[g];
      break;
    case SystematicNoise::RadialInvariant:
      shift = neq_.KernelScanMean[g][s];
      break;
    case SystematicNoise::TimeInvariant:
      for (int k = 0; k < count; ++k) out[k] = static_cast<double>(column[k]) - radial[k];
      return;
    case SystematicNoise::TimeAndRadialInvariant:
      shift = neq_.KernelScanMean[g][s] - neq_.KernelGrandMean[g];
      for (int k = 0; k < count; ++k)
        out[k] = (static_cast<double>(column[k]) - radial[k]) - shift;
      return;
  }
  for (int k = 0; k < count; ++k) out[k] = static_cast<double>(column[k]) - shift;
}

void NormalEquationAccumulator::AddPiece(int p, double* block, double* gram, bool first) const {
  const int s = p / piecesPerScan_ + 1;
  const int r0 = problem_.FitFirst + (p % piecesPerScan_) * pieceRadii_;
  const int count = std::min(pieceRadii_, problem_.FitLast - r0 + 1);
  const auto stride = static_cast<std::size_t>(count);
  // Column 0 the data, column i the kernel of system row i.
  CentreData(s, r0, count, block);
  for (int i = 1; i < order_; ++i)
    CentreColumn(i, s, r0, count, block + static_cast<std::size_t>(i) * stride);
  if (first)
    SetGramLower(order_, count, block, count, gram, order_);
  else
    AddGramLower(order_, count, block, count, gram, order_);
}

bool NormalEquationAccumulator::AccumulateWorker(int worker, bool pollKeyboard,
                                                 const NormalEquationProgress* progress) {
  assert(worker >= 1 && worker <= workerCount_);
  if (worker == 1 && progress != nullptr && progress->Fraction) reporter_ = progress;
  const bool reports = worker == 1 && reporter_ != nullptr;
  const std::size_t gramSize = static_cast<std::size_t>(order_) * order_;
  // Every piece overwrites the part of the scratch that it uses.
  std::unique_ptr<double[]> block;
  for (;;) {
    const int lane = nextLane_.fetch_add(1);
    if (lane >= laneCount_) return true;
    if (!block) block.reset(new double[static_cast<std::size_t>(pieceRadii_) * order_]);
    double* gram = lanes_.get() + gramSize * static_cast<std::size_t>(lane);
    // Lane l holds the contiguous pieces [l P / L, (l + 1) P / L).
    const long long first = static_cast<long long>(lane) * pieceCount_ / laneCount_;
    const long long end = static_cast<long long>(lane + 1) * pieceCount_ / laneCount_;
    for (auto p = static_cast<int>(first); p < end; ++p) {
      if (stopped_.load(std::memory_order_relaxed) ||
          ComputationAbort.load(std::memory_order_relaxed) || (pollKeyboard && KeyPressed())) {
        ComputationAbort = true;
        stopped_ = true;
        return false;
      }
      AddPiece(p, block.get(), gram, p == first);
      const int done = piecesDone_.fetch_add(1) + 1;
      if (reports) ReportUpTo(done);
    }
  }
}

void NormalEquationAccumulator::ReportUpTo(int done) {
  while (reported_ < done) {
    ++reported_;
    reporter_->Fraction(static_cast<double>(reported_) / pieceCount_);
  }
}

bool NormalEquationAccumulator::Finish() {
  if (reporter_ != nullptr && !stopped_) ReportUpTo(piecesDone_.load());
  if (stopped_) {
    // Half-built equations must not be solved as if they were whole.
    for (int i = 1; i <= neq_.Size; ++i) std::fill_n(neq_.NormalMatrix[i], neq_.Size + 1, 0.0);
    for (int i = 0; i <= neq_.Size; ++i) neq_.NormalVector[i] = 0.0;
    neq_.DataSquareSum = 0.0;
    return false;
  }
  const int m = problem_.Unknowns();
  const auto order = static_cast<std::size_t>(order_);
  const std::size_t gramSize = order * order;
  // Element (row i, column l) of a Gram matrix, i >= l, index 0 the data.
  const auto total = [&](int i, int l) {
    const std::size_t at = static_cast<std::size_t>(l) * order + static_cast<std::size_t>(i);
    double sum = 0.0;
    for (int lane = 0; lane < laneCount_; ++lane)
      sum += lanes_[gramSize * static_cast<std::size_t>(lane) + at];
    return sum;
  };
  neq_.DataSquareSum = total(0, 0);
  for (int i = 1; i <= m; ++i) {
    neq_.NormalVector[i] = total(i, 0);
    double* row = neq_.NormalMatrix[i];
    for (int l = 1; l <= i; ++l) row[l] = total(i, l);
  }
  for (int i = 2; i <= m; ++i) {
    const double* row = neq_.NormalMatrix[i];
    for (int l = 1; l < i; ++l) neq_.NormalMatrix[l][i] = row[l];
  }
  return true;
}
