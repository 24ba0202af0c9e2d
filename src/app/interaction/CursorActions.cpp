#include "app/interaction/CursorActions.h"

#include <cmath>
#include <utility>

#include "app/equilibrium/MwScreenInput.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "display/CursorLineDrawing.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "plot/PlotSettings.h"
#include "ui/Boxes.h"
#include "ui/MouseFlick.h"

using K = CursorLineKind;

namespace {

constexpr K kAllKinds[kCursorLineKinds] = {
    K::MeniscusLine,     K::ReferenceMeniscusLine, K::BottomLine,
    K::FitLeftLine,      K::FitRightLine,          K::MeniscusLowLine,
    K::MeniscusHighLine, K::BottomLowLine,         K::BottomHighLine};

// The order in which a press picks among lines on the same column: the fit
// limits first, so that a limit can always be pulled off the meniscus.
constexpr K kGrabOrder[kCursorLineKinds] = {
    K::FitLeftLine,     K::FitRightLine,  K::MeniscusLine,
    K::MeniscusLowLine, K::MeniscusHighLine, K::BottomLine,
    K::BottomLowLine,   K::BottomHighLine, K::ReferenceMeniscusLine};

constexpr K kCancelOrder[kCursorLineKinds] = {
    K::MeniscusLine,  K::ReferenceMeniscusLine, K::FitLeftLine,
    K::FitRightLine,  K::BottomLine,            K::MeniscusLowLine,
    K::MeniscusHighLine, K::BottomLowLine,      K::BottomHighLine};

bool IsRangeLine(K k) {
  return k == K::MeniscusLowLine || k == K::MeniscusHighLine || k == K::BottomLowLine ||
         k == K::BottomHighLine;
}

CWINPlot* DataPlot() {
  return display::MainPlots.DataPlot.get();
}

int ColumnOf(float value) {
  CWINPlot* plot = DataPlot();
  return plot ? display::ValueToWindowX(*plot, value) : 0;
}

float ValueAt(int x) {
  CWINPlot* plot = DataPlot();
  return plot ? display::WindowXToValue(*plot, x) : 0.0f;
}

// The window column of a plot-space x position.
int PlotColumn(int p) {
  const double width =
      static_cast<double>(PlotSettings.AspectRatio) * static_cast<double>(PlotSettings.PlotHeight);
  if (width <= 0) return 0;
  return static_cast<int>(std::floor(p * static_cast<double>(MainPlotLayout.ClientWidth) / width));
}

// Draws a line of the given kind at a value in its colour and style, or
// erases it there (white, solid).
void DrawLineAt(TXLAWindow& window, K kind, float value, bool erase) {
  platform::WindowHost* host = window.Host();
  if (host == nullptr || DataPlot() == nullptr || value == 0.0f) return;
  const int x = ColumnOf(value);
  if (erase)
    display::DrawCursorLine(host, x, platform::kWhite);
  else if (IsRangeLine(kind))
    display::DrawDashedCursorLine(host, x, display::CursorLineColour(kind),
                                  display::kRangeLineDashes);
  else
    display::DrawCursorLine(host, x, display::CursorLineColour(kind));
}

}  // namespace

CursorLineSnapshot SnapshotLineValues() {
  CursorLineSnapshot values{};
  for (K k : kAllKinds) values.Values[KindIndex(k)] = CursorLineValue(k);
  return values;
}

void RedrawMovedLines(TXLAWindow& window, const CursorLineSnapshot& before) {
  const CursorLineSnapshot after = SnapshotLineValues();
  for (K k : kAllKinds) {
    const int i = KindIndex(k);
    if (before.Values[i] == after.Values[i]) continue;
    if (IsRangeLine(k) && ScreenModes.MStarScreenActive) continue;
    if (k == K::ReferenceMeniscusLine && !ReferenceMeniscusShown()) continue;
    DrawLineAt(window, k, before.Values[i], true);
  }
  for (K k : kAllKinds) {
    const int i = KindIndex(k);
    if (before.Values[i] == after.Values[i]) continue;
    if (IsRangeLine(k) && ScreenModes.MStarScreenActive) continue;
    if (k == K::ReferenceMeniscusLine && !ReferenceMeniscusShown()) continue;
    DrawLineAt(window, k, after.Values[i], false);
  }
  ShowDirectDrawing(window);
}

