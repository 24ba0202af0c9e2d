#include "ui/CProgressLine.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "state/DisplayState.h"

using platform::Canvas;
using platform::Point;
using platform::Rect;

namespace {

Rect Grown(const Rect& r, int by) {
  const Rect n = r.Normalized();
  return Rect{n.left - by, n.top - by, n.right + by, n.bottom + by};
}

}  // namespace

CProgressLine::CProgressLine()
    : LinePen(platform::SolidPen(LineColour)), TrackPen(platform::SolidPen(TrackColour)) {}

void CProgressLine::Place(Canvas& window, int x, int y) {
  BarLeft = x;
  BarRight = x + Length;
  BarTop = y;
  BarBottom = y + Thickness;
  if (ArcForm) {
    const int c = Thickness;
    ArcRect = Rect{x, y + 3 * c, x + 6 * c, y - 3 * c};
    ArcStart = Point{x + 3 * c, y - 3 * c};
  }
  SaveBackground(window);
  Update(0.0f, window);
}

void CProgressLine::SetLineColour(platform::Color colour) {
  LineColour = colour;
  LinePen = platform::SolidPen(colour);
}

void CProgressLine::SetBlue() {
  SetLineColour(platform::Rgb(0, 100, 255));
}

void CProgressLine::SetPurple() {
  SetLineColour(platform::Rgb(180, 0, 180));
}

void CProgressLine::Update(float value, Canvas& window) {
  UpdateOnDC(value, window);
}

void CProgressLine::UpdateOnDC(float value, Canvas& dc) {
  // Workers read the flag too: the main window's first paint sets it before
  // any computation can run, and nothing writes it afterwards.
  if (!DrawingAllowed) return;
  // Claim the growth: of several callers with larger values, each draws
  // only after raising the value, and draws the largest value seen.
  float seen = Value.load();
  do {
    if (!(value > seen)) return;
  } while (!Value.compare_exchange_weak(seen, value));
  const float drawn = Value.load();
  if (ArcForm) {
    DrawArc(dc, drawn);
  } else {
    DrawBar(dc, drawn);
  }
}

void CProgressLine::DrawBar(Canvas& dc, float value) const {
  assert(Maximum > 0.0f);
  // A value beyond the maximum fills the bar and no more: past its right end
  // lie window pixels that the saved background does not hold.
  const float filled =
      std::min(static_cast<float>(Length) * value / Maximum, static_cast<float>(Length));
  const int end = BarLeft + static_cast<int>(filled);
  const int rows[4] = {BarTop, BarTop + 1, BarTop + 2, BarTop - 1};
  const platform::Pen old = dc.SelectPen(TrackPen);
  for (int y : rows) dc.DrawLine(Point{BarLeft, y}, Point{BarRight, y});
  dc.SelectPen(LinePen);
  for (int y : rows) dc.DrawLine(Point{BarLeft, y}, Point{end, y});
  dc.SelectPen(old);
}

void CProgressLine::DrawArc(Canvas& dc, float value) const {
  const platform::Pen old = dc.SelectPen(LinePen);
  for (int grow = 0; grow <= 2; ++grow) dc.Arc(Grown(ArcRect, grow), ArcStart, ArcStart);
  // A full ring means complete.
  if (value < 1.0f) {
    const int c = Thickness;
    const Point centre{BarLeft + 3 * c, BarTop};
    // 6.3 rather than 2 pi: the ring closes a little before the maximum.
    const double theta = value * 6.3 / Maximum;
    const Point end{centre.x + static_cast<int>(std::floor(std::sin(theta) * Length)),
                    centre.y - static_cast<int>(std::floor(std::cos(theta) * Length))};
    // Track colour over the part from the angle on round to twelve o'clock,
    // so what stays in the line colour runs clockwise from twelve to it.
    dc.SelectPen(TrackPen);
    for (int grow = 0; grow <= 2; ++grow) dc.Arc(Grown(ArcRect, grow), ArcStart, end);
  }
  dc.SelectPen(old);
}

bool CProgressLine::SaveBackground(Canvas& window) {
  if (!DrawingAllowed) return false;
  // Inclusive bounds x BarLeft - 1 .. BarRight + 1, y BarTop - Thickness ..
  // BarBottom; the rectangle ends one past them.
  Rect area{BarLeft - 1, BarTop - Thickness, BarRight + 2, BarBottom + 1};
  if (ArcForm) {
    // The ring reaches beyond the bar's rows: keep what lies under it too,
    // so that removing the indicator leaves none of it behind.
    const Rect ring = Grown(ArcRect, 3);
    area = Rect{std::min(area.left, ring.left), std::min(area.top, ring.top),
                std::max(area.right, ring.right), std::max(area.bottom, ring.bottom)};
  }
  BackgroundRect = area;
  Background = window.ReadPixels(area);
  BackgroundSaved = true;
  return true;
}

bool CProgressLine::RestoreBackground(Canvas& window) {
  if (!DrawingAllowed) return false;
  if (BackgroundSaved) window.DrawImage(BackgroundRect, Background);
  return true;
}
