#include "models/GlobalArrayRoads.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/InitialDistribution.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Resampling.h"

GlobalArrayRoadStateRecord GlobalArrayRoadState;

namespace {

// The association and reacting engines need no steps longer than this.
constexpr double kLongestAssociationStep = 500.0;  // s

void ShowWarning(platform::WindowHandle window, const std::string& text) {
  platform::Current().ShowMessageBox(
      {window, text, "", platform::BoxIcon::Warning, platform::BoxButtons::Ok});
}

const ScanHeader& HeaderAt(int position) {
  return ScanDataSet.ScanHeaders[ScanDataSet.ScanTimeOrder[position]];
}

double LastScanRpm() {
  return HeaderAt(ScanDataSet.NFILES).Rpm;
}

// The time of the scan at a position in time order as the step callback
// reads it: the recorded time while the acceleration is simulated.
double OutputTimeOf(int position) {
  const ScanHeader& h = HeaderAt(position);
  return ScanDataSet.RampRotorSpeed && !DlsDataMode ? h.RecordedTime : h.Time;
}

bool IsConcentrationDependentKind(ModelKind kind) {
  return IsAssociationKind(kind) || kind == ModelKind::NonidealSingleSpecies ||
         kind == ModelKind::HinderedSingleSpecies;
}

bool IsOligomerTableKind(ModelKind kind) {
  return kind == ModelKind::SelfAssociation148 || kind == ModelKind::SelfAssociation124;
}

// D (cm^2/s) of a species of s (S) and molar mass M by the Svedberg
// equation; M <= 0 counts as 1e-10 Da.
double SvedbergD(double s, double M) {
  const SolventConditionsRecord& sc = SolventConditions;
  const double mass = M > 0.0 ? M : 1e-10;
  return std::fabs(s * 1e-13 * sc.GasConstantRT / ((1.0 - sc.VbarRho) * mass));
}

// The association road chooses by the monomer's s itself, not its size: a
// floating monomer always takes the fixed grid.
bool AssociationChoiceIsMovingHat() {
  if (!LammSolverSettings.AutomaticAlgorithm) return LammSolverSettings.MovingFrame;
  return SpeciesEngineParameters.s1 >= AlgorithmSwitchThreshold(false);
}

using ConcentrationDependentRun = void (*)(const ConcentrationDependentSpecies&);

ConcentrationDependentRun ConcentrationDependentEngine(bool movingHat) {
  return movingHat ? SimulationRoads.MovingGridConcentrationDependentLamm
                   : SimulationRoads.ConcentrationDependentLamm;
}

bool DiscreteRoadAvailable() {
  const ModelParametersRecord& mp = ModelParameters;
  const SimulationRoadsRecord& r = SimulationRoads;
  if (DlsDataMode) return r.DlsDecay && r.DataAreFieldAcf && r.ConvertToFieldAcf;
  if (ScanDataSet.EquilibriumDataMode) return r.EquilibriumExponential != nullptr;
  // The Faxen boundary needs no Lamm engine.
  if (!SpeciesSignals.FaxenApproximationOn && (!r.FixedGridLamm || !r.MovingHatLamm)) return false;
  const bool zone = IsZoneModel(ModelSelection.Kind);
  for (int i = 1; i <= NCOMP; ++i) {
    if (mp.ComponentOn[i] == 0) continue;
    const double s = mp.SedCoefficient[i];
    if (mp.MassOrD[i] == 0.0f && s != 0.0 && mp.InitialConcentrationConstant && !r.StepBoundary)
      return false;
    if (i == 1 && mp.FirstComponentNonideal) {
      const bool movingHat = LammSolverSettings.AutomaticAlgorithm
                                 ? AutomaticChoiceIsMovingHat(s, !zone)
                                 : LammSolverSettings.MovingFrame;
      if (!ConcentrationDependentEngine(movingHat)) return false;
    }
  }
  return true;
}

// A missing block (the model or the algorithm changed since the arrays were
// made) would leave an engine without its arrays.
bool ArraysNeedRemaking() {
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  const ModelKind kind = ModelSelection.Kind;
  if (a.LammAllocatedSize != LammSolverSettings.LammGridSize) return true;
  if (LammSolverSettings.MovingFrame && a.MovingHatBlock.empty()) return true;
  if (kind == ModelKind::ReactingABC && a.ReactingBlock.empty()) return true;
  return IsConcentrationDependentKind(kind) && a.ConcDependentBlock.empty();
}

bool PrepareWorkArrays() {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  if (!a.LammArraysAllocated)
    AllocSimulationArrays();
  else if (ArraysNeedRemaking())
    ResizeSimulationArrays(LammSolverSettings.LammGridSize);
  if (!a.LammArraysAllocated) return false;
  if (std::fabs(a.LammRadius[1] - ModelParameters.Meniscus) > 1e-5) MakeRadialGrid();
  return true;
}

// The first scan in time order becomes the initial profile when none was
// loaded; the runs then start at its time and it is not simulated.
void PrepareInitialDistribution() {
  GlobalArrayRoadStateRecord& st = GlobalArrayRoadState;
  ScanDataSetRecord& d = ScanDataSet;
  const bool experimental = ModelParameters.InitialConcentrationExperimental;
  if (!experimental) st.InitialScanCaptured = false;
  if (experimental && InitialDistribution.Count == 0) {
    const int j = d.ScanTimeOrder[1];
    const int n = d.ScanPointCount[j];
    InitialDistribution.Radius.Resize(1, n);
    InitialDistribution.Signal.Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      InitialDistribution.Radius[k] = d.ScanRadius[j][k];
      InitialDistribution.Signal[k] = d.ScanSignal[j][k];
    }
    InitialDistribution.Count = n;
    InitialDistribution.InitialDataHeader = d.ScanHeaders[j];
    st.InitialScanCaptured = true;
  }
  const bool skipFirst = st.InitialScanCaptured && experimental;
  st.StartTime = skipFirst ? InitialDistribution.InitialDataHeader.Time : 0.0;
  GlobalLammRun.FirstSimulatedScan = skipFirst ? 2 : 1;
  if (skipFirst) {
    const int j = d.ScanTimeOrder[1];
    for (int k = 1; k <= d.ScanPointCount[j]; ++k) d.ScanModel[j][k] = d.ScanSignal[j][k];
  }
}

