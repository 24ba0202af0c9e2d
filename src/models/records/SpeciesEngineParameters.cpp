#include "models/records/SpeciesEngineParameters.h"

SpeciesEngineParametersRecord SpeciesEngineParameters;
