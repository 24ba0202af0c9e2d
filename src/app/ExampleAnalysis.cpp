#include "app/ExampleAnalysis.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/records/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "distributions/RunContiSed.h"
#include "distributions/records/DistributionResultRecords.h"
#include "distributions/records/DistributionSettingsRecords.h"
#include "models/ParameterPacking.h"
#include "models/records/FitControl.h"
#include "models/records/ModelParameters.h"
#include "models/records/ParameterVector.h"

namespace fs = std::filesystem;

namespace {

// The scan files of a folder, by name, in the form of a dialog selection:
// the folder followed by the file names.
FileSelection ScanFilesOf(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file()) continue;
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (ext.rfind(".RA", 0) == 0 || ext.rfind(".IP", 0) == 0 || ext.rfind(".RI", 0) == 0)
      names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) return {};
  FileSelection selection{folder};
  selection.insert(selection.end(), names.begin(), names.end());
  return selection;
}

// c(s) from 0.5 to 15 S at resolution 100, confidence level 0.68, vbar 0.73
// in water at 20 degrees Celsius with f/f0 1.25, meniscus and bottom of the
// example cell; the parameter dialog leaves these slots, unpacking applies
// them.
void SelectContinuousCs(float meniscus, float bottom) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  ParameterVector[1] = 0.5f;
  ParameterVector[2] = 0.68f;
  ParameterVector[3] = 0.73f;
  ParameterVector[4] = 0.3f;
  ParameterVector[5] = 15.0f;
  ParameterVector[7] = 1.0f;
  ParameterVector[9] = 100.0f;
  ParameterVector[11] = 1.25f;
  ParameterVector[12] = 0.01002f;
  ParameterVector[13] = meniscus;
  ParameterVector[14] = bottom;
  UnpackParameterVector();
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  ModelParameters.SystematicNoiseOn = true;
}

struct Peak {
  double from = 0.0, to = 0.0, area = 0.0, mean = 0.0;
};

// Peaks of the stored density: each maximum above 2 % of the largest one,
// with the region reaching to the minima on either side, integrated by the
// trapezoid rule over s.
std::vector<Peak> PeaksOfDistribution() {
  const auto& s = DistributionResult.DistSGrid;
  const auto& c = DistributionResult.DistValues;
  const int n = DistributionSettings.DistGridSize;
  double top = 0.0;
  for (int i = 1; i <= n; ++i) top = std::max(top, static_cast<double>(c[i]));
  std::vector<int> maxima;
  for (int i = 1; i <= n; ++i) {
    const bool rises = i == 1 || c[i] > c[i - 1];
    const bool falls = i == n || c[i] >= c[i + 1];
    if (rises && falls && c[i] > 0.02 * top) maxima.push_back(i);
  }
  std::vector<Peak> peaks;
  for (std::size_t m = 0; m < maxima.size(); ++m) {
    int lo = m == 0 ? 1 : maxima[m - 1], hi = m + 1 == maxima.size() ? n : maxima[m + 1];
    // The regions meet at the lowest point between neighbouring maxima.
    if (m > 0)
      for (int i = maxima[m - 1]; i <= maxima[m]; ++i)
        if (c[i] <= c[lo]) lo = i;
    if (m + 1 < maxima.size())
      for (int i = maxima[m + 1]; i >= maxima[m]; --i)
        if (c[i] <= c[hi]) hi = i;
    Peak p{s[lo], s[hi], 0.0, 0.0};
    for (int i = lo + 1; i <= hi; ++i) {
      const double w = 0.5 * (s[i] - s[i - 1]);
      p.area += w * (c[i] + c[i - 1]);
      p.mean += w * (c[i] * s[i] + c[i - 1] * s[i - 1]);
    }
    if (p.area > 0.0) p.mean /= p.area;
    peaks.push_back(p);
  }
  return peaks;
}

bool WriteDistribution(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  const int n = DistributionSettings.DistGridSize;
  for (int i = 1; i <= n; ++i)
    std::fprintf(f, "%f\t%e\n", static_cast<double>(DistributionResult.DistSGrid[i]),
                 static_cast<double>(DistributionResult.DistValues[i]));
  return std::fclose(f) == 0;
}

// The scans are analysed in a copy inside the output folder: an analysis
// writes its own files beside the data (the grid of the distribution), and
// the bundled example stays as it is.
std::string CopyScans(const FileSelection& selection, const std::string& outputFolder) {
  const fs::path copy = fs::path(outputFolder) / "data";
  std::error_code ec;
  fs::remove_all(copy, ec);
  fs::create_directories(copy, ec);
  for (std::size_t i = 1; i < selection.size(); ++i) {
    fs::copy_file(fs::path(selection[0]) / selection[i], copy / selection[i], ec);
    if (ec) return {};
  }
  return copy.string();
}

}  // namespace

int RunExampleAnalysis(const std::string& dataFolder, const std::string& outputFolder) {
  FileSelection selection = ScanFilesOf(dataFolder);
  if (selection.empty()) {
    std::fprintf(stderr, "no scan files in %s\n", dataFolder.c_str());
    return 1;
  }
  selection[0] = CopyScans(selection, outputFolder);
  if (selection[0].empty()) {
    std::fprintf(stderr, "could not copy the scans of %s into %s\n", dataFolder.c_str(),
                 outputFolder.c_str());
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  LoadAllData(nullptr, selection);
  if (ScanDataSet.NFILES <= 0) {
    std::fprintf(stderr, "the scans of %s could not be loaded\n", dataFolder.c_str());
    return 1;
  }
  std::printf("loaded %d scans from %s\n", ScanDataSet.NFILES, dataFolder.c_str());

  SelectContinuousCs(5.9f, 7.2f);
  ScanDataSet.FitLeftLim = 6.0f;
  ScanDataSet.FitRightLim = 7.1f;
  SetFirstFitIndex();
  SetLastFitIndex();
  if (RunContiSed(nullptr) != ContiRunOutcome::Stored) {
    std::fprintf(stderr, "the distribution could not be computed\n");
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const std::string path = (fs::path(outputFolder) / "distribution.dat").string();
  if (!WriteDistribution(path)) {
    std::fprintf(stderr, "could not write %s\n", path.c_str());
    return 1;
  }
  std::printf("c(s), fit %.2f-%.2f cm, TI and RI noise, maximum entropy at P = 0.68\n",
              ScanDataSet.FitLeftLim, ScanDataSet.FitRightLim);
  std::printf("rmsd %.5f, %.2f s\n", static_cast<double>(ScanRmsd()), seconds);
  std::printf("%10s %12s %12s\n", "peak s (S)", "range (S)", "signal");
  for (const Peak& p : PeaksOfDistribution())
    std::printf("%10.2f %5.1f-%-6.1f %12.4f\n", p.mean, p.from, p.to, p.area);
  std::printf("distribution written to %s\n", path.c_str());
  return 0;
}
