// Recording a whole plot into a picture: background, shaded intervals,
// curves, frame, ticks and labels, colour bar and titles, in that order.
#include <algorithm>
#include <cmath>

#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "ui/Boxes.h"

using platform::Brush;
using platform::Canvas;
using platform::Color;
using platform::Pen;
using platform::Point;
using platform::Rect;

namespace {

Rect Box(int left, int top, int right, int bottom) {
  return Rect{left, top, right, bottom}.Normalized();
}

}  // namespace

int CWINPlot::Render() {
  return RenderPass(true);
}

int CWINPlot::RenderPass(bool mayRepeat) {
  if (nCurves == 0) return 0;
  PlotSettings.PointOutsideRange = 0;
  platform::MetafileRecorder rec;
  rec.SetWindowExtent(PlotSpaceSize());
  // Shapes drawn next have no outline.
  const Brush oldBrush = rec.SelectBrush(platform::NullBrush());
  const Pen oldPen = rec.SelectPen(platform::BlackPen());
  rec.SelectPen(platform::NullPen());
  rec.SelectBrush(platform::SolidBrush(colBackground));
  if (bDrawBackground) rec.Rectangle(Box(nBgLeft, nBgTop, nBgRight, nBgBottom));
  rec.SelectBrush(platform::NullBrush());
  DrawShadedIntervals(rec);
  if (!bNoCurves) {
    const int every = std::max(nEvery, 1);
    for (int c = 0; c < nCurves; c += every) DrawCurve(rec, c);
  }

  rec.SelectPen(platform::SolidPen(colFrame));
  rec.SelectBrush(platform::NullBrush());
  rec.Rectangle(Box(nLeft, nTop, nRight, nBottom));
  rec.SetBackgroundColor(colBackground);
  rec.SetBackgroundMode(platform::BackgroundMode::Transparent);
  rec.SetTextColor(colFrame);
  rec.SetTextAlign(platform::TextAlign{platform::HAlign::Center, platform::VAlign::Top});
  const platform::Font oldFont = rec.SelectFont(PlotSettings.hTickLabelFont);
  DrawXTicks(rec);
  const int labelWidth = bNoYAxis ? 0 : DrawYTicks(rec);
  if (!bNoCurves && bPointColors && bShowColorBar) DrawColorBar(rec);
  DrawTitles(rec, labelWidth);

  // Room for the widest y label, taken by the next rendering.
  const int labelRoom = nLeft - PlotSettings.MajorTickLength - labelWidth - 10;
  if (labelRoom < nBgLeft) nBgLeft = labelRoom;
  if (bNoYAxis) {
    nBgLeft = nLeft - 5;
    nBgRight = nRight + 5;
  }
  rec.SelectPen(oldPen);
  rec.SelectBrush(oldBrush);
  rec.SelectFont(oldFont);
  platform::Metafile picture = rec.Close();
  if (!hMetaFile.IsNull() && bOwnsMetaFile) hMetaFile.Release();
  hMetaFile = std::move(picture);
  bOwnsMetaFile = true;

  // A point fell outside a range that the layout computes: lay out again so
  // that it fits, and render once more (that rendering does not repeat).
  if (mayRepeat && PlotSettings.PointOutsideRange && (!bFixedX || !bFixedY)) {
    Relayout();
    return RenderPass(false);
  }
  return 1;
}

void CWINPlot::DrawShadedIntervals(Canvas& dc) {
  if (nIntervals == 0) return;
  const Brush old = dc.SelectBrush(platform::SolidBrush(platform::Rgb(230, 250, 230)));
  for (const CVector* interval : pIntervals) {
    if (interval == nullptr) continue;
    const int x0 = MapX(interval->At(0)), x1 = MapX(interval->At(1));
    dc.Rectangle(Box(x0, nTop, x1, nBottom));
  }
  dc.SelectBrush(old);
}

void CWINPlot::DrawValueLabel(Canvas& dc, int x, int y, int c, int k) {
  if (!ValidCurve(c)) return;
  const CVector* values = pCurves[static_cast<std::size_t>(c)]->y();
  char text[20];
  const int length = values ? values->FormatElement(k, text, sizeof text, fLabelFactor) : 0;
  dc.MoveTo(Point{x, y});
  // Written at the current position, which then moves to the text's end.
  dc.SetTextAlign(platform::TextAlign{platform::HAlign::Left, platform::VAlign::Top, true});
  if (length > 0) dc.TextOut(Point{x, y}, std::string_view(text, static_cast<std::size_t>(length)));
}

void CWINPlot::PlotFunction(Canvas& dc, const std::function<float(float)>& f, int n, Color color) {
  if (nCurves == 0) {
    ErrorBox("Plot function without data not yet implemented");
    return;
  }
  const Pen old = dc.SelectPen(platform::SolidPen(color));
  dc.MoveTo(Point{MapX(fXMin), MapY(f(fXMin))});
  for (int i = 1; i <= n; ++i) {
    const float x = fXMin + static_cast<float>(i) * (fXMax - fXMin) / static_cast<float>(n);
    dc.LineTo(Point{MapX(x), MapY(f(x))});
  }
  dc.SelectPen(old);
}

std::unique_ptr<platform::MetafileRecorder> CWINPlot::CreateBackgroundMetafile() const {
  auto rec = std::make_unique<platform::MetafileRecorder>();
  rec->SetWindowExtent(PlotSpaceSize());
  rec->SelectPen(platform::BlackPen());
  rec->SelectBrush(platform::SolidBrush(colBackground));
  if (bDrawBackground) rec->Rectangle(Box(nBgLeft, nBgTop, nBgRight, nBgBottom));
  return rec;
}
