#include "numerics/SolventConditions.h"

SolventConditionsRecord SolventConditions;
