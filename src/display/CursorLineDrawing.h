#pragma once
// The vertical cursor lines over the data plot (meniscus, reference
// meniscus, bottom, fit limits, and the dashed meniscus and bottom ranges),
// the inverting cursor line that follows the mouse or the keyboard, and the
// inverting rubber-band rectangle. All of them draw straight into the
// window's client area in pixels, outside any paint: while a mouse button is
// held or a fit runs no paint message is processed. Inverting drawings undo
// themselves when drawn a second time.
//
// Each operation comes in two forms: on a canvas in client pixels (the
// paint's), and on the main window (nothing while it does not exist).

#include "state/CursorLines.h"
#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Window.h"

namespace display {

// The colour of each line; the four range lines are dashed.
platform::Color CursorLineColour(CursorLineKind kind);
// The number of dashes of the range lines.
inline constexpr int kRangeLineDashes = 30;

// A solid vertical line at window column x over the data plot's height (on
// the M* screen over that screen's plot). plot is 1, the data plot.
void DrawCursorLine(platform::Canvas& window, int x, platform::Color colour, int plot = 1);
void DrawCursorLine(platform::WindowHost* window, int x, platform::Color colour, int plot = 1);
// n dashes; n = 1 is the solid line, n <= 0 draws nothing.
void DrawDashedCursorLine(platform::Canvas& window, int x, platform::Color colour, int n,
                          int plot = 1);
void DrawDashedCursorLine(platform::WindowHost* window, int x, platform::Color colour, int n,
                          int plot = 1);
// Moves the inverting line to x: with eraseOld the line drawn last is
// inverted back first. x = 0 draws no new line, so (0, true) removes it.
void XorCursorLine(platform::Canvas& window, int x, bool eraseOld, int plot = 1);
void XorCursorLine(platform::WindowHost* window, int x, bool eraseOld, int plot = 1);
// The inverting outline of the rubber band from (x0, y0) to (x1, y1), only
// while the right button is down and the corners differ.
void XorRectangle(platform::Canvas& window, bool rightButtonDown, int x0, int y0, int x1, int y1);
void XorRectangle(platform::WindowHost* window, bool rightButtonDown, int x0, int y0, int x1,
                  int y1);
// The solid and dashed lines of the data plot in their normal colours (after
// a highlight): fit limits, meniscus, bottom, then the four range lines.
void RedrawCursorLines(platform::Canvas& window);
void RedrawCursorLines(platform::WindowHost* window);

}  // namespace display
