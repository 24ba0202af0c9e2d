#include "platform/DeviceCanvas.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace platform {

Pen DeviceCanvas::SelectPen(const Pen& pen) {
  return std::exchange(state_.pen, pen);
}
Brush DeviceCanvas::SelectBrush(const Brush& brush) {
  return std::exchange(state_.brush, brush);
}
Font DeviceCanvas::SelectFont(const Font& font) {
  return std::exchange(state_.font, font);
}
Color DeviceCanvas::SetTextColor(Color color) {
  return std::exchange(state_.textColor, color);
}

Color DeviceCanvas::SetBackgroundColor(Color color) {
  return std::exchange(state_.backgroundColor, color);
}

BackgroundMode DeviceCanvas::SetBackgroundMode(BackgroundMode mode) {
  return std::exchange(state_.backgroundMode, mode);
}

TextAlign DeviceCanvas::SetTextAlign(TextAlign align) {
  return std::exchange(state_.align, align);
}
RasterOp DeviceCanvas::SetRasterOp(RasterOp op) {
  return std::exchange(state_.rasterOp, op);
}

MapMode DeviceCanvas::SetMapMode(MapMode mode) {
  const MapMode old = state_.mapping.Mode();
  state_.mapping.SetMode(mode);
  return old;
}

Size DeviceCanvas::SetWindowExtent(Size extent) {
  const Size old = state_.mapping.WindowExtent();
  state_.mapping.SetWindowExtent(extent);
  return old;
}

Point DeviceCanvas::SetWindowOrigin(Point origin) {
  const Point old = state_.mapping.WindowOrigin();
  state_.mapping.SetWindowOrigin(origin);
  return old;
}

Size DeviceCanvas::SetViewportExtent(Size extent) {
  const Size old = state_.mapping.ViewportExtent();
  state_.mapping.SetViewportExtent(extent);
  return old;
}

Point DeviceCanvas::SetViewportOrigin(Point origin) {
  const Point old = state_.mapping.ViewportOrigin();
  state_.mapping.SetViewportOrigin(origin);
  return old;
}

void DeviceCanvas::IntersectClipRect(const Rect& rect) {
  const Rect device = state_.mapping.ToDevice(rect).Normalized();
  state_.clip = state_.clip ? Intersection(*state_.clip, device) : device;
}

void DeviceCanvas::ResetClip() {
  state_.clip.reset();
}

void DeviceCanvas::Save() {
  saved_.push_back(state_);
}

bool DeviceCanvas::Restore() {
  if (saved_.empty()) return false;
  state_ = std::move(saved_.back());
  saved_.pop_back();
  return true;
}

Point DeviceCanvas::MoveTo(Point p) {
  return std::exchange(state_.position, p);
}

void DeviceCanvas::LineTo(Point p) {
  const Point from = state_.mapping.ToDevice(state_.position);
  state_.position = p;
  if (state_.pen.style == PenStyle::Null) return;
  DrawDeviceLine(from, state_.mapping.ToDevice(p));
}

void DeviceCanvas::DrawDeviceLine(Point from, Point to) {
  const Point points[2] = {from, to};
  DrawDevicePolyline(points);
}

std::vector<Point> DeviceCanvas::ToDevice(std::span<const Point> points) const {
  std::vector<Point> device;
  device.reserve(points.size());
  for (const Point& p : points) device.push_back(state_.mapping.ToDevice(p));
  return device;
}

void DeviceCanvas::Polyline(std::span<const Point> points) {
  if (points.size() < 2 || state_.pen.style == PenStyle::Null) return;
  DrawDevicePolyline(ToDevice(points));
}

void DeviceCanvas::Polygon(std::span<const Point> points) {
  if (points.size() < 2) return;
  DrawDevicePolygon(ToDevice(points));
}

void DeviceCanvas::Rectangle(const Rect& rect) {
  const Rect device = state_.mapping.ToDevice(rect).Normalized();
  if (!device.IsEmpty()) DrawDeviceRectangle(device);
}

void DeviceCanvas::Ellipse(const Rect& bounds) {
  const Rect device = state_.mapping.ToDevice(bounds).Normalized();
  if (!device.IsEmpty()) DrawDeviceEllipse(device);
}

void DeviceCanvas::Arc(const Rect& bounds, Point start, Point end) {
  const Rect device = state_.mapping.ToDevice(bounds).Normalized();
  if (device.IsEmpty() || state_.pen.style == PenStyle::Null) return;
  DrawDeviceArc(device, state_.mapping.ToDevice(start), state_.mapping.ToDevice(end));
}

void DeviceCanvas::TextOut(Point at, std::string_view text) {
  const DeviceFont font = CurrentDeviceFont();
  if (!state_.align.updateCurrentPosition) {
    DrawDeviceText(state_.mapping.ToDevice(at), text, font);
    return;
  }
  const Point anchor = state_.mapping.ToDevice(state_.position);
  DrawDeviceText(anchor, text, font);
  if (state_.align.horizontal == HAlign::Center) return;
  // The current position runs along the baseline to the far end of the text.
  const double width = MeasureDeviceText(text, font).width;
  const double along = state_.align.horizontal == HAlign::Left ? width : -width;
  const double radians = font.angle * std::numbers::pi / 180.0;
  const Point end{anchor.x + static_cast<int>(std::lround(along * std::cos(radians))),
                  anchor.y - static_cast<int>(std::lround(along * std::sin(radians)))};
  state_.position = state_.mapping.ToLogical(end);
}

Size DeviceCanvas::TextExtent(std::string_view text) {
  const Size device = MeasureDeviceText(text, CurrentDeviceFont());
  const double sx = std::fabs(state_.mapping.ScaleX());
  const double sy = std::fabs(state_.mapping.ScaleY());
  return Size{static_cast<int>(std::lround(device.width / sx)),
              static_cast<int>(std::lround(device.height / sy))};
}

void DeviceCanvas::DrawImage(const Rect& destination, const RgbImage& image) {
  const Rect device = state_.mapping.ToDevice(destination).Normalized();
  if (device.IsEmpty() || image.IsEmpty()) return;
  DrawDeviceImage(device, image);
}

RgbImage DeviceCanvas::ReadPixels(const Rect& area) {
  const Rect device = state_.mapping.ToDevice(area).Normalized();
  if (device.IsEmpty()) return RgbImage();
  return ReadDevicePixels(device);
}

int DeviceCanvas::DevicePenWidth() const {
  const double width = state_.pen.width * std::fabs(state_.mapping.ScaleX());
  return width <= 1.0 ? 0 : static_cast<int>(std::lround(width));
}

DeviceFont DeviceCanvas::CurrentDeviceFont() const {
  const Font& f = state_.font;
  DeviceFont d;
  const double sy = std::fabs(state_.mapping.ScaleY());
  d.height = (f.height == 0 ? kDefaultFontCellHeight : std::abs(f.height)) * sy;
  d.heightIsCell = f.height >= 0;
  d.averageWidth = std::abs(f.width) * std::fabs(state_.mapping.ScaleX());
  d.angle = f.escapement / 10.0;
  d.weight = f.weight;
  d.italic = f.italic;
  d.underline = f.underline;
  d.strikeOut = f.strikeOut;
  d.family = f.family;
  d.faceName = f.faceName;
  return d;
}

}  // namespace platform
