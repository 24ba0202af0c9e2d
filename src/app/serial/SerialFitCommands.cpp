#include "app/serial/SerialFitCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/external/ExternalPrograms.h"
#include "app/loading/LoadCommands.h"
#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/serial/SerialFitStep.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/FilePathParts.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/DisplayState.h"
#include "distributions/DistributionIntegration.h"
#include "state/DistributionResultRecords.h"
#include "models/FitDriver.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Boxes.h"

namespace {

const char* const kCaption = "SERIALIZE FIT";

std::string Formatted(const char* format, auto... values) {
  char text[400];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

void WriteText(const std::string& path, const std::string& text) {
  if (std::FILE* f = std::fopen(path.c_str(), "w")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

bool Ask(TXLAWindow& window, const char* text) {
  return AskYesNoBox(window, text, kCaption);
}

bool AskFloat(TXLAWindow& window, float& value, float start, const char* prompt) {
  return InputFloatIn(window.Handle(), value, start, true, prompt, kCaption);
}

bool IsFf0Model() {
  const ModelKind k = ModelSelection.Kind;
  return k == ModelKind::CSFf0 || k == ModelKind::CSFf0OneDiscrete;
}

void DrawText(TXLAWindow& window, int x, int y, const std::string& text) {
  if (DrawingAllowed) platform::Current().DrawWindowText(window.Handle(), x, y, text);
}

// The integrals of the cell series: c, sw and ctot per s range, and for the
// s x f/f0 models the statistics of the rectangle in f/f0 as well.
void WriteCellIntegrals(const SetLocation& set) {
  std::string text;
  const bool ff0 = IsFf0Model();
  text = ff0 ? "smin, smax, fmin, fmax, c, sw, fw, ctot, Mw, Mz, second central moment of Mz, R, "
               "second central moment R\n"
             : "smin, smax, c, sw, ctot\n";
  auto& r = DistributionResult;
  for (const SerialRange& range : SerialFitSeries.Ranges) {
    float c = 0, sw = 0, ctot = 0;
    if (ff0) {
      r.RegionYMin = range.fmin;
      r.RegionYMax = range.fmax;
    }
    IntegrateDistribution(range.smin, range.smax, c, sw, ctot);
    if (ff0) {
      text += Formatted("%e %e %e %e %e %e %e %e %e %e %e %e %e\n", double{range.smin},
                        double{range.smax}, double{range.fmin}, double{range.fmax}, double{c},
                        double{sw}, double{r.RegionMeanFf0}, double{ctot}, double{r.RegionMeanM},
                        double{r.RegionMFromSD}, double{r.RegionMSd},
                        double{r.RegionMeanStokesRadius}, double{r.RegionStokesRadiusSd});
    } else {
      text += Formatted("%e %e %e %e %e\n", double{range.smin}, double{range.smax}, double{c},
                        double{sw}, double{ctot});
    }
  }
  WriteText(set.Folder + "integrals" + set.Extension, text);
}

// Remembered settings of the cell series, restored at its end.
struct CellSeriesSettings {
  bool cells = false, subfolders = false, xpFiles = false, restoreNoise = false;
  int cellMin = 1, cellMax = 1, dirMin = 1, dirMax = 1;
};

bool AskCellSeries(TXLAWindow& window, CellSeriesSettings& c) {
  c.cells = Ask(window, "incremental cell number?");
  c.subfolders = Ask(window, "incremental highest subdirectory?");
  if (c.subfolders) {
    c.xpFiles = Ask(window, "load xpfile with incremental name (xp1.xp, xp2.xp...)?");
    if (c.xpFiles) c.restoreNoise = Ask(window, "restore TI & RI noise from current model?");
  }
  if (!c.cells && !c.subfolders) {
    ShowOkBox(window, "nothing to serialize", kCaption);
    return false;
  }
  float a = 1.0f, b = 7.0f;
  if (c.cells) {
    if (!InputFloat(a, 1.0f, true, "minimum cell number value", kCaption)) return false;
    if (!InputFloat(b, 7.0f, true, "maximum cell number value", kCaption)) return false;
    c.cellMin = static_cast<int>(std::floor(a));
    c.cellMax = static_cast<int>(std::floor(b));
  }
  if (c.subfolders) {
    a = 1.0f;
    b = 7.0f;
    if (!InputFloat(a, 1.0f, true, "minimum subdir value", kCaption)) return false;
    if (!InputFloat(b, 7.0f, true, "maximum subdir value", kCaption)) return false;
    c.dirMin = static_cast<int>(std::floor(a));
    c.dirMax = static_cast<int>(std::floor(b));
  }
  auto& s = SerialFitSeries;
  s.FitEachSet = Ask(window, "fit each set?");
  s.SerialFitRestoreParams = Ask(window, "restore previous params if available?");
  s.Ranges.clear();
  s.SerialFitMonteCarlo = false;
  const ModelKind k = ModelSelection.Kind;
  if (IsContinuousModel(k) && !IsVanHoldeWeischetFamily(k))
    return AskIntegrationRanges(window, IsFf0Model(), 100.0f);
  return true;
}

// Loads the set of one cell and subfolder; false when its files are missing.
bool LoadCellSet(TXLAWindow& window, const CellSeriesSettings& c, int k, bool tiNoise,
                 bool riNoise) {
  if (c.xpFiles) {
    const std::string first = FileNameList.Count > 0 ? FileNameList.Paths[1] : std::string();
    const std::string folder = FolderOf(SplitPath(first));
    if (ImportXpFile(window, folder + "/xp" + std::to_string(k) + ".xp") == 0) return false;
    if (c.restoreNoise) {
      FitControl.TINoiseFitted = tiNoise;
      ModelParameters.RINoiseFitted = riNoise;
    }
    return true;
  }
  if (!ListFilesExist()) return false;
  ReloadFromList(window.Handle());
  return true;
}

void CellSetResults(TXLAWindow& window, const SetLocation& set, bool& missing) {
  if (!IsContinuousModel(ModelSelection.Kind)) return;
  if (!WriteSerialDistribution(set.Folder + "distribution" + set.Extension)) {
    missing = true;
    return;
  }
  WriteFf0File(set.Folder + "ff0" + set.Extension);
  if (SerialFitSeries.Ranges.empty()) return;
  WriteCellIntegrals(set);
  WriteMonteCarloIntegrals(window, set);
}

// --- the list-file series ---

struct ListSetSummary {
  std::string listPath;
  bool maxedOut = false;
  struct Row {
    float smin, smax, c, ctot, sw, mapp, rmsd, percent;
  };
  std::vector<Row> rows;
  std::string fdsLine;
};

std::string FdsLine() {
  const auto& f = CorrectionOptions.Fluorescence;
  const bool any = f.ConvolutionOn || f.ShadowOn || f.PhotophysicsOn || f.LinearDriftOn ||
                   f.MagnificationGradientOn;
  if (!any) return {};
  std::string line = "\t\t\t";
  if (f.ConvolutionOn) line += Formatted("convol = %.3f |", double{f.ConvolutionWidth});
  if (f.ShadowOn) line += Formatted("shadow = %.3f |", double{f.ShadowRadius});
  if (f.PhotophysicsOn && f.ExponentialDriftFitted)
    line += Formatted(" - kbleach = %.4f 1/h (floating)", double{f.ExponentialDriftRate});
  if (f.PhotophysicsOn && f.LimitingSignalFitted)
    line += Formatted(" - Alim = %.4f %% (floating)", double{f.LimitingSignal});
  if (f.LinearDriftOn && f.LinearDriftFitted)
    line += Formatted(" - drift = %.3f %%/h (floating)", double{f.LinearDrift});
  if (f.MagnificationGradientOn) line += Formatted("gradient = %.3f", double{f.MagnificationGradient});
  return line + "\t\t\t\n";
}

const char* const kListIntegralsHeader =
    "smin, smax, c(in range), c(tot), sw(in range), Mwavg(in range), rmsd, rmsd/ctot(%)\n";

void WriteListIntegrals(const SetLocation& set, ListSetSummary& summary) {
  std::string text = kListIntegralsHeader;
  const float rmsd = FitControl.CurrentRmsd;
  for (const SerialRange& range : SerialFitSeries.Ranges) {
    float c = 0, sw = 0, ctot = 0;
    IntegrateDistribution(range.smin, range.smax, c, sw, ctot);
    const float mapp = CalculateM(sw);
    const float percent = ctot != 0.0f ? rmsd / ctot * 100.0f : 0.0f;
    summary.rows.push_back({range.smin, range.smax, c, ctot, sw, mapp, rmsd, percent});
    text += Formatted("%.3f %.3f  %f %f %.3f %.0f %f %.2f\n", double{range.smin},
                      double{range.smax}, double{c}, double{ctot}, double{sw}, double{mapp},
                      double{rmsd}, double{percent});
  }
  WriteText(set.Folder + "integrals" + set.Extension, text);
}

void WriteSummaries(const std::string& folder, const std::vector<ListSetSummary>& sets) {
  std::string summary = kListIntegralsHeader, ids;
  for (std::size_t n = 0; n < sets.size(); ++n) {
    const ListSetSummary& s = sets[n];
    summary += Formatted("#%d - %s: ", static_cast<int>(n + 1), s.listPath.c_str());
    ids += s.listPath + " ";
    if (s.maxedOut) {
      summary += "signal maxed out\n";
      for (std::size_t r = 0; r < SerialFitSeries.Ranges.size(); ++r) ids += " 0 0 0";
    } else if (s.rows.empty()) {
      summary += "no integrations\n";
    } else {
      for (const auto& r : s.rows) {
        summary += Formatted(
            "          %.3f - %.3f: c=%f (ctot = %f) sw=%.3f , Mapp=%.0f , rmsd = %f (rmsd/ctot = "
            "%.2f%%)                 \n",
            double{r.smin}, double{r.smax}, double{r.c}, double{r.ctot}, double{r.sw},
            double{r.mapp}, double{r.rmsd}, double{r.percent});
        ids += Formatted(" %f  %f %f", double{r.c}, double{r.sw}, double{r.mapp});
      }
    }
    summary += s.fdsLine;
    ids += "\n";
  }
  WriteText(folder + "summary.txt", summary);
  WriteText(folder + "idswsig.txt", ids);
}

// The "list.*" files of the folder, in name order.
std::vector<std::string> ListFilesIn(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (e.is_regular_file(ec) && platform::MatchesFilePattern(name, "list.*"))
      found.push_back(e.path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

bool SignalMaxedOut() {
  const auto& d = ScanDataSet;
  const auto& o = ScanReaderOptions;
  if (d.NFILES <= 0 || o.InterferenceData) return false;
  const bool absorbance = o.AbsorbanceData && !o.FluorescenceData && !o.IntensityData;
  const float limit = absorbance ? 1.8f : 3900.0f;
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
      const float r = d.ScanRadius[i][k];
      if (r > 6.9f && r < 7.0f) {
        if (d.ScanSignal[i][k] > limit) return true;
        break;
      }
    }
  return false;
}

void CmSerializeFitByCell(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0) return;
  FitDriverSettings.SerialFitInterrupted = false;
  const bool tiNoise = FitControl.TINoiseFitted;
  const bool riNoise = ModelParameters.RINoiseFitted;
  CellSeriesSettings c;
  bool timeStampCheckWasOn = false;
  {
    DialogBusyScope busy(window);
    if (LoadOptions.TimeStampCheckOn) {
      if (!Ask(window,
               "Need to switch off time stamp check - are all files corrected? Proceed? "
               "(Otherwise exit and do timestamp corrections first)"))
        return;
      timeStampCheckWasOn = true;
      LoadOptions.TimeStampCheckOn = false;
    }
    if (!AskCellSeries(window, c)) {
      LoadOptions.TimeStampCheckOn = timeStampCheckWasOn || LoadOptions.TimeStampCheckOn;
      SerialFitSeries.SerialFitRestoreParams = false;
      return;
    }
  }
  BuildFileNameList(0);
  BeginSeries();
  bool going = true;
  for (int cell = c.cellMin; going && cell <= c.cellMax; ++cell) {
    if (c.cells) SetListCellNumber(cell);
    for (int k = c.dirMin; going && k <= c.dirMax; ++k) {
      if (c.subfolders) SetListSubdirNumber(k);
      if (!LoadCellSet(window, c, k, tiNoise, riNoise)) continue;
      bool missing = false;
      going = RunSharedSerialStep(window, SerialCommand::ByCell, [&](const SetLocation& set) {
        CellSetResults(window, set, missing);
      });
      if (missing) going = false;
    }
  }
  EndSeries();
  if (timeStampCheckWasOn) LoadOptions.TimeStampCheckOn = true;
  RepaintMainWindow(window.Handle());
}

void CmSerializeFitByListFile(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0) return;
  const ModelKind kind = ModelSelection.Kind;
  if (!UsesStandardCSKernel(kind) && kind != ModelKind::CSWithOneDiscrete) {
    ShowOkBox(window, "currently only implemented for c(s) distribution analysis (please switch first)",
              kCaption);
    return;
  }
  auto& s = SerialFitSeries;
  const FluorescenceCorrectionsRecord fds = CorrectionOptions.Fluorescence;
  bool overwriteFds = false, overwriteRight = false, floatBottom = false, pelkoPlots = false;
  float right = ScanDataSet.FitRightLim;
  {
    DialogBusyScope busy(window);
    s.FitEachSet = Ask(window, "fit each set? \n(otherwise only run will be executed in each set)");
    s.SerialFitRestoreParams = Ask(window, "restore previous params if available?");
    if (s.SerialFitRestoreParams) overwriteFds = Ask(window, "overwrite FDS-related parameters?");
    overwriteRight = Ask(window, "overwrite FitRightLim?");
    if (overwriteRight && !AskFloat(window, right, right, "right lim position ")) {
      s.SerialFitRestoreParams = false;
      return;
    }
    if (overwriteFds && fds.ShadowOn) floatBottom = Ask(window, "always float bottom?");
    pelkoPlots = Ask(window, "PELKO dfr and c(s)?");
    if (!AskIntegrationRanges(window, false, 500.0f)) {
      s.SerialFitRestoreParams = false;
      return;
    }
  }
  s.StartParameterFile = DataFileLocation.TempParameterFilePath;
  const SetLocation series = LoadedSetLocation();
  const std::vector<std::string> lists = ListFilesIn(series.Folder.empty() ? "." : series.Folder);
  std::vector<ListSetSummary> summaries;
  BeginSeries();
  int count = 0;
  for (const std::string& list : lists) {
    ++count;
    DrawText(window, 300, 240, Formatted("#%d: next %s", count, list.c_str()));
    if (!ReadListFile(window.Handle(), list)) continue;
    RedrawSuppressed = true;
    ReloadFromList(window.Handle());
    BuildFileNameList(0);
    ListSetSummary summary;
    summary.listPath = list;
    if (SignalMaxedOut()) {
      summary.maxedOut = true;
      summaries.push_back(summary);
      WriteSummaries(series.Folder, summaries);
      continue;
    }
    const auto beforeRun = [&] {
      if (overwriteFds) CorrectionOptions.Fluorescence = fds;
      if (overwriteRight) {
        ScanDataSet.FitRightLim = right;
        SetLastFitIndex();
      }
      if (floatBottom) {
        UnpackParameterVector();
        ModelParameters.BottomFitted = 1;
        PackParameterVector();
      }
    };
    const bool going = RunSharedSerialStep(
        window, SerialCommand::ByListFile,
        [&](const SetLocation& set) {
          if (!WriteSerialDistribution(set.Folder + "distribution" + set.Extension)) return;
          WriteFf0File(set.Folder + "ff0" + set.Extension);
          // The monitoring tool shows each set's c(s) and its data, fit and
          // residuals as the series goes on.
          if (pelkoPlots) {
            CmPelkoCsPlot(window);
            CmPelkoDataFitResidualsPlot(window);
          }
          if (!s.Ranges.empty()) {
            WriteListIntegrals(set, summary);
            WriteMonteCarloIntegrals(window, set);
          }
          summary.fdsLine = FdsLine();
        },
        beforeRun);
    if (!going) break;
    summaries.push_back(summary);
    WriteSummaries(series.Folder, summaries);
    DrawText(window, 300, 200, Formatted("#%d: result from %s: ", count, list.c_str()));
  }
  EndSeries();
  CorrectionOptions.Fluorescence = fds;
  s.StartParameterFile.clear();
  const std::string summaryPath = series.Folder + "summary.txt";
  if (!summaries.empty()) platform::Current().OpenInTextEditor(summaryPath);
  RepaintMainWindow(window.Handle());
}

void RegisterSerialFitCommands(CommandTable& table) {
  AddCatalogued(table, 593, &CmSerializeFitByCell);
  AddCatalogued(table, 904, &CmSerializeFitByListFile);
}
