#pragma once
// The numerical settings of a CLammIdeal solver as every simulation of the
// loaded scans uses them: the user's Lamm numerics (LammSolverSettings), the
// simulated acceleration when the scans carry a ramp that is not replaced by
// their omega^2 t, and the fixed values the numerics dialog does not show.

class CLammIdeal;

// Hands the settings to solver.SetNumerics; frictionalRatio is the f/f0 the
// solver starts from (the distribution's starting value, or 1 where
// SetSolvent derives it again from s and D).
void ApplyLammSolverSettings(CLammIdeal& solver, float frictionalRatio);
