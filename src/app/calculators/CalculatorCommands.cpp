#include "app/calculators/CalculatorCommands.h"

#include <cmath>
#include <string>

#include "app/calculators/NumberForm.h"
#include "app/calculators/TimeDependentFit.h"
#include "app/commands/CommandTable.h"
#include "app/commands/DistributionCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "state/ModelSelection.h"
#include "app/text/TextEntryWindow.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/PhysicalConstants.h"
#include "tools/SequenceProperties.h"
#include "tools/WaterProperties.h"

namespace {

constexpr double kPoiseToRelative = 99.80039920159681799;
constexpr float kKelvin = 273.15f;

std::string F(const char* format, double a) {
  return Printf(format, a);
}

// The default temperature of the sphere and ratio calculators.
float DefaultTemperature() {
  return ScansLoaded() ? LastScanTemperature() : 20.0f;
}

float StartingFf0() {
  return DistributionSettings.StartingFrictionalRatio;
}

}  // namespace

void CmWaterDensityViscosity(TXLAWindow& window) {
  const std::string caption =
      "CALCULATE TEMPERATURE AND HEAVY WATER DEPENDENCE OF BUFFER DENSITY AND VISCOSITY";
  ShowNote(window,
           "Given density and viscosity in water at 20C, this function calculates values at "
           "different temperature and heavy water fraction.\n"
           "(formulas from the compilation of Kestin, Sokolov and Wakeham, and of Hill et al.)"
           "\nThe accuracy is generally much better than 1% in the range from 4 to 30C, but only "
           "15 - 30 C for H2-18O and D2-18O."
           "\nFor more details on viscosity and density of heavy water and accuracy, consult the "
           "book and see references cited therein."
           "\n\nThe contribution of co-solutes is assumed to be additive in the increments of "
           "density and relative viscosity."
           "\nSimilarly, for mixed solvents, the increments in density and relative viscosity are "
           "linearly extrapolated between water and heavy water vol%."
           "\n\nUsing these values requires your own judgement whether these approximations are "
           "valid in your case.",
           caption, platform::BoxIcon::Information);
  std::vector<NumberField> in = {{"enter buffer density in H2O at 20 C (g/ml)", 0.99823f},
                                 {"enter buffer viscosity in H2O at 20 C (cP)", 1.002f},
                                 {"enter temperature", 20.0f}};
  if (!AskNumbers(window, caption, in)) return;
  const float rhoB = in[0].value, etaB = in[1].value * 0.001f, t = in[2].value;
  if (t < 0 || t > 35) {
    ShowNote(window, "definitely outside range", caption);
    return;
  }
  int kind = kH2O;
  float fraction = 0;
  if (AskYesNo(window, "with any heavy water?", caption)) {
    float entry = 0;
    if (!AskNumber(window, caption, "enter 1 for D2O, 2 for H2-18O, or 3 for D2-18O", entry))
      return;
    kind = static_cast<int>(std::floor(entry));
    if (std::fabs(static_cast<float>(kind) - entry) > 0.001f || kind < 1 || kind > 3) {
      ShowNote(window, "incorrect entry", caption);
      return;
    }
    if (kind >= 2) {
      if (t >= 35 || t < 15)
        ShowNote(window,
                 F("viscosity data for H2-180 and D2-18O at %.0f are rough estimates (see book)",
                   t),
                 caption, platform::BoxIcon::Information);
      else
        ShowNote(window,
                 "viscosity data for H2-18O and D2-18O are interpolated from the table of "
                 "Kudish et al. (1984)",
                 caption, platform::BoxIcon::Information);
    }
    float percent = 100;
    if (!AskNumber(window, caption, "enter volume % of heavy water", percent)) return;
    if (percent < 0 || percent > 100) {
      ShowNote(window, "incorrect entry", caption);
      return;
    }
    fraction = percent * 0.01f;
  }
  const BufferAtTemperature b = TranslateBuffer(rhoB, etaB, t, kind, fraction);
  std::string text = Printf("given buffer density in water at 20C of %f g/ml and viscosity of %f "
                            "cP,\n",
                            static_cast<double>(rhoB), static_cast<double>(etaB) * 1000);
  text += F("\nthis will translate at %.1f C", t);
  static const char* const kWith[] = {"", " with %.3f%% D2O", " with %.3f%% H2-18O",
                                      " with %.3f%% D2O-18O"};
  if (kind > 0) text += F(kWith[kind], static_cast<double>(fraction) * 100);
  text += " to an estimated ";
  text += Printf("\n\ndensity = %f g/ml \nviscosity = %f cP", static_cast<double>(b.density),
                 static_cast<double>(b.viscosity) * 1000);
  ShowNote(window, text, caption, platform::BoxIcon::Information);
}

