// Data values of a plot and pixels of the main window.
#include <gtest/gtest.h>

#include <cmath>

#include "DisplayTestSupport.h"
#include "display/WindowCoordinates.h"

namespace {

class WindowCoordinates : public DisplayTest {
 protected:
  // A data plot mapping 6.0 .. 7.0 cm onto the plot-space columns 100 ..
  // 1300 and 0 .. 1 onto rows 450 .. 50.
  void MakePlot() {
    plot.fXScale = 1200.0f;
    plot.fXOffset = 100.0f - 6.0f * 1200.0f;
    plot.fYScale = -400.0f;
    plot.fYOffset = 450.0f;
  }
  void SetClient(float width, float height) {
    MainPlotLayout.ClientWidth = width;
    MainPlotLayout.ClientHeight = height;
  }
  CWINPlot plot;
};

TEST_F(WindowCoordinates, PlotSpaceColumnOnTheSameWindowColumnAt1400Pixels) {
  MakePlot();
  SetClient(1400, 1000);
  EXPECT_EQ(display::ValueToWindowX(plot, 6.0f), 100);
  SetClient(700, 500);
  EXPECT_EQ(display::ValueToWindowX(plot, 6.0f), 50);
}

TEST_F(WindowCoordinates, ValuesAndColumnsRoundTrip) {
  MakePlot();
  for (float width : {700.0f, 1121.0f, 1400.0f, 1920.0f}) {
    SetClient(width, 0.7f * width);
    for (int x = 100; x < static_cast<int>(width) - 50; x += 37) {
      const float v = display::WindowXToValue(plot, x);
      // Two truncations to whole plot units (width / 1400 pixels each) and
      // one to a whole column.
      EXPECT_NEAR(display::ValueToWindowX(plot, v), x, 1.0 + 2 * width / 1400.0)
          << width << " " << x;
    }
    for (float v = 6.0f; v <= 7.0f; v += 0.05f) {
      const int x = display::ValueToWindowX(plot, v);
      // One column spans 1400 / width plot units, 1 / 1200 cm each.
      EXPECT_NEAR(display::WindowXToValue(plot, x), v, (1.0 + 2 * 1400.0 / width) / 1200.0)
          << width << " " << v;
    }
  }
}

TEST_F(WindowCoordinates, RowsGiveValuesOfTheYAxis) {
  MakePlot();
  SetClient(1400, 500);
  EXPECT_NEAR(display::WindowYToValue(plot, 25), 1.0f, 1e-6f);   // plot row 50
  EXPECT_NEAR(display::WindowYToValue(plot, 225), 0.0f, 1e-6f);  // plot row 450
  EXPECT_EQ(display::PlotRowToWindowY(475.0f), 237);
}

TEST_F(WindowCoordinates, LogarithmicAxes) {
  plot.bLogX = true;
  plot.fXScale = 600.0f;  // one decade over 600 units
  plot.fXOffset = 100.0f;
  plot.nLeft = 105;
  plot.nLogFloorOffset = 20;
  SetClient(1400, 1000);
  EXPECT_EQ(display::ValueToWindowX(plot, 10.0f), 700);
  EXPECT_EQ(display::ValueToWindowX(plot, 0.0f), 85);  // inside the frame's left edge
  EXPECT_NEAR(display::WindowXToValue(plot, 700), 10.0f, 1e-4f);
}

TEST_F(WindowCoordinates, EmptyClientAreaGivesPlotPositionZero) {
  MakePlot();
  SetClient(0, 0);
  EXPECT_EQ(display::ValueToWindowX(plot, 6.5f), 0);
  EXPECT_FLOAT_EQ(display::WindowXToValue(plot, 300), (0.0f - plot.fXOffset) / plot.fXScale);
  EXPECT_FLOAT_EQ(display::WindowYToValue(plot, 300), (0.0f - plot.fYOffset) / plot.fYScale);
}

}  // namespace
