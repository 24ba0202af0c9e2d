// Screen buttons: hit tests in the plots' 1400-unit space, the toggle, the
// caption limits, what a drawing puts where, the picture scaled to the
// window, the marker, and the window pixels kept under a button.

#include <gtest/gtest.h>

#include <string>

#include "WidgetTestSupport.h"
#include "ui/CScreenButton.h"

namespace {

using platform::DrawKind;
using platform::Rect;

class CScreenButtonTest : public WidgetTest {
 protected:
  // The button of the examples: x 690..710, y 90..110 in plot units.
  static CScreenButton Button(int kind = 2) {
    CScreenButton b;
    b.Kind = kind;
    b.SetRect(90.0f, 690.0f, 110.0f, 710.0f);
    return b;
  }
  static std::vector<std::string> Texts(const platform::RecordingCanvas& canvas) {
    std::vector<std::string> texts;
    for (const auto& c : canvas.CallsOf(DrawKind::Text)) texts.push_back(c.text);
    return texts;
  }
};

TEST_F(CScreenButtonTest, HitTestInThePlotSpace) {
  struct Case {
    float x, y;
    bool hit;
  };
  // x is in units of the plot height and scaled by the aspect 1.4.
  const Case cases[] = {
      {500.0f, 100.0f, true},   // 700
      {507.2f, 100.0f, false},  // 710.08
      {507.1f, 100.0f, true},   // 709.94
      {493.0f, 100.0f, true},   // 690.2
      {492.8f, 100.0f, false},  // 689.92
      {500.0f, 90.0f, true},    // bounds inclusive
      {500.0f, 110.0f, true},  {500.0f, 89.9f, false}, {500.0f, 110.1f, false},
  };
  for (const Case& c : cases) {
    CScreenButton normal = Button(1), reversed = Button(1);
    reversed.SetRect(110.0f, 710.0f, 90.0f, 690.0f);  // bounds in the other order
    EXPECT_EQ(normal.HitTest(c.x, c.y), c.hit) << c.x << ", " << c.y;
    EXPECT_EQ(reversed.HitTest(c.x, c.y), c.hit) << c.x << ", " << c.y;
  }
  CScreenButton flat = Button(1);
  flat.SetRect(90.0f, 700.0f, 110.0f, 700.0f);  // no width
  EXPECT_FALSE(flat.HitTest(500.0f, 100.0f));
  flat.SetRect(100.0f, 690.0f, 100.0f, 710.0f);  // no height
  EXPECT_FALSE(flat.HitTest(500.0f, 100.0f));
}

TEST_F(CScreenButtonTest, SetRectFloorsEachBound) {
  CScreenButton b;
  b.SetRect(10.9f, -0.5f, 20.2f, 30.99f);
  EXPECT_EQ(b.RectTop, 10);
  EXPECT_EQ(b.RectLeft, -1);
  EXPECT_EQ(b.RectBottom, 20);
  EXPECT_EQ(b.RectRight, 30);
}

TEST_F(CScreenButtonTest, ToggleButtonFlipsAndShowsItsCaption) {
  CScreenButton toggle = Button(2);
  ASSERT_TRUE(toggle.Render());
  const auto shown = [&] {
    platform::RecordingCanvas window;
    toggle.Paint(window, platform::Size{1400, 1000});
    return Texts(window);
  };
  EXPECT_EQ(shown(), std::vector<std::string>{"ScreenButton"});
  EXPECT_TRUE(toggle.HitTest(500.0f, 100.0f));
  EXPECT_TRUE(toggle.On);
  EXPECT_EQ(shown(), std::vector<std::string>{"ON STATE"});
  EXPECT_TRUE(toggle.HitTest(500.0f, 100.0f));
  EXPECT_FALSE(toggle.On);
  EXPECT_EQ(shown(), std::vector<std::string>{"ScreenButton"});

  CScreenButton push = Button(1);
  EXPECT_TRUE(push.HitTest(500.0f, 100.0f));
  EXPECT_FALSE(push.On);
}

TEST_F(CScreenButtonTest, HiddenButtonIsNeitherDrawnRenderedPaintedNorHit) {
  CScreenButton b = Button(2);
  b.Hidden = true;
  platform::RecordingCanvas window;
  EXPECT_TRUE(b.Draw(window));
  EXPECT_TRUE(b.Render());
  EXPECT_TRUE(b.Picture.IsNull());
  b.Paint(window, platform::Size{1400, 1000});
  b.DrawCaption(window);
  b.ShowMarker(window, 50, 50, 5, platform::kBlack, platform::kBlack);
  EXPECT_TRUE(window.Calls().empty());
  EXPECT_FALSE(b.HitTest(500.0f, 100.0f));
  EXPECT_FALSE(b.On);

  // A picture rendered before hiding stays, but is not painted.
  b.Hidden = false;
  ASSERT_TRUE(b.Render());
  b.Hidden = true;
  b.Paint(window, platform::Size{1400, 1000});
  EXPECT_TRUE(window.Calls().empty());
}

TEST_F(CScreenButtonTest, CaptionsAreCutToTheirRoom) {
  struct Case {
    std::string text;
    int length;
    std::size_t kept;
  };
  const Case cases[] = {
      {std::string(1200, 'a'), 1200, 999},
      {std::string(999, 'b'), 999, 999},
      {"confirm", 4, 4},
      // A length beyond the text reads no further than the text.
      {"abc", 50, 3},
      {"abc", -2, 0},
  };
  for (const Case& c : cases) {
    CScreenButton b;
    b.SetCaptions(c.text, c.length, c.text, c.length);
    EXPECT_EQ(b.Caption, c.text.substr(0, c.kept));
    EXPECT_EQ(b.OnCaption, c.text.substr(0, c.kept));
  }
}

TEST_F(CScreenButtonTest, FaceEdgesAndCaptionWhereTheyBelong) {
  CScreenButton b = Button(1);
  b.SetCaptions("confirm", 7, "confirmed", 9);
  platform::RecordingCanvas dc;
  b.Draw(dc);
  const auto rects = dc.CallsOf(DrawKind::Rectangle);
  ASSERT_EQ(rects.size(), 1u);
  // Filled without an outline, one unit in from the left and one beyond the
  // bottom, so that the edges lie on the face's border.
  EXPECT_EQ(rects[0].rect, (Rect{691, 90, 710, 111}));
  EXPECT_EQ(rects[0].pen.style, platform::PenStyle::Null);
  EXPECT_EQ(rects[0].brush.color, b.FaceColourOff);
  const auto lines = dc.CallsOf(DrawKind::Line);
  ASSERT_EQ(lines.size(), 6u);
  const platform::Color expected[6] = {b.LightColour, b.LightColour, b.DarkColour,
                                       b.DarkColour,  b.MidColour,   b.MidColour};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(lines[i].pen.color, expected[i]) << i;
  EXPECT_EQ(lines[0].points, (std::vector<platform::Point>{{710, 90}, {710, 110}}));
  EXPECT_EQ(lines[4].points, (std::vector<platform::Point>{{691, 109}, {709, 109}}));

  struct Case {
    bool on, baseline, raised, bold;
    const char* text;
    int y;
    platform::VAlign align;
  };
  for (const Case c :
       {Case{false, false, false, false, "confirm", 109, platform::VAlign::Bottom},
        Case{true, true, false, true, "confirmed", 109, platform::VAlign::Baseline},
        Case{false, false, true, false, "confirm", 107, platform::VAlign::Baseline}}) {
    CScreenButton v = b;
    v.On = c.on;
    v.BaselineAligned = c.baseline;
    v.BaselineRaised = c.raised;
    v.Bold = c.bold;
    platform::RecordingCanvas canvas;
    v.Draw(canvas);
    const auto texts = canvas.CallsOf(DrawKind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, c.text);
    EXPECT_EQ(texts[0].points[0], (platform::Point{700, c.y}));
    EXPECT_EQ(texts[0].align.horizontal, platform::HAlign::Center);
    EXPECT_EQ(texts[0].align.vertical, c.align);
    EXPECT_EQ(texts[0].font.weight, c.bold ? 900 : 400);
    EXPECT_EQ(texts[0].textColor, v.TextColour);
    EXPECT_EQ(texts[0].backgroundMode, platform::BackgroundMode::Transparent);
    // A long caption is cut at the button's edges.
    EXPECT_EQ(texts[0].clip, (Rect{690, 90, 710, 110}));
    // The canvas gets its pen, brush and font back.
    EXPECT_EQ(canvas.State().pen, platform::Pen{});
    EXPECT_EQ(canvas.State().brush, platform::Brush{});
    EXPECT_EQ(canvas.State().font, platform::Font{});
  }

  CScreenButton label = b;
  label.LabelStyle = true;
  platform::RecordingCanvas canvas;
  label.Draw(canvas);
  EXPECT_EQ(canvas.CallsOf(DrawKind::Rectangle)[0].brush.color, platform::kWhite);
  const auto outline = canvas.CallsOf(DrawKind::Line);
  ASSERT_EQ(outline.size(), 8u);  // two outlines of four sides
  for (const auto& l : outline) EXPECT_EQ(l.pen.color, b.FaceColourOff);
  EXPECT_EQ(outline[4].points[0], (platform::Point{711, 89}));
}

TEST_F(CScreenButtonTest, PictureScalesWithTheWindow) {
  CScreenButton b = Button(1);
  ASSERT_TRUE(b.Render());
  ASSERT_TRUE(b.Picture.WindowExtent().has_value());
  EXPECT_EQ(*b.Picture.WindowExtent(), (platform::Size{1399, 1000}));
  platform::RecordingCanvas window;
  b.Paint(window, platform::Size{700, 500});
  const auto rects = window.CallsOf(DrawKind::Rectangle);
  ASSERT_EQ(rects.size(), 1u);
  // Half the plot space: 691..710 x 90..111 becomes about 346..355 x 45..56.
  EXPECT_NEAR(rects[0].rect.left, 346, 1);
  EXPECT_NEAR(rects[0].rect.right, 355, 1);
  EXPECT_EQ(rects[0].rect.top, 45);
  EXPECT_NEAR(rects[0].rect.bottom, 56, 1);
}

TEST_F(CScreenButtonTest, MarkerRingAndTheDotItLeaves) {
  CScreenButton b = Button(1);
  const platform::Color red = platform::Rgb(255, 0, 0), blue = platform::Rgb(0, 0, 255);
  platform::RecordingCanvas window;
  b.ShowMarker(window, 100, 80, 5, red, blue);
  auto ellipses = window.CallsOf(DrawKind::Ellipse);
  ASSERT_EQ(ellipses.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ellipses[i].rect, (Rect{95 + i, 75 + i, 105 - i, 85 - i}));
    EXPECT_EQ(ellipses[i].pen.color, red);
    EXPECT_EQ(ellipses[i].brush.color, platform::kWhite);
  }

