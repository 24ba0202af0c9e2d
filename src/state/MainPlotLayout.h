#pragma once
// Where the main window puts its plots, and which of them it shows. Layout
// values are program-wide integers: horizontal ones in thousandths of the
// plot space's width (the plot space is 1.4 times as wide as high), vertical
// ones in the 1000 units of its height. The client size is the one the main
// window's last paint recorded, in pixels.

struct MainPlotLayoutRecord {
  int PlotRight = 975;  // right edge of every main plot
  int PlotLeft = 75;    // left edge of the data and residual plots
  int DataTop = 50;
  int DataBottom = 475;  // with the residuals shown
  // Top of the residual row; the residual bitmap fills one unit per scan
  // below it, above the residual plot.
  int ResidualTop = 550;
  int ResidualBottom = 950;
  int HistogramWidth = 200;  // taken from the right end of the residual row
  float ClientWidth = 1400.0f;
  float ClientHeight = 1000.0f;
};

extern MainPlotLayoutRecord MainPlotLayout;

struct MainDisplayOptionsRecord {
  bool ShowData = true;
  bool ShowResiduals = true;
  // One row per scan above the residual plot, which moves down by as much.
  bool ShowResidualsBitmap = true;      // "Show Residuals Bitmap"
  bool ShowResidualsHistogram = false;  // "Show Residuals Histogram"
  // Scan colours follow the time ramp instead of the fixed colour cycle.
  bool ScanColourFromTime = true;
  // Which plots a running fit redraws, and the least time between two
  // redraws in seconds.
  bool LiveUpdateDataPlot = false;
  bool LiveUpdateResidualPlot = false;
  bool LiveUpdateResidualBitmap = false;
  bool LiveUpdateDistributionPlot = false;
  float LiveUpdateInterval = 1.0f;
};

extern MainDisplayOptionsRecord MainDisplayOptions;
