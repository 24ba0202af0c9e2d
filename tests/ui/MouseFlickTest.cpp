// Mouse sliding: the velocity at the release and the precomputed glide,
// against motions whose answer is known (straight and accelerating drags,
// the friction's stopping distance, bounces off the plot edges).

#include <gtest/gtest.h>

#include <vector>

#include "support/TestSupport.h"
#include "ui/MouseFlick.h"

namespace {

class MouseFlickTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    MouseFlickSettings = MouseFlickSettingsRecord{};
    MouseFlickSettings.SlidingOff = false;
    backend().SetClockStep(10);  // each sample 10 ms after the one before
  }
  void TearDown() override {
    MouseFlickSettings = MouseFlickSettingsRecord{};
    HeadlessTest::TearDown();
  }
  static void Drag(const std::vector<int>& xs) {
    MouseFlickReset();
    for (int x : xs) MouseFlickRecord(platform::Point{x, 300});
  }
  // A drag to the right at 1000 pixels per second, ending at x.
  static void FlickRightTo(int x) {
    std::vector<int> xs;
    for (int i = 7; i >= 0; --i) xs.push_back(x - 10 * i);
    Drag(xs);
  }

  struct Glide {
    bool ok = false;
    int count = -1;
    OneBasedArray<int> positions;
    OneBasedArray<float> steps;
  };
  static Glide GlideFrom(int low, int high, int start) {
    Glide g;
    g.ok = MouseFlickGlide(g.positions, g.steps, g.count, low, high, start);
    return g;
  }
};

TEST_F(MouseFlickTest, VelocityAtTheRelease) {
  struct Case {
    const char* what;
    std::vector<int> xs;  // one sample every 10 ms
    float velocity;
    float tolerance;
  };
  const Case cases[] = {
      {"10 px per 10 ms", {0, 10, 20, 30, 40, 50, 60, 70}, 1000.0f, 1e-3f},
      {"to the left", {500, 490, 480, 470}, -1000.0f, 1e-3f},
      // x = 10000 t^2 + 100 t: the slope at t = 0.07 s.
      {"accelerating", {0, 2, 6, 12, 20, 30, 42, 56}, 1500.0f, 1e-2f},
      {"two samples: the straight line", {0, 30}, 3000.0f, 1e-3f},
      // Only the last eight samples count: the fast start is forgotten.
      {"older samples dropped",
       {0, 100, 200, 300, 310, 320, 330, 340, 350, 360, 370, 380},
       1000.0f,
       1e-3f},
      {"one sample", {100}, 0.0f, 0.0f},
      {"no motion", {100, 100, 100}, 0.0f, 1e-6f},
  };
  for (const Case& c : cases) {
    Drag(c.xs);
    EXPECT_NEAR(MouseFlickVelocity(), c.velocity, c.tolerance) << c.what;
    EXPECT_LE(MouseFlickSettings.SampleCount, 8) << c.what;
  }
  EXPECT_FLOAT_EQ(MouseFlickSettings.LastGap, 0.01f);
  EXPECT_FLOAT_EQ(MouseFlickSettings.ReleaseVelocity, 0.0f);  // the last case
}

TEST_F(MouseFlickTest, CurvatureOfTwoDistinctTimesIsNotFitted) {
  // A move and the release in the same millisecond: three samples on two
  // times leave the parabola undetermined, and rounding must not make one up.
  auto& m = MouseFlickSettings;
  m.SampleCount = 3;
  m.FlickTicks = {0, 10, 20, 20};
  m.FlickPoints = {platform::Point{}, {0, 0}, {10, 0}, {20, 0}};
  EXPECT_NEAR(MouseFlickVelocity(), 1500.0f, 1e-2f);
  // All samples at one time: no velocity at all.
  m.FlickTicks = {0, 20, 20, 20};
  EXPECT_EQ(MouseFlickVelocity(), 0.0f);
}

