#pragma once
// A canvas that writes SVG elements instead of pixels, one element per shape
// in device coordinates (the pixels of the picture's intended size). Used
// through SvgWriter to turn a metafile into a vector picture.

#include <map>
#include <string>
#include <tuple>

#include "platform/DeviceCanvas.h"

namespace platform {

class SvgCanvas : public DeviceCanvas {
 public:
  explicit SvgCanvas(Size size) : size_(size) {}

  // The complete document drawn so far.
  std::string Document() const;

 protected:
  void DrawDevicePolyline(std::span<const Point> points) override;
  void DrawDevicePolygon(std::span<const Point> points) override;
  void DrawDeviceRectangle(const Rect& rect) override;
  void DrawDeviceEllipse(const Rect& bounds) override;
  void DrawDeviceArc(const Rect& bounds, Point start, Point end) override;
  void DrawDeviceText(Point anchor, std::string_view text, const DeviceFont& font) override;
  // Estimated from the DejaVu proportions; viewers measure for themselves.
  Size MeasureDeviceText(std::string_view text, const DeviceFont& font) override;
  void DrawDeviceImage(const Rect& destination, const RgbImage& image) override;
  // A vector picture has no pixels to read: an empty image.
  RgbImage ReadDevicePixels(const Rect& area) override;

 private:
  // Stroke, fill, clip and blending attributes of the current state.
  std::string StrokeAttributes() const;
  std::string FillAttributes() const;
  std::string CommonAttributes();

  Size size_;
  std::string body_;
  std::map<std::tuple<int, int, int, int>, int> clipIds_;
};

}  // namespace platform
