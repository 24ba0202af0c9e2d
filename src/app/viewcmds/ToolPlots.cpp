#include "app/viewcmds/ToolPlots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ResidualHistogram.h"
#include "data/ScanDataSet.h"
#include "state/MainPlotLayout.h"
#include "plot/PlotSettings.h"

ToolPlotDataRecord ToolPlotData;
AdHocToolPlotsRecord AdHocToolPlots;

namespace {

enum class ScanQuantity { Temperature, RotorSpeed };

// The plot takes over ToolPlot, the first arrays and their vectors and
// curves; the plot goes first, since it only borrows the curves.
void ReleaseFirstGroup() {
  auto& t = ToolPlotData;
  t.ToolPlot.reset();
  for (auto& c : t.FirstCurves) c.reset();
  for (auto& v : t.FirstVectors) v.reset();
  for (auto& a : t.FirstArrays) a = OneBasedArray<float>{};
  t.FirstLength = 0;
  t.RotorSpeedPlotShown = false;
}

// Array k of the first group, n long, with its wrapping vector.
float* NewFirstArray(int k, int n) {
  auto& t = ToolPlotData;
  t.FirstArrays[k].Resize(1, n);
  t.FirstVectors[k] = std::make_unique<CVector>();
  t.FirstVectors[k]->AttachFrom(t.FirstArrays[k].data(), static_cast<unsigned>(n), 1);
  return t.FirstArrays[k].data();
}

CCurve* NewFirstCurve(int k, int xArray, int yArray) {
  auto& t = ToolPlotData;
  t.FirstCurves[k] =
      std::make_unique<CCurve>(t.FirstVectors[xArray].get(), t.FirstVectors[yArray].get());
  return t.FirstCurves[k].get();
}

// A new tool plot where the data plot is.
CWINPlot& NewToolPlot(const char* xTitle, const char* yTitle) {
  auto& t = ToolPlotData;
  t.ToolPlot = std::make_unique<CWINPlot>();
  t.ToolPlotFixedLayout = false;
  const auto& l = MainPlotLayout;
  t.ToolPlot->Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  t.ToolPlot->SetXTitle(xTitle);
  t.ToolPlot->SetYTitle(yTitle);
  return *t.ToolPlot;
}

void ShowScanQuantityPlot(TXLAWindow& window, ScanQuantity quantity) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return;
  ReleaseFirstGroup();
  auto& t = ToolPlotData;
  const int n = d.NFILES;
  t.FirstLength = n;
  float* x = NewFirstArray(0, n);
  float* y = NewFirstArray(1, n);
  for (int k = 1; k <= n; ++k) {
    const ScanHeader& h = d.ScanHeaders[d.ScanTimeOrder[k]];
    x[k] = static_cast<float>(h.Time);
    y[k] = quantity == ScanQuantity::Temperature ? h.Temperature : h.Rpm;
  }
  const bool temperature = quantity == ScanQuantity::Temperature;
  CWINPlot& plot = NewToolPlot("elapsed time (sec)", temperature ? "temperature (C)" : "rpm");
  plot.AddCurve(NewFirstCurve(0, 0, 1));
  // With a speed profile coupled, the paint draws the profile through the
  // points instead.
  plot.bConnectPoints = temperature || !d.DataSpeedProfile;
  plot.SetCurveStyle(0, 6);
  plot.nSymbolSize = n < 100 ? 10 : 5;
  PlotSettings.ErrorBarCapWidth = static_cast<int>(std::floor(1.5 * plot.nSymbolSize));
  if (!temperature) t.RotorSpeedPlotShown = true;
  InvalidateMainWindow(window);
}

// The points x[i], y[i] as the first group's pair of one-based arrays.
void PutPointsInFirstGroup(const std::vector<float>& x, const std::vector<float>& y) {
  const int n = static_cast<int>(std::min(x.size(), y.size()));
  ToolPlotData.FirstLength = n;
  float* px = NewFirstArray(0, n);
  float* py = NewFirstArray(1, n);
  for (int k = 1; k <= n; ++k) {
    px[k] = x[static_cast<std::size_t>(k - 1)];
    py[k] = y[static_cast<std::size_t>(k - 1)];
  }
}

}  // namespace

void ClearAdHocPlots(TXLAWindow&) {
  AdHocToolPlots.AdHocToolPlot = nullptr;
  AdHocToolPlots.AdHocToolHolder = nullptr;
  AdHocToolPlots.SpeedPlanningDisplayOn = false;
}

void ReleaseToolPlotData(TXLAWindow&) {
  auto& t = ToolPlotData;
  t.ToolPlot.reset();
  t.SecondToolPlot.reset();
  ReleaseFirstGroup();
  for (auto& c : t.SecondCurves) c.reset();
  for (auto& c : t.ThirdCurves) c.reset();
  for (auto& v : t.SecondVectors) v.reset();
  for (auto& v : t.ThirdVectors) v.reset();
  for (auto& a : t.SecondArrays) a = OneBasedArray<float>{};
  for (auto& a : t.ThirdArrays) a = OneBasedArray<float>{};
  t.SecondLengths = {};
  t.ThirdLength = 0;
  t.EqRotorSpeedDisplayOn = false;
  t.ToolPlotFixedLayout = false;
  t.ApproachHighlightOn = false;
  t.HighlightCurve = t.HighlightFirst = t.HighlightLast = 0;
}

