#pragma once
// The numerical settings of the Lamm equation solvers, edited in the dialog
// "Numerical Control of Lamm Equation Solution" and kept as defaults in the
// Lamm preference file of the installation folder. Program-wide; callers copy
// them into a solver's numerics, output and rotor-speed set-up before a run.
// The comments give the dialog's label of each value. The two ways of
// treating the rotor's acceleration (scan times from omega^2 t, or a
// simulated ramp) and the acceleration check belong to the loaded scan set
// (ScanDataSet.TimesFromW2t, RampRotorSpeed, CheckRotorAcceleration).

struct LammSolverSettingsRecord {
  // Radial grid.
  int MinGridSize = 75;             // "lower limit" of the number of grid points
  int MaxGridSize = 2000;           // "upper limit"
  float PointsPerSigma = 5.0f;      // "points per sigma" of the diffusion spread
  int DefaultLammGridSize = 1000;   // "default FE grid size"
  int LammGridSize = 1000;          // grid points in use; model commands restore the default
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

  // Choice of the finite-element algorithm. After every edit exactly one of
  // FixedGrid and MovingFrame is set.
  bool AutomaticAlgorithm = true;          // "automatic finite element algorithm"
  bool FixedGrid = false;                  // "Claverie algorithm"
  bool MovingFrame = true;                 // "moving hat algorithm"
  bool AutoSGrid = true;                   // "automatic s_grid"
  double AutoSGridValue = 0.0;             // its value, S (sign chooses the first frame interval)
  float SwitchThreshold = 5.0f;            // "normalized s for automatic change", S at 30000 rpm
  float SwitchThresholdOptimized = 60.0f;  // "when optimized"

  // Finite resolution of absorbance scans.
  // "simulate time resolution": scan times corrected for the finite scan
  // time (the loader switches it off for fluorescence data).
  bool ScanTimeCorrectionOn = false;
  float ScanVelocity = 2.43f;            // "scan velocity (cm/min)"
  bool RadialResolutionOn = false;       // "simulate radial resolution"
  float RadialResolutionRange = 0.008f;  // "radial range of convolution (cm)", cm

  // Speed schedules.
  double VariableSpeedDShutOff = 10.0;  // "Variable Speed D shut off at x-fold grid dist"

  // Run state shared with the loaders and the data operations.
  bool LammRunning = false;             // a Lamm computation is running
  bool InitialDataIsFirstScan = false;  // the initial data stand for the first scan
  // The simulation goes on after the last scan until the profile stops
  // changing (or 1e8 s), and that profile becomes the last scan's model:
  // the equilibrium that the velocity run is heading for. Off at start.
  bool SimulatePastLastScan = false;
};

extern LammSolverSettingsRecord LammSolverSettings;

// The smallest radial grid the settings may ask for: below it a finite-element
// solution has too few elements to carry a boundary, and zero or negative
// counts would leave the solvers without a grid. The optimised grid never
// makes fewer points either.
inline constexpr int MinimumLammGridSize = 50;
// The fewest grid points per boundary width (diffusion spread) that still
// give an automatic grid size; zero or negative would give an empty grid.
inline constexpr float MinimumPointsPerSigma = 1.0f;

// Brings the grid settings into their sensible ranges, whatever a damaged
// preference file or an entry put there: grid sizes and the dynamic lower
// limit at least MinimumLammGridSize, the upper limit not below the lower,
// points per sigma at least MinimumPointsPerSigma (a value that is not a
// number becomes the default). Returns true when something was changed.
bool EnforceLammGridMinimums(LammSolverSettingsRecord& settings);
