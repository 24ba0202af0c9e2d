#pragma once
// The unattended analysis of a batch parameter file: inside the main
// window's construction the scans are loaded, the file's settings copied
// into the analysis records, and the model run and fitted as the file's
// switches say. The results are written later, by Exit.

#include <cstdint>
#include <string>
#include <vector>

#include "app/batch/BatchParameters.h"

class TXLAWindow;

// Runs the batch of IniCustomPars. False when there is no record or its
// settings were refused.
bool RunBatch(TXLAWindow& window);

// The seed from which every batch run starts the program's random numbers
// (the random spread of the fits' simplexes): a fixed value, so that the
// same parameter file on the same data gives the same numbers every time.
extern std::uint32_t BatchRandomSeed;
// Fills FileNameList from the record and loads the scans. False, with
// nothing loaded, when the record describes no valid scan list.
bool BuildBatchScanList(const CIniCustomPars& pars, TXLAWindow& window);
// The scan paths the record names (explicit, or numbered in a folder);
// empty when it describes no valid list.
std::vector<std::string> BatchScanPaths(const CIniCustomPars& pars);
// Copies the record into the analysis settings. False after an error box
// when the flotation settings contradict each other.
bool ApplyBatchParameters(const CIniCustomPars& pars, TXLAWindow& window);
