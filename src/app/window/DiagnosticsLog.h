#pragma once
// The diagnostics log: trace lines of the analysis ("\nEnter LoadAllData")
// written to a file in the system's temporary folder while "Diagnostics
// Output to Files" is on.

#include <string>

class TXLAWindow;

// Off at start and not kept between runs.
extern bool DiagnosticsOn;

// The log file: "Taluvodebug_t0.txt" in the temporary folder.
std::string DiagnosticsLogPath();

// Toggles the diagnostics (this log and the solver and worker logs) after a
// test that the file can be created; check mark of item 867.
void CmDiagnosticsOutputToFiles(TXLAWindow& window);
