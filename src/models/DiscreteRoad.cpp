// The discrete road of the global-array simulation: each switched-on
// component in turn, by the fixed-grid (Claverie) or moving-hat engine, by a
// closed form or kernel for species that neither diffuse nor sediment, or
// for equilibrium and light-scattering data; a failed run is retried with
// safer numerics.

#include <algorithm>
#include <cmath>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/DetectorConvolution.h"
#include "models/GlobalArrayRoads.h"
#include "models/GlobalLammState.h"
#include "models/SimulateModel.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "ui/OkBox.h"
#include "ui/Sounds.h"

namespace {

struct Species {
  int Index = 0;
  double s = 0.0;  // S
  double D = 0.0;  // cm^2/s
  float Amplitude = 0.0f;
};

void ShowSpeedStepRefusal(platform::WindowHandle window) {
  PlayErrorSound();
  ShowBox(window, "Cannot account for variable rotor speed in this model!", "ERROR in simulation",
          platform::BoxIcon::None);
}

const ScanHeader& LastHeader() {
  return ScanDataSet.ScanHeaders[ScanDataSet.ScanTimeOrder[ScanDataSet.NFILES]];
}

double OmegaSquaredOfLastScan() {
  const double omega = 2.0 * kPi * LastHeader().Rpm / 60.0;
  return omega * omega;
}

bool ZoneKind() {
  return IsZoneModel(ModelSelection.Kind);
}

bool PlainSedimentationData() {
  return !DlsDataMode && !ScanDataSet.EquilibriumDataMode;
}

int SwitchedOnCount() {
  int count = 0;
  for (int i = 1; i <= NCOMP; ++i) count += ModelParameters.ComponentOn[i] != 0 ? 1 : 0;
  return count;
}

// The initial profile of a species: the experimental one scaled by its share,
// or the constant (lamella) loading.
void LoadInitialProfile(float amplitude) {
  if (GlobalLammArrays.LammConcentration == nullptr) return;
  if (ModelParameters.InitialConcentrationExperimental)
    LoadExperimentalProfile(GlobalLammRun.SpeciesFraction);
  else if (ModelParameters.InitialConcentrationConstant && PlainSedimentationData())
    LoadConstantProfile(amplitude);
}

// Each simulated scan gets a closed-form signal: added into its model, or
// written into the species' basis on the common grid.
template <typename Fill>
void ForEachSimulatedScan(int component, Fill fill) {
  ScanDataSetRecord& d = ScanDataSet;
  for (int t = GlobalLammRun.FirstSimulatedScan; t <= d.NFILES; ++t) {
    const int j = d.ScanTimeOrder[t];
    const double time = d.ScanHeaders[j].Time;
    if (GlobalLammRun.BasisMode) {
      float* out = SpeciesSignals.SpeciesBasis[component][j].data();
      fill(time, CommonRadialGrid.CommonGrid, out, CommonRadialGrid.CommonGridSize);
      continue;
    }
    const int n = d.ScanPointCount[j];
    OneBasedArray<float> scratch(1, n);
    fill(time, d.ScanRadius[j].data(), scratch.data(), n);
    for (int k = 1; k <= n; ++k) d.ScanModel[j][k] += scratch[k];
  }
}

void ConstantSpeciesSignal(const Species& sp) {
  SpeciesSignals.ConstantSpecies = true;
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  ForEachSimulatedScan(sp.Index, [&](double, const float* radii, float* out, int n) {
    if (GlobalLammRun.BasisMode && a.LammConcentration)
      ResampleCurveFromDouble(n, radii, out, a.LammAllocatedSize, a.LammRadius,
                              a.LammConcentration);
    else
      std::fill(out + 1, out + n + 1, sp.Amplitude);
  });
}

void DiffusionFreeBoundary(platform::WindowHandle window, const Species& sp) {
  const SimulationRoadsRecord& r = SimulationRoads;
  if (InhomogeneousSolventOn && !(r.CompressibleSolvent && r.CompressibleSolvent()))
    ShowBox(window, "D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent", "",
            platform::BoxIcon::Warning);
  if (!r.StepBoundary) {
    ReportEngineMissing(window);
    return;
  }
  const double rate = OmegaSquaredOfLastScan() * sp.s * 1e-13;
  GlobalLammRun.SedimentationRate = rate;
  ForEachSimulatedScan(sp.Index, [&](double t, const float* radii, float* out, int n) {
    r.StepBoundary(rate, sp.s, sp.Amplitude, t, radii, out, n);
  });
}

// The scan models before a species' run, so that a failed run's
// contribution can be taken back before it is retried.
struct ModelSnapshot {
  ScanArrays Rows;
  void Take() {
    const ScanDataSetRecord& d = ScanDataSet;
    Rows.Resize(1, d.NFILES);
    for (int j = 1; j <= d.NFILES; ++j) {
      Rows[j].Resize(1, d.ScanPointCount[j]);
      for (int k = 1; k <= d.ScanPointCount[j]; ++k) Rows[j][k] = d.ScanModel[j][k];
    }
  }
  void Restore() const {
    ScanDataSetRecord& d = ScanDataSet;
    for (int j = 1; j <= d.NFILES; ++j)
      for (int k = 1; k <= d.ScanPointCount[j]; ++k) d.ScanModel[j][k] = Rows[j][k];
  }
};

bool RunFailed() {
  return GlobalLammRun.DiscretizationError || GlobalLammRun.TridiagError;
}

// One run of the ideal species by the chosen algorithm.
void RunIdealEngine() {
  if (LammSolverSettings.MovingFrame)
    SimulationRoads.MovingHatLamm();
  else
    SimulationRoads.FixedGridLamm();
}

// Back to the species' loading and the start of the run; in direct mode the
// failed run's signal leaves the scans.
void RestartAttempt(platform::WindowHandle window, const Species& sp, const ModelSnapshot& before,
                    double startTime) {
  LoadConstantProfile(sp.Amplitude);
  ResetRotorAcceleration();
  StartEngineRun(window, startTime);
  if (!GlobalLammRun.BasisMode) before.Restore();
}

// Every species' run starts with the rotor at rest when the acceleration is
// simulated; the previous run has left the ramp behind.
void RederiveAcceleration() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.Accelerating = ScanDataSet.RampRotorSpeed && !DlsDataMode && run.AccelDuration >= 10.0;
}

