// "Convert speedsteps.txt And speedssteps.EQU" in the main window: the
// conversion of the data layer, with the window's file dialogs in place of
// the entry box that the conversion offers where there is no window.

#include <filesystem>
#include <string>

#include "app/loading/LoadCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/SpeedSeries.h"
#include "platform/Platform.h"
#include "platform/Window.h"

namespace {

// "speedsteps txt file (*.txt*)" -> {"*.txt*"}; a description without a
// pattern in brackets lists every file.
platform::FileFilter FilterOf(const std::string& description) {
  const auto open = description.find('(');
  const auto close = description.find(')', open == std::string::npos ? 0 : open);
  std::string pattern = "*.*";
  if (open != std::string::npos && close != std::string::npos && close > open + 1)
    pattern = description.substr(open + 1, close - open - 1);
  return {description, {pattern}};
}

// The input must exist; the output is chosen in a save dialog, where a new
// name may be typed.
bool ChooseInDialog(TXLAWindow& window, std::string& path, const std::string& title,
                    const std::string& filter) {
  const std::filesystem::path offered(path);
  platform::FileDialogRequest r;
  r.owner = window.Handle();
  r.title = title;
  r.filters = {FilterOf(filter), {"All Files (*.*)", {"*.*"}}};
  r.initialFolder = offered.parent_path().string();
  r.fileName = offered.filename().string();
  const bool input = title == "input file";
  r.mustExist = input;
  DialogBusyScope busy(window);
  const bool chosen =
      input ? platform::Current().ShowOpenFileDialog(r) : platform::Current().ShowSaveFileDialog(r);
  if (!chosen || r.chosen.empty()) return false;
  path = r.chosen.front();
  return true;
}

}  // namespace

void CmConvertSpeedStepsEquInWindow(TXLAWindow& window) {
  const SpeedFileChooser previous = ChooseSpeedFile;
  ChooseSpeedFile = [&window](std::string& path, const std::string& title,
                              const std::string& filter) {
    return ChooseInDialog(window, path, title, filter);
  };
  CmConvertSpeedStepsEqu(window.Handle());
  ChooseSpeedFile = previous;
}
