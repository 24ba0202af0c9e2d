#include "numerics/DenseKernels.h"

#include <cblas.h>
#include <lapacke.h>

#include <mutex>

namespace {

void HoldLibraryToOneThread() {
  static std::once_flag once;
  std::call_once(once, [] { openblas_set_num_threads(1); });
}

}  // namespace

void AddGramLower(int n, int k, const double* a, int lda, double* c, int ldc) {
  if (n <= 0 || k <= 0) return;
  HoldLibraryToOneThread();
  cblas_dsyrk(CblasColMajor, CblasLower, CblasTrans, n, k, 1.0, a, lda, 1.0, c, ldc);
}

void SetGramLower(int n, int k, const double* a, int lda, double* c, int ldc) {
  if (n <= 0) return;
  HoldLibraryToOneThread();
  cblas_dsyrk(CblasColMajor, CblasLower, CblasTrans, n, k, 1.0, a, lda, 0.0, c, ldc);
}

int FactorCholeskyLower(int n, double* a, int lda) {
  if (n <= 0) return 0;
  HoldLibraryToOneThread();
  return LAPACKE_dpotrf_work(LAPACK_COL_MAJOR, 'L', n, a, lda);
}

void SolveWithCholeskyLower(int n, const double* l, int ldl, double* x) {
  if (n <= 0) return;
  HoldLibraryToOneThread();
  // Two triangular solves for the one right-hand side: the matrix routine
  // (dpotrs) packs the factor for many right-hand sides first, which for one
  // costs several times the solve itself.
  cblas_dtrsv(CblasColMajor, CblasLower, CblasNoTrans, CblasNonUnit, n, l, ldl, x, 1);
  cblas_dtrsv(CblasColMajor, CblasLower, CblasTrans, CblasNonUnit, n, l, ldl, x, 1);
}
