#include "ui/CScreenButton.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "state/MainPlotLayout.h"
#include "platform/Platform.h"
#include "ui/WidgetLinks.h"

using platform::Canvas;
using platform::Color;
using platform::Point;
using platform::Rect;

namespace {

// At most limit characters of the first length characters of text.
std::string BoundedCopy(std::string_view text, int length, int limit) {
  const auto n = static_cast<std::size_t>(std::max(0, std::min(length, limit)));
  return std::string(text.substr(0, std::min(n, text.size())));
}

void Outline(Canvas& dc, int left, int top, int right, int bottom) {
  dc.MoveTo(Point{right, top});
  dc.LineTo(Point{right, bottom});
  dc.LineTo(Point{left, bottom});
  dc.LineTo(Point{left, top});
  dc.LineTo(Point{right, top});
}

}  // namespace

CScreenButton::CScreenButton() = default;

void CScreenButton::SetRect(float top, float left, float bottom, float right) {
  RectTop = static_cast<int>(std::floor(top));
  RectLeft = static_cast<int>(std::floor(left));
  RectBottom = static_cast<int>(std::floor(bottom));
  RectRight = static_cast<int>(std::floor(right));
}

void CScreenButton::SetCaptions(std::string_view caption, int captionLength,
                                std::string_view onCaption, int onCaptionLength) {
  Caption = BoundedCopy(caption, captionLength, CaptionLimit - 1);
  OnCaption = BoundedCopy(onCaption, onCaptionLength, CaptionLimit - 1);
}

void CScreenButton::DrawFace(Canvas& dc) const {
  // Null pen and brush first, so that the face is filled without an outline.
  const platform::Brush oldBrush = dc.SelectBrush(platform::NullBrush());
  const platform::Pen oldPen = dc.SelectPen(platform::NullPen());
  const Color face = LabelStyle ? platform::kWhite : (On ? FaceColourOn : FaceColourOff);
  dc.SelectBrush(platform::SolidBrush(face));
  dc.Rectangle(Rect{RectLeft + 1, RectBottom + 1, RectRight, RectTop});
  if (LabelStyle) {
    dc.SelectPen(platform::SolidPen(FaceColourOff));
    Outline(dc, RectLeft, RectTop, RectRight, RectBottom);
    Outline(dc, RectLeft - 1, RectTop - 1, RectRight + 1, RectBottom + 1);
  } else {
    // Light from the top right, shadow at the bottom left: a raised face.
    dc.SelectPen(platform::SolidPen(LightColour));
    dc.DrawLine(Point{RectRight, RectTop}, Point{RectRight, RectBottom});
    dc.DrawLine(Point{RectRight, RectTop}, Point{RectLeft, RectTop});
    dc.SelectPen(platform::SolidPen(DarkColour));
    dc.DrawLine(Point{RectLeft, RectBottom}, Point{RectRight, RectBottom});
    dc.DrawLine(Point{RectLeft, RectBottom}, Point{RectLeft, RectTop});
    dc.SelectPen(platform::SolidPen(MidColour));
    dc.DrawLine(Point{RectLeft + 1, RectBottom - 1}, Point{RectRight - 1, RectBottom - 1});
    dc.DrawLine(Point{RectLeft + 1, RectBottom - 1}, Point{RectLeft + 1, RectTop + 1});
  }
  dc.SelectPen(oldPen);
  dc.SelectBrush(oldBrush);
}

void CScreenButton::DrawCaptionText(Canvas& dc, Color colour) const {
  dc.Save();
  dc.SetBackgroundColor(LabelStyle ? platform::kWhite : FaceColourOff);
  dc.SetBackgroundMode(platform::BackgroundMode::Transparent);
  dc.SetTextColor(colour);
  const bool baseline = BaselineAligned || BaselineRaised;
  dc.SetTextAlign(platform::TextAlign{
      platform::HAlign::Center, baseline ? platform::VAlign::Baseline : platform::VAlign::Bottom});
  dc.SelectFont(ButtonFont(Bold));
  dc.IntersectClipRect(Rect{RectLeft, RectTop, RectRight, RectBottom}.Normalized());
  const int x = static_cast<int>(std::floor(RectLeft + (RectRight - RectLeft) * 0.5));
  const int y = RectBottom - (BaselineRaised ? 3 : 1);
  dc.TextOut(Point{x, y}, On ? OnCaption : Caption);
  dc.Restore();
}

bool CScreenButton::Draw(Canvas& dc) const {
  if (Hidden) return true;
  DrawFace(dc);
  DrawCaptionText(dc, TextColour);
  return true;
}

platform::Metafile RecordPlotSpacePicture(const std::function<void(Canvas&)>& draw) {
  const WidgetPlotSpace space = WidgetLinks.PlotSpace();
  platform::MetafileRecorder recorder;
  recorder.SetWindowExtent(platform::Size{space.Width(), space.Height()});
  draw(recorder);
  return recorder.Close();
}

