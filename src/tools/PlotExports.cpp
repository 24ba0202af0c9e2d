#include "tools/PlotExports.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "state/ProgramPaths.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForWriting(const std::string& path) {
  File f(std::fopen(path.c_str(), "w"));
  if (!f) ErrorBox("\n\aAttention: could not open " + path);
  return f;
}

// Closes and tells whether everything reached the disk.
bool Close(File& f, const std::string& path) {
  const bool ok = std::ferror(f.get()) == 0;
  const bool closed = std::fclose(f.release()) == 0;
  if (!(ok && closed)) ErrorBox("\n\aAttention: could not write " + path);
  return ok && closed;
}

int FirstIndex(int i) {
  const int k = ScanDataSet.ScanFirstFitIndex[i];
  return k >= 1 ? k : 1;
}

int LastIndex(int i) {
  const int k = ScanDataSet.ScanLastFitIndex[i];
  return k >= 1 && k <= ScanDataSet.ScanPointCount[i] ? k : ScanDataSet.ScanPointCount[i];
}

float ModelAt(int i, int k) {
  return ScanDataSet.ScanModel[i].size() >= k ? ScanDataSet.ScanModel[i][k] : 0.0f;
}

// One file per scan in time order, "radius value" for every point.
int WriteScanColumns(const char* extension, bool model) {
  const auto& d = ScanDataSet;
  const std::string folder = ExportFolder();
  for (int k = 1; k <= d.NFILES; ++k) {
    const int s = d.ScanTimeOrder[k];
    const std::string path = folder + std::to_string(k) + extension;
    File f = OpenForWriting(path);
    if (!f) return 0;
    for (int j = 1; j <= d.ScanPointCount[s]; ++j)
      std::fprintf(f.get(), "%e %e\n", static_cast<double>(d.ScanRadius[s][j]),
                   static_cast<double>(model ? ModelAt(s, j) : d.ScanSignal[s][j]));
    if (!Close(f, path)) return 0;
  }
  return d.NFILES;
}

}  // namespace

std::string ExportFolder() {
  return ProgramPaths.TempFolder;
}

int WriteDataFiles() {
  const auto& d = ScanDataSet;
  if (WriteScanColumns(".dat", false) != d.NFILES) return 0;
  const std::string path = ExportFolder() + "times.dat";
  File f = OpenForWriting(path);
  if (!f) return 0;
  for (int k = 1; k <= d.NFILES; ++k)
    std::fprintf(f.get(), "%e\n", d.ScanHeaders[d.ScanTimeOrder[k]].Time);
  return Close(f, path) ? d.NFILES : 0;
}

int WriteFitFiles() {
  return WriteScanColumns(".fit", true);
}

int WriteDistributionFile(bool textForm, const std::string& given) {
  const auto& r = DistributionResult;
  const int n = DistributionSettings.DistGridSize;
  if (r.DistSGrid.empty() || r.DistValues.empty()) return 0;
  const std::string path =
      !given.empty() ? given : ExportFolder() + (textForm ? "dist.txt" : "dist.dat");
  File f = OpenForWriting(path);
  if (!f) return 0;
  const double offset = DlsDataMode ? 9.0 : 0.0;
  for (int i = 1; i <= n && i < static_cast<int>(r.DistSGrid.size()) &&
                  i < static_cast<int>(r.DistValues.size());
       ++i)
    std::fprintf(f.get(), "%e %e\n", r.DistSGrid[static_cast<std::size_t>(i)] + offset,
                 static_cast<double>(r.DistValues[static_cast<std::size_t>(i)]));
  if (textForm) std::fprintf(f.get(), "-999.999 -999.999\n");
  return Close(f, path) ? 1 : 0;
}

bool WriteSizeShapeDistribution(const std::function<void(const std::string&)>& writer) {
  if (!writer) return false;
  writer(ExportFolder() + "sasdist.dat");
  return true;
}

