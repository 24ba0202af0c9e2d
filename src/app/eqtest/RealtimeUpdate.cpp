#include "app/eqtest/RealtimeUpdate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/commands/NoiseCommands.h"
#include "app/eqtest/EqTestCommands.h"
#include "app/interaction/DistributionTools.h"
#include "app/interaction/InteractionState.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "data/LoadData.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "distributions/DistributionIntegration.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "equilibrium/EqTestSeries.h"
#include "state/FitControl.h"
#include "state/ParameterVector.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

RealtimeStateRecord RealtimeState;

namespace {

const char* const kCaption = "REALTIME MODE";
// Slot of the distribution's upper limit in the parameter vector.
constexpr int kSmaxSlot = 5;

bool Ask(TXLAWindow& window, const std::string& text, const char* caption) {
  return platform::Current().ShowMessageBox({window.Handle(), text, caption,
                                             platform::BoxIcon::Question,
                                             platform::BoxButtons::YesNo}) ==
         platform::BoxAnswer::Yes;
}

void Tell(TXLAWindow& window, const std::string& text, const char* caption) {
  platform::Current().ShowMessageBox({window.Handle(), text, caption,
                                      platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

bool TestMode() { return LoadOptions.EqTestMode; }

std::string FolderOfData() {
  const std::string& f = DataFileLocation.DataFolder;
  if (f.empty() || f.back() == '/') return f;
  return f + "/";
}

std::string NumberedFile(int number, const std::string& extension) {
  return FolderOfData() + FormatText("%05d", number) + extension;
}

// Appends the files from number on, up to the first missing one.
void CollectFrom(int number, const std::string& extension, int& count) {
  auto& r = RealtimeState;
  for (int j = number; j <= kRealtimeHighestNumber && count < kRealtimeHighestNumber; ++j) {
    const std::string path = NumberedFile(j, extension);
    if (!FileExists(path)) break;
    r.FilePaths[static_cast<std::size_t>(++count)] = path;
  }
}

bool MassGridModel(ModelKind k) {
  return k == ModelKind::ContinuousCM || k == ModelKind::CMInvariantD ||
         k == ModelKind::CMVariant278 || k == ModelKind::CMPriorVbar ||
         k == ModelKind::FMScalingLaw;
}

// Models whose grid begins with an extra point of their discrete part; the
// hybrid c(s)/ls-g*(s) model has one only with its extra discrete species.
bool ThirdPointIsFirst(ModelKind k) {
  return k == ModelKind::CSWithOneDiscrete || k == ModelKind::LsGStarOneDiscrete ||
         k == ModelKind::CSWithMsTable || k == ModelKind::NonidealCS ||
         (k == ModelKind::HybridCSLsGStar && DistributionSettings.HybridIncludesDiscrete);
}

std::string Clock(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  return FormatText("%02dh:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
}

void WriteStatusLines(std::time_t now) {
  auto& r = RealtimeState;
  r.StatusLine1 = "IN REALTIME UPDATE MODE. PRESS ANY KEY TO INTERRUPT.";
  r.StatusLine2 = "Last changed at " + Clock(r.LastChange) + ", last checked at " + Clock(now) + ".";
}

void AfterReloadOutsideTest(TXLAWindow& window) {
  CmSubtractAllSystematicNoise(window);
  CheckRunTemperature(window);
  if (IsContinuousModel(ModelSelection.Kind)) {
    AdjustDistributionRangeRealtime();
    auto& r = RealtimeState;
    if (r.RescalePending) RescaleDistributionToRange(window, r.RescaleX1, r.RescaleX2);
  }
}

}  // namespace

int RealtimeListStep(int first, int count, int filesPerLoad) {
  if (filesPerLoad < 1) filesPerLoad = 1;
  const int span = count - first;
  if (span <= 0) return 0;
  return (span + filesPerLoad - 1) / filesPerLoad;
}

float SmaxFactorForTailShare(float ratio) {
  if (ratio < 0.001f) return 0.9f;
  if (ratio > 0.03f) return 1.5f;
  return 1.0f;
}

bool ScanDataFolderForNewFiles() {
  auto& r = RealtimeState;
  if (r.FilePaths.size() < static_cast<std::size_t>(kRealtimeHighestNumber) + 2)
    r.FilePaths.assign(static_cast<std::size_t>(kRealtimeHighestNumber) + 2, std::string());
  if (!TestMode()) {
    const std::string extension = DataFileLocation.Extension;
    for (int j = std::max(r.Size, 1); j <= kRealtimeHighestNumber; ++j) {
      const std::string path = NumberedFile(j, extension);
      if (!FileExists(path)) {
        r.FilePaths[static_cast<std::size_t>(j)].clear();
        break;
      }
      r.FilePaths[static_cast<std::size_t>(j)] = path;
      r.Count = j;
    }
  } else {
    int count = 0;
    const auto& groups = EqTestSeries.Extensions;
    for (const ExtensionGroup& g : groups) CollectFrom(std::max(g.SmallestNumber, 1), g.Extension, count);
    if (r.AllCells && !groups.empty() && groups.front().Extension.size() >= 3) {
      const std::string stem = groups.front().Extension.substr(0, 3);
      for (char cell = '1'; cell <= '8'; ++cell) {
        const std::string extension = stem + cell;
        bool known = false;
        for (const ExtensionGroup& g : groups) known = known || g.Extension == extension;
        if (!known) CollectFrom(1, extension, count);
      }
    }
    r.Count = count;
  }
  if (r.Count > r.Size) {
    r.Size = r.Count;
    return true;
  }
  return false;
}

std::vector<std::string> BuildRealtimeFileList() {
  const auto& r = RealtimeState;
  std::vector<std::string> selection{FolderOfData()};
  const int first = TestMode() ? 1 : std::max(r.FirstNumber, 1);
  for (int j = first; j <= r.Count && j < static_cast<int>(r.FilePaths.size()); ++j) {
    const std::string& path = r.FilePaths[static_cast<std::size_t>(j)];
    if (path.empty()) continue;
    const PathParts parts = SplitPath(path);
    selection.push_back(parts.Name + parts.Extension);
  }
  return selection;
}

bool PollAndReloadData(TXLAWindow& window) {
  auto& r = RealtimeState;
  const bool fresh = ScanDataFolderForNewFiles();
  if (!fresh && (TestMode() || !r.RangeChanged)) return false;
  const std::vector<std::string> selection = BuildRealtimeFileList();
  if (selection.size() < 2) return false;
  ScanDataSet.ListStep =
      TestMode() ? 1 : RealtimeListStep(r.FirstNumber, r.Count, r.FilesPerLoad);
  LoadAllData(window.Handle(), selection);
  return true;
}

void CheckRunTemperature(TXLAWindow& window) {
  auto& r = RealtimeState;
  const auto& d = ScanDataSet;
  if (r.TemperatureWarned || d.NFILES < 1) return;
  const float first = d.ScanHeaders[d.ScanTimeOrder[1]].Temperature;
  for (int k = 2; k <= d.NFILES; ++k)
    if (std::fabs(d.ScanHeaders[d.ScanTimeOrder[k]].Temperature - first) >= 1.0f) {
      Tell(window, "temperature fluctuations > 1 C, convection likely, restarting run should be "
                   "considered", "");
      r.TemperatureWarned = true;
      return;
    }
}

void AdjustDistributionRangeRealtime() {
  auto& r = RealtimeState;
  const ModelKind kind = ModelSelection.Kind;
  if (!IsContinuousModel(kind) || r.NoAutoAdjust || IsVanHoldeWeischetFamily(kind)) return;
  const std::vector<float>& grid =
      MassGridModel(kind) ? DistributionResult.DistMGrid : DistributionResult.DistSGrid;
  const int n = static_cast<int>(grid.size()) - 1;  // one-based
  const int low = ThirdPointIsFirst(kind) ? 3 : 2;
  if (n < low + 1 || n < 2) return;
  float total = 0, average = 0, all = 0, tail = 0;
  IntegrateDistribution(grid[static_cast<std::size_t>(low)], grid[static_cast<std::size_t>(n)],
                        total, average, all);
  IntegrateDistribution(grid[static_cast<std::size_t>(n - 1)], grid[static_cast<std::size_t>(n)],
                        tail, average, all);
  r.TotalArea = total;
  r.TailArea = tail;
  if (total == 0.0f) return;
  r.TailRatio = tail / total;
  const float factor = SmaxFactorForTailShare(r.TailRatio);
  if (factor == 1.0f) {
    r.RangeChanged = false;
    return;
  }
  DistributionSettings.Smax *= factor;
  ParameterVector[kSmaxSlot] = DistributionSettings.Smax;
  r.NewSmax = DistributionSettings.Smax;
  r.RangeChanged = true;
}

void CmRealtimeUpdateOfFiles(TXLAWindow& window) {
  auto& r = RealtimeState;
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0 || r.Active) return;
  if (TestMode()) {
    r.FilesPerLoad = kRealtimeHighestNumber;
    r.KeepGoing = Ask(window, "keep going automatically with using default fitting limits for all "
                              "new series?", "EQ TEST");
    r.AllCells = Ask(window, "load data from all cells?", "EQ TEST");
  } else {
    float value = static_cast<float>(r.FilesPerLoad);
    if (!InputFloat(value, value, true, "maximal total number of files to load at once", kCaption))
      return;
    // The list step divides by this number.
    if (!(std::floor(value) >= 1.0f)) {
      Tell(window, "at least one file must be loaded at once", kCaption);
      return;
    }
    r.FilesPerLoad = static_cast<int>(std::min(std::floor(value), 1e6f));
  }
  window.CheckMenuItem(540, true);
  if (!TestMode()) {
    HoverState.ScanPickingOn = true;
    r.NoAutoAdjust = IsContinuousModel(ModelSelection.Kind) &&
                     !Ask(window, "auto adjust distribution range?", kCaption);
  }
  r.FilePaths.assign(static_cast<std::size_t>(kRealtimeHighestNumber) + 2, std::string());
  r.Active = true;
  LoadOptions.RealtimeModeActive = true;
  if (TestMode()) {
    int total = 0;
    for (const auto& s : EqTestSeries.Series) total += static_cast<int>(s.Scans.size());
    r.Count = r.Size = total;
    r.TemperatureWarned = true;
  } else {
    r.FirstNumber = ScanFileNumber(d.ScanFilePaths[d.ScanTimeOrder[1]]);
    r.Count = r.Size = r.FirstNumber;
    r.TemperatureWarned = false;
  }
  r.RangeChanged = false;
  r.LastChange = std::time(nullptr);
  r.InTick = true;
  PollAndReloadData(window);
  RunModel(window.Handle());
  if (!TestMode()) {
    AfterReloadOutsideTest(window);
    r.RescalePending = false;
  }
  r.InTick = false;
  FitControl.FitAbort = false;
  r.StopRequested = false;
  KeyInterruptPending = false;
  r.TimerHandlingOff = false;
  WriteStatusLines(std::time(nullptr));
  if (window.Host()) window.Host()->SetTimer(kRealtimeTimerId, kRealtimeIntervalMs);
  InvalidateMainWindow(window);
}

void CmStopRealtimeUpdate(TXLAWindow& window) {
  auto& r = RealtimeState;
  if (window.Host()) window.Host()->KillTimer(kRealtimeTimerId);
  r.Active = false;
  LoadOptions.RealtimeModeActive = false;
  r.FilePaths.clear();
  HoverState.ScanPickingOn = false;
  window.CheckMenuItem(540, false);
  InvalidateMainWindow(window);
}

void RealtimeTimer(TXLAWindow& window, int timerId) {
  auto& r = RealtimeState;
  if (r.TimerHandlingOff || timerId != kRealtimeTimerId || !r.Active) return;
  // A reload frees the data set a running tick works on: no tick (or key)
  // enters while one runs, and the timer waits meanwhile.
  if (r.InTick) {
    if (KeyInterruptPending) r.StopRequested = true;
    return;
  }
  r.InTick = true;
  if (window.Host()) window.Host()->KillTimer(kRealtimeTimerId);
  const std::time_t now = std::time(nullptr);
  if (FitControl.FitAbort) r.StopRequested = true;
  if (!r.StopRequested) {
    if (PollAndReloadData(window)) {
      r.LastChange = now;
      RunModel(window.Handle());
      PlayOkSound();
      if (!r.StopRequested && !TestMode()) AfterReloadOutsideTest(window);
    } else {
      InvalidateMainWindow(window);
      if (!TestMode()) CmShowLastFitInfo(window);
    }
    WriteStatusLines(now);
    const bool key = KeyInterruptPending.exchange(false) || InterruptRequested(window.Handle());
    if (key || LoadOptions.RealtimeLoadFailed)
      r.StopRequested = true;
  }
  r.InTick = false;
  if (r.StopRequested) {
    r.TimerHandlingOff = true;
    PlayOkSound();
    Tell(window, "realtime update stopped by user interrupt", "");
    CmStopRealtimeUpdate(window);
    LoadOptions.RealtimeLoadFailed = false;
    return;
  }
  if (window.Host()) window.Host()->SetTimer(kRealtimeTimerId, kRealtimeIntervalMs);
}

void RealtimeKeyDown(TXLAWindow& window) {
  if (!RealtimeState.Active) return;
  KeyInterruptPending = true;
  RealtimeTimer(window, kRealtimeTimerId);
}

void PaintRealtimeStatus(platform::Canvas& dc) {
  const auto& r = RealtimeState;
  if (!r.Active) return;
  dc.SetTextAlign({platform::HAlign::Left, platform::VAlign::Top});
  dc.TextOut({500, 30}, r.StatusLine1);
  dc.TextOut({500, 50}, r.StatusLine2);
}
