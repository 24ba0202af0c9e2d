// The temporary parameter file: while the best parameters are saved during
// fits, every improvement of the best vertex writes the whole file, so its
// cost sits beside each model evaluation (about 20 ms for one species on
// the standard 60-scan data set). Times the intermediate write (unpacking,
// 215 values, "%f" lines to disk) and, for comparison, the reload that
// restores the analysis after a load.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "state/ModelSelection.h"
#include "data/ScanDataSet.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/ModelParameters.h"

namespace {

// A one-species analysis whose file lives in a folder of its own for the
// duration of a benchmark.
class TempParameterFolder {
 public:
  TempParameterFolder() : folder_(std::filesystem::temp_directory_path() / "taluvo-tmppars-bench") {
    std::filesystem::create_directories(folder_);
    DataFileLocation.TempParameterFilePath = (folder_ / "~tmppars.RA1").string();
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    AllocParameterVector();
  }
  ~TempParameterFolder() {
    DataFileLocation.TempParameterFilePath.clear();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TempParameterFolder(const TempParameterFolder&) = delete;
  TempParameterFolder& operator=(const TempParameterFolder&) = delete;

 private:
  std::filesystem::path folder_;
};

void BM_TmpSaveBestParamsIntermediate(benchmark::State& state) {
  const TempParameterFolder folder;
  for (auto _ : state) TmpSaveBestParams(nullptr, true);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TmpSaveBestParamsIntermediate)->Unit(benchmark::kMicrosecond);

void BM_ReloadParameters(benchmark::State& state) {
  const TempParameterFolder folder;
  TmpSaveBestParams(nullptr, false);
  const std::string path = DataFileLocation.TempParameterFilePath;
  for (auto _ : state) benchmark::DoNotOptimize(ReloadParameters(nullptr, path));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReloadParameters)->Unit(benchmark::kMicrosecond);

}  // namespace
