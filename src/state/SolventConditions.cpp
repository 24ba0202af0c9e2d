#include "state/SolventConditions.h"

SolventConditionsRecord SolventConditions;
