#pragma once
// A data set named by the list of its files. FileNameList holds the full
// paths that LoadFromList and ReloadFromList load: built from the loaded set
// (to reload it, to leave one scan out, to move to another cell or folder for
// serial fits) or read from a list file beside the data.
//
// List file ("list" or "list_corr" with the data files' extension):
//   newformat n=<k>     load every k-th listed file (the old form lacks this
//                       line, loads every file and reads each "_" as ".")
//   <data folder>
//   <file name with extension>, one per line, in the order of loading
// A "%" starts a comment that runs to the end of its line.

#include <string>

#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

struct FileNameListRecord {
  int Count = 0;                     // 0 = no list
  OneBasedArray<std::string> Paths;  // [1..Count], '/' separators
};

extern FileNameListRecord FileNameList;

// The most scan files one load takes, from a list or a selection.
inline constexpr int kMaxFilesPerLoad = 1000;

// One full path per loaded scan in time order, the folder being DataFolder;
// the scan whose index equals excludedScan is left out (none for 0 or less).
void BuildFileNameList(int excludedScan);
void FreeFileNameList();

// When the list names exactly NFILES files: writes "list_corr" (corrected)
// or "list", with the first path's extension, into the first path's folder.
// False when nothing was written (counts differ, or the file could not be
// created, which is reported).
bool WriteListFile(bool corrected);

// Reads a list file into FileNameList (sets ListStep and DataFolder) and
// releases the loaded data set; the caller then loads the list. False when
// no list was built: an unreadable file (silently), a list file whose step
// line or a line of which is no text (the line is named), a list without
// file names, or more than 1000 files to load.
bool ReadListFile(platform::WindowHandle window, const std::string& path);

// Serial fits: the last character of every listed extension becomes digit
// (0..8; other values change nothing); the last folder of every path becomes
// the number n; the folder of every path becomes folder (with the drive the
// folder names; an absolute folder of this system drops a listed drive).
void SetListCellNumber(int digit);
void SetListSubdirNumber(int n);
void SetListFolder(const std::string& folder);

// Every listed file can be opened for reading.
bool ListFilesExist();
