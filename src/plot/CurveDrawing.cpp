// Drawing one curve of a plot into the picture being recorded: its legend
// entry, its points in their style, connecting lines, colour-coded points,
// error bars, histogram bars and the side projections of colour-coded data.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "numerics/RandomNumbers.h"
#include "numerics/SideProjections.h"
#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PointSymbols.h"

using platform::Brush;
using platform::Canvas;
using platform::Color;
using platform::Pen;
using platform::Point;
using platform::Rect;

namespace {

// The run of one curve: which points are drawn and joined, point by point.
class CurvePainter {
 public:
  CurvePainter(CWINPlot& plot, Canvas& dc, int curve, int first, int last)
      : plot_(plot),
        dc_(dc),
        curve_(curve),
        first_(first),
        last_(last),
        x_(*plot.pCurves[static_cast<std::size_t>(curve)]->x()),
        y_(*plot.pCurves[static_cast<std::size_t>(curve)]->y()),
        style_(plot.pCurveStyle[static_cast<std::size_t>(curve)]),
        curvePen_(platform::SolidPen(plot.pCurveColor[static_cast<std::size_t>(curve)])),
        curveBrush_(style_ == 15
                        ? platform::NullBrush()
                        : platform::SolidBrush(plot.pCurveColor[static_cast<std::size_t>(curve)])),
        colorCurve_(plot.bPointColors && curve == plot.iColorCurve) {}

  const Pen& CurvePen() const { return curvePen_; }
  const Brush& CurveBrush() const { return curveBrush_; }
  bool IsColorCurve() const { return colorCurve_; }

  // Visits the point with index k as the one drawn at visiting position
  // `position` (they differ only in a random order).
  void Visit(int k, int position);

 private:
  bool HasColorValue(int k) const {
    return colorCurve_ && plot_.pColorValues != nullptr && k < plot_.nColorValues;
  }
  float ColorValue(int k) const { return plot_.pColorValues[k]; }
  void SelectPointColor(float value);
  void FlagOutsideRange(float y, bool inX, bool unmarked) const;
  bool Inside(float x, float y, bool inX) const;
  int SecondaryRow(float y) const;
  void DrawSymbol(int style, int size, Point p, int k, bool lastOfCurve);
  void DrawBar(Point p, int k);
  void DrawErrorBars(Point p, int k);

