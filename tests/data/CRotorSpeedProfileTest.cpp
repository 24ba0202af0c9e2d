// Rotor speed profiles: reading and writing speed-steps files (also
// malformed ones), the repair of overlapping ramps and its "_fixed" copy,
// the check of scans against the steps, the speed-time polyline, and the
// speed and omega^2 t over a program checked against closed-form integrals.

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

#include "data/CRotorSpeedProfile.h"
#include "support/TestSupport.h"

namespace {

class CRotorSpeedProfileTest : public HeadlessTest {
 protected:
  // Copies a bundled speed file into the scratch folder, where the repair may
  // write beside it.
  std::string Fixture(const std::string& name) {
    const std::string path = scratch.File(name);
    std::filesystem::copy_file(TestDataFolder() / "speeds" / name, path);
    return path;
  }
  std::vector<std::string> Boxes() { return LogLinesWith("box ["); }
  ScratchFolder scratch;
};

struct Step {
  float start, rpm, acceleration;
};

void SetProfile(CRotorSpeedProfile& p, const std::vector<Step>& steps) {
  const int n = static_cast<int>(steps.size());
  OneBasedArray<float> s(1, n), r(1, n), a(1, n);
  for (int i = 1; i <= n; ++i) {
    s[i] = steps[i - 1].start;
    r[i] = steps[i - 1].rpm;
    a[i] = steps[i - 1].acceleration;
  }
  p.SetSteps(n, s.data(), r.data(), a.data());
}

std::vector<Step> StepsOf(const CRotorSpeedProfile& p) {
  std::vector<Step> steps;
  for (int i = 1; i <= p.SpeedStepCount(); ++i)
    steps.push_back({p.StepStart()[i], p.StepRpm()[i], p.StepAcceleration()[i]});
  return steps;
}

void ExpectSteps(const CRotorSpeedProfile& p, const std::vector<Step>& expected) {
  const auto got = StepsOf(p);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_FLOAT_EQ(got[i].start, expected[i].start);
    EXPECT_FLOAT_EQ(got[i].rpm, expected[i].rpm);
    EXPECT_FLOAT_EQ(got[i].acceleration, expected[i].acceleration);
  }
}

const std::vector<Step> ThreeSteps = {{0, 40000, 300}, {1000, 50000, 300}, {3000, 60000, 300}};

struct LoadCase {
  const char* what;
  std::string text;
  bool result;
  std::vector<Step> steps;
  const char* message;  // nullptr: no box
};

