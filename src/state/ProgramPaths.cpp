#include "state/ProgramPaths.h"

#include <filesystem>

ProgramPathsRecord ProgramPaths;

void SetInstallationFolder(const std::string& folder) {
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  ProgramPathsRecord& p = ProgramPaths;
  p.InstallationFolder = base;
  p.SiblingProgram = base + "quorvel";
  p.MofsTable = base + "mofs.dat";
  static const char* const soundNames[8] = {"error", "info", "question", "fitdone",
                                            "hi",    "bye",  "ok",       "beer"};
  for (int i = 0; i < 8; ++i) {
    std::string& path = p.SoundBaseFiles[i];
    path = base;
    path.append("sounds/").append(soundNames[i]).append(".wav");
  }
  p.ViscosityTable = base + "viscosity.dat";
  p.DensityTable = base + "density.dat";
  p.SNonidTable = base + "snonid.dat";
  p.DNonidTable = base + "dnonid.dat";
  // The files the program writes sit beside it until the start moves them
  // to the user's folders.
  UseUserFolders(base, base + "temp/");
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

void UseUserFolders(const std::string& configFolder, const std::string& tempFolder) {
  ProgramPathsRecord& p = ProgramPaths;
  p.PreferenceFile = configFolder + "taluvoparams.ini";
  p.LammPreferenceFile = configFolder + "zedarozazururaro.ini";
  p.TimeToEqParameterFile = configFolder + "taluvosimappeqparams.ini";
  p.LastDataFolderFile = configFolder + "taluvo.ini";
  p.IntegrationRangeFile = configFolder + "integratrangefile.txt";
  p.FitReportFile = configFolder + "mlfitreport.txt";
  p.WormChainTable = configFolder + "~WormChain_mofs.dat";
  p.TempFolder = tempFolder;
  p.DistribFile = tempFolder + "distrib.dat";
  p.BoundaryFractsFile = tempFolder + "ppBoundaryFracts.dat";
  p.NonIdCtotTable = tempFolder + "ppNonIdCtotTable.dat";
}
