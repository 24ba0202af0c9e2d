// The distribution run: preconditions, grid, species of the grid points,
// kernel, and the hand-over to the solve phase (ContiRunSolve.cpp).

#include "distributions/RunContiSed.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "state/LoadOptions.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiKernel.h"
#include "distributions/ContiNonid.h"
#include "distributions/ContiRunSolve.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionDiagnostics.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionPlotFlags.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Sounds.h"

ContiKernelServicesRecord ContiKernelServices;

namespace {

void ShowRunMessage(const std::string& text, const std::string& caption = "",
                    platform::BoxIcon icon = platform::BoxIcon::None) {
  platform::Current().ShowMessageBox({nullptr, text, caption, icon, platform::BoxButtons::Ok});
}

void ShowNotAvailable(const char* what) {
  ShowRunMessage(FormatText("%s is not available in this version", what), "ERROR");
}

bool IsLsGStarFamily(ModelKind kind) {
  return kind == ModelKind::LsGStar || kind == ModelKind::HybridCSLsGStar ||
         kind == ModelKind::LsGStarOneDiscrete;
}

// The user's view of nonlinear-detection data is restored on every return
// but the normal end, where storing does it.
class DetectionView {
 public:
  DetectionView() {
    if (ContiKernelServices.ApplyNonlinearDetection)
      ContiKernelServices.ApplyNonlinearDetection(true);
  }
  ~DetectionView() {
    if (armed_ && ContiKernelServices.ApplyNonlinearDetection)
      ContiKernelServices.ApplyNonlinearDetection(false);
  }
  DetectionView(const DetectionView&) = delete;
  DetectionView& operator=(const DetectionView&) = delete;
  void Disarm() { armed_ = false; }

