#include "models/records/FitControl.h"

FitControlRecord FitControl;
