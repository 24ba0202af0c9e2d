#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "state/ProgramPaths.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/SpeedCourseOptimizer.h"
#include "equilibrium/TimeToEqParameters.h"
#include "state/FitControl.h"
#include "support/TestSupport.h"

namespace {

class SpeedCourseOptimizerTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    auto& p = TimeToEqParameters;
    p.FinalRpm = 15000.0f;
    p.OverspeedTime = 30000.0f;
    p.KnotSpacing = 900.0f;
    p.Acceleration = p.Deceleration = 280.0f;
    p.ParameterCount = 5;
    p.ExponentialParameterization = true;
    p.RunSpeedFile = false;
    p.DecayTimeUnit = 5.0f;
  }
};

TEST_F(SpeedCourseOptimizerTest, DefaultKnots) {
  std::vector<float> expected;
  for (float t = 0; t <= 3600; t += 600) expected.push_back(t);
  for (float t = 4500; t <= 10800; t += 900) expected.push_back(t);
  for (float t = 12600; t <= 30600; t += 1800) expected.push_back(t);
  EXPECT_EQ(SpeedCourseKnots(), expected);
}

TEST_F(SpeedCourseOptimizerTest, SpeedsStayInsideTheRotorLimits) {
  auto& p = TimeToEqParameters;
  const float high[6] = {0, 9.0f, 9.0f, 9.0f, 9.0f, 9.0f};
  const float low[6] = {0, 1.0f, -0.99f, -0.99f, -0.99f, -0.99f};
  for (bool exponential : {true, false}) {
    p.ExponentialParameterization = exponential;
    for (float t = 0; t <= p.OverspeedTime; t += 500) {
      EXPECT_FLOAT_EQ(RotorSpeedAt(high, t, false, 1.0f), kHighestCourseRpm) << t;
      const float slow = RotorSpeedAt(low, t, false, 1.0f);
      EXPECT_GE(slow, kLowestCourseRpm);
      EXPECT_LE(slow, p.FinalRpm);
    }
    // After the overspeed period (and before the run) the final speed holds,
    // unclamped.
    EXPECT_FLOAT_EQ(RotorSpeedAt(high, p.OverspeedTime + 1.0f, false, 1.0f), p.FinalRpm);
    EXPECT_FLOAT_EQ(RotorSpeedAt(high, -1.0f, false, 1.0f), p.FinalRpm);
  }
  p.ExponentialParameterization = true;
  // Exponential form at t = 0: final speed times 1 + amplitude.
  const float course[6] = {0, 1.0f, 0.5f, 0.2f, 0.1f, 0.0f};
  EXPECT_FLOAT_EQ(RotorSpeedAt(course, 0.0f, false, 1.0f), 22500.0f);
  EXPECT_FLOAT_EQ(RotorSpeedAt(course, 0.0f, true, 1000.0f), 23000.0f);
}

TEST_F(SpeedCourseOptimizerTest, StepsOfACourse) {
  auto& p = TimeToEqParameters;
  int n = 0;
  OneBasedArray<float> start, rpm, acc;
  // A flat piecewise course is the first knot and the final step.
  p.ExponentialParameterization = false;
  const float ones[6] = {0, 1, 1, 1, 1, 1};
  ASSERT_TRUE(BuildSpeedSteps(ones, n, start, rpm, acc, false, 1.0f));
  ASSERT_EQ(n, 2);
  EXPECT_FLOAT_EQ(start[1], 0.0f);
  EXPECT_FLOAT_EQ(rpm[1], 15000.0f);
  EXPECT_FLOAT_EQ(start[2], 30000.0f);
  EXPECT_FLOAT_EQ(rpm[2], 15000.0f);

  // An overspeed that decays: steps in time order, the last the final speed
  // at the overspeed time, every rise and fall within what the rotor does.
  p.ExponentialParameterization = true;
  const float decay[6] = {0, 1.0f, 1.0f, 0.8f, 0.5f, 0.3f};
  ASSERT_TRUE(BuildSpeedSteps(decay, n, start, rpm, acc, true, 100.0f));
  ASSERT_GE(n, 3);
  EXPECT_FLOAT_EQ(start[n], 30000.0f);
  EXPECT_FLOAT_EQ(rpm[n], 15000.0f);
  EXPECT_FLOAT_EQ(rpm[1], 30000.0f);
  for (int i = 2; i <= n; ++i) {
    EXPECT_GT(start[i], start[i - 1]) << i;
    EXPECT_LE(std::fabs(rpm[i] - rpm[i - 1]) / (start[i] - start[i - 1]), 280.0f + 1e-3f);
    EXPECT_FLOAT_EQ(acc[i], rpm[i] < rpm[i - 1] ? p.Deceleration : p.Acceleration);
  }

  // Parameter counts that would divide by zero are refused.
  for (auto [exponential, count] : {std::pair{true, 1}, std::pair{false, 0}}) {
    p.ExponentialParameterization = exponential;
    p.ParameterCount = count;
    EXPECT_FALSE(BuildSpeedSteps(decay, n, start, rpm, acc, false, 1.0f)) << count;
    EXPECT_FLOAT_EQ(RotorSpeedAt(decay, 100.0f, false, 1.0f), p.FinalRpm);
  }
  p.ParameterCount = 5;
}

