#include "app/options/ProgramOptions.h"

ProgramOptionsRecord ProgramOptions;
PreferenceLinksRecord PreferenceLinks;
