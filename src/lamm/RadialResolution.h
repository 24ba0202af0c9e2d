#pragma once
// Finite radial resolution of absorbance optics. The detector slit averages
// light, not absorbance: transmittances 10^-A are averaged with a Gaussian
// slit function over +-2 sigma and turned back into an absorbance. The range
// is the full width at half maximum of the slit; sigma = 0.4246 range.
// Absorbances of 100 or more (no light) are left alone.

#include <cmath>
#include <cstdint>

namespace lamm_detail {

inline constexpr double kSigmaPerHalfMaximumWidth = 0.42462845010615713;

// out[i] for i = 1..n from values[1..n] at ascending radii[1..n] (one-based);
// out and values must be distinct arrays.
template <class T>
void ResolveRadially(std::int32_t n, double range, const T* radii, const T* values, T* out) {
  const double sigma = kSigmaPerHalfMaximumWidth * range;
  const double reach = 2 * sigma;
  for (std::int32_t i = 1; i <= n; ++i) {
    out[i] = values[i];
    if (!(values[i] < 100) || !(sigma > 0)) continue;
    const double ri = radii[i];
    double weights = 0.0, light = 0.0;
    std::int32_t lo = i, hi = i;
    while (lo > 1 && ri - radii[lo - 1] <= reach) --lo;
    while (hi < n && radii[hi + 1] - ri <= reach) ++hi;
    for (std::int32_t j = lo; j <= hi; ++j) {
      const double d = radii[j] - ri;
      const double w = std::exp(-d * d / (sigma * sigma));
      weights += w;
      light += w * std::pow(10.0, -static_cast<double>(values[j]));
    }
    if (weights > 0 && light > 0) out[i] = static_cast<T>(-std::log10(light / weights));
  }
}

}  // namespace lamm_detail
