#include "display/CursorLineDrawing.h"

#include "data/ScanDataSet.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"

namespace display {

namespace {

struct Extent {
  float top, bottom;  // plot-space rows
};

Extent LineExtent() {
  if (ScreenModes.MStarScreenActive)
    return {static_cast<float>(EqScreenLineTop), static_cast<float>(EqScreenLineBottom)};
  return {static_cast<float>(MainPlotLayout.DataTop),
          static_cast<float>(MainPlotLayout.DataBottom)};
}

// Client pixels, whatever mapping the canvas had; restored afterwards.
class PixelScope {
 public:
  explicit PixelScope(platform::Canvas& c) : canvas_(c) {
    canvas_.Save();
    canvas_.SetMapMode(platform::MapMode::Text);
    canvas_.SetWindowOrigin({0, 0});
    canvas_.SetViewportOrigin({0, 0});
  }
  ~PixelScope() { canvas_.Restore(); }
  PixelScope(const PixelScope&) = delete;
  PixelScope& operator=(const PixelScope&) = delete;

 private:
  platform::Canvas& canvas_;
};

void VerticalLine(platform::Canvas& c, int x, float top, float bottom) {
  c.DrawLine({x, PlotRowToWindowY(top)}, {x, PlotRowToWindowY(bottom)});
}

template <class Draw>
void OnWindow(platform::WindowHost* window, Draw draw) {
  if (window) draw(window->ClientCanvas());
}

}  // namespace

platform::Color CursorLineColour(CursorLineKind kind) {
  switch (kind) {
    case CursorLineKind::MeniscusLine:
      return platform::Rgb(255, 0, 0);
    case CursorLineKind::ReferenceMeniscusLine:
      return platform::Rgb(255, 0, 255);
    case CursorLineKind::BottomLine:
      return platform::Rgb(0, 0, 255);
    case CursorLineKind::FitLeftLine:
    case CursorLineKind::FitRightLine:
      return platform::Rgb(0, 255, 0);
    default:
      return platform::Rgb(200, 200, 200);
  }
}

void DrawCursorLine(platform::Canvas& window, int x, platform::Color colour, int) {
  PixelScope pixels(window);
  window.SelectPen(platform::SolidPen(colour));
  window.SetRasterOp(platform::RasterOp::CopyPen);
  const Extent e = LineExtent();
  VerticalLine(window, x, e.top, e.bottom);
}

void DrawDashedCursorLine(platform::Canvas& window, int x, platform::Color colour, int n,
                          int plot) {
  if (n <= 0) return;
  if (n == 1) {
    DrawCursorLine(window, x, colour, plot);
    return;
  }
  PixelScope pixels(window);
  window.SelectPen(platform::SolidPen(colour));
  window.SetRasterOp(platform::RasterOp::CopyPen);
  const Extent e = LineExtent();
  // n dashes and n gaps of equal length, and one more gap at the bottom.
  const float d = (e.bottom - e.top) / static_cast<float>(2 * n + 1);
  for (int i = 1; i <= n; ++i) {
    const float start = e.top + static_cast<float>(2 * i - 2) * d;
    VerticalLine(window, x, start, start + d);
  }
}

void XorCursorLine(platform::Canvas& window, int x, bool eraseOld, int) {
  PixelScope pixels(window);
  window.SelectPen(platform::BlackPen());
  window.SetRasterOp(platform::RasterOp::Not);
  const Extent e = LineExtent();
  int& last = CursorLineState.LastXorLineX;
  if (last != 0 && eraseOld) VerticalLine(window, last, e.top, e.bottom);
  last = x;
  if (x != 0) VerticalLine(window, x, e.top, e.bottom);
}

void XorRectangle(platform::Canvas& window, bool rightButtonDown, int x0, int y0, int x1, int y1) {
  if (!rightButtonDown || (x0 == x1 && y0 == y1)) return;
  PixelScope pixels(window);
  window.SelectPen(platform::BlackPen());
  window.SetRasterOp(platform::RasterOp::Not);
  window.MoveTo({x0, y0});
  window.LineTo({x0, y1});
  window.LineTo({x1, y1});
  window.LineTo({x1, y0});
  window.LineTo({x0, y0});
}

void RedrawCursorLines(platform::Canvas& window) {
  const CWINPlot* plot = MainPlots.DataPlot.get();
  if (!plot) return;
  const bool mstar = ScreenModes.MStarScreenActive;
  const auto& d = ScanDataSet;
  const auto solid = [&](float value, CursorLineKind kind) {
    if (value != 0.0f) DrawCursorLine(window, ValueToWindowX(*plot, value), CursorLineColour(kind));
  };
  const auto dashed = [&](float value, CursorLineKind kind) {
    if (value != 0.0f && !mstar)
      DrawDashedCursorLine(window, ValueToWindowX(*plot, value), CursorLineColour(kind),
                           kRangeLineDashes);
  };
  if (!mstar) {
    solid(d.FitRightLim, CursorLineKind::FitRightLine);
    solid(d.FitLeftLim, CursorLineKind::FitLeftLine);
  }
  solid(ModelParameters.Meniscus, CursorLineKind::MeniscusLine);
  solid(ModelParameters.Bottom, CursorLineKind::BottomLine);
  dashed(FitControl.MINMENISCUS, CursorLineKind::MeniscusLowLine);
  dashed(FitControl.MAXMENISCUS, CursorLineKind::MeniscusHighLine);
  dashed(FitControl.MINBOTTOM, CursorLineKind::BottomLowLine);
  dashed(FitControl.MAXBOTTOM, CursorLineKind::BottomHighLine);
}

void DrawCursorLine(platform::WindowHost* window, int x, platform::Color colour, int plot) {
  OnWindow(window, [&](platform::Canvas& c) { DrawCursorLine(c, x, colour, plot); });
}
void DrawDashedCursorLine(platform::WindowHost* window, int x, platform::Color colour, int n,
                          int plot) {
  OnWindow(window, [&](platform::Canvas& c) { DrawDashedCursorLine(c, x, colour, n, plot); });
}
void XorCursorLine(platform::WindowHost* window, int x, bool eraseOld, int plot) {
  OnWindow(window, [&](platform::Canvas& c) { XorCursorLine(c, x, eraseOld, plot); });
}
void XorRectangle(platform::WindowHost* window, bool rightButtonDown, int x0, int y0, int x1,
                  int y1) {
  OnWindow(window, [&](platform::Canvas& c) { XorRectangle(c, rightButtonDown, x0, y0, x1, y1); });
}
void RedrawCursorLines(platform::WindowHost* window) {
  OnWindow(window, [&](platform::Canvas& c) { RedrawCursorLines(c); });
}

}  // namespace display
