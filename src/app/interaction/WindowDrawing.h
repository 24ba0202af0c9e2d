#pragma once
// Small services of the plot interaction for drawing straight into the main
// window outside a paint: the conversion of client pixels to plot-space
// units, texts at fixed pixels, and showing what was drawn at once.

#include <string>

#include "platform/Geometry.h"

class TXLAWindow;
class CScreenButton;

// Client pixels to plot-space units (1399 x 1000); 0 while the client
// dimension is not positive. The client size is the one the last paint
// recorded.
float LogicalX(float px);
float LogicalY(float py);
// Plot-space rows to client pixels.
int PixelRow(float y);
// Plot-space columns to the nearest client pixel (the inverse of LogicalX).
int PixelColumn(float x);

// A text written at client pixel (x, y), as the mouse handlers write their
// readouts at the top left; nothing before the window exists.
void WriteWindowText(TXLAWindow& window, int x, int y, const std::string& text);
// The cursor value as the readout shows it: four decimals, four blanks.
std::string FormatCursorValue(float value);
// Replays the button's picture into the window and shows it.
void PaintButtonNow(TXLAWindow& window, const CScreenButton& button);
// Shows on screen what was drawn into the window's backing image.
void ShowDirectDrawing(TXLAWindow& window);
