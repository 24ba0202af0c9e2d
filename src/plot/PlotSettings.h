#pragma once
// The constants every plot shares: the size of the plot space, tick lengths,
// the four plot fonts, and the flags that a rendering sets while it runs.
// One record for the whole program; all plots are drawn on the user-interface
// thread, one rendering at a time, so nothing here is locked.

#include "platform/DrawingTools.h"
#include "platform/Geometry.h"

struct PlotSettingsRecord {
  // Set by curve drawing when a drawn point lies outside a range that the
  // layout computes; a rendering clears it before its curves and reads it
  // after them.
  int PointOutsideRange = 0;
  int TickLabelFontHeight = 17;
  int TitleFontHeight = 19;
  int TopTitleFontHeight = 32;
  // Logical-font fields shared by the four fonts.
  int FontWidth = 0;
  int FontEscapement = 0;
  int FontOrientation = 0;
  int YTitleEscapement = 900;  // the y title reads upwards
  int FontWeight = 400;
  bool FontItalic = false;
  bool FontUnderline = false;
  bool FontStrikeOut = false;
  // A proportional serif face chosen by family, not by name.
  platform::FontFamily FontFamily = platform::FontFamily::Roman;
  int TextGap = 2;
  // Held in single precision on purpose: the float nearest 1.4 lies just
  // below it, which makes the plot space 1399 units wide, not 1400.
  float AspectRatio = 1.4f;
  float PlotHeight = 1000.0f;
  // Set by rendering around MakeTicks for an axis whose values are decimal
  // logarithms.
  int LogTickMode = 0;
  int ErrorBarCapWidth = 8;
  int MinorTickLength = 5;
  int MajorTickLength = 8;
  int MinMajorTicks = 3;
  int TicksAllSides = 1;
  platform::Font hTickLabelFont;
  platform::Font hTitleFont;
  platform::Font hYTitleFont;
  platform::Font hTopTitleFont;
};

extern PlotSettingsRecord PlotSettings;

// Fills in the four plot fonts from the logical-font fields above. Runs once
// at start-up; tool screens may put other fonts in their place afterwards.
void CreatePlotFonts();

// The width of the plot space: the aspect times the height, truncated.
int PlotSpaceWidth();
int PlotSpaceHeight();
platform::Size PlotSpaceSize();
// A horizontal position given in thousandths of the height-unit width
// (0 .. 1000), times the aspect, truncated toward zero.
int AspectScaled(int thousandths);