  CWINPlot& plot_;
  Canvas& dc_;
  const int curve_;
  const int first_;
  const int last_;
  const CVector& x_;
  const CVector& y_;
  const int style_;
  const Pen curvePen_;
  const Brush curveBrush_;
  const bool colorCurve_;
  // Run state.
  bool penDown_ = false;
  Point previous_;
  bool haveSelectedX_ = false;
  float lastSelectedX_ = 0;
};

void CurvePainter::SelectPointColor(float value) {
  const Color c = plot_.ValueToColor(plot_.ColorWeightOf(value));
  dc_.SelectPen(platform::SolidPen(c));
  if (style_ != 15) dc_.SelectBrush(platform::SolidBrush(c));
}

void CurvePainter::FlagOutsideRange(float y, bool inX, bool unmarked) const {
  if (plot_.bFixedX && !inX) return;
  if (colorCurve_ && plot_.bSecondaryY) return;
  if (!(y > plot_.fYMax || y < plot_.fYMin)) return;
  if (plot_.bRangeCheckMarkedOnly && unmarked) return;
  PlotSettings.PointOutsideRange = 1;
}

bool CurvePainter::Inside(float x, float y, bool inX) const {
  if (colorCurve_ && plot_.bSecondaryY) return inX;
  if (!(plot_.fYMin <= y && y <= plot_.fYMax)) return false;
  return inX || (plot_.bLogX && x == 0) || (plot_.bLogY && y == 0);
}

int CurvePainter::SecondaryRow(float y) const {
  const float low = plot_.fSecondaryYLow, high = plot_.fSecondaryYHigh;
  if (y <= low) return plot_.nBottom;
  if (y >= high) return plot_.nTop;
  return plot_.nBottom + static_cast<int>((y - low) / (high - low) *
                                          static_cast<float>(plot_.nTop - plot_.nBottom));
}

void CurvePainter::DrawBar(Point p, int k) {
  const auto i = static_cast<std::size_t>(curve_);
  if (i >= plot_.pBarLeft.size() || i >= plot_.pBarRight.size()) return;
  const CVector* left = plot_.pBarLeft[i].get();
  const CVector* right = plot_.pBarRight[i].get();
  if (left == nullptr || right == nullptr) return;
  const int x0 = plot_.MapX(left->At(k)), x1 = plot_.MapX(right->At(k));
  const int y0 = plot_.MapY(0.0f);
  dc_.Rectangle(Rect{std::min(x0, x1), std::min(y0, p.y), std::max(x0, x1), std::max(y0, p.y)});
}

void CurvePainter::DrawSymbol(int style, int size, Point p, int k, bool lastOfCurve) {
  if (style == 4) {
    plot_.DrawValueLabel(dc_, p.x, p.y, curve_, k);
    return;
  }
  if (style == 21) {
    if (size != 0) DrawBar(p, k);
    return;
  }
  SymbolSizes sizes;
  sizes.size = size;
  sizes.barHalfWidth = plot_.nBarHalfWidth;
  sizes.boxHalfWidth = plot_.nBoxHalfWidth;
  sizes.boxHalfHeight = plot_.nBoxHalfHeight;
  sizes.zeroY = plot_.MapY(0.0f);
  SymbolPoint point;
  point.at = p;
  if (penDown_) point.previous = previous_;
  point.lastOfCurve = lastOfCurve;
  DrawPointSymbol(dc_, style, point, sizes);
}

// Error values are the y of the bar ends; each end carries a cap.
void CurvePainter::DrawErrorBars(Point p, int k) {
  const int c = PlotSettings.ErrorBarCapWidth;
  const auto i = static_cast<std::size_t>(curve_);
  auto bar = [&](const std::vector<std::unique_ptr<CVector>>& values) {
    if (i >= values.size() || !values[i]) return;
    const int end = plot_.MapY(values[i]->At(k));
    dc_.MoveTo(Point{p.x - c, end});
    dc_.LineTo(Point{p.x + c, end});
    dc_.MoveTo(Point{p.x, end});
    dc_.LineTo(p);
  };
  if (plot_.bLowErrorBars) bar(plot_.pLowErrorValues);
  if (plot_.bHighErrorBars) bar(plot_.pHighErrorValues);
}

void CurvePainter::Visit(int k, int position) {
  const float x = x_[static_cast<unsigned>(k)];
  const float y = y_[static_cast<unsigned>(k)];
  const bool colored = HasColorValue(k) && plot_.fColorValueMax != 0;
  if (colored) SelectPointColor(ColorValue(k));
  const float previousX = lastSelectedX_;
  const bool hadSelected = haveSelectedX_;
  lastSelectedX_ = x;
  haveSelectedX_ = true;

  const bool unmarked =
      plot_.nPointMarks > 0 && k < plot_.nPointMarks && plot_.pPointMarks[k + 1] == 0;
  const bool inX = plot_.fXMin <= x && x <= plot_.fXMax;
  FlagOutsideRange(y, inX, unmarked);
  int style = style_, size = plot_.nSymbolSize;
  if (unmarked) {
    dc_.SelectPen(platform::SolidPen(plot_.colUnmarked));
    style = plot_.nUnmarkedStyle;
    size = plot_.nUnmarkedSize;
  }

  if (!Inside(x, y, inX)) {
    penDown_ = false;  // the next drawn point starts a new run
  } else {
    const Point p{plot_.MapX(x),
                  colorCurve_ && plot_.bSecondaryY ? SecondaryRow(y) : plot_.MapY(y)};
    const bool joins =
        (plot_.bConnectPoints && style != 0 && style != 14 && style != 21 && !colorCurve_) ||
        style == -1;
    const bool xDecreases = plot_.bBreakOnXDecrease && hadSelected && x < previousX;
    if (penDown_ && joins && !xDecreases)
      dc_.LineTo(p);
    else
      dc_.MoveTo(p);
    const bool hidden = plot_.bMinusOneHidden && HasColorValue(k) && ColorValue(k) == -1.0f;
    if (!hidden) DrawSymbol(style, size, p, k, position == last_);
    DrawErrorBars(p, k);
    previous_ = p;
    penDown_ = true;
  }
  if (colored || unmarked) {
    dc_.SelectPen(curvePen_);
    dc_.SelectBrush(curveBrush_);
  }
}

}  // namespace

float CWINPlot::ColorWeightOf(float value) const {
  if ((bMinusOneBlack || bMinusOneHidden || bMinusOneWhite) && value == -1.0f) return -1.0f;
  float w = bColorScaleRange ? (value - fColorScaleMin) / (fColorScaleMax - fColorScaleMin)
                             : value / fColorValueMax;
  if (!(w >= 0)) w = 0;
  if (w > 1) w = 1;
  return w;
}

void CWINPlot::DrawColorKey(Canvas& dc) {
  if (nColorKeyRows <= 0) return;
  dc.Save();
  dc.SetTextAlign(platform::TextAlign{});
  for (int r = 0; r < nColorKeyRows; ++r) {
    const Color c = GetCurveColor(r);
    dc.SelectPen(platform::SolidPen(c));
    dc.SelectBrush(platform::SolidBrush(c));
    const int y = nTop + 15 * r + 5;
    dc.DrawLine(Point{nLeft + 5, y}, Point{nLeft + 25, y});
    dc.TextOut(Point{nLeft + 30, nTop + 15 * r - 3}, std::to_string(r + 1));
  }
  dc.Restore();
}

