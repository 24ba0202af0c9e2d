#include "data/ShowTextFile.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "state/ProgramFlags.h"
#include "platform/Platform.h"

extern char** environ;

TextFileViewer InstalledTextFileViewer;

void ShowTextFile(const std::string& path) {
  if (!BatchMode && InstalledTextFileViewer && InstalledTextFileViewer(path)) return;
  platform::Current().ShowMessageBox({nullptr, "file written: " + path, "Information",
                                      platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool OnPath(const std::string& program) {
  std::istringstream folders(Variable("PATH"));
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    if (::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

}  // namespace

std::string UserTextEditor() {
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const std::string editor = Variable(name);
    if (editor.find_first_not_of(" \t") != std::string::npos) return editor;
  }
  return OnPath("xdg-open") ? "xdg-open" : "";
}

bool StartUserTextEditor(const std::string& path) {
  const std::string editor = UserTextEditor();
  if (editor.empty()) return false;
  // The shell splits the editor setting into program and options as a shell
  // user expects ("code -w"); the path goes in as one argument, never as
  // shell text. The editor runs in the background so that the program does
  // not wait for it.
  std::string script = "$0 \"$1\" </dev/null >/dev/null 2>&1 &";
  std::string shell = "sh", dashC = "-c", editorArg = editor, pathArg = path;
  char* argv[] = {shell.data(),     dashC.data(),   script.data(),
                  editorArg.data(), pathArg.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
