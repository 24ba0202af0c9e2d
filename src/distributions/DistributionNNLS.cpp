#include "distributions/DistributionNNLS.h"

#include <cassert>

#include "state/ProgramFlags.h"
#include "numerics/LinearSolvers.h"
#include "ui/Boxes.h"

namespace {

// A held amplitude is freed only when the objective falls along it faster
// than this (rounding of the gradient stays well below it).
constexpr double kEntryThreshold = 1e-10;

constexpr int kIterationLimitCode = 1;
constexpr int kNotPositiveDefiniteCode = 2;

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
  double* x = neq.DistSolution.data();
  const long long limit = passLimit > 0 ? passLimit : static_cast<long long>(n) * n;
  const ActiveSetEnd end = NonNegativeActiveSet(
      n, neq.NnlsPassiveSet.data(), x, neq.NnlsGradient.data(), neq.NormalVector.data(),
      neq.RegularizedMatrix.get(), neq.NnlsReducedVector.data(), neq.NnlsReducedMatrix.get(),
      neq.NnlsTrialSolution.data(), neq.NnlsReducedSolution.data(),
      neq.NnlsCholeskyDiagonal.data(), kEntryThreshold, true, limit, nullptr);
  if (end == ActiveSetEnd::Solved) return NnlsResult::Solved;

  const NnlsResult result =
      end == ActiveSetEnd::PassLimit ? NnlsResult::IterationLimit : NnlsResult::NotPositiveDefinite;
  if (result == NnlsResult::IterationLimit)
    ReportSolverProblem("max #iteration exceeded in NNLS", kIterationLimitCode);
  else
    ReportSolverProblem("matrix not positive definite in NNLS", kNotPositiveDefiniteCode);
  for (int i = 1; i <= n; ++i) x[i] = 0.0;
  return result;
}
