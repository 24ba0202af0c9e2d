#pragma once
// The installation folder and the paths derived from it. The installation
// folder is the folder of the executable; every parameter file, data table
// and sound lives beside it, scratch files in its "temp" folder, unless the
// written files are moved into the user's own folders (UseUserFolders). Formed once
// at start-up and not changed afterwards (the folder of loaded data is kept
// elsewhere).

#include <array>
#include <string>

struct ProgramPathsRecord {
  std::string InstallationFolder;     // ends with '/' when set
  std::string PreferenceFile;         // "taluvoparams.ini"
  std::string LammPreferenceFile;     // "zedarozazururaro.ini"
  std::string TimeToEqParameterFile;  // "taluvosimappeqparams.ini"
  std::string SiblingProgram;         // "quorvel", the sibling analysis program
  std::string TempFolder;             // "temp/"
  std::string LastDataFolderFile;     // "taluvo.ini", holding the last data folder
  std::string MofsTable;              // "mofs.dat"
  std::string WormChainTable;         // "~WormChain_mofs.dat"
  // Base files of the eight event-sound classes, in the order of SoundClass:
  // error, info, question, fitdone, hi, bye, ok, beer.
  std::array<std::string, 8> SoundBaseFiles;
  std::string ViscosityTable;        // "viscosity.dat"
  std::string DensityTable;          // "density.dat"
  std::string SNonidTable;           // "snonid.dat"
  std::string DNonidTable;           // "dnonid.dat"
  std::string DistribFile;           // temp folder + "distrib.dat"
  std::string BoundaryFractsFile;    // temp folder + "ppBoundaryFracts.dat"
  std::string NonIdCtotTable;        // temp folder + "ppNonIdCtotTable.dat"
  std::string IntegrationRangeFile;  // "integratrangefile.txt"
  // Rewritten by the Levenberg-Marquardt fits with the fitted values, their
  // errors and the covariance rows.
  std::string FitReportFile;  // "mlfitreport.txt"
};

extern ProgramPathsRecord ProgramPaths;

// Sets the installation folder and forms every path derived from it.
void SetInstallationFolder(const std::string& folder);
// Moves the files the program writes out of the installation folder, which
// an installed program cannot write: the preference and parameter files,
// the last data folder, the integration ranges and the fit report into
// configFolder, the scratch files into tempFolder (both end with '/').
// Read-only tables and sounds stay beside the executable.
void UseUserFolders(const std::string& configFolder, const std::string& tempFolder);
// The installation folder of a program started as argv0: the folder of the
// executable, with '/' separators.
std::string InstallationFolderOf(const std::string& argv0);
