#include "state/MainPlotLayout.h"

MainPlotLayoutRecord MainPlotLayout;
MainDisplayOptionsRecord MainDisplayOptions;
