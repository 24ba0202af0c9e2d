#pragma once
// The pixels of a one-pixel line, as a canvas draws them: from the first
// point up to, but without, the last (Bresenham's midpoint stepping). A
// polyline drawn segment by segment therefore touches each joint once, and an
// inverting line drawn twice along the same path restores every pixel.

#include <cstdlib>

#include "platform/Geometry.h"

namespace platform {

template <class Visit>
void ForEachLinePixel(Point from, Point to, Visit&& visit) {
  const int dx = std::abs(to.x - from.x);
  const int dy = std::abs(to.y - from.y);
  const int sx = to.x >= from.x ? 1 : -1;
  const int sy = to.y >= from.y ? 1 : -1;
  int x = from.x;
  int y = from.y;
  if (dx >= dy) {
    int error = dx / 2;
    for (int i = 0; i < dx; ++i) {
      visit(x, y);
      x += sx;
      error -= dy;
      if (error < 0) {
        y += sy;
        error += dx;
      }
    }
  } else {
    int error = dy / 2;
    for (int i = 0; i < dy; ++i) {
      visit(x, y);
      y += sy;
      error -= dx;
      if (error < 0) {
        x += sx;
        error += dy;
      }
    }
  }
}

}  // namespace platform
