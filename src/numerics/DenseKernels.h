#pragma once
// The few dense kernels of the tuned BLAS and LAPACK libraries that the
// analysis needs (Gram matrices, Cholesky factors and their solves), on plain column-major storage. Only this unit includes
// their headers, so the rest of the program keeps its one-based arrays and
// never depends on the libraries' types or threading.
//
// Threads: the libraries are held to one thread. The program's own workers
// split the large jobs (normal equations, Lamm equation lists); a library
// that started threads of its own inside each worker would oversubscribe
// the cores and make the sums depend on how the work was split.

// c += aᵀ·a on the lower triangle of the n×n matrix c (leading dimension
// ldc), a being k×n (leading dimension lda): the Gram matrix of a's columns.
void AddGramLower(int n, int k, const double* a, int lda, double* c, int ldc);
// c := aᵀ·a on the lower triangle: the same without reading c first.
void SetGramLower(int n, int k, const double* a, int lda, double* c, int ldc);

// The same Gram matrix from the rows' side: c += Σ_r x_r x_rᵀ on the lower
// triangle, x_r (r = 0..k−1) being the n values at rows + r·ld, with
// ld >= GramRowStride(n) and the values from n to ld − 1 of every row zero
// (room for whole register widths). On processors with 512-bit vectors a
// kernel of our own runs about twice the library's speed here (the library
// may not know the processor and fall back to narrower kernels); elsewhere
// the library does it. The sums' order is fixed for a machine, so the bits
// do not depend on which thread computes them.
// The Gram and conversion kernels take the processor's 512-bit vectors when
// it has them and the portable path otherwise. Tests turn the wide path off
// to check the portable one on any machine; returns the earlier setting.
bool AllowWideVectorKernels(bool allowed);

int GramRowStride(int n);
void AddGramOfRowsLower(int n, int k, const double* rows, int ld, double* c, int ldc);
// c += alpha·Σ_r x_r x_rᵀ, the same otherwise (alpha = 1 gives the bits of
// AddGramOfRowsLower).
void AddScaledGramOfRowsLower(int n, int k, double alpha, const double* rows, int ld, double* c,
                              int ldc);

// rows[k·ld + q] = column[q][k] for q < columns, k < count: float columns
// into the rows of a double block, eight by eight through the registers
// where the processor has 512-bit vectors.
void FloatColumnsToRows(int columns, int count, const float* const* column, double* rows, int ld);

// Cholesky factor L of the symmetric positive-definite n×n matrix whose lower
// triangle a holds (leading dimension lda), overwriting that triangle. 0 on
// success, else the order of the first leading minor that is not positive
// definite.
int FactorCholeskyLower(int n, double* a, int lda);

// y −= a·x for the m×n matrix a (leading dimension lda).
void SubtractMatrixVector(int m, int n, const double* a, int lda, const double* x, double* y);

// x := A⁻¹ x for the count columns of x (leading dimension ldx), with the
// Cholesky factor L of A (lower triangle of l, leading dimension ldl).
void SolveColumnsWithCholeskyLower(int n, const double* l, int ldl, int count, double* x,
                                   int ldx);

// x := A⁻¹ x for the Cholesky factor L of A (lower triangle of l, leading
// dimension ldl) that FactorCholeskyLower left.
void SolveWithCholeskyLower(int n, const double* l, int ldl, double* x);
