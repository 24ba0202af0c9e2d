#include "data/ScanReaderOptions.h"

ScanReaderOptionsRecord ScanReaderOptions;

bool SetFixedColumnCount(int count) {
  if (count < 2) return false;
  ScanReaderOptions.FixedColumnCount = count;
  return true;
}

ScanKindFlags CurrentScanKindFlags() {
  const auto& o = ScanReaderOptions;
  return {o.IntensityData, o.AbsorbanceData, o.InterferenceData, o.FluorescenceData,
          o.SpikeThreshold};
}

void RestoreScanKindFlags(const ScanKindFlags& flags) {
  auto& o = ScanReaderOptions;
  o.IntensityData = flags.IntensityData;
  o.AbsorbanceData = flags.AbsorbanceData;
  o.InterferenceData = flags.InterferenceData;
  o.FluorescenceData = flags.FluorescenceData;
  o.SpikeThreshold = flags.SpikeThreshold;
}
