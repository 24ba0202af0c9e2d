#include "data/ListFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "ui/Boxes.h"

FileNameListRecord FileNameList;

namespace {

constexpr const char* kNewFormatTag = "newformat n=";

// What a list file says, or the line where it stops making sense.
struct ParsedList {
  int Step = 1;
  std::string Folder;
  std::vector<std::string> Names;
  int BadLine = 0;  // 1-based line of the file; 0 = the text is sound
  std::string BadText;
};

bool StartsWithNewFormatTag(const std::string& text) {
  const std::string tag = kNewFormatTag;
  if (text.size() < tag.size()) return false;
  for (std::size_t k = 0; k < tag.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(text[k])) != tag[k]) return false;
  return true;
}

// The step: the integer in at most four characters after the tag, up to
// the line end.
int ReadStep(const std::string& firstLine) {
  std::string digits = firstLine.substr(std::string(kNewFormatTag).size(), 4);
  return std::atoi(digits.c_str());
}

// A line of a list holds text: no control characters other than tabs.
bool IsText(const std::string& line) {
  return std::none_of(line.begin(), line.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t' && c != '\r') || u == 0x7f;
  });
}

std::string Trimmed(const std::string& s) {
  const char* blanks = " \t\r";
  const std::size_t a = s.find_first_not_of(blanks);
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(blanks) - a + 1);
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

ParsedList ParseListText(std::string text) {
  ParsedList list;
  int lineOffset = 0;  // lines of the file before the body
  if (StartsWithNewFormatTag(text)) {
    const std::size_t end = text.find('\n');
    const std::string first = text.substr(0, end);
    list.Step = ReadStep(first);
    if (list.Step < 1) {
      list.BadLine = 1;
      list.BadText = Trimmed(first);
      return list;
    }
    text = end == std::string::npos ? std::string() : text.substr(end + 1);
    lineOffset = 1;
  } else {
    // Old lists stored the dot of a file name as an underscore.
    std::replace(text.begin(), text.end(), '_', '.');
  }
  // A body that begins with "%" is taken as it stands, comments and all.
  const bool stripComments = text.empty() || text[0] != '%';
  const std::vector<std::string> lines = TextLines(text);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    std::string line = lines[k];
    // A comment ends at its line end; the line end itself stays, so the
    // next name keeps a line of its own.
    if (stripComments) line = line.substr(0, line.find('%'));
    if (!IsText(line)) {
      list.BadLine = lineOffset + static_cast<int>(k) + 1;
      list.BadText = Trimmed(lines[k]);
      return list;
    }
    line = Trimmed(line);
    if (line.empty()) continue;
    if (list.Folder.empty())
      list.Folder = WithForwardSlashes(line);
    else
      list.Names.push_back(line);
  }
  return list;
}

// Positions 1, 1 + step, 1 + 2 step, ... of count names.
std::vector<int> EveryStepth(int count, int step) {
  std::vector<int> chosen;
  for (int k = 1; k <= count; k += step) chosen.push_back(k);
  return chosen;
}

bool ReadWholeText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Some of the visible text of a corrupt line, so that the user can find it.
std::string Shown(const std::string& line) {
  std::string shown;
  for (char c : line.substr(0, 60)) {
    const auto u = static_cast<unsigned char>(c);
    shown += (u < 0x20 || u == 0x7f) ? '?' : c;
  }
  return shown;
}

}  // namespace

void FreeFileNameList() {
  FileNameList.Paths = OneBasedArray<std::string>{};
  FileNameList.Count = 0;
}

void BuildFileNameList(int excludedScan) {
  const auto& d = ScanDataSet;
  std::string& folder = DataFileLocation.DataFolder;
  folder = WithForwardSlashes(folder);
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  FreeFileNameList();
  const bool excluding = excludedScan > 0 && excludedScan <= d.NFILES;
  const int count = excluding ? d.NFILES - 1 : d.NFILES;
  FileNameList.Paths.Resize(1, count);
  int n = 0;
  for (int k = 1; k <= d.NFILES; ++k) {
    const int scan = d.ScanTimeOrder[k];
    if (scan == excludedScan) continue;
    PathParts parts = SplitFolder(folder);
    const PathParts file = SplitPath(d.ScanFilePaths[scan]);
    parts.Name = file.Name;
    parts.Extension = file.Extension;
    FileNameList.Paths[++n] = MergePath(parts);
  }
  FileNameList.Count = n;
}