 private:
  bool armed_ = true;
};

// The light-scattering kernels are decays of the field autocorrelation
// g(1), whose amplitudes add up; the intensity autocorrelation g(2) - 1 is
// the square of their sum (Siegert) and not linear in them, so such data are
// offered for conversion before anything is computed. False when the user
// declines.
bool FieldAutocorrelationsReady(platform::WindowHandle window) {
  const auto& k = ContiKernelServices;
  // Without scans there is nothing to convert, and the run ends silently.
  if (ScanDataSet.NFILES == 0 || !k.DataAreFieldAcf || !k.ConvertToFieldAcf || k.DataAreFieldAcf())
    return true;
  if (!AskYesNo(window, "DLS data for this model must be field autocorrelation g(1) - transform?",
                "ERROR"))
    return false;
  k.ConvertToFieldAcf(window);
  if (RepaintMainWindow) RepaintMainWindow(window);
  return true;
}

// Steps of the run before any grid: false (after a message where one is
// due) when the run must end; outcome tells how.
bool CheckPreconditions(platform::WindowHandle window, ModelKind kind, ContiRunOutcome& outcome) {
  outcome = ContiRunOutcome::Refused;
  if (ScanDataSet.TimesFromW2t && IsNonidealCsFamily(kind)) {
    ShowRunMessage(
        "nonideal c(s) not implemented for wwt times (switch Lamm Eq settings and reload data)");
    return false;
  }
  if (kind == ModelKind::CSWithMsTable) {
    DistributionRunFlags.MsTableDistribution = true;
    // This model shows its distribution over s; a plot left converted to
    // c(M) by an earlier run is made afresh over the s axis first.
    auto& plot = DistributionPlotFlags;
    if (plot.DistShownAsMolarMass && InitDistributionPlot) InitDistributionPlot();
    plot.DistShownAsMolarMass = false;
  }
  if (DlsDataMode) {
    ComputationAbort = false;
    if (!FieldAutocorrelationsReady(window)) return false;
  }
  auto& lamm = LammSolverSettings;
  if (!lamm.MovingFrame) {
    lamm.MovingFrame = true;
    lamm.FixedGrid = false;
    // Arrays made for the fixed grid (a grid-size change after the last run
    // resizes them for it) lack the moving hat's block; the allocation
    // below would then drop them and the run would end with nothing.
    ResizeSimulationArrays(lamm.LammGridSize);
  }
  if (ScanDataSet.NFILES == 0) {
    outcome = ContiRunOutcome::Silent;
    return false;
  }
  if (ScanReaderOptions.ElectrophoresisDataMode && kind != ModelKind::ElectrophoresisCV &&
      kind != ModelKind::ElectrophoresisLsGStar) {
    ShowRunMessage("not implemented for electrophoresis data");
    return false;
  }
  if (ScanDataSet.EquilibriumDataMode && IsLsGStarFamily(kind))
    ShowRunMessage("not implemented for sed eq data", "", platform::BoxIcon::Warning);
  if (ModelParameters.Meniscus == 0 || ModelParameters.Bottom == 0) {
    ShowRunMessage("set Meniscus and Bottom first");
    return false;
  }
  return ContiKernelAvailable(kind);
}

void StatusText(platform::WindowHandle window, int y, const std::string& text) {
  if (DrawingAllowed && !FitControl.FitRunning)
    platform::Current().DrawWindowText(window, 10, y, text);
}

// Largest s whose boundary is still inside the fit range in the first scan.
float MaxObservableS() {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  const double rightRadius = g.CommonGrid[g.GridLastFitIndex];
  const double w2t = d.ScanHeaders[d.ScanTimeOrder[1]].Omega2t;
  return static_cast<float>(1e13 * std::log(rightRadius / ModelParameters.Meniscus) / w2t);
}

// Step 15: the grid, unless a search or a simulation keeps the present one.
bool PrepareGrid(ModelKind kind) {
  auto& flags = DistributionRunFlags;
  if (flags.InNonlinearSearch) {
    flags.Grid2DRebuild = true;
    return true;
  }
  if (flags.SimulateFromDistribution) return true;
  if (IsTwoDimensionalModel(kind)) Grid2DChanged();
  if (IsTwoDimensionalModel(kind) && !flags.Grid2DRebuild) {
    if (GridServices.MakePriorProfile) GridServices.MakePriorProfile();
    return true;
  }
  return MakeContiGrid();
}

// An interrupted kernel: the display keeps the previous curves, the kernel
// goes.
void KernelInterrupted(platform::WindowHandle window) {
  auto& flags = DistributionRunFlags;
  flags.ComputationInterrupted = true;
  if (flags.InNonlinearSearch) return;
  flags.FitCurvesShown = true;
  if (flags.RepaintAfterRun) RepaintMainWindow(window);
  FreeKernelArray();
}

bool PointByPointKernel(ModelKind kind) {
  return DlsDataMode || ScanDataSet.EquilibriumDataMode || kind == ModelKind::ElectrophoresisCV;
}

// The temperature of the species: that of the last scan loaded, or the
// buffer's for light-scattering data.
float SpeciesTemperature() {
  if (DlsDataMode) return SolventConditions.BufferTemperature - 273.15f;
  return ScanDataSet.ScanHeaders[ScanDataSet.NFILES].Temperature;
}

struct GridSpecies {
  std::vector<double> s, D, vbar;
};

bool IsCsFamily(ModelKind kind) {
  switch (kind) {
    case ModelKind::ContinuousCS:
    case ModelKind::CSConformationalChange:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::CSWormlikeChain:
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSInvariantD:
    case ModelKind::CSLinearRods:
      return true;
    default:
      return false;
  }
}

// The status line of grid point i while its kernel column is computed on
// this thread (the light-scattering, equilibrium and point-by-point models).
std::string GridPointText(ModelKind kind, int i, const GridPointSpecies& x) {
  const int n = LammSolverSettings.LammGridSize;
  const double s = x.s, D = x.D, M = x.M;
  const char* massWithN = "solving Lamm equation for s = %.3f S (D=%1.3e cm^2/sec, M=%.0f), n=%d    ";
  const char* massWithoutN = "solving Lamm equation for s = %.3f S (D=%1.3e cm^2/sec, M=%.0f)    ";
  const char* steps = "stepfunctions for s = %.3fS ";
  if (DlsDataMode)
    return FormatText("simulating for D = %.3e cm^2/sec (log10(rh/cm) = %1.3e)    ", D,
                      static_cast<double>(DistributionResult.DistSGrid[static_cast<std::size_t>(i)]));
  switch (kind) {
    case ModelKind::LsGStar:
      return FormatText(steps, s);
    case ModelKind::CSFlotation:
      return FormatText(
          "solving Lamm equation for s = %.3f S (D=%1.3e cm^2/sec, Mb=%.0f), n=%d    ", s, D, M, n);
    case ModelKind::HybridCSLsGStar:
      if (i == 1 && DistributionSettings.HybridIncludesDiscrete)
        return FormatText(massWithoutN, s, D, M);
      if (s < DistributionSettings.HybridSThreshold) return FormatText(massWithN, s, D, M, n);
      return FormatText(steps, s);
    case ModelKind::LsGStarOneDiscrete:
      return i == 1 ? FormatText(massWithoutN, s, D, M) : FormatText(steps, s);
    case ModelKind::ElectrophoresisCV:
      return FormatText("simulating for v = %.3f (D=%1.3e cm^2/sec)    ", s, D);
    default:
      break;
  }
  if (IsCsFamily(kind)) return FormatText(massWithN, s, D, M, n);
  return FormatText("solving Lamm equation for M = %.0f Da (D=%1.3e cm^2/sec, s=%.3fS), n=%d    ",
                    M, D, s, n);
}

// Step 18: species of every grid point; the point-by-point kernels.
bool ConvertGrid(platform::WindowHandle window, ModelKind kind, int n, GridSpecies& species,
                 ContiRunOutcome& outcome) {
  const auto& flags = DistributionRunFlags;
  const bool twoD = IsTwoDimensionalModel(kind);
  // The electrophoresis grids hold velocities, which no s limit bounds.
  const bool limitVisible = !(IsLsGStarFamily(kind) || kind == ModelKind::ElectrophoresisCV ||
                              kind == ModelKind::ElectrophoresisLsGStar ||
                              DlsDataMode || ScanDataSet.EquilibriumDataMode ||
                              flags.InNonlinearSearch || flags.SimulateFromDistribution);
  const float t = SpeciesTemperature();
  auto& g = DistributionGrid;
  for (int i = 1; i <= n; ++i) {
    const auto p = static_cast<std::size_t>(i);
    g.CurrentGridIndex = i;
    g.CurrentGridMass = twoD ? g.Grid2DM[p] : DistributionResult.DistMGrid[p];
    const GridPointSpecies x = ConvertGridPoint(i, kind, t);
    outcome = ContiRunOutcome::Refused;
    if (x.Refused) return false;
    if (limitVisible && x.s > g.MaxObservableS) {
      ShowRunMessage(FormatText(
          "sedimentation coefficient #%d (%.3fS) is exceeding maximum observable s-values "
          "(%.3fS)\nfor given rotor speed, time of first scan, and outer data limit\nload earlier "
          "scans or reduce maximal size of species",
          i, x.s, g.MaxObservableS));
      return false;
    }
    species.s[p] = x.s;
    species.D[p] = x.D;
    species.vbar[p] = kind == ModelKind::CMPriorVbar ? VbarFromMass(x.M) : SolventConditions.VBAR;
    if (PointByPointKernel(kind) || IsNonidealCsFamily(kind))
      StatusText(window, 30, GridPointText(kind, i, x));
    if (DlsDataMode) {
      if (kind == ModelKind::DlsIRhTimeCourse)
        ContiKernelServices.DlsKernelColumn(x.D);
      else
        ContiKernelServices.DlsKernel(x.D);
    } else if (ScanDataSet.EquilibriumDataMode) {
      const auto& sc = SolventConditions;
      ContiKernelServices.EqExponentialKernel((1.0 - sc.VBAR * sc.BufferDensity) * x.M);
    } else {
      ComputationAbort = false;
    }
    if (ComputationAbort) {
      KernelInterrupted(window);
      ComputationAbort = false;
      outcome = ContiRunOutcome::Interrupted;
      return false;
    }
  }
  return true;
}

// Step 19: the Lamm kernels, all grid points at once.
bool SolveLammKernels(platform::WindowHandle window, ModelKind kind, int n, GridSpecies& species,
                      ContiRunOutcome& outcome) {
  ComputationAbort = false;
  if (IsNonidealCsFamily(kind)) {
    ContiKernelServices.RunNonidcofsSedList(window, n, species.s.data(), species.D.data(),
                                            species.vbar.data());
  } else if (!RunSVContiSedList(window, n, species.s.data(), species.D.data(),
                                species.vbar.data())) {
    outcome = ContiRunOutcome::Refused;
    return false;
  }
  if (!ComputationAbort) return true;
  // The abort stays set, so that a fit's objective sees it.
  KernelInterrupted(window);
  outcome = ContiRunOutcome::Interrupted;
  return false;
}

// Step 28: the next run starts from the automatic choice with the fixed grid.
void ResetLammAlgorithm() {
  auto& lamm = LammSolverSettings;
  lamm.AutomaticAlgorithm = true;
  lamm.FixedGrid = true;
  lamm.MovingFrame = false;
  lamm.FixedTimeStep = false;
}

}  // namespace

