#pragma once
// The diagnostics displays of the reacting A + B <-> AB engine: the values
// of free A and B, their previous level, the residuals of the conservation
// of A and of B and the complex at 30 nodes (the first ten, ten in the
// middle, the last ten), the sector amounts and the totals, drawn into the
// simulation output window after the first Newton pass of a step (the
// predictor) and after the last (the corrector).
//
// Shown whenever the run has an output window, except in a batch run and
// while a fit runs. While ReactingEngine.FluxDisplayPause is set a
// display waits for a key: "r" runs on without waiting until a key is
// pressed during a later display, "s" ends the run after the current step
// (KeepRunning cleared, ComputationAbort set), any other key goes on to the
// next display, which waits again.

enum class ReactingDisplay { Predictor, Corrector };

void ShowReactingDiagnostics(ReactingDisplay kind);

// Whether the displays are shown in the run about to start (and so read the
// keys themselves).
bool ReactingDiagnosticsShown();
