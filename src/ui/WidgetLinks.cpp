#include "ui/WidgetLinks.h"

#include <cmath>

WidgetLinksRecord WidgetLinks;

int WidgetPlotSpace::Width() const {
  return static_cast<int>(
      std::floor(static_cast<double>(AspectRatio) * static_cast<double>(PlotHeight)));
}

int WidgetPlotSpace::Height() const {
  return static_cast<int>(std::floor(static_cast<double>(PlotHeight)));
}
