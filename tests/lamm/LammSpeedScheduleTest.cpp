// The rotor speed inside the solver: the initial ramp, speed programs, the
// effective speed of a time step and the clipping of steps to speed events.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "data/CRotorSpeedProfile.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "support/TestSupport.h"

namespace {

constexpr double kRpmToOmega = 2 * std::numbers::pi / 60;

class LammSpeedScheduleTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    data.MakeScans(4, 40000, 300, 300);
    data.Configure(l, 4.5, 6e-7);
  }
  // 0 s -> 40000 rpm at 200 rpm/s, then at 3600 s -> target at 300 rpm/s.
  void LoadTwoSteps(float secondRpm, std::int32_t mode = 0) {
    const float starts[] = {0, 0, 3600}, rpms[] = {0, 40000, secondRpm},
                accelerations[] = {0, 200, 300};
    l.LoadSpeedSchedule(2, starts, rpms, accelerations, mode);
  }
  LammSetupFixture data;
  CLammIdeal l;
};

TEST_F(LammSpeedScheduleTest, RampEndsAndSpeedsOfATwoStepProgram) {
  LoadTwoSteps(60000);
  EXPECT_EQ(l.SpeedScheduleOn, 1);
  EXPECT_EQ(l.CheckAcceleration, 0);
  EXPECT_EQ(l.FinalRpm, 60000);
  EXPECT_DOUBLE_EQ(l.ScheduleRampEnd[1], 200.0);
  EXPECT_NEAR(l.ScheduleRampEnd[2], 3600 + 20000.0 / 300, 1e-9);
  struct Point {
    double t, rpm;
  };
  const Point points[] = {{0, 0},        {100, 20000},  {200, 40000},  {1000, 40000},
                          {3600, 40000}, {3630, 49000}, {3700, 60000}, {1e5, 60000}};
  for (const Point& p : points) EXPECT_NEAR(l.ScheduleRpmAt(p.t), p.rpm, 1e-6) << "t " << p.t;
}

TEST_F(LammSpeedScheduleTest, LoweringStepsRampDownAndARampRunningIntoTheNextStepIsCut) {
  LoadTwoSteps(20000);
  EXPECT_NEAR(l.ScheduleRpmAt(3630), 31000, 1e-6);
  EXPECT_NEAR(l.ScheduleRampEnd[2], 3600 + 20000.0 / 300, 1e-9);

  // The first ramp would need 200 s; the second step starts at 150 s.
  const float starts[] = {0, 0, 150}, rpms[] = {0, 40000, 50000}, accelerations[] = {0, 200, 200};
  l.LoadSpeedSchedule(2, starts, rpms, accelerations, 0);
  EXPECT_DOUBLE_EQ(l.ScheduleRampEnd[1], 149.0);
  EXPECT_NEAR(l.ScheduleRpmAt(149), 29800, 1e-6);

  // A step that keeps the speed (and gives no acceleration) has no ramp.
  const float holdStarts[] = {0, 0, 3600}, holdRpms[] = {0, 40000, 40000},
              holdAccelerations[] = {0, 200, 0};
  l.LoadSpeedSchedule(2, holdStarts, holdRpms, holdAccelerations, 0);
  EXPECT_EQ(l.ScheduleRampEnd[2], 3600.0);
  EXPECT_EQ(l.ScheduleRpmAt(3700), 40000.0);
}

TEST_F(LammSpeedScheduleTest, ScansAreCheckedAgainstTheProgramOrTakeItsSpeeds) {
  data.Headers[2].Rpm = 40100;  // within 100 rpm: accepted
  data.Headers[3].Rpm = 40200;
  LoadTwoSteps(60000, 1);
  const auto boxes = LogLinesWith("incompatible with schedule");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("rotor speed scan #3 is 40200.000000, incompatible with schedule at "
                          "time 900.000000 predicting 40000"),
            std::string::npos);
  EXPECT_EQ(data.Headers[3].Rpm, 40200.0f);  // only reported

  LoadTwoSteps(60000, 2);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(data.Headers[k].Rpm, 40000.0f);

  CLammIdeal unbound;
  const float starts[] = {0, 0}, rpms[] = {0, 40000}, accelerations[] = {0, 200};
  unbound.LoadSpeedSchedule(1, starts, rpms, accelerations, 1);
  EXPECT_EQ(LogLinesWith("can't check rotor speeds - data not loaded").size(), 1u);
  EXPECT_EQ(unbound.SpeedScheduleOn, 1);
}

