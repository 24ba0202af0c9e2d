// Non-negative least squares on normal equations a·x = b (a = AᵀA, b = Aᵀy):
// Lawson and Hanson's active set method. Each variable is either free
// (passive flag 1) or held at zero (flag 0); the outer loop frees the held
// variable along which the residual decreases fastest, the inner loop solves
// the free system and, where that overshoots into negative values, steps back
// to the boundary and holds the variables that reach it.

#include <cassert>
#include <cmath>

#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"
#include "ui/Boxes.h"

namespace {

// The arrays of one solve; the float solver allocates them, the double
// solver borrows them from its caller.
template <class T>
struct ActiveSetWork {
  int n;
  int* passive;
  T* x;
  T* w;
  const T* b;
  T** a;
  T* bsub;
  T** asub;
  T* z;
  T* zsub;
  T* p;
};

// Where the solvers differ.
struct ActiveSetRules {
  double entryThreshold;  // a held variable is freed only when w exceeds it
  bool zeroIsFeasible;    // whether a free z of exactly 0 counts as feasible
  long long passLimit;    // give up after this many outer passes (0: never)
};

bool Factorise(float** a, int n, float* p) {
  return cholesky(a, n, p);
}
bool Factorise(double** a, int n, double* p) {
  return dcholesky(a, n, p);
}
void Substitute(float** a, int n, const float* p, const float* b, float* x) {
  cholsolve(a, n, p, b, x);
}
void Substitute(double** a, int n, const double* p, const double* b, double* x) {
  dcholsolve(a, n, p, b, x);
}

// Variables from here on are held at zero when a step brings them this close
// to the boundary, so rounding cannot keep them free at a meaningless value.
constexpr double kBoundaryTolerance = 1e-8;

// w = b − a·x, the negative gradient of the least-squares objective.
template <class T>
void ComputeGradient(const ActiveSetWork<T>& s) {
  for (int i = 1; i <= s.n; ++i) {
    T sum = s.b[i];
    for (int j = 1; j <= s.n; ++j)
      if (s.x[j] != 0) sum -= s.a[i][j] * s.x[j];
    s.w[i] = sum;
  }
}

// The held variable with the largest w above the threshold (the first of
// equal maxima), or 0 when there is none.
template <class T>
int ChooseEntering(const ActiveSetWork<T>& s, double threshold) {
  int t = 0;
  T best = 0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] != 0 || !(s.w[i] > threshold)) continue;
    if (t == 0 || s.w[i] > best) {
      t = i;
      best = s.w[i];
    }
  }
  return t;
}

// z solves the normal equations of the free variables; z = 0 for the held
// ones. False when that system is not positive definite.
template <class T>
bool SolveFreeSystem(const ActiveSetWork<T>& s) {
  int m = 0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] == 0) continue;
    ++m;
    s.bsub[m] = s.b[i];
    int k = 0;
    for (int j = 1; j <= s.n; ++j)
      if (s.passive[j] != 0) s.asub[m][++k] = s.a[i][j];
  }
  if (!Factorise(s.asub, m, s.p)) return false;
  Substitute(s.asub, m, s.p, s.bsub, s.zsub);
  int k = 0;
  for (int i = 1; i <= s.n; ++i) s.z[i] = s.passive[i] != 0 ? s.zsub[++k] : T{0};
  return true;
}

template <class T>
bool IsFeasible(const ActiveSetWork<T>& s, bool zeroIsFeasible) {
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] == 0) continue;
    if (s.z[i] < 0 || (s.z[i] == 0 && !zeroIsFeasible)) return false;
  }
  return true;
}

// Moves x towards z as far as x stays non-negative, then holds at zero the
// variables that reached the boundary.
template <class T>
void StepTowardsBoundary(const ActiveSetWork<T>& s) {
  T alpha = 1;
  int limiting = 0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] == 0 || s.z[i] > 0) continue;
    const T span = s.x[i] - s.z[i];
    // span is 0 only when x = z = 0: such a variable limits no step.
    if (!(span > 0)) continue;
    const T ratio = s.x[i] / span;
    if (limiting == 0 || ratio < alpha) {
      alpha = ratio;
      limiting = i;
    }
  }
  for (int i = 1; i <= s.n; ++i) s.x[i] += alpha * (s.z[i] - s.x[i]);
  // The limiting variable is at zero by construction; with large values
  // rounding could leave it above the tolerance and the free set would never
  // shrink.
  if (limiting != 0) s.x[limiting] = 0;
  for (int i = 1; i <= s.n; ++i) {
    if ((s.passive[i] != 0 && std::fabs(s.x[i]) < kBoundaryTolerance) || s.x[i] < 0) {
      s.x[i] = 0;
      s.passive[i] = 0;
    }
  }
}

