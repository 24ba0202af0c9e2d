// The screen buttons of a plot: the value button and its four companions,
// their row at the top right of the frame, re-placement with the frame, and
// re-captioning.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RecordingCanvas.h"
#include "plot/CWINPlot.h"
#include "plot/PlotSettings.h"
#include "support/TestSupport.h"

namespace {

class PlotButtonsTest : public HeadlessTest {
 protected:
  static std::vector<std::string> Shown(const CScreenButton& button) {
    platform::RecordingCanvas window;
    button.Paint(window, platform::Size{1400, 1000});
    std::vector<std::string> texts;
    for (const auto& c : window.CallsOf(platform::DrawKind::Text)) texts.push_back(c.text);
    return texts;
  }
  static CScreenButton& Button(CWINPlot& plot, int i) {
    return *plot.pButtons[static_cast<std::size_t>(i)];
  }
  // Which buttons a click at logical x, y hits (x converted to the height
  // units that hit tests take).
  static std::vector<int> HitsAt(CWINPlot& plot, double lx, double y) {
    std::vector<int> hits;
    const float x = static_cast<float>(lx / PlotSettings.AspectRatio);
    for (int i = 1; i <= plot.nButtons; ++i) {
      CScreenButton& b = Button(plot, i);
      const bool wasOn = b.On;
      if (b.HitTest(x, static_cast<float>(y))) hits.push_back(i);
      b.On = wasOn;
    }
    return hits;
  }
};

TEST_F(PlotButtonsTest, APlotHasNoButtonsUntilAskedFor) {
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  EXPECT_EQ(plot.nButtons, 0);
  EXPECT_TRUE(plot.pButtons.empty());
  plot.PlaceButtons();
  EXPECT_TRUE(plot.pButtons.empty());
}

TEST_F(PlotButtonsTest, ValueButtonsAreMadeCaptionedAndRendered) {
  struct Case {
    int value;
    const char* caption;
  };
  for (const Case c :
       {Case{42, "42"}, Case{-7, "-7"}, Case{0, "0"}, Case{2147483647, "2147483647"}}) {
    CWINPlot plot;
    plot.Place(75, 50, 475, 950);
    plot.CreateValueButtons(c.value);
    ASSERT_EQ(plot.nButtons, 5);
    ASSERT_EQ(plot.pButtons.size(), 6u);
    EXPECT_EQ(plot.pButtons[0], nullptr);
    const char* captions[] = {c.caption, "X", "i", "e", "s"};
    for (int i = 1; i <= 5; ++i) {
      const CScreenButton& b = Button(plot, i);
      EXPECT_EQ(b.Caption, captions[i - 1]) << i;
      EXPECT_EQ(b.Kind, i == 1 ? 1 : 2) << i;
      EXPECT_FALSE(b.Picture.IsNull()) << i;
      EXPECT_EQ(Shown(b), std::vector<std::string>{captions[i - 1]}) << i;
    }
  }
}

TEST_F(PlotButtonsTest, RowEndsAtTheTopRightCornerInsideTheFrame) {
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);  // frame 69 .. 1329 by 75 .. 475
  plot.CreateValueButtons(3);
  const int size = plot.nButtonSize;
  // Left to right, each inside the frame's top band, none overlapping, the
  // last one at the right edge and the value button three sizes wide.
  int previousRight = plot.nLeft;
  for (int i = 1; i <= plot.nButtons; ++i) {
    const CScreenButton& b = Button(plot, i);
    EXPECT_GT(b.RectLeft, previousRight) << i;
    EXPECT_LT(b.RectLeft, b.RectRight) << i;
    EXPECT_GT(b.RectTop, plot.nTop) << i;
    EXPECT_LT(b.RectBottom, plot.nTop + size) << i;
    EXPECT_LT(b.RectTop, b.RectBottom) << i;
    previousRight = b.RectRight;
  }
  EXPECT_EQ(Button(plot, 5).RectRight, plot.nRight - 1);
  EXPECT_EQ(Button(plot, 1).RectLeft, plot.nRight - 7 * size + 1);
  EXPECT_EQ(Button(plot, 2).RectRight - Button(plot, 2).RectLeft, size - 2);
  EXPECT_EQ(Button(plot, 1).RectRight - Button(plot, 1).RectLeft, 3 * size - 2);
}

TEST_F(PlotButtonsTest, EachButtonIsHitAloneAndNeverTheData) {
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.CreateValueButtons(12);
  const double y = plot.nTop + plot.nButtonSize / 2.0;
  for (int i = 1; i <= plot.nButtons; ++i) {
    const CScreenButton& b = Button(plot, i);
    const double centre = (b.RectLeft + b.RectRight) / 2.0;
    EXPECT_EQ(HitsAt(plot, centre, y), std::vector<int>{i});
    // What the window hands the plot for the same click is not data.
    float dx = 0, dy = 0;
    EXPECT_FALSE(plot.PointToData(static_cast<int>(centre / PlotSettings.AspectRatio),
                                  static_cast<int>(y), dx, dy));
  }
  // Below the band, and left of the row, nothing is hit.
  EXPECT_TRUE(HitsAt(plot, plot.nRight - 5, plot.nTop + plot.nButtonSize + 5).empty());
  EXPECT_TRUE(HitsAt(plot, plot.nRight - 8 * plot.nButtonSize, y).empty());
}

TEST_F(PlotButtonsTest, PlacingThePlotAgainMovesTheRow) {
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.CreateValueButtons(5);
  plot.Place(550, 100, 950, 500);
  EXPECT_EQ(Button(plot, 5).RectRight, plot.nRight - 1);
  for (int i = 1; i <= plot.nButtons; ++i) {
    EXPECT_EQ(Button(plot, i).RectTop, 551) << i;
    EXPECT_LT(Button(plot, i).RectBottom, 550 + plot.nButtonSize) << i;
  }
  // A larger button size takes effect at the next placement.
  plot.nButtonSize = 30;
  plot.PlaceButtons();
  EXPECT_EQ(Button(plot, 1).RectLeft, plot.nRight - 7 * 30 + 1);
}

TEST_F(PlotButtonsTest, LaterCallsOnlyRecaptionTheValueButton) {
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.CreateValueButtons(1);
  const CScreenButton* first = plot.pButtons[1].get();
  Button(plot, 3).On = true;  // state of the others survives
  plot.CreateValueButtons(250);
  ASSERT_EQ(plot.nButtons, 5);
  EXPECT_EQ(plot.pButtons[1].get(), first);
  EXPECT_EQ(first->Caption, "250");
  EXPECT_EQ(Shown(*first), std::vector<std::string>{"250"});
  EXPECT_TRUE(Button(plot, 3).On);
  EXPECT_EQ(Button(plot, 2).Caption, "X");
}

TEST_F(PlotButtonsTest, ASmallToggleKeepsItsNameWhenOn) {
  CWINPlot plot;
  plot.Place(75, 50, 475, 950);
  plot.CreateValueButtons(8);
  CScreenButton& e = Button(plot, 4);
  e.Toggle();
  ASSERT_TRUE(e.On);
  EXPECT_EQ(Shown(e), std::vector<std::string>{"e"});
}

}  // namespace