void CScreenButton::ReplacePicture(platform::Metafile picture) {
  if (OwnsPicture) Picture.Release();
  Picture = std::move(picture);
  OwnsPicture = true;
}

bool CScreenButton::Render() {
  if (Hidden) return true;
  platform::Metafile picture = RecordPlotSpacePicture([this](Canvas& dc) { Draw(dc); });
  if (picture.IsNull()) return false;
  ReplacePicture(std::move(picture));
  return true;
}

void CScreenButton::Paint(Canvas& window, platform::Size client) const {
  if (Hidden) return;
  Picture.PlayInto(window, Rect{0, 0, client.width, client.height});
}

bool CScreenButton::HitTest(float x, float y) {
  if (Hidden) return false;
  const double px =
      static_cast<double>(x) * static_cast<double>(WidgetLinks.PlotSpace().AspectRatio);
  const double py = y;
  const auto inside = [](double v, int a, int b) {
    const int lo = std::min(a, b), hi = std::max(a, b);
    return lo != hi && v >= lo && v <= hi;
  };
  if (!inside(px, RectLeft, RectRight) || !inside(py, RectTop, RectBottom)) return false;
  if (Kind == 2) Toggle();
  return true;
}

void CScreenButton::Toggle() {
  On = !On;
  Render();
}

void CScreenButton::ShowMarker(Canvas& window, int x, int y, int radius, Color colour,
                               Color dotColour) {
  if (Hidden) return;
  if (MarkerRadius > 0) HideMarker(window, MarkerX, MarkerY, MarkerRadius);
  if (radius < 1) return;
  MarkerX = x;
  MarkerY = y;
  MarkerRadius = radius;
  MarkerDotColour = dotColour;
  window.Save();
  window.SelectPen(platform::SolidPen(colour));
  window.SelectBrush(platform::WhiteBrush());
  window.SetRasterOp(platform::RasterOp::CopyPen);
  for (int shrink = 0; shrink <= 2; ++shrink) {
    const int r = radius - shrink;
    window.Ellipse(Rect{x - r, y - r, x + r, y + r});
  }
  window.Restore();
}

void CScreenButton::HideMarker(Canvas& window, int x, int y, int radius) {
  if (Hidden) return;
  window.Save();
  window.SelectPen(platform::WhitePen());
  window.SelectBrush(platform::WhiteBrush());
  window.Ellipse(Rect{x - radius, y - radius, x + radius, y + radius});
  window.SelectPen(platform::SolidPen(MarkerDotColour));
  window.SelectBrush(platform::SolidBrush(MarkerDotColour));
  window.Ellipse(Rect{x - 2, y - 2, x + 2, y + 2});
  window.Ellipse(Rect{x - 1, y - 1, x + 1, y + 1});
  window.Ellipse(Rect{x, y, x + 1, y + 1});
  window.Restore();
  MarkerX = MarkerY = MarkerRadius = 0;
}

bool CScreenButton::SaveBackground(Canvas& window) {
  const WidgetPlotSpace space = WidgetLinks.PlotSpace();
  const float clientWidth = MainPlotLayout.ClientWidth;
  const float clientHeight = MainPlotLayout.ClientHeight;
  const double width = static_cast<double>(space.AspectRatio) * space.PlotHeight;
  const auto px = [&](int v) { return static_cast<int>(std::floor(v * clientWidth / width)); };
  const auto py = [&](int v) {
    return static_cast<int>(std::floor(v * clientHeight / space.PlotHeight));
  };
  const int xa = px(RectRight) + 2, xb = px(RectLeft) - 2;
  const int ya = py(RectBottom) + 2, yb = py(RectTop) - 1;
  // Inclusive pixel bounds; the rectangle ends one past them.
  BackgroundRect =
      Rect{std::min(xa, xb), std::min(ya, yb), std::max(xa, xb) + 1, std::max(ya, yb) + 1};
  Background = window.ReadPixels(BackgroundRect);
  BackgroundSaved = true;
  return true;
}

bool CScreenButton::RestoreBackground(Canvas& window) {
  if (BackgroundSaved) window.DrawImage(BackgroundRect, Background);
  if (MarkerRadius > 0) HideMarker(window, MarkerX, MarkerY, MarkerRadius);
  return true;
}

void CScreenButton::DrawCaption(Canvas& window) const {
  if (!Hidden) DrawCaptionText(window, TextColour);
}

void CScreenButton::DrawCaptionWhite(Canvas& window) const {
  if (!Hidden) DrawCaptionText(window, platform::kWhite);
}

void ButtonBeep() {
  platform::Current().Beep(platform::BoxIcon::None);
}

platform::Font ButtonFont(bool bold) {
  platform::Font font;
  font.height = 16;
  font.weight = bold ? 900 : 400;
  font.family = platform::FontFamily::Swiss;
  return font;
}