TEST_F(CRotorSpeedProfileTest, LoadingFilesGoodAndMalformed) {
  const char binary[] = "\x01\x00\xff\x7f garbage\n\x00\x00";
  const std::string longLine = "0 40000 300" + std::string(120, ' ') + "\n1000 50000 300\n";
  const LoadCase cases[] = {
      {"three steps", "0 40000 300\n1000 50000 300\n3000 60000 300\n", true, ThreeSteps, nullptr},
      {"no final line end", "0 40000 300\n1000 50000 300\n3000 60000 300", true, ThreeSteps,
       nullptr},
      {"windows line ends", "0 40000 300\r\n1000 50000 300\r\n3000 60000 300\r\n", true, ThreeSteps,
       nullptr},
      {"one step", "0 40000 300\n", false, {{0, 40000, 300}}, nullptr},
      {"numbers shifted by a short line",
       "0 40000\n1000 50000 300 3000\n",
       true,
       {{0, 40000, 1000}, {50000, 300, 3000}},
       nullptr},
      {"trailing empty line", "0 40000 300\n1000 50000 300\n\n", false, {}, "bad speedstep data"},
      {"too few numbers", "0 40000 300\n1000 50000\n", false, {}, "bad speedstep data"},
      {"empty file", "", false, {}, "bad speedstep data"},
      {"words", "start rpm acceleration\n0 40000 300\n", false, {}, "bad speedstep data"},
      {"zero acceleration", "0 40000 0\n1000 50000 300\n", false, {}, "bad speedstep data"},
      {"nan acceleration", "0 40000 nan\n1000 50000 300\n", false, {}, "bad speedstep data"},
      {"infinite start", "0 40000 300\ninf 50000 300\n", false, {}, "bad speedstep data"},
      {"binary", std::string(binary, sizeof binary - 1), false, {}, "bad speedstep data"},
      // A line over 99 characters counts as two, so a step is missing.
      {"overlong line", longLine, false, {}, "bad speedstep data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    const std::string path = scratch.Write("speedsteps.txt", c.text);
    CRotorSpeedProfile p;
    EXPECT_EQ(p.LoadSpeedSteps(path), c.result);
    EXPECT_EQ(p.VariableSpeed(), c.result);
    ExpectSteps(p, c.steps);
    EXPECT_EQ(p.FileName(), path);
    if (c.message == nullptr) {
      EXPECT_TRUE(Boxes().empty());
    } else {
      ASSERT_EQ(Boxes().size(), 1u);
      EXPECT_EQ(p.Message(), std::string("\n\aAttention: ") + c.message + " in " + path);
    }
  }
}

TEST_F(CRotorSpeedProfileTest, MissingFileLeavesProfileEmptyWithMessage) {
  CRotorSpeedProfile p;
  SetProfile(p, ThreeSteps);
  const std::string path = scratch.File("nowhere/speedsteps.txt");
  EXPECT_FALSE(p.LoadSpeedSteps(path));
  EXPECT_EQ(p.SpeedStepCount(), 0);
  EXPECT_FALSE(p.VariableSpeed());
  EXPECT_EQ(p.Message(), "\n\aAttention: could not open " + path);
  EXPECT_EQ(LogLinesWith("Attention: could not open").size(), 1u);
}

TEST_F(CRotorSpeedProfileTest, SavedFileHasOneTabSeparatedLinePerStepAndReadsBack) {
  CRotorSpeedProfile p;
  const std::vector<Step> steps = {{0, 3000, 280}, {612.25f, 50000, 280}, {9000, 20000, 100}};
  SetProfile(p, steps);
  const std::string path = scratch.File("out.txt");
  ASSERT_TRUE(p.SaveSpeedSteps(path));
  EXPECT_EQ(p.FileName(), path);
  EXPECT_EQ(ReadWholeFile(path),
            "0.000000\t3000.000000\t280.000000\n"
            "612.250000\t50000.000000\t280.000000\n"
            "9000.000000\t20000.000000\t100.000000\n");
  CRotorSpeedProfile back;
  EXPECT_TRUE(back.LoadSpeedSteps(path));
  ExpectSteps(back, steps);
  EXPECT_TRUE(Boxes().empty());

  back.SetFileName(path);
  SetProfile(back, {});
  EXPECT_TRUE(back.Reload());
  ExpectSteps(back, steps);
}

TEST_F(CRotorSpeedProfileTest, SaveToUnopenablePathReportsIt) {
  CRotorSpeedProfile p;
  SetProfile(p, ThreeSteps);
  const std::string path = scratch.File("missing-folder/out.txt");
  EXPECT_FALSE(p.SaveSpeedSteps(path));
  EXPECT_EQ(LogLinesWith("Attention: could not open " + path).size(), 1u);
}

TEST_F(CRotorSpeedProfileTest, OverlappingRampIsMovedAndSavedAsFixedCopy) {
  const std::string path = Fixture("overlapping_ramp.txt");
  CRotorSpeedProfile p;
  EXPECT_TRUE(p.LoadSpeedSteps(path));
  // The first ramp, 40000 rpm at 100 rpm/s, lasts 400 s.
  ExpectSteps(p, {{0, 40000, 100}, {400, 50000, 100}});
  const std::string fixed = path + "_fixed";
  EXPECT_EQ(p.FileName(), fixed);
  EXPECT_EQ(p.Message(), "ERROR: rotor speed profile " + path + " fixed in " + fixed);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(ReadWholeFile(fixed),
            "0.000000\t40000.000000\t100.000000\n400.000000\t50000.000000\t100.000000\n");
  EXPECT_EQ(ReadWholeFile(path), "0 40000 100\n200 50000 100\n");

  backend().ClearLog();
  CRotorSpeedProfile again;
  EXPECT_TRUE(again.LoadSpeedSteps(fixed));
  EXPECT_EQ(again.FileName(), fixed);
  EXPECT_TRUE(Boxes().empty());
}

struct RepairCase {
  const char* what;
  std::vector<Step> steps;
  bool consistent;
  std::vector<Step> repaired;
};

TEST_F(CRotorSpeedProfileTest, RepairWithoutFixOnlyReportsAndWithFixCascades) {
  const RepairCase cases[] = {
      {"consistent", ThreeSteps, true, ThreeSteps},
      {"ramp ends exactly at next start",
       {{0, 40000, 100}, {400, 50000, 100}},
       true,
       {{0, 40000, 100}, {400, 50000, 100}}},
      // Moving the second step pushes its own ramp past the third start.
      {"cascade",
       {{0, 40000, 100}, {200, 50000, 100}, {450, 60000, 100}},
       false,
       {{0, 40000, 100}, {400, 50000, 100}, {500, 60000, 100}}},
      {"deceleration counts by its size",
       {{0, 40000, 400}, {1000, 20000, 50}, {1300, 30000, 100}},
       false,
       {{0, 40000, 400}, {1000, 20000, 50}, {1400, 30000, 100}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CRotorSpeedProfile p;
    p.SetFileName(scratch.File("case.txt"));
    SetProfile(p, c.steps);
    EXPECT_EQ(p.RepairSpeedStepRamps(false), c.consistent);
    ExpectSteps(p, c.steps);
    EXPECT_TRUE(p.RepairSpeedStepRamps(true));
    ExpectSteps(p, c.repaired);
  }
}

// 50000 rpm at 280 rpm/s from 100 s ends at 278.571426 s, which the float
// sum stores as 278.571411 s, inside the ramp: the repair takes the next
// float up, and the fixed profile passes the check.
TEST_F(CRotorSpeedProfileTest, MovedStartRoundedBelowRampEndIsFixed) {
  const std::string path = scratch.Write("speedsteps.txt", "100 50000 280\n200 60000 280\n");
  CRotorSpeedProfile p;
  EXPECT_TRUE(p.LoadSpeedSteps(path));
  EXPECT_EQ(p.Message(), "ERROR: rotor speed profile " + path + " fixed in " + path + "_fixed");
  EXPECT_TRUE(std::filesystem::exists(path + "_fixed"));
  EXPECT_TRUE(p.RepairSpeedStepRamps(false));
  EXPECT_GE(static_cast<double>(p.StepStart()[2]), 100.0 + 50000.0 / 280.0 - 1e-4);
  EXPECT_LT(static_cast<double>(p.StepStart()[2]), 100.0 + 50000.0 / 280.0 + 1e-4);
}

// Over many speeds, accelerations and starts every overlapping ramp is
// repaired into a consistent profile.
TEST_F(CRotorSpeedProfileTest, EveryOverlapIsRepairedWhateverTheRounding) {
  int repaired = 0;
  for (float start : {0.0f, 7.0f, 100.0f, 3333.3f})
    for (float rpm = 3000.0f; rpm <= 60000.0f; rpm += 1000.0f)
      for (float acceleration : {50.0f, 100.0f, 280.0f, 300.0f, 400.0f}) {
        CRotorSpeedProfile p;
        p.SetFileName(scratch.File("sweep.txt"));
        const float starts[] = {0.0f, start, start + 1.0f};
        const float rpms[] = {0.0f, rpm, rpm + 5000.0f};
        const float accelerations[] = {0.0f, acceleration, acceleration};
        p.SetSteps(2, starts, rpms, accelerations);
        ASSERT_TRUE(p.RepairSpeedStepRamps(true)) << start << " " << rpm << " " << acceleration;
        ASSERT_TRUE(p.RepairSpeedStepRamps(false));
        ++repaired;
      }
  EXPECT_EQ(repaired, 4 * 58 * 5);
}

struct ScanCase {
  double time;
  float rpm;
  bool passes;
  int messageStep;  // 0: silent
};

OneBasedArray<ScanHeader> Scans(const std::vector<std::pair<double, float>>& scans) {
  OneBasedArray<ScanHeader> h(1, static_cast<int>(scans.size()));
  for (int i = 1; i <= h.size(); ++i) {
    h[i].Time = h[i].RecordedTime = scans[i - 1].first;
    h[i].Rpm = scans[i - 1].second;
  }
  return h;
}

TEST_F(CRotorSpeedProfileTest, ScansAreCheckedAgainstTheirStep) {
  // Ramps end at 133.3 s, 1033.3 s and 3033.3 s.
  const ScanCase cases[] = {
      {134.2, 40000, false, 1}, {134.4, 40000, true, 0},   {1000, 40000, true, 0},
      {1020, 50000, false, 2},  {1032.5, 50000, true, 0},  {1500, 49990, false, 0},
      {1500, 49991, true, 0},   {1500, 50009.5f, true, 0}, {3034.2, 60000, false, 3},
      {3034.4, 60000, true, 0}, {0, 0, true, 0},           {-30, 12345, true, 0},
      {5000, 40000, false, 0},  {2000, 50000, true, 0},
  };
  CRotorSpeedProfile p;
  SetProfile(p, ThreeSteps);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.time);
    backend().ClearLog();
    auto headers = Scans({{c.time, c.rpm}});
    EXPECT_EQ(p.CheckScansAgainstSpeedSteps(1, headers.data()), c.passes);
    if (c.messageStep == 0) {
      EXPECT_TRUE(Boxes().empty());
    } else {
      char expected[200];
      std::snprintf(expected, sizeof expected,
                    "inconsistent file 1 (t = %f, om = %f) with speed step %d", c.time,
                    static_cast<double>(c.rpm), c.messageStep);
      EXPECT_EQ(p.Message(), expected);
      EXPECT_EQ(Boxes().size(), 1u);
    }
  }
}

TEST_F(CRotorSpeedProfileTest, ScanCheckStopsAtFirstFailureAndHandlesOneStepAndNoSteps) {
  CRotorSpeedProfile p;
  SetProfile(p, ThreeSteps);
  auto headers = Scans({{500, 40000}, {1010, 50000}, {1020, 50000}});
  EXPECT_FALSE(p.CheckScansAgainstSpeedSteps(3, headers.data()));
  EXPECT_EQ(p.Message().rfind("inconsistent file 2 (", 0), 0u);
  EXPECT_EQ(Boxes().size(), 1u);

  // One step: only the end of the first ramp matters, not the speed.
  CRotorSpeedProfile one;
  SetProfile(one, {{0, 40000, 300}});
  auto inRamp = Scans({{500, 1}, {133.3, 40000}});
  auto after = Scans({{500, 1}, {133.4, 40000}});
  EXPECT_FALSE(one.CheckScansAgainstSpeedSteps(2, inRamp.data()));
  EXPECT_TRUE(one.CheckScansAgainstSpeedSteps(2, after.data()));

  CRotorSpeedProfile none;
  EXPECT_FALSE(none.CheckScansAgainstSpeedSteps(2, after.data()));
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(CRotorSpeedProfileTest, LoadAndCheckChecksOnlyAProgramOfSeveralSteps) {
  const std::string three = Fixture("three_steps.txt");
  auto good = Scans({{2000, 50000}});
  auto wrongSpeed = Scans({{2000, 55000}});
  CRotorSpeedProfile p;
  EXPECT_TRUE(p.LoadAndCheck(three, 1, good.data()));
  EXPECT_FALSE(p.LoadAndCheck(three, 1, wrongSpeed.data()));
  const std::string one = scratch.Write("one.txt", "0 40000 300\n");
  EXPECT_FALSE(p.LoadAndCheck(one, 1, good.data()));
  EXPECT_EQ(p.SpeedStepCount(), 1);
}

TEST_F(CRotorSpeedProfileTest, SpeedCourseIsBuiltOnceFromTheSteps) {
  CRotorSpeedProfile p;
  SetProfile(p, {{0, 40000, 300}, {1000, 50000, 300}});
  const float t[] = {0, 133.33333f, 1000, 1033.3334f, 1633.3334f};
  const float r[] = {0, 40000, 40000, 50000, 50000};
  ASSERT_EQ(p.SpeedCoursePointCount(), 5);
  for (int k = 1; k <= 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(p.SpeedCourseTimes()[k], t[k - 1], 1e-3);
    EXPECT_FLOAT_EQ(p.SpeedCourseRpms()[k], r[k - 1]);
  }
  // Changing the steps leaves the course as it was; building it again
  // follows the new steps.
  SetProfile(p, ThreeSteps);
  EXPECT_EQ(p.SpeedCoursePointCount(), 5);
  p.BuildSpeedCourse();
  EXPECT_EQ(p.SpeedCoursePointCount(), 7);
  EXPECT_NEAR(p.SpeedCourseTimes()[7], 3033.3333f + 600.0f, 1e-3);

  CRotorSpeedProfile first;
  SetProfile(first, {{50, 30000, 300}});
  // The first ramp is drawn from 0 s whatever the first start.
  EXPECT_FLOAT_EQ(first.SpeedCourseTimes()[2], 100.0f);
  EXPECT_FLOAT_EQ(first.SpeedCourseTimes()[3], 700.0f);
}

TEST_F(CRotorSpeedProfileTest, CopyClearFinalSpeedAndRescale) {
  CRotorSpeedProfile p;
  SetProfile(p, ThreeSteps);
  p.SetFileName("a/speedsteps.txt");
  p.BuildSpeedCourse();
  CRotorSpeedProfile copy;
  copy.CopyFrom(p);
  ExpectSteps(copy, ThreeSteps);
  EXPECT_TRUE(copy.VariableSpeed());
  EXPECT_EQ(copy.FileName(), "a/speedsteps.txt");
  EXPECT_EQ(copy.ScheduleMode(), 2);
  EXPECT_EQ(copy.SpeedCoursePointCount(), 7);  // built anew for the copy
  EXPECT_FLOAT_EQ(copy.FinalSpeed(), 60000.0f);

  copy.Clear();
  EXPECT_EQ(copy.SpeedStepCount(), 0);
  EXPECT_FALSE(copy.VariableSpeed());
  EXPECT_EQ(copy.SpeedCoursePointCount(), 7);

  // a / (a - b rpm^2 1e-6) = 100 / 75 at 50000 rpm.
  CRotorSpeedProfile s;
  SetProfile(s, {{0, 50000, 300}, {1000, 10000, 300}});
  const std::string path = scratch.File("stretched.txt");
  EXPECT_TRUE(s.RescaleSpeeds(100.0f, 0.01f, path));
  EXPECT_FLOAT_EQ(s.StepRpm()[1], 57735.0f);
  EXPECT_FLOAT_EQ(s.StepRpm()[2], 10050.0f);  // 10000 sqrt(100 / 99), floored
  EXPECT_EQ(s.FileName(), path);
  EXPECT_NE(ReadWholeFile(path).find("57735.000000"), std::string::npos);
}

TEST_F(CRotorSpeedProfileTest, SpeedAndRampEndsOverTheProgram) {
  CRotorSpeedProfile p;
  SetProfile(p, {{0, 40000, 200}, {1000, 20000, 100}, {2000, 20000, 300}, {2500, 50000, 300}});
  const std::pair<int, float> ends[] = {{1, 200}, {2, 1200}, {3, 2000}, {4, 2600}};
  for (const auto& [i, end] : ends) EXPECT_FLOAT_EQ(p.RampEnd(i), end) << i;
  const std::pair<double, double> speeds[] = {
      {-1, 0},       {0, 0},        {50, 10000},   {200, 40000},  {999, 40000}, {1100, 30000},
      {1200, 20000}, {2000, 20000}, {2550, 35000}, {2600, 50000}, {1e6, 50000},
  };
  for (const auto& [t, rpm] : speeds) EXPECT_NEAR(p.RpmAt(t), rpm, 1e-6 * rpm + 1e-9) << t;
}

// omega^2 integrated over a hold and a linear ramp: a ramp from r0 to r1 over
// T seconds gives T (r0^2 + r0 r1 + r1^2) / 3 in rpm^2 s.
double Hold(double rpm, double seconds) {
  return rpm * rpm * seconds;
}
double Ramp(double r0, double r1, double seconds) {
  return seconds * (r0 * r0 + r0 * r1 + r1 * r1) / 3.0;
}
constexpr double W = std::numbers::pi / 30.0;

TEST_F(CRotorSpeedProfileTest, Omega2tMatchesClosedFormIntegrals) {
  CRotorSpeedProfile three;
  SetProfile(three, ThreeSteps);
  CRotorSpeedProfile down;
  SetProfile(down, {{0, 40000, 200}, {1000, 20000, 100}, {2500, 50000, 300}});
  // The second ramp (10000 s long) is cut short by the third step, whose
  // ramp runs from the second step's target, as ramp durations are defined.
  CRotorSpeedProfile cut;
  SetProfile(cut, {{0, 30000, 300}, {500, 40000, 1}, {1500, 20000, 100}});
  struct Case {
    const char* what;
    const CRotorSpeedProfile* p;
    double t;
    double rpm2s;
  };
  const double r1 = 400.0 / 3.0, r2 = 100.0 / 3.0;
  const Case cases[] = {
      {"inside first ramp", &three, 100, Ramp(0, 30000, 100)},
      {"after all steps", &three, 5000,
       Ramp(0, 40000, r1) + Hold(40000, 1000 - r1) + Ramp(40000, 50000, r2) +
           Hold(50000, 2000 - r2) + Ramp(50000, 60000, r2) + Hold(60000, 2000 - r2)},
      {"inside second ramp", &three, 1010,
       Ramp(0, 40000, r1) + Hold(40000, 1000 - r1) + Ramp(40000, 43000, 10)},
      {"deceleration", &down, 3000,
       Ramp(0, 40000, 200) + Hold(40000, 800) + Ramp(40000, 20000, 200) + Hold(20000, 1300) +
           Ramp(20000, 50000, 100) + Hold(50000, 400)},
      {"cut ramp", &cut, 2000,
       Ramp(0, 30000, 100) + Hold(30000, 400) + Ramp(30000, 31000, 1000) + Ramp(40000, 20000, 200) +
           Hold(20000, 300)},
      {"before start", &three, -5, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const double expected = W * W * c.rpm2s;
    EXPECT_NEAR(c.p->Omega2tAt(c.t), expected, 1e-12 * expected + 1e-9);
  }
}

TEST_F(CRotorSpeedProfileTest, Omega2tBalanceRecoversTheStartOfAStep) {
  // A run held at f until T, ramped at b to l and held: the omega^2 t
  // recorded by two scans fixes T (the balance used to derive speed steps
  // from scans).
  const double f = 3000, l = 50000, b = 280, T = 612.5, E = (l - f) / b;
  CRotorSpeedProfile p;
  SetProfile(p, {{0, 3000, 280}, {static_cast<float>(T), 50000, 280}});
  const double tp = 600, tc = 1200;
  const double K = (30.0 / std::numbers::pi) * (30.0 / std::numbers::pi);
  const double dW = p.Omega2tAt(tc) - p.Omega2tAt(tp);
  const double solved = (f * f * tp + K * dW - l * l * (tc - E) -
                         (b * b * E * E * E / 3 + f * b * E * E + f * f * E)) /
                        (f * f - l * l);
  EXPECT_NEAR(solved, T, 1e-6);
}

}  // namespace
