#include "plot/PointSymbols.h"

#include <array>
#include <cmath>

#include "plot/CWINPlot.h"

using platform::Canvas;
using platform::Point;
using platform::Rect;

namespace {

// tan(30 degrees): the triangle's base sits this fraction of its half-width
// below the point, so the point is the triangle's centre.
constexpr double kTriangleCentre = 0.57735;

void Segment(Canvas& dc, int x0, int y0, int x1, int y1) {
  dc.MoveTo(Point{x0, y0});
  dc.LineTo(Point{x1, y1});
}

void Cross(Canvas& dc, Point p, int s) {
  Segment(dc, p.x - s, p.y - s, p.x + s, p.y + s);
  Segment(dc, p.x - s, p.y + s, p.x + s, p.y - s);
}

void Circle(Canvas& dc, Point p, int r) {
  dc.Ellipse(Rect{p.x - r, p.y - r, p.x + r, p.y + r});
}

void SquareOutline(Canvas& dc, Point p, int s) {
  dc.MoveTo(Point{p.x - s, p.y - s});
  dc.LineTo(Point{p.x + s, p.y - s});
  dc.LineTo(Point{p.x + s, p.y + s});
  dc.LineTo(Point{p.x - s, p.y + s});
  dc.LineTo(Point{p.x - s, p.y - s});
}

void Triangle(Canvas& dc, Point p, int s) {
  const int h = static_cast<int>(s * kTriangleCentre);
  dc.MoveTo(Point{p.x - s, p.y + h});
  dc.LineTo(Point{p.x + s, p.y + h});
  dc.LineTo(Point{p.x, p.y + h - 2 * s});
  dc.LineTo(Point{p.x - s, p.y + h});
}

// Unit pens only: a thick line is the segment drawn again, shifted by one or
// two units in the four directions.
void ShiftedCopies(Canvas& dc, Point from, Point to, int maxShift) {
  static constexpr std::array<Point, 4> kDirections{Point{0, -1}, Point{0, 1}, Point{-1, 0},
                                                    Point{1, 0}};
  for (int shift = 1; shift <= maxShift; ++shift)
    for (const Point d : kDirections)
      Segment(dc, from.x + shift * d.x, from.y + shift * d.y, to.x + shift * d.x,
              to.y + shift * d.y);
}

// The line part of the line styles: nothing at the first point of a run or
// between coincident points.
bool HasTrail(const SymbolPoint& point) {
  return point.previous && !(*point.previous == point.at);
}

void OutlinedLine(Canvas& dc, Point from, Point to) {
  const platform::Pen own = dc.SelectPen(platform::WhitePen());
  ShiftedCopies(dc, from, to, 1);
  dc.SelectPen(own);
  Segment(dc, from.x, from.y, to.x, to.y);
}

void DashedLine(Canvas& dc, const SymbolPoint& point) {
  const Point p = point.at;
  if (!point.previous) {
    CWINPlot::DrawDot(dc, p.x, p.y);
  } else if (point.lastOfCurve) {
    CWINPlot::DrawDashEnd(dc, p.x, p.y);
  } else {
    CWINPlot::DrawDashedSegment(dc, point.previous->x, point.previous->y, p.x, p.y);
  }
}

// Styles whose symbol shrinks to a one-unit dot at size 0.
bool DotAtSizeZero(int style) {
  switch (style) {
    case 1:
    case 2:
    case 3:
    case 5:
    case 6:
    case 9:
    case 10:
    case 11:
    case 15:
    case 17:
    case 18:
      return true;
    default:
      return false;
  }
}

void Dot2(Canvas& dc, Point p) {
  dc.Rectangle(Rect{p.x, p.y, p.x + 2, p.y + 2});
}

}  // namespace

void DrawPointSymbol(Canvas& dc, int style, const SymbolPoint& point, const SymbolSizes& sizes) {
  const Point p = point.at;
  const int s = sizes.size;
  if (s == 0 && DotAtSizeZero(style)) {
    CWINPlot::DrawDot(dc, p.x, p.y);
    return;
  }
  switch (style) {
    case 1:
      Cross(dc, p, s);
      break;
    case 2:
    case 6:
    case 15:  // the caller selected the hollow brush
      Circle(dc, p, s);
      break;
    case 3:
      Triangle(dc, p, s);
      break;
    case 5:
      SquareOutline(dc, p, s);
      break;
    case 7:
      CWINPlot::DrawDot(dc, p.x, p.y);
      break;
    case 8:
      Segment(dc, p.x, sizes.zeroY, p.x, p.y);
      if (s != 0) Circle(dc, p, s);
      break;
    case 9:
      dc.Rectangle(Rect{p.x - s, p.y - s, p.x + s, p.y + s});
      break;
    case 10:
      for (int shift = -1; shift <= 1; ++shift) Cross(dc, Point{p.x + shift, p.y}, s);
      break;
    case 11:
      dc.Rectangle(Rect{p.x - sizes.barHalfWidth, p.y - s, p.x + sizes.barHalfWidth, p.y + s});
      break;
    case 12:
      if (HasTrail(point)) ShiftedCopies(dc, *point.previous, p, 1);
      break;
    case 13:
      if (HasTrail(point)) OutlinedLine(dc, *point.previous, p);
      break;
    case 14:
      DashedLine(dc, point);
      break;
    case 16:
      Dot2(dc, p);
      break;
    case 17:
      if (HasTrail(point)) ShiftedCopies(dc, *point.previous, p, 1);
      Circle(dc, p, s);
      break;
    case 18:
      if (HasTrail(point)) ShiftedCopies(dc, *point.previous, p, 2);
      Circle(dc, p, 2 * s);
      break;
    case 19:
      if (sizes.boxHalfHeight == 0) {
        CWINPlot::DrawDot(dc, p.x, p.y);
      } else {
        dc.Rectangle(Rect{p.x - sizes.boxHalfWidth, p.y - sizes.boxHalfHeight,
                          p.x + sizes.boxHalfWidth, p.y + sizes.boxHalfHeight});
      }
      break;
    case 22:
      for (const Point d : {Point{0, 0}, Point{-1, 0}, Point{0, -1}, Point{-1, -1}})
        Dot2(dc, Point{p.x + d.x, p.y + d.y});
      break;
    case 23:
      dc.Rectangle(Rect{p.x - 2, p.y - 2, p.x + 3, p.y + 3});
      dc.Rectangle(Rect{p.x - 1, p.y - 1, p.x + 2, p.y + 2});
      break;
    default:
      break;
  }
}
