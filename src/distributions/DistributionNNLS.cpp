#include "distributions/DistributionNNLS.h"

#include <cassert>
#include <cmath>

#include "app/records/ProgramFlags.h"
#include "numerics/LinearSolvers.h"
#include "ui/Boxes.h"

namespace {

// A held amplitude is freed only when the objective falls along it faster
// than this (rounding of the gradient stays well below it).
constexpr float kEntryThreshold = 1e-10f;
// A free amplitude that a step brings this close to zero is held at zero, so
// that rounding cannot keep it free at a meaningless value.
constexpr double kBoundaryTolerance = 1e-8;

constexpr int kIterationLimitCode = 1;
constexpr int kNotPositiveDefiniteCode = 2;

// Handles of one solve.
struct ActiveSet {
  int n;
  double** a;        // RegularizedMatrix
  const double* b;   // NormalVector
  double* x;         // DistSolution
  double* w;         // gradient b − a·x
  int* passive;      // 1 = free, 0 = held at zero
  double** h;        // free-variable matrix and its Cholesky factor
  double* hb;        // free-variable right-hand side
  double* diagonal;  // Cholesky diagonal
  double* hz;        // free-variable solution
  double* z;         // that solution scattered to full length
};

void ComputeGradient(const ActiveSet& s) {
  for (int i = 1; i <= s.n; ++i) {
    const double* row = s.a[i];
    double sum = s.b[i];
    for (int j = 1; j <= s.n; ++j) sum -= row[j] * s.x[j];
    s.w[i] = sum;
  }
}

// The held amplitude with the largest gradient above the threshold; ties go
// to the lowest index. 0 when none qualifies (the optimum is reached).
int ChooseEntering(const ActiveSet& s) {
  int t = 0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] != 0 || !(s.w[i] > kEntryThreshold)) continue;
    if (t == 0 || s.w[i] > s.w[t]) t = i;
  }
  return t;
}

// z = the least-squares optimum of the free amplitudes with the held ones at
// zero. False when the free system is not positive definite.
bool SolveFreeSystem(const ActiveSet& s) {
  int m = 0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] == 0) continue;
    ++m;
    s.hb[m] = s.b[i];
    int k = 0;
    for (int j = 1; j <= s.n; ++j)
      if (s.passive[j] != 0) s.h[m][++k] = s.a[i][j];
  }
  if (!dcholesky(s.h, m, s.diagonal)) return false;
  dcholsolve(s.h, m, s.diagonal, s.hb, s.hz);
  int k = 0;
  for (int i = 1; i <= s.n; ++i) s.z[i] = s.passive[i] != 0 ? s.hz[++k] : 0.0;
  return true;
}

bool FreeSolutionFeasible(const ActiveSet& s) {
  for (int i = 1; i <= s.n; ++i)
    if (s.passive[i] != 0 && s.z[i] < 0.0) return false;
  return true;
}

// Moves x towards z as far as every amplitude stays non-negative (the first
// to reach zero limits the step; ties go to the lowest index), then holds the
// amplitudes that reached zero.
void StepToBoundary(const ActiveSet& s) {
  double alpha = 1.0;
  int limiting = 0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] == 0 || s.z[i] > 0.0) continue;
    const double span = s.x[i] - s.z[i];
    // span is 0 only for x = z = 0, which limits no step.
    if (!(span > 0.0)) continue;
    const double ratio = s.x[i] / span;
    if (limiting == 0 || ratio < alpha) {
      alpha = ratio;
      limiting = i;
    }
  }
  for (int i = 1; i <= s.n; ++i) s.x[i] += alpha * (s.z[i] - s.x[i]);
  // The limiting amplitude is at zero by construction; with large amplitudes
  // rounding could leave it above the tolerance and the free set would never
  // shrink.
  if (limiting != 0) s.x[limiting] = 0.0;
  for (int i = 1; i <= s.n; ++i) {
    if (s.passive[i] != 0 && std::fabs(s.x[i]) < kBoundaryTolerance) {
      s.passive[i] = 0;
      s.x[i] = 0.0;
    }
    if (s.x[i] < 0.0) {
      s.x[i] = 0.0;
      s.passive[i] = 0;
    }
  }
}

NnlsResult RunActiveSet(const ActiveSet& s, long long limit) {
  for (int i = 1; i <= s.n; ++i) {
    s.passive[i] = 0;
    s.x[i] = 0.0;
  }
  for (long long pass = 1;; ++pass) {
    ComputeGradient(s);
    const int t = ChooseEntering(s);
    if (t == 0) return NnlsResult::Solved;
    if (pass > limit) return NnlsResult::IterationLimit;
    s.passive[t] = 1;
    for (bool first = true;; first = false) {
      if (!SolveFreeSystem(s)) return NnlsResult::NotPositiveDefinite;
      // Freeing t does not lower the objective when its own optimum is at or
      // below zero: x stays, t stays free at zero and leaves at a later step.
      if (first && s.z[t] <= 0.0) break;
      if (FreeSolutionFeasible(s)) {
        for (int i = 1; i <= s.n; ++i) s.x[i] = s.z[i];
        break;
      }
      StepToBoundary(s);
    }
  }
}

}  // namespace

void ReportSolverProblem(const std::string& text, int code) {
  if (RedrawSuppressed) {
    SerialFitErrorCode = code;
    NumericErrorState = code;
    return;
  }
  ErrorBox(text);
}

NnlsResult NNLS(NormalEquationArrays& neq, int n, long long passLimit) {
  assert(n >= 1 && n <= neq.Size);
  const ActiveSet s{n,
                    neq.RegularizedMatrix.get(),
                    neq.NormalVector.data(),
                    neq.DistSolution.data(),
                    neq.NnlsGradient.data(),
                    neq.NnlsPassiveSet.data(),
                    neq.NnlsReducedMatrix.get(),
                    neq.NnlsReducedVector.data(),
                    neq.NnlsCholeskyDiagonal.data(),
                    neq.NnlsReducedSolution.data(),
                    neq.NnlsTrialSolution.data()};
  const long long limit = passLimit > 0 ? passLimit : static_cast<long long>(n) * n;
  const NnlsResult result = RunActiveSet(s, limit);
  if (result == NnlsResult::Solved) return result;

  if (result == NnlsResult::IterationLimit)
    ReportSolverProblem("max #iteration exceeded in NNLS", kIterationLimitCode);
  else
    ReportSolverProblem("matrix not positive definite in NNLS", kNotPositiveDefiniteCode);
  for (int i = 1; i <= n; ++i) s.x[i] = 0.0;
  return result;
}
