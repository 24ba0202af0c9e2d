#include "app/serial/MonitorSerialFit.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/serial/SerialFitStep.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/FilePathParts.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "tools/PlotExports.h"
#include "tools/SvdfrExport.h"
#include "ui/Boxes.h"

SerialFitSetsRecord SerialFitSets;
MonitorToolRecord MonitorTool;

namespace {

const char* const kCaption = "SERIALIZE FIT";
// As many files as one load takes.
constexpr int kMaxFilesPerSet = 1000;

std::string Formatted(const char* format, auto... values) {
  char text[1200];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

bool StartTool(const std::string& program, const std::vector<std::string>& arguments) {
  if (MonitorTool.Start) return MonitorTool.Start(program, arguments);
  return platform::Current().StartProgram(program, arguments);
}

// Moves an existing file out of the way, to the first free numbered name.
bool MoveAside(TXLAWindow& window, const std::string& path, int& number) {
  if (!Exists(path)) return true;
  const std::string target = NumberedFreeName(path, number);
  std::error_code ec;
  std::filesystem::rename(path, target, ec);
  if (!ec) return true;
  return AskYesNoBox(window,
                     Formatted("could not rename existing %s to %s - proceed?", path.c_str(),
                               target.c_str()),
                     kCaption);
}

// Waits for the tool's list file in steps, a key press ending the wait.
bool WaitForListFile(TXLAWindow& window) {
  loading::WaitCursor wait(window);
  for (int n = 0; n < MonitorTool.WaitCount; ++n) {
    if (Exists(SerialFitSets.ListFile)) return true;
    if (WaitForKeyDown(window.Handle(), MonitorTool.WaitSeconds)) break;
  }
  return Exists(SerialFitSets.ListFile);
}

std::vector<std::string> Fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string f; in >> f;) fields.push_back(f);
  return fields;
}

