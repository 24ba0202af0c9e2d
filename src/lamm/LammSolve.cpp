// The run of the Lamm solver: the checks of the set-up in a fixed order (the
// first problem found is reported and the run refused), the choice of method
// and grid, the initial condition, the propagation with its repeats under
// other numerical choices when the solution failed, the post-corrections of
// the computed scans, and the code that callers turn into their messages.

#include <algorithm>
#include <cmath>
#include <optional>

#include "state/ModelSelection.h"
#include "lamm/CLammIdeal.h"
#include "state/ComputationAbort.h"
#include "ui/Boxes.h"

namespace {

// Recorded accelerations in this open range (rpm/s) are too slow to be
// simulated as a ramp from rest.
constexpr double kSlowestAcceleration = 150.0;
constexpr double kNoAcceleration = 0.0001;

// The checks of the set-up, in the order a user meets them; 0 when the run
// may go on, else the code of the refusal (its message shown).
std::int32_t RefusalOfSetup(CLammIdeal& l) {
  const LammGeometryRecord& geometry = ModelSelection.LammGeometry;
  if (geometry.LinearLamm || geometry.ExternalLoadingCell || geometry.Geometry282 ||
      geometry.LinearForceElectrophoresis) {
    ErrorBox("can't do special geometries in CLammIdeal");
    return 4;
  }
  if (!l.ParametersValid) {
    ErrorBox(l.FitLimitsInside ? "invalid geometry or s, D parameters loaded in CLammIdeal"
                               : "meniscus or bottom parameters in conflict with fitting limits "
                                 "in CLammIdeal");
    if (l.ParameterError == 1) ErrorBox("meniscus or bottom <= 0 loaded in CLammIdeal");
    if (l.ParameterError == 2) ErrorBox("c0 < 0 loaded in CLammIdeal");
    if (l.ParameterError == 3) ErrorBox("diffcoeff < 0 loaded in CLammIdeal");
    return 4;
  }
  if (!l.OutputValid) {
    ErrorBox("invalid output parameters loaded in CLammIdeal");
    return 4;
  }
  if (!l.ModelSet) {
    ErrorBox("model not set properly in CLammIdeal");
    return 4;
  }
  if (!l.NumericsLoaded) {
    ErrorBox("Lamm discretization parameters not loaded in CLammIdeal");
    return 4;
  }
  if (!l.SelfAssociationValid) {
    ErrorBox("self-association parameters not loaded properly in CLammIdeal");
    return 4;
  }
  if (!l.NonIdealityValid) {
    ErrorBox("non-ideality parameters not loaded properly in CLammIdeal");
    return 6;
  }
  if (l.WienerConflict) {
    ErrorBox("Wiener skewing correction incompatible with finite scan time resolution");
    return 7;
  }
  if (l.SimulateAcceleration && l.CheckAcceleration) {
    const double a = l.ScanHeaders[l.ScanList[1]].RampAcceleration;
    if (kNoAcceleration < a && a < kSlowestAcceleration) {
      ErrorBox("too slow rotor acceleration");
      ComputationAbort = true;
      return 5;
    }
  }
  return 0;
}

bool RunFailed(const CLammIdeal& l) {
  return l.BlowUpError || l.TridagError;
}

// A grid size from a computed float size, within the settings' limits.
std::int32_t ClampedGridSize(const CLammIdeal& l, float size) {
  const auto n = static_cast<std::int32_t>(std::floor(size));
  return std::max(std::min(n, l.MaxGridSize), l.MinGridSize);
}

// One repeat of a failed run, on a new grid when one is given; false when
// the work arrays for it could not be had.
bool RepeatRun(CLammIdeal& l, std::optional<std::int32_t> gridSize) {
  l.InitRotorSpeed();
  l.LimitAccelerationStep();
  if (gridSize) l.ResizeWorkArrays(*gridSize);
  if (!l.WorkArraysAllocated) return false;
  l.SetInitialCondition();
  l.Propagate();
  l.PostCorrectScans();
  return true;
}

// A failed run is repeated with safer numerical choices: without the
// truncated window, then in the moving frame, then on a fixed grid of the
// size the grid rule gives, with the meniscus value corrected.
void RepeatFailedRun(CLammIdeal& l) {
  if (l.SelfAssociationOn || l.NonIdealityOn) {
    l.RetryMode = 1;
    RepeatRun(l, ClampedGridSize(l, l.GridSizeFixed));
    l.RetryMode = 0;
    return;
  }
  const std::uint8_t truncation = l.DynamicTruncation;
  l.DynamicTruncation = 0;
  bool arrays = RepeatRun(l, std::nullopt);
  if (arrays && RunFailed(l) && l.FixedGrid) {
    l.FixedGrid = 0;
    l.MovingFrame = 1;
    arrays = RepeatRun(l, ClampedGridSize(l, l.GridSizeMovingFrame));
    l.FixedGrid = 1;
    l.MovingFrame = 0;
    l.FixedTimeStep = 0;
  }
  if (arrays && RunFailed(l)) {
    l.RetryMode = 1;
    l.FixedGrid = 1;
    l.MovingFrame = 0;
    l.FixedTimeStep = 0;
    const bool optimized = l.OptimizeGridSpacing &&
                           l.BackDiffusionNegligible(l.SedimentationCoeff, l.DiffusionCoeff) &&
                           !l.BandLoading && !l.TwoLevelLoading;
    if (optimized) {
      l.InitRotorSpeed();
      l.LimitAccelerationStep();
      l.ChooseOptimizedGrid(l.GridRefRadius);
      if (l.WorkArraysAllocated) {
        l.SetInitialCondition();
        l.Propagate();
        l.PostCorrectScans();
      }
    } else {
      RepeatRun(l, ClampedGridSize(l, l.GridSizeFixed));
    }
    l.RetryMode = 0;
  }
  l.DynamicTruncation = truncation;
}

// Scans computed into the solver's own rows are added to the caller's.
void AddComputedScans(CLammIdeal& l) {
  if (!l.AddBuffer) return;
  if (l.PerScanRadii) {
    for (int i = 1; i <= l.ScanCount; ++i)
      for (int j = 1; j <= l.ScanPointCounts[i]; ++j) l.Output[i][j] += l.AddBuffer[i][j];
  } else if (l.AddToOutput) {
    for (int i = 1; i <= l.ScanCount; ++i)
      for (int j = 1; j <= l.OutputPointCount; ++j) l.Output[i][j] += l.AddBuffer[i][j];
  }
}

std::int32_t ErrorCode(const CLammIdeal& l) {
  if (l.BlowUpError) return 2;
  if (l.TridagError) return 3;
  if (l.ConcDependenceError) return 7;
  return 0;
}

}  // namespace

