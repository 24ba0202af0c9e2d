// Maximum-entropy regularisation: the objective's gradient and curvature
// against numerical derivatives, the search's end criterion on a synthetic
// two-peak problem (residuals computed from kernel and data), and the cases
// that keep the unregularised solution.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "state/ProgramFlags.h"
#include "distributions/DistributionNNLS.h"
#include "distributions/MaximumEntropy.h"
#include "distributions/SyntheticProblem.h"
#include "numerics/Statistics.h"
#include "support/TestSupport.h"

namespace {

class MaximumEntropyTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    RedrawSuppressed = false;
    SerialFitErrorCode = 0;
  }
};

struct ObjectiveCase {
  const char* name;
  bool priors;
  bool suppressBaseline;
  bool firstSeparate;
};

// Q's half gradient is −½ ∂Q/∂x and its half curvature ½ ∂²Q/∂x²: checked by
// central differences at random positive amplitudes.
TEST(MaxEntObjectiveTest, GradientAndCurvatureMatchNumericalDerivatives) {
  const ObjectiveCase cases[] = {
      {"total as reference", false, false, false},
      {"total, baseline suppressed", false, true, false},
      {"priors", true, false, false},
      {"priors, baseline suppressed", true, true, false},
      {"first point a discrete species", false, true, true},
  };
  const int n = 6;
  std::mt19937 rng(41u);
  std::uniform_real_distribution<double> entry(0.2, 1.0);
  NormalEquationArrays neq;
  neq.Allocate(n, 1, 1);
  std::vector<std::vector<double>> design(12, std::vector<double>(n));
  for (auto& row : design)
    for (double& v : row) v = entry(rng);
  for (int i = 1; i <= n; ++i) {
    neq.NormalVector[i] = entry(rng);
    for (int j = 1; j <= n; ++j)
      for (const auto& row : design) neq.NormalMatrix[i][j] += row[i - 1] * row[j - 1];
  }
  neq.DataSquareSum = 10.0;
  OneBasedArray<double> priors(1, n);
  for (int i = 1; i <= n; ++i) priors[i] = entry(rng);

  for (const ObjectiveCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegularizationContext context;
    context.UnknownCount = n;
    context.Penalty.PointCount = n;
    context.Penalty.Priors = c.priors ? priors.data() : nullptr;
    context.SuppressBaselineCorrelation = c.suppressBaseline;
    context.FirstPointSeparate = c.firstSeparate;
    const MaxEntTerms terms = MakeMaxEntTerms(neq, context, 2.5);
    const double alpha = 0.3;
    OneBasedArray<double> x(1, n), g(1, n), h(1, n);
    for (int i = 1; i <= n; ++i) x[i] = entry(rng);
    MaxEntObjective(neq, terms, x.data(), alpha, g.data(), h.data(), nullptr);

    for (int i = 1; i <= n; ++i) {
      const double step = 1e-5 * x[i];
      OneBasedArray<double> up = x, down = x, gu(1, n), gd(1, n);
      up[i] += step;
      down[i] -= step;
      const double qu = MaxEntObjective(neq, terms, up.data(), alpha, gu.data(), nullptr, nullptr);
      const double qd =
          MaxEntObjective(neq, terms, down.data(), alpha, gd.data(), nullptr, nullptr);
      EXPECT_NEAR(-0.5 * (qu - qd) / (2 * step), g[i], 1e-6) << i;
      const double curvature = -(gu[i] - gd[i]) / (2 * step);
      EXPECT_NEAR(curvature, neq.NormalMatrix[i][i] + h[i], 1e-5) << i;
    }
    // A discrete first species is governed by chi-square alone.
    if (c.firstSeparate) {
      double residual = neq.NormalVector[1];
      for (int j = 1; j <= n; ++j) residual -= neq.NormalMatrix[1][j] * x[j];
      EXPECT_EQ(g[1], residual);
      EXPECT_EQ(h[1], 0.0);
    }
  }
}

struct SearchCase {
  const char* name;
  float p;
  int unseen;
};