int ClampedGridCount(double count) {
  const LammSolverSettingsRecord& l = LammSolverSettings;
  const int n = static_cast<int>(std::min(count, static_cast<double>(l.MaxGridSize)));
  return std::clamp(n, l.MinGridSize, std::max(l.MinGridSize, l.MaxGridSize));
}

// The fixed-grid run failed again: one run under the moving hat on the
// geometric grid, then the fixed grid is chosen again for what follows.
void MovingHatRescue(platform::WindowHandle window, const Species& sp, const ModelSnapshot& before,
                     double startTime) {
  LammSolverSettingsRecord& l = LammSolverSettings;
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  l.MovingFrame = true;
  l.FixedGrid = false;
  ResizeSimulationArrays(ClampedGridCount(a.GeometricGridCount));
  RestartAttempt(window, sp, before, startTime);
  SimulationRoads.MovingHatLamm();
  MovingHatGridUpdate();
  l.FixedGrid = true;
  l.FixedTimeStep = false;
  l.MovingFrame = false;
  if (l.OptimizeGridSpacing && BackDiffusionShutOffTest(sp.s, sp.D) && !ZoneKind())
    OptimizedGridFromRadius(a.LeftLimitRadius);
  else
    ResizeSimulationArrays(ClampedGridCount(a.UniformGridCount));
}

