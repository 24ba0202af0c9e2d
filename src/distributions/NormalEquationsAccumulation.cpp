#include "distributions/NormalEquationsAccumulation.h"

#include <algorithm>
#include <cassert>

#include "models/records/ComputationAbort.h"
#include "ui/Boxes.h"

namespace {

// Radii per block: the centred block of a worker (grid points + 1 rows of
// this many doubles, about 200 kB for a hundred grid points) stays in the
// core's second-level cache while the dot products sweep over it.
constexpr int kBlockRadii = 256;

}  // namespace

double CentredDot(const double* a, const double* b, int count) {
  // Four independent partial sums let the compiler keep two vector
  // accumulators busy without reordering any sum; they are combined in a
  // fixed order.
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    s0 += a[k] * b[k];
    s1 += a[k + 1] * b[k + 1];
    s2 += a[k + 2] * b[k + 2];
    s3 += a[k + 3] * b[k + 3];
  }
  for (; k < count; ++k) s0 += a[k] * b[k];
  return (s0 + s1) + (s2 + s3);
}

NormalEquationAccumulator::NormalEquationAccumulator(const NormalEquationProblem& problem,
                                                     NormalEquationArrays& neq,
                                                     const NoiseEliminationRecord& record,
                                                     int workerCount)
    : problem_(problem),
      neq_(neq),
      record_(record),
      workerCount_(std::max(workerCount, 1)),
      columnOffset_(problem.FixedFirst ? 1 : 0),
      squareSums_(static_cast<std::size_t>(workerCount_) + 1, 0.0),
      stopped_(static_cast<std::size_t>(workerCount_) + 1, 0) {
  assert(problem.Kernel != nullptr && problem.Data != nullptr);
  assert(problem.Unknowns() >= 0 && problem.Unknowns() <= neq.Size);
  assert(!problem.FixedFirst || problem.Noise == SystematicNoise::TimeAndRadialInvariant);
  assert(problem.FitPointCount() == 0 ||
         (problem.FitFirst >= 1 && problem.FitLast <= problem.RadiusCount));
  for (int i = 1; i <= neq.Size; ++i) std::fill_n(neq.NormalMatrix[i], neq.Size + 1, 0.0);
  for (int i = 0; i <= neq.Size; ++i) neq.NormalVector[i] = 0.0;
  neq.DataSquareSum = 0.0;
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
  for (int k = 0; k < count; ++k) out[k] = column[k];
  const double* radial = neq_.KernelRadialMean[g] + r0;
  double shift = 0.0;
  switch (problem_.Noise) {
    case SystematicNoise::None:
      return;
    case SystematicNoise::Baseline:
      shift = neq_.KernelGrandMean[g];
      break;
    case SystematicNoise::RadialInvariant:
      shift = neq_.KernelScanMean[g][s];
      break;
    case SystematicNoise::TimeInvariant:
      for (int k = 0; k < count; ++k) out[k] -= radial[k];
      return;
    case SystematicNoise::TimeAndRadialInvariant:
      shift = neq_.KernelScanMean[g][s] - neq_.KernelGrandMean[g];
      for (int k = 0; k < count; ++k) out[k] = (out[k] - radial[k]) - shift;
      return;
  }
  for (int k = 0; k < count; ++k) out[k] -= shift;
}

bool NormalEquationAccumulator::AccumulateWorker(int worker, bool pollKeyboard,
                                                 const NormalEquationProgress* progress) {
  assert(worker >= 1 && worker <= workerCount_);
  const int m = problem_.Unknowns();
  int lastRow = 0;
  for (int i = m; i >= 1 && lastRow == 0; --i)
    if (Owns(worker, i)) lastRow = i;
  // The owner of row 1 also sums the squares of the centred data.
  const bool sumsSquares = Owns(worker, 1);
  if (lastRow == 0 && !sumsSquares) return true;
  const bool reports = progress != nullptr && progress->Fraction && (m == 0 || Owns(worker, m));

  // Rows i ≡ worker − 1 (mod N), from the first positive one.
  const int firstRow = worker == 1 ? workerCount_ : worker - 1;
  const auto stride = static_cast<std::size_t>(kBlockRadii);
  std::vector<double> block((static_cast<std::size_t>(lastRow) + 1) * stride);
  const double* data = block.data();
  double* b = neq_.NormalVector.data();
  double squares = 0.0;
  const int fitFirst = problem_.FitFirst, fitLast = problem_.FitLast;
  for (int s = 1; s <= problem_.ScanCount; ++s) {
    if (ComputationAbort.load(std::memory_order_relaxed) || (pollKeyboard && KeyPressed())) {
      ComputationAbort = true;
      stopped_[static_cast<std::size_t>(worker)] = 1;
      return false;
    }
    for (int r0 = fitFirst; r0 <= fitLast; r0 += kBlockRadii) {
      const int count = std::min(kBlockRadii, fitLast - r0 + 1);
      CentreData(s, r0, count, block.data());
      for (int i = 1; i <= lastRow; ++i)
        CentreColumn(i, s, r0, count, block.data() + static_cast<std::size_t>(i) * stride);
      for (int i = firstRow; i <= lastRow; i += workerCount_) {
        const double* ki = data + static_cast<std::size_t>(i) * stride;
        double* row = neq_.NormalMatrix[i];
        for (int l = 1; l <= i; ++l)
          row[l] += CentredDot(ki, data + static_cast<std::size_t>(l) * stride, count);
        b[i] += CentredDot(ki, data, count);
      }
      if (sumsSquares) squares += CentredDot(data, data, count);
    }
    if (reports) progress->Fraction(static_cast<double>(s) / problem_.ScanCount);
  }
  squareSums_[static_cast<std::size_t>(worker)] = squares;
  return true;
}

bool NormalEquationAccumulator::Finish() {
  const int m = problem_.Unknowns();
  const bool interrupted = std::any_of(stopped_.begin(), stopped_.end(),
                                       [](unsigned char stopped) { return stopped != 0; });
  if (interrupted) {
    // Half-built equations must not be solved as if they were whole.
    for (int i = 1; i <= neq_.Size; ++i) std::fill_n(neq_.NormalMatrix[i], neq_.Size + 1, 0.0);
    for (int i = 0; i <= neq_.Size; ++i) neq_.NormalVector[i] = 0.0;
    neq_.DataSquareSum = 0.0;
    return false;
  }
  for (int i = 2; i <= m; ++i) {
    const double* row = neq_.NormalMatrix[i];
    for (int l = 1; l < i; ++l) neq_.NormalMatrix[l][i] = row[l];
  }
  double squares = 0.0;
  for (int k = 1; k <= workerCount_; ++k) squares += squareSums_[static_cast<std::size_t>(k)];
  neq_.DataSquareSum = squares;
  return true;
}
