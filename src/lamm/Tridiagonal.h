#pragma once
// Tridiagonal systems of the finite-element Lamm solvers. Linear hat functions
// couple only neighbouring nodes, so every implicit time step ends in one of
// these. A matrix is three one-based double arrays of n entries: the
// sub-diagonal a (a[i] couples row i to column i - 1; a[1] is not read), the
// diagonal b and the super-diagonal c (c[i] couples row i to column i + 1;
// c[n] is not read). Row i is the equation tested with hat function i.
//
// All routines are one pass down and one pass up (the Thomas algorithm, no
// row exchanges) and allocate nothing: the ratios and pivots live in arrays
// that the owning solver allocates with its other work arrays.

#include <cstdint>

// What a tridiagonal solution borrows from the solver that owns the system:
// its work arrays for the elimination ratios gamma[1..n] and the pivots
// beta[1..n], kept so that the same matrix can be solved again with another
// right-hand side, and its zero-pivot flag (the solver's TridagError). One
// owner serves one solution at a time.
struct TridagWork {
  double* Gamma = nullptr;
  double* Pivots = nullptr;
  std::int32_t* Error = nullptr;
};

// Solves T u = r. Every pivot is tested before it divides: a zero first
// diagonal element shows "Error 1 in tridag", a zero later pivot "Error 2 in
// tridag" (both in an error box that does not end the program); the owner's
// error flag is then set and false returned. After "Error 1" u is unchanged;
// after "Error 2" in row i, u[1..i-1] hold forward-substitution values and the
// rest is unchanged. On success the ratios and pivots stay in the owner's work
// arrays.
bool tridag(const TridagWork& owner, const double* a, const double* b, const double* c,
            const double* r, double* u, int n);

// Solves T u = r for the matrix last factorised by tridag on the same work
// arrays (only its sub-diagonal a is read again).
void SolveWithStoredPivots(const TridagWork& owner, const double* a, const double* r, double* u,
                           int n);

// The elimination of tridag without a right-hand side, kept for repeated
// solves: ratios into gamma[2..n], pivots into beta[1..n]. It shows no box;
// it returns false at the first zero pivot, before dividing by it, and the
// factors are then unusable.
bool FactorTridiagonal(const double* a, const double* b, const double* c, int n, double* gamma,
                       double* beta);

// Forward and back substitution with factors from FactorTridiagonal.
void SolveFactoredTridiagonal(const double* a, const double* gamma, const double* beta,
                              const double* r, double* u, int n);

// y = T x (x and y distinct arrays).
void TridiagonalTimesVector(const double* a, const double* b, const double* c, const double* x,
                            double* y, int n);

// y = (alpha T1 + beta T2) x, each coefficient combined before it multiplies.
void TridiagonalPairTimesVector(const double* a1, const double* b1, const double* c1, double alpha,
                                const double* a2, const double* b2, const double* c2, double beta,
                                const double* x, double* y, int n);
