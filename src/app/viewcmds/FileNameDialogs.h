#pragma once
// The three file-name dialogs of the tools: a general open or save dialog,
// a save dialog for parameter and result files, and an open dialog that
// starts in the folder of the last loaded data. Each starts from the path
// the caller gives and, on OK, puts the chosen path there.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Window.h"

class TXLAWindow;

// An open dialog (save false: the path must exist) or a save dialog (save
// true: an existing file is confirmed before it is replaced). On OK the
// chosen path goes into path and the result is true; false on Cancel, and
// also, after a message, when the chosen path is longer than capacity - 1
// characters (path then stays as it was).
bool ChooseFileName(TXLAWindow& window, bool save, std::string& path, std::size_t capacity,
                    const std::string& title, const std::string& defaultExtension,
                    const std::vector<platform::FileFilter>& filters);
// A save dialog with the filter "All Files (*.*)" (callers pass titles such
// as "Pick A Parameter Filename" and "select save path").
bool ChooseSaveFileName(TXLAWindow& window, std::string& path, std::size_t capacity,
                        const std::string& title, const std::string& defaultExtension = {});
// A single-file open dialog on the main file-dialog record, starting in the
// last data folder with the filter "All Files (*.*)"; the record is set back
// afterwards.
bool ChooseOpenFileName(TXLAWindow& window, std::string& path, std::size_t capacity,
                        const std::string& title);