bool WriteListFile(bool corrected) {
  const auto& list = FileNameList;
  if (list.Count != ScanDataSet.NFILES || list.Count < 1) return false;
  const PathParts first = SplitPath(list.Paths[1]);
  PathParts file = first;
  file.Name = corrected ? "list_corr" : "list";
  const std::string path = MergePath(file);
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) {
    ErrorBox(FormatText("\n\aAttention: could not open %s", path.c_str()));
    return false;
  }
  std::fprintf(f, "newformat n=1\n%s\n", FolderOf(first).c_str());
  for (int k = 1; k <= list.Count; ++k) {
    const PathParts p = SplitPath(list.Paths[k]);
    std::fprintf(f, "%s\n", (p.Name + p.Extension).c_str());
  }
  const bool written = !std::ferror(f);
  if (std::fclose(f) != 0 || !written) {
    ErrorBox(FormatText("\n\aAttention: could not open %s", path.c_str()));
    return false;
  }
  return true;
}

bool ReadListFile(platform::WindowHandle window, const std::string& path) {
  std::string text;
  if (!ReadWholeText(path, text)) return false;
  // Editors of other systems may mark the text as UTF-8.
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  const ParsedList list = ParseListText(std::move(text));
  if (list.BadLine > 0) {
    ShowLoadError(window, FormatText("corrupt list file %s\nline %d: %s", path.c_str(),
                                     list.BadLine, Shown(list.BadText).c_str()));
    return false;
  }
  if (list.Names.empty()) {
    ShowLoadError(window, FormatText("no scan files listed in %s", path.c_str()));
    return false;
  }
  ScanDataSet.ListStep = list.Step;
  DataFileLocation.DataFolder = list.Folder;
  if (ScanDataSet.NFILES > 0) FreeDataSet();
  const std::vector<int> chosen = EveryStepth(static_cast<int>(list.Names.size()), list.Step);
  if (static_cast<int>(chosen.size()) > kMaxFilesPerLoad) {
    ShowLoadError(window, "too many scans selected");
    return false;
  }
  const PathParts folder = SplitFolder(list.Folder);
  DataFileLocation.Drive = folder.Drive;
  DataFileLocation.Directory = folder.Directory;
  FreeFileNameList();
  FileNameList.Paths.Resize(1, static_cast<int>(chosen.size()));
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    const PathParts name = SplitPath(list.Names[static_cast<std::size_t>(chosen[k] - 1)]);
    PathParts full = folder;
    full.Name = name.Name;
    full.Extension = name.Extension;
    FileNameList.Paths[static_cast<int>(k) + 1] = MergePath(full);
  }
  FileNameList.Count = static_cast<int>(chosen.size());
  return true;
}

void SetListCellNumber(int digit) {
  if (digit < 0 || digit > 8) return;
  for (int k = 1; k <= FileNameList.Count; ++k) {
    PathParts p = SplitPath(FileNameList.Paths[k]);
    if (p.Extension.size() < 2) continue;
    p.Extension.back() = static_cast<char>('0' + digit);
    FileNameList.Paths[k] = MergePath(p);
  }
}

void SetListSubdirNumber(int n) {
  for (int k = 1; k <= FileNameList.Count; ++k) {
    PathParts p = SplitPath(FileNameList.Paths[k]);
    std::string& dir = p.Directory;
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    const std::size_t slash = dir.rfind('/');
    dir = (slash == std::string::npos ? std::string() : dir.substr(0, slash + 1)) +
          std::to_string(n) + "/";
    FileNameList.Paths[k] = MergePath(p);
  }
}

void SetListFolder(const std::string& folder) {
  const PathParts given = SplitFolder(folder);
  // A folder of this system (no drive letters here) names the whole
  // location; a drive letter of the listed paths then no longer applies.
  const bool local = given.Drive.empty() && given.Directory.starts_with('/');
  for (int k = 1; k <= FileNameList.Count; ++k) {
    PathParts p = SplitPath(FileNameList.Paths[k]);
    if (!given.Drive.empty() || local) p.Drive = given.Drive;
    p.Directory = given.Directory;
    FileNameList.Paths[k] = MergePath(p);
  }
}

bool ListFilesExist() {
  for (int k = 1; k <= FileNameList.Count; ++k)
    if (!FileExists(FileNameList.Paths[k])) return false;
  return true;
}
