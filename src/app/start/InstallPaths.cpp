// The checks of the installation folder at start. Every path is formed even
// when a check fails: a read-only installation folder (no "temp" folder, no
// "taluvo.ini") still holds the data tables and sounds the program reads.

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "state/ProgramPaths.h"
#include "app/start/ProgramStart.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"

namespace {

void ShowStartError(const std::string& text) {
  platform::BoxRequest box;
  box.text = text;
  box.caption = "ERROR";
  box.buttons = platform::BoxButtons::Ok;
  platform::Current().ShowMessageBox(box);
}

// A first start writes the installation folder as the last data folder, so
// that the first file dialog opens there.
void CreateLastDataFolderFile(const std::string& path, const std::string& folder) {
  if (FileExists(path)) return;
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return;
  std::fputs(folder.c_str(), f);
  std::fclose(f);
}

}  // namespace

void InitInstallPaths() {
  const ProgramPathsRecord& paths = ProgramPaths;
  // Unattended callers pass three or more arguments and want no box.
  if (!FileExists(paths.SiblingProgram) && CommandLineArgs.Count() < 3)
    ShowStartError("could not find " + paths.SiblingProgram);

  std::string tempFolder = paths.TempFolder;
  if (tempFolder.size() > 1 && tempFolder.back() == '/') tempFolder.pop_back();
  std::error_code ec;
  if (!std::filesystem::is_directory(tempFolder, ec) &&
      !std::filesystem::create_directory(tempFolder, ec))
    ShowStartError("could not create " + tempFolder);

  CreateLastDataFolderFile(paths.LastDataFolderFile, paths.InstallationFolder);
}

bool WrittenFilesInUserFolders = false;

namespace {

// An environment variable that names an absolute folder, with '/' at its
// end; empty otherwise (the base directory rules ignore relative paths).
std::string FolderFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  std::string folder = value;
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string HomeFolder() {
  std::string home = FolderFromEnvironment("HOME");
  return home.empty() ? std::string("/tmp/") : home;
}

}  // namespace

std::string UserConfigFolder() {
  const std::string base = FolderFromEnvironment("XDG_CONFIG_HOME");
  return (base.empty() ? HomeFolder() + ".config/" : base) + "taluvo/";
}

std::string UserTempFolder() {
  if (const std::string runtime = FolderFromEnvironment("XDG_RUNTIME_DIR"); !runtime.empty())
    return runtime + "taluvo/";
  const std::string cache = FolderFromEnvironment("XDG_CACHE_HOME");
  return (cache.empty() ? HomeFolder() + ".cache/" : cache) + "taluvo/temp/";
}

void MoveWrittenFilesToUserFolders() {
  const std::string config = UserConfigFolder();
  const std::string temp = UserTempFolder();
  std::error_code ec;
  std::filesystem::create_directories(config, ec);
  std::filesystem::create_directories(temp, ec);
  UseUserFolders(config, temp);
}
