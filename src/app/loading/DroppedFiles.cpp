// Files dropped on the main window.

#include <algorithm>
#include <cctype>

#include "app/loading/LoadCommands.h"
#include "app/loading/LoadingSupport.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "models/TempParameterFile.h"

namespace {

using namespace loading;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The scan files of one cell that a drop loads: interference and absorbance
// cells 1 to 8, and the absorbance scans of cell 0 (".R00").
bool IsDroppableScanExtension(const std::string& extension) {
  const std::string e = Upper(extension);
  if (e == ".R00") return true;
  if (e.size() != 4 || e[3] < '1' || e[3] > '8') return false;
  return e.starts_with(".IP") || e.starts_with(".RA");
}

void DropOneFile(TXLAWindow& window, const std::string& path) {
  const PathParts p = SplitPath(WithForwardSlashes(path));
  if (p.Extension == ".xp") {
    ImportXpFile(window, path);
    return;
  }
  if (!p.Name.starts_with("~")) return;
  if (!AskYesNo(window, "switch to parameter file " + path + "?", "DROPPING FILES")) return;
  ReloadParameters(window.Handle(), path);
  ViewLinks.OpenParameterDialog(window);
}

}  // namespace

std::vector<std::string> EveryNthFile(const std::vector<std::string>& paths, int n) {
  const std::size_t step = static_cast<std::size_t>(std::max(n, 1));
  std::vector<std::string> chosen;
  for (std::size_t k = 0; k < paths.size(); k += step) chosen.push_back(paths[k]);
  return chosen;
}

void DropFilesOnWindow(TXLAWindow& window, const std::vector<std::string>& paths) {
  CloseEqTestScreen(window);
  if (paths.empty()) return;
  if (paths.size() == 1) {
    DropOneFile(window, paths.front());
    return;
  }
  if (!IsDroppableScanExtension(SplitPath(WithForwardSlashes(paths.front())).Extension)) return;
  if (ScanDataSet.NFILES > 0 && !AskYesNo(window, "erase currently loaded data?", "DROPPING FILES"))
    return;
  FreeFileNameList();
  int n = 1;
  if (!AskEveryNth(window, 1, n)) return;
  const std::vector<std::string> chosen = EveryNthFile(paths, n);
  FileNameList.Paths.Resize(1, static_cast<int>(chosen.size()));
  for (std::size_t k = 0; k < chosen.size(); ++k)
    FileNameList.Paths[static_cast<int>(k) + 1] = WithForwardSlashes(chosen[k]);
  FileNameList.Count = static_cast<int>(chosen.size());
  LoadFromList(window.Handle());
  UpdateRuntimeMenus(window);
}
