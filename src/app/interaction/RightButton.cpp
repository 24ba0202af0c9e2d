// The right mouse button of the main window: a rubber band over the data
// plot zooms it (the zoom levels kept on the display-range stack), one over
// the lower part of the window picks a range of the distribution to rescale
// or integrate; a double click steps the zoom back, restores the
// distribution's full scale or reads out the molar mass at a sedimentation
// coefficient.

#include <algorithm>
#include <cmath>

#include "app/equilibrium/MwScreenInput.h"
#include "app/interaction/CursorActions.h"
#include "app/interaction/DistributionPeaks.h"
#include "app/interaction/DistributionTools.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/PlotInput.h"
#include "app/interaction/WindowDrawing.h"
#include "state/ModelSelection.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "display/CursorLineDrawing.h"
#include "display/DistributionPlot.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/DistributionPlotState.h"
#include "state/MainPlotLayout.h"
#include "state/PaintState.h"
#include "state/ComputationAbort.h"
#include "ui/Sounds.h"

namespace {

bool Guarded(TXLAWindow& window) {
  if (PaintState.ToolPlotShown || PaintState.AdHocToolPlotShown || window.DialogBusy) return true;
  if (window.RunBusy || window.FitBusy) {
    ComputationAbort = true;
    return true;
  }
  return !display::MainPlots.DataPlot;
}

bool TwoDimensionalModel() {
  const ModelKind k = ModelSelection.Kind;
  return k == ModelKind::CSFf0 || k == ModelKind::CSFf0OneDiscrete;
}

int RowOf(int thousandths) {
  return static_cast<int>(std::floor(thousandths * MainPlotLayout.ClientHeight / 1000.0f));
}

void CancelOpenRangeQuestion(TXLAWindow& window) {
  const auto& s = LineMoveState;
  if (s.MoveAwaitsConfirm && (s.MeniscusRangeQuestion || s.BottomRangeQuestion))
    ApplyCursorAction(window, false);
}

// A pending line keeps its value; its column follows the new ranges.
void ReplacePendingLine() {
  auto& s = LineMoveState;
  if (s.MoveAwaitsConfirm && display::MainPlots.DataPlot)
    s.MovedLinePixel =
        display::ValueToWindowX(*display::MainPlots.DataPlot, CursorLineState.CursorValue);
}

void ZoomDataPlot(int x1, int x2, int yTop, int yBottom) {
  CWINPlot& plot = *display::MainPlots.DataPlot;
  auto& stack = DisplayRangeStack;
  stack.Level = std::min(stack.Level + 1, DisplayRangeStackRecord::MaxLevel);
  const int level = stack.Level;
  stack.MinRadius[level] = display::WindowXToValue(plot, x1);
  stack.MaxRadius[level] = display::WindowXToValue(plot, x2);
  stack.MinSignal[level] = display::WindowYToValue(plot, yBottom);
  stack.MaxSignal[level] = display::WindowYToValue(plot, yTop);
  plot.SetRanges(stack.MinRadius[level], stack.MaxRadius[level], stack.MinSignal[level],
                 stack.MaxSignal[level]);
  plot.Render();
}

bool ReadoutModel(ModelKind k) {
  using M = ModelKind;
  switch (k) {
    case M::ContinuousCS:
    case M::ZoneCS:
    case M::LsGStar:
    case M::LsGStarOneDiscrete:
    case M::HybridCSLsGStar:
    case M::CSWithOneDiscrete:
    case M::CSWithMsTable:
    case M::CSConformationalChange:
    case M::CSBimodalFf0:
    case M::CSBimodalFf0OneDiscrete:
    case M::CSFlotation:
    case M::CSFixFf0FloatingVbar:
    case M::CSGeneralScalingLaw:
    case M::CSWormlikeChain:
    case M::CSInvariantD:
    case M::CSLinearRods:
      return true;
    default:
      return false;
  }
}

}  // namespace

void HandleRightButtonDown(TXLAWindow& window, int, platform::Point point) {
  if (Guarded(window) || window.RightButtonDown) return;
  auto& b = RubberBand;
  auto& r = RangeSelection;
  platform::Point anchor = point;
  if (r.IntegrationPending && !TwoDimensionalModel()) anchor.y = RowOf(950);
  b.BandAnchor = b.BandCorner = b.BandPreviousCorner = anchor;
  b.BandReachLeft = b.BandReachRight = anchor.x;
  window.RightButtonDown = true;
  platform::WindowHost* host = window.Host();
  if (IsPastDistributionPlotEdge(point.x, point.y)) {
    if (host) host->SetCursor(platform::CursorShape::Cross);
    r.RescalePending = r.RangeRectangleArmed = r.RangeRectangleActive = true;
  } else {
    r.RangeRectangleActive = false;
    b.ZoomBandOnDataPlot = IsOverDataPlot(point.x, point.y);
    if (!b.ZoomBandOnDataPlot) return;
  }
  b.RubberBandActive = true;
  if (host) {
    host->CaptureMouse(true);
    host->SetCursor(platform::CursorShape::Cross);
  }
}

