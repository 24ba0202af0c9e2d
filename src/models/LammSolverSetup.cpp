#include "models/LammSolverSetup.h"

#include "data/ScanDataSet.h"
#include "lamm/CLammIdeal.h"
#include "state/LammSolverSettings.h"

namespace {

// Settings of the solver that have no entry in the Lamm numerics dialog.
constexpr double kSteadyStateRate = 1e-6;  // relative change per step taken as equilibrium
constexpr double kStepControl = 1.0, kStepControlLow = 0.1, kStepControlHigh = 0.3;
constexpr float kFixedGridTolerance = 1e-4f;
constexpr double kStepRelaxation = 1.0, kStepChangeFactor = 2.0;

}  // namespace

void ApplyLammSolverSettings(CLammIdeal& solver, float frictionalRatio) {
  const LammSolverSettingsRecord& l = LammSolverSettings;
  const bool ramp = ScanDataSet.RampRotorSpeed && !ScanDataSet.TimesFromW2t;
  solver.SetNumerics(
      l.MinGridSize, l.MaxGridSize, l.PointsPerSigma, 0, l.BackDiffusionLevel,
      l.BackDiffusionShutOff, l.OptimizeGridSpacing, l.AutoGridSize, frictionalRatio, ramp,
      l.FixedTimeStep, 0, kSteadyStateRate, l.AutoSGridValue, l.AutoSGrid, l.SimulatePastLastScan,
      l.AutomaticAlgorithm,
      kStepControl, kStepControlLow, kStepControlHigh, l.MaxChangePerStep, l.DefaultLammGridSize, 0,
      l.MovingFrame, l.FixedGrid, kFixedGridTolerance, l.TruncationThreshold, l.DynamicTruncation,
      kStepRelaxation, kStepChangeFactor, l.SwitchThreshold, l.SwitchThresholdOptimized);
}
