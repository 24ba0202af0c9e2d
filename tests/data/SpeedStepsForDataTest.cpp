// Speed steps coupled to the loaded data: the profile derived from the
// scans' speeds and omega^2 t, the coupling of "speedsteps.txt" after a
// load, loading it on request, and the low-speed phase before a run.

#include <cmath>
#include <string>
#include <vector>

#include "LoadTestSupport.h"
#include "data/CRotorSpeedProfile.h"
#include "data/SpeedStepsForData.h"
#include "ui/Boxes.h"

namespace {

// A rotor speed course: from rest, each step ramps linearly at its rate from
// the previous speed to its own, then holds it.
struct Step {
  double start, rpm, rate;
};

// omega^2 t accumulated up to time t, integrated in closed form segment by segment.
double Omega2tOf(const std::vector<Step>& course, double t) {
  const double k = 3.14159265358979323846 / 30.0;
  double total = 0.0, from = 0.0;
  for (std::size_t i = 0; i < course.size(); ++i) {
    const double begin = course[i].start;
    const double end = i + 1 < course.size() ? course[i + 1].start : 1e300;
    if (t <= begin) break;
    const double b = course[i].rpm > from ? course[i].rate : -course[i].rate;
    const double ramp = std::min((course[i].rpm - from) / b, end - begin);
    const double inRamp = std::min(t - begin, ramp);
    // integral of (from + b s)^2 ds over [0, inRamp]
    total +=
        from * from * inRamp + from * b * inRamp * inRamp + b * b * inRamp * inRamp * inRamp / 3.0;
    const double held = std::min(t, end) - begin - ramp;
    if (held > 0.0) total += course[i].rpm * course[i].rpm * held;
    from = course[i].rpm;
  }
  return total * k * k;
}

const CRotorSpeedProfile& Coupled() {
  return *ScanDataSet.DataSpeedProfile;
}

class SpeedStepsForDataTest : public LoadTest {
 protected:
  // Scans at the given times and speeds, their omega^2 t from the course.
  void LoadScansOf(const std::vector<Step>& course,
                   const std::vector<std::pair<double, float>>& scans) {
    std::vector<TestScan> test;
    for (const auto& s : scans) test.push_back({6.0, 7.0, 0.01, s.first, nullptr, 0.5f});
    LoadTestScans(test);
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      ScanHeader& h = ScanDataSet.ScanHeaders[i];
      h.Rpm = scans[static_cast<std::size_t>(i - 1)].second;
      h.RecordedTime = h.Time;
      h.Omega2t = Omega2tOf(course, h.Time);
    }
    DataFileLocation.DataFolder = scratch.path().string();
    DataFileLocation.TempParameterFilePath = scratch.File("~tmppars.RA1");
  }
};

