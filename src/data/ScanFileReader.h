#pragma once
// Reading one radial scan file: the description line, the header line and
// one data line per radial point, with the load-time treatments that the
// reader options ask for (point averaging over a radial distance, removal of
// isolated spikes, the electrophoresis conversion).

#include <string>

#include "data/ScanHeader.h"
#include "numerics/OneBasedArrays.h"

// Reads the scan at path into header and new one-based arrays of pointCount
// points. third, when given, receives the third column only when one is kept
// (otherwise it stays as it was); stampChecked, when given, receives the
// header's TimeStampChecked. averagingDistance (cm) > 0 merges the points that lie
// within that distance of the first point of their group.
//
// Returns 1, or 0 without a message for a missing argument, a file that cannot
// be opened, an empty file, a missing header line, a type letter other than
// R, I, P, F, W, V, a file that holds no data point, a value that is not a
// finite number, or a fixed-column count below 2; also for a header whose
// time, omega^2 t, speed or temperature is no number in a sensible range, a
// data line that holds fewer values than the file's kind has columns, and
// radii that do not increase from point to point (or lie beyond 100 cm).
// Every data line of the file becomes one point before averaging and spike
// removal; nothing beyond the end of the text is ever read as a point.
//
// Sets the data-kind flags of ScanReaderOptions to this file's kind.
int ReadScanFile(const std::string& path, ScanHeader* header, int* pointCount,
                 OneBasedArray<float>* radius, OneBasedArray<float>* signal,
                 OneBasedArray<float>* third, bool* stampChecked, float averagingDistance);

// Why the last ReadScanFile of this thread returned 0, in words for the
// user: "could not open the file", "not a scan file", "no data lines" or
// "could not read the line: <the line>"; empty after a successful read.
const std::string& ScanFileProblem();

// The same for a file read beside the loaded data (a blank, a reference, an
// initial profile): the data-kind flags are put back as they were found, so
// that they go on describing the loaded data.
int ReadAuxiliaryScanFile(const std::string& path, ScanHeader* header, int* pointCount,
                          OneBasedArray<float>* radius, OneBasedArray<float>* signal,
                          OneBasedArray<float>* third, bool* stampChecked, float averagingDistance);
