#pragma once
// Showing a text file that the program has just written. The desktop
// installs a viewer that starts the user's text editor; without one (tests,
// a headless run) and always in a batch run, an information box names the
// file instead.

#include <functional>
#include <string>

// Starts a viewer for the file and returns whether it started.
using TextFileViewer = std::function<bool(const std::string& path)>;
extern TextFileViewer InstalledTextFileViewer;

// Opens the file in the installed viewer, or names it in an information box.
void ShowTextFile(const std::string& path);

// The user's text editor: $VISUAL, else $EDITOR, else xdg-open when it is on
// the PATH; empty when there is none.
std::string UserTextEditor();
// Starts the user's text editor on the file without waiting for it; false
// when there is no editor or it cannot be started.
bool StartUserTextEditor(const std::string& path);
