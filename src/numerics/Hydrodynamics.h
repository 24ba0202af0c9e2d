#pragma once
// Conversions between the hydrodynamic quantities of a macromolecule:
// sedimentation coefficient s (S), diffusion coefficient D (cm^2/s), molar
// mass M (g/mol), partial specific volume vbar (ml/g), Stokes radius (m),
// frictional ratio f/f0, axial ratios of ellipsoids, rods and worm-like
// chains. Temperatures t are in degrees Celsius. Where no solvent is given the
// current SolventConditions apply; where no f/f0 is given, the global one of
// the distribution settings. A guard that shows a message returns 0.

// Svedberg equation at temperature t.
float DFromMassAndS(float mass, float s, float t);
float MFromSAndD(float s, float d, float t);
float SFromMassAndD(float mass, float d, float t);
float SFromMassAndFF0(float mass, float vbar, float t, float density, float ff0);

// Spheres and frictional ratios.
float CalculateRadius(float mass, float vbar);
float MassFromRadius(float radius, float vbar);
float CalculateHydratedRadius(float mass);
float CalculateM(float s);
float CalculateMff02(float s, float ff0);
float CalculateMassFromSedcoeffSphere(float s, float relativeViscosity, float vbar, float density);
float S20ToStokesRadius(float s20w, float vbar20);
float FrictionFromMassAndS(float mass, float s, float vbar, float density);
float SphereFriction(float mass, float vbar);
float FF0FromMassAndS(float mass, float s, float vbar, float density, float relativeViscosity);
float DFromMassAndSWithViscosity(float mass, float s, float vbar, float t, float density,
                                 float relativeViscosity);

// Stokes-Einstein. Symmetric in radius and D: applied to a D it gives the
// radius.
float DFromStokesRadius(float radius, float t);
float DFromRadius(float radius, float t);
float DFromMass(float mass, float t);
float DFromMassAndFF0(float mass, float t, float ff0);

// Standard conditions (water at 20 degrees Celsius). viscosity is absolute,
// in the unit of STANDARDVISCOSITY.
float SToS20w(float s, float viscosity, float density, float vbar, float vbar20);
float S20wToS(float s20w, float viscosity, float density, float vbar, float vbar20);
float SToS20wBuffer(float s);
float S20wToSBuffer(float s20w);

// Prior laws and scaling laws of the c(M) and scaling-law models.
float VbarFromMass(float mass);
float SFromM(float mass);
float ScalingLawSFromM(float mass);
float ScalingLawMFromS(float s);

// Flotation model at the buffer temperature.
float BuoyantMassFromS(float s);
float DFromS(float s);

// Ellipsoids of revolution: axial ratio from the frictional ratio, or from M
// and s; 0 when the frictional ratio does not exceed that of the hydrated
// sphere.
float CalculateProlateRatio(float ff0, float vbar, float hydration, float density);
float CalculateOblateRatio(float ff0, float vbar, float hydration, float density);
float CalculateProlateRatioFromMS(float mass, float s, float vbar, float hydration, float density,
                                  float relativeViscosity);
float CalculateOblateRatioFromMS(float mass, float s, float vbar, float hydration, float density,
                                 float relativeViscosity);

// Rods of a mass per length (Da/nm).
float CalculateMofSforLinearRod(float s, float massPerLength);
float SLinearRod(double mass, double massPerLength);
double LinearRodSResidual(double mass, double massPerLength, double targetS);

// Worm-like chains with the distribution settings' chain parameters.
float SWormLikeChain(float mass);
float WormLikeChainSResidual(float mass, float targetS);
float MFromSWormLikeChain(float s);
// Writes the chain's M(s) table of the current grid (s20,w and kDa) to the
// installation folder; false when the file cannot be written.
bool WriteWormChainMofS();
