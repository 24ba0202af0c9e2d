#pragma once
// The finite-element system of the reacting A + B <-> AB engine: the fixed
// geometric grid, the pair and three-hat bands, and the coupled
// Crank-Nicolson step (see engines/ReactingABEngine.h).

// Grid r_1 = meniscus, r_i = meniscus (bottom/meniscus)^((i - 1.5)/(n - 1))
// for 1 < i < n, r_n = bottom, into LammRadius; the moving-grid state is
// pinned to it (rate 0), so that the step callback leaves it in place.
void ReactingMakeGrid();

// Mass bands M, stiffness bands S_A and S_B, the three-hat bands of the
// complex and the mass weights on the grid, for w = omega^2 1e-13 (1/s per
// svedberg) and the parameters' s and D.
void ReactingAssemble(double w);

// One Crank-Nicolson step of length dt from OldA, OldB into FreeA, FreeB:
// Newton passes on the coupled system until the correction is at round-off.
// (A single linearised predictor and corrector, each species solved with
// its partner held, leaves the coupled system unsolved: in a closed cell it
// loses a large part of A and B within a run.)
// When the passes do not settle, the step is made again in 2, 4, 8 and 16
// equal parts; when even that fails, DiscretizationError is set. A singular
// pivot block shows "Error 1 in tridag" (first node) or "Error 2 in tridag"
// and sets TridiagError. After a failure FreeA, FreeB are the old level and
// the result is false.
bool ReactingCoupledStep(double dt);
