#include "plot/CWINPlot.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "plot/PlotSettings.h"
#include "plot/PlotText.h"

using platform::Color;

int DashPhase = 0;

CWINPlot::CWINPlot() {
  InitPalette();
}

CWINPlot::CWINPlot(const CCurve& curve) : CWINPlot() {
  ownCurve_ = std::make_unique<CCurve>(curve.x(), curve.y());
  nDefaultStyle = 0;
  AddCurve(ownCurve_.get());
}

// Everything the plot holds is a value or a unique owner; the caller's
// curves, intervals and colour values are only referenced.
CWINPlot::~CWINPlot() = default;

void CWINPlot::AddCurve(CCurve* curve) {
  assert(curve != nullptr);
  const int k = nCurves;
  pCurves.push_back(curve);
  pLegendText.emplace_back();
  pCurveStyle.push_back(nDefaultStyle);
  pRangeSet.push_back(0);
  pRangeFirst.push_back(0);
  pRangeLast.push_back(0);
  // The first curve takes palette entry 1, not 0: black is never a default.
  pCurveColor.push_back(PaletteColor(k == 0 ? 1 : k));
  pCurveColorSet.push_back(0);
  nCurves = k + 1;
  Layout();
  if (!bDeferRender && nCurves == 1) Render();
}

void CWINPlot::RemoveLastCurve() {
  if (nCurves == 0) return;
  --nCurves;
  pCurves.pop_back();
  pLegendText.pop_back();
  pCurveStyle.pop_back();
  pRangeSet.pop_back();
  pRangeFirst.pop_back();
  pRangeLast.pop_back();
  pCurveColor.pop_back();
  pCurveColorSet.pop_back();
  if (nCurves == 0) {
    fXScale = fYScale = fXOffset = fYOffset = 0;
  }
}

void CWINPlot::ClearCurves() {
  if (nCurves == 0) return;
  pBarLeft.clear();
  pBarRight.clear();
  bBarEdges = false;
  pCurves.clear();
  pLegendText.clear();
  pCurveStyle.clear();
  pRangeSet.clear();
  pRangeFirst.clear();
  pRangeLast.clear();
  pCurveColor.clear();
  pCurveColorSet.clear();
  bShowLegend = false;
  nCurves = 0;
  nBarEdgeCapacity = 100;
}

int CWINPlot::ReplaceLastCurve(CCurve* curve) {
  if (nCurves == 0 || curve == nullptr) return 0;
  pCurves[static_cast<std::size_t>(nCurves - 1)] = curve;
  Layout();
  return Render();
}

void CWINPlot::ReplaceCurve(int i, CCurve* curve) {
  if (!ValidCurve(i) || curve == nullptr) return;
  pCurves[static_cast<std::size_t>(i)] = curve;
}

void CWINPlot::SetCurveColor(int i, Color color) {
  if (!ValidCurve(i)) return;
  pCurveColor[static_cast<std::size_t>(i)] = color;
  pCurveColorSet[static_cast<std::size_t>(i)] = 1;
}

Color CWINPlot::GetCurveColor(int i) const {
  if (!ValidCurve(i)) return Color{};
  return pCurveColor[static_cast<std::size_t>(i)];
}

void CWINPlot::SetCurveStyle(int i, int style) {
  if (ValidCurve(i)) pCurveStyle[static_cast<std::size_t>(i)] = style;
}

int CWINPlot::GetCurveStyle(int i) const {
  return ValidCurve(i) ? pCurveStyle[static_cast<std::size_t>(i)] : 0;
}

void CWINPlot::SetCurveRange(int i, int first, int last) {
  if (!ValidCurve(i)) return;
  const CCurve* curve = pCurves[static_cast<std::size_t>(i)];
  const int n = curve->x() ? static_cast<int>(curve->x()->count()) : 0;
  const auto s = static_cast<std::size_t>(i);
  pRangeSet[s] = 1;
  pRangeFirst[s] = std::max(first, 0);
  pRangeLast[s] = (last >= 0 && last < n) ? last : n - 1;
}

void CWINPlot::SetLegendText(int i, std::string_view text) {
  if (!ValidCurve(i)) return;
  pLegendText[static_cast<std::size_t>(i)] = BoundedPlotText(text, kPlotTextLimit);
}

void CWINPlot::WrapArray(std::vector<std::unique_ptr<CVector>>& list, int capacity, int i,
                         float* values, int n) {
  if (list.empty()) list.resize(static_cast<std::size_t>(capacity) + 1);
  if (static_cast<std::size_t>(i) >= list.size()) list.resize(static_cast<std::size_t>(i) + 1);
  auto wrapped = std::make_unique<CVector>();
  wrapped->AttachFrom(values, static_cast<unsigned>(n), 1);
  list[static_cast<std::size_t>(i)] = std::move(wrapped);
}

namespace {

int CurvePoints(const CCurve* curve) {
  return curve && curve->x() ? static_cast<int>(curve->x()->count()) : -1;
}

}  // namespace

