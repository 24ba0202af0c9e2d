// Prior laws and scaling laws of the c(M) models, and the s-to-D and
// s-to-buoyant-mass rules of the flotation model.

#include <cmath>

#include "numerics/Hydrodynamics.h"
#include "numerics/HydrodynamicsCommon.h"
#include "ui/Boxes.h"

using namespace hydro;

float VbarFromMass(float mass) {
  if (mass == 0) {
    ErrorBox("mass == 0 in function VbarFromMass");
    return 0;
  }
  const double scale = std::pow(10.0, PhysicalConstants.VbarLawScaleExponent);
  return static_cast<float>(PhysicalConstants.VbarLawV0 +
                            PhysicalConstants.VbarLawA * std::pow(mass / scale, 0.33333333333));
}

float SFromM(float mass) {
  if (mass == 0) {
    ErrorBox("mass == 0 in function SFromM");
    return 0;
  }
  return static_cast<float>(PhysicalConstants.SofMLawA *
                            std::pow(static_cast<double>(mass), PhysicalConstants.SofMLawB));
}

float ScalingLawSFromM(float mass) {
  const GeneralScalingLawRecord& law = DistributionSettings.GeneralScalingLaw;
  return static_cast<float>(law.ScalingKs *
                            std::pow(static_cast<double>(mass), double{law.ScalingExponent}));
}

float ScalingLawMFromS(float s) {
  const GeneralScalingLawRecord& law = DistributionSettings.GeneralScalingLaw;
  return static_cast<float>(
      std::pow(static_cast<double>(s) / law.ScalingKs, 1.0 / law.ScalingExponent));
}

namespace {

float BufferCelsius() {
  return SolventConditions.BufferTemperature - 273.15f;
}

bool Sediments(float s) {
  return s > DistributionSettings.FlotationSettings.FlotationSmax;
}

// D of the floating species: the fixed one, or that of the fixed Stokes radius.
float FloatingSpeciesD() {
  const FlotationSettingsRecord& flotation = DistributionSettings.FlotationSettings;
  if (flotation.FlotationDeconvolutionR)
    return DFromStokesRadius(flotation.FlotationDeconvolutionSize, BufferCelsius());
  return flotation.FlotationDeconvolutionSize;
}

}  // namespace

float BuoyantMassFromS(float s) {
  if (s == 0) return 0;
  if (Sediments(s)) return static_cast<float>(Buoyancy() * CalculateM(s));
  return static_cast<float>(Buoyancy() * MFromSAndD(s, FloatingSpeciesD(), BufferCelsius()));
}

float DFromS(float s) {
  if (s == 0) return 0;
  if (!Sediments(s)) return FloatingSpeciesD();
  const float mass = CalculateM(s);
  // No mass (a message has been shown, or no buoyancy): the default D, as
  // for the other D-from-mass conversions.
  if (mass == 0) return kDefaultD;
  const double t = BufferCelsius();
  return static_cast<float>(std::fabs(kRgas * Kelvin(t) * s * 1e-13 / (Buoyancy() * mass)));
}
