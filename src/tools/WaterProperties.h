#pragma once
// Density and viscosity of water and of the heavy waters as functions of the
// temperature, and the translation of a buffer known in ordinary water at
// 20 degrees Celsius to another temperature and heavy-water content. The
// co-solutes' contribution is taken as additive in the increments of density
// and relative viscosity; mixtures are linear in the volume fraction.

// Solvent kinds.
enum WaterKind { kH2O = 0, kD2O = 1, kH2O18 = 2, kD2O18 = 3 };

// g/ml at t degrees Celsius.
float WaterDensity(int kind, float t);
// In the unit of STANDARDVISCOSITY (0.001 is 1 cP).
float WaterViscosity(int kind, float t);

struct BufferAtTemperature {
  float density = 0;    // g/ml
  float viscosity = 0;  // unit of STANDARDVISCOSITY
};

// bufferDensity (g/ml) and bufferViscosity (unit of STANDARDVISCOSITY) in H2O
// at 20 C, translated to t with the volume fraction heavyFraction (0..1) of
// the heavy water kind.
BufferAtTemperature TranslateBuffer(float bufferDensity, float bufferViscosity, float t, int kind,
                                    float heavyFraction);
