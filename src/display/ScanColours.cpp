#include "display/ScanColours.h"

#include <algorithm>
#include <cmath>

#include "data/ScanDataSet.h"
#include "state/MainPlotLayout.h"

namespace display {

namespace {

int Fraction255(float c) {
  return static_cast<int>(std::floor(255.0f * c));
}

// The seven base colours of the cycle.
constexpr int kBaseColours[7][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},    {200, 200, 0},
                                    {255, 0, 255}, {0, 255, 255}, {125, 125, 125}};

}  // namespace

platform::Color RampColourAt(float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  // Single-precision breakpoints; the spans between them are formed from
  // those same values so that each segment starts and ends at a whole colour.
  constexpr float b1 = 0.2f, b2 = 0.4f, b3 = 0.65f, b4 = 0.9f;
  float red = 0, green = 0, blue = 0;
  if (t <= b1) {
    blue = t / b1;
  } else if (t <= b2) {
    green = (t - b1) / (b2 - b1);
    blue = 1;
  } else if (t <= b3) {
    red = (t - b2) / (b3 - b2);
    green = 1;
    blue = 1 - (t - b2) / (b3 - b2);
  } else if (t <= b4) {
    red = 1;
    green = 1 - (t - b3) / (b4 - b3);
  } else {
    // Falls to three quarters of full red at t = 1.
    red = 1 - (t - b4) / (4 * (1 - b4));
  }
  return platform::Rgb(Fraction255(red), Fraction255(green), Fraction255(blue));
}

platform::Color RampColour(int a, int b) {
  if (b == 0) return platform::kBlack;
  return RampColourAt(static_cast<float>(a) / static_cast<float>(b));
}

platform::Color CycleColour(int i, int scanCount) {
  if (scanCount <= 0) return platform::kBlack;
  const bool dimmed = i > 14;
  const int k = dimmed ? i - 14 : i;
  if (k < 1 || k > scanCount) return platform::kBlack;
  int red, green, blue;
  if (k <= 7) {
    const int lower = dimmed ? 70 : 0;
    const auto dim = [lower](int c) { return c != 0 ? c - lower : 0; };
    red = dim(kBaseColours[k - 1][0]);
    green = dim(kBaseColours[k - 1][1]);
    blue = dim(kBaseColours[k - 1][2]);
  } else {
    const int u = 40 * k - 280, v = 495 - 30 * k;
    const int lower = dimmed ? 50 : 0;
    green = ((k - 7) % 2 == 1 ? u : v) - lower;
    red = ((k - 8) % 2 == 1 ? u : v) - lower;
    blue = ((k - 7) % 3 != 0 ? u : v) - lower;
  }
  // Components wrap modulo 256, as packing them into a colour value does.
  return platform::Rgb(red, green, blue);
}

platform::Color ScanColour(int i) {
  const int scans = ScanDataSet.NFILES;
  if (scans <= 0) return platform::kBlack;
  if (MainDisplayOptions.ScanColourFromTime) return RampColour(i, scans);
  return CycleColour(i, scans);
}

}  // namespace display
