#pragma once
// Settings of the nonlinear fits that the data layer reads and writes: the
// fit of time-invariant noise and the ranges within which meniscus and
// bottom may move. Program-wide; the loaders set the noise default and the
// ranges around a new meniscus and bottom. The optimisers keep their
// settings, counters and stop flag here.

#include <cstdint>

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

  // The user interrupted the fit: every objective evaluation returns 1e10
  // and the running optimiser ends at its next iteration.
  bool FitAbort = false;
  // Every improvement and the end of a fit write the temporary parameter file.
  bool SaveBestParameters = true;
  // Rmsd when the fit began; lowest rmsd already shown by the live plots.
  float StartRmsd = 0.0f;
  float BestRmsd = 0.0f;
  // Evaluations within the current optimiser step, within the whole fit,
  // and the number of the current simplex run, annealing temperature step or
  // Levenberg-Marquardt step.
  int EvaluationCount = 0;
  int SimulationCount = 0;
  int OptimizerStep = 0;
  // The last Nelder-Mead run ended because its simplex collapsed.
  bool SimplexCollapsed = false;

  // Simulated annealing: evaluations per temperature, starting temperature
  // relative to the best rmsd, optimiser run afterwards, number of
  // temperatures, the running temperature (0 while the final optimiser after
  // an annealing runs) and the seed of its reproducible random stream.
  int AnnealIterations = 500;
  float AnnealStartTemperature = 2.0f;
  bool AnnealThenSimplex = false;
  bool AnnealThenLM = true;
  int AnnealSteps = 10;
  float AnnealTemperature = 2.0f;
  std::int32_t AnnealSeed = -3;
};

extern FitControlRecord FitControl;
