// Mouse moves over the main window: a held cursor line or the rubber band
// follows the mouse, the line under the mouse is highlighted so that the
// user sees which one a press would grab, the plot coordinates are shown
// and the scan under the mouse is named. Everything draws straight into the
// window; nothing is invalidated.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/interaction/CursorActions.h"
#include "app/interaction/DistributionPeaks.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/PlotInput.h"
#include "app/interaction/ScanPicking.h"
#include "app/interaction/WindowDrawing.h"
#include "app/viewcmds/ToolPlots.h"
#include "data/DataSetLinks.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/CursorLineDrawing.h"
#include "display/DistributionPlot.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/DistributionPlotState.h"
#include "state/MainPlotLayout.h"
#include "state/PaintState.h"
#include "state/ScreenModes.h"
#include "state/ComputationAbort.h"
#include "plot/PlotSettings.h"

using K = CursorLineKind;

namespace {

struct Highlight {
  K kind;
  platform::Color colour;
  bool rangeLine;  // only off the equilibrium screen
};

// The order in which the hover picks among lines on the same column.
const Highlight kHoverOrder[] = {
    {K::MeniscusLine, platform::Rgb(180, 0, 0), false},
    {K::FitRightLine, platform::Rgb(0, 180, 0), false},
    {K::MeniscusLowLine, platform::Rgb(80, 80, 80), true},
    {K::MeniscusHighLine, platform::Rgb(80, 80, 80), true},
    {K::BottomLowLine, platform::Rgb(80, 80, 80), true},
    {K::BottomHighLine, platform::Rgb(80, 80, 80), true},
    {K::FitLeftLine, platform::Rgb(0, 180, 0), false},
    {K::BottomLine, platform::Rgb(180, 180, 255), false},
};

void CoordinateTexts(TXLAWindow& window, const CWINPlot& plot, platform::Point p) {
  char x[64], y[64];
  std::snprintf(x, sizeof x, "%1.3f    ",
                static_cast<double>(display::WindowXToValue(plot, p.x)));
  std::snprintf(y, sizeof y, "%1.3f    ",
                static_cast<double>(display::WindowYToValue(plot, p.y)));
  WriteWindowText(window, 10, 50, x);
  WriteWindowText(window, 10, 70, y);
}

void SetCursorShape(TXLAWindow& window, platform::CursorShape shape) {
  if (window.Host() != nullptr) window.Host()->SetCursor(shape);
}

// The line under the mouse in its highlight colour and the sizing cursor;
// leaving it puts the lines back in their colours once.
void HighlightLineUnderMouse(TXLAWindow& window, int x) {
  auto& s = LineMoveState;
  const bool mw = ScreenModes.MStarScreenActive;
  ComputePressPixels();
  const auto near = [&](int pixel) {
    return std::abs(x - pixel) < LineMoveStateRecord::LineGrabTolerance;
  };
  bool found = false;
  for (const Highlight& h : kHoverOrder) {
    if (h.rangeLine && mw) continue;
    if (!near(s.PressPixel[KindIndex(h.kind)])) continue;
    found = true;
    const bool fitLimit = h.kind == K::FitLeftLine || h.kind == K::FitRightLine;
    if (!(mw && fitLimit))
      display::DrawDashedCursorLine(window.Host(), s.PressPixel[KindIndex(h.kind)], h.colour,
                                    display::kRangeLineDashes);
    break;
  }
  if (!found && s.MoveAwaitsConfirm && near(s.MovedLinePixel)) found = true;
  if (!found && !mw && ReferenceMeniscusShown() &&
      near(s.PressPixel[KindIndex(K::ReferenceMeniscusLine)])) {
    found = true;
    display::DrawDashedCursorLine(window.Host(), s.PressPixel[KindIndex(K::ReferenceMeniscusLine)],
                                  platform::Rgb(150, 0, 150), display::kRangeLineDashes);
  }
  if (found) {
    SetCursorShape(window, platform::CursorShape::SizeWE);
    HoverState.ArrowCursorSet = false;
    ShowDirectDrawing(window);
  } else if (!HoverState.ArrowCursorSet) {
    SetCursorShape(window, platform::CursorShape::Arrow);
    display::RedrawCursorLines(window.Host());
    ShowDirectDrawing(window);
    HoverState.ArrowCursorSet = true;
  }
}

bool TwoDimensionalModel() {
  const ModelKind k = ModelSelection.Kind;
  return k == ModelKind::CSFf0 || k == ModelKind::CSFf0OneDiscrete;
}

void TrackBand(TXLAWindow& window, platform::Point point) {
  auto& b = RubberBand;
  const auto& r = RangeSelection;
  b.BandCorner = point;
  if (r.IntegrationPending && !TwoDimensionalModel())
    b.BandCorner.y = static_cast<int>(
        std::floor(DistributionPlotState.DistPlotTop * MainPlotLayout.ClientHeight / PlotSettings.PlotHeight));
  platform::WindowHost* host = window.Host();
  display::XorRectangle(host, window.RightButtonDown, b.BandAnchor.x, b.BandAnchor.y,
                        b.BandPreviousCorner.x, b.BandPreviousCorner.y);
  display::XorRectangle(host, window.RightButtonDown, b.BandAnchor.x, b.BandAnchor.y,
                        b.BandCorner.x, b.BandCorner.y);
  CWINPlot* dist = display::DistributionPlots.DistributionPlot.get();
  if (r.IntegrationPending && dist != nullptr && !DlsDataMode &&
      !IsVanHoldeWeischetFamily(ModelSelection.Kind)) {
    const auto v = [&](int c) { return display::WindowXToValue(*dist, c); };
    // The range drawn last is cleared, the swept range restored, and the
    // new range shaded in red.
    DrawIntegrationRange(window, v(b.BandAnchor.x), v(b.BandPreviousCorner.x), 13, platform::kBlack);
    DrawIntegrationRange(window, v(b.BandReachLeft), v(b.BandReachRight), -1, platform::kBlack);
    DrawIntegrationRange(window, v(b.BandAnchor.x), v(b.BandCorner.x), 12,
                         platform::Rgb(255, 0, 0));
  }
  b.BandPreviousCorner = b.BandCorner;
  b.BandReachRight = std::max(b.BandReachRight, b.BandCorner.x);
  b.BandReachLeft = std::min(b.BandReachLeft, b.BandCorner.x);
  ShowDirectDrawing(window);
}

void NameScanUnderMouse(TXLAWindow& window, platform::Point point) {
  const auto& d = ScanDataSet;
  const float w = MainPlotLayout.ClientWidth, h = MainPlotLayout.ClientHeight;
  const int px = static_cast<int>(LogicalX(static_cast<float>(point.x)));
  const int py = static_cast<int>(LogicalY(static_cast<float>(point.y)));
  const int dx = w > 0 ? static_cast<int>(kPointPickTolerance * PlotSettings.AspectRatio *
                                          PlotSettings.PlotHeight / w)
                       : 0;
  const int dy = h > 0 ? static_cast<int>(kPointPickTolerance * PlotSettings.PlotHeight / h) : 0;
  int rank = 0;
  if (display::MainPlots.DataPlot)
    for (int i = 1; i <= d.NFILES && rank == 0; ++i)
      if (HitTestDataPoint(d.ScanTimeOrder[i], px, py, dx, dy)) rank = i;
  if (rank == 0 && display::MainPlots.ResidualPlot)
    for (int i = 1; i <= d.NFILES && rank == 0; ++i)
      if (HitTestResidualPoint(d.ScanTimeOrder[i], px, py, dx, dy)) rank = i;
  if (rank > 0)
    ShowScanNameLabel(window, rank, point.x, point.y);
  else
    HideScanNameLabel(window);
}

}  // namespace

