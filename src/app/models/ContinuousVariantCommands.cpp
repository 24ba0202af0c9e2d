// The c(s) family: the plain c(s) distribution and its variants with prior
// knowledge (non-ideal and hindered, one discrete component, bimodal f/f0,
// fixed f/f0 with floating vbar, worm-like chain, general scaling law, M(s)
// table, flotation, invariant D, linear rods) and the c(s, f/f0) models.

#include <cmath>
#include <initializer_list>
#include <optional>

#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelSwitching.h"
#include "state/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "ui/Sounds.h"

namespace {

// The steps of every variant up to its own presets: the switch into
// continuous mode, the check marks, the kind, the distribution plot and the
// limits (slots 1 and 5). False when the kind was selected already or the
// switch refused.
bool EnterVariant(TXLAWindow& window, ModelKind kind, std::initializer_list<int> siblings,
                  std::optional<GridLimits> defaults, bool convertLimits = true) {
  if (ModelSelection.Kind == kind) return false;
  if (!SetContinuousModel(window, kind)) return false;
  UncheckItems(window, {235, 275});
  for (int id : siblings) window.CheckMenuItem(id, false);
  window.CheckMenuItem(CommandIdOf(kind), true);
  SelectModelKind(kind);
  ModelCommandLinks.InitDistributionPlot(true);
  if (convertLimits) ConvertOrDefaultLimits(defaults ? &*defaults : nullptr);
  SetSlot(1, DistributionSettings.Smin);
  SetSlot(5, DistributionSettings.Smax);
  return true;
}

void FrictionalRatioNotFitted() {
  DistributionSettings.FrictionalRatioFitted = 0;
  SetSlotFitted(11, 0);
}

// The discrete component as molar mass (slot 10) and s (slot 6), or in
// slots 16 and 17 beside a model that uses 10 and 6 itself.
void DiscreteComponentSlots(int massSlot, int sSlot) {
  const ModelPresetsRecord& pr = ModelPresets;
  SetSlot(massSlot, pr.DiscreteMass, pr.DiscreteMassFitted);
  SetSlot(sSlot, pr.DiscreteS, pr.DiscreteSFitted);
}

void BimodalSlots() {
  const DistributionSettingsRecord& ds = DistributionSettings;
  SetSlot(10, ds.SecondFf0);
  SetSlot(6, ds.SecondRangeSmin, ds.SecondRangeSminFitted);
  SetSlot(8, ds.SecondRangeSmax);
}

// Non-ideal and hindered c(s) share their discrete species and constants.
void NonidealCSSlots() {
  ModelPresetsRecord& pr = ModelPresets;
  SetSlot(20, SpeciesEngineParameters.LogKs);
  SetSlot(21, SpeciesEngineParameters.LogKd);
  pr.DiscreteMass = 350.0f;
  pr.DiscreteS = 0.34f;
  pr.DiscreteMassFitted = 0;
  pr.DiscreteSFitted = 0;
  SetSlot(10, 350.0f, 0);
  SetSlot(6, 0.34f, 0);
}

bool EnterWithRegularizationKept(TXLAWindow& window, ModelKind kind,
                                 std::initializer_list<int> siblings) {
  ModelSwitchState.KeepRegularizationOnSwitch = true;
  const bool entered = EnterVariant(window, kind, siblings, std::nullopt);
  ModelSwitchState.KeepRegularizationOnSwitch = false;
  return entered;
}

// The s x f/f0 models need pre-averaged radial data and no buffer mismatch.
bool RefuseForFf0(TXLAWindow& window) {
  if (RefuseDlsData(window)) return true;
  if (CorrectionOptions.BufferMismatch.On) {
    PlayInfoSound();
    ShowNote(window, "this model does not work in buffer mismatch mode", "ERROR");
    return true;
  }
  const ModelKind k = ModelSelection.Kind;
  if (ScanDataSet.RadialResolution <= 0.001f && k != ModelKind::CSFf0 &&
      k != ModelKind::CSFf0OneDiscrete) {
    PlayInfoSound();
    ShowNote(window,
             "radial pre-averaging of data points is recommended (at 0.003)!)\n(Loading "
             "Options->Set Radial Resolution)",
             "ATTENTION");
    return true;
  }
  return false;
}

void Ff0Presets(TXLAWindow& window) {
  SetFitMAndS(window, true);
  DistributionSettingsRecord& ds = DistributionSettings;
  SetSlot(10, ds.Ff0Min);
  SetSlot(6, ds.Ff0Max);
  SetSlot(8, ds.Ff0GridCount);
  FrictionalRatioNotFitted();
  ds.Ff0RegularizationWeight = 1.0f;
  ds.Ff0PlotSM = ds.Ff0PlotSR = ds.Ff0PlotSD = ds.Ff0PlotMFf0 = false;
}

}  // namespace

