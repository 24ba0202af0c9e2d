#include "app/interaction/DistributionPeaks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/clipboard/ClipboardTables.h"
#include "app/commands/DistributionCommands.h"
#include "app/interaction/DistributionTools.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/PeakShading.h"
#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/options/OptionBoxes.h"
#include "app/options/ProgramOptions.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ResidualBitmap.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "display/DirectRedraws.h"
#include "display/DistributionPlot.h"
#include "display/WindowCoordinates.h"
#include "state/MainPlotLayout.h"
#include "state/PeakRegion.h"
#include "distributions/DistributionIntegration.h"
#include "distributions/MsTable.h"
#include "lamm/VolumeFractionFactors.h"
#include "state/SpeciesEngineParameters.h"
#include "models/TempParameterFile.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/PhysicalConstants.h"
#include "ui/Boxes.h"

namespace {

std::string Format(const char* format, auto... values) {
  char text[4096];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// The distribution's abscissa as the plot shows it (s, or M for the
// distributions over M) and its values, both one-based.
const std::vector<float>& Axis() {
  const auto* source = display::DistributionPlots.XSource;
  return source ? *source : DistributionResult.DistSGrid;
}

int GridSize() {
  const auto& values = DistributionResult.DistValues;
  const int n = DistributionSettings.DistGridSize;
  const int held = std::min(static_cast<int>(values.size()), static_cast<int>(Axis().size())) - 1;
  return std::max(0, std::min(n, held));
}

float C(int i) {
  return DistributionResult.DistValues[static_cast<std::size_t>(i)];
}

float S(int i) {
  return Axis()[static_cast<std::size_t>(i)];
}

float Celsius() {
  return SolventConditions.BufferTemperature - 273.15f;
}

bool IsOneOf(ModelKind k, std::initializer_list<ModelKind> kinds) {
  return std::find(kinds.begin(), kinds.end(), k) != kinds.end();
}

// Replays an overlay of the distribution plot into the window at once.
void ShowOverlay(TXLAWindow& window, const platform::Metafile& overlay) {
  platform::WindowHost* host = window.Host();
  if (host == nullptr) return;
  display::ReplayInPlotSpace(host->ClientCanvas(), host->ClientSize(), overlay);
  host->UpdateNow();
}

// The transport-method error of sw from the residuals inside the shaded
// region of consecutive scans; empty with fewer than four usable pairs.
std::string TransportError(const PeakShadingResult& shading, float fraction, float signal) {
  const auto& d = ScanDataSet;
  if (!ProgramOptions.ErrorPropagationToSw || d.UsingSpeedSteps || fraction <= 0.05f ||
      signal <= 0.001f || shading.Amount.empty())
    return {};
  double sum = 0.0;
  int pairs = 0;
  for (int b = 2; b <= d.NFILES; ++b) {
    const int ka = d.ScanTimeOrder[b - 1], kb = d.ScanTimeOrder[b];
    const float va = shading.Amount[static_cast<std::size_t>(ka)];
    const float vb = shading.Amount[static_cast<std::size_t>(kb)];
    if (va <= 0 || vb <= 0) continue;
    ++pairs;
    sum += (vb - va) / (signal * (d.ScanHeaders[kb].Omega2t - d.ScanHeaders[ka].Omega2t));
  }
  if (pairs <= 3) return {};
  return Format("\nbased on residuals (shaded bitmap) via transport method, estimated error in sw "
                "is %.1e S",
                std::fabs(1e13 * sum / pairs));
}

// The shaded region of the scans tints the residual bitmap for one redraw.
void MarkResidualBitmap(TXLAWindow& window, const PeakShadingResult& shading) {
  if (shading.First.empty()) return;
  PeakRegion.FirstPoint = shading.First;
  PeakRegion.LastPoint = shading.Last;
  PeakRegion.On = true;
  if (MainDisplayOptions.ShowResidualsBitmap && window.Host() != nullptr) {
    DrawResidualBitmap(window.Host()->ClientCanvas());
    window.Host()->UpdateNow();
  }
  PeakRegion.On = false;
}

}  // namespace

bool IsLsGStarGroup(ModelKind k) {
  return IsOneOf(k, {ModelKind::LsGStar, ModelKind::LsGStarOneDiscrete, ModelKind::HybridCSLsGStar});
}

bool IsMolarMassGroup(ModelKind k) {
  using M = ModelKind;
  return IsLsGStarGroup(k) ||
         IsOneOf(k, {M::ContinuousCS, M::NonidealCS, M::HinderedCS, M::CSWithMsTable,
                     M::CSWithOneDiscrete, M::CSConformationalChange, M::CSBimodalFf0,
                     M::CSBimodalFf0OneDiscrete, M::CSFlotation, M::CSFixFf0FloatingVbar,
                     M::CSGeneralScalingLaw, M::CSWormlikeChain, M::CSInvariantD, M::CSLinearRods,
                     M::ZoneCS});
}

bool IsFixedShapeGroup(ModelKind k) {
  using M = ModelKind;
  return IsOneOf(k, {M::CSGeneralScalingLaw, M::CSWormlikeChain, M::CSWithMsTable,
                     M::CSConformationalChange, M::CSInvariantD, M::CSLinearRods});
}

DistributionPeak FindDistributionPeaks(int k, float f) {
  DistributionPeak peak;
  const int n = GridSize();
  if (k <= 2 || k > n - 2 || C(k) <= C(k - 1)) {
    if (k >= 1 && k <= n) peak.SLo = peak.SHi = S(k);
    float ctot = 0;
    IntegrateDistribution(peak.SLo, peak.SHi, peak.Signal, peak.Sw, ctot);
    peak.Fraction = ctot > 0 ? peak.Signal / ctot : 0.0f;
    return peak;
  }
  const float p = C(k);
  int left = 0, right = 0;
  if (p != 0.0f) {
    // Walks down one flank: on while the next point is above f x peak or
    // still falling; a flank that rises again ends at its minimum.
    const auto walk = [&](int direction, int end) {
      int m = 0;
      while (true) {
        const int i = k + direction * m;
        const float v = C(i);
        if (v / p < 0.01f || i == end) break;
        if (m > 1 && v > C(i - direction)) {
          --m;
          break;
        }
        const float next = C(i + direction);
        if (!(next > f * p || next < v)) break;
        ++m;
      }
      return m;
    };
    left = walk(-1, 1);
    right = walk(1, n);
    peak.ValleyRatio = std::max(C(k - left), C(k + right)) / p;
  } else {
    peak.ValleyRatio = 0.0f;
  }
  peak.First = k - left;
  peak.Last = k + right;
  peak.SLo = S(peak.First);
  peak.SHi = S(peak.Last);
  float ctot = 0;
  IntegrateDistribution(peak.SLo, peak.SHi, peak.Signal, peak.Sw, ctot);
  peak.Fraction = ctot > 0 ? peak.Signal / ctot : 0.0f;
  return peak;
}

float PeakMolarMass(float s) {
  const auto& ds = DistributionSettings;
  switch (ModelSelection.Kind) {
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
      if (s >= ds.SecondRangeSmin && s <= ds.SecondRangeSmax) return CalculateMff02(s, ds.SecondFf0);
      break;
    case ModelKind::CSGeneralScalingLaw:
      return ScalingLawMFromS(s);
    case ModelKind::CSWormlikeChain:
      return MFromSWormLikeChain(s);
    case ModelKind::CSConformationalChange:
      if (s >= ds.ConformationSmin && s <= ds.ConformationSmax) return ds.ConformationMass;
      break;
    case ModelKind::CSInvariantD:
      return MFromSAndD(s, ds.InvariantD * 1e-7f, Celsius());
    case ModelKind::CSLinearRods:
      return CalculateMofSforLinearRod(s, ds.RodMassPerLength);
    case ModelKind::CSWithMsTable:
      return static_cast<float>(MsTableMolarMass(s));
    default:
      break;
  }
  return CalculateM(s);
}

ShadingRange NonidealShadingRange(float sLo, float sHi) {
  ShadingRange range{sLo, sHi};
  const double perConcentration = ScanDataSet.SignalPerConcentration;
  const ModelKind k = ModelSelection.Kind;
  if (perConcentration <= 0 ||
      (k != ModelKind::HinderedCS && k != ModelKind::NonidealCS))
    return range;
  const auto& e = SpeciesEngineParameters;
  // The signal below a limit (from 0.1 S) is what the species there
  // sediment through; it hinders them by the hard-sphere factor.
  const auto below = [](float limit, float& total) {
    float c = 0, sw = 0;
    IntegrateDistribution(0.1f, limit, c, sw, total);
    return c;
  };
  float ctot = 0;
  if (k == ModelKind::HinderedCS) {
    const auto factor = [&](float limit) {
      return SedFactorAtConc(below(limit, ctot) / perConcentration, e.LogKs, e.LogKd,
                             DistributionSettings.StartingFrictionalRatio, SolventConditions.VBAR);
    };
    range.Lo = static_cast<float>(sLo * factor(sLo));
    range.Hi = static_cast<float>(sHi * factor(sHi));
    return range;
  }
  // Non-ideal c(s): s falls linearly with the total concentration. A factor
  // of zero or below (ks times the loading beyond 1) has no meaning as a
  // range of s; the range is then shaded as found.
  below(sHi, ctot);
  const double factor = 1.0 - std::pow(10.0, static_cast<double>(e.LogKs)) * ctot / perConcentration;
  if (factor <= 0) return range;
  range.Lo = static_cast<float>(sLo * factor);
  range.Hi = static_cast<float>(sHi * factor);
  return range;
}

std::string MolarMassLabel(float m) {
  if (m > 1e7f) return Format("Mf~%.1f MDa", m / 1e6);
  if (m > 1e6f) return Format("Mf~%.2f MDa", m / 1e6);
  if (m > 1e5f) return Format("Mf~%.0f kDa", m / 1000.0);
  if (m > 1e4f) return Format("Mf~%.1f kDa", m / 1000.0);
  if (m > 1000.0f) return Format("Mf~%.2f kDa", m / 1000.0);
  if (m > 100.0f) return Format("Mf~%.0f Da", static_cast<double>(m));
  return Format("Mf~%.1f Da", static_cast<double>(m));
}

std::string PeakLabelText(float sw) {
  const ModelKind k = ModelSelection.Kind;
  const auto& fs = DistributionSettings.FlotationSettings;
  // Only the flotation model has ghost peaks above its flotation limit; the
  // ls-g*(s) models have no frictional ratio to turn s into a molar mass.
  if (k == ModelKind::CSFlotation && (fs.FlotationOnly || sw < 0)) {
    if (sw > fs.FlotationSmax) return "ignore ghost";
    return Format("sw = %.3f S", static_cast<double>(sw));
  }
  if (IsMolarMassGroup(k) && !IsLsGStarGroup(k)) return MolarMassLabel(PeakMolarMass(sw));
  return Format("sw = %.3f S", static_cast<double>(sw));
}

void ShowPeakMwLabels(TXLAWindow& window) {
  ClearPeakLabels(&window);
  auto& p = display::DistributionPlots;
  if (!p.DistributionPlot || !p.DistCurve || DistributionTransformed()) return;
  float xs[kMaxPeakLabels + 1] = {}, ys[kMaxPeakLabels + 1] = {};
  int indices[kMaxPeakLabels + 1] = {};
  auto& s = ScreenButtons;
  s.PeakLabelCount = p.DistCurve->FindPeaks(xs, ys, indices, kMaxPeakLabels, 2);
  platform::WindowHost* host = window.Host();
  for (int i = 1; i <= s.PeakLabelCount; ++i) {
    const int index = indices[i];
    const DistributionPeak peak = FindDistributionPeaks(index, 0.9f);
    if (peak.Fraction <= 0.0001f) continue;
    s.PeakInfo[i] = {peak.Sw, peak.Signal, peak.Fraction, index};
    const std::string text = PeakLabelText(peak.Sw);
    const int xp = p.DistributionPlot->MapX(peak.Sw);
    const int yp = p.DistributionPlot->MapY(C(index));
    // Eight units a character is narrower than the buttons' font: the
    // label widens as far as its text needs, still centred on the peak.
    const float half =
        std::max(4.0f * static_cast<float>(text.size()), 0.5f * ButtonCaptionWidth(text));
    auto label = std::make_unique<CScreenButton>();
    label->SetRect(static_cast<float>(yp - 25), xp - half, static_cast<float>(yp - 5), xp + half);
    label->SetCaptions(text, static_cast<int>(text.size()), text, static_cast<int>(text.size()));
    label->FaceColourOn = ScreenButtonOnColour();
    label->Render();
    if (host != nullptr) {
      label->SaveBackground(host->ClientCanvas());
      label->Paint(host->ClientCanvas(), host->ClientSize());
    }
    s.PeakLabels[i] = std::move(label);
  }
  ShowDirectDrawing(window);
  s.PeakLabelsShown = false;
}

void ShowPeakInfo(TXLAWindow& window, int label) {
  auto& s = ScreenButtons;
  if (label < 1 || label > s.PeakLabelCount || label > kMaxPeakLabels || !s.PeakLabels[label])
    return;
  PaintButtonNow(window, *s.PeakLabels[label]);
  BusyWait(0.1f);
  const PeakLabelRecord info = s.PeakInfo[label];
  const auto& sc = SolventConditions;
  const auto& ds = DistributionSettings;
  const ModelKind k = ModelSelection.Kind;
  const double sw = info.Sw;
  const float sw20w =
      SToS20w(info.Sw, sc.RELVISCOSITY * PhysicalConstantsRecord::STANDARDVISCOSITY,
              sc.VBAR != 0 ? sc.VbarRho / sc.VBAR : sc.BufferDensity, sc.VBAR, sc.VBAR20);
  const double density = sc.VBAR > 0 ? sc.VbarRho / sc.VBAR : sc.BufferDensity;
  std::string text = Format("sw = %.3f S, sw(20,w) = %.3f S\n(c = %.4f, %.3f%% of total)", sw,
                            static_cast<double>(sw20w), static_cast<double>(info.Signal),
                            100.0 * info.Fraction);
  if (IsMolarMassGroup(k) && !IsLsGStarGroup(k) && k != ModelKind::CSFlotation) {
    const double mw = PeakMolarMass(info.Sw);
    const double sphere = CalculateMff02(info.Sw, 1.0f);
    if (IsFixedShapeGroup(k)) {
      text += Format("\nMw = %.0f Da \n(based on vbar = %.3f, vbar20 = %.3f, hydration = %.3f, "
                     "buffer density = %.5f, rel. viscosity = %.4f)\nminimum Mw (for compact "
                     "sphere) = %.0f Da",
                     mw, static_cast<double>(sc.VBAR), static_cast<double>(sc.VBAR20),
                     static_cast<double>(sc.Hydration), density,
                     static_cast<double>(sc.RELVISCOSITY), sphere);
    } else {
      const bool second = (k == ModelKind::CSBimodalFf0 || k == ModelKind::CSBimodalFf0OneDiscrete) &&
                          info.Sw >= ds.SecondRangeSmin && info.Sw <= ds.SecondRangeSmax;
      const float ff0 = second ? ds.SecondFf0 : ds.StartingFrictionalRatio;
      const double radius = S20ToStokesRadius(sw20w, sc.VBAR20) * 1e9;
      text += Format(
          "\nwith best-fit friction ratio = %.3f: Mw = %.0f Da \n(based on vbar = %.3f, vbar20 = "
          "%.3f, hydration = %.3f, buffer density = %.5f, rel. viscosity = %.4f)\nminimum Mw (for "
          "compact sphere) = %.0f Da\nStokes Radius (20C) = %.2f nm, a/b(oblate)=%.2f, "
          "a/b(prolate)=%.2f",
          static_cast<double>(ff0), mw, static_cast<double>(sc.VBAR),
          static_cast<double>(sc.VBAR20), static_cast<double>(sc.Hydration), density,
          static_cast<double>(sc.RELVISCOSITY), sphere, radius,
          static_cast<double>(CalculateOblateRatio(ff0, sc.VBAR, sc.Hydration,
                                                   static_cast<float>(density))),
          static_cast<double>(CalculateProlateRatio(ff0, sc.VBAR, sc.Hydration,
                                                    static_cast<float>(density))));
    }
  }
  const DistributionPeak peak = FindDistributionPeaks(info.GridIndex, 0.9f);
  CWINPlot* plot = display::DistributionPlots.DistributionPlot.get();
  if (peak.First > 0 && plot != nullptr) {
    std::vector<float> x(1), y(1);
    for (int i = peak.First; i <= peak.Last; ++i) {
      x.push_back(S(i));
      y.push_back(C(i));
    }
    ShowOverlay(window, plot->RenderOverlayArrays(x.data(), y.data(), peak.Last - peak.First + 1,
                                                  platform::Rgb(255, 0, 0), 12, 0));
  }
  PeakShadingResult shading;
  const ShadingRange shaded = NonidealShadingRange(peak.SLo, peak.SHi);
  DrawPeakShading(window, shaded.Lo, shaded.Hi, &shading);
  if (k != ModelKind::CSFlotation) {
    MarkResidualBitmap(window, shading);
    text += TransportError(shading, info.Fraction, info.Signal);
  }
  s.PeakInfoBusy = true;
  ShowOkBox(window, text, "PEAK INFO");
  if (s.PeakLabels[label]) {
    s.PeakLabels[label]->Toggle();
    PaintButtonNow(window, *s.PeakLabels[label]);
  }
  s.PeakLabelsShown = true;
  s.PeakInfoBusy = false;
  BusyWait(1.0f);
  InvalidateMainWindow(window);
}

void DrawIntegrationRange(TXLAWindow& window, float xa, float xb, int style,
                          platform::Color colour) {
  CWINPlot* plot = display::DistributionPlots.DistributionPlot.get();
  const ModelKind k = ModelSelection.Kind;
  if (xa == xb || plot == nullptr || DlsDataMode || k == ModelKind::VanHoldeWeischet ||
      k == ModelKind::ExtrapolateLsGStar)
    return;
  const float lo = std::min(xa, xb), hi = std::max(xa, xb);
  const int n = GridSize();
  if (n < 2) return;
  const auto interpolate = [](int j, float x) {
    if (S(j) == S(j + 1)) return C(j);
    return C(j) + (C(j + 1) - C(j)) * (x - S(j)) / (S(j + 1) - S(j));
  };
  const auto interval = [&](float x) {
    for (int j = 1; j < n; ++j)
      if (S(j) <= x && x < S(j + 1)) return j;
    return 0;
  };
  std::vector<float> xs(1), ys(1);
  int start = 1, end = n;
  if (lo <= S(1)) {
    xs.push_back(S(1));
    ys.push_back(C(1));
  } else {
    start = interval(lo);
    if (start == 0) return;
    xs.push_back(lo);
    ys.push_back(interpolate(start, lo));
  }
  float endX, endY;
  if (hi >= S(n)) {
    endX = S(n);
    endY = C(n);
  } else {
    end = interval(hi);
    if (end == 0) return;
    endX = hi;
    endY = interpolate(end, hi);
  }
  if (end < start) return;
  for (int i = start + 1; i <= end; ++i) {
    xs.push_back(S(i));
    ys.push_back(C(i));
  }
  xs.push_back(endX);
  ys.push_back(endY);
  ShowOverlay(window, plot->RenderOverlayArrays(xs.data(), ys.data(),
                                                static_cast<int>(xs.size()) - 1, colour, style, 0));
}

void IntegrateDistributionRange(TXLAWindow& window, float x0, float x1, float y0, float y1) {
  auto& b = ScreenButtons;
  if (b.IntegrateButton && b.IntegrateButton->On) {
    b.IntegrateButton->Toggle();
    PaintButtonNow(window, *b.IntegrateButton);
  }
  DrawIntegrationRange(window, x0, x1, 12, platform::Rgb(255, 0, 0));
  RangeSelection.IntegrationPending = false;
  RangeSelection.RangeRectangleArmed = false;
  DistributionResult.RegionYMin = std::min(y0, y1);
  DistributionResult.RegionYMax = std::max(y0, y1);

  float c = 0, sw = 0, ctot = 0, sd = 0, sn = 0, sz = 0;
  IntegrateDistribution(x0, x1, c, sw, ctot, &sd, &sn, &sz);
  if (ctot == 0) ctot = 1;
  const double percent = 100.0 * c / ctot;
  const ModelKind k = ModelSelection.Kind;
  const auto& r = DistributionResult;
  std::string text;
  const double a = x0, e = x1, dc = c, dsw = sw, dsd = sd;
  if (DlsDataMode) {
    if (k == ModelKind::DlsID)
      text = Format("Integral from %f to %f F:\nTotal Signal = %f (%.3f%%of total)\nSignal "
                    "Average D = %f F",
                    std::pow(10.0, a + 7), std::pow(10.0, e + 7), dc, percent, dsw);
    else
      text = Format("Integral from %f to %f nm:\nTotal Signal = %f (%.3f%%of total)\nSignal "
                    "Average R = %f nm",
                    std::pow(10.0, a + 9), std::pow(10.0, e + 9), dc, percent, dsw);
  } else if (k == ModelKind::CSFf0 || k == ModelKind::CSFf0OneDiscrete) {
    text = Format(
        "Integral from %f to %f (x) and %f to %f (y):\nLoading Concentration [Signal] = %f "
        "(%.3f%%of total)\nWeight (Signal) Average sw = %f\nWeight (Signal) Average ff0w = "
        "%f\nestimated M from (sw,ff0w): = %f\nD-average M = %f\nZ (Signal) Average M = %f\n "
        "(Signal) Average Rs = %f\n Std. deviation[as sqrt(second central moment)] ds = %.3f (best "
        "done without regularization)\n Std. deviation[as sqrt(second central moment)] dM = "
        "%.3f\n Std. deviation[as sqrt(second central moment)] dR = %.3f",
        a, e, static_cast<double>(y0), static_cast<double>(y1), dc, percent, dsw,
        static_cast<double>(r.RegionMeanFf0),
        static_cast<double>(CalculateMff02(sw, r.RegionMeanFf0)),
        static_cast<double>(r.RegionMFromSD), static_cast<double>(r.RegionMeanM),
        static_cast<double>(r.RegionMeanStokesRadius), dsd, static_cast<double>(r.RegionMSd),
        static_cast<double>(r.RegionStokesRadiusSd));
  } else if (IsMolarMassGroup(k) || k == ModelKind::ElectrophoresisCV ||
             k == ModelKind::VanHoldeWeischet || k == ModelKind::ExtrapolateLsGStar ||
             CorrectionOptions.BufferMismatch.On) {
    text = Format("Integral from %f to %f:\nLoading Concentration [Signal] = %f (%.3f%%of "
                  "total)\nWeight (Signal) Average = %f\n Std. deviation[as sqrt(second central "
                  "moment)] = %.3f (best done without regularization)\nsw transformed to 20,w "
                  "conditions = %f",
                  a, e, dc, percent, dsw, dsd, static_cast<double>(SToS20wBuffer(sw)));
  } else if (k == ModelKind::FMScalingLaw) {
    text = Format("Integral from %f to %f:\nLoading Concentration [Signal] = %f (%.3f%%of "
                  "total)\nWeight (Signal) Average = %f\nz-Average = %f\nMz/Mw = %f\n Std. "
                  "deviation[as sqrt(second central moment)] = %.3f (best done without "
                  "regularization)",
                  a, e, dc, percent, dsw, static_cast<double>(sz), sw > 0 ? sz / dsw : 0.0, dsd);
  } else {
    text = Format("Integral from %f to %f:\nLoading Concentration [Signal] = %f (%.3f%%of "
                  "total)\nWeight (Signal) Average = %f\n Std. deviation[as sqrt(second central "
                  "moment)] = %.3f (best done without regularization)",
                  a, e, dc, percent, dsw, dsd);
  }
  float row[2] = {0, c};
  float swColumn[2] = {0, sw};
  const float* columns[] = {nullptr, swColumn};
  CopyColumnsToClipboard(window.Handle(), row, columns, 1, 1, 1);

  PeakShadingResult shading;
  if (!DlsDataMode && x0 > 0 && x1 > 0) {
    const ShadingRange shaded = NonidealShadingRange(x0, x1);
    DrawPeakShading(window, shaded.Lo, shaded.Hi, &shading);
  }
  MarkResidualBitmap(window, shading);
  text += TransportError(shading, c / ctot, c);
  ShowOkBox(window, text, "INTEGRATE DISTRIBUTION");
  CmFullscaleDistributionPlot(window);
}

std::string MolarMassReadoutText(float m, float sphere) {
  const double a = m, b = sphere;
  if (m > 1e7f) return Format("|Mf=%.1f (>%.1f) MDa", a * 1e-6, b * 1e-6);
  if (m > 1e6f) return Format("|Mf=%.2f (>%.2f) MDa", a * 1e-6, b * 1e-6);
  if (m > 1e5f) return Format("|Mf=%.0f (>%.0f) kDa", a * 1e-3, b * 1e-3);
  if (m > 1e4f) return Format("|Mf=%.1f (>%.1f) kDa", a * 1e-3, b * 1e-3);
  if (m > 1000.0f) return Format("|Mf=%.2f (>%.2f) kDa", a * 1e-3, b * 1e-3);
  if (m > 100.0f) return Format("|Mf=%.0f (>%.0f) Da", a, b);
  return Format("|Mf=%.1f (>%.1f) Da", a, b);
}

void ShowMolarMassReadout(TXLAWindow& window, platform::Point point) {
  CWINPlot* plot = display::DistributionPlots.DistributionPlot.get();
  if (plot == nullptr) return;
  const float s = display::WindowXToValue(*plot, point.x);
  // Floating species have no molar mass from s.
  const float m = ModelSelection.Kind == ModelKind::CSFlotation ? -1.0f : PeakMolarMass(s);
  WriteWindowText(window, point.x, point.y, MolarMassReadoutText(m, CalculateMff02(s, 1.0f)));
}
