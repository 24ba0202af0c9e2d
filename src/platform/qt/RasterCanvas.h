#pragma once
// A canvas with pixels: an image in memory, drawn with QtGui. The window
// keeps one as its backing image, so direct drawing (cursor lines, progress
// bars, saved and restored button backgrounds) works outside any paint cycle;
// batch runs and tests use one to render pictures to PNG or BMP without a
// display. Creating the first one starts QtGui headless when needed.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DeviceCanvas.h"

class QImage;

namespace platform {

class RasterCanvas : public DeviceCanvas {
 public:
  // An image of the given size in pixels, filled with the background.
  RasterCanvas(int width, int height, Color background = kWhite);
  ~RasterCanvas() override;

  int Width() const;
  int Height() const;

  // Fills every pixel, whatever the state (the window's erase).
  void Erase(Color color);
  // A new size; the old pixels stay at the top left, new ones are filled.
  void Resize(int width, int height, Color fill = kWhite);

  // All pixels, rows from the top (for the BMP writer and tests).
  RgbImage ToRgbImage();
  // False when the file cannot be written.
  bool SavePng(const std::string& path);
  // The image itself, for a window to show; drawing finished so far is in it.
  const QImage& Image();
  // Grows with every drawing call: a window compares it with the count it
  // last showed to know whether direct drawing waits to be shown.
  std::uint64_t Changes() const { return changes_; }

 protected:
  void DrawDevicePolyline(std::span<const Point> points) override;
  void DrawDevicePolygon(std::span<const Point> points) override;
  void DrawDeviceRectangle(const Rect& rect) override;
  void DrawDeviceEllipse(const Rect& bounds) override;
  void DrawDeviceArc(const Rect& bounds, Point start, Point end) override;
  void DrawDeviceText(Point anchor, std::string_view text, const DeviceFont& font) override;
  Size MeasureDeviceText(std::string_view text, const DeviceFont& font) override;
  void DrawDeviceImage(const Rect& destination, const RgbImage& image) override;
  RgbImage ReadDevicePixels(const Rect& area) override;

 private:
  struct Surface;
  std::unique_ptr<Surface> surface_;
  std::uint64_t changes_ = 0;
};

}  // namespace platform
