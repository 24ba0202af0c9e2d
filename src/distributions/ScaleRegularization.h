#pragma once
// Regularisation scaled to a confidence level. The strength alpha of the
// smoothness penalty is not chosen by the user: it is raised until the
// chi-square of the regularised solution exceeds the best possible one
// (alpha 0) by the ratio that F statistics allow at the confidence level P,
// i.e. the smoothest distribution that fits the data statistically as well
// as the best one.

#include <functional>
#include <optional>
#include <string>

#include "distributions/DistributionArrays.h"
#include "distributions/SecondDerivativePenalty.h"
#include "numerics/OneBasedArrays.h"

// What a regularisation needs besides the normal equations.
struct RegularizationContext {
  // N: the amplitudes that are solved and regularised (RegularizedCount, or
  // the whole s × f/f0 grid). The penalty covers the same unknowns.
  int UnknownCount = 0;
  PenaltySetup Penalty;
  float Pvalue = 0.95f;  // RegularizationPvalue

  // Degrees of freedom of the F statistics: radial points in the common fit
  // range times scans, less N; DLS data do not subtract N, and the DLS time
  // course counts its steps in place of scans.
  int FitPointCount = 0;
  int ScanCount = 0;
  bool DlsData = false;
  int TimeCourseSteps = 0;  // 0 unless the DLS time course

  bool InNonlinearSearch = false;  // intermediate evaluations are not regularised
  bool FinalEvaluation = false;
  bool MonteCarloRunning = false;
  bool InfoAndWizardMessages = true;
  // Threads that the dense work of one search may use (the run's workers;
  // 1 where searches run side by side, as the Monte Carlo replicas do).
  int ThreadCount = 1;

  // Maximum entropy only: the reference of grid point 1 is a thousandth of
  // the others (the baseline-like first point does not correlate with the
  // distribution), and grid point 1 is a separate discrete component that
  // takes no part in the entropy.
  bool SuppressBaselineCorrelation = true;
  bool FirstPointSeparate = false;
  // Maximum entropy only: where the search in ln(alpha/AlphaScale) starts.
  // Runs pass the end of the previous search of the same problem, which
  // the target seldom leaves far behind; without one the search starts
  // at ln(1e-4).
  std::optional<double> MaxEntStartLnAlpha;

  // Receives the progress texts; the run draws them into its window.
  std::function<void(const std::string&)> Progress;
};

// What a regularisation leaves besides the amplitudes in DistSolution.
struct RegularizationOutcome {
  double ChiSquareMin = 0.0;     // chi-square of the alpha-0 solution
  double ResultChiSquare = 0.0;  // chi-square of the amplitudes left in DistSolution
  float TargetChiSquareRatio = 0.0f;
  double RegularizationDof = 0.0;
  double AlphaScale = 0.0;  // trace(A0)/(6N − 12), the unit of alpha
  double RegularizationAlpha = 0.0;
  bool Regularized = false;  // an alpha search ran
  bool RootFound = false;    // it bracketed the target and solved at the root
  bool SolveFailed = false;  // the alpha-0 NNLS failed; the amplitudes are 0
};

// ln(alpha/AlphaScale) is never taken above this.
inline constexpr double kLnAlphaCap = 100.0;

// y'y − 2 Σ xᵢbᵢ + Σ xᵢxₖA0ᵢₖ over i, k = 1..n with x = DistSolution: the
// sum of squared residuals of the data as the normal-equation builders
// prepared them.
double ChiSquareFromNormalEquations(const NormalEquationArrays& neq, int n);

// The degrees of freedom of both F terms for the context.
double RegularizationDegreesOfFreedom(const RegularizationContext& context);

// The penalised solution whose chi-square ratio to the alpha-0 solution
// equals the F ratio at P. Leaves the alpha-0 solution when P ≤ 0.5, P = 1,
// N < 4 (with a notice when the context allows), inside a nonlinear search,
// or when there is nothing to scale (zero trace, perfect fit, no degrees of
// freedom). P > 1 is taken as the ratio itself. With the weighted third
// derivative a second search runs with weights from the first solution.
RegularizationOutcome ScaleRegularization(NormalEquationArrays& neq,
                                          const RegularizationContext& context);

// One solve at alpha = AlphaScale·exp(min(lnAlpha, 100)) with the scale and
// target already in the outcome: chi²/ChiSquareMin − target, or 1e10 when
// NNLS fails (the amplitudes are then 0).
float RegularizeAtAlpha(NormalEquationArrays& neq, const RegularizationContext& context,
                        RegularizationOutcome& outcome, float lnAlpha);

// Weights of the weighted third derivative from the solution of the current
// RegularizedMatrix: threshold/xᵢ where xᵢ exceeds the threshold (a tenth of
// the largest amplitude), 1 elsewhere, so that the penalty is lowered on the
// peaks. False when NNLS fails (the amplitudes are then 0).
bool ComputeTP3Weights(NormalEquationArrays& neq, int n, OneBasedArray<double>& weights);

// Shared with maximum entropy: the notice that no regularisation happens.
void ShowNoRegularizationNotice(const RegularizationContext& context);
// The chi-square ratio to reach: P itself above 1 (after a notice), else the
// F ratio at P for the context's degrees of freedom.
float TargetRatioForContext(const RegularizationContext& context, double dof);
