#include "distributions/MaximumEntropy.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <string>

#include "state/ProgramFlags.h"
#include "distributions/DistributionNNLS.h"
#include "state/ComputationAbort.h"
#include "numerics/BrentIteration.h"
#include "numerics/LinearSolvers.h"
#include "numerics/ShrinkingCholesky.h"
#include "numerics/Statistics.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"

namespace {

// The search in x = ln(α/AlphaScale).
constexpr double kStartLnAlpha = -9.210340371976184;  // ln(1e-4)
constexpr double kFirstStep = 0.01;
// The walk towards the target doubles its step up to this (a factor of e⁴
// in α): from the cold start it brackets any target within a few steps.
constexpr double kLargestBracketStep = 4.0;
constexpr int kSearchLimit = 1000;
constexpr double kPTolerance = 0.005;
constexpr int kPlateauLimit = 101;
constexpr double kSmallestStep = 1e-10;

// The inner Levenberg-Marquardt iteration.
constexpr double kLambdaStart = 0.001;
constexpr double kLambdaLimit = 1e70;
constexpr int kInnerIterations = 200;
constexpr double kSeedFraction = 1e-7;     // of the mean amplitude, for zero amplitudes
constexpr double kAmplitudeFloor = 1e-20;  // no amplitude goes below
constexpr double kCountedAmplitude = 1e-14;
constexpr double kCutFraction = 0.01;
constexpr double kCutShrink = 0.9;
// Reference of grid point 1 relative to the others when its correlation with
// the baseline is suppressed.
constexpr double kBaselineReference = 0.001;

constexpr int kSearchFailureCode = 6;
constexpr int kIterationLimitCode = 8;

template <class... Args>
std::string Format(const char* format, Args... args) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

class MaxEntSearch {
 public:
  MaxEntSearch(NormalEquationArrays& neq, const RegularizationContext& context,
               RegularizationOutcome& outcome, const MaxEntTerms& terms, double innerTolerance)
      : neq_(neq),
        context_(context),
        outcome_(outcome),
        terms_(terms),
        n_(terms.N),
        innerTolerance_(innerTolerance),
        meanAmplitude_(terms.AmplitudeTotal / terms.N),
        best_(1, n_),
        previous_(1, n_),
        gradient_(1, n_),
        curvature_(1, n_),
        trialGradient_(1, n_),
        trialCurvature_(1, n_),
        step_(1, n_),
        trial_(1, n_),
        solverWork_(1, n_),
        free_(1, n_),
        wasFree_(1, n_) {
    for (int i = 1; i <= n_; ++i) best_[i] = x()[i];
    stepFactor_.SetThreads(context.ThreadCount);
  }

  double FindAlphaRoot(double x0, double h0, double tolerance, double pTolerance);

 private:
  double* x() { return neq_.DistSolution.data(); }
  double Callback(double lnAlpha);
  void Marquardt();
  void Step();
  bool CutStepAtZero(double** m);
  void FreeFlags();
  // The step for the trial matrix m. The matrix is factorised once per
  // step; freezing an amplitude then updates that factor. Only a matrix
  // that is not positive definite takes the general solver every time.
  void SolveStep(double** m) {
    factored_ = stepFactor_.Factor(m, n_);
    if (factored_)
      stepFactor_.Solve(gradient_.data(), step_.data());
    else
      SolveReducedNormalEquationsD(m, gradient_.data(), n_, step_.data(), solverWork_.data());
  }
  // The same after row and column i of m were zeroed.
  void SolveStepWithout(double** m, int i) {
    if (!factored_) {
      SolveReducedNormalEquationsD(m, gradient_.data(), n_, step_.data(), solverWork_.data());
      return;
    }
    stepFactor_.Remove(i);
    stepFactor_.Solve(gradient_.data(), step_.data());
  }
  double Evaluate(const double* at, double* g, double* h, double* entropy) {
    return MaxEntObjective(neq_, terms_, at, alpha_, g, h, entropy);
  }
  void SaveBest() {
    for (int i = 1; i <= n_; ++i) best_[i] = x()[i];
  }
  void RestoreBest() {
    for (int i = 1; i <= n_; ++i) x()[i] = best_[i];
  }
  double EstimatedP(double f) const {
    const double dof = outcome_.RegularizationDof;
    return 1.0 - FProbability(f + outcome_.TargetChiSquareRatio, dof, dof);
  }
  void ShowProgress(double f, bool first) const;
  // Reports a failed search and goes back to the best point.
  double Fail(const char* text, bool attention);