void HandleRightButtonUp(TXLAWindow& window, int, platform::Point) {
  if (Guarded(window)) return;
  auto& b = RubberBand;
  auto& r = RangeSelection;
  if (window.RightButtonDown) {
    platform::WindowHost* host = window.Host();
    display::XorRectangle(host, true, b.BandAnchor.x, b.BandAnchor.y, b.BandCorner.x,
                          b.BandCorner.y);
    ShowDirectDrawing(window);
    const int x1 = std::min(b.BandAnchor.x, b.BandCorner.x);
    const int x2 = std::max(b.BandAnchor.x, b.BandCorner.x);
    const int yTop = std::min(b.BandAnchor.y, b.BandCorner.y);
    const int yBottom = std::max(b.BandAnchor.y, b.BandCorner.y);
    // A click is not a zoom: the band must be wider than 10 pixels.
    // On the M* screen a pending basis drag takes the band instead of a zoom.
    const bool basis = x2 - x1 > 10 && b.RubberBandActive && MwScreenRightDrag(window, x1, x2);
    if (!basis && x2 - x1 > 10 && b.RubberBandActive) {
      CWINPlot* dist = display::DistributionPlots.DistributionPlot.get();
      if (b.ZoomBandOnDataPlot) {
        ZoomDataPlot(x1, x2, yTop, yBottom);
      } else if (r.RangeRectangleActive && dist != nullptr) {
        const float s1 = display::WindowXToValue(*dist, x1);
        const float s2 = display::WindowXToValue(*dist, x2);
        if (r.IntegrationPending)
          IntegrateDistributionRange(window, s1, s2, dist->SecondaryYValueAt(yBottom),
                                     dist->SecondaryYValueAt(yTop));
        if (r.RescalePending) RescaleDistributionToRange(window, s1, s2);
      }
      b.ZoomedByRubberBand = true;
      if (!r.RescalePending) InvalidateMainWindow(window);
    }
    if (host) {
      host->CaptureMouse(false);
      host->SetCursor(platform::CursorShape::Arrow);
    }
    window.RightButtonDown = false;
    b.RubberBandActive = false;
    b.ZoomBandOnDataPlot = false;
    r.RangeRectangleActive = false;
    // A plain click leaves nothing armed for a later band.
    if (x2 - x1 <= 10 && !r.IntegrationPending) {
      r.RescalePending = false;
      r.RangeRectangleArmed = false;
    }
    ReplacePendingLine();
  }
  CancelOpenRangeQuestion(window);
}

void HandleRightButtonDblClk(TXLAWindow& window, int modifiers, platform::Point point) {
  DistributionPlotState.FMModelJustSet = false;
  if (Guarded(window) || LineMoveState.LineDragActive) return;
  RubberBand.ZoomBandOnDataPlot = false;
  RangeSelection.RangeRectangleActive = false;
  CancelOpenRangeQuestion(window);
  if (IsPastDistributionPlotEdge(point.x, point.y)) {
    if (modifiers == (kMkRButton | kMkControl) && ReadoutModel(ModelSelection.Kind)) {
      ShowMolarMassReadout(window, point);
      return;
    }
    CmFullscaleDistributionPlot(window);
    InvalidateMainWindow(window);
    return;
  }
  auto& stack = DisplayRangeStack;
  CWINPlot& plot = *display::MainPlots.DataPlot;
  stack.Level -= 1;
  if (stack.Level < 0) {
    stack.Level = 0;
    PlayOkSound();
    return;
  }
  const int level = stack.Level;
  if (level == 0)
    plot.SetAutoRanges();
  else if (RubberBand.ZoomedByRubberBand)
    plot.SetRanges(stack.MinRadius[level], stack.MaxRadius[level], stack.MinSignal[level],
                   stack.MaxSignal[level]);
  else
    plot.SetXRangeAutoY(stack.MinRadius[level], stack.MaxRadius[level]);
  plot.Render();
  ReplacePendingLine();
  InvalidateMainWindow(window);
}
