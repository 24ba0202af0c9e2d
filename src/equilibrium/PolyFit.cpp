#include "equilibrium/PolyFit.h"

#include <algorithm>
#include <cmath>

#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"
#include "ui/Boxes.h"

bool polyfit(int p, const double* x, const double* y, int n, const float* xOut, float* yOut,
             int m) {
  if (p < 0) {
    for (int i = 1; i <= m; ++i) yOut[i] = 0.0f;
    return true;
  }
  const int terms = p + 1;
  // The sums of the first two powers are always accumulated; an order-0
  // fit simply does not use them, so the work arrays hold at least two.
  OneBasedArray<double> S(1, std::max(2 * p + 1, 2));
  OneBasedArray<double> T(1, std::max(terms, 2));
  const double x0 = x[1];
  for (int i = 1; i <= n; ++i) {
    const double u = x[i] - x0;
    S[1] += 1.0;
    S[2] += u;
    T[1] += y[i];
    T[2] += u * y[i];
    double power = u;
    for (int j = 3; j <= 2 * p + 1; ++j) {
      power *= u;
      S[j] += power;
      if (j <= terms) T[j] += power * y[i];
    }
  }
  OneBasedMatrix<double> A(1, terms, 1, terms);
  for (int j = 1; j <= terms; ++j)
    for (int k = 1; k <= terms; ++k) A[j][k] = S[j + k - 1];
  OneBasedArray<double> diagonal(1, terms);
  bool ok = dcholesky(A.get(), terms, diagonal.data());
  for (int j = 1; ok && j <= terms; ++j)
    if (diagonal[j] == 0.0) ok = false;
  if (!ok) {
    ErrorBox("error in polyfit");
    return false;
  }
  OneBasedArray<double> a(1, terms);
  dcholsolve(A.get(), terms, diagonal.data(), T.data(), a.data());
  for (int i = 1; i <= m; ++i) {
    const double u = static_cast<double>(xOut[i]) - x0;
    float sum = static_cast<float>(a[1]);
    for (int j = 2; j <= terms; ++j) sum += static_cast<float>(a[j] * std::pow(u, j - 1));
    yOut[i] = sum;
  }
  return true;
}
