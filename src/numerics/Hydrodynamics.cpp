// The Svedberg equation, spheres, frictional ratios, Stokes-Einstein and the
// conversion to standard conditions.

#include "numerics/Hydrodynamics.h"

#include <cmath>

#include "numerics/HydrodynamicsCommon.h"
#include "ui/Boxes.h"

using namespace hydro;

namespace {

float GlobalFrictionalRatio() {
  return DistributionSettings.StartingFrictionalRatio;
}

// Friction (g/s) of the sphere of mass M with a given relative viscosity.
double SphereFrictionWith(double mass, double vbar, double relativeViscosity) {
  if (mass <= 0 || vbar <= 0) return 0;
  return 6.0 * kPi * kEtaW * relativeViscosity * SphereRadius(mass, vbar) * 1000.0;
}

double StokesEinsteinD(double radius, double t) {
  return kKB * Kelvin(t) * 1e4 / (6.0 * kPi * kEtaW * SolventConditions.RELVISCOSITY * radius);
}

// D (cm^2/s) from the mass with a frictional ratio, in the current solvent.
float DFromMassWith(float mass, float t, float ff0) {
  if (mass == 0) return kDefaultD;
  const double f = 6.0 * kPi * kEtaW * SolventConditions.RELVISCOSITY * ff0 *
                   SphereRadius(mass, SolventConditions.VBAR);
  if (f == 0) return kDefaultD;
  return static_cast<float>(kKB * Kelvin(t) * 1e4 / f);
}

// Molar mass of the species of sedimentation coefficient s in the current
// solvent, once the guards have passed.
float MassOfS(float s, float ff0) {
  const double x =
      SphereX(s, ff0, kEtaW * SolventConditions.RELVISCOSITY, SolventConditions.VBAR, Buoyancy());
  if (x == 0) return 0;
  return static_cast<float>(MassFromSphereX(x));
}

// Ratio s20,w / s of the conversion to standard conditions.
double StandardConditionsFactor(double viscosity, double density, double vbar, double vbar20) {
  return (1.0 - vbar20 * kRhoW) * viscosity / ((1.0 - vbar * density) * kEtaW);
}

}  // namespace

float DFromMassAndS(float mass, float s, float t) {
  if (mass == 0 || s == 0) return kDefaultD;
  return static_cast<float>(std::fabs(kRgas * Kelvin(t) * s * 1e-13 / (mass * Buoyancy())));
}

float MFromSAndD(float s, float d, float t) {
  if (d <= 0) return 0;
  return static_cast<float>(s * 1e-13 * kRgas * Kelvin(t) / (d * Buoyancy()));
}

float SFromMassAndD(float mass, float d, float t) {
  return static_cast<float>(Buoyancy() * 1e13 * mass * d / (kRgas * Kelvin(t)));
}

float SFromMassAndFF0(float mass, float vbar, float t, float density, float ff0) {
  const double f = 6.0 * kPi * kEtaW * ff0 * SphereRadius(mass, vbar);
  // A massless particle has no friction and no s.
  if (f == 0) return 0;
  const float d = static_cast<float>(kKB * Kelvin(t) * 1e4 / f);
  return static_cast<float>((1.0 - vbar * density) * 1e13 * mass * d / (kRgas * Kelvin(t)));
}

float CalculateRadius(float mass, float vbar) {
  if (mass == 0 || vbar == 0) {
    ErrorBox("(mass == 0)||(vbar== 0) in function CalculateRadius");
    return 0;
  }
  const double volume = mass / kNA * vbar * 1e-6;
  if (volume <= 0) return 0;
  return static_cast<float>(std::pow(3.0 * volume / (4.0 * kPi), 0.333333333333333));
}

float MassFromRadius(float radius, float vbar) {
  if (radius <= 0 || vbar <= 0) return 0;
  const double cm = 100.0 * radius;
  return static_cast<float>(4.0 / 3.0 * kPi * cm * cm * cm * kNA / vbar);
}

float CalculateHydratedRadius(float mass) {
  if (mass == 0) {
    ErrorBox("mass <= 0 in function CalculateHydratedRadius");
    return 0;
  }
  if (SolventConditions.VBAR <= 0) {
    ErrorBox("VBAR <= 0 in function CalculateHydratedRadius");
    return 0;
  }
  const double volume = mass / kNA * (SolventConditions.VBAR + SolventConditions.Hydration) * 1e-6;
  return static_cast<float>(std::cbrt(3.0 * volume / (4.0 * kPi)));
}

