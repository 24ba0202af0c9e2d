// Tikhonov regularisation at a confidence level, on a synthetic problem
// whose residuals are computed directly from kernel and data: the final
// chi-square ratio meets the F statistics target, and the cases that leave
// the unregularised solution, the targets and the alpha scale.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/ProgramFlags.h"
#include "distributions/DistributionNNLS.h"
#include "distributions/ScaleRegularization.h"
#include "distributions/SyntheticProblem.h"
#include "numerics/Statistics.h"
#include "support/TestSupport.h"

namespace {

const char* const kNoRegularization =
    "no regularization:  either P < 0.5, P = 1, or to low resolution";
const char* const kRatioNotice = "P > 1 => interpreting P value as chi-square ratio";

class ScaleRegularizationTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    RedrawSuppressed = false;
    SerialFitErrorCode = 0;
  }
  void TearDown() override {
    RedrawSuppressed = false;
    SerialFitErrorCode = 0;
    HeadlessTest::TearDown();
  }
};

// The target ratio of the context, computed here from the F statistics.
double ExpectedRatio(const synthetic::Problem& p, float pvalue) {
  const double dof = p.points * p.scans - p.n;
  return FCriticalRatio(pvalue, dof, dof);
}

std::vector<double> AlphaZeroSolution(synthetic::Problem& p) {
  AddSecondDerivativeMatrix(p.neq, p.Context(0.5f).Penalty, 0.0);
  EXPECT_EQ(NNLS(p.neq, p.n), NnlsResult::Solved);
  return {p.neq.DistSolution.data() + 1, p.neq.DistSolution.data() + 1 + p.n};
}

// A regularisation at P = 0.68 that reached its chi-square target and moved
// the solution away from other (by more than 1e-3 summed over the grid).
void ExpectTargetMetAwayFrom(const synthetic::Problem& p, const RegularizationOutcome& out,
                             const std::vector<double>& other) {
  ASSERT_TRUE(out.RootFound);
  const double ratio = ExpectedRatio(p, 0.68f);
  EXPECT_NEAR(out.ResultChiSquare / out.ChiSquareMin, ratio, (ratio - 1.0) * 0.001);
  double change = 0.0;
  for (int i = 1; i <= p.n; ++i)
    change += std::fabs(p.neq.DistSolution[i] - other[static_cast<std::size_t>(i - 1)]);
  EXPECT_GT(change, 1e-3);
}

struct TargetCase {
  const char* name;
  float p;
  PenaltyKind kind;
  int unseen;  // leading kernel columns without signal
};

TEST_F(ScaleRegularizationTest, FinalChiSquareRatioMeetsFStatisticsTarget) {
  const TargetCase cases[] = {
      {"second derivative, P = 0.68", 0.68f, PenaltyKind::SecondDerivative, 0},
      {"second derivative, P = 0.95", 0.95f, PenaltyKind::SecondDerivative, 0},
      {"weighted third derivative, P = 0.68", 0.68f, PenaltyKind::ThirdDerivative, 0},
      {"zero kernel columns, P = 0.68", 0.68f, PenaltyKind::SecondDerivative, 4},
  };
  for (const TargetCase& c : cases) {
    SCOPED_TRACE(c.name);
    synthetic::Problem p = synthetic::TwoPeakProblem(40, 17u, 0.01, c.unseen);
    RegularizationContext context = p.Context(c.p);
    context.Penalty.Kind = c.kind;
    std::vector<std::string> progress;
    context.Progress = [&](const std::string& text) { progress.push_back(text); };

    const RegularizationOutcome out = ScaleRegularization(p.neq, context);
    ASSERT_TRUE(out.RootFound);
    const double ratio = ExpectedRatio(p, c.p);
    const double chiMin = out.ChiSquareMin;
    const double chi = p.ResidualSquareSum(p.neq.DistSolution.data());
    EXPECT_NEAR(out.TargetChiSquareRatio, ratio, 1e-6);
    EXPECT_NEAR(chi / chiMin, ratio, (ratio - 1.0) * 0.001);
    EXPECT_NEAR(out.ResultChiSquare, chi, 1e-9 * chi);
    EXPECT_GT(out.AlphaScale, 0.0);
    EXPECT_GT(out.RegularizationAlpha, 0.0);

    for (int i = 1; i <= p.n; ++i) {
      EXPECT_GE(p.neq.DistSolution[i], 0.0);
      EXPECT_TRUE(std::isfinite(p.neq.DistSolution[i]));
    }
    EXPECT_NEAR(p.PeakPosition(p.neq.DistSolution.data(), 2.0, 5.0), 3.5, 0.5);
    EXPECT_NEAR(p.PeakPosition(p.neq.DistSolution.data(), 5.5, 9.0), 7.0, 0.5);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().rfind("Scaling regularization alpha=", 0), 0u);
    EXPECT_TRUE(backend().Log().empty());
  }
}

