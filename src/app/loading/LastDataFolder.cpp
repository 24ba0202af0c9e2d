#include "app/loading/LastDataFolder.h"

#include <fstream>
#include <iterator>

#include "state/ProgramPaths.h"
#include "data/FilePathParts.h"

void WriteLastDataFolder(TXLAWindow&, const std::string& path) {
  // The whole path names the folder: a folder name with a dot in it must
  // not lose its "extension".
  std::string folder = WithForwardSlashes(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder != "/") folder += '/';
  std::ofstream out(ProgramPaths.LastDataFolderFile, std::ios::binary | std::ios::trunc);
  if (!out) return;
  out << folder;
}

void ReadLastDataFolder(TXLAWindow&, std::string& destination) {
  std::ifstream in(ProgramPaths.LastDataFolderFile, std::ios::binary);
  if (!in) return;
  std::string text(std::istreambuf_iterator<char>(in), {});
  const std::size_t end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.erase(end);
  text = WithForwardSlashes(text);
  const std::size_t slash = text.rfind('/');
  destination = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}
