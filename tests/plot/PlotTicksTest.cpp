// Tick values: decade steps halved when too few, minor subdivisions, the
// log-style minor ticks of axes in decimal logarithms, and empty lists for
// limits that give no axis.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "plot/PlotSettings.h"
#include "plot/PlotTicks.h"

namespace {

std::vector<float> Values(const CVector& v) {
  return std::vector<float>(v.data(), v.data() + v.count());
}

// Ticks first, first + step, ... (count of them), to single precision.
void ExpectArithmetic(const CVector& ticks, double first, double step, int count) {
  ASSERT_EQ(static_cast<int>(ticks.count()), count);
  for (int k = 0; k < count; ++k)
    EXPECT_NEAR(ticks.At(k), first + k * step, 1e-5 * std::max(1.0, std::fabs(first + k * step)))
        << k;
}

class LogTickModeGuard {
 public:
  explicit LogTickModeGuard(int mode) { PlotSettings.LogTickMode = mode; }
  ~LogTickModeGuard() { PlotSettings.LogTickMode = 0; }
};

struct LinearCase {
  float lo, hi;
  bool major;
  double first, step;
  int count;
};

TEST(MakeTicks, LinearAxes) {
  const LinearCase cases[] = {
      {5.94f, 7.26f, true, 6.0, 0.5, 3},    // step 1 gives two: halved
      {5.94f, 7.26f, false, 6.0, 0.1, 13},  // 6.0 .. 7.2
      {100.0f, 4900.0f, true, 1000.0, 1000.0, 4},
      {100.0f, 4900.0f, false, 200.0, 200.0, 24},   // 200 .. 4800
      {-0.025f, 0.045f, true, -0.02, 0.01, 7},      // -0.02 .. 0.04
      {-0.025f, 0.045f, false, -0.024, 0.002, 35},  // -0.024 .. 0.044
      {0.0f, 1.0f, true, 0.0, 0.5, 3},              // a limit on a multiple is a tick
      {-1.0f, 1.0f, true, -1.0, 1.0, 3},
  };
  for (const LinearCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << " .. " << c.hi << (c.major ? " major" : " minor"));
    ExpectArithmetic(*MakeTicks(c.major, c.lo, c.hi), c.first, c.step, c.count);
  }
}

TEST(MakeTicks, LimitsThatGiveNoAxisGiveNoTicks) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float cases[][2] = {{2.0f, 2.0f}, {0.0f, 2e30f}, {-2e30f, 1.0f},
                            {nan, 1.0f},  {0.0f, inf},   {3.0f, 1.0f}};
  for (const auto& c : cases) {
    EXPECT_EQ(MakeTicks(true, c[0], c[1])->count(), 0u) << c[0] << " " << c[1];
    EXPECT_EQ(MakeTicks(false, c[0], c[1])->count(), 0u) << c[0] << " " << c[1];
  }
}

TEST(MakeTicks, LogAxesKeepTheDecadeStep) {
  const LogTickModeGuard log(1);
  ExpectArithmetic(*MakeTicks(true, -9.3f, -6.7f), -9.0, 1.0, 3);
  // One decade only: no halving as on a linear axis.
  ExpectArithmetic(*MakeTicks(true, 0.5f, 1.7f), 1.0, 1.0, 1);
}

TEST(MakeTicks, LogAxisMinorTicksSitAtTheLogarithmsOfTwoToNine) {
  const LogTickModeGuard log(1);
  std::vector<double> expected;
  for (int j = 9; j >= 6; --j) expected.push_back(-10 + std::log10(j));
  for (int decade : {-9, -8})
    for (int j = 2; j <= 9; ++j) expected.push_back(decade + std::log10(j));
  const std::vector<float> got = Values(*MakeTicks(false, -9.3f, -6.7f));
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-5) << i;
}

TEST(MakeTicks, LogAxisMinorTicksContinueAboveTheLastMajor) {
  const LogTickModeGuard log(1);
  // Majors 1 and 2; above 2: 2 + log10(2), 2 + log10(3) below 2.5.
  const std::vector<float> got = Values(*MakeTicks(false, 0.96f, 2.5f));
  ASSERT_EQ(got.size(), 8u + 2u);
  EXPECT_NEAR(got[8], 2 + std::log10(2.0), 1e-5);
  EXPECT_NEAR(got[9], 2 + std::log10(3.0), 1e-5);
}

TEST(MakeTicks, ListsNeverExceedTheirLimit) {
  // Limits so far apart in relative terms that a minor step is a tiny
  // fraction of them still give a bounded list.
  EXPECT_LE(static_cast<int>(MakeTicks(false, -1e30f, 1e30f)->count()), kMaxTickCount);
  EXPECT_LE(static_cast<int>(MakeTicks(true, 0.0f, 1e-30f)->count()), kMaxTickCount);
}

}  // namespace
