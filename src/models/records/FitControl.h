#pragma once
// Settings of the nonlinear fits that the data layer reads and writes: the
// fit of time-invariant noise and the ranges within which meniscus and
// bottom may move. Program-wide; the loaders set the noise default and the
// ranges around a new meniscus and bottom.

struct FitControlRecord {
  // The current model fits time-invariant noise; set by the loaders for
  // interference data and for the buoyant-mass model.
  bool TINoiseFitted = false;
  // Ranges of meniscus and bottom variation, cm.
  float MINMENISCUS = 0.0f;
  float MAXMENISCUS = 0.0f;
  float MINBOTTOM = 0.0f;
  float MAXBOTTOM = 0.0f;
  // The last root-mean-square deviation of data and model over the fit
  // ranges, and the number of points it was taken over.
  float CurrentRmsd = 0.0f;
  float FitPointCount = 0.0f;
  // Slots 1-4 of the parameter vector hold molar masses (Da) instead of
  // diffusion coefficients (units of 1e-7 cm^2/s).
  bool MassInsteadOfD = true;
  // A fit is in progress: messages that would repeat at every evaluation are
  // shown once per fit.
  bool FitRunning = false;
  // Largest relative change between two simplex cycles that ends a fit.
  float FitCycleTolerance = 0.01f;
};

extern FitControlRecord FitControl;
