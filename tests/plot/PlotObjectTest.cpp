// The plot record: defaults, curves and their per-curve settings, texts,
// intervals, bar edges and the switches that other code sets directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PlotTestCurves.h"

using platform::Rgb;

namespace {

TEST(PlotObject, NewPlotDefaults) {
  const CWINPlot plot;
  EXPECT_EQ(plot.nSymbolSize, 10);
  EXPECT_EQ(plot.nDefaultStyle, -1);
  EXPECT_TRUE(plot.bDrawBackground);
  EXPECT_TRUE(plot.bDeferRender);
  EXPECT_EQ(plot.nEvery, 1);
  EXPECT_EQ(plot.fLabelFactor, 1.0f);
  EXPECT_EQ(plot.colBackground, Rgb(255, 255, 255));
  EXPECT_EQ(plot.colFrame, Rgb(0, 0, 0));
  EXPECT_EQ(plot.iColorCurve, -1);
  EXPECT_EQ(plot.nLogFloorOffset, 20);
  EXPECT_EQ(plot.colUnmarked, Rgb(200, 200, 200));
  EXPECT_TRUE(plot.hMetaFile.IsNull());
  EXPECT_EQ(plot.nCurves, 0);
}

TEST(PlotObject, DefaultCurveColoursStartAtPaletteEntryOne) {
  auto curve = SampledCurve(3, 0, 1, [](float x) { return x; });
  CWINPlot plot;
  const platform::Color expected[] = {Rgb(255, 0, 0),   Rgb(255, 0, 0),     Rgb(255, 255, 0),
                                      Rgb(0, 255, 0),   Rgb(255, 100, 100), Rgb(0, 255, 255),
                                      Rgb(0, 0, 255),   Rgb(100, 200, 255), Rgb(255, 0, 255),
                                      Rgb(100, 100, 0), Rgb(0, 0, 0),       Rgb(255, 0, 0)};
  for (int k = 0; k < 12; ++k) plot.AddCurve(curve->get());
  for (int k = 0; k < 12; ++k) EXPECT_EQ(plot.GetCurveColor(k), expected[k]) << k;
  EXPECT_EQ(plot.GetCurveStyle(5), -1);
  plot.SetCurveColor(2, Rgb(1, 2, 3));
  EXPECT_EQ(plot.GetCurveColor(2), Rgb(1, 2, 3));
  EXPECT_EQ(plot.pCurveColorSet[2], 1);
  EXPECT_EQ(plot.pCurveColorSet[3], 0);
}

TEST(PlotObject, InvalidCurveIndicesChangeNothing) {
  auto curve = SampledCurve(3, 0, 1, [](float x) { return x; });
  CWINPlot plot;
  plot.AddCurve(curve->get());
  for (int i : {-1, 1, 100}) {
    plot.SetCurveColor(i, Rgb(9, 9, 9));
    plot.SetCurveStyle(i, 7);
    plot.SetCurveRange(i, 0, 1);
    plot.SetLegendText(i, "x");
    EXPECT_EQ(plot.GetCurveColor(i), Rgb(0, 0, 0));
    EXPECT_EQ(plot.GetCurveStyle(i), 0);
  }
  EXPECT_EQ(plot.GetCurveColor(0), Rgb(255, 0, 0));
  EXPECT_EQ(plot.pRangeSet[0], 0);
}

TEST(PlotObject, CurveRangesAreClampedToTheCurve) {
  auto curve = SampledCurve(200, 0, 1, [](float x) { return x; });
  CWINPlot plot;
  plot.AddCurve(curve->get());
  const int cases[][4] = {{-5, 1000, 0, 199}, {3, -1, 3, 199}, {5, 9, 5, 9}, {0, 199, 0, 199}};
  for (const auto& c : cases) {
    plot.SetCurveRange(0, c[0], c[1]);
    EXPECT_EQ(plot.pRangeSet[0], 1);
    EXPECT_EQ(plot.pRangeFirst[0], c[2]);
    EXPECT_EQ(plot.pRangeLast[0], c[3]);
  }
}

TEST(PlotObject, RemovingAndClearingCurves) {
  auto curve = SampledCurve(4, 1, 1, [](float x) { return x; });
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.RemoveLastCurve();  // nothing to remove
  EXPECT_EQ(plot.nCurves, 0);
  plot.AddCurve(curve->get());
  plot.AddCurve(curve->get());
  plot.SetLegendText(1, "second");
  plot.ShowLegend();
  plot.SetTopTitle("kept");
  plot.RemoveLastCurve();
  EXPECT_EQ(plot.nCurves, 1);
  EXPECT_NE(plot.fXScale, 0.0f);
  plot.RemoveLastCurve();
  EXPECT_EQ(plot.fXScale, 0.0f);
  EXPECT_EQ(plot.fYScale, 0.0f);
  EXPECT_EQ(plot.fXOffset, 0.0f);
  EXPECT_EQ(plot.fYOffset, 0.0f);

  plot.AddCurve(curve->get());
  plot.ShowLegend();
  plot.SetRanges(0, 10, 0, 10);
  plot.ClearCurves();
  EXPECT_EQ(plot.nCurves, 0);
  EXPECT_FALSE(plot.bShowLegend);
  EXPECT_TRUE(plot.pCurves.empty());
  EXPECT_TRUE(plot.bFixedX);  // ranges, titles and options stay
  EXPECT_EQ(plot.szTopTitle, "kept");
  // A new curve after clearing takes the first default colour again.
  plot.AddCurve(curve->get());
  EXPECT_EQ(plot.GetCurveColor(0), Rgb(255, 0, 0));
  EXPECT_TRUE(plot.pLegendText[0].empty());
}

TEST(PlotObject, ElevenShadedIntervalsKeepTheFirstTen) {
  std::vector<std::unique_ptr<CVector>> intervals;
  CWINPlot plot;
  for (int k = 0; k < 11; ++k) {
    const float ends[] = {static_cast<float>(k), static_cast<float>(k) + 0.5f};
    intervals.push_back(std::make_unique<CVector>(2u, ends));
    plot.AddShadedInterval(intervals.back().get());
  }
  EXPECT_EQ(plot.nIntervals, 10);
  ASSERT_EQ(plot.pIntervals.size(), 10u);
  EXPECT_EQ(plot.pIntervals[9], intervals[9].get());
}

TEST(PlotObject, BarEdgesAreWrappedWhenTheirCountMatchesTheCurve) {
  auto curve = SampledCurve(4, 0, 1, [](float x) { return x; });
  OneBasedArray<float> left(1, 4), right(1, 4), shortLeft(1, 3), shortRight(1, 3);
  for (int k = 1; k <= 4; ++k) {
    left[k] = static_cast<float>(k) - 1.4f;
    right[k] = static_cast<float>(k) - 0.6f;
  }
  CWINPlot plot;
  plot.AddCurve(curve->get());
  plot.SetBarEdges(0, shortLeft.data(), shortRight.data(), 3);
  EXPECT_FALSE(plot.bBarEdges);
  EXPECT_TRUE(plot.pBarLeft.empty());
  plot.SetBarEdges(1, left.data(), right.data(), 4);  // no such curve
  EXPECT_FALSE(plot.bBarEdges);
  plot.SetBarEdges(0, left.data(), right.data(), 4);
  ASSERT_TRUE(plot.bBarEdges);
  ASSERT_EQ(plot.pBarLeft.size(), 101u);
  // Wrapped, not copied: the caller's later values are the ones drawn.
  left[2] = 0.25f;
  EXPECT_EQ(plot.pBarLeft[0]->At(1), 0.25f);
  EXPECT_EQ(plot.pBarRight[0]->At(3), right[4]);
  plot.ClearCurves();
  EXPECT_FALSE(plot.bBarEdges);
  EXPECT_TRUE(plot.pBarLeft.empty());
}

TEST(PlotObject, ErrorValueSettersSetTheCapWidthFromTheSymbolSize) {
  auto curve = SampledCurve(3, 0, 1, [](float x) { return x; });
  OneBasedArray<float> low(1, 3);
  CWINPlot plot;
  plot.AddCurve(curve->get());
  plot.nSymbolSize = 7;
  plot.SetLowErrorValues(0, low.data(), 2);  // wrong count: nothing
  EXPECT_FALSE(plot.bLowErrorBars);
  plot.SetLowErrorValues(0, low.data(), 3);
  EXPECT_TRUE(plot.bLowErrorBars);
  EXPECT_EQ(PlotSettings.ErrorBarCapWidth, 10);
  PlotSettings.ErrorBarCapWidth = 8;
}

TEST(PlotObject, PointColourValuesAndColourScale) {
  const float values[] = {9, 9, 1, 2, 3, 9};
  CWINPlot plot;
  plot.SetPointColorValues(1, nullptr, 0, 3, 1);
  EXPECT_FALSE(plot.bPointColors);
  plot.SetPointColorValues(1, values, 2, 4, 1);
  EXPECT_TRUE(plot.bPointColors);
  EXPECT_EQ(plot.iColorCurve, 1);
  EXPECT_EQ(plot.nColorValues, 3);
  EXPECT_EQ(plot.pColorValues[0], 1.0f);
  EXPECT_TRUE(plot.bProjections);
  const float scales[][4] = {{2, 5, 2, 5}, {3, 3, 3, 6}, {0, 0, 0, 1}, {-2, -2, -2, -4}};
  for (const auto& s : scales) {
    plot.SetColorScaleRange(s[0], s[1]);
    EXPECT_TRUE(plot.bColorScaleRange);
    EXPECT_EQ(plot.fColorScaleMin, s[2]);
    EXPECT_EQ(plot.fColorScaleMax, s[3]);
  }
}

TEST(PlotObject, DefaultStylesAbove4WrapModulo4) {
  CWINPlot plot;
  const int cases[][2] = {{-1, -1}, {0, 0}, {4, 4}, {5, 1}, {8, 0}, {11, 3}};
  for (const auto& c : cases) {
    plot.SetDefaultStyle(c[0]);
    EXPECT_EQ(plot.nDefaultStyle, c[1]) << c[0];
  }
}

// Texts have a fixed room: a longer one is cut there, never overrunning it,
// and never in the middle of a character.
TEST(PlotObject, LongTextsAreCutToTheirRoom) {
  auto curve = SampledCurve(3, 0, 1, [](float x) { return x; });
  CWINPlot plot;
  plot.AddCurve(curve->get());
  const std::string longText(600, 'a');
  plot.SetXTitle(longText);
  plot.SetYTitle(longText);
  plot.SetTopTitle(longText);
  plot.SetYBottomLabel(longText);
  plot.SetYTopLabel(longText);
  plot.SetLegendText(0, longText);
  plot.SetColorBarEndLabels(3, longText, longText);
  plot.SetColorBarTitle(1, 2, longText);
  for (const std::string* s :
       {&plot.szXTitle, &plot.szYTitle, &plot.szTopTitle, &plot.szYBottomLabel, &plot.szYTopLabel,
        &plot.pLegendText[0], &plot.szColorBarLowLabel, &plot.szColorBarHighLabel})
    EXPECT_EQ(*s, longText.substr(0, 99));
  EXPECT_EQ(plot.szColorBarTitle, longText.substr(0, 499));
  EXPECT_TRUE(plot.bXTitle && plot.bYTitle && plot.bTopTitle && plot.bYBottomLabel &&
              plot.bYTopLabel && plot.bColorBarEndLabels && plot.bColorBarTitle);
  // 98 ASCII letters and then a two-byte character: the character is left
  // out whole.
  plot.SetXTitle(std::string(98, 'b') + "\xC2\xB2" + "c");
  EXPECT_EQ(plot.szXTitle, std::string(98, 'b'));
  plot.SetXTitle("s (S)");
  EXPECT_EQ(plot.szXTitle, "s (S)");
  plot.ClearXTitle();
  EXPECT_FALSE(plot.bXTitle);
  EXPECT_TRUE(plot.szXTitle.empty());
}

TEST(PlotObject, PointMarksAreCopied) {
  std::vector<int> marks = {0, 1, 0, 1};  // one-based: marks[1..3]
  CWINPlot plot;
  plot.SetPointMarks(marks.data(), 0, 2, Rgb(1, 1, 1), 4);
  EXPECT_EQ(plot.nPointMarks, 0);
  plot.SetPointMarks(marks.data(), 3, 2, Rgb(1, 1, 1), 4);
  marks[2] = 1;
  EXPECT_EQ(plot.nPointMarks, 3);
  EXPECT_EQ(plot.pPointMarks[2], 0);
  EXPECT_EQ(plot.nUnmarkedStyle, 2);
  EXPECT_EQ(plot.nUnmarkedSize, 4);
  EXPECT_EQ(plot.colUnmarked, Rgb(1, 1, 1));
}

TEST(PlotObject, APlotMadeFromACurveViewsItsVectors) {
  auto curve = SampledCurve(5, 0, 1, [](float x) { return 3 * x; });
  CWINPlot plot(**curve);
  EXPECT_EQ(plot.nCurves, 1);
  EXPECT_EQ(plot.GetCurveStyle(0), 0);
  EXPECT_EQ(plot.nDefaultStyle, 0);
  EXPECT_EQ(plot.GetCurveColor(0), Rgb(255, 0, 0));
  EXPECT_EQ(plot.pCurves[0]->x(), &curve->x());
  EXPECT_NEAR(plot.fYMax, 12.6f, 1e-5);
}

}  // namespace