void CWINPlot::DrawLegend(Canvas& dc, int i, Color color) {
  const std::string& text = pLegendText[static_cast<std::size_t>(i)];
  if (text.empty()) return;
  const Color oldColor = dc.SetTextColor(color);
  const platform::TextAlign oldAlign = dc.SetTextAlign(platform::TextAlign{});
  dc.TextOut(Point{nLeft + 5, nTop + 20 * i + 5}, text);
  dc.SetTextAlign(oldAlign);
  dc.SetTextColor(oldColor);
}

void CWINPlot::DrawProjections(Canvas& dc, const CCurve& curve, int n) {
  OneBasedArray<float> xs(1, n), ys(1, n), values(1, n);
  for (int j = 0; j < n; ++j) {
    xs[j + 1] = (*curve.x())[static_cast<unsigned>(j)];
    ys[j + 1] = (*curve.y())[static_cast<unsigned>(j)];
    // Points beyond the caller's colour values count as 0.
    values[j + 1] = j < nColorValues ? pColorValues[j] : 0.0f;
  }
  pProjX.Resize(1, n);
  pProjXMax.Resize(1, n);
  pProjY.Resize(1, n);
  pProjYMax.Resize(1, n);
  ProjectMaxima(n, xs.data(), ys.data(), values.data(), nProjX, pProjX.data(), pProjXMax.data(),
                nProjY, pProjYMax.data(), pProjY.data());
  std::vector<Point> line;
  for (int j = 1; j <= nProjX; ++j)
    line.push_back(
        Point{MapX(pProjX[j]), MapY(fYMin + (fYMax - fYMin) * pProjXMax[j] / fColorValueMax)});
  const Pen old = dc.SelectPen(platform::SolidPen(platform::Rgb(0, 0, 255)));
  dc.Polyline(line);
  line.clear();
  for (int j = 1; j <= nProjY; ++j)
    line.push_back(
        Point{MapX(fXMin + (fXMax - fXMin) * pProjYMax[j] / fColorValueMax), MapY(pProjY[j])});
  dc.SelectPen(platform::SolidPen(platform::Rgb(0, 255, 0)));
  dc.Polyline(line);
  dc.SelectPen(old);
}

void CWINPlot::DrawCurve(Canvas& dc, int i) {
  if (!ValidCurve(i)) return;
  const CCurve* curve = pCurves[static_cast<std::size_t>(i)];
  if (curve == nullptr || curve->x() == nullptr || curve->y() == nullptr) return;
  // A y vector shorter than its x vector limits the points that exist.
  const int count = static_cast<int>(std::min(curve->x()->count(), curve->y()->count()));
  int n = count, first = 0;
  if (pRangeSet[static_cast<std::size_t>(i)]) {
    n = std::min(n, pRangeLast[static_cast<std::size_t>(i)] + 1);
    if (pRangeFirst[static_cast<std::size_t>(i)] < count)
      first = std::max(pRangeFirst[static_cast<std::size_t>(i)], 0);
  }
  if (n <= 0) return;
  DrawColorKey(dc);

  // The cells of a map are centred on their grid values, so the outer ones
  // would stick out half a cell over the frame onto the axis labels.
  constexpr int kCellStyle = 11;
  const bool cells = pCurveStyle[static_cast<std::size_t>(i)] == kCellStyle;
  CurvePainter painter(*this, dc, i, first, n - 1);
  const Pen oldPen = dc.SelectPen(painter.CurvePen());
  const Brush oldBrush = dc.SelectBrush(painter.CurveBrush());
  const int style = pCurveStyle[static_cast<std::size_t>(i)];
  if (style == 20) {
    std::vector<Point> corners;
    for (int k = 0; k < n; ++k)
      corners.push_back(Point{MapX((*curve->x())[static_cast<unsigned>(k)]),
                              MapY((*curve->y())[static_cast<unsigned>(k)])});
    dc.Polygon(corners);
  } else {
    if (bShowLegend && style != 0) DrawLegend(dc, i, pCurveColor[static_cast<std::size_t>(i)]);
    if (first < n)
      dc.MoveTo(Point{MapX((*curve->x())[static_cast<unsigned>(first)]),
                      MapY((*curve->y())[static_cast<unsigned>(first)])});
    if (painter.IsColorCurve()) {
      fColorValueMax = 0;
      if (pColorValues != nullptr && nColorValues > 0)
        fColorValueMax = *std::max_element(pColorValues, pColorValues + nColorValues);
    }
    if (bRandomOrder && first < n) RandomDrawOrder(first, n);
    const bool ordered = bRandomOrder && nDrawOrder == n;
    const int every = std::max(nEvery, 1);
    int counter = every;
    if (cells) {
      dc.Save();
      dc.IntersectClipRect(platform::Rect{nLeft, nTop, nRight, nBottom}.Normalized());
    }
    for (int k = first; k < n; ++k) {
      if (counter != every) {
        ++counter;
        continue;
      }
      counter = 1;
      const int point = ordered ? pDrawOrder[k + 1] - 1 : k;
      if (point < first || point >= n) continue;
      painter.Visit(point, k);
    }
    if (cells) dc.Restore();
    if (painter.IsColorCurve() && bProjections && fColorValueMax != 0)
      DrawProjections(dc, *curve, n);
  }
  dc.SelectPen(oldPen);
  dc.SelectBrush(oldBrush);
}

