#include "numerics/ShrinkingCholesky.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cmath>

#include "numerics/DenseKernels.h"
#include "numerics/LinearSolvers.h"
#include "numerics/SharedWork.h"

namespace {

// A removal whose pivot in the coupling system falls below this fraction of
// its diagonal element would lose most of its digits there: such removals
// go into the factor by rotations.
constexpr double kCouplingFloor = 1e-6;

// Below this order the inverse costs less than starting threads for it.
// The first block, with the largest trailing part, bounds what threads can
// gain; beyond four, more threads measured slower (their start and the
// library's small solves outweigh the shares).
constexpr int kThreadedOrder = 256;
constexpr int kMostThreads = 4;

}  // namespace

bool ShrinkingCholesky::Factor(const double* const* a, int n) {
  assert(n >= 0);
  n_ = n;
  const auto order = static_cast<std::size_t>(n);
  factor_.assign(order * order, 0.0);
  removed_.assign(order + 1, 0);
  work_.resize(order);
  pending_.clear();
  coupling_.clear();
  pendingColumns_.clear();
  inverseReady_ = false;
  rotating_ = false;
  solved_ = false;
  for (int i = 1; i <= n; ++i) {
    bool zero = true;
    for (int j = 1; j <= n && zero; ++j) zero = a[i][j] == 0.0;
    removed_[static_cast<std::size_t>(i)] = zero ? 1 : 0;
  }
  decoupled_ = removed_;
  // The upper triangle row by row is the lower triangle column by column.
  for (int i = 1; i <= n; ++i) {
    if (removed_[static_cast<std::size_t>(i)] != 0) {
      At(i - 1, i - 1) = 1.0;
      continue;
    }
    const double* row = a[i];
    for (int j = i; j <= n; ++j)
      if (removed_[static_cast<std::size_t>(j)] == 0) At(j - 1, i - 1) = row[j];
  }
  CountCholeskyFactorisation();
  if (FactorCholeskyLower(n, factor_.data(), n) != 0) return false;
  for (int i = 0; i < n; ++i)
    if (!(At(i, i) > 0.0)) return false;  // NaN passes the library's test
  return true;
}

void ShrinkingCholesky::Remove(int i) {
  assert(i >= 1 && i <= n_);
  if (removed_[static_cast<std::size_t>(i)] != 0) return;
  removed_[static_cast<std::size_t>(i)] = 1;
  const int k = i - 1;
  if (!rotating_) {
    if (!inverseReady_) FormInverse();
    if (Couple(k)) {
      pending_.push_back(k);
      return;
    }
  }
  // From here on every removal goes into the factor, the pending ones first.
  rotating_ = true;
  for (int q : pending_) Rotate(q);
  Rotate(k);
  pending_.clear();
  coupling_.clear();
  pendingColumns_.clear();
  solved_ = false;
}

// With L = [L11 0; L21 L22], rows j.. of column j of A⁻¹ (the part on and
// below the diagonal, which is all that is kept) solve L22 L22ᵀ x = e_j:
// a block of columns from `first` on needs only the factor's trailing part.
void ShrinkingCholesky::FormInverse() {
  const auto order = static_cast<std::size_t>(n_);
  inverse_.resize(order * order);
  pendingColumns_.clear();
  pendingColumns_.reserve(order * std::min<std::size_t>(order, 64));
  const int blocks = (n_ + kInverseBlock - 1) / kInverseBlock;
  // The blocks in order: the first, with the largest trailing part, first.
  std::atomic<int> next{0};
  const auto work = [&] {
    for (int b = next.fetch_add(1); b < blocks; b = next.fetch_add(1))
      FormInverseColumns(b * kInverseBlock, std::min(kInverseBlock, n_ - b * kInverseBlock));
  };
  RunOnThreads(n_ >= kThreadedOrder ? std::min({threads_, blocks, kMostThreads}) : 1, work);
  inverseReady_ = true;
}

void ShrinkingCholesky::FormInverseColumns(int first, int count) {
  const auto order = static_cast<std::size_t>(n_);
  const auto offset = static_cast<std::size_t>(first);
  double* x = inverse_.data() + offset * order + offset;  // rows first.. of column first
  for (int c = 0; c < count; ++c) {
    double* column = x + static_cast<std::size_t>(c) * order;
    std::fill(column, column + (order - offset), 0.0);
    column[c] = 1.0;
  }
  SolveColumnsWithCholeskyLower(n_ - first, factor_.data() + offset * order + offset, n_, count, x,
                                n_);
}

