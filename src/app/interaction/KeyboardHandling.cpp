#include "app/interaction/KeyboardHandling.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/commands/CtotCommands.h"
#include "app/equilibrium/MwScreenInput.h"
#include "app/interaction/CursorActions.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/ScanPicking.h"
#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/options/OptionBoxes.h"
#include "state/ProgramFlags.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "models/TempParameterFile.h"
#include "data/ScanDataSet.h"
#include "display/CursorLineDrawing.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/PaintState.h"
#include "state/ScreenModes.h"
#include "models/ParameterPacking.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"

using K = CursorLineKind;

namespace {

bool HasDataPlot() {
  return display::MainPlots.DataPlot != nullptr;
}

void ClearKeySelections() {
  auto& s = LineMoveState;
  s.Select(K::MeniscusLine, false);
  s.Select(K::ReferenceMeniscusLine, false);
  s.Select(K::FitLeftLine, false);
}

void RemoveXorLine(TXLAWindow& window) {
  display::XorCursorLine(window.Host(), 0, true);
  ShowDirectDrawing(window);
}

void EscChain(TXLAWindow& window) {
  auto& s = LineMoveState;
  auto& c = CursorLineState;
  auto& r = RangeSelection;
  if (ViewLinks.CancelMouseAction()) return;
  if (HideCtotOverlay(window)) return;
  // A pending range pick of the Mw screen ends with its screen, which Esc
  // closes next.
  MwScreenEscape(window);
  if (ScreenButtons.PeakLabelCount > 0) ClearPeakLabels(&window);
  if (s.MoveAwaitsConfirm && c.Mode == KeyCursorMode::None) {
    ApplyCursorAction(window, false);
    return;
  }
  if (ScreenModes.EqTestScreenActive) {
    ViewLinks.ResetEqTest(window);
    InvalidateMainWindow(window);
  }
  if (c.CursorLineShown) {
    s.MoveAwaitsConfirm = false;
    HideMoveLimitsButtons(nullptr);
    ClearKeySelections();
    c.CursorLineShown = false;
    c.Mode = KeyCursorMode::None;
    r.IntegrationPending = false;
    r.RescalePending = false;
    c.CursorValue = 0.0f;
    RedrawPlotsNow(window);
  }
  if (r.RangeRectangleArmed) {
    r.RangeRectangleActive = false;
    r.RangeRectangleArmed = false;
    r.IntegrationPending = false;
    r.RescalePending = false;
    ToggleIntegrateButton();
    if (ScreenButtons.IntegrateButton) PaintButtonNow(window, *ScreenButtons.IntegrateButton);
  }
  ViewLinks.CloseExtrapolationPlot();
  if (window.Host() != nullptr) window.Host()->SetCursor(platform::CursorShape::Arrow);
}

struct RadialExtent {
  float FirstRadius = 1000.0f;  // smallest first radius of all scans
  float LastRadius = 0.0f;      // largest last radius of all scans
};

RadialExtent DataExtent() {
  RadialExtent e;
  const auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    if (n < 1) continue;
    e.FirstRadius = std::min(e.FirstRadius, d.ScanRadius[i][1]);
    e.LastRadius = std::max(e.LastRadius, d.ScanRadius[i][n]);
  }
  return e;
}

// False when the user declined both questions.
bool SetMeniscusOrBottom(TXLAWindow& window, float cursor) {
  auto& m = ModelParameters;
  auto& f = FitControl;
  auto& d = ScanDataSet;
  d.DataChanged = true;
  if (m.Meniscus == 0.0f) {
    m.Meniscus = cursor;
  } else if (m.Bottom == 0.0f) {
    m.Bottom = cursor;
  } else {
    const RadialExtent e = DataExtent();
    const float toOuter = std::fabs(cursor - e.LastRadius);
    const float toInner = std::fabs(cursor - e.FirstRadius);
    const auto ask = [&](const char* first, float& firstValue, const char* second,
                         float& secondValue) {
      if (AskYesNoBox(window, first, "")) {
        firstValue = cursor;
        return true;
      }
      if (AskYesNoBox(window, second, "")) {
        secondValue = cursor;
        return true;
      }
      return false;
    };
    bool set = true;
    if (m.Bottom > e.LastRadius && toOuter < toInner)
      set = ask("set bottom?", m.Bottom, "set meniscus?", m.Meniscus);
    else if (m.Meniscus < e.FirstRadius && toInner < toOuter)
      set = ask("set meniscus?", m.Meniscus, "set bottom?", m.Bottom);
    else if (m.Bottom - cursor < cursor - m.Meniscus)
      m.Bottom = cursor;
    else
      m.Meniscus = cursor;
    if (!set) return false;
  }
  if (m.Meniscus > m.Bottom && m.Bottom != 0.0f) std::swap(m.Meniscus, m.Bottom);
  PackParameterVector();
  if (d.FitLeftLim > 0 && f.MAXMENISCUS > 0 && d.FitLeftLim < f.MAXMENISCUS)
    f.MAXMENISCUS = d.FitLeftLim - 0.001f;
  if (d.FitRightLim > 0 && f.MINBOTTOM > 0 && d.FitRightLim > f.MINBOTTOM)
    f.MINBOTTOM = d.FitRightLim + 0.001f;
  DefaultMeniscusBottomLimits();
  return true;
}

