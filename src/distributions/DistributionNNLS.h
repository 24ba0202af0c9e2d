#pragma once
// Non-negative amplitudes of a continuous distribution from its normal
// equations: min ‖Kx − y‖² subject to x ≥ 0, given A = KᵀK (plus a
// smoothness penalty) and b = Kᵀy rather than K and y.

#include <string>

#include "distributions/DistributionArrays.h"

enum class NnlsResult {
  Solved,               // DistSolution holds the non-negative solution
  IterationLimit,       // more than the allowed outer iterations
  NotPositiveDefinite,  // a free-variable system had a pivot <= 0
};

// Lawson and Hanson's active set method on RegularizedMatrix and
// NormalVector over amplitudes 1..n, the result in DistSolution (its previous
// content is not used). Each free-variable system is solved by a fresh
// Cholesky factorisation in the NNLS work arrays; nothing is allocated.
//
// A failure is reported ("max #iteration exceeded in NNLS", "matrix not
// positive definite in NNLS" in the error box, or SerialFitErrorCode 1 or 2
// while RedrawSuppressed), DistSolution is set to 0 and the failure returned:
// an unconstrained solution with negative amplitudes is never handed on as
// the result.
//
// Amplitudes whose row and column are entirely zero (kernel columns that
// carry no signal) have no gradient and stay at 0.
//
// passLimit: the number of outer iterations allowed; 0 means n·n.
NnlsResult NNLS(NormalEquationArrays& neq, int n, long long passLimit = 0);

// A numerical problem of the distribution solvers: the error box, or, in
// serial and batch fits (RedrawSuppressed), only the problem code.
void ReportSolverProblem(const std::string& text, int code);