void ClearSimulatedModels(platform::WindowHandle window) {
  ScanDataSetRecord& d = ScanDataSet;
  for (int t = GlobalLammRun.FirstSimulatedScan; t <= d.NFILES; ++t) {
    const int j = d.ScanTimeOrder[t];
    for (int k = 1; k <= d.ScanPointCount[j]; ++k) d.ScanModel[j][k] = 0.0f;
  }
  if (SpeciesSignals.LiveRunDisplay && RepaintMainWindow) RepaintMainWindow(window);
}

void SimulateBufferComponent(platform::WindowHandle window) {
  if (CorrectionOptions.BufferMismatch.On && SimulationRoads.BufferSedimentation)
    SimulationRoads.BufferSedimentation(window);
}

// Nothing sediments or diffuses: the loading in every scan.
void ConstantAssociationSignal() {
  ScanDataSetRecord& d = ScanDataSet;
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  const float c0 = SpeciesEngineParameters.TotalConcentration;
  for (int t = GlobalLammRun.FirstSimulatedScan; t <= d.NFILES; ++t) {
    const int j = d.ScanTimeOrder[t];
    for (int k = 1; k <= d.ScanPointCount[j]; ++k) d.ScanModel[j][k] = c0;
    if (GlobalLammRun.BasisMode)
      ResampleCurveFromDouble(CommonRadialGrid.CommonGridSize, CommonRadialGrid.CommonGrid,
                              SpeciesSignals.SpeciesBasis[1][j].data(), a.LammAllocatedSize,
                              a.LammRadius, a.LammConcentration);
  }
}

// The s and D of the concentration-dependent component from the engine
// parameters; sets ConstantSpecies for a 1-2-4 or 1-4-8 system whose last
// species has no mass.
ConcentrationDependentSpecies AssociationSpecies() {
  const SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  const ModelKind kind = ModelSelection.Kind;
  ConcentrationDependentSpecies sp;
  sp.s1 = e.s1;
  sp.s2 = e.s2;
  const double masses[4] = {0.0, e.MonomerMassOrD, e.OligomerMassOrD, e.ThirdSpeciesMass};
  const double sedimentation[4] = {0.0, e.s1, e.s2, e.s3};
  if (FitControl.MassInsteadOfD) {
    sp.D1 = SvedbergD(e.s1, e.MonomerMassOrD);
    sp.D2 = SvedbergD(e.s2, e.OligomerMassOrD);
    if (IsOligomerTableKind(kind)) {
      for (int k = 1; k <= 3; ++k) {
        sp.OligomerS[k] = sedimentation[k];
        if (masses[k] > 0.0) sp.OligomerD[k] = SvedbergD(sedimentation[k], masses[k]);
      }
      SpeciesSignals.ConstantSpecies = masses[3] <= 0.0;
    }
  } else {
    sp.D1 = e.MonomerMassOrD * 1e-7;
    sp.D2 = e.OligomerMassOrD * 1e-7;
    for (int k = 1; k <= 3; ++k) {
      sp.OligomerS[k] = sedimentation[k];
      sp.OligomerD[k] = masses[k] * 1e-7;
    }
  }
  SpeciesEngineParametersRecord& out = SpeciesEngineParameters;
  out.D1 = static_cast<float>(sp.D1);
  out.D2 = static_cast<float>(sp.D2);
  return sp;
}

