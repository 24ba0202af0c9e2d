#include "platform/RecordingCanvas.h"

#include <cmath>

#include "platform/TextEstimate.h"

namespace platform {

std::vector<DrawCall> RecordingCanvas::CallsOf(DrawKind kind) const {
  std::vector<DrawCall> out;
  for (const DrawCall& c : calls_) {
    if (c.kind == kind) out.push_back(c);
  }
  return out;
}

DrawCall& RecordingCanvas::Add(DrawKind kind) {
  const DrawingState& s = State();
  DrawCall c;
  c.kind = kind;
  c.pen = s.pen;
  c.penWidth = DevicePenWidth();
  c.brush = s.brush;
  c.font = s.font;
  c.fontHeight = CurrentDeviceFont().height;
  c.textColor = s.textColor;
  c.backgroundColor = s.backgroundColor;
  c.backgroundMode = s.backgroundMode;
  c.align = s.align;
  c.rasterOp = s.rasterOp;
  c.clip = s.clip;
  calls_.push_back(std::move(c));
  return calls_.back();
}

void RecordingCanvas::DrawDeviceLine(Point from, Point to) {
  Add(DrawKind::Line).points = {from, to};
}

void RecordingCanvas::DrawDevicePolyline(std::span<const Point> points) {
  Add(DrawKind::Polyline).points.assign(points.begin(), points.end());
}

void RecordingCanvas::DrawDevicePolygon(std::span<const Point> points) {
  Add(DrawKind::Polygon).points.assign(points.begin(), points.end());
}

void RecordingCanvas::DrawDeviceRectangle(const Rect& rect) {
  Add(DrawKind::Rectangle).rect = rect;
}
void RecordingCanvas::DrawDeviceEllipse(const Rect& bounds) {
  Add(DrawKind::Ellipse).rect = bounds;
}

void RecordingCanvas::DrawDeviceArc(const Rect& bounds, Point start, Point end) {
  DrawCall& c = Add(DrawKind::Arc);
  c.rect = bounds;
  c.points = {start, end};
}

void RecordingCanvas::DrawDeviceText(Point anchor, std::string_view text, const DeviceFont&) {
  DrawCall& c = Add(DrawKind::Text);
  c.points = {anchor};
  c.text = std::string(text);
}

Size RecordingCanvas::MeasureDeviceText(std::string_view text, const DeviceFont& font) {
  const TextBox box = EstimateText(text, font);
  return Size{static_cast<int>(std::lround(box.width)),
              static_cast<int>(std::lround(box.ascent + box.descent))};
}

void RecordingCanvas::DrawDeviceImage(const Rect& destination, const RgbImage& image) {
  DrawCall& c = Add(DrawKind::Image);
  c.rect = destination;
  c.imageSize = Size{image.Width(), image.Height()};
}

RgbImage RecordingCanvas::ReadDevicePixels(const Rect&) {
  return RgbImage();
}

}  // namespace platform
