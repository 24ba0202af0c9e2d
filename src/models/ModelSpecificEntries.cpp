#include "models/ModelSpecificEntries.h"

#include <cmath>
#include <cstdlib>

#include "data/ScanDataSet.h"
#include "state/DistributionSettingsRecords.h"
#include "state/SolventConditions.h"
#include "models/ParameterPacking.h"
#include "models/ParametersCommand.h"
#include "models/ParamsBox.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Boxes.h"

double model_entries::Number(const platform::FormState& t, int id) {
  return std::atof(t.Text(id).c_str());
}

int model_entries::Tick(const platform::FormState& t, int id) {
  return t.Checked(id) != 0 ? 1 : 0;
}

float model_entries::Prompt(const char* caption, const char* label, float value) {
  float entered = value;
  InputFloat(entered, value, true, label, caption);
  return entered;
}

namespace {

using model_entries::Number;
using model_entries::Prompt;
using model_entries::Tick;
using platform::FormState;

bool AskYesNo(platform::WindowHandle window, const char* text, const char* caption) {
  return platform::Current().ShowMessageBox({window, text, caption, platform::BoxIcon::Question,
                                             platform::BoxButtons::YesNo}) ==
         platform::BoxAnswer::Yes;
}

void Tell(platform::WindowHandle window, const char* text, const char* caption,
          platform::BoxIcon icon = platform::BoxIcon::Warning) {
  platform::Current().ShowMessageBox({window, text, caption, icon, platform::BoxButtons::Ok});
}

// The Stokes-Einstein relation between a Stokes radius (m) and D (cm^2/s)
// in the run's solvent at the run's temperature, the conditions under which
// the flotation model deconvolutes; the relation serves both directions.
double StokesEinstein(double x) {
  return DFromStokesRadius(static_cast<float>(x),
                           SolventConditions.BufferTemperature - 273.15f);
}

}  // namespace

void ModelEntries::Borrow(FormState& t, int id, std::string text) {
  if (!savedTexts_.count(id)) savedTexts_[id] = t.Text(id);
  t.texts[id] = std::move(text);
}

void ModelEntries::BorrowTick(FormState& t, int id, int on) {
  if (!savedTicks_.count(id)) savedTicks_[id] = t.Checked(id);
  t.checked[id] = on;
}

void ModelEntries::Restore(FormState& t) {
  for (const auto& [id, text] : savedTexts_) t.texts[id] = text;
  for (const auto& [id, on] : savedTicks_) t.checked[id] = on;
}

void ModelEntries::Cancelled(FormState& t) { Restore(t); }

