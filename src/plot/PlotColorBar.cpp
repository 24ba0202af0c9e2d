// The colour bar beside the frame of a plot with colour-coded points: the
// ramp in steps from bottom to top, its outline, end labels, title and scale.
#include <cmath>
#include <string>

#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PlotTicks.h"

using platform::Canvas;
using platform::Color;
using platform::HAlign;
using platform::Point;
using platform::Rect;
using platform::TextAlign;
using platform::VAlign;

namespace {

constexpr int kBarWidth = 21;
constexpr TextAlign kRightBaseline{HAlign::Right, VAlign::Baseline};
constexpr TextAlign kLeftBaseline{HAlign::Left, VAlign::Baseline};

}  // namespace

// One step per ten units of frame height (at least two), each ten units high
// and centred on its place between 10 units above the bottom and 10 below the
// top; the last step reaches the top.
int ColorBarSteps(int frameHeight) {
  const int steps = frameHeight / 10 + 1;
  return steps == 1 ? 2 : steps;
}

void CWINPlot::DrawColorBar(Canvas& dc) {
  const int left = nRight + nColorBarOffset;
  const int steps = ColorBarSteps(nBottom - nTop);
  const platform::Pen oldPen = dc.SelectPen(platform::BlackPen());
  const platform::Brush oldBrush = dc.SelectBrush(platform::NullBrush());
  for (int i = 1; i <= steps; ++i) {
    const Color c = ValueToColor(static_cast<float>(i) / static_cast<float>(steps));
    dc.SelectPen(platform::SolidPen(c));
    dc.SelectBrush(platform::SolidBrush(c));
    const int centre = static_cast<int>(std::floor(static_cast<double>(i - 1) / (steps - 1) *
                                                   (nTop - nBottom + 20))) +
                       nBottom - 10;
    const int top = i == steps ? nTop : centre - 5;
    dc.Rectangle(Rect{left, top, left + kBarWidth, centre + 5}.Normalized());
  }
  dc.SelectPen(platform::BlackPen());
  dc.MoveTo(Point{left - 1, nBottom - 1});
  dc.LineTo(Point{left + 20, nBottom - 1});
  dc.LineTo(Point{left + 20, nTop});
  dc.LineTo(Point{left - 1, nTop});
  dc.LineTo(Point{left - 1, nBottom - 1});
  const int gap = PlotSettings.TextGap;
  if (bColorBarEndLabels) {
    dc.SetTextAlign(kLeftBaseline);
    const int x = left + 20 + gap + nTopTitleShift + nColorBarLabelOffset;
    dc.TextOut(Point{x, nBottom + 5}, szColorBarLowLabel);
    dc.TextOut(Point{x, nTop + 5}, szColorBarHighLabel);
    dc.SetTextAlign(kRightBaseline);
  }
  if (bColorBarTitle) {
    dc.SetTextAlign(kLeftBaseline);
    dc.TextOut(
        Point{nRight + nColorBarOffset + nColorBarTitleOffset, nTop + nColorBarTitleOffset - 5},
        szColorBarTitle);
    dc.SetTextAlign(kRightBaseline);
  }
  if (bColorBarScale) DrawColorBarScale(dc, left);
  dc.SelectPen(oldPen);
  dc.SelectBrush(oldBrush);
}

void CWINPlot::DrawColorBarScale(Canvas& dc, int barLeft) {
  const float lo = bColorScaleRange ? fColorScaleMin : 0.0f;
  const float hi = bColorScaleRange ? fColorScaleMax : fColorValueMax;
  auto row = [&](float v) {
    return nBottom - static_cast<int>(static_cast<float>(nBottom - nTop) * (v - lo) / (hi - lo));
  };
  const int baselineDrop = PlotSettings.TickLabelFontHeight / 3;
  PlotSettings.LogTickMode = 0;
  const auto majors = MakeTicks(true, lo, hi);
  dc.SetTextAlign(kLeftBaseline);
  for (int k = 0; k < static_cast<int>(majors->count()); ++k) {
    const int y = row(majors->At(k));
    dc.DrawLine(Point{barLeft + 20, y}, Point{barLeft + 28, y});
    char text[20];
    const int length = majors->FormatElement(k, text, sizeof text, fLabelFactor);
    dc.TextOut(Point{barLeft + 30, y + baselineDrop},
               std::string(text, static_cast<std::size_t>(length)));
  }
  const auto minors = MakeTicks(false, lo, hi);
  for (int k = 0; k < static_cast<int>(minors->count()); ++k) {
    const int y = row(minors->At(k));
    dc.DrawLine(Point{barLeft + 20, y}, Point{barLeft + 25, y});
  }
  dc.SetTextAlign(kRightBaseline);
}
