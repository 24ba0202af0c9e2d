#include "app/datacmds/CopyCommands.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/clipboard/ClipboardTables.h"
#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "state/ModelSelection.h"
#include "app/scantools/BoundaryAnalysisCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/DisplayLinks.h"
#include "display/DistributionPlot.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "distributions/ContiGrid.h"
#include "distributions/PriorProfile.h"
#include "state/DistributionPlotFlags.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/PriorSettings.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "tools/BoundaryAnalysis.h"
#include "ui/Sounds.h"

namespace {

// A picture of 130 mm x 90 mm, as the clipboard's metafile picture states it.
constexpr int kPictureWidth = 13000;
constexpr int kPictureHeight = 9000;
// Point style of the scans of the data plot: filled circles; -1 draws lines.
constexpr int kScanPointStyle = 6;
constexpr int kLineStyle = -1;

void PutPicture(const platform::Metafile& picture) {
  if (picture.IsNull()) return;
  platform::Current().SetClipboardPicture(picture, kPictureWidth, kPictureHeight);
}

bool Loaded() {
  return ScanDataSet.NFILES > 0;
}

ModelKind Kind() {
  return ModelSelection.Kind;
}

bool DistributionModel() {
  return IsContinuousModel(Kind()) || IsVanHoldeWeischetFamily(Kind());
}

int ScanCurves(const CWINPlot& plot) {
  return std::min(ScanDataSet.NFILES, static_cast<int>(plot.pCurves.size()));
}

// The scan curves of the data and residual plots in black for one picture;
// the destructor gives them their colours back.
class BlackScans {
 public:
  explicit BlackScans(bool on) {
    if (!on) return;
    for (CWINPlot* plot : {display::MainPlots.DataPlot.get(), display::MainPlots.ResidualPlot.get()}) {
      if (!plot) continue;
      for (int i = 0; i < ScanCurves(*plot); ++i) {
        kept_.push_back({plot, i, plot->GetCurveColor(i)});
        plot->SetCurveColor(i, platform::Rgb(0, 0, 0));
      }
    }
  }
  ~BlackScans() {
    for (const Kept& k : kept_) k.plot->SetCurveColor(k.curve, k.color);
  }
  BlackScans(const BlackScans&) = delete;
  BlackScans& operator=(const BlackScans&) = delete;

