#pragma once
// Files for the sibling analysis program: the xp file of one experiment (its
// data files and global settings), the parameter file of a hybrid discrete
// and c(s) model ("quorvel_PAR") and the configuration file that names the
// experiment, the model and the parameter file. Every line is a value, a
// blank and a label in parentheses, which the sibling program reads as its
// key; the line order is fixed.

#include <string>
#include <vector>

#include "platform/Platform.h"

// The xp file of the loaded data at path. The buffer density, viscosity and
// partial-specific volume (and for some models and kinds of data the
// extinction coefficient, centerpiece, path length and rotor) are offered for
// editing first, unless serial fits or a series generation run; edited
// solvent values are kept. False without scans (no message) or when the file
// cannot be created ("could not open <path>").
bool ExportSiblingXp(platform::WindowHandle window, const std::string& path);

// The parameter file beside the configuration path (same name, extension
// "quorvel_PAR"), then the configuration file naming xpPath as the
// experiment. False when either cannot be created ("could not open file <path>
// for writing"); a parameter file already written stays.
bool ExportSiblingPar(platform::WindowHandle window, const std::string& configurationPath,
                      const std::string& xpPath);

// The xp file of one group of equilibrium scans saved by the equilibrium sort:
// the output folder (with its closing '/'), the saved files' names in the
// order of saving, and the values the sort was given. False when the file
// cannot be created (reported with the error sound).
struct EquilibriumXpValues {
  double density = 1.0;
  double vbar = 0.73;
  double extinctionA = 1.0, extinctionB = 1.0, extinctionC = 0.0;
};
bool WriteEquilibriumXp(const std::string& path, const std::string& folder,
                        const std::vector<std::string>& files, const EquilibriumXpValues& values);

// The title of line 2: the leading run of letters, digits, blanks and
// \ # _ / : , . of the description (at most 100 of them); a run shorter than
// two characters gives no title.
std::string SiblingTitleOf(const std::string& description);
