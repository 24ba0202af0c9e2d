// The three model lines (y = 70, 90, 110) of the fit status block: the
// fitted values of the current model in that model's own layout.

#include <cmath>
#include <string>

#include "state/ModelSelection.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitResultDisplay.h"
#include "models/SimulateModel.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Hydrodynamics.h"
#include "lamm/VolumeFractionFactors.h"
#include "state/PriorSettings.h"

namespace {

using Lines = std::array<std::string, 3>;

double Slot(int k) {
  return static_cast<double>(ParameterVector[static_cast<std::size_t>(k)]);
}

bool ComponentOn(int k) {
  return ModelParameters.ComponentOn[static_cast<std::size_t>(k)] != 0;
}

std::string DiscretePrefix(ModelKind kind) {
  if (ScanDataSet.NFILES <= 0) return "";
  if (FitControl.MassInsteadOfD) return "M = ";
  if (kind == ModelKind::DiscreteStokesRadii) return "R(nm) = ";
  if (kind == ModelKind::CumulantAnalysis) return "D or mu = ";
  return "D*10e7 = ";
}

// One value per switched-on component: slot base + k, with the non-ideal
// first component's log10 constant beside it.
std::string ComponentValues(int base, const char* nonidealForm, double logConstant,
                            bool leaveOutFourth) {
  std::string out;
  for (int k = 1; k <= NCOMP; ++k) {
    if (!ComponentOn(k) || (k == 4 && leaveOutFourth)) continue;
    if (k == 1 && ModelParameters.FirstComponentNonideal && nonidealForm != nullptr)
      out += FormatText(nonidealForm, Slot(base + k), logConstant);
    else
      out += FormatText("%.3f | ", Slot(base + k));
  }
  return out;
}

// The printed form shows the plain values only: no non-ideality constants
// and every component's loading.
Lines DiscreteSpeciesLines(ModelKind kind, bool printed = false) {
  const SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  Lines l;
  l[0] = DiscretePrefix(kind);
  if (kind == ModelKind::CumulantAnalysis) {
    for (int k = 1; k <= NCOMP; ++k) l[0] += FormatText("%.3e | ", Slot(k));
    l[1] = FormatText("mu2/(mu1^2) (polydispersity) = %.3f", Slot(2) / (Slot(1) * Slot(1)));
  } else {
    l[0] += ComponentValues(0, printed ? nullptr : "%.3f (log10(kd) = %.3f)| ", e.LogKd, false);
    l[1] = "s = " + ComponentValues(4, printed ? nullptr : "%.3f (log10(ks) = %.3f)| ", e.LogKs,
                                    false);
  }
  // A buffer in mismatch takes the fourth component's place.
  const bool buffer = CorrectionOptions.BufferMismatch.On && !printed;
  std::string c = "c = ";
  for (int k = 1; k <= NCOMP; ++k)
    if (ComponentOn(k) && !(k == 4 && buffer)) c += FormatText("%.3f | ", Slot(8 + k));
  l[2] = c + "(first is total, next are fractions)";
  return l;
}

Lines AssociationLines(ModelKind kind) {
  Lines l;
  switch (kind) {
    case ModelKind::MonomerDimer:
    case ModelKind::MonomerTrimer:
      l[0] = FormatText(FitControl.MassInsteadOfD ? "M1 = %.3f, M2 = %.3f" : "D1 = %.3f, D2 = %.3f",
                        Slot(1), Slot(2));
      l[1] = FormatText("s1 = %.3f, s2 = %.3f", Slot(5), Slot(6));
      l[2] = FormatText("c=%.3f,lgK=%.3f", Slot(11), Slot(3));
      break;
    case ModelKind::SelfAssociation148:
      l[0] = FormatText("M1 = %.0f, M4 = %.0f, M8 = %.0f", Slot(1), Slot(2), Slot(12));
      l[1] = FormatText("s1 = %.3f, s4 = %.3f, s8 = %.3f", Slot(5), Slot(6), Slot(8));
      l[2] = FormatText("c=%.3f,lgK14=%.3f, lgK18=%.3f", Slot(11), Slot(3), Slot(7));
      break;
    default:  // 1-2-4
      l[0] = FormatText("M1 = %.0f, M2 = %.0f, M4 = %.0f", Slot(1), Slot(2), Slot(12));
      l[1] = FormatText("s1 = %.3f, s2 = %.3f, s4 = %.3f", Slot(5), Slot(6), Slot(8));
      l[2] = FormatText("c=%.3f,lgK12=%.3f, lgK14=%.3f", Slot(11), Slot(3), Slot(7));
      break;
  }
  return l;
}

// The hard-sphere (or sticky-sphere) description of a hindered species as
// linear coefficients: the change of s and D per mg/ml at 1 mg/ml and at a
// second concentration, in ml/g. `label` names the second one.
std::string HinderedCoefficients(double k, double tau, double ff0, double vbar, double high,
                                 const char* label, const char* b2Label) {
  const double ks1 = 1000.0 * SedFactorStep(1.0, k, tau, ff0, vbar);
  const double ksHigh = 1000.0 * SedFactorStep(high, k, tau, ff0, vbar);
  const double kd1 = 1000.0 * DiffFactorStep(1.0, k, tau, ff0, vbar);
  const double kdHigh = 1000.0 * DiffFactorStep(high, k, tau, ff0, vbar);
  std::string head = StickyHardSpheres
                         ? FormatText("sticky hard sphere vol.corr. %.3f, Baxter t=%.3f (%s=%.3f), ",
                                      k, tau, b2Label, BaxterReducedB2(tau))
                         : FormatText("hard sphere vol.corr. %.3f, ", k);
  return head + FormatText("ks(1mgml)=%.2f, ks(%s)=%.2f, kd(1mgml)=%.2f, kd(%s)=%.2f (all ml/g)",
                           ks1, label, ksHigh, kd1, label, kdHigh);
}

Lines NonidealSpeciesLines(ModelKind kind) {
  const SolventConditionsRecord& sc = SolventConditions;
  const float s = ParameterVector[5], D = ParameterVector[1];
  const float celsius = sc.BufferTemperature - 273.15f;
  const float mass = MFromSAndD(s, D * 1e-7f, celsius);
  const float ff0 = FF0FromMassAndS(mass, s, sc.VBAR, sc.BufferDensity, sc.RELVISCOSITY);
  Lines l;
  l[0] = FormatText("s = %.3f, D = %.3f, implies M= %.1f, ff0 = %.3f", static_cast<double>(s),
                    static_cast<double>(D), static_cast<double>(mass), static_cast<double>(ff0)) +
         std::string(8, ' ');
  // Effective volume fraction of the loading, 0.001 c vbar (f/f0)^3.
  const double c = Slot(9);
  if (kind == ModelKind::NonidealSingleSpecies) {
    l[1] = FormatText("log10(ks) = %.3f, log10(kd) = %.3f", Slot(10), Slot(11));
  } else {
    // Slots 10 and 11 hold the volume correction factor and the Baxter
    // temperature; the highest concentration of the model is its loading,
    // in mg/ml as the simulation takes it.
    const double perConcentration = ScanDataSet.SignalPerConcentration;
    const double loading = perConcentration > 0.0 ? c / perConcentration : c;
    l[1] = HinderedCoefficients(std::fabs(Slot(10)), std::fabs(Slot(11)), ff0, sc.VBAR, loading,
                                "max", "red.B2");
  }
  const double fraction = 0.001 * c * sc.VBAR * std::pow(static_cast<double>(ff0), 3.0);
  l[2] = FormatText("c=%.3f (vol fract %.2f%%)", c, 100.0 * fraction);
  return l;
}

Lines MultipleSpeciesLines() {
  Lines l;
  l[0] = FormatText("D1 = %.3f", Slot(1));
  l[1] = FormatText("s1 = %.3f", Slot(5));
  l[2] = FormatText("c1 = %.3f", static_cast<double>(ModelParameters.Concentration[1]));
  // Species 2 and 3: loading weight, s and D in slots 27-29 and 31-33.
  for (int k = 2; k <= 3; ++k) {
    const int base = k == 2 ? 27 : 31;
    if (!(Slot(base) > 0.0)) continue;
    l[0] += FormatText(" | D%d = %.3f", k, Slot(base + 2));
    l[1] += FormatText(" | s%d = %.3f", k, Slot(base + 1));
    l[2] += FormatText(" | c%d = %.3f", k, Slot(base));
  }
  return l;
}

std::string RegularizationLine() {
  const DistributionSettingsRecord& d = DistributionSettings;
  const double p = static_cast<double>(d.RegularizationPvalue);
  const RegularizationTypeRecord& r = d.RegularizationType;
  // A prior is named by its file: the short name beside both
  // regularisations, the whole path beside maximum entropy.
  const bool prior = PriorSettings.PriorOnS;
  const std::string& file = PriorSettings.PriorFileName;
  if (r.BothRegularizations) {
    const std::string line = FormatText("ME(black) and TP(blue) regularization P = %.2f", p);
    if (!prior) return line;
    const std::size_t slash = file.find_last_of('/');
    return line + ", with prior probability " +
           (slash == std::string::npos ? file : file.substr(slash + 1));
  }
  if (r.MaxEntRegularizationOn) {
    const std::string line = FormatText("ME regularization P = %.2f", p);
    return prior ? line + ", with prior probability " + file : line;
  }
  if (r.SecondDerivativeRegularization) return FormatText("Tikhonov regularization P = %.2f", p);
  if (r.TP3Regularization) return FormatText("Tikhonov 3rd derivative regularization P = %.2f", p);
  return "";
}

std::string FlotationLine() {
  const DistributionSettingsRecord& d = DistributionSettings;
  const FlotationSettingsRecord& f = d.FlotationSettings;
  const double size = static_cast<double>(f.FlotationDeconvolutionSize);
  const double ff0 = static_cast<double>(d.StartingFrictionalRatio);
  const bool radius = f.FlotationDeconvolutionR;
  if (f.FlotationOnly)
    return radius ? FormatText("deconvoluting with fix R = %.3f nm        ", size * 1e9)
                  : FormatText("deconvoluting with fix D = %.3f F        ", size * 1e7);
  return radius ? FormatText(
                      "deconvoluting with fix R = %.3f nm for flotation, frict ratio = %f "
                      "for sedimentation       ",
                      size * 1e9, ff0)
                : FormatText(
                      "deconvoluting with fix D = %.3f F for flotation, frict ratio = %f "
                      "for sedimentation       ",
                      size * 1e7, ff0);
}

std::string ContinuousSecondLine(ModelKind kind) {
  const DistributionSettingsRecord& d = DistributionSettings;
  const double ff0 = static_cast<double>(d.StartingFrictionalRatio);
  const auto v = [](float x) { return static_cast<double>(x); };
  switch (kind) {
    case ModelKind::CSInvariantD:
      return FormatText("D = %f        ", v(d.InvariantD));
    case ModelKind::CMInvariantD:
    case ModelKind::ElectrophoresisCV:
      return FormatText("D = %f        ", ff0);
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
      return FormatText("frict ratio = %f, except when s is within [%.2f,%.2f]: ff0 = %f", ff0,
                        v(d.SecondRangeSmin), v(d.SecondRangeSmax), v(d.SecondFf0));
    case ModelKind::HinderedCS: {
      const SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
      return FormatText("frict ratio = %f, ", ff0) +
             HinderedCoefficients(v(e.LogKs), v(e.LogKd), ff0, v(SolventConditions.VBAR), 100.0,
                                  "100", "red.B2(0)");
    }
    case ModelKind::NonidealCS:
      return FormatText("frict ratio = %f, log10ks = %f, log10kd = %f        ", ff0,
                        v(SpeciesEngineParameters.LogKs), v(SpeciesEngineParameters.LogKd));
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
      return FormatText("s min = %f, s max = %f, #s-values = %d        ", v(d.Smin), v(d.Smax),
                        d.DistGridSize);
    case ModelKind::CSWormlikeChain: {
      const WormChainSettingsRecord& w = d.WormChainSettings;
      return FormatText(
          "persistence length = %.2f nm, dehydr. cross-section = %.2f nm^2, Monomer Mw = %.0f "
          "Da, hydration = %.2f, vbar = %.4f     ",
          v(w.PersistenceLength), v(w.CrossSection), v(w.MonomerMass), v(w.Hydration),
          v(SolventConditions.VBAR));
    }
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::FMScalingLaw:
      return FormatText("Ks = %.3e 1/S, bs = %.3f          ", v(d.GeneralScalingLaw.ScalingKs),
                        v(d.GeneralScalingLaw.ScalingExponent));
    case ModelKind::CSFixFf0FloatingVbar:
      return FormatText("frict ratio = %f, vbar = %.4f     ", ff0, v(SolventConditions.VBAR));
    case ModelKind::CSFlotation:
      return FlotationLine();
    default:
      return FormatText("frict ratio = %f        ", ff0);
  }
}

bool ShowsDiscreteSpecies(ModelKind kind) {
  switch (kind) {
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
    case ModelKind::CSFf0OneDiscrete:
      return true;
    case ModelKind::HybridCSLsGStar:
      return DistributionSettings.HybridIncludesDiscrete;
    default:
      return false;
  }
}

Lines ContinuousLines(ModelKind kind) {
  Lines l;
  // No regularisation behind the plain ls-g*(s) and the van Holde-Weischet
  // family; the zone and electrophoresis ls-g*(s) forms do report theirs, so
  // this is not IsLsGStarModel.
  if (kind == ModelKind::LsGStar || kind == ModelKind::LsGStarOneDiscrete ||
      IsVanHoldeWeischetFamily(kind))
    return l;
  const DistributionSettingsRecord& d = DistributionSettings;
  if (kind == ModelKind::CSFf0 || kind == ModelKind::CSFf0OneDiscrete)
    l[0] =
        FormatText("ff0 min = %f, ff0 max = %f, nff0 = %f        ", static_cast<double>(d.Ff0Min),
                   static_cast<double>(d.Ff0Max), static_cast<double>(d.Ff0GridCount));
  else
    l[0] = RegularizationLine();
  l[1] = ContinuousSecondLine(kind);
  if (ShowsDiscreteSpecies(kind))
    l[1] += FormatText(" - [s1 = %.3f, M1 = %.3f]", static_cast<double>(d.DiscreteSpeciesS),
                       static_cast<double>(d.DiscreteSpeciesMass));
  return l;
}

}  // namespace

