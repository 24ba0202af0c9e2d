#pragma once
// Small pieces shared by the operations that write new files from the loaded
// data: the intensity test of a file name, pseudo-absorbance, output folders
// and names, the refusal of light-scattering data, and a scan writer that
// tells the user when a file could not be written.

#include <string>

#include "data/ScanHeader.h"
#include "platform/Platform.h"

// The second character after the dot of the name's extension is 'i' or 'I',
// as in the extensions of intensity scans (".RI1").
bool IsIntensityFileName(const std::string& fileName);
// log10(reference / sample) where both are positive; 10.0 otherwise, so
// that no file ever receives an infinite or undefined value.
float PseudoAbsorbance(float reference, float sample);
// log10(1000 / value) where the value is positive, 10.0 otherwise.
float PseudoAbsorbanceOf1000(float value);

// Drive and folder of a path, with a closing '/', or "" when the path names
// no folder.
std::string OutputFolderOf(const std::string& path);
// The name part of a file name (no folder, no extension) and its extension
// (with the dot, "" when it has none).
std::string NamePartOf(const std::string& fileName);
std::string ExtensionOf(const std::string& fileName);
// The extension with its second character after the dot replaced.
std::string WithExtensionLetter(const std::string& extension, char letter);

// Light-scattering data are loaded: the info sound and "not implemented for
// DLS data" (caption "ERROR"); true then, and the caller stops.
bool RefuseDlsData(platform::WindowHandle owner = nullptr);

// Writes a scan file like WriteScanFile; a file that cannot be written is
// reported to the user ("could not write <path>") and the result is false.
bool WriteScanFileReported(const std::string& path, int pointCount, float* radius, float* signal,
                           const float* third, const char* description, bool stampChecked,
                           const ScanHeader& header);

// A scan header as written for absorbance data: type I becomes R, V becomes W.
ScanHeader AsAbsorbanceHeader(const ScanHeader& header);

// The temporary parameter file of the analysis moves into folder (with its
// closing '/'): "~tmppars" with the extension of the earliest scan, or, with
// the old file-name convention, that scan's name with the extension "~p".
void MoveTempParameterFile(const std::string& folder);

// The "could not open %s" box (caption "ERROR") after the info sound.
void ReportCouldNotOpen(platform::WindowHandle owner, const std::string& path);
