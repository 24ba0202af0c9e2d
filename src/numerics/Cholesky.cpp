// Cholesky decomposition of symmetric positive-definite matrices and the
// substitution with its factor.

#include <atomic>
#include <cassert>
#include <cmath>
#include <vector>

#include "numerics/DenseKernels.h"
#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"

namespace {

std::atomic<long long> factorisations{0};

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
// cost more than they save (measured: slower at 32, faster at 64), and small
// systems keep their exact old bits.
constexpr int kBlockedOrder = 48;

// The factor L of the matrix given by the upper triangle of a, in a
// column-major buffer of this thread, with its diagonal in p; null when the
// matrix is not positive definite. The upper triangle of a (row by row) is
// exactly the lower triangle of the column-major copy, so the copy runs
// along contiguous memory. The buffer is kept: the regularisation
// factorises thousands of matrices of one size in a run.
// Row and column i of the system are row and column index(i) of a.
template <class Index>
const double* FactorIntoBuffer(const double* const* a, int n, double* p, Index index) {
  const auto order = static_cast<std::size_t>(n);
  thread_local std::vector<double> work;
  if (work.size() < order * order) work.resize(order * order);
  for (int i = 1; i <= n; ++i) {
    double* column = work.data() + (i - 1) * order;
    const double* row = a[index(i)];
    for (int j = i; j <= n; ++j) column[j - 1] = row[index(j)];
  }
  if (FactorCholeskyLower(n, work.data(), n) != 0) return nullptr;
  for (int i = 1; i <= n; ++i) {
    const double pivot = work[(i - 1) * order + (i - 1)];
    // A positive pivot was checked by the library; NaN is not.
    if (!(pivot > 0)) return nullptr;
    p[i] = pivot;
  }
  return work.data();
}

// The same contract as Decompose, on the library's blocked factorisation.
bool DecomposeBlocked(double** a, int n, double* p) {
  const double* factor = FactorIntoBuffer(a, n, p, [](int i) { return i; });
  if (factor == nullptr) return false;
  const auto order = static_cast<std::size_t>(n);
  for (int i = 1; i <= n; ++i) {
    const double* column = factor + (i - 1) * order;
    for (int j = i + 1; j <= n; ++j) a[j][i] = column[j - 1];
  }
  return true;
}

}  // namespace

bool cholesky(float** a, int n, float* p) {
  return Decompose(a, n, p);
}

bool dcholesky(double** a, int n, double* p) {
  CountCholeskyFactorisation();
  if (n >= kBlockedOrder) return DecomposeBlocked(a, n, p);
  return Decompose(a, n, p);
}

void cholsolve(float** a, int n, const float* p, const float* b, float* x) {
  Substitute(a, n, p, b, x);
}

void dcholsolve(double** a, int n, const double* p, const double* b, double* x) {
  Substitute(a, n, p, b, x);
}

void CountCholeskyFactorisation() {
  factorisations.fetch_add(1, std::memory_order_relaxed);
}

long long CholeskyFactorisationCount() {
  return factorisations.load(std::memory_order_relaxed);
}

bool CholeskySolveUpper(double** a, int n, const double* b, double* x, double* p) {
  CountCholeskyFactorisation();
  if (n < kBlockedOrder) {
    OneBasedMatrix<double> copy(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) copy[i][j] = a[i][j];
    if (!Decompose(copy.get(), n, p)) return false;
    Substitute(copy.get(), n, p, b, x);
    return true;
  }
  const double* factor = FactorIntoBuffer(a, n, p, [](int i) { return i; });
  if (factor == nullptr) return false;
  for (int i = 1; i <= n; ++i) x[i] = b[i];
  SolveWithCholeskyLower(n, factor, n, x + 1);
  return true;
}

bool CholeskySolveUpperSubset(double** a, const int* rows, int m, const double* b, double* x,
                              double* p) {
  CountCholeskyFactorisation();
  const auto index = [rows](int i) { return rows[i - 1]; };
  if (m < kBlockedOrder) {
    OneBasedMatrix<double> sub(1, m, 1, m);
    OneBasedArray<double> subB(1, m), subX(1, m);
    for (int i = 1; i <= m; ++i) {
      subB[i] = b[index(i)];
      for (int j = 1; j <= m; ++j) sub[i][j] = a[index(i)][index(j)];
    }
    if (!Decompose(sub.get(), m, p)) return false;
    Substitute(sub.get(), m, p, subB.data(), subX.data());
    for (int i = 1; i <= m; ++i) x[index(i)] = subX[i];
    return true;
  }
  const double* factor = FactorIntoBuffer(a, m, p, index);
  if (factor == nullptr) return false;
  thread_local std::vector<double> solution;
  solution.resize(static_cast<std::size_t>(m));
  for (int i = 1; i <= m; ++i) solution[static_cast<std::size_t>(i - 1)] = b[index(i)];
  SolveWithCholeskyLower(m, factor, m, solution.data());
  for (int i = 1; i <= m; ++i) x[index(i)] = solution[static_cast<std::size_t>(i - 1)];
  return true;
}
