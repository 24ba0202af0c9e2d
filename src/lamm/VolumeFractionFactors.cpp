#include "lamm/VolumeFractionFactors.h"

#include <cmath>

#include "numerics/PhysicalConstants.h"

bool StickyHardSpheres = false;

namespace {

// The constants of the hydrodynamic factors.
const double kHardSphereKsSlope = 6.55;  // limiting slope of the hard-sphere s factor
const double kSedExponent = 4.27;
const double kSedDenominator = 2.28;
const double kStickyWeight = 0.89;
const double kStickyScale = 0.43;
const double kStickyExponent = 1.85;
const float kZeroCelsius = 273.15f;

bool OutsideModel(double phi) {
  return phi <= 0.0 || phi > 1.0;
}

bool OutsideStickyModel(double phi, double tau) {
  return OutsideModel(phi) || tau <= 0.0;
}

// The diffusion factor Ks/S; at a fully packed phi = 1 both vanish and the
// ratio tends to 0 like (1 - phi)^0.27.
double Ratio(double ks, double thermo) {
  return thermo == 0.0 ? 0.0 : ks / thermo;
}

double VolumeFractionOfSD(double c, double k, double s, double D, double vbar, double rho, double T,
                          double relativeViscosity) {
  const double mass = MassFromSD(s, D, vbar * rho, T);
  const double ff0 = FrictionalRatioFromMS(mass, s, vbar, rho, relativeViscosity);
  return VolumeFractionOfConc(c, k, ff0, vbar);
}

double SedFactorOfPhiBySwitch(double phi, double tau) {
  return StickyHardSpheres ? BaxterSedFactorOfPhi(phi, tau) : SedFactorOfPhi(phi);
}

double DiffFactorOfPhiBySwitch(double phi, double tau) {
  return StickyHardSpheres ? BaxterDiffFactorOfPhi(phi, tau) : DiffFactorOfPhi(phi);
}

}  // namespace

double SedFactorOfPhi(double phi) {
  if (OutsideModel(phi)) return 1.0;
  return std::pow(1.0 - phi, kSedExponent) / (1.0 + kSedDenominator * phi);
}

double ThermoFactorOfPhi(double phi) {
  if (OutsideModel(phi)) return 1.0;
  const double q = (1.0 - phi) * (1.0 - phi) / (1.0 + 2.0 * phi);
  return q * q;
}

double DiffFactorOfPhi(double phi) {
  if (OutsideModel(phi)) return 1.0;
  return Ratio(SedFactorOfPhi(phi), ThermoFactorOfPhi(phi));
}

double DiffFactorFromSedFactor(double phi, double ks) {
  if (OutsideModel(phi)) return 1.0;
  return Ratio(ks, ThermoFactorOfPhi(phi));
}

double BaxterSedCorrection(double phi, double tau) {
  if (!StickyHardSpheres || OutsideStickyModel(phi, tau)) return 0.0;
  const double y = phi / tau;
  const double denominator =
      std::pow(1.0 + kStickyScale * std::pow(y, kStickyExponent), 1.0 / kStickyExponent);
  return denominator == 0.0 ? 0.0 : y / denominator;
}

// Baxter's parameter lambda is the smaller root of the Percus-Yevick
// condition (phi/12) lambda^2 - (tau + phi/(1 - phi)) lambda +
// (1 + phi/2)/(1 - phi)^2 = 0, that is lambda = a - sqrt(a^2 - 12 (1 +
// phi/2) / (phi (1 - phi)^2)) with a = 6 (1/(1 - phi) + tau/phi). Stickiness
// (lambda > 0) raises the osmotic compressibility. Below the critical tau no
// real root exists; the hard-sphere value 0 is taken there, as it is at the
// fully packed phi = 1.
double BaxterLambda(double phi, double tau) {
  if (!StickyHardSpheres || OutsideStickyModel(phi, tau) || phi >= 1.0) return 0.0;
  const double a = 6.0 * (1.0 / (1.0 - phi) + tau / phi);
  const double discriminant = a * a - 12.0 * (1.0 + 0.5 * phi) / (phi * (1.0 - phi) * (1.0 - phi));
  if (discriminant < 0.0) return 0.0;
  return a - std::sqrt(discriminant);
}

