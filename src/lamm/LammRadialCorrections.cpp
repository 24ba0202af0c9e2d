// Radial corrections of computed scans: the convolution by the detection cone
// of fluorescence optics, the excitation shadow at the cell bottom, the
// finite radial resolution of absorbance optics and the Wiener skewing of the
// optical path by a refractive-index gradient.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/RadialResolution.h"
#include "numerics/Resampling.h"

namespace {

// Relative tolerances of equal spacing: common radii are read from files at
// float precision, per-scan rows must agree exactly.
constexpr double kCommonSpacingTolerance = 1e-5;
constexpr double kPerScanSpacingTolerance = 1e-8;

bool SpacedLike(const float* r, int count, int first, double spacing, double tolerance) {
  for (int i = first; i <= count; ++i)
    if (std::fabs((static_cast<double>(r[i]) - r[i - 1]) - spacing) > tolerance) return false;
  return true;
}

}  // namespace

void CLammIdeal::TestOutputSpacing() {
  ConeGridKind = -1;
  bool equidistant = false;
  if (!PerScanRadii) {
    const float* r = OutputRadius;
    if (r && OutputPointCount >= 2)
      equidistant = SpacedLike(r, OutputPointCount, 3, static_cast<double>(r[2]) - r[1],
                               kCommonSpacingTolerance);
  } else if (ScanRadiusTable && ScanPointCounts && ScanCount >= 1 && ScanPointCounts[1] >= 2) {
    const float* first = ScanRadiusTable[1];
    const double spacing = static_cast<double>(first[2]) - first[1];
    equidistant = true;
    for (int k = 1; k <= ScanCount && equidistant; ++k)
      equidistant =
          SpacedLike(ScanRadiusTable[k], ScanPointCounts[k], 2, spacing, kPerScanSpacingTolerance);
  }
  ConeGridKind = equidistant ? 1 : 2;
}

void CLammIdeal::BuildConeKernel() {
  ConeKernel = OneBasedArray<float>();
  ConeKernelCount = 0;
  ConeFirstIndex = ConeLastIndex = 0;
  if (ConeGridKind != 1) return;
  const float* r = PerScanRadii ? ScanRadiusTable[1] : OutputRadius;
  const double a = static_cast<double>(r[2]) - r[1];
  if (!(a > 0)) {
    ConeGridKind = 2;
    return;
  }
  const double range = ConeConvolutionRange;
  const int n = static_cast<int>(std::ceil(range * ConeConvolutionWidth / a)) + 1;
  ConeKernelCount = std::max(n, 1);
  ConeKernel = OneBasedArray<float>(1, ConeKernelCount);
  for (int i = 1; i <= ConeKernelCount; ++i)
    ConeKernel[i] = static_cast<float>(std::exp(-(i * a) * (i * a) / (range * range)));
  if (PerScanRadii) return;
  // Output points outside the liquid carry no signal into their neighbours.
  const int count = OutputPointCount;
  for (int i = 1; i <= count && !ConeFirstIndex; ++i)
    if (r[i] >= Meniscus) ConeFirstIndex = i;
  for (int i = count; i >= 1 && !ConeLastIndex; --i)
    if (r[i] <= Bottom) ConeLastIndex = i;
}

namespace {

// Gaussian average of each point with its neighbours within +-reach, the
// point itself with weight 1. Radii beyond both ends are continued with the
// mean spacing and hold no signal, nor do neighbours outside the liquid.
void DirectConeConvolution(const float* v, const float* r, int count, double range, double reach,
                           double meniscus, double bottom, float* out) {
  const double spacing = count > 1 ? (static_cast<double>(r[count]) - r[1]) / (count - 1) : 0.0;
  const auto weight = [range](double d) { return std::exp(-d * d / (range * range)); };
  for (int i = 1; i <= count; ++i) {
    const double ri = r[i];
    double weights = 1.0, signal = v[i];
    for (int step : {-1, 1})
      for (int j = i + step; j >= 1 && j <= count && std::fabs(r[j] - ri) <= reach; j += step) {
        const double w = weight(r[j] - ri);
        weights += w;
        if (meniscus <= r[j] && r[j] <= bottom) signal += w * v[j];
      }
    if (spacing > 0) {
      for (double x = r[1] - spacing; ri - x <= reach; x -= spacing) weights += weight(x - ri);
      for (double x = r[count] + spacing; x - ri <= reach; x += spacing) weights += weight(x - ri);
    }
    out[i] = static_cast<float>(signal / weights);
  }
}

}  // namespace

