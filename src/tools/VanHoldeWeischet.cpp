// The van Holde-Weischet analysis: every boundary divided into fractions of
// equal signal height between the baseline and the scan's plateau, the
// apparent s of each fraction extrapolated against 1/sqrt(t).

#include <algorithm>
#include <cmath>
#include <numbers>

#include "state/ModelSelection.h"
#include "data/DataSetServices.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "tools/BoundaryAnalysis.h"

namespace {

constexpr const char* kCaption = "Van Holde Weischet Analysis";
constexpr double kAverageWindow = 0.05;  // cm, for baseline and plateaus

bool Flotation() {
  return ModelSelection.VanHoldeWeischetFlotation;
}

void Message(const std::string& text) {
  platform::Current().ShowMessageBox(
      {nullptr, text, kCaption, platform::BoxIcon::None, platform::BoxButtons::Ok});
}

// The mean signal of scan i from index `from` stepping by `step` while the
// radius stays within w of the start; never leaves the scan.
double WindowMean(int i, int from, int step, double w) {
  const auto& d = ScanDataSet;
  const int n = d.ScanPointCount[i];
  from = std::clamp(from, 1, n);
  const double r0 = d.ScanRadius[i][from];
  double sum = 0.0;
  int count = 0;
  for (int k = from; k >= 1 && k <= n && std::fabs(d.ScanRadius[i][k] - r0) <= w; k += step) {
    sum += d.ScanSignal[i][k];
    ++count;
  }
  return count > 0 ? sum / count : 0.0;
}

double VhwBaseline(double w) {
  const auto& d = ScanDataSet;
  const int i = d.ScanTimeOrder[d.NFILES];
  return Flotation() ? WindowMean(i, d.ScanLastFitIndex[i], -1, w)
                     : WindowMean(i, d.ScanFirstFitIndex[i], 1, w);
}

struct Vhw {
  int r = 0;
  double baseline = 0.0;
  std::vector<double> plateau;             // [scan]
  std::vector<std::vector<double>> radius;  // [scan][1..r]
  std::vector<std::vector<double>> sApp;    // [scan][1..r]
  std::vector<double> intercepts, slopes;   // [1..r]
};

void VhwPlateau(Vhw& v, double w) {
  const auto& d = ScanDataSet;
  v.plateau.assign(d.NFILES + 1, 0.0);
  for (int i = 1; i <= d.NFILES; ++i)
    v.plateau[i] = (Flotation() ? WindowMean(i, d.ScanFirstFitIndex[i], 1, w)
                                : WindowMean(i, d.ScanLastFitIndex[i], -1, w)) -
                   v.baseline;
}

double FractionHeight(const Vhw& v, int i) {
  return v.plateau[i] / (DistributionSettings.Resolution + 1.0);
}

bool VhwAssignFractions(Vhw& v) {
  if (BoundaryAnalysisLinks.Text)
    BoundaryAnalysisLinks.Text(10, 50, FormatText("dividing data in %d boundary fractions       ",
                                                  v.r));
  const auto& d = ScanDataSet;
  v.radius.assign(d.NFILES + 1, std::vector<double>(v.r + 1, 0.0));
  for (int i = 1; i <= d.NFILES; ++i) {
    const double h = FractionHeight(v, i);
    std::vector<double> sum(v.r + 1, 0.0);
    std::vector<int> count(v.r + 1, 0);
    const int first = std::max(1, d.ScanFirstFitIndex[i]);
    const int last = std::min(d.ScanPointCount[i], d.ScanLastFitIndex[i]);
    for (int k = first; k <= last; ++k) {
      const double y = d.ScanSignal[i][k];
      for (int j = 1; j <= v.r; ++j) {
        const double a = v.baseline + (j - 0.5) * h, b = v.baseline + (j + 0.5) * h;
        if (y >= std::min(a, b) && y <= std::max(a, b)) {
          sum[j] += d.ScanRadius[i][k];
          ++count[j];
          break;
        }
      }
    }
    for (int j = 1; j <= v.r; ++j) {
      if (count[j] > 0) {
        v.radius[i][j] = sum[j] / count[j];
      } else if (j == 1) {
        v.radius[i][j] = d.ScanRadius[i][Flotation() ? last : first];
      } else {
        return false;
      }
    }
  }
  return true;
}

double Omega2OfFirstScan() {
  const double omega = ScanDataSet.ScanHeaders[1].Rpm * 2.0 * std::numbers::pi / 60.0;
  return omega * omega;
}

void VhwApparentS(Vhw& v) {
  const auto& d = ScanDataSet;
  const double w2 = Omega2OfFirstScan();
  const double ref = Flotation() ? ModelParameters.Bottom : ModelParameters.Meniscus;
  const auto& l = LammSolverSettings;
  v.sApp.assign(d.NFILES + 1, std::vector<double>(v.r + 1, 0.0));
  for (int i = 1; i <= d.NFILES; ++i) {
    const double t = d.ScanHeaders[i].Time;
    for (int j = 1; j <= v.r; ++j) {
      const double ri = v.radius[i][j];
      const double offset = l.ScanTimeCorrectionOn && l.ScanVelocity > 0.0f
                                ? (ri - ModelParameters.Meniscus) / (l.ScanVelocity / 60.0)
                                : 0.0;
      v.sApp[i][j] = std::log(ri / ref) * 1e13 / ((t + offset) * w2);
    }
  }
}

void VhwExtrapolate(Vhw& v) {
  const auto& d = ScanDataSet;
  std::vector<double> x(d.NFILES + 1), y(d.NFILES + 1);
  v.intercepts.assign(v.r + 1, 0.0);
  v.slopes.assign(v.r + 1, 0.0);
  for (int i = 1; i <= d.NFILES; ++i) x[i] = 1.0 / std::sqrt(d.ScanHeaders[i].Time);
  for (int j = 1; j <= v.r; ++j) {
    for (int i = 1; i <= d.NFILES; ++i) y[i] = v.sApp[i][j];
    LinearRegression(v.intercepts[j], v.slopes[j], x.data(), y.data(), d.NFILES);
  }
}

// Every scan's model from the extrapolation lines: steps of the fraction
// heights at the model boundary radii.
void VhwBoundaryModel(const Vhw& v) {
  auto& d = ScanDataSet;
  const double w2 = Omega2OfFirstScan();
  const double ref = Flotation() ? ModelParameters.Bottom : ModelParameters.Meniscus;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    if (d.ScanModel[i].size() < n) d.ScanModel[i].Resize(1, n);
    const double t = d.ScanHeaders[i].Time, h = FractionHeight(v, i);
    std::vector<double> boundary(v.r + 1);
    for (int j = 1; j <= v.r; ++j)
      boundary[j] = ref * std::exp((v.slopes[j] / std::sqrt(t) + v.intercepts[j]) * w2 * t * 1e-13);
    const auto level = [&](int fraction) {
      // Beyond fraction k's boundary (seen from the reference) the signal
      // of the fractions below it has arrived.
      return fraction <= 1 ? v.baseline : v.baseline + (fraction - 0.5) * h;
    };
    for (int k = 1; k <= n; ++k) {
      const double r = d.ScanRadius[i][k];
      int passed = 0;  // fractions whose boundary lies between the reference and r
      for (int j = 1; j <= v.r; ++j)
        if (Flotation() ? r < boundary[j] : r > boundary[j]) passed = j;
      const bool outside = Flotation() ? k > d.ScanLastFitIndex[i] : k < d.ScanFirstFitIndex[i];
      double y = passed >= v.r ? v.baseline + v.plateau[i] : level(passed + 1);
      if (passed == 0 || outside) y = v.baseline;
      d.ScanModel[i][k] = static_cast<float>(y);
    }
  }
}

}  // namespace

