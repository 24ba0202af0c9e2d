#include "display/records/PeakRegion.h"

PeakRegionRecord PeakRegion;
