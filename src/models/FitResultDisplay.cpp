#include "models/FitResultDisplay.h"

#include <cmath>
#include <vector>

#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/LoadMessages.h"
#include "data/ResidualHistogram.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "models/FitDriver.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"
#include "state/Links.h"

FitResultLinesRecord FitResultLines;
std::function<void()> TimedPlotRefresh = links::Unwired;
bool ExtrapolationStatusSuppressed = false;

namespace {

double Slot(int k) {
  return static_cast<double>(ParameterVector[static_cast<std::size_t>(k)]);
}

double D(float x) {
  return static_cast<double>(x);
}

// The first and last scan in time order, the grid step, the way the rotor's
// acceleration is treated and the finite resolution of absorbance scans.
std::string FilesLine(bool printed = false) {
  const ScanDataSetRecord& d = ScanDataSet;
  std::string line;
  if (DlsDataMode && d.NFILES > 0) {
    line = FormatText("fitting file %s", d.ScanFilePaths[1].c_str());
  } else if (d.NFILES > 0) {
    const char* first = d.ScanFilePaths[d.ScanTimeOrder[1]].c_str();
    const char* last = d.ScanFilePaths[d.ScanTimeOrder[d.NFILES]].c_str();
    line = std::fabs(d.RadialResolution - 0.001f) > 1e-7f && !printed
               ? FormatText("fitting files %s to %s, radial resolution %.4f cm", first, last,
                            D(d.RadialResolution))
               : FormatText("fitting files %s to %s", first, last);
    if (d.UsingSpeedSteps)
      line += " with speedsteps";
    else if (!d.RampRotorSpeed)
      line += " with effective sedimentation time";
    const LammSolverSettingsRecord& s = LammSolverSettings;
    if (ScanReaderOptions.AbsorbanceData && !printed) {
      if (s.ScanTimeCorrectionOn && s.RadialResolutionOn)
        line += FormatText(", with scanner speed %.3f cm/min and radial res = %.4f cm",
                           D(s.ScanVelocity), D(s.RadialResolutionRange));
      else if (s.ScanTimeCorrectionOn)
        line += FormatText(", with scanner speed %.3f cm/min ", D(s.ScanVelocity));
      else if (s.RadialResolutionOn)
        line += FormatText(", with scanner radial res = %.4f cm", D(s.RadialResolutionRange));
    }
  } else {
    line = "no data loaded";
  }
  if (InhomogeneousSolventOn) line += " with inhomogeneous solvent model";
  return line;
}

std::string ProgressLine(bool printed = false) {
  const FitControlRecord& f = FitControl;
  switch (printed ? OptimizerChoice::Simplex : FitDriverSettings.OptimizerKind) {
    case OptimizerChoice::LevenbergMarquardt:
      return FormatText("sim #%d, ML step #%d, step #%d     ", f.SimulationCount, f.OptimizerStep,
                        f.EvaluationCount);
    case OptimizerChoice::SimulatedAnnealing:
      return FormatText("sim #%d, SA step #%d, step#%d, T=%.3f     ", f.SimulationCount,
                        f.OptimizerStep, f.EvaluationCount, D(f.AnnealTemperature));
    case OptimizerChoice::Simplex:
      break;
  }
  return FormatText("s%d, step #%d     ", f.OptimizerStep, f.EvaluationCount);
}

std::string RmsdLine() {
  const FitControlRecord& f = FitControl;
  const double rmsd = D(f.CurrentRmsd), n = D(f.FitPointCount);
  return FormatText("rmsd=%f (n=%.0f,SSR=%f)", rmsd, n, n * rmsd * rmsd);
}

// The runs test of the residual signs over the scans in time order and the
// misfit of the residual histogram.
std::string ResidualStatisticsLine() {
  const ScanDataSetRecord& d = ScanDataSet;
  float z = 0.0f, misfit = 0.0f;
  if (d.NFILES > 0) {
    z = ScanRunsTestZ();
    ResidualHistogram(nullptr, nullptr, nullptr, nullptr, nullptr, &misfit);
  }
  return FormatText("Runs test Z (#stddev) = %.2f, Residuals Histogram H = %.1f%%", D(z),
                    D(misfit));
}

std::string VbarLine() {
  const FitDriverSettingsRecord& s = FitDriverSettings;
  const double vbar = D(SolventConditions.VBAR), apparent = D(s.ApparentVbar);
  if (ModelSelection.Kind == ModelKind::NonidealMultipleSpecies &&
      ModelParameters.SyntheticBoundaryOverlay) {
    std::string line = FormatText("synthetic boundary at %.3f cm, overlay conc1 fraction = %.3f",
                                  Slot(25), Slot(26));
    if (Slot(27) > 0.0) line += FormatText(" | conc2 fraction = %.3f", Slot(30));
    if (Slot(31) > 0.0) line += FormatText(" | conc3 fraction = %.3f", Slot(34));
    return line;
  }
  if (s.VbarFloating && InhomogeneousSolventOn)
    return s.ApparentVbarOn
               ? FormatText("vbar = %.4f (fix), apparent vbar = %.4f (floating)", vbar, apparent)
               : FormatText("vbar = %.4f (floating)", vbar);
  return s.ApparentVbarOn
             ? FormatText("vbar = %.4f (fix), apparent vbar = %.4f (fix)", vbar, apparent)
             : FormatText("vbar = %.4f (fix)", vbar);
}

const char* Fl(int item) {
  return FloatingSettingOn(item) ? "(fl)" : "";
}

std::string BufferItems() {
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  const bool mass = FitControl.MassInsteadOfD;
  // The signal is shown with the sign of the side that carries the excess.
  std::string t = FormatText("buffer: %.3f", b.Sign > 0.0 ? b.BufferSignal : -b.BufferSignal);
  t += Fl(14);
  t += FormatText(", D=%.2f", b.BufferD) + (mass ? "" : Fl(15));
  t += FormatText(", s=%.4f", b.BufferS) + Fl(16);
  t += FormatText(", Mb=%.1f", b.BufferMb) + (mass ? Fl(15) : "");
  if (b.MeniscusMismatchOn || b.DifferentReferenceBuffer) {
    t += FormatText(", meniscus diff (s-r)=%.4f", b.MeniscusDifference) + Fl(17);
    t += FormatText(", conc. ratio (s/r)=%.3f", b.ConcentrationRatio) + Fl(18);
  }
  if (b.DifferentReferenceBuffer) {
    t += FormatText(", refD=%.2f", b.ReferenceD) + (mass ? "" : Fl(19));
    t += FormatText(", refs=%.4f", b.ReferenceS) + Fl(20);
    t += FormatText(", refMb=%.2f", b.ReferenceMb) + (mass ? Fl(19) : "");
  }
  return t;
}

// " - name = value (floating)" or "(fix)" by the item's fit state.
std::string Marked(const char* form, double value, int item, const char* on = " (floating)",
                   const char* off = " (fix)") {
  return FormatText(form, value) + (FloatingSettingOn(item) ? on : off);
}

// The printed page has its own forms of the cone and the convolution and
// no display switch of the nonlinear detection.
std::string FluorescenceItems(bool printed = false) {
  const FluorescenceCorrectionsRecord& f = CorrectionOptions.Fluorescence;
  std::string t;
  if (f.ShadowOn)
    t += Marked(printed ? " - excit. cone %.4f" : " - excit. cone = %.4f", D(f.ShadowRadius), 2);
  if (CorrectionOptions.WienerSkewing.On)
    t += Marked(" W-skew = %.4f", D(CorrectionOptions.WienerSkewing.Magnitude), 3);
  if (f.DriftOn && f.PhotophysicsOn) {
    t += Marked(" - kbleach = %.4f 1/h", D(f.ExponentialDriftRate), 4);
    t += Marked(" - Alim = %.4f %%", 100.0 * D(f.LimitingSignal), 5);
  }
  if (f.DriftOn && f.LinearDriftOn)
    t += Marked(" - drift = %.3f %%/h", 100.0 * D(f.LinearDrift), 6);
  if (f.ConvolutionOn)
    t += Marked(printed ? " - convolution = %.4f" : " - convolution %.4f", D(f.ConvolutionWidth), 7);
  if (f.MagnificationGradientOn)
    t += Marked(" - radial mag factor = %.4f", D(f.MagnificationGradient), 8);
  if (f.NonlinearDetectionOn) {
    t += Marked(" - nonlin coeff = %.4f", D(f.NonlinearExponent), 9);
    t += FormatText(", nonlin baseline = %f", D(f.NonlinearBaseline));
    if (!printed)
      t += f.NonlinearDetectionSecondFlag ? " [showing transformed]" : " [showing non-transformed]";
  }
  if (f.DepletionOn) {
    t += Marked(" - JO-s = %.4f", D(f.DepletionS), 10, " (float)");
    t += Marked(" - JO-D = %.4f", 1e7 * D(f.DepletionD), 11, " (float)");
    t += Marked(" - JO-amp = %.4f", D(f.DepletionAmplitude), 12, " (float)");
    t += Marked(" - JO-Ks = %.4f", std::pow(10.0, D(f.DepletionLogKs)), 13, " (float)");
  }
  return t;
}

// The concentration dependence of the multi-species model: ks and kD with
// their decadic logarithms (slots 10 and 11), repulsive or attractive.
std::string MultipleSpeciesNonidealityLine() {
  const double logKs = Slot(10), logKd = Slot(11);
  const double ks = std::pow(10.0, logKs), kd = std::pow(10.0, logKd);
  const double signal = ScanDataSet.SignalPerConcentration;
  if (SpeciesEngineParameters.Repulsive)
    return FormatText(
        "non-ideality with repulsive ks = %.3e (log10 = %.3f), repulsive kD = %.3e (log10 = "
        "%.3f)/(mg/ml), with (mass signal)/(mg/ml) = %.3f",
        ks, logKs, kd, logKd, signal);
  return FormatText(
      "non-ideality with attractive ks = -%.3e (log10 = %.3f), attractive kD = -%.3e (log10 = "
      "%.3f)/(mg/ml), with %.3f mass signal/(mg/ml)",
      ks, logKs, kd, logKd, signal);
}

void SetLine(int k, std::string text, bool drawn = true) {
  FitResultLines.Text[static_cast<std::size_t>(k)] = std::move(text);
  FitResultLines.Drawn[static_cast<std::size_t>(k)] = drawn;
}

}  // namespace

