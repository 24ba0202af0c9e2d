#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/Metafile.h"
#include "platform/TextEstimate.h"

namespace platform {

Pen MetafileRecorder::SelectPen(const Pen& pen) {
  operations_.push_back(OpSelectPen{pen});
  return std::exchange(state_.pen, pen);
}

Brush MetafileRecorder::SelectBrush(const Brush& brush) {
  operations_.push_back(OpSelectBrush{brush});
  return std::exchange(state_.brush, brush);
}

Font MetafileRecorder::SelectFont(const Font& font) {
  operations_.push_back(OpSelectFont{font});
  return std::exchange(state_.font, font);
}

Color MetafileRecorder::SetTextColor(Color color) {
  operations_.push_back(OpTextColor{color});
  return std::exchange(state_.textColor, color);
}

Color MetafileRecorder::SetBackgroundColor(Color color) {
  operations_.push_back(OpBackgroundColor{color});
  return std::exchange(state_.backgroundColor, color);
}

BackgroundMode MetafileRecorder::SetBackgroundMode(BackgroundMode mode) {
  operations_.push_back(OpBackgroundMode{mode});
  return std::exchange(state_.backgroundMode, mode);
}

TextAlign MetafileRecorder::SetTextAlign(TextAlign align) {
  operations_.push_back(OpTextAlign{align});
  return std::exchange(state_.align, align);
}

RasterOp MetafileRecorder::SetRasterOp(RasterOp op) {
  operations_.push_back(OpRasterOp{op});
  return std::exchange(state_.rasterOp, op);
}

MapMode MetafileRecorder::SetMapMode(MapMode mode) {
  operations_.push_back(OpMapMode{mode});
  const MapMode old = state_.mapping.Mode();
  state_.mapping.SetMode(mode);
  return old;
}

// The extents are recorded whatever the recorder's own mode: the player's
// mode decides whether they count.
Size MetafileRecorder::SetWindowExtent(Size extent) {
  operations_.push_back(OpWindowExtent{extent});
  const Size old = state_.mapping.WindowExtent();
  state_.mapping.SetWindowExtent(extent);
  return old;
}

Point MetafileRecorder::SetWindowOrigin(Point origin) {
  operations_.push_back(OpWindowOrigin{origin});
  const Point old = state_.mapping.WindowOrigin();
  state_.mapping.SetWindowOrigin(origin);
  return old;
}

Size MetafileRecorder::SetViewportExtent(Size extent) {
  operations_.push_back(OpViewportExtent{extent});
  const Size old = state_.mapping.ViewportExtent();
  state_.mapping.SetViewportExtent(extent);
  return old;
}

Point MetafileRecorder::SetViewportOrigin(Point origin) {
  operations_.push_back(OpViewportOrigin{origin});
  const Point old = state_.mapping.ViewportOrigin();
  state_.mapping.SetViewportOrigin(origin);
  return old;
}

void MetafileRecorder::IntersectClipRect(const Rect& rect) {
  operations_.push_back(OpIntersectClip{rect});
}

void MetafileRecorder::ResetClip() {
  operations_.push_back(OpResetClip{});
}

void MetafileRecorder::Save() {
  operations_.push_back(OpSave{});
  saved_.push_back(state_);
}

bool MetafileRecorder::Restore() {
  if (saved_.empty()) return false;
  operations_.push_back(OpRestore{});
  state_ = std::move(saved_.back());
  saved_.pop_back();
  return true;
}

Point MetafileRecorder::MoveTo(Point p) {
  operations_.push_back(OpMoveTo{p});
  return std::exchange(state_.position, p);
}

void MetafileRecorder::LineTo(Point p) {
  operations_.push_back(OpLineTo{p});
  state_.position = p;
}

void MetafileRecorder::Polyline(std::span<const Point> points) {
  operations_.push_back(OpPolyline{std::vector<Point>(points.begin(), points.end())});
}

void MetafileRecorder::Polygon(std::span<const Point> points) {
  operations_.push_back(OpPolygon{std::vector<Point>(points.begin(), points.end())});
}

void MetafileRecorder::Rectangle(const Rect& rect) {
  operations_.push_back(OpRectangle{rect});
}
void MetafileRecorder::Ellipse(const Rect& bounds) {
  operations_.push_back(OpEllipse{bounds});
}

void MetafileRecorder::Arc(const Rect& bounds, Point start, Point end) {
  operations_.push_back(OpArc{bounds, start, end});
}

void MetafileRecorder::TextOut(Point at, std::string_view text) {
  operations_.push_back(OpText{at, std::string(text)});
  if (!state_.align.updateCurrentPosition || state_.align.horizontal == HAlign::Center) return;
  const int width = TextExtent(text).width;
  state_.position.x += state_.align.horizontal == HAlign::Left ? width : -width;
}

Size MetafileRecorder::TextExtent(std::string_view text) {
  const Font& f = state_.font;
  DeviceFont font;
  font.height = f.height == 0 ? kDefaultFontCellHeight : std::abs(f.height);
  font.heightIsCell = f.height >= 0;
  font.averageWidth = std::abs(f.width);
  const TextBox box = EstimateText(text, font);
  return Size{static_cast<int>(std::lround(box.width)),
              static_cast<int>(std::lround(box.ascent + box.descent))};
}

void MetafileRecorder::DrawImage(const Rect& destination, const RgbImage& image) {
  operations_.push_back(OpImage{destination, std::make_shared<const RgbImage>(image)});
}

RgbImage MetafileRecorder::ReadPixels(const Rect&) {
  return RgbImage();
}

Metafile MetafileRecorder::Close() {
  auto storage = std::make_shared<Metafile::Storage>();
  storage->operations = std::move(operations_);
  for (const MetafileOp& op : storage->operations) {
    if (const auto* extent = std::get_if<OpWindowExtent>(&op)) {
      storage->windowExtent = extent->extent;
      break;
    }
  }
  operations_.clear();
  state_ = TrackedState{};
  saved_.clear();
  return Metafile(std::move(storage));
}

}  // namespace platform