void CWINPlot::SetBarEdges(int i, float* left, float* right, int n) {
  if (!ValidCurve(i) || i > nBarEdgeCapacity || left == nullptr || right == nullptr) return;
  if (n != CurvePoints(pCurves[static_cast<std::size_t>(i)])) return;
  WrapArray(pBarLeft, nBarEdgeCapacity, i, left, n);
  WrapArray(pBarRight, nBarEdgeCapacity, i, right, n);
  bBarEdges = true;
}

void CWINPlot::SetLowErrorValues(int i, float* values, int n) {
  if (!ValidCurve(i) || i > nErrorBarCapacity || values == nullptr) return;
  if (n != CurvePoints(pCurves[static_cast<std::size_t>(i)])) return;
  WrapArray(pLowErrorValues, nErrorBarCapacity, i, values, n);
  bLowErrorBars = true;
  PlotSettings.ErrorBarCapWidth = static_cast<int>(std::floor(1.5 * nSymbolSize));
}

void CWINPlot::SetHighErrorValues(int i, float* values, int n) {
  if (!ValidCurve(i) || i > nErrorBarCapacity || values == nullptr) return;
  if (n != CurvePoints(pCurves[static_cast<std::size_t>(i)])) return;
  WrapArray(pHighErrorValues, nErrorBarCapacity, i, values, n);
  bHighErrorBars = true;
  PlotSettings.ErrorBarCapWidth = static_cast<int>(std::floor(1.5 * nSymbolSize));
}

void CWINPlot::AddShadedInterval(const CVector* interval) {
  if (interval == nullptr || nIntervals >= nMaxIntervals) return;
  pIntervals.push_back(interval);
  ++nIntervals;
}

void CWINPlot::SetPointColorValues(int c, const float* values, int first, int last,
                                   int projections) {
  if (values == nullptr) return;
  pColorValues = values + first;
  nColorValues = std::max(last - first + 1, 0);
  bPointColors = true;
  iColorCurve = c;
  bProjections = projections != 0;
}

void CWINPlot::SetSecondaryYScale(float a, float b) {
  if (a == b) {
    bSecondaryY = false;
    fSecondaryYLow = fSecondaryYHigh = 0;
    return;
  }
  bSecondaryY = true;
  fSecondaryYLow = std::min(a, b);
  fSecondaryYHigh = std::max(a, b);
}

void CWINPlot::SetPointMarks(const int* marks, int n, int style, Color color, int size) {
  if (marks == nullptr || n <= 0) return;
  pPointMarks.Resize(1, n);
  for (int k = 1; k <= n; ++k) pPointMarks[k] = marks[k];
  nPointMarks = n;
  nUnmarkedStyle = style;
  colUnmarked = color;
  nUnmarkedSize = size;
}

void CWINPlot::SetDefaultStyle(int style) {
  nDefaultStyle = style <= 4 ? style : style % 4;
}

void CWINPlot::SetColorScaleRange(float lower, float upper) {
  fColorScaleMin = lower;
  if (upper == lower) upper = 2 * lower;
  if (upper == lower) upper = lower + 1;
  fColorScaleMax = upper;
  bColorScaleRange = true;
}

void CWINPlot::SetColorBarEndLabels(int offset, std::string_view low, std::string_view high) {
  nColorBarLabelOffset = offset;
  szColorBarLowLabel = BoundedPlotText(low, kPlotTextLimit);
  szColorBarHighLabel = BoundedPlotText(high, kPlotTextLimit);
  bColorBarEndLabels = true;
}

void CWINPlot::SetColorBarTitle(int x, int offset, std::string_view text) {
  nColorBarTitleX = x;
  nColorBarTitleOffset = offset;
  szColorBarTitle = BoundedPlotText(text, kColorBarTitleLimit);
  bColorBarTitle = true;
}

void CWINPlot::SetXTitle(std::string_view text) {
  szXTitle = BoundedPlotText(text, kPlotTextLimit);
  bXTitle = true;
}

void CWINPlot::SetYTitle(std::string_view text) {
  szYTitle = BoundedPlotText(text, kPlotTextLimit);
  bYTitle = true;
}

void CWINPlot::SetTopTitle(std::string_view text) {
  szTopTitle = BoundedPlotText(text, kPlotTextLimit);
  bTopTitle = true;
}

void CWINPlot::SetYBottomLabel(std::string_view text) {
  szYBottomLabel = BoundedPlotText(text, kPlotTextLimit);
  bYBottomLabel = true;
}

void CWINPlot::SetYTopLabel(std::string_view text) {
  szYTopLabel = BoundedPlotText(text, kPlotTextLimit);
  bYTopLabel = true;
}

void CWINPlot::ClearXTitle() {
  szXTitle.clear();
  bXTitle = false;
}

void CWINPlot::ClearYTitle() {
  szYTitle.clear();
  bYTitle = false;
}
