// Overlays: one extra curve (or line) recorded into a picture of its own in
// the plot space and with the plot's mapping, for the caller to replay right
// after the plot's picture. What changes often (fitted curves during a fit,
// a highlighted scan, an integration range) is drawn this way without
// recording a plot of hundreds of scans again. An overlay never changes the
// plot; points outside its current ranges are simply not drawn.
#include <algorithm>
#include <cmath>
#include <optional>

#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "plot/PointSymbols.h"

using platform::Color;
using platform::Metafile;
using platform::MetafileRecorder;
using platform::Point;

namespace {

Color TableColor(const int* const* table, int row) {
  return platform::Rgb(table[row][1], table[row][2], table[row][3]);
}

int CurvePoints(const CCurve& curve) {
  if (curve.x() == nullptr || curve.y() == nullptr) return 0;
  return static_cast<int>(std::min(curve.x()->count(), curve.y()->count()));
}

// Styles that have no meaning in an overlay: hidden curves, value labels,
// polygons and bars.
bool DrawsNothingInOverlay(int style) {
  return style == 0 || style == 4 || style == 20 || style == 21;
}

}  // namespace

Metafile CWINPlot::RecordOverlay(const CCurve& curve, int first, int last, Color color,
                                 const int* const* table, int style, int size) const {
  if (last < first) return Metafile();
  const int n = CurvePoints(curve);
  // Points are numbered from 1; a start too close to either end, or an end
  // outside the curve, falls back to the whole curve's end.
  const int start = (first >= 2 && first <= n - 2) ? first : 1;
  const int end = (last > start && last < n) ? last : n;
  // The pen of the first point drawn; the brush keeps that colour.
  const Color firstColor = table != nullptr && start <= end ? TableColor(table, start) : color;

  MetafileRecorder rec;
  rec.SetWindowExtent(PlotSpaceSize());
  rec.SelectPen(platform::SolidPen(firstColor));
  rec.SelectBrush(style == 15 ? platform::NullBrush() : platform::SolidBrush(firstColor));
  if (start > end) return rec.Close();

  const CVector& xs = *curve.x();
  const CVector& ys = *curve.y();
  SymbolSizes sizes;
  sizes.size = size;
  sizes.barHalfWidth = nBarHalfWidth;
  sizes.boxHalfWidth = nBoxHalfWidth;
  sizes.boxHalfHeight = nBoxHalfHeight;
  sizes.zeroY = MapY(0.0f);
  rec.MoveTo(Point{MapX(xs[static_cast<unsigned>(start - 1)]),
                   MapY(ys[static_cast<unsigned>(start - 1)])});
  const int every = std::max(nEvery, 1);
  int counter = every;
  std::optional<Point> previous;  // the previous drawn point of the run
  for (int point = start; point <= end; ++point) {
    if (counter != every) {
      ++counter;
      continue;
    }
    counter = 1;
    const int k = point - 1;
    if (table != nullptr) rec.SelectPen(platform::SolidPen(TableColor(table, point)));
    const float x = xs[static_cast<unsigned>(k)], y = ys[static_cast<unsigned>(k)];
    if (!(y >= fYMin && y <= fYMax && x >= fXMin && x <= fXMax)) {
      previous.reset();
      continue;
    }
    const Point p{MapX(x), MapY(y)};
    if (previous && (style == -1 || (bConnectPoints && style != 14)))
      rec.LineTo(p);
    else
      rec.MoveTo(p);
    const bool hidden =
        bMinusOneHidden && pColorValues != nullptr && k < nColorValues && pColorValues[k] == -1.0f;
    const bool clipped = bClipOverlaySymbols && (p.x - size < nLeft || p.x + size > nRight ||
                                                 p.y - size < nTop || p.y + size > nBottom);
    if (!hidden && !clipped && !DrawsNothingInOverlay(style)) {
      SymbolPoint symbol;
      symbol.at = p;
      symbol.previous = previous;
      symbol.lastOfCurve = point == end;
      DrawPointSymbol(rec, style, symbol, sizes);
    }
    previous = p;
  }
  return rec.Close();
}

Metafile CWINPlot::RenderOverlayCurve(const CCurve& curve, int first, int last, Color color,
                                      int style, int size) const {
  return RecordOverlay(curve, first, last, color, nullptr, style, size);
}

Metafile CWINPlot::RenderOverlay(const CCurve& curve, Color color, int style, int size) const {
  const int n = curve.x() ? static_cast<int>(curve.x()->count()) : 0;
  return RenderOverlayCurve(curve, 1, n, color, style, size);
}

Metafile CWINPlot::RenderOverlayColoredCurve(const CCurve& curve, int first, int last,
                                             const int* const* table, int style, int size) const {
  if (table == nullptr) return Metafile();
  return RecordOverlay(curve, first, last, platform::kBlack, table, style, size);
}