void CmSequenceVbarDndcExtinction(TXLAWindow& window) {
  const std::string caption = "CALCULATE VBAR, EXT280 AND DNDC FROM SEQUENCE";
  std::string sequence;
  const std::string start =
      "delete this text, write (or paste) single letter aa sequence, and close this window";
  RunTextEntryWindow(sequence, 30000, true, start);
  const ResidueCounts counts = CountResidues(sequence);
  for (const std::string& note : counts.notes) ShowNote(window, note, caption);
  SequenceConditions c;
  if (counts['C'] >= 2) {
    float percent = 50;
    if (!AskNumber(window, caption, "percent cysteines in disulfide bond", percent)) return;
    c.disulfideFraction = percent * 0.01f;
  }
  std::vector<NumberField> in = {
      {"enter temperature (C)", SolventConditions.BufferTemperature - kKelvin},
      {"enter refractive index of buffer at 25 C", 1.334f},
      {"enter wavelength (nm)", 580.0f}};
  if (!AskNumbers(window, caption, in)) return;
  c.temperature = in[0].value;
  c.solventIndex = in[1].value;
  c.wavelength = in[2].value;
  if (counts.residues == 0) {
    ShowNote(window, "no amino acids found in the sequence", caption);
    return;
  }
  const SequenceProperties p = ComputeSequenceProperties(counts, c);
  ShowNote(window, SequenceReport(counts, c, p), caption, platform::BoxIcon::Information);
}

void CmEllipsoidFromFrictionalRatio(TXLAWindow& window) {
  const std::string caption = "CALCULATE SHAPE FROM AXIAL RATIOS";
  std::vector<NumberField> in = {{"enter frictional ratio", StartingFf0()},
                                 {"enter partial specific volume (ml/g)", SolventConditions.VBAR},
                                 {"enter hydration (g/g)", SolventConditions.Hydration}};
  if (!AskNumbers(window, caption, in)) return;
  const float ff0 = in[0].value, vbar = in[1].value, h = in[2].value;
  const float oblate = CalculateOblateRatio(ff0, vbar, h, 0.99823f);
  const float prolate = CalculateProlateRatio(ff0, vbar, h, 0.99823f);
  ShowNote(window,
           Printf("for f/fo =%.3f, v-bar =%.3f ml/g, hydration =%.2f g/g:\n a/b(oblate)=%.2f\n "
                  "a/b(prolate)=%.2f",
                  double{ff0}, double{vbar}, double{h}, double{oblate}, double{prolate}),
           caption, platform::BoxIcon::Information);
}

void CmCalculateHydrodynamicFrictionForce(TXLAWindow& window) {
  const std::string caption = "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE";
  const auto& d = ScanDataSet;
  const float rpm = d.NFILES > 0 && !DlsDataMode ? d.ScanHeaders[1].Rpm : 50000.0f;
  std::vector<NumberField> in = {{"enter s-value [S]", 5.0f},
                                 {"enter radius position [cm]", 7.0f},
                                 {"enter frictional ratio", StartingFf0()},
                                 {"enter rotor speed [rpm]", rpm},
                                 {"enter molar mass [Da]", 100000.0f},
                                 {"enter part.-spec. volume [ml/g]", SolventConditions.VBAR},
                                 {"enter solution relative viscosity",
                                  SolventConditions.RELVISCOSITY}};
  if (!AskNumbers(window, caption, in)) return;
  const double s = in[0].value * 1e-13, r = in[1].value * 0.01, ff0 = in[2].value;
  const double speed = in[3].value, mass = in[4].value, vbar = in[5].value;
  const double eta = in[6].value * 0.001002;
  if (mass <= 0 || vbar <= 0) {
    ShowNote(window, "molar mass and partial specific volume must be positive", caption);
    return;
  }
  const double w = speed * 2 * 3.14159265358979 / 60;
  const double r0 = CalculateRadius(static_cast<float>(mass), static_cast<float>(vbar));
  const double f = ff0 * 6 * static_cast<double>(3.1415927f) * eta * r0;
  const double v = s * w * w * r;
  ShowNote(window,
           Printf("for mass =%.2f Da, v-bar =%.3f ml/g, f/fo =%.3f, s = %.2f S, relative viscosity "
                  "= %.3f\nat %.0f rpm and %.2f cm --> F = %.3e N\n(Rs = %.3f nm, v = %.3e m/s, f "
                  "= %.3e Ns/m)",
                  mass, vbar, ff0, s * 1e13, eta / 0.001002, speed, r * 100, v * f, r0 * 1e9, v,
                  f),
           caption, platform::BoxIcon::Information);
}