std::int32_t CLammIdeal::Solve() {
  if (DebugLogOn) DebugLog(nullptr);
  if (const std::int32_t refusal = RefusalOfSetup(*this)) return refusal;
  // The code reports this run alone.
  BlowUpError = TridagError = ConcDependenceError = 0;

  InitRotorSpeed();
  ChooseMethod();
  LimitAccelerationStep();
  ChooseGridSize();
  // The no-diffusion test may leave diffusion out of this run only.
  const double diffusion = DiffusionCoeff;
  TestNoDiffusion();
  const auto finish = [&](std::int32_t code) {
    FillRemainingProfiles();
    DiffusionCoeff = diffusion;
    return code;
  };
  if (!WorkArraysAllocated) {
    DiffusionCoeff = diffusion;
    return 1;
  }
  SetInitialCondition();

  if (DiffusionCoeff == 0) {
    // Refusals here leave the rows unwritten: code 4 tells the caller so.
    if (SelfAssociationOn || NonIdealityOn) {
      ErrorBox(
          "D = 0 or s = 0 models are not implemented yet for concentration dependent "
          "sedimentation models");
      return finish(4);
    }
    if (SedimentationCoeff == 0) {
      ZeroSedimentation = 1;
      PostCorrectStatic();
      return finish(ErrorCode(*this));
    }
    ZeroSedimentation = 0;
    if (InhomogeneousSolvent && !CompressibleSolvent) {
      ErrorBox("D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent");
      return finish(4);
    }
    PostCorrectNoDiffusion();
    return finish(ErrorCode(*this));
  }

  ZeroSedimentation = 0;
  Propagate();
  WriteFinalProfileAsLastScan();
  PostCorrectScans();
  if (RunFailed(*this)) RepeatFailedRun(*this);
  AddComputedScans(*this);
  return finish(ErrorCode(*this));
}
