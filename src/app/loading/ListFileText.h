#pragma once
// The list file that a load writes beside the data and reads back: the line
// "newformat n=<k>" (load every k-th file), the data folder, then one file
// name per line. Lists of the old form lack the first line, load every file
// and wrote each "." of a name as "_". A "%" starts a comment that runs to
// the end of its line.

#include <string>
#include <vector>

// The list in the form of a file dialog's multiple selection: the folder,
// then the names.
struct LoadList {
  int Step = 1;
  std::vector<std::string> Entries;
};

// Reads a list text. Comments are removed first, so a list that begins with
// comment lines still has its "newformat" line read; blank lines and the
// blanks around each line are dropped, and a comment after a name leaves the
// name on its own line. Fewer than two entries (no folder or no name) mean
// an unusable list.
LoadList ParseLoadList(const std::string& text);

// The text of a list of step and folder and names, each line ended.
std::string MakeLoadListText(int step, const std::string& folder,
                             const std::vector<std::string>& names);
