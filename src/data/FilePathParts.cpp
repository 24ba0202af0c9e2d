#include "data/FilePathParts.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

std::string WithForwardSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

PathParts SplitPath(const std::string& given) {
  const std::string path = WithForwardSlashes(given);
  PathParts p;
  std::size_t start = 0;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    p.Drive = path.substr(0, 2);
    start = 2;
  }
  const std::size_t slash = path.rfind('/');
  std::size_t fileStart = start;
  if (slash != std::string::npos && slash >= start) {
    p.Directory = path.substr(start, slash + 1 - start);
    fileStart = slash + 1;
  }
  const std::string file = path.substr(fileStart);
  const std::size_t dot = file.rfind('.');
  if (dot == std::string::npos) {
    p.Name = file;
  } else {
    p.Name = file.substr(0, dot);
    p.Extension = file.substr(dot);
  }
  return p;
}

std::string MergePath(const PathParts& parts) {
  std::string path = parts.Drive + parts.Directory;
  if (!parts.Directory.empty() && parts.Directory.back() != '/') path += '/';
  return path + parts.Name + parts.Extension;
}

std::string FolderOf(const PathParts& parts) {
  std::string directory = parts.Directory;
  if (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  return parts.Drive + directory;
}

PathParts SplitFolder(const std::string& folder) {
  if (folder.empty()) return {};
  PathParts p = SplitPath(WithForwardSlashes(folder) + "/x");
  p.Name.clear();
  p.Extension.clear();
  // A folder given with its separator gains a second one above.
  while (p.Directory.size() > 1 && p.Directory.ends_with("//")) p.Directory.pop_back();
  return p;
}

namespace {

bool IsExistingFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::string WithExtensionCase(const std::string& path, std::size_t dot, int (*convert)(int)) {
  std::string other = path;
  for (std::size_t i = dot + 1; i < other.size(); ++i)
    other[i] = static_cast<char>(convert(static_cast<unsigned char>(other[i])));
  return other;
}

}  // namespace

std::string ExistingCaseOfExtension(const std::string& path) {
  if (IsExistingFile(path)) return path;
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  for (int (*convert)(int) : {&::toupper, &::tolower}) {
    const std::string other = WithExtensionCase(path, dot, convert);
    if (other != path && IsExistingFile(other)) return other;
  }
  return path;
}
