#include "plot/PlotSettings.h"

#include <cmath>

namespace {

platform::Font PlotFont(int height, int escapement) {
  const PlotSettingsRecord& s = PlotSettings;
  platform::Font font;
  font.height = height;
  font.width = s.FontWidth;
  font.escapement = escapement;
  font.orientation = s.FontOrientation;
  font.weight = s.FontWeight;
  font.italic = s.FontItalic;
  font.underline = s.FontUnderline;
  font.strikeOut = s.FontStrikeOut;
  font.family = s.FontFamily;
  return font;
}

}  // namespace

PlotSettingsRecord PlotSettings;

namespace {

// The fonts exist before any plot is made: they are created during the
// program's static initialisation, right after the record they live in.
struct FontsAtStartUp {
  FontsAtStartUp() { CreatePlotFonts(); }
};
const FontsAtStartUp fontsAtStartUp;

}  // namespace

void CreatePlotFonts() {
  PlotSettingsRecord& s = PlotSettings;
  s.hTickLabelFont = PlotFont(s.TickLabelFontHeight, s.FontEscapement);
  s.hTitleFont = PlotFont(s.TitleFontHeight, s.FontEscapement);
  s.hYTitleFont = PlotFont(s.TitleFontHeight, s.YTitleEscapement);
  s.hTopTitleFont = PlotFont(s.TopTitleFontHeight, s.FontEscapement);
}

int AspectScaled(int thousandths) {
  // The product is formed in double precision from the single-precision
  // aspect, so 50 gives 69 and 950 gives 1329.
  return static_cast<int>(static_cast<double>(thousandths) *
                          static_cast<double>(PlotSettings.AspectRatio));
}

int PlotSpaceWidth() {
  return static_cast<int>(std::floor(static_cast<double>(PlotSettings.AspectRatio) *
                                     static_cast<double>(PlotSettings.PlotHeight)));
}

int PlotSpaceHeight() {
  return static_cast<int>(std::floor(static_cast<double>(PlotSettings.PlotHeight)));
}

platform::Size PlotSpaceSize() {
  return platform::Size{PlotSpaceWidth(), PlotSpaceHeight()};
}
