#include "data/DerivedDataSets.h"

#include <cmath>
#include <set>

#include "state/LoadOptions.h"
#include "data/CommonRadialGrid.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetLinks.h"
#include "data/FilePathParts.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/LoadMessages.h"
#include "data/ScanCorrections.h"
#include "data/ScanDataSet.h"
#include "data/ScanOutputSupport.h"
#include "data/ScanReaderOptions.h"
#include "numerics/Resampling.h"
#include "platform/Window.h"
#include "ui/Sounds.h"

namespace {

std::string DataFolder() {
  return OutputFolderOf(DataFileLocation.TempParameterFilePath);
}

const float* SecondColumnOf(int i) {
  const auto& d = ScanDataSet;
  if (!ScanReaderOptions.IntensityData || d.ScanSecondColumn[i].size() < d.ScanPointCount[i])
    return nullptr;
  return d.ScanSecondColumn[i].data();
}

// Writes points from..to of scan i (radius, given values, the second column
// for intensity data).
bool WriteSection(int i, const std::string& path, int from, int to, const float* values,
                  const std::string& description) {
  const auto& d = ScanDataSet;
  const int count = to - from + 1;
  const float* second = SecondColumnOf(i);
  OneBasedArray<float> r(1, count), v(1, count), t;
  if (second) t.Resize(1, count);
  for (int k = 1; k <= count; ++k) {
    r[k] = d.ScanRadius[i][from + k - 1];
    v[k] = values[from + k - 1];
    if (second) t[k] = second[from + k - 1];
  }
  return WriteScanFileReported(path, count, r.data(), v.data(), second ? t.data() : nullptr,
                               description.c_str(), d.ScanHeaders[i].TimeStampChecked,
                               d.ScanHeaders[i]);
}

}  // namespace

void AverageScans(platform::WindowHandle window) {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  if (d.NFILES < 1 || g.CommonGridSize < 1) {
    platform::Current().ShowMessageBox({window, "please load scans first", "AVERAGE SCANS",
                                        platform::BoxIcon::Information, platform::BoxButtons::Ok});
    return;
  }
  BuildFileNameList(0);
  const PathParts first = SplitPath(FileNameList.Paths[1]);
  platform::FileDialogRequest request;
  request.owner = window;
  request.title = "select filename for averaged scan";
  request.initialFolder = first.Drive + first.Directory;
  request.fileName = "average" + first.Extension;
  request.mustExist = false;
  if (!platform::Current().ShowSaveFileDialog(request) || request.chosen.empty()) return;
  const std::string path = request.chosen.front();
  OneBasedArray<float> grid(1, g.CommonGridSize), mean(1, g.CommonGridSize);
  for (int j = 1; j <= g.CommonGridSize; ++j) {
    grid[j] = g.CommonGrid[j];
    mean[j] = g.MeanProfile[j];
  }
  // Without the file the loaded set must stay, not be replaced by nothing.
  if (!WriteScanFileReported(path, g.CommonGridSize, grid.data(), mean.data(), nullptr, "averaged",
                             d.ScanHeaders[1].TimeStampChecked, d.ScanHeaders[1]))
    return;
  FreeFileNameList();
  FileNameList.Count = 1;
  FileNameList.Paths.Resize(1, 1);
  FileNameList.Paths[1] = path;
  PlayOkSound();
  ReloadFromList(window);
}

void SaveIntensityAsAbsorbance() {
  auto& d = ScanDataSet;
  if (!ScanReaderOptions.IntensityData) return;
  const std::string folder = DataFolder();
  for (int i = 1; i <= d.NFILES; ++i) {
    const std::string& file = d.ScanFilePaths[i];
    const int n = d.ScanPointCount[i];
    const float* second = SecondColumnOf(i);
    if (!IsIntensityFileName(file) || !second) return;
    const std::string path = folder + NamePartOf(file) + WithExtensionLetter(ExtensionOf(file), 'a');
    OneBasedArray<float> values(1, n);
    for (int k = 1; k <= n; ++k) values[k] = PseudoAbsorbance(second[k], d.ScanSignal[i][k]);
    OneBasedArray<float> third(1, n);
    for (int k = 1; k <= n; ++k) third[k] = second[k];
    WriteScanFileReported(path, n, d.ScanRadius[i].data(), values.data(), third.data(), "",
                          d.ScanHeaders[i].TimeStampChecked, AsAbsorbanceHeader(d.ScanHeaders[i]));
  }
  PlayOkSound();
}

void SaveIntensityAsTwoPseudoAbsorbance() {
  auto& d = ScanDataSet;
  if (!ScanReaderOptions.IntensityData) return;
  const std::string folder = DataFolder();
  for (const bool sample : {true, false}) {
    for (int i = 1; i <= d.NFILES; ++i) {
      const std::string& file = d.ScanFilePaths[i];
      const int n = d.ScanPointCount[i];
      const float* second = SecondColumnOf(i);
      if (!IsIntensityFileName(file) || !second) return;
      std::string name = NamePartOf(file);
      if (!name.empty()) name[0] = sample ? 'S' : 'R';
      const std::string path = folder + name + WithExtensionLetter(ExtensionOf(file), 'a');
      OneBasedArray<float> values(1, n);
      for (int k = 1; k <= n; ++k)
        values[k] = PseudoAbsorbanceOf1000(sample ? d.ScanSignal[i][k] : second[k]);
      WriteScanFileReported(path, n, d.ScanRadius[i].data(), values.data(), nullptr, "",
                            d.ScanHeaders[i].TimeStampChecked,
                            AsAbsorbanceHeader(d.ScanHeaders[i]));
    }
  }
  PlayOkSound();
}

