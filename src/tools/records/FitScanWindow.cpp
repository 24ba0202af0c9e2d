#include "tools/records/FitScanWindow.h"

FitScanWindowRecord FitScanWindow;
