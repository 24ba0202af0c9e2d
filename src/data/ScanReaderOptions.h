#pragma once
// Load-time options of the scan reader and the data-kind flags. The kind
// flags always describe the last scan file read; the rest of the program
// reads them as the kind of the loaded data.

struct ScanReaderOptionsRecord {
  bool IntensityData = false;       // last file read was of type I or V
  bool AbsorbanceData = false;      // R or W; also raised for fluorescence and electrophoresis
  bool InterferenceData = false;    // P
  bool SpikeFilterOn = true;        // drop isolated spikes of absorbance and fluorescence scans
  bool FlagStrongGradients = true;  // read by the run and fit commands
  bool FixedColumnsOn = false;      // each data point is FixedColumnCount numbers
  bool ElectrophoresisDataMode = false;
  bool FluorescenceData = false;  // F
  int FixedColumnCount = 2;       // at least 2: radius and signal
  float SpikeThresholdAbsorbance = 0.4f;
  float SpikeThresholdFluorescence = 100.0f;
  float SpikeThreshold = 0.4f;  // the level in use, chosen per file
};

extern ScanReaderOptionsRecord ScanReaderOptions;

// Sets the number of numbers per data point of the fixed-column mode. A count
// below 2 (no room for radius and signal) is refused: false, nothing changed.
bool SetFixedColumnCount(int count);

// The kind flags (and the spike level chosen with them) as one value, so
// that a read of an auxiliary file can put back what it found.
struct ScanKindFlags {
  bool IntensityData = false;
  bool AbsorbanceData = false;
  bool InterferenceData = false;
  bool FluorescenceData = false;
  float SpikeThreshold = 0.4f;
};

ScanKindFlags CurrentScanKindFlags();
void RestoreScanKindFlags(const ScanKindFlags& flags);
