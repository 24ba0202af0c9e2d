// The run of the solver before its propagation exists: Solve refuses with a
// message and code 4, so that no caller reads unwritten rows as results. The
// operations that the run drives do nothing yet.

#include "lamm/CLammIdeal.h"
#include "ui/Boxes.h"

std::int32_t CLammIdeal::Solve() {
  ErrorBox("Lamm solver propagation not available yet");
  return 4;
}

void CLammIdeal::Propagate() {}

void CLammIdeal::PropagateFixedGrid() {}

void CLammIdeal::PropagateMovingFrame() {}

void CLammIdeal::SetInitialCondition() {}

void CLammIdeal::CLEachIterationOutput(double) {}

void CLammIdeal::FillRemainingProfiles() {}

void CLammIdeal::PostCorrectScans() {}

void CLammIdeal::TestOutputSpacing() {}

void CLammIdeal::BuildConeKernel() {}

bool CLammIdeal::LoadCosoluteCoefficients() {
  ErrorBox("Lamm solver propagation not available yet");
  return false;
}
