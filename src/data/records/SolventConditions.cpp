#include "data/records/SolventConditions.h"

SolventConditionsRecord SolventConditions;
