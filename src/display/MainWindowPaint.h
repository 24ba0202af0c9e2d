#pragma once
// The main window's paint. It draws nothing of its own but text: it replays
// the pictures the plots rendered, draws the cursor lines over the data
// plot, plays the overlays recorded on demand and lets the tools replay
// their buttons and labels. Every screen paint takes two passes, as the
// platform delivers them: the first erases the client area (and carries out
// an exit armed by a finished batch run), the second draws.

#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/Window.h"

namespace display {

struct PaintContext {
  // The window, for a repaint request when a drawing pass arrives without
  // its erasing pass; may be null.
  platform::WindowHost* host = nullptr;
  platform::Size client{1400, 1000};  // client area in pixels
  // A Run or Fit computes, a modal box or dialog or a file dialog is open:
  // the paint draws at most the disclaimer and leaves the window as it is.
  bool busy = false;
};

// The paint step: erase is true for the erasing pass of a paint, false for
// the drawing pass.
void PaintMainWindow(platform::Canvas& dc, bool erase, const PaintContext& context);

// True when the data plot's frame is where the last whole paint drew it, so
// that the plot may be drawn again on its own over what is on screen.
bool DataPlotWhereLastPainted();

// Records a new client size for the coordinate conversions (before the next
// paint records it anyway).
void ResizeMainWindow(platform::Size client);

// The disclaimer notice drawn once by the first paint, one text per line.
inline constexpr int kDisclaimerLineCount = 9;
extern const char* const kDisclaimerLines[kDisclaimerLineCount];

}  // namespace display
