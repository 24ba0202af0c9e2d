#include "state/SpeciesEngineParameters.h"

SpeciesEngineParametersRecord SpeciesEngineParameters;
