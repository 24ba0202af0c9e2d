// Ticks, tick labels and titles around the frame of a plot.
#include <algorithm>
#include <string>
#include <string_view>

#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PlotTicks.h"

using platform::Canvas;
using platform::HAlign;
using platform::Point;
using platform::TextAlign;
using platform::VAlign;

namespace {

constexpr TextAlign kCentreTop{HAlign::Center, VAlign::Top};
constexpr TextAlign kRightBaseline{HAlign::Right, VAlign::Baseline};
constexpr TextAlign kLeftBaseline{HAlign::Left, VAlign::Baseline};
constexpr TextAlign kCentreBottom{HAlign::Center, VAlign::Bottom};

// Ticks of one axis with LogTickMode set for exactly this call.
std::unique_ptr<CVector> AxisTicks(bool major, float lo, float hi, bool logTicks) {
  PlotSettings.LogTickMode = logTicks ? 1 : 0;
  std::unique_ptr<CVector> ticks = MakeTicks(major, lo, hi);
  PlotSettings.LogTickMode = 0;
  return ticks;
}

// The label text of tick k.
std::string TickLabel(const CVector& ticks, int k, float factor) {
  char text[20];
  const int length = ticks.FormatElement(k, text, sizeof text, factor);
  return std::string(text, static_cast<std::size_t>(length));
}

void Line(Canvas& dc, int x0, int y0, int x1, int y1) {
  dc.DrawLine(Point{x0, y0}, Point{x1, y1});
}

}  // namespace

void CWINPlot::DrawXTicks(Canvas& dc) {
  const PlotSettingsRecord& s = PlotSettings;
  const int major = s.MajorTickLength, minor = s.MinorTickLength;
  // Ticks on the top edge reach into the frame as well when asked to.
  const int topInner = bTopInnerTicks ? major : 0;
  const auto majors = AxisTicks(true, fXMin, fXMax, bLogTicksX);
  for (int k = 0; k < static_cast<int>(majors->count()); ++k) {
    const int x = MapX(majors->At(k));
    if (!bNoXAxis) {
      Line(dc, x, nBottom, x, nBottom + major);
      if (!bHideTickLabels)
        dc.TextOut(Point{x, nBottom + major + s.TextGap}, TickLabel(*majors, k, 1.0f));
    }
    if (s.TicksAllSides) Line(dc, x, nTop + topInner, x, nTop - major);
  }
  const auto minors = AxisTicks(false, fXMin, fXMax, bLogTicksX);
  const int topMinorInner = bTopInnerTicks ? minor : 0;
  for (int k = 0; k < static_cast<int>(minors->count()); ++k) {
    const int x = MapX(minors->At(k));
    if (!bNoXAxis) Line(dc, x, nBottom, x, nBottom + minor);
    if (s.TicksAllSides) Line(dc, x, nTop + topMinorInner, x, nTop - minor);
  }
}

int CWINPlot::DrawYTicks(Canvas& dc) {
  const PlotSettingsRecord& s = PlotSettings;
  const int major = s.MajorTickLength, minor = s.MinorTickLength;
  // A label's baseline a third of its height below the tick centres it.
  const int baselineDrop = s.TickLabelFontHeight / 3;
  int labelWidth = 0;
  dc.SetTextAlign(kRightBaseline);
  const auto majors = AxisTicks(true, fYMin, fYMax, bLogTicksY);
  for (int k = 0; k < static_cast<int>(majors->count()); ++k) {
    const int y = MapY(majors->At(k));
    Line(dc, nLeft, y, nLeft - major, y);
    const std::string label = TickLabel(*majors, k, fLabelFactor);
    // Every character counted as wide as the font is high: twice a label's
    // width, a safe margin for the title beside the labels.
    labelWidth = std::max(labelWidth, static_cast<int>(label.size()) * s.TickLabelFontHeight);
    if (!bHideTickLabels) dc.TextOut(Point{nLeft - major - s.TextGap, y + baselineDrop}, label);
    if (s.TicksAllSides) {
      Line(dc, nRight, y, nRight + major, y);
      if (bRightYLabels && !bHideTickLabels) {
        dc.SetTextAlign(kLeftBaseline);
        dc.TextOut(Point{nRight + major + s.TextGap, y + baselineDrop}, label);
        dc.SetTextAlign(kRightBaseline);
      }
    }
  }
  const auto minors = AxisTicks(false, fYMin, fYMax, bLogTicksY);
  for (int k = 0; k < static_cast<int>(minors->count()); ++k) {
    const int y = MapY(minors->At(k));
    Line(dc, nLeft, y, nLeft - minor, y);
    if (s.TicksAllSides) Line(dc, nRight, y, nRight + minor, y);
  }
  return labelWidth;
}

void CWINPlot::DrawTitles(Canvas& dc, int labelWidth) {
  const PlotSettingsRecord& s = PlotSettings;
  const int major = s.MajorTickLength;
  dc.SelectFont(s.hTitleFont);
  dc.SetTextAlign(kCentreTop);
  if (bXTitle && !bNoXAxis) {
    const int x = nLeft + static_cast<int>((nRight - nLeft) * 0.5);
    dc.TextOut(Point{x, nBottom + major + s.TickLabelFontHeight + s.TextGap + nXTitleOffset},
               szXTitle);
  }
  // The y title and end labels stand left of the widest tick label.
  const int yTitleX = nLeft - labelWidth / 2 - major - nYTitleOffset;
  dc.SetTextAlign(kRightBaseline);
  if (bYBottomLabel) dc.TextOut(Point{yTitleX, nBottom}, szYBottomLabel);
  if (bYTopLabel) dc.TextOut(Point{yTitleX, nTop}, szYTopLabel);
  if (bYTitle) {
    dc.SetTextAlign(kCentreBottom);
    dc.SelectFont(s.hYTitleFont);
    dc.TextOut(Point{yTitleX, nBottom + static_cast<int>((nTop - nBottom) * 0.5)}, szYTitle);
    dc.SetTextAlign(kCentreTop);
  }
  if (bTopTitle) {
    dc.SetTextAlign(kCentreTop);
    dc.SelectFont(s.hTopTitleFont);
    const int x = static_cast<int>(nLeft + (nRight - nLeft) * 0.5 - nTopTitleShift);
    dc.TextOut(Point{x, nTop + nTopTitleOffset - s.TopTitleFontHeight - s.TextGap}, szTopTitle);
  }
}