TEST_F(SpeedCourseOptimizerTest, ProgressLineNamesTheCourse) {
  FitControl.OptimizerStep = 3;
  SpeedOptimizationState.EvaluationCounter = 7;
  const float course[6] = {0, 1.0f, 0.5f, 0.2f, 0.1f, 0.0f};
  EXPECT_EQ(TimeToEqProgressText(12.5f, course),
            "(3) 07: 12.500 h | om(0)=22500 | decay-time = 5.0 h | 0.500000 | ... | 0.000000");
}

// The overspeed course found for a short column reaches equilibrium no
// later than the constant speed does.
TEST_F(SpeedCourseOptimizerTest, OptimisedCourseIsNoSlowerThanConstantSpeed) {
  ScratchFolder folder;
  ProgramPaths.TempFolder = folder.path().string() + "/";
  auto& p = TimeToEqParameters;
  p.ColumnMeniscus = 7.08f;
  p.ColumnBottom = 7.2f;
  p.LeftFitLimit = 7.1f;
  p.RightFitLimit = 7.17f;
  p.InitialEqRpm = 0.0f;
  p.InitialStep = 0.0f;
  p.HistoryMode = false;
  p.MaxOverconcentration = 1.5f;
  p.OverspeedTime = 7200.0f;
  p.ParameterCount = 2;
  p.RpmStep = 100.0f;
  p.Epsilon = 0.005f;
  p.Vbar1 = 0.73f;
  const float c[2] = {0, 1.0f}, s[2] = {0, 4.31f}, D[2] = {0, 6.0e-7f};

  CApproachToEqSim constant;
  constant.SetSystem(nullptr, 20.0f, p.ColumnBottom, p.ColumnMeniscus, p.RightFitLimit,
                     p.LeftFitLimit, 1, c, s, D, p.Vbar1, p.TemperatureC, p.FinalRpm);
  ASSERT_TRUE(constant.SimulateAll());
  constant.EvaluateApproach(p.Epsilon, p.Epsilon);
  ASSERT_LT(constant.TimeToRmsd, 20.0f * 3600.0f);

  p.HasSpeedCourseParameters = false;
  SetPlanSpecies(constant.TimeToRmsd, 1, c, s, D);
  p.BestObjective = AppEqSimplexSim(p.SpeedCourseParameters.data(), nullptr);
  FitControl.FitAbort = false;
  // The restarts run until two agree or a key is pressed: a key after a
  // budget of progress steps ends them with the best course so far.
  int steps = 0;
  SpeedPlanningLinks.ShowProgressPlot = [&](platform::WindowHandle) {
    if (++steps == 60) backend().QueueKeyPress(nullptr, 'x', 'x');
  };
  ASSERT_TRUE(OptimizeSpeedCourse(nullptr));
  SpeedPlanningLinks.ShowProgressPlot = [](platform::WindowHandle) {};
  EXPECT_GE(steps, 60);
  EXPECT_FALSE(FitControl.FitAbort);
  EXPECT_LE(p.OptimizedTime * 3600.0f, constant.TimeToRmsd);
  ASSERT_TRUE(p.ObjectiveSim);
  EXPECT_LE(p.ObjectiveSim->TimeToRmsd, constant.TimeToRmsd);
  EXPECT_TRUE(std::filesystem::exists(folder.File("AppEqSimplexSim.txt")));
  p.ObjectiveSim.reset();
}

}  // namespace