void CmContinuousCSDistribution(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  const ModelKind k = ModelSelection.Kind;
  if (!IsContinuousModel(k) || IsLsGStarModel(k) || k == ModelKind::HybridCSLsGStar ||
      k == ModelKind::LsGStarOneDiscrete) {
    if (!SetContinuousModel(window, ModelKind::ContinuousCS)) return;
    UncheckItems(window, {235, 539});
    window.CheckMenuItem(275, true);
    SelectModelKind(ModelKind::ContinuousCS);
    ModelCommandLinks.InitDistributionPlot(true);
    const GridLimits defaults{0.0f, 15.0f};
    ConvertOrDefaultLimits(&defaults);
  } else {
    LeaveContinuousSubKinds(window);
    UncheckItems(window, {277, 278, 279, 950, 288, 235});
    window.CheckMenuItem(275, true);
    SelectModelKind(ModelKind::ContinuousCS);
    ModelCommandLinks.InitDistributionPlot(false);
    RepaintMainWindow(window.Handle());
  }
  SetSlot(1, DistributionSettings.Smin);
  SetSlot(5, DistributionSettings.Smax);
  SyncParameterVector();
}

void CmNonidealCS(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (ModelSelection.Kind == ModelKind::NonidealCS) return;
  if (!UsesStandardCSKernel(ModelSelection.Kind) &&
      (FitControl.TINoiseFitted || ModelParameters.RINoiseFitted)) {
    PlayInfoSound();
    ShowNote(window, "you may need to run normal c(s) first, to get estimates for baselines",
             "ERROR");
  }
  if (!EnterWithRegularizationKept(window, ModelKind::NonidealCS, {531, 587, 1100})) return;
  NonidealCSSlots();
  SyncParameterVector();
}

void CmContinuousModel1100(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterWithRegularizationKept(window, ModelKind::HinderedCS, {531, 587, 585})) return;
  // Hindered sedimentation: both coefficients describe a slowing, so they
  // are taken as non-negative.
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  e.LogKs = std::fabs(e.LogKs);
  e.LogKd = std::fabs(e.LogKd);
  NonidealCSSlots();
  if (!ModelCommandState.NonidealEngineOption) SetSlotFitted(21, 0);
  SyncParameterVector();
}

void CmContinuousCSWithMSTable(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSWithMsTable, {1100, 585, 531}, GridLimits{2.0f, 20.0f}))
    return;
  SetFitMAndS(window, true);
  DiscreteComponentSlots(10, 6);
  FrictionalRatioNotFitted();
  SyncParameterVector();
}

void CmContinuousCSWith1DiscreteComponent(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSWithOneDiscrete, {1100, 585, 587},
                    GridLimits{0.0f, 20.0f}))
    return;
  const ModelPresetsRecord& pr = ModelPresets;
  ModelSelection.OneDiscreteByMass = FitControl.MassInsteadOfD;
  if (ModelSelection.OneDiscreteByMass)
    SetSlot(10, pr.DiscreteMass, pr.DiscreteMassFitted);
  else
    SetSlot(10, pr.DiscreteD, pr.DiscreteDFitted);
  SetSlot(6, pr.DiscreteS, pr.DiscreteSFitted);
  SyncParameterVector();
}