  NormalEquationArrays& neq_;
  const RegularizationContext& context_;
  RegularizationOutcome& outcome_;
  const MaxEntTerms& terms_;
  int n_;
  double innerTolerance_;
  double alpha_ = 0.0;
  double entropy_ = 0.0;
  double meanAmplitude_;
  double lambda_ = -1.0;
  double previousObjective_ = 0.0;
  bool clamped_ = false;
  double bestX_ = 0.0, bestF_ = 0.0;
  OneBasedArray<double> best_, previous_, gradient_, curvature_, trialGradient_, trialCurvature_,
      step_, trial_, solverWork_;
  OneBasedArray<int> free_, wasFree_;
  ShrinkingCholesky stepFactor_;
  bool factored_ = false;
};

void MaxEntSearch::ShowProgress(double f, bool first) const {
  if (context_.MonteCarloRunning || !context_.Progress) return;
  const double p = EstimatedP(f);
  if (first) {
    context_.Progress(Format("Regularization:  entropy = %f, alpha=%f, P = %f (please wait...)",
                             entropy_, alpha_, p));
  } else if (context_.Pvalue < 1.0f) {
    context_.Progress(Format("Regularization:  entropy = %f, alpha=%e, P = %f (please wait...)",
                             entropy_, alpha_, p));
  } else {
    context_.Progress(
        Format("Regularization:  entropy = %f, alpha=%e, P = %f, F = %f (please wait...)", entropy_,
               alpha_, p, context_.Pvalue + f));
  }
}

// Every evaluation starts from the best amplitudes found so far.
double MaxEntSearch::Callback(double lnAlpha) {
  alpha_ = std::exp(std::min(lnAlpha, kLnAlphaCap)) * outcome_.AlphaScale;
  RestoreBest();
  // The entropy needs positive amplitudes.
  for (int i = 1; i <= n_; ++i)
    if (x()[i] == 0.0) x()[i] = kSeedFraction * meanAmplitude_;
  Marquardt();
  for (int i = 1; i <= n_; ++i)
    if (terms_.Unseen[static_cast<std::size_t>(i)] != 0) x()[i] = 0.0;
  const double chiSquare = ChiSquareFromNormalEquations(neq_, n_);
  return chiSquare / outcome_.ChiSquareMin - outcome_.TargetChiSquareRatio;
}

void MaxEntSearch::Marquardt() {
  lambda_ = -1.0;
  Step();
  for (int i = 1; i <= n_; ++i) previous_[i] = x()[i];
  bool restarted = false;
  for (int iteration = 0; iteration < kInnerIterations; ++iteration) {
    // A key press is noted for the search; this solve goes on.
    if (KeyPressed()) ComputationAbort = true;
    const double old = previousObjective_;
    for (int i = 1; i <= n_; ++i) previous_[i] = x()[i];
    Step();
    const double q = previousObjective_;
    if (q > old || (old - q) / old >= innerTolerance_) continue;

    double sum = 0.0;
    for (int i = 1; i <= n_; ++i) sum += x()[i];
    meanAmplitude_ = sum / n_;
    bool gradientMoves = false, amplitudesMove = false;
    for (int i = 1; i <= n_; ++i) {
      if (!(x()[i] > kCountedAmplitude)) continue;
      if (std::fabs(gradient_[i] * meanAmplitude_ / old) > innerTolerance_) gradientMoves = true;
      if (std::fabs((x()[i] - previous_[i]) / previous_[i]) > innerTolerance_)
        amplitudesMove = true;
    }
    if (gradientMoves && amplitudesMove) {
      lambda_ *= 10.0;
      continue;
    }
    // Converged once: confirm from a fresh start of the damping.
    if (restarted) return;
    restarted = true;
    lambda_ = -1.0;
    Step();
    for (int i = 1; i <= n_; ++i) previous_[i] = x()[i];
  }
}

// One Levenberg-Marquardt step on Q with positivity: the damped Newton step,
// cut where it would make an amplitude non-positive; taken when it lowers Q.
void MaxEntSearch::Step() {
  if (lambda_ > kLambdaLimit) {
    lambda_ = 0.0;
    return;
  }
  if (lambda_ < 0.0) {
    lambda_ = kLambdaStart;
    previousObjective_ = Evaluate(x(), gradient_.data(), curvature_.data(), &entropy_);
  }
  double** m = neq_.RegularizedMatrix.get();
  for (int i = 1; i <= n_; ++i) {
    const double* a = neq_.NormalMatrix[i];
    std::copy(a + 1, a + n_ + 1, m[i] + 1);
    m[i][i] = (1.0 + lambda_) * (a[i] + curvature_[i]);
  }
  SolveStep(m);
  if (lambda_ == 0.0) return;

  bool reachesZero = false;
  for (int i = 1; i <= n_; ++i) {
    trial_[i] = x()[i] + step_[i];
    if (trial_[i] <= 0.0) reachesZero = true;
  }
  if ((reachesZero || clamped_) && !CutStepAtZero(m)) return;
  for (int i = 1; i <= n_; ++i) trial_[i] = std::max(trial_[i], kAmplitudeFloor);

  double trialEntropy = 0.0;
  const double q =
      Evaluate(trial_.data(), trialGradient_.data(), trialCurvature_.data(), &trialEntropy);
  if (q >= previousObjective_) {
    lambda_ *= 10.0;
    return;
  }
  lambda_ *= 0.1;
  previousObjective_ = q;
  entropy_ = trialEntropy;
  for (int i = 1; i <= n_; ++i) {
    x()[i] = trial_[i];
    gradient_[i] = trialGradient_[i];
    curvature_[i] = trialCurvature_[i];
  }
}

void MaxEntSearch::FreeFlags() {
  for (int i = 1; i <= n_; ++i) {
    const bool rising = step_[i] >= 0.0;
    free_[i] = (x()[i] > kCountedAmplitude || rising) && (!clamped_ || wasFree_[i] != 0 || rising);
  }
}

// Freezes (removes from the step) the amplitudes at zero that the step
// would push further down, then shortens the step so that no amplitude
// crosses zero. False when the step has to be abandoned.
bool MaxEntSearch::CutStepAtZero(double** m) {
  FreeFlags();
  for (;;) {
    int frozen = 0;
    for (int i = 1; i <= n_ && frozen == 0; ++i)
      if (free_[i] == 0) frozen = i;
    if (frozen == 0) break;
    for (int k = 1; k <= n_; ++k) m[frozen][k] = m[k][frozen] = 0.0;
    SolveStepWithout(m, frozen);
    FreeFlags();
  }
  double scale = 1.0;
  for (int i = 1; i <= n_; ++i) {
    if (!clamped_) wasFree_[i] = 1;
    if (x()[i] + step_[i] > 0.0 || step_[i] == 0.0) continue;
    if (x()[i] < 0.0) return false;
    const double ratio = std::fabs(x()[i] / step_[i]);
    if (ratio < kCutFraction) {
      wasFree_[i] = 0;
      clamped_ = true;
    }
    scale = std::min(scale, ratio);
  }
  if (scale > kCutFraction)
    clamped_ = false;
  else
    scale *= kCutShrink;
  for (int i = 1; i <= n_; ++i) trial_[i] = x()[i] + scale * step_[i];
  return true;
}

double MaxEntSearch::Fail(const char* text, bool attention) {
  const std::string message = Format(text, EstimatedP(bestF_));
  if (RedrawSuppressed) {
    SerialFitErrorCode = kSearchFailureCode;
    NumericErrorState = kSearchFailureCode;
  } else if (attention) {
    platform::Current().ShowMessageBox(
        {nullptr, message, "ATTENTION", platform::BoxIcon::Warning, platform::BoxButtons::Ok});
  } else {
    ErrorBox(message);
  }
  RestoreBest();
  return bestX_;
}

// The search in ln α. f rises with α, so the search walks from the start
// towards the target with steps that double until f changes sign, then
// closes in on the bracketed root by Brent's method. Every evaluation
// starts from the best amplitudes so far, so the long steps of the walk cost
// few inner iterations. It ends as soon as the chi-square ratio is within
// tolerance of the target or, for P < 1, the confidence level within
// pTolerance of P. Returns the ln α whose amplitudes are left in
// DistSolution.
double MaxEntSearch::FindAlphaRoot(double x0, double h0, double tolerance, double pTolerance) {
  int counter = 1;
  double x = x0;
  double f = Callback(x);
  ShowProgress(f, true);
  bestX_ = x;
  bestF_ = f;
  SaveBest();
  const auto reached = [&](double value) {
    return std::fabs(value) <= tolerance ||
           (context_.Pvalue < 1.0f && std::fabs(EstimatedP(value) - context_.Pvalue) < pTolerance);
  };
  if (reached(f)) return x;
  const auto tooMany = [&] {
    if (RedrawSuppressed) {
      SerialFitErrorCode = kIterationLimitCode;
      NumericErrorState = kIterationLimitCode;
    } else if (!context_.MonteCarloRunning) {
      ErrorBox("too many iterations finding root");
    }
  };
  const auto interrupted = [] { return KeyPressed() || ComputationAbort; };
  // One more evaluation; the best point follows the smallest |f|.
  const auto evaluate = [&](double at) {
    const double value = Callback(at);
    ShowProgress(value, false);
    if (std::fabs(value) < std::fabs(bestF_)) {
      bestX_ = at;
      bestF_ = value;
      SaveBest();
    }
    return value;
  };

  double h = f > 0.0 ? -std::fabs(h0) : std::fabs(h0);
  double xPrevious = x, fPrevious = f;
  for (int plateau = 0;;) {
    if (++counter > kSearchLimit) {
      tooMany();
      return x;
    }
    xPrevious = x;
    fPrevious = f;
    x += h;
    f = evaluate(x);
    if (reached(f)) return x;
    if (interrupted()) return Fail("caught in local minimum or user interrupt at P = %f", true);
    if ((f > 0.0) != (fPrevious > 0.0)) break;
    // α so large or so small that nothing changes: no root this way.
    plateau = f == fPrevious ? plateau + 1 : 0;
    if (plateau > kPlateauLimit) return Fail("problem with regularization, caught at P = %f", false);
    h = std::copysign(std::min(2.0 * std::fabs(h), kLargestBracketStep), h);
  }

  // Brent's method on the bracket; an evaluation that ends the search
  // answers 0, which ends the iteration there.
  enum class End { Going, Reached, Interrupted, Limit } end = End::Going;
  const auto bracketed = [&](double at) {
    if (end != End::Going) return 0.0;
    x = at;
    if (++counter > kSearchLimit) {
      end = End::Limit;
      return 0.0;
    }
    f = evaluate(at);
    if (reached(f)) {
      end = End::Reached;
      return 0.0;
    }
    if (interrupted()) {
      end = End::Interrupted;
      return 0.0;
    }
    return f;
  };
  brent::Iterate(bracketed, xPrevious, x, fPrevious, f, kSmallestStep, kSearchLimit);
  switch (end) {
    case End::Reached:
      return x;
    case End::Limit:
      tooMany();
      return x;
    case End::Going:  // the bracket closed without reaching the target
    case End::Interrupted:
      break;
  }
  return Fail("caught in local minimum or user interrupt at P = %f", true);
}

bool AllZeroRow(const NormalEquationArrays& neq, int i, int n) {
  const double* row = ReadRows(neq.NormalMatrix)[i];
  for (int k = 1; k <= n; ++k)
    if (row[k] != 0.0) return false;
  return true;
}

}  // namespace

