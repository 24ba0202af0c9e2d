#include "platform/Mapping.h"

#include <cmath>

namespace platform {

void Mapping::SetMode(MapMode mode) {
  mode_ = mode;
  if (mode == MapMode::Text) {
    windowExtent_ = Size{1, 1};
    viewportExtent_ = Size{1, 1};
  } else if (mode == MapMode::Isotropic) {
    MakeIsotropic();
  }
}

void Mapping::SetWindowExtent(Size extent) {
  if (mode_ == MapMode::Text || extent.width == 0 || extent.height == 0) return;
  windowExtent_ = extent;
  if (mode_ == MapMode::Isotropic) MakeIsotropic();
}

void Mapping::SetViewportExtent(Size extent) {
  if (mode_ == MapMode::Text || extent.width == 0 || extent.height == 0) return;
  viewportExtent_ = extent;
  if (mode_ == MapMode::Isotropic) MakeIsotropic();
}

// The axis with the larger scale gives way: its viewport extent shrinks
// (keeping its sign) until both axes have the scale of the smaller one.
void Mapping::MakeIsotropic() {
  const double sx = std::fabs(ScaleX());
  const double sy = std::fabs(ScaleY());
  if (sx == sy) return;
  if (sx > sy) {
    const int sign = viewportExtent_.width < 0 ? -1 : 1;
    int w = static_cast<int>(std::lround(viewportExtent_.width * sy / sx));
    viewportExtent_.width = w == 0 ? sign : w;
  } else {
    const int sign = viewportExtent_.height < 0 ? -1 : 1;
    int h = static_cast<int>(std::lround(viewportExtent_.height * sx / sy));
    viewportExtent_.height = h == 0 ? sign : h;
  }
}

double Mapping::ScaleX() const {
  return static_cast<double>(viewportExtent_.width) / windowExtent_.width;
}

double Mapping::ScaleY() const {
  return static_cast<double>(viewportExtent_.height) / windowExtent_.height;
}

Point Mapping::ToDevice(Point logical) const {
  const double x = (static_cast<double>(logical.x) - windowOrigin_.x) * ScaleX();
  const double y = (static_cast<double>(logical.y) - windowOrigin_.y) * ScaleY();
  return Point{static_cast<int>(std::lround(x)) + viewportOrigin_.x,
               static_cast<int>(std::lround(y)) + viewportOrigin_.y};
}

Rect Mapping::ToDevice(const Rect& logical) const {
  const Point a = ToDevice(Point{logical.left, logical.top});
  const Point b = ToDevice(Point{logical.right, logical.bottom});
  return Rect{a.x, a.y, b.x, b.y};
}

Point Mapping::ToLogical(Point device) const {
  const double x = (static_cast<double>(device.x) - viewportOrigin_.x) / ScaleX();
  const double y = (static_cast<double>(device.y) - viewportOrigin_.y) / ScaleY();
  return Point{static_cast<int>(std::lround(x)) + windowOrigin_.x,
               static_cast<int>(std::lround(y)) + windowOrigin_.y};
}

}  // namespace platform
