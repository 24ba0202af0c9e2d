#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "numerics/Statistics.h"
#include "support/TestSupport.h"

namespace {

// A set of scans whose residuals have the signs of the given patterns
// ('+' positive, '-' negative, '0' exactly zero), one-based by scan and
// point like the data set. The fitted values are not zero, so the routine
// has to form signal − fitted itself.
class ResidualScans {
 public:
  explicit ResidualScans(const std::vector<std::string>& patterns)
      : count_(static_cast<int>(patterns.size())),
        signal_(1, count_),
        fitted_(1, count_),
        first_(1, count_),
        last_(1, count_),
        list_(1, count_) {
    rows_.reserve(2 * patterns.size());
    for (int scan = 1; scan <= count_; ++scan) {
      const std::string& pattern = patterns[scan - 1];
      const int n = static_cast<int>(pattern.size());
      auto& s = rows_.emplace_back(1, n);
      auto& f = rows_.emplace_back(1, n);
      for (int i = 1; i <= n; ++i) {
        f[i] = 2.5f;
        const char c = pattern[i - 1];
        s[i] = c == '+' ? 2.5f + 0.1f * i : c == '-' ? 2.5f - 0.2f * i : 2.5f;
      }
      signal_[scan] = s.data();
      fitted_[scan] = f.data();
      first_[scan] = 1;
      last_[scan] = n;
      list_[scan] = scan;
    }
  }
  void SetRange(int scan, int first, int last) {
    first_[scan] = first;
    last_[scan] = last;
  }
  void SetOrder(const std::vector<int>& order) {
    for (int k = 1; k <= count_; ++k) list_[k] = order[k - 1];
  }
  float Z(int firstPosition, int lastPosition) const {
    return RunsTestZ(count_, signal_.data(), fitted_.data(), firstPosition, lastPosition,
                     list_.data(), first_.data(), last_.data());
  }
  float Z() const { return Z(1, count_); }