void CmAxialAndFrictionalRatios(TXLAWindow& window) {
  const std::string caption = "CALCULATE FRICTIONAL AND AXIAL RATIOS";
  std::vector<NumberField> in = {{"enter molar mass [Da]", 100000.0f},
                                 {"enter sedimentation coefficient [S]", 7.0f},
                                 {"enter partial specific volume [ml/g]", 0.73f},
                                 {"enter hydration [g/g]", 0.3f},
                                 {"enter temperature [C]", DefaultTemperature()},
                                 {"enter buffer density [g/ml]", 1.0067f},
                                 {"enter absolute viscosity (Poise)", 0.01002f}};
  if (!AskNumbers(window, caption, in)) return;
  const float m = in[0].value, s = in[1].value, vbar = in[2].value, h = in[3].value;
  const float t = in[4].value, rho = in[5].value;
  const float eta = static_cast<float>(in[6].value * kPoiseToRelative);
  if (m <= 0 || vbar <= 0) {
    ShowNote(window, "molar mass and partial specific volume must be positive", caption);
    return;
  }
  const float r0 = CalculateRadius(m, vbar);
  const float ff0 = FF0FromMassAndS(m, s, vbar, rho, eta);
  const float dc = DFromMassAndSWithViscosity(m, s, vbar, t, rho, eta);
  const float oblate = CalculateOblateRatioFromMS(m, s, vbar, h, rho, eta);
  const float prolate = CalculateProlateRatioFromMS(m, s, vbar, h, rho, eta);
  ShowNote(window,
           Printf("for M=%.0f Da, s=%.4f S, v=%.3f ml/g, hydration = %.3f g/g, density=%.4f g/ml, "
                  "rel. viscosity=%.4f:\n r0 = %.2f nm, rh = %.2f nm\n D= %.3e cm^2/sec\n f/f0 = "
                  "%.2f \n a/b(oblate)=%.2f\n a/b(prolate)=%.2f",
                  double{m}, double{s}, double{vbar}, double{h}, double{rho}, double{eta},
                  r0 * 1e9, r0 * ff0 * 1e9, double{dc}, double{ff0}, double{oblate},
                  double{prolate}),
           "CALCUALTE FRICTIONAL AND AXIAL RATIOS", platform::BoxIcon::Information);
}

namespace {

// The four solvent prompts of the sphere calculators.
std::vector<NumberField> SphereSolventFields(float vbarDefault) {
  return {{"enter partial specific volume [ml/g]", vbarDefault},
          {"enter temperature [C]", DefaultTemperature()},
          {"enter buffer density [g/ml]", SolventConditions.BufferDensity},
          {"enter absolute viscosity (Poise)",
           static_cast<float>(SolventConditions.RELVISCOSITY * 0.01002)}};
}

}  // namespace

void CmCalculateSOfM(TXLAWindow& window) {
  const std::string caption = "CALCULATE SEDCOEFFICIENT OF SPHERE";
  std::vector<NumberField> in = {{"enter molar mass [Da]", 100000.0f}};
  for (const NumberField& f : SphereSolventFields(SolventConditions.VBAR)) in.push_back(f);
  if (!AskNumbers(window, caption, in)) return;
  const float m = in[0].value, vbar = in[1].value, t = in[2].value, rho = in[3].value;
  const float eta = static_cast<float>(in[4].value * kPoiseToRelative);
  if (m <= 0 || vbar <= 0) {
    ShowNote(window, "molar mass and partial specific volume must be positive", caption);
    return;
  }
  const float r0 = CalculateRadius(m, vbar);
  const float s = SFromMassAndFF0(m, vbar, t, rho, eta);
  const float dc = DFromMassAndSWithViscosity(m, s, vbar, t, rho, eta);
  ShowNote(window,
           Printf("a compact, smooth sphere of M=%.0f Da, v=%.3f ml/g, in density=%.4f g/ml, rel. "
                  "viscosity=%.4f \nhas the following properties:\n s=%.4f S\n r0 = %.2f nm\n D= "
                  "%.3e cm^2/sec\n(this is without hydration)",
                  double{m}, double{vbar}, double{rho}, double{eta}, double{s}, r0 * 1e9,
                  double{dc}),
           "CALCUALTE SEDCOEFFICIENT OF SPHERE", platform::BoxIcon::Information);
}