void CmContinuousCSConformationalChangeModel(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSConformationalChange, {}, GridLimits{0.0f, 20.0f})) return;
  const DistributionSettingsRecord& ds = DistributionSettings;
  SetSlot(10, ds.ConformationMass);
  SetSlot(6, ds.ConformationSmin);
  SetSlot(8, ds.ConformationSmax);
  SyncParameterVector();
}

void CmContinuousCSWithBimodalFF0(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSBimodalFf0, {}, GridLimits{0.0f, 20.0f})) return;
  BimodalSlots();
  SyncParameterVector();
}

void CmContinuousCSWithBimodalFF0And1DiscreteComponent(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSBimodalFf0OneDiscrete, {}, GridLimits{0.0f, 20.0f}))
    return;
  BimodalSlots();
  DiscreteComponentSlots(16, 17);
  SyncParameterVector();
}

void CmContinuousCSWithFixFF0AndFloatingVbar(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSFixFf0FloatingVbar, {}, GridLimits{2.0f, 20.0f})) return;
  FrictionalRatioNotFitted();
  SetSlot(11, SolventConditions.VBAR, DistributionSettings.VbarFitted);
  SetSlot(3, DistributionSettings.StartingFrictionalRatio);
  SyncParameterVector();
}

void CmContinuousCSWithGeneralScalingLaw(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSGeneralScalingLaw, {}, GridLimits{0.5f, 20.0f})) return;
  const DistributionSettingsRecord& ds = DistributionSettings;
  FrictionalRatioNotFitted();
  SetSlot(11, ds.GeneralScalingLaw.ScalingKs, ds.ScalingKsFitted);
  SetSlot(18, ds.GeneralScalingLaw.ScalingExponent, ds.ScalingExponentFitted);
  SyncParameterVector();
}

void CmContinuousCSForWormlikeChain(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSWormlikeChain, {}, GridLimits{2.0f, 20.0f})) return;
  const DistributionSettingsRecord& ds = DistributionSettings;
  const WormChainSettingsRecord& w = ds.WormChainSettings;
  FrictionalRatioNotFitted();
  SetSlot(10, w.CrossSection);
  SetSlot(11, w.PersistenceLength, ds.PersistenceLengthFitted);
  SetSlot(6, w.MonomerMass);
  SetSlot(8, w.Hydration);
  SyncParameterVector();
}

void CmContinuousCSWithFlotation(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSFlotation, {}, std::nullopt, false)) return;
  if (ModelSwitchState.FlotationLimitsPending) {
    SetLimits(1.0f, 10.0f);
    ModelSwitchState.FlotationLimitsPending = false;
  }
  const ModelPresetsRecord& pr = ModelPresets;
  SetSlot(10, pr.FlotationSize);
  SetSlot(6, pr.FlotationSmin, 0);
  SetSlot(8, pr.FlotationSmax);
  SyncParameterVector();
}

void CmContinuousCSFf0(TXLAWindow& window) {
  if (RefuseForFf0(window)) return;
  if (!EnterVariant(window, ModelKind::CSFf0, {598}, GridLimits{2.0f, 20.0f})) return;
  Ff0Presets(window);
  SyncParameterVector();
}

void CmContinuousCSFf0With1DiscreteComponent(TXLAWindow& window) {
  if (RefuseForFf0(window)) return;
  if (!EnterVariant(window, ModelKind::CSFf0OneDiscrete, {595}, GridLimits{0.1f, 20.0f})) return;
  Ff0Presets(window);
  DiscreteComponentSlots(16, 17);
  SyncParameterVector();
}

void CmContinuousCSWithInvariantD(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSInvariantD, {}, std::nullopt, false)) return;
  if (ScansLoaded() && DistributionSettings.Smin > 1000.0f)
    SetLimits(1.0f, 10.0f);
  else
    SetLimits(2.0f, 20.0f);
  SetSlot(11, ModelPresets.InvariantD, 0);
  SyncParameterVector();
}

void CmContinuousCSLinearRods(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterVariant(window, ModelKind::CSLinearRods, {}, GridLimits{2.0f, 20.0f})) return;
  SetSlot(11, DistributionSettings.RodMassPerLength);
  SyncParameterVector();
}
