#include "distributions/MaximumEntropy.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/records/ProgramFlags.h"
#include "distributions/DistributionNNLS.h"
#include "models/records/ComputationAbort.h"
#include "numerics/LinearSolvers.h"
#include "numerics/Statistics.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"

namespace {

// The search in x = ln(α/AlphaScale).
constexpr double kStartLnAlpha = -9.210340371976184;  // ln(1e-4)
constexpr double kFirstStep = 0.01;
constexpr double kLargestStep = 0.25;
constexpr int kSearchLimit = 1000;
constexpr double kPTolerance = 0.005;
constexpr int kPlateauLimit = 101;
// Far from the target the search moves by the largest step; within this of
// it the steps adapt, and within the secant band they interpolate.
constexpr double kCoarseBand = 0.02;
constexpr double kSecantBand = 0.001;
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
  }

  double FindAlphaRoot(double x0, double h0, double tolerance, double pTolerance);

 private:
  double* x() { return neq_.DistSolution.data(); }
  double Callback(double lnAlpha);
  void Marquardt();
  void Step();
  bool CutStepAtZero(double** m);
  void FreeFlags();
  void SolveStep(double** m) {
    SolveReducedNormalEquationsD(m, gradient_.data(), n_, step_.data(), solverWork_.data());
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
    SolveStep(m);
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

// The search in ln α: coarse steps of the largest size towards the target,
// then steps that halve on crossings and grow away from them, and a secant
// step close to the root. Returns the ln α whose amplitudes are left in
// DistSolution.
double MaxEntSearch::FindAlphaRoot(double x0, double h0, double tolerance, double pTolerance) {
  double xa = x0, h = h0;
  int counter = 1;
  double f = Callback(xa);
  ShowProgress(f, true);
  if (std::fabs(f) <= tolerance) return xa;
  bool above = f > tolerance;
  bestX_ = xa;
  bestF_ = f;
  SaveBest();
  h = above ? -std::fabs(h) : std::fabs(h);
  bool halved = false;
  const auto takeBest = [&] {
    bestX_ = xa;
    bestF_ = f;
    SaveBest();
  };

  while (std::fabs(f) >= tolerance) {
    ++counter;
    above = f > tolerance;
    if (std::fabs(f) == tolerance) return xa;
    const double previous = f;
    xa += h;
    f = Callback(xa);
    if (std::fabs(f) < tolerance) return xa;
    for (int extra = 1; f == previous; ++extra) {
      if (extra > kPlateauLimit)
        return Fail("problem with regularization, caught at P = %f", false);
      if (std::fabs(h) < kLargestStep) h *= 2.0;
      xa += h;
      f = Callback(xa);
      ShowProgress(f, false);
    }

    const bool better = std::fabs(f) <= std::fabs(bestF_) + tolerance;
    if (better && std::fabs(f) > kCoarseBand && !halved) {
      h = f < 0.0 ? kLargestStep : -kLargestStep;
      if (f * bestF_ < 0.0) {
        h *= 0.5;
        halved = true;
      }
      if (bestF_ != 0.0) takeBest();
    } else if (!better || bestF_ == 0.0) {
      // Worse than the best point: go back and try a shorter step.
      xa = bestX_;
      f = bestF_;
      RestoreBest();
      if (bestF_ != 0.0) halved = false;
      h *= 0.5;
      if (std::fabs(h) <= kSmallestStep || KeyPressed() || ComputationAbort)
        return Fail("caught in local minimum or user interrupt at P = %f", true);
    } else {
      if (std::fabs(f) > kSecantBand) {
        if (f < 0.0 && above) {
          h = 0.5 * std::fabs(h);
          halved = true;
        } else if (f < 0.0) {
          h = std::min(2.0 * std::fabs(h), kLargestStep);
        } else if (!above) {
          h = -0.3 * std::fabs(h);
          halved = true;
        } else {
          h = -1.7 * std::fabs(h);
          if (std::fabs(h) > 0.1) h = -kLargestStep;
        }
      } else if (f * bestF_ < 0.0) {
        h = (bestX_ - bestF_ * (xa - bestX_) / (f - bestF_)) - xa;
      }
      if (bestF_ != 0.0) takeBest();
    }

    ShowProgress(f, false);
    if (context_.Pvalue < 1.0f && std::fabs(EstimatedP(f) - context_.Pvalue) < pTolerance)
      return xa;
    if (counter > kSearchLimit) {
      if (RedrawSuppressed) {
        SerialFitErrorCode = kIterationLimitCode;
        NumericErrorState = kIterationLimitCode;
      } else if (!context_.MonteCarloRunning) {
        ErrorBox("too many iterations finding root");
      }
      return xa;
    }
  }
  return xa;
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
    const double lnAlpha = search.FindAlphaRoot(kStartLnAlpha, kFirstStep, tolerance, kPTolerance);
    outcome.RegularizationAlpha = std::exp(std::min(lnAlpha, kLnAlphaCap)) * outcome.AlphaScale;
  }
  outcome.ResultChiSquare = ChiSquareFromNormalEquations(neq, n);
  ComputationAbort = false;
  return outcome;
}
