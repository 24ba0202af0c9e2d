#pragma once
// The progress indicator that long computations draw straight into the main
// window while they run: a short bar that fills from left to right in a
// signal colour over a grey track, or a ring that fills clockwise. The
// window is not repainted during a computation, so the indicator keeps the
// pixels under itself and puts them back when it is removed. Nothing is
// drawn or saved before the main window's first paint.
//
// Threads: the fraction done may come from a worker thread (the normal-
// equation builders report through UpdateOnDC). The value is atomic and only
// ever grows, so each growth is claimed by exactly one caller. The drawing
// itself goes to the caller's canvas, on the canvas owner's terms: a canvas
// is not safe for two threads at once, so whoever hands a worker the window's
// canvas must keep the user-interface thread off it (or give the worker a
// canvas of its own) while the worker reports.

#include <atomic>

#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/DrawingTools.h"
#include "platform/RgbImage.h"

class CProgressLine {
 public:
  CProgressLine();
  CProgressLine(const CProgressLine&) = delete;
  CProgressLine& operator=(const CProgressLine&) = delete;

  float Maximum = 1.0f;
  std::atomic<float> Value{0.0f};  // the last value drawn
  int Length = 100;                // pixels; also the radius of the arc's end direction
  int Thickness = 3;               // the saved area and the ring size; the bar has four rows
  platform::Color LineColour = platform::Rgb(255, 0, 0);
  platform::Color TrackColour = platform::Rgb(200, 200, 200);
  platform::Pen LinePen;
  platform::Pen TrackPen;
  int BarRight = 0, BarLeft = 0, BarBottom = 0, BarTop = 0;
  bool BackgroundSaved = false;
  platform::RgbImage Background;
  platform::Rect BackgroundRect;  // window pixels the background came from
  bool ArcForm = false;           // draw the ring instead of the bar
  platform::Rect ArcRect;         // bounding square of the ring
  platform::Point ArcStart;       // twelve o'clock on the ring

  // Geometry at (x, y) in window pixels, background saved, nothing drawn.
  // Called once per indicator.
  void Place(platform::Canvas& window, int x, int y);
  void SetBlue();
  void SetPurple();
  // Draws when value is above the last value drawn (and drawing is allowed).
  void Update(float value, platform::Canvas& window);
  void UpdateOnDC(float value, platform::Canvas& dc);
  // False before the main window's first paint.
  bool SaveBackground(platform::Canvas& window);
  bool RestoreBackground(platform::Canvas& window);
  bool Remove(platform::Canvas& window) { return RestoreBackground(window); }

 private:
  void SetLineColour(platform::Color colour);
  void DrawBar(platform::Canvas& dc, float value) const;
  void DrawArc(platform::Canvas& dc, float value) const;
};