void CmCalculateSOfRh(TXLAWindow& window) {
  const std::string caption = "CALCULATE SEDCOEFFICIENT OF SPHERE";
  std::vector<NumberField> in = {{"enter particle radius [nm]", 10.0f}};
  for (const NumberField& f : SphereSolventFields(SolventConditions.VBAR)) in.push_back(f);
  if (!AskNumbers(window, caption, in)) return;
  const float radius = in[0].value, vbar = in[1].value, t = in[2].value, rho = in[3].value;
  const float eta = static_cast<float>(in[4].value * kPoiseToRelative);
  if (radius <= 0 || vbar <= 0) {
    ShowNote(window, "radius and partial specific volume must be positive", caption);
    return;
  }
  const float m = MassFromRadius(radius * 1e-9f, vbar);
  const float s = SFromMassAndFF0(m, vbar, t, rho, eta);
  const float dc = DFromMassAndSWithViscosity(m, s, vbar, t, rho, eta);
  ShowNote(window,
           Printf("a sphere of R = %.2f nm, at v=%.3f ml/g has a mass of M=%.0f Da\n in a solvent "
                  "of density=%.4f g/ml, rel. viscosity=%.4f, \nit will sediment with \n s=%.4f S "
                  "\n and diffuse with D= %.3e cm^2/sec\n",
                  double{radius}, double{vbar}, double{m}, double{rho}, double{eta}, double{s},
                  double{dc}),
           "CALCUALTE SEDCOEFFICIENT OF SPHERE", platform::BoxIcon::Information);
}

void CmCalculateRhOfS(TXLAWindow& window) {
  const std::string caption = "CALCULATE RADIUS OF SPHERE";
  std::vector<NumberField> in = {{"enter s-value [S]", 100.0f}};
  for (const NumberField& f : SphereSolventFields(SolventConditions.VBAR)) in.push_back(f);
  if (!AskNumbers(window, caption, in)) return;
  const float s = in[0].value, vbar = in[1].value, t = in[2].value, rho = in[3].value;
  const float eta = static_cast<float>(in[4].value * kPoiseToRelative);
  if (vbar <= 0 || s == 0 || (1 - vbar * rho) == 0 || s * (1 - vbar * rho) < 0) {
    ShowNote(window,
             "s and the buoyancy (1 - vbar rho) must be nonzero and of the same sign", caption);
    return;
  }
  const float m = CalculateMassFromSedcoeffSphere(s, eta, vbar, rho);
  const float dc = DFromMassAndSWithViscosity(m, s, vbar, t, rho, eta);
  const float radius = CalculateRadius(m, vbar) * 1e9f;
  ShowNote(window,
           Printf("a spherical particle with s = %.2f S, at v=%.3f ml/g\n in a solvent of "
                  "density=%.4f g/ml, rel. viscosity=%.4f, \nhas a mass of M=%.0f Da, a radius of "
                  "%.1f nm, and D= %.3e cm^2/sec\n",
                  double{s}, double{vbar}, double{rho}, double{eta}, double{m}, double{radius},
                  double{dc}),
           "CALCUALTE RADIUS OF SPHERE", platform::BoxIcon::Information);
}

void CmCalculateMOfS(TXLAWindow& window) {
  const std::string caption = "CALCULATE M FROM S";
  std::vector<NumberField> in = {{"enter s-value [S]", 7.0f},
                                 {"enter hydrated frictional ratio", StartingFf0()}};
  if (!AskNumbers(window, caption, in)) return;
  const float s = in[0].value, ff0 = in[1].value;
  const float m = CalculateMff02(s, ff0);
  const auto& c = SolventConditions;
  ShowNote(window,
           Printf("for s=%.3f S, f/f0(hydrated) = %.3f \n(with v=%.3f ml/g, density=%.4f g/ml, rel. "
                  "viscosity=%.4f)\n M=%.0f",
                  double{s}, double{ff0}, double{c.VBAR}, double{c.BufferDensity},
                  double{c.RELVISCOSITY}, double{m}),
           caption, platform::BoxIcon::Information);
}

