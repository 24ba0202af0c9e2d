// Solvers for the normal equations of least-squares fits: Cholesky first,
// since a = AᵀA is positive definite unless the fit is degenerate, and LU
// where it is not.

#include <vector>

#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"

namespace {

template <class T>
void CopyMatrix(T** from, int n, OneBasedMatrix<T>& to) {
  to.Resize(1, n, 1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) to[i][j] = from[i][j];
}

void SetFlag(bool* flag, bool value) {
  if (flag != nullptr) *flag = value;
}

}  // namespace

bool CholeskyOrLUSolve(float** a, float* b, int n, bool* singular) {
  SetFlag(singular, false);
  OneBasedMatrix<float> copy;
  CopyMatrix(a, n, copy);
  OneBasedArray<float> p(1, n);
  if (cholesky(copy.get(), n, p.data())) {
    OneBasedArray<float> x(1, n);
    cholsolve(copy.get(), n, p.data(), b, x.data());
    for (int i = 1; i <= n; ++i) b[i] = x[i];
    return true;
  }
  CopyMatrix(a, n, copy);
  SetFlag(singular, !lusolve(copy.get(), b, n, false));
  return false;
}

int CholeskyOrLUSolveD(double** a, const double* b, int n, double* x, double* p, bool* singular) {
  SetFlag(singular, false);
  if (CholeskySolveUpper(a, n, b, x, p)) return 1;
  OneBasedMatrix<double> copy;
  CopyMatrix(a, n, copy);
  for (int i = 1; i <= n; ++i) x[i] = b[i];
  SetFlag(singular, !dlusolve(copy.get(), x, n, false));
  return 0;
}

int SolveReducedNormalEquationsD(double** a, const double* b, int n, double* x, double* p,
                                 bool* singular) {
  // A parameter that no data point depends on has an all-zero row; it
  // carries no information and would make the system singular.
  std::vector<int> kept;
  for (int i = 1; i <= n; ++i) {
    bool zero = true;
    for (int j = 1; j <= n && zero; ++j) zero = a[i][j] == 0.0;
    if (!zero) kept.push_back(i);
  }
  const int m = static_cast<int>(kept.size());
  if (m == n) return CholeskyOrLUSolveD(a, b, n, x, p, singular);

  SetFlag(singular, false);
  for (int i = 1; i <= n; ++i) x[i] = 0.0;
  if (CholeskySolveUpperSubset(a, kept.data(), m, b, x, p)) return 1;
  OneBasedMatrix<double> sub(1, m, 1, m);
  OneBasedArray<double> subX(1, m);
  for (int i = 1; i <= m; ++i) {
    subX[i] = b[kept[i - 1]];
    for (int j = 1; j <= m; ++j) sub[i][j] = a[kept[i - 1]][kept[j - 1]];
  }
  SetFlag(singular, !dlusolve(sub.get(), subX.data(), m, false));
  for (int i = 1; i <= m; ++i) x[kept[i - 1]] = subX[i];
  return 1;
}
