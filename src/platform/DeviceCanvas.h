#pragma once
// The part every canvas with a device behind it shares: it keeps the drawing
// state, runs the mapping and the current position, and hands each shape to
// the backend in device pixels. Backends (raster, SVG, the test recording)
// implement only the device hooks at the bottom.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Mapping.h"

namespace platform {

struct DrawingState {
  Pen pen;
  Brush brush;
  Font font;
  Color textColor = kBlack;
  Color backgroundColor = kWhite;
  BackgroundMode backgroundMode = BackgroundMode::Opaque;
  TextAlign align;
  RasterOp rasterOp = RasterOp::CopyPen;
  Mapping mapping;
  std::optional<Rect> clip;  // device pixels, normalised
  Point position;            // logical
};

// The selected font as it lands on the device.
struct DeviceFont {
  double height = kDefaultFontCellHeight;  // pixels
  bool heightIsCell = true;                // else the em height
  double averageWidth = 0;                 // pixels; 0: the face's own
  double angle = 0;                        // degrees, counter-clockwise on screen
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  FontFamily family = FontFamily::DontCare;
  std::string_view faceName;
};

class DeviceCanvas : public Canvas {
 public:
  Pen SelectPen(const Pen& pen) override;
  Brush SelectBrush(const Brush& brush) override;
  Font SelectFont(const Font& font) override;
  Color SetTextColor(Color color) override;
  Color SetBackgroundColor(Color color) override;
  BackgroundMode SetBackgroundMode(BackgroundMode mode) override;
  TextAlign SetTextAlign(TextAlign align) override;
  RasterOp SetRasterOp(RasterOp op) override;
  MapMode SetMapMode(MapMode mode) override;
  Size SetWindowExtent(Size extent) override;
  Point SetWindowOrigin(Point origin) override;
  Size SetViewportExtent(Size extent) override;
  Point SetViewportOrigin(Point origin) override;
  void IntersectClipRect(const Rect& rect) override;
  void ResetClip() override;
  void Save() override;
  bool Restore() override;
  Point MoveTo(Point p) override;
  void LineTo(Point p) override;
  Point CurrentPosition() const override { return state_.position; }
  void Polyline(std::span<const Point> points) override;
  void Polygon(std::span<const Point> points) override;
  void Rectangle(const Rect& rect) override;
  void Ellipse(const Rect& bounds) override;
  void Arc(const Rect& bounds, Point start, Point end) override;
  void TextOut(Point at, std::string_view text) override;
  Size TextExtent(std::string_view text) override;
  void DrawImage(const Rect& destination, const RgbImage& image) override;
  RgbImage ReadPixels(const Rect& area) override;

  const DrawingState& State() const { return state_; }

 protected:
  // Pen width in device pixels; 0 for a cosmetic pen (one pixel).
  int DevicePenWidth() const;
  DeviceFont CurrentDeviceFont() const;

  // Device hooks. Rectangles arrive normalised and non-empty; the state
  // (pen, brush, colours, raster operation, clip) is that of State().
  virtual void DrawDeviceLine(Point from, Point to);  // a two-point polyline
  virtual void DrawDevicePolyline(std::span<const Point> points) = 0;
  virtual void DrawDevicePolygon(std::span<const Point> points) = 0;
  virtual void DrawDeviceRectangle(const Rect& rect) = 0;
  virtual void DrawDeviceEllipse(const Rect& bounds) = 0;
  virtual void DrawDeviceArc(const Rect& bounds, Point start, Point end) = 0;
  // The anchor is the text's reference point; alignment, background box and
  // rotation are the backend's to apply.
  virtual void DrawDeviceText(Point anchor, std::string_view text, const DeviceFont& font) = 0;
  // Unrotated width and cell height in pixels.
  virtual Size MeasureDeviceText(std::string_view text, const DeviceFont& font) = 0;
  virtual void DrawDeviceImage(const Rect& destination, const RgbImage& image) = 0;
  virtual RgbImage ReadDevicePixels(const Rect& area) = 0;

 private:
  std::vector<Point> ToDevice(std::span<const Point> points) const;

  DrawingState state_;
  std::vector<DrawingState> saved_;
};

}  // namespace platform
