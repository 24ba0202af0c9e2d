#include "app/datacmds/SaveCommands.h"

#include <string>
#include <vector>

#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadingSupport.h"
#include "app/interaction/DistributionPeaks.h"
#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "state/SiblingPeakList.h"
#include "app/window/TXLAWindow.h"
#include "data/AnalysisSideFiles.h"
#include "data/DataSetLinks.h"
#include "data/DerivedDataSets.h"
#include "data/FilePathParts.h"
#include "data/FitDataFiles.h"
#include "data/RawDataEdits.h"
#include "data/RawDataSaves.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "data/SiblingExport.h"
#include "display/DistributionPlot.h"
#include "models/ParameterReport.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "ui/Boxes.h"

namespace {

bool Loaded() {
  return ScanDataSet.NFILES > 0;
}

ModelKind Kind() {
  return ModelSelection.Kind;
}

// The c(s) family whose peaks can go to the sibling program as discrete
// species: the savable models and the c(s) variants with their own M(s).
bool ExportsPeaks() {
  switch (Kind()) {
    case ModelKind::CSLinearRods:
    case ModelKind::CSConformationalChange:
    case ModelKind::CSWormlikeChain:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSFlotation:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSInvariantD:
      return true;
    default:
      return FitParametersSavable() || CorrectionOptions.BufferMismatch.On;
  }
}

std::string ParameterFilter(const std::string& path) {
  std::string ext = SplitPath(path).Extension;
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  return "~tmppars files (~*." + ext + ")";
}

// The peaks of the distribution curve as species for the sibling program:
// s the peak's weight-average, M what the model relates to it.
void CollectPeaksAsSpecies() {
  auto& list = SiblingPeakList;
  list.PeaksAsDiscrete = true;
  list.PeakCount = 0;
  CCurve* curve = display::DistributionPlots.DistCurve.get();
  if (!curve) {
    list.PeaksAsDiscrete = false;
    return;
  }
  constexpr int kMax = SiblingPeakListRecord::MaxPeaks;
  std::vector<float> xs(kMax + 1), ys(kMax + 1);
  std::vector<int> indices(kMax + 1);
  const int found = curve->FindPeaks(xs.data(), ys.data(), indices.data(), kMax, 2);
  if (found <= 0) {
    list.PeaksAsDiscrete = false;
    return;
  }
  list.PeakS.assign(static_cast<std::size_t>(found) + 1, 0.0f);
  list.PeakM.assign(static_cast<std::size_t>(found) + 1, 0.0f);
  for (int k = 1; k <= found; ++k) {
    const DistributionPeak peak = FindDistributionPeaks(indices[static_cast<std::size_t>(k)], 0.9f);
    const float s = peak.First > 0 ? peak.Sw : xs[static_cast<std::size_t>(k)];
    list.PeakS[static_cast<std::size_t>(k)] = s;
    list.PeakM[static_cast<std::size_t>(k)] =
        Kind() == ModelKind::CSFlotation ? 0.0f : PeakMolarMass(s);
  }
  list.PeakCount = found;
}

void ClearPeaks() {
  SiblingPeakList.PeaksAsDiscrete = false;
  SiblingPeakList.PeakCount = 0;
  SiblingPeakList.PeakS.clear();
  SiblingPeakList.PeakM.clear();
}

}  // namespace

bool FitParametersSavable() {
  if (DlsDataMode || ScanDataSet.EquilibriumDataMode) return false;
  switch (Kind()) {
    case ModelKind::LsGStarOneDiscrete:
      return false;
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
    case ModelKind::CSFlotation:
      return true;
    default:
      return UsesStandardCSKernel(Kind());
  }
}

void CmUpdateSavedFitParameters(TXLAWindow& window) {
  if (!FitParametersSavable()) {
    ShowOkBox(window, "cannot save fit parameters of current model", "SAVE PARAMETERS");
    return;
  }
  std::string& current = DataFileLocation.TempParameterFilePath;
  std::string path = current;
  if (!AskYesNoBox(window, "save in " + current + " ?", "SAVE PARAMETERS")) {
    if (!ChooseSavePath(window, path, "export parameter file", ParameterFilter(current), "")) {
      ShowOkBox(window, "sorry could not save fit parameters to this file", "SAVE PARAMETERS");
      return;
    }
  }
  const std::string saved = current;
  current = path;
  TmpSaveBestParams(window.Handle(), false);
  current = saved;
}