// The weighted third derivative searches a second time with the penalty
// lowered on the peaks of the first solution: the result differs from an
// unweighted search (all weights 1), and still meets the target.
TEST_F(ScaleRegularizationTest, WeightedThirdDerivativeRunsASecondWeightedSearch) {
  synthetic::Problem p = synthetic::TwoPeakProblem(40, 19u, 0.01);
  RegularizationContext context = p.Context(0.68f);
  context.Penalty.Kind = PenaltyKind::ThirdDerivative;
  OneBasedArray<double> ones(1, p.n);
  for (int i = 1; i <= p.n; ++i) ones[i] = 1.0;
  context.Penalty.TP3Weights = ones.data();
  ASSERT_TRUE(ScaleRegularization(p.neq, context).RootFound);
  const std::vector<double> unweighted(p.neq.DistSolution.data() + 1,
                                       p.neq.DistSolution.data() + 1 + p.n);

  context.Penalty.TP3Weights = nullptr;
  ExpectTargetMetAwayFrom(p, ScaleRegularization(p.neq, context), unweighted);
}

// The combined setting regularises its first pass: the penalty applies on a
// one-dimensional model, and the result is not the plain NNLS solution.
TEST_F(ScaleRegularizationTest, CombinedSettingAppliesThePenaltyOnOneDimensionalModels) {
  synthetic::Problem p = synthetic::TwoPeakProblem(40, 23u, 0.01);
  const std::vector<double> plain = AlphaZeroSolution(p);
  RegularizationTypeRecord type;
  type.MaxEntRegularizationOn = true;
  type.BothRegularizations = true;
  RegularizationContext context = p.Context(0.68f);
  context.Penalty.Kind = OneDimensionalPenalty(type);

  ExpectTargetMetAwayFrom(p, ScaleRegularization(p.neq, context), plain);
}

struct PlainCase {
  const char* name;
  float p;
  int n;
  bool nonlinearSearch, finalEvaluation, monteCarlo, info, suppressed;
  bool notice;
};

// Every path that keeps the alpha-0 solution, and when the notice shows.
TEST_F(ScaleRegularizationTest, KeepsTheUnregularisedSolutionWhereNoScalingApplies) {
  const PlainCase cases[] = {
      {"P = 0.5", 0.5f, 40, false, false, false, true, false, true},
      {"P below 0.5", 0.3f, 40, false, false, false, true, false, true},
      {"P = 1", 1.0f, 40, false, false, false, true, false, true},
      {"three grid points", 0.95f, 3, false, false, false, true, false, true},
      {"no wizard messages", 0.3f, 40, false, false, false, false, false, false},
      {"serial fit", 0.3f, 40, false, false, false, true, true, false},
      {"Monte Carlo", 0.3f, 40, false, false, true, true, false, false},
      {"intermediate fit evaluation", 0.95f, 40, true, false, false, true, false, false},
  };
  for (const PlainCase& c : cases) {
    SCOPED_TRACE(c.name);
    backend().ClearLog();
    RedrawSuppressed = c.suppressed;
    synthetic::Problem p = synthetic::TwoPeakProblem(c.n, 29u, 0.01);
    const std::vector<double> plain = AlphaZeroSolution(p);
    RegularizationContext context = p.Context(c.p);
    context.InNonlinearSearch = c.nonlinearSearch;
    context.FinalEvaluation = c.finalEvaluation;
    context.MonteCarloRunning = c.monteCarlo;
    context.InfoAndWizardMessages = c.info;

    const RegularizationOutcome out = ScaleRegularization(p.neq, context);
    EXPECT_FALSE(out.Regularized);
    for (int i = 1; i <= p.n; ++i)
      EXPECT_EQ(p.neq.DistSolution[i], plain[static_cast<std::size_t>(i - 1)]);
    EXPECT_EQ(out.ResultChiSquare, out.ChiSquareMin);
    EXPECT_EQ(LogLinesWith(kNoRegularization).size(), c.notice ? 1u : 0u);
  }
  RedrawSuppressed = false;
}

TEST_F(ScaleRegularizationTest, FinalEvaluationOfAFitIsRegularised) {
  synthetic::Problem p = synthetic::TwoPeakProblem(40, 31u, 0.01);
  RegularizationContext context = p.Context(0.68f);
  context.InNonlinearSearch = true;
  context.FinalEvaluation = true;
  EXPECT_TRUE(ScaleRegularization(p.neq, context).RootFound);
}

TEST_F(ScaleRegularizationTest, PAboveOneIsTheRatioItself) {
  synthetic::Problem p = synthetic::TwoPeakProblem(40, 37u, 0.01);
  const RegularizationOutcome out = ScaleRegularization(p.neq, p.Context(1.5f));
  EXPECT_EQ(out.TargetChiSquareRatio, 1.5f);
  EXPECT_EQ(LogLinesWith(kRatioNotice).size(), 1u);
  ASSERT_TRUE(out.RootFound);
  EXPECT_NEAR(out.ResultChiSquare / out.ChiSquareMin, 1.5, 0.5 * 0.001);
}