// Retries of a failed run of an ideal species from a constant loading:
// without grid truncation; then (fixed grid only) once under the moving hat;
// then with the fix of small negative values at the meniscus.
void RetryLadder(platform::WindowHandle window, const Species& sp, const ModelSnapshot& before,
                 double startTime) {
  LammSolverSettingsRecord& l = LammSolverSettings;
  const bool savedTruncation = l.DynamicTruncation;
  l.DynamicTruncation = false;
  RestartAttempt(window, sp, before, startTime);
  if (ScanDataSet.UsingSpeedSteps)
    ShowSpeedStepRefusal(window);
  else
    RunIdealEngine();
  if (RunFailed() && l.FixedGrid) MovingHatRescue(window, sp, before, startTime);
  if (RunFailed()) {
    GlobalLammRun.RetryRun = true;
    RestartAttempt(window, sp, before, startTime);
    RunIdealEngine();
    GlobalLammRun.RetryRun = false;
  }
  l.DynamicTruncation = savedTruncation;
}

bool RetriesApply() {
  const ModelParametersRecord& mp = ModelParameters;
  return RunFailed() && mp.InitialConcentrationConstant && !mp.InitialConcentrationExperimental &&
         PlainSedimentationData();
}

// The non-ideal first component: the concentration-dependent engine with
// the species' own s and D, under the non-ideal single-species model.
void RunNonidealFirstComponent(platform::WindowHandle window, const Species& sp) {
  const auto engine = LammSolverSettings.MovingFrame
                          ? SimulationRoads.MovingGridConcentrationDependentLamm
                          : SimulationRoads.ConcentrationDependentLamm;
  if (!engine) {
    ReportEngineMissing(window);
    return;
  }
  ConcentrationDependentSpecies cd;
  cd.s1 = sp.s;
  cd.D1 = sp.D;
  const ModelKind kind = ModelSelection.Kind;
  ModelSelection.Kind = ModelKind::NonidealSingleSpecies;
  engine(cd);
  ModelSelection.Kind = kind;
  ResizeSimulationArrays(LammSolverSettings.LammGridSize);
}

// The start of the first attempt. The retries start at the same time: a
// retry must simulate the same experiment as the attempt it replaces.
double DiscreteStartTime() {
  const ModelParametersRecord& mp = ModelParameters;
  return mp.TimeOffsetOn ? mp.TimeOffset : GlobalArrayRoadState.StartTime;
}

void LammSpecies(platform::WindowHandle window, const Species& sp) {
  const ModelParametersRecord& mp = ModelParameters;
  GlobalLammArraysRecord& a = GlobalLammArrays;
  SpeciesSignals.BackDiffusionShutOffApplies = BackDiffusionShutOffTest(sp.s, sp.D);
  if (!SpeciesSignals.BackDiffusionShutOffApplies && mp.InitialConcentrationConstant &&
      !ZoneKind() && sp.s > 0.0 && sp.D > 0.0) {
    // The reduced buoyant molar mass M_b omega^2 / (2 R T) of the species.
    const double kelvin = LastHeader().Temperature + 273.15;
    const double buoyantMass = kelvin * 1e-13 * sp.s * 8.31451e7 / sp.D;
    EquilibriumGridStretch(OmegaSquaredOfLastScan() / (kelvin * 1.6628944e8) * buoyantMass);
  }
  ModelSnapshot before;
  if (!GlobalLammRun.BasisMode) before.Take();
  const double startTime = DiscreteStartTime();
  StartEngineRun(window, startTime);
  RederiveAcceleration();
  const bool nonideal = sp.Index == 1 && mp.FirstComponentNonideal;
  if (nonideal) {
    RunNonidealFirstComponent(window, sp);
  } else if (ScanDataSet.UsingSpeedSteps) {
    ShowSpeedStepRefusal(window);
    return;
  } else {
    RunIdealEngine();
  }
  // The concentration-dependent component is retried by no ideal engine.
  if (!nonideal && RetriesApply() && a.LammArraysAllocated)
    RetryLadder(window, sp, before, startTime);
  if (LammSolverSettings.MovingFrame) MovingHatGridUpdate();
  ReportRunErrors(window);
}

