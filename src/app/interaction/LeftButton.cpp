// The left mouse button of the main window: presses on the on-screen
// buttons, the grab and release of a cursor line, the scan pick, and the
// double click that places the keyboard cursor.

#include <cmath>

#include "app/equilibrium/MwScreenInput.h"
#include "app/interaction/CursorActions.h"
#include "app/interaction/DistributionPeaks.h"
#include "app/interaction/DistributionTools.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/PlotInput.h"
#include "app/interaction/ScanPicking.h"
#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/options/OptionBoxes.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/MainPlots.h"
#include "display/DistributionPlot.h"
#include "state/MainPlotLayout.h"
#include "state/PaintState.h"
#include "state/ScreenModes.h"
#include "state/ComputationAbort.h"
#include "ui/Boxes.h"
#include "ui/MouseFlick.h"

namespace {

// A tool screen drawn in place of the main plots takes no mouse input.
bool ToolScreenShown() {
  return PaintState.ToolPlotShown || PaintState.AdHocToolPlotShown;
}

bool BandRunning() {
  const auto& b = RubberBand;
  return b.RubberBandActive && (b.ZoomBandOnDataPlot || RangeSelection.RangeRectangleActive);
}

// The button hit-test point: thousandths of the client size.
struct HitPoint {
  float x, y;
};

HitPoint ButtonPoint(platform::Point p) {
  const float w = MainPlotLayout.ClientWidth, h = MainPlotLayout.ClientHeight;
  return {w > 0 ? std::floor(1000.0f * static_cast<float>(p.x) / w) : 0.0f,
          h > 0 ? std::floor(1000.0f * static_cast<float>(p.y) / h) : 0.0f};
}

bool Hit(std::unique_ptr<CScreenButton>& slot, HitPoint p) {
  return slot && slot->HitTest(p.x, p.y);
}

// A push button shows its pressed face for a moment before its action.
void PressPushButton(TXLAWindow& window, CScreenButton& button) {
  button.On = true;
  button.Render();
  PaintButtonNow(window, button);
  BusyWait(0.1f);
  button.On = false;
  button.Render();
  PaintButtonNow(window, button);
}

// The noise and integrate buttons; the click goes on afterwards.
void NoiseAndIntegrateButtons(TXLAWindow& window, HitPoint p) {
  auto& s = ScreenButtons;
  if (!s.RemoveNoiseButton && !s.RestoreTINoiseButton && !s.IntegrateButton) return;
  const bool remove = Hit(s.RemoveNoiseButton, p);
  const bool restore = Hit(s.RestoreTINoiseButton, p);
  const bool integrate = Hit(s.IntegrateButton, p);
  if (remove) {
    PressPushButton(window, *s.RemoveNoiseButton);
    ApplyRemoveNoiseButton(window);
  }
  if (restore && s.RestoreTINoiseButton) {
    PressPushButton(window, *s.RestoreTINoiseButton);
    ApplyRestoreTINoiseButton(window);
  }
  if (integrate && s.IntegrateButton) {
    s.IntegrateButton->Render();
    PaintButtonNow(window, *s.IntegrateButton);
    BeginDistributionIntegration(window);
  }
}

}  // namespace

bool IsOverDataPlot(int, int y) {
  if (!display::MainPlots.DataPlot || !MainDisplayOptions.ShowData) return false;
  const float h = MainPlotLayout.ClientHeight;
  if (h <= 0) return false;
  const float row = 1000.0f * static_cast<float>(y) / h;
  return MainPlotLayout.DataTop < row && row < MainPlotLayout.DataBottom;
}

bool IsPastDistributionPlotEdge(int, int y) {
  if (!display::DistributionPlots.DistributionPlot) return false;
  return y > static_cast<int>(std::floor(MainPlotLayout.ClientHeight * 630.0f * 0.95f / 1000.0f));
}

