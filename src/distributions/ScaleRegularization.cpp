#include "distributions/ScaleRegularization.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>

#include "state/ProgramFlags.h"
#include "distributions/DistributionNNLS.h"
#include "numerics/RootFinders.h"
#include "numerics/Statistics.h"
#include "platform/Platform.h"

namespace {

constexpr float kFailedSolve = 1e10f;
// The alpha scan starts far below any useful alpha and moves by a factor e.
constexpr float kScanStart = -16.118095651f;  // ln(1e-7)
constexpr int kEqualValuesLimit = 10;
// A bracket is found within a few dozen steps; a scan that wanders between
// points whose values never cross zero is given up after this many.
constexpr int kScanStepLimit = 400;
constexpr double kTP3WeightThreshold = 0.1;

void ShowPlainMessage(const std::string& text) {
  platform::Current().ShowMessageBox(
      {nullptr, text, "", platform::BoxIcon::None, platform::BoxButtons::Ok});
}

void ZeroAmplitudes(NormalEquationArrays& neq, int n) {
  for (int i = 1; i <= n; ++i) neq.DistSolution[i] = 0.0;
}

template <class... Args>
std::string Format(const char* format, Args... args) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

void ReportTrial(const RegularizationContext& context, const RegularizationOutcome& outcome,
                 float ratio) {
  if (context.MonteCarloRunning || !context.Progress) return;
  if (context.Pvalue < 1.0f) {
    const double p =
        1.0 - FProbability(ratio, outcome.RegularizationDof, outcome.RegularizationDof);
    context.Progress(Format("Scaling regularization alpha=%f, P = %f (please wait...)",
                            outcome.RegularizationAlpha, p));
  } else {
    context.Progress(Format("Scaling regularization alpha=%f, ratio = %f (please wait...)",
                            outcome.RegularizationAlpha, static_cast<double>(ratio)));
  }
}

// Finds ln alpha values on both sides of the target by steps of 1 from
// far below. False when the chi-square stops changing with alpha (or the
// scan wanders without a crossing): the last solve then stands.
bool BracketTarget(const std::function<float(float)>& f, float& a, float& b) {
  float fa = f(a);
  b = a + 1.0f;
  float fb = f(b);
  float step = 1.0f;
  int equal = 0;
  for (int steps = 0; fa * fb > 0.0f; ++steps) {
    if (steps >= kScanStepLimit) return false;
    a = b;
    fa = fb;
    b = a + step;
    fb = f(b);
    equal = fa == fb ? equal + 1 : 0;
    if (equal >= kEqualValuesLimit) return false;
    // Moving away from the target: start again from the better point in the
    // other direction.
    if ((fa > 0.0f && fb > fa) || (fa < 0.0f && fb < fa)) {
      std::swap(a, b);
      std::swap(fa, fb);
      step = -step;
    }
  }
  return true;
}

float TraceOf(const NormalEquationArrays& neq, int n) {
  float trace = 0.0f;
  for (int i = 1; i <= n; ++i) trace += static_cast<float>(ReadRows(neq.NormalMatrix)[i][i]);
  return trace;
}

// One complete search with the penalty of the given setup.
RegularizationOutcome ScaleOnce(NormalEquationArrays& neq, const RegularizationContext& context) {
  const int n = context.UnknownCount;
  RegularizationOutcome outcome;
  AddSecondDerivativeMatrix(neq, context.Penalty, 0.0);
  if (NNLS(neq, n) != NnlsResult::Solved) {
    ZeroAmplitudes(neq, n);
    outcome.SolveFailed = true;
    return outcome;
  }
  outcome.ChiSquareMin = outcome.ResultChiSquare = ChiSquareFromNormalEquations(neq, n);

  const float p = context.Pvalue;
  if (p <= 0.5f || p == 1.0f || n < 4) {
    ShowNoRegularizationNotice(context);
    return outcome;
  }
  if (context.InNonlinearSearch && !context.FinalEvaluation && !context.MonteCarloRunning)
    return outcome;

  outcome.RegularizationDof = RegularizationDegreesOfFreedom(context);
  // Without degrees of freedom or residuals there is no chi-square increase
  // to aim at.
  if ((p < 1.0f && outcome.RegularizationDof <= 0.0) || !(outcome.ChiSquareMin > 0.0))
    return outcome;
  outcome.TargetChiSquareRatio = TargetRatioForContext(context, outcome.RegularizationDof);

  outcome.AlphaScale = static_cast<double>(TraceOf(neq, n)) / (6 * n - 12);
  if (outcome.AlphaScale == 0.0) return outcome;
  const float tolerance = (outcome.TargetChiSquareRatio - 1.0f) * 0.001f;

  outcome.Regularized = true;
  const auto f = [&](float lnAlpha) { return RegularizeAtAlpha(neq, context, outcome, lnAlpha); };
  float a = kScanStart, b = 0.0f;
  if (!BracketTarget(f, a, b)) {
    outcome.ResultChiSquare = ChiSquareFromNormalEquations(neq, n);
    return outcome;
  }
  const float lnAlpha = zbrentf(f, a, b, tolerance);
  f(lnAlpha);
  outcome.ResultChiSquare = ChiSquareFromNormalEquations(neq, n);
  outcome.RootFound = true;
  return outcome;
}

}  // namespace

