#pragma once
// Physical constants in the units the program computes in (CGS for s, D and
// M; SI for radii, viscosities and Boltzmann's constant) and the two prior
// laws of the c(M) models. The constants are fixed; the prior laws are set by
// the commands of the models that use them.

struct PhysicalConstantsRecord {
  static constexpr float AvogadroNumber = 6.02214e23f;  // 1/mol
  // erg/(mol K). The s-D-M conversions carry their own value, GasConstantSDM.
  static constexpr float GasConstant = 8.314472e7f;
  static constexpr float BoltzmannConstant = 1.38065e-23f;  // J/K
  static constexpr float Pi = 3.1415927f;
  // Viscosity of water at 20 degrees Celsius, Pa s (0.001 is 1 cP).
  static constexpr float STANDARDVISCOSITY = 0.001002f;
  // Density of water at 20 degrees Celsius, g/ml.
  static constexpr float StandardWaterDensity = 0.99823f;
  // D (cm^2/s) of the D-from-mass conversions for a mass or friction of 0.
  static constexpr float DefaultD = 1e-4f;
  // Gas constant of the Svedberg-equation conversions, erg/(mol K).
  static constexpr double GasConstantSDM = 8.31451e7;

  // s(M) = SofMLawA * M^SofMLawB of the c(M) model with a prior s(M).
  double SofMLawA = 0.0159;
  double SofMLawB = 0.47;
  // vbar(M) = VbarLawV0 + VbarLawA * (M / 10^VbarLawScaleExponent)^(1/3) of
  // the c(M) model with a prior vbar(M).
  double VbarLawV0 = 1.04248;
  double VbarLawA = 0.01909;
  int VbarLawScaleExponent = 8;
};

extern PhysicalConstantsRecord PhysicalConstants;
