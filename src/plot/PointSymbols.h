#pragma once
// The point styles of curves: symbols, dots and the emulated thick lines,
// drawn at one point in the current pen and brush. Curve drawing and the
// overlays share them; the styles that need more of the plot (value labels,
// polygons, histogram bars) are drawn by their callers.
//
// Style codes: -1 line only, 0 hidden, 1 cross, 2 filled circle, 3 triangle,
// 4 value label, 5 square, 6 filled circle, 7 dot, 8 circle on a stem,
// 9 filled square, 10 bold cross, 11 tile, 12 thick line, 13 outlined line,
// 14 dashed line, 15 hollow circle, 16 2x2 dot, 17 thick line with circles,
// 18 extra-thick line with large circles, 19 box, 20 filled polygon,
// 21 histogram bar, 22 3x3 dot, 23 5x5 dot.

#include <optional>

#include "platform/Canvas.h"

struct SymbolSizes {
  int size = 10;           // symbol half-size
  int barHalfWidth = 10;   // tiles (style 11)
  int boxHalfWidth = 10;   // boxes (style 19)
  int boxHalfHeight = 10;  // boxes (style 19)
  int zeroY = 0;           // logical y of data 0, where stems start
};

struct SymbolPoint {
  platform::Point at;
  // The previous drawn point of the run; none at the first point of a run.
  std::optional<platform::Point> previous;
  bool lastOfCurve = false;
};

// Draws style's mark at the point. Styles -1, 0, 4, 20, 21 and unknown codes
// draw nothing here. The current position is left where the last stroke
// ended, as the next connecting line starts from there.
void DrawPointSymbol(platform::Canvas& dc, int style, const SymbolPoint& point,
                     const SymbolSizes& sizes);
