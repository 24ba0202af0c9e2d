#include "lamm/Tridiagonal.h"

#include <cassert>

#include "ui/Boxes.h"

namespace {

// Back substitution shared by every solve: u[i] -= gamma[i+1] u[i+1].
void BackSubstitute(const double* gamma, double* u, int n) {
  for (int i = n - 1; i >= 1; --i) u[i] -= gamma[i + 1] * u[i + 1];
}

// Forward substitution with known ratios and pivots, then back substitution.
void SubstituteWithFactors(const double* a, const double* gamma, const double* beta,
                           const double* r, double* u, int n) {
  assert(n >= 1 && beta[1] != 0.0);
  u[1] = r[1] / beta[1];
  for (int i = 2; i <= n; ++i) {
    assert(beta[i] != 0.0);
    u[i] = (r[i] - a[i] * u[i - 1]) / beta[i];
  }
  BackSubstitute(gamma, u, n);
}

void ReportZeroPivot(const TridagWork& owner, const char* text) {
  ErrorBox(text, false);
  *owner.Error = 1;
}

}  // namespace

bool tridag(const TridagWork& owner, const double* a, const double* b, const double* c,
            const double* r, double* u, int n) {
  assert(n >= 1 && owner.Gamma && owner.Pivots && owner.Error);
  double* gamma = owner.Gamma;
  double* beta = owner.Pivots;
  beta[1] = b[1];
  if (beta[1] == 0.0) {
    ReportZeroPivot(owner, "Error 1 in tridag");
    return false;
  }
  u[1] = r[1] / beta[1];
  for (int i = 2; i <= n; ++i) {
    gamma[i] = c[i - 1] / beta[i - 1];
    beta[i] = b[i] - a[i] * gamma[i];
    if (beta[i] == 0.0) {
      ReportZeroPivot(owner, "Error 2 in tridag");
      return false;
    }
    u[i] = (r[i] - a[i] * u[i - 1]) / beta[i];
  }
  BackSubstitute(gamma, u, n);
  return true;
}

void SolveWithStoredPivots(const TridagWork& owner, const double* a, const double* r, double* u,
                           int n) {
  assert(owner.Gamma && owner.Pivots);
  SubstituteWithFactors(a, owner.Gamma, owner.Pivots, r, u, n);
}

bool FactorTridiagonal(const double* a, const double* b, const double* c, int n, double* gamma,
                       double* beta) {
  assert(n >= 1);
  beta[1] = b[1];
  if (beta[1] == 0.0) return false;
  for (int i = 2; i <= n; ++i) {
    gamma[i] = c[i - 1] / beta[i - 1];
    beta[i] = b[i] - a[i] * gamma[i];
    if (beta[i] == 0.0) return false;
  }
  return true;
}

void SolveFactoredTridiagonal(const double* a, const double* gamma, const double* beta,
                              const double* r, double* u, int n) {
  SubstituteWithFactors(a, gamma, beta, r, u, n);
}

void TridiagonalTimesVector(const double* a, const double* b, const double* c, const double* x,
                            double* y, int n) {
  assert(n >= 1 && x != y);
  if (n == 1) {
    y[1] = b[1] * x[1];
    return;
  }
  y[1] = b[1] * x[1] + c[1] * x[2];
  for (int i = 2; i < n; ++i) y[i] = a[i] * x[i - 1] + b[i] * x[i] + c[i] * x[i + 1];
  y[n] = a[n] * x[n - 1] + b[n] * x[n];
}

void TridiagonalPairTimesVector(const double* a1, const double* b1, const double* c1, double alpha,
                                const double* a2, const double* b2, const double* c2, double beta,
                                const double* x, double* y, int n) {
  assert(n >= 1 && x != y);
  auto lower = [&](int i) { return alpha * a1[i] + beta * a2[i]; };
  auto diag = [&](int i) { return alpha * b1[i] + beta * b2[i]; };
  auto upper = [&](int i) { return alpha * c1[i] + beta * c2[i]; };
  if (n == 1) {
    y[1] = diag(1) * x[1];
    return;
  }
  y[1] = diag(1) * x[1] + upper(1) * x[2];
  for (int i = 2; i < n; ++i) y[i] = lower(i) * x[i - 1] + diag(i) * x[i] + upper(i) * x[i + 1];
  y[n] = lower(n) * x[n - 1] + diag(n) * x[n];
}
