#pragma once
// What the on-screen widgets need of the plotting engine: the plot space they
// are laid out in. The widgets sit below the plotting engine, whose settings
// hold the space, so the engine's owner installs this link when it starts;
// until it does, the plot space is 1.4 x 1000 units. Whether drawing is
// allowed and the client size of the main window come straight from the
// display's records.

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

struct WidgetLinksRecord {
  std::function<WidgetPlotSpace()> PlotSpace = [] { return WidgetPlotSpace{}; };
};

extern WidgetLinksRecord WidgetLinks;