TEST_F(LammSpeedScheduleTest, AProfileHandsItsStepsAndModeToTheSchedule) {
  CRotorSpeedProfile profile;
  const float starts[] = {0, 0, 3600}, rpms[] = {0, 40000, 60000}, accelerations[] = {0, 200, 300};
  profile.SetSteps(2, starts, rpms, accelerations);
  data.Headers[2].Rpm = 12345;
  l.SetRotorSpeedProfile(&profile, 10.0);
  EXPECT_EQ(l.ScheduleStepCount, 2);
  EXPECT_EQ(l.ScheduleRpm[2], 60000);
  EXPECT_EQ(data.Headers[2].Rpm, 40000.0f);  // a profile's own mode replaces scan speeds
}

TEST_F(LammSpeedScheduleTest, InitialRampFromTheFirstScansRecord) {
  data.MakeScans(4, 50000, 300, 300, 300, 150);
  data.Configure(l, 4.5, 6e-7);
  l.InitRotorSpeed();
  EXPECT_EQ(l.Accelerating, 1);
  EXPECT_EQ(l.AccelerationMaxStep, 10.0);
  EXPECT_EQ(l.AccelerationEnd, 150.0);
  EXPECT_EQ(l.Acceleration, 300.0);
  EXPECT_EQ(l.FinalRpm, 50000.0);
  const double omega = 50000 * kRpmToOmega;
  EXPECT_NEAR(l.OmegaSquaredS, omega * omega * 4.5e-13, 1e-18);
  EXPECT_EQ(l.SpeedPlateauCount, 0);

  EXPECT_NEAR(l.RpmOverStep(0, 10), std::sqrt(3000.0 * 3000.0 / 2), 1e-9);  // 2121 rpm
  EXPECT_NEAR(l.RpmOverStep(100, 10), std::sqrt((30000.0 * 30000 + 33000.0 * 33000) / 2), 1e-6);
  EXPECT_EQ(l.RpmOverStep(160, 10), 50000.0);  // past the ramp
  EXPECT_EQ(l.Accelerating, 0);
  EXPECT_EQ(l.SpeedPlateauCount, 1);
  EXPECT_EQ(l.SpeedPlateauRpm, 50000.0);

  // A recorded ramp of 5 s is no ramp: full speed from the start.
  data.MakeScans(4, 50000, 300, 300, 300, 5);
  data.Configure(l, 4.5, 6e-7);
  l.InitRotorSpeed();
  EXPECT_EQ(l.AccelerationEnd, 0.0);
  EXPECT_EQ(l.Accelerating, 0);
  EXPECT_EQ(l.CurrentRpm, 50000.0);
  EXPECT_EQ(l.SpeedPlateauCount, 1);

  // Without a simulated ramp the matrices see the final speed from the start.
  data.MakeScans(4, 50000, 300, 300, 300, 150);
  data.Configure(l, 4.5, 6e-7);
  l.SimulateAcceleration = 0;
  l.CurrentRpm = 0;
  l.InitRotorSpeed();
  EXPECT_EQ(l.Accelerating, 0);
  EXPECT_EQ(l.CurrentRpm, 50000.0);
}

