#include "ui/ValueSlider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "ui/Boxes.h"
#include "ui/WidgetLinks.h"

using platform::Canvas;
using platform::Rect;

namespace {

constexpr int kLabelTextLimit = 999;  // characters a label text keeps

// A format text with no arguments, as printing it would show it: "%%" reads
// "%"; any other '%' stays as it stands (there is nothing to fill it with).
std::string FormatWithoutArguments(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && out.size() < kLabelTextLimit; ++i) {
    out += text[i];
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
  }
  return out;
}

std::string Number(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void SetArrow(CScreenButton& arrow, const char* caption) {
  arrow.Kind = 1;
  arrow.SetCaptions(caption, 1, caption, 1);
  arrow.FaceColourOff = platform::Rgb(150, 150, 150);
  arrow.FaceColourOn = platform::Rgb(250, 150, 250);
  arrow.SetBold();
}

}  // namespace

// ---- CScreenSlider ----

CScreenSlider::CScreenSlider() {
  InitTrack();
  SetArrow(UpButton, ">");
  SetArrow(DownButton, "<");
  LabelButton.Kind = 1;  // a hit on the label must not switch it off
  LabelButton.LabelStyle = true;
  LabelButton.SetBold();
  LabelButton.TextColour = platform::kBlack;
  LabelButton.On = true;
}

void CScreenSlider::InitTrack() {
  Kind = 1;  // the track is hit, never toggled
}

void CScreenSlider::SetHorizontal() {
  Horizontal = true;
  Vertical = false;
}

void CScreenSlider::SetVertical() {
  Vertical = true;
  Horizontal = false;
}

void CScreenSlider::SetRange(float a, float b, bool logScale) {
  RangeLow = std::min(a, b);
  RangeHigh = std::max(a, b);
  LinearScale = !logScale;
}

void CScreenSlider::SetLabelTexts(std::string_view name, std::string_view unit, float scale) {
  LabelName = FormatWithoutArguments(name);
  LabelUnit = FormatWithoutArguments(unit);
  DisplayScale = scale;
}

void CScreenSlider::SetTrackRect(float top, float left, float bottom, float right) {
  CScreenButton::SetRect(top, left, bottom, right);
  const int length = Vertical ? std::abs(RectBottom - RectTop) : std::abs(RectRight - RectLeft);
  ThumbHalfWidth = std::max(1, length / 30);
  SetPositionRaw(Position);
}

void CScreenSlider::SetRect(float top, float left, float bottom, float right) {
  SetTrackRect(top, left, bottom, right);
  const auto at = [](CScreenButton& b, int t, int l, int bo, int r) {
    b.SetRect(static_cast<float>(t), static_cast<float>(l), static_cast<float>(bo),
              static_cast<float>(r));
  };
  const int t = RectTop, l = RectLeft, b = RectBottom, r = RectRight;
  if (Vertical) {
    at(UpButton, t - ArrowSize, l, t + 1, r);
    at(DownButton, b + 1, l, b + ArrowSize, r);
    at(LabelButton, t - 2 * ArrowSize, l, t - ArrowSize + 1, l + LabelWidth);
  } else {
    at(DownButton, t, l - ArrowSize, b, l - 1);
    at(UpButton, t, r + 1, b, r + ArrowSize);
    at(LabelButton, t, r + ArrowSize + 1, b, r + ArrowSize + 1 + LabelWidth);
  }
}

void CScreenSlider::SetPositionRaw(float p) {
  if (!(p >= 0.0f && p <= 1.0f)) return;
  Position = p;
  const double along = Vertical ? RectBottom + p * static_cast<double>(RectTop - RectBottom)
                                : RectLeft + p * static_cast<double>(RectRight - RectLeft);
  ThumbPosition = static_cast<int>(std::floor(along));
}

float CScreenSlider::ValueAt(float p) const {
  const float q = std::clamp(p, 0.0f, 1.0f);
  return RangeLow + q * (RangeHigh - RangeLow);
}

float CScreenSlider::DisplayedValueAt(float p) const {
  const float v = ValueAt(p);
  if (LinearScale) return v;
  return static_cast<float>(std::pow(10.0, static_cast<double>(v)) * DisplayScale);
}

float CScreenSlider::PositionOfValue(float v) const {
  if (v <= RangeLow) return 0.0f;
  if (v >= RangeHigh) return 1.0f;
  return std::fabs(v - RangeLow) / std::fabs(RangeHigh - RangeLow);
}

