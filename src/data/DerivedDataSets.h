#pragma once
// New data sets made from the loaded scans and written as scan files: the
// average of all scans (which then replaces the loaded set), pseudo-
// absorbance from intensity scans (one set, or one set per channel), the
// three channel sections of six-channel centrepieces ('i', 'm' and 'o' in
// front of the names, which the equilibrium sort recognises), and scans
// shifted radially to undo the stretching of the rotor at speed.
//
// The data folder is the folder of the temporary parameter file, which the
// loaders set to the folder of the loaded files. A file that cannot be
// written is reported and the operation goes on with the next one.

#include <string>

#include "platform/Platform.h"

// Asks for a file name ("select filename for averaged scan"), writes the mean
// profile on the common grid there and reloads the set from that one file.
// Cancelled, or not written: the loaded set stays.
void AverageScans(platform::WindowHandle window);
// One pseudo-absorbance file per intensity scan ("00005.RI2" gives
// "00005.Ra2"); stops at the first scan that is not an intensity scan.
void SaveIntensityAsAbsorbance();
// Per intensity scan a sample set ("S...") of log10(1000 / signal) and a
// reference set ("R...") of log10(1000 / reference).
void SaveIntensityAsTwoPseudoAbsorbance();
// Each scan cut at r1 and r2 (cm) into its inner, middle and outer section;
// neighbouring sections share the point at the cut.
void SaveSixChannelSubsets(float r1, float r2);
// Each scan shifted by -module (rpm/1000)^2 cm into the folder of path, named
// after its whole recorded seconds (a second scan of the same second gets
// "_2", ...). maintainField writes the speed that keeps the centrifugal field
// at the middle of the scan; rename makes the new names the scans' files.
// A path that names no folder is refused: nothing is written.
bool ShiftScansForRotorStretch(float module, const std::string& path, bool maintainField,
                               bool rename);