TEST_F(LammSpeedScheduleTest, RampStepsConvergeToTheIntegralOfOmegaSquared) {
  // A linear ramp from rest, omega = a t: the integral of omega^2 up to T is
  // a^2 T^3 / 3. The rms speed of each step's ends gives that to second order
  // in the step length.
  data.MakeScans(4, 60000, 300, 300, 400, 150);
  data.Configure(l, 4.5, 6e-7);
  l.InitRotorSpeed();
  const double a = 400 * kRpmToOmega, T = 150;
  const double exact = a * a * T * T * T / 3;
  double previousError = 0;
  for (const int n : {15, 30, 60, 120}) {
    const double dt = T / n;
    double integral = 0;
    for (int k = 0; k < n; ++k) {
      const double omega = l.RpmOverStep(k * dt, dt) * kRpmToOmega;
      integral += omega * omega * dt;
    }
    const double error = (integral - exact) / exact;
    EXPECT_GE(error, 0.0);
    EXPECT_LE(error, 1.0 / (2.0 * n * n) + 1e-12) << n;
    if (previousError > 0) {
      EXPECT_NEAR(previousError / error, 4.0, 1e-6) << n;
    }
    previousError = error;
  }
}

TEST_F(LammSpeedScheduleTest, StepsThroughAProgramAccumulateItsOmegaSquaredT) {
  // Up to 40000 rpm, up to 60000 at 3600 s, down to 30000 at 7200 s; the
  // steps follow the solver's clipping and speed updates.
  CRotorSpeedProfile profile;
  const float starts[] = {0, 0, 3600, 7200}, rpms[] = {0, 40000, 60000, 30000},
              accelerations[] = {0, 200, 300, 400};
  profile.SetSteps(3, starts, rpms, accelerations);
  l.SetRotorSpeedProfile(&profile, 10.0);
  l.InitRotorSpeed();
  const double end = 9000;
  double t = 0, w2t = 0;
  int plateauChanges = 0, lastPlateaus = l.SpeedPlateauCount;
  while (t < end) {
    l.CurrentTime = t;
    l.TimeStep = 60;
    std::uint8_t clipped = 0;
    const double dt = std::min(l.ClipTimeStep(1, &clipped), end - t);
    ASSERT_GT(dt, 0.0);
    const double omega = l.RpmOverStep(t, dt) * kRpmToOmega;
    w2t += omega * omega * dt;
    t += dt;
    l.UpdateSpeedStep(t);
    if (l.SpeedPlateauCount != lastPlateaus) ++plateauChanges;
    lastPlateaus = l.SpeedPlateauCount;
  }
  EXPECT_NEAR(w2t, profile.Omega2tAt(end), 1e-4 * profile.Omega2tAt(end));
  EXPECT_EQ(plateauChanges, 3);  // one per target reached
  EXPECT_EQ(l.SpeedPlateauRpm, 30000.0);
  EXPECT_EQ(l.ScheduleDone, 1);
}

TEST_F(LammSpeedScheduleTest, ScheduleStateFollowsTheTime) {
  LoadTwoSteps(60000);
  l.InitRotorSpeed();
  EXPECT_DOUBLE_EQ(l.AccelerationEnd, 200.0);
  EXPECT_DOUBLE_EQ(l.Acceleration, 200.0);
  EXPECT_NEAR(l.CurrentRpm, 2000 / std::sqrt(2.0), 1e-9);  // rms of the first 10 s
  struct State {
    double t;
    int step, accelerating, atSpeed, done, plateaus;
  };
  const State states[] = {{100, 1, 1, 0, 0, 0},  {200, 1, 0, 1, 0, 1},  {3000, 1, 0, 1, 0, 1},
                          {3600, 2, 1, 0, 0, 1}, {3700, 2, 0, 1, 1, 2}, {9000, 2, 0, 1, 1, 2}};
  for (const State& s : states) {
    l.UpdateSpeedStep(s.t);
    SCOPED_TRACE(testing::Message() << "t " << s.t);
    EXPECT_EQ(l.ScheduleStep, s.step);
    EXPECT_EQ(l.Accelerating, s.accelerating);
    EXPECT_EQ(l.ScheduleAtSpeed, s.atSpeed);
    EXPECT_EQ(l.ScheduleDone, s.done);
    EXPECT_EQ(l.SpeedPlateauCount, s.plateaus);
  }
  EXPECT_EQ(l.SpeedPlateauRpm, 60000.0);
  // A new run starts the schedule and the plateau count afresh.
  l.InitRotorSpeed();
  EXPECT_EQ(l.ScheduleDone, 0);
  EXPECT_EQ(l.SpeedPlateauCount, 0);
}

