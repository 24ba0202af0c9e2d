#include "app/options/LoadingToolCommands.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/commands/CommandTable.h"
#include "app/commands/RunFitCommands.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadCommands.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "app/options/OptionCommands.h"
#include "state/LoadOptions.h"
#include "app/start/ShellServices.h"
#include "app/window/TXLAWindow.h"
#include "data/FitDataFiles.h"
#include "data/InitialDistribution.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/RawDataSaves.h"
#include "data/ScanCorrections.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "ui/Boxes.h"

namespace {

constexpr float kFinestResolution = 0.001f;

void OfferToSavePreferences(TXLAWindow& window, const char* caption) {
  if (AskYesNoBox(window, "save current preferences?", caption))
    ShellServices.WritePreferences(window);
}

bool AskSpikeLevels(TXLAWindow& window) {
  auto& o = ScanReaderOptions;
  float level = o.SpikeThresholdAbsorbance, fds = o.SpikeThresholdFluorescence;
  DialogBusyScope busy(window);
  if (!InputFloatIn(window.Handle(), level, level, true,
                    "level considered as spike when occuring isolated:", "EXCLUDE SPIKES"))
    return false;
  if (!InputFloatIn(window.Handle(), fds, fds, true, "spike threshold for FDS:", "EXCLUDE SPIKES"))
    return false;
  o.SpikeThresholdAbsorbance = level;
  o.SpikeThresholdFluorescence = fds;
  return true;
}

bool ModelComputed() {
  const auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanModel[i].size(); ++k)
      if (d.ScanModel[i][k] != 0.0f) return true;
  return false;
}

}  // namespace

void CmDontLoadSpikes(TXLAWindow& window) {
  auto& o = ScanReaderOptions;
  if (o.SpikeFilterOn) {
    if (AskYesNoBox(window, "turn off?", "EXCLUDE SPIKES")) {
      o.SpikeFilterOn = false;
      window.CheckMenuItem(kDontLoadSpikesItem, false);
    } else {
      AskSpikeLevels(window);
    }
  } else {
    AskSpikeLevels(window);
    o.SpikeFilterOn = true;
    window.CheckMenuItem(kDontLoadSpikesItem, true);
  }
  OfferToSavePreferences(window, "EXCLUDE SPIKES");
}

void CmFlagTooStrongGradients(TXLAWindow& window) {
  auto& o = ScanReaderOptions;
  if (o.FlagStrongGradients) {
    o.FlagStrongGradients = false;
    window.CheckMenuItem(kFlagStrongGradientsItem, false);
  } else {
    float limit = RunFitState.MaxGradientAllowed;
    {
      DialogBusyScope busy(window);
      InputFloatIn(window.Handle(), limit, limit, true, "maximum gradient allowed (signal/cm):",
                   "EXCLUDE EXCESS GRADIENTS");
    }
    RunFitState.MaxGradientAllowed = limit;
    o.FlagStrongGradients = true;
    window.CheckMenuItem(kFlagStrongGradientsItem, true);
  }
  OfferToSavePreferences(window, "EXCLUDE EXCESS GRADIENTS");
}

void CmSetRadialResolution(TXLAWindow& window) {
  DialogBusyScope busy(window);
  const char* caption = "SET RADIAL RESOLUTION";
  const float current = ScanDataSet.RadialResolution;
  float v = current;
  if (!InputFloatIn(window.Handle(), v, current, true, "defaut 0.001 (=all data):", caption))
    return;
  if (v < kFinestResolution) {
    v = kFinestResolution;
    ShowOkBox(window, "setting to minimum 0.001 (all data)", caption);
  }
  if (v == current) return;
  ScanDataSet.RadialResolution = v;
  if (AskYesNoBox(window, "save as startup default?", caption))
    ShellServices.WritePreferences(window);
  if (ScanDataSet.NFILES > 0 &&
      AskYesNoBox(window, "need to reload files for the change to take effect\nreload now?",
                  caption)) {
    BuildFileNameList(0);
    ReloadFromList(window.Handle());
  }
}