TEST_F(MouseFlickTest, AMouseThatRestedBeforeTheReleaseDoesNotGlide) {
  Drag({0, 10, 20, 30});
  backend().SetClockStep(500);
  MouseFlickRecord(platform::Point{30, 300});  // button-up 0.5 s later
  EXPECT_EQ(MouseFlickVelocity(), 0.0f);
  EXPECT_FLOAT_EQ(MouseFlickSettings.LastGap, 0.5f);
  EXPECT_EQ(MouseFlickSettings.ReleaseVelocity, 0.0f);
  const Glide g = GlideFrom(0, 1000, 30);
  EXPECT_FALSE(g.ok);
  EXPECT_EQ(g.count, 0);
  EXPECT_EQ(g.positions.size(), 0);

  // A gap of exactly 0.3 s still counts as moving.
  Drag({0, 10, 20, 30});
  backend().SetClockStep(300);
  MouseFlickRecord(platform::Point{330, 300});
  EXPECT_GT(MouseFlickVelocity(), 0.0f);
}

TEST_F(MouseFlickTest, SlidingOffRecordsAndGlidesNothing) {
  FlickRightTo(500);
  MouseFlickSettings.SlidingOff = true;
  const auto before = MouseFlickSettings.FlickTicks;
  MouseFlickReset();
  MouseFlickRecord(platform::Point{900, 300});
  EXPECT_EQ(MouseFlickSettings.SampleCount, 8);
  EXPECT_EQ(MouseFlickSettings.FlickTicks, before);
  EXPECT_EQ(MouseFlickVelocity(), 0.0f);
  EXPECT_FALSE(GlideFrom(0, 1000, 500).ok);
}

TEST_F(MouseFlickTest, FreeGlideStopsUnderFrictionAfterHalfASecond) {
  FlickRightTo(500);
  const Glide g = GlideFrom(0, 10000, 500);
  ASSERT_TRUE(g.ok);
  // 1000 px/s against 2000 px/s^2 stops after 0.5 s: 100 steps of 5 ms.
  ASSERT_EQ(g.count, 101);
  EXPECT_EQ(g.positions[1], 500);
  EXPECT_EQ(g.steps[1], 0.0f);
  // Each step rounded up to whole pixels: 20 steps each of 5, 4, 3, 2, 1.
  for (int i = 2; i <= g.count; ++i) {
    EXPECT_FLOAT_EQ(g.steps[i], 0.005f) << i;
    EXPECT_EQ(g.positions[i] - g.positions[i - 1], 5 - (i - 2) / 20) << i;
  }
  EXPECT_EQ(g.positions[g.count], 800);
}

TEST_F(MouseFlickTest, GlideIntoAnEdge) {
  struct Case {
    bool toTheRight;
    bool bouncing;
  };
  for (const Case c :
       {Case{true, false}, Case{true, true}, Case{false, false}, Case{false, true}}) {
    const int low = 100, high = 900;
    const int edge = c.toTheRight ? high : low, away = c.toTheRight ? -1 : 1;
    const int start = edge + 20 * away;
    MouseFlickSettings.Bouncing = c.bouncing;
    if (c.toTheRight) {
      FlickRightTo(start);
    } else {
      Drag({start + 70, start + 60, start + 50, start + 40, start + 30, start + 20, start + 10,
            start});
    }
    const Glide g = GlideFrom(low, high, start);
    ASSERT_TRUE(g.ok);
    // Four steps of 5 pixels reach the edge; the fifth would pass it.
    EXPECT_EQ(g.positions[5], edge);
    EXPECT_EQ(g.positions[6], edge);
    for (int i = 1; i <= g.count; ++i) {
      EXPECT_GE(g.positions[i], low);
      EXPECT_LE(g.positions[i], high);
    }
    const int last = g.positions[g.count];
    if (c.bouncing) {
      // The pull brings the line back to the edge it hit, where it rests.
      EXPECT_LT(std::abs(last - edge), 3) << c.toTheRight;
      EXPECT_LT(g.count, 401);
    } else {
      // Turned back with 70 % of 960 px/s: the first step back is 4 pixels
      // (5 without damping), and the friction stops it past the start.
      EXPECT_EQ(g.positions[7], edge + 4 * away) << c.toTheRight;
      EXPECT_GT((last - start) * away, 0) << c.toTheRight;
      for (int i = 7; i <= g.count; ++i) EXPECT_GE((g.positions[i] - g.positions[i - 1]) * away, 0);
    }
  }
}

}  // namespace
