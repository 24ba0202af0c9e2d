#include "numerics/Statistics.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "numerics/BrentIteration.h"
#include "numerics/FatalError.h"
#include "ui/Boxes.h"

// ---------------------------------------------------------------- runs test

float RunsTestZ(int loadedScans, const float* const* signals, const float* const* fitted,
                int firstPosition, int lastPosition, const int* scanList, const int* firstPoint,
                const int* lastPoint) {
  if (loadedScans == 0) return 0.0f;
  float runs = 0.0f, positives = 0.0f, negatives = 0.0f;
  for (int position = firstPosition; position <= lastPosition; ++position) {
    const int scan = scanList[position];
    float sign = 0.0f;
    for (int point = firstPoint[scan]; point <= lastPoint[scan]; ++point) {
      const float residual = signals[scan][point] - fitted[scan][point];
      if (residual > 0.0f)
        positives += 1.0f;
      else
        negatives += 1.0f;
      if (point == firstPoint[scan]) {
        // Runs never continue across scans: the first point opens one.
        runs += 1.0f;
        sign = residual > 0.0f ? 1.0f : -1.0f;
      } else if (residual * sign < 0.0f) {
        runs += 1.0f;
        sign = -sign;
      }
    }
  }
  const float n = positives + negatives;
  if (n == 0.0f || n - 1.0f == 0.0f) return 0.0f;
  // Mean and variance of the number of runs for n₊ and n₋ signs in random
  // order (Wald and Wolfowitz); the 0.5 is the continuity correction.
  const float product = 2.0f * positives * negatives;
  const float expected = product / n + 1.0f;
  const float sigma = std::sqrt(product * (product - positives - negatives) / (n * n * (n - 1.0f)));
  if (sigma == 0.0f) return 0.0f;
  return std::fabs((runs - expected + 0.5f) / sigma);
}

// ---------------------------------------------------------- incomplete beta

double LogGamma(double x) {
  // Lanczos (1964) with γ = 5 and six terms, as tabulated by Press et al.
  static constexpr double kCoefficients[6] = {76.18009172947146,    -86.50532032941678,
                                              24.01409824083091,    -1.231739572450155,
                                              0.001208650973866179, -5.395239384953e-06};
  double t = x + 5.5;
  t -= (x + 0.5) * std::log(t);
  double series = 1.000000000190015;
  for (int j = 0; j < 6; ++j) series += kCoefficients[j] / (x + j + 1);
  return std::log(2.5066282746310007 * series / x) - t;
}

namespace {

// Denominators below this are replaced by it, which keeps the modified Lentz
// recurrence finite where a convergent vanishes.
double AwayFromZero(double value) {
  constexpr double kFloor = 1e-30;
  return std::fabs(value) < kFloor ? kFloor : value;
}

// One step of the modified Lentz recurrence with partial numerator aa;
// returns the factor by which the fraction changes.
double LentzFactor(double aa, double& c, double& d) {
  d = 1.0 / AwayFromZero(1.0 + aa * d);
  c = AwayFromZero(1.0 + aa / c);
  return d * c;
}

}  // namespace

double betacf(double a, double b, double x) {
  constexpr int kMaxIterations = 10000;
  constexpr double kTolerance = 3e-7;
  const double qab = a + b, qap = a + 1.0, qam = a - 1.0;
  double c = 1.0;
  double d = 1.0 / AwayFromZero(1.0 - qab * x / qap);
  double h = d;
  for (int m = 1; m <= kMaxIterations; ++m) {
    const int m2 = 2 * m;
    h *= LentzFactor(m * (b - m) * x / ((qam + m2) * (a + m2)), c, d);
    const double del = LentzFactor(-(a + m) * (qab + m) * x / ((a + m2) * (qap + m2)), c, d);
    h *= del;
    if (std::fabs(del - 1.0) < kTolerance) return h;
  }
  FatalError("a or b too big, or MAXIT too small in betacf");
}

