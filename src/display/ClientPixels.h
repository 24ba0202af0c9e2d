#pragma once
// Drawing straight into the window's client area in pixels, whatever mapping,
// clipping or text state a paint left on the window's canvas: the status
// lines and the evaluation counters are placed in pixels.

#include "platform/Canvas.h"
#include "platform/Window.h"

namespace display {

// The drawing starts from the state of a fresh device context, whatever a
// paint left selected: black text on an opaque white background, so that a
// line erases what an older one left under it, aligned at its top left.
template <class Draw>
void InClientPixels(platform::WindowHost& window, Draw draw) {
  platform::Canvas& c = window.ClientCanvas();
  c.Save();
  c.SetMapMode(platform::MapMode::Text);
  c.SetWindowOrigin({0, 0});
  c.SetViewportOrigin({0, 0});
  c.ResetClip();
  c.SelectFont(platform::Font{});
  c.SetTextColor(platform::kBlack);
  c.SetBackgroundColor(platform::kWhite);
  c.SetBackgroundMode(platform::BackgroundMode::Opaque);
  c.SetTextAlign(platform::TextAlign{});
  c.SetRasterOp(platform::RasterOp::CopyPen);
  draw(c);
  c.Restore();
}

}  // namespace display