float CScreenSlider::PositionOfDisplayedValue(float v) const {
  if (LinearScale) return PositionOfValue(v);
  if (v <= 0.0f) return 0.0f;
  // The inverse of DisplayedValueAt: the display scale comes off before the
  // logarithm.
  return PositionOfValue(static_cast<float>(std::log10(static_cast<double>(v) / DisplayScale)));
}

float CScreenSlider::PositionFromPoint(float x, float y) const {
  double p = 0.0;
  if (Vertical) {
    if (RectTop == RectBottom) return 0.0f;
    p = (y - RectBottom) / static_cast<double>(RectTop - RectBottom);
  } else {
    if (RectRight == RectLeft) return 0.0f;
    const double aspect = WidgetLinks.PlotSpace().AspectRatio;
    p = (x * aspect - RectLeft) / static_cast<double>(RectRight - RectLeft);
  }
  return static_cast<float>(std::clamp(p, 0.0, 1.0));
}

void CScreenSlider::SetLabelLine(const char* numberFormat, double value) {
  const std::string line = LabelName + " = " + Number(numberFormat, value) + " " + LabelUnit;
  const int length = static_cast<int>(line.size());
  LabelButton.SetCaptions(line, length, line, length);
}

void CScreenSlider::SetPosition(float p) {
  SetPositionRaw(p);
  CurrentValue = ValueAt(p);
  SetLabelLine("%.3e", CurrentValue);
}

float CScreenSlider::OnClick(float x, float y) {
  if (TrackHit(x, y)) {
    SetPosition(PositionFromPoint(x, y));
  } else if (UpButton.HitTest(x, y)) {
    SetPosition(Position + 0.01f);
  } else if (DownButton.HitTest(x, y)) {
    SetPosition(Position - 0.01f);
  } else {
    return -1.0f;
  }
  Render();
  return Position;
}

float CScreenSlider::OnTrackClick(float x, float y) {
  if (!TrackHit(x, y)) return -1.0f;
  SetPosition(PositionFromPoint(x, y));
  RenderTrack();
  return Position;
}

float CScreenSlider::PromptValue(float x, float y) {
  if (!LabelButton.HitTest(x, y)) return -1.0f;
  char prompt[160];
  float answer = 0.0f;
  float value = 0.0f;
  if (LinearScale) {
    std::snprintf(prompt, sizeof prompt, "enter value between %.3f and %.3f",
                  static_cast<double>(RangeLow), static_cast<double>(RangeHigh));
    if (!InputFloat(answer, CurrentValue, true, prompt, "")) return -1.0f;
    value = answer;
  } else {
    std::snprintf(prompt, sizeof prompt, "enter value between %.3f and %.3f uM",
                  static_cast<double>(DisplayedValueAt(0.0f)),
                  static_cast<double>(DisplayedValueAt(1.0f)));
    const float shown =
        static_cast<float>(std::pow(10.0, static_cast<double>(CurrentValue)) * DisplayScale);
    if (!InputFloat(answer, shown, true, prompt, "")) return -1.0f;
    // A concentration of zero or less has no logarithm.
    if (!(answer > 0.0f)) return -1.0f;
    value = static_cast<float>(std::log10(static_cast<double>(answer) / DisplayScale));
  }
  if (!(value >= RangeLow && value <= RangeHigh)) return -1.0f;
  CurrentValue = value;
  SetPositionRaw(PositionOfValue(value));
  SetLabelLine("%.3e", CurrentValue);
  Render();
  return Position;
}

void CScreenSlider::DrawTrack(Canvas& dc) const {
  if (Hidden) return;
  DrawFace(dc);
  const platform::Pen oldPen = dc.SelectPen(platform::SolidPen(DarkColour));
  const platform::Brush oldBrush = dc.SelectBrush(platform::SolidBrush(ThumbColour));
  const int from = ThumbPosition - ThumbHalfWidth, to = ThumbPosition + ThumbHalfWidth + 1;
  dc.Rectangle(Vertical ? Rect{RectLeft, from, RectRight, to}
                        : Rect{from, RectTop, to, RectBottom});
  dc.SelectBrush(oldBrush);
  dc.SelectPen(oldPen);
}

bool CScreenSlider::Render() {
  if (Hidden) return true;
  platform::Metafile picture = RecordPlotSpacePicture([this](Canvas& dc) {
    DrawTrack(dc);
    UpButton.Draw(dc);
    DownButton.Draw(dc);
    LabelButton.Draw(dc);
  });
  if (picture.IsNull()) return false;
  ReplacePicture(std::move(picture));
  return true;
}