void ModelEntries::BeforeDialog(FormState& t) {
  DistributionSettingsRecord& d = DistributionSettings;
  const ModelParametersRecord& m = ModelParameters;
  switch (kind_) {
    case ModelKind::MonomerDimer:
      if (FitControl.MassInsteadOfD) {
        BorrowTick(t, 425, SpeciesEngineParameters.AssociationNonidealityOn);
        Borrow(t, 428, FieldText("%.5f", SpeciesEngineParameters.LogKs));
      }
      return;
    case ModelKind::HinderedSingleSpecies:
    case ModelKind::NonidealMultipleSpecies:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
      BeforeNonidealDialog(t);
      return;
    case ModelKind::ExtrapolateLsGStar: {
      const ExtrapolationSwitches x = KeptExtrapolationSwitches;
      BorrowTick(t, 416, !x.noSlide);
      BorrowTick(t, 442, x.fitBoundaryFractions);
      BorrowTick(t, 445, x.resultAsDGds);
      return;
    }
    case ModelKind::NonidealSingleSpecies:
      t.checked[410] = SpeciesEngineParameters.Repulsive;
      t.checked[411] = SpeciesEngineParameters.TabulatedSD;
      t.checked[424] = SpeciesEngineParameters.CsClModel;
      return;
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete: {
      Borrow(t, 419, FieldText("%.5f", d.Ff0RegularizationWeight));
      const bool none = !(d.Ff0PlotSM || d.Ff0PlotSR || d.Ff0PlotSD || d.Ff0PlotMFf0);
      BorrowTick(t, 442, d.Ff0PlotSM);
      BorrowTick(t, 446, d.Ff0PlotSR);
      t.checked[429] = d.Ff0PlotSD;
      t.checked[430] = d.Ff0PlotMFf0;
      if (kind_ == ModelKind::CSFf0OneDiscrete) {
        Borrow(t, 443, FieldText("%.1f", d.DiscreteSpeciesMass));
        Borrow(t, 427, FieldText("%.3f", d.DiscreteSpeciesS));
        BorrowTick(t, 445, d.DiscreteSpeciesMassFitted);
        BorrowTick(t, 411, d.DiscreteSpeciesSFitted);
      } else {
        BorrowTick(t, 445, none);
      }
      return;
    }
    case ModelKind::CSFlotation: {
      const FlotationSettingsRecord& f = d.FlotationSettings;
      BorrowTick(t, 411, 0);
      const double radius = f.FlotationDeconvolutionR ? f.FlotationDeconvolutionSize
                                                      : StokesEinstein(f.FlotationDeconvolutionSize);
      const double diffusion = f.FlotationDeconvolutionR ? StokesEinstein(f.FlotationDeconvolutionSize)
                                                         : f.FlotationDeconvolutionSize;
      Borrow(t, 413, FieldText("%.3f", radius * 1e9));
      Borrow(t, 438, FieldText("%.3f", diffusion * 1e7));
      BorrowTick(t, 449, f.FlotationDeconvolutionR);
      BorrowTick(t, 450, !f.FlotationDeconvolutionR);
      Borrow(t, 439, std::to_string(f.FlotationGridN));
      Borrow(t, 414, FieldText("%.1f", f.FlotationMinS));
      Borrow(t, 428, FieldText("%.1f", f.FlotationMaxS));
      BorrowTick(t, 402, !f.FlotationOnly);
      return;
    }
    case ModelKind::CSBimodalFf0OneDiscrete:
      BorrowTick(t, 418, d.DiscreteSpeciesSFitted);
      BorrowTick(t, 445, d.DiscreteSpeciesMassFitted);
      Borrow(t, 443, FieldText("%.1f", d.DiscreteSpeciesMass));
      Borrow(t, 438, FieldText("%.3f", d.DiscreteSpeciesS));
      return;
    case ModelKind::HybridCSLsGStar:
      t.texts[405] = FieldText("%.0f", m.Concentration[1]);
      t.texts[406] = FieldText("%.0f", m.MassOrD[1]);
      t.texts[407] = FieldText("%.0f", m.SedCoefficient[1]);
      BorrowTick(t, 411, d.HybridIncludesDiscrete);
      Borrow(t, 413, FieldText("%.1f", d.HybridSThreshold));
      BorrowTick(t, 418, d.DiscreteSpeciesSFitted);
      BorrowTick(t, 445, d.DiscreteSpeciesMassFitted);
      Borrow(t, 443, FieldText("%.1f", d.DiscreteSpeciesMass));
      Borrow(t, 438, FieldText("%.3f", d.DiscreteSpeciesS));
      return;
    case ModelKind::FMScalingLaw:
    case ModelKind::CSGeneralScalingLaw:
      t.checked[416] = d.ScalingKsFitted;
      t.texts[428] = FieldText("%.3f", d.GeneralScalingLaw.ScalingExponent);
      t.checked[425] = d.ScalingExponentFitted;
      t.texts[419] = FieldText("%.3e", d.GeneralScalingLaw.ScalingKs);
      if (kind_ == ModelKind::FMScalingLaw) t.checked[409] = d.ScalingNoDeconvolution;
      return;
    case ModelKind::DlsID:
    case ModelKind::DlsIRh:
    case ModelKind::DlsIRhTimeCourse:
      BorrowTick(t, 447, d.DlsLinearDensity);
      BorrowTick(t, 448, !d.DlsLinearDensity);
      BorrowTick(t, 449, d.DlsGridLogRh);
      BorrowTick(t, 450, d.DlsGridLinear);
      BorrowTick(t, 451, d.DlsGridLogD);
      return;
    default:
      break;
  }
  if (IsZoneModel(kind_) && FitControl.MassInsteadOfD)
    BorrowTick(t, 446, ModelSelection.InvertBand);
  if (IsDiscreteSpeciesModel(kind_) && !FitControl.MassInsteadOfD)
    BorrowTick(t, 450, m.FirstComponentNonideal);
}

