#pragma once
// The program's entry: the installation folder and the paths in it, the
// copies of the command-line arguments, the application object that creates
// the main window and runs the message loop.

#include <memory>
#include <string>
#include <vector>

class TXLAWindow;

// The arguments after the program's name, kept whole (no argument is cut to
// a buffer: a cut path would name another file). Read by the main window's
// construction and by the batch results at exit.
struct CommandLineArgsRecord {
  std::vector<std::string> Arguments;
  int Count() const { return static_cast<int>(Arguments.size()); }
};

extern CommandLineArgsRecord CommandLineArgs;

// The line the help wizard appends to its messages, formed at start.
extern std::string WizardFootnote;

// Checks the installation folder: the sibling program (a box when it is
// missing, unless three or more arguments were given), the "temp" folder
// (created when missing) and "taluvo.ini" (created holding the installation
// folder, so that the first file dialog opens there).
void InitInstallPaths();

// Set by the program itself (not by tests that start it in their process):
// the files the program writes go to the user's own folders, since an
// installed program's folder is read-only. Read-only tables and sounds are
// still read beside the executable.
extern bool WrittenFilesInUserFolders;
// The user's configuration folder: $XDG_CONFIG_HOME/taluvo/, else
// ~/.config/taluvo/ (preference and parameter files, "taluvo.ini").
std::string UserConfigFolder();
// The folder for scratch files: $XDG_RUNTIME_DIR/taluvo/, else
// $XDG_CACHE_HOME/taluvo/temp/, else ~/.cache/taluvo/temp/.
std::string UserTempFolder();
// Creates both folders and points the written files of ProgramPaths there.
void MoveWrittenFilesToUserFolders();

// The application: creates the main window and runs the message loop.
class TXLAApp {
 public:
  TXLAApp();
  ~TXLAApp();
  TXLAApp(const TXLAApp&) = delete;
  TXLAApp& operator=(const TXLAApp&) = delete;

  // The parameter arrays, the installation paths and the main window with
  // everything its construction does (in batch mode the whole run).
  void CreateMainWindow();
  // CreateMainWindow, then the window is created and shown (unless the
  // program is already ending) and the message loop runs; its exit code.
  int Run();
  TXLAWindow* MainWindow() { return window_.get(); }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  std::unique_ptr<TXLAWindow> window_;
};

// Until the main window exists there is no diagnostics log: what the
// program notes before it (a parameter file read, or refused for want of a
// display, before any window) is dropped. The program calls this first;
// the window's start points the log at its file.
void DropLogLinesBeforeTheWindow();

// argv[0] is the program's own path; the installation folder is its folder.
// Returns the exit code of the message loop.
int ProgramMain(int argc, const char* const* argv);
