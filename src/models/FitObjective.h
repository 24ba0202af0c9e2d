#pragma once
// The objective of every discrete-species fit: the floating items of a
// vector (in the order of models/FitDriver.h) are written into the model,
// all loaded scans are simulated and the rmsd of data minus model over the
// fit ranges (ScanRmsd) is returned. A key press during a fit turns into
// FitControl.FitAbort here; from then on every evaluation returns
// FitAbortRmsd without simulating. The floating items of models/FitDriver.h
// (their order, packing and clamps) are kept beside the objective.

#include <string>

#include "platform/Platform.h"

inline constexpr float FitAbortRmsd = 1e10f;

// The rmsd of the model at v[1..n]; may clamp entries of v (negative Wiener
// skew, kbleach and Alim become 0).
float SimplexSim(float* v, platform::WindowHandle window);

// The counters of the running fit for the progress display: the first line,
// and the second (only for Levenberg-Marquardt, else empty).
std::string EvaluationProgressLine();
std::string EvaluationProgressSecondLine();
