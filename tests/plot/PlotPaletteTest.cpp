// The curve palette and the colour ramp of colour-coded points.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plot/CWINPlot.h"

using platform::Rgb;

namespace {

struct RampCase {
  double v;
  platform::Color expected;
};

TEST(ValueToColor, DefaultRampRunsWhiteBlueCyanYellowRedDarkRed) {
  const CWINPlot plot;
  const RampCase cases[] = {
      {0.0, Rgb(255, 255, 255)}, {0.2, Rgb(0, 0, 255)},    {0.4, Rgb(0, 255, 255)},
      {0.5, Rgb(102, 255, 152)}, {0.65, Rgb(255, 255, 0)}, {0.9, Rgb(255, 0, 0)},
      {1.0, Rgb(191, 0, 0)},     {7.5, Rgb(191, 0, 0)},    {0.1, Rgb(127, 127, 255)},
  };
  for (const RampCase& c : cases) EXPECT_EQ(plot.ValueToColor(c.v), c.expected) << c.v;
}

TEST(ValueToColor, AlternativeRampStartsGreyAndVioletAndEndsBlack) {
  CWINPlot plot;
  plot.SetAltColorRamp(1);
  const RampCase cases[] = {
      {0.0, Rgb(100, 100, 100)}, {0.05, Rgb(150, 0, 211)}, {0.2, Rgb(0, 0, 255)},
      {0.5, Rgb(102, 255, 152)}, {1.0, Rgb(0, 0, 0)},      {0.95, Rgb(127, 0, 0)},
  };
  for (const RampCase& c : cases) EXPECT_EQ(plot.ValueToColor(c.v), c.expected) << c.v;
}

// Values below 0 and values that are not numbers take the colour of 0.
TEST(ValueToColor, OutOfRangeAndUndefinedValuesAreClamped) {
  const CWINPlot plot;
  EXPECT_EQ(plot.ValueToColor(-3.0), plot.ValueToColor(0.0));
  EXPECT_EQ(plot.ValueToColor(std::numeric_limits<double>::quiet_NaN()), plot.ValueToColor(0.0));
  EXPECT_EQ(plot.ValueToColor(-1.0), Rgb(255, 255, 255));
}

// A float value exactly on a threshold leaves a rounding residue just below
// zero in one fraction; it must give 0, not wrap round to 255.
TEST(ValueToColor, SinglePrecisionThresholdsDoNotWrapComponents) {
  CWINPlot plot;
  EXPECT_EQ(plot.ValueToColor(0.2f), Rgb(0, 0, 255));
  plot.SetAltColorRamp(1);
  EXPECT_EQ(plot.ValueToColor(0.05f), Rgb(150, 0, 211));
}

TEST(ValueToColor, MinusOneHasItsOwnColourWhenAsked) {
  CWINPlot plot;
  const platform::Color plain = plot.ValueToColor(-1.0);
  plot.BlackForMinusOne();
  EXPECT_EQ(plot.ValueToColor(-1.0), Rgb(0, 0, 0));
  plot.NoBlackForMinusOne();
  plot.SetAltColorRamp(1);
  EXPECT_EQ(plot.ValueToColor(-1.0), Rgb(100, 100, 100));
  plot.WhiteForMinusOne();
  EXPECT_EQ(plot.ValueToColor(-1.0), Rgb(255, 255, 255));
  plot.NoWhiteForMinusOne();
  plot.HideMinusOne();
  EXPECT_EQ(plot.ValueToColor(-1.0), Rgb(255, 255, 255));
  // Only exactly -1 is special.
  EXPECT_EQ(plot.ValueToColor(-1.001), Rgb(100, 100, 100));
  EXPECT_EQ(plain, Rgb(255, 255, 255));
}

TEST(Palette, TenColoursRepeatAndNegativeIndicesAreGrey) {
  CWINPlot plot;
  const struct {
    int index;
    platform::Color expected;
  } cases[] = {{0, Rgb(0, 0, 0)},        {1, Rgb(255, 0, 0)},      {2, Rgb(255, 255, 0)},
               {3, Rgb(0, 255, 0)},      {4, Rgb(255, 100, 100)},  {5, Rgb(0, 255, 255)},
               {6, Rgb(0, 0, 255)},      {7, Rgb(100, 200, 255)},  {8, Rgb(255, 0, 255)},
               {9, Rgb(100, 100, 0)},    {12, Rgb(255, 255, 0)},   {29, Rgb(100, 100, 0)},
               {-1, Rgb(200, 200, 200)}, {-50, Rgb(200, 200, 200)}};
  for (const auto& c : cases) EXPECT_EQ(plot.PaletteColor(c.index), c.expected) << c.index;
  plot.SetPaletteColor(3, Rgb(1, 2, 3));
  plot.SetPaletteColor(10, Rgb(9, 9, 9));  // outside the palette: ignored
  plot.SetPaletteColor(-1, Rgb(9, 9, 9));
  EXPECT_EQ(plot.PaletteColor(13), Rgb(1, 2, 3));
  EXPECT_EQ(plot.PaletteColor(0), Rgb(0, 0, 0));
}

}  // namespace
