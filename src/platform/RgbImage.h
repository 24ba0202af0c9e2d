#pragma once
// A block of pixels held by value: width x height colours, rows from the top.
// Bitmaps of the program (saved window backgrounds, the residual bitmap,
// screenshots) are these; canvases copy them in and out.

#include <cassert>
#include <cstddef>
#include <vector>

#include "platform/Color.h"

namespace platform {

class RgbImage {
 public:
  RgbImage() = default;
  RgbImage(int width, int height, Color fill = kWhite)
      : width_(width > 0 && height > 0 ? width : 0),
        height_(width > 0 && height > 0 ? height : 0),
        pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return pixels_.empty(); }

  Color At(int x, int y) const { return pixels_[Index(x, y)]; }
  void Set(int x, int y, Color c) { pixels_[Index(x, y)] = c; }
  const std::vector<Color>& Pixels() const { return pixels_; }

  friend bool operator==(const RgbImage&, const RgbImage&) = default;

 private:
  std::size_t Index(int x, int y) const {
    assert(x >= 0 && x < width_ && y >= 0 && y < height_);
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<Color> pixels_;
};

}  // namespace platform
