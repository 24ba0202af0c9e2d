#include "numerics/DenseKernels.h"

#include <cblas.h>
#include <lapacke.h>

#include <mutex>

// Ends the library's pool of worker threads; exported by the library (its
// fork handler uses it) but not declared in its header. The pool is started
// again only by a call that asks for more than one thread, which after
// openblas_set_num_threads(1) none does.
extern "C" void blas_thread_shutdown_(void);

namespace {

void HoldLibraryToOneThread() {
  static std::once_flag once;
  std::call_once(once, [] { openblas_set_num_threads(1); });
}

// The library starts one thread per core while it is loaded, and each spins
// (sched_yield) for a while before it sleeps; held to one thread only at the
// first dense kernel, a whole batch run spent some 8 % of its CPU time so.
// This holds it, and ends the pool, while the program's static objects are
// made: after the libraries' own start, before main.
struct LibraryHeldAtStart {
  LibraryHeldAtStart() {
    HoldLibraryToOneThread();
    blas_thread_shutdown_();
  }
} const heldAtStart;

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

void AddScaledGramLower(int n, int k, double alpha, const double* a, int lda, double* c, int ldc) {
  if (n <= 0 || k <= 0) return;
  HoldLibraryToOneThread();
  cblas_dsyrk(CblasColMajor, CblasLower, CblasTrans, n, k, alpha, a, lda, 1.0, c, ldc);
}

int FactorCholeskyLower(int n, double* a, int lda) {
  if (n <= 0) return 0;
  HoldLibraryToOneThread();
  return LAPACKE_dpotrf_work(LAPACK_COL_MAJOR, 'L', n, a, lda);
}

int InvertFromCholeskyLower(int n, double* a, int lda) {
  if (n <= 0) return 0;
  HoldLibraryToOneThread();
  return LAPACKE_dpotri_work(LAPACK_COL_MAJOR, 'L', n, a, lda);
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
