#include "state/FitControl.h"

FitControlRecord FitControl;
