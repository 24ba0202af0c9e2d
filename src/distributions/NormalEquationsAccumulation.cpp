#include "distributions/NormalEquationsAccumulation.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <thread>
#include <vector>

#include "state/ComputationAbort.h"
#include "numerics/DenseKernels.h"
#include "ui/Boxes.h"

namespace {

// Radii of a piece at most: a scan of the usual 1,000 to 2,000 fit radii is
// one piece, long enough for the rank update to run at full speed.
constexpr int kPieceRadii = 2048;
// Lanes: four times the workers of a large machine, so that a worker slowed
// by another process or woken late leaves little waiting behind; fewer where the Gram
// matrices of large systems would take more than this many bytes.
constexpr int kMostLanes = 32;
// Fit radii per chunk of the correction by the radial means: a few chunks
// for the workers to share, each long enough for the rank update.
constexpr int kCorrectionRadii = 256;
constexpr std::size_t kLaneBytes = std::size_t{128} << 20;
// A kernel column whose corrected square sum is below this fraction of its
// raw one is checked for centred values that are all zero.
constexpr double kVanishing = 1e-9;

// The lower triangles of the column-major Gram matrices of order n.
void ClearGramTriangle(std::size_t n, double* c) {
  for (std::size_t l = 0; l < n; ++l) std::fill(c + l * n + l, c + (l + 1) * n, 0.0);
}
void AddGramTriangle(std::size_t n, const double* from, double* to) {
  for (std::size_t l = 0; l < n; ++l)
    for (std::size_t i = l; i < n; ++i) to[l * n + i] += from[l * n + i];
}

// c −= weight · Σ_j m_j m_jᵀ over the vectors of means m_j, j = first ..
// first + count − 1, with m_j[i] = mean(i, j) for the n system columns; each
// is laid out in a row of block (stride ld, zeros after n), as the pieces
// are.
template <class Mean>
void SubtractGramOfMeans(int n, int ld, int first, int count, double weight, const Mean& mean,
                         double* block, double* c) {
  const auto stride = static_cast<std::size_t>(ld);
  for (int j = 0; j < count; ++j) {
    double* row = block + static_cast<std::size_t>(j) * stride;
    for (int i = 0; i < n; ++i) row[i] = mean(i, first + j);
    std::fill(row + n, row + stride, 0.0);
  }
  AddScaledGramOfRowsLower(n, count, -weight, block, ld, c, n);
}

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
  if (problem.Noise == SystematicNoise::TimeInvariant ||
      problem.Noise == SystematicNoise::TimeAndRadialInvariant)
    correctionChunks_ = (fitCount + kCorrectionRadii - 1) / kCorrectionRadii;
  // The blocks serve Finish too, for the means of the correction (a column
  // per system column, a row per fit radius or scan).
  rowStride_ = GramRowStride(order_);
  const std::size_t blockRows = std::max<std::size_t>(
      {static_cast<std::size_t>(workerCount_) * static_cast<std::size_t>(pieceRadii_),
       static_cast<std::size_t>(fitCount), static_cast<std::size_t>(problem.ScanCount)});
  const std::size_t laneDoubles =
      gramSize * static_cast<std::size_t>(laneCount_ + correctionChunks_);
  lanes_ = neq.BuildScratchFor(laneDoubles + blockRows * static_cast<std::size_t>(rowStride_));
  blocks_ = lanes_ + laneDoubles;
}