namespace {

void MeniscusRangeClamp() {
  auto& f = FitControl;
  const float left = ScanDataSet.FitLeftLim;
  if (left > 0 && f.MAXMENISCUS > 0 && left < f.MAXMENISCUS) f.MAXMENISCUS = left - 0.001f;
}

void BottomRangeClamp() {
  auto& f = FitControl;
  const float right = ScanDataSet.FitRightLim;
  if (right > 0 && f.MINBOTTOM > 0 && right > f.MINBOTTOM) f.MINBOTTOM = right + 0.001f;
}

// After a confirmed meniscus or bottom move: ask whether its range moves too
// (on the equilibrium screen the question is answered at once).
void OpenRangeQuestion(TXLAWindow& window, bool meniscus) {
  auto& s = LineMoveState;
  (meniscus ? s.MeniscusRangeQuestion : s.BottomRangeQuestion) = true;
  s.RangeQuestionShown = true;
  if (!ScreenModes.MStarScreenActive)
    ShowMoveLimitsButtons(window, 0, 0);
  else
    ApplyCursorAction(window, true);
  s.RangeQuestionShown = false;
  s.MoveAwaitsConfirm = true;
}

// The confirmation rules: the first that applies.
void ConfirmRules(TXLAWindow& window) {
  auto& s = LineMoveState;
  auto& m = ModelParameters;
  auto& f = FitControl;
  auto& d = ScanDataSet;
  float& cv = CursorLineState.CursorValue;
  const bool mw = ScreenModes.MStarScreenActive;

  if (s.IsSelected(K::MeniscusLine)) {
    s.Select(K::MeniscusLine, false);
    s.ShiftedRangeHigh = cv - (m.Meniscus - f.MAXMENISCUS);
    s.ShiftedRangeLow = cv - (m.Meniscus - f.MINMENISCUS);
    m.Meniscus = cv;
    cv = 0;
    if (!mw) {
      if (m.Meniscus < f.MINMENISCUS)
        f.MINMENISCUS = m.Meniscus;
      else if (m.Meniscus > f.MAXMENISCUS)
        f.MAXMENISCUS = m.Meniscus + 0.002f;
      if (m.Meniscus > d.FitLeftLim) d.FitLeftLim = m.Meniscus + 0.005f;
      MeniscusRangeClamp();
    }
    OpenRangeQuestion(window, true);
    return;
  }
  if (s.MeniscusRangeQuestion && !mw) {
    s.MeniscusRangeQuestion = false;
    f.MINMENISCUS = s.ShiftedRangeLow;
    f.MAXMENISCUS = s.ShiftedRangeHigh;
    MeniscusRangeClamp();
    return;
  }
  if (s.IsSelected(K::BottomLine)) {
    s.Select(K::BottomLine, false);
    s.ShiftedRangeHigh = cv - (m.Bottom - f.MAXBOTTOM);
    s.ShiftedRangeLow = cv - (m.Bottom - f.MINBOTTOM);
    m.Bottom = cv;
    cv = 0;
    if (!mw) {
      if (m.Bottom < f.MINBOTTOM)
        f.MINBOTTOM = m.Bottom;
      else if (m.Bottom > f.MAXBOTTOM)
        f.MAXBOTTOM = m.Bottom;
      if (m.Bottom < d.FitRightLim) d.FitRightLim = m.Bottom;
      BottomRangeClamp();
    }
    OpenRangeQuestion(window, false);
    return;
  }
  if (s.BottomRangeQuestion && !mw) {
    s.BottomRangeQuestion = false;
    f.MINBOTTOM = s.ShiftedRangeLow;
    f.MAXBOTTOM = s.ShiftedRangeHigh;
    BottomRangeClamp();
    return;
  }
  if (s.IsSelected(K::ReferenceMeniscusLine)) {
    s.Select(K::ReferenceMeniscusLine, false);
    CorrectionOptions.BufferMismatch.MeniscusDifference =
        static_cast<double>(m.Meniscus) - static_cast<double>(cv);
    cv = 0;
    return;
  }
  if (s.IsSelected(K::MeniscusLowLine) || s.IsSelected(K::MeniscusHighLine)) {
    const bool low = s.IsSelected(K::MeniscusLowLine);
    s.Select(low ? K::MeniscusLowLine : K::MeniscusHighLine, false);
    (low ? f.MINMENISCUS : f.MAXMENISCUS) = cv;
    cv = 0;
    if (f.MINMENISCUS > f.MAXMENISCUS) std::swap(f.MINMENISCUS, f.MAXMENISCUS);
    if (low && f.MINMENISCUS > m.Meniscus) m.Meniscus = f.MINMENISCUS;
    if (!low && f.MAXMENISCUS < m.Meniscus) m.Meniscus = f.MAXMENISCUS;
    MeniscusRangeClamp();
    return;
  }
  if (s.IsSelected(K::BottomLowLine) || s.IsSelected(K::BottomHighLine)) {
    const bool low = s.IsSelected(K::BottomLowLine);
    s.Select(low ? K::BottomLowLine : K::BottomHighLine, false);
    (low ? f.MINBOTTOM : f.MAXBOTTOM) = cv;
    cv = 0;
    if (f.MINBOTTOM > f.MAXBOTTOM) std::swap(f.MINBOTTOM, f.MAXBOTTOM);
    if (low && f.MINBOTTOM > m.Bottom) m.Bottom = f.MINBOTTOM;
    if (!low && f.MAXBOTTOM < m.Bottom) m.Bottom = f.MAXBOTTOM;
    BottomRangeClamp();
    return;
  }
  if (s.IsSelected(K::FitLeftLine)) {
    s.Select(K::FitLeftLine, false);
    d.FitLeftLim = cv;
    cv = 0;
    if (d.FitLeftLim > d.FitRightLim) std::swap(d.FitLeftLim, d.FitRightLim);
    if (d.FitLeftLim < m.Meniscus && m.Meniscus > 0)
      d.FitLeftLim = m.Meniscus + 0.005f;
    else if (d.FitRightLim > m.Bottom && m.Bottom > 0)
      d.FitRightLim = m.Bottom - 0.005f;
    if (!mw) {
      MeniscusRangeClamp();
      BottomRangeClamp();
    }
    return;
  }
  if (s.IsSelected(K::FitRightLine)) {
    s.Select(K::FitRightLine, false);
    d.FitRightLim = cv;
    cv = 0;
    if (d.FitLeftLim > d.FitRightLim) std::swap(d.FitLeftLim, d.FitRightLim);
    if (d.FitRightLim < m.Meniscus && m.Meniscus > 0)
      d.FitRightLim = m.Meniscus;
    else if (d.FitRightLim > m.Bottom && m.Bottom > 0)
      d.FitRightLim = m.Bottom;
    if (!mw) BottomRangeClamp();
  }
}

}  // namespace