bool CScreenSlider::RenderTrack() {
  if (Hidden) return true;
  platform::Metafile picture = RecordPlotSpacePicture([this](Canvas& dc) { DrawTrack(dc); });
  if (picture.IsNull()) return false;
  ReplacePicture(std::move(picture));
  return true;
}

// ---- CScreenStepSlider ----

bool CScreenStepSlider::SetAllowedValues(int count, const float* values, bool convertToLog) {
  if (values == nullptr || count <= 0) return false;
  AllowedValues.Resize(1, count);
  for (int i = 1; i <= count; ++i) {
    AllowedValues[i] = !LinearScale && convertToLog
                           ? static_cast<float>(std::log10(static_cast<double>(values[i])))
                           : values[i];
  }
  AllowedCount = count;
  AllowedIndex = 0;
  return true;
}

void CScreenStepSlider::SetZeroFirst() {
  ZeroFirst = true;
  if (AllowedCount >= 1) AllowedValues[1] = 0.0f;
}

void CScreenStepSlider::Select(int index, float position) {
  AllowedIndex = index;
  SetPositionRaw(position);
  CurrentValue = AllowedValues[index];
  double shown = CurrentValue;
  if (ZeroFirst && index == 1) {
    shown = 0.0;
  } else if (!LinearScale) {
    shown = std::pow(10.0, static_cast<double>(CurrentValue)) * DisplayScale;
  }
  SetLabelLine("%.3f", shown);
  Render();
}

int CScreenStepSlider::SnapToPosition(float p) {
  if (!(p >= 0.0f && p <= 1.0f) || AllowedCount < 1) return AllowedIndex;
  if (p == 0.0f || (ZeroFirst && p <= 1.0f / static_cast<float>(AllowedCount))) {
    Select(1, 0.0f);
    return AllowedIndex;
  }
  const float target = ValueAt(p);
  int nearest = 1;
  for (int i = 2; i <= AllowedCount; ++i) {
    if (std::fabs(AllowedValues[i] - target) < std::fabs(AllowedValues[nearest] - target))
      nearest = i;
  }
  Select(nearest, PositionOfValue(AllowedValues[nearest]));
  return AllowedIndex;
}

float CScreenStepSlider::StepUp() {
  if (AllowedIndex >= AllowedCount) return -1.0f;
  const int i = AllowedIndex + 1;
  Select(i, PositionOfValue(AllowedValues[i]));
  return Position;
}

float CScreenStepSlider::StepDown() {
  if (AllowedIndex <= 1) return -1.0f;
  const int i = AllowedIndex - 1;
  Select(i, ZeroFirst && i == 1 ? 0.0f : PositionOfValue(AllowedValues[i]));
  return Position;
}

float CScreenStepSlider::OnClickStepped(float x, float y) {
  if (TrackHit(x, y)) {
    SnapToPosition(PositionFromPoint(x, y));
    return Position;
  }
  const float p = PromptValue(x, y);
  if (p < 0.0f) return -1.0f;
  SnapToPosition(p);
  return Position;
}

void CScreenStepSlider::PressArrow(CScreenButton& arrow, Canvas& window, platform::Size client) {
  arrow.On = true;
  arrow.Render();
  arrow.Paint(window, client);
  BusyWait(0.1f);
  arrow.On = false;
  arrow.Render();
  arrow.Paint(window, client);
}

float CScreenStepSlider::OnMouse(Canvas& window, platform::Size client, float x, float y) {
  for (CScreenButton* arrow : {&UpButton, &DownButton}) {
    if (!arrow->On) continue;
    arrow->On = false;
    arrow->Render();
    arrow->Paint(window, client);
  }
  if (TrackHit(x, y)) {
    SnapToPosition(PositionFromPoint(x, y));
    return Position;
  }
  if (UpButton.HitTest(x, y)) {
    PressArrow(UpButton, window, client);
    if (AllowedIndex < AllowedCount) StepUp();
    return -2.0f;
  }
  if (DownButton.HitTest(x, y)) {
    PressArrow(DownButton, window, client);
    if (AllowedIndex > 1) StepDown();
    return -3.0f;
  }
  return -1.0f;
}

// ---- CScreenButtonRow ----

CScreenButton* CScreenButtonRow::At(int i) {
  return i >= 1 && i <= ButtonCount ? &Buttons[static_cast<std::size_t>(i - 1)] : nullptr;
}

const CScreenButton* CScreenButtonRow::At(int i) const {
  return i >= 1 && i <= ButtonCount ? &Buttons[static_cast<std::size_t>(i - 1)] : nullptr;
}

