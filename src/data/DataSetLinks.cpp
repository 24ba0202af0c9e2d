#include "data/DataSetLinks.h"
#include "state/Links.h"

bool DlsDataMode = false;
std::function<void()> DestroyMainPlots = links::Unwired;
std::function<void(bool)> ReapplyNonlinearDetection = links::Unwired;
std::function<void()> FreeNonlinearDetectionArrays = links::Unwired;
