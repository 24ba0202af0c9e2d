#pragma once
// The residual bitmap: a picture of the misfit over the whole data set, one
// row of pixels per scan (earliest on top) and one column per radius of the
// common grid's fit range, shaded by the residual there, so that systematic
// patterns (noise, a misplaced meniscus, a missing species) stand out. The
// main window draws it over the residual plot; the copy command puts it on
// the clipboard.

#include <functional>
#include <utility>

#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Platform.h"
#include "platform/RgbImage.h"

struct ResidualBitmapOptionsRecord {
  bool BlackAndWhite = true;      // "Black and White"
  bool ContinuousShading = true;  // "Continuous Shading"
  // Over- and under-range points in magenta and red ("with red/magenta
  // highlight of extremes?"), in black-and-white continuous shading.
  bool HighlightExtremes = true;
  // The residual that maps to full brightness; 0 scales to the residual plot.
  float FullScale = 0.05f;
};

extern ResidualBitmapOptionsRecord ResidualBitmapOptions;

// What the bitmap needs of the main window, which installs both. The two
// y-range bounds of the residual plot (until installed: none, 0 and 0).
extern std::function<std::pair<float, float>()> ResidualPlotYRange;
// Puts a bitmap on the clipboard for the window; true when it is there. The
// platform's clipboard unless replaced.
extern std::function<bool(platform::WindowHandle, const platform::RgbImage&)> PutBitmapOnClipboard;

// Shifts subtracted from a pixel's red, green and blue inside the peak region.
struct ResidualTint {
  int t1 = 0, t2 = 0, t3 = 0;
};

// The residual that maps to full brightness: three times the rmsd for
// fluorescence data, else the full-scale option, else the larger magnitude of
// the residual plot's y bounds.
float ResidualBitmapScale();
// The colour of a residual v at scale r in the shading the options choose.
platform::Color ResidualPixelColour(float v, float r, const ResidualTint& tint,
                                    const ResidualBitmapOptionsRecord& options);
// The bitmap of the loaded set after refreshing the residuals; empty without
// data or grid. The peak-region tint only when asked for.
platform::RgbImage BuildResidualBitmap(bool withPeakTint);
// Where the bitmap goes in the main window, in client pixels: across the
// residual plot (less the histogram when that is shown), one pixel row per
// scan, just above the plot.
platform::Rect ResidualBitmapPlace();
// Draws the bitmap, stretched to its place, into the window's canvas in its
// pixel mapping.
void DrawResidualBitmap(platform::Canvas& window);
// The bitmap without the peak tint onto the clipboard; false without data or
// without a clipboard.
bool CopyResidualBitmap(platform::WindowHandle window);

// Colours of a bit depth: 2, 4, 16, 256, 65536, else 16777216.
long BitsToColourCount(int bits);