double ChiSquareFromNormalEquations(const NormalEquationArrays& neq, int n) {
  const double* x = neq.DistSolution.data();
  const double* b = neq.NormalVector.data();
  double linear = 0.0, quadratic = 0.0;
  for (int i = 1; i <= n; ++i) {
    if (x[i] == 0.0) continue;
    const double* row = ReadRows(neq.NormalMatrix)[i];
    double ax = 0.0;
    for (int k = 1; k <= n; ++k) ax += row[k] * x[k];
    linear += x[i] * b[i];
    quadratic += x[i] * ax;
  }
  return neq.DataSquareSum - 2.0 * linear + quadratic;
}

double RegularizationDegreesOfFreedom(const RegularizationContext& context) {
  const double points = context.FitPointCount;
  if (context.TimeCourseSteps > 0) return points * context.TimeCourseSteps;
  if (context.DlsData) return points * context.ScanCount;
  return points * context.ScanCount - context.UnknownCount;
}

void ShowNoRegularizationNotice(const RegularizationContext& context) {
  if (context.InNonlinearSearch || RedrawSuppressed || context.MonteCarloRunning ||
      !context.InfoAndWizardMessages)
    return;
  ShowPlainMessage("no regularization:  either P < 0.5, P = 1, or to low resolution");
}

float TargetRatioForContext(const RegularizationContext& context, double dof) {
  if (context.Pvalue > 1.0f) {
    if (!RedrawSuppressed) ShowPlainMessage("P > 1 => interpreting P value as chi-square ratio");
    return context.Pvalue;
  }
  return static_cast<float>(FCriticalRatio(context.Pvalue, dof, dof));
}

float RegularizeAtAlpha(NormalEquationArrays& neq, const RegularizationContext& context,
                        RegularizationOutcome& outcome, float lnAlpha) {
  const int n = context.UnknownCount;
  const double x = std::min(static_cast<double>(lnAlpha), kLnAlphaCap);
  outcome.RegularizationAlpha = std::exp(x) * outcome.AlphaScale;
  AddSecondDerivativeMatrix(neq, context.Penalty, outcome.RegularizationAlpha);
  if (NNLS(neq, n) != NnlsResult::Solved) {
    ZeroAmplitudes(neq, n);
    return kFailedSolve;
  }
  const auto chiSquare = static_cast<float>(ChiSquareFromNormalEquations(neq, n));
  const float ratio = chiSquare / static_cast<float>(outcome.ChiSquareMin);
  ReportTrial(context, outcome, ratio);
  return ratio - outcome.TargetChiSquareRatio;
}

bool ComputeTP3Weights(NormalEquationArrays& neq, int n, OneBasedArray<double>& weights) {
  weights.Resize(1, n);
  if (NNLS(neq, n) != NnlsResult::Solved) {
    ZeroAmplitudes(neq, n);
    weights.Resize(1, 0);
    return false;
  }
  double largest = 0.0;
  for (int i = 1; i <= n; ++i) largest = std::max(largest, neq.DistSolution[i]);
  const double threshold = kTP3WeightThreshold * largest;
  for (int i = 1; i <= n; ++i) {
    const double x = neq.DistSolution[i];
    weights[i] = x > threshold ? threshold / x : 1.0;
  }
  return true;
}

RegularizationOutcome ScaleRegularization(NormalEquationArrays& neq,
                                          const RegularizationContext& context) {
  assert(context.UnknownCount >= 1 && context.UnknownCount <= neq.Size);
  assert(PenaltyUnknownCount(context.Penalty) == context.UnknownCount);
  const RegularizationOutcome first = ScaleOnce(neq, context);
  const bool weighted =
      context.Penalty.Kind == PenaltyKind::ThirdDerivative && context.Penalty.TP3Weights == nullptr;
  if (!weighted || !first.RootFound) return first;

  // Lower the third-derivative penalty on the peaks of the first solution
  // and search again.
  OneBasedArray<double> weights;
  if (!ComputeTP3Weights(neq, context.UnknownCount, weights)) return first;
  RegularizationContext second = context;
  second.Penalty.TP3Weights = weights.data();
  return ScaleOnce(neq, second);
}
