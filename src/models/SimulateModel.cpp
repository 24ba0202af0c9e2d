#include "models/SimulateModel.h"
#include "models/SimulationRoads.h"

#include <cmath>
#include <cstdint>

#include "state/LoadOptions.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammDisplayLinks.h"
#include "lamm/FluorescenceDetectionRecord.h"
#include "models/GlobalArrayRoads.h"
#include "models/GlobalLammState.h"
#include "models/LammSolverSetup.h"
#include "models/LinearParameters.h"
#include "models/ParameterPacking.h"
#include "models/SimulationErrors.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/OneBasedArrays.h"
#include "ui/OkBox.h"

const FluorescenceDetectionRecord* SimulationFluorescenceDetection = nullptr;

namespace {

// Absorbance to transmitted fraction: 10^-A = e^(-ln(10) A).
constexpr double kLn10 = 2.30258509;

bool SolverObjectRoad() {
  const ModelKind kind = ModelSelection.Kind;
  if (kind == ModelKind::NonidealMultipleSpecies) return true;
  // The Faxen boundary is a closed form of the discrete road; the solver
  // objects would compute the Lamm solution instead. The sedimenting buffer
  // of a mismatch is the discrete road's last column.
  return !CorrectionOptions.BufferMismatch.On && !DlsDataMode && !ScanDataSet.EquilibriumDataMode &&
         !SpeciesSignals.FaxenApproximationOn &&
         !ModelParameters.InitialConcentrationExperimental && IsDiscreteSpeciesModel(kind) &&
         !ModelParameters.FirstComponentNonideal;
}

// Where a solver writes: the scans' own model rows (added to what is there)
// or the species' rows on the common grid.
struct SolverTarget {
  OneBasedArray<float*> Rows;
  OneBasedArray<float*> Radii;
};

SolverTarget TargetOf(int component, bool basis) {
  ScanDataSetRecord& d = ScanDataSet;
  SolverTarget t;
  t.Rows.Resize(1, d.NFILES);
  t.Radii.Resize(1, d.NFILES);
  for (int j = 1; j <= d.NFILES; ++j) {
    t.Rows[j] = basis ? SpeciesSignals.SpeciesBasis[component][j].data() : d.ScanModel[j].data();
    t.Radii[j] = d.ScanRadius[j].data();
  }
  return t;
}

// Component 1 of the non-ideal multi-species model: s and D follow the
// total concentration by ks and kd (repulsive: with their signs; else both
// negated); with a loading of species 2 or 3 all three species (slots 27-34:
// loading, s, D in 1e-7 cm^2/s) sediment together, each with its signal per
// unit loading.
void SetMultipleSpeciesNonideality(CLammIdeal& solver) {
  const ModelParametersRecord& mp = ModelParameters;
  const SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  const auto& set = mp.NonidealMultiSetting;
  const double s1 = mp.SedCoefficient[1], D1 = SpeciesDiffusion(1), c1 = mp.Concentration[1];
  const bool multi = set[3].Value > 0.0f || set[7].Value > 0.0f;
  const double loadings[4] = {0.0, c1, set[3].Value, set[7].Value};
  const double s[4] = {0.0, s1, set[4].Value, set[8].Value};
  const double D[4] = {0.0, D1, set[5].Value * 1e-7, set[9].Value * 1e-7};
  const double weights[4] = {0.0, mp.SpeciesExtinction[1], mp.SpeciesExtinction[2],
                             mp.SpeciesExtinction[3]};
  const std::uint8_t sign = e.Repulsive ? 1 : 0;
  solver.SetSelfAssociation(0, multi ? 0 : 1, 1, 0, multi ? 1 : 0, multi ? 3 : 0,
                            multi ? loadings : nullptr, multi ? s : nullptr, multi ? D : nullptr,
                            multi ? weights : nullptr, e.LogKs, e.LogKd, sign, sign,
                            ScanDataSet.SignalPerConcentration, 0, 0, s1, D1, c1);
}

// One species by its own solver, set up in the solver's order.
void SolveComponent(platform::WindowHandle window, int i, bool basis) {
  ScanDataSetRecord& d = ScanDataSet;
  const ModelParametersRecord& mp = ModelParameters;
  const LammSolverSettingsRecord& l = LammSolverSettings;
  SolverTarget target = TargetOf(i, basis);
  GlobalLammRun.TridiagError = GlobalLammRun.DiscretizationError = 0;
  GlobalLammRun.NonidealityError = 0;
  GlobalLammRun.CallbackWindow = window;
  const bool nonideal = ModelSelection.Kind == ModelKind::NonidealMultipleSpecies && i == 1;
  const std::int32_t code = [&] {
    CLammIdeal solver;
    solver.SetIdealModel();
    solver.SetParameters(mp.SedCoefficient[i], SpeciesDiffusion(i), mp.Meniscus, mp.Bottom,
                         nonideal ? 1.0f : SpeciesSignals.SpeciesAmplitude[i], d.FitLeftLim,
                         d.FitRightLim);
    if (!d.CheckRotorAcceleration) solver.ClearAccelerationCheck();
    if (SimulationFluorescenceDetection)
      solver.SetFluorescenceDetection(*SimulationFluorescenceDetection, 1);
    // A single run shows its progress and each computed scan over the data.
    const std::uint8_t live = SpeciesSignals.LiveRunDisplay;
    const std::uint8_t suppressed = FitControl.FitRunning || !live;
    CWINPlot* plot = LammDisplayLinks.DataPlot();
    if (basis)
      solver.SetOutput(window, plot, d.ScanHeaders.data(), target.Rows.data(),
                       CommonRadialGrid.CommonGrid, CommonRadialGrid.CommonGridSize, nullptr,
                       nullptr, live, d.ScanTimeOrder.data(), d.NFILES, i, FitControl.FitRunning,
                       suppressed, l.ScanTimeCorrectionOn, l.ScanVelocity, l.RadialResolutionOn,
                       l.RadialResolutionRange, ScanReaderOptions.AbsorbanceData);
    else
      solver.SetOutput(window, plot, d.ScanHeaders.data(), target.Rows.data(), nullptr, 0,
                       target.Radii.data(), d.ScanPointCount.data(), live,
                       d.ScanTimeOrder.data(), d.NFILES, i, FitControl.FitRunning, suppressed,
                       l.ScanTimeCorrectionOn, l.ScanVelocity, l.RadialResolutionOn,
                       l.RadialResolutionRange, ScanReaderOptions.AbsorbanceData);
    // The frictional ratio is derived again by SetSolvent from s and D.
    ApplyLammSolverSettings(solver, 1.0f);
    if (mp.TimeOffsetOn) solver.SetStartTime(mp.TimeOffset);
    if (d.UsingSpeedSteps && d.DataSpeedProfile)
      solver.SetRotorSpeedProfile(d.DataSpeedProfile.get(), l.VariableSpeedDShutOff);
    if (!nonideal) {
      if (IsZoneModel(ModelSelection.Kind))
        solver.SetBandLoading(1, mp.LamellaWidth, ModelSelection.InvertBand);
      // The solver takes degrees Celsius.
      const SolventConditionsRecord& sc = SolventConditions;
      solver.SetSolvent(sc.BufferTemperature - 273.15, sc.VBAR, sc.BufferDensity, sc.RELVISCOSITY);
      // The inhomogeneous solvent (density gradient, sedimenting co-solute)
      // the title line announces must reach the solver, or the species
      // would sediment in the plain buffer after all.
      if (InhomogeneousSolventOn && SimulationRoads.ConfigureSolverSolvent)
        SimulationRoads.ConfigureSolverSolvent(solver);
    }
    if (ScanReaderOptions.AbsorbanceData && l.ScanTimeCorrectionOn && l.ScanVelocity > 0)
      solver.SetScanTimeOffset(FirstRadius(1));
    if (nonideal) SetMultipleSpeciesNonideality(solver);
    return solver.Solve();
  }();
  ReportSimulationError(window, code);
}

// Intensity data: the absorbance model becomes the transmitted intensity of
// the scan's reference intensity (second column).
void AbsorbanceModelToIntensity() {
  ScanDataSetRecord& d = ScanDataSet;
  for (int t = GlobalLammRun.FirstSimulatedScan; t <= d.NFILES; ++t) {
    const int j = d.ScanTimeOrder[t];
    if (d.ScanSecondColumn[j].size() < d.ScanPointCount[j]) continue;
    for (int k = 1; k <= d.ScanPointCount[j]; ++k)
      d.ScanModel[j][k] =
          static_cast<float>(std::exp(-kLn10 * d.ScanModel[j][k]) * d.ScanSecondColumn[j][k]);
  }
}

void CompleteSimulation(platform::WindowHandle window) {
  SolveLinearParameters();
  if (ScanReaderOptions.IntensityData) AbsorbanceModelToIntensity();
  SpeciesSignals.ModelCurvesValid = true;
  if (SpeciesSignals.LiveRunDisplay && RepaintMainWindow) RepaintMainWindow(window);
}

}  // namespace

