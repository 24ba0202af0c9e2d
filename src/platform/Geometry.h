#pragma once
// Integer points, sizes and rectangles of the drawing layer, in logical units
// (before mapping) or device pixels (after it), as the caller says.

#include <algorithm>

namespace platform {

struct Point {
  int x = 0;
  int y = 0;

  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;

  friend bool operator==(const Size&, const Size&) = default;
};

// Edges in the order left, top, right, bottom. Shapes drawn on a rectangle
// cover the columns left .. right - 1 and the rows top .. bottom - 1, as lines
// leave out their last point: two rectangles sharing an edge do not overlap.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  // The same rectangle with left <= right and top <= bottom.
  Rect Normalized() const {
    return Rect{std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
  }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

  friend bool operator==(const Rect&, const Rect&) = default;
};

// The common part of two normalised rectangles (empty when they do not meet).
inline Rect Intersection(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) return Rect{r.left, r.top, r.left, r.top};
  return r;
}

}  // namespace platform