void RunAssociationRoad(platform::WindowHandle window) {
  const ModelKind kind = ModelSelection.Kind;
  if (InhomogeneousSolventOn)
    ShowWarning(window, "this model is not implemented yet for inhomogeneous solvent");
  if (ScanDataSet.EquilibriumDataMode) ShowWarning(window, "not implemented yet for sed eq data");
  GlobalLammRun.CurrentSpecies = 1;
  SpeciesSignals.SpeciesAmplitude[1] = 1.0f;
  if (ModelParameters.InitialConcentrationExperimental) LoadExperimentalProfile(1.0);
  if (LammSolverSettings.AutomaticAlgorithm)
    SelectFiniteElementAlgorithm(AssociationChoiceIsMovingHat());
  if (ModelParameters.InitialConcentrationConstant)
    LoadConstantProfile(SpeciesEngineParameters.TotalConcentration);
  const ConcentrationDependentSpecies species = AssociationSpecies();
  if (!SpeciesSignals.ConstantSpecies) {
    StartEngineRun(window, GlobalArrayRoadState.StartTime);
    GlobalLammRun.MaxTimeStep = kLongestAssociationStep;
    GlobalLammRun.SpeciesS = species.s1;
    GlobalLammRun.SpeciesD = species.D1;
    const bool movingHat = !IsOligomerTableKind(kind) && LammSolverSettings.MovingFrame;
    const ConcentrationDependentRun engine = ConcentrationDependentEngine(movingHat);
    if (!engine) {
      ReportEngineMissing(window);
      return;
    }
    engine(species);
    if (movingHat) MovingHatGridUpdate();
    ReportRunErrors(window);
  } else {
    ConstantAssociationSignal();
  }
  GlobalLammRun.CallbackWindow = nullptr;
  SimulateBufferComponent(window);
}

void RunReactingRoad(platform::WindowHandle window) {
  if (ScanDataSet.EquilibriumDataMode) ShowWarning(window, "not implemented yet for sed eq data");
  GlobalLammRun.CurrentSpecies = 1;
  SpeciesSignals.SpeciesAmplitude[1] = 1.0f;
  ModelParameters.InitialConcentrationExperimental = false;
  ModelParameters.InitialConcentrationConstant = true;
  // Without a loading there is nothing to sediment: the model stays zero.
  if (SimulationRoads.ReactingEquilibrium()) {
    StartEngineRun(window, 0.0);
    GlobalLammRun.MaxTimeStep = kLongestAssociationStep;
    SimulationRoads.PropagateReactingSystem();
    MovingHatGridUpdate();
    ReportRunErrors(window);
  }
  GlobalLammRun.CallbackWindow = nullptr;
  SimulateBufferComponent(window);
}

}  // namespace

double AlgorithmSwitchThreshold(bool optimizedThreshold) {
  const LammSolverSettingsRecord& l = LammSolverSettings;
  const double normalized = optimizedThreshold ? l.SwitchThresholdOptimized : l.SwitchThreshold;
  const double speed = LastScanRpm() / 30000.0;
  return normalized / (speed * speed);
}

bool AutomaticChoiceIsMovingHat(double s, bool optimizedThreshold) {
  const double T = AlgorithmSwitchThreshold(optimizedThreshold);
  if (std::fabs(s) < T) return false;
  if (std::fabs(s) > T) return true;
  return LammSolverSettings.MovingFrame;
}

void SelectFiniteElementAlgorithm(bool movingHat) {
  LammSolverSettingsRecord& l = LammSolverSettings;
  if (movingHat && !l.MovingFrame) {
    l.MovingFrame = true;
    l.FixedGrid = false;
    l.AutoSGrid = true;
    ResizeSimulationArrays(l.LammGridSize);
  } else if (!movingHat && !l.FixedGrid) {
    l.FixedGrid = true;
    l.FixedTimeStep = false;
    l.MovingFrame = false;
    ResizeSimulationArrays(l.LammGridSize);
  }
}

bool GlobalArrayRoadAvailable() {
  const SimulationRoadsRecord& r = SimulationRoads;
  const ModelKind kind = ModelSelection.Kind;
  if (CorrectionOptions.BufferMismatch.On && !r.BufferSedimentation) return false;
  if (kind == ModelKind::ReactingABC) return r.ReactingEquilibrium && r.PropagateReactingSystem;
  if (IsConcentrationDependentKind(kind))
    return ConcentrationDependentEngine(!IsOligomerTableKind(kind) &&
                                        AssociationChoiceIsMovingHat()) != nullptr;
  if (IsDiscreteSpeciesKind(kind)) return DiscreteRoadAvailable();
  return true;
}

