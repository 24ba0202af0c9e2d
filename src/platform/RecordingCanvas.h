#pragma once
// A canvas for tests: it behaves like a device (mapping, current position,
// state stack) but instead of pixels it keeps a log of what was drawn, in
// device coordinates and with the state each shape was drawn in. Replaying a
// metafile onto it shows exactly where a window would put each shape.

#include <optional>
#include <string>
#include <vector>

#include "platform/DeviceCanvas.h"

namespace platform {

enum class DrawKind { Line, Polyline, Polygon, Rectangle, Ellipse, Arc, Text, Image };

struct DrawCall {
  DrawKind kind = DrawKind::Line;
  // Line and Polyline: the points; Polygon: the corners; Arc: start and end
  // rays; Text: the anchor.
  std::vector<Point> points;
  Rect rect;         // Rectangle, Ellipse, Arc bounds, Image destination
  std::string text;  // Text
  Size imageSize;    // Image
  Pen pen;
  int penWidth = 0;  // device pixels, 0 cosmetic
  Brush brush;
  Font font;
  double fontHeight = 0;  // device pixels
  Color textColor;
  Color backgroundColor;
  BackgroundMode backgroundMode = BackgroundMode::Opaque;
  TextAlign align;
  RasterOp rasterOp = RasterOp::CopyPen;
  std::optional<Rect> clip;
};

class RecordingCanvas : public DeviceCanvas {
 public:
  const std::vector<DrawCall>& Calls() const { return calls_; }
  // The calls of one kind, in order.
  std::vector<DrawCall> CallsOf(DrawKind kind) const;
  void Clear() { calls_.clear(); }

 protected:
  void DrawDeviceLine(Point from, Point to) override;
  void DrawDevicePolyline(std::span<const Point> points) override;
  void DrawDevicePolygon(std::span<const Point> points) override;
  void DrawDeviceRectangle(const Rect& rect) override;
  void DrawDeviceEllipse(const Rect& bounds) override;
  void DrawDeviceArc(const Rect& bounds, Point start, Point end) override;
  void DrawDeviceText(Point anchor, std::string_view text, const DeviceFont& font) override;
  // Estimated from the DejaVu proportions.
  Size MeasureDeviceText(std::string_view text, const DeviceFont& font) override;
  void DrawDeviceImage(const Rect& destination, const RgbImage& image) override;
  // Holds no pixels: an empty image.
  RgbImage ReadDevicePixels(const Rect& area) override;

 private:
  DrawCall& Add(DrawKind kind);

  std::vector<DrawCall> calls_;
};

}  // namespace platform
