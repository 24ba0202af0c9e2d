#pragma once
// The operations of the tools that the loading, window and display commands
// call, gathered in one record so that each call site is plain to see. The
// tools install their functions at the window's start; until they do, each
// one is the loud "not wired" default (links::Unwired). Tests put their own
// functions in and take the record back.

#include <functional>

class TXLAWindow;

struct ViewLinksRecord {
  // Leaves the approach-to-equilibrium test screen.
  std::function<void(TXLAWindow&)> ResetEqTest;

  // The interactive scan-correction tools: stops and discards an active one;
  // true when there was one.
  std::function<bool()> CancelMouseAction;
  // Hides the extrapolation plot of the boundary analyses and frees its
  // data; true when it was shown.
  std::function<bool()> CloseExtrapolationPlot;
  // Finishes an active one keeping its work (Enter or Tab); true when there
  // was one.
  std::function<bool()> FinishMouseAction;
  // Offers to reset the mean-field ctot data of the non-ideal c(s) model.
  std::function<void(TXLAWindow&)> AskResetCtot;
  std::function<void(TXLAWindow&)> ShiftScansUndoRotorStretch;
  // The parameter dialog of the current model.
  std::function<void(TXLAWindow&)> OpenParameterDialog;
};

extern ViewLinksRecord ViewLinks;

// Puts every link back to its default.
void ResetViewLinks();
