// Reading one scan file (a load reads up to a thousand) and rebuilding the
// common radial grid (after every load and every edit of the signals).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"

namespace {

std::string WriteBenchScan(int points) {
  const auto path = std::filesystem::temp_directory_path() / "taluvo_bench_scan.RA1";
  std::ofstream out(path);
  out << "[T OK]benchmark scan\nR 1 20.0 50000 1200 3.2000E+10 280 2\n";
  char line[100];
  for (int k = 0; k < points; ++k) {
    const double r = 5.9 + 0.0013 * k + 0.0002 * (k % 3);
    std::snprintf(line, sizeof line, "%.4f %.5e %.5e\n", r, 0.8 / (1 + std::exp(-(r - 6.4) * 30)),
                  0.004);
    out << line;
  }
  return path.string();
}

void BM_ReadScanFile(benchmark::State& state) {
  const std::string path = WriteBenchScan(static_cast<int>(state.range(0)));
  const float averaging = static_cast<float>(state.range(1)) * 0.001f;
  for (auto _ : state) {
    ScanHeader h;
    int n = 0;
    ScanArray r, s, t;
    benchmark::DoNotOptimize(ReadScanFile(path, &h, &n, &r, &s, &t, nullptr, averaging));
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadScanFile)->Args({1000, 0})->Args({1000, 3})->Unit(benchmark::kMicrosecond);

void BM_SetupCommonRadialGrid(benchmark::State& state) {
  const int scans = static_cast<int>(state.range(0));
  const int points = 650;
  ScanReaderOptions.AbsorbanceData = true;
  AllocScanSlots(scans);
  ScanDataSet.NFILES = scans;
  for (int i = 1; i <= scans; ++i) {
    ScanDataSet.ScanPointCount[i] = points;
    ScanDataSet.ScanRadius[i].Resize(1, points);
    ScanDataSet.ScanSignal[i].Resize(1, points);
    ScanDataSet.ScanTimeOrder[i] = i;
    for (int k = 1; k <= points; ++k) {
      const float r = 5.9f + 0.002f * static_cast<float>(k) + 0.0001f * static_cast<float>(i % 7);
      ScanDataSet.ScanRadius[i][k] = r;
      ScanDataSet.ScanSignal[i][k] = 0.8f / (1.0f + std::exp(-(r - 6.0f - 0.01f * i) * 30.0f));
    }
  }
  for (auto _ : state) SetupCommonRadialGrid();
  FreeDataSet();
}
BENCHMARK(BM_SetupCommonRadialGrid)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace
