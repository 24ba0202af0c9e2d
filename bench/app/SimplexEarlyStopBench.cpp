// The simplex fit of c(s) with the meniscus and f/f0 floating, run as a
// batch analysis of the bundled three-species example (40 scans, c(s) from
// 0.5 to 15 S at resolution 100, TI and RI noise, P = 0.68) once for each
// of 20 seeds of the random simplex spread. A fit stopped early ends with
// f/f0 or rmsd short of the best fit of the series. The counters give the
// share of early stops, the f/f0 range and the worst rmsd relative to the
// best.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/BatchRun.h"
#include "state/ProgramFlags.h"
#include "app/start/ProgramStart.h"
#include "platform/HeadlessBackend.h"
#include "platform/qt/RasterWindows.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSeeds = 20;
// Short of the best fit: f/f0 more than 0.02 below the best fit's, or an
// rmsd more than 1 % above the best.
constexpr double kFf0Shortfall = 0.02;
constexpr double kRmsdExcess = 1.01;

fs::path ExampleRun() {
  return fs::path(TALUVO_SOURCE_DIR) / "examples" / "velocity";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

double XmlNumber(const std::string& xml, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(xml, m, std::regex("<" + key + ">([^<]*)</" + key + ">"))) return -1.0;
  return std::stod(m[1]);
}

// The example's own parameter file with the simplex chosen, the data and
// results in a scratch folder.
std::string ParameterFile(const fs::path& work) {
  std::string text = ReadAll(ExampleRun() / "cs-analysis.txt");
  const auto replace = [&](const std::string& key, const std::string& value) {
    text = std::regex_replace(text, std::regex("<" + key + ">[^<]*</" + key + ">"),
                              "<" + key + ">" + value + "</" + key + ">");
  };
  replace("AllDoneFlagFile", (work / "results" / "alldone.txt").string());
  replace("OutputResultsDirectory", (work / "results").string());
  // A copy of the scans: the fit leaves its parameter file beside them.
  const fs::path data = work / "data";
  fs::create_directories(data);
  for (const auto& entry : fs::directory_iterator(ExampleRun()))
    if (entry.path().extension() == ".RA1")
      fs::copy_file(entry.path(), data / entry.path().filename());
  replace("DataDirectory", data.string());
  replace("FittingAlgorithm", "Simplex");
  const fs::path file = work / "simplex.txt";
  std::ofstream(file) << text;
  return file.string();
}

struct Outcome {
  double ff0 = 0.0, rmsd = 0.0;
};

Outcome RunOnce(std::uint32_t seed, const fs::path& work, const std::string& parameters) {
  BatchRandomSeed = seed;
  // A run in this process ends with its exit flags set; the next starts
  // afresh.
  BatchDone = false;
  ExitRequested = false;
  std::filesystem::remove(work / "results" / "ResultParameters.xml");
  auto backend = std::make_unique<platform::HeadlessBackend>();
  platform::qt::UseRasterWindows(*backend);
  auto previous = platform::Install(std::move(backend));
  const std::string program = (work / "taluvo").string();
  const char* argv[] = {program.c_str(), parameters.c_str()};
  ProgramMain(2, argv);
  platform::Install(std::move(previous));
  const std::string xml = ReadAll(work / "results" / "ResultParameters.xml");
  return {XmlNumber(xml, "FrictionalRatio"), XmlNumber(xml, "RMSD")};
}

void BM_SimplexEarlyStops(benchmark::State& state) {
  const fs::path work = fs::temp_directory_path() / "taluvo-simplex-bench";
  fs::remove_all(work);
  fs::create_directories(work / "results");
  const std::string parameters = ParameterFile(work);
  std::vector<Outcome> outcomes;
  for (auto _ : state) {
    outcomes.clear();
    for (int seed = 1; seed <= kSeeds; ++seed) {
      outcomes.push_back(RunOnce(static_cast<std::uint32_t>(seed), work, parameters));
      std::fprintf(stderr, "seed %2d: f/f0 %.4f  rmsd %.6f\n", seed, outcomes.back().ff0,
                   outcomes.back().rmsd);
    }
  }
  const auto best =
      *std::min_element(outcomes.begin(), outcomes.end(),
                        [](const Outcome& a, const Outcome& b) { return a.rmsd < b.rmsd; });
  int early = 0;
  double lowestFf0 = 1e9, highestFf0 = 0.0, worstRmsd = 0.0;
  for (const Outcome& o : outcomes) {
    if (o.ff0 < best.ff0 - kFf0Shortfall || o.rmsd > kRmsdExcess * best.rmsd) ++early;
    lowestFf0 = std::min(lowestFf0, o.ff0);
    highestFf0 = std::max(highestFf0, o.ff0);
    worstRmsd = std::max(worstRmsd, o.rmsd / best.rmsd);
  }
  state.counters["seeds"] = kSeeds;
  state.counters["early_stops"] = early;
  state.counters["early_share"] = static_cast<double>(early) / kSeeds;
  state.counters["ff0_best"] = best.ff0;
  state.counters["ff0_lowest"] = lowestFf0;
  state.counters["ff0_highest"] = highestFf0;
  state.counters["rmsd_best"] = best.rmsd;
  state.counters["rmsd_worst_rel"] = worstRmsd;
  fs::remove_all(work);
}

}  // namespace

BENCHMARK(BM_SimplexEarlyStops)->Iterations(1)->Unit(benchmark::kSecond);
