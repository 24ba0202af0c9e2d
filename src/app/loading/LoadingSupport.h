#pragma once
// What the loading commands share: their boxes (owned by the main window,
// which ignores input meanwhile), the wait cursor, the window caption, and
// the file selection in the dialog's multiple-selection form.

#include <string>
#include <vector>

#include "data/LoadData.h"
#include "platform/Platform.h"

class TXLAWindow;

namespace loading {

bool AskYesNo(TXLAWindow& window, const std::string& text, const std::string& caption);
void ShowError(TXLAWindow& window, const std::string& text);
// "load every n'th file:" (caption "LOAD FILES"), starting at start; n is
// floor(answer), at least 1. False on Cancel.
bool AskEveryNth(TXLAWindow& window, int start, int& n);

// The wait cursor for the life of the object.
class WaitCursor {
 public:
  explicit WaitCursor(TXLAWindow& window);
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  TXLAWindow& window_;
};

void SetCaption(TXLAWindow& window, const std::string& caption);

// Full paths of one folder as a selection: one path alone, or the folder
// followed by the names.
FileSelection SelectionOf(const std::vector<std::string>& paths);
// The folder of a path ('/' separators, no trailing '/').
std::string FolderOfPath(const std::string& path);
std::string NameOfPath(const std::string& path);

// The approach-to-equilibrium test screen is closed when it is open.
void CloseEqTestScreen(TXLAWindow& window);

}  // namespace loading
