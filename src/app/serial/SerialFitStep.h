#pragma once
// What every serial fit shares: the settings of the running series, the
// step that analyses one loaded set (parameters, run, fit, the question
// after an interrupted fit, result files, the error file and the export for
// the sibling program), and the result files that more than one series
// writes. The sets' files go into the set's folder, named with the set's
// scan extension (".RA1").

#include <functional>
#include <string>
#include <vector>

class TXLAWindow;

// One integration range: s limits and, for the s x f/f0 models, f/f0 limits.
struct SerialRange {
  float smin = 0.0f, smax = 0.0f, fmin = 0.0f, fmax = 0.0f;
};

struct SerialFitSeriesRecord {
  bool Running = false;
  bool FitEachSet = false;
  // The answer to "restore previous params if available?".
  bool SerialFitRestoreParams = false;
  bool SerialFitMonteCarlo = false;
  int MonteCarloIterations = 0;
  std::vector<SerialRange> Ranges;  // at most 10
  // The saved analysis of the set loaded when a list-file series started.
  std::string StartParameterFile;
};

extern SerialFitSeriesRecord SerialFitSeries;

// Folder (ending with '/') and scan extension (with its dot) of the loaded set.
struct SetLocation {
  std::string Folder, Extension;
  std::string ExtensionWithoutDot() const;
};
SetLocation LoadedSetLocation();

enum class SerialCommand { ByCell, ByListFile, Monitor };

// Analyses the loaded set; results writes the set's own files after the
// run or fit. False when the series must end (no scans, or the user chose to
// stop after an interrupted fit).
bool RunSharedSerialStep(TXLAWindow& window, SerialCommand command,
                         const std::function<void(const SetLocation&)>& results,
                         const std::function<void()>& beforeRun = {});

// The text of a numerical failure code in a set's error file.
std::string SerialErrorText(int code);

// The current distribution as "%e %e\n" rows over its plotted axis; false
// without a distribution (nothing written then).
bool WriteSerialDistribution(const std::string& path);
// "%e \n" with the current frictional ratio.
void WriteFf0File(const std::string& path);

// Asks the integration ranges (s limits, and f/f0 limits when withFf0) until
// "another integration range?" is answered No or ten ranges are given; then
// the Monte Carlo question with its iteration count. False on a cancel.
bool AskIntegrationRanges(TXLAWindow& window, bool withFf0, float defaultIterations);

// The Monte Carlo statistics of every range into "MCintegrals" + extension
// in the folder "MCdata" of the set (code 7 when the folder cannot be made).
void WriteMonteCarloIntegrals(TXLAWindow& window, const SetLocation& set);

// Installs the series' own view of the saved-analysis offer while a series
// runs, and takes it away again.
void BeginSeries();
void EndSeries();
