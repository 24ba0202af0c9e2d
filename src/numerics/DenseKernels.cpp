#include "numerics/DenseKernels.h"

#include <cblas.h>
#include <immintrin.h>
#include <lapacke.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
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

namespace {

// The tile of c that one pass keeps in registers: 16 rows (two vectors of
// eight) by 6 columns, twelve accumulators; each row of the block costs two
// vector loads, six broadcasts and twelve fused multiply-adds.
constexpr int kTileRows = 16;
constexpr int kTileColumns = 6;
// Rows of the block per pass, so that a tile's 16 columns of them (16 KB)
// stay in the first-level cache while the 6-column tiles stream past.
constexpr int kRowChunk = 128;

std::atomic<bool> wideAllowed{true};

bool HasWideVectors() {
  static const bool wide = __builtin_cpu_supports("avx512f");
  return wide && wideAllowed.load(std::memory_order_relaxed);
}

__attribute__((target("avx512f"))) void GramOfRowsWide(int n, int k, double alpha,
                                                       const double* rows, int ld, double* c,
                                                       int ldc) {
  const __m512d scale = _mm512_set1_pd(alpha);
  for (int r0 = 0; r0 < k; r0 += kRowChunk) {
    const int r1 = std::min(k, r0 + kRowChunk);
    for (int i0 = 0; i0 < n; i0 += kTileRows) {
      // Rows i0..i0+15 of c, columns j0..j0+5 with j0 <= i0 + 15 (lower).
      for (int j0 = 0; j0 < std::min(n, i0 + kTileRows); j0 += kTileColumns) {
        __m512d lo[kTileColumns], hi[kTileColumns];
        for (int q = 0; q < kTileColumns; ++q) lo[q] = hi[q] = _mm512_setzero_pd();
        const double* row = rows + static_cast<std::size_t>(r0) * static_cast<std::size_t>(ld);
        for (int r = r0; r < r1; ++r, row += ld) {
          const __m512d a = _mm512_loadu_pd(row + i0);
          const __m512d b = _mm512_loadu_pd(row + i0 + 8);
          for (int q = 0; q < kTileColumns; ++q) {
            const __m512d x = _mm512_set1_pd(row[j0 + q]);
            lo[q] = _mm512_fmadd_pd(a, x, lo[q]);
            hi[q] = _mm512_fmadd_pd(b, x, hi[q]);
          }
        }
        // Only the lower triangle inside the matrix is written.
        for (int q = 0; q < kTileColumns && j0 + q < n; ++q) {
          const int j = j0 + q;
          const int first = std::max(j, i0);  // rows first..n-1 of column j
          const auto keep = [&](int base) -> __mmask8 {
            const int from = std::clamp(first - base, 0, 8), to = std::clamp(n - base, 0, 8);
            return static_cast<__mmask8>(((1u << to) - 1u) & ~((1u << from) - 1u));
          };
          double* column = c + static_cast<std::size_t>(j) * static_cast<std::size_t>(ldc) + i0;
          const __mmask8 m0 = keep(i0), m1 = keep(i0 + 8);
          _mm512_mask_storeu_pd(
              column, m0, _mm512_fmadd_pd(scale, lo[q], _mm512_maskz_loadu_pd(m0, column)));
          _mm512_mask_storeu_pd(
              column + 8, m1,
              _mm512_fmadd_pd(scale, hi[q], _mm512_maskz_loadu_pd(m1, column + 8)));
        }
      }
    }
  }
}

// One 8 × 8 block: eight radii of eight columns, converted, then turned
// round in three rounds of pairings (distance 1, 2, 4 in the radii).
__attribute__((target("avx512f"))) void TransposeBlockWide(const float* const* column, int k,
                                                           double* out, std::size_t ld) {
  __m512d r[8], a[8], b[8];
  for (int q = 0; q < 8; ++q) r[q] = _mm512_cvtps_pd(_mm256_loadu_ps(column[q] + k));
  for (int p = 0; p < 8; p += 2) {
    a[p] = _mm512_unpacklo_pd(r[p], r[p + 1]);      // radii 0, 2, 4, 6
    a[p + 1] = _mm512_unpackhi_pd(r[p], r[p + 1]);  // radii 1, 3, 5, 7
  }
  const __m512i low = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
  const __m512i high = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
  for (int h = 0; h < 8; h += 4)
    for (int odd = 0; odd < 2; ++odd) {
      b[h + odd] = _mm512_permutex2var_pd(a[h + odd], low, a[h + 2 + odd]);
      b[h + 2 + odd] = _mm512_permutex2var_pd(a[h + odd], high, a[h + 2 + odd]);
    }
  // b[0]: radii 0, 4; b[1]: 1, 5; b[2]: 2, 6; b[3]: 3, 7 (columns 0-3), and
  // b[4..7] the same for columns 4-7.
  for (int j = 0; j < 4; ++j) {
    _mm512_storeu_pd(out + static_cast<std::size_t>(j) * ld,
                     _mm512_shuffle_f64x2(b[j], b[j + 4], 0x44));
    _mm512_storeu_pd(out + static_cast<std::size_t>(j + 4) * ld,
                     _mm512_shuffle_f64x2(b[j], b[j + 4], 0xEE));
  }
}

}  // namespace