void SaveSixChannelSubsets(float r1, float r2) {
  const auto& d = ScanDataSet;
  if (d.NFILES < 1 || !(r1 <= r2) || r1 < FirstRadius(1) || r2 > LastRadius(1)) return;
  BusyCursor busy;
  const std::string folder = DataFolder();
  const bool interference = ScanReaderOptions.InterferenceData;
  for (int i = 1; i <= d.NFILES; ++i) {
    if (r1 < FirstRadius(i) || r2 > LastRadius(i)) break;
    const int n = d.ScanPointCount[i];
    const float* radius = d.ScanRadius[i].data();
    int a = 1;
    while (a < n && radius[a] <= r1) ++a;
    int b = a;
    while (b < n && radius[b] <= r2) ++b;
    const std::string& file = d.ScanFilePaths[i];
    const std::string description = "inner section of " + file;
    // Each section is written from scans aligned inside it.
    if (interference) AlignFringeOffsetsAtRadius(0.0f, 5.8f + (r1 - 5.8f) / 2.0f);
    if (a >= 2) WriteSection(i, folder + "i" + file, 1, a, d.ScanSignal[i].data(), description);
    if (interference) AlignFringeOffsetsAtRadius(0.0f, r1 + (r2 - r1) / 2.0f);
    if (a < n && b + 1 < n)
      WriteSection(i, folder + "m" + file, a, b, d.ScanSignal[i].data(), description);
    if (interference) AlignFringeOffsetsAtRadius(0.0f, r2 + (7.2f - r2) / 2.0f);
    if (b < n) WriteSection(i, folder + "o" + file, b, n, d.ScanSignal[i].data(), description);
  }
  PlayOkSound();
}

bool ShiftScansForRotorStretch(float module, const std::string& path, bool maintainField,
                               bool rename) {
  auto& d = ScanDataSet;
  if (RefuseDlsData()) return false;
  if (d.NFILES < 1) return false;
  const std::string folder = OutputFolderOf(path);
  if (folder.empty()) {
    ShowLoadError(nullptr, "no folder chosen for the shifted scans - nothing saved", "ERROR");
    return false;
  }
  BusyCursor busy;
  const auto& g = CommonRadialGrid;
  const float rMid = (FirstRadius(1) + LastRadius(1)) / 2.0f;
  MoveTempParameterFile(folder);
  std::set<std::string> used;
  bool all = true;
  for (int i = 1; i <= d.NFILES; ++i) {
    ScanHeader& h = d.ScanHeaders[i];
    const std::string extension = ExtensionOf(d.ScanFilePaths[i]);
    const long seconds = static_cast<long>(h.RecordedTime);
    std::string name = FormatText("%ld", seconds);
    // Two scans of the same second must not overwrite each other.
    for (int k = 2; used.count(name + extension) != 0; ++k) name = FormatText("%ld_%d", seconds, k);
    used.insert(name + extension);
    if (rename) d.ScanFilePaths[i] = name + extension;
    const float k = h.Rpm / 1000.0f;
    const float shift = -module * k * k;
    const float corrected = std::sqrt(rMid / (rMid + shift)) * h.Rpm;
    const std::string description =
        h.Description.size() < 80
            ? h.Description + FormatText(", shift %1.3f", static_cast<double>(shift))
            : h.Description;
    ScanHeader written = h;
    if (maintainField) written.Rpm = std::floor(corrected);
    const int n = d.ScanPointCount[i];
    OneBasedArray<float> shifted(1, n);
    for (int p = 1; p <= n; ++p) shifted[p] = d.ScanRadius[i][p] + shift;
    const std::string out = folder + name + extension;
    if (ScanReaderOptions.InterferenceData && g.CommonGridSize > 0) {
      OneBasedArray<float> grid(1, g.CommonGridSize), resampled(1, g.CommonGridSize);
      for (int j = 1; j <= g.CommonGridSize; ++j) {
        grid[j] = g.CommonGrid[j];
        resampled[j] = 0.0f;
      }
      ResampleCurve(g.CommonGridSize, grid.data(), resampled.data(), n, shifted.data(),
                    d.ScanSignal[i].data());
      all = WriteScanFileReported(out, g.CommonGridSize, grid.data(), resampled.data(), nullptr,
                                  description.c_str(), h.TimeStampChecked, written) &&
            all;
    } else {
      all = WriteScanFileReported(out, n, shifted.data(), d.ScanSignal[i].data(), SecondColumnOf(i),
                                  description.c_str(), h.TimeStampChecked, written) &&
            all;
    }
  }
  if (maintainField && d.DataSpeedProfile)
    d.DataSpeedProfile->RescaleSpeeds(rMid, module, folder + "speedsteps.txt");
  return all;
}
