// Nelder-Mead simplex: the minima of classical test functions (Rosenbrock's
// valley, a quadratic bowl), the evaluation count against the objective's own
// count, the three stops (tolerance, collapse, budget) and the interruption.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ModelsTestSupport.h"
#include "state/ProgramFlags.h"
#include "models/NelderMead.h"
#include "numerics/OneBasedArrays.h"

namespace {

float Rosenbrock(const float* x) {
  const double a = 1.0 - x[1], b = x[2] - double(x[1]) * x[1];
  return static_cast<float>(a * a + 100.0 * b * b);
}

// sum_i i (x_i - i)^2: minimum 0 at x_i = i.
float Bowl(const float* x, int n) {
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += i * (x[i] - i) * double(x[i] - i);
  return static_cast<float>(sum);
}

// A simplex with its first vertex at start and vertex j+1 displaced by step
// along coordinate j, with the objective's values.
struct Simplex {
  int n;
  OneBasedMatrix<float> p;
  OneBasedArray<float> y;
  Simplex(const std::vector<float>& start, float step, const FitObjective& f)
      : n(static_cast<int>(start.size())), p(1, n + 1, 1, n), y(1, n + 1) {
    for (int i = 1; i <= n + 1; ++i)
      for (int j = 1; j <= n; ++j) p[i][j] = start[j - 1] + (i == j + 1 ? step : 0.0f);
    for (int i = 1; i <= n + 1; ++i) y[i] = f(p[i]);
  }
  int Best() const {
    int b = 1;
    for (int i = 2; i <= n + 1; ++i)
      if (y[i] < y[b]) b = i;
    return b;
  }
};

class NelderMeadTest : public ModelsTest {
 protected:
  void TearDown() override {
    RedrawSuppressed = false;
    SerialFitErrorCode = 0;
    ModelsTest::TearDown();
  }
};

TEST_F(NelderMeadTest, FindsTheMinimaOfClassicalFunctions) {
  struct Case {
    const char* name;
    std::vector<float> start;
    std::vector<float> minimum;
  };
  const Case cases[] = {
      {"Rosenbrock", {-1.2f, 1.0f}, {1.0f, 1.0f}},
      {"bowl", {0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 2.0f, 3.0f, 4.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.start.size());
    const FitObjective f = [&](float* x) { return n == 2 ? Rosenbrock(x) : Bowl(x, n); };
    FitControl.OptimizerStep = 0;
    std::vector<float> start = c.start;
    // Restarts from a fresh simplex around the best point, as the fit driver
    // does, until the best point stops moving.
    for (int cycle = 0; cycle < 6; ++cycle) {
      Simplex s(start, 0.5f, f);
      int evaluations = 0;
      NelderMead(s.p.get(), s.y.data(), n, 1e-6f, f, evaluations, nullptr);
      const int b = s.Best();
      for (int j = 1; j <= n; ++j) start[j - 1] = s.p[b][j];
    }
    for (int j = 0; j < n; ++j) EXPECT_NEAR(start[j], c.minimum[j], 2e-3) << "coordinate " << j + 1;
    EXPECT_EQ(FitControl.OptimizerStep, 6);
  }
}

TEST_F(NelderMeadTest, TrialPointsLieOnTheLineThroughTheCentroid) {
  // Worst vertex (0, 1) of the triangle (0, 0), (1, 0), (0, 1); the centroid
  // of the others is (0.5, 0). A trial replaces the vertex only when its
  // value is lower.
  struct Case {
    float factor, x, y;
    float value;
    bool replaces;
  };
  const Case cases[] = {
      {-1.0f, 1.0f, -1.0f, 0.5f, true},  // reflection
      {2.0f, -0.5f, 2.0f, 0.5f, true},   // extension
      {0.5f, 0.25f, 0.5f, 0.5f, true},   // contraction
      {-1.0f, 1.0f, -1.0f, 3.0f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factor);
    OneBasedMatrix<float> p(1, 3, 1, 2);
    OneBasedArray<float> y(1, 3), psum(1, 2);
    const float vertices[4][2] = {{}, {0, 0}, {1, 0}, {0, 1}};
    for (int i = 1; i <= 3; ++i) {
      p[i][1] = vertices[i][0];
      p[i][2] = vertices[i][1];
      y[i] = float(i);
    }
    psum[1] = 1.0f;
    psum[2] = 1.0f;
    std::vector<float> tried;
    const float value = NelderMeadTrial(
        p.get(), y.data(), psum.data(), 2,
        [&](float* x) {
          tried = {x[1], x[2]};
          return c.value;
        },
        3, c.factor);
    EXPECT_EQ(value, c.value);
    EXPECT_FLOAT_EQ(tried[0], c.x);
    EXPECT_FLOAT_EQ(tried[1], c.y);
    EXPECT_FLOAT_EQ(p[3][1], c.replaces ? c.x : 0.0f);
    EXPECT_FLOAT_EQ(p[3][2], c.replaces ? c.y : 1.0f);
    EXPECT_FLOAT_EQ(y[3], c.replaces ? c.value : 3.0f);
    EXPECT_FLOAT_EQ(psum[1], 1.0f + p[3][1]);
    EXPECT_FLOAT_EQ(psum[2], p[3][2]);
  }
}

TEST_F(NelderMeadTest, EvaluationsCountEveryObjectiveCall) {
  // 2 per iteration, 1 when the reflection alone was kept, n more per
  // shrink: equal to the calls made, the caller's n + 1 initial values not
  // included. A function with a ridge makes every kind of step occur.
  for (int n : {1, 2, 5}) {
    SCOPED_TRACE(n);
    int calls = 0;
    const FitObjective f = [&](float* x) {
      ++calls;
      return n == 2 ? Rosenbrock(x) : Bowl(x, n) + std::fabs(x[1] - 1.0f);
    };
    Simplex s(std::vector<float>(n, 0.0f), 1.0f, f);
    calls = 0;
    int evaluations = -1;
    NelderMead(s.p.get(), s.y.data(), n, 1e-5f, f, evaluations, nullptr);
    EXPECT_GT(evaluations, 10);
    EXPECT_EQ(evaluations, calls);
  }
}

TEST_F(NelderMeadTest, AgreeingValuesStopAtOnceWithTheBestVertexInRowOne) {
  int calls = 0;
  const FitObjective f = [&](float*) { return static_cast<float>(++calls); };
  Simplex s({1.0f, 2.0f}, 0.1f, [](float*) { return 5.0f; });
  s.y[2] = 4.9999f;
  int shown = 0;
  float shownValue = 0.0f;
  int evaluations = -1;
  NelderMead(s.p.get(), s.y.data(), 2, 0.0005f, f, evaluations, [&](float* vertex, float value) {
    ++shown;
    shownValue = value;
    EXPECT_FLOAT_EQ(vertex[1], 1.1f);
  });
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(evaluations, 0);
  EXPECT_EQ(shown, 1);
  EXPECT_FLOAT_EQ(s.p[1][1], 1.1f);  // vertex 2 had the lowest value
  EXPECT_FLOAT_EQ(s.y[1], shownValue);
  EXPECT_FALSE(FitControl.SimplexCollapsed);
}

TEST_F(NelderMeadTest, CollapsedSimplexOfANoisyObjectiveStopsWithTheBestVertexInRowOne) {
  // Vertices that agree to 1e-7 but whose values differ by far more than the
  // tolerance allows: a noisy objective stops by the collapse test. The best
  // vertex (the second) still ends in row 1, where the next cycle of a fit
  // spreads its fresh simplex.
  int calls = 0;
  Simplex s({3.0f, 0.0f}, 3e-7f, [](float* x) { return 1.0f + x[2] * 1e6f; });
  s.y[1] = 1.5f;
  s.y[3] = 2.0f;
  const float best = s.p[2][1];
  int evaluations = 0;
  NelderMead(
      s.p.get(), s.y.data(), 2, 0.0005f, [&](float*) { return float(++calls); }, evaluations,
      nullptr);
  EXPECT_TRUE(FitControl.SimplexCollapsed);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(s.y[1], 1.0f);
  EXPECT_EQ(s.p[1][1], best);
}

// A shallow bowl around x = 10: a simplex at 0 of width 0.1 has values that
// agree to 2e-4 at once. The plain run stops there; the run that must first
// contract walks down to the minimum. A flat objective, which never
// contracts, still ends after the walk's budget.
TEST_F(NelderMeadTest, RunUntilContractedWalksAShallowValley) {
  const FitObjective bowl = [](float* x) { return 1.0f + 1e-4f * (x[1] - 10.0f) * (x[1] - 10.0f); };
  for (bool untilContracted : {false, true}) {
    SCOPED_TRACE(untilContracted);
    Simplex s({0.0f}, 0.1f, bowl);
    int evaluations = 0;
    NelderMead(s.p.get(), s.y.data(), 1, 0.0005f, bowl, evaluations, nullptr, untilContracted);
    if (untilContracted)
      EXPECT_NEAR(s.p[1][1], 10.0f, 1.0f);
    else
      EXPECT_EQ(evaluations, 0);
  }
  const FitObjective flat = [](float*) { return 1.0f; };
  Simplex s({1.0f, 1.0f}, 1.0f, flat);
  int evaluations = 0;
  NelderMead(s.p.get(), s.y.data(), 2, 0.0005f, flat, evaluations, nullptr, true);
  EXPECT_GE(evaluations, NelderMeadWalkEvaluations * 2);
  EXPECT_LE(evaluations, NelderMeadWalkEvaluations * 2 + 4);
}

TEST_F(NelderMeadTest, BudgetEndsAFlatObjectiveWithItsMessageOrProblemCode) {
  // A flat objective never meets a tolerance of 0 and never moves its
  // simplex: 2 evaluations per iteration until the budget is used up.
  for (bool serial : {false, true}) {
    SCOPED_TRACE(serial);
    RedrawSuppressed = serial;
    SerialFitErrorCode = 0;
    int calls = 0;
    const FitObjective flat = [&](float*) {
      ++calls;
      return 1.0f;
    };
    Simplex s({1.0f, 1.0f}, 1.0f, [](float*) { return 1.0f; });
    int evaluations = 0;
    NelderMead(s.p.get(), s.y.data(), 2, 0.0f, flat, evaluations, nullptr);
    EXPECT_EQ(evaluations, NelderMeadMaxEvaluations);
    EXPECT_EQ(calls, NelderMeadMaxEvaluations);
    // The box of the interactive run only.
    EXPECT_EQ(LogLinesWith("Nelder-Mead not converged").size(), 1u);
    EXPECT_EQ(SerialFitErrorCode, serial ? 10 : 0);
  }
}

TEST_F(NelderMeadTest, InterruptionEndsTheRunAndLaterEvaluationsReturn1e10) {
  // The objective turns an interrupt into FitAbort as the fit objective does:
  // the evaluation that sees it keeps its value, every later one returns
  // 1e10, and the run ends at the top of its next iteration.
  int calls = 0, afterAbort = 0;
  const FitObjective f = [&](float* x) {
    if (FitControl.FitAbort) {
      ++afterAbort;
      return 1e10f;
    }
    if (++calls == 7) ComputationAbort = true;
    if (ComputationAbort) {
      ComputationAbort = false;
      FitControl.FitAbort = true;
    }
    return Rosenbrock(x);
  };
  Simplex s({-1.2f, 1.0f}, 0.5f, [](float* x) { return Rosenbrock(x); });
  int shown = 0;
  int evaluations = 0;
  NelderMead(s.p.get(), s.y.data(), 2, 1e-6f, f, evaluations, [&](float*, float) { ++shown; });
  EXPECT_EQ(calls, 7);
  EXPECT_LE(afterAbort, 3);  // at most the rest of the step in flight: contraction and shrink
  const int shownBefore = shown;
  NelderMead(s.p.get(), s.y.data(), 2, 1e-6f, f, evaluations, [&](float*, float) { ++shown; });
  EXPECT_EQ(shown, shownBefore);  // set before a call: nothing shown, nothing evaluated
  EXPECT_EQ(evaluations, 0);
}

}  // namespace
