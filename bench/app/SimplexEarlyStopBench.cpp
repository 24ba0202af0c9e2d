// The simplex fit of c(s) with the meniscus and f/f0 floating, run as a
// batch analysis against the Levenberg-Marquardt fit of the same data.
// Two runs: the bundled example (40 scans of 4.3, 6.6 and 10.5 S, TI and RI
// noise) and a three-species run of its own (3.0, 5.5 and 9.0 S at f/f0
// 1.25, meniscus 6.00 cm, TI and RI offsets, noise 0.005) made here by the
// Lamm solver with hydrodynamics worked out independently of the program's
// conversions. For each start of f/f0 (1.1, 1.2, 1.4, 1.6) the simplex runs
// once for each of 20 seeds of its random spread; a fit reaches the minimum
// when its rmsd is within 0.5 % of the Levenberg-Marquardt rmsd and its f/f0
// within 2 % of that fit's. The counter "reached_share" is the share of the
// 20 fits that do.
//
// The instances are independent processes' worth of work: run them side by
// side with --benchmark_filter (one per run and start) to save time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "../../tests/distributions/SyntheticVelocityData.h"
#include "app/batch/BatchRun.h"
#include "app/start/ProgramStart.h"
#include "platform/HeadlessBackend.h"
#include "platform/qt/RasterWindows.h"
#include "state/ProgramFlags.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSeeds = 20;
constexpr double kRmsdExcess = 0.005;  // relative to the Levenberg-Marquardt rmsd
constexpr double kFf0Deviation = 0.02;  // relative to its f/f0
const char* const kStarts[] = {"1.1", "1.2", "1.4", "1.6"};

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

void Replace(std::string& text, const std::string& key, const std::string& value) {
  text = std::regex_replace(text, std::regex("<" + key + ">[^<]*</" + key + ">"),
                            "<" + key + ">" + value + "</" + key + ">");
}

// s (S) and D (cm^2/s) of a compact particle of frictional ratio ff0 in
// water at 20 C: M from s through the Svedberg and Stokes laws, then D.
synthetic_velocity::Species Particle(double s, double ff0, double loading) {
  const double R = 8.314462e7, T = 293.15, NA = 6.02214e23, pi = 3.14159265358979;
  const double eta = 0.01002, rho = 0.99823, vbar = 0.73;
  const double buoyancy = 1.0 - vbar * rho;
  const double sphere = 6.0 * pi * eta * std::cbrt(3.0 * vbar / (4.0 * pi * NA));
  const double M = std::pow(s * 1e-13 * NA * ff0 * sphere / buoyancy, 1.5);
  return {s, R * T * s * 1e-13 / (M * buoyancy), loading};
}

// The run of its own, written as absorbance scans into folder.
void WriteSyntheticRun(const fs::path& folder) {
  synthetic_velocity::Experiment e;
  e.Meniscus = 6.0;
  e.Bottom = 7.2;
  e.FirstRadius = 6.04;
  e.RadialStep = 0.003;
  e.Points = 355;
  e.Scans = 30;
  e.FirstTime = 900.0;
  e.Interval = 420.0;
  e.Seed = 4711;
  const synthetic_velocity::Data d = synthetic_velocity::MakeData(
      e, {Particle(3.0, 1.25, 0.5), Particle(5.5, 1.25, 0.3), Particle(9.0, 1.25, 0.15)});
  fs::create_directories(folder);
  for (int j = 1; j <= e.Scans; ++j) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d.RA1", j);
    std::ofstream out(folder / name);
    const ScanHeader& h = d.Headers[j];
    char line[128];
    std::snprintf(line, sizeof line, "R 1 20.0 50000 %.0f %.4e 280 0\n", h.Time, h.Omega2t);
    out << "[T OK]three species at f/f0 1.25\n" << line;
    for (int k = 1; k <= e.Points; ++k) {
      std::snprintf(line, sizeof line, "%9.4f  %.5e   0.00000e+00 \n",
                    static_cast<double>(d.Radii[k]), d.Signal[j][k]);
      out << line;
    }
  }
}

