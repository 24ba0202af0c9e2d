// Where a plot's frame lies in the plot space, which data ranges its axes
// cover, and the linear mapping from data to logical units.
#include <algorithm>
#include <cmath>

#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"

namespace {

// Logical coordinates stay far outside any picture but inside the int range,
// so that a point mapped through a degenerate range cannot overflow.
constexpr double kLogicalLimit = 1.0e6;

int TruncateToLogical(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::clamp(v, -kLogicalLimit, kLogicalLimit));
}

// Limits that differ by a relative amount below 1e-15 count as equal.
bool RelativelyEqual(float lo, float hi) {
  if (hi == lo) return true;
  if (hi != 0) return std::fabs((hi - lo) / hi) < 1e-15f;
  if (lo != 0) return std::fabs((hi - lo) / lo) < 1e-15f;
  return false;
}

}  // namespace

int CWINPlot::MapX(float x) const {
  double v = x;
  if (bLogX) {
    if (x <= 0) return nLeft - nLogFloorOffset;
    v = std::log10(v);
  }
  return TruncateToLogical(v * static_cast<double>(fXScale) + static_cast<double>(fXOffset));
}

int CWINPlot::MapY(float y) const {
  double v = y;
  if (bLogY) {
    if (y <= 0) return nBottom - nLogFloorOffset;
    v = std::log10(v);
  }
  return TruncateToLogical(v * static_cast<double>(fYScale) + static_cast<double>(fYOffset));
}

bool CWINPlot::PointToData(int x, int y, float& dataX, float& dataY) const {
  if (nLeft == 0 && nRight == 0 && nTop == 0 && nBottom == 0) return false;
  const int lx = AspectScaled(x);
  if (lx < nLeft || lx > nRight || y < nTop + nButtonSize || y > nBottom) return false;
  // A plot that was never laid out has no mapping to invert.
  if (fXScale == 0 || fYScale == 0) return false;
  double vx = (lx - static_cast<double>(fXOffset)) / fXScale;
  double vy = (y - static_cast<double>(fYOffset)) / fYScale;
  if (bLogX) vx = std::pow(10.0, vx);
  if (bLogY) vy = std::pow(10.0, vy);
  dataX = static_cast<float>(vx);
  dataY = static_cast<float>(vy);
  return true;
}

void CWINPlot::Place(int top, int left, int bottom, int right) {
  nLeft = AspectScaled(left);
  nRight = AspectScaled(right);
  nBottom = bottom;
  nTop = top;
  if (nCurves > 0) Layout();
  const int tick = PlotSettings.MajorTickLength;
  // Room for the ticks around the frame and, below it, for the x labels.
  constexpr int kXLabelRoom = 20;
  constexpr int kBareMargin = 5;
  nBgLeft = bNoYAxis ? nLeft - kBareMargin : nLeft - tick;
  nBgRight = bNoYAxis ? nRight + kBareMargin : nRight + tick;
  nBgBottom = bNoXAxis ? nBottom + kBareMargin : nBottom + tick + kXLabelRoom;
  nBgTop = bNoTopMargin ? nTop : nTop - tick;
  PlaceButtons();
}

void CWINPlot::SetEmptyState() {
  fXScale = fYScale = fXOffset = fYOffset = 0;
  fXMin = fYMin = -1;
  fXMax = fYMax = 1;
}

void CWINPlot::ComputeMapping(bool xAxis, bool yAxis) {
  bDeferRender = false;
  // A value that changes after having been set means pictures made with the
  // old mapping no longer fit; the owner then renders again itself.
  auto store = [this](float& member, float value) {
    if (value != member && member != 0) bDeferRender = true;
    member = value;
  };
  if (xAxis) {
    store(fXScale, static_cast<float>(nRight - nLeft) / (fXMax - fXMin));
    store(fXOffset, static_cast<float>(nLeft) - fXMin * fXScale);
  }
  if (yAxis) {
    store(fYScale, static_cast<float>(nTop - nBottom) / (fYMax - fYMin));
    store(fYOffset, static_cast<float>(nBottom) - fYMin * fYScale);
  }
}

void CWINPlot::PointWindow(int i, int& first, int& last) const {
  const CCurve* curve = pCurves[static_cast<std::size_t>(i)];
  const int n = curve->x() ? static_cast<int>(curve->x()->count()) : 0;
  first = 0;
  last = n - 1;
  if (!pRangeSet[static_cast<std::size_t>(i)]) return;
  const int f = pRangeFirst[static_cast<std::size_t>(i)];
  const int l = pRangeLast[static_cast<std::size_t>(i)];
  if (f >= 0 && f <= last) first = f;
  if (l >= 0 && l <= last) last = l;
}

bool CWINPlot::IsSecondaryColorCurve(int i) const {
  return bPointColors && bSecondaryY && i == iColorCurve;
}

