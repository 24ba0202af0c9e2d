#pragma once
// The nonlinear-detection transform of fluorescence data: a detector whose
// response follows a power law above a baseline, x -> (x - b)^p + b for
// x > b. The models stay linear; instead the loaded signals and the current
// model are transformed alike, and both versions are kept so that the data
// plot, the residuals and the fits can work on either. The first transform
// after a load captures the untransformed signal and model of every scan;
// every later transform starts again from those captured arrays.
//
// The switches and values live in CorrectionOptions.Fluorescence (on flag,
// exponent, baseline, the user's "show transformed" choice); this file keeps
// the captured arrays and the parameters they were transformed with.

#include <vector>

#include "numerics/OneBasedArrays.h"

struct NonlinearDetectionStateRecord {
  bool TransformedShown = false;  // ScanSignal and ScanModel hold the transformed arrays
  double StoredExponent = 1.0;
  double StoredBaseline = 0.0;
  // Per scan 1..NFILES, per point 1..ScanPointCount; empty until captured.
  OneBasedArray<OneBasedArray<float>> Data, Model, TransformedData, TransformedModel;
  float TransformedRmsd = 0.0f;
  float UntransformedRmsd = 0.0f;
  bool GridRebuildSuppressed = false;
  bool ApplyGuard = false;
};

extern NonlinearDetectionStateRecord NonlinearDetectionState;

// (x - b)^e + b above the baseline; x itself at or below it.
float PowerLawDetection(float x, double e, double b);

// Transforms data and model with exponent p and baseline b (recomputed only
// when p or b changed) and shows the transformed (show) or the untransformed
// arrays in ScanSignal and ScanModel. False, doing nothing, without scans or
// with nonlinear detection off.
bool TransformNonlinearDetection(double p, double b, bool show);
// The transform inside a computation: guarded, so that rebuilding the grid
// meanwhile does not put the user's view back. False when detection is off.
bool ApplyNonlinearDetection(double p, double b, bool show);
// After a new model was computed into ScanModel: both model arrays follow it
// (the other one through the power law or its inverse).
bool UpdateNonlinearDetection();
// The rmsd of the untransformed data against the untransformed model.
float NonlinearDetectionRmsd();
// Puts the stored arrays back with the user's choice; false when there is
// nothing to do (no scans, detection off, inside ApplyNonlinearDetection).
bool ReapplyNonlinearDetectionArrays(bool rebuildGrid);
void ReleaseNonlinearDetectionArrays();
bool CaptureNonlinearDetectionArrays();
// Root mean square of a - b over the fit index ranges of the scans the rmsd
// of the fits uses; 0 without points.
float ComputeArrayRmsd(const OneBasedArray<OneBasedArray<float>>& a,
                       const OneBasedArray<OneBasedArray<float>>& b);

// Installs the transform where the data set, the simulation and the
// distribution run call it.
void InstallNonlinearDetectionHooks();
