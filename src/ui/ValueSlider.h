#pragma once
// Composite on-screen controls built from screen buttons and drawn the same
// way (rendered into a picture of the plot space, replayed into the window):
// a track with a thumb, two arrow buttons and a label that shows name, value
// and unit, on a linear or logarithmic value scale; the same slider limited
// to a list of allowed values; and a column of equal buttons handled as one.
//
// Points given to the hit tests are in units of the plot height on both
// axes, as for CScreenButton::HitTest.

#include <string>
#include <string_view>
#include <vector>

#include "state/OneBasedArray.h"
#include "ui/CScreenButton.h"

class CScreenSlider : public CScreenButton {
 public:
  CScreenSlider();

  // Half width of the thumb, plot units: a thirtieth of the track, at least 1.
  int ThumbHalfWidth = 3;
  int ThumbPosition = 0;  // thumb centre along the track
  // 0..1 along the track: left to right, or bottom to top when vertical.
  float Position = 0.0f;
  bool Vertical = false;
  bool Horizontal = true;
  platform::Color ThumbColour = platform::kBlack;
  CScreenButton UpButton;     // ">"
  CScreenButton DownButton;   // "<"
  CScreenButton LabelButton;  // name = value unit
  int ArrowSize = 20;
  int LabelWidth = 150;
  float RangeLow = 0.0f, RangeHigh = 0.0f;
  bool LinearScale = true;  // false: the values are decimal logarithms
  float CurrentValue = 0.0f;
  std::string LabelName, LabelUnit;
  float DisplayScale = 1.0f;  // factor on 10^value in the logarithmic display

  void SetHorizontal();
  void SetVertical();
  void SetRange(float a, float b, bool logScale);
  // Name and unit are format texts without arguments ("%%" reads "%").
  void SetLabelTexts(std::string_view name, std::string_view unit, float scale);
  // The track, the thumb, then the arrows and the label around the track.
  void SetRect(float top, float left, float bottom, float right);

  void SetPositionRaw(float p);
  float ValueAt(float p) const;
  float DisplayedValueAt(float p) const;
  float PositionOfValue(float v) const;
  float PositionOfDisplayedValue(float v) const;
  float PositionFromPoint(float x, float y) const;
  // Position, value and label.
  void SetPosition(float p);

  // The new position after a hit on the track or an arrow; -1 otherwise.
  float OnClick(float x, float y);
  // The track only, re-rendering just the track; -1 when not hit.
  float OnTrackClick(float x, float y);
  // A hit on the label asks for a value; the new position, or -1 when the
  // label was not hit, the entry was cancelled or the value is outside the
  // range.
  float PromptValue(float x, float y);

  // Track, thumb and the three buttons into one picture; the track alone.
  bool Render();
  bool RenderTrack();
  void DrawTrack(platform::Canvas& dc) const;

 protected:
  void InitTrack();
  void SetTrackRect(float top, float left, float bottom, float right);
  bool TrackHit(float x, float y) { return CScreenButton::HitTest(x, y); }
  // The label's text: "name = number unit".
  void SetLabelLine(const char* numberFormat, double value);
};

class CScreenStepSlider : public CScreenSlider {
 public:
  CScreenStepSlider() = default;

  int AllowedCount = 0;
  int AllowedIndex = 0;  // 1-based index of the current value, 0 for none
  OneBasedArray<float> AllowedValues;
  bool ZeroFirst = false;  // the first allowed value stands for zero

  // values[1..count]. False for no values; on a logarithmic scale with
  // convertToLog each value is stored as its decimal logarithm.
  bool SetAllowedValues(int count, const float* values, bool convertToLog);
  void SetZeroFirst();
  // Selects the allowed value nearest to the position and returns its index;
  // a position outside 0..1 changes nothing.
  int SnapToPosition(float p);
  // The new position; -1 at the ends.
  float StepUp();
  float StepDown();
  // A track hit snaps to the point, anything else is offered to the label's
  // prompt; the new position or -1.
  float OnClickStepped(float x, float y);
  // Mouse press: the position after a track hit, -2 after ">" and -3 after
  // "<" (each shown pressed for a tenth of a second), -1 otherwise.
  float OnMouse(platform::Canvas& window, platform::Size client, float x, float y);

 private:
  void Select(int index, float position);
  void PressArrow(CScreenButton& arrow, platform::Canvas& window, platform::Size client);
};

class CScreenButtonRow {
 public:
  CScreenButtonRow() = default;

  int ButtonCount = 0;
  std::vector<CScreenButton> Buttons;  // button i is Buttons[i - 1]
  int RowTop = 0, RowLeft = 0, RowBottom = 0, RowRight = 0;
  platform::Metafile Picture;
  bool OwnsPicture = false;

  void DestroyButtons();
  // count toggle buttons, off, dividing the height from y1 to y2 into equal
  // parts; button 1 at the y1 end.
  void Create(int count, float y1, float x1, float y2, float x2);

  // By 1-based index; an index outside 1..count is ignored (false, no picture).
  void SetHidden(int i, bool hidden = true);
  bool IsHidden(int i) const;
  bool IsOn(int i) const;
  void Toggle(int i);
  void SetCaptions(int i, std::string_view caption, int captionLength, std::string_view onCaption,
                   int onCaptionLength);
  void SetBold(int i);
  platform::Metafile GetPicture(int i) const;

  void SetColours(platform::Color onFace, platform::Color offFace);
  void SetAllLabelStyle();
  void SetBoldAll();
  void AlignBaselineAll();
  void AlignBaselineRaisedAll();
  void BeepAll();
  void PaintAll(platform::Canvas& window, platform::Size client) const;
  void SaveBackgroundAll(platform::Canvas& window);
  void RestoreBackgroundAll(platform::Canvas& window);
  // Each button its own picture; false when any fails.
  bool RenderEach();
  // All buttons into the row's one picture.
  bool Render();
  platform::Metafile GetRowPicture() const { return Picture; }

  // The first button hit (a toggle button toggles); index 0 and false when none.
  bool HitTest(float x, float y, int& index);

 private:
  CScreenButton* At(int i);
  const CScreenButton* At(int i) const;
};