void BuildFitResultLines() {
  const ModelKind kind = ModelSelection.Kind;
  const bool scans = ScanDataSet.NFILES > 0;
  SetLine(0, FilesLine());
  // No step line where no fit step was taken (a Run).
  const bool stepped = FitControl.OptimizerStep > 0 || FitControl.EvaluationCount > 0;
  SetLine(1, scans && stepped ? ProgressLine() : "");
  SetLine(2, scans ? RmsdLine() : "");
  const std::array<std::string, 3> model = FitResultModelLines();
  for (int k = 0; k < 3; ++k) SetLine(3 + k, model[static_cast<std::size_t>(k)]);
  SetLine(6, FormatText("Meniscus = %f  ", Slot(MeniscusSlot)));
  SetLine(7, IsZoneModel(kind) ? FormatText("Lamella thickness = %f  ", Slot(23))
                               : FormatText("Bottom = %f  ", Slot(BottomSlot)));
  SetLine(8, FormatText("fitting %1.4f - %1.4f", D(ScanDataSet.FitLeftLim),
                        D(ScanDataSet.FitRightLim)));
  std::string baseline = FormatText("Baseline = %f  ", Slot(BaselineSlot));
  const WienerSkewingRecord& w = CorrectionOptions.WienerSkewing;
  if (w.On)
    baseline += FormatText(" | Wiener skew with %.3e cm^2/(mg/ml) at %.3f signal/(mg/ml)  ",
                           D(w.Magnitude), D(w.SignalPerConcentration));
  SetLine(9, baseline);
  if (ModelParameters.TimeOffsetFitted)
    SetLine(10, FormatText("t0 for simulation is at %f sec", Slot(24)));
  else if (kind == ModelKind::NonidealMultipleSpecies)
    SetLine(10, MultipleSpeciesNonidealityLine());
  else
    SetLine(10, "", false);
  SetLine(11, ResidualStatisticsLine());
  SetLine(12, VbarLine());
  std::string items = CorrectionOptions.BufferMismatch.On ? BufferItems() : "";
  SetLine(13, items + FluorescenceItems());
}

