#pragma once
// Fills SimulationRoads, the table through which the discrete simulation
// reaches what its own library cannot link: the Lamm engines (through
// InstallEngineRoads) and the kernels of the distribution, equilibrium and
// light-scattering libraries; and ContiKernelServices, through which a
// continuous distribution run reaches the kernels of equilibrium and
// light-scattering data and the conversion of intensity into field
// autocorrelations. The program calls it once at start, before the
// first simulation; calling it again changes nothing.
//
// Left empty, because this version has no implementation of them, so that
// the models that need them are refused with a message instead of computed
// without them:
// - the buffer-mismatch component of the simulation;
// - the kernel of the non-ideal c(s) model, whose species sediment in the
//   mean field of the whole distribution.

void InstallAnalysisHooks();
