// The non-ideal c(s) model: choice of the mean field, the kernel in two
// passes, and the field's update from the best fit.

#include "distributions/ContiNonid.h"

#include <algorithm>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "distributions/ContiKernel.h"
#include "distributions/CtotMovie.h"
#include "distributions/DistributionDiagnostics.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionNNLS.h"
#include "distributions/DistributionNormalEquations.h"
#include "distributions/ScaleRegularization.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionSettingsRecords.h"
#include "lamm/CLammNonIdeal.h"
#include "lamm/LammLists.h"
#include "lamm/VolumeFractionFactors.h"
#include "models/GlobalLammState.h"
#include "models/SimulationErrors.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "ui/Boxes.h"

double LastUnregularizedChi2 = -1.0;
std::unique_ptr<CContiNonid> pCContiNonidSim;

namespace {

CtotSettingsRecord& Settings() {
  return CorrectionOptions.Ctot;
}

void ShowRefusal(platform::WindowHandle window, const std::string& text) {
  platform::Current().ShowMessageBox(
      {window, text, "", platform::BoxIcon::Warning, platform::BoxButtons::Ok});
}

const ScanHeader& LastScanHeader() {
  const auto& d = ScanDataSet;
  return d.ScanHeaders[d.ScanTimeOrder[d.NFILES]];
}

// The file name of the last scan (in time order) not later than the last
// external frame.
std::string LastCoveredScan() {
  const auto& d = ScanDataSet;
  std::string name;
  if (!pCtotMovie || !pCtotMovie->Loaded) return name;
  const float end = pCtotMovie->Times[pCtotMovie->FrameCount];
  for (int p = 1; p <= d.NFILES; ++p) {
    const int scan = d.ScanTimeOrder[p];
    if (d.ScanHeaders[scan].Time <= end) name = d.ScanFilePaths[scan];
  }
  return name;
}

// The unregularised solve over all grid points; false when NNLS fails.
bool SolveUnregularized(double& chi2) {
  auto& neq = NormalEquations;
  const int n = DistributionSettings.DistGridSize;
  neq.RegularizedCount = n;
  PenaltySetup setup;
  setup.PointCount = n;
  AddSecondDerivativeMatrix(neq, setup, 0.0);
  if (NNLS(neq, n) != NnlsResult::Solved) return false;
  chi2 = ChiSquareFromNormalEquations(neq, n);
  LastUnregularizedChi2 = chi2;
  return true;
}

int FirstFieldPoint() {
  return Settings().ExcludeDiscreteFromCtot ? 2 : 1;
}

}  // namespace

CContiNonid::CContiNonid() {
  const auto& s = Settings();
  SolverGridSize = s.MovienGrid > 0 ? s.MovienGrid : 500;
  CtotRadialPoints = s.CtotRadialPoints > 0 ? s.CtotRadialPoints : 100;
}

bool CtotFieldInUse() {
  const CContiNonid* c = pCContiNonidSim.get();
  return c != nullptr && c->FieldAllocated && c->FieldValid && c->UseCtotField;
}

void DeleteContiNonidSim() {
  pCContiNonidSim.reset();
}

bool PrepareNonidealMeanField() {
  auto& s = Settings();
  bool useStored = true;
  if (!pCContiNonidSim) {
    pCContiNonidSim = std::make_unique<CContiNonid>();
    useStored = false;
  }
  CContiNonid& c = *pCContiNonidSim;
  c.FieldUpdatesAllowed = true;
  if (s.UseExternalCtot) {
    if (!pCtotMovie || !pCtotMovie->Loaded) {
      c.ExternalInUse = false;
      ErrorBox("use external mean field: not loaded");
    } else if (ScanDataSet.NFILES < 1 ||
               !pCtotMovie->CoversData(LastScanHeader(), LastCoveredScan())) {
      c.ExternalInUse = false;
      s.UseExternalCtot = false;
      s.CtotFromDataOnly = true;
      useStored = false;
    } else {
      c.ExternalInUse = true;
      useStored = true;
      if (s.FreezeCtot) c.FieldUpdatesAllowed = false;
    }
  }
  if (!s.UseExternalCtot) {
    if (s.CtotFromDataOnly) {
      c.FreeCtotField();
      c.FieldUpdatesAllowed = false;
      useStored = false;
    } else {
      if (!c.FieldAllocated) {
        useStored = false;
      } else {
        if (c.BestChi2 < 0 || !c.FieldValid) useStored = false;
        if (!c.FingerprintMatches()) {
          ErrorBox("data appear to have changed - switching back to data extrapolation mode");
          useStored = false;
        }
      }
      c.FieldUpdatesAllowed = !(useStored && s.FreezeCtot);
    }
  }
  if (useStored) {
    c.UseDataExtrapolation = false;
    c.UseCtotField = true;
  } else {
    c.UseDataExtrapolation = true;
    c.UseCtotField = false;
    c.AllocateLevelArrays();
    c.ExtrapolateLevelTrajectories();
    c.BestChi2 = -1.0;
  }
  return true;
}

