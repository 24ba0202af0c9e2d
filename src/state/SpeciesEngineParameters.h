#pragma once
// Parameters of the discrete Lamm engines for rapidly self-associating and
// concentration-dependent species: the monomer-oligomer and 1-4-8 / 1-2-4
// association models, the non-ideal and hindered single species, and the
// non-ideal first component of the discrete models. The parameter vector
// packs them from the model parameters; the engines read them and set the
// linear constants from the logarithms. Program-wide.

struct SpeciesEngineParametersRecord {
  // Switches of the concentration dependence.
  bool AssociationNonidealityOn = false;  // the monomer-dimer model also has a hydrodynamic ks
  bool CsClModel = false;                 // built-in cosolute functions instead of tables
  bool TabulatedSD = false;               // the species follows the cosolute tables
  bool Repulsive = true;                  // ks and kd keep their sign; clear: both negated

  // Monomer (or the single species) and oligomer. Masses in Da, or
  // diffusion coefficients in units of 1e-7 cm^2/s, as FitControl says.
  float MonomerMassOrD = 0.0f;
  int MonomerMassOrDFitted = 0;
  float OligomerMassOrD = 0.0f;           // derived from the monomer
  float ThirdSpeciesMass = 0.0f;          // 1-4-8 and 1-2-4: derived from the monomer
  float s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;  // S
  int s1Fitted = 0, s2Fitted = 0, s3Fitted = 0;
  float D1 = 0.0f, D2 = 0.0f;  // cm^2/s, set by the dispatcher before a run

  // Association constants, decadic logarithms; the linear value is set by
  // the engine.
  float LogKa = 0.0f;
  int LogKaFitted = 0;
  float Ka = 1.0f;
  float LogKb = 0.0f;  // second association step of the 1-4-8 / 1-2-4 models
  int LogKbFitted = 0;

  float TotalConcentration = 0.0f;  // loading concentration, signal units
  int TotalConcentrationFitted = 0;

  // Concentration dependence of s and D: logarithms (for the hindered model
  // the value itself) and the linear values set by the engine.
  float LogKs = -8.0f;
  int LogKsFitted = 0;
  float Ks = 0.0f;
  float LogKd = -8.0f;
  int LogKdFitted = 0;
  float Kd = 0.0f;
};

extern SpeciesEngineParametersRecord SpeciesEngineParameters;