  // A new marker hides the old one first: a white disc, then the dot.
  window.Clear();
  b.ShowMarker(window, 200, 80, 4, red, blue);
  ellipses = window.CallsOf(DrawKind::Ellipse);
  ASSERT_EQ(ellipses.size(), 7u);
  EXPECT_EQ(ellipses[0].rect, (Rect{95, 75, 105, 85}));
  EXPECT_EQ(ellipses[0].brush.color, platform::kWhite);
  EXPECT_EQ(ellipses[1].rect, (Rect{98, 78, 102, 82}));
  EXPECT_EQ(ellipses[3].rect, (Rect{100, 80, 101, 81}));
  EXPECT_EQ(ellipses[3].brush.color, blue);
  EXPECT_EQ(ellipses[4].rect, (Rect{196, 76, 204, 84}));

  // A radius of 0 only hides the marker shown.
  window.Clear();
  b.ShowMarker(window, 300, 80, 0, red, blue);
  EXPECT_EQ(window.CallsOf(DrawKind::Ellipse).size(), 4u);
  EXPECT_EQ(b.MarkerRadius, 0);
  window.Clear();
  b.ShowMarker(window, 300, 80, 0, red, blue);
  EXPECT_TRUE(window.Calls().empty());
}

TEST_F(CScreenButtonTest, BackgroundUnderTheButtonIsPutBack) {
  RecordClientSize(700.0f, 500.0f);
  CScreenButton b = Button(1);
  PixelCanvas window(Pattern(400, 300));
  const platform::RgbImage before = window.pixels;
  ASSERT_TRUE(b.SaveBackground(window));
  EXPECT_TRUE(b.BackgroundSaved);
  // 690..710 x 90..110 plot units are 345..355 x 45..55 pixels; the saved
  // block reaches 2 pixels beyond them (1 above the top).
  EXPECT_EQ(b.BackgroundRect, (Rect{343, 44, 358, 58}));

  b.Render();
  b.Paint(window, platform::Size{700, 500});
  window.DrawImage(Rect{345, 45, 355, 55}, platform::RgbImage(1, 1, platform::kBlack));
  b.ShowMarker(window, 20, 20, 3, platform::kBlack, platform::kBlack);
  ASSERT_NE(window.pixels, before);
  window.Clear();
  ASSERT_TRUE(b.RestoreBackground(window));
  EXPECT_EQ(window.pixels, before);
  // Putting the background back also hides the marker.
  EXPECT_EQ(b.MarkerRadius, 0);
  EXPECT_EQ(window.CallsOf(DrawKind::Ellipse).size(), 4u);
}

TEST_F(CScreenButtonTest, CaptionStraightIntoTheWindow) {
  CScreenButton b = Button(1);
  platform::RecordingCanvas window;
  b.DrawCaption(window);
  b.DrawCaptionWhite(window);
  const auto texts = window.CallsOf(DrawKind::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].points[0], (platform::Point{700, 109}));  // no mapping
  EXPECT_EQ(texts[0].textColor, b.TextColour);
  EXPECT_EQ(texts[1].textColor, platform::kWhite);
  EXPECT_TRUE(window.CallsOf(DrawKind::Rectangle).empty());
}

TEST_F(CScreenButtonTest, BeepIsThePlainOne) {
  ButtonBeep();
  EXPECT_EQ(LogLinesWith("beep").size(), 1u);
}

}  // namespace
