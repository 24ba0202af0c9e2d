#include "platform/qt/RasterCanvas.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/LineRaster.h"
#include "platform/qt/GuiRuntime.h"
#include "platform/qt/QtText.h"

namespace platform {

namespace {

QColor ToQColor(Color c) {
  return QColor(c.red, c.green, c.blue);
}

QPainter::CompositionMode ToComposition(RasterOp op) {
  switch (op) {
    case RasterOp::Not:
      return QPainter::RasterOp_NotDestination;
    case RasterOp::XorPen:
      return QPainter::RasterOp_SourceXorDestination;
    case RasterOp::CopyPen:
      break;
  }
  return QPainter::CompositionMode_SourceOver;
}

// Wide pens end round like a brush stroke; one-pixel pens drawn by the
// painter (ellipses, arcs) end flat.
QPen ToQPen(const Pen& pen, int deviceWidth) {
  if (pen.style == PenStyle::Null) return QPen(Qt::NoPen);
  QPen q(ToQColor(pen.color), deviceWidth);
  q.setCapStyle(deviceWidth == 0 ? Qt::FlatCap : Qt::RoundCap);
  q.setJoinStyle(deviceWidth == 0 ? Qt::MiterJoin : Qt::RoundJoin);
  if (pen.style == PenStyle::Dash) q.setDashPattern({18, 6});
  if (pen.style == PenStyle::Dot) q.setDashPattern({3, 3});
  return q;
}

QBrush ToQBrush(const Brush& brush) {
  if (brush.style == BrushStyle::Null) return QBrush(Qt::NoBrush);
  return QBrush(ToQColor(brush.color));
}

QRect ToQRect(const Rect& r) {
  return QRect(r.left, r.top, r.Width(), r.Height());
}

QPolygon ToQPolygon(std::span<const Point> points) {
  QPolygon polygon(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    polygon.setPoint(static_cast<int>(i), points[i].x, points[i].y);
  }
  return polygon;
}

// The box through the outermost pixels of a shape that covers columns
// left .. right - 1 (an aliased outline lies right of and below its path).
QRectF OutlineBox(const Rect& r) {
  return QRectF(r.left, r.top, r.Width() - 1, r.Height() - 1);
}

// Angle in degrees, counter-clockwise on screen, of the ray from the centre
// of the box through p, as the parameter of the ellipse point on that ray.
double EllipseAngle(const QRectF& box, Point p) {
  const double a = std::max(box.width() / 2, 0.5);
  const double b = std::max(box.height() / 2, 0.5);
  const double dx = p.x - box.center().x();
  const double dy = box.center().y() - p.y;
  return std::atan2(a * dy, b * dx) * 180.0 / std::numbers::pi;
}

}  // namespace

struct RasterCanvas::Surface {
  QImage image;
  std::unique_ptr<QPainter> painter;
  qt::FontMaker fonts{image};

