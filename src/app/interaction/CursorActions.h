#pragma once
// The vertical cursor lines of the data plot as the user moves them: a line
// grabbed with the mouse and dragged, or a keyboard cursor placed by a
// double click and nudged by the arrows. A moved line does not change its
// value at once; the move waits until it is confirmed or cancelled, and
// ApplyCursorAction then writes the value, keeps the related values in order
// by fixed clamping rules, recomputes the fit indices and repacks the
// parameter vector.

#include "state/CursorLines.h"
#include "platform/Geometry.h"

class TXLAWindow;

// Mouse-message key flags.
inline constexpr int kMkLButton = 1;
inline constexpr int kMkRButton = 2;
inline constexpr int kMkShift = 4;
inline constexpr int kMkControl = 8;

// The value a line shows (meniscus, bottom, fit limits, range limits); the
// reference meniscus is Meniscus - MeniscusDifference and has no slot.
float CursorLineValue(CursorLineKind kind);
// The reference meniscus shows while the buffer mismatch with a meniscus
// difference is on.
bool ReferenceMeniscusShown();
// PressPixel of every kind from the current values.
void ComputePressPixels();

// A press within the data plot: grabs the first line within one pixel, in
// the order fit limits, meniscus and its range, bottom and its range,
// reference meniscus. True when a line was grabbed.
bool BeginLineDrag(TXLAWindow& window, platform::Point point);
void TrackLineDrag(TXLAWindow& window, platform::Point point);
void EndLineDrag(TXLAWindow& window, platform::Point point);
// Lets a released line run on with the mouse's motion while sliding is on;
// Enter, Tab or Esc meanwhile confirm or cancel at once.
void GlideCursorLine(TXLAWindow& window);
// A double click places the keyboard cursor; the key flags choose what it
// will set.
void StartKeyboardCursor(TXLAWindow& window, platform::Point point, int modifiers);
void MovePendingLine(TXLAWindow& window, platform::Point point);
// The values of the nine lines, to redraw those that a change moved: each
// is erased at its old place and drawn at its new one (the range lines not
// on the equilibrium screen).
struct CursorLineSnapshot {
  float Values[9] = {};
};
CursorLineSnapshot SnapshotLineValues();
void RedrawMovedLines(TXLAWindow& window, const CursorLineSnapshot& before);

// Confirms (apply) or cancels the pending move.
void ApplyCursorAction(TXLAWindow& window, bool apply);