void DrawFitResultLines(platform::Canvas& window) {
  for (int k = 0; k < FitResultLineCount; ++k) {
    const std::string& text = FitResultLines.Text[static_cast<std::size_t>(k)];
    if (FitResultLines.Drawn[static_cast<std::size_t>(k)] && !text.empty())
      window.TextOut({FitResultLineX, FitResultLineY(k)}, text);
  }
}

void FitResultText(platform::Canvas& window) {
  if (!DrawingAllowed) return;
  FitControlRecord& f = FitControl;
  if (f.CurrentRmsd < f.StartRmsd && f.CurrentRmsd < f.BestRmsd) {
    f.BestRmsd = f.CurrentRmsd;
    TimedPlotRefresh();
  }
  BuildFitResultLines();
  DrawFitResultLines(window);
}

void ShowFitResultText(platform::Canvas& window) {
  if (ExtrapolationStatusSuppressed && ModelSelection.Kind == ModelKind::ExtrapolateLsGStar) return;
  FitResultText(window);
}

std::array<std::string, FitResultPrintLineCount> FitResultPrintLines() {
  std::array<std::string, FitResultPrintLineCount> l;
  l[0] = FilesLine(true);
  l[1] = ProgressLine(true);
  l[2] = RmsdLine();
  const std::array<std::string, 3> model = FitResultPrintModelLines();
  for (int k = 0; k < 3; ++k) l[static_cast<std::size_t>(3 + k)] = model[static_cast<std::size_t>(k)];
  l[6] = FormatText("Meniscus = %f  ", Slot(MeniscusSlot));
  l[7] = FormatText("Bottom = %f  ", Slot(BottomSlot));
  l[8] = FormatText("fitting %1.4f - %1.4f", D(ScanDataSet.FitLeftLim), D(ScanDataSet.FitRightLim));
  l[9] = FormatText("Baseline = %f  ", Slot(BaselineSlot));
  l[10] = VbarLine();
  l[11] = (CorrectionOptions.BufferMismatch.On ? BufferItems() : "") + FluorescenceItems(true);
  return l;
}

void PaintFitResultLines(platform::Canvas& page, int x, int y) {
  if (!DrawingAllowed || ModelSelection.Kind == ModelKind::NonidealMultipleSpecies) return;
  const std::array<std::string, FitResultPrintLineCount> lines = FitResultPrintLines();
  for (int k = 0; k < FitResultPrintLineCount; ++k) {
    const std::string& text = lines[static_cast<std::size_t>(k)];
    if (text.empty()) continue;
    const int column = k < 9 ? x + 20 : x + 10;
    page.TextOut({column, y + 10 + 20 * k}, text);
  }
}
