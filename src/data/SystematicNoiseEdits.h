#pragma once
// The systematic noise that a fit found, taken out of the loaded data (and
// the time-invariant part put back) so that the data show the sedimentation
// alone. Signal and model change together, so the residuals stay; the grid
// statistics follow, and the data plot zooms to the fit range.
//
// RemovedTINoise keeps the TI noise taken out since the grid was set up, so
// TINoise + RemovedTINoise is always the whole TI noise of the fit. Removed
// RI offsets and baselines are not kept: those subtractions cannot be undone.
//
// Each operation does nothing for light-scattering data, without scans, or
// when its guard is false: TINoiseFitted for SubtractTINoise and
// RestoreTINoise, RINoiseFitted for SubtractRINoise and
// SubtractAllSystematicNoise, SystematicNoiseOn for SubtractBaseline.
//
// For interference data the grid's copies of the signals are left alone.

#include <vector>

void SubtractTINoise();
void SubtractRINoise();
void RestoreTINoise();
void SubtractAllSystematicNoise();
void SubtractBaseline();

// exp(-(s0 - s(r,t))^2 / (2 V)): how strongly a species of s0 (S) and D
// (cm^2/s) contributes at radius r (cm) and time t (s), from the boundary
// position s(r,t) = ln(r/m) / (omega^2 t) and its diffusional spread, at the
// speed of the last scan in time and the meniscus m.
float GaussianBoundaryWeight(float s0, float D, float r, float t);

// The values each point held before and after the TI noise was taken out,
// so that putting it back gives the data exactly as they were, unless they
// changed in between (a new fit, another edit): then the noise is added.
struct TINoiseUndoRecord {
  struct Points {
    std::vector<float> before, after;
  };
  std::vector<Points> Signals, Models, GridSignals;  // slot i for scan i
};

extern TINoiseUndoRecord TINoiseUndo;