bool WholeNumber(const std::string& text, int& value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || v < -1000000 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

void WriteList(const std::string& path, const std::string& folder,
               const std::vector<std::string>& names) {
  std::string text = "newformat n=1\n" + folder + "\n";
  for (const std::string& n : names) text += n + "\n";
  if (std::FILE* f = std::fopen(path.c_str(), "w")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

}  // namespace

std::string MonitorToolPath() {
  if (!MonitorTool.ConfiguredPath.empty()) return MonitorTool.ConfiguredPath;
  if (const char* configured = std::getenv("TALUVO_PELKO"); configured && *configured)
    return configured;
  return ProgramPaths.InstallationFolder + "PELKO/PELKO";
}

std::string NumberedFreeName(const std::string& path, int& start) {
  const PathParts p = SplitPath(WithForwardSlashes(path));
  for (int n = std::max(start, 1);; ++n) {
    PathParts q = p;
    q.Name += "(" + std::to_string(n) + ")";
    const std::string candidate = MergePath(q);
    if (!Exists(candidate)) {
      start = n;
      return candidate;
    }
  }
}

bool SerializeFitMonitor(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0) return false;
  DialogBusyScope busy(window);
  if (!AskYesNoBox(window,
                   "Are currently loaded data part of the series, and analyzed as the series "
                   "should be?",
                   kCaption)) {
    ShowOkBox(window, "please load first data set and analyze manually, then invoke serialization",
              kCaption);
    return false;
  }
  const ModelKind kind = ModelSelection.Kind;
  if (!UsesStandardCSKernel(kind) && kind != ModelKind::CSWithOneDiscrete) {
    ShowOkBox(window, "sorry, currently only envisioned for c(s)", kCaption);
    return false;
  }
  const std::string tool = MonitorToolPath();
  if (!Exists(tool)) {
    ShowOkBox(window, Formatted("sorry, could not find PELKO file at %s", tool.c_str()), kCaption);
    return false;
  }
  BuildFileNameList(0);
  auto& s = SerialFitSets;
  const std::string first = FileNameList.Count > 0 ? FileNameList.Paths[1] : std::string();
  s.SeriesFolder = FolderOf(SplitPath(first)) + "/";
  s.ExistingLists =
      ScanReaderOptions.FluorescenceData ||
      AskYesNoBox(window,
                  "look for existing series of lists? (otherwise they will be assembled by scan "
                  "numbers)",
                  kCaption);
  s.ListFile = s.SeriesFolder + (s.ExistingLists ? "listOfLists.txt" : "toBeProcessed.txt");
  int number = 1;
  if (!MoveAside(window, s.ListFile, number)) return false;
  if (!MoveAside(window, s.SeriesFolder + "SerialFit.pptx", number)) return false;
  std::string folder = s.SeriesFolder;
  folder.pop_back();
  StartTool(tool, {"--cofs", s.ExistingLists ? "--watchlist" : "--watch", folder});
  ShowOkBox(window, "now please work with PELKO to select sets and press 'begin', then press OK here",
            kCaption);
  if (WaitForListFile(window)) return true;
  ShowOkBox(window,
            Formatted("oops - can't seem to find %s ... sorry, stopping here", s.ListFile.c_str()),
            kCaption);
  return false;
}

bool ReadSerialFitLists(TXLAWindow& window) {
  auto& s = SerialFitSets;
  s.Sets.clear();
  std::FILE* f = std::fopen(s.ListFile.c_str(), "r");
  if (!f) {
    ErrorBox(Formatted("\nAttention: could not open %s", s.ListFile.c_str()));
    return false;
  }
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  std::fclose(f);
  // Every non-empty line is a set, the last one too when no line end follows it.
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> fields = Fields(line);
    if (fields.empty()) continue;
    if (s.ExistingLists) {
      if (fields.size() != 1) {
        ErrorBox(Formatted("parsing error of %s", s.ListFile.c_str()));
        return false;
      }
      const PathParts p = SplitPath(WithForwardSlashes(fields[0]));
      s.Sets.push_back({fields[0], p.Name + p.Extension});
      continue;
    }
    int first = 0, last = 0, step = 0;
    if (fields.size() != 5 || !WholeNumber(fields[2], first) || !WholeNumber(fields[3], last) ||
        !WholeNumber(fields[4], step)) {
      ErrorBox(Formatted("parsing error of %s", s.ListFile.c_str()));
      return false;
    }
    std::string listPath;
    if (!BuildSerialScanNames(window, listPath, fields[0], fields[1], first, last, step)) {
      ErrorBox(Formatted("problem creating list #%d: %s %s %d %d %d",
                          static_cast<int>(s.Sets.size()) + 1, fields[0].c_str(), fields[1].c_str(),
                          first, last, step));
      break;
    }
    s.Sets.push_back({listPath, fields[0] + fields[1]});
  }
  return !s.Sets.empty();
}

bool BuildSerialScanNames(TXLAWindow&, std::string& listPath, const std::string& stem,
                          const std::string& extension, int first, int last, int step) {
  const std::string& folder = SerialFitSets.SeriesFolder;
  const std::string prefix = stem == "None" ? std::string() : stem;
  auto name = [&](int k) { return Formatted("%s%05d.%s", prefix.c_str(), k, extension.c_str()); };
  std::vector<std::string> names;
  bool lastFound = false;
  for (int k = first; k <= last;) {
    if (Exists(folder + name(k))) {
      if (static_cast<int>(names.size()) >= kMaxFilesPerSet) {
        ErrorBox(Formatted("\nAttention: too many files in set %d",
                           static_cast<int>(SerialFitSets.Sets.size()) + 1));
        break;
      }
      names.push_back(name(k));
      if (k == last) {
        lastFound = true;
        break;
      }
      k = std::min(k + std::max(step, 1), last);
    } else {
      ++k;
    }
  }
  if (!lastFound && names.size() < 2) {
    ErrorBox(Formatted("problem creating list %s: only %d files found", (prefix + extension).c_str(),
                       static_cast<int>(names.size())));
    return false;
  }
  listPath = folder + "serial_list_" + prefix + "_" + extension + "_" + std::to_string(first) +
             "_" + std::to_string(last) + ".txt";
  WriteList(listPath, folder, names);
  return true;
}

