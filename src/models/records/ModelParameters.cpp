#include "models/records/ModelParameters.h"

ModelParametersRecord ModelParameters;
bool InhomogeneousSolventOn = false;
