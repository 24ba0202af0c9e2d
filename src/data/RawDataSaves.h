#pragma once
// The loaded scans, as edited in memory, saved as new scan files: the whole
// set in another folder under names that state speed and wavelength or under
// a name prefix, the aligned interference scans under the marker letter 'a',
// or one scan without one of its points. The radii and signals written are
// the current ones, so every edit reaches the files; the loaded data stay as
// they are (the folder saves move the temporary parameter file into the new
// folder, and the single-scan save may rename the scan).
//
// Existing files are replaced; a file that cannot be written is reported and
// the save goes on with the next scan. Each returns true when every file was
// written.

#include <string>

// All scans into the folder of path, named "<k>k<wavelength>_<c><number>"
// (k = rpm / 1000, c the first character of the scan's name, the number three
// characters of it), or "<c>corr_<k>k<wavelength>_<number>" for names that an
// earlier correction gave ("acorr_00017"). Types W and V write the wavelength
// in thousandths with four digits. Not for light-scattering data; a name too
// short to hold a scan number is refused with a message.
bool SaveRawDataSetRenamed(const std::string& path);
// All scans into the folder of path, named with the name part of path in
// front of their own names. Not for light-scattering data.
bool SaveRawDataSetPrefixed(const std::string& path);
// All scans under the marker letter 'a' in the folder of path.
bool SaveAlignedScans(const std::string& path);
// Scan `scan` without its point `point`: over the scan's file, or as
// "<name>_mod<extension>", which then becomes the scan's file. The loaded
// scan keeps all its points; the caller reloads.
bool SaveModifiedScan(int scan, int point, bool overwrite);