void RunSerialFitSet(TXLAWindow& window) {
  auto& series = SerialFitSeries;
  const FluorescenceCorrectionsRecord fds = CorrectionOptions.Fluorescence;
  const bool fluorescence = ScanReaderOptions.FluorescenceData;
  bool overwriteFds = false, overwriteRight = false, floatBottom = false;
  float right = ScanDataSet.FitRightLim;
  {
    DialogBusyScope busy(window);
    series.FitEachSet =
        AskYesNoBox(window, "fit each set? \n(otherwise only run will be executed in each set)", kCaption);
    series.SerialFitRestoreParams =
        AskYesNoBox(window, "restore previous params if available?", kCaption);
    if (fluorescence && series.SerialFitRestoreParams)
      overwriteFds = AskYesNoBox(window, "overwrite FDS-related parameters?", kCaption);
    if (series.SerialFitRestoreParams) {
      overwriteRight = AskYesNoBox(window, "overwrite FitRightLim?", kCaption);
      if (overwriteRight &&
          !InputFloatIn(window.Handle(), right, right, true, "right lim position ", kCaption))
        overwriteRight = false;
    }
    if (fluorescence && overwriteFds && fds.ShadowOn)
      floatBottom = AskYesNoBox(window, "always float bottom?", kCaption);
  }
  series.Ranges.clear();
  series.SerialFitMonteCarlo = false;
  series.StartParameterFile = DataFileLocation.TempParameterFilePath;
  BeginSeries();
  for (SerialFitSet& set : SerialFitSets.Sets) {
    if (!ReadListFile(window.Handle(), set.ListPath)) continue;
    RedrawSuppressed = true;
    ReloadFromList(window.Handle());
    BuildFileNameList(0);
    const auto beforeRun = [&] {
      if (overwriteFds) CorrectionOptions.Fluorescence = fds;
      if (overwriteRight) {
        ScanDataSet.FitRightLim = right;
        SetLastFitIndex();
      }
      if (floatBottom) ModelParameters.BottomFitted = 1;
    };
    const bool going = RunSharedSerialStep(
        window, SerialCommand::Monitor,
        [&](const SetLocation& where) {
          WriteSerialDistribution(where.Folder + "distribution" + where.Extension);
          WriteSvdfrData(where.Folder + "dfr" + set.Label + ".txt");
          WriteDistributionFile(true, where.Folder + "dist" + set.Label + ".txt");
          set.Rmsd = FitControl.CurrentRmsd;
          set.Meniscus = ModelParameters.Meniscus;
          set.FrictionalRatio = DistributionSettings.StartingFrictionalRatio;
        },
        beforeRun);
    if (!going) break;
  }
  EndSeries();
  CorrectionOptions.Fluorescence = fds;
  series.StartParameterFile.clear();
}

bool WriteSerialFitSummary(TXLAWindow&) {
  auto& s = SerialFitSets;
  const std::string path = s.SeriesFolder + "distFinis.txt";
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) {
    ErrorBox(Formatted("\nAttention: could not open %s - please create manually to stop PELKO's watch",
                       path.c_str()));
    return false;
  }
  for (const SerialFitSet& set : s.Sets)
    std::fprintf(f, "%s\t%f\t%f\t%f\n", set.Label.c_str(), static_cast<double>(set.Rmsd),
                 static_cast<double>(set.Meniscus), static_cast<double>(set.FrictionalRatio));
  std::fclose(f);
  s.Sets.clear();
  return true;
}

void CmSerializeFitWithMonitor(TXLAWindow& window) {
  if (!SerializeFitMonitor(window) || !ReadSerialFitLists(window)) return;
  RunSerialFitSet(window);
  WriteSerialFitSummary(window);
  RepaintMainWindow(window.Handle());
}

void RegisterMonitorSerialFitCommands(CommandTable& table) {
  AddCatalogued(table, 923, &CmSerializeFitWithMonitor);
}