void HandleLeftButtonDown(TXLAWindow& window, int, platform::Point point) {
  if (ToolScreenShown() || window.DialogBusy) return;
  if (window.RunBusy || window.FitBusy) {
    ComputationAbort = true;
    return;
  }
  const HitPoint p = ButtonPoint(point);
  if (MwScreenLeftClick(window, p.x, p.y)) return;
  auto& s = ScreenButtons;
  for (int i = 1; i <= s.PeakLabelCount && i <= kMaxPeakLabels; ++i) {
    if (Hit(s.PeakLabels[i], p)) {
      ShowPeakInfo(window, i);
      return;
    }
  }
  if (Hit(s.EditScanButton, p)) return HandleScanEditClick(window, 1);
  if (Hit(s.DeletePointButton, p)) return EditScanInNotepad(window, 1);
  if (Hit(s.NotepadPointButton, p)) return EditScanInNotepad(window, 2);
  if (Hit(s.DeleteScanButton, p)) return HandleScanEditClick(window, 2);
  if (Hit(s.CancelScanEditButton, p)) return HandleScanEditClick(window, 0);
  if (Hit(s.MoveConfirmButton, p)) return DelayedApplyCursorAction(window, true);
  if (Hit(s.MoveCancelButton, p)) return DelayedApplyCursorAction(window, false);
  NoiseAndIntegrateButtons(window, p);
  if (LineMoveState.MoveAwaitsConfirm) {
    // Any other click declines a pending move.
    ApplyCursorAction(window, false);
    return;
  }
  if (!BandRunning() && IsOverDataPlot(point.x, point.y) && display::MainPlots.DataPlot &&
      BeginLineDrag(window, point))
    return;
  if (ScanDataSet.NFILES > 0) PickScanAt(window, point);
}

void HandleLeftButtonUp(TXLAWindow& window, int, platform::Point point) {
  if (ToolScreenShown()) return;
  if (window.RunBusy || window.FitBusy) {
    ComputationAbort = true;
    return;
  }
  if (BandRunning() || !LineMoveState.LineDragActive) return;
  EndLineDrag(window, point);
}

void HandleLeftButtonDblClk(TXLAWindow& window, int modifiers, platform::Point point) {
  ScreenModes.DisplayHoldForCalibration = false;
  if (ToolScreenShown() || window.DialogBusy) return;
  if (window.RunBusy || window.FitBusy) {
    ComputationAbort = true;
    return;
  }
  auto& s = LineMoveState;
  if (s.LineDragActive) return;
  if (s.MoveAwaitsConfirm) {
    MovePendingLine(window, point);
    return;
  }
  const HitPoint p = ButtonPoint(point);
  auto& b = ScreenButtons;
  const auto over = [&](const std::unique_ptr<CScreenButton>& slot) {
    // A look without the toggle that a hit test makes: the press that
    // follows toggles it.
    if (!slot) return false;
    const bool was = slot->On;
    const bool hit = slot->HitTest(p.x, p.y);
    if (slot->On != was) slot->Toggle();
    return hit;
  };
  if (over(b.RemoveNoiseButton) || over(b.RestoreTINoiseButton) || over(b.IntegrateButton)) {
    HandleLeftButtonDown(window, modifiers, point);
    return;
  }
  StartKeyboardCursor(window, point, modifiers);
}

void CmToggleMouseSliding(TXLAWindow& window) {
  auto& m = MouseSliding;
  if (m.MouseSlidingOff) {
    ShowOkBox(window, "switching on mouse sliding", "MOUSE SLIDING");
    m.MouseSlidingOff = false;
  } else if (m.MouseBouncingOff) {
    ShowOkBox(window, "toggling mouse bouncing", "MOUSE SLIDING");
    m.MouseBouncingOff = false;
  } else {
    ShowOkBox(window, "switching off mouse sliding", "MOUSE SLIDING");
    m.MouseSlidingOff = true;
    m.MouseBouncingOff = true;
  }
  MouseFlickSettings.SlidingOff = m.MouseSlidingOff;
  MouseFlickSettings.Bouncing = !m.MouseBouncingOff;
}

void DispatchMouse(TXLAWindow& window, platform::MouseAction action,
                   const platform::MouseEvent& event) {
  const int keys = (event.shift ? kMkShift : 0) | (event.control ? kMkControl : 0);
  using A = platform::MouseAction;
  switch (action) {
    case A::Move:
      HandleMouseMove(window, event.at);
      break;
    case A::LeftDown:
      HandleLeftButtonDown(window, keys | kMkLButton, event.at);
      break;
    case A::LeftUp:
      HandleLeftButtonUp(window, keys, event.at);
      break;
    case A::LeftDoubleClick:
      HandleLeftButtonDblClk(window, keys | kMkLButton, event.at);
      break;
    case A::RightDown:
      HandleRightButtonDown(window, keys | kMkRButton, event.at);
      break;
    case A::RightUp:
      HandleRightButtonUp(window, keys, event.at);
      break;
    case A::RightDoubleClick:
      HandleRightButtonDblClk(window, keys | kMkRButton, event.at);
      break;
  }
}