TEST_F(LammSpeedScheduleTest, SettledOnceNoSlowerStepLiesAhead) {
  LoadTwoSteps(60000);
  EXPECT_TRUE(l.ScheduleSettled(100));
  LoadTwoSteps(20000);
  EXPECT_FALSE(l.ScheduleSettled(100));
  EXPECT_TRUE(l.ScheduleSettled(3600));
  CLammIdeal unscheduled;
  EXPECT_FALSE(unscheduled.ScheduleSettled(100));
}

TEST_F(LammSpeedScheduleTest, TimeStepsEndAtSpeedEvents) {
  LoadTwoSteps(60000);
  l.InitRotorSpeed();
  struct Case {
    double t, proposed, expected;
    int clipped;
  };
  const Case ramping[] = {{100, 50, 10, 0}, {190, 50, 10, 0}, {195, 50, 5, 1}};
  for (const Case& c : ramping) {
    l.UpdateSpeedStep(c.t);
    l.CurrentTime = c.t;
    l.TimeStep = c.proposed;
    std::uint8_t clipped = 0;
    EXPECT_DOUBLE_EQ(l.ClipTimeStep(1, &clipped), c.expected) << c.t;
    EXPECT_EQ(l.TimeStep, c.expected);
    EXPECT_EQ(clipped, c.clipped);
  }
  // At speed the step ends at the next step's start; without the flag the
  // clip is not recorded.
  l.UpdateSpeedStep(3590);
  l.CurrentTime = 3590;
  l.TimeStep = 50;
  std::uint8_t clipped = 0;
  EXPECT_DOUBLE_EQ(l.ClipTimeStep(0, &clipped), 10);
  EXPECT_EQ(clipped, 0);
  // Profile times are met exactly.
  l.ProfileOutputOn = 1;
  l.ProfileNextTime = 3595;
  l.TimeStep = 50;
  EXPECT_DOUBLE_EQ(l.ClipTimeStep(0, &clipped), 5);
}

TEST_F(LammSpeedScheduleTest, RampClippingNeverShortensAStepBelowZero) {
  data.MakeScans(4, 50000, 300, 300, 300, 150);
  data.Configure(l, 4.5, 6e-7);
  l.InitRotorSpeed();
  l.CurrentTime = 145;
  l.TimeStep = 30;
  std::uint8_t clipped = 0;
  EXPECT_DOUBLE_EQ(l.ClipTimeStep(1, &clipped), 5);  // the ramp ends at 150 s
  EXPECT_EQ(clipped, 1);
  // A run that starts after the recorded ramp has no ramp end ahead of it.
  l.CurrentTime = 170;
  l.TimeStep = 30;
  clipped = 0;
  EXPECT_DOUBLE_EQ(l.ClipTimeStep(1, &clipped), 10);
  EXPECT_EQ(clipped, 0);
}

TEST_F(LammSpeedScheduleTest, FastSpeciesOnAChosenFixedGridTakeShortRampSteps) {
  data.MakeScans(4, 60000, 300, 300, 300, 150);
  for (const double s : {20.0, 10.0}) {
    CLammIdeal solver;
    data.Configure(solver, s, 6e-7);
    LammSetupFixture::SetDefaultNumerics(solver, 0, 1, 0);
    solver.InitRotorSpeed();
    solver.LimitAccelerationStep();
    // 60 S at 30000 rpm is 15 S at 60000 rpm.
    EXPECT_EQ(solver.AccelerationMaxStep, s > 15 ? 1.0 : 10.0) << s;
  }
}

TEST_F(LammSpeedScheduleTest, StartTimeMaximalStepAndAccelerationCheck) {
  l.SetStartTime(30);
  l.SetMaxTimeStep(-5);
  EXPECT_EQ(l.MaxTimeStepSet, 0);
  l.SetMaxTimeStep(100);
  l.ClearAccelerationCheck();
  EXPECT_EQ(l.StartTime, 30.0);
  EXPECT_EQ(l.MaxTimeStepSet, 1);
  EXPECT_EQ(l.MaxTimeStepValue, 100.0);
  EXPECT_EQ(l.CheckAcceleration, 0);
}

}  // namespace
