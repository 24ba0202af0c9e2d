// Scan colours: the fixed cycle with its dimmed repetition and the time ramp.
#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "display/ScanColours.h"
#include "state/MainPlotLayout.h"

using platform::Rgb;

namespace {

TEST(ScanColours, FixedCycleOfThirtyScans) {
  const platform::Color expected[] = {
      Rgb(255, 0, 0),     Rgb(0, 255, 0),     Rgb(0, 0, 255),     Rgb(200, 200, 0),
      Rgb(255, 0, 255),   Rgb(0, 255, 255),   Rgb(125, 125, 125), Rgb(255, 40, 40),
      Rgb(80, 225, 80),   Rgb(195, 120, 195), Rgb(160, 165, 160), Rgb(135, 200, 200),
      Rgb(240, 105, 105), Rgb(75, 24, 24),    Rgb(185, 0, 0),     Rgb(0, 185, 0),
      Rgb(0, 0, 185),     Rgb(130, 130, 0),   Rgb(185, 0, 185),   Rgb(0, 185, 185),
      Rgb(55, 55, 55),    Rgb(205, 246, 246), Rgb(30, 175, 30),   Rgb(145, 70, 145),
      Rgb(110, 115, 110), Rgb(85, 150, 150),  Rgb(190, 55, 55),   Rgb(25, 230, 230),
      Rgb(14, 251, 14)};
  for (int i = 1; i <= 29; ++i)
    EXPECT_EQ(display::CycleColour(i, 30), expected[i - 1]) << "scan " << i;
}

TEST(ScanColours, CycleIsBlackOutsideTheScans) {
  EXPECT_EQ(display::CycleColour(0, 10), platform::kBlack);
  EXPECT_EQ(display::CycleColour(11, 10), platform::kBlack);
  EXPECT_EQ(display::CycleColour(1, 0), platform::kBlack);
  // Dimmed once only: i = 30 is cycle position 16, beyond 10 scans.
  EXPECT_EQ(display::CycleColour(30, 10), platform::kBlack);
}

TEST(ScanColours, TimeRampOfFiveScans) {
  const platform::Color expected[] = {Rgb(0, 0, 255), Rgb(0, 255, 255), Rgb(204, 255, 51),
                                      Rgb(255, 102, 0), Rgb(191, 0, 0)};
  for (int i = 1; i <= 5; ++i) {
    const platform::Color c = display::RampColour(i, 5);
    EXPECT_NEAR(c.red, expected[i - 1].red, 1) << i;
    EXPECT_NEAR(c.green, expected[i - 1].green, 1) << i;
    EXPECT_NEAR(c.blue, expected[i - 1].blue, 1) << i;
  }
  EXPECT_EQ(display::RampColour(0, 5), platform::kBlack);
  EXPECT_EQ(display::RampColour(7, 5), Rgb(191, 0, 0));  // clamped to t = 1
  EXPECT_EQ(display::RampColour(1, 0), platform::kBlack);
}

TEST(ScanColours, RampIsContinuousAtItsBreakpoints) {
  for (float t : {0.2f, 0.4f, 0.65f, 0.9f}) {
    const platform::Color below = display::RampColourAt(t - 1e-4f);
    const platform::Color above = display::RampColourAt(t + 1e-4f);
    EXPECT_NEAR(below.red, above.red, 2) << t;
    EXPECT_NEAR(below.green, above.green, 2) << t;
    EXPECT_NEAR(below.blue, above.blue, 2) << t;
  }
}

class ScanColourChoice : public DisplayTest {};

TEST_F(ScanColourChoice, FollowsTheOptionAndTheLoadedScans) {
  EXPECT_EQ(display::ScanColour(1), platform::kBlack);  // nothing loaded
  LoadSyntheticScans(5, 11);
  MainDisplayOptions.ScanColourFromTime = true;
  EXPECT_EQ(display::ScanColour(2), display::RampColour(2, 5));
  MainDisplayOptions.ScanColourFromTime = false;
  EXPECT_EQ(display::ScanColour(2), Rgb(0, 255, 0));
}

}  // namespace