void ModelEntries::AfterDialog(FormState& t) {
  DistributionSettingsRecord& d = DistributionSettings;
  ModelParametersRecord& m = ModelParameters;
  switch (kind_) {
    case ModelKind::MonomerDimer:
      if (FitControl.MassInsteadOfD) {
        SpeciesEngineParameters.AssociationNonidealityOn = Tick(t, 425);
        if (SpeciesEngineParameters.AssociationNonidealityOn)
          SpeciesEngineParameters.LogKs = static_cast<float>(Number(t, 428));
      }
      break;
    case ModelKind::HinderedSingleSpecies:
    case ModelKind::NonidealMultipleSpecies:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
      AfterNonidealDialog(t);
      break;
    case ModelKind::ExtrapolateLsGStar: {
      ExtrapolationSwitches x;
      x.noSlide = Tick(t, 416) == 0;
      x.fitBoundaryFractions = Tick(t, 442) != 0;
      x.resultAsDGds = Tick(t, 445) != 0;
      KeptExtrapolationSwitches = x;
      break;
    }
    case ModelKind::NonidealSingleSpecies:
      SpeciesEngineParameters.TabulatedSD = Tick(t, 411);
      SpeciesEngineParameters.CsClModel = Tick(t, 424);
      break;
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete: {
      d.Ff0RegularizationWeight = static_cast<float>(Number(t, 419));
      const bool before[] = {d.Ff0PlotSM, d.Ff0PlotSR, d.Ff0PlotSD, d.Ff0PlotMFf0};
      d.Ff0PlotSM = Tick(t, 442);
      d.Ff0PlotSR = Tick(t, 446);
      d.Ff0PlotSD = Tick(t, 429);
      d.Ff0PlotMFf0 = Tick(t, 430);
      if (kind_ == ModelKind::CSFf0OneDiscrete) {
        d.DiscreteSpeciesMass = static_cast<float>(Number(t, 443));
        d.DiscreteSpeciesS = static_cast<float>(Number(t, 427));
        d.DiscreteSpeciesMassFitted = Tick(t, 445);
        d.DiscreteSpeciesSFitted = Tick(t, 411);
        m.ExtraParameter[1] = d.DiscreteSpeciesMass;
        m.ExtraParameter[2] = d.DiscreteSpeciesS;
        m.ExtraParameterFitted[1] = d.DiscreteSpeciesMassFitted;
        m.ExtraParameterFitted[2] = d.DiscreteSpeciesSFitted;
      } else if (Tick(t, 445)) {
        d.Ff0PlotSM = d.Ff0PlotSR = d.Ff0PlotSD = d.Ff0PlotMFf0 = false;
      }
      const bool after[] = {d.Ff0PlotSM, d.Ff0PlotSR, d.Ff0PlotSD, d.Ff0PlotMFf0};
      plotChoiceChanged_ = !std::equal(std::begin(before), std::end(before), std::begin(after));
      break;
    }
    case ModelKind::CSFlotation: {
      FlotationSettingsRecord& f = d.FlotationSettings;
      f.FlotationOnly = !Tick(t, 402);
      if (f.FlotationOnly) {
        d.FrictionalRatioFitted = 0;
        t.checked[416] = 0;
      }
      f.FlotationDeconvolutionR = Tick(t, 449);
      f.FlotationDeconvolutionSize = f.FlotationDeconvolutionR
                                         ? static_cast<float>(Number(t, 413) * 1e-9)
                                         : static_cast<float>(Number(t, 438) * 1e-7);
      f.FlotationGridN = static_cast<int>(Number(t, 439));
      f.FlotationMinS = static_cast<float>(Number(t, 414));
      f.FlotationMaxS = static_cast<float>(Number(t, 428));
      if (f.FlotationMinS > f.FlotationMaxS) std::swap(f.FlotationMinS, f.FlotationMaxS);
      break;
    }
    case ModelKind::CSBimodalFf0OneDiscrete:
      d.DiscreteSpeciesSFitted = m.ExtraParameterFitted[2] = Tick(t, 418);
      d.DiscreteSpeciesMassFitted = m.ExtraParameterFitted[1] = Tick(t, 445);
      d.DiscreteSpeciesMass = m.ExtraParameter[1] = static_cast<float>(Number(t, 443));
      d.DiscreteSpeciesS = m.ExtraParameter[2] = static_cast<float>(Number(t, 438));
      break;
    case ModelKind::HybridCSLsGStar:
      d.HybridSThreshold = Number(t, 413);
      d.HybridIncludesDiscrete = Tick(t, 411);
      d.DiscreteSpeciesSFitted = Tick(t, 418);
      d.DiscreteSpeciesMassFitted = Tick(t, 445);
      d.DiscreteSpeciesMass = static_cast<float>(Number(t, 443));
      d.DiscreteSpeciesS = static_cast<float>(Number(t, 438));
      if (!d.HybridIncludesDiscrete) d.DiscreteSpeciesSFitted = d.DiscreteSpeciesMassFitted = 0;
      break;
    case ModelKind::DlsID:
    case ModelKind::DlsIRh:
    case ModelKind::DlsIRhTimeCourse:
      d.DlsLinearDensity = Tick(t, 447);
      d.DlsGridLinear = Tick(t, 450);
      d.DlsGridLogD = Tick(t, 451);
      // The two log grids differ only by sign and offset: they move together.
      d.DlsGridLogRh = d.DlsGridLogD;
      break;
    default:
      if (IsZoneModel(kind_) && FitControl.MassInsteadOfD)
        ModelSelection.InvertBand = Tick(t, 446);
      if (IsDiscreteSpeciesModel(kind_) && !FitControl.MassInsteadOfD)
        m.FirstComponentNonideal = Tick(t, 450);
      break;
  }
  Restore(t);
}

