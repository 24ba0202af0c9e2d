#pragma once
// The one-shot plots that the paint handler draws in the data plot's place:
// the temperatures and the rotor speeds of the loaded scans against time,
// the histogram of the residuals with its Gaussian, and the plots of the
// equilibrium and calibration tools, which keep their arrays here too. One
// set serves whichever tool screen is open; a new plot takes over the plot
// and the first arrays. Also the ad-hoc plot of the scan-correction tools,
// which those tools own.

#include <array>
#include <memory>
#include <vector>

#include "display/DisplayLinks.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Canvas.h"
#include "plot/CWINPlot.h"

class CAdHocPlot;
class TXLAWindow;

struct ToolPlotDataRecord {
  std::unique_ptr<CWINPlot> ToolPlot;
  std::unique_ptr<CWINPlot> SecondToolPlot;
  // First group: ten arrays of one common length (the x and y arrays of the
  // tool's curves).
  std::array<OneBasedArray<float>, 10> FirstArrays;
  int FirstLength = 0;
  // Second group: three pairs, each pair with its own length.
  std::array<OneBasedArray<float>, 6> SecondArrays;
  std::array<int, 3> SecondLengths{};
  // Third group: four arrays of one length.
  std::array<OneBasedArray<float>, 4> ThirdArrays;
  int ThirdLength = 0;
  // The vectors wrapping the arrays of each group, and the curves made of
  // them.
  std::array<std::unique_ptr<CVector>, 10> FirstVectors;
  std::array<std::unique_ptr<CVector>, 6> SecondVectors;
  std::array<std::unique_ptr<CVector>, 4> ThirdVectors;
  std::array<std::unique_ptr<CCurve>, 9> FirstCurves;
  std::array<std::unique_ptr<CCurve>, 3> SecondCurves;
  std::array<std::unique_ptr<CCurve>, 3> ThirdCurves;
  bool RotorSpeedPlotShown = false;
  bool EqRotorSpeedDisplayOn = false;
  // The tool placed its plot itself: the paint does not lay it out again.
  bool ToolPlotFixedLayout = false;
  // The approach-to-equilibrium test marks the comparison range of the
  // series it asks about: points HighlightFirst..HighlightLast of curve
  // HighlightCurve (one of FirstCurves) in red over the tool plot. While it
  // is on, the paint keeps the tool plot and the mouse shows coordinates.
  bool ApproachHighlightOn = false;
  int HighlightCurve = 0;
  int HighlightFirst = 0;
  int HighlightLast = 0;
};

extern ToolPlotDataRecord ToolPlotData;

// The scan-correction tools' ad-hoc plot; the tool that made them owns them.
struct AdHocToolPlotsRecord {
  CWINPlot* AdHocToolPlot = nullptr;
  CAdHocPlot* AdHocToolHolder = nullptr;
  bool SpeedPlanningDisplayOn = false;
};

extern AdHocToolPlotsRecord AdHocToolPlots;

// Forgets the ad-hoc plot (without releasing it) and clears the speed
// planning tool's display flag.
void ClearAdHocPlots(TXLAWindow& window);
// Releases everything of ToolPlotData; safe when nothing is allocated.
void ReleaseToolPlotData(TXLAWindow& window);

// "Show Temperature Plot" (537) and "Show Rotor Speed Plot" (946): one point
// per scan in time order against the elapsed time. Nothing without scans.
void CmShowTemperaturePlot(TXLAWindow& window);
void CmShowRotorSpeedPlot(TXLAWindow& window);
// The residual histogram as a tool plot: bin counts with the bins drawn as
// bars, and the least-squares Gaussian. Nothing without residuals to count.
void ShowResidualHistogramPlot(TXLAWindow& window);

// The paint's layer of the one-shot plots, drawn in place of the main
// plots on a canvas in the paint's mapping: the ad-hoc plot (with the
// pending tool caption at 10, 100), forgotten afterwards, or else the tool
// plot (relaid out unless fixed), with the rotor speed course over a rotor
// speed plot, the second tool plot and the caption at 600, 100, released
// afterwards. ToolLayer::None when neither exists.
display::ToolLayer PaintToolPlotLayers(TXLAWindow& window, platform::Canvas& dc);

// True when every scan's temperature lies within limit degrees of the
// earliest scan's; otherwise shows the temperature plot and says so.
bool CheckTemperatureFluctuationOf(TXLAWindow& window, float limit);

// A tool plot where the data plot is of one curve (x, y) drawn as a black
// line, with its points first..last (one-based) highlighted in red by the
// paint until ReleaseToolPlotData: the approach-to-equilibrium test's view
// of a series' latest scan and its comparison range.
CWINPlot& ShowHighlightedToolPlot(TXLAWindow& window, const std::vector<float>& x,
                                  const std::vector<float>& y, int first, int last,
                                  const char* xTitle, const char* yTitle);

// A tool plot where the data plot is, of measured points (x, y) drawn as
// symbols and a line through (lineX, lineY); the previous tool plot and its
// arrays are released first. The caller sets ranges and titles on the plot.
CWINPlot& ShowPointsAndLineToolPlot(TXLAWindow& window, const std::vector<float>& x,
                                    const std::vector<float>& y, const std::vector<float>& lineX,
                                    const std::vector<float>& lineY, const char* xTitle,
                                    const char* yTitle);
