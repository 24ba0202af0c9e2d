#include "data/LoadData.h"

#include <optional>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "data/ComponentGridSignals.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ListFiles.h"
#include "data/LoadMessages.h"
#include "data/LoadSteps.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"
#include "data/SpeedStepsForData.h"
#include "state/DisplayState.h"
#include "state/DistributionShown.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/RestorePreviousAnalysis.h"
#include "state/TimeStampCheck.h"
#include "ui/Boxes.h"

namespace {


enum class Loader { AllData, FromList, Reload };

struct LoadRequest {
  Loader Kind = Loader::AllData;
  std::vector<LoadFile> Files;
  PathParts Location;  // drive and directory of the data folder
  bool CheckTimeStamps = true;
};

void ReleaseForNewLoad() {
  if (ScanDataSet.NFILES <= 0) return;
  FreeDataSet();
  // Light-scattering data set meniscus and bottom to lag times.
  if (DlsDataMode) {
    ModelParameters.Meniscus = 0.0f;
    ModelParameters.Bottom = 0.0f;
  }
}

void NoteLoadFailed() {
  if (LoadOptions.RealtimeModeActive) LoadOptions.RealtimeLoadFailed = true;
}

void RememberLocation(const PathParts& location, const LoadFile& last) {
  auto& where = DataFileLocation;
  const PathParts file = SplitPath(last.FileName);
  where.Drive = location.Drive;
  where.Directory = location.Directory;
  where.FileName = file.Name;
  where.Extension = file.Extension;
}

// Reads every file and prepares the set up to the plots. False when the set
// was released because a file could not be read or the kinds are mixed.
bool ReadAndPrepare(platform::WindowHandle window, const LoadRequest& r,
                    LoadProgressLine& progress) {
  auto& d = ScanDataSet;
  const int count = static_cast<int>(r.Files.size());
  AllocScanSlots(count);
  d.NFILES = count;
  const float averaging = LoadAveragingDistance();
  const bool w2tTimes = d.TimesFromW2t && !ScanReaderOptions.ElectrophoresisDataMode;
  for (int i = 1; i <= count; ++i) {
    progress.Advance(i - 1, count);
    const LoadFile& file = r.Files[static_cast<std::size_t>(i - 1)];
    bool stampChecked = false;
    if (!ReadScanIntoSlot(window, i, file, averaging, w2tTimes, stampChecked)) {
      // The name alone does not say what to mend.
      if (!(r.Kind == Loader::Reload && RedrawSuppressed))
        ShowLoadError(window, file.FullPath + "\n" + ScanFileProblem());
      d.NFILES = i;
      FreeDataSet();
      NoteLoadFailed();
      return false;
    }
  }
  RememberLocation(r.Location, r.Files.back());
  CoupleSpeedStepsFile(window, r.Location.Drive, r.Location.Directory);
  if (MixesInterferenceWithOtherKinds()) {
    ShowLoadError(window, "mixed data types", "ERROR");
    FreeDataSet();
    NoteLoadFailed();
    return false;
  }
  DlsDataMode = false;
  DistributionShown = false;
  SetTempParameterFilePath(r.Location);
  SetSdistFilePath(r.Location);
  SetRunTemperature();
  SetMeniscusBottomLimitDefaults();
  SortScansByTime();
  if (ModelSelection.Kind == ModelKind::BuoyantMassEquilibrium &&
      ScanReaderOptions.InterferenceData) {
    ScanReaderOptions.InterferenceData = false;
    ScanReaderOptions.AbsorbanceData = true;
  }
  BuildGridAndFitIndices();
  if (!LoadOptions.RealtimeModeActive)
    SetNoiseDefaults(window, !(r.Kind == Loader::FromList && BatchMode));
  d.SignalPerConcentration = ScanReaderOptions.InterferenceData ? 3.3 : 1.0;
  BuildResidualHistogram();
  return true;
}

void ShowCaption(platform::WindowHandle window) {
  SetMainWindowCaption(window, "SEDIMENTATION ANALYSIS -> " + FileNameList.Paths[1] + "...");
}

// New plots of the loaded scans, the data plot laid out over all of them:
// the plots' building leaves its picture at the first scan alone.
void BuildAndRenderPlots() {
  BuildMainDataPlots();
  LammSolverSettings.LammRunning = false;
  RenderDataPlot(true);
}

void ShowPlots(platform::WindowHandle window) {
  BuildAndRenderPlots();
  if (!RedrawSuppressed) RepaintMainWindow(window);
}

// The previous analysis of the folder, run again on the new data.
void ShowRestoredAnalysis(platform::WindowHandle window) {
  BuildMainDataPlots();
  LammSolverSettings.LammRunning = false;
  AllocComponentGridArrays();
  RunModel(window);
  const std::string text = FormatText("mean dev = %f  ", static_cast<double>(ScanRmsd()));
  RenderDataPlot(true);
  RepaintMainWindow(window);
  if (DrawingAllowed) platform::Current().DrawWindowText(window, 10, 50, text);
}

void ShowLoadedData(platform::WindowHandle window, Loader kind) {
  const auto& o = LoadOptions;
  switch (kind) {
    case Loader::AllData:
      if (!o.RealtimeModeActive && OfferRestorePreviousData(window, true))
        ShowRestoredAnalysis(window);
      else if (!(o.RealtimeModeActive && o.EqTestMode))
        ShowPlots(window);
      break;
    case Loader::FromList:
      ShowPlots(window);
      ShowCaption(window);
      break;
    case Loader::Reload:
      // The model's run shows its curves over the data plot as they are
      // computed and leaves the data plot's picture as it found it.
      BuildAndRenderPlots();
      if (o.MultiSpeedAutoload) {
        ShowCaption(window);
      } else {
        AllocComponentGridArrays();
        InvokeRunModel(window);
      }
      break;
  }
}

void LoadList(platform::WindowHandle window, Loader kind, bool checkTimeStamps);

void RunLoad(platform::WindowHandle window, const LoadRequest& r,
             std::optional<LoadProgressLine>& progress) {
  if (!ReadAndPrepare(window, r, *progress)) return;
  ShowLoadedData(window, r.Kind);
  const auto& o = LoadOptions;
  if (r.Kind == Loader::AllData && !o.RealtimeModeActive && !RedrawSuppressed && !o.EqTestMode)
    CheckTemperatureFluctuation(window, 1.0f);
  progress.reset();
  // The check rewrites the files with corrected times and lists them; the
  // list is loaded once more, and those files carry their tags by then.
  if (r.CheckTimeStamps && o.TimeStampCheckOn && TimeStampCheck(window))
    LoadList(window, Loader::FromList, false);
  if (LammSolverSettings.ScanTimeCorrectionOn && ScanReaderOptions.FluorescenceData) {
    LammSolverSettings.ScanTimeCorrectionOn = false;
    ErrorBox("scan time correction for fluorescence data not yet implemented, switching off");
  }
}

void LoadList(platform::WindowHandle window, Loader kind, bool checkTimeStamps) {
  auto& d = ScanDataSet;
  if (FileNameList.Count < 1) return;
  std::optional<LoadProgressLine> progress(std::in_place, window);
  DebugLog(window, kind == Loader::Reload ? "\nEnter ReloadFromList" : "\nEnter LoadFromList");
  d.DataChanged = true;
  if (kind == Loader::FromList) ModelParameters.MeniscusRangeConfirmed = false;
  ReleaseForNewLoad();
  LoadRequest r;
  r.Kind = kind;
  r.CheckTimeStamps = checkTimeStamps;
  r.Location = SplitPath(FileNameList.Paths[1]);
  r.Location.Name.clear();
  r.Location.Extension.clear();
  DataFileLocation.DataFolder = FolderOf(r.Location);
  for (int k = 1; k <= FileNameList.Count; ++k) {
    const PathParts p = SplitPath(FileNameList.Paths[k]);
    r.Files.push_back({FileNameList.Paths[k], p.Name + p.Extension});
  }
  RunLoad(window, r, progress);
}

// The files of a dialog selection: its single full path, or the names after
// the folder, every step-th of them.
std::vector<LoadFile> SelectedFiles(const FileSelection& selection, const PathParts& location,
                                    int step) {
  std::vector<LoadFile> files;
  if (selection.size() == 1) {
    const PathParts p = SplitPath(selection[0]);
    files.push_back({selection[0], p.Name + p.Extension});
    return files;
  }
  int counter = 0;
  for (std::size_t k = 1; k < selection.size(); ++k) {
    counter = counter % step + 1;
    if (step > 1 && counter != 1) continue;
    files.push_back({location.Drive + location.Directory + selection[k], selection[k]});
  }
  return files;
}

}  // namespace

