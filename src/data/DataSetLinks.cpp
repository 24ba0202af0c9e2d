#include "data/DataSetLinks.h"

bool DlsDataMode = false;
std::function<void()> DestroyMainPlots = [] {};
std::function<void(bool)> ReapplyNonlinearDetection = [](bool) {};
std::function<void()> FreeNonlinearDetectionArrays = [] {};