void ModelEntries::AfterReadBack(const FormState& t) {
  DistributionSettingsRecord& d = DistributionSettings;
  ModelParametersRecord& m = ModelParameters;
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  switch (kind_) {
    case ModelKind::NonidealSingleSpecies:
    case ModelKind::NonidealMultipleSpecies:
      e.Repulsive = Tick(t, 410);
      m.MassOrDFitted[2] = 0;
      break;
    case ModelKind::HinderedSingleSpecies:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
      AfterNonidealReadBack(t);
      break;
    case ModelKind::HybridCSLsGStar:
      // Its own fit flags of the discrete species, not the generic ones.
      m.SedCoefficientFitted[2] = d.DiscreteSpeciesSFitted;
      m.ConcentrationFitted[2] = d.DiscreteSpeciesMassFitted;
      m.Concentration[2] = d.DiscreteSpeciesMass;
      m.SedCoefficient[2] = d.DiscreteSpeciesS;
      break;
    case ModelKind::FMScalingLaw:
    case ModelKind::CSGeneralScalingLaw:
      d.GeneralScalingLaw.ScalingExponent = m.ExtraParameter[3];
      d.ScalingExponentFitted = m.ExtraParameterFitted[3];
      d.GeneralScalingLaw.ScalingKs = m.Concentration[3];
      d.ScalingKsFitted = m.ConcentrationFitted[3];
      if (kind_ == ModelKind::FMScalingLaw) {
        // "calibrate": new Ks and bs from calibration data, which then stay
        // fixed; a failed calibration shows the dialog again.
        if (d.ScalingExponentFitted) {
          if (ParametersCommandLinks.CalibrateCMPowerLaw(window_)) {
            d.ScalingKsFitted = d.ScalingExponentFitted = 0;
            m.ConcentrationFitted[3] = m.ExtraParameterFitted[3] = 0;
          } else {
            Tell(window_, "calibration of scaling law failed", "Parameter Error");
            calibrationFailed_ = true;
          }
        }
        d.ScalingNoDeconvolution = m.ConcentrationFitted[2];
        if (d.ScalingNoDeconvolution && (d.ScalingKsFitted || d.ScalingExponentFitted)) {
          Tell(window_,
               "fitting for ks and bs impossible without diffusion deconvolution, switching "
               "this off.",
               "ATTENTION");
          d.ScalingKsFitted = d.ScalingExponentFitted = 0;
          m.ConcentrationFitted[3] = m.ExtraParameterFitted[3] = 0;
        }
        if (d.ScalingKsFitted)
          Tell(window_, "note: fitting ks will make prior calibration invalid", "ATTENTION");
      }
      break;
    default:
      break;
  }
  if (IsDiscreteSpeciesModel(kind_) && !FitControl.MassInsteadOfD && m.FirstComponentNonideal) {
    const char* caption = "NONIDEAL COMPONENT 1";
    e.LogKs = Prompt(caption, "log10(ks/(mg/ml)):", e.LogKs);
    e.LogKsFitted = AskYesNo(window_, "fit ks?", caption);
    e.LogKd = Prompt(caption, "log10(kd/(mg/ml)):", e.LogKd);
    e.LogKdFitted = AskYesNo(window_, "fit kd?", caption);
    ScanDataSet.SignalPerConcentration =
        Prompt(caption, "Signal per mg/ml:", static_cast<float>(ScanDataSet.SignalPerConcentration));
    e.Repulsive = true;
    m.SpareParameter[1] = e.LogKs;
    m.SpareParameterFitted[1] = e.LogKsFitted;
    m.SpareParameter[2] = e.LogKd;
    m.SpareParameterFitted[2] = e.LogKdFitted;
  }
}