void LoadAllData(platform::WindowHandle window, const FileSelection& selection) {
  auto& d = ScanDataSet;
  std::optional<LoadProgressLine> progress(std::in_place, window);
  DebugLog(window, "\nEnter LoadAllData");
  d.DataChanged = true;
  if (selection.empty()) return;
  const bool single = selection.size() == 1;
  if (single && !d.EquilibriumDataMode) {
    ShowLoadError(window, "only one file selected", "ERROR");
    // No: nothing changes, the folder of the loaded set included.
    if (!AskYesNo(window, "switch to Equilibrium Data Mode?", "LOAD ERROR")) return;
    d.EquilibriumDataMode = true;
  }
  ModelParameters.MeniscusRangeConfirmed = false;
  ReleaseForNewLoad();

  LoadRequest r;
  r.Kind = Loader::AllData;
  if (single) {
    r.Location = SplitPath(selection[0]);
    r.Location.Name.clear();
    r.Location.Extension.clear();
  } else {
    r.Location = SplitFolder(selection[0]);
    if (LoadOptions.UseListFolder) r.Location = SplitFolder(LoadOptions.ListFileLocation);
  }
  // The folder of the files, also when a single file names it.
  DataFileLocation.DataFolder =
      single || LoadOptions.UseListFolder ? FolderOf(r.Location) : WithForwardSlashes(selection[0]);
  const int step = d.ListStep > 1 ? d.ListStep : 1;
  r.Files = SelectedFiles(selection, r.Location, step);
  if (static_cast<int>(r.Files.size()) > kMaxFilesPerLoad) {
    ShowLoadError(window, "too many scans selected");
    NoteLoadFailed();
    return;
  }
  SetNotesFilePath(r.Location, r.Files.front());
  RunLoad(window, r, progress);
}

void LoadFromList(platform::WindowHandle window) {
  LoadList(window, Loader::FromList, true);
}

void ReloadFromList(platform::WindowHandle window) {
  LoadList(window, Loader::Reload, true);
}
