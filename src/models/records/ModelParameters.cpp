#include "models/records/ModelParameters.h"

ModelParametersRecord ModelParameters;
