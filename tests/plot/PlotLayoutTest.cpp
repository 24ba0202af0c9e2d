// Placement of the frame, automatic and fixed ranges, and the mapping from
// data to logical units.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PlotTestCurves.h"

namespace {

TEST(PlotSpace, Is1399By1000BecauseTheAspectIsStoredInSinglePrecision) {
  EXPECT_EQ(PlotSpaceWidth(), 1399);
  EXPECT_EQ(PlotSpaceHeight(), 1000);
}

struct PlaceCase {
  int top, left, bottom, right;
  bool noYAxis;
  int nLeft, nRight, bgLeft, bgTop, bgRight, bgBottom;
};

TEST(Place, FrameAndBackgroundRectangles) {
  const PlaceCase cases[] = {
      {75, 50, 475, 950, false, 69, 1329, 61, 67, 1337, 503},
      {550, 50, 950, 950, false, 69, 1329, 61, 542, 1337, 978},
      {630, 100, 950, 500, false, 139, 699, 131, 622, 707, 978},
      {405, 50, 575, 950, true, 69, 1329, 64, 397, 1334, 603},
  };
  for (const PlaceCase& c : cases) {
    CWINPlot plot;
    plot.bNoYAxis = c.noYAxis;
    plot.Place(c.top, c.left, c.bottom, c.right);
    EXPECT_EQ(plot.nLeft, c.nLeft);
    EXPECT_EQ(plot.nRight, c.nRight);
    EXPECT_EQ(plot.nTop, c.top);
    EXPECT_EQ(plot.nBottom, c.bottom);
    EXPECT_EQ(plot.nBgLeft, c.bgLeft);
    EXPECT_EQ(plot.nBgTop, c.bgTop);
    EXPECT_EQ(plot.nBgRight, c.bgRight);
    EXPECT_EQ(plot.nBgBottom, c.bgBottom);
  }
}

struct RangeCase {
  const char* what;
  std::vector<float> x, y;
  bool yFromZero;
  float xMin, xMax, yMin, yMax;
};

TEST(Layout, AutomaticRangesOfDataAndResidualPlots) {
  const RangeCase cases[] = {
      {"data", {6.0f, 6.6f, 7.2f}, {0.2f, 0.9f, 1.2f}, false, 5.94f, 7.26f, 0.1475f, 1.25f},
      {"data from zero", {6.0f, 7.2f}, {0.2f, 1.2f}, true, 5.94f, 7.26f, 0.0f, 1.26f},
      {"residuals", {6.0f, 7.2f}, {-0.02f, 0.04f}, false, 5.94f, 7.26f, -0.02f, 0.043f},
      {"constant", {3.0f, 3.0f}, {3.0f, 3.0f}, false, 1.9f, 4.1f, 1.895f, 4.1f},
      // A lower margin that would cross zero stops at zero.
      {"near zero", {0.0f, 1.0f}, {0.01f, 1.0f}, false, -0.05f, 1.05f, 0.0f, 1.0495f},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.what);
    TestCurve curve(c.x, c.y);
    CWINPlot plot;
    plot.Place(75, 50, 475, 950);
    plot.bYFromZero = c.yFromZero;
    plot.AddCurve(curve.get());
    EXPECT_NEAR(plot.fXMin, c.xMin, 1e-5);
    EXPECT_NEAR(plot.fXMax, c.xMax, 1e-5);
    EXPECT_NEAR(plot.fYMin, c.yMin, 1e-5);
    EXPECT_NEAR(plot.fYMax, c.yMax, 1e-5);
    // The mapping puts the range on the frame.
    EXPECT_NEAR(plot.MapX(plot.fXMin), plot.nLeft, 1);
    EXPECT_NEAR(plot.MapX(plot.fXMax), plot.nRight, 1);
    EXPECT_NEAR(plot.MapY(plot.fYMin), plot.nBottom, 1);
    EXPECT_NEAR(plot.MapY(plot.fYMax), plot.nTop, 1);
  }
}