void CLammIdeal::ApplyConeConvolution(float* values, const float* radii, std::int32_t count,
                                      float range, float widthInStd, float meniscus,
                                      float bottom) const {
  if (count < 1 || !values || !radii || !(range > 0)) return;
  std::vector<float> out(static_cast<std::size_t>(count) + 1);
  const double reach = static_cast<double>(range) * widthInStd;
  if (ConeGridKind == 1 && ConeFirstIndex && ConeLastIndex && ConeKernelCount > 0 && count > 1) {
    const double spacing = (static_cast<double>(radii[count]) - radii[1]) / (count - 1);
    const int h = std::clamp(static_cast<int>(std::floor(reach / spacing)), 0, ConeKernelCount);
    double norm = 1.0;
    for (int j = 1; j <= h; ++j) norm += 2.0 * ConeKernel[j];
    const int first = std::max(ConeFirstIndex, 1), last = std::min(ConeLastIndex, count);
    for (int i = 1; i <= count; ++i) {
      double sum = values[i];
      for (int j = 1; j <= h; ++j) {
        if (i + j >= first && i + j <= last) sum += ConeKernel[j] * values[i + j];
        if (i - j >= first && i - j <= last) sum += ConeKernel[j] * values[i - j];
      }
      out[static_cast<std::size_t>(i)] = static_cast<float>(sum / norm);
    }
  } else {
    DirectConeConvolution(values, radii, count, range, reach, meniscus, bottom, out.data());
  }
  std::copy(out.begin() + 1, out.end(), values + 1);
}

// The excitation light enters through the cell window in a cone of radius c;
// near the bottom part of that cone lies beyond the liquid, x = bottom - r
// being the distance of the cone's axis from the bottom.
void CLammIdeal::ApplyExcitationShadow(float* values, const float* radii, std::int32_t count,
                                       float bottom, float width) const {
  const double c = width;
  if (!(c > 0) || !values || !radii) return;
  for (int j = 1; j <= count; ++j) {
    const double x = static_cast<double>(bottom) - radii[j];
    if (x > c) continue;
    double factor = 0.0;
    if (x > -c) {
      const double e = std::acos(x / c);
      factor = 1 - (2 * c * c * e - x * c * std::sin(e)) / (2 * std::numbers::pi * c * c);
    }
    values[j] = static_cast<float>(values[j] * factor);
  }
}

void CLammIdeal::ApplyRadialResolution(std::int32_t n, double range, const double* radii,
                                       double* values) {
  if (n < 1 || !radii || !values) return;
  std::vector<double> local;
  double* out = ResolutionScratch;
  if (!out || n > GridSize) {
    local.resize(static_cast<std::size_t>(n) + 1);
    out = local.data();
  }
  lamm_detail::ResolveRadially(n, range, radii, values, out);
  std::copy(out + 1, out + n + 1, values + 1);
}

// A refractive-index gradient bends the light path, so the optics record the
// signal of a radius shifted in proportion to the local gradient of the
// quantity that sets the refractive index.
void CLammIdeal::ApplyWienerSkewing(std::int32_t n, const double* radii, double* values,
                                    std::int32_t count, const double* quantity) {
  if ((TimeResolutionOn && ScanVelocity > 0) || n != count) {
    WienerConflict = 1;
    return;
  }
  if (!quantity || !radii || !values || count < 1 || WienerArrayCount < count) return;
  double* shifted = WienerShiftedRadius.data();
  double* resampled = WienerResampled.data();
  for (int i = 1; i <= count; ++i) {
    double slope = 0.0;
    if (i == count && i > 1)
      slope = (quantity[i] - quantity[i - 1]) / (radii[i] - radii[i - 1]);
    else if (i > 1)
      slope = (quantity[i + 1] - quantity[i]) / (radii[i + 1] - radii[i]);
    shifted[i] = radii[i] + WienerSkewingMagnitude * slope;
    if (i > 1 && shifted[i] < shifted[i - 1] + 1e-6) shifted[i] = shifted[i - 1] + 1e-6;
    resampled[i] = values[i];  // kept where the resampling cannot reach
  }
  ResampleCurveDouble(count, radii, resampled, count, shifted, values);
  std::copy(resampled + 1, resampled + count + 1, values + 1);
}