void CmAlignAllScansInterferenceOffsetAtRadius(TXLAWindow& window) {
  if (!ScanReaderOptions.InterferenceData || ScanDataSet.NFILES <= 0) return;
  float radius = 7.0f;
  {
    DialogBusyScope busy(window);
    if (!InputFloatIn(window.Handle(), radius, 7.0f, true, "sort at radius (cm)")) return;
  }
  AlignFringeOffsetsAtRadius(0.0f, radius);
  RepaintMainWindow(window.Handle());
  if (!AskYesNoBox(window, "save new interference data?", "SAVE DATA")) return;
  std::string path = InDataFolder(LoadOptions.OldFilenameConvention ? "newdat.rxx" : "a0000x.rxx");
  if (ChooseSavePath(window, path, "save aligned interference data as")) SaveAlignedScans(path);
}

void CmExcludeWorstScan(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0) return;
  // The ScanRms table of the last residual update names the worst scan;
  // without a model its residuals are the data themselves.
  const int worst = ModelComputed() ? WorstScanIndex : 0;
  if (worst < 1 || worst > ScanDataSet.NFILES) {
    ShowOkBox(window, "no model has been computed - please run or fit first", "REMOVING SCAN");
    return;
  }
  ShowOkBox(window, "removing " + ScanDataSet.ScanFilePaths[worst], "REMOVING SCAN");
  BuildFileNameList(worst);
  ReloadFromList(window.Handle());
}

void CmSetPolynomOrderForInitialData(TXLAWindow& window) {
  auto& p = InitialDistribution;
  DialogBusyScope busy(window);
  float order = static_cast<float>(p.InitialDataPolynomialOrder);
  if (!InputFloatIn(window.Handle(), order, order, true, "polynom order = ", "")) return;
  p.InitialDataPolynomialOrder = static_cast<int>(std::floor(std::clamp(order, 0.0f, 20.0f)));
  float factor = p.InitialDataExtrapolationFactor;
  if (InputFloatIn(window.Handle(), factor, factor, true, "extrapolation distance factor", ""))
    p.InitialDataExtrapolationFactor = factor;
}

void CmChangeCellSameSelection(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0) CmLoadNewFiles(window);
  if (ScanDataSet.NFILES <= 0) return;
  BuildFileNameList(0);
  const int firstInTime = ScanDataSet.ScanTimeOrder[1];
  float cell = static_cast<float>(ScanDataSet.ScanHeaders[firstInTime].Cell);
  {
    DialogBusyScope busy(window);
    if (!InputFloatIn(window.Handle(), cell, cell, true, "cell number:", "LOAD DATA")) return;
  }
  // One digit: the last character of every listed file's extension.
  SetListCellNumber(static_cast<int>(std::floor(std::clamp(cell, 0.0f, 9.0f))));
  if (FileNameList.Count > 0)
    loading::SetCaption(window, "SEDIMENTATION ANALYSIS -> " + FileNameList.Paths[1] + "...");
  LoadFromList(window.Handle());
  WriteListFile(false);
}

void CmOpenResultInNotepad(TXLAWindow& window) {
  const std::string& path = DataFileLocation.NotesFilePath;
  if (path.empty() || !platform::Current().OpenInTextEditor(path))
    ShowOkBox(window, "could not open the notes file " + path + " in a text editor", "NOTES");
}

void RegisterLoadingToolCommands(CommandTable& table) {
  AddCatalogued(table, 247, &CmDontLoadSpikes);
  AddCatalogued(table, 868, &CmFlagTooStrongGradients);
  AddCatalogued(table, 590, &CmSetRadialResolution);
  AddCatalogued(table, 220, &CmAlignAllScansInterferenceOffsetAtRadius);
  AddCatalogued(table, 591, &CmExcludeWorstScan);
  AddCatalogued(table, 219, &CmSetPolynomOrderForInitialData);
  AddCatalogued(table, 828, &CmChangeCellSameSelection);
  AddCatalogued(table, 216, &CmOpenResultInNotepad);
}