MaxEntTerms MakeMaxEntTerms(const NormalEquationArrays& neq, const RegularizationContext& context,
                            double amplitudeTotal) {
  MaxEntTerms terms;
  terms.N = context.UnknownCount;
  terms.AmplitudeTotal = amplitudeTotal;
  terms.Priors = context.Penalty.Priors;
  terms.SuppressBaselineCorrelation = context.SuppressBaselineCorrelation;
  const auto size = static_cast<std::size_t>(terms.N) + 1;
  terms.HasEntropy.assign(size, 1);
  terms.Unseen.assign(size, 0);
  terms.HasEntropy[0] = 0;
  for (int i = 1; i <= terms.N; ++i) {
    assert(terms.Priors == nullptr || terms.Priors[i] > 0.0);
    if (AllZeroRow(neq, i, terms.N)) {
      terms.Unseen[static_cast<std::size_t>(i)] = 1;
      terms.HasEntropy[static_cast<std::size_t>(i)] = 0;
    }
  }
  if (context.FirstPointSeparate && terms.N >= 1) terms.HasEntropy[1] = 0;
  return terms;
}

double MaxEntObjective(const NormalEquationArrays& neq, const MaxEntTerms& terms, const double* x,
                       double alpha, double* halfGradient, double* curvatureDiagonal,
                       double* entropy) {
  const int n = terms.N;
  const double* b = neq.NormalVector.data();
  const bool priors = terms.Priors != nullptr;
  double linear = 0.0, quadratic = 0.0, entropySum = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double* row = ReadRows(neq.NormalMatrix)[i];
    double ax = 0.0;
    for (int k = 1; k <= n; ++k) ax += row[k] * x[k];
    linear += x[i] * b[i];
    quadratic += x[i] * ax;
    double g = b[i] - ax, h = 0.0;
    if (terms.HasEntropy[static_cast<std::size_t>(i)] != 0) {
      const double reference = priors ? terms.Priors[i] : terms.AmplitudeTotal;
      double s = std::log(x[i] / reference);
      double e = 0.0;
      if (i == 1 && terms.SuppressBaselineCorrelation) {
        s -= std::log(kBaselineReference);
        if (priors) e -= (1.0 - kBaselineReference) * terms.Priors[1];
      }
      e += x[i] * s + (priors ? terms.Priors[i] - x[i] : 0.0);
      entropySum += e;
      g -= 0.5 * alpha * (priors ? s : s + 1.0);
      h = 0.5 * alpha / x[i];
    }
    if (halfGradient != nullptr) halfGradient[i] = g;
    if (curvatureDiagonal != nullptr) curvatureDiagonal[i] = h;
  }
  if (entropy != nullptr) *entropy = -entropySum;
  return neq.DataSquareSum - 2.0 * linear + quadratic + alpha * entropySum;
}