 private:
  int count_;
  std::vector<OneBasedArray<float>> rows_;
  OneBasedArray<const float*> signal_, fitted_;
  OneBasedArray<int> first_, last_, list_;
};

// |Z| from the counts, worked out by hand from the mean 2n₊n₋/n + 1 and the
// variance 2n₊n₋(2n₊n₋ − n)/(n²(n − 1)) of the number of runs.
struct RunsCase {
  std::vector<std::string> scans;
  double z;
  const char* why;
};

TEST(RunsTestZ, MatchesHandComputedStatistic) {
  const RunsCase cases[] = {
      // R = 3, n₊ = 3, n₋ = 2: μ = 3.4, σ = √(84/100).
      {{"++--+"}, 0.1 / std::sqrt(0.84), "mixed"},
      // R = 6, n₊ = n₋ = 3: μ = 4, σ = √1.2.
      {{"+-+-+-"}, 2.5 / std::sqrt(1.2), "alternating"},
      // R = 2: too few runs.
      {{"+++---"}, 1.5 / std::sqrt(1.2), "clustered"},
      // A zero counts as negative but neither opens a run nor flips the
      // sign: R = 1, n₊ = 2, n₋ = 1, μ = 7/3, σ = √(4/18).
      {{"+0+"}, (7.0 / 3.0 - 1.5) / std::sqrt(4.0 / 18.0), "zero residual"},
      // Each scan opens a run: R = 4 (not 3), n₊ = n₋ = 2, μ = 3, σ = √(2/3).
      {{"+-", "-+"}, 1.5 / std::sqrt(2.0 / 3.0), "runs end with the scan"},
  };
  for (const RunsCase& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_NEAR(ResidualScans(c.scans).Z(), c.z, 1e-5);
  }
  // The first case by its published value.
  EXPECT_NEAR(ResidualScans({"++--+"}).Z(), 0.109, 5e-4);
}

TEST(RunsTestZ, CountsOnlyListedScansInsideTheirPointRanges) {
  // Scan 2 is outside the positions used; the outer points of scan 3 are
  // outside its range. What remains, in list order scan 3 then scan 1, is
  // "+-" and "-+" again: the last case above.
  ResidualScans scans({"-+", "++++++", "--+-+"});
  scans.SetOrder({2, 3, 1});
  scans.SetRange(3, 3, 4);
  EXPECT_NEAR(scans.Z(2, 3), 1.5 / std::sqrt(2.0 / 3.0), 1e-5);
}

TEST(RunsTestZ, DegenerateCountsGiveZero) {
  EXPECT_EQ(RunsTestZ(0, nullptr, nullptr, 1, 0, nullptr, nullptr, nullptr), 0.0f);
  EXPECT_EQ(ResidualScans({"+"}).Z(), 0.0f);
  // One sign only: σ = 0.
  EXPECT_EQ(ResidualScans({"+++", "++"}).Z(), 0.0f);
  // An empty position range counts nothing.
  EXPECT_EQ(ResidualScans({"+-+-"}).Z(1, 0), 0.0f);
}

// ------------------------------------------------------------- log gamma

TEST(LogGamma, MatchesFactorialsAndTheHalfIntegerValue) {
  EXPECT_NEAR(LogGamma(1.0), 0.0, 1e-10);
  EXPECT_NEAR(LogGamma(0.5), std::log(std::sqrt(std::numbers::pi)), 1e-10);
  double factorial = 1.0;
  for (int n = 2; n <= 30; ++n) {
    factorial *= n - 1;
    EXPECT_NEAR(LogGamma(n), std::log(factorial), 1e-10 * std::log(factorial) + 1e-10) << n;
  }
  // Γ(x + 1) = x Γ(x) at non-integers.
  for (double x : {0.1, 0.7, 3.3, 17.25})
    EXPECT_NEAR(LogGamma(x + 1.0) - LogGamma(x), std::log(x), 1e-9) << x;
}

// ------------------------------------------------------- incomplete beta

struct BetaCase {
  double a, b, x;
};
const BetaCase kBetaCases[] = {{1, 1, 0.3},    {1, 4.5, 0.2},   {3.5, 1, 0.7},
                               {2, 2, 0.5},    {0.5, 0.5, 0.1}, {2.5, 3.5, 0.3},
                               {10, 20, 0.4},  {0.2, 0.7, 0.9}, {50, 50, 0.55},
                               {0.5, 5, 0.05}, {7.3, 1.4, 0.8}, {1000, 1000, 0.51}};

TEST(Betai, ClosedFormsForUnitParameters) {
  for (double x : {0.0, 0.01, 0.3, 0.5, 0.77, 0.999, 1.0}) {
    for (double p : {0.3, 1.0, 2.0, 7.5}) {
      SCOPED_TRACE(testing::Message() << "x " << x << " p " << p);
      EXPECT_NEAR(betai(1.0, p, x), 1.0 - std::pow(1.0 - x, p), 1e-7);
      EXPECT_NEAR(betai(p, 1.0, x), std::pow(x, p), 1e-7);
    }
    EXPECT_NEAR(betai(2.0, 2.0, x), x * x * (3.0 - 2.0 * x), 1e-7);
    EXPECT_NEAR(betai(0.5, 0.5, x), 2.0 / std::numbers::pi * std::asin(std::sqrt(x)), 1e-7);
  }
}

TEST(Betai, IsSymmetricUnderSwappingParametersAndComplement) {
  for (const BetaCase& c : kBetaCases) {
    SCOPED_TRACE(testing::Message() << c.a << ", " << c.b << ", " << c.x);
    EXPECT_NEAR(betai(c.a, c.b, c.x), 1.0 - betai(c.b, c.a, 1.0 - c.x), 1e-7);
  }
}

TEST(Betai, EqualsTheBinomialTailForIntegerParameters) {
  // I_p(k, n − k + 1) = P(X ≥ k) for X binomial with n trials of chance p.
  for (int n : {1, 5, 12, 40}) {
    for (double p : {0.05, 0.35, 0.5, 0.9}) {
      for (int k = 1; k <= n; k += std::max(1, n / 6)) {
        double tail = 0.0;
        for (int j = k; j <= n; ++j)
          tail += std::exp(LogGamma(n + 1.0) - LogGamma(j + 1.0) - LogGamma(n - j + 1.0)) *
                  std::pow(p, j) * std::pow(1.0 - p, n - j);
        EXPECT_NEAR(betai(k, n - k + 1, p), tail, 1e-7) << n << " " << p << " " << k;
      }
    }
  }
}

TEST(Betai, MatchesTabulatedValues) {
  struct Tabulated {
    double a, b, x, value;
  };
  const Tabulated cases[] = {
      {2.5, 3.5, 0.3, 0.296752989296}, {10, 20, 0.4, 0.785318389763},
      {0.2, 0.7, 0.9, 0.94709941433},  {50, 50, 0.55, 0.841347801063},
      {0.5, 5, 0.05, 0.515208786902},  {7.3, 1.4, 0.8, 0.309562216573},
  };
  for (const Tabulated& c : cases)
    EXPECT_NEAR(betai(c.a, c.b, c.x), c.value, 1e-6) << c.a << ", " << c.b << ", " << c.x;
}

TEST(Betai, EndsOfTheIntervalAreExact) {
  for (const BetaCase& c : kBetaCases) {
    EXPECT_EQ(betai(c.a, c.b, 0.0), 0.0);
    EXPECT_EQ(betai(c.a, c.b, 1.0), 1.0);
  }
}

TEST(BetaiDeathTest, ArgumentOutsideTheUnitIntervalEndsTheProgram) {
  for (double x : {-0.01, 1.5, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EXIT(betai(2.0, 3.0, x), testing::ExitedWithCode(1), "") << x;
}

// ----------------------------------------------------------- F statistics

TEST(FProbability, IsOneHalfAtUnitRatioWithEqualDegreesOfFreedom) {
  for (double nu : {1.0, 2.0, 3.0, 7.5, 10.0, 100.0, 5900.0})
    EXPECT_NEAR(FProbability(1.0, nu, nu), 0.5, 1e-7) << nu;
}

TEST(FProbability, MatchesClosedFormsForTwoDegreesOfFreedom) {
  // With nu1 = 2 the upper tail is (1 + 2F/nu2)^(−nu2/2); with nu2 = 2 it is
  // 1 − (nu1 F/(nu1 F + 2))^(nu1/2).
  for (double nu : {1.0, 2.0, 5.0, 30.0}) {
    for (double F : {0.0, 0.2, 1.0, 3.7, 50.0}) {
      SCOPED_TRACE(testing::Message() << "nu " << nu << " F " << F);
      EXPECT_NEAR(FProbability(F, 2.0, nu), std::pow(1.0 + 2.0 * F / nu, -nu / 2.0), 1e-7);
      EXPECT_NEAR(FProbability(F, nu, 2.0), 1.0 - std::pow(nu * F / (nu * F + 2.0), nu / 2.0),
                  1e-7);
    }
  }
}

TEST(FProbability, DegenerateDegreesOfFreedom) {
  EXPECT_EQ(FProbability(1.7, 0.0, 0.0), 0.0);
  EXPECT_TRUE(std::isnan(FProbability(1.7, 0.0, 10.0)));
  EXPECT_TRUE(std::isnan(FProbability(1.7, 10.0, -3.0)));
}

TEST(FProbability, RatiosFromDegenerateFitsDoNotEndTheProgram) {
  // A chi-square ratio 0/0 (a fit of all-zero data), and ratios that rounding
  // has made negative: either side of the pole at F = −nu2/nu1.
  EXPECT_TRUE(std::isnan(FProbability(std::numeric_limits<double>::quiet_NaN(), 3.0, 4.0)));
  EXPECT_EQ(FProbability(-1e-12, 3.0, 4.0), 1.0);
  EXPECT_EQ(FProbability(-10.0, 3.0, 4.0), 1.0);
  EXPECT_EQ(FProbability(std::numeric_limits<double>::infinity(), 3.0, 4.0), 0.0);
}

class FCriticalRatioTest : public HeadlessTest {};

TEST_F(FCriticalRatioTest, MatchesTabulatedQuantiles) {
  struct Quantile {
    double p, nu1, nu2, F;
  };
  // Upper quantiles of the F distribution as printed in statistical tables;
  // several lie outside [1, 2], one below 1.
  const Quantile cases[] = {
      {0.95, 1, 10, 4.965},         {0.95, 5, 20, 2.711},    {0.99, 2, 10, 7.559},
      {0.95, 10, 10, 2.978},        {0.95, 100, 100, 1.392}, {0.90, 3, 30, 2.276},
      {0.50, 1, 10, 0.4897},        {0.99, 1, 1, 4052.2},    {0.95, 2, 2, 19.0},
      {0.683, 5900, 5900, 1.01247},
  };
  for (const Quantile& c : cases) {
    SCOPED_TRACE(testing::Message() << c.p << " " << c.nu1 << " " << c.nu2);
    const double F = FCriticalRatio(c.p, c.nu1, c.nu2);
    EXPECT_NEAR(F, c.F, 1e-3 * c.F);
    EXPECT_NEAR(FProbability(F, c.nu1, c.nu2), 1.0 - c.p, 1e-6);
    EXPECT_NEAR(FCriticalRatioObjective(F), 0.0, 1e-6);
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(FCriticalRatioTest, IsOneAtTheMedianWithEqualDegreesOfFreedom) {
  for (double nu : {1.0, 4.0, 25.0, 1000.0}) EXPECT_NEAR(FCriticalRatio(0.5, nu, nu), 1.0, 1e-6);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(FCriticalRatioTest, DegreesOfFreedomThatAreNotPositiveGiveNaN) {
  EXPECT_TRUE(std::isnan(FCriticalRatio(0.95, 0.0, 10.0)));
  EXPECT_TRUE(std::isnan(FCriticalRatio(0.95, 10.0, -1.0)));
  EXPECT_TRUE(backend().Log().empty());
}

class StatzbrentTest : public HeadlessTest {};

TEST_F(StatzbrentTest, FindsABracketedRoot) {
  const double root = statzbrent([](double x) { return std::cos(x) - x; }, 0.0, 1.0, 1e-10);
  // The convergence test is relative: within 6e-8 of the estimate.
  EXPECT_NEAR(root, 0.7390851332151607, 6e-8);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(StatzbrentTest, ReportsAMissingBracketAndTheIterationLimit) {
  // No sign change and no root: both reports, and 0.
  EXPECT_EQ(statzbrent([](double x) { return x * x + 1.0; }, -1.0, 2.0, 0.0), 0.0);
  EXPECT_EQ(LogLinesWith("Root must be bracketed in statzbrent").size(), 1u);
  EXPECT_EQ(LogLinesWith("Maximum number of iterations exceeded in statzbrent").size(), 1u);

  // A jump at 0 with no tolerance cannot be resolved by halving from width 3
  // in 100 steps.
  backend().ClearLog();
  int evaluations = 0;
  const auto jump = [&](double x) {
    ++evaluations;
    return x > 0.0 ? 1.0 : -1.0;
  };
  EXPECT_EQ(statzbrent(jump, -1.0, 2.0, 0.0), 0.0);
  EXPECT_EQ(evaluations, 102);
  EXPECT_TRUE(LogLinesWith("Root must be bracketed").empty());
  EXPECT_EQ(LogLinesWith("Maximum number of iterations exceeded in statzbrent").size(), 1u);
}

}  // namespace
