// The parameter-dialog entries of the non-ideal and hindered models: the
// hindered single species with the values its parameters imply, the
// non-ideal multiple species with the settings of its second and third
// species, and the non-ideal and hindered c(s) with their mean field and grid.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "lamm/VolumeFractionFactors.h"
#include "models/ModelSpecificEntries.h"
#include "models/ParametersCommand.h"
#include "models/TempParameterFile.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Boxes.h"

namespace {

using model_entries::Number;
using model_entries::Prompt;
using model_entries::Tick;
using platform::FormState;

// The non-ideal multiple species: which check box and which edit carry each
// of the ten settings (slots 25-34), in the order they are taken back.
struct SettingEntries {
  int check;
  int edit;
};
constexpr SettingEntries kMultiSpeciesEntries[NonidealMultiSettingCount] = {
    {401, 439}, {423, 420}, {442, 443}, {411, 414}, {418, 413},
    {446, 428}, {422, 426}, {445, 421}, {415, 427}, {408, 438}};

// Loading weights of species 2 and 3 among the settings.
constexpr int kWeightSpecies2 = 3;
constexpr int kWeightSpecies3 = 7;

// An entry that holds a number not below zero.
bool NonNegativeEntry(const FormState& t, int id, double& value) {
  const std::string text = t.Text(id);
  if (!IsNumber(text.c_str())) return false;
  value = std::atof(text.c_str());
  return value >= 0.0;
}

// A value shown for information only (never read back), in its format.
std::string InfoText(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// What the hindered single species' parameters imply: M by the Svedberg
// equation at 20 degrees from s (slot 5) and D (slot 1), the frictional
// ratio of that mass, the effective volume fraction of the loading, and the
// reduced second virial coefficient of the Baxter temperature.
void ComputeImpliedValues(double loadingSignal, double reducedKs, double baxterTemperature) {
  const ModelParametersRecord& m = ModelParameters;
  const SolventConditionsRecord& sc = SolventConditions;
  const float s = m.SedCoefficient[1];
  ImpliedMass = MFromSAndD(s, m.MassOrD[1] * 1e-7f, 20.0f);
  ImpliedFf0 = FF0FromMassAndS(ImpliedMass, s, sc.VBAR, sc.BufferDensity, sc.RELVISCOSITY);
  const double signalPerConcentration = ScanDataSet.SignalPerConcentration;
  const double loading = signalPerConcentration != 0.0 ? loadingSignal / signalPerConcentration : 0.0;
  ImpliedVolumeFraction = static_cast<float>(
      VolumeFractionOfConc(loading, std::fabs(reducedKs), ImpliedFf0, sc.VBAR));
  ImpliedB2Ratio = StickyHardSpheres && baxterTemperature > 0.0
                       ? static_cast<float>(BaxterReducedB2(baxterTemperature))
                       : 1.0f;
}

}  // namespace

void ModelEntries::BeforeNonidealDialog(FormState& t) {
  ModelParametersRecord& m = ModelParameters;
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  const WienerSkewingRecord& w = CorrectionOptions.WienerSkewing;
  switch (kind_) {
    case ModelKind::HinderedSingleSpecies: {
      const float reducedKs = std::fabs(m.Concentration[2]);
      const float baxter = std::fabs(m.Concentration[3]);
      t.texts[412] = FieldText("%.3f", reducedKs);
      t.texts[419] = FieldText("%.3f", baxter);
      ComputeImpliedValues(m.Concentration[1], reducedKs, baxter);
      // Shown for information only: restored afterwards, so they never
      // reach the slots they would otherwise be read into.
      Borrow(t, 420, InfoText("%.5f", SolventConditions.VBAR));
      Borrow(t, 421, InfoText("%.1f", ImpliedMass / 1000.0));
      Borrow(t, 426, InfoText("%.3f", ImpliedFf0));
      Borrow(t, 427, InfoText("%.3f", ImpliedVolumeFraction));
      Borrow(t, 414, InfoText("%.3f", ImpliedB2Ratio));
      t.checked[410] = StickyHardSpheres ? 1 : 0;
      if (!StickyHardSpheres) t.checked[445] = t.checked[416] = 0;
      BorrowTick(t, 441, w.On);
      return;
    }
    case ModelKind::NonidealMultipleSpecies:
      BorrowTick(t, 424, m.SyntheticBoundaryOverlay);
      for (int j = 1; j <= NonidealMultiSettingCount; ++j) {
        const NonidealMultiSettingEntry& s = m.NonidealMultiSetting[static_cast<std::size_t>(j)];
        BorrowTick(t, kMultiSpeciesEntries[j - 1].check, s.Flag);
        Borrow(t, kMultiSpeciesEntries[j - 1].edit, FieldText("%.5f", s.Value));
      }
      BorrowTick(t, 441, w.On);
      return;
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS: {
      const DistributionSettingsRecord& d = DistributionSettings;
      const CtotSettingsRecord& c = CorrectionOptions.Ctot;
      BorrowTick(t, 446, c.ExcludeDiscreteFromCtot);
      BorrowTick(t, 425, CorrectionOptions.Ctot.CreateDebugFiles);
      Borrow(t, 438, std::to_string(c.MovienGrid));
      Borrow(t, 439, std::to_string(c.CtotRadialPoints));
      Borrow(t, 428, FieldText("%.1f", d.LogSpacedSmin));
      // The box shows the grid as the run will make it: logarithmic only
      // while the grid switch itself is on.
      BorrowTick(t, 424, d.LogarithmicGrid);
      BorrowTick(t, 417, d.GridFromFile);
      BorrowTick(t, 441, w.On);
      float ks = e.LogKs, kd = e.LogKd;
      const char* format = "%.5f";
      if (kind_ == ModelKind::HinderedCS) {
        // The reduced ks and the Baxter temperature are magnitudes.
        format = "%.3f";
        ks = std::fabs(ks);
        if (StickyHardSpheres) kd = std::fabs(kd);
      }
      t.texts[443] = FieldText(format, ks);
      t.texts[427] = FieldText(format, kd);
      t.checked[410] = e.LogKsFitted;
      t.checked[445] = e.LogKdFitted;
      if (kind_ == ModelKind::HinderedCS && !StickyHardSpheres) {
        t.texts[427] = "off";
        t.checked[445] = 0;
      }
      t.texts[420] = FieldText("%.4f", SolventConditions.VBAR);
      t.checked[449] = c.CtotFromDataOnly && !c.UseExternalCtot;
      t.checked[451] = c.UseExternalCtot;
      t.checked[448] = !t.checked[449] && !t.checked[451];
      t.checked[452] = c.FreezeCtot;
      keptMassOrDFitted2_ = m.MassOrDFitted[2];
      return;
    }
    default:
      return;
  }
}

void ModelEntries::TakeWienerSkewing(const FormState& t) {
  WienerSkewingRecord& w = CorrectionOptions.WienerSkewing;
  w.On = Tick(t, 441) != 0;
  if (!w.On) return;
  w.SignalPerConcentration = static_cast<float>(Number(t, 440));
  ParametersCommandLinks.WienerSkewingParameters(window_);
}

void ModelEntries::AfterNonidealDialog(FormState& t) {
  ModelParametersRecord& m = ModelParameters;
  switch (kind_) {
    case ModelKind::HinderedSingleSpecies:
      if (!Tick(t, 410)) t.checked[445] = t.checked[416] = 0;
      TakeWienerSkewing(t);
      break;
    case ModelKind::NonidealMultipleSpecies: {
      m.SyntheticBoundaryOverlay = Tick(t, 424);
      for (int j = 1; j <= NonidealMultiSettingCount; ++j) {
        NonidealMultiSettingEntry& s = m.NonidealMultiSetting[static_cast<std::size_t>(j)];
        s.Flag = Tick(t, kMultiSpeciesEntries[j - 1].check);
        s.Value = static_cast<float>(Number(t, kMultiSpeciesEntries[j - 1].edit));
      }
      const auto weight = [&m](int j) {
        return m.NonidealMultiSetting[static_cast<std::size_t>(j)].Value;
      };
      if (weight(kWeightSpecies2) > 0.0f) {
        m.SpeciesExtinction[1] =
            Prompt("NONIDEAL COMPONENT 1", "extinction species 1:", m.SpeciesExtinction[1]);
        m.SpeciesExtinction[2] =
            Prompt("NONIDEAL COMPONENT 2", "extinction species 2:", m.SpeciesExtinction[2]);
      }
      if (weight(kWeightSpecies3) > 0.0f)
        m.SpeciesExtinction[3] =
            Prompt("NONIDEAL COMPONENT 3", "extinction species 3:", m.SpeciesExtinction[3]);
      TakeWienerSkewing(t);
      break;
    }
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS: {
      TakeWienerSkewing(t);
      if (kind_ == ModelKind::HinderedCS) {
        // A non-negative Baxter temperature switches the sticky spheres on;
        // a negative one or "off" switches them off with their fit.
        double tau = 0.0;
        StickyHardSpheres = t.Text(427) != "off" && NonNegativeEntry(t, 427, tau);
        if (!StickyHardSpheres) t.checked[445] = 0;
      }
      DistributionSettingsRecord& d = DistributionSettings;
      CtotSettingsRecord& c = CorrectionOptions.Ctot;
      double value = 0.0;
      if (NonNegativeEntry(t, 438, value)) c.MovienGrid = static_cast<int>(value);
      if (NonNegativeEntry(t, 439, value)) c.CtotRadialPoints = static_cast<int>(value);
      if (NonNegativeEntry(t, 428, value)) d.LogSpacedSmin = static_cast<float>(value);
      d.LogSpacedSminOn = Tick(t, 424) != 0;
      d.GridFromFile = Tick(t, 417) != 0;
      d.LogarithmicGrid = d.LogSpacedSminOn;
      if (!(d.LogSpacedSmin > 0.0f)) d.LogSpacedSminOn = false;
      c.ExcludeDiscreteFromCtot = Tick(t, 446) != 0;
      CorrectionOptions.Ctot.CreateDebugFiles = Tick(t, 425) != 0;
      break;
    }
    default:
      break;
  }
}

void ModelEntries::AfterNonidealReadBack(const FormState& t) {
  ModelParametersRecord& m = ModelParameters;
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  if (kind_ == ModelKind::HinderedSingleSpecies) {
    StickyHardSpheres = Tick(t, 410) != 0;
    m.MassOrDFitted[2] = 0;
    return;
  }
  // The non-ideal and hindered c(s): the constants into slots 20 and 21 and
  // the engine record; entry 427 is not the generic slot-4 value here, and
  // the ks fit box is not the fit flag of slot 2.
  e.LogKs = static_cast<float>(Number(t, 443));
  // "off" (hindered c(s) without sticky spheres) leaves the Baxter
  // temperature as it was: it is not used then, and it comes back when the
  // sticky spheres are switched on again.
  if (t.Text(427) != "off") e.LogKd = static_cast<float>(Number(t, 427));
  e.LogKsFitted = Tick(t, 410);
  e.LogKdFitted = Tick(t, 445);
  m.SpareParameter[1] = e.LogKs;
  m.SpareParameterFitted[1] = e.LogKsFitted;
  m.SpareParameter[2] = e.LogKd;
  m.SpareParameterFitted[2] = e.LogKdFitted;
  m.MassOrDFitted[2] = keptMassOrDFitted2_;
  CtotSettingsRecord& c = CorrectionOptions.Ctot;
  c.CtotFromDataOnly = Tick(t, 449) != 0;
  c.UseExternalCtot = !c.CtotFromDataOnly && Tick(t, 451) != 0;
  c.FreezeCtot = Tick(t, 452) != 0;
}
