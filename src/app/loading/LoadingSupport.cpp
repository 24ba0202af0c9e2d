#include "app/loading/LoadingSupport.h"

#include <cmath>

#include "app/options/OptionBoxes.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "state/ScreenModes.h"
#include "ui/Sounds.h"

namespace loading {

bool AskYesNo(TXLAWindow& window, const std::string& text, const std::string& caption) {
  return AskYesNoBox(window, text, caption);
}

// The loading errors sound the softer information tone under their "ERROR"
// caption, unlike the stop box of the other commands.
void ShowError(TXLAWindow& window, const std::string& text) {
  PlayInfoSound();
  ShowOkBox(window, text, "ERROR");
}

bool AskEveryNth(TXLAWindow& window, int start, int& n) {
  float answer = static_cast<float>(start);
  if (!EnterNumberBox(window, answer, answer, "load every n'th file:", "LOAD FILES")) return false;
  const float whole = std::floor(answer);
  n = whole >= 1.0f && whole < 1e6f ? static_cast<int>(whole) : 1;
  return true;
}

WaitCursor::WaitCursor(TXLAWindow& window) : window_(window) {
  if (platform::WindowHost* host = window_.Host()) host->SetCursor(platform::CursorShape::Wait);
}

WaitCursor::~WaitCursor() {
  if (platform::WindowHost* host = window_.Host()) host->SetCursor(platform::CursorShape::Arrow);
}

void SetCaption(TXLAWindow& window, const std::string& caption) {
  if (platform::WindowHost* host = window.Host()) host->SetTitle(caption);
}

std::string FolderOfPath(const std::string& path) {
  return FolderOf(SplitPath(WithForwardSlashes(path)));
}

std::string NameOfPath(const std::string& path) {
  const PathParts p = SplitPath(WithForwardSlashes(path));
  return p.Name + p.Extension;
}

FileSelection SelectionOf(const std::vector<std::string>& paths) {
  if (paths.size() <= 1) return paths;
  FileSelection selection{FolderOfPath(paths.front())};
  for (const auto& p : paths) selection.push_back(NameOfPath(p));
  return selection;
}

void CloseEqTestScreen(TXLAWindow& window) {
  if (ScreenModes.EqTestScreenActive) ViewLinks.ResetEqTest(window);
}

}  // namespace loading
