#include "numerics/PhysicalConstants.h"

PhysicalConstantsRecord PhysicalConstants;
