#pragma once
// The operations a metafile holds: one small record per canvas call, in
// logical units as the recording code gave them.

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/Canvas.h"

namespace platform {

struct OpSelectPen {
  Pen pen;
  friend bool operator==(const OpSelectPen&, const OpSelectPen&) = default;
};
struct OpSelectBrush {
  Brush brush;
  friend bool operator==(const OpSelectBrush&, const OpSelectBrush&) = default;
};
struct OpSelectFont {
  Font font;
  friend bool operator==(const OpSelectFont&, const OpSelectFont&) = default;
};
struct OpTextColor {
  Color color;
  friend bool operator==(const OpTextColor&, const OpTextColor&) = default;
};
struct OpBackgroundColor {
  Color color;
  friend bool operator==(const OpBackgroundColor&, const OpBackgroundColor&) = default;
};
struct OpBackgroundMode {
  BackgroundMode mode;
  friend bool operator==(const OpBackgroundMode&, const OpBackgroundMode&) = default;
};
struct OpTextAlign {
  TextAlign align;
  friend bool operator==(const OpTextAlign&, const OpTextAlign&) = default;
};
struct OpRasterOp {
  RasterOp op;
  friend bool operator==(const OpRasterOp&, const OpRasterOp&) = default;
};
struct OpMapMode {
  MapMode mode;
  friend bool operator==(const OpMapMode&, const OpMapMode&) = default;
};
struct OpWindowExtent {
  Size extent;
  friend bool operator==(const OpWindowExtent&, const OpWindowExtent&) = default;
};
struct OpWindowOrigin {
  Point origin;
  friend bool operator==(const OpWindowOrigin&, const OpWindowOrigin&) = default;
};
struct OpViewportExtent {
  Size extent;
  friend bool operator==(const OpViewportExtent&, const OpViewportExtent&) = default;
};
struct OpViewportOrigin {
  Point origin;
  friend bool operator==(const OpViewportOrigin&, const OpViewportOrigin&) = default;
};
struct OpIntersectClip {
  Rect rect;
  friend bool operator==(const OpIntersectClip&, const OpIntersectClip&) = default;
};
struct OpResetClip {
  friend bool operator==(const OpResetClip&, const OpResetClip&) = default;
};
struct OpSave {
  friend bool operator==(const OpSave&, const OpSave&) = default;
};
struct OpRestore {
  friend bool operator==(const OpRestore&, const OpRestore&) = default;
};
struct OpMoveTo {
  Point point;
  friend bool operator==(const OpMoveTo&, const OpMoveTo&) = default;
};
struct OpLineTo {
  Point point;
  friend bool operator==(const OpLineTo&, const OpLineTo&) = default;
};
struct OpPolyline {
  std::vector<Point> points;
  friend bool operator==(const OpPolyline&, const OpPolyline&) = default;
};
struct OpPolygon {
  std::vector<Point> points;
  friend bool operator==(const OpPolygon&, const OpPolygon&) = default;
};
struct OpRectangle {
  Rect rect;
  friend bool operator==(const OpRectangle&, const OpRectangle&) = default;
};
struct OpEllipse {
  Rect bounds;
  friend bool operator==(const OpEllipse&, const OpEllipse&) = default;
};
struct OpArc {
  Rect bounds;
  Point start;
  Point end;
  friend bool operator==(const OpArc&, const OpArc&) = default;
};
struct OpText {
  Point at;
  std::string text;
  friend bool operator==(const OpText&, const OpText&) = default;
};
// Images are shared, not copied, when a metafile is copied.
struct OpImage {
  Rect destination;
  std::shared_ptr<const RgbImage> image;
  friend bool operator==(const OpImage& a, const OpImage& b) {
    return a.destination == b.destination && *a.image == *b.image;
  }
};

using MetafileOp =
    std::variant<OpSelectPen, OpSelectBrush, OpSelectFont, OpTextColor, OpBackgroundColor,
                 OpBackgroundMode, OpTextAlign, OpRasterOp, OpMapMode, OpWindowExtent,
                 OpWindowOrigin, OpViewportExtent, OpViewportOrigin, OpIntersectClip, OpResetClip,
                 OpSave, OpRestore, OpMoveTo, OpLineTo, OpPolyline, OpPolygon, OpRectangle,
                 OpEllipse, OpArc, OpText, OpImage>;

}  // namespace platform