float CalculateM(float s) {
  if (SolventConditions.VBAR <= 0) {
    ErrorBox("VBAR <= 0 in function CalculateM");
    return 0;
  }
  if (s == 0) return 0;
  return MassOfS(s, GlobalFrictionalRatio());
}

float CalculateMff02(float s, float ff0) {
  if (s == 0) return 0;
  if (SolventConditions.VBAR <= 0) {
    ErrorBox("VBAR <= 0 in function CalculateMff02");
    return 0;
  }
  return MassOfS(s, ff0);
}

float CalculateMassFromSedcoeffSphere(float s, float relativeViscosity, float vbar, float density) {
  if (s == 0) return 0;
  if (vbar <= 0) {
    ErrorBox("vbar <= 0 in function CalculateMassFromSedcoeffSphere");
    return 0;
  }
  const double x = SphereX(s, 1.0, kEtaW * relativeViscosity, vbar, 1.0 - vbar * density);
  if (x == 0) return 0;
  return static_cast<float>(MassFromSphereX(x));
}

float S20ToStokesRadius(float s20w, float vbar20) {
  if (vbar20 <= 0) {
    ErrorBox("vbar20 <= 0 in function S20ToStokesRadius");
    return 0;
  }
  const double ff0 = GlobalFrictionalRatio();
  const float x = static_cast<float>(SphereX(s20w, ff0, kEtaW, vbar20, 1.0 - vbar20 * kRhoW));
  const float mass = static_cast<float>(MassFromSphereX(x));
  return static_cast<float>(ff0 * SphereRadius(mass, vbar20));
}

float FrictionFromMassAndS(float mass, float s, float vbar, float density) {
  if (s == 0) return 0;
  return static_cast<float>(mass * (1.0 - vbar * density) / kNA / (s * 1e-13));
}

float SphereFriction(float mass, float vbar) {
  return static_cast<float>(SphereFrictionWith(mass, vbar, SolventConditions.RELVISCOSITY));
}

float FF0FromMassAndS(float mass, float s, float vbar, float density, float relativeViscosity) {
  if (mass == 0 || vbar == 0) return 0;
  const double f0 = SphereFrictionWith(mass, vbar, relativeViscosity);
  // Negative masses or volumes have no sphere to compare with.
  if (f0 == 0) return 0;
  return static_cast<float>(FrictionFromMassAndS(mass, s, vbar, density) / f0);
}

float DFromMassAndSWithViscosity(float mass, float s, float vbar, float t, float density,
                                 float relativeViscosity) {
  const double ff0 = FF0FromMassAndS(mass, s, vbar, density, relativeViscosity);
  const double f = 6.0 * kPi * kEtaW * relativeViscosity * ff0 * SphereRadius(mass, vbar);
  if (f == 0) return 0;
  return static_cast<float>(kKB * Kelvin(t) * 1e4 / f);
}

float DFromStokesRadius(float radius, float t) {
  if (radius <= 0) return 0;
  return static_cast<float>(StokesEinsteinD(radius, t));
}

float DFromRadius(float radius, float t) {
  return DFromStokesRadius(radius, t);
}

float DFromMass(float mass, float t) {
  return DFromMassWith(mass, t, GlobalFrictionalRatio());
}

float DFromMassAndFF0(float mass, float t, float ff0) {
  return DFromMassWith(mass, t, ff0);
}

float SToS20w(float s, float viscosity, float density, float vbar, float vbar20) {
  return static_cast<float>(s * StandardConditionsFactor(viscosity, density, vbar, vbar20));
}

float S20wToS(float s20w, float viscosity, float density, float vbar, float vbar20) {
  return static_cast<float>(s20w / StandardConditionsFactor(viscosity, density, vbar, vbar20));
}

float SToS20wBuffer(float s) {
  return SToS20w(s, static_cast<float>(kEtaW * SolventConditions.RELVISCOSITY),
                 SolventConditions.BufferDensity, SolventConditions.VBAR, SolventConditions.VBAR);
}

float S20wToSBuffer(float s20w) {
  return S20wToS(s20w, static_cast<float>(kEtaW * SolventConditions.RELVISCOSITY),
                 SolventConditions.BufferDensity, SolventConditions.VBAR, SolventConditions.VBAR);
}
