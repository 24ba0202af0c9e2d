#pragma once
// The two steps every model command goes through: bringing the whole model
// state back to neutral before a new kind is selected, and the switch into
// the continuous-distribution mode that every continuous kind passes.

#include "state/ModelSelection.h"

class TXLAWindow;

// Brings the model to the neutral state (NoModel in the sector cell) and
// closes everything that belongs to the previous kind: the scan times that
// an ls-g*(s) command derived from omega^2 t, the Wiener skewing correction,
// a grid size the continuous models chose, the approach-to-equilibrium test
// and the Mw screen; unchecks the items of all model commands.
void ResetModelFlags(TXLAWindow& window);

// Switches into continuous-distribution mode for the continuous kind
// `target` that the calling command is about to select. Afterwards the kind
// is ContinuousCM with every continuous sub-kind cleared; from a kind that is
// not continuous the model is reset first and the limits, the parameter
// vector, the grid size and the finite-element choice are set up for
// continuous models. False when it refused (menu-help mode answered, or DLS
// data for a kind that is not a DLS kind): the caller then stops too.
bool SetContinuousModel(TXLAWindow& window, ModelKind target);

// The command "Continuous c(M) Distribution".
void CmContinuousCMDistribution(TXLAWindow& window);

// Leaves every continuous sub-kind for ContinuousCM: the grid switches of
// slots 3 and 4, the continuous option of the parameter dialog and the
// marker of a running nonlinear search are cleared and the items of the
// sub-kinds unchecked. Shared with "Continuous c(s) Distribution", which
// leaves a sub-kind without the rest of the switch.
void LeaveContinuousSubKinds(TXLAWindow& window);
