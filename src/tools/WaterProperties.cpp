#include "tools/WaterProperties.h"

#include <array>
#include <cmath>

#include "numerics/PhysicalConstants.h"

namespace {

constexpr float kEta20 = PhysicalConstantsRecord::STANDARDVISCOSITY;
constexpr double kRho20 = 0.99823;

struct DensityCurve {
  double tMax;
  double k;
  double m;
};

constexpr std::array<DensityCurve, 4> kDensityCurves = {{
    {3.986, 1.0, 1.0},
    {11.22, 1.0555, 1.10602},
    {4.3, 1.0555, 1.11255},
    {11.46, 1.0555, 1.21691},
}};

// Measured viscosities (cP) of the oxygen-18 waters at 15, 20, ..., 35 C.
constexpr std::array<float, 5> kH2O18Table = {1.2008f, 1.0564f, 0.9381f, 0.84f, 0.7568f};
constexpr std::array<float, 5> kD2O18Table = {1.5057f, 1.315f, 1.1441f, 1.014f, 0.9072f};

float Interpolated(const std::array<float, 5>& table, float t) {
  int band = static_cast<int>(std::floor((t - 15.0f) / 5.0f));
  if (band > 3) band = 3;  // 35 C itself lies in the last band
  if (band < 0) band = 0;
  const float t0 = 15.0f + 5.0f * static_cast<float>(band);
  const float v0 = table[band];
  const float v1 = table[band + 1];
  return (v0 + (v1 - v0) * (t - t0) / 5.0f) * 0.001f;
}

float H2OViscosity(float t) {
  const double e = 20.0 - t;
  const float x = static_cast<float>(e / (t + 96.0) * (1.2364 - 0.00137 * e + 5.7e-6 * e * e));
  return static_cast<float>(std::pow(10.0, static_cast<double>(x)) * kEta20);
}

float D2OViscosity(float t) {
  return static_cast<float>(H2OViscosity(t - 6.498f) * 1.0544);
}

}  // namespace

float WaterDensity(int kind, float t) {
  if (kind < 0 || kind > 3) kind = 0;
  const DensityCurve& c = kDensityCurves[kind];
  const double d = t - c.tMax;
  return static_cast<float>((1.0 - d * d * c.k * (482.502 / (d + 77.861) + 1.74224) * 1e-6) *
                            c.m);
}

float WaterViscosity(int kind, float t) {
  const bool tabulated = t >= 15.0f && t <= 35.0f;
  switch (kind) {
    case kD2O:
      return D2OViscosity(t);
    case kH2O18:
      return tabulated ? Interpolated(kH2O18Table, t)
                       : static_cast<float>(D2OViscosity(t) * 0.8547008547008548);
    case kD2O18:
      return tabulated ? Interpolated(kD2O18Table, t)
                       : static_cast<float>(H2OViscosity(t) * 1.255);
    default:
      return H2OViscosity(t);
  }
}

BufferAtTemperature TranslateBuffer(float bufferDensity, float bufferViscosity, float t, int kind,
                                    float heavyFraction) {
  const double f = kind == kH2O ? 0.0 : heavyFraction;
  const double rho0 = WaterDensity(kH2O, t);
  const double rhoH = kind == kH2O ? rho0 : WaterDensity(kind, t);
  const double eta0 = WaterViscosity(kH2O, t);
  const double etaH = kind == kH2O ? eta0 : WaterViscosity(kind, t);
  BufferAtTemperature out;
  out.density = static_cast<float>(bufferDensity + (1 - f) * (rho0 - kRho20) + f * (rhoH - kRho20));
  const double r = (1 - f) * (eta0 / kEta20 - 1) + (bufferViscosity / kEta20 - 1) +
                   f * (etaH / kEta20 - 1);
  out.viscosity = static_cast<float>((r + 1) * kEta20);
  return out;
}
