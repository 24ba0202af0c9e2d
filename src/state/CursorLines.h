#pragma once
// The vertical cursor lines over the data plot: which lines there are, which
// of them the keyboard cursor is moving (and so hides), the free cursor line
// and the inverting line that is on screen now. Program-wide, user-interface
// thread only.

// One kind per line the user can see and grab.
enum class CursorLineKind {
  MeniscusLine,
  ReferenceMeniscusLine,
  BottomLine,
  FitLeftLine,
  FitRightLine,
  MeniscusLowLine,
  MeniscusHighLine,
  BottomLowLine,
  BottomHighLine
};

// What the keyboard cursor is placing; the line being placed is drawn by the
// cursor itself, so the fixed drawing of that line is left out meanwhile.
enum class KeyCursorMode { None, SetMeniscusOrBottom, SetReferenceMeniscus, SetFitLimit };

struct CursorLineStateRecord {
  KeyCursorMode Mode = KeyCursorMode::None;
  // The free cursor line, in data units of the data plot's x axis.
  float CursorValue = 0.0f;
  bool CursorLineShown = false;
  // Window column of the inverting line on screen; 0 means none.
  int LastXorLineX = 0;
};

extern CursorLineStateRecord CursorLineState;
