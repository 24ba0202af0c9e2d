#include "state/FitScanWindow.h"

FitScanWindowRecord FitScanWindow;
