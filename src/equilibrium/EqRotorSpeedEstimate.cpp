#include "equilibrium/EqRotorSpeedEstimate.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "equilibrium/TimeToEqParameters.h"
#include "numerics/Hydrodynamics.h"

namespace {

constexpr double kTwoR = 1.662902e8;  // 2 R, erg/(mol K)
constexpr double kKelvin = kEstimateTemperatureC + 273.15;
// Relative viscosity and frictional ratio of a moderately globular protein
// in the cold, and the accuracy of the time estimate.
constexpr float kColdViscosity = 1.6f, kGlobularFF0 = 1.3f, kTimeAccuracy = 0.01f;
constexpr double kMeniscusDepletion = 0.01;

double RpmOf(double omega) { return omega * 60.0 / (2.0 * std::numbers::pi); }
float Floor100(double rpm) { return static_cast<float>(100.0 * std::floor(rpm / 100.0)); }

}  // namespace

double UnitLoadingEquilibrium(double M, double buoyancy, double rpm, double m, double b, double r) {
  const double omega = rpm * 2.0 * std::numbers::pi / 60.0;
  const double sigma = M * buoyancy * omega * omega / (kTwoR * kKelvin);
  const double x = sigma * (b * b - m * m);
  if (x == 0.0) return 1.0;
  // exp(sigma r^2) over its mean between m and b, written from the bottom so
  // that nothing overflows.
  return x / -std::expm1(-x) * std::exp(sigma * (r * r - b * b));
}

EqRotorSpeedPlan PlanEqRotorSpeeds(float mLow, float mHigh, float bottom, float meniscus,
                                   float vbar, float density) {
  EqRotorSpeedPlan plan;
  const double b = bottom, m = meniscus, buoyancy = 1.0 - vbar * density;
  const double K = kTwoR * kKelvin / ((b * b - m * m) * buoyancy);
  const double omega1 = std::sqrt(std::log(5.0) * K / mHigh);
  const double omega2 = std::sqrt(std::log(10.0) * K / mLow);
  plan.Rpm1 = Floor100(RpmOf(omega1));
  plan.Rpm2 = Floor100(RpmOf(omega2));
  for (int rpm = 1000; rpm <= 60000; rpm += 1000)
    if (UnitLoadingEquilibrium(mLow, buoyancy, rpm, m, b, m) <= kMeniscusDepletion) {
      plan.Rpm3 = static_cast<float>(rpm);
      break;
    }

  constexpr int n = 100;
  plan.Radii.resize(n + 1);
  for (auto& c : plan.Curves) c.assign(n + 1, 0.0f);
  const float speeds[3] = {plan.Rpm1, plan.Rpm2, plan.Rpm3};
  for (int j = 1; j <= n; ++j) {
    const double r = m + (j - 1) * (b - m) / (n - 1);
    plan.Radii[j] = static_cast<float>(r);
    for (int k = 0; k < 3; ++k) {
      const double high = UnitLoadingEquilibrium(mHigh, buoyancy, speeds[k], m, b, r);
      const double low = UnitLoadingEquilibrium(mLow, buoyancy, speeds[k], m, b, r);
      plan.Curves[k][j] = static_cast<float>(high);
      plan.Curves[3 + k][j] = static_cast<float>(low);
      plan.Curves[6 + k][j] = static_cast<float>(0.5 * (high + low));
    }
  }

  auto hours = [&](float M) {
    const float s = SFromMassAndFF0(M, vbar, kEstimateTemperatureC, density, kColdViscosity) /
                    kGlobularFF0;
    const float D = DFromMassAndS(M, s, kEstimateTemperatureC);
    return EstimateTimeToEquilibrium(static_cast<float>(RpmOf(omega1)), kEstimateTemperatureC, M,
                                     vbar, density, bottom, meniscus, D, kTimeAccuracy);
  };
  plan.Hours = std::max(hours(mHigh), hours(mLow));
  return plan;
}
