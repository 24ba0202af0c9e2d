#include "distributions/records/DistributionSettingsRecords.h"

DistributionSettingsRecord DistributionSettings;
