#pragma once
// The transfer between the model parameters as the user sees them
// (ModelParameters) and the optimisers' flat vector of 34 values with fit
// flags (ParameterVector, ParameterFitted). Every fit, the parameter dialog,
// the temporary parameter file and the report go through Pack and Unpack, so
// the slot layout is the contract between all of them:
//
//   1-4    MassOrD[k]         molar mass (Da) or D (1e-7 cm^2/s)
//   5-8    SedCoefficient[k]  S
//   9-12   Concentration[k]
//   13-15  Meniscus, Bottom, Baseline
//   16-19  ExtraParameter[1..4]
//   20-22  SpareParameter[1..3]
//   23     LamellaWidth of the zone models
//   24     TimeOffset
//   25-34  the ten settings of the non-ideal multi-species model
//
// Both directions also recompute what the current model derives from the
// slots (oligomer masses, the species-engine record) and, for continuous
// distribution models, copy the slots into DistributionSettings (grid,
// confidence level, frictional ratio, model parameters) and
// SolventConditions (vbar, density, viscosity, hydration).

// Set by the reload of a parameter file: the next Pack takes the fit flag of
// slot 4 from DistributionSettings.LogarithmicGrid instead of the other way
// round, once.
extern bool TakeLogSpacingFromSettings;

// The initial parameters of a fresh program (component 1 switched on with
// concentration 0.5, molar mass 50000 Da or D 5, s 4 S, all three fitted),
// then Pack.
void AllocParameterVector();

// ModelParameters -> ParameterVector and the records beside it.
void PackParameterVector();
// ParameterVector -> ModelParameters and the records beside it.
void UnpackParameterVector();

// Pack, clear every fit flag, Unpack: a new discrete model starts with
// nothing floating.
void ClearFitFlags();

// After the user changed the parameters: which systematic noise is fitted,
// whether the concentrations are solved as linear parameters (and hidden
// from the optimisers), and the masses derived from the monomer.
void DeriveFitModeFlags();