bool ShrinkingCholesky::Couple(int k) {
  const std::size_t f = pending_.size();
  const std::size_t start = coupling_.size();
  coupling_.resize(start + f + 1);
  double* row = coupling_.data() + start;
  // Forward substitution with the rows so far: row·diag = A⁻¹[F, k].
  double square = 0.0;
  const double* earlier = coupling_.data();
  for (std::size_t j = 0; j < f; ++j) {
    double sum = Inverse(pending_[j], k);
    for (std::size_t m = 0; m < j; ++m) sum -= earlier[m] * row[m];
    row[j] = sum / earlier[j];
    square += row[j] * row[j];
    earlier += j + 1;
  }
  const double diagonal = Inverse(k, k);
  const double pivot = diagonal - square;
  if (!(pivot > kCouplingFloor * diagonal)) {
    coupling_.resize(start);
    return false;
  }
  row[f] = std::sqrt(pivot);
  // Column k of the inverse, beside the others, for the solves.
  const auto order = static_cast<std::size_t>(n_);
  pendingColumns_.resize(order * (f + 1));
  double* column = pendingColumns_.data() + order * f;
  for (int r = 0; r < n_; ++r) column[r] = Inverse(r, k);
  return true;
}

// With L = [L11 0 0; l21ᵀ l22 0; L31 l32 L33] the system without variable k
// has the factor [L11 0; L31 L33'] with L33'L33'ᵀ = L33L33ᵀ + l32l32ᵀ: a
// rank-one update, done by plane rotations column after column.
void ShrinkingCholesky::Rotate(int k) {
  decoupled_[static_cast<std::size_t>(k) + 1] = 1;
  inverseReady_ = false;
  double* x = work_.data();
  for (int q = k + 1; q < n_; ++q) {
    x[q] = At(q, k);
    At(q, k) = 0.0;
  }
  for (int q = 0; q < k; ++q) At(k, q) = 0.0;
  At(k, k) = 1.0;
  for (int p = k + 1; p < n_; ++p) {
    if (x[p] == 0.0) continue;
    const double d = At(p, p);
    const double r = std::hypot(d, x[p]);
    const double c = r / d, s = x[p] / d;
    At(p, p) = r;
    double* column = &At(0, p);
    for (int q = p + 1; q < n_; ++q) {
      column[q] = (column[q] + s * x[q]) / c;
      x[q] = c * x[q] - s * column[q];
    }
  }
}

void ShrinkingCholesky::SolveFactored(const double* b) {
  const auto order = static_cast<std::size_t>(n_);
  if (solved_ && std::equal(b + 1, b + 1 + order, solvedFor_.begin())) return;
  for (int i = 1; i <= n_; ++i)
    work_[static_cast<std::size_t>(i) - 1] =
        decoupled_[static_cast<std::size_t>(i)] != 0 ? 0.0 : b[i];
  SolveWithCholeskyLower(n_, factor_.data(), n_, work_.data());
  solvedFor_.assign(b + 1, b + 1 + order);
  solved_ = true;
}

void ShrinkingCholesky::Solve(const double* b, double* x) {
  SolveFactored(b);
  const auto order = static_cast<std::size_t>(n_);
  std::copy(work_.begin(), work_.begin() + static_cast<std::ptrdiff_t>(order), x + 1);
  const std::size_t f = pending_.size();
  if (f == 0) return;
  // c from the coupling system's factor: forward, then backward.
  coefficients_.resize(f);
  double* c = coefficients_.data();
  std::size_t offset = 0;
  for (std::size_t j = 0; j < f; ++j) {
    const double* row = coupling_.data() + offset;
    double sum = work_[static_cast<std::size_t>(pending_[j])];
    for (std::size_t m = 0; m < j; ++m) sum -= row[m] * c[m];
    c[j] = sum / row[j];
    offset += j + 1;
  }
  for (std::size_t j = f; j-- > 0;) {
    offset -= j + 1;
    c[j] /= coupling_[offset + j];
    const double* row = coupling_.data() + offset;
    for (std::size_t m = 0; m < j; ++m) c[m] -= row[m] * c[j];
  }
  SubtractMatrixVector(n_, static_cast<int>(f), pendingColumns_.data(), n_, c, x + 1);
  for (int i = 1; i <= n_; ++i)
    if (removed_[static_cast<std::size_t>(i)] != 0) x[i] = 0.0;
}
