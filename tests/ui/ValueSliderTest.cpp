// Value sliders and button rows: layout around the track, the value scales
// and their inverses, clicks, the typed value, the stepped slider's snapping
// and steps, and the row's division and hit test.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "WidgetTestSupport.h"
#include "ui/ValueSlider.h"

namespace {

using platform::DrawKind;

class ValueSliderTest : public WidgetTest {
 protected:
  // A horizontal track x 140..560, y 100..120 in plot units; points are
  // given in height units, 1.4 times smaller in x (100..400 for the track).
  static CScreenSlider Horizontal() {
    CScreenSlider s;
    s.SetRange(2.0f, -2.0f, false);
    s.SetLabelTexts("s", "S", 1.0f);
    s.SetRect(100.0f, 140.0f, 120.0f, 560.0f);
    return s;
  }
  static void ExpectRect(const CScreenButton& b, int top, int left, int bottom, int right,
                         const char* what) {
    EXPECT_EQ(b.RectTop, top) << what;
    EXPECT_EQ(b.RectLeft, left) << what;
    EXPECT_EQ(b.RectBottom, bottom) << what;
    EXPECT_EQ(b.RectRight, right) << what;
  }
};

TEST_F(ValueSliderTest, ArrowsAndLabelAroundTheTrack) {
  CScreenSlider h = Horizontal();
  ExpectRect(h, 100, 140, 120, 560, "track");
  ExpectRect(h.DownButton, 100, 120, 120, 139, "<");
  ExpectRect(h.UpButton, 100, 561, 120, 580, ">");
  ExpectRect(h.LabelButton, 100, 581, 120, 731, "label");
  EXPECT_EQ(h.ThumbHalfWidth, 14);
  EXPECT_EQ(h.UpButton.Caption, ">");
  EXPECT_EQ(h.DownButton.Caption, "<");

  CScreenSlider v;
  v.SetVertical();
  v.SetRect(200.0f, 100.0f, 500.0f, 120.0f);
  ExpectRect(v.UpButton, 180, 100, 201, 120, ">");
  ExpectRect(v.DownButton, 501, 100, 520, 120, "<");
  ExpectRect(v.LabelButton, 160, 100, 181, 250, "label");
  EXPECT_EQ(v.ThumbHalfWidth, 10);
  EXPECT_EQ(v.ThumbPosition, 500);  // position 0 is the bottom

  CScreenSlider shortTrack;
  shortTrack.SetRect(0.0f, 0.0f, 10.0f, 20.0f);
  EXPECT_EQ(shortTrack.ThumbHalfWidth, 1);
}

TEST_F(ValueSliderTest, LinearScaleAndItsInverse) {
  CScreenSlider s = Horizontal();
  EXPECT_EQ(s.RangeLow, -2.0f);
  EXPECT_EQ(s.RangeHigh, 2.0f);
  struct Case {
    float p, value;
  };
  for (const Case c : {Case{0.0f, -2.0f}, Case{0.25f, -1.0f}, Case{1.0f, 2.0f}, Case{1.5f, 2.0f},
                       Case{-0.5f, -2.0f}}) {
    EXPECT_FLOAT_EQ(s.ValueAt(c.p), c.value) << c.p;
    EXPECT_FLOAT_EQ(s.DisplayedValueAt(c.p), c.value) << c.p;
  }
  for (const Case c : {Case{0.0f, -3.0f}, Case{0.0f, -2.0f}, Case{0.75f, 1.0f}, Case{1.0f, 2.0f},
                       Case{1.0f, 9.0f}}) {
    EXPECT_FLOAT_EQ(s.PositionOfValue(c.value), c.p) << c.value;
    EXPECT_FLOAT_EQ(s.PositionOfDisplayedValue(c.value), c.p) << c.value;
  }
}

TEST_F(ValueSliderTest, LogarithmicDisplayRoundTrips) {
  for (float scale : {1e6f, 1e3f, 1.0f}) {
    CScreenSlider s;
    s.SetRange(-8.0f, -4.0f, true);
    s.SetLabelTexts("c", "uM", scale);
    EXPECT_NEAR(s.DisplayedValueAt(0.5f), 1e-6f * scale, 1e-6f * scale * 1e-5f) << scale;
    for (float p : {0.0f, 0.3f, 0.5f, 1.0f})
      EXPECT_NEAR(s.PositionOfDisplayedValue(s.DisplayedValueAt(p)), p, 1e-5f) << scale;
    EXPECT_EQ(s.PositionOfDisplayedValue(0.0f), 0.0f);
    EXPECT_EQ(s.PositionOfDisplayedValue(-1.0f), 0.0f);
  }
}

TEST_F(ValueSliderTest, PositionsFromPointsAndTheThumb) {
  CScreenSlider h = Horizontal();
  struct Case {
    float x, p;
  };
  for (const Case c : {Case{250.0f, 0.5f}, Case{100.0f, 0.0f}, Case{400.0f, 1.0f},
                       Case{175.0f, 0.25f}, Case{50.0f, 0.0f}, Case{450.0f, 1.0f}}) {
    EXPECT_NEAR(h.PositionFromPoint(c.x, 0.0f), c.p, 1e-4f) << c.x;
  }
  h.SetPositionRaw(0.5f);
  EXPECT_EQ(h.ThumbPosition, 350);
  h.SetPositionRaw(1.2f);  // ignored
  EXPECT_EQ(h.Position, 0.5f);
  EXPECT_EQ(h.ThumbPosition, 350);
  platform::RecordingCanvas dc;
  h.DrawTrack(dc);
  const auto rects = dc.CallsOf(DrawKind::Rectangle);
  ASSERT_EQ(rects.size(), 2u);  // the face, then the thumb
  EXPECT_EQ(rects[1].rect, (platform::Rect{336, 100, 365, 120}));
  EXPECT_EQ(rects[1].brush.color, platform::kBlack);
  EXPECT_EQ(rects[1].pen.color, h.DarkColour);

  CScreenSlider v;
  v.SetVertical();
  v.SetRect(200.0f, 100.0f, 500.0f, 120.0f);
  EXPECT_FLOAT_EQ(v.PositionFromPoint(0.0f, 500.0f), 0.0f);
  EXPECT_FLOAT_EQ(v.PositionFromPoint(0.0f, 200.0f), 1.0f);
  EXPECT_FLOAT_EQ(v.PositionFromPoint(0.0f, 275.0f), 0.75f);
  v.SetPositionRaw(0.75f);
  EXPECT_EQ(v.ThumbPosition, 275);
}

TEST_F(ValueSliderTest, ClicksOnTrackAndArrows) {
  CScreenSlider s = Horizontal();
  EXPECT_NEAR(s.OnClick(250.0f, 110.0f), 0.5f, 1e-4f);
  EXPECT_NEAR(s.CurrentValue, 0.0f, 1e-3f);
  EXPECT_NEAR(s.OnClick(407.0f, 110.0f), 0.51f, 1e-4f);  // ">" at 569.8
  EXPECT_NEAR(s.OnClick(93.0f, 110.0f), 0.50f, 1e-4f);   // "<" at 130.2
  EXPECT_EQ(s.OnClick(50.0f, 110.0f), -1.0f);
  EXPECT_EQ(s.OnClick(250.0f, 130.0f), -1.0f);
  EXPECT_FALSE(s.Picture.IsNull());

  EXPECT_NEAR(s.OnTrackClick(257.5f, 110.0f), 0.525f, 1e-4f);  // 360.5
  EXPECT_EQ(s.OnTrackClick(407.0f, 110.0f), -1.0f);            // an arrow is no track
  platform::RecordingCanvas window;
  s.Paint(window, platform::Size{1400, 1000});
  EXPECT_TRUE(window.CallsOf(DrawKind::Text).empty());  // the track alone
}

TEST_F(ValueSliderTest, LabelReadsNameValueAndUnit) {
  CScreenSlider s = Horizontal();
  s.SetPosition(0.75f);
  EXPECT_EQ(s.LabelButton.OnCaption, "s = 1.000e+00 S");
  EXPECT_EQ(s.LabelButton.Caption, s.LabelButton.OnCaption);
  // The texts are format texts without arguments: "%%" reads "%", a stray
  // directive stays as it stands.
  s.SetLabelTexts("conc. %s", "%%", 1.0f);
  s.SetPosition(0.25f);
  EXPECT_EQ(s.LabelButton.OnCaption, "conc. %s = -1.000e+00 %");
  s.SetLabelTexts(std::string(1500, 'n'), "", 1.0f);
  EXPECT_EQ(s.LabelName.size(), 999u);
}

TEST_F(ValueSliderTest, TypedValueOnTheLabel) {
  CScreenSlider s = Horizontal();
  // The label spans x 581..731: 450 in height units is 630.
  backend().ScriptEntry("1.5");
  EXPECT_NEAR(s.PromptValue(450.0f, 110.0f), 0.875f, 1e-6f);
  EXPECT_FLOAT_EQ(s.CurrentValue, 1.5f);
  EXPECT_EQ(LogLinesWith("enter value between -2.000 and 2.000").size(), 1u);
  EXPECT_FALSE(s.Picture.IsNull());
  EXPECT_TRUE(s.LabelButton.On);  // hitting the label does not switch it off

  backend().ScriptEntry("5");  // outside the range
  EXPECT_EQ(s.PromptValue(450.0f, 110.0f), -1.0f);
  backend().ScriptEntry(std::nullopt);  // cancelled
  EXPECT_EQ(s.PromptValue(450.0f, 110.0f), -1.0f);
  EXPECT_EQ(s.PromptValue(250.0f, 110.0f), -1.0f);  // the track is no label
  EXPECT_FLOAT_EQ(s.CurrentValue, 1.5f);

  CScreenSlider c;
  c.SetRange(-8.0f, -4.0f, true);
  c.SetLabelTexts("c", "uM", 1e6f);
  c.SetRect(100.0f, 140.0f, 120.0f, 560.0f);
  backend().ScriptEntry("10");  // 10 uM is 1e-5 M
  EXPECT_NEAR(c.PromptValue(450.0f, 110.0f), 0.75f, 1e-5f);
  EXPECT_NEAR(c.CurrentValue, -5.0f, 1e-5f);
  EXPECT_EQ(LogLinesWith("enter value between 0.010 and 100.000 uM").size(), 1u);
  backend().ScriptEntry("0");  // no logarithm
  EXPECT_EQ(c.PromptValue(450.0f, 110.0f), -1.0f);
}

class StepSliderTest : public ValueSliderTest {
 protected:
  void SetUp() override {
    ValueSliderTest::SetUp();
    backend().SetClockStep(10);  // the arrow's press passes quickly
    slider.SetRange(0.0f, 8.0f, false);
    slider.SetLabelTexts("n", "", 1.0f);
    slider.SetRect(100.0f, 140.0f, 120.0f, 560.0f);
    const float values[] = {0.0f, 1.0f, 2.0f, 4.0f, 8.0f};  // values[1..4]
    ASSERT_TRUE(slider.SetAllowedValues(4, values, false));
  }
  CScreenStepSlider slider;
};

TEST_F(StepSliderTest, SnapsToTheNearestAllowedValue) {
  struct Case {
    float p;
    int index;
    float position;
  };
  const Case cases[] = {
      {0.4f, 3, 0.5f},                                       // 3.2: nearer 4 than 2
      {0.375f, 2, 0.25f},                                    // 3: as near 2 as 4, the first wins
      {0.0f, 1, 0.0f},    {1.0f, 4, 1.0f}, {1.2f, 4, 1.0f},  // outside: nothing changes
      {-0.1f, 4, 1.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(slider.SnapToPosition(c.p), c.index) << c.p;
    EXPECT_EQ(slider.AllowedIndex, c.index) << c.p;
    EXPECT_FLOAT_EQ(slider.Position, c.position) << c.p;
  }
  slider.SnapToPosition(0.4f);
  EXPECT_FLOAT_EQ(slider.CurrentValue, 4.0f);
  EXPECT_EQ(slider.LabelButton.OnCaption, "n = 4.000 ");
}

TEST_F(StepSliderTest, StepsToTheEndsAndStopsThere) {
  slider.SnapToPosition(0.0f);
  EXPECT_EQ(slider.StepDown(), -1.0f);
  EXPECT_FLOAT_EQ(slider.StepUp(), 0.25f);
  EXPECT_FLOAT_EQ(slider.StepUp(), 0.5f);
  EXPECT_FLOAT_EQ(slider.StepUp(), 1.0f);
  EXPECT_EQ(slider.StepUp(), -1.0f);
  EXPECT_EQ(slider.AllowedIndex, 4);
  EXPECT_FLOAT_EQ(slider.StepDown(), 0.5f);

  slider.SetZeroFirst();
  EXPECT_EQ(slider.AllowedValues[1], 0.0f);
  slider.SnapToPosition(0.75f);  // 6: 4 and 8 equally near
  EXPECT_EQ(slider.AllowedIndex, 3);
  // Within the first quarter the zero entry is chosen, shown as 0.
  EXPECT_EQ(slider.SnapToPosition(0.25f), 1);
  EXPECT_EQ(slider.LabelButton.OnCaption, "n = 0.000 ");
  slider.StepUp();
  EXPECT_EQ(slider.StepDown(), 0.0f);  // back to the zero entry at 0
}

TEST_F(StepSliderTest, LogarithmicAllowedValues) {
  CScreenStepSlider s;
  s.SetRange(-9.0f, -5.0f, true);
  s.SetLabelTexts("c", "uM", 1e6f);
  s.SetRect(100.0f, 140.0f, 120.0f, 560.0f);
  const float molar[] = {0.0f, 1e-8f, 1e-7f, 1e-6f};
  EXPECT_FALSE(s.SetAllowedValues(0, molar, true));
  EXPECT_FALSE(s.SetAllowedValues(3, nullptr, true));
  ASSERT_TRUE(s.SetAllowedValues(3, molar, true));
  EXPECT_NEAR(s.AllowedValues[2], -7.0f, 1e-5f);
  EXPECT_EQ(s.SnapToPosition(0.6f), 2);  // -6.6 is nearest -7
  EXPECT_EQ(s.LabelButton.OnCaption, "c = 0.100 uM");
}

TEST_F(StepSliderTest, MouseOnArrowsAndTrack) {
  platform::RecordingCanvas window;
  const platform::Size client{1400, 1000};
  slider.SnapToPosition(0.0f);
  EXPECT_EQ(slider.OnMouse(window, client, 407.0f, 110.0f), -2.0f);  // ">"
  EXPECT_EQ(slider.AllowedIndex, 2);
  EXPECT_FALSE(slider.UpButton.On);                                 // pressed, then released
  EXPECT_EQ(window.CallsOf(DrawKind::Rectangle).size(), 2u);        // shown twice
  EXPECT_EQ(slider.OnMouse(window, client, 93.0f, 110.0f), -3.0f);  // "<"
  EXPECT_EQ(slider.AllowedIndex, 1);
  EXPECT_EQ(slider.OnMouse(window, client, 93.0f, 110.0f), -3.0f);
  EXPECT_EQ(slider.AllowedIndex, 1);                                      // no step below the first
  EXPECT_FLOAT_EQ(slider.OnMouse(window, client, 280.0f, 110.0f), 0.5f);  // 4.8: nearest 4
  EXPECT_EQ(slider.OnMouse(window, client, 100.0f, 300.0f), -1.0f);
  backend().ScriptEntry("7");
  EXPECT_FLOAT_EQ(slider.OnClickStepped(450.0f, 110.0f), 1.0f);   // typed 7: nearest 8
  EXPECT_FLOAT_EQ(slider.OnClickStepped(175.0f, 110.0f), 0.25f);  // the track at 2
}

TEST(ButtonRow, DividesItsHeightAndHitsOneButton) {
  CScreenButtonRow row;
  row.Create(4, 500.0f, 100.0f, 100.0f, 200.0f);
  ASSERT_EQ(row.ButtonCount, 4);
  for (int i = 1; i <= 4; ++i) {
    const CScreenButton& b = row.Buttons[static_cast<std::size_t>(i - 1)];
    EXPECT_EQ(b.RectBottom, 500 - (i - 1) * 100) << i;
    EXPECT_EQ(b.RectTop, 500 - i * 100 + 1) << i;
    EXPECT_EQ(b.Kind, 2);
    EXPECT_FALSE(b.On);
  }
  int index = -1;
  // x 100 in height units is 140 in the plot space.
  EXPECT_TRUE(row.HitTest(100.0f, 450.0f, index));
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(row.IsOn(1));
  EXPECT_FALSE(row.HitTest(100.0f, 400.5f, index));  // between buttons 1 and 2
  EXPECT_EQ(index, 0);
  row.SetHidden(3);
  EXPECT_FALSE(row.HitTest(100.0f, 250.0f, index));
  EXPECT_TRUE(row.IsHidden(3));
  EXPECT_TRUE(row.HitTest(100.0f, 150.0f, index));
  EXPECT_EQ(index, 4);

  // Indices outside the row are ignored.
  row.Toggle(0);
  row.Toggle(5);
  row.SetCaptions(9, "x", 1, "y", 1);
  EXPECT_FALSE(row.IsOn(0));
  EXPECT_FALSE(row.IsHidden(5));
  EXPECT_TRUE(row.GetPicture(5).IsNull());

  // The row's picture holds every button shown.
  ASSERT_TRUE(row.Render());
  platform::RecordingCanvas window;
  row.GetRowPicture().Play(window);
  EXPECT_EQ(window.CallsOf(DrawKind::Text).size(), 3u);
  EXPECT_TRUE(row.RenderEach());
  EXPECT_FALSE(row.GetPicture(1).IsNull());
  EXPECT_TRUE(row.GetPicture(3).IsNull());  // hidden: not rendered

  row.Create(0, 500.0f, 100.0f, 100.0f, 200.0f);
  EXPECT_EQ(row.ButtonCount, 0);
  EXPECT_FALSE(row.HitTest(100.0f, 450.0f, index));
}

}  // namespace