TEST(Layout, RangesCoverEveryCurveWithinItsSubRange) {
  TestCurve a({1.0f, 2.0f, 3.0f, 40.0f}, {5.0f, 6.0f, 7.0f, 100.0f});
  TestCurve b({2.0f, 5.0f}, {-1.0f, 2.0f});
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(a.get());
  plot.AddCurve(b.get());
  plot.SetCurveRange(0, 0, 2);  // the outlier at x = 40 is left out
  plot.Relayout();
  EXPECT_NEAR(plot.fXMin, 1.0f - 0.2f, 1e-5);
  EXPECT_NEAR(plot.fXMax, 5.0f + 0.2f, 1e-5);
  EXPECT_NEAR(plot.fYMin, -1.0f, 1e-5);
  EXPECT_NEAR(plot.fYMax, 7.0f + 0.4f, 1e-5);
}

TEST(Layout, TheSecondaryScaleCurveDoesNotWidenTheYRange) {
  TestCurve coded({1.0f, 2.0f}, {50.0f, 900.0f});
  TestCurve other({1.0f, 2.0f}, {0.0f, 0.3f});
  const float values[] = {1.0f, 2.0f};
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(coded.get());
  plot.SetPointColorValues(0, values, 0, 1, 0);
  plot.SetSecondaryYScale(0, 1000);
  plot.Relayout();
  // Alone, the curve on the secondary scale still sets the range.
  EXPECT_NEAR(plot.fYMax, 900.0f + 0.05f * 850.0f, 1e-3);
  plot.AddCurve(other.get());
  EXPECT_NEAR(plot.fYMin, 0.0f, 1e-6);
  EXPECT_NEAR(plot.fYMax, 0.315f, 1e-6);
}

TEST(Layout, AnEmptyPlotHasNoMappingAndUnitRanges) {
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.Layout();
  EXPECT_EQ(plot.fXScale, 0.0f);
  EXPECT_EQ(plot.fYOffset, 0.0f);
  EXPECT_EQ(plot.fXMin, -1.0f);
  EXPECT_EQ(plot.fYMax, 1.0f);
  plot.SetRanges(0, 5, 0, 5);
  EXPECT_FALSE(plot.bFixedX);
}

TEST(Layout, DeferralIsRaisedOnlyWhenASetMappingChanges) {
  auto curve = SampledCurve(10, 0.0f, 1.0f, [](float x) { return x * x; });
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(curve->get());  // first layout: nothing set before
  EXPECT_FALSE(plot.bDeferRender);
  EXPECT_FALSE(plot.hMetaFile.IsNull());  // the first curve is rendered at once
  plot.Relayout();                        // same data, same mapping
  EXPECT_FALSE(plot.bDeferRender);
  curve->y()[9] = 500.0f;
  plot.Relayout();
  EXPECT_TRUE(plot.bDeferRender);
}

TEST(SetRanges, FixesBothAxesOrRefusesDegenerateLimits) {
  auto curve = SampledCurve(5, 6.0f, 0.25f, [](float x) { return x - 6.0f; });
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(curve->get());
  const float before[] = {plot.fXMin, plot.fXMax, plot.fYMin, plot.fYMax, plot.fXScale};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float refused[][4] = {{6.0f, 7.0f, 0.5f, 0.5f},
                              {6.0f, 6.0f, 0.0f, 1.0f},
                              {6.0f, 6.0f + 1e-11f, 0.0f, 1.0f},
                              {nan, 7.0f, 0.0f, 1.0f},
                              {6.0f, 7.0f, -std::numeric_limits<float>::infinity(), 1.0f}};
  for (const auto& r : refused) {
    plot.SetRanges(r[0], r[1], r[2], r[3]);
    EXPECT_FALSE(plot.bFixedX);
    const float after[] = {plot.fXMin, plot.fXMax, plot.fYMin, plot.fYMax, plot.fXScale};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(after[k], before[k]);
  }
  plot.SetRanges(6.0f, 7.0f, 0.0f, 2e10f);
  EXPECT_TRUE(plot.bFixedX && plot.bFixedY);
  EXPECT_EQ(plot.fYMax, 1.0f);
  // Stored as given, with no margins; a layout keeps them.
  plot.SetRanges(7.0f, 6.5f, 0.0f, 3.0f);
  plot.Relayout();
  EXPECT_EQ(plot.fXMin, 7.0f);
  EXPECT_EQ(plot.fXMax, 6.5f);
  EXPECT_EQ(plot.MapX(7.0f), plot.nLeft);
  plot.SetAutoRanges();
  EXPECT_FALSE(plot.bFixedX || plot.bFixedY);
  EXPECT_NEAR(plot.fXMin, 5.95f, 1e-5);
}