std::array<std::string, 3> FitResultModelLines() {
  const ModelKind kind = ModelSelection.Kind;
  if (IsDiscreteSpeciesModel(kind)) return DiscreteSpeciesLines(kind);
  if (IsAssociationKind(kind)) return AssociationLines(kind);
  switch (kind) {
    case ModelKind::NonidealSingleSpecies:
    case ModelKind::HinderedSingleSpecies:
      return NonidealSpeciesLines(kind);
    case ModelKind::NonidealMultipleSpecies:
      return MultipleSpeciesLines();
    case ModelKind::BuoyantMassEquilibrium: {
      Lines l;
      l[0] = DiscretePrefix(kind) + FormatText("%.0f", Slot(1));
      if (!FitControl.MassInsteadOfD) l[1] = "s = " + FormatText("%.3f | ", Slot(5));
      return l;
    }
    default:
      break;
  }
  if (IsContinuousModel(kind) || IsVanHoldeWeischetFamily(kind)) return ContinuousLines(kind);
  return Lines{};
}

std::array<std::string, 3> FitResultPrintModelLines() {
  const ModelKind kind = ModelSelection.Kind;
  if (IsDiscreteSpeciesModel(kind)) return DiscreteSpeciesLines(kind, true);
  Lines l;
  if (IsAssociationKind(kind)) l = AssociationLines(kind);
  l[0] = DiscretePrefix(kind) + l[0];
  return l;
}