Metafile CWINPlot::RenderOverlayArrays(float* x, float* y, int n, Color color, int style,
                                       int size) const {
  CVector xv, yv;
  xv.AttachFrom(x, static_cast<unsigned>(std::max(n, 0)), 1);
  yv.AttachFrom(y, static_cast<unsigned>(std::max(n, 0)), 1);
  const CCurve curve(&xv, &yv);
  return RenderOverlay(curve, color, style, size);
}

Metafile CWINPlot::RenderOverlayArraysRange(float* x, float* y, int n, int first, int last,
                                            Color color, int style, int size) const {
  const int start = std::max(first, 1);
  // Never more elements than the arrays hold from the start on.
  const int count = std::max(std::min(last - first + 1, n - start + 1), 0);
  CVector xv, yv;
  xv.AttachFrom(x, static_cast<unsigned>(count), start);
  yv.AttachFrom(y, static_cast<unsigned>(count), start);
  const CCurve curve(&xv, &yv);
  return RenderOverlay(curve, color, style, size);
}

Metafile CWINPlot::RenderOverlayColoredArrays(float* x, float* y, int n, const int* const* table,
                                              int style, int size) const {
  CVector xv, yv;
  xv.AttachFrom(x, static_cast<unsigned>(std::max(n, 0)), 1);
  yv.AttachFrom(y, static_cast<unsigned>(std::max(n, 0)), 1);
  const CCurve curve(&xv, &yv);
  return RenderOverlayColoredCurve(curve, 1, n, table, style, size);
}

namespace {

// Single-precision copies y[1..n] * factor in a one-based array.
template <class T>
OneBasedArray<float> FloatCopy(const T* y, int n, double factor) {
  OneBasedArray<float> copy(1, std::max(n, 0));
  for (int i = 1; i <= n; ++i) copy[i] = static_cast<float>(y[i] * factor);
  return copy;
}

}  // namespace

Metafile CWINPlot::RenderOverlayDoubleArrays(const double* x, const double* y, int n, Color color,
                                             int style, int size) const {
  OneBasedArray<float> xf = FloatCopy(x, n, 1.0);
  OneBasedArray<float> yf = FloatCopy(y, n, 1.0);
  return RenderOverlayArrays(xf.data(), yf.data(), n, color, style, size);
}

Metafile CWINPlot::RenderOverlayFloatDoubleArrays(float* x, const double* y, int n, Color color,
                                                  int style, int size) const {
  OneBasedArray<float> yf = FloatCopy(y, n, 1.0);
  return RenderOverlayArrays(x, yf.data(), n, color, style, size);
}

Metafile CWINPlot::RenderOverlayScaledDouble(float* x, const double* y, int n, float v, Color color,
                                             int style, int size) const {
  double largest = n >= 1 ? *std::max_element(y + 1, y + n + 1) : 0.0;
  const double factor = std::fabs(largest) < 1e-30 ? 1.0 : v / largest;
  OneBasedArray<float> yf = FloatCopy(y, n, factor);
  return RenderOverlayArrays(x, yf.data(), n, color, style, size);
}

Metafile CWINPlot::RenderOverlayScaledFloat(float* x, const float* y, int n, float v, Color color,
                                            int style, int size) const {
  const float largest = n >= 1 ? *std::max_element(y + 1, y + n + 1) : 0.0f;
  const double factor = largest == 0 ? 1.0 : static_cast<double>(v) / largest;
  OneBasedArray<float> yf = FloatCopy(y, n, factor);
  return RenderOverlayArrays(x, yf.data(), n, color, style, size);
}

namespace {

MetafileRecorder& StartLineOverlay(MetafileRecorder& rec, Color color) {
  rec.SetWindowExtent(PlotSpaceSize());
  rec.SelectPen(platform::SolidPen(color));
  rec.SelectBrush(platform::SolidBrush(color));
  return rec;
}

}  // namespace

Metafile CWINPlot::RenderOverlayXLine(float x, Color color) const {
  MetafileRecorder rec;
  StartLineOverlay(rec, color);
  const int lx = MapX(x);
  rec.DrawLine(Point{lx, nBottom - 2}, Point{lx, nTop + 1});
  return rec.Close();
}

Metafile CWINPlot::RenderOverlayDashedXLine(float x, Color color) const {
  MetafileRecorder rec;
  StartLineOverlay(rec, color);
  const int lx = MapX(x);
  DrawDashedSegment(rec, lx, nBottom - 2, lx, nTop + 1);
  return rec.Close();
}

Metafile CWINPlot::RenderOverlayFrameHighlight(Color color) const {
  MetafileRecorder rec;
  StartLineOverlay(rec, color);
  // The side edges three units wide, top and bottom one.
  for (int shift = -1; shift <= 1; ++shift) {
    DrawDashedSegment(rec, nLeft + shift, nBottom, nLeft + shift, nTop);
    DrawDashedSegment(rec, nRight + shift, nBottom, nRight + shift, nTop);
  }
  DrawDashedSegment(rec, nLeft, nTop, nRight, nTop);
  DrawDashedSegment(rec, nLeft, nBottom, nRight, nBottom);
  return rec.Close();
}