TEST_F(MaximumEntropyTest, SearchEndsAtTheConfidenceLevel) {
  const SearchCase cases[] = {
      {"P = 0.68", 0.68f, 0},
      {"P = 0.95", 0.95f, 0},
      {"ratio 1.05", 1.05f, 0},
      {"zero kernel columns", 0.68f, 4},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    synthetic::Problem p = synthetic::TwoPeakProblem(40, 43u, 0.01, c.unseen);
    RegularizationContext context = p.Context(c.p);
    int shown = 0;
    context.Progress = [&](const std::string&) { ++shown; };

    const RegularizationOutcome out = MaxEntRegularization(p.neq, context);
    ASSERT_TRUE(out.Regularized);
    const double dof = p.points * p.scans - p.n;
    const double target = c.p > 1.0f ? c.p : FCriticalRatio(c.p, dof, dof);
    const double chi = p.ResidualSquareSum(p.neq.DistSolution.data());
    const double ratio = chi / out.ChiSquareMin;
    EXPECT_NEAR(out.ResultChiSquare, chi, 1e-9 * chi);
    // Either the ratio is on target, or its confidence level within 0.005 of P.
    const bool onTarget = std::fabs(ratio - target) <= (target - 1.0) * 0.001;
    const double level = 1.0 - FProbability(ratio, dof, dof);
    // Above 1, P is the ratio itself and only the ratio ends the search.
    EXPECT_TRUE(onTarget || (c.p < 1.0f && std::fabs(level - c.p) < 0.005))
        << "ratio " << ratio << " target " << target << " level " << level;

    for (int i = 1; i <= p.n; ++i) {
      ASSERT_TRUE(std::isfinite(p.neq.DistSolution[i]));
      // The entropy keeps every amplitude the data can see positive.
      if (i <= c.unseen) {
        EXPECT_EQ(p.neq.DistSolution[i], 0.0) << i;
      } else {
        EXPECT_GT(p.neq.DistSolution[i], 0.0) << i;
      }
    }
    EXPECT_NEAR(p.PeakPosition(p.neq.DistSolution.data(), 2.0, 5.0), 3.5, 0.5);
    EXPECT_NEAR(p.PeakPosition(p.neq.DistSolution.data(), 5.5, 9.0), 7.0, 0.5);
    EXPECT_GT(shown, 0);
    EXPECT_EQ(backend().Log().size(), c.p > 1.0f ? 1u : 0u);
    backend().ClearLog();
  }
}

// The search reaches the target from any start: the end of an earlier
// search (then within a few evaluations), far above it and far below it.
TEST_F(MaximumEntropyTest, SearchReachesTheTargetFromAnyStart) {
  const float level = 0.68f;
  synthetic::Problem first = synthetic::TwoPeakProblem(40, 43u, 0.01);
  const RegularizationOutcome cold = MaxEntRegularization(first.neq, first.Context(level));
  ASSERT_TRUE(cold.Regularized);
  const double coldLnAlpha = std::log(cold.RegularizationAlpha / cold.AlphaScale);

  struct Case {
    const char* name;
    double start;
    int mostEvaluations;
  } cases[] = {{"warm", coldLnAlpha, 3}, {"far above", coldLnAlpha + 15.0, 60},
               {"far below", coldLnAlpha - 30.0, 60}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    synthetic::Problem p = synthetic::TwoPeakProblem(40, 43u, 0.01);
    RegularizationContext context = p.Context(level);
    context.MaxEntStartLnAlpha = c.start;
    int evaluations = 0;
    context.Progress = [&](const std::string&) { ++evaluations; };
    const RegularizationOutcome out = MaxEntRegularization(p.neq, context);
    ASSERT_TRUE(out.Regularized);
    const double dof = p.points * p.scans - p.n;
    const double ratio = p.ResidualSquareSum(p.neq.DistSolution.data()) / out.ChiSquareMin;
    EXPECT_LT(std::fabs(1.0 - FProbability(ratio, dof, dof) - level), 0.005) << ratio;
    EXPECT_LE(evaluations, c.mostEvaluations);
    EXPECT_TRUE(backend().Log().empty());
    EXPECT_EQ(SerialFitErrorCode, 0);
  }
}

TEST_F(MaximumEntropyTest, KeepsTheUnregularisedSolutionQuietly) {
  struct Case {
    const char* name;
    int n;
    bool zeroData;
    float p;
  } cases[] = {{"fewer than 10 grid points", 9, false, 0.3f},
               {"all-zero alpha-0 solution", 40, true, 0.95f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    synthetic::Problem p = synthetic::TwoPeakProblem(c.n, 47u, 0.01);
    if (c.zeroData)
      for (int i = 1; i <= p.n; ++i) p.neq.NormalVector[i] = 0.0;
    AddSecondDerivativeMatrix(p.neq, p.Context(c.p).Penalty, 0.0);
    ASSERT_EQ(NNLS(p.neq, p.n), NnlsResult::Solved);
    const std::vector<double> plain(p.neq.DistSolution.data() + 1,
                                    p.neq.DistSolution.data() + 1 + p.n);

    const RegularizationOutcome out = MaxEntRegularization(p.neq, p.Context(c.p));
    EXPECT_FALSE(out.Regularized);
    for (int i = 1; i <= p.n; ++i)
      EXPECT_EQ(p.neq.DistSolution[i], plain[static_cast<std::size_t>(i - 1)]);
    EXPECT_TRUE(backend().Log().empty());
  }
}

TEST_F(MaximumEntropyTest, NoticeAndIntermediateEvaluations) {
  synthetic::Problem p = synthetic::TwoPeakProblem(40, 53u, 0.01);
  MaxEntRegularization(p.neq, p.Context(0.5f));
  EXPECT_EQ(LogLinesWith("no regularization:  either P < 0.5, P = 1, or to low resolution").size(),
            1u);
  backend().ClearLog();
  RegularizationContext context = p.Context(0.95f);
  context.InNonlinearSearch = true;
  EXPECT_FALSE(MaxEntRegularization(p.neq, context).Regularized);
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