bool ContiKernelAvailable(ModelKind kind) {
  const auto& k = ContiKernelServices;
  if (DlsDataMode &&
      !(k.DlsKernel && k.DlsKernelColumn && k.DataAreFieldAcf && k.ConvertToFieldAcf)) {
    ShowNotAvailable("the kernel of light-scattering data");
    return false;
  }
  if (!DlsDataMode && ScanDataSet.EquilibriumDataMode && !k.EqExponentialKernel) {
    ShowNotAvailable("the kernel of sedimentation equilibrium data");
    return false;
  }
  switch (kind) {
    case ModelKind::ElectrophoresisCV:
      // Its boundaries diffuse in the linear geometry of electrophoresis; an
      // empty kernel would pass for an all-zero distribution.
      ShowNotAvailable(
          "the kernel of the c(v) model (a moving boundary of constant D in the linear "
          "electrophoresis geometry)");
      return false;
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
      if (k.RunNonidcofsSedList) return true;
      ShowNotAvailable(kind == ModelKind::HinderedCS ? "the hindered c(s) model"
                                                     : "the non-ideal c(s) model");
      return false;
    default:
      return true;
  }
}

ContiRunOutcome RunContiSed(platform::WindowHandle window) {
  auto& flags = DistributionRunFlags;
  const ModelKind kind = ModelSelection.Kind;
  LogDistributionStep(window, "\nEntering RunContiSed");
  flags.MsTableDistribution = false;
  ContiRunOutcome outcome = ContiRunOutcome::Refused;
  // The global-array engines of the c(M) kernel hand each finished profile
  // over through this hook; it places it in the current grid point's column.
  StoreLammColumnForKernel = MapLammColumnToScan;
  if (!CheckPreconditions(window, kind, outcome)) return outcome;

  DetectionView detection;
  DefaultFitLimits();
  if (!flags.InNonlinearSearch) UnpackParameterVector();
  StatusText(window, 30, "allocating memory space...    ");
  if (!DlsDataMode && !flags.SimulateFromDistribution && kind != ModelKind::ElectrophoresisCV)
    DistributionGrid.MaxObservableS = MaxObservableS();
  if (!PrepareGrid(kind)) return ContiRunOutcome::Refused;
  if (!DistKernel.Exists() || !NormalEquations.Exists()) return ContiRunOutcome::Silent;
  if (!DlsDataMode && AllocSimulationArrays() == 0) return ContiRunOutcome::Silent;

  const bool twoD = IsTwoDimensionalModel(kind);
  const int n = twoD ? DistributionSettings.Grid2DSize : DistributionSettings.DistGridSize;
  DistributionResult.DistAxisTransformed = false;
  const bool kernelKept = twoD && !flags.Grid2DRebuild;
  if (!kernelKept) {
    GridSpecies species{std::vector<double>(static_cast<std::size_t>(n) + 1),
                        std::vector<double>(static_cast<std::size_t>(n) + 1),
                        std::vector<double>(static_cast<std::size_t>(n) + 1)};
    if (!ConvertGrid(window, kind, n, species, outcome)) return outcome;
    if (!PointByPointKernel(kind) && !SolveLammKernels(window, kind, n, species, outcome))
      return outcome;
  }
  // The line closes both the loop and the release of its species' vectors.
  LogDistributionStep(window, "\n RunContiSed loop and sims done");
  LogDistributionStep(window, "\n RunContiSed loop and sims done");

  if (!kernelKept) {
    if (!FitControl.FitRunning) {
      LogDistributionStep(window, "\n RunContiSed normal equations output start");
      StatusText(window, 50, "calculating normal equations (hit any key to interrupt)...");
      LogDistributionStep(window, "-end.");
    }
    if (flags.SimulateFromDistribution && !twoD) {
      SimulateFromDistribution(n);
      return ContiRunOutcome::Simulated;
    }
    BuildContiNormalEquations(window);
    if (IsNonidealCsFamily(kind) && !ComputationAbort) UpdateCtotFromBestFit();
  }
  StatusText(window, 70, "calculating distribution, adjusting variance ratio  ");
  if (ComputationAbort) {
    flags.ComputationInterrupted = true;
    PlayOkSound();
    ShowRunMessage("user interrupt", "ERROR");
    outcome = ContiRunOutcome::Interrupted;
  } else {
    RegularizeDistribution(kind, n, window);
    outcome = flags.InNonlinearSearch ? ContiRunOutcome::Solved : ContiRunOutcome::Stored;
  }
  LogDistributionStep(window, "\n RunContiSed cleanup start");
  detection.Disarm();
  if (!flags.InNonlinearSearch) StoreDistributionResult(window);
  if (IsNonidealCsFamily(kind) &&
      (FitControl.TINoiseFitted || ModelParameters.RINoiseFitted))
    EndExternalMeanField();
  ResetLammAlgorithm();
  LogDistributionStep(window, " --> cleanup done.");
  return outcome;
}