float CursorLineValue(CursorLineKind kind) {
  const auto& m = ModelParameters;
  const auto& f = FitControl;
  const auto& d = ScanDataSet;
  switch (kind) {
    case K::MeniscusLine:
      return m.Meniscus;
    case K::ReferenceMeniscusLine:
      return static_cast<float>(m.Meniscus - CorrectionOptions.BufferMismatch.MeniscusDifference);
    case K::BottomLine:
      return m.Bottom;
    case K::FitLeftLine:
      return d.FitLeftLim;
    case K::FitRightLine:
      return d.FitRightLim;
    case K::MeniscusLowLine:
      return f.MINMENISCUS;
    case K::MeniscusHighLine:
      return f.MAXMENISCUS;
    case K::BottomLowLine:
      return f.MINBOTTOM;
    case K::BottomHighLine:
      return f.MAXBOTTOM;
  }
  return 0.0f;
}

bool ReferenceMeniscusShown() {
  const auto& b = CorrectionOptions.BufferMismatch;
  return b.On && b.MeniscusMismatchOn;
}

void ComputePressPixels() {
  for (K k : kAllKinds) LineMoveState.PressPixel[KindIndex(k)] = ColumnOf(CursorLineValue(k));
}

bool BeginLineDrag(TXLAWindow& window, platform::Point point) {
  auto& s = LineMoveState;
  ComputePressPixels();
  const int x = point.x;
  for (K k : kGrabOrder) {
    const int p = s.PressPixel[KindIndex(k)];
    if (p - LineMoveStateRecord::LineGrabTolerance < x &&
        x < p + LineMoveStateRecord::LineGrabTolerance) {
      s.Select(k);
      s.LineDragActive = true;
      display::XorCursorLine(window.Host(), x, false);
      ShowDirectDrawing(window);
      CursorLineState.CursorLineShown = true;
      MouseFlickReset();
      MouseFlickRecord(point);
      return true;
    }
  }
  return false;
}

