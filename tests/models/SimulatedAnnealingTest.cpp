// Simulated annealing: the temperature schedule, refusal of schedules with
// fewer than two temperatures, the acceptance rule at and above zero
// temperature, the best point that need not be a vertex, reproducible runs,
// the minimum of Rosenbrock's valley and the interruption.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ModelsTestSupport.h"
#include "state/ProgramFlags.h"
#include "models/SimulatedAnnealing.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/RandomNumbers.h"

namespace {

float Rosenbrock(const float* x) {
  const double a = 1.0 - x[1], b = x[2] - double(x[1]) * x[1];
  return static_cast<float>(a * a + 100.0 * b * b);
}

// A fresh simplex spread around its first vertex by seeded normal deviates
// of 10 % of each coordinate, so that runs repeat exactly.
std::function<void(int, float**)> SeededSpread(std::uint32_t seed) {
  return [seed](int n, float** p) {
    PolarGaussian<float> gauss(seed);
    for (int j = 2; j <= n + 1; ++j)
      for (int i = 1; i <= n; ++i) p[j][i] = p[1][i] + gauss.Draw(0.1f * p[1][i]);
  };
}

struct RecordingModel {
  std::vector<float> applied;  // the last point applied
  std::vector<std::vector<float>> evaluated;
  AnnealProblem Problem(int n, const std::function<float(const float*)>& f) {
    AnnealProblem problem;
    problem.objective = [this, n, f](float* x) {
      evaluated.emplace_back(x + 1, x + 1 + n);
      return FitControl.FitAbort ? 1e10f : f(x);
    };
    problem.showBest = [this, n](float* v, float) { applied.assign(v + 1, v + 1 + n); };
    problem.initialSimplex = SeededSpread(7);
    problem.applyPoint = [this, n](float* v) { applied.assign(v + 1, v + 1 + n); };
    problem.readPoint = [this, n](float* v) {
      for (int j = 1; j <= n; ++j) v[j] = applied[j - 1];
    };
    return problem;
  }
};

class SimulatedAnnealingTest : public ModelsTest {
 protected:
  void TearDown() override {
    RedrawSuppressed = false;
    ModelsTest::TearDown();
  }
};

TEST_F(SimulatedAnnealingTest, ScheduleFallsQuadraticallyToZero) {
  struct Case {
    int steps;
    float start;
    std::vector<float> temperatures;
  };
  const Case cases[] = {
      {10, 2.0f, {2.0f, 1.580f, 1.210f, 0.889f, 0.617f, 0.395f, 0.222f, 0.0988f, 0.0247f, 0.0f}},
      {2, 2.0f, {2.0f, 0.0f}},
      {3, 1.0f, {1.0f, 0.25f, 0.0f}},
  };
  for (const Case& c : cases)
    for (int i = 0; i < c.steps; ++i)
      EXPECT_NEAR(AnnealScheduleTemperature(i, c.steps, c.start), c.temperatures[i], 5e-4)
          << c.steps << " steps, step " << i;
}

TEST_F(SimulatedAnnealingTest, RunsEveryTemperatureOfTheSchedule) {
  // A flat objective never meets a tolerance of 0, so every step uses its
  // budget; each temperature of the schedule is seen in turn.
  FitControl.AnnealSteps = 4;
  FitControl.AnnealIterations = 6;
  OneBasedMatrix<float> p(1, 3, 1, 2);
  OneBasedArray<float> y(1, 3), pbest(1, 2);
  for (int i = 1; i <= 3; ++i) {
    p[i][1] = float(i);
    p[i][2] = float(i * i);
    y[i] = 1.0f;
  }
  float ybest = 1.0f;
  std::vector<float> seen;
  const ShowBestVertex show = [&](float*, float) {
    if (seen.empty() || seen.back() != FitControl.AnnealTemperature)
      seen.push_back(FitControl.AnnealTemperature);
  };
  ASSERT_TRUE(RunAnnealSchedule(
      p.get(), y.data(), 2, pbest.data(), ybest, 0.0f, [](float*) { return 1.0f; }, show));
  const std::vector<float> expected{2.0f, 2.0f * 4 / 9, 2.0f / 9, 0.0f};
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_FLOAT_EQ(seen[i], expected[i]);
  EXPECT_EQ(FitControl.OptimizerStep, 4);
}

TEST_F(SimulatedAnnealingTest, FewerThanTwoStepsAreRefusedWithoutEvaluating) {
  for (int steps : {1, 0, -3}) {
    for (bool serial : {false, true}) {
      SCOPED_TRACE(steps);
      FitControl.AnnealSteps = steps;
      RedrawSuppressed = serial;
      const auto boxesBefore = LogLinesWith("at least 2 temperature steps").size();
      RecordingModel model;
      OneBasedArray<float> point(1, 2);
      point[1] = 1.0f;
      point[2] = 2.0f;
      EXPECT_FALSE(AnnealMinimize(model.Problem(2, Rosenbrock), point.data(), 2, 0.0005f));
      EXPECT_TRUE(model.evaluated.empty());
      EXPECT_FALSE(std::isnan(FitControl.AnnealTemperature));
      EXPECT_EQ(LogLinesWith("at least 2 temperature steps").size(),
                boxesBefore + (serial ? 0 : 1));
    }
  }
}

TEST_F(SimulatedAnnealingTest, UphillTrialsAreAcceptedOnlyAboveZeroTemperature) {
  // Vertex 2 (value 1) is the worst; every trial costs 3. At tt = 0 the
  // trial can never replace it; at a high temperature it often does.
  for (float tt : {0.0f, -5.0f}) {
    SCOPED_TRACE(tt);
    FitControl.AnnealSeed = -3;
    int accepted = 0;
    for (int k = 0; k < 50; ++k) {
      OneBasedMatrix<float> p(1, 2, 1, 1);
      OneBasedArray<float> y(1, 2), psum(1, 1), pbest(1, 1);
      p[1][1] = 0.0f;
      p[2][1] = 1.0f;
      y[1] = 0.5f;
      y[2] = 1.0f;
      psum[1] = 1.0f;
      float ybest = 0.5f, yhi = 1.0f;
      AnnealSimplexTrial(
          tt, p.get(), y.data(), psum.data(), 1, pbest.data(), ybest, [](float*) { return 3.0f; },
          2, yhi, -1.0f);
      if (y[2] == 3.0f) {
        ++accepted;
        EXPECT_FLOAT_EQ(p[2][1], -1.0f);  // reflected through vertex 1
        EXPECT_FLOAT_EQ(psum[1], -1.0f);
      }
      EXPECT_FLOAT_EQ(ybest, 0.5f);
    }
    if (tt == 0.0f)
      EXPECT_EQ(accepted, 0);
    else
      EXPECT_GT(accepted, 10);
  }
}

TEST_F(SimulatedAnnealingTest, BestPointNeedNotBeAVertex) {
  // A fluctuated worst value far below anything the trial can reach: the
  // trial never enters the simplex, but its lower value becomes the best.
  OneBasedMatrix<float> p(1, 2, 1, 1);
  OneBasedArray<float> y(1, 2), psum(1, 1), pbest(1, 1);
  p[1][1] = 0.0f;
  p[2][1] = 1.0f;
  y[1] = 0.5f;
  y[2] = 1.0f;
  psum[1] = 1.0f;
  float ybest = 0.5f, yhi = -1e30f;
  AnnealSimplexTrial(
      -0.1f, p.get(), y.data(), psum.data(), 1, pbest.data(), ybest, [](float*) { return 0.25f; },
      2, yhi, -1.0f);
  EXPECT_FLOAT_EQ(ybest, 0.25f);
  EXPECT_FLOAT_EQ(pbest[1], -1.0f);
  EXPECT_FLOAT_EQ(p[2][1], 1.0f);
  EXPECT_FLOAT_EQ(y[2], 1.0f);
}

TEST_F(SimulatedAnnealingTest, FindsRosenbrocksMinimumAndRepeatsExactly) {
  FitControl.AnnealIterations = 300;
  std::vector<std::vector<float>> results;
  std::vector<std::size_t> evaluations;
  for (int run = 0; run < 2; ++run) {
    RecordingModel model;
    OneBasedArray<float> point(1, 2);
    point[1] = -1.2f;
    point[2] = 1.0f;
    ASSERT_TRUE(AnnealMinimize(model.Problem(2, Rosenbrock), point.data(), 2, 0.0005f));
    results.push_back({point[1], point[2]});
    evaluations.push_back(model.evaluated.size());
    // The final evaluation and the model belong to the best point returned.
    EXPECT_EQ(model.evaluated.back(), results.back());
    EXPECT_EQ(model.applied, results.back());
    EXPECT_FALSE(FitControl.FitRunning);
  }
  EXPECT_NEAR(results[0][0], 1.0f, 0.02f);
  EXPECT_NEAR(results[0][1], 1.0f, 0.04f);
  EXPECT_EQ(results[0], results[1]);  // seed -3 at every fit
  EXPECT_EQ(evaluations[0], evaluations[1]);
}

TEST_F(SimulatedAnnealingTest, InterruptionEndsTheScheduleAndEvaluatesTheBestPoint) {
  RecordingModel model;
  int calls = 0;
  AnnealProblem problem = model.Problem(2, [&](const float* x) {
    if (++calls == 40) FitControl.FitAbort = true;
    return Rosenbrock(x);
  });
  OneBasedArray<float> point(1, 2);
  point[1] = -1.2f;
  point[2] = 1.0f;
  ASSERT_TRUE(AnnealMinimize(problem, point.data(), 2, 0.0005f));
  EXPECT_FALSE(FitControl.FitAbort);  // cleared, so a final optimiser may still run
  EXPECT_LT(model.evaluated.size(), 45u);
  EXPECT_EQ(calls, 41);  // 40 before the interrupt, then only the final evaluation
  EXPECT_EQ(model.evaluated.back(), std::vector<float>({point[1], point[2]}));
  EXPECT_LT(Rosenbrock(point.data()), Rosenbrock(std::vector<float>{0.0f, -1.2f, 1.0f}.data()));
}

}  // namespace
