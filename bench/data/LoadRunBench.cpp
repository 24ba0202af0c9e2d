// Loading a whole run: 200 scan files of 1,400 points each are read, ordered
// by time and put on the common radial grid, as "&Load New Files" does. On a
// warm cache the load should be limited by the disk, not by the parsing.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/CommonRadialGrid.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "state/ModelParameters.h"

namespace {

constexpr int kScans = 200;
constexpr int kPoints = 1400;

// A run of absorbance scans as an instrument writes them: a sedimenting
// boundary, radii 0.001 cm apart with a little jitter.
FileSelection WriteBenchRun(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  FileSelection selection{folder.string()};
  char name[32], line[100];
  for (int i = 1; i <= kScans; ++i) {
    std::snprintf(name, sizeof name, "%05d.RA1", i);
    std::ofstream out(folder / name);
    const double t = 600.0 * i;
    std::snprintf(line, sizeof line, "benchmark run\nR 1 20.0 50000 %.0f %.5E 280 2\n", t,
                  t * 2.7415568e7);
    out << line;
    for (int k = 0; k < kPoints; ++k) {
      const double r = 5.9 + 0.001 * k + 0.0002 * ((k * 7 + i) % 3);
      const double c = 0.8 / (1.0 + std::exp(-(r - 6.0 - 0.004 * i) * 40.0));
      std::snprintf(line, sizeof line, "%.4f %.5E %.5E\n", r, c, 0.004);
      out << line;
    }
    selection.push_back(name);
  }
  return selection;
}

void BM_LoadRun(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / "taluvo_bench_run";
  const FileSelection selection = WriteBenchRun(folder);
  for (auto _ : state) {
    ModelParameters.Meniscus = 0.0f;
    ModelParameters.Bottom = 0.0f;
    ScanDataSet.FitLeftLim = 0.0f;
    ScanDataSet.FitRightLim = 0.0f;
    LoadAllData(nullptr, selection);
    if (ScanDataSet.NFILES != kScans || CommonRadialGrid.CommonGridSize == 0)
      state.SkipWithError("the run did not load");
  }
  FreeDataSet();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadRun)->Unit(benchmark::kMillisecond);

}  // namespace