void TrackLineDrag(TXLAWindow& window, platform::Point point) {
  auto& s = LineMoveState;
  if (!s.MoveAwaitsConfirm) MouseFlickRecord(point);
  display::XorCursorLine(window.Host(), point.x, true);
  ShowDirectDrawing(window);
  s.MovedLinePixel = point.x;
  CursorLineState.CursorValue = ValueAt(point.x);
}

void EndLineDrag(TXLAWindow& window, platform::Point point) {
  auto& s = LineMoveState;
  s.LineDragActive = false;
  s.MovedLinePixel = point.x;
  CursorLineState.CursorValue = ValueAt(point.x);
  s.GlideApplied = false;
  if (!s.MoveAwaitsConfirm) {
    MouseFlickRecord(point);
    GlideCursorLine(window);
  }
  if (s.GlideApplied) {
    s.MoveAwaitsConfirm = false;
    return;
  }
  s.MoveAwaitsConfirm = true;
  if (ScreenModes.MStarScreenActive) {
    window.OnChar(platform::key::Return);
    return;
  }
  if (s.AnySelected()) ShowMoveLimitsButtons(window, s.MovedLinePixel, point.y);
}

void GlideCursorLine(TXLAWindow& window) {
  auto& s = LineMoveState;
  CWINPlot* plot = DataPlot();
  if (plot == nullptr) return;
  int low = PlotColumn(plot->nLeft);
  int high = PlotColumn(plot->nRight);
  if (s.MovedLinePixel < low || s.MovedLinePixel > high) return;
  const auto& f = FitControl;
  const auto& d = ScanDataSet;
  if (s.IsSelected(K::MeniscusLine) || s.IsSelected(K::ReferenceMeniscusLine)) {
    high = ColumnOf(f.MINBOTTOM);
  } else if (s.IsSelected(K::BottomLine)) {
    low = ColumnOf(f.MAXMENISCUS);
  } else if (s.IsSelected(K::FitLeftLine)) {
    low = ColumnOf(f.MAXMENISCUS);
    high = ColumnOf(d.FitRightLim);
  } else if (s.IsSelected(K::FitRightLine)) {
    low = ColumnOf(d.FitLeftLim);
    high = ColumnOf(f.MINBOTTOM);
  } else if (s.IsSelected(K::MeniscusLowLine)) {
    high = ColumnOf(f.MAXMENISCUS);
  } else if (s.IsSelected(K::MeniscusHighLine)) {
    low = ColumnOf(f.MINMENISCUS);
    high = ColumnOf(d.FitLeftLim);
  } else if (s.IsSelected(K::BottomLowLine)) {
    low = ColumnOf(d.FitRightLim);
    high = ColumnOf(f.MAXBOTTOM);
  } else if (s.IsSelected(K::BottomHighLine)) {
    low = ColumnOf(f.MINBOTTOM);
  }
  OneBasedArray<int> positions;
  OneBasedArray<float> steps;
  int count = 0;
  if (!MouseFlickGlide(positions, steps, count, low, high, s.MovedLinePixel)) return;
  int key = 0;
  for (int i = 1; i <= count; ++i) {
    if (steps[i] <= 0) continue;
    if (ReadKeyChar(key)) break;
    key = 0;
    BusyWait(steps[i]);
    s.MovedLinePixel = positions[i];
    CursorLineState.CursorValue = ValueAt(positions[i]);
    display::XorCursorLine(window.Host(), positions[i], true);
    ShowDirectDrawing(window);
  }
  if (key == platform::key::Tab || key == platform::key::Return) {
    s.GlideApplied = true;
    ApplyCursorAction(window, true);
  } else if (key == platform::key::Escape) {
    s.GlideApplied = true;
    ApplyCursorAction(window, false);
  }
}