TEST_F(SpeedStepsForDataTest, ProfileFromScansRecoversTheRampStarts) {
  struct Case {
    const char* what;
    std::vector<Step> course;
    std::vector<std::pair<double, float>> scans;
    std::vector<Step> expected;
  };
  const std::vector<Case> cases = {
      {"low speed, then full speed",
       {{0, 3000, 280}, {700, 50000, 280}},
       {{300, 3000}, {600, 3000}, {1200, 50000}, {1800, 50000}},
       {{0, 3000, 280}, {700, 50000, 280}}},
      {"up, then down at the deceleration rate",
       {{0, 3000, 280}, {700, 50000, 280}, {2500, 20000, 100}},
       {{600, 3000}, {1200, 50000}, {2400, 50000}, {3600, 20000}},
       {{0, 3000, 280}, {700, 50000, 280}, {2500, 20000, 100}}},
      // The balance asks for a ramp before the last low-speed scan: the
      // ramp starts 1 s after it.
      {"never before the last scan at the old speed",
       {{0, 3000, 280}, {550, 50000, 280}},
       {{300, 3000}, {600, 3000}, {1200, 50000}},
       {{0, 3000, 280}, {601, 50000, 280}}},
      // ... and ends 1 s before the first scan at the new speed.
      {"never ending after the first scan at the new speed",
       {{0, 3000, 280}, {1100, 50000, 280}},
       {{600, 3000}, {1200, 50000}},
       {{0, 3000, 280}, {1200 - 47000.0 / 280 - 1, 50000, 280}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadScansOf(c.course, c.scans);
    ASSERT_TRUE(SpeedStepsFromScans(280.0f, 100.0f));
    EXPECT_TRUE(ScanDataSet.UsingSpeedSteps);
    const CRotorSpeedProfile& p = Coupled();
    ASSERT_EQ(p.SpeedStepCount(), static_cast<int>(c.expected.size()));
    for (int i = 1; i <= p.SpeedStepCount(); ++i) {
      const Step& e = c.expected[static_cast<std::size_t>(i - 1)];
      EXPECT_NEAR(p.StepStart()[i], e.start, 0.5) << i;
      EXPECT_FLOAT_EQ(p.StepRpm()[i], static_cast<float>(e.rpm)) << i;
      EXPECT_FLOAT_EQ(p.StepAcceleration()[i], static_cast<float>(e.rate)) << i;
    }
    // Saved beside the temporary parameter file, and it reads back alike.
    CRotorSpeedProfile saved;
    saved.LoadSpeedSteps(scratch.File("speedsteps.txt"));
    ASSERT_EQ(saved.SpeedStepCount(), p.SpeedStepCount());
    EXPECT_NEAR(saved.StepStart()[2], p.StepStart()[2], 1e-3);
  }
  EXPECT_TRUE(backend().Log().empty());
}

// Every speed of the scans becomes a step of the derived profile, in time
// order, and the saved file reads back with all of them.
TEST_F(SpeedStepsForDataTest, ProfileFromScansKeepsEverySpeed) {
  const std::vector<Step> course = {{0, 10000, 280}, {3700, 14000, 280}, {7300, 20000, 280}};
  LoadScansOf(
      course,
      {{1800, 10000}, {3600, 10000}, {5400, 14000}, {7200, 14000}, {9000, 20000}, {10800, 20000}});
  ASSERT_TRUE(SpeedStepsFromScans(280.0f, 100.0f));
  const CRotorSpeedProfile& p = Coupled();
  ASSERT_EQ(p.SpeedStepCount(), 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_FLOAT_EQ(p.StepRpm()[i], static_cast<float>(course[i - 1].rpm)) << i;
    EXPECT_NEAR(p.StepStart()[i], course[i - 1].start, 1.0) << i;
  }
  CRotorSpeedProfile saved;
  EXPECT_TRUE(saved.LoadSpeedSteps(scratch.File("speedsteps.txt")));
  EXPECT_EQ(saved.SpeedStepCount(), 3);
  EXPECT_TRUE(
      saved.CheckScansAgainstSpeedSteps(ScanDataSet.NFILES, ScanDataSet.ScanHeaders.data()));
}

TEST_F(SpeedStepsForDataTest, NoProfileWithoutVariableSpeed) {
  LoadScansOf({{0, 50000, 280}}, {{600, 50000}, {1200, 50005}, {1800, 49991}});
  ScanDataSet.UsingSpeedSteps = true;
  EXPECT_FALSE(SpeedStepsFromScans(280.0f, 100.0f));
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
  EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
  EXPECT_FALSE(FileExists(scratch.File("speedsteps.txt")));
}

// A ramp rate of zero would give a ramp that never ends and a profile no
// solver can follow: such rates derive nothing and leave the coupling alone.
TEST_F(SpeedStepsForDataTest, RatesThatAreNoPositiveNumbersDeriveNoProfile) {
  const std::vector<Step> course = {{0, 3000, 280}, {700, 50000, 280}, {2500, 20000, 100}};
  LoadScansOf(course, {{600, 3000}, {1200, 50000}, {2400, 50000}, {3600, 20000}});
  const std::pair<float, float> rates[] = {
      {0.0f, 100.0f}, {-280.0f, 100.0f}, {280.0f, 0.0f}, {NAN, 100.0f}, {280.0f, INFINITY}};
  for (const auto& [acceleration, deceleration] : rates) {
    SCOPED_TRACE(std::to_string(acceleration) + " " + std::to_string(deceleration));
    EXPECT_FALSE(SpeedStepsFromScans(acceleration, deceleration));
    EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
    EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
    EXPECT_FALSE(FileExists(scratch.File("speedsteps.txt")));
  }
  // A deceleration given as a negative number is its size.
  ASSERT_TRUE(SpeedStepsFromScans(280.0f, -100.0f));
  EXPECT_FLOAT_EQ(Coupled().StepAcceleration()[3], 100.0f);
}

TEST_F(SpeedStepsForDataTest, LowSpeedPhaseBeforeTheRun) {
  ScanHeader h;
  h.Rpm = 50000.0f;
  h.RecordedTime = 1000.0;
  h.Omega2t = 900.0 * Omega2(50000.0);  // 100 s lost against omega^2 t
  EXPECT_NEAR(RampTimeOffset(0.0f, 280.0f, h), 100.0 - 2.0 * 50000.0 / (3.0 * 280.0), 0.01);
  EXPECT_NEAR(RampTimeOffset(0.0f, 280.0f, h), -19.05, 0.01);

  LoadScansOf({{0, 50000, 280}}, {{1000, 50000}, {2000, 50000}});
  ScanDataSet.TimesFromW2t = true;
  ScanDataSet.ScanHeaders[1].Time = 900.0;
  MakeTwoStepSpeedProfile(120.0f, 3000.0f, h, 280.0f);
  EXPECT_TRUE(ScanDataSet.UsingSpeedSteps);
  EXPECT_DOUBLE_EQ(ScanDataSet.ScanHeaders[1].Time, 1000.0);  // recorded times back
  CRotorSpeedProfile saved;
  ASSERT_TRUE(saved.LoadSpeedSteps(scratch.File("speedsteps.txt")));
  ASSERT_EQ(saved.SpeedStepCount(), 2);
  EXPECT_FLOAT_EQ(saved.StepStart()[2], 120.0f);
  EXPECT_FLOAT_EQ(saved.StepRpm()[1], 3000.0f);
  EXPECT_FLOAT_EQ(saved.StepRpm()[2], 50000.0f);
}

// Coupling at load time, through real loads of scan files.
class SpeedStepCouplingTest : public LoadTest {
 protected:
  const std::vector<Step> course = {{0, 3000, 280}, {700, 50000, 280}};

  std::vector<RunScanFile> RunScans(const std::vector<std::pair<double, float>>& timesAndSpeeds,
                                    const std::vector<Step>& speeds) {
    std::vector<RunScanFile> scans = NumberedScans({});
    char name[20];
    for (const auto& [t, rpm] : timesAndSpeeds) {
      RunScanFile s;
      std::snprintf(name, sizeof name, "%05zu.RA1", scans.size() + 1);
      s.name = name;
      s.time = t;
      s.rpm = rpm;
      s.omega2t = Omega2tOf(speeds, t);
      scans.push_back(s);
    }
    return scans;
  }
  FileSelection MultiSpeedRun(const ScratchFolder& folder) {
    return WriteRun(folder,
                    RunScans({{300, 3000}, {600, 3000}, {1200, 50000}, {1800, 50000}}, course));
  }
  FileSelection ConstantRun(const ScratchFolder& folder) {
    return WriteRun(folder, RunScans({{600, 50000}, {1200, 50000}}, {{0, 50000, 280}}));
  }
};

TEST_F(SpeedStepCouplingTest, ConsistentFileDrivesTheSimulations) {
  scratch.Write("speedsteps.txt", "0 3000 280\n700 50000 280\n");
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  ASSERT_TRUE(ScanDataSet.DataSpeedProfile);
  EXPECT_EQ(Coupled().SpeedStepCount(), 2);
  EXPECT_EQ(Coupled().FileName(), scratch.File("speedsteps.txt"));
  EXPECT_TRUE(ScanDataSet.UsingSpeedSteps);
  EXPECT_TRUE(ScanDataSet.SpeedsOnlyIncrease);
  EXPECT_FALSE(ScanDataSet.SpeedSeriesIrregular);
  EXPECT_TRUE(backend().Log().empty());

  // The course replaces scan times taken from omega^2 t.
  ScanDataSet.TimesFromW2t = true;
  ScanDataSet.ScanHeaders[3].Time = 420.0;
  EXPECT_TRUE(CoupleSpeedStepsFile(nullptr, "", scratch.path().string() + "/"));
  EXPECT_FALSE(ScanDataSet.TimesFromW2t);
  EXPECT_DOUBLE_EQ(ScanDataSet.ScanHeaders[3].Time, 1200.0);
}

// A profile that contradicts the scans is reported and never drives a
// simulation: nothing is coupled, also in place of an earlier profile.
TEST_F(SpeedStepCouplingTest, InconsistentFileIsReportedAndNotUsed) {
  scratch.Write("speedsteps.txt", "0 3000 280\n700 50000 280\n");
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  ASSERT_TRUE(ScanDataSet.UsingSpeedSteps);
  scratch.Write("speedsteps.txt", "0 3000 280\n700 40000 280\n");
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  EXPECT_EQ(LogLinesWith("[LOAD ERROR] (error) oops - speedsteps.txt rotor speed profile "
                         "inconsistent with data")
                .size(),
            1u);
  EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
  EXPECT_EQ(ScanDataSet.NFILES, 4);  // the load goes on
}

TEST_F(SpeedStepCouplingTest, VariableSpeedWithoutFileCouplesNothing) {
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  EXPECT_EQ(LogLinesWith("Attention: could not open " + scratch.File("speedsteps.txt")).size(), 1u);
  EXPECT_EQ(LogLinesWith("oops - speedsteps.txt").size(), 1u);
  EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
}

TEST_F(SpeedStepCouplingTest, ConstantSpeedLeavesNoProfileAfterAMultiSpeedSet) {
  scratch.Write("speedsteps.txt", "0 3000 280\n700 50000 280\n");
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  ASSERT_TRUE(ScanDataSet.UsingSpeedSteps);
  ScratchFolder constant;
  LoadAllData(nullptr, ConstantRun(constant));
  EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);

  // A single-step file of a constant-speed run is coupled, yet drives nothing.
  constant.Write("speedsteps.txt", "0 50000 280\n");
  LoadAllData(nullptr, ConstantRun(constant));
  ASSERT_TRUE(ScanDataSet.DataSpeedProfile);
  EXPECT_EQ(Coupled().SpeedStepCount(), 1);
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(SpeedStepCouplingTest, IrregularSeriesWithoutFileKeepsTheOldCoupling) {
  scratch.Write("speedsteps.txt", "0 3000 280\n700 50000 280\n");
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  // A late scan slower than an earlier one: a run that went back down.
  ScratchFolder late;
  const std::vector<Step> down = {{0, 20000, 280}, {10000, 40000, 280}, {30000, 20000, 100}};
  const FileSelection irregular =
      WriteRun(late, RunScans({{1000, 20000}, {20000, 40000}, {40000, 20000}}, down));
  LoadAllData(nullptr, irregular);
  EXPECT_EQ(LogLinesWith("[LOAD ERROR] (error) detecting approach to equilibrium data without "
                         "speedsteps file - please only sort, don't fit")
                .size(),
            1u);
  EXPECT_TRUE(ScanDataSet.SpeedSeriesIrregular);
  ASSERT_TRUE(ScanDataSet.DataSpeedProfile);
  EXPECT_EQ(Coupled().FileName(), scratch.File("speedsteps.txt"));

  // Files added to a set are coupled without that message; the folder has
  // no profile, so none drives the simulations any more.
  backend().ClearLog();
  AddMoreFiles(nullptr, {late.File("00003.RA1")});
  EXPECT_TRUE(LogLinesWith("detecting approach").empty());
  EXPECT_EQ(LogLinesWith("could not open " + late.File("speedsteps.txt")).size(), 1u);
  EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
}

TEST_F(SpeedStepCouplingTest, MultiSpeedLoadsCoupleNothing) {
  scratch.Write("speedsteps.txt", "0 3000 280\n700 50000 280\n");
  LoadOptions.MultiSpeedAutoload = true;
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  EXPECT_EQ(ScanDataSet.NFILES, 4);
  EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
  EXPECT_FALSE(LoadSpeedStepsForData());
}

TEST_F(SpeedStepCouplingTest, LoadingOnRequestCouplesOnlyAConsistentProfile) {
  EXPECT_FALSE(LoadSpeedStepsForData());  // no data
  scratch.Write("speedsteps.txt", "0 3000 280\n700 50000 280\n");
  LoadAllData(nullptr, MultiSpeedRun(scratch));
  ScanDataSet.DataSpeedProfile.reset();
  ScanDataSet.UsingSpeedSteps = false;
  ScanDataSet.TimesFromW2t = true;
  ScanDataSet.ScanHeaders[2].Time = 555.0;
  EXPECT_TRUE(LoadSpeedStepsForData());
  EXPECT_EQ(Coupled().SpeedStepCount(), 2);
  EXPECT_DOUBLE_EQ(ScanDataSet.ScanHeaders[2].Time, 600.0);

  scratch.Write("speedsteps.txt", "0 3000 280\n700 40000 280\n");
  EXPECT_FALSE(LoadSpeedStepsForData());
  EXPECT_EQ(LogLinesWith("[LOAD ERROR] (error) oops - speedsteps.txt").size(), 1u);
  EXPECT_FALSE(ScanDataSet.DataSpeedProfile);
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
}

}  // namespace