template <class T>
ActiveSetEnd RunActiveSet(const ActiveSetWork<T>& s, const ActiveSetRules& rules,
                          long long& passes) {
  for (int i = 1; i <= s.n; ++i) {
    s.x[i] = 0;
    s.passive[i] = 0;
  }
  passes = 0;
  for (;;) {
    ++passes;
    ComputeGradient(s);
    const int t = ChooseEntering(s, rules.entryThreshold);
    if (t == 0) return ActiveSetEnd::Solved;
    if (rules.passLimit > 0 && passes > rules.passLimit) return ActiveSetEnd::PassLimit;
    s.passive[t] = 1;
    for (bool firstInner = true;; firstInner = false) {
      if (!SolveFreeSystem(s)) return ActiveSetEnd::NotPositiveDefinite;
      // Freeing t does not help when its own optimum lies at or below zero;
      // t stays free, so the next pass tries another variable.
      if (firstInner && s.z[t] <= 0) break;
      if (IsFeasible(s, rules.zeroIsFeasible)) {
        for (int i = 1; i <= s.n; ++i) s.x[i] = s.z[i];
        break;
      }
      StepTowardsBoundary(s);
    }
  }
}

}  // namespace

ActiveSetEnd NonNegativeActiveSet(int n, int* passive, double* x, double* w, const double* b,
                                  double** a, double* bsub, double** asub, double* z,
                                  double* zsub, double* p, double entryThreshold,
                                  bool zeroIsFeasible, long long passLimit, long long* passes) {
  const ActiveSetWork<double> work{n, passive, x, w, b, a, bsub, asub, z, zsub, p};
  long long passCount = 0;
  const ActiveSetEnd end =
      RunActiveSet(work, {entryThreshold, zeroIsFeasible, passLimit}, passCount);
  if (passes != nullptr) *passes = passCount;
  return end;
}

bool NonNegativeSolve(float** a, float* b, int n, bool keep) {
  OneBasedArray<int> passive(1, n);
  OneBasedArray<float> x(1, n), w(1, n), bsub(1, n), z(1, n), zsub(1, n), p(1, n);
  OneBasedMatrix<float> asub(1, n, 1, n);
  const ActiveSetWork<float> work{n,           passive.data(), x.data(), w.data(),    b,       a,
                                  bsub.data(), asub.get(),     z.data(), zsub.data(), p.data()};
  long long passes = 0;
  const ActiveSetEnd end = RunActiveSet(work, {0.0, false, 0}, passes);
  if (end == ActiveSetEnd::NotPositiveDefinite) return lusolve(a, b, n, keep);
  for (int i = 1; i <= n; ++i) b[i] = x[i];
  return true;
}

int NNLSGeneral(int n, int* passive, double* x, double* w, double* b, double** a, double* bsub,
                double** asub, double* z, double* zsub, double* p, double* limit, double* passes,
                bool* singular) {
  if (singular != nullptr) *singular = false;
  long long passCount = 0;
  const ActiveSetEnd end = NonNegativeActiveSet(n, passive, x, w, b, a, bsub, asub, z, zsub, p,
                                                1e-10, true, static_cast<long long>(n) * n,
                                                &passCount);
  if (limit != nullptr) *limit = static_cast<double>(n) * n;
  if (passes != nullptr) *passes = static_cast<double>(passCount);
  if (end == ActiveSetEnd::Solved) return 1;

  ErrorBox(end == ActiveSetEnd::PassLimit ? "max #iteration exceeded in NNLS"
                                          : "matrix not positive definite in NNLS");
  // Fall back to the unconstrained solution, on copies so that a and b
  // reach the caller unchanged.
  for (int i = 1; i <= n; ++i) {
    bsub[i] = b[i];
    for (int j = 1; j <= n; ++j) asub[i][j] = a[i][j];
  }
  const int result = CholeskyOrLUSolveD(asub, bsub, n, x, p, singular);
  if (end == ActiveSetEnd::NotPositiveDefinite) return result;
  for (int i = 1; i <= n; ++i)
    if (x[i] < 0) x[i] = 0;
  return 0;
}