TEST(SetXRange, FixesOneAxisAndLeavesTheOther) {
  auto curve = SampledCurve(5, 0.0f, 1.0f, [](float x) { return 2 * x; });
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(curve->get());
  const float yScale = plot.fYScale;
  plot.SetXRange(1.0f, 3.0f);
  EXPECT_TRUE(plot.bFixedX);
  EXPECT_FALSE(plot.bFixedY);
  EXPECT_EQ(plot.fYScale, yScale);
  EXPECT_EQ(plot.MapX(1.0f), plot.nLeft);
  EXPECT_NEAR(plot.MapX(3.0f), plot.nRight, 1);
  plot.SetYRange(-1.0f, 1.0f);
  EXPECT_TRUE(plot.bFixedY);
  EXPECT_EQ(plot.MapY(-1.0f), plot.nBottom);
}

TEST(SetXRangeAutoY, YCoversThePointsInsideTheWindowIncludingTheLast) {
  auto curve = SampledCurve(11, 0.0f, 1.0f, [](float x) { return x < 5 ? x : 10 - x; });
  TestCurve rising({0.0f, 1.0f, 2.0f, 3.0f}, {0.0f, 1.0f, 2.0f, 8.0f});
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(curve->get());
  plot.AddCurve(rising.get());
  plot.SetXRangeAutoY(2.0f, 3.0f);
  EXPECT_TRUE(plot.bFixedX);
  EXPECT_FALSE(plot.bFixedY);
  EXPECT_EQ(plot.fYMin, 2.0f);
  EXPECT_EQ(plot.fYMax, 8.0f);        // the last point of the second curve
  plot.SetXRangeAutoY(20.0f, 30.0f);  // no point inside: 0 .. 0 widened
  EXPECT_EQ(plot.fYMin, -1.0f);
  EXPECT_EQ(plot.fYMax, 1.0f);
}

TEST(SecondaryScale, EndsLieOnTheFrameAndAreStoredInOrder) {
  CWINPlot plot;
  EXPECT_EQ(plot.SecondaryYValueAt(100), 0.0f);
  plot.Place(75, 50, 475, 950);
  plot.SetSecondaryYScale(5.0f, 1.0f);
  EXPECT_EQ(plot.fSecondaryYLow, 1.0f);
  EXPECT_EQ(plot.fSecondaryYHigh, 5.0f);
  EXPECT_FLOAT_EQ(plot.SecondaryYValueAt(plot.nBottom), 1.0f);
  EXPECT_FLOAT_EQ(plot.SecondaryYValueAt(plot.nTop), 5.0f);
  EXPECT_FLOAT_EQ(plot.SecondaryYValueAt(275), 3.0f);
  plot.SetSecondaryYScale(2.0f, 2.0f);
  EXPECT_FALSE(plot.bSecondaryY);
  EXPECT_EQ(plot.fSecondaryYLow, 0.0f);
  EXPECT_EQ(plot.fSecondaryYHigh, 0.0f);
}

TEST(PointToData, InvertsTheMappingInsideTheFrameOnly) {
  auto curve = SampledCurve(2, 0.0f, 10.0f, [](float x) { return x; });
  CWINPlot plot;
  float x = 0, y = 0;
  EXPECT_FALSE(plot.PointToData(500, 300, x, y));  // not placed
  plot.Place(75, 50, 475, 950);
  plot.AddCurve(curve->get());
  plot.SetRanges(0.0f, 10.0f, 0.0f, 10.0f);
  ASSERT_TRUE(plot.PointToData(500, 275, x, y));
  EXPECT_NEAR(x, (AspectScaled(500) - 69) * 10.0 / 1260, 1e-4);
  EXPECT_NEAR(y, 5.0, 1e-4);
  EXPECT_FALSE(plot.PointToData(20, 275, x, y));   // left of the frame
  EXPECT_FALSE(plot.PointToData(500, 80, x, y));   // in the button row
  EXPECT_FALSE(plot.PointToData(500, 480, x, y));  // below the frame
}

}  // namespace