void SetFitLimit(float cursor) {
  auto& m = ModelParameters;
  auto& f = FitControl;
  auto& d = ScanDataSet;
  if (d.FitLeftLim == 0.0f)
    d.FitLeftLim = cursor;
  else if (d.FitRightLim == 0.0f)
    d.FitRightLim = cursor;
  else if (m.Meniscus != 0.0f && (m.Bottom != 0.0f || DlsDataMode)) {
    if (std::fabs(d.FitRightLim - cursor) < std::fabs(cursor - d.FitLeftLim))
      d.FitRightLim = cursor;
    else
      d.FitLeftLim = cursor;
  } else {
    d.FitLeftLim = cursor;
  }
  if (d.NFILES > 0 && d.FitRightLim == 0.0f) {
    if (m.Bottom - cursor < cursor - m.Meniscus)
      d.FitRightLim = d.ScanRadius[d.ScanTimeOrder[1]][1];
    else
      d.FitRightLim = DataExtent().LastRadius;
  }
  if (d.FitLeftLim > d.FitRightLim) std::swap(d.FitLeftLim, d.FitRightLim);
  if (d.FitLeftLim <= m.Meniscus && m.Meniscus > 0) d.FitLeftLim = m.Meniscus + 0.01f;
  if (d.FitRightLim >= m.Bottom && m.Bottom > 0) d.FitRightLim = m.Bottom - 0.01f;
  if (!ScreenModes.MStarScreenActive) {
    if (d.FitLeftLim > 0 && f.MAXMENISCUS > 0 && d.FitLeftLim < f.MAXMENISCUS) {
      f.MAXMENISCUS = d.FitLeftLim - 0.001f;
      if (f.MAXMENISCUS < m.Meniscus) f.MAXMENISCUS = m.Meniscus + 0.0001f;
    }
    if (d.FitRightLim > 0 && f.MINBOTTOM > 0 && d.FitRightLim > f.MINBOTTOM) {
      f.MINBOTTOM = d.FitRightLim + 0.001f;
      if (f.MINBOTTOM > m.Bottom) f.MINBOTTOM = m.Bottom - 0.0001f;
    }
  }
  SetFirstFitIndex();
  SetLastFitIndex();
}

void ConfirmHandling(TXLAWindow& window) {
  auto& s = LineMoveState;
  auto& c = CursorLineState;
  if (s.MoveAwaitsConfirm && c.Mode == KeyCursorMode::None) {
    ApplyCursorAction(window, true);
    return;
  }
  s.MoveAwaitsConfirm = false;
  // The pair keeps no background: the plot drawn again removes it.
  if (ScreenButtons.MoveConfirmButton || ScreenButtons.MoveCancelButton)
    HideMoveLimitsButtons(&window);
  ClearKeySelections();
  const CursorLineSnapshot before = SnapshotLineValues();
  if (c.CursorLineShown) {
    const KeyCursorMode mode = c.Mode;
    c.Mode = KeyCursorMode::None;
    const float cursor = c.CursorValue;
    bool cancelled = false;
    switch (mode) {
      case KeyCursorMode::SetMeniscusOrBottom:
        cancelled = !SetMeniscusOrBottom(window, cursor);
        break;
      case KeyCursorMode::SetReferenceMeniscus:
        CorrectionOptions.BufferMismatch.MeniscusDifference =
            static_cast<double>(ModelParameters.Meniscus) - static_cast<double>(cursor);
        break;
      case KeyCursorMode::SetFitLimit:
        SetFitLimit(cursor);
        break;
      case KeyCursorMode::None:
        break;
    }
    c.CursorLineShown = false;
    c.CursorValue = 0.0f;
    if (cancelled) {
      RedrawPlotsNow(window);
      return;
    }
    RemoveXorLine(window);
  }
  RedrawMovedLines(window, before);
  // The hidden line of the mode, and every set line, in their colours.
  if (window.Host() != nullptr) display::RedrawCursorLines(window.Host());
  ShowDirectDrawing(window);
  MwScreenLinesMoved(window);
}

}  // namespace

void HandleKeyDown(TXLAWindow& window, int key) {
  if (window.RunBusy || window.FitBusy) {
    ComputationAbort = true;
    return;
  }
  KeyInterruptFlag = true;
  if (!HasDataPlot()) return;
  auto& c = CursorLineState;
  if ((key == platform::key::Left || key == platform::key::Right) && c.CursorLineShown) {
    const double step = key == platform::key::Left ? -kKeyCursorStep : kKeyCursorStep;
    c.CursorValue = static_cast<float>(static_cast<double>(c.CursorValue) + step);
    display::XorCursorLine(window.Host(),
                           display::ValueToWindowX(*display::MainPlots.DataPlot, c.CursorValue),
                           true);
    WriteWindowText(window, 10, 50, FormatCursorValue(c.CursorValue));
    ShowDirectDrawing(window);
  }
}

void HandleChar(TXLAWindow& window, int character) {
  if (window.RunBusy || window.FitBusy) {
    ComputationAbort = true;
    return;
  }
  if (PaintState.ToolPlotShown || PaintState.AdHocToolPlotShown) {
    InvalidateMainWindow(window);
    if (window.Host() != nullptr) window.Host()->UpdateNow();
  }
  if (!HasDataPlot()) return;
  if (ScreenButtons.CancelScanEditButton) HandleScanEditClick(window, 0);
  if (character == platform::key::Escape)
    EscChain(window);
  else if (character == platform::key::Return || character == platform::key::Tab) {
    // A pending cursor operation of the window comes first; else an active
    // scan tool ends keeping its work.
    const bool pending = LineMoveState.MoveAwaitsConfirm || CursorLineState.CursorLineShown;
    if (!pending && ViewLinks.FinishMouseAction && ViewLinks.FinishMouseAction()) return;
    ConfirmHandling(window);
  }
}
