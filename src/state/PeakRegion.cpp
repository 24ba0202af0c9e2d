#include "state/PeakRegion.h"

PeakRegionRecord PeakRegion;
