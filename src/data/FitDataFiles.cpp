#include "data/FitDataFiles.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "state/LoadOptions.h"
#include "data/CommonRadialGrid.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/DlsDataFile.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanOutputSupport.h"
#include "data/ScanReaderOptions.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/RandomNumbers.h"
#include "platform/FileHandle.h"
#include "state/DlsFlags.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

bool OverwriteWithoutAsking = false;
int WorstScanIndex = 0;

namespace {

// Scan i's fit range; unset indices stand for the scan's ends.
void FitRange(int i, int& first, int& last) {
  const auto& d = ScanDataSet;
  const int n = d.ScanPointCount[i];
  first = d.ScanFirstFitIndex[i] > 0 ? d.ScanFirstFitIndex[i] : 1;
  last = d.ScanLastFitIndex[i] > 0 ? d.ScanLastFitIndex[i] : n;
  if (first < 1) first = 1;
  if (last > n) last = n;
}

void ShowError(const std::string& text) {
  platform::Current().ShowMessageBox(
      {nullptr, text, "ERROR", platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

// An existing file ends the save unless the user lets every later file of it
// be replaced.
bool MayOverwrite(const std::string& path, bool& overwriteAll, const char* refusal,
                  const char* question) {
  if (overwriteAll || !FileExists(path)) return true;
  PlayInfoSound();
  if (AskYesNo(nullptr, FormatText(question, path.c_str()), "ERROR")) {
    overwriteAll = true;
    return true;
  }
  ShowError(refusal);
  return false;
}

// The light-scattering fit of one data set, with noise on request in the
// field or the intensity autocorrelation.
bool SaveDlsFit(int i, const std::string& path, int n, float* x, float* y,
                const std::string& description) {
  bool inField = false, inIntensity = false;
  float level = 0.0f;
  if (AskYesNo(nullptr, "add noise?", "SAVE DLS DATA")) {
    inField = AskYesNo(nullptr, "add noise to field autocorrelation?", "SAVE DLS DATA");
    inIntensity = !inField;
    InputFloat(level, 0.0f, true,
               inField ? "level of noise in field autocorrelation:"
                       : "level of noise in intensity autocorrelation:",
               "SAVE DLS DATA");
  }
  for (int k = 1; k <= n; ++k) {
    if (inField) y[k] += GaussianRandom(level);
    y[k] = SignedSquare(y[k]);
    if (inIntensity) y[k] += GaussianRandom(level);
  }
  DlsFieldAcf = false;
  const auto& d = ScanDataSet;
  const DlsRecord record = d.DlsRecords.size() >= i ? d.DlsRecords[i] : DlsRecord{};
  return SaveDLSDataFile(path, n, x, y, description.c_str(), record);
}

}  // namespace

std::string MarkedOutputPath(int scan, const std::string& chosenPath, char marker) {
  const std::string& file = ScanDataSet.ScanFilePaths[scan];
  const std::string folder = OutputFolderOf(chosenPath);
  if (LoadOptions.OldFilenameConvention)
    return folder + NamePartOf(chosenPath) + ExtensionOf(file);
  std::string name = NamePartOf(file);
  if (name.empty())
    name = std::string(1, marker);
  else
    name[0] = marker;
  return folder + name + ExtensionOf(file);
}

bool SaveFitData(const std::string& path, bool toAbsorbance) {
  auto& d = ScanDataSet;
  if (d.NFILES < 1) return false;
  BusyCursor busy;
  bool overwriteAll = OverwriteWithoutAsking;
  bool allWritten = true;
  const bool intensity = ScanReaderOptions.IntensityData;
  for (int i = 1; i <= d.NFILES; ++i) {
    const std::string out = MarkedOutputPath(i, path, 'f');
    int first = 1, last = 0;
    FitRange(i, first, last);
    const int n = last - first + 1;
    if (n < 1) continue;
    OneBasedArray<float> x(1, n), y(1, n), third;
    const bool withThird = intensity && d.ScanSecondColumn[i].size() >= last;
    if (withThird) third.Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      x[k] = d.ScanRadius[i][first + k - 1];
      y[k] = d.ScanModel[i][first + k - 1];
      if (withThird) {
        third[k] = d.ScanSecondColumn[i][first + k - 1];
        if (toAbsorbance) y[k] = PseudoAbsorbance(third[k], y[k]);
      }
    }
    const std::string description = "fitted to " + d.ScanFilePaths[i];
    if (!MayOverwrite(out, overwriteAll, "fit not saved", "file %s already exists!\nOverwrite all?"))
      return false;
    if (DlsDataMode) {
      allWritten = SaveDlsFit(i, out, n, x.data(), y.data(), description) && allWritten;
      continue;
    }
    const ScanHeader header =
        toAbsorbance ? AsAbsorbanceHeader(d.ScanHeaders[i]) : d.ScanHeaders[i];
    allWritten = WriteScanFileReported(out, n, x.data(), y.data(), withThird ? third.data() : nullptr,
                                       description.c_str(), d.ScanHeaders[i].TimeStampChecked,
                                       header) &&
                 allWritten;
  }
  return allWritten;
}

bool SaveResiduals(const std::string& path) {
  auto& d = ScanDataSet;
  if (RefuseDlsData()) return false;
  if (d.NFILES < 1) return false;
  BusyCursor busy;
  bool overwriteAll = false;
  bool allWritten = true;
  for (int i = 1; i <= d.NFILES; ++i) {
    const std::string out = MarkedOutputPath(i, path, 'r');
    int first = 1, last = 0;
    FitRange(i, first, last);
    const int n = last - first + 1;
    if (n < 1) continue;
    OneBasedArray<float> x(1, n), y(1, n);
    for (int k = 1; k <= n; ++k) {
      x[k] = d.ScanRadius[i][first + k - 1];
      y[k] = d.ScanResiduals[i][first + k - 1];
    }
    const std::string description = "residuals to " + d.ScanFilePaths[i];
    if (!MayOverwrite(out, overwriteAll, "residuals not saved",
                      "file %s already exists!\nOverwrite all?"))
      return false;
    allWritten = WriteScanFileReported(out, n, x.data(), y.data(), nullptr, description.c_str(),
                                       d.ScanHeaders[i].TimeStampChecked, d.ScanHeaders[i]) &&
                 allWritten;
  }
  return allWritten;
}

bool SaveTINoise(const std::string& path) {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  if (RefuseDlsData()) return false;
  if (!FitControl.TINoiseFitted || d.NFILES < 1 || g.CommonGridSize < 1) return false;
  const std::string& scan1 = d.ScanFilePaths[1];
  const std::string out = LoadOptions.OldFilenameConvention
                              ? NamePartOf(scan1) + ExtensionOf(path)
                              : OutputFolderOf(path) + NamePartOf(path) + ExtensionOf(scan1);
  const int first = g.GridFirstFitIndex > 0 ? g.GridFirstFitIndex : 1;
  const int last = g.GridLastFitIndex > 0 && g.GridLastFitIndex <= g.CommonGridSize
                       ? g.GridLastFitIndex
                       : g.CommonGridSize;
  const int n = last - first + 1;
  if (n < 1) return false;
  OneBasedArray<float> x(1, n), y(1, n);
  const bool withRemoved = g.RemovedTINoise.size() >= last;
  for (int k = 1; k <= n; ++k) {
    x[k] = g.CommonGrid[first + k - 1];
    y[k] = g.TINoise[first + k - 1] + (withRemoved ? g.RemovedTINoise[first + k - 1] : 0.0f);
  }
  bool overwrite = false;
  if (!MayOverwrite(out, overwrite, "file not saved", "file %s already exists!\nOverwrite?"))
    return false;
  return WriteScanFileReported(out, n, x.data(), y.data(), nullptr, "time-independent noise ",
                               d.ScanHeaders[1].TimeStampChecked, d.ScanHeaders[1]);
}

bool SaveRINoise(const std::string& path) {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  if (RefuseDlsData()) return false;
  if (!ModelParameters.RINoiseFitted || d.NFILES < 1 || g.RINoise.size() < d.NFILES) return false;
  const std::string out =
      OutputFolderOf(path) + NamePartOf(path) + ExtensionOf(d.ScanFilePaths[1]);
  bool overwrite = false;
  if (!MayOverwrite(out, overwrite, "file not saved", "file %s already exists!\nOverwrite?"))
    return false;
  FileHandle f(std::fopen(out.c_str(), "w"));
  if (!f) {
    ShowLoadError(nullptr, "could not write " + out, "ERROR");
    return false;
  }
  for (int k = 1; k <= d.NFILES; ++k) {
    const int i = d.ScanTimeOrder[k];
    std::fprintf(f.get(), "%f %f\n", d.ScanHeaders[i].RecordedTime,
                 static_cast<double>(g.RINoise[i]));
  }
  const bool ok = std::fflush(f.get()) == 0 && !std::ferror(f.get());
  if (std::fclose(f.release()) != 0 || !ok) {
    ShowLoadError(nullptr, "could not write " + out, "ERROR");
    return false;
  }
  return true;
}

namespace {

// The rms of scan i's residuals over its fit range, summed in single
// precision as the table has always done; false for an empty range.
bool TableRms(int i, float& rms) {
  const auto& d = ScanDataSet;
  int first = 1, last = 0;
  FitRange(i, first, last);
  float sum = 0.0f;
  int m = 0;
  for (int p = first; p <= last; ++p, ++m) sum += d.ScanResiduals[i][p] * d.ScanResiduals[i][p];
  if (m == 0) return false;
  rms = std::sqrt(sum / static_cast<float>(m));
  return true;
}

}  // namespace

int WorstScanOfTable() {
  const auto& d = ScanDataSet;
  int worst = 0;
  float largest = 0.0f, rms = 0.0f;
  // In time order, and only a larger rms takes over: of equal ones the
  // earlier scan stays the worst.
  for (int k = 1; k <= d.NFILES && TableRms(d.ScanTimeOrder[k], rms); ++k)
    if (rms > largest) {
      largest = rms;
      worst = d.ScanTimeOrder[k];
    }
  return worst;
}

bool WriteScanRmsTable(const std::string& path) {
  const auto& d = ScanDataSet;
  FileHandle f(std::fopen(path.c_str(), "w"));
  if (!f) {
    PlayInfoSound();
    ShowError("could not open ScanRms file");
    ScanRmsFileOn = false;
    return false;
  }
  WorstScanIndex = WorstScanOfTable();
  for (int k = 1; k <= d.NFILES; ++k) {
    const int i = d.ScanTimeOrder[k];
    float rms = 0.0f;
    if (!TableRms(i, rms)) {
      PlayInfoSound();
      break;
    }
    std::fprintf(f.get(), "%s \t%e\n", d.ScanFilePaths[i].c_str(), static_cast<double>(rms));
  }
  const bool ok = std::fflush(f.get()) == 0 && !std::ferror(f.get());
  return std::fclose(f.release()) == 0 && ok;
}

void WriteScanRmsToDefaultFile() {
  // The file goes beside the data, where the user finds it, never into
  // whatever folder the program happened to be started from.
  const std::string& folder = DataFileLocation.DataFolder;
  if (folder.empty()) return;
  WriteScanRmsTable(folder.back() == '/' ? folder + "ScanRms.dat" : folder + "/ScanRms.dat");
}