double BaxterThermoFactorOfPhi(double phi, double tau) {
  if (OutsideStickyModel(phi, tau)) return 1.0;
  const double u = 1.0 + 2.0 * phi - BaxterLambda(phi, tau) * phi * (1.0 - phi);
  if (u == 0.0) return 1.0;
  const double q = (1.0 - phi) * (1.0 - phi) / u;
  return q * q;
}

double BaxterSedFactorOfPhi(double phi, double tau) {
  if (OutsideStickyModel(phi, tau)) return 1.0;
  return std::pow(1.0 - phi, kSedExponent) /
         (1.0 + kSedDenominator * phi - kStickyWeight * BaxterSedCorrection(phi, tau));
}

double BaxterDiffFactorOfPhi(double phi, double tau) {
  if (OutsideStickyModel(phi, tau)) return 1.0;
  return Ratio(BaxterSedFactorOfPhi(phi, tau), BaxterThermoFactorOfPhi(phi, tau));
}

double BaxterDiffFactorFromSedFactor(double phi, double tau, double ks) {
  if (OutsideStickyModel(phi, tau)) return 1.0;
  return Ratio(ks, BaxterThermoFactorOfPhi(phi, tau));
}

double BaxterReducedB2(double tau) {
  if (StickyHardSpheres && tau > 0.0) return 1.0 - 1.0 / (4.0 * tau);
  return 1.0;
}

double HardSphereKs(double k, double ff0, double vbar) {
  return kHardSphereKsSlope * k * ff0 * ff0 * ff0 * vbar;
}

double VolumeFractionOfConc(double c, double k, double ff0, double vbar) {
  return 0.001 * c * k * ff0 * ff0 * ff0 * vbar;
}

double VolumeFractionFromSD(double c, double k, double s, double D, double vbar, double rho,
                            double T, double relativeViscosity) {
  if (c < 0.0) return 1.0;
  return VolumeFractionOfSD(c, k, s, D, vbar, rho, T, relativeViscosity);
}

double MassFromSD(double s, double D, double vbarRho, double T) {
  if (D > 0.1) D *= 1e-7;
  return MassFromSDAtTemperature(s, D, T, vbarRho);
}

double MassFromSDAtTemperature(double s, double D, double T, double vbarRho) {
  if (!(D > 0.0) || vbarRho == 1.0) return 0.0;
  if (T > 200.0) T -= kZeroCelsius;
  return s * 1e-13 * (T + kZeroCelsius) * PhysicalConstantsRecord::GasConstantSDM /
         ((1.0 - vbarRho) * D);
}

double FrictionalRatioFromMS(double M, double s, double vbar, double rho,
                             double relativeViscosity) {
  if (M == 0.0 || vbar == 0.0) return 0.0;
  const double f0 = SphereFrictionOfMass(M, vbar, relativeViscosity);
  return f0 == 0.0 ? 0.0 : FrictionOfMassAndS(M, s, vbar, rho) / f0;
}

double FrictionalRatioFromMS2(double M, double s, double vbar, double rho,
                              double relativeViscosity) {
  return FrictionalRatioFromMS(M, s, vbar, rho, relativeViscosity);
}

double FrictionOfMassAndS(double M, double s, double vbar, double rho) {
  if (s == 0.0) return 0.0;
  return (1.0 - vbar * rho) * M / PhysicalConstantsRecord::AvogadroNumber / (1e-13 * s);
}

// Stokes' law 6 pi eta r, from kg/s to g/s.
double SphereFrictionOfMass(double M, double vbar, double relativeViscosity) {
  if (M <= 0.0 || vbar <= 0.0) return 0.0;
  return 6.0 * PhysicalConstantsRecord::Pi * PhysicalConstantsRecord::STANDARDVISCOSITY *
         relativeViscosity * SphereRadiusOfMass(M, vbar) * 1000.0;
}

