#pragma once
// A short readable report of the discrete-species parameters: each
// switched-on component with its M (or D) and s and whether they floated,
// the concentrations, meniscus, bottom, baseline, fit range, initial
// distribution, start-time offset and the rmsd. Saved beside the data with
// the fit data, or put on the clipboard.

#include <string>

#include "platform/Platform.h"

// The report from the current parameter vector; the clipboard variant
// differs in a few line ends and words.
std::string ParameterReportText(bool forClipboard);

// The path with its extension replaced by that of the loaded scan files.
std::string ParameterFilePath(const std::string& path);

// Writes the report at ParameterFilePath(path), asking before overwriting.
// Returns the path written, or "" when nothing was written.
std::string SaveParameterFile(platform::WindowHandle window, const std::string& path);

// Puts the report on the clipboard; false when the clipboard cannot be used.
bool CopyParametersText(platform::WindowHandle window);
