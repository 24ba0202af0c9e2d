#include "data/ResidualBitmap.h"

#include <algorithm>
#include <cmath>

#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/MainPlotLayout.h"
#include "state/PeakRegion.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"
#include "numerics/Resampling.h"
#include "state/Links.h"

ResidualBitmapOptionsRecord ResidualBitmapOptions;

std::function<std::pair<float, float>()> ResidualPlotYRange = links::Unwired;
std::function<bool(platform::WindowHandle, const platform::RgbImage&)> PutBitmapOnClipboard =
    [](platform::WindowHandle, const platform::RgbImage& image) {
      return platform::Current().SetClipboardBitmap(image);
    };

namespace {

constexpr ResidualTint kBluerTint{25, 25, -50};
constexpr ResidualTint kRedderTint{-50, 25, 25};

platform::Color Clamped(int red, int green, int blue) {
  return platform::Rgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255),
                       std::clamp(blue, 0, 255));
}

// How far a point lies beyond full scale, as a brightness: floor(255 d^2)
// capped at 255, d the distance of v / r beyond +1 or -1.
int Excess(double d) {
  const double e = std::floor(255.0 * d * d);
  return e >= 255.0 ? 255 : static_cast<int>(e);
}

// The tint of scan i at a grid radius: inside the scan's peak region (its
// two point indices both set and within the scan) or none.
ResidualTint PeakTint(int i, float radius) {
  const auto& p = PeakRegion;
  if (!p.On) return {};
  const auto slot = static_cast<std::size_t>(i);
  if (slot >= p.FirstPoint.size() || slot >= p.LastPoint.size()) return {};
  const int a = p.FirstPoint[slot], b = p.LastPoint[slot];
  const int n = ScanDataSet.ScanPointCount[i];
  if (a < 1 || b < 1 || a > n || b > n) return {};
  const float ra = ScanDataSet.ScanRadius[i][a], rb = ScanDataSet.ScanRadius[i][b];
  if (radius < std::min(ra, rb) || radius > std::max(ra, rb)) return {};
  return p.AlternativeTint ? kRedderTint : kBluerTint;
}

}  // namespace

float ResidualBitmapScale() {
  if (ScanReaderOptions.FluorescenceData) return 3.0f * ScanRmsd();
  if (ResidualBitmapOptions.FullScale != 0.0f) return ResidualBitmapOptions.FullScale;
  const auto [low, high] = ResidualPlotYRange();
  return std::max(std::fabs(low), std::fabs(high));
}

platform::Color ResidualPixelColour(float v, float r, const ResidualTint& t,
                                    const ResidualBitmapOptionsRecord& options) {
  // The level -128..127 of the residual on the scale. It is formed and
  // limited in floating point: a tiny scale must not overflow the integer,
  // and without a scale (none positive) every point is at level 0.
  const double q = r > 0.0f ? static_cast<double>(v) / r : 0.0;
  const double raw = std::floor(128.0 * q);
  const int e = std::isnan(raw) ? 0 : static_cast<int>(std::clamp(raw, -128.0, 127.0));
  const int g = e + 128;
  if (options.BlackAndWhite && options.ContinuousShading) {
    if (options.HighlightExtremes && e == 127)
      return Clamped(255 - t.t1, 255 - Excess(q - 1.0), 255);
    if (options.HighlightExtremes && e == -128) return Clamped(Excess(q + 1.0), 0, 0);
    return Clamped(g - t.t1, g - t.t2, g - t.t3);
  }
  if (options.BlackAndWhite) {
    if (e > 0) return platform::kWhite;
    if (e < 0) return platform::kBlack;
    return platform::Rgb(128, 128, 128);
  }
  if (options.ContinuousShading) {
    // A red - grey - blue ramp.
    if (e > 0) return Clamped(128 + e - t.t1, 128 - e - t.t2, 128 - e - t.t3);
    if (e < 0) return Clamped(128 + e - t.t1, 128 + e - t.t2, 128 - e - t.t3);
    return Clamped(128 - t.t1, 128 - t.t2, 128 - t.t3);
  }
  if (e > 0) return platform::Rgb(255, 0, 0);
  if (e < 0) return platform::Rgb(0, 0, 255);
  return platform::kWhite;
}

platform::RgbImage BuildResidualBitmap(bool withPeakTint) {
  UpdateResiduals(false);
  const auto& d = ScanDataSet;
  const auto& grid = CommonRadialGrid;
  const int size = grid.CommonGridSize;
  if (d.NFILES <= 0 || size <= 0 || grid.CommonGrid == nullptr) return {};
  const int first = std::max(1, grid.GridFirstFitIndex);
  const int last = std::min(size, grid.GridLastFitIndex);
  if (last < first) return {};
  platform::RgbImage image(last - first + 1, d.NFILES);
  const float r = ResidualBitmapScale();
  OneBasedArray<float> resampled(1, size);
  for (int n = 1; n <= d.NFILES; ++n) {
    const int i = d.ScanTimeOrder[n];
    // The resampling writes nothing for scans too short to resample: those
    // rows stay at residual 0.
    for (int j = 1; j <= size; ++j) resampled[j] = 0.0f;
    ResampleCurve(size, grid.CommonGrid, resampled.data(), d.ScanPointCount[i],
                  d.ScanRadius[i].data(), d.ScanResiduals[i].data());
    for (int j = first; j <= last; ++j) {
      const ResidualTint tint = withPeakTint ? PeakTint(i, grid.CommonGrid[j]) : ResidualTint{};
      image.Set(j - first, n - 1,
                ResidualPixelColour(resampled[j], r, tint, ResidualBitmapOptions));
    }
  }
  return image;
}

platform::Rect ResidualBitmapPlace() {
  const auto& l = MainPlotLayout;
  const double w = l.ClientWidth, h = l.ClientHeight;
  const int scans = ScanDataSet.NFILES;
  // Horizontal layout values carry the plot space's aspect 1.4, taken
  // exactly (14/10) so that whole products stay whole.
  const auto scaled = [](int thousandths) { return std::floor(thousandths * 14.0 / 10.0); };
  const int span =
      l.PlotRight - l.PlotLeft - (MainDisplayOptions.ShowResidualsHistogram ? l.HistogramWidth : 0);
  const int x = static_cast<int>(std::floor(scaled(l.PlotLeft) * w / 1400.0));
  const int width = static_cast<int>(std::floor(scaled(span) * w / 1400.0));
  const int y = static_cast<int>(std::floor(l.ResidualTop * h / 1000.0)) - scans +
                static_cast<int>(std::floor(scans * h / 1000.0));
  return platform::Rect{x, y, x + width, y + scans};
}

void DrawResidualBitmap(platform::Canvas& window) {
  const platform::RgbImage image = BuildResidualBitmap(true);
  if (image.IsEmpty()) return;
  window.DrawImage(ResidualBitmapPlace(), image);
}

bool CopyResidualBitmap(platform::WindowHandle window) {
  const platform::RgbImage image = BuildResidualBitmap(false);
  if (image.IsEmpty()) return false;
  return PutBitmapOnClipboard(window, image);
}

long BitsToColourCount(int bits) {
  switch (bits) {
    case 1:
      return 2;
    case 2:
      return 4;
    case 4:
      return 16;
    case 8:
      return 256;
    case 16:
      return 65536;
    default:
      return 16777216;
  }
}