void FloatColumnsToRows(int columns, int count, const float* const* column, double* rows, int ld) {
  const auto stride = static_cast<std::size_t>(ld);
  int q0 = 0;
  if (HasWideVectors()) {
    for (; q0 + 8 <= columns; q0 += 8) {
      int k = 0;
      for (; k + 8 <= count; k += 8)
        TransposeBlockWide(column + q0, k, rows + static_cast<std::size_t>(k) * stride + q0,
                           stride);
      for (; k < count; ++k)
        for (int q = q0; q < q0 + 8; ++q) rows[static_cast<std::size_t>(k) * stride + q] = column[q][k];
    }
  }
  for (; q0 < columns; ++q0)
    for (int k = 0; k < count; ++k) rows[static_cast<std::size_t>(k) * stride + q0] = column[q0][k];
}

bool AllowWideVectorKernels(bool allowed) { return wideAllowed.exchange(allowed); }

int GramRowStride(int n) {
  // Whole tiles of rows and of columns read only the row's own values.
  const auto whole = [&](int unit) { return (std::max(n, 1) + unit - 1) / unit * unit; };
  return std::max(whole(kTileRows), whole(kTileColumns));
}

void AddGramOfRowsLower(int n, int k, const double* rows, int ld, double* c, int ldc) {
  AddScaledGramOfRowsLower(n, k, 1.0, rows, ld, c, ldc);
}

void AddScaledGramOfRowsLower(int n, int k, double alpha, const double* rows, int ld, double* c,
                              int ldc) {
  if (n <= 0 || k <= 0) return;
  if (HasWideVectors()) {
    GramOfRowsWide(n, k, alpha, rows, ld, c, ldc);
    return;
  }
  HoldLibraryToOneThread();
  cblas_dsyrk(CblasColMajor, CblasLower, CblasNoTrans, n, k, alpha, rows, ld, 1.0, c, ldc);
}

int FactorCholeskyLower(int n, double* a, int lda) {
  if (n <= 0) return 0;
  HoldLibraryToOneThread();
  return LAPACKE_dpotrf_work(LAPACK_COL_MAJOR, 'L', n, a, lda);
}

void SubtractMatrixVector(int m, int n, const double* a, int lda, const double* x, double* y) {
  if (m <= 0 || n <= 0) return;
  HoldLibraryToOneThread();
  cblas_dgemv(CblasColMajor, CblasNoTrans, m, n, -1.0, a, lda, x, 1, 1.0, y, 1);
}

void SolveColumnsWithCholeskyLower(int n, const double* l, int ldl, int count, double* x,
                                   int ldx) {
  if (n <= 0 || count <= 0) return;
  HoldLibraryToOneThread();
  cblas_dtrsm(CblasColMajor, CblasLeft, CblasLower, CblasNoTrans, CblasNonUnit, n, count, 1.0, l,
              ldl, x, ldx);
  cblas_dtrsm(CblasColMajor, CblasLeft, CblasLower, CblasTrans, CblasNonUnit, n, count, 1.0, l,
              ldl, x, ldx);
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
