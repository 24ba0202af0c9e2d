#pragma once
// Shorthands shared by the hydrodynamic conversion files.

#include <cmath>

#include "state/DistributionSettingsRecords.h"
#include "numerics/PhysicalConstants.h"
#include "state/SolventConditions.h"

namespace hydro {

constexpr double kNA = PhysicalConstantsRecord::AvogadroNumber;
constexpr double kKB = PhysicalConstantsRecord::BoltzmannConstant;
constexpr double kPi = PhysicalConstantsRecord::Pi;
constexpr double kEtaW = PhysicalConstantsRecord::STANDARDVISCOSITY;
constexpr double kRhoW = PhysicalConstantsRecord::StandardWaterDensity;
constexpr double kRgas = PhysicalConstantsRecord::GasConstantSDM;
constexpr float kDefaultD = PhysicalConstantsRecord::DefaultD;

inline double Kelvin(double t) {
  return t + 273.15;
}

// 1 - vbar rho of the loaded run.
inline double Buoyancy() {
  return 1.0 - SolventConditions.VbarRho;
}

// Radius (m) of the anhydrous sphere of molar mass M. Taken of |M| so that
// the mirrored masses of species moving against their buoyancy keep a size.
inline double SphereRadius(double mass, double vbar) {
  return std::pow(3.0 * std::fabs(mass) * vbar * 1e-6 / (4.0 * kPi * kNA), 1.0 / 3.0);
}

// phi(vbar), with SphereRadius = phi * (M / N_A)^(1/3).
inline double RadiusFactor(double vbar) {
  return std::pow(3.0 * vbar * 1e-6 / (4.0 * kPi), 0.333333333333);
}

// Mass of the sphere whose s is s: from s = M (1 - vbar rho) / (N_A f) with
// f = ff0 * 6 pi eta r0, (M / N_A)^(2/3) = x. x < 0 (s against the buoyancy)
// gives the mirrored mass -N_A |x|^1.5 rather than no number at all.
inline double MassFromSphereX(double x) {
  return x < 0 ? -kNA * std::pow(-x, 1.5) : kNA * std::pow(x, 1.5);
}

inline double SphereX(double s, double ff0, double viscosity, double vbar, double buoyancy) {
  return ff0 * 6.0 * kPi * viscosity * 1000.0 * RadiusFactor(vbar) * s * 1e-13 / buoyancy;
}

}  // namespace hydro
