#include "state/SyntheticSeries.h"

bool SeriesGenerationRunning = false;
float SyntheticTotalLoading = 0.0f;
