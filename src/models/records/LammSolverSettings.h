#pragma once
// The numerical settings of the Lamm equation solvers, edited in the dialog
// "Numerical Control of Lamm Equation Solution". Program-wide; callers copy
// them into a solver's numerics, output and rotor-speed set-up before a run.
// The comments give the dialog's label of each value.

struct LammSolverSettingsRecord {
  // Radial grid.
  int MinGridSize = 100;            // "lower limit" of the number of grid points
  int MaxGridSize = 2000;           // "upper limit"
  float PointsPerSigma = 5.0f;      // "points per sigma" of the diffusion spread
  int DefaultLammGridSize = 1000;   // "default FE grid size"
  bool OptimizeGridSpacing = true;  // "optimize time-invariant grid spacing"
  bool AutoGridSize = true;         // "automatic dynamic grid size"

  // Back-diffusion from the cell end.
  double BackDiffusionLevel = 1e-4;  // "level": equilibrium concentration at the fit limit
  bool BackDiffusionShutOff = true;  // "shut off back-diffusion"

  // Dynamic truncation of the depleted region.
  bool DynamicTruncation = true;  // "dynamically truncate grid"
  double TruncationThreshold =
      1e-6;  // its threshold, a power of ten (the dialog shows the exponent)

  // Time stepping.
  bool FixedTimeStep = false;          // "fix Lamm Eq. simulation timestep"
  double MaxChangePerStep = 1.0;       // "max dc/c"
  double TimeStepIncreaseLimit = 1.0;  // limit of the relative increase of the time step

  // Choice of the finite-element algorithm.
  bool AutomaticAlgorithm = true;          // "automatic finite element algorithm"
  bool FixedGrid = true;                   // "Claverie algorithm"
  bool MovingFrame = false;                // "moving hat algorithm"
  bool AutoSGrid = true;                   // "automatic s_grid"
  double AutoSGridValue = 1.0;             // its value, S (sign chooses the first frame interval)
  float SwitchThreshold = 5.0f;            // "normalized s for automatic change", S at 30000 rpm
  float SwitchThresholdOptimized = 60.0f;  // "when optimized"

  // Finite resolution of absorbance scans.
  bool TimeResolutionOn = false;         // "simulate time resolution"
  float ScanVelocity = 2.43f;            // "scan velocity (cm/min)"
  bool RadialResolutionOn = false;       // "simulate radial resolution"
  float RadialResolutionRange = 0.008f;  // "radial range of convolution (cm)", cm

  // Speed schedules.
  double VariableSpeedDShutOff = 10.0;  // "Variable Speed D shut off at x-fold grid dist"

  // Run state shared with the loaders and the data operations.
  bool LammRunning = false;             // a Lamm computation is running
  bool ScanTimeCorrectionOn = false;    // scan times corrected for the finite scan time
  bool InitialDataIsFirstScan = false;  // the initial data stand for the first scan
};

extern LammSolverSettingsRecord LammSolverSettings;