void NormalEquationAccumulator::CopyData(int s, int r0, int count, double* out,
                                         std::size_t stride) const {
  const float* y = problem_.Data[s] + r0;
  for (int k = 0; k < count; ++k) out[static_cast<std::size_t>(k) * stride] = y[k];
  if (problem_.FixedFirst) {
    const float* k1 = problem_.Kernel[1][s] + r0;
    for (int k = 0; k < count; ++k) out[static_cast<std::size_t>(k) * stride] -= k1[k];
  }
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

NormalEquationAccumulator::Piece NormalEquationAccumulator::PieceAt(int p) const {
  const int r0 = problem_.FitFirst + (p % piecesPerScan_) * pieceRadii_;
  return {p / piecesPerScan_ + 1, r0, std::min(pieceRadii_, problem_.FitLast - r0 + 1)};
}

void NormalEquationAccumulator::AddPiece(int p, double* block, double* gram, bool first) const {
  const auto [s, r0, count] = PieceAt(p);
  const auto ld = static_cast<std::size_t>(rowStride_);
  // Row k holds radius r0 + k: value 0 the data, value i the kernel of
  // system row i, zeros after the last.
  CopyData(s, r0, count, block, ld);
  for (int k = 0; k < count; ++k) {
    double* row = block + static_cast<std::size_t>(k) * ld;
    std::fill(row + order_, row + ld, 0.0);
  }
  std::vector<const float*> columns(static_cast<std::size_t>(order_ - 1));
  for (int i = 1; i < order_; ++i)
    columns[static_cast<std::size_t>(i) - 1] = problem_.Kernel[i + columnOffset_][s] + r0;
  FloatColumnsToRows(order_ - 1, count, columns.data(), block + 1, rowStride_);
  if (first) ClearGramTriangle(static_cast<std::size_t>(order_), gram);
  AddGramOfRowsLower(order_, count, block, rowStride_, gram, order_);
}

bool NormalEquationAccumulator::AccumulateWorker(int worker, bool pollKeyboard,
                                                 const NormalEquationProgress* progress) {
  assert(worker >= 1 && worker <= workerCount_);
  if (worker == 1 && progress != nullptr && progress->Fraction) reporter_ = progress;
  const bool reports = worker == 1 && reporter_ != nullptr;
  const std::size_t gramSize = static_cast<std::size_t>(order_) * order_;
  // Every piece overwrites the part of the block that it uses.
  double* block = blocks_ + static_cast<std::size_t>(worker - 1) *
                                static_cast<std::size_t>(pieceRadii_) *
                                static_cast<std::size_t>(rowStride_);
  for (;;) {
    const int lane = nextLane_.fetch_add(1);
    if (lane >= laneCount_) return true;
    double* gram = lanes_ + gramSize * static_cast<std::size_t>(lane);
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
      AddPiece(p, block, gram, p == first);
      const int done = piecesDone_.fetch_add(1) + 1;
      if (reports) ReportUpTo(done);
    }
  }
}

void NormalEquationAccumulator::MeansReady(int count) {
  meansReady_.fetch_add(count, std::memory_order_release);
}

bool NormalEquationAccumulator::AccumulateCorrection(int worker) {
  assert(worker >= 1 && worker <= workerCount_);
  if (nextChunk_.load(std::memory_order_relaxed) >= correctionChunks_) return true;
  // The last columns' means are being computed by other workers, each a
  // short read of one column: not worth putting this thread to sleep.
  while (meansReady_.load(std::memory_order_acquire) < problem_.KernelColumns + 1) {
    if (stopped_.load(std::memory_order_relaxed) ||
        ComputationAbort.load(std::memory_order_relaxed))
      return false;
    std::this_thread::yield();
  }
  TakeCorrectionChunks(blocks_ + static_cast<std::size_t>(worker - 1) *
                                     static_cast<std::size_t>(pieceRadii_) *
                                     static_cast<std::size_t>(rowStride_));
  return true;
}

