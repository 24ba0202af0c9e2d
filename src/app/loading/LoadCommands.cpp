#include "app/loading/LoadCommands.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/commands/CommandTable.h"
#include "app/commands/RunFitCommands.h"
#include "app/loading/LastDataFolder.h"
#include "app/loading/ListFileText.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/DlsLoading.h"
#include "data/FilePathParts.h"
#include "data/InitialData.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "data/SpeedStepsForData.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "state/FitControl.h"
#include "state/TimeStampCheck.h"
#include "ui/Boxes.h"

LoadingStateRecord LoadingState;

namespace {

using namespace loading;

// The three ways of loading a new set differ in these.
struct NewSetKind {
  const char* title;
  const char* captionPrefix;  // null: from ElectrophoresisLoad
  bool listCorrAccepted;      // "list_corr" counts as a list file too
  bool askEveryNth;
  bool (*load)(TXLAWindow&, const FileSelection&);
};

bool LoadScans(TXLAWindow& window, const FileSelection& s) {
  LoadAllData(window.Handle(), s);
  return ScanDataSet.NFILES > 0;
}

bool LoadDls(TXLAWindow& window, const FileSelection& s) {
  return LoadDlsData(window.Handle(), s);
}

const NewSetKind kNewFiles{"select files to fit", nullptr, true, true, &LoadScans};
const NewSetKind kDlsFiles{"select files in set 1 to fit", "LIGHT SCATTERING ANALYSIS -> ", false,
                           false, &LoadDls};
const NewSetKind kEquilibriumFiles{"select files in set 1 to fit",
                                   "SEDIMENTATION EQUILIBRIUM ANALYSIS -> ", false, false,
                                   &LoadScans};

// Raises FileDialogOpen for the life of the object (a caller that raised it
// itself keeps it raised).
class FileDialogOpenScope {
 public:
  FileDialogOpenScope() : previous_(LoadingState.FileDialogOpen) {
    LoadingState.FileDialogOpen = true;
  }
  ~FileDialogOpenScope() { LoadingState.FileDialogOpen = previous_; }
  FileDialogOpenScope(const FileDialogOpenScope&) = delete;
  FileDialogOpenScope& operator=(const FileDialogOpenScope&) = delete;

