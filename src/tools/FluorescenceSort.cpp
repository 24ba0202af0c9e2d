#include "tools/FluorescenceSort.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "data/ListFiles.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanFileTimes.h"
#include "data/ScanReaderOptions.h"
#include "numerics/OneBasedArrays.h"
#include "ui/Boxes.h"

namespace fs = std::filesystem;

namespace {

void Show(const std::string& text) {
  platform::Current().ShowMessageBox(
      {nullptr, text, "", platform::BoxIcon::None, platform::BoxButtons::Ok});
}

void Status(platform::WindowHandle window, int y, const std::string& text) {
  if (window != nullptr) platform::Current().DrawWindowText(window, 50, y, text);
}

// Copies with overwrite and gives the copy the original's file times (the
// creation time cannot be set here and stays the copy's own).
bool CopyWithTimes(const std::string& from, const std::string& to, const ScanHeader& header) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    Show(FormatText("could not copy file to new destination %s", to.c_str()));
    return false;
  }
  RestoreFileTimes(to, FileTimesOf(header));
  return true;
}

bool NameQualifies(const fs::path& p) {
  const std::string name = p.filename().string(), ext = p.extension().string();
  return name.size() >= 2 && (name[0] == 'A' || name[0] == 'B') && name[1] == '0' &&
         ext.size() >= 2 && ext[0] == '.' && ext[1] == 'F';
}

// Some point of [rMin, rMax] (up to the second-to-last point) is too weak or
// too noisy.
bool FailsThreshold(const FluorescenceSortRequest& r, int n, const OneBasedArray<float>& radius,
                    const OneBasedArray<float>& signal, const OneBasedArray<float>& third) {
  int k = 1;
  while (k < n && radius[k] < r.rMin) ++k;
  for (; k <= n - 1 && radius[k] <= r.rMax; ++k) {
    if (signal[k] < r.minimalSignal) return true;
    if (k <= third.size() && third[k] > r.maximalNoise) return true;
  }
  return false;
}

}  // namespace

std::string FluorescenceGroupKey(const std::string& path, const ScanHeader& h) {
  const fs::path p(path);
  const std::string name = p.filename().string();
  const char first = name.empty() ? '_' : name[0];
  return FormatText("%s_%c_PMV%d_r%d_g%d", p.extension().string().c_str(), first,
                    static_cast<int>(std::floor(h.PmtVoltage)), h.Range, h.Gain);
}

std::string SortedCopyPath(const std::string& path, const ScanHeader& h) {
  const fs::path p(path);
  const std::string stem = p.stem().string();
  return (p.parent_path() / "sorted" / (stem.substr(std::min<std::size_t>(1, stem.size())) +
                                        FluorescenceGroupKey(path, h)))
      .string();
}

int FluorescenceGroups::Find(const std::string& key) {
  for (std::size_t g = 0; g < groups.size(); ++g)
    if (groups[g].key == key) return static_cast<int>(g);
  if (static_cast<int>(groups.size()) >= kMaxGroups) return -1;
  groups.push_back({key, {}, 0.0});
  return static_cast<int>(groups.size()) - 1;
}

bool FluorescenceGroups::Add(const std::string& path, const std::string& key, double time,
                             double tMin, double step, double tMax) {
  if (time <= tMin) return false;
  const int g = Find(key);
  if (g < 0) {
    ErrorBox("\n\aAttention: too many groups of detector settings - file left out of the lists");
    return false;
  }
  Group& group = groups[static_cast<std::size_t>(g)];
  if (!group.files.empty() && !(time > group.lastTime + step && time < tMax)) return false;
  if (static_cast<int>(group.files.size()) >= kMaxFiles) {
    ErrorBox("\n\aAttention: too many files in one group of detector settings");
    return false;
  }
  group.files.push_back(path);
  group.lastTime = time;
  return true;
}

bool WriteSortedFluorescenceLists(const FluorescenceGroups& groups) {
  for (const auto& g : groups.groups) {
    if (g.files.empty()) continue;
    const fs::path folder = fs::path(g.files.front()).parent_path();
    const std::string path = (folder / ("list" + g.key)).string();
    std::ofstream file(path);
    if (!file) {
      ErrorBox(FormatText("\n\aAttention: could not open %s", path.c_str()));
      return false;
    }
    file << "newformat n=1\n" << folder.string() << "\n";
    for (const std::string& f : g.files) file << fs::path(f).filename().string() << "\n";
  }
  return true;
}

int CopySortedFluorescenceFiles(platform::WindowHandle window, const FluorescenceSortRequest& r) {
  if (!ScanReaderOptions.FluorescenceData) return 0;
  BuildFileNameList(0);
  if (FileNameList.Count < 1) return 0;
  const fs::path folder = fs::path(FileNameList.Paths[1]).parent_path();
  const bool lists = r.makeLists && r.targetCount > 0;
  const double step = lists ? (r.tMax - r.tMin) / r.targetCount : 0.0;
  std::error_code ec;
  fs::create_directories(folder / "sorted", ec);
  // A defined order: the reference size is that of the first file by name.
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  FluorescenceGroups groups;
  std::uintmax_t reference = 0;
  bool haveReference = false;
  int copies = 0;
  for (const fs::path& p : files) {
    const std::uintmax_t size = fs::file_size(p, ec);
    if (!haveReference) {
      reference = size;
      haveReference = true;
    }
    if (size <= reference / 2 || !NameQualifies(p)) continue;
    ScanHeader h;
    int n = 0;
    OneBasedArray<float> radius, signal, third;
    bool stamp = false;
    if (ReadScanFile(p.string(), &h, &n, &radius, &signal, &third, &stamp, 0.0f) == 0) {
      Show(FormatText("could not read %s as a scan - sorting ended", p.string().c_str()));
      return copies;
    }
    if (h.Cell == r.excludedCell) continue;
    if (r.thresholdFilter && FailsThreshold(r, n, radius, signal, third)) continue;
    const std::string target = SortedCopyPath(p.string(), h);
    Status(window, 50 + h.Cell, target);
    const ScanFileTimes times = ReadFileTimes(p.string());
    h.CreationTime = times.CreationTime;
    h.LastAccessTime = times.LastAccessTime;
    h.LastWriteTime = times.LastWriteTime;
    h.FileTimesValid = times.FileTimesValid;
    if (!CopyWithTimes(p.string(), target, h)) break;
    ++copies;
    if (lists) groups.Add(target, FluorescenceGroupKey(p.string(), h), h.Time, r.tMin, step, r.tMax);
  }
  if (lists) {
    WriteSortedFluorescenceLists(groups);
    Status(window, 50 + static_cast<int>(groups.groups.size()),
           std::string("all done") + std::string(92, ' '));
  }
  return copies;
}

int CopyLoadedFluorescenceFiles(platform::WindowHandle window) {
  if (!ScanReaderOptions.FluorescenceData) return 0;
  BuildFileNameList(0);
  if (FileNameList.Count < 1) return 0;
  std::error_code ec;
  fs::create_directories(fs::path(FileNameList.Paths[1]).parent_path() / "sorted", ec);
  const auto& d = ScanDataSet;
  int copies = 0;
  for (int k = 1; k <= FileNameList.Count; ++k) {
    const ScanHeader& h = d.ScanHeaders[d.ScanTimeOrder[k]];
    const std::string target = SortedCopyPath(FileNameList.Paths[k], h);
    Status(window, 50 + h.Cell, target);
    if (!CopyWithTimes(FileNameList.Paths[k], target, h)) break;
    ++copies;
  }
  return copies;
}
