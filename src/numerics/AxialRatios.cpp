// Axial ratios of hydrated ellipsoids of revolution from their frictional
// ratio: polynomial fits in sqrt(x) and x, x = F / (F of the hydrated sphere)
// - 1, to the inverse of Perrin's shape factors.

#include <cmath>

#include "numerics/Hydrodynamics.h"
#include "ui/Boxes.h"

namespace {

// p = 1 + a0 sqrt(x) + a1 x + a2 x^2 - a3 x^3 + a4 x^4
struct ShapeCoefficients {
  double a[5];
  const char* message;
};

constexpr ShapeCoefficients kProlate{
    {2.939184, 8.027775, 8.55676, 0.505951, 0.0361508},
    "(vbar+hydration*density)/vbar <= 0 in function CalculateProlateRatio"};
constexpr ShapeCoefficients kOblate{
    {3.009376, 8.413897, 13.34978, 3.18903, 0.106307},
    "(vbar+hydration*density)/vbar <= 0 in function CalculateOblateRatio"};

float AxialRatio(const ShapeCoefficients& c, double ff0, double vbar, double hydration,
                 double density) {
  // Volume of the hydrated over the anhydrous sphere; its cube root is the
  // frictional ratio of the hydrated sphere.
  const double q = (vbar + hydration * density) / vbar;
  if (!(q > 0)) {
    ErrorBox(c.message);
    return 0;
  }
  const double x = static_cast<float>(ff0 / std::pow(q, 1.0 / 3.0) - 1.0);
  if (x <= 0) return 0;
  const double* a = c.a;
  return static_cast<float>(1.0 + a[0] * std::sqrt(x) + a[1] * x + a[2] * x * x - a[3] * x * x * x +
                            a[4] * x * x * x * x);
}

}  // namespace

float CalculateProlateRatio(float ff0, float vbar, float hydration, float density) {
  return AxialRatio(kProlate, ff0, vbar, hydration, density);
}

float CalculateOblateRatio(float ff0, float vbar, float hydration, float density) {
  return AxialRatio(kOblate, ff0, vbar, hydration, density);
}

float CalculateProlateRatioFromMS(float mass, float s, float vbar, float hydration, float density,
                                  float relativeViscosity) {
  const float ff0 = FF0FromMassAndS(mass, s, vbar, density, relativeViscosity);
  return AxialRatio(kProlate, ff0, vbar, hydration, density);
}

float CalculateOblateRatioFromMS(float mass, float s, float vbar, float hydration, float density,
                                 float relativeViscosity) {
  const float ff0 = FF0FromMassAndS(mass, s, vbar, density, relativeViscosity);
  return AxialRatio(kOblate, ff0, vbar, hydration, density);
}
