#pragma once
// The installation folder and the paths derived from it. The installation
// folder is the folder of the executable; every data table, parameter file
// and sound lives beside it.

#include <array>
#include <string>

struct ProgramPathsRecord {
  std::string InstallationFolder;  // ends with '/' when set
  // Base files of the eight event-sound classes, in the order of SoundClass:
  // error, info, question, fitdone, hi, bye, ok, beer.
  std::array<std::string, 8> SoundBaseFiles;
  std::string WormChainTable;  // "~WormChain_mofs.dat"
  std::string MofsTable;       // "mofs.dat"
  std::string TempFolder;      // "temp/"
};

extern ProgramPathsRecord ProgramPaths;

// Sets the installation folder and forms every path derived from it.
void SetInstallationFolder(const std::string& folder);
// The installation folder of a program started as argv0: the folder of the
// executable, with '/' separators.
std::string InstallationFolderOf(const std::string& argv0);