bool ModelEntries::GridSettingsAccepted() {
  if (plotChoiceChanged_) {
    ParametersCommandLinks.RebuildTwoDimensionalPlot();
    plotChoiceChanged_ = false;
  }
  return bCofSff0(window_) && !calibrationFailed_;
}

void ModelEntries::Finish() {
  if ((kind_ == ModelKind::NonidealCS || kind_ == ModelKind::HinderedCS) &&
      CorrectionOptions.Ctot.UseExternalCtot)
    ParametersCommandLinks.LoadCtotDataFiles(window_);
}

bool bCofSff0(platform::WindowHandle window) {
  DistributionSettingsRecord& d = DistributionSettings;
  const ModelKind kind = ModelSelection.Kind;
  if (!IsContinuousModel(kind)) return true;
  if (d.LogarithmicGrid && d.Smin == 0.0f) {
    Tell(window, "smin = 0 is incompatible with log spacing of grid\n - switching off - please confirm",
         "");
    d.LogarithmicGrid = false;
    ModelParameters.MassOrDFitted[4] = 0;  // the grid switch travels as this flag
    PackParameterVector();
    return false;
  }
  if (d.LogarithmicGrid && (d.Smin < 0.0f || d.Smax < 0.0f) && kind != ModelKind::CSFlotation) {
    Tell(window,
         "smin < 0 and smax < 0 is incompatible with log spacing of grid\n - switching off - "
         "please confirm",
         "");
    d.LogarithmicGrid = false;
    ModelParameters.MassOrDFitted[4] = 0;  // the grid switch travels as this flag
    PackParameterVector();
    return false;
  }
  if (kind == ModelKind::CSFf0 || kind == ModelKind::CSFf0OneDiscrete) {
    if (!(d.Ff0Max > d.Ff0Min)) {
      ErrorBox("Error in bCofSff0: ff0max must be larger than ff0min");
      return false;
    }
    if (!(d.Ff0GridCount > 1.0f)) {
      ErrorBox("Error in bCofSff0: ff0resolution must be integer > 1");
      return false;
    }
  }
  return true;
}
