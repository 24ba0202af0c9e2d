// Cholesky decomposition of symmetric positive-definite matrices and the
// substitution with its factor.

#include <cassert>
#include <cmath>
#include <vector>

#include "numerics/DenseKernels.h"
#include "numerics/LinearSolvers.h"

namespace {

// Reads only the upper triangle, so the lower triangle can hold L while the
// matrix itself stays readable for a fallback solve.
template <class T>
bool Decompose(T** a, int n, T* p) {
  assert(n >= 0);
  for (int i = 1; i <= n; ++i) {
    for (int j = i; j <= n; ++j) {
      T sum = a[i][j];
      for (int k = i - 1; k >= 1; --k) sum -= a[i][k] * a[j][k];
      if (i == j) {
        // "!(sum > 0)" also stops on NaN.
        if (!(sum > 0)) return false;
        p[i] = std::sqrt(sum);
      } else {
        a[j][i] = sum / p[i];
      }
    }
  }
  return true;
}

template <class T>
void Substitute(T** a, int n, const T* p, const T* b, T* x) {
  for (int i = 1; i <= n; ++i) {
    T sum = b[i];
    for (int k = i - 1; k >= 1; --k) sum -= a[i][k] * x[k];
    x[i] = sum / p[i];
  }
  for (int i = n; i >= 1; --i) {
    T sum = x[i];
    for (int k = i + 1; k <= n; ++k) sum -= a[k][i] * x[k];
    x[i] = sum / p[i];
  }
}

// From this order on the blocked factorisation of the tuned library is
// several times faster than the loops above; below it the copies in and out
// cost more than they save, and small systems keep their exact old bits.
constexpr int kBlockedOrder = 32;

// The same contract as Decompose, on the library's blocked factorisation:
// the upper triangle of a (row by row) is exactly the lower triangle of the
// column-major copy, so the copies run along contiguous memory.
bool DecomposeBlocked(double** a, int n, double* p) {
  const auto order = static_cast<std::size_t>(n);
  // One buffer per thread, kept: the regularisation factorises thousands of
  // matrices of one size in a run.
  thread_local std::vector<double> work;
  if (work.size() < order * order) work.resize(order * order);
  for (int i = 1; i <= n; ++i) {
    double* column = work.data() + (i - 1) * order;
    const double* row = a[i];
    for (int j = i; j <= n; ++j) column[j - 1] = row[j];
  }
  if (FactorCholeskyLower(n, work.data(), n) != 0) return false;
  for (int i = 1; i <= n; ++i) {
    const double* column = work.data() + (i - 1) * order;
    // A positive pivot was checked by the library; NaN is not.
    if (!(column[i - 1] > 0)) return false;
    p[i] = column[i - 1];
    for (int j = i + 1; j <= n; ++j) a[j][i] = column[j - 1];
  }
  return true;
}

}  // namespace

bool cholesky(float** a, int n, float* p) {
  return Decompose(a, n, p);
}

bool dcholesky(double** a, int n, double* p) {
  if (n >= kBlockedOrder) return DecomposeBlocked(a, n, p);
  return Decompose(a, n, p);
}

void cholsolve(float** a, int n, const float* p, const float* b, float* x) {
  Substitute(a, n, p, b, x);
}

void dcholsolve(double** a, int n, const double* p, const double* b, double* x) {
  Substitute(a, n, p, b, x);
}