void CmReloadSavedFitParameters(TXLAWindow& window) {
  DialogBusyScope busy(window);
  std::string& current = DataFileLocation.TempParameterFilePath;
  std::string path = current;
  if (!AskYesNoBox(window, "restore parameters from " + current + " ?", "LOAD PARAMETERS")) {
    if (!ChooseOpenPath(window, path, "export parameter file", ParameterFilter(current))) {
      ShowOkBox(window, "sorry could not retrieve fit parameters file", "LOAD PARAMETERS");
      return;
    }
  }
  const std::string saved = current;
  current = path;
  ReloadParameters(window.Handle(), path);
  current = saved;
}

void CmSaveFitData(TXLAWindow& window) {
  CmUpdateSavedFitParameters(window);
  DialogBusyScope busy(window);
  const bool old = LoadOptions.OldFilenameConvention;
  std::string fitPath = InDataFolder(old ? "fit.rxx" : "f0000x.rxx");
  if (ChooseSavePath(window, fitPath, "save fitted data as")) {
    bool toAbsorbance = false;
    if (ScanReaderOptions.IntensityData)
      toAbsorbance = AskYesNoBox(window, "convert intensities to absorbance data?", "SAVE FITS");
    SaveFitData(fitPath, toAbsorbance);
  }
  if (DlsDataMode) return;
  std::string residualPath = InDataFolder(old ? "res.rxx" : "r0000x.rxx");
  if (ChooseSavePath(window, residualPath, "save residuals as")) SaveResiduals(residualPath);
  PathParts parts = SplitPath(WithForwardSlashes(fitPath));
  if (old) {
    parts.Extension = ".par";
  } else {
    parts.Name = "fitparams";
  }
  std::string parameterPath = MergePath(parts);
  if (ChooseSavePath(window, parameterPath, "save some fit parameters as"))
    SaveParameterFile(window.Handle(), parameterPath);
}

void CmExportDataToQuorvel(TXLAWindow& window) {
  DialogBusyScope busy(window);
  std::string xpPath = InDataFolder("data.xp");
  ClearPeaks();
  if (!ChooseSavePath(window, xpPath, "export data as QUORVEL xp file", "QUORVEL xp Files (*.xp)",
                      "xp"))
    return;
  if (!ExportSiblingXp(window.Handle(), xpPath)) return;
  if (!AskYesNoBox(window, "launch QUORVEL with data?", "")) return;
  if (!IsDiscreteSpeciesModel(Kind()) && display::DistributionPlots.DistributionPlot &&
      ExportsPeaks() && AskYesNoBox(window, "convert all c(s) peaks to discrete species?", ""))
    CollectPeaksAsSpecies();
  PathParts parts = SplitPath(WithForwardSlashes(xpPath));
  parts.Name += "_from_taluvo_c(s)";
  parts.Extension = ".quorvel";
  const std::string parameterPath = MergePath(parts);
  std::string started = xpPath;
  if (IsContinuousModel(Kind()) && ExportSiblingPar(window.Handle(), parameterPath, xpPath))
    started = parameterPath;
  // The sibling program is outside ours: a failed start is not reported.
  platform::Current().StartProgram(ProgramPaths.SiblingProgram, {started});
  ClearPeaks();
}

void CmSaveRawDataSet(TXLAWindow& window) {
  if (!Loaded()) return;
  DialogBusyScope busy(window);
  const bool old = LoadOptions.OldFilenameConvention;
  if (!DlsDataMode &&
      AskYesNoBox(window,
                  "save data with wavelenth/speed information in filename (e.g. "
                  "'20k280_001.ra1')?",
                  "")) {
    std::string path = InDataFolder(old ? "data.rxx" : "20k280_001.ra1");
    if (ChooseSavePath(window, path, "select directory ")) SaveRawDataSetRenamed(path);
    return;
  }
  std::string path = InDataFolder(old ? "data.rxx" : "x.rxx");
  if (ChooseSavePath(window, path, "save raw data in new directory")) SaveRawDataSetPrefixed(path);
}

