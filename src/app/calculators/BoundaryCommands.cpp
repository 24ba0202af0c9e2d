// The boundary calculators of the Calculator menu and the variance ratio.
#include <cmath>
#include <string>
#include <vector>

#include "app/calculators/CalculatorCommands.h"
#include "app/calculators/NumberForm.h"
#include "app/clipboard/ClipboardTables.h"
#include "app/models/ModelCommandSupport.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/GlobalLammState.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/Statistics.h"
#include "tools/BoundaryCalculations.h"
#include "ui/Sounds.h"

namespace {

bool RefuseWithoutFitLimit(TXLAWindow& window) {
  if (ScanDataSet.FitRightLim != 0) return false;
  PlayInfoSound();
  ShowNote(window, "Set Fitting Limits First", "ERROR");
  return true;
}

void CopyTable(TXLAWindow& window, const std::vector<double>& x, const std::vector<double>& y) {
  const int n = static_cast<int>(x.size());
  if (n == 0) return;
  std::vector<float> xs(static_cast<std::size_t>(n) + 1), ys(static_cast<std::size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) {
    xs[static_cast<std::size_t>(i)] = static_cast<float>(x[static_cast<std::size_t>(i - 1)]);
    ys[static_cast<std::size_t>(i)] = static_cast<float>(y[static_cast<std::size_t>(i - 1)]);
  }
  const float* columns[2] = {nullptr, ys.data()};
  CopyColumnsToClipboard(window.Handle(), xs.data(), columns, 1, n, 1);
}

void SecondMoment(TXLAWindow& window, bool differential) {
  const std::string caption = "CALCULATE SW BY SECOND MOMENT";
  if (ScanDataSet.NFILES <= 0) return;
  if (RefuseWithoutFitLimit(window)) return;
  ShowNote(window,
           "subtract all systematic noise from raw data first\n(this will involve integrating the "
           "area under the raw data)\ncheck that plateaus are established (within 0.1cm of right "
           "fit limit)",
           caption, platform::BoxIcon::Information);
  SecondMomentResult r;
  std::string reason;
  if (!SecondMomentS(differential, r, reason)) {
    ShowNote(window, "sw cannot be calculated: " + reason, caption, platform::BoxIcon::Error);
    return;
  }
  CopyTable(window, r.tableTimes, r.tableS);
  std::string text =
      differential
          ? Printf("sw = %.4f S\nsw was averaged over scans, each determined by differential "
                   "second moment\naverage plateau concentration is %f\ncalculated loading "
                   "concentration is %f",
                   r.sw, r.averagePlateau, r.loading)
          : Printf("sw = %.4f S\nsw was averaged over scans, each integrated from 0 to t\naverage "
                   "effective concentration is %f\ncalculated loading concentration is %f",
                   r.sw, r.averageEffective, r.loading);
  text += "\n(table sw vs time is stored in clipboard)";
  ShowNote(window, text, caption, platform::BoxIcon::Information);
  SpeciesSignals.ModelCurvesValid = true;
  InvalidateMainWindow(window);
}

}  // namespace

void CmSwBySecondMoment(TXLAWindow& window) {
  SecondMoment(window, false);
}

void CmSwByDifferentialSecondMoment(TXLAWindow& window) {
  SecondMoment(window, true);
}

void CmCalculateRadialDilution(TXLAWindow& window) {
  const std::string caption = "CALCULATE RADIAL DILUTION";
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return;
  if (RefuseWithoutFitLimit(window)) return;
  float s = 5;
  if (!AskNumber(window, caption, "enter s-value [Da]", s)) return;
  std::vector<double> w2t;
  for (int k = 1; k <= d.NFILES; ++k) w2t.push_back(d.ScanHeaders[d.ScanTimeOrder[k]].Omega2t);
  const double lastW2t = w2t.back();
  RadialDilution r;
  std::string reason;
  if (!ComputeRadialDilution(s, ModelParameters.Meniscus, ModelParameters.Bottom, lastW2t, w2t, r,
                             reason)) {
    ShowNote(window, reason, caption, platform::BoxIcon::Error);
    return;
  }
  const char* format =
      s >= 0
          ? "a non-diffusing particle with s = %.3f S\nwith the meniscus at %.3f cm would have a "
            "boundary position of %.3fcm in the last scan\nradial dilution reduces the plateau "
            "concentration at the time of the last scan to %.3f%% of the loading "
            "concentration\nthe average plateau concentration during sedimenation from t=0 to "
            "t(last scan) is %.3f%% of the loading concentration\n(this is the effective "
            "concentration required for modeling the boundary position at the time of the last "
            "scan)\nin the average for all scans, the effective plateau concentration during "
            "sedimentation is %.3f%% of the loading concentration"
          : "a non-diffusing particle with s = %.3f S \nwith the bottom at %.3f cm would have a "
            "boundary position of %.3fcm in the last scan\nradial dilution increases the plateau "
            "concentration at the time of the last scan to %.3f%% of the loading "
            "concentration\nthe average plateau concentration during sedimenation from t=0 to "
            "t(last scan) is %.3f%% of the loading concentration\n(this is the effective "
            "concentration required for modeling the boundary position at the time of the last "
            "scan)\nin the average for all scans, the effective plateau concentration during "
            "sedimentation is %.3f%% of the loading concentration";
  ShowNote(window,
           Printf(format, double{s}, r.reference, r.boundary, r.lastPlateau * 100,
                  r.averagePlateau * 100, r.scanAverage * 100),
           caption, platform::BoxIcon::Information);
}