// Chunk c holds −Ns Σ_r R(r) R(r)ᵀ over its fit radii, R(r) being the
// radial means of the system columns (see SubtractNoiseMeans).
void NormalEquationAccumulator::TakeCorrectionChunks(double* block) {
  const auto order = static_cast<std::size_t>(order_);
  const int radii = problem_.FitPointCount();
  const auto radialMeans = [&](int i, int j) {
    const int r = problem_.FitFirst + j;
    return i == 0 ? neq_.DataRadialMean[r] : neq_.KernelRadialMean[i + columnOffset_][r];
  };
  for (int c = nextChunk_.fetch_add(1); c < correctionChunks_; c = nextChunk_.fetch_add(1)) {
    double* gram = lanes_ + order * order * static_cast<std::size_t>(laneCount_ + c);
    ClearGramTriangle(order, gram);
    const int j0 = c * kCorrectionRadii, count = std::min(kCorrectionRadii, radii - j0);
    SubtractGramOfMeans(order_, rowStride_, j0, count, problem_.ScanCount, radialMeans, block,
                        gram);
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
  // The lanes' sum, in lane order, into the first lane.
  double* gram = lanes_;
  for (int lane = 1; lane < laneCount_; ++lane)
    AddGramTriangle(order, lanes_ + gramSize * static_cast<std::size_t>(lane), gram);
  // Element (row i, column l) of the Gram matrix, i >= l, index 0 the data.
  const auto at = [&](int i, int l) -> double& {
    return gram[static_cast<std::size_t>(l) * order + static_cast<std::size_t>(i)];
  };
  if (laneCount_ > 0) {
    std::vector<double> rawDiagonal(order);
    for (int i = 0; i < order_; ++i) rawDiagonal[static_cast<std::size_t>(i)] = at(i, i);
    SubtractNoiseMeans(gram);
    // What is left of a column that the offsets explain completely is the
    // rounding of the correction: far below its raw size. Such a column
    // gets the zero row that centring it gives, so that the solvers keep
    // its amplitude at zero.
    for (int i = 1; i < order_; ++i) {
      if (at(i, i) > kVanishing * rawDiagonal[static_cast<std::size_t>(i)]) continue;
      if (!CentredColumnVanishes(i, blocks_)) continue;
      for (int l = 0; l < i; ++l) at(i, l) = 0.0;
      for (int l = i; l < order_; ++l) at(l, i) = 0.0;
    }
  }
  const auto total = [&](int i, int l) { return laneCount_ > 0 ? at(i, l) : 0.0; };
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

bool NormalEquationAccumulator::CentredColumnVanishes(int i, double* scratch) const {
  for (int p = 0; p < pieceCount_; ++p) {
    const auto [s, r0, count] = PieceAt(p);
    CentreColumn(i, s, r0, count, scratch);
    for (int k = 0; k < count; ++k)
      if (scratch[k] != 0.0) return false;
  }
  return true;
}

// With shifts a_i taken from column i (the data, or a kernel column) before
// the products, Σ (x_i − a_i)(x_l − a_l) = Σ x_i x_l − Σ a_i x_l − Σ x_i a_l
// + Σ a_i a_l. Where a is a mean of the column, its products with the column
// are products of means: the noise model's whole effect on the system is a
// small correction of the raw Gram matrix. For the means over the scans
// (radial, R), over the fit radii of each scan (S) and over all points (G),
// with Ns scans and Nr fit radii, N = Ns·Nr:
//   baseline:  − N G Gᵀ
//   RI:        − Nr Σ_s S(s) S(s)ᵀ
//   TI:        − Ns Σ_r R(r) R(r)ᵀ
//   TI and RI: − Nr Σ_s S Sᵀ − Ns Σ_r R Rᵀ + N G Gᵀ
// and the fixed baseline b of the data alone: − 2 b Σy + N b² on the square
// sum, − b Σ x_i on the right-hand side.
void NormalEquationAccumulator::SubtractNoiseMeans(double* gram) {
  const int scans = problem_.ScanCount, radii = problem_.FitPointCount();
  const double ns = scans, nr = radii, points = ns * nr;
  const auto order = static_cast<std::size_t>(order_);
  const auto at = [&](int i, int l) -> double& {
    return gram[static_cast<std::size_t>(l) * order + static_cast<std::size_t>(i)];
  };
  const auto grandMean = [&](int i) {
    return i == 0 ? record_.DataGrandMean : neq_.KernelGrandMean[i + columnOffset_];
  };
  const auto addGrandMeans = [&](double factor) {
    for (int l = 0; l < order_; ++l) {
      const double gl = factor * grandMean(l);
      for (int i = l; i < order_; ++i) at(i, l) += gl * grandMean(i);
    }
  };
  // The means over the fit radii of each scan, formed in the workers'
  // blocks (free by now).
  const auto subtractScanMeans = [&] {
    const auto scanMeans = [&](int i, int j) {
      return i == 0 ? neq_.DataScanMean[j + 1] : neq_.KernelScanMean[i + columnOffset_][j + 1];
    };
    SubtractGramOfMeans(order_, rowStride_, 0, scans, nr, scanMeans, blocks_, gram);
  };
  // The radial means' part, in chunks that the workers may have formed.
  const auto addCorrectionChunks = [&] {
    TakeCorrectionChunks(blocks_);
    for (int c = 0; c < correctionChunks_; ++c)
      AddGramTriangle(order, lanes_ + order * order * static_cast<std::size_t>(laneCount_ + c),
                      gram);
  };
  switch (problem_.Noise) {
    case SystematicNoise::None: {
      const double b = record_.Baseline;
      if (b == 0.0) return;
      at(0, 0) += (points * b - 2.0 * record_.DataSum) * b;
      for (int i = 1; i < order_; ++i) at(i, 0) -= b * points * grandMean(i);
      return;
    }
    case SystematicNoise::Baseline:
      addGrandMeans(-points);
      return;
    case SystematicNoise::RadialInvariant:
      subtractScanMeans();
      return;
    case SystematicNoise::TimeInvariant:
      addCorrectionChunks();
      return;
    case SystematicNoise::TimeAndRadialInvariant:
      subtractScanMeans();
      addCorrectionChunks();
      addGrandMeans(points);
      return;
  }
}
