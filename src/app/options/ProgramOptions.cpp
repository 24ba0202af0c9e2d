#include "app/options/ProgramOptions.h"

#include "app/records/ProgramPaths.h"

ProgramOptionsRecord ProgramOptions;
PreferenceLinksRecord PreferenceLinks;

std::string PreferenceFilePath() {
  return ProgramPaths.InstallationFolder + "taluvoparams.ini";
}
