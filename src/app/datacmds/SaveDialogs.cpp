#include "app/datacmds/SaveDialogs.h"

#include <vector>

#include "app/commands/CommandTable.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "data/ScanDataSet.h"
#include "resources/CommandCatalogue.h"

namespace {

// Paths of up to 259 characters, as the save-name buffer holds.
constexpr std::size_t kPathCapacity = 260;

// "Name (*.a;*.b)" -> the description and its patterns.
platform::FileFilter FilterOf(const std::string& text) {
  platform::FileFilter f;
  f.description = text;
  const auto open = text.rfind('(');
  const auto close = text.rfind(')');
  if (open != std::string::npos && close != std::string::npos && close > open) {
    const std::string inside = text.substr(open + 1, close - open - 1);
    std::size_t start = 0;
    while (start <= inside.size()) {
      const auto end = inside.find(';', start);
      const std::string p = inside.substr(start, end == std::string::npos ? end : end - start);
      if (!p.empty()) f.patterns.push_back(p);
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  if (f.patterns.empty()) f.patterns.push_back("*.*");
  return f;
}

bool Choose(TXLAWindow& window, bool save, std::string& path, const std::string& title,
            const std::string& filter, const std::string& defaultExtension) {
  const platform::FileDialogRequest kept = window.MainFileDialog;
  const std::string extension = defaultExtension == "*" ? std::string() : defaultExtension;
  const bool ok =
      ChooseFileName(window, save, path, kPathCapacity, title, extension, {FilterOf(filter)});
  window.MainFileDialog = kept;
  return ok;
}

}  // namespace

bool ChooseSavePath(TXLAWindow& window, std::string& path, const std::string& title,
                    const std::string& filter, const std::string& defaultExtension) {
  return Choose(window, true, path, title, filter, defaultExtension);
}

bool ChooseOpenPath(TXLAWindow& window, std::string& path, const std::string& title,
                    const std::string& filter) {
  if (path.empty()) path = InDataFolder("");
  return Choose(window, false, path, title, filter, "*");
}

std::string InDataFolder(const std::string& name) {
  const std::string& folder = DataFileLocation.DataFolder;
  if (folder.empty()) return name;
  PathParts parts = SplitFolder(folder);
  const PathParts file = SplitPath(name);
  parts.Name = file.Name;
  parts.Extension = file.Extension;
  return MergePath(parts);
}

void AddCatalogued(CommandTable& table, int id, CataloguedHandler handler) {
  const CommandDescription* d = DescribeCommand(id);
  table.Add(id, handler, d != nullptr && d->answersHelp, d != nullptr ? d->handler : "");
}
