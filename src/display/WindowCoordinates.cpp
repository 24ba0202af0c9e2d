#include "display/WindowCoordinates.h"

#include <cmath>

#include "state/MainPlotLayout.h"
#include "plot/PlotSettings.h"

namespace display {

namespace {

// The plot space's width: the single-precision aspect times the height,
// formed in double so that it stays just under 1400 and a position that the
// mapping puts on a whole column lands on that column.
double PlotSpaceWidthExact() {
  return static_cast<double>(PlotSettings.AspectRatio) *
         static_cast<double>(PlotSettings.PlotHeight);
}

}  // namespace

namespace {

// The plot-space column of data value v.
int PlotSpaceX(const CWINPlot& plot, float v) {
  if (plot.bLogX)
    return v > 0 ? static_cast<int>(std::log10(v) * plot.fXScale + plot.fXOffset)
                 : plot.nLeft - plot.nLogFloorOffset;
  return static_cast<int>(v * plot.fXScale + plot.fXOffset);
}

}  // namespace

bool InsidePlotFrameX(const CWINPlot& plot, float v) {
  const int p = PlotSpaceX(plot, v);
  return p >= plot.nLeft && p <= plot.nRight;
}

int ValueToWindowX(const CWINPlot& plot, float v) {
  const int p = PlotSpaceX(plot, v);
  const double width = PlotSpaceWidthExact();
  if (width <= 0) return 0;
  return static_cast<int>(std::floor(p * static_cast<double>(MainPlotLayout.ClientWidth) / width));
}

int PlotRowToWindowY(float y) {
  if (PlotSpaceWidthExact() <= 0) return 0;
  return static_cast<int>(std::floor(y * MainPlotLayout.ClientHeight / PlotSettings.PlotHeight));
}

float WindowXToValue(const CWINPlot& plot, int x) {
  const float w = MainPlotLayout.ClientWidth;
  const int q = w > 0 ? static_cast<int>(static_cast<float>(x) * PlotSettings.AspectRatio *
                                         PlotSettings.PlotHeight / w)
                      : 0;
  const float v = (static_cast<float>(q) - plot.fXOffset) / plot.fXScale;
  return plot.bLogX ? std::pow(10.0f, v) : v;
}

float WindowYToValue(const CWINPlot& plot, int y) {
  const float h = MainPlotLayout.ClientHeight;
  const int q = h > 0 ? static_cast<int>(static_cast<float>(y) * PlotSettings.PlotHeight / h) : 0;
  const float v = (static_cast<float>(q) - plot.fYOffset) / plot.fYScale;
  return plot.bLogY ? std::pow(10.0f, v) : v;
}

}  // namespace display
