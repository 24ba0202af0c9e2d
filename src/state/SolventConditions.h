#pragma once
// The solvent and temperature of the loaded run, read by the hydrodynamic
// conversions and by every model. Program-wide; the loaders set the
// temperature, the dialogs, batch files and restored analyses the rest.
// Temperatures in kelvin.

struct SolventConditionsRecord {
  float GasConstantRT = 0.0f;         // R T, erg/mol, with R = 8.31451e7 and the buffer temperature
  float VbarRho = 0.73f;              // VBAR * BufferDensity; writers of either keep it in step
  float VBAR = 0.73f;                 // partial specific volume at the run's temperature, ml/g
  float VBAR20 = 0.73f;               // partial specific volume at 20 degrees Celsius, ml/g
  float BufferDensity = 1.0f;         // g/ml
  float RELVISCOSITY = 1.0f;          // buffer viscosity relative to STANDARDVISCOSITY
  float Hydration = 0.3f;             // g/g
  float BufferTemperature = 293.15f;  // K
};

extern SolventConditionsRecord SolventConditions;