double betai(double a, double b, double x) {
  // Written so that a NaN is refused as well.
  if (!(x >= 0.0 && x <= 1.0)) FatalError("Bad x in routine betai");
  assert(a > 0.0 && b > 0.0);
  const double bt = (x == 0.0 || x == 1.0) ? 0.0
                                           : std::exp(LogGamma(a + b) - LogGamma(a) - LogGamma(b) +
                                                      a * std::log(x) + b * std::log(1.0 - x));
  // The continued fraction converges quickly only below this point; above it
  // the symmetry I_x(a, b) = 1 − I_(1−x)(b, a) is used.
  if (x < (a + 1.0) / (a + b + 2.0)) return bt * betacf(a, b, x) / a;
  return 1.0 - bt * betacf(b, a, 1.0 - x) / b;
}

// ------------------------------------------------------------- F statistics

namespace {

// The F distribution needs positive degrees of freedom; with others the
// continued fraction would not converge and end the program.
bool DegreesOfFreedomValid(double nu1, double nu2) {
  return nu1 > 0.0 && nu2 > 0.0;
}

}  // namespace

double FProbability(double F, double nu1, double nu2) {
  if (nu1 == 0.0 && nu2 == 0.0) return 0.0;
  if (!DegreesOfFreedomValid(nu1, nu2) || std::isnan(F))
    return std::numeric_limits<double>::quiet_NaN();
  // An F-distributed ratio is never negative. A ratio of chi-squares that
  // rounding has pushed below 0 would otherwise give betai an argument
  // outside [0, 1], which ends the program.
  if (F < 0.0) return 1.0;
  return betai(0.5 * nu2, 0.5 * nu1, nu2 / (nu1 * F + nu2));
}

namespace {

// The problem FCriticalRatio hands to its objective, and what it found.
struct CriticalRatioSearch {
  double nu1 = 0.0, nu2 = 0.0;
  double target = 0.0;
  double lastProbability = 0.0;
  double lastRoot = 0.0;
};
CriticalRatioSearch criticalRatio;

}  // namespace

double FCriticalRatioObjective(double F) {
  criticalRatio.lastProbability =
      betai(0.5 * criticalRatio.nu2, 0.5 * criticalRatio.nu1,
            criticalRatio.nu2 / (criticalRatio.nu1 * F + criticalRatio.nu2));
  return criticalRatio.lastProbability - criticalRatio.target;
}

double FCriticalRatio(double p, double nu1, double nu2) {
  if (!DegreesOfFreedomValid(nu1, nu2)) return std::numeric_limits<double>::quiet_NaN();
  criticalRatio.nu1 = nu1;
  criticalRatio.nu2 = nu2;
  criticalRatio.target = 1.0 - p;
  // The upper-tail probability falls with F. Few degrees of freedom or a high
  // level put the quantile above 2 (F(0.95; 1, 10) is about 5), a low level
  // with unequal degrees of freedom below 1; move the bracket there instead
  // of searching an interval that holds no root.
  constexpr int kMaxWidenings = 100;
  double lo = 1.0, hi = 2.0;
  for (int i = 0; i < kMaxWidenings && FCriticalRatioObjective(hi) > 0.0; ++i) {
    lo = hi;
    hi *= 2.0;
  }
  for (int i = 0; i < kMaxWidenings && FCriticalRatioObjective(lo) < 0.0; ++i) {
    hi = lo;
    lo *= 0.5;
  }
  criticalRatio.lastRoot = statzbrent(FCriticalRatioObjective, lo, hi, 1e-7);
  return criticalRatio.lastRoot;
}

double statzbrent(const std::function<double(double)>& f, double x1, double x2, double tol) {
  constexpr int kMaxEvaluations = 100;
  const double fa = f(x1), fb = f(x2);
  if (brent::SameSign(fa, fb)) ErrorBox("Root must be bracketed in statzbrent");
  if (auto root = brent::Iterate(f, x1, x2, fa, fb, tol, kMaxEvaluations)) return *root;
  ErrorBox("Maximum number of iterations exceeded in statzbrent");
  return 0.0;
}
