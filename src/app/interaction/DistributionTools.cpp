#include "app/interaction/DistributionTools.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/clipboard/ClipboardTables.h"
#include "app/commands/CommandTable.h"
#include "app/commands/DistributionCommands.h"
#include "app/eqtest/RealtimeUpdate.h"
#include "app/interaction/DistributionPeaks.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/options/OptionBoxes.h"
#include "app/options/PreferenceFile.h"
#include "app/options/ProgramOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "display/DistributionPlot.h"
#include "state/DistributionPlotState.h"
#include "distributions/DistributionIntegration.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"
#include "ui/Sounds.h"

IntegrationRangesRecord IntegrationRanges;

namespace {

constexpr int kUseRangesFileEntry = 10;  // line 11 of the preference file
constexpr int kUseRangesFileCommand = 644;

CWINPlot* DistributionPlot() {
  return display::DistributionPlots.DistributionPlot.get();
}

// The curve the plot shows: the projection of a two-dimensional display,
// else the distribution itself.
CCurve* DisplayedCurve() {
  auto& p = display::DistributionPlots;
  if (p.Dist2DCurve && DistributionPlotState.Dist2DShown) return p.Dist2DCurve.get();
  return p.DistCurve.get();
}

float LargestY(float x0, float x1, bool everywhere) {
  CCurve* curve = DisplayedCurve();
  float ymax = 0.0f;
  if (curve == nullptr || curve->x() == nullptr || curve->y() == nullptr) return ymax;
  const CVector& x = *curve->x();
  const CVector& y = *curve->y();
  for (unsigned i = 0; i < x.count() && i < y.count(); ++i)
    if (everywhere || (x[i] >= x0 && x[i] <= x1)) ymax = std::max(ymax, y[i]);
  return ymax;
}

void SetArrowCursor(TXLAWindow& window) {
  if (window.Host()) window.Host()->SetCursor(platform::CursorShape::Arrow);
}

bool StandardSTransformed() {
  return DistributionTransformed() || DistributionResult.DistAxisTransformed;
}

bool NotVanHoldeOrExtrapolation() {
  const ModelKind k = ModelSelection.Kind;
  return k != ModelKind::VanHoldeWeischet && k != ModelKind::ExtrapolateLsGStar;
}

std::string FolderOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

}  // namespace

void BeginDistributionIntegration(TXLAWindow& window) {
  auto& r = RangeSelection;
  auto& b = ScreenButtons;
  if (r.RangeRectangleArmed) {
    r.RangeRectangleActive = r.RangeRectangleArmed = r.IntegrationPending = r.RescalePending =
        false;
    if (b.IntegrateButton) PaintButtonNow(window, *b.IntegrateButton);
    SetArrowCursor(window);
    return;
  }
  if (b.PeakLabelCount > 0) ClearPeakLabels(&window);
  if (ProgramOptions.UseIntegrationRangesFile) {
    ToggleIntegrateButton();
    if (b.IntegrateButton) PaintButtonNow(window, *b.IntegrateButton);
    IntegrateRangesFromFile(window);
    return;
  }
  r.IntegrationPending = true;
  PromptRangeRectangle(window);
}

void PromptRangeRectangle(TXLAWindow& window) {
  if (DistributionPlot() == nullptr) return;
  if (ProgramOptions.WizardMessagesOn)
    ShowOkBox(window,
              "determine the range by drawing a rectangle while the right mouse button is down",
              RangeSelection.IntegrationPending ? "SELECT INTEGRATION RANGE" : "SELECT RANGE");
  if (window.Host()) window.Host()->SetCursor(platform::CursorShape::Cross);
  RangeSelection.RangeRectangleArmed = true;
}

void RescaleDistributionToRange(TXLAWindow& window, float x0, float x1) {
  RangeSelection.RescalePending = false;
  RangeSelection.RangeRectangleArmed = false;
  // Each reload of the realtime update builds the distribution plot anew:
  // the update re-applies this range after it.
  if (RealtimeState.Active) {
    RealtimeState.RescalePending = true;
    RealtimeState.RescaleX1 = x0;
    RealtimeState.RescaleX2 = x1;
  }
  CWINPlot* plot = DistributionPlot();
  if (plot == nullptr) return;
  const float ymax = LargestY(x0, x1, false);
  // A range without a positive value would fix y from 0 to 0, which the
  // plot refuses: the y range is then found automatically.
  if (ymax > 0)
    plot->SetRanges(x0, x1, 0.0f, ymax);
  else
    plot->SetXRangeAutoY(x0, x1);
  InvalidateMainWindow(window);
}

