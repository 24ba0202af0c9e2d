#pragma once
// Statistics that judge fits: the runs test of residual signs, the F
// distribution with its critical ratio at a confidence level, and the
// regularised incomplete beta function on which the F statistics rest.
// Everything works in double precision except RunsTestZ.

#include <functional>

// |Z| of the Wald-Wolfowitz runs test of the signs of signal − fitted over
// the scans scanList[firstPosition..lastPosition], each between its
// firstPoint and lastPoint index. The arrays are one-based by scan and point
// (signals[scan][point]); firstPoint and lastPoint are indexed by scan.
// Every scan starts a run of its own; a residual of exactly 0 counts as
// negative without breaking a run. Returns 0 when loadedScans is 0 or the
// counts leave the statistic undefined.
float RunsTestZ(int loadedScans, const float* const* signals, const float* const* fitted,
                int firstPosition, int lastPosition, const int* scanList, const int* firstPoint,
                const int* lastPoint);

// Probability that an F-distributed ratio with (nu1, nu2) degrees of freedom
// exceeds F; 0 when both degrees of freedom are 0, NaN when one of them is
// not positive or F is NaN (a ratio 0/0), 1 for a negative F.
double FProbability(double F, double nu1, double nu2);

// The ratio F at which FProbability(F, nu1, nu2) = 1 − p. The search starts
// on [1, 2] and widens that bracket when the quantile lies outside it.
// Shares its state with FCriticalRatioObjective: not re-entrant, GUI thread
// only. NaN when a degree of freedom is not positive.
double FCriticalRatio(double p, double nu1, double nu2);
// FProbability(F, nu1, nu2) − (1 − p) for the nu1, nu2 and p of the last
// FCriticalRatio call.
double FCriticalRatioObjective(double F);

// ln Γ(x) for x > 0 by the Lanczos series (error below 2e-10).
double LogGamma(double x);
// The regularised incomplete beta function I_x(a, b), a, b > 0, 0 <= x <= 1;
// an x outside [0, 1] is a programming error and ends the program.
double betai(double a, double b, double x);
// The continued fraction of I_x(a, b) (modified Lentz), converging fast for
// x < (a + 1)/(a + b + 2).
double betacf(double a, double b, double x);

// Brent's root finder for the F statistics: at most 100 evaluations after
// the two at the ends. Reports an unbracketed start in a box and goes on;
// reports the iteration limit and returns 0.
double statzbrent(const std::function<double(double)>& f, double x1, double x2, double tol);