bool IsDiscreteSpeciesKind(ModelKind kind) {
  return IsDiscreteSpeciesModel(kind);
}

bool IsAssociationKind(ModelKind kind) {
  return kind == ModelKind::MonomerDimer || kind == ModelKind::MonomerTrimer ||
         kind == ModelKind::SelfAssociation148 || kind == ModelKind::SelfAssociation124;
}

bool IsNonidealSpeciesKind(ModelKind kind) {
  return kind == ModelKind::NonidealSingleSpecies || kind == ModelKind::HinderedSingleSpecies ||
         kind == ModelKind::NonidealMultipleSpecies;
}

bool IsBufferColumn(int i) {
  return CorrectionOptions.BufferMismatch.On && i == NCOMP;
}

void SimulateBufferColumn(platform::WindowHandle window) {
  ModelParametersRecord& mp = ModelParameters;
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  mp.ComponentOn[NCOMP] = 1;
  // With linear concentrations the buffer is simulated at unit signal and
  // its amount solved with the species' loadings.
  if (mp.LinearConcentrations) b.BufferSignal = 1.0;
  SpeciesSignals.SpeciesAmplitude[NCOMP] = static_cast<float>(b.BufferSignal);
  if (SimulationRoads.BufferSedimentation) SimulationRoads.BufferSedimentation(window);
}