int WriteSEDataFile() {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  const std::string path = ExportFolder() + "SEdata.dat";
  File f = OpenForWriting(path);
  if (!f) return 0;
  const bool removedNoise = g.CommonGrid != nullptr && g.CommonGridSize > 4 &&
                            g.RemovedTINoise.size() >= g.CommonGridSize;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    std::vector<float> t(static_cast<std::size_t>(n) + 1, 0.0f);
    if (removedNoise)
      ResampleCurve(n, d.ScanRadius[i].data(), t.data(), g.CommonGridSize, g.CommonGrid,
                    g.RemovedTINoise.data());
    for (int j = FirstIndex(i); j <= LastIndex(i); ++j)
      std::fprintf(f.get(), "%f\t%f\n", static_cast<double>(d.ScanRadius[i][j]),
                   static_cast<double>(d.ScanSignal[i][j] + t[static_cast<std::size_t>(j)]));
    std::fprintf(f.get(), "-666.666 -666.666\n");
    for (int j = FirstIndex(i); j <= LastIndex(i); ++j)
      std::fprintf(f.get(), "%f\t%f\n", static_cast<double>(d.ScanRadius[i][j]),
                   static_cast<double>(ModelAt(i, j) + t[static_cast<std::size_t>(j)]));
    std::fprintf(f.get(), "-777.777 -777.777\n");
    std::fprintf(f.get(), "-999.999 -999.999\n");
  }
  std::fprintf(f.get(), "-1001 -1001\n");
  if (FitControl.TINoiseFitted && g.CommonGrid != nullptr && g.TINoise.size() >= g.CommonGridSize) {
    const int first = g.GridFirstFitIndex > 1 ? g.GridFirstFitIndex - 1 : 1;
    const int last = g.GridLastFitIndex >= 1 && g.GridLastFitIndex <= g.CommonGridSize
                         ? g.GridLastFitIndex
                         : g.CommonGridSize;
    for (int k = first; k <= last; ++k) {
      const double removed = g.RemovedTINoise.size() >= k ? g.RemovedTINoise[k] : 0.0;
      std::fprintf(f.get(), "%f\t%f\n", static_cast<double>(g.CommonGrid[k]),
                   removed + g.TINoise[k]);
    }
  } else {
    std::fprintf(f.get(), "0 nan\n");
  }
  std::fprintf(f.get(), "-1010 -1010\n-1100 -1100\n");
  if (ModelParameters.RINoiseFitted && g.RINoise.size() >= d.NFILES) {
    for (int i = 1; i <= d.NFILES; ++i)
      std::fprintf(f.get(), "0\t%f\n", static_cast<double>(g.RINoise[i]));
  } else {
    std::fprintf(f.get(), "0 nan\n");
  }
  std::fprintf(f.get(), "-1110 -1110\n");
  return Close(f, path) ? d.NFILES : 0;
}

int WriteDLSExport() {
  const auto& d = ScanDataSet;
  const std::string path = ExportFolder() + "dlsdata.dat";
  File f = OpenForWriting(path);
  if (!f) return 0;
  for (int i = 1; i <= d.NFILES; ++i) {
    auto block = [&](auto value, const char* end) {
      for (int j = FirstIndex(i); j <= LastIndex(i); ++j)
        std::fprintf(f.get(), "%e\t%e\n", std::pow(10.0, static_cast<double>(d.ScanRadius[i][j])),
                     static_cast<double>(value(j)));
      std::fprintf(f.get(), "%s", end);
    };
    block([&](int j) { return d.ScanSignal[i][j]; }, "-666.666 -666.666\n");
    block([&](int j) { return ModelAt(i, j); }, "-777.777 -777.777\n");
    block(
        [&](int j) {
          return d.ScanResiduals[i].size() >= j ? d.ScanResiduals[i][j] : 0.0f;
        },
        "-888.888 -888.888\n");
    std::fprintf(f.get(), "-999.999 -999.999\n");
  }
  return Close(f, path) ? d.NFILES : 0;
}
