#pragma once
// File paths taken apart into drive, directory, name and extension and put
// together again. Lists of scan files may come from another system: both '/'
// and '\' separate folders there, and a path may begin with a drive letter
// ("C:"). Paths are put together with '/' only.

#include <string>

struct PathParts {
  std::string Drive;      // "C:" or empty
  std::string Directory;  // ends with '/' unless empty
  std::string Name;       // file name without extension
  std::string Extension;  // from the last '.' of the file name on, with the dot
};

// Every '\' becomes '/'.
std::string WithForwardSlashes(std::string path);
PathParts SplitPath(const std::string& path);
// Drive + directory (with a separator added when missing) + name + extension.
std::string MergePath(const PathParts& parts);
// The folder of a path: drive and directory without the trailing separator
// ("/" for the root).
std::string FolderOf(const PathParts& parts);
// Drive and directory of a folder given without a file name.
PathParts SplitFolder(const std::string& folder);

// Instruments and other systems write extensions in either case ("RA2",
// "ra2"), and parameter files and lists name them as their authors remember:
// path itself when it exists, otherwise path with its extension in upper case
// or in lower case when that one exists, otherwise path unchanged.
std::string ExistingCaseOfExtension(const std::string& path);