float LoadingShare(int i) {
  const ModelParametersRecord& mp = ModelParameters;
  if (mp.ComponentOn[i] == 0 || IsBufferColumn(i)) return 0.0f;
  int firstOn = 0;
  double others = 0.0;
  // The buffer column holds the buffer's amount, which is no part of the
  // sample's loading.
  for (int k = 1; k <= NCOMP; ++k) {
    if (mp.ComponentOn[k] == 0 || IsBufferColumn(k)) continue;
    if (firstOn == 0)
      firstOn = k;
    else
      others += mp.Concentration[k];
  }
  const double share = i == firstOn ? 1.0 - others : mp.Concentration[i];
  return static_cast<float>(std::max(0.0, share));
}

float LoadingAmplitude(int i) {
  const ModelParametersRecord& mp = ModelParameters;
  if (mp.ComponentOn[i] == 0) return 0.0f;
  int firstOn = 1;
  while (firstOn < NCOMP && mp.ComponentOn[firstOn] == 0) ++firstOn;
  float amplitude = static_cast<float>(mp.Concentration[firstOn] * LoadingShare(i));
  if (mp.LinearConcentrations && amplitude == 0.0f) amplitude = 1.0f;
  return amplitude;
}

double SpeciesDiffusion(int i) {
  const ModelParametersRecord& mp = ModelParameters;
  double D = 0.0;
  if (FitControl.MassInsteadOfD) {
    const double M = mp.MassOrD[i] > 0.0f ? mp.MassOrD[i] : 1e-10;
    const SolventConditionsRecord& sc = SolventConditions;
    D = mp.SedCoefficient[i] * 1e-13 * sc.GasConstantRT / ((1.0 - sc.VbarRho) * M);
  } else {
    D = mp.MassOrD[i] * 1e-7;
  }
  return std::fabs(D);
}

