#include "display/records/MainPlotLayout.h"

MainPlotLayoutRecord MainPlotLayout;
MainDisplayOptionsRecord MainDisplayOptions;
