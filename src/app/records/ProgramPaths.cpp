#include "app/records/ProgramPaths.h"

#include <filesystem>

ProgramPathsRecord ProgramPaths;

void SetInstallationFolder(const std::string& folder) {
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  ProgramPaths.InstallationFolder = base;
  static const char* const soundNames[8] = {"error", "info", "question", "fitdone",
                                            "hi",    "bye",  "ok",       "beer"};
  for (int i = 0; i < 8; ++i) {
    std::string& path = ProgramPaths.SoundBaseFiles[i];
    path = base;
    path.append("sounds/").append(soundNames[i]).append(".wav");
  }
  ProgramPaths.WormChainTable = base + "~WormChain_mofs.dat";
  ProgramPaths.MofsTable = base + "mofs.dat";
  ProgramPaths.TempFolder = base + "temp/";
}

std::string InstallationFolderOf(const std::string& argv0) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(argv0, ec);
  if (ec) p = argv0;
  std::string folder = p.parent_path().generic_string();
  if (folder.empty()) folder.assign(1, '.');
  folder.push_back('/');
  return folder;
}