void HandleMouseMove(TXLAWindow& window, platform::Point point) {
  if (window.RunBusy || window.FitBusy) {
    ComputationAbort = true;
    return;
  }
  if (!display::MainPlots.DataPlot || window.DialogBusy) return;
  if (!display::MainPlots.ResidualPlot || PaintState.ToolPlotShown ||
      PaintState.AdHocToolPlotShown || RedrawSuppressed)
    return;
  // The approach-to-equilibrium test's plot tells where the mouse points.
  if (ToolPlotData.ApproachHighlightOn && ToolPlotData.ToolPlot) {
    CoordinateTexts(window, *ToolPlotData.ToolPlot, point);
    return;
  }
  if (LineMoveState.LineDragActive) {
    TrackLineDrag(window, point);
    return;
  }
  const auto& b = RubberBand;
  const auto& r = RangeSelection;
  if (b.RubberBandActive && (b.ZoomBandOnDataPlot || r.RangeRectangleActive)) {
    TrackBand(window, point);
    return;
  }
  if (IsOverDataPlot(point.x, point.y) && !ScreenModes.EqTestScreenActive)
    HighlightLineUnderMouse(window, point.x);
  if (b.ZoomBandOnDataPlot) {
    CoordinateTexts(window, *display::MainPlots.DataPlot, point);
  } else if (r.RangeRectangleActive && display::DistributionPlots.DistributionPlot) {
    CoordinateTexts(window, *display::DistributionPlots.DistributionPlot, point);
  }
  if (HoverState.ScanPickingOn && !ScreenModes.EqTestScreenActive && ScanDataSet.NFILES > 0 &&
      !ScreenModes.MStarScreenActive)
    NameScanUnderMouse(window, point);
}
