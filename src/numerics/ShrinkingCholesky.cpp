#include "numerics/ShrinkingCholesky.h"

#include <cassert>
#include <cmath>

#include "numerics/DenseKernels.h"
#include "numerics/LinearSolvers.h"

bool ShrinkingCholesky::Factor(const double* const* a, int n) {
  assert(n >= 0);
  n_ = n;
  const auto order = static_cast<std::size_t>(n);
  factor_.assign(order * order, 0.0);
  removed_.assign(order + 1, 0);
  work_.resize(order);
  for (int i = 1; i <= n; ++i) {
    bool zero = true;
    for (int j = 1; j <= n && zero; ++j) zero = a[i][j] == 0.0;
    removed_[static_cast<std::size_t>(i)] = zero ? 1 : 0;
  }
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

// With L = [L11 0 0; l21ᵀ l22 0; L31 l32 L33] the system without variable k
// has the factor [L11 0; L31 L33'] with L33'L33'ᵀ = L33L33ᵀ + l32l32ᵀ: a
// rank-one update, done by plane rotations column after column.
void ShrinkingCholesky::Remove(int i) {
  assert(i >= 1 && i <= n_);
  if (removed_[static_cast<std::size_t>(i)] != 0) return;
  removed_[static_cast<std::size_t>(i)] = 1;
  const int k = i - 1;
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

void ShrinkingCholesky::Solve(const double* b, double* x) {
  for (int i = 1; i <= n_; ++i) x[i] = removed_[static_cast<std::size_t>(i)] != 0 ? 0.0 : b[i];
  SolveWithCholeskyLower(n_, factor_.data(), n_, x + 1);
}