bool RunVanHoldeWeischet(platform::WindowHandle /*window*/) {
  auto& d = ScanDataSet;
  auto& ds = DistributionSettings;
  if (d.NFILES < 1) return false;
  // One scan gives no line against time.
  if (d.NFILES < 2) {
    Message("the van Holde-Weischet extrapolation needs at least 2 scans");
    return false;
  }
  Vhw v;
  v.r = static_cast<int>(std::floor(ds.Resolution));
  const int requested = v.r;
  v.baseline = VhwBaseline(kAverageWindow);
  ModelParameters.Baseline = static_cast<float>(v.baseline);
  for (;;) {
    if (v.r >= 1) {
      VhwPlateau(v, kAverageWindow);
      if (VhwAssignFractions(v)) break;
    }
    if (v.r < 5) {
      Message(FormatText("no van Holde-Weischet result: to avoid empty fractions, resolution was "
                         "reduced to %d",
                         v.r));
      return false;
    }
    --v.r;
    ds.Resolution -= 1.0f;
  }
  if (v.r < requested)
    Message(FormatText("to avoid empty fractions, resolution was reduced to %d", v.r));
  VhwApparentS(v);
  VhwExtrapolate(v);
  ResizeDistributionGrids(v.r);
  ds.DistGridSize = v.r;
  auto& result = DistributionResult;
  for (int j = 1; j <= v.r; ++j) {
    result.DistSGrid[j] = static_cast<float>(v.intercepts[j]);
    result.DistValues[j] = static_cast<float>(j / (ds.Resolution + 1.0));
  }
  VhwBoundaryModel(v);
  UpdateResiduals(false);
  ScanRmsd();

  auto& e = ExtrapolationData;
  e = ExtrapolationDataRecord{};
  e.Rows = d.NFILES;
  e.Fractions = v.r;
  e.Times.assign(d.NFILES + 1, 0.0);
  e.SValues.assign(d.NFILES + 1, {});
  for (int i = 1; i <= d.NFILES; ++i) {
    e.Times[i] = d.ScanHeaders[i].Time;
    e.SValues[i] = v.sApp[i];
  }
  e.Intercepts = v.intercepts;
  e.Slopes = v.slopes;
  LsgExtrapolationSettings.Fractions = v.r;
  LsgExtrapolationSettings.PlotShown = LsgExtrapolationSettings.ShowPlot;
  return true;
}