void StartKeyboardCursor(TXLAWindow& window, platform::Point point, int modifiers) {
  auto& s = LineMoveState;
  auto& c = CursorLineState;
  if (DataPlot() == nullptr) return;
  const bool hadValue = c.CursorValue != 0.0f;
  c.CursorValue = ValueAt(point.x);
  display::XorCursorLine(window.Host(), ColumnOf(c.CursorValue), hadValue);
  c.CursorLineShown = true;
  if (modifiers == (kMkLButton | kMkControl)) {
    c.Mode = KeyCursorMode::SetMeniscusOrBottom;
    s.Select(K::MeniscusLine);
  } else if (modifiers == (kMkLButton | kMkShift)) {
    // Without a meniscus there is no reference meniscus to place: nothing
    // would be confirmed but a meaningless meniscus difference.
    if (ModelParameters.Meniscus != 0.0f) {
      c.Mode = KeyCursorMode::SetReferenceMeniscus;
      s.Select(K::ReferenceMeniscusLine);
    } else {
      c.Mode = KeyCursorMode::None;
      c.CursorLineShown = false;
      c.CursorValue = 0.0f;
      display::XorCursorLine(window.Host(), 0, true);
      ShowDirectDrawing(window);
      return;
    }
  } else {
    c.Mode = KeyCursorMode::SetFitLimit;
    s.Select(K::FitLeftLine);
  }
  WriteWindowText(window, 10, 50, FormatCursorValue(c.CursorValue));
  s.MoveAwaitsConfirm = true;
  ShowMoveLimitsButtons(window, point.x, point.y);
}

void MovePendingLine(TXLAWindow& window, platform::Point point) {
  auto& s = LineMoveState;
  if (s.MeniscusRangeQuestion || s.BottomRangeQuestion) {
    ApplyCursorAction(window, false);
    StartKeyboardCursor(window, point, kMkLButton);
    return;
  }
  display::XorCursorLine(window.Host(), point.x, true);
  ShowDirectDrawing(window);
  s.MovedLinePixel = point.x;
  CursorLineState.CursorValue = ValueAt(point.x);
}

void ApplyCursorAction(TXLAWindow& window, bool apply) {
  auto& s = LineMoveState;
  auto& c = CursorLineState;
  if (c.Mode != KeyCursorMode::None) {
    window.OnChar(apply ? platform::key::Return : platform::key::Escape);
    return;
  }
  s.MoveAwaitsConfirm = false;
  if (s.MovedLinePixel != 0 && window.Host() != nullptr)
    display::DrawCursorLine(window.Host(), s.MovedLinePixel, platform::kWhite);
  s.MovedLinePixel = 0;
  c.CursorLineShown = false;
  HideMoveLimitsButtons(&window);

  if (!apply) {
    s.MeniscusRangeQuestion = false;
    s.BottomRangeQuestion = false;
    for (K k : kCancelOrder) {
      if (!s.IsSelected(k)) continue;
      s.Select(k, false);
      c.CursorValue = 0.0f;
      if (k != K::ReferenceMeniscusLine || ReferenceMeniscusShown())
        DrawLineAt(window, k, CursorLineValue(k), false);
      break;
    }
    ShowDirectDrawing(window);
    return;
  }

  const CursorLineSnapshot before = SnapshotLineValues();
  ConfirmRules(window);
  SetFirstFitIndex();
  SetLastFitIndex();
  PackParameterVector();
  ScanDataSet.DataChanged = true;
  RedrawMovedLines(window, before);
  MwScreenLinesMoved(window);
}
