#pragma once
// What a batch run hands back to its caller: result files in the output
// folder of the batch parameter file, an XML report of settings and results,
// and last the all-done flag file holding the caller's handshake text. They
// are written once, when the program leaves through Exit in batch mode.

#include <string>

#include "app/batch/BatchParameters.h"
#include "platform/RgbImage.h"

class TXLAWindow;

// The program's version as the report names it.
extern const char* const TaluvoVersionText;

// Writes every result file of the batch run into the output folder (created
// with its parents); the screenshot is taken from the window's client area
// after a full repaint. The report and then the flag file come last, also
// when something before failed. True when every file was written; each
// failure is noted in BatchStatus, which the report states.
bool WriteBatchResults(TXLAWindow& window, const CIniCustomPars& pars);
// The exit-time step: the results (in batch mode), then a pause of a second
// so that a caller polling for the flag file sees the others complete.
void WriteBatchResultsAndExit(TXLAWindow& window);
// For a run that ends before its analysis (a refused parameter file, no
// display to stay open on, exhausted memory): a report that says only that
// and why, then the flag file, as far as the record names them. False when
// the flag file could not be written.
bool WriteBatchFailureReport(const CIniCustomPars& pars);
std::string BatchFailureXml(const CIniCustomPars& pars);

// The parts, each usable on its own.
// The report "ResultParameters.xml" as text, from the program-wide records.
std::string BatchResultXml(const CIniCustomPars& pars);
// "distribution.dat": grid value and distribution value per point.
bool WriteDistributionResultFile(const std::string& path);
// "TInoise.dat" (radius, TI noise fitted plus removed, over the common
// grid's fit range) and "RInoise.dat" (scan time, RI noise per scan in time
// order).
bool WriteTINoiseFile(const std::string& path);
bool WriteRINoiseFile(const std::string& path);
// "ScanRMSD.dat" is the ScanRms table of the data layer (WriteScanRmsTable).
// The all-done flag: the handshake text, or "no handshake found".
bool WriteAllDoneFlagFile(const CIniCustomPars& pars);
// "simulate.dat" asks for the fitted scans: one scan file per scan over its
// fit range, in the folder of `path` under the scan's name with 'f' as its
// first letter (00017.ra2 gives f0017.ra2), replacing earlier files.
bool SaveBatchFitData(const std::string& path);
// The 24-bit screenshot file; false when it cannot be written.
bool BmpScreenshot(const std::string& path, const platform::RgbImage& image);
