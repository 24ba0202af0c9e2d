#pragma once
// The global-state Lamm solver of one ideal species (one s, one D): linear
// finite elements on the fixed grid of the global work arrays, Crank-Nicolson
// steps with an adaptive step length, and a dynamically truncated grid. Nodes
// near the meniscus that the boundary has depleted, and plateau nodes that it
// has not reached yet, leave the linear systems; the plateau beyond the last
// active node follows radial dilution, c0 exp(-2 s omega^2 t).
//
// The dispatcher loads the species' initial profile into LammConcentration,
// sets its s, D, rotor speed, time and step settings in GlobalLammRun and
// calls PropagateGlobalLamm; the profile is advanced in place and handed to
// LammStepCallback after every step, which stores the scans at their times
// and ends the run after the last. Failures are left in the run's error words
// (TridiagError: singular system or material back in the truncated region;
// DiscretizationError: blow-up or a step that cannot be made small enough).
// The sector cell and the non-sector geometries of the model selection are
// served. User-interface thread only.

// Simulates the current species from SimTime until KeepRunning is cleared.
void PropagateGlobalLamm();

// Set by every run of this engine; the Run command clears it, and the batch
// report tells by it which engine computed the last simulation.
extern bool GlobalLammEngineUsed;

// The depletion stop test: the run may end once the boundary has passed the
// right fit limit (s > 0) or the left fit limit (floating species). Also used
// by the moving-hat engine.
void InitDepletionProbe();
bool DepletionReached();

// One step with step-length control; returns the step value handed to the
// callback. Exposed for the engine's tests.
double GlobalLammStep();
