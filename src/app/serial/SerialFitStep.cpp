#include "app/serial/SerialFitStep.h"

#include <cstdio>
#include <filesystem>

#include "app/commands/RunFitCommands.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/SiblingExport.h"
#include "display/DistributionPlot.h"
#include "state/PaintState.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/MonteCarloLinks.h"
#include "models/FitDriver.h"
#include "models/TempParameterFile.h"
#include "state/RestorePreviousAnalysis.h"
#include "ui/Boxes.h"

SerialFitSeriesRecord SerialFitSeries;

namespace {

const char* const kCaption = "SERIALIZE FIT";
constexpr int kMaxRanges = 10;
constexpr int kMonteCarloFolderCode = 7;
constexpr float kMonteCarloLevel = 0.68f;

void WriteText(const std::string& path, const std::string& text) {
  if (std::FILE* f = std::fopen(path.c_str(), "w")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

bool AskFloat(TXLAWindow& window, float& value, float start, const char* prompt) {
  return InputFloatIn(window.Handle(), value, start, true, prompt, kCaption);
}

}  // namespace

std::string SetLocation::ExtensionWithoutDot() const {
  return !Extension.empty() && Extension.front() == '.' ? Extension.substr(1) : Extension;
}

SetLocation LoadedSetLocation() {
  SetLocation s;
  const std::string& folder = DataFileLocation.DataFolder;
  s.Folder = folder.empty() ? std::string() : folder + (folder.back() == '/' ? "" : "/");
  if (ScanDataSet.NFILES > 0) s.Extension = SplitPath(ScanDataSet.ScanFilePaths[1]).Extension;
  return s;
}

std::string SerialErrorText(int code) {
  switch (code) {
    case 1: return "max #iteration exceeded in NNLS";
    case 2: return "matrix not positive definite in NNLS";
    case 3: return "problem in regularization, cannot reach chi-square increase";
    case 4: return "Maximum number of iterations exceeded in zbrent";
    case 5: return "too many iterations finding root";
    case 6: return "problem with regularization, caught at P = ?";
    case 7: return "could not create MC directory";
    case 8: return "too many iterations finding root";
    case 9: return "zero differential in mlcof";
    case 10: return "Nelder-Mead not converged";
    default: return "error occured (invalid error code)";
  }
}

bool WriteSerialDistribution(const std::string& path) {
  const auto& r = DistributionResult;
  const auto& p = display::DistributionPlots;
  const std::vector<float>& x = p.XSource ? *p.XSource : r.DistSGrid;
  const int n = std::min({DistributionSettings.DistGridSize, static_cast<int>(x.size()) - 1,
                          static_cast<int>(r.DistValues.size()) - 1});
  // A series runs with the redraw suppressed, so the plot may not exist:
  // the distribution is what counts.
  if (n < 1) return false;
  std::string text;
  char row[80];
  for (int i = 1; i <= n; ++i) {
    std::snprintf(row, sizeof row, "%e %e\n", static_cast<double>(x[static_cast<std::size_t>(i)]),
                  static_cast<double>(r.DistValues[static_cast<std::size_t>(i)]));
    text += row;
  }
  WriteText(path, text);
  return true;
}

void WriteFf0File(const std::string& path) {
  char text[40];
  std::snprintf(text, sizeof text, "%e \n",
                static_cast<double>(DistributionSettings.StartingFrictionalRatio));
  WriteText(path, text);
}

bool AskIntegrationRanges(TXLAWindow& window, bool withFf0, float defaultIterations) {
  auto& s = SerialFitSeries;
  s.Ranges.clear();
  s.SerialFitMonteCarlo = false;
  if (!AskYesNoBox(window, "with automatic integration?", kCaption)) return true;
  const auto& grid = DistributionResult.DistSGrid;
  const int n = DistributionSettings.DistGridSize;
  const bool haveGrid = static_cast<int>(grid.size()) > n && n > 1;
  const float s0 = haveGrid ? grid[1] : 1.0f;
  const float s1 = haveGrid ? grid[static_cast<std::size_t>(n)] : 10.0f;
  const auto& d = DistributionSettings;
  do {
    SerialRange r;
    if (!AskFloat(window, r.smin, s0, "s min for integration")) return false;
    if (!AskFloat(window, r.smax, s1, "s max for integration")) return false;
    if (withFf0) {
      if (!AskFloat(window, r.fmin, d.Ff0Min, "ff0 min for integration")) return false;
      if (!AskFloat(window, r.fmax, d.Ff0Max, "ff0 max for integration")) return false;
    }
    s.Ranges.push_back(r);
  } while (static_cast<int>(s.Ranges.size()) < kMaxRanges &&
           AskYesNoBox(window, "another integration range?", kCaption));
  // Monte Carlo needs the replica analysis; without it the series runs without.
  if (!MonteCarloLinks.Installed || withFf0) return true;
  if (AskYesNoBox(window, "with Monte-Carlo error analysis?", kCaption)) {
    float iterations = defaultIterations;
    if (!AskFloat(window, iterations, defaultIterations, "# of MC iterations")) return false;
    s.MonteCarloIterations = static_cast<int>(iterations);
    s.SerialFitMonteCarlo = iterations >= 2.0f;
  }
  return true;
}

void WriteMonteCarloIntegrals(TXLAWindow& window, const SetLocation& set) {
  const auto& s = SerialFitSeries;
  if (!s.SerialFitMonteCarlo) return;
  const std::string folder = set.Folder + "MCdata";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const bool usable = [&] {
    std::FILE* f = std::fopen((folder + "/testdir").c_str(), "w");
    if (!f) return false;
    std::fclose(f);
    return true;
  }();
  if (!usable) {
    SerialFitErrorCode = kMonteCarloFolderCode;
    return;
  }
  const auto h = window.Handle();
  MonteCarloSwMode = false;
  if (!MonteCarloLinks.MonteCarloDistributions(h, s.MonteCarloIterations, kMonteCarloLevel,
                                               folder + "/MC", false))
    return;
  std::string text = "smin\tsmax\tsavg\tsstd\tslow\tsup\tcavg\tcstd\tclow\tcup (P = 0.68)\n";
  char cell[40];
  for (const SerialRange& r : s.Ranges) {
    MonteCarloLinks.MonteCarloSw(h, r.smin, r.smax, kMonteCarloLevel);
    const std::array<float, 9> v = MonteCarloLinks.MonteCarloSwResult();
    const float row[10] = {r.smin, r.smax, v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]};
    for (float x : row) {
      std::snprintf(cell, sizeof cell, "%e\t", static_cast<double>(x));
      text += cell;
    }
    text += "\n";
  }
  MonteCarloLinks.MonteCarloFinish(h);
  WriteText(set.Folder + "MCintegrals" + set.Extension, text);
}

bool RunSharedSerialStep(TXLAWindow& window, SerialCommand command,
                         const std::function<void(const SetLocation&)>& results,
                         const std::function<void()>& beforeRun) {
  SerialFitErrorCode = 0;
  NumericErrorState = 0;
  auto& d = ScanDataSet;
  if (d.NFILES <= 0) return false;
  const SetLocation set = LoadedSetLocation();
  loading::SetCaption(window, "SEDIMENTATION ANALYSIS -> " + set.Folder + d.ScanFilePaths[1] + "...");
  const auto h = window.Handle();
  auto& s = SerialFitSeries;
  if (command == SerialCommand::ByCell) {
    if (s.SerialFitRestoreParams) OfferRestorePreviousData(h, false);
  } else if (!(s.SerialFitRestoreParams && OfferRestorePreviousData(h, false)) &&
             !s.StartParameterFile.empty()) {
    ReloadParameters(h, s.StartParameterFile);
  }
  if (beforeRun) beforeRun();
  CmShowLastFitInfo(window);
  RunModelCommand(window);
  if (s.FitEachSet) CmFit(window);
  // A run leaves its rmsd to the paint that shows its result, which a
  // series suppresses: the set's own rmsd is taken here, for its files.
  if (PaintState.FitResultPending) ScanRmsd();
  auto& interrupted = FitDriverSettings.SerialFitInterrupted;
  if (interrupted) {
    if (AskYesNoBox(window, "stop series?", kCaption)) return false;
    interrupted = false;
  }
  results(set);
  const int code = SerialFitErrorCode;
  if (code > 0) WriteText(set.Folder + "error.txt", SerialErrorText(code));
  const std::string ext = set.ExtensionWithoutDot();
  const std::string xp = set.Folder + "data_" + ext + ".xp";
  if (ExportSiblingXp(h, xp))
    ExportSiblingPar(h, set.Folder + "from_taluvo_series_" + ext + ".quorvel", xp);
  return true;
}

void BeginSeries() {
  SerialFitSeries.Running = true;
  FitDriverSettings.SerialFitInterrupted = false;
  RedrawSuppressed = true;
}

void EndSeries() {
  RedrawSuppressed = false;
  SerialFitSeries.Running = false;
  SerialFitSeries.SerialFitRestoreParams = false;
  SerialFitSeries.Ranges.clear();
}