void CmFullscaleDistributionPlot(TXLAWindow& window) {
  RangeSelection.RescalePending = false;
  RangeSelection.RangeRectangleArmed = false;
  CWINPlot* plot = DistributionPlot();
  CCurve* curve = display::DistributionPlots.DistCurve.get();
  if (plot == nullptr || curve == nullptr || curve->x() == nullptr || curve->x()->count() == 0)
    return;
  const CVector& x = *curve->x();
  const float ymax = LargestY(0, 0, true);
  if (ymax > 0)
    plot->SetRanges(x[0], x[x.count() - 1], 0.0f, ymax);
  else
    plot->SetXRangeAutoY(x[0], x[x.count() - 1]);
  InvalidateMainWindow(window);
}

void CmIntegrateDistribution(TXLAWindow& window) {
  if (DistributionPlot() == nullptr || DlsDataMode || !NotVanHoldeOrExtrapolation() ||
      StandardSTransformed())
    return;
  ToggleIntegrateButton();
  if (ScreenButtons.IntegrateButton) PaintButtonNow(window, *ScreenButtons.IntegrateButton);
  BeginDistributionIntegration(window);
}

void CmDifferentialToIntegral(TXLAWindow& window) {
  if (DistributionPlot() == nullptr || DlsDataMode || !NotVanHoldeOrExtrapolation()) return;
  CumulativeDistribution();
  InvalidateMainWindow(window);
}

void CmRescaleDistributionPlot(TXLAWindow& window) {
  if (DistributionPlot() == nullptr) return;
  RangeSelection.RescalePending = true;
  PromptRangeRectangle(window);
}

void CmTransformCsToCm(TXLAWindow& window) {
  if (DistributionPlot() == nullptr) return;
  display::PlotMolarMassDistribution();
  InvalidateMainWindow(window);
}

void CmShowPeakMw(TXLAWindow& window) {
  const ModelKind k = ModelSelection.Kind;
  if (k == ModelKind::CSFf0 || k == ModelKind::CSFf0OneDiscrete) return;
  if (IsMolarMassGroup(k) && display::DistributionPlots.DistCurve) ShowPeakMwLabels(window);
}

void CmUseIntegrationRangesFromFile(TXLAWindow& window) {
  auto& o = ProgramOptions;
  if (o.UseIntegrationRangesFile) {
    o.UseIntegrationRangesFile = false;
    window.CheckMenuItem(kUseRangesFileCommand, false);
    if (AskYesNoBox(window, "switching off integration range from file - \nsave as default setting?",
                    "SET PREFERENCE"))
      WritePreferenceEntry(window, kUseRangesFileEntry, 0);
  } else {
    if (!SelectIntegrationRangeFile(window)) {
      ShowOkBox(window, "could not load distribution ranges from file", "SET DISTRIBUTION RANGE");
      PlayErrorSound();
      return;
    }
    o.UseIntegrationRangesFile = true;
    window.CheckMenuItem(kUseRangesFileCommand, true);
    if (AskYesNoBox(window,
                    "switching on integration range from file \n" + IntegrationRanges.RangeFile +
                        " \n - save as default setting?",
                    "SET PREFERENCE"))
      WritePreferenceEntry(window, kUseRangesFileEntry, 1);
  }
  PlayOkSound();
}

bool LoadIntegrationRanges() {
  auto& r = IntegrationRanges;
  std::ifstream settings(ProgramPaths.IntegrationRangeFile);
  if (!settings) {
    r.Loaded = false;
    return false;
  }
  std::string path;
  std::getline(settings, path);
  if (path.size() > 259) path.resize(259);
  r.RangeFile = path;
  r.Rows.assign(1, {0.0f, 0.0f});
  r.Count = 0;
  int count = 0;
  float** rows = std::filesystem::is_regular_file(path) ? ReadRowsFile(path, 2, count) : nullptr;
  if (rows != nullptr && count >= 1) {
    for (int i = 1; i <= count; ++i) r.Rows.push_back({rows[i][1], rows[i][2]});
    r.Count = count;
  }
  if (rows != nullptr) free_matrix(rows, 1, count, 1, 2);
  if (r.Count >= 1) {
    r.Loaded = true;
    return true;
  }
  platform::Current().ShowMessageBox({nullptr, "could not load distribution ranges from file " + path,
                                      "SET INTEGRATION RANGE", platform::BoxIcon::Error,
                                      platform::BoxButtons::Ok});
  r.Loaded = false;
  return false;
}

