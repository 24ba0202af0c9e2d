#pragma once
// Conversions between the data values of a plot and pixels of the main
// window's client area. Plots map data into the plot space (1.4 x 1000
// logical units); the window shows that space stretched onto its client
// area, whose size the last paint recorded (MainPlotLayout's float copies).

#include "plot/CWINPlot.h"

namespace display {

// The window column of data value v on the plot's x axis; 0 when the plot
// space has no width.
int ValueToWindowX(const CWINPlot& plot, float v);
// True when data value v lies within the plot's frame on the x axis.
bool InsidePlotFrameX(const CWINPlot& plot, float v);
// The data values at a window column or row; plot-space position 0 when the
// client area has no size.
float WindowXToValue(const CWINPlot& plot, int x);
float WindowYToValue(const CWINPlot& plot, int y);
// The window row of a height in plot-space units.
int PlotRowToWindowY(float y);

}  // namespace display
