#pragma once
// Loading a data set. Each loader replaces the program-wide data set as a
// whole (AddMoreFiles grows it): it reads every file, orders the scans by
// time, couples a rotor speed profile, sets the run's temperature, chooses
// meniscus, bottom and fit limits where none are set, builds the common grid
// and the fit indices, sets the defaults that depend on the kind of data and
// rebuilds the plots. A load leaves either a complete data set or none: a
// file that cannot be read is reported with its path (caption "LOAD ERROR")
// and releases everything read so far.
//
// A file selection has the form of the open-file dialog's multiple
// selection: either one full path, or a folder followed by file names (with
// extensions) in that folder.

#include <string>
#include <vector>

#include "platform/Platform.h"

using FileSelection = std::vector<std::string>;

// Loads every ListStep-th file of the selection (at most 1000). A single file
// outside the equilibrium data mode asks whether to switch to it. Offers the
// folder's previous analysis, checks the temperatures and the time stamps.
void LoadAllData(platform::WindowHandle window, const FileSelection& selection);

// Loads the files of FileNameList and shows them without running the model.
void LoadFromList(platform::WindowHandle window);

// Loads the files of FileNameList and runs the current model on them.
void ReloadFromList(platform::WindowHandle window);

// Appends the selected files to the loaded set (loads them when no data are
// loaded). Every file that cannot be read is reported; when any failed, the
// whole set is released.
void AddMoreFiles(platform::WindowHandle window, const FileSelection& selection);