// The parameter file of a run with the given optimiser and start, its data
// copied to (or made in) work/data, results in work/results.
std::string ParameterFile(const fs::path& work, int run, const std::string& algorithm,
                          const std::string& start) {
  std::string text = ReadAll(ExampleRun() / "cs-analysis.txt");
  const fs::path data = work / "data";
  if (!fs::exists(data)) {
    if (run == 0) {
      fs::create_directories(data);
      for (const auto& entry : fs::directory_iterator(ExampleRun()))
        if (entry.path().extension() == ".RA1")
          fs::copy_file(entry.path(), data / entry.path().filename());
    } else {
      WriteSyntheticRun(data);
    }
  }
  if (run == 1) {
    Replace(text, "LastScan", "30");
    Replace(text, "Meniscus", "6.01");
    Replace(text, "MeniscusLowerLimit", "5.98");
    Replace(text, "MeniscusUpperLimit", "6.04");
    Replace(text, "LeftFitLimit", "6.07");
  }
  Replace(text, "AllDoneFlagFile", (work / "results" / "alldone.txt").string());
  Replace(text, "OutputResultsDirectory", (work / "results").string());
  Replace(text, "DataDirectory", data.string());
  Replace(text, "FittingAlgorithm", algorithm);
  Replace(text, "StartingFrictionalRatio", start);
  const fs::path file = work / (algorithm + ".txt");
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
  fs::remove(work / "results" / "ResultParameters.xml");
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

// Arguments: the run (0 the bundled example, 1 the run of its own) and the
// index of the f/f0 start.
void BM_SimplexReachesMarquardt(benchmark::State& state) {
  const int run = static_cast<int>(state.range(0));
  const std::string start = kStarts[state.range(1)];
  const fs::path work =
      fs::temp_directory_path() / ("taluvo-simplex-bench-" + std::to_string(run) + "-" + start);
  fs::remove_all(work);
  fs::create_directories(work / "results");
  const std::string marquardt = ParameterFile(work, run, "Levenberg-Marquardt", start);
  const std::string simplex = ParameterFile(work, run, "Simplex", start);
  Outcome reference;
  std::vector<Outcome> outcomes;
  for (auto _ : state) {
    reference = RunOnce(1, work, marquardt);
    std::fprintf(stderr, "run %d start %s  LM: f/f0 %.4f  rmsd %.6f\n", run, start.c_str(),
                 reference.ff0, reference.rmsd);
    outcomes.clear();
    for (int seed = 1; seed <= kSeeds; ++seed) {
      outcomes.push_back(RunOnce(static_cast<std::uint32_t>(seed), work, simplex));
      std::fprintf(stderr, "run %d start %s seed %2d: f/f0 %.4f  rmsd %.6f\n", run,
                   start.c_str(), seed, outcomes.back().ff0, outcomes.back().rmsd);
    }
  }
  int reached = 0;
  double lowestFf0 = 1e9, highestFf0 = 0.0, worstRmsd = 0.0;
  for (const Outcome& o : outcomes) {
    if (o.rmsd <= (1.0 + kRmsdExcess) * reference.rmsd &&
        std::fabs(o.ff0 - reference.ff0) <= kFf0Deviation * reference.ff0)
      ++reached;
    lowestFf0 = std::min(lowestFf0, o.ff0);
    highestFf0 = std::max(highestFf0, o.ff0);
    worstRmsd = std::max(worstRmsd, o.rmsd / reference.rmsd);
  }
  state.counters["seeds"] = kSeeds;
  state.counters["reached_share"] = static_cast<double>(reached) / kSeeds;
  state.counters["ff0_lm"] = reference.ff0;
  state.counters["ff0_lowest"] = lowestFf0;
  state.counters["ff0_highest"] = highestFf0;
  state.counters["rmsd_lm"] = reference.rmsd;
  state.counters["rmsd_worst_rel"] = worstRmsd;
  fs::remove_all(work);
}

}  // namespace

BENCHMARK(BM_SimplexReachesMarquardt)
    ->ArgsProduct({{0, 1}, {0, 1, 2, 3}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