TEST(RegularizationTargetsTest, DegreesOfFreedomAndFRatio) {
  struct Case {
    const char* name;
    int points, scans, n;
    bool dls;
    int steps;
    double dof;
  } cases[] = {
      {"velocity data", 300, 20, 100, false, 0, 5900.0},
      {"DLS data keep the grid points", 300, 20, 100, true, 0, 6000.0},
      {"DLS time course counts steps", 300, 20, 100, true, 7, 2100.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegularizationContext context;
    context.FitPointCount = c.points;
    context.ScanCount = c.scans;
    context.UnknownCount = c.n;
    context.DlsData = c.dls;
    context.TimeCourseSteps = c.steps;
    EXPECT_EQ(RegularizationDegreesOfFreedom(context), c.dof);
  }
  RegularizationContext context;
  context.Pvalue = 0.95f;
  const float ratio = TargetRatioForContext(context, 5900.0);
  // The upper tail beyond the target holds 1 − P of the F distribution.
  EXPECT_NEAR(FProbability(ratio, 5900.0, 5900.0), 0.05, 1e-4);
  EXPECT_GT(ratio, 1.04f);
  EXPECT_LT(ratio, 1.05f);
}

// A small diagonal system: the alpha scale is trace(A0)/(6N − 12), and a
// trial beyond the cap of ln alpha is solved at exactly AlphaScale·e^100.
TEST_F(ScaleRegularizationTest, AlphaScaleAndCappedTrial) {
  const int n = 10;
  NormalEquationArrays neq;
  neq.Allocate(n, 1, 1);
  for (int i = 1; i <= n; ++i) {
    neq.NormalMatrix[i][i] = 0.5 * i;
    neq.NormalVector[i] = 1.0;
  }
  neq.DataSquareSum = 100.0;
  RegularizationContext context;
  context.UnknownCount = n;
  context.Penalty.PointCount = n;
  context.Pvalue = 0.95f;
  context.FitPointCount = 50;
  context.ScanCount = 2;
  const RegularizationOutcome out = ScaleRegularization(neq, context);
  EXPECT_DOUBLE_EQ(out.AlphaScale, 27.5 / 48.0);

  RegularizationOutcome trial = out;
  RegularizeAtAlpha(neq, context, trial, 150.0f);
  EXPECT_EQ(trial.RegularizationAlpha, out.AlphaScale * std::exp(100.0));
}

// Kernel columns without signal throughout: zero trace, nothing to scale,
// zero amplitudes, no failure.
TEST_F(ScaleRegularizationTest, AllZeroNormalMatrixGivesZeroScaleAndZeroAmplitudes) {
  NormalEquationArrays neq;
  neq.Allocate(12, 1, 1);
  neq.DataSquareSum = 3.0;
  RegularizationContext context;
  context.UnknownCount = 12;
  context.Penalty.PointCount = 12;
  context.FitPointCount = 100;
  context.ScanCount = 1;
  const RegularizationOutcome out = ScaleRegularization(neq, context);
  EXPECT_EQ(out.AlphaScale, 0.0);
  EXPECT_FALSE(out.SolveFailed);
  EXPECT_EQ(out.ResultChiSquare, 3.0);
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(neq.DistSolution[i], 0.0);
  EXPECT_TRUE(backend().Log().empty());
}

// A failed solve at a trial alpha reads as far above the target and zeroes
// the amplitudes; at alpha 0 it zeroes them and ends the regularisation.
TEST_F(ScaleRegularizationTest, FailedSolvesZeroTheAmplitudes) {
  RedrawSuppressed = true;
  NormalEquationArrays neq;
  neq.Allocate(4, 1, 1);
  const double a[4][4] = {{1, 0, -1, 0}, {0, 1, -1, 0}, {-1, -1, 1, 0}, {0, 0, 0, 1}};
  for (int i = 1; i <= 4; ++i) {
    neq.NormalVector[i] = i == 3 ? 0.0 : 1.0;
    for (int j = 1; j <= 4; ++j) neq.NormalMatrix[i][j] = a[i - 1][j - 1];
  }
  RegularizationContext context;
  context.UnknownCount = 4;
  context.Penalty.PointCount = 4;
  context.Penalty.Kind = PenaltyKind::None;
  context.FitPointCount = 100;
  context.ScanCount = 1;

  RegularizationOutcome trial;
  trial.AlphaScale = 1.0;
  trial.ChiSquareMin = 1.0;
  trial.TargetChiSquareRatio = 1.1f;
  for (int i = 1; i <= 4; ++i) neq.DistSolution[i] = 5.0;
  EXPECT_EQ(RegularizeAtAlpha(neq, context, trial, 0.0f), 1e10f);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(neq.DistSolution[i], 0.0);

  const RegularizationOutcome out = ScaleRegularization(neq, context);
  EXPECT_TRUE(out.SolveFailed);
  EXPECT_FALSE(out.Regularized);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(neq.DistSolution[i], 0.0);
  EXPECT_EQ(SerialFitErrorCode, 2);
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