void CWINPlot::LayoutX() {
  bool any = false;
  for (int i = 0; i < nCurves; ++i) {
    const CVector* x = pCurves[static_cast<std::size_t>(i)]->x();
    int first = 0, last = 0;
    PointWindow(i, first, last);
    const float lo = x ? x->MinInRange(first, last) : 0.0f;
    const float hi = x ? x->MaxInRange(first, last) : 0.0f;
    fXMin = any ? std::min(fXMin, lo) : lo;
    fXMax = any ? std::max(fXMax, hi) : hi;
    any = true;
  }
  if (RelativelyEqual(fXMin, fXMax)) {
    fXMax += 1;
    fXMin -= 1;
  }
  const float d = fXMax - fXMin;
  fXMin -= 0.05f * d;
  fXMax += 0.05f * d;
}

void CWINPlot::LayoutY() {
  bool any = false;
  for (int i = 0; i < nCurves; ++i) {
    // The curve drawn against the secondary scale has its own y range,
    // unless it is all there is.
    if (nCurves > 1 && IsSecondaryColorCurve(i)) continue;
    const CVector* y = pCurves[static_cast<std::size_t>(i)]->y();
    int first = 0, last = 0;
    PointWindow(i, first, last);
    const float lo = y ? y->MinInRange(first, last) : 0.0f;
    const float hi = y ? y->MaxInRange(first, last) : 0.0f;
    fYMin = any ? std::min(fYMin, lo) : lo;
    fYMax = any ? std::max(fYMax, hi) : hi;
    any = true;
  }
  if (bYFromZero && fYMin > 0) fYMin = 0;
  if (RelativelyEqual(fYMin, fYMax)) {
    fYMax += 1;
    fYMin -= 1;
  }
  fYMax += 0.05f * (fYMax - fYMin);
  // A positive range keeps a lower margin, but never reaches below zero; a
  // range that starts at or below zero puts its lowest point on the frame.
  if (!bYFromZero && fYMin > 0) {
    const float candidate = fYMin - 0.05f * (fYMax - fYMin);
    fYMin = candidate >= 0 ? candidate : 0;
  }
}

void CWINPlot::Layout() {
  if (nCurves == 0) {
    SetEmptyState();
    return;
  }
  if (bFixedX && bFixedY) return;
  if (!bFixedX) LayoutX();
  if (!bFixedY) LayoutY();
  ComputeMapping(true, true);
}

void CWINPlot::SetAutoRanges() {
  bFixedX = bFixedY = false;
  Layout();
}

void CWINPlot::SetRanges(float xmin, float xmax, float ymin, float ymax) {
  if (nCurves == 0) {
    SetEmptyState();
    return;
  }
  if (std::fabs(ymin - ymax) < 1e-10f || std::fabs(xmin - xmax) < 1e-10f) return;
  // A huge upper limit stands for "no data yet"; it is shown as 1.
  const float top = ymax > 1e10f ? 1.0f : ymax;
  // Limits that are not numbers would make every mapped point undefined.
  if (!std::isfinite(xmin) || !std::isfinite(xmax) || !std::isfinite(ymin) || !std::isfinite(top))
    return;
  bFixedX = bFixedY = true;
  fXMin = xmin;
  fXMax = xmax;
  fYMin = ymin;
  fYMax = top;
  ComputeMapping(true, true);
}

void CWINPlot::SetXRange(float xmin, float xmax) {
  if (nCurves == 0) {
    SetEmptyState();
    return;
  }
  if (!std::isfinite(xmin) || !std::isfinite(xmax)) return;
  bFixedX = true;
  fXMin = xmin;
  fXMax = xmax;
  ComputeMapping(true, false);
}

void CWINPlot::SetYRange(float ymin, float ymax) {
  if (nCurves == 0) {
    SetEmptyState();
    return;
  }
  if (!std::isfinite(ymin) || !std::isfinite(ymax)) return;
  bFixedY = true;
  fYMin = ymin;
  fYMax = ymax;
  ComputeMapping(false, true);
}

void CWINPlot::SetXRangeAutoY(float xmin, float xmax) {
  if (nCurves == 0) {
    SetEmptyState();
    return;
  }
  if (!std::isfinite(xmin) || !std::isfinite(xmax)) return;
  bFixedX = true;
  bFixedY = false;
  fXMin = xmin;
  fXMax = xmax;
  for (int i = 0; i < nCurves; ++i) {
    const CCurve* curve = pCurves[static_cast<std::size_t>(i)];
    int first = 0, last = 0;
    PointWindow(i, first, last);
    // The window helpers take their end bound exclusive.
    const float lo = curve->MinYInWindow(xmin, xmax, first, last + 1);
    const float hi = curve->MaxYInWindow(xmin, xmax, first, last + 1);
    fYMin = i == 0 ? lo : std::min(fYMin, lo);
    fYMax = i == 0 ? hi : std::max(fYMax, hi);
  }
  if (bYFromZero && fYMin > 0) fYMin = 0;
  if (fYMax == fYMin) {
    fYMax += 1;
    fYMin -= 1;
  }
  ComputeMapping(true, true);
}

float CWINPlot::SecondaryYValueAt(int row) const {
  if (!bSecondaryY) return 0;
  // A frame without height has only its lower end.
  if (nTop == nBottom) return fSecondaryYLow;
  return fSecondaryYLow + static_cast<float>(row - nBottom) * (fSecondaryYHigh - fSecondaryYLow) /
                              static_cast<float>(nTop - nBottom);
}
