// The DLS time course: windows of the measurement times, one I(Rh)
// distribution per window of data made with the decay kernel, and the three
// result files.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/HookedContiRunFixture.h"
#include "distributions/DistributionTimeCourse.h"
#include "support/TestSupport.h"
#include "models/GlobalLammState.h"
#include "numerics/Hydrodynamics.h"

namespace {

TEST(TimeCourseWindows, FirstWindowIsOneAndAHalfIntervalsFromTheSecondMeasurement) {
  // Every 30 s from t = 0, windows of one minute.
  std::vector<float> t(12, 0.0f);
  for (int p = 1; p <= 11; ++p) t[static_cast<std::size_t>(p)] = 30.0f * (p - 1);
  std::vector<int> first, last;
  std::vector<float> mid;
  ASSERT_EQ(TimeCourseWindows(t.data(), 11, 1.0f, first, last, mid), 5);
  const int expectFirst[] = {2, 5, 7, 9, 11}, expectLast[] = {4, 6, 8, 10, 11};
  for (int w = 1; w <= 5; ++w) {
    EXPECT_EQ(first[static_cast<std::size_t>(w)], expectFirst[w - 1]) << w;
    EXPECT_EQ(last[static_cast<std::size_t>(w)], expectLast[w - 1]) << w;
  }
  // 30, 60 and 90 s in the first window.
  EXPECT_FLOAT_EQ(mid[1], 60.0f);
  EXPECT_FLOAT_EQ(mid[2], 135.0f);
  EXPECT_FLOAT_EQ(mid[5], 300.0f);
}

TEST(TimeCourseWindows, EveryWindowHoldsAMeasurement) {
  // Measurements that stop early: the later windows repeat the last one.
  const std::vector<float> t = {0.0f, 0.0f, 30.0f, 200.0f, 500.0f};
  std::vector<int> first, last;
  std::vector<float> mid;
  const int windows = TimeCourseWindows(t.data(), 4, 1.0f, first, last, mid);
  for (int w = 1; w <= windows; ++w) {
    EXPECT_LE(first[static_cast<std::size_t>(w)], last[static_cast<std::size_t>(w)]) << w;
    EXPECT_LE(last[static_cast<std::size_t>(w)], 4) << w;
  }
}

class DistributionTimeCourseTest : public HookedContiRunTest {
 protected:
  // Seven measurements every 30 s of one 20 nm species; the I(Rh,t) model
  // with windows of one minute.
  void LoadSeries(double D) {
    LoadDlsMeasurements({0.0, 30.0, 60.0, 90.0, 120.0, 150.0, 180.0});
    DlsSpecies(D, 5);
    SetModelSlots(ModelKind::DlsIRhTimeCourse, 1.0f, 1000.0f, 40.0f, -6.0f, -0.5f, 1.0f);
    DistributionSettings.TimeCourseInterval = 1.0f;
  }

  static std::vector<std::vector<double>> ReadRows(const std::string& path) {
    std::vector<std::vector<double>> rows;
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return rows;
    char line[20000];
    while (std::fgets(line, sizeof line, f)) {
      std::vector<double> row;
      char* p = line;
      char* end = nullptr;
      for (double v = std::strtod(p, &end); end != p; v = std::strtod(p, &end)) {
        row.push_back(v);
        p = end;
      }
      if (!row.empty()) rows.push_back(row);
    }
    std::fclose(f);
    return rows;
  }
};

TEST_F(DistributionTimeCourseTest, OneDistributionPerWindowInTheFiles) {
  const double rh = 20e-9;
  const double D = DFromStokesRadius(static_cast<float>(rh), kCelsius);
  LoadSeries(D);
  const std::vector<float> scan1(ScanDataSet.ScanSignal[1].data() + 1,
                                 ScanDataSet.ScanSignal[1].data() + 112);
  TimeCourse.OutputFolder = scratch.path().string() + "/";
  RunDistributionTimeCourse(nullptr);

  const int n = DistributionSettings.DistGridSize;
  const auto sizes = ReadRows(scratch.File("sizes.dat"));
  ASSERT_EQ(sizes.size(), 3u);  // 30-90 s, 120-150 s, 180 s
  for (const auto& row : sizes) {
    ASSERT_EQ(row.size(), static_cast<std::size_t>(n));
    // Every window sees the one species.
    std::size_t top = 0;
    for (std::size_t i = 0; i < row.size(); ++i)
      if (row[i] > row[top]) top = i;
    EXPECT_NEAR(DistributionResult.DistSGrid[top + 1], std::log10(rh), 0.1);
  }
  const auto times = ReadRows(scratch.File("times.dat"));
  ASSERT_EQ(times.size(), 3u);
  EXPECT_NEAR(times[0][0], 60.0, 1e-4);
  EXPECT_NEAR(times[1][0], 135.0, 1e-4);
  EXPECT_NEAR(times[2][0], 180.0, 1e-4);
  EXPECT_EQ(ReadRows(scratch.File("radii.dat")).size(), static_cast<std::size_t>(n));
  // Scan 1 was only borrowed for the window averages.
  for (int k = 1; k <= 111; ++k)
    EXPECT_EQ(ScanDataSet.ScanSignal[1][k], scan1[static_cast<std::size_t>(k - 1)]) << k;
  EXPECT_EQ(TimeCourse.WindowLastScan, 0);
}

struct KeyCase {
  const char* name;
  bool stepMode;
  std::vector<long> keys;
  bool ends;
  bool stepModeAfter;
};

class TimeCourseKeys : public HeadlessTest, public ::testing::WithParamInterface<KeyCase> {
 protected:
  void TearDown() override {
    TimeCourse = TimeCourseRecord{};
    HeadlessTest::TearDown();
  }
};

TEST_P(TimeCourseKeys, StepModeAndTheStopKey) {
  const KeyCase& c = GetParam();
  TimeCourse.TimeCourseStepMode = c.stepMode;
  for (long key : c.keys) backend().QueueKeyPress(nullptr, key, key);
  GlobalLammRun.KeepRunning = 1;
  EXPECT_EQ(HandleTimeCourseKeys(nullptr), c.ends);
  EXPECT_EQ(TimeCourse.TimeCourseStepMode, c.stepModeAfter);
  EXPECT_EQ(GlobalLammRun.KeepRunning, c.ends ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TimeCourseKeys,
    ::testing::Values(KeyCase{"SpaceGoesOn", true, {' '}, false, true},
                      KeyCase{"RLeavesStepMode", true, {'r'}, false, false},
                      KeyCase{"SEndsTheCourse", true, {'s'}, true, false},
                      KeyCase{"OtherKeysAreIgnored", true, {'x', 's'}, true, false},
                      KeyCase{"NoKeyNoWait", true, {}, false, true},
                      KeyCase{"AnyKeySwitchesStepModeOn", false, {'x'}, false, true},
                      KeyCase{"NoKeyStaysRunning", false, {}, false, false}),
    [](const ::testing::TestParamInfo<KeyCase>& p) { return std::string(p.param.name); });

}  // namespace