void CScreenButtonRow::DestroyButtons() {
  Buttons.clear();
  ButtonCount = 0;
}

void CScreenButtonRow::Create(int count, float y1, float x1, float y2, float x2) {
  DestroyButtons();
  const int bottom = static_cast<int>(std::floor(y1)), top = static_cast<int>(std::floor(y2));
  RowBottom = bottom;
  RowTop = top;
  RowLeft = static_cast<int>(std::floor(x1));
  RowRight = static_cast<int>(std::floor(x2));
  if (count <= 0) return;
  const int part =
      static_cast<int>(std::floor(static_cast<double>(bottom - top) / static_cast<double>(count)));
  Buttons.resize(static_cast<std::size_t>(count));
  ButtonCount = count;
  for (int i = 1; i <= count; ++i) {
    CScreenButton& b = Buttons[static_cast<std::size_t>(i - 1)];
    b.Kind = 2;
    b.On = false;
    b.SetRect(static_cast<float>(bottom - i * part + 1), x1,
              static_cast<float>(bottom - (i - 1) * part), x2);
  }
}

void CScreenButtonRow::SetHidden(int i, bool hidden) {
  if (CScreenButton* b = At(i)) b->Hidden = hidden;
}

bool CScreenButtonRow::IsHidden(int i) const {
  const CScreenButton* b = At(i);
  return b != nullptr && b->Hidden;
}

bool CScreenButtonRow::IsOn(int i) const {
  const CScreenButton* b = At(i);
  return b != nullptr && b->On;
}

void CScreenButtonRow::Toggle(int i) {
  if (CScreenButton* b = At(i)) b->Toggle();
}

void CScreenButtonRow::SetCaptions(int i, std::string_view caption, int captionLength,
                                   std::string_view onCaption, int onCaptionLength) {
  if (CScreenButton* b = At(i)) b->SetCaptions(caption, captionLength, onCaption, onCaptionLength);
}

void CScreenButtonRow::SetBold(int i) {
  if (CScreenButton* b = At(i)) b->SetBold();
}

platform::Metafile CScreenButtonRow::GetPicture(int i) const {
  const CScreenButton* b = At(i);
  return b != nullptr ? b->Picture : platform::Metafile();
}

void CScreenButtonRow::SetColours(platform::Color onFace, platform::Color offFace) {
  for (CScreenButton& b : Buttons) {
    b.FaceColourOn = onFace;
    b.FaceColourOff = offFace;
  }
}

void CScreenButtonRow::SetAllLabelStyle() {
  for (CScreenButton& b : Buttons) b.LabelStyle = true;
}

void CScreenButtonRow::SetBoldAll() {
  for (CScreenButton& b : Buttons) b.SetBold();
}

void CScreenButtonRow::AlignBaselineAll() {
  for (CScreenButton& b : Buttons) b.AlignBaseline();
}

void CScreenButtonRow::AlignBaselineRaisedAll() {
  for (CScreenButton& b : Buttons) b.AlignBaselineRaised();
}

void CScreenButtonRow::BeepAll() {
  for (std::size_t i = 0; i < Buttons.size(); ++i) ButtonBeep();
}

void CScreenButtonRow::PaintAll(Canvas& window, platform::Size client) const {
  for (const CScreenButton& b : Buttons) b.Paint(window, client);
}

void CScreenButtonRow::SaveBackgroundAll(Canvas& window) {
  for (CScreenButton& b : Buttons) b.SaveBackground(window);
}

void CScreenButtonRow::RestoreBackgroundAll(Canvas& window) {
  for (CScreenButton& b : Buttons) b.RestoreBackground(window);
}

bool CScreenButtonRow::RenderEach() {
  bool all = true;
  for (CScreenButton& b : Buttons) all = b.Render() && all;
  return all;
}

bool CScreenButtonRow::Render() {
  platform::Metafile picture = RecordPlotSpacePicture([this](Canvas& dc) {
    for (const CScreenButton& b : Buttons) b.Draw(dc);
  });
  if (picture.IsNull()) return false;
  if (OwnsPicture) Picture.Release();
  Picture = std::move(picture);
  OwnsPicture = true;
  return true;
}

bool CScreenButtonRow::HitTest(float x, float y, int& index) {
  for (int i = 1; i <= ButtonCount; ++i) {
    if (Buttons[static_cast<std::size_t>(i - 1)].HitTest(x, y)) {
      index = i;
      return true;
    }
  }
  index = 0;
  return false;
}
