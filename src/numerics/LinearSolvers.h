#pragma once
// Dense linear solvers on one-based arrays (a[1..n][1..n], b[1..n]) in float
// and double twins: LU with partial pivoting, Cholesky, the normal-equation
// solvers with LU fallback, and non-negative least squares on normal
// equations (Lawson and Hanson's active set method).
//
// Singular systems. A matrix with an all-zero row cannot be decomposed by any
// pivoting. `ludcmp` and `dludcmp` treat that as a programming error and end
// the program (their callers pass matrices that are regular by construction).
// Every solver that works on matrices built from data reports it instead:
// the solution vector is set to 0 and the failure is returned (`lusolve`,
// `dlusolve`, `NonNegativeSolve`) or written to the optional out-flag
// `singular` (the solvers whose result already has a meaning). The flag is
// set to false on every other outcome. A matrix that is singular without a
// zero row still decomposes, with a tiny pivot in place of the zero one.

void ludcmp(float** a, int n, int* indx, float& d);
void dludcmp(double** a, int n, int* indx, double& d);
void lusubst(float** a, int n, const int* indx, float* b);
void dlusubst(double** a, int n, const int* indx, double* b);

// a·x = b, x overwriting b; with keep, a is decomposed on a copy and left
// unchanged. False when a has a zero row (b set to 0).
bool lusolve(float** a, float* b, int n, bool keep);
bool dlusolve(double** a, double* b, int n, bool keep);

// L·Lᵀ of the matrix given by its upper triangle: diagonal of L in p, the
// rest below the diagonal of a. False at the first non-positive diagonal.
bool cholesky(float** a, int n, float* p);
bool dcholesky(double** a, int n, double* p);
void cholsolve(float** a, int n, const float* p, const float* b, float* x);
void dcholsolve(double** a, int n, const double* p, const double* b, double* x);

// a·x = b by Cholesky for the matrix given by the upper triangle of a, a
// unchanged, p receiving the diagonal of the factor; false (x unwritten)
// when a is not positive definite. Large orders factor and solve on the
// tuned library without copying a back and forth.
bool CholeskySolveUpper(double** a, int n, const double* b, double* x, double* p);
// The same for the system of rows and columns rows[0..m) of a: x[rows[k]]
// receives the solution for b[rows[k]]; the other elements of x are left.
bool CholeskySolveUpperSubset(double** a, const int* rows, int m, const double* b, double* x,
                              double* p);

// Double-precision Cholesky factorisations started so far by any thread (the
// solvers above and dcholesky), for measuring the cost of the searches that
// factorise thousands of matrices.
long long CholeskyFactorisationCount();
void CountCholeskyFactorisation();

// a·x = b by Cholesky, by LU where a is not positive definite; a unchanged.
// CholeskyOrLUSolve: x overwrites b; true when Cholesky served, false for LU.
// CholeskyOrLUSolveD: x separate, b unchanged, p a caller's vector of n
// doubles; 1 for Cholesky, 0 for LU.
bool CholeskyOrLUSolve(float** a, float* b, int n, bool* singular = nullptr);
int CholeskyOrLUSolveD(double** a, const double* b, int n, double* x, double* p,
                       bool* singular = nullptr);

// As CholeskyOrLUSolveD after removing the variables whose row of a is all
// zero (they get x = 0). 0 only when the full system needed LU, else 1.
int SolveReducedNormalEquationsD(double** a, const double* b, int n, double* x, double* p,
                                 bool* singular = nullptr);

// x ≥ 0 minimising the least-squares problem whose normal equations are
// a·x = b; x overwrites b, a is unchanged. Where the free system is not
// positive definite, b receives the unconstrained solution by
// lusolve(a, b, n, keep) (which overwrites a unless keep), possibly with
// negative values. True when b holds a solution; false when a has a zero row.
bool NonNegativeSolve(float** a, float* b, int n, bool keep);

// The same in double on caller-provided work arrays (passive ints, x, w, b,
// bsub, z, zsub, p of n each; a, asub n×n), so repeated solves allocate
// nothing. limit and passes (optional) receive n² and the outer passes made.
// Returns 1 on a regular end; 0 after the pass limit (x is then the
// unconstrained solution with negative values set to 0); where the free
// system is not positive definite, the result of CholeskyOrLUSolveD for the
// unconstrained solution left in x. Both failures show an error box.
int NNLSGeneral(int n, int* passive, double* x, double* w, double* b, double** a, double* bsub,
                double** asub, double* z, double* zsub, double* p, double* limit, double* passes,
                bool* singular = nullptr);

// The active-set iteration itself, for solvers that report its end in their
// own way (no box, no fallback): x receives the non-negative solution on
// Solved; otherwise the iterate where it stopped. Variables with
// w > entryThreshold enter; a free z of exactly 0 counts as feasible when
// zeroIsFeasible; passLimit > 0 ends the iteration after that many outer
// passes (0: no limit). passes (optional) receives the outer passes made.
enum class ActiveSetEnd { Solved, PassLimit, NotPositiveDefinite };
ActiveSetEnd NonNegativeActiveSet(int n, int* passive, double* x, double* w, const double* b,
                                  double** a, double* bsub, double** asub, double* z,
                                  double* zsub, double* p, double entryThreshold,
                                  bool zeroIsFeasible, long long passLimit, long long* passes);

float Determinant2x2(float** m);
// Expansion along the first row, each 2×2 minor rounded to float.
float Determinant3x3(float** m);
