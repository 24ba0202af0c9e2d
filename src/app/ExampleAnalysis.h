#pragma once
// The example analysis of the command line: loads the scan files of a folder,
// computes c(s) with time- and radial-invariant noise, writes the
// distribution and prints its peaks. It stands in for the batch run until
// the batch parameter file drives the analysis.

#include <string>

// Returns the process exit code: 0 when the distribution was computed and
// written.
int RunExampleAnalysis(const std::string& dataFolder, const std::string& outputFolder);
