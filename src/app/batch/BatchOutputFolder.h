#pragma once
// The output folder of a batch run, held for the run: a lock so that a
// second run into the same folder refuses instead of mixing its results with
// the first one's, the removal of an earlier run's results at the start (so
// that nothing stale can pass for this run's), and files written whole or
// not at all (a temporary name, flushed to disk, then renamed into place).

#include <string>
#include <vector>

#include "app/batch/BatchParameters.h"

// The files a batch run writes into its output folder, the report last.
const std::vector<std::string>& BatchResultFileNames();
inline constexpr const char* BatchReportFileName = "ResultParameters.xml";

enum class OutputClaim {
  Claimed,   // the folder exists, is this run's, and holds no earlier results
  Refused,   // no usable folder (empty name, cannot be created); noted as a failure
  InUse,     // another run holds the folder: nothing may be written there
};

// Creates the output folder (with its parents), locks it for this process
// and removes the result files, the report and the flag file an earlier run
// left there (the flag file only when its path may serve as one; see
// FlagFilePathProblem). A failure is noted in BatchStatus. Claiming again releases the
// earlier claim first.
OutputClaim ClaimBatchOutputFolder(const CIniCustomPars& pars);
// Ends the claim (the lock is also released when the process ends, however).
void ReleaseBatchOutputFolder();
// True while another run holds the folder named by the last claim.
bool BatchOutputFolderInUse();
// True while this run holds its output folder.
bool BatchOutputFolderClaimed();

// Why the flag file's path cannot serve (it names the report, a result file,
// a scan or the parameter file, or a folder); empty when it can.
std::string FlagFilePathProblem(const CIniCustomPars& pars);

// A temporary name beside path, for a file written before it is renamed
// into place (a hidden name that a killed run may leave behind; the next
// claim of the folder removes it).
std::string PartialFilePath(const std::string& path);
// Renames a completely written partial file into place; on failure the
// partial file is removed. False when it could not be put in place.
bool PutFileInPlace(const std::string& partial, const std::string& path);
// Writes text to path whole: into a partial file, flushed and synced to the
// disk, then renamed. False, with no file at path changed, on any failure
// (a full disk among them).
bool WriteFileWhole(const std::string& path, const std::string& text);