void CmCalculateS20w(TXLAWindow& window) {
  const std::string caption = "CALCULATE s(xp) TO s(20,w)";
  if (IsContinuousModel(ModelSelection.Kind) &&
      AskYesNo(window, "transform the complete distribution?", "")) {
    CmTransformToS20wDistribution(window);
    return;
  }
  auto& c = SolventConditions;
  std::vector<NumberField> in = {
      {"enter experimental s-value", 5.0f},
      {"partial specific volume at (xp) [ml/g]", c.VBAR},
      {"enter partial specific volume at (20,w) [ml/g]", c.VBAR20},
      {"enter buffer density [g/ml]", c.BufferDensity},
      {"enter absolute viscosity (Poise)", static_cast<float>(c.RELVISCOSITY * 0.01002)}};
  if (!AskNumbers(window, caption, in)) return;
  const float vbar = in[1].value, vbar20 = in[2].value, rho = in[3].value;
  const double etaRel = in[4].value * kPoiseToRelative;
  c.VBAR20 = vbar20;
  const double buoyancy = 1 - vbar * rho;
  if (buoyancy == 0) {
    ShowNote(window, "vbar x density = 1: the particle neither sediments nor floats", caption);
    return;
  }
  float s = in[0].value;
  for (;;) {
    const double eta = etaRel * PhysicalConstantsRecord::STANDARDVISCOSITY;
    const double s20w = s * (1 - vbar20 * 0.99823) * eta /
                        (buoyancy * PhysicalConstantsRecord::STANDARDVISCOSITY);
    ShowNote(window,
             Printf("v(xp)=%.3f ml/g, v(20,w) = %.3f ml/g, density=%.4f g/ml, viscosity=%.4f "
                    "Poise:\n s(xp) of %.3f S converts to s(20,w) = %.3f ",
                    double{vbar}, double{vbar20}, double{rho}, etaRel * 0.01002, double{s}, s20w),
             "CALCUALTE s(xp) TO s(20,w)", platform::BoxIcon::Information);
    if (!AskYesNo(window, "transform another s-value under same conditions?", "")) return;
    if (!AskNumber(window, caption, "enter experimental s-value", s)) return;
  }
}

void InstallCalculatorHooks() {
  ModelCommandLinks.CalibrateCMPowerLaw = &CalibrateCMPowerLaw;
  auto& d = DistributionCommandLinks;
  d.FitTimeDependentSMMoving = [](platform::WindowHandle w, int n) {
    FitTimeDependentSMMoving(w, n);
  };
  d.FitTimeDependentSMIncreasing = [](platform::WindowHandle w, int n) {
    FitTimeDependentSMIncreasing(w, n);
  };
  d.RenderTimeDependentPlot = [] { return RenderTimeDependentPlot(); };
  d.FreeTimeDependentFitData = [] { FreeTimeDependentFitData(); };
}

void RegisterCalculatorCommands(CommandTable& table) {
  table.Add(1119, &CmWaterDensityViscosity, false, "CmWaterDensityViscosity");
  table.Add(895, &CmSequenceVbarDndcExtinction, false, "CmSequenceVbarDndcExtinction");
  table.Add(547, &CmEllipsoidFromFrictionalRatio, false, "CmEllipsoidFromFrictionalRatio");
  table.Add(578, &CmCalculateHydrodynamicFrictionForce, false,
            "CmCalculateHydrodynamicFrictionForce");
  table.Add(270, &CmAxialAndFrictionalRatios, true, "CmAxialAndFrictionalRatios");
  table.Add(276, &CmCalculateSOfM, true, "CmCalculateSOfM");
  table.Add(830, &CmCalculateSOfRh, false, "CmCalculateSOfRh");
  table.Add(831, &CmCalculateRhOfS, false, "CmCalculateRhOfS");
  table.Add(606, &CmCalculateMOfS, true, "CmCalculateMOfS");
  table.Add(582, &CmCalculateS20w, false, "CmCalculateS20w");
  table.Add(462, &CmSwBySecondMoment, false, "CmSwBySecondMoment");
  table.Add(545, &CmSwByDifferentialSecondMoment, false, "CmSwByDifferentialSecondMoment");
  table.Add(461, &CmCalculateRadialDilution, false, "CmCalculateRadialDilution");
  table.Add(463, &CmCalculatePressure, false, "CmCalculatePressure");
  table.Add(889, &CmDiffusionToSedimentationSpreadRatio, false,
            "CmDiffusionToSedimentationSpreadRatio");
  table.Add(876, &CmStartHydroPro, false, "CmStartHydroPro");
  table.Add(885, &ReadBeadModelDiffusion, false, "ReadBeadModelDiffusion");
  table.Add(272, &CmCalculateVarianceRatio, true, "CmCalculateVarianceRatio");
}