bool SelectIntegrationRangeFile(TXLAWindow& window) {
  platform::FileDialogRequest request;
  request.owner = window.Handle();
  request.title = "Select 2 col file with s-min/s-max pairs";
  request.filters = {{"dat files (*.dat*)", {"*.dat*"}}, {"All Files (*.*)", {"*.*"}}};
  request.initialFolder = FolderOf(IntegrationRanges.RangeFile);
  request.mustExist = true;
  bool chosen;
  {
    DialogBusyScope busy(window);
    chosen = platform::Current().ShowOpenFileDialog(request) && !request.chosen.empty();
  }
  if (!chosen) return false;
  std::ofstream settings(ProgramPaths.IntegrationRangeFile, std::ios::trunc);
  if (!settings) return false;
  settings << request.chosen.front();
  settings.close();
  return LoadIntegrationRanges();
}

bool IntegrateRangesFromFile(TXLAWindow& window) {
  if (!ProgramOptions.UseIntegrationRangesFile || !LoadIntegrationRanges()) return false;
  const auto& r = IntegrationRanges;
  std::string report =
      "automatic integration limits are switched on, using file " + r.RangeFile + ":\n";
  const int n = r.Count;
  std::vector<float> lo(static_cast<std::size_t>(n) + 1), hi(lo.size()), c(lo.size()),
      percent(lo.size()), sw(lo.size());
  float c1 = 0.0f;
  char line[512];
  for (int i = 1; i <= n; ++i) {
    const auto u = static_cast<std::size_t>(i);
    lo[u] = r.Rows[u][0];
    hi[u] = r.Rows[u][1];
    std::snprintf(line, sizeof line, "%d: from %.2fS to %0.2fS\n", i, static_cast<double>(lo[u]),
                  static_cast<double>(hi[u]));
    report += line;
    float total = 0;
    IntegrateDistribution(lo[u], hi[u], c[u], sw[u], total);
    if (i == 1) {
      c1 = c[u];
      percent[u] = 100.0f;
      std::snprintf(line, sizeof line,
                    "\t c = %.4f (this is considered total for following %% amounts), sw = %.3f\n",
                    static_cast<double>(c[u]), static_cast<double>(sw[u]));
    } else if (c1 > 0) {
      percent[u] = 100.0f * c[u] / c1;
      std::snprintf(line, sizeof line, "\t c = %.4f (%.2f%% of c in range #1), sw = %.3f\n",
                    static_cast<double>(c[u]), static_cast<double>(percent[u]),
                    static_cast<double>(sw[u]));
    } else {
      percent[u] = 0.0f;
      std::snprintf(line, sizeof line, "\t c = %.4f, sw = %.3f\n", static_cast<double>(c[u]),
                    static_cast<double>(sw[u]));
    }
    report += line;
  }
  std::string folder = DataFileLocation.DataFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::string path = folder + "integrals.dat";
  std::ofstream out(path, std::ios::trunc);
  if (!out) {
    PlayErrorSound();
    ShowOkBox(window, "could not open file " + path + " for writing", "ERROR",
              platform::BoxIcon::Error);
    return false;
  }
  out << report << ' ';
  out.close();
  if (!platform::Current().OpenInTextEditor(path))
    ShowOkBox(window, "no text editor could be started for " + path, "INTEGRATE DISTRIBUTION");
  const float* columns[] = {nullptr, hi.data(), c.data(), percent.data(), sw.data()};
  CopyColumnsToClipboard(window.Handle(), lo.data(), columns, 1, n, 4);
  return true;
}

void RegisterDistributionToolCommands(CommandTable& table) {
  table.Add(456, &CmIntegrateDistribution, false, "CmIntegrateDistribution");
  table.Add(460, &CmDifferentialToIntegral, false, "CmDifferentialToIntegral");
  table.Add(457, &CmRescaleDistributionPlot, false, "CmRescaleDistributionPlot");
  table.Add(458, &CmFullscaleDistributionPlot, false, "CmFullscaleDistributionPlot");
  table.Add(589, &CmTransformCsToCm, false, "CmTransformCsToCm");
  table.Add(608, &CmShowPeakMw, false, "CmShowPeakMw");
  table.Add(kUseRangesFileCommand, &CmUseIntegrationRangesFromFile, false,
            "CmUseIntegrationRangesFromFile");
}
