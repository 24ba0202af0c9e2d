// The checks of the installation folder at start. Every path is formed even
// when a check fails: a read-only installation folder (no "temp" folder, no
// "taluvo.ini") still holds the data tables and sounds the program reads.

#include <cstdio>
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

  const std::string tempFolder = paths.InstallationFolder + "temp";
  std::error_code ec;
  if (!std::filesystem::is_directory(tempFolder, ec) &&
      !std::filesystem::create_directory(tempFolder, ec))
    ShowStartError("could not create " + tempFolder);

  CreateLastDataFolderFile(paths.LastDataFolderFile, paths.InstallationFolder);
}