 private:
  bool previous_;
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsListFile(const std::string& path, bool listCorrAccepted) {
  const std::string name = Lower(SplitPath(WithForwardSlashes(path)).Name);
  return name == "list" || (listCorrAccepted && name == "list_corr");
}

// The files the program keeps beside the scans and names like them (the
// list, the distribution grid, the saved analysis, the notes): "All AUC
// Files" shows them too, so a selection of a whole folder takes them in.
bool IsSideFile(const std::string& path) {
  const PathParts p = SplitPath(WithForwardSlashes(path));
  const std::string name = Lower(p.Name), extension = Lower(p.Extension);
  return name == "list" || name == "list_corr" || name == "sdist" || name == "~tmppars" ||
         name == "notes" || extension == ".~p" || extension == ".not";
}

// Takes the side files out of a selection of several files; true when scans
// remain. The user is told which were left out.
bool LeaveOutSideFiles(TXLAWindow& window, std::vector<std::string>& chosen) {
  if (chosen.size() < 2) return true;
  std::string skipped;
  std::vector<std::string> scans;
  for (const std::string& path : chosen) {
    if (!IsSideFile(path)) {
      scans.push_back(path);
      continue;
    }
    skipped += (skipped.empty() ? "" : ", ") + NameOfPath(path);
  }
  if (skipped.empty()) return true;
  chosen = std::move(scans);
  ShowOkBox(window,
            "not loaded, these are no scan files: " + skipped +
                (chosen.empty() ? "\nno scan files selected" : ""),
            "LOAD", platform::BoxIcon::Information);
  return !chosen.empty();
}

bool IsXpFile(const std::string& path) {
  const PathParts p = SplitPath(WithForwardSlashes(path));
  return p.Extension == ".xp" && !p.Name.starts_with("_");
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

// The main file dialog, starting in the last data folder with an empty
// name; its title (and, for one kind, its filter) set back afterwards.
bool ChooseFiles(TXLAWindow& window, const char* title, std::vector<platform::FileFilter>* filters,
                 std::vector<std::string>& chosen) {
  platform::FileDialogRequest& r = window.MainFileDialog;
  const platform::FileDialogRequest saved = r;
  r.owner = window.Handle();
  ReadLastDataFolder(window, r.initialFolder);
  r.fileName.clear();
  r.chosen.clear();
  r.title = title;
  r.multiSelect = true;
  if (filters) {
    r.filters = *filters;
    r.filterIndex = 1;
  }
  bool ok = false;
  {
    DialogBusyScope busy(window);
    ok = platform::Current().ShowOpenFileDialog(r) && !r.chosen.empty();
  }
  chosen = r.chosen;
  const std::string folder = r.initialFolder;
  r = saved;
  r.initialFolder = folder;
  return ok;
}

// Step of the list, or of the user's answer; false when the command ends.
struct PreparedLoad {
  FileSelection selection;
  std::string listText;     // the list to write beside a selection of scans
  std::string listPath;     // where it goes ("" for a list file or a single file)
  std::string displayPath;  // folder and first file, for the caption
};

bool PrepareFromList(TXLAWindow& window, const std::string& listPath, PreparedLoad& p) {
  std::string text;
  if (!ReadText(listPath, text)) return false;
  LoadList list = ParseLoadList(text);
  if (list.Entries.empty()) return false;
  ScanDataSet.ListStep = list.Step;
  p.selection = std::move(list.Entries);
  WriteLastDataFolder(window, p.selection.front());
  const std::string name = NameOfPath(p.selection[1]);
  p.displayPath = WithForwardSlashes(p.selection.front()) + "/" + name;
  if (!std::filesystem::exists(p.displayPath)) {
    const std::string listFolder = FolderOfPath(listPath);
    if (AskYesNo(
            window,
            "could not find files in " + p.displayPath + " - use file from " + listFolder + " ?",
            "LOAD ERROR")) {
      LoadOptions.UseListFolder = true;
      LoadOptions.ListFileLocation = listFolder;
      p.displayPath = listFolder + "/" + name;
      WriteLastDataFolder(window, listFolder);
    }
  }
  return true;
}

bool PrepareFromSelection(TXLAWindow& window, const NewSetKind& kind,
                          const std::vector<std::string>& chosen, PreparedLoad& p) {
  int n = 1;
  if (kind.askEveryNth && !AskEveryNth(window, ScanDataSet.ListStep, n)) return false;
  ScanDataSet.ListStep = n;
  const std::string folder = FolderOfPath(chosen.front());
  std::vector<std::string> names;
  for (const auto& path : chosen) names.push_back(NameOfPath(path));
  WriteLastDataFolder(window, folder);
  p.selection = SelectionOf(chosen);
  // A single file is no set worth a list: its load may even be refused, and
  // the list of an earlier set in the folder must then stay as it was.
  if (chosen.size() > 1) {
    p.listText = MakeLoadListText(n, folder, names);
    p.listPath = folder + "/list" + SplitPath(WithForwardSlashes(chosen.front())).Extension;
  }
  p.displayPath = folder + "/" + names.front();
  return true;
}

// The load of a new set; true when it ran and its list (if any) was
// written.
bool LoadNewSet(TXLAWindow& window, const NewSetKind& kind,
                std::vector<platform::FileFilter>* filters, bool& loaded) {
  loaded = false;
  FileDialogOpenScope open;
  std::vector<std::string> chosen;
  if (!ChooseFiles(window, kind.title, filters, chosen)) return true;
  if (!LeaveOutSideFiles(window, chosen)) return true;
  const bool single = chosen.size() == 1;
  if (single && IsXpFile(chosen.front())) {
    window.SecondFileDialog.fileName = chosen.front();
    loaded = ImportXpFile(window, chosen.front()) == 1;
    return true;
  }
  PreparedLoad p;
  const bool fromList = single && IsListFile(chosen.front(), kind.listCorrAccepted);
  if (fromList ? !PrepareFromList(window, chosen.front(), p)
               : !PrepareFromSelection(window, kind, chosen, p))
    return true;
  const char* prefix = kind.captionPrefix                 ? kind.captionPrefix
                       : LoadingState.ElectrophoresisLoad ? "ELECTROPHORESIS ANALYSIS -> "
                                                          : "SEDIMENTATION ANALYSIS -> ";
  const std::string previousTitle = window.Host() ? window.Host()->Title() : window.Title();
  SetCaption(window, prefix + p.displayPath + "...");
  {
    WaitCursor wait(window);
    loaded = kind.load(window, p.selection);
    LoadOptions.UseListFolder = false;
  }
  // The title never names data that are not loaded: a load that did not
  // take left the earlier set (and its title), or released it.
  if (!loaded) SetCaption(window, ScanDataSet.NFILES > 0 ? previousTitle : window.Title());
  if (p.listPath.empty()) return true;
  std::ofstream out(p.listPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << p.listText;
  return static_cast<bool>(out);
}

// The common end of the load commands: the run-time menu items follow the
// data, unless the list could not be written.
void FinishLoad(TXLAWindow& window, bool listWritten) {
  if (listWritten) UpdateRuntimeMenus(window);
}

// A load ends an interactive scan-correction tool first, else the
// extrapolation plot of the boundary analyses.
void EndScanTools() {
  if (!ViewLinks.CancelMouseAction()) ViewLinks.CloseExtrapolationPlot();
}

// Load New Files; true when a set was loaded.
bool LoadNewFiles(TXLAWindow& window) {
  EndScanTools();
  ViewLinks.AskResetCtot(window);
  if (ScreenModes.MStarScreenActive) return false;
  CloseEqTestScreen(window);
  LoadingState.ElectrophoresisLoad = ScanReaderOptions.ElectrophoresisDataMode;
  ScanDataSet.EquilibriumDataMode = false;
  bool loaded = false;
  FinishLoad(window, LoadNewSet(window, kNewFiles, nullptr, loaded));
  return loaded;
}

}  // namespace

void CmLoadNewFiles(TXLAWindow& window) {
  LoadNewFiles(window);
}

void CmAddMoreFiles(TXLAWindow& window) {
  if (ScreenModes.MStarScreenActive) return;
  CloseEqTestScreen(window);
  EndScanTools();
  platform::FileDialogRequest& r = window.MainFileDialog;
  const std::string title = r.title;
  r.owner = window.Handle();
  r.title = "select files to add to set 1";
  r.chosen.clear();
  bool ok = false;
  {
    DialogBusyScope busy(window);
    ok = platform::Current().ShowOpenFileDialog(r) && !r.chosen.empty();
  }
  r.title = title;
  if (!ok) return;
  {
    WaitCursor wait(window);
    AddMoreFiles(window.Handle(), SelectionOf(r.chosen));
  }
  UpdateRuntimeMenus(window);
}

void CmLoadDLSData(TXLAWindow& window) {
  CloseEqTestScreen(window);
  std::vector<platform::FileFilter> filters = {{"taluvo DLS Files (*.dlsdat*)", {"*.dlsdat*"}}};
  bool loaded = false;
  FinishLoad(window, LoadNewSet(window, kDlsFiles, &filters, loaded));
  if (loaded && FitControl.MassInsteadOfD) CmFitMAndS(window);
}

void CmLoadSedimentationEquilibriumData(TXLAWindow& window) {
  CloseEqTestScreen(window);
  LoadingState.ElectrophoresisLoad = false;
  ScanDataSet.EquilibriumDataMode = true;
  bool loaded = false;
  FinishLoad(window, LoadNewSet(window, kEquilibriumFiles, nullptr, loaded));
  if (loaded && !FitControl.MassInsteadOfD) CmFitMAndS(window);
}

void CmLoadRawMultiSpeedDataAndAutocorrect(TXLAWindow& window) {
  LoadingState.FileDialogOpen = true;
  auto& options = MainDisplayOptions;
  const bool bitmapShown = options.ShowResidualsBitmap;
  options.ShowResidualsBitmap = false;
  LoadOptions.MultiSpeedAutoload = true;
  // The corrections act on the set just loaded only: after a cancelled
  // dialog they would work over the previous set once more.
  if (LoadNewFiles(window)) {
    if (!LoadOptions.TimeStampCheckOn && TimeStampCheck(window.Handle()))
      LoadFromList(window.Handle());
    if (SpeedStepsFromScans(280.0f, 100.0f)) CmShowRotorSpeedPlot(window);
    ViewLinks.ShiftScansUndoRotorStretch(window);
  }
  LoadingState.FileDialogOpen = false;
  LoadOptions.MultiSpeedAutoload = false;
  if (ScanDataSet.NFILES < 200) options.ShowResidualsBitmap = bitmapShown;
}

namespace {

// The single-file dialog of the initial data and the editor.
bool ChooseOneFile(TXLAWindow& window, const char* title, std::string& path) {
  platform::FileDialogRequest r;
  r.owner = window.Handle();
  r.title = title;
  r.filters = {{"RAZ Files (*.R*)", {"*.r*"}}, {"All Files (*.*)", {"*.*"}}};
  r.mustExist = true;
  ReadLastDataFolder(window, r.initialFolder);
  DialogBusyScope busy(window);
  if (!platform::Current().ShowOpenFileDialog(r) || r.chosen.empty()) return false;
  path = r.chosen.front();
  return true;
}

}  // namespace

void CmSetInitialData(TXLAWindow& window) {
  std::string path;
  if (!ChooseOneFile(window, "Select Initial Data", path)) return;
  WaitCursor wait(window);
  if (SetInitialData(window.Handle(), path) == 1 && display::MainPlots.DataPlot)
    RedrawPlotsNow(window);
}

void CmEditDataFiles(TXLAWindow& window) {
  std::string path;
  if (!ChooseOneFile(window, "Select File to Edit", path)) return;
  if (!platform::Current().OpenInTextEditor(path))
    ShowError(window, "could not start a text editor for " + path);
}

void RegisterLoadingCommands(CommandTable& table) {
  table.Add(200, &CmLoadNewFiles, true, "CmLoadNewFiles");
  table.Add(226, &CmAddMoreFiles, true, "CmAddMoreFiles");
  table.Add(298, &CmLoadDLSData, true, "CmLoadDLSData");
  table.Add(515, &CmLoadSedimentationEquilibriumData, true, "CmLoadSedimentationEquilibriumData");
  table.Add(949, &CmLoadRawMultiSpeedDataAndAutocorrect, false,
            "CmLoadRawMultiSpeedDataAndAutocorrect");
  table.Add(202, &CmSetInitialData, true, "CmSetInitialData");
  table.Add(201, &CmEditDataFiles, true, "CmEditDataFiles");
  // One entry serves both menu places of the conversion (gravitational sweep
  // tools and equilibrium tools).
  table.Add(928, &CmConvertSpeedStepsEquInWindow, false, "CmConvertSpeedStepsEqu");
}