void CWINPlot::DrawDot(Canvas& dc, int x, int y) {
  dc.MoveTo(Point{x, y});
  dc.LineTo(Point{x + 1, y + 1});
  dc.MoveTo(Point{x, y});
}

void CWINPlot::DrawDashedSegment(Canvas& dc, int x0, int y0, int x1, int y1) {
  const int dx = x1 - x0, dy = y1 - y0;
  if (std::abs(dx) <= 2 && std::abs(dy) <= 2) {
    // Dense points: every other one gets a dot, so they read as a dotted line.
    if (DashPhase) {
      DrawDot(dc, x0, y0);
      DashPhase = 0;
    } else {
      DashPhase = 1;
    }
    return;
  }
  DashPhase = 1;
  if (std::abs(dx) >= 5 || std::abs(dy) >= 5) {
    // Dashes and gaps of 5 units each, ending 10 units short of the end.
    const double length = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
    const double sx = dx / (length / 5), sy = dy / (length / 5);
    double px = x0, py = y0;
    while (!(std::fabs(x1 - px) < 10 && std::fabs(y1 - py) < 10)) {
      dc.MoveTo(Point{static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py))});
      dc.LineTo(
          Point{static_cast<int>(std::floor(px + sx)), static_cast<int>(std::floor(py + sy))});
      px += 2 * sx;
      py += 2 * sy;
    }
  } else {
    dc.MoveTo(Point{x0, y0});
    dc.LineTo(Point{x0 + dx / 2, y0 + dy / 2});
  }
  dc.MoveTo(Point{x1, y1});
}

void CWINPlot::DrawDashEnd(Canvas& dc, int x, int y) {
  if (DashPhase) DrawDot(dc, x, y);
  DashPhase = 1;
}

void CWINPlot::RandomDrawOrder(int first, int n) {
  if (nDrawOrder != 0 && nDrawOrder != n) {
    pDrawOrder = OneBasedArray<int>();
    nDrawOrder = 0;
  }
  if (nDrawOrder == n && n > 0) {
    RandomSwaps(pDrawOrder.data(), first + 1, n, 0.1f);
    return;
  }
  pDrawOrder.Resize(1, n);
  RandomPermutation(pDrawOrder.data(), first + 1, n, 0.8f);
  nDrawOrder = n;
}

void CWINPlot::DrawErrorBars(Canvas& dc, int i, const float* lower, const float* upper, int first,
                             int last, Color color) {
  if (!ValidCurve(i)) return;
  const CCurve* curve = pCurves[static_cast<std::size_t>(i)];
  if (curve == nullptr || curve->x() == nullptr || curve->y() == nullptr) return;
  const int count = static_cast<int>(std::min(curve->x()->count(), curve->y()->count()));
  first = std::max(first, 0);
  last = std::min(last, count - 1);
  const int c = PlotSettings.ErrorBarCapWidth;
  const Pen old = dc.SelectPen(platform::SolidPen(color));
  // The lower bar reaches down by the lower value, the upper one up.
  auto bar = [&](Point p, double delta) {
    const int end = static_cast<int>(p.y + delta * fYScale);
    dc.DrawLine(p, Point{p.x, end});
    dc.DrawLine(Point{p.x - c, end}, Point{p.x + c, end});
  };
  for (int j = first; j <= last; j += std::max(nEvery, 1)) {
    const int k = j - first;
    const Point p{MapX((*curve->x())[static_cast<unsigned>(k)]),
                  MapY((*curve->y())[static_cast<unsigned>(k)])};
    if (lower != nullptr) bar(p, -static_cast<double>(lower[j]));
    if (upper != nullptr) bar(p, static_cast<double>(upper[j]));
  }
  dc.SelectPen(old);
}
