#pragma once
// Puts the Lamm engines of this library into SimulationRoads, the table
// through which the discrete simulation reaches them. The program calls
// InstallEngineRoads once at start, before the first simulation; the tests
// of the simulation roads call it in their set-up.

#include "models/SimulationRoads.h"

void InstallEngineRoads();

// The concentration-dependent component in the record the local
// sedimentation coefficients read: the species' s and D as the dispatcher
// derived them, the constants and switches of SpeciesEngineParameters.
void LoadAssociationParameters(const ConcentrationDependentSpecies& species);
