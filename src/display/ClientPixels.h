#pragma once
// Drawing straight into the window's client area in pixels, whatever mapping
// or clipping a paint left on the window's canvas: the status lines and the
// evaluation counters are placed in pixels.

#include "platform/Canvas.h"
#include "platform/Window.h"

namespace display {

template <class Draw>
void InClientPixels(platform::WindowHost& window, Draw draw) {
  platform::Canvas& c = window.ClientCanvas();
  c.Save();
  c.SetMapMode(platform::MapMode::Text);
  c.SetWindowOrigin({0, 0});
  c.SetViewportOrigin({0, 0});
  c.ResetClip();
  draw(c);
  c.Restore();
}

}  // namespace display