 private:
  struct Kept {
    CWINPlot* plot;
    int curve;
    platform::Color color;
  };
  std::vector<Kept> kept_;
};

// Tables need fit limits: without them the whole cell counts.
void EnsureFitLimits() {
  auto& d = ScanDataSet;
  if (d.FitLeftLim != 0.0f && d.FitRightLim != 0.0f) return;
  d.FitLeftLim = ModelParameters.Meniscus;
  d.FitRightLim = ModelParameters.Bottom;
  SetFirstFitIndex();
  SetLastFitIndex();
}

// One column pair per scan over its fit range, or for interference data
// (which share their radii) one column per scan beside scan 1's radii.
void CopyScanArrays(ScanArrays ScanDataSetRecord::*values) {
  auto& d = ScanDataSet;
  const int n = d.NFILES;
  std::vector<const float*> x(static_cast<std::size_t>(n) + 1), y(x.size());
  std::vector<int> first(x.size()), last(x.size());
  for (int i = 1; i <= n; ++i) {
    const auto s = static_cast<std::size_t>(i);
    x[s] = d.ScanRadius[i].data();
    y[s] = (d.*values)[i].size() > 0 ? (d.*values)[i].data() : d.ScanSignal[i].data();
    first[s] = d.ScanFirstFitIndex[i];
    last[s] = d.ScanLastFitIndex[i];
  }
  if (ScanReaderOptions.InterferenceData) {
    CopyColumnsToClipboard(nullptr, x[1], y.data(), first[1], last[1], n, d.ScanTimeOrder.data());
  } else {
    CopyScanTable(nullptr, x.data(), y.data(), first.data(), last.data(), n,
                  d.ScanTimeOrder.data());
  }
}

void CopyScanTableCommand(TXLAWindow& window, ScanArrays ScanDataSetRecord::*values, bool sound) {
  if (!Loaded()) return;
  EnsureFitLimits();
  {
    loading::WaitCursor wait(window);
    CopyScanArrays(values);
  }
  if (sound) PlayOkSound();
}

// One column of values over an abscissa, rows 1..n.
void CopyOneColumn(const float* x, const float* values, int n) {
  const float* columns[2] = {nullptr, values};
  CopyColumnsToClipboard(nullptr, x, columns, 1, n, 1);
}

// The abscissa of a one-dimensional distribution: s for the s-based kinds,
// M for c(M) and its relatives (and the M(s)-table model shown over M).
const std::vector<float>& DistributionAbscissa() {
  const auto& r = DistributionResult;
  const ModelKind kind = Kind();
  if (kind == ModelKind::CSWithMsTable)
    return DistributionPlotFlags.DistShownAsMolarMass ? r.DistMGrid : r.DistSGrid;
  const bool onS = DistributionOnSAxis(kind) || kind == ModelKind::HybridCSLsGStar ||
                   UsesStandardCSKernel(kind) || IsVanHoldeWeischetFamily(kind);
  return onS ? r.DistSGrid : r.DistMGrid;
}

int GridPoints(const std::vector<float>& a, const std::vector<float>& b, int wanted) {
  const int have = static_cast<int>(std::min(a.size(), b.size())) - 1;
  return std::min(wanted, have);
}

// The extrapolation screen of the boundary analyses stands in the data
// plot's place: its picture is what the user sees there.
bool ExtrapolationScreen() {
  return ExtrapolationPlotShown() && display::MainDisplayLinks.ExtrapolationPlot &&
         ExtrapolationData.Exists();
}

// The extrapolation table: one row per scan at 1/sqrt(t) and a last row at
// infinite time (x = 0); each fraction's fitted line there (its intercept in
// the last row), then each fraction's measured s (0 in the last row).
void CopyExtrapolationTable() {
  const ExtrapolationDataRecord& e = ExtrapolationData;
  const int m = e.Rows, n = e.Fractions;
  std::vector<float> x(static_cast<std::size_t>(m) + 2, 0.0f);
  for (int k = 1; k <= m; ++k)
    x[static_cast<std::size_t>(k)] = static_cast<float>(1.0 / std::sqrt(e.Times[static_cast<std::size_t>(k)]));
  std::vector<std::vector<float>> values(static_cast<std::size_t>(2 * n) + 1,
                                         std::vector<float>(static_cast<std::size_t>(m) + 2, 0.0f));
  for (int j = 1; j <= n; ++j) {
    const auto jj = static_cast<std::size_t>(j);
    for (int k = 1; k <= m + 1; ++k) {
      const auto kk = static_cast<std::size_t>(k);
      values[jj][kk] = static_cast<float>(e.Intercepts[jj] + e.Slopes[jj] * x[kk]);
      if (k <= m) values[jj + static_cast<std::size_t>(n)][kk] = static_cast<float>(e.SValues[kk][jj]);
    }
  }
  std::vector<const float*> columns(static_cast<std::size_t>(2 * n) + 1, nullptr);
  for (int c = 1; c <= 2 * n; ++c) columns[static_cast<std::size_t>(c)] = values[static_cast<std::size_t>(c)].data();
  CopyColumnsToClipboard(nullptr, x.data(), columns.data(), 1, m + 1, 2 * n);
}

// The ls-g*(s) distribution of every step of the extrapolation, one column
// each over the s grid they share; false when no run left any.
bool CopyLsgStepDistributions(TXLAWindow& window) {
  const LsgStepDistributionsRecord& k = LsgStepDistributions;
  if (!k.Exist() || static_cast<int>(k.SGrid.size()) <= k.Points) return false;
  std::vector<const float*> columns(k.Values.size() + 1, nullptr);
  for (std::size_t c = 0; c < k.Values.size(); ++c) {
    if (static_cast<int>(k.Values[c].size()) <= k.Points) return false;
    columns[c + 1] = k.Values[c].data();
  }
  loading::WaitCursor wait(window);
  CopyColumnsToClipboard(nullptr, k.SGrid.data(), columns.data(), 1, k.Points,
                         static_cast<int>(k.Values.size()));
  return true;
}

}  // namespace