RegularizationOutcome MaxEntRegularization(NormalEquationArrays& neq,
                                           const RegularizationContext& context) {
  const int n = context.UnknownCount;
  assert(n >= 1 && n <= neq.Size && PenaltyUnknownCount(context.Penalty) == n);
  RegularizationOutcome outcome;
  AddSecondDerivativeMatrix(neq, context.Penalty, 0.0);
  if (NNLS(neq, n) != NnlsResult::Solved) {
    for (int i = 1; i <= n; ++i) neq.DistSolution[i] = 0.0;
    outcome.SolveFailed = true;
    return outcome;
  }
  outcome.ChiSquareMin = outcome.ResultChiSquare = ChiSquareFromNormalEquations(neq, n);

  float trace = 0.0f;
  for (int i = 1; i <= n; ++i) trace += static_cast<float>(ReadRows(neq.NormalMatrix)[i][i]);
  if (n < 10) return outcome;
  outcome.AlphaScale = static_cast<double>(trace) / (6 * n - 12);
  double total = 0.0;
  for (int i = context.FirstPointSeparate ? 2 : 1; i <= n; ++i) total += neq.DistSolution[i];
  if (total == 0.0) return outcome;

  const float p = context.Pvalue;
  if (p <= 0.5f || p == 1.0f) {
    ShowNoRegularizationNotice(context);
    return outcome;
  }
  if (context.InNonlinearSearch && !context.FinalEvaluation && !context.MonteCarloRunning)
    return outcome;
  outcome.RegularizationDof = RegularizationDegreesOfFreedom(context);
  // Without degrees of freedom, residuals or scale there is no chi-square
  // increase to aim at.
  if ((p < 1.0f && outcome.RegularizationDof <= 0.0) || !(outcome.ChiSquareMin > 0.0) ||
      !(outcome.AlphaScale > 0.0))
    return outcome;
  const float ratio = TargetRatioForContext(context, outcome.RegularizationDof);
  outcome.TargetChiSquareRatio = ratio;

  const MaxEntTerms terms = MakeMaxEntTerms(neq, context, total);
  const double tolerance = (static_cast<double>(ratio) - 1.0) * 0.001;
  ComputationAbort = false;
  outcome.Regularized = true;
  {
    MaxEntSearch search(neq, context, outcome, terms, std::min(0.01 * tolerance, 1e-6));
    double start = context.MaxEntStartLnAlpha.value_or(kStartLnAlpha);
    if (!std::isfinite(start)) start = kStartLnAlpha;
    const double lnAlpha =
        search.FindAlphaRoot(std::min(start, kLnAlphaCap), kFirstStep, tolerance, kPTolerance);
    outcome.RegularizationAlpha = std::exp(std::min(lnAlpha, kLnAlphaCap)) * outcome.AlphaScale;
  }
  outcome.ResultChiSquare = ChiSquareFromNormalEquations(neq, n);
  ComputationAbort = false;
  return outcome;
}
