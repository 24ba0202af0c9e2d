#pragma once
// How a batch run ended, for the callers that automate it: the program's
// exit code and the reason the report and standard error give. The first
// failure of a run is the one reported; later ones follow from it.

#include <string>

// The exit codes of a batch run. 0 only when the analysis ran and every
// result file was written.
enum class BatchExitCode : int {
  Success = 0,
  NoDisplay = 1,            // no batch run and no display for the window
  ParameterFileRefused = 2, // the parameter file is unreadable or holds a bad value
  DataNotLoaded = 3,        // a listed scan file could not be loaded
  AnalysisFailed = 4,       // the run or fit gave no valid result
  ResultsNotWritten = 5,    // an output folder or result file could not be written
  CannotStayOpen = 6,       // no AutoExit, but no display to stay open on
  OutOfMemory = 7,          // an allocation failed
};

struct BatchStatusRecord {
  BatchExitCode Code = BatchExitCode::Success;
  std::string Reason;  // empty on success
  // Which rotor speed profile the run's simulations followed, for the report.
  std::string SpeedProfile;
  bool Failed() const { return Code != BatchExitCode::Success; }
};

extern BatchStatusRecord BatchStatus;

// Records a failure unless one is recorded already, and tells it on standard
// error and in the diagnostics log (never in a box that could wait for a
// person).
void NoteBatchFailure(BatchExitCode code, const std::string& reason);
// Back to success, for a new run (and for tests).
void ResetBatchStatus();
int BatchExitCodeValue();