int CContiNonid::RunMTList(platform::WindowHandle window, int count, const double* s,
                           const double* D, const double* vbar) {
  LogDistributionStep(window, "\n  enter RunMTList to start MT sims");
  GlobalLammRun.DiscretizationError = 0;
  GlobalLammRun.TridiagError = 0;
  CLammNonIdeal master;
  ConfigureKernelMaster(window, master, 1.0, 10.0, false);
  master.DefaultGridSize = SolverGridSize;
  const WienerSkewingRecord& w = CorrectionOptions.WienerSkewing;
  if (w.On) master.SetWienerSkewing(w.Magnitude, w.SignalPerConcentration);
  const auto& e = SpeciesEngineParameters;
  // The hindered variant reads slot 20 as the volume correction factor and
  // slot 21 as the Baxter temperature of sticky spheres, when those are on.
  const bool hindered = ModelSelection.Kind == ModelKind::HinderedCS;
  master.SetNonidealModel(e.LogKs, e.LogKd, ScanDataSet.SignalPerConcentration, hindered ? 1 : 0,
                          hindered && StickyHardSpheres ? 1 : 0);
  if (FieldAllocated && FieldValid && UseCtotField) {
    master.SetCtotFromSolution(CtotTimeCount, ResampledSize, ResampledCtot.get(),
                               CtotTimes.data());
    WriteFieldDebugFrames("movieframe", "simradmovieframe");
  } else {
    master.SetMeanField(ExtrapolationTimeCount, LevelCount, LevelTrajectory.get(),
                        ExtrapolationTimes.data(), LevelValues.data(), LevelStep,
                        ProgramPaths.TempFolder.c_str());
  }
  if (Settings().CreateDebugFiles && !DistributionRunFlags.InNonlinearSearch)
    master.DebugLogOn = 1;
  // Each equation's concentration profile at every grid time lands in its
  // row of the store, from which the field is built.
  if (FieldUpdatesAllowed) {
    if (!HasTimeGrid) MakeCtotTimeGrid(LastScanHeader().Time);
    if ((!ProfileStoreAllocated || StoredEquationCount != count) && !AllocateProfileStore(count)) {
      CtotTimeCount = StoredEquationCount = 0;
      ProfileStoreAllocated = false;
    }
    if (ProfileStoreAllocated)
      master.SetProfileOutput(CtotTimeCount, CtotRadialPoints, nullptr, ProfileStore(),
                              CtotTimes.data(), StoredRadii.data());
  }
  const int code = CLRunMTList(master, count, s, D, vbar, DistKernel.get(),
                               CommonRadialGrid.CommonGrid, CommonRadialGrid.CommonGridSize,
                               nullptr, nullptr);
  LogDistributionStep(window, " --> done with sims");
  return code;
}

void RunNonidcofsSedList(platform::WindowHandle window, int n, const double* s, const double* D,
                         const double* vbar) {
  LogDistributionStep(window, "\nEnter RunNonidcofsSedList");
  GlobalLammRun.CallbackWindow = window;
  if (InhomogeneousSolventOn) {
    ShowRefusal(window, "nonideal c(s) model not implemented yet for inhomogeneous solvent");
    return;
  }
  if (StoredDistributionServices.BufferMismatchOn && StoredDistributionServices.BufferMismatchOn()) {
    ShowRefusal(window, "nonideal c(s) model not implemented yet with buffer mismatch signals");
    return;
  }
  if (!pCContiNonidSim) {
    ShowRefusal(window, "error -- no pCContiNonidSim object allocated");
    return;
  }
  CContiNonid& c = *pCContiNonidSim;
  if (c.ExternalInUse) c.LoadExternalCtot();
  const auto& mp = ModelParameters;
  if (c.UseDataExtrapolation) {
    const int code = c.RunMTList(window, n, s, D, vbar);
    ReportSimulationError(window, code);
    if (code > 0) return;
    if (!Settings().CtotFromDataOnly) {
      ContiNormalEquationSettings settings;
      settings.MultithreadingOn = DistributionSettings.MultithreadingOn;
      settings.ThreadCount = DistributionSettings.ThreadCount;
      settings.PurpleProgress = true;
      if (!ContiNormalEquations(window, settings)) return;
      double chi2 = 0.0;
      if (!SolveUnregularized(chi2)) return;
      if (c.BestChi2 < 0 || chi2 < c.BestChi2) {
        c.BuildCtotFromSolutions(NormalEquations.DistSolution.data(), FirstFieldPoint(),
                                 DistributionSettings.DistGridSize);
        c.BestChi2 = chi2;
        c.UseCtotField = true;
        c.RebuildAtFinalSolve = true;
      }
    }
  }
  if (c.UseCtotField) {
    c.ResampleCtot(mp.Meniscus, mp.Bottom, c.SolverGridSize, false);
    const int code = c.RunMTList(window, n, s, D, vbar);
    ReportSimulationError(window, code);
    if (code > 0) return;
  }
  LogDistributionStep(window, " --> OUT");
}

void UpdateCtotFromBestFit() {
  CContiNonid* p = pCContiNonidSim.get();
  if (p == nullptr || !p->ProfileStoreAllocated || !p->FieldAllocated || !p->UseCtotField) return;
  CContiNonid& c = *p;
  double chi2 = 0.0;
  if (!SolveUnregularized(chi2)) return;
  const bool allowed = !Settings().FreezeCtot && c.FieldUpdatesAllowed;
  const auto rebuild = [&] {
    c.BuildCtotFromSolutions(NormalEquations.DistSolution.data(), FirstFieldPoint(),
                             DistributionSettings.DistGridSize);
    c.BestChi2 = chi2;
  };
  if (c.ExternalInUse) {
    if (c.BestChi2 == -1.0)
      c.BestChi2 = chi2;
    else if (chi2 < c.BestChi2 && allowed)
      rebuild();
  } else if ((chi2 < c.BestChi2 || c.RebuildAtFinalSolve) && allowed) {
    rebuild();
  }
  c.RebuildAtFinalSolve = false;
}

void EndExternalMeanField() {
  CContiNonid* c = pCContiNonidSim.get();
  if (c == nullptr || !c->ExternalInUse || !c->FieldValid || Settings().FreezeCtot) return;
  c->ExternalInUse = false;
  Settings().UseExternalCtot = false;
}