void StartEngineRun(platform::WindowHandle window, double startTime) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const LammSolverSettingsRecord& l = LammSolverSettings;
  run.KeepRunning = 1;
  run.IterationCount = 0;
  run.SimTime = startTime;
  run.NextScan = run.FirstSimulatedScan;
  run.NextScanTime = OutputTimeOf(run.NextScan);
  ComputationAbort = false;
  run.OutputPending = 1;
  run.OutputTime = run.NextScanTime;
  run.TimeStep = 1.0;
  run.MaxRelativeChange = l.MaxChangePerStep;
  run.RelativeChangeLow = 0.05 * l.MaxChangePerStep;
  run.RelativeChangeMid = 0.2 * l.MaxChangePerStep;
  run.CallbackWindow = window;
  run.RunRpm = run.FinalRpm = LastScanRpm();
}

void ResetRotorAcceleration() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.Accelerating = false;
  run.FinalRpm = LastScanRpm();
  if (!ScanDataSet.RampRotorSpeed || DlsDataMode) return;
  const ScanHeader& first = HeaderAt(1);
  run.Accelerating = true;
  run.AccelDuration = first.RampDuration;
  run.AccelRate = first.RampAcceleration;
  run.AccelMaxStep = 10.0;
  if (run.AccelDuration < 10.0) {
    run.AccelDuration = 0.0;
    run.Accelerating = false;
    run.RunRpm = run.FinalRpm;
  }
}

void LoadConstantProfile(double amplitude) {
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  const int n = a.LammAllocatedSize;
  const bool zone = IsZoneModel(ModelSelection.Kind);
  const double edge = a.LammRadius[1] + ModelParameters.LamellaWidth;
  for (int i = 1; i <= n; ++i) {
    double c = amplitude;
    if (zone && !ModelSelection.InvertBand) c = a.LammRadius[i] <= edge ? amplitude : 0.0;
    if (zone && ModelSelection.InvertBand) c = a.LammRadius[i] < edge ? 0.0 : amplitude;
    a.LammConcentration[i] = c;
  }
}

void LoadExperimentalProfile(double factor) {
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  const InitialDistributionRecord& init = InitialDistribution;
  const int n = a.LammAllocatedSize;
  std::fill(a.LammConcentration + 1, a.LammConcentration + n + 1, 0.0);
  if (init.Count > 0)
    ResampleCurveToDouble(n, a.LammRadius, a.LammConcentration, init.Count, init.Radius.data(),
                          init.Signal.data());
  for (int i = 1; i <= n; ++i)
    a.LammConcentration[i] =
        std::max(0.0, a.LammConcentration[i] - ModelParameters.Baseline) * factor;
}

void ReportEngineMissing(platform::WindowHandle window) {
  platform::Current().ShowMessageBox({window,
                                      "simulation of this model is not available in this version",
                                      "ERROR", platform::BoxIcon::None, platform::BoxButtons::Ok});
  ComputationAbort = true;
}

void ReportRunErrors(platform::WindowHandle window) {
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  if (run.TridiagError) ReportSimulationError(window, 3);
  if (run.NonidealityError) ReportSimulationError(window, 7);
  if (run.DiscretizationError) ReportSimulationError(window, 2);
}

bool RunGlobalArrayRoad(platform::WindowHandle window) {
  if (!DlsDataMode) {
    if (ModelParameters.Meniscus == 0.0f || ModelParameters.Bottom == 0.0f) {
      platform::Current().ShowMessageBox({window, "set Meniscus and Bottom first", "",
                                          platform::BoxIcon::None, platform::BoxButtons::Ok});
      return false;
    }
    if (!PrepareWorkArrays()) return false;
    DefaultFitLimits();
  }
  UnpackParameterVector();
  GlobalLammRun.BasisMode = SimulationUsesBasis();
  if (GlobalLammRun.BasisMode && !PrepareSpeciesBasis()) return false;
  PrepareInitialDistribution();
  ClearSimulatedModels(window);
  ResetRotorAcceleration();
  SpeciesSignals.BackDiffusionShutOffApplies = false;

  const ModelKind kind = ModelSelection.Kind;
  if (kind == ModelKind::ReactingABC) {
    RunReactingRoad(window);
    return true;
  }
  if (IsConcentrationDependentKind(kind)) {
    RunAssociationRoad(window);
    return true;
  }
  if (IsDiscreteSpeciesKind(kind)) return RunDiscreteRoad(window);
  return true;
}
