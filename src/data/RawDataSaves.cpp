#include "data/RawDataSaves.h"

#include <cmath>

#include "state/LoadOptions.h"
#include "data/DataOperationLinks.h"
#include "data/FilePathParts.h"
#include "data/FitDataFiles.h"
#include "data/ListFiles.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanOutputSupport.h"
#include "data/ScanReaderOptions.h"

namespace {

// Scan i's second column when intensity data are loaded, else none.
const float* SecondColumnOf(int i) {
  const auto& d = ScanDataSet;
  if (!ScanReaderOptions.IntensityData || d.ScanSecondColumn[i].size() < d.ScanPointCount[i])
    return nullptr;
  return d.ScanSecondColumn[i].data();
}

bool WriteScanAs(int i, const std::string& path, const char* description) {
  auto& d = ScanDataSet;
  return WriteScanFileReported(path, d.ScanPointCount[i], d.ScanRadius[i].data(),
                               d.ScanSignal[i].data(), SecondColumnOf(i), description,
                               d.ScanHeaders[i].TimeStampChecked, d.ScanHeaders[i]);
}

// The new name of scan i (without extension), or "" when its file name is
// too short to hold a scan number.
std::string SpeedWavelengthName(int i) {
  const auto& d = ScanDataSet;
  const std::string& f = d.ScanFilePaths[i];
  const ScanHeader& h = d.ScanHeaders[i];
  const bool corrected = f.size() >= 4 && f.compare(1, 3, "cor") == 0;
  const std::size_t from = corrected ? 8 : 2;
  // The number must come from the name, never from the extension.
  if (NamePartOf(f).size() < from + 3) return "";
  const std::string number = f.substr(from, 3);
  const int k = static_cast<int>(std::floor(0.001 * static_cast<double>(h.Rpm)));
  const bool thousandths = h.DataType == 'W' || h.DataType == 'V';
  const int w = static_cast<int>(
      std::floor(thousandths ? 1000.0 * static_cast<double>(h.Wavelength) : h.Wavelength));
  const char first = f[0];
  if (corrected)
    return thousandths ? FormatText("%ccorr_%dk%04d_%s", first, k, w, number.c_str())
                       : FormatText("%ccorr_%dk%03d_%s", first, k, w, number.c_str());
  return thousandths ? FormatText("%dk%04d_%c%s", k, w, first, number.c_str())
                     : FormatText("%dk%03d_%c%s", k, w, first, number.c_str());
}

}  // namespace

bool SaveRawDataSetRenamed(const std::string& path) {
  const auto& d = ScanDataSet;
  if (RefuseDlsData()) return false;
  if (d.NFILES < 1) return false;
  BusyCursor busy;
  const std::string folder = OutputFolderOf(path);
  MoveTempParameterFile(folder);
  bool all = true;
  for (int i = 1; i <= d.NFILES; ++i) {
    const std::string name = SpeedWavelengthName(i);
    if (name.empty()) {
      ShowLoadError(nullptr,
                    FormatText("the file name %s is too short to hold a scan number - not saved",
                               d.ScanFilePaths[i].c_str()),
                    "ERROR");
      all = false;
      continue;
    }
    all = WriteScanAs(i, folder + name + ExtensionOf(d.ScanFilePaths[i]), "") && all;
  }
  return all;
}

bool SaveRawDataSetPrefixed(const std::string& path) {
  const auto& d = ScanDataSet;
  if (RefuseDlsData()) return false;
  if (d.NFILES < 1) return false;
  BusyCursor busy;
  const std::string folder = OutputFolderOf(path);
  const std::string prefix = NamePartOf(path);
  MoveTempParameterFile(folder);
  bool all = true;
  for (int i = 1; i <= d.NFILES; ++i) {
    const std::string& f = d.ScanFilePaths[i];
    all = WriteScanAs(i, folder + prefix + NamePartOf(f) + ExtensionOf(f), "") && all;
  }
  return all;
}

bool SaveAlignedScans(const std::string& path) {
  auto& d = ScanDataSet;
  if (d.NFILES < 1) return false;
  BusyCursor busy;
  bool all = true;
  for (int i = 1; i <= d.NFILES; ++i) {
    const std::string description = "aligned " + d.ScanFilePaths[i];
    all = WriteScanFileReported(MarkedOutputPath(i, path, 'a'), d.ScanPointCount[i],
                                d.ScanRadius[i].data(), d.ScanSignal[i].data(), nullptr,
                                description.c_str(), d.ScanHeaders[i].TimeStampChecked,
                                d.ScanHeaders[i]) &&
          all;
  }
  return all;
}

bool SaveModifiedScan(int scan, int point, bool overwrite) {
  auto& d = ScanDataSet;
  if (scan < 1 || scan > d.NFILES) return false;
  const int n = d.ScanPointCount[scan];
  if (point < 1 || point > n) return false;
  int p = 1;
  while (p < d.NFILES && d.ScanTimeOrder[p] != scan) ++p;
  if (FileNameList.Count != d.NFILES) BuildFileNameList(0);
  const ScanHeader& h = d.ScanHeaders[scan];
  const std::string& file = d.ScanFilePaths[scan];
  const std::string description =
      h.Description.size() < 50 ? FormatText("%s_modified from %s", h.Description.c_str(), file.c_str())
                                : FormatText("_modified from %s", file.c_str());
  if (!overwrite) {
    const std::string renamed = NamePartOf(file) + "_mod" + ExtensionOf(file);
    PathParts listed = SplitPath(FileNameList.Paths[p]);
    listed.Name = NamePartOf(renamed);
    listed.Extension = ExtensionOf(renamed);
    FileNameList.Paths[p] = MergePath(listed);
    d.ScanFilePaths[scan] = renamed;
  }
  const int m = n - 1;
  OneBasedArray<float> radius(1, m > 0 ? m : 1), signal(1, m > 0 ? m : 1), second;
  const float* third = SecondColumnOf(scan);
  if (third) second.Resize(1, m > 0 ? m : 1);
  for (int k = 1, j = 1; k <= n; ++k) {
    if (k == point) continue;
    radius[j] = d.ScanRadius[scan][k];
    signal[j] = d.ScanSignal[scan][k];
    if (third) second[j] = third[k];
    ++j;
  }
  return WriteScanFileReported(FileNameList.Paths[p], m, radius.data(), signal.data(),
                               third ? second.data() : nullptr, description.c_str(),
                               h.TimeStampChecked, h);
}
