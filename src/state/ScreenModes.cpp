#include "state/ScreenModes.h"

ScreenModesRecord ScreenModes;
