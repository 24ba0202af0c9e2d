#pragma once
// State of the mouse and keyboard work on the main window's plots: the
// pending move of a cursor line, the rubber band of the right button, the
// distribution range selection, the hover highlight and the mouse-sliding
// switches. Program-wide and touched by the user-interface thread only; it
// lives for the whole run and nothing of it is saved.

#include <array>

#include "state/CursorLines.h"
#include "platform/Geometry.h"

inline constexpr int kCursorLineKinds = 9;

inline int KindIndex(CursorLineKind kind) {
  return static_cast<int>(kind);
}

struct LineMoveStateRecord {
  // The line of each kind that is being moved; at most one in normal use.
  std::array<bool, kCursorLineKinds> Selected{};
  // Window column of each line, computed at the last press or hover.
  std::array<int, kCursorLineKinds> PressPixel{};
  bool LineDragActive = false;
  // A moved line, a keyboard cursor or a range question waits for confirm
  // or cancel.
  bool MoveAwaitsConfirm = false;
  int MovedLinePixel = 0;
  bool GlideApplied = false;
  // Half-width in pixels of the grab zone: a press must lie within one
  // pixel of a line.
  static constexpr int LineGrabTolerance = 2;
  bool MeniscusRangeQuestion = false;
  bool BottomRangeQuestion = false;
  bool RangeQuestionShown = false;
  float ShiftedRangeHigh = 0.0f;
  float ShiftedRangeLow = 0.0f;

  bool IsSelected(CursorLineKind k) const { return Selected[KindIndex(k)]; }
  void Select(CursorLineKind k, bool on = true) { Selected[KindIndex(k)] = on; }
  bool AnySelected() const {
    for (bool s : Selected)
      if (s) return true;
    return false;
  }
};

extern LineMoveStateRecord LineMoveState;

// The right button's rubber band, in window pixels.
struct RubberBandRecord {
  platform::Point BandAnchor;
  platform::Point BandCorner;
  platform::Point BandPreviousCorner;
  int BandReachRight = 0;
  int BandReachLeft = 0;
  bool RubberBandActive = false;
  bool ZoomBandOnDataPlot = false;
  // Set by every band wider than 10 pixels and by Set Range, never cleared:
  // stepping back then restores the y ranges of a level too.
  bool ZoomedByRubberBand = false;
};

extern RubberBandRecord RubberBand;

// The distribution range selection: a rectangle asked for, one being drawn
// over the distribution plot, and what it is for.
struct RangeSelectionRecord {
  bool RangeRectangleArmed = false;
  bool RangeRectangleActive = false;
  bool IntegrationPending = false;
  bool RescalePending = false;
};

extern RangeSelectionRecord RangeSelection;

struct HoverStateRecord {
  // The arrow cursor is set and the lines are in their normal colours since
  // the last highlight.
  bool ArrowCursorSet = true;
  // The scan under the mouse is named in a label.
  bool ScanPickingOn = true;
};

extern HoverStateRecord HoverState;

// Mouse sliding cycles off -> on -> on with bouncing -> off; not saved.
struct MouseSlidingRecord {
  bool MouseSlidingOff = true;
  bool MouseBouncingOff = true;
};

extern MouseSlidingRecord MouseSliding;

// Every key-down that reaches the window's own handling sets it; the key
// poll of a running loop reports it once.
extern bool KeyInterruptFlag;

// Back to the start of the run (tests, a new window).
void ResetInteractionState();
