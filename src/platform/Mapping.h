#pragma once
// The logical-to-device mapping of a canvas: a mode, window origin and
// extent, viewport origin and extent. Device = (logical - window origin) x
// viewport extent / window extent + viewport origin, per axis, rounded to the
// nearest pixel.

#include "platform/Canvas.h"

namespace platform {

class Mapping {
 public:
  MapMode Mode() const { return mode_; }
  Size WindowExtent() const { return windowExtent_; }
  Size ViewportExtent() const { return viewportExtent_; }
  Point WindowOrigin() const { return windowOrigin_; }
  Point ViewportOrigin() const { return viewportOrigin_; }

  void SetMode(MapMode mode);
  // Both ignore the call in the text mode and for a zero component; in the
  // isotropic mode the viewport extent is then adjusted to equal scales.
  void SetWindowExtent(Size extent);
  void SetViewportExtent(Size extent);
  void SetWindowOrigin(Point origin) { windowOrigin_ = origin; }
  void SetViewportOrigin(Point origin) { viewportOrigin_ = origin; }

  // Device pixels per logical unit on each axis (negative when flipped).
  double ScaleX() const;
  double ScaleY() const;

  Point ToDevice(Point logical) const;
  Rect ToDevice(const Rect& logical) const;
  Point ToLogical(Point device) const;

  friend bool operator==(const Mapping&, const Mapping&) = default;

 private:
  void MakeIsotropic();

  MapMode mode_ = MapMode::Text;
  Size windowExtent_{1, 1};
  Size viewportExtent_{1, 1};
  Point windowOrigin_{};
  Point viewportOrigin_{};
};

}  // namespace platform