void CmCopyDataPlot(TXLAWindow& window) {
  if (ExtrapolationScreen()) {
    PutPicture(display::MainDisplayLinks.ExtrapolationPlot());
    return;
  }
  CWINPlot* data = display::MainPlots.DataPlot.get();
  if (!data) return;
  const bool lines =
      AskYesNoBox(window, "connect data points with lines?", "Copy Data Plot to Clipboard");
  std::vector<int> styles;
  for (int i = 0; i < ScanCurves(*data); ++i) {
    styles.push_back(data->GetCurveStyle(i));
    if (lines) data->SetCurveStyle(i, kLineStyle);
  }
  const bool black = AskYesNoBox(window, "Paint Black and White?", "Copy Data Plot to Clipboard");
  {
    BlackScans blackened(black);
    data->Render();
    PutPicture(data->hMetaFile);
  }
  // The scans get back the styles they had, also where the user had chosen
  // lines or dots of their own.
  for (int i = 0; i < static_cast<int>(styles.size()); ++i)
    data->SetCurveStyle(i, styles[static_cast<std::size_t>(i)]);
  data->Render();
}

void CmCopyResidualsPlot(TXLAWindow& window) {
  CWINPlot* residuals = display::MainPlots.ResidualPlot.get();
  if (!residuals) return;
  const bool black =
      AskYesNoBox(window, "Paint Black and White?", "Copy Residuals Plot to Clipboard");
  {
    BlackScans blackened(black);
    residuals->Render();
  }
  PutPicture(residuals->hMetaFile);
}

void CmCopyResidualsHistogram(TXLAWindow& window) {
  if (!MainDisplayOptions.ShowResidualsHistogram) {
    ShowOkBox(window, "sorry, needs to be switched on in Display menu first",
              "Copy Residuals Histogram to Clipboard");
    return;
  }
  CWINPlot* histogram = display::MainPlots.AuxPlot.get();
  if (!histogram) return;
  histogram->Render();
  PutPicture(histogram->hMetaFile);
}

void CmCopyDistributionPlot(TXLAWindow&) {
  CWINPlot* plot = display::DistributionPlots.DistributionPlot.get();
  if (!DistributionModel() || !plot) return;
  PutPicture(plot->hMetaFile);
  PlayOkSound();
}

void CmCopyDataTable(TXLAWindow& window) {
  if (ExtrapolationScreen()) return CopyExtrapolationTable();
  CopyScanTableCommand(window, &ScanDataSetRecord::ScanSignal, true);
}

void CmCopyFitDataTable(TXLAWindow& window) {
  if (ExtrapolationScreen()) return CopyExtrapolationTable();
  CopyScanTableCommand(window, &ScanDataSetRecord::ScanModel, true);
}

void CmCopyResidualsTable(TXLAWindow& window) {
  CopyScanTableCommand(window, &ScanDataSetRecord::ScanResiduals, false);
}

void CmCopyRINoiseTable(TXLAWindow& window) {
  auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  if (!Loaded() || !ModelParameters.RINoiseFitted || g.RINoise.size() < d.NFILES) return;
  EnsureFitLimits();
  {
    loading::WaitCursor wait(window);
    std::vector<float> times(static_cast<std::size_t>(d.NFILES) + 1), noise(times.size());
    for (int k = 1; k <= d.NFILES; ++k) {
      const int scan = d.ScanTimeOrder[k];
      times[static_cast<std::size_t>(k)] = static_cast<float>(d.ScanHeaders[scan].Time);
      noise[static_cast<std::size_t>(k)] = g.RINoise[scan];
    }
    CopyOneColumn(times.data(), noise.data(), d.NFILES);
  }
  PlayOkSound();
}

void CmCopyTINoiseTable(TXLAWindow& window) {
  const auto& g = CommonRadialGrid;
  if (!Loaded() || !FitControl.TINoiseFitted || g.CommonGridSize <= 0 ||
      g.TINoise.size() < g.CommonGridSize)
    return;
  EnsureFitLimits();
  {
    loading::WaitCursor wait(window);
    const float* columns[2] = {nullptr, g.TINoise.data()};
    CopyColumnsToClipboard(nullptr, g.CommonGrid, columns, g.GridFirstFitIndex,
                           g.GridLastFitIndex, 1);
  }
  PlayOkSound();
}

