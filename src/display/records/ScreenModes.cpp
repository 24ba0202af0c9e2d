#include "display/records/ScreenModes.h"

ScreenModesRecord ScreenModes;