bool PrepareSpeciesBasis() {
  if (CommonRadialGrid.CommonGridSize < 1) SetupCommonRadialGrid();
  const int size = CommonRadialGrid.CommonGridSize;
  if (size < 1) return false;
  OneBasedArray<ScanArrays>& basis = SpeciesSignals.SpeciesBasis;
  basis.Resize(1, NCOMP);
  for (int i = 1; i <= NCOMP; ++i) {
    basis[i].Resize(1, ScanDataSet.NFILES);
    for (int j = 1; j <= ScanDataSet.NFILES; ++j) basis[i][j].Resize(1, size);
  }
  return true;
}

bool SimulationUsesBasis() {
  const ModelParametersRecord& mp = ModelParameters;
  return ModelSelection.Kind == ModelKind::ContinuousCM || mp.LinearConcentrations ||
         FitControl.TINoiseFitted || mp.RINoiseFitted;
}

void DefaultFitLimits() {
  ScanDataSetRecord& d = ScanDataSet;
  if (d.FitLeftLim == 0.0f) {
    d.FitLeftLim = ModelParameters.Meniscus;
    SetFirstFitIndex();
  }
  if (d.FitRightLim == 0.0f) {
    d.FitRightLim = ModelParameters.Bottom;
    SetLastFitIndex();
  }
}

void PrepareSimulation(platform::WindowHandle window) {
  ScanDataSetRecord& d = ScanDataSet;
  if (ModelParameters.Meniscus == 0.0f || ModelParameters.Bottom == 0.0f) {
    ShowBox(window, "set Meniscus and Bottom first", "");
    return;
  }
  DefaultFitLimits();
  UnpackParameterVector();
  for (int j = 1; j <= d.NFILES; ++j)
    for (int k = 1; k <= d.ScanPointCount[j]; ++k) d.ScanModel[j][k] = 0.0f;
  GlobalLammRun.FirstSimulatedScan = 1;
  const bool basis = SimulationUsesBasis();
  GlobalLammRun.BasisMode = basis;
  if (basis && !PrepareSpeciesBasis()) return;
  if (SpeciesSignals.LiveRunDisplay && RepaintMainWindow) RepaintMainWindow(window);

  ComputationAbort = false;
  for (int i = 1; i <= NCOMP && !ComputationAbort; ++i) {
    GlobalLammRun.CurrentSpecies = i;
    if (IsBufferColumn(i)) {
      SimulateBufferColumn(window);
      continue;
    }
    SpeciesSignals.SpeciesAmplitude[i] = LoadingAmplitude(i);
    if (ModelParameters.ComponentOn[i] == 0) continue;
    SolveComponent(window, i, basis);
  }
  CompleteSimulation(window);
}

namespace {

// The simulation compares its model with the transformed data of a
// nonlinear detector; the user's view comes back on every return.
class DetectionStep {
 public:
  DetectionStep() {
    if (SimulationRoads.ApplyNonlinearDetection) SimulationRoads.ApplyNonlinearDetection(true);
  }
  ~DetectionStep() {
    if (SimulationRoads.UpdateNonlinearDetection) SimulationRoads.UpdateNonlinearDetection();
    if (SimulationRoads.ApplyNonlinearDetection) SimulationRoads.ApplyNonlinearDetection(false);
  }
  DetectionStep(const DetectionStep&) = delete;
  DetectionStep& operator=(const DetectionStep&) = delete;
};

}  // namespace

void SimulateModel(platform::WindowHandle window) {
  if (ScanDataSet.NFILES == 0) return;
  const DetectionStep detection;
  // Whether a species is constant is a property of this simulation's
  // species; a value left by an earlier model must not steer the solve.
  SpeciesSignals.ConstantSpecies = false;
  const bool solverObject = SolverObjectRoad();
  // A buffer that cannot be simulated would leave its column silently empty.
  const bool bufferAvailable =
      !CorrectionOptions.BufferMismatch.On || SimulationRoads.BufferSedimentation;
  if (solverObject && bufferAvailable) {
    PrepareSimulation(window);
    return;
  }
  if (!solverObject && GlobalArrayRoadAvailable()) {
    if (RunGlobalArrayRoad(window)) CompleteSimulation(window);
    return;
  }
  ShowBox(window, "simulation of this model is not available in this version", "ERROR");
  // A fit must not go on evaluating a model that is never simulated.
  ComputationAbort = true;
}
