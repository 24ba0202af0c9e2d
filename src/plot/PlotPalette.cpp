// The ten-colour palette of curves and the colour ramp of colour-coded
// points.
#include <algorithm>
#include <cmath>

#include "plot/CWINPlot.h"

using platform::Color;
using platform::Rgb;

void CWINPlot::InitPalette() {
  pPalette = {Rgb(0, 0, 0),       Rgb(255, 0, 0),   Rgb(255, 255, 0), Rgb(0, 255, 0),
              Rgb(255, 100, 100), Rgb(0, 255, 255), Rgb(0, 0, 255),   Rgb(100, 200, 255),
              Rgb(255, 0, 255),   Rgb(100, 100, 0)};
}

Color CWINPlot::PaletteColor(int i) const {
  if (i < 0) return Rgb(200, 200, 200);
  return pPalette[static_cast<std::size_t>(i % 10)];
}

void CWINPlot::SetPaletteColor(int i, Color color) {
  if (i >= 0 && i <= 9) pPalette[static_cast<std::size_t>(i)] = color;
}

namespace {

struct Fractions {
  float r = 0;
  double g = 0;  // see the cyan-to-yellow range
  double b = 0;
};

// A fraction of full intensity as a colour component. Rounding residues just
// outside 0 .. 1 (a value exactly on a threshold in single precision) must
// not wrap around to the opposite end of the byte.
int Component(double fraction) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  return static_cast<int>(std::floor(255.0 * fraction));
}

// The default ramp runs white, blue, cyan, yellow, red, dark red; the
// alternative one starts grey and violet and ends in black.
Fractions Ramp(double v, bool alternative) {
  Fractions f;
  if (v <= 0.2f) {
    if (!alternative) {
      f.r = static_cast<float>(1 - v / 0.2);
      f.g = f.r;
      f.b = 1;
    } else if (v <= 0.05f) {
      const double up = v / 0.05, down = (0.05 - v) / 0.05;
      f.r = static_cast<float>(up * (150.0 / 255) + down * (100.0 / 255));
      f.g = static_cast<float>(down * (100.0 / 255));
      f.b = static_cast<float>(up * (211.0 / 255) + down * (100.0 / 255));
    } else {
      f.r = static_cast<float>((1 - v / 0.2) * (150.0 / 255));
      f.g = 0;
      f.b = static_cast<float>(v / 0.2 + ((0.2 - v) / 0.2) * (211.0 / 255));
    }
  } else if (v <= 0.4f) {
    f.r = 0;
    f.g = static_cast<float>((v - 0.2) / 0.2);
    f.b = 1;
  } else if (v <= 0.65f) {
    f.r = static_cast<float>((v - 0.4) / 0.25);
    f.g = 1;
    // The blue fraction is the complement of the stored red one.
    f.b = 1.0 - static_cast<double>(f.r);
  } else if (v <= 0.9f) {
    f.r = 1;
    f.g = static_cast<float>(1 - (v - 0.65) / 0.25);
    f.b = 0;
  } else {
    f.r = static_cast<float>(alternative ? 1 - (v - 0.9) / 0.1 : 1 - (v - 0.9) / 0.4);
    f.g = 0;
    f.b = 0;
  }
  return f;
}

}  // namespace

Color CWINPlot::ValueToColor(double v) const {
  if (bMinusOneBlack && v == -1.0) return platform::kBlack;
  if ((bMinusOneHidden || bMinusOneWhite) && v == -1.0) return platform::kWhite;
  // A value that is not a number counts as 0.
  if (!(v >= 0)) v = 0;
  if (v > 1) v = 1;
  const Fractions f = Ramp(v, bAltColorRamp);
  return Rgb(Component(f.r), Component(f.g), Component(f.b));
}