void CmCopyPriorKnowledgeTable(TXLAWindow& window) {
  const auto& r = DistributionResult;
  const auto& priors = DistributionGrid.PriorProbabilities;
  // The peaks' prior stays after its run (PriorOnS is then off again).
  if (!Loaded() || !DistributionModel() ||
      !(PriorSettings.PriorOnS || PriorSettings.DiscreteSpeciesPriorOn))
    return;
  const int n = DistributionSettings.DistGridSize;
  if (static_cast<int>(r.DistSGrid.size()) <= n || static_cast<int>(priors.size()) <= n) return;
  EnsureFitLimits();
  {
    loading::WaitCursor wait(window);
    // Held in double precision, written as single precision.
    std::vector<float> values(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i)
      values[static_cast<std::size_t>(i)] = static_cast<float>(priors[static_cast<std::size_t>(i)]);
    CopyOneColumn(r.DistSGrid.data(), values.data(), n);
  }
  PlayOkSound();
}

void CmCopyDistribution(TXLAWindow& window) {
  if (!Loaded() || !DistributionModel()) return;
  EnsureFitLimits();
  const auto& r = DistributionResult;
  const int n = DistributionSettings.DistGridSize;
  if ((Kind() == ModelKind::CSFf0 || Kind() == ModelKind::CSFf0OneDiscrete) &&
      AskYesNoBox(window, "2d distributions?", "")) {
    const auto& g = DistributionGrid;
    const int points = std::min({static_cast<int>(g.Grid2DS.size()), static_cast<int>(g.Grid2DM.size()),
                                 static_cast<int>(g.Grid2DFf0.size()), static_cast<int>(g.Grid2DD.size()),
                                 static_cast<int>(g.Grid2DStokesRadius.size()),
                                 static_cast<int>(r.Grid2DAmplitudes.size())}) - 1;
    if (points < 1) return;
    std::vector<float> rs(static_cast<std::size_t>(points) + 1);
    for (int k = 1; k <= points; ++k)
      rs[static_cast<std::size_t>(k)] = g.Grid2DStokesRadius[static_cast<std::size_t>(k)] * 1e9f;
    const float* columns[6] = {nullptr, g.Grid2DM.data(), g.Grid2DFf0.data(), g.Grid2DD.data(),
                               rs.data(), r.Grid2DAmplitudes.data()};
    {
      loading::WaitCursor wait(window);
      CopyColumnsToClipboard(nullptr, g.Grid2DS.data(), columns, 1, points, 5);
    }
    PlayOkSound();
    return;
  }
  const std::vector<float>* values = &r.DistValues;
  int rows = n;
  if (Kind() == ModelKind::ExtrapolateLsGStar) {
    if (AskYesNoBox(window, "ls-g*(s) distributions?", "")) {
      if (CopyLsgStepDistributions(window)) PlayOkSound();
      return;
    }
    // The integral distribution: one point per boundary fraction.
    rows = std::min(n, LsgExtrapolationSettings.Fractions);
  } else if (const auto& type = DistributionSettings.RegularizationType;
             type.BothRegularizations && !AskYesNoBox(window, "Max Ent distribution?", "")) {
    if (!AskYesNoBox(window, "Tikhonov distribution?", "")) return;
    values = &r.DistSecondValues;
  }
  const std::vector<float>& x = DistributionAbscissa();
  rows = GridPoints(x, *values, rows);
  if (rows < 1) return;
  {
    loading::WaitCursor wait(window);
    CopyOneColumn(x.data(), values->data(), rows);
  }
  PlayOkSound();
}

void RegisterCopyCommands(CommandTable& table) {
  AddCatalogued(table, 205, &CmCopyDataPlot);
  AddCatalogued(table, 206, &CmCopyResidualsPlot);
  AddCatalogued(table, 945, &CmCopyResidualsHistogram);
  AddCatalogued(table, 273, &CmCopyDistributionPlot);
  AddCatalogued(table, 258, &CmCopyDataTable);
  AddCatalogued(table, 259, &CmCopyFitDataTable);
  AddCatalogued(table, 260, &CmCopyResidualsTable);
  AddCatalogued(table, 632, &CmCopyPriorKnowledgeTable);
  AddCatalogued(table, 262, &CmCopyTINoiseTable);
  AddCatalogued(table, 261, &CmCopyRINoiseTable);
  AddCatalogued(table, 274, &CmCopyDistribution);
}
