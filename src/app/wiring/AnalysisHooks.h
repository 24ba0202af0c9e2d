#pragma once
// Fills SimulationRoads, the table through which the discrete simulation
// reaches what its own library cannot link: the Lamm engines (through
// InstallEngineRoads) and the kernels of the distribution, equilibrium and
// light-scattering libraries. The program calls it once at start, before
// the first simulation; calling it again changes nothing.
//
// The buffer-mismatch component has no simulation in this version: its
// entry stays empty, and a model that needs it is refused with the
// simulation's message.

void InstallAnalysisHooks();