double SphereRadiusOfMass(double M, double vbar) {
  if (M == 0.0 || vbar == 0.0) return 0.0;
  const double volume = M / PhysicalConstantsRecord::AvogadroNumber * vbar * 1e-6;  // m^3
  if (volume <= 0.0) return 0.0;
  return std::cbrt(3.0 * volume / (4.0 * PhysicalConstantsRecord::Pi));
}

double SedFactorAtConc(double c, double k, double tau, double ff0, double vbar) {
  if (c < 0.0) return 1.0;
  return SedFactorOfPhiBySwitch(VolumeFractionOfConc(c, k, ff0, vbar), tau);
}

double DiffFactorAtConc(double c, double k, double tau, double ff0, double vbar) {
  if (c < 0.0) return 1.0;
  return DiffFactorOfPhiBySwitch(VolumeFractionOfConc(c, k, ff0, vbar), tau);
}

double SedFactorAtConcFromSD(double c, double k, double tau, double s, double D, double vbar,
                             double rho, double T, double relativeViscosity) {
  if (c < 0.0) return 1.0;
  return SedFactorOfPhiBySwitch(VolumeFractionOfSD(c, k, s, D, vbar, rho, T, relativeViscosity),
                                tau);
}

double DiffFactorAtConcFromSD(double c, double k, double tau, double s, double D, double vbar,
                              double rho, double T, double relativeViscosity) {
  if (c < 0.0) return 1.0;
  return DiffFactorOfPhiBySwitch(VolumeFractionOfSD(c, k, s, D, vbar, rho, T, relativeViscosity),
                                 tau);
}

double NonidealSDFactorsAtConc(double c, double k, double tau, double s, double D, double vbar,
                               double rho, double T, double relativeViscosity, double& ksOut,
                               double& kdOut) {
  if (c < 0.0) return 1.0;
  const double phi = VolumeFractionOfSD(c, k, s, D, vbar, rho, T, relativeViscosity);
  ksOut = SedFactorOfPhiBySwitch(phi, tau);
  kdOut = StickyHardSpheres ? BaxterDiffFactorFromSedFactor(phi, tau, ksOut)
                            : DiffFactorFromSedFactor(phi, ksOut);
  return phi;
}

double NonidealSDAtConc(double c, double k, double tau, double s, double D, double vbar, double rho,
                        double T, double relativeViscosity, double& sOut, double& DOut) {
  double ks = 1.0, kd = 1.0;
  const double phi =
      NonidealSDFactorsAtConc(c, k, tau, s, D, vbar, rho, T, relativeViscosity, ks, kd);
  if (c < 0.0) return phi;
  sOut = s * ks;
  DOut = D * kd;
  return phi;
}

double SedFactorStep(double c, double k, double tau, double ff0, double vbar) {
  return SedFactorAtConc(c, k, tau, ff0, vbar) - SedFactorAtConc(c + 1.0, k, tau, ff0, vbar);
}

double SedFactorStepFromSD(double c, double k, double tau, double s, double D, double vbar,
                           double rho, double T, double relativeViscosity) {
  return SedFactorAtConcFromSD(c, k, tau, s, D, vbar, rho, T, relativeViscosity) -
         SedFactorAtConcFromSD(c + 1.0, k, tau, s, D, vbar, rho, T, relativeViscosity);
}

double DiffFactorStep(double c, double k, double tau, double ff0, double vbar) {
  return DiffFactorAtConc(c + 1.0, k, tau, ff0, vbar) - DiffFactorAtConc(c, k, tau, ff0, vbar);
}

double DiffFactorStepFromSD(double c, double k, double tau, double s, double D, double vbar,
                            double rho, double T, double relativeViscosity) {
  return DiffFactorAtConcFromSD(c + 1.0, k, tau, s, D, vbar, rho, T, relativeViscosity) -
         DiffFactorAtConcFromSD(c, k, tau, s, D, vbar, rho, T, relativeViscosity);
}
