// Cholesky decomposition of symmetric positive-definite matrices and the
// substitution with its factor.

#include <cassert>
#include <cmath>

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

}  // namespace

bool cholesky(float** a, int n, float* p) {
  return Decompose(a, n, p);
}

bool dcholesky(double** a, int n, double* p) {
  return Decompose(a, n, p);
}

void cholsolve(float** a, int n, const float* p, const float* b, float* x) {
  Substitute(a, n, p, b, x);
}

void dcholsolve(double** a, int n, const double* p, const double* b, double* x) {
  Substitute(a, n, p, b, x);
}
