#pragma once
// The status block of a fit: fourteen lines of text in the upper left corner
// of the main window, drawn straight onto the window's canvas (no repaint)
// while a fit runs and after it ends: the scan files, the optimiser's
// progress, the rmsd, the fitted values of the current model in its own
// layout, meniscus, bottom, fit limits, baseline, the statistics of the
// residuals, the partial specific volume and the floating settings of the
// buffer and fluorescence corrections, each marked as floating or fixed.
//
// Line k (0..13) is drawn at x = 10, y = 10 + 20 k. The lines are rebuilt
// from the program state at every call and kept until the next one.
// User-interface thread only.

#include <array>
#include <functional>
#include <string>

#include "platform/Canvas.h"

inline constexpr int FitResultLineCount = 14;
inline constexpr int FitResultLineX = 10;

// The text of every line and whether it is drawn (a line of a state that
// does not apply, like the time offset of a model without one, is not).
struct FitResultLinesRecord {
  std::array<std::string, FitResultLineCount> Text;
  std::array<bool, FitResultLineCount> Drawn{};
};

extern FitResultLinesRecord FitResultLines;

// The y of line k.
constexpr int FitResultLineY(int k) {
  return 10 + 20 * k;
}

// Refreshes the live plots (at most once per refresh interval, which it
// judges itself); installed by the main window, nothing by default.
extern std::function<void()> TimedPlotRefresh;

// Rebuilds FitResultLines from the current model, fit and data. Computes the
// residual statistics of line 230, which leaves FitControl.CurrentRmsd and
// FitPointCount at the rmsd of the current model arrays.
void BuildFitResultLines();

// Draws the lines of FitResultLines that are drawn and not empty.
void DrawFitResultLines(platform::Canvas& window);

// The live-plot refresh for a new best rmsd below the starting one, then the
// block rebuilt and drawn. Nothing while the window cannot be drawn into
// (before its first paint, or during a batch run inside its construction).
void FitResultText(platform::Canvas& window);

// FitResultText unless the extrapolated ls-g*(s) model asks for its own
// display instead (ExtrapolationStatusSuppressed).
void ShowFitResultText(platform::Canvas& window);
extern bool ExtrapolationStatusSuppressed;

// The model lines 70, 90 and 110 of the current model (empty strings where
// the model shows nothing).
std::array<std::string, 3> FitResultModelLines();

// The shorter block of a printed page: the model lines of the print (the
// discrete and association models only; the others print the prefix of the
// discrete values alone).
std::array<std::string, 3> FitResultPrintModelLines();
inline constexpr int FitResultPrintLineCount = 12;
// The twelve lines of the printed block, in their order on the page.
std::array<std::string, FitResultPrintLineCount> FitResultPrintLines();
// Draws the printed block with its origin at (x, y) of the page's mapping:
// nine lines at x + 20, y + 10 .. y + 170, then three at x + 10, y + 190 ..
// y + 230. Nothing for the multi-species non-ideal model or while the
// window cannot be drawn into.
void PaintFitResultLines(platform::Canvas& page, int x, int y);
