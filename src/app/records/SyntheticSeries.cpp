#include "app/records/SyntheticSeries.h"

bool SeriesGenerationRunning = false;
float SyntheticTotalLoading = 0.0f;
