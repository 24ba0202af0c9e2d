// The status display of a running distribution fit: the distribution of a
// new best rmsd, and the lines of rmsd, model parameters, discrete species
// or buffer, vbar and fluorescence corrections drawn into the main window.

#include <cstdio>
#include <string>

#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "distributions/BestFitSignal.h"
#include "distributions/ContiFit.h"
#include "distributions/ContiGrid.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionDiagnostics.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Hydrodynamics.h"

namespace {

using K = ModelKind;

template <typename... T>
std::string Format(const char* format, T... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

double D(float v) {
  return static_cast<double>(v);
}

// The distribution of the latest evaluation becomes the one shown.
void ShowLatestDistribution(platform::WindowHandle window) {
  if (!NormalEquations.Exists()) return;
  if (StoredDistributionServices.CalculateppAFit)
    StoredDistributionServices.CalculateppAFit(window);
  auto& r = DistributionResult;
  const auto& neq = NormalEquations;
  const int n = DistributionSettings.DistGridSize;
  if (r.DistValues.size() <= static_cast<std::size_t>(n)) return;
  if (IsTwoDimensionalModel(ModelSelection.Kind)) {
    const int total = std::min(DistributionSettings.Grid2DSize, neq.Size);
    for (int i = 1; i <= n; ++i) {
      double sum = 0.0;
      for (int k = i; k <= total; k += n) sum += neq.DistSolution[k];
      r.DistValues[static_cast<std::size_t>(i)] = static_cast<float>(sum);
    }
  } else {
    for (int i = 1; i <= n && i <= neq.Size; ++i)
      r.DistValues[static_cast<std::size_t>(i)] = static_cast<float>(neq.DistSolution[i]);
  }
  DistributionDensity();
  if (StoredDistributionServices.RenderDistributionPlot)
    StoredDistributionServices.RenderDistributionPlot();
}

std::string ModelLine() {
  const auto& ds = DistributionSettings;
  const auto& se = SpeciesEngineParameters;
  const double ff0 = D(ds.StartingFrictionalRatio);
  switch (ModelSelection.Kind) {
    case K::CSFf0:
    case K::CSFf0OneDiscrete:
      return Format("ff0 min = %f, ff0 max = %f, nff0 = %f        ", D(ds.Ff0Min), D(ds.Ff0Max),
                    D(ds.Ff0GridCount));
    case K::LsGStar:
    case K::LsGStarOneDiscrete:
    case K::ElectrophoresisLsGStar:
    case K::ZoneLsGStar:
    case K::ExtrapolateLsGStar:
      return "";
    case K::CSInvariantD:
      return Format("D = %f        ", D(ds.InvariantD));
    case K::CMInvariantD:
    case K::ElectrophoresisCV:
      return Format("D = %f        ", ff0);
    case K::CSBimodalFf0:
    case K::CSBimodalFf0OneDiscrete:
      return Format("frict ratio = %f, except when s is within [%.2f,%.2f]: ff0 = %f", ff0,
                    D(ds.SecondRangeSmin), D(ds.SecondRangeSmax), D(ds.SecondFf0));
    case K::HinderedCS:
      if (CorrectionOptions.Ctot.VolumeFractionNonideality)
        return Format(
            "frict ratio = %f, volume correction factor = %f, Baxter temperature = %f        ", ff0,
            D(se.LogKs), D(se.LogKd));
      return Format("frict ratio = %f, volume correction factor = %f                ", ff0,
                    D(se.LogKs));
    case K::NonidealCS:
      return Format("frict ratio = %f, log10ks = %f, log10kd = %f        ", ff0, D(se.LogKs),
                    D(se.LogKd));
    case K::CSWormlikeChain: {
      const auto& w = ds.WormChainSettings;
      return Format(
          "persistence length = %.2f nm, dehydr. cross-section = %.2f nm^2, Monomer Mw = %.0f "
          "Da, hydration = %.2f, vbar = %.4f     ",
          D(w.PersistenceLength), D(w.CrossSection), D(w.MonomerMass), D(w.Hydration),
          D(SolventConditions.VBAR));
    }
    case K::CSGeneralScalingLaw:
    case K::FMScalingLaw:
      return Format("Ks = %.3e 1/S, bs = %.3f          ", D(ds.GeneralScalingLaw.ScalingKs),
                    D(ds.GeneralScalingLaw.ScalingExponent));
    case K::CSFixFf0FloatingVbar:
      return Format("frict ratio = %f, vbar = %.4f        ", ff0, D(SolventConditions.VBAR));
    case K::CSFlotation: {
      const auto& f = ds.FlotationSettings;
      float d = f.FlotationDeconvolutionSize;
      if (f.FlotationDeconvolutionR)
        d = DFromRadius(d, SolventConditions.BufferTemperature - 273.15f);
      if (f.FlotationOnly)
        return Format("flotation with fixed deconvolution D = %f F      ", D(d) * 1e7);
      return Format(
          "flotation with fixed deconvolution D = %f F, sedimenting species frict ratio = %f      ",
          D(d) * 1e7, ff0);
    }
    default:
      return Format("frict ratio = %f        ", ff0);
  }
}

std::string Floating(bool on) {
  return on ? "(fl)" : "";
}

std::string BufferLine() {
  const auto& b = CorrectionOptions.BufferMismatch;
  const bool mass = FitControl.MassInsteadOfD;
  const double signal = b.Sign > 0 ? b.BufferSignal : -b.BufferSignal;
  std::string t = Format("buffer: %.3f", signal) + Floating(b.BufferSignalFitted);
  t += Format(",D=%.2f", b.BufferD) + Floating(b.BufferDOrMbFitted && !mass);
  t += Format(",s=%.4f", b.BufferS) + Floating(b.BufferSFitted);
  t += Format(", Mb=%.1f", b.BufferMb) + Floating(b.BufferDOrMbFitted && mass);
  if (b.MeniscusMismatchOn) {
    t += Format(", meniscus diff (s-r)=%.4f", b.MeniscusDifference) +
         Floating(b.MeniscusDifferenceFitted);
    t += Format(", conc. ratio (s/r)=%.3f", b.ConcentrationRatio) +
         Floating(b.ConcentrationRatioFitted);
  }
  if (b.DifferentReferenceBuffer) {
    t += Format(", refD=%.2f", b.ReferenceD) + Floating(b.ReferenceDOrMbFitted && !mass);
    t += Format(", refs=%.4f", b.ReferenceS) + Floating(b.ReferenceSFitted);
    t += Format(", refMb=%.2f", b.ReferenceMb) + Floating(b.ReferenceDOrMbFitted && mass);
  }
  return t;
}

std::string DiscreteOrBufferLine() {
  const auto& ds = DistributionSettings;
  const auto& se = SpeciesEngineParameters;
  const K kind = ModelSelection.Kind;
  const double s = D(ds.DiscreteSpeciesS), M = D(ds.DiscreteSpeciesMass);
  if (kind == K::CSWithOneDiscrete && !FitControl.MassInsteadOfD)
    return Format("discrete component s = %.3f, D = %.3f", s, D(ds.DiscreteSpeciesD));
  if (CorrectionOptions.BufferMismatch.On) return BufferLine();
  if (kind == K::NonidealCS)
    return Format("discrete component s = %.3f, M = %.3f, log(ks) = %.3f, log(kD) = %.3f", s, M,
                  D(se.LogKs), D(se.LogKd));
  if (kind == K::HinderedCS && CorrectionOptions.Ctot.VolumeFractionNonideality)
    return Format(
        "discrete component s = %.3f, M = %.3f, volume correction fact = %.3f, Baxter "
        "temperature = %.3f",
        s, M, D(se.LogKs), D(se.LogKd));
  if (kind == K::HinderedCS)
    return Format("discrete component s = %.3f, M = %.3f, volume correction fact = %.3f", s, M,
                  D(se.LogKs));
  if (kind == K::CSBimodalFf0OneDiscrete || kind == K::CSWithOneDiscrete ||
      kind == K::CSWithMsTable || kind == K::LsGStarOneDiscrete ||
      (kind == K::HybridCSLsGStar && ds.HybridIncludesDiscrete))
    return Format("discrete component s = %.3f, M = %.3f", s, M);
  return "";
}

std::string FluorescenceLine() {
  const auto& f = CorrectionOptions.Fluorescence;
  std::string t;
  auto add = [&t](bool on, bool fitted, const std::string& floating, const std::string& fixed) {
    if (on) t += fitted ? floating : fixed;
  };
  add(f.ShadowOn, f.ShadowFitted, Format(" - excit. cone = %.4f (floating)", D(f.ShadowRadius)),
      Format(" - excit. cone = %.4f (fix)", D(f.ShadowRadius)));
  const bool bleach = f.DriftOn && f.PhotophysicsOn;
  add(bleach, f.ExponentialDriftFitted,
      Format(" - kbleach = %.4f 1/h (floating)", D(f.ExponentialDriftRate)),
      Format(" - kbleach = %.4f 1/h (fix)", D(f.ExponentialDriftRate)));
  add(bleach, f.LimitingSignalFitted,
      Format(" - Alim = %.4f %% (floating)", 100.0 * D(f.LimitingSignal)),
      Format(" - Alim = %.4f %% (fix)", 100.0 * D(f.LimitingSignal)));
  add(f.DriftOn && f.LinearDriftOn, f.LinearDriftFitted,
      Format(" - drift = %.3f %%/h (floating)", 100.0 * D(f.LinearDrift)),
      Format(" - drift = %.3f %%/h (fix)", 100.0 * D(f.LinearDrift)));
  add(f.ConvolutionOn, f.ConvolutionWidthFitted,
      Format(" - w convolution %.4f (floating)", D(f.ConvolutionWidth)), " - w convolution (fix)");
  add(f.MagnificationGradientOn, f.MagnificationGradientFitted,
      Format(" - radial mag factor = %.4f (floating)", D(f.MagnificationGradient)),
      Format(" - radial mag factor = %.4f (fix)", D(f.MagnificationGradient)));
  add(f.NonlinearDetectionOn, f.NonlinearExponentFitted,
      Format(" - nonlin coeff = %.4f (floating), nonlin baseline = %f", D(f.NonlinearExponent),
             D(f.NonlinearBaseline)),
      Format(" - nonlin coeff = %.4f (fix), nonlin baseline = %f", D(f.NonlinearExponent),
             D(f.NonlinearBaseline)));
  add(f.NonlinearDetectionOn, f.NonlinearDetectionSecondFlag, " [showing transformed]",
      " [showing non-transformed]");
  add(f.DepletionOn, f.DepletionSFitted, Format(" - JO-s = %.4f (float)", D(f.DepletionS)),
      Format(" - JO-s = %.4f (fix)", D(f.DepletionS)));
  add(f.DepletionOn, f.DepletionDFitted, Format(" - JO-D = %.4f (float)", D(f.DepletionD) * 1e7),
      Format(" - JO-D = %.4f (fix)", D(f.DepletionD) * 1e7));
  add(f.DepletionOn, f.DepletionAmplitudeFitted,
      Format(" - JO-amp = %.4f (float)", D(f.DepletionAmplitude)),
      Format(" - JO-amp = %.4f (fix)", D(f.DepletionAmplitude)));
  return t;
}

// The partial specific volume, and beside it the apparent vbar of the
// inhomogeneous solvent while that is on; which of them floats.
std::string VbarLine() {
  const FitDriverSettingsRecord& g = FitDriverSettings;
  const double vbar = D(SolventConditions.VBAR), apparent = D(g.ApparentVbar);
  if (g.VbarFloating && InhomogeneousSolventOn)
    return g.ApparentVbarOn
               ? Format("vbar = %.4f (fix), apparent vbar = %.4f (floating)", vbar, apparent)
               : Format("vbar = %.4f (floating)", vbar);
  return g.ApparentVbarOn ? Format("vbar = %.4f (fix), apparent vbar = %.4f (fix)", vbar, apparent)
                          : Format("vbar = %.4f (fix)", vbar);
}

// The eight status lines below the optimiser's two.
void DrawFitStatusLines(platform::WindowHandle window) {
  const auto& f = FitControl;
  const auto& mp = ModelParameters;
  const bool zone = ModelSelection.Kind == K::ZoneCS || ModelSelection.Kind == K::ZoneLsGStar;
  const std::string lines[] = {
      ContiOptimizerLine(),
      Format("rmsd=%e             ", D(f.CurrentRmsd)),
      ModelLine(),
      zone ? Format("Lamella thickness = %f             ", D(mp.LamellaWidth))
           : Format("Bottom = %f             ", D(mp.Bottom)),
      Format("Meniscus = %f           ", D(mp.Meniscus)),
      DiscreteOrBufferLine(),
      VbarLine(),
      FluorescenceLine(),
  };
  int y = 70;
  for (const std::string& line : lines) {
    platform::Current().DrawWindowText(window, 10, y, line);
    y += 20;
  }
}

}  // namespace

void DisplayBestContiParams(platform::WindowHandle window) {
  LogDistributionStep(window, "\nStarting DisplayBestContiParams");
  auto& f = FitControl;
  if (f.CurrentRmsd < f.StartRmsd && f.CurrentRmsd < f.BestRmsd) {
    f.BestRmsd = f.CurrentRmsd;
    ShowLatestDistribution(window);
  }
  if (window && DrawingAllowed) DrawFitStatusLines(window);
  LogDistributionStep(window, " --> DONE");
}