  // One painter stays open between calls: beginning one per line would make
  // replaying a plot of many thousand points slow.
  QPainter& Painter() {
    if (!painter) {
      painter = std::make_unique<QPainter>(&image);
      painter->setRenderHint(QPainter::Antialiasing, false);
      painter->setRenderHint(QPainter::TextAntialiasing, true);
      painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    return *painter;
  }
  void Finish() { painter.reset(); }

  // One-pixel lines are set pixel by pixel rather than by the painter, whose
  // lines leave out one end or the other depending on their direction: here
  // the last point is left out always, and each pixel is touched once.
  void CosmeticPolyline(std::span<const Point> points, const DrawingState& s);
};

namespace {

// Dash patterns of one-pixel pens, in pixels: on, off.
struct DashPattern {
  int on = 0;
  int off = 0;
};

DashPattern PatternOf(PenStyle style) {
  if (style == PenStyle::Dash) return DashPattern{18, 6};
  if (style == PenStyle::Dot) return DashPattern{3, 3};
  return DashPattern{};
}

QRgb Combine(RasterOp op, QRgb destination, QRgb source) {
  switch (op) {
    case RasterOp::Not:
      return ~destination | 0xFF000000u;
    case RasterOp::XorPen:
      return (destination ^ source) | 0xFF000000u;
    case RasterOp::CopyPen:
      break;
  }
  return source;
}

}  // namespace

void RasterCanvas::Surface::CosmeticPolyline(std::span<const Point> points, const DrawingState& s) {
  QRect area = image.rect();
  if (s.clip) area = area.intersected(ToQRect(*s.clip));
  if (area.isEmpty()) return;
  const QRgb ink = qRgb(s.pen.color.red, s.pen.color.green, s.pen.color.blue);
  const QRgb gap = qRgb(s.backgroundColor.red, s.backgroundColor.green, s.backgroundColor.blue);
  const bool fillGaps = s.backgroundMode == BackgroundMode::Opaque;
  const DashPattern dash = PatternOf(s.pen.style);
  uchar* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  int counter = 0;
  const auto plot = [&](int x, int y) {
    const bool on = dash.on == 0 || counter % (dash.on + dash.off) < dash.on;
    ++counter;
    if (!area.contains(x, y) || (!on && !fillGaps)) return;
    auto* pixel = reinterpret_cast<QRgb*>(bits + y * stride) + x;
    *pixel = Combine(s.rasterOp, *pixel, on ? ink : gap);
  };
  for (std::size_t i = 1; i < points.size(); ++i) ForEachLinePixel(points[i - 1], points[i], plot);
}

RasterCanvas::RasterCanvas(int width, int height, Color background)
    : surface_(std::make_unique<Surface>()) {
  qt::EnsureGuiApplication();
  surface_->image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  surface_->image.fill(ToQColor(background));
}

RasterCanvas::~RasterCanvas() = default;

int RasterCanvas::Width() const {
  return surface_->image.width();
}
int RasterCanvas::Height() const {
  return surface_->image.height();
}

void RasterCanvas::Erase(Color color) {
  ++changes_;
  surface_->Finish();
  surface_->image.fill(ToQColor(color));
}

void RasterCanvas::Resize(int width, int height, Color fill) {
  ++changes_;
  surface_->Finish();
  QImage resized(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  resized.fill(ToQColor(fill));
  {
    QPainter copy(&resized);
    copy.drawImage(0, 0, surface_->image);
  }
  surface_->image = resized;
}

RgbImage RasterCanvas::ToRgbImage() {
  return ReadDevicePixels(Rect{0, 0, Width(), Height()});
}

bool RasterCanvas::SavePng(const std::string& path) {
  surface_->Finish();
  return surface_->image.save(QString::fromStdString(path), "PNG");
}

const QImage& RasterCanvas::Image() {
  surface_->Finish();
  return surface_->image;
}

namespace {

// Puts the canvas state into the painter for one shape.
QPainter& Prepare(QPainter& p, const DrawingState& s, int penWidth) {
  p.setCompositionMode(ToComposition(s.rasterOp));
  if (s.clip) {
    p.setClipRect(ToQRect(*s.clip));
  } else {
    p.setClipping(false);
  }
  p.setPen(ToQPen(s.pen, penWidth));
  p.setBrush(ToQBrush(s.brush));
  p.setBackgroundMode(s.backgroundMode == BackgroundMode::Opaque ? Qt::OpaqueMode
                                                                 : Qt::TransparentMode);
  p.setBackground(QBrush(ToQColor(s.backgroundColor)));
  return p;
}

}  // namespace

void RasterCanvas::DrawDevicePolyline(std::span<const Point> points) {
  ++changes_;
  const int penWidth = DevicePenWidth();
  if (penWidth == 0) {
    surface_->CosmeticPolyline(points, State());
    return;
  }
  Prepare(surface_->Painter(), State(), penWidth).drawPolyline(ToQPolygon(points));
}

void RasterCanvas::DrawDevicePolygon(std::span<const Point> points) {
  ++changes_;
  const DrawingState& s = State();
  const int penWidth = DevicePenWidth();
  QPainter& p = Prepare(surface_->Painter(), s, penWidth);
  if (penWidth > 0 || s.pen.style == PenStyle::Null) {
    p.drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
    return;
  }
  if (s.brush.style != BrushStyle::Null) {
    p.setPen(Qt::NoPen);
    p.drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
  }
  std::vector<Point> closed(points.begin(), points.end());
  closed.push_back(points.front());
  surface_->CosmeticPolyline(closed, s);
}

void RasterCanvas::DrawDeviceRectangle(const Rect& r) {
  ++changes_;
  const DrawingState& s = State();
  const int penWidth = DevicePenWidth();
  QPainter& p = Prepare(surface_->Painter(), s, penWidth);
  const bool filled = s.brush.style != BrushStyle::Null;
  if (s.pen.style == PenStyle::Null) {
    if (filled) p.fillRect(ToQRect(r), ToQColor(s.brush.color));
    return;
  }
  if (penWidth > 0) {
    p.drawRect(OutlineBox(r));
    return;
  }
  // A one-pixel frame drawn as one closed stroke, so that every pixel is
  // touched once (an inverting frame drawn twice disappears), and the inside
  // filled apart from it.
  if (r.Width() <= 2 || r.Height() <= 2) {
    p.fillRect(ToQRect(r), ToQColor(s.pen.color));
    return;
  }
  if (filled) p.fillRect(QRect(r.left + 1, r.top + 1, r.Width() - 2, r.Height() - 2), p.brush());
  const Point frame[5] = {{r.left, r.top},
                          {r.right - 1, r.top},
                          {r.right - 1, r.bottom - 1},
                          {r.left, r.bottom - 1},
                          {r.left, r.top}};
  surface_->CosmeticPolyline(frame, s);
}

void RasterCanvas::DrawDeviceEllipse(const Rect& bounds) {
  ++changes_;
  const DrawingState& s = State();
  QPainter& p = Prepare(surface_->Painter(), s, DevicePenWidth());
  if (s.pen.style == PenStyle::Null) {
    p.drawEllipse(QRectF(bounds.left, bounds.top, bounds.Width(), bounds.Height()));
  } else {
    p.drawEllipse(OutlineBox(bounds));
  }
}

void RasterCanvas::DrawDeviceArc(const Rect& bounds, Point start, Point end) {
  ++changes_;
  QPainter& p = Prepare(surface_->Painter(), State(), DevicePenWidth());
  const QRectF box = OutlineBox(bounds);
  const double from = EllipseAngle(box, start);
  double span = EllipseAngle(box, end) - from;
  while (span <= 1e-9) span += 360.0;
  if (span > 360.0 - 1e-9) span = 360.0;
  p.drawArc(box, static_cast<int>(std::lround(from * 16)),
            static_cast<int>(std::lround(span * 16)));
}

void RasterCanvas::DrawDeviceText(Point anchor, std::string_view text, const DeviceFont& font) {
  ++changes_;
  const DrawingState& s = State();
  QPainter& p = Prepare(surface_->Painter(), s, 0);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);  // text ignores the raster op
  p.setBackgroundMode(Qt::TransparentMode);
  const QFont qfont = surface_->fonts.Make(font);
  const QFontMetricsF metrics(qfont, &surface_->image);
  const QString string = qt::ToQString(text);
  const double width = metrics.horizontalAdvance(string);
  double dx = 0;
  if (s.align.horizontal == HAlign::Center) dx = -width / 2;
  if (s.align.horizontal == HAlign::Right) dx = -width;
  double baseline = 0;
  if (s.align.vertical == VAlign::Top) baseline = metrics.ascent();
  if (s.align.vertical == VAlign::Bottom) baseline = -metrics.descent();
  dx = std::round(dx);
  baseline = std::round(baseline);

  p.save();
  p.translate(anchor.x, anchor.y);
  p.rotate(-font.angle);
  if (s.backgroundMode == BackgroundMode::Opaque) {
    p.fillRect(QRectF(dx, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent()),
               ToQColor(s.backgroundColor));
  }
  p.setFont(qfont);
  p.setPen(ToQColor(s.textColor));
  p.drawText(QPointF(dx, baseline), string);
  p.restore();
}

Size RasterCanvas::MeasureDeviceText(std::string_view text, const DeviceFont& font) {
  const QFontMetricsF metrics(surface_->fonts.Make(font), &surface_->image);
  return Size{static_cast<int>(std::lround(metrics.horizontalAdvance(qt::ToQString(text)))),
              static_cast<int>(std::lround(metrics.ascent() + metrics.descent()))};
}

void RasterCanvas::DrawDeviceImage(const Rect& destination, const RgbImage& image) {
  ++changes_;
  QImage block(image.Width(), image.Height(), QImage::Format_RGB32);
  for (int y = 0; y < image.Height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(block.scanLine(y));
    for (int x = 0; x < image.Width(); ++x) {
      const Color c = image.At(x, y);
      row[x] = qRgb(c.red, c.green, c.blue);
    }
  }
  QPainter& p = Prepare(surface_->Painter(), State(), 0);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(ToQRect(destination), block);
}

RgbImage RasterCanvas::ReadDevicePixels(const Rect& area) {
  surface_->Finish();
  const QImage& source = surface_->image;
  RgbImage out(area.Width(), area.Height(), kWhite);
  const int x0 = std::max(area.left, 0);
  const int x1 = std::min(area.right, source.width());
  const int y0 = std::max(area.top, 0);
  const int y1 = std::min(area.bottom, source.height());
  for (int y = y0; y < y1; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    for (int x = x0; x < x1; ++x) {
      out.Set(x - area.left, y - area.top, Rgb(qRed(row[x]), qGreen(row[x]), qBlue(row[x])));
    }
  }
  return out;
}

}  // namespace platform
