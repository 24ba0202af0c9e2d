#include "app/params/PriorKnowledgeCommands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/commands/CommandTable.h"
#include "app/commands/DistributionCommands.h"
#include "app/commands/RunFitCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "app/window/TXLAWindow.h"
#include "display/DistributionPlot.h"
#include "distributions/DistributionIntegration.h"
#include "distributions/PriorDialog.h"
#include "distributions/TwoPointPeak.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/PriorSettings.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

std::function<void(TXLAWindow&)> PriorKnowledgeRun;

namespace {

constexpr int kUsePriorItem = 529;
constexpr int kMaxPeaks = 10;
constexpr double kBaseWeight = 0.001;
const char* const kCaption = "REGULARIZATION";

bool IsFf0Model(ModelKind k) {
  return k == ModelKind::CSFf0 || k == ModelKind::CSFf0OneDiscrete;
}

// The continuous models whose distribution is a c(s)-like solution of the
// regularised fit (not a boundary transformation).
bool TakesDiscreteSpeciesPrior(ModelKind k) {
  using M = ModelKind;
  if (!IsContinuousModel(k) || IsVanHoldeWeischetFamily(k)) return false;
  return k != M::LsGStar && k != M::LsGStarOneDiscrete && k != M::HybridCSLsGStar &&
         k != M::ElectrophoresisLsGStar && k != M::ZoneLsGStar;
}

int GridSize() {
  const auto& r = DistributionResult;
  const int n = DistributionSettings.DistGridSize;
  const int held = static_cast<int>(std::min(r.DistSGrid.size(), r.DistValues.size())) - 1;
  return std::max(0, std::min(n, held));
}

// The abscissa the peaks are found on: the one the distribution plot shows.
const std::vector<float>& Axis() {
  const auto* source = display::DistributionPlots.XSource;
  return source ? *source : DistributionResult.DistSGrid;
}

void ClearTableFrom(int k) {
  if (k >= 1 && k <= PriorPeakCount)
    PriorSettings.PriorPeaks[static_cast<std::size_t>(k)] = {0.0, -1.0, 0.0};
}

void ReleaseProfile() {
  PriorProfileSourceRecord& src = PriorProfileSource;
  src.GjPriorGrid.clear();
  src.GjPriorValues.clear();
  src.GjPriorCount = 0;
}

std::string Format(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// Clears Gaussian k and every later one.
void ClearFf0GaussiansFrom(int k) {
  for (int j = k; j <= PriorPeakCount; ++j)
    PriorProfileSource.Ff0PriorPeaks[static_cast<std::size_t>(j)] = {};
}

void WriteReport(const std::string& report) {
  const std::filesystem::path path = std::filesystem::current_path() / "DiscInts.dat";
  std::ofstream out(path);
  if (!out) {
    ErrorBox("Could Not Open DiscInts.dat File");
    return;
  }
  out << report;
  out.close();
  if (!platform::Current().OpenInTextEditor(path.string()))
    ErrorBox("could not open " + path.string() + " in a text editor");
}

}  // namespace

void AskFf0PriorGaussians(TXLAWindow& window) {
  PriorSettingsRecord& s = PriorSettings;
  s.PriorOnFf0 = false;
  if (!AskYesNo(window, "assemble prior p(f/f0) from Gaussians?", kCaption)) return;
  s.PriorOnFf0 = true;
  auto& peaks = PriorProfileSource.Ff0PriorPeaks;
  for (int k = 1; k <= PriorPeakCount; ++k) {
    PriorPeak& g = peaks[static_cast<std::size_t>(k)];
    float position = static_cast<float>(g.Position);
    const bool positionGiven =
        AskFloat(window, position, position, "at (f/f0)-value", kCaption) && position != 0.0f;
    float width = static_cast<float>(2.0 * g.Width);
    const bool widthGiven =
        positionGiven && AskFloat(window, width, width, "width ", kCaption) && width != 0.0f;
    float enhancement = static_cast<float>(1000.0 * g.Amplitude);
    const bool amplitudeGiven =
        widthGiven &&
        AskFloat(window, enhancement, enhancement, "enhancement (default 10-100) ", kCaption) &&
        enhancement != 0.0f;
    if (!amplitudeGiven) {
      ClearFf0GaussiansFrom(k);
      break;
    }
    g = {position, width / 2.0, enhancement * 0.001};
  }
  const PriorPeak& first = peaks[1];
  if (first.Position == 0.0 || first.Width == 0.0 || first.Amplitude == 0.0) {
    ClearFf0GaussiansFrom(1);
    s.PriorOnFf0 = false;
  }
}

void CmPriorProbabilities(TXLAWindow& window) {
  if (AnswerHelp(window)) return;
  PriorSettingsRecord& s = PriorSettings;
  s.GjPriorImported = false;
  {
    DialogBusyScope busy(window);
    CmUsePriorProbabilities(window.Handle());
  }
  if (IsFf0Model(ModelSelection.Kind)) {
    s.PriorOnS = AskYesNo(window, "use prior probability?", kCaption);
    if (!s.PriorOnS) s.PriorOnFf0 = false;
    AskFf0PriorGaussians(window);
  }
  if (s.PriorOnS) s.DiscreteSpeciesPriorOn = false;
  window.CheckMenuItem(kUsePriorItem, s.PriorOnS || s.PriorOnFf0);
}

std::vector<DistributionPeak> DiscreteSpeciesPeaks() {
  std::vector<DistributionPeak> accepted;
  const auto& plots = display::DistributionPlots;
  if (!plots.DistCurve) return accepted;
  float xs[kMaxPeaks + 1] = {}, ys[kMaxPeaks + 1] = {};
  int indices[kMaxPeaks + 1] = {};
  const int count = plots.DistCurve->FindPeaks(xs, ys, indices, kMaxPeaks, 2);
  const auto& c = DistributionResult.DistValues;
  const int n = GridSize();
  for (int i = 1; i <= count; ++i) {
    const int k = indices[i];
    if (k < 1 || k > n) continue;
    const DistributionPeak peak = FindDistributionPeaks(k, 0.9f);
    if (peak.First < 1 || peak.Last > n) continue;
    const float top = c[static_cast<std::size_t>(k)];
    // A species stands apart: both flanks fall to half its height.
    if (c[static_cast<std::size_t>(peak.First)] > 0.5f * top ||
        c[static_cast<std::size_t>(peak.Last)] > 0.5f * top || !(peak.Fraction > 0.01f))
      continue;
    accepted.push_back(peak);
  }
  return accepted;
}

std::string DiscreteSpeciesReport(const std::vector<DistributionPeak>& peaks) {
  const auto& axis = Axis();
  const int n = GridSize();
  if (n < 1) return {};
  float total = 0.0f, sw = 0.0f, ctot = 0.0f;
  IntegrateDistribution(axis[1], axis[static_cast<std::size_t>(n)], total, sw, ctot);
  std::string report;
  float inPeaks = 0.0f;
  int number = 0;
  for (const DistributionPeak& peak : peaks) {
    float signal = 0.0f, peakSw = 0.0f, all = 0.0f;
    IntegrateDistribution(peak.SLo, peak.SHi, signal, peakSw, all);
    inPeaks += signal;
    const double percent = total != 0.0f ? 100.0 * signal / total : 0.0;
    report += Format("peak #%d: from %.2f - %.2fS, sw = %.3f, signal = %.3f (%.2f%%)\n", ++number,
                     static_cast<double>(peak.SLo), static_cast<double>(peak.SHi),
                     static_cast<double>(peakSw), static_cast<double>(signal), percent);
  }
  const double other = total != 0.0f ? 100.0 * (total - inPeaks) / total : 0.0;
  report += Format("\nOTHER MATERIAL:  %.2f%% (sw=%.2f)", other, static_cast<double>(sw));
  return report;
}

bool CmPriorKnowledgeOfDiscreteSpecies(TXLAWindow& window) {
  PriorSettingsRecord& s = PriorSettings;
  const bool tableOnly = s.PriorFromDistributionPeaks;
  const auto& plots = display::DistributionPlots;
  const int n = GridSize();
  if (!TakesDiscreteSpeciesPrior(ModelSelection.Kind) || !plots.DistributionPlot ||
      !plots.DistCurve || DistributionTransformed() || n < 4) {
    if (tableOnly) ClearTableFrom(1);
    return false;
  }
  const std::vector<DistributionPeak> peaks = DiscreteSpeciesPeaks();
  if (!tableOnly) ReleaseProfile();
  if (peaks.empty()) {
    s.DiscreteSpeciesPriorOn = false;
    if (tableOnly) ClearTableFrom(1);
    return false;
  }
  if (tableOnly) {
    // The dialog's peak table takes them as delta peaks of the found signal.
    int k = 0;
    for (const DistributionPeak& peak : peaks)
      if (++k <= PriorPeakCount) s.PriorPeaks[static_cast<std::size_t>(k)] = {peak.Sw, 0.0, peak.Signal};
    ClearTableFrom(k + 1);
  } else {
    s.DiscreteSpeciesPriorOn = true;
    s.PriorOnS = true;
    s.DiscreteSpeciesPriorOnce = false;
    PriorProfileSourceRecord& src = PriorProfileSource;
    const auto& axis = Axis();
    src.GjPriorGrid.assign(static_cast<std::size_t>(n) + 1, 0.0);
    src.GjPriorValues.assign(static_cast<std::size_t>(n) + 1, kBaseWeight);
    for (int j = 1; j <= n; ++j) src.GjPriorGrid[static_cast<std::size_t>(j)] = axis[static_cast<std::size_t>(j)];
    src.GjPriorCount = n;
    for (const DistributionPeak& peak : peaks)
      PlaceTwoPointPeak(src.GjPriorGrid.data(), src.GjPriorValues.data(), n, std::max(1, peak.First),
                        peak.Sw, peak.Signal);
  }
  if (IsFf0Model(ModelSelection.Kind)) AskFf0PriorGaussians(window);
  window.CheckMenuItem(kUsePriorItem, true);
  // The prior is a reference of the maximum entropy: that regularisation
  // is chosen with it, so the menu's marks say what the next run does.
  SelectRegularizationChecked(window, RegularizationChoice::MaxEnt);
  if (tableOnly) return true;

  if (PriorKnowledgeRun)
    PriorKnowledgeRun(window);
  else
    RunModelCommand(window);
  s.PriorOnS = false;
  s.DiscreteSpeciesPriorOnce = true;
  WriteReport(DiscreteSpeciesReport(peaks));
  return true;
}

bool ImportGJPrior(const std::string& path) {
  if (!TakesDiscreteSpeciesPrior(ModelSelection.Kind)) {
    ErrorBox("Error: Importing GJ Prior requires c(s) model to be active");
    return false;
  }
  const int n = GridSize();
  int rows = 0;
  float** columns = ReadColumnsFile(path, 2, rows);
  if (columns == nullptr || rows < 3) {
    if (columns != nullptr) free_matrix(columns, 1, 2, 1, rows);
    ErrorBox("Could Not Open MaxEnt Prior File");
    return false;
  }
  // Rows 1 .. rows - 2 are the profile from its far end; the last two rows
  // are the two boundaries' position and area.
  const int m = rows - 2;
  std::vector<double> ps(static_cast<std::size_t>(m) + 1), pv(static_cast<std::size_t>(m) + 1);
  for (int i = 1; i <= m; ++i) {
    ps[static_cast<std::size_t>(i)] = columns[1][m + 1 - i];
    pv[static_cast<std::size_t>(i)] = columns[2][m + 1 - i];
  }
  const double sA = columns[1][rows - 1], aA = columns[2][rows - 1];
  const double sB = columns[1][rows], aB = columns[2][rows];
  free_matrix(columns, 1, 2, 1, rows);
  ps[1] -= 0.0001;
  ps[static_cast<std::size_t>(m)] += 0.0001;

  const auto& axis = Axis();
  if (n < 4 || ps[static_cast<std::size_t>(m)] > axis[static_cast<std::size_t>(n - 2)] ||
      ps[1] < axis[3]) {
    ErrorBox("GJ boundary out of s-range");
    return false;
  }
  std::vector<double> grid(static_cast<std::size_t>(n) + 1), weights(static_cast<std::size_t>(n) + 1, 0.0);
  for (int j = 1; j <= n; ++j) grid[static_cast<std::size_t>(j)] = axis[static_cast<std::size_t>(j)];
  if (!PlaceTwoPointPeak(grid.data(), weights.data(), n, 1, sA, aA)) {
    ErrorBox("GJ boundary out of s-range");
    return false;
  }
  int inside = 0;
  for (int j = 1; j <= n; ++j)
    if (grid[static_cast<std::size_t>(j)] > ps[1] && grid[static_cast<std::size_t>(j)] < ps[static_cast<std::size_t>(m)])
      ++inside;
  if (inside > 1)
    InterpolateInsideDouble(n, grid.data(), weights.data(), m, ps.data(), pv.data());
  else if (!PlaceTwoPointPeak(grid.data(), weights.data(), n, 1, sB, aB)) {
    ErrorBox("GJ boundary out of s-range");
    return false;
  }
  PriorProfileSourceRecord& src = PriorProfileSource;
  src.GjPriorGrid = grid;
  src.GjPriorValues.assign(static_cast<std::size_t>(n) + 1, 0.0);
  for (int j = 1; j <= n; ++j)
    src.GjPriorValues[static_cast<std::size_t>(j)] = 0.01 * aB + weights[static_cast<std::size_t>(j)];
  src.GjPriorCount = n;
  return true;
}

void RegisterPriorKnowledgeCommands(CommandTable& table) {
  table.Add(529, &CmPriorProbabilities, true, "CmPriorProbabilities");
  table.Add(633, [](TXLAWindow& window) { CmPriorKnowledgeOfDiscreteSpecies(window); }, false,
            "CmPriorKnowledgeOfDiscreteSpecies");
}

void InstallPriorKnowledgeHooks(TXLAWindow& window) {
  PriorDialogLinks.PriorKnowledgeOfDiscreteSpecies = [&window](platform::WindowHandle) {
    CmPriorKnowledgeOfDiscreteSpecies(window);
  };
  PriorDialogLinks.ImportGJPrior = [](platform::WindowHandle, const std::string& path) {
    return ImportGJPrior(path);
  };
}