void CmCalculatePressure(TXLAWindow& window) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return;
  const CellPressure p = ComputePressure(ModelParameters.Meniscus, ModelParameters.Bottom,
                                         SolventConditions.BufferDensity, d.ScanHeaders[1].Rpm);
  ShowNote(window,
           Printf("pressure at the bottom is %.3f bar\npressure in the middle of the solution "
                  "column is %.3f bar",
                  p.bottom, p.middle),
           "CALCULATE RADIAL DILUTION", platform::BoxIcon::Information);
}

void CmDiffusionToSedimentationSpreadRatio(TXLAWindow& window) {
  const std::string caption = "BOUNDARY BROADENING ANALYSIS";
  float m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  if (m == 0 && !AskNumber(window, caption, "enter meniscus (cm)", m = 6.2f)) return;
  if (b == 0 && !AskNumber(window, caption, "enter bottom (cm)", b = 7.2f)) return;
  const auto& d = ScanDataSet;
  std::vector<NumberField> in = {
      {"enter rotor speed (rpm)", d.NFILES > 0 ? d.ScanHeaders[1].Rpm : 50000.0f},
      {"enter molar mass [kDa]", 1000.0f},
      {"enter partial specific volume [ml/g]", SolventConditions.VBAR},
      {"enter buffer density [g/ml]", SolventConditions.BufferDensity},
      {"enter temperature [C]", 20.0f},
      {"enter s-value [S]", 100.0f},
      {"enter ratio delta-s/s", 0.01f}};
  if (!AskNumbers(window, caption, in)) return;
  SpreadRatio r;
  std::string reason;
  if (!ComputeSpreadRatio(m, b, in[0].value, in[1].value, in[2].value, in[3].value, in[4].value,
                          in[5].value, in[6].value, r, reason)) {
    ShowNote(window, reason, caption, platform::BoxIcon::Error);
    return;
  }
  ShowNote(window,
           Printf("for M=%.0f kDa, s = %.2f S (D = %.2e F), heterogeneity delta-s/s=%.3f\n(at "
                  "v=%.3f ml/g, density=%.4f g/ml, w = %.0f rpm)\nspread from heterogeneity in s = "
                  "%.4fcm\nspread from diffusion = %0.4f cm\n ratio "
                  "(diff-broadening)/(heterogeneous s-value broadending) = %e",
                  double{in[1].value}, double{in[5].value}, r.d, double{in[6].value},
                  double{in[2].value}, double{in[3].value}, double{in[0].value}, r.heterogeneity,
                  r.diffusion, r.ratio),
           caption, platform::BoxIcon::Information);
}

void CmCalculateVarianceRatio(TXLAWindow& window) {
  const std::string caption = "CALCULATE SOSQ RATIO";
  const auto& d = ScanDataSet;
  double points = 0;
  for (int i = 1; i <= d.NFILES; ++i)
    points += d.ScanLastFitIndex[i] - d.ScanFirstFitIndex[i] + 1;
  if (d.NFILES <= 0) points = 1000;
  std::vector<NumberField> in = {{"enter desired confidence level", 0.683f},
                                 {"enter first degree of freedom", static_cast<float>(points)},
                                 {"enter second degree of freedom", static_cast<float>(points)}};
  if (!AskNumbers(window, caption, in)) return;
  const double p = in[0].value, df1 = in[1].value, df2 = in[2].value;
  if (!(p > 0 && p < 1) || !(df1 >= 1) || !(df2 >= 1)) {
    ShowNote(window,
             "the confidence level must lie between 0 and 1 and the degrees of freedom be at "
             "least 1",
             caption, platform::BoxIcon::Error);
    return;
  }
  const double f = FCriticalRatio(p, df1, df2);
  const double ratio = f * df2 / df1;
  ShowNote(window,
           Printf("variance (or sosq) ratio (chisq1/chisq2) at a %2.1f%% confidence level (n1=%.0f, "
                  "n2=%.0f) is %f\ncritical relative rmsd increase is a factor of %f",
                  p * 100, df1, df2, ratio, std::sqrt(ratio)),
           "CALCUALTE SOSQ RATIO", platform::BoxIcon::Information);
  const double rmsd = FitControl.CurrentRmsd;
  ShowNote(window,
           Printf("for current rmsd (%f): critical value is %f", rmsd, rmsd * std::sqrt(ratio)),
           caption, platform::BoxIcon::Information);
}
