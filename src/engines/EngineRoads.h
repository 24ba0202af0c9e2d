#pragma once
// Puts the Lamm engines of this library into SimulationRoads, the table
// through which the discrete simulation reaches them: the ideal species on
// the fixed grid and the moving hat, the concentration-dependent component
// on the fixed and on the moving grid, and the A + B <-> AB system with the
// loading taken from the model's parameter slots. The program calls it once
// at start (through InstallAnalysisHooks), before the first simulation; the
// tests of the simulation roads call it in their set-up.

#include "models/SimulationRoads.h"

void InstallEngineRoads();

// The concentration-dependent component in the record the local
// sedimentation coefficients read: the species' s and D as the dispatcher
// derived them, the constants and switches of SpeciesEngineParameters.
void LoadAssociationParameters(const ConcentrationDependentSpecies& species);