// Faxen's approximation of the boundary at each scan's time, at the rotor
// speed of the last scan, in place of a Lamm solution.
void FaxenSpecies(const Species& sp) {
  const double rate = OmegaSquaredOfLastScan() * sp.s * 1e-13;
  GlobalLammRun.SedimentationRate = rate;
  const double meniscus = ModelParameters.Meniscus;
  ForEachSimulatedScan(sp.Index, [&](double t, const float* radii, float* out, int n) {
    FaxenProfile(sp.Amplitude, t, radii, out, n, rate, sp.D, meniscus);
  });
}

void EquilibriumSpecies(const Species& sp) {
  const ModelParametersRecord& mp = ModelParameters;
  const SolventConditionsRecord& sc = SolventConditions;
  const int i = sp.Index;
  const double Mb = FitControl.MassInsteadOfD
                        ? (1.0 - sc.VbarRho) * mp.MassOrD[i]
                        : std::fabs(sp.s) * 1e-6 * sc.GasConstantRT / mp.MassOrD[i];
  SimulationRoads.EquilibriumExponential(Mb, sp.Amplitude);
}

void DlsSpecies(const Species& sp, int& dlsSpecies) {
  const ModelParametersRecord& mp = ModelParameters;
  double D = sp.D;
  double mu2 = 0.0, mu3 = 0.0, mu4 = 0.0;
  if (ModelSelection.Kind == ModelKind::DiscreteStokesRadii) {
    const float celsius = SolventConditions.BufferTemperature - 273.15f;
    // The slot holds the Stokes radius in nm; Stokes-Einstein gives D in
    // cm^2/s, the unit of the decay kernel.
    D = DFromStokesRadius(static_cast<float>(mp.MassOrD[sp.Index] * 1e-9), celsius);
  } else if (ModelSelection.Kind == ModelKind::CumulantAnalysis) {
    mu2 = mp.MassOrD[2] * 1e-14;
    mu3 = mp.MassOrD[3] * 1e-21;
    mu4 = mp.MassOrD[4] * 1e-28;
  }
  const double amplitude = mp.LinearConcentrations ? 1.0 : sp.Amplitude;
  SimulationRoads.DlsDecay(D, amplitude, mu2, mu3, mu4);
  ++dlsSpecies;
}

void SimulateSpecies(platform::WindowHandle window, const Species& sp, int& dlsSpecies) {
  const ModelParametersRecord& mp = ModelParameters;
  const int i = sp.Index;
  if (!DlsDataMode) {
    if (sp.s == 0.0 && mp.MassOrD[i] == 0.0f) {
      ConstantSpeciesSignal(sp);
      return;
    }
    if (mp.MassOrD[i] == 0.0f && mp.InitialConcentrationConstant &&
        !ScanDataSet.EquilibriumDataMode) {
      DiffusionFreeBoundary(window, sp);
      return;
    }
  }
  SpeciesSignals.ConstantSpecies = false;
  GlobalLammRun.SpeciesD = sp.D;
  GlobalLammRun.SpeciesS = sp.s;
  if (DlsDataMode)
    DlsSpecies(sp, dlsSpecies);
  else if (ScanDataSet.EquilibriumDataMode)
    EquilibriumSpecies(sp);
  else if (SpeciesSignals.FaxenApproximationOn)
    FaxenSpecies(sp);
  else
    LammSpecies(window, sp);
}

