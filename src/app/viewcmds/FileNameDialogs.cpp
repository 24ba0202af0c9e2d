#include "app/viewcmds/FileNameDialogs.h"

#include "app/loading/LastDataFolder.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "ui/Boxes.h"

namespace {

std::vector<platform::FileFilter> AllFilesFilter() {
  return {{"All Files (*.*)", {"*.*"}}};
}

// The folder and the name of the dialog's starting path.
void StartFrom(platform::FileDialogRequest& r, const std::string& path) {
  const PathParts p = SplitPath(WithForwardSlashes(path));
  r.initialFolder = p.Drive + p.Directory;
  r.fileName = p.Name + p.Extension;
}

// The dialog's choice into the caller's path; a path that does not fit is
// refused rather than cut into another, wrong path.
bool TakeChoice(const platform::FileDialogRequest& r, std::string& path, std::size_t capacity) {
  if (r.chosen.empty()) return false;
  const std::string& chosen = r.chosen.front();
  if (capacity == 0 || chosen.size() > capacity - 1) {
    ErrorBox("the chosen path is too long:\n" + chosen);
    return false;
  }
  path = chosen;
  return true;
}

bool RunDialog(TXLAWindow& window, bool save, platform::FileDialogRequest& r) {
  DialogBusyScope busy(window);
  return save ? platform::Current().ShowSaveFileDialog(r)
              : platform::Current().ShowOpenFileDialog(r);
}

}  // namespace

bool ChooseFileName(TXLAWindow& window, bool save, std::string& path, std::size_t capacity,
                    const std::string& title, const std::string& defaultExtension,
                    const std::vector<platform::FileFilter>& filters) {
  platform::FileDialogRequest r;
  r.owner = window.Handle();
  r.title = title;
  r.filters = filters;
  r.defaultExtension = defaultExtension;
  r.mustExist = !save;
  StartFrom(r, path);
  if (!RunDialog(window, save, r)) return false;
  return TakeChoice(r, path, capacity);
}

bool ChooseSaveFileName(TXLAWindow& window, std::string& path, std::size_t capacity,
                        const std::string& title, const std::string& defaultExtension) {
  return ChooseFileName(window, true, path, capacity, title, defaultExtension, AllFilesFilter());
}

bool ChooseOpenFileName(TXLAWindow& window, std::string& path, std::size_t capacity,
                        const std::string& title) {
  const platform::FileDialogRequest saved = window.MainFileDialog;
  platform::FileDialogRequest& r = window.MainFileDialog;
  r.owner = window.Handle();
  ReadLastDataFolder(window, r.initialFolder);
  r.title = title;
  r.multiSelect = false;
  r.mustExist = true;
  r.filters = AllFilesFilter();
  r.filterIndex = 1;
  r.fileName.clear();
  r.chosen.clear();
  const bool ok = RunDialog(window, false, r) && TakeChoice(r, path, capacity);
  window.MainFileDialog = saved;
  return ok;
}
