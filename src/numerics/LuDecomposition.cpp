// LU decomposition with partial pivoting (Crout's method on implicitly scaled
// rows), the matching substitution, and the one-call solver built on them.

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

#include "numerics/FatalError.h"
#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"

namespace {

// Stands in for an exactly zero pivot, so that a matrix that is singular
// without having a zero row still decomposes (the solution then carries
// huge components along the null space instead of stopping the caller).
template <class T>
constexpr T TinyPivot();
template <>
constexpr float TinyPivot<float>() {
  return 1e-20f;
}
template <>
constexpr double TinyPivot<double>() {
  return 1e-100;
}

// Decomposes a in place; false (a partly overwritten) when a row is zero,
// which no pivot exchange can repair.
template <class T>
bool Decompose(T** a, int n, int* indx, T& d) {
  assert(n >= 0);
  OneBasedArray<T> scale(1, n);
  d = 1;
  for (int i = 1; i <= n; ++i) {
    T big = 0;
    for (int j = 1; j <= n; ++j) big = std::max(big, std::fabs(a[i][j]));
    if (big == 0) return false;
    scale[i] = 1 / big;
  }
  // Crout's factors, computed by updating whole rows at each step: every
  // element still receives its inner product term by term in the same
  // order, but the work runs along rows, which is what the cache favours.
  for (int j = 1; j <= n; ++j) {
    T big = 0;
    int imax = j;
    for (int i = j; i <= n; ++i) {
      // ">=": the last of equally good pivots wins.
      const T merit = scale[i] * std::fabs(a[i][j]);
      if (merit >= big) {
        big = merit;
        imax = i;
      }
    }
    if (j != imax) {
      for (int k = 1; k <= n; ++k) std::swap(a[imax][k], a[j][k]);
      d = -d;
      scale[imax] = scale[j];
    }
    indx[j] = imax;
    if (a[j][j] == 0) a[j][j] = TinyPivot<T>();
    if (j == n) break;
    const T inverse = 1 / a[j][j];
    const T* pivotRow = a[j];
    for (int i = j + 1; i <= n; ++i) {
      T* row = a[i];
      const T factor = row[j] *= inverse;
      for (int k = j + 1; k <= n; ++k) row[k] -= factor * pivotRow[k];
    }
  }
  return true;
}

template <class T>
void Substitute(T** a, int n, const int* indx, T* b) {
  // Forward substitution; summing starts at the first non-zero entry of the
  // (permuted) right-hand side, which saves work for sparse right-hand sides.
  int first = 0;
  for (int i = 1; i <= n; ++i) {
    const int ip = indx[i];
    T sum = b[ip];
    b[ip] = b[i];
    if (first != 0) {
      for (int j = first; j < i; ++j) sum -= a[i][j] * b[j];
    } else if (sum != 0) {
      first = i;
    }
    b[i] = sum;
  }
  for (int i = n; i >= 1; --i) {
    T sum = b[i];
    for (int j = i + 1; j <= n; ++j) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}

template <class T>
bool Solve(T** a, T* b, int n, bool keep) {
  OneBasedArray<int> indx(1, n);
  OneBasedMatrix<T> copy;
  T** work = a;
  if (keep) {
    copy.Resize(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) copy[i][j] = a[i][j];
    work = copy.get();
  }
  T d;
  if (!Decompose(work, n, indx.data(), d)) {
    for (int i = 1; i <= n; ++i) b[i] = 0;
    return false;
  }
  Substitute(work, n, indx.data(), b);
  return true;
}

}  // namespace

void ludcmp(float** a, int n, int* indx, float& d) {
  if (!Decompose(a, n, indx, d)) FatalError("Singular matrix in routine ludcmp");
}

void dludcmp(double** a, int n, int* indx, double& d) {
  if (!Decompose(a, n, indx, d)) FatalError("Singular matrix in routine ludcmp");
}

void lusubst(float** a, int n, const int* indx, float* b) {
  Substitute(a, n, indx, b);
}

void dlusubst(double** a, int n, const int* indx, double* b) {
  Substitute(a, n, indx, b);
}

bool lusolve(float** a, float* b, int n, bool keep) {
  return Solve(a, b, n, keep);
}

bool dlusolve(double** a, double* b, int n, bool keep) {
  return Solve(a, b, n, keep);
}
