#pragma once
// Commands that set solvent and time parameters of the fits and the simplex
// settings, and the solver switch that runs simulations on to equilibrium.

class CommandTable;
class TXLAWindow;

void CmToggleSolverVariant(TXLAWindow& window);
void CmSetVRho(TXLAWindow& window);
void CmFitT0OfSedimentation(TXLAWindow& window);
void CmSedimentationTimeOffset(TXLAWindow& window);
void CmSimplexSettings(TXLAWindow& window);
// The scans modelled from an apparent distribution g(s*) read from a text
// file (s* and g(s*) in its first two of six columns).
void CmGStarToDirectBoundaryModel(TXLAWindow& window);

// A grid range min..max walked with step: the step must lead from min
// towards max (positive for a rising range, negative for a falling one).
bool StepLeadsThrough(float min, float max, float step);

void RegisterFittingOptionCommands(CommandTable& table);