void CmSaveNoiseInFile(TXLAWindow& window) {
  DialogBusyScope busy(window);
  const bool old = LoadOptions.OldFilenameConvention;
  if (FitControl.TINoiseFitted) {
    std::string path = InDataFolder(old ? "xxx.TIN" : "TIN.rxx");
    if (ChooseSavePath(window, path, "save time independent noise component as"))
      SaveTINoise(path);
  }
  if (ModelParameters.RINoiseFitted) {
    std::string path = InDataFolder(old ? "xxx.RIN" : "RIN.rxx");
    if (ChooseSavePath(window, path, "save radial independent noise component as"))
      SaveRINoise(path);
  }
}

void CmSubtractNoiseFromEqData(TXLAWindow& window) {
  if (!FitControl.TINoiseFitted) return;
  std::string scan;
  if (!ChooseOpenPath(window, scan, "select equilbrium scan", "All Files (*.*)")) {
    ShowOkBox(window, "GetOpenFileName returned Error", "WARNING", platform::BoxIcon::Error);
    return;
  }
  PathParts parts = SplitPath(WithForwardSlashes(scan));
  if (LoadOptions.OldFilenameConvention)
    parts.Extension = ".RTI";
  else
    parts.Name = "RTI";
  std::string output = MergePath(parts);
  if (!ChooseSavePath(window, output, "save corrected data as")) return;
  loading::WaitCursor wait(window);
  SubtractNoiseFromEqData(window.Handle(), scan, output);
}

void CmSave6ChannelRawDataIn3Subsets(TXLAWindow& window) {
  if (!Loaded()) return;
  float r1 = 6.2f, r2 = 6.75f;
  {
    DialogBusyScope busy(window);
    if (!InputFloatIn(window.Handle(), r1, 6.2f, true,
                      "radius to cut between inner and middle channel", "cut 6-channel data files"))
      return;
    if (!InputFloatIn(window.Handle(), r2, 6.75f, true,
                      "radius to cut between middle and outer channel", "cut 6-channel data files"))
      return;
  }
  SaveSixChannelSubsets(r1, r2);
}

void CmSaveIntensityDataAsAbsorbanceData(TXLAWindow&) {
  SaveIntensityAsAbsorbance();
}

void CmSaveIntensityAsPseudoAbsorbance(TXLAWindow&) {
  SaveIntensityAsTwoPseudoAbsorbance();
}

// The model of the last scan after a simulation that ran on to equilibrium
// (the solver switch of command 223) as a scan file of its own.
void CmSaveEquilibriumData(TXLAWindow& window) {
  if (!LammSolverSettings.SimulatePastLastScan) return;
  DialogBusyScope busy(window);
  std::string path = InDataFolder("eq.rxx");
  if (!ChooseSavePath(window, path, "save equilibrium data as")) return;
  if (!SaveEquilibriumScan(path))
    ShowOkBox(window, "could not write " + path, "WARNING", platform::BoxIcon::Error);
}

void RegisterSaveCommands(CommandTable& table) {
  AddCatalogued(table, 225, &CmSaveEquilibriumData);
  AddCatalogued(table, 827, &CmUpdateSavedFitParameters);
  AddCatalogued(table, 1098, &CmReloadSavedFitParameters);
  AddCatalogued(table, 203, &CmSaveFitData);
  AddCatalogued(table, 577, &CmExportDataToQuorvel);
  AddCatalogued(table, 263, &CmSaveRawDataSet);
  AddCatalogued(table, 252, &CmSaveNoiseInFile);
  AddCatalogued(table, 253, &CmSubtractNoiseFromEqData);
  AddCatalogued(table, 524, &CmSave6ChannelRawDataIn3Subsets);
  AddCatalogued(table, 231, &CmSaveIntensityDataAsAbsorbanceData);
  AddCatalogued(table, 289, &CmSaveIntensityAsPseudoAbsorbance);
}
