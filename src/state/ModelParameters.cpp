#include "state/ModelParameters.h"

ModelParametersRecord ModelParameters;
float ImpliedMass = -1.0f;
float ImpliedFf0 = -1.0f;
float ImpliedVolumeFraction = -1.0f;
float ImpliedB2Ratio = -1.0f;
bool InhomogeneousSolventOn = false;
