#pragma once
// State of the main window's paint that other parts read or set: the
// two-pass scheme, the one-time disclaimer, what the last paint showed in
// place of the main plots, and requests for the next paint.

struct PaintStateRecord {
  // The current screen paint is the second (drawing) pass.
  bool PaintSecondPass = false;
  bool DisclaimerPending = true;
  // The last paint replayed a tool plot or an ad-hoc tool plot in place of
  // the main plots; mouse input over it is then ignored.
  bool ToolPlotShown = false;
  bool AdHocToolPlotShown = false;
  // All four meniscus and bottom range lines have been shown; the loaders
  // clear it.
  bool MeniscusRangesSet = false;
  // Set by Run and Fit: the next paint writes the fit-result text.
  bool FitResultPending = false;
  // Set by the window printout while it has the paint draw the page.
  bool PrintingFlag = false;
  // Where the last whole paint drew the data plot's frame (left, top, right,
  // bottom in plot units; all 0 when it drew none). A direct redraw of the
  // plot into another frame would leave a mix of two layouts on screen.
  int PaintedDataFrame[4] = {0, 0, 0, 0};
};

extern PaintStateRecord PaintState;
