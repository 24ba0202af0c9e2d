#pragma once
// What the on-screen widgets need of the layers above them: whether drawing
// into windows is allowed yet, the plot space they are laid out in, and the
// client size that the main window's last paint recorded. The widgets sit
// below the display and the plotting engine, so the display installs these
// links when it starts; until it does, nothing may be drawn into a window,
// the plot space is 1.4 x 1000 units and the client size 1400 x 1000 pixels.

#include <functional>

// The logical space of the plots: aspect x height wide, height high.
struct WidgetPlotSpace {
  // Single precision on purpose, as the plots hold it: the float nearest 1.4
  // lies just below it, so the space is 1399 units wide, not 1400.
  float AspectRatio = 1.4f;
  float PlotHeight = 1000.0f;

  // floor(aspect x height) and floor(height), formed in double precision.
  int Width() const;
  int Height() const;
};

// Window pixels as the last paint of the main window recorded them.
struct RecordedClientSize {
  float Width = 1400.0f;
  float Height = 1000.0f;
};

struct WidgetLinksRecord {
  // The display's DrawingAllowed: set by the main window's first paint. The
  // progress indicator asks it from worker threads too; it is installed once,
  // before any worker runs, and only read afterwards.
  std::function<bool()> DrawingAllowed = [] { return false; };
  std::function<WidgetPlotSpace()> PlotSpace = [] { return WidgetPlotSpace{}; };
  std::function<RecordedClientSize()> ClientSize = [] { return RecordedClientSize{}; };
};

extern WidgetLinksRecord WidgetLinks;