void CmShowTemperaturePlot(TXLAWindow& window) {
  ShowScanQuantityPlot(window, ScanQuantity::Temperature);
}

void CmShowRotorSpeedPlot(TXLAWindow& window) {
  ShowScanQuantityPlot(window, ScanQuantity::RotorSpeed);
}

void ShowResidualHistogramPlot(TXLAWindow& window) {
  OneBasedArray<float> centres, lower, upper, counts, gaussian;
  const int n = ResidualHistogram(&centres, &lower, &upper, &counts, &gaussian, nullptr);
  if (n <= 0) return;
  ReleaseFirstGroup();
  auto& t = ToolPlotData;
  t.FirstLength = n;
  // Arrays: centres, counts, Gaussian, and the bin edges that the bars span.
  float* arrays[] = {NewFirstArray(0, n), NewFirstArray(1, n), NewFirstArray(2, n),
                     NewFirstArray(3, n), NewFirstArray(4, n)};
  for (int k = 1; k <= n; ++k) {
    arrays[0][k] = centres[k];
    arrays[1][k] = counts[k];
    arrays[2][k] = gaussian[k];
    arrays[3][k] = lower[k];
    arrays[4][k] = upper[k];
  }
  CWINPlot& plot = NewToolPlot("residual value", "frequency");
  plot.AddCurve(NewFirstCurve(0, 0, 1));
  plot.AddCurve(NewFirstCurve(1, 0, 2));
  plot.bConnectPoints = true;
  plot.SetCurveStyle(0, 21);
  plot.SetBarEdges(0, arrays[3], arrays[4], n);
  plot.SetCurveColor(0, platform::Rgb(100, 100, 100));
  plot.SetCurveStyle(1, 12);
  plot.SetCurveColor(1, platform::Rgb(255, 0, 0));
  InvalidateMainWindow(window);
}

bool CheckTemperatureFluctuationOf(TXLAWindow& window, float limit) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 1) return true;
  const float t1 = d.ScanHeaders[d.ScanTimeOrder[1]].Temperature;
  bool within = true;
  for (int k = 2; k <= d.NFILES && within; ++k)
    within = std::fabs(d.ScanHeaders[d.ScanTimeOrder[k]].Temperature - t1) <= limit;
  if (within) return true;
  CmShowTemperaturePlot(window);
  char text[128];
  std::snprintf(text, sizeof text, "temperature fluctuations exceed %.1f degrees",
                static_cast<double>(limit));
  ShowStopBox(window, text);
  InvalidateMainWindow(window);
  return false;
}

CWINPlot& ShowHighlightedToolPlot(TXLAWindow& window, const std::vector<float>& x,
                                  const std::vector<float>& y, int first, int last,
                                  const char* xTitle, const char* yTitle) {
  ReleaseToolPlotData(window);
  auto& t = ToolPlotData;
  PutPointsInFirstGroup(x, y);
  CWINPlot& plot = NewToolPlot(xTitle, yTitle);
  plot.AddCurve(NewFirstCurve(0, 0, 1));
  plot.bConnectPoints = true;
  plot.SetCurveColor(0, platform::kBlack);
  plot.SetCurveStyle(0, -1);
  t.ApproachHighlightOn = true;
  t.HighlightCurve = 0;
  t.HighlightFirst = first;
  t.HighlightLast = last;
  InvalidateMainWindow(window);
  return plot;
}

CWINPlot& ShowPointsAndLineToolPlot(TXLAWindow& window, const std::vector<float>& x,
                                    const std::vector<float>& y, const std::vector<float>& lineX,
                                    const std::vector<float>& lineY, const char* xTitle,
                                    const char* yTitle) {
  ReleaseToolPlotData(window);
  auto& t = ToolPlotData;
  // The points in the first group, the line in the first pair of the second.
  PutPointsInFirstGroup(x, y);
  const int m = static_cast<int>(std::min(lineX.size(), lineY.size()));
  t.SecondLengths[0] = m;
  for (int a = 0; a < 2; ++a) {
    t.SecondArrays[a].Resize(1, m);
    for (int k = 1; k <= m; ++k)
      t.SecondArrays[a][k] = (a == 0 ? lineX : lineY)[static_cast<std::size_t>(k - 1)];
    t.SecondVectors[a] = std::make_unique<CVector>();
    t.SecondVectors[a]->AttachFrom(t.SecondArrays[a].data(), static_cast<unsigned>(m), 1);
  }
  t.SecondCurves[0] = std::make_unique<CCurve>(t.SecondVectors[0].get(), t.SecondVectors[1].get());
  CWINPlot& plot = NewToolPlot(xTitle, yTitle);
  plot.AddCurve(NewFirstCurve(0, 0, 1));
  plot.AddCurve(t.SecondCurves[0].get());
  plot.SetCurveStyle(0, 6);
  plot.SetCurveStyle(1, 12);
  return plot;
}