// The grid and algorithm for a switched-on species.
void PrepareSpeciesGrid(const Species& sp) {
  const LammSolverSettingsRecord& l = LammSolverSettings;
  const bool zone = ZoneKind();
  if (l.AutomaticAlgorithm && PlainSedimentationData())
    SelectFiniteElementAlgorithm(
        AutomaticChoiceIsMovingHat(sp.s, l.OptimizeGridSpacing && l.AutoGridSize && !zone));
  if (l.AutoGridSize && PlainSedimentationData() && !zone &&
      ModelParameters.MassOrD[sp.Index] > 0.0f)
    ChooseSpeciesGridSize(static_cast<float>(sp.s), static_cast<float>(sp.D));
  else
    ResizeSimulationArrays(l.DefaultLammGridSize);
  // A fixed grid chosen by hand takes short steps while the rotor
  // accelerates for a species fast enough to need the moving hat.
  if (ScanDataSet.RampRotorSpeed && PlainSedimentationData() && !l.AutomaticAlgorithm &&
      l.FixedGrid &&
      std::fabs(sp.s) > AlgorithmSwitchThreshold(l.OptimizeGridSpacing && l.AutoGridSize))
    GlobalLammRun.AccelMaxStep = 1.0;
}

// Light-scattering data of intensity correlations: one species' g(2) - 1 is
// the square of its g(1); several species with linear concentrations cannot
// be separated that way, and the data are offered for conversion instead.
bool DlsCompletion(platform::WindowHandle window, int dlsSpecies) {
  ScanDataSetRecord& d = ScanDataSet;
  if (ModelParameters.LinearConcentrations && dlsSpecies > 1) {
    if (!AskYesNo(window,
                  "possible error in DLS analysis of intensity autocorrelation data - transform "
                  "to g(1)?",
                  "ERROR"))
      return false;
    SimulationRoads.ConvertToFieldAcf(window);
    if (RepaintMainWindow) RepaintMainWindow(window);
    return false;
  }
  const auto square = [](float& v) { v *= v; };
  if (!ModelParameters.LinearConcentrations) {
    for (int j = 1; j <= d.NFILES; ++j)
      for (int k = 1; k <= d.ScanPointCount[j]; ++k) square(d.ScanModel[j][k]);
    return true;
  }
  for (int i = 1; i <= NCOMP; ++i) {
    if (ModelParameters.ComponentOn[i] == 0) continue;
    for (int j = 1; j <= d.NFILES; ++j)
      for (int k = 1; k <= CommonRadialGrid.CommonGridSize; ++k)
        square(SpeciesSignals.SpeciesBasis[i][j][k]);
  }
  return true;
}

}  // namespace

bool RunDiscreteRoad(platform::WindowHandle window) {
  ModelParametersRecord& mp = ModelParameters;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.SpeciesFraction = 1.0f;
  ComputationAbort = false;
  const bool intensityCorrelations = DlsDataMode && !SimulationRoads.DataAreFieldAcf();
  if (intensityCorrelations && SwitchedOnCount() > 1) {
    mp.LinearConcentrations = false;
    run.BasisMode = SimulationUsesBasis();
  }
  int dlsSpecies = 0;
  for (int i = 1; i <= NCOMP && !ComputationAbort; ++i) {
    run.CurrentSpecies = i;
    if (IsBufferColumn(i)) {
      SimulateBufferColumn(window);
      continue;
    }
    Species sp{i, mp.SedCoefficient[i], SpeciesDiffusion(i), LoadingAmplitude(i)};
    SpeciesSignals.SpeciesAmplitude[i] = sp.Amplitude;
    if (mp.ComponentOn[i] == 0) continue;
    PrepareSpeciesGrid(sp);
    run.SpeciesFraction = LoadingShare(i);
    if (i == 1 && mp.FirstComponentNonideal) {
      // The concentration-dependent block exists only for that model.
      const ModelKind kind = ModelSelection.Kind;
      ModelSelection.Kind = ModelKind::NonidealSingleSpecies;
      ResizeSimulationArrays(LammSolverSettings.LammGridSize);
      ModelSelection.Kind = kind;
    }
    LoadInitialProfile(sp.Amplitude);
    SimulateSpecies(window, sp, dlsSpecies);
    run.CallbackWindow = nullptr;
  }
  if (intensityCorrelations) return DlsCompletion(window, dlsSpecies);
  return true;
}
