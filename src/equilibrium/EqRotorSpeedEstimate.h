#pragma once
// Rotor speeds for a multi-speed sedimentation-equilibrium experiment on a
// sample whose molar mass lies between a lowest and a highest value of
// interest, in closed form at 4 degrees Celsius: the first speed brings the
// highest mass to c(b)/c(m) = 5, the second the lowest to 10, the third
// depletes the meniscus of the lowest to 1 %. With the unit-loading
// equilibrium distributions at these speeds and the time the first
// equilibrium takes at constant speed.

#include <array>
#include <vector>

struct EqRotorSpeedPlan {
  float Rpm1 = 0, Rpm2 = 0, Rpm3 = 0;  // multiples of 100 (third: of 1000, 0 = none up to 60000)
  float Hours = 0;                     // time to the first equilibrium
  std::vector<float> Radii;            // 100 radii from meniscus to bottom
  // c(r): high mass at the three speeds, low mass at the three speeds, the
  // mean of the two at each speed.
  std::array<std::vector<float>, 9> Curves;
};

inline constexpr float kEstimateTemperatureC = 4.0f;

// The unit-loading equilibrium concentration at radius r of molar mass M at
// rpm, with buoyancy factor (1 - vbar rho), in a cell from m to b.
double UnitLoadingEquilibrium(double M, double buoyancy, double rpm, double m, double b, double r);

// Needs 0 < mLow, 0 < mHigh, meniscus < bottom and vbar rho < 1.
EqRotorSpeedPlan PlanEqRotorSpeeds(float mLow, float mHigh, float bottom, float meniscus,
                                   float vbar, float density);
