#include "app/models/ModelSwitching.h"

#include <algorithm>
#include <initializer_list>

#include "app/models/ModelCommandSupport.h"
#include "state/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Sounds.h"

namespace {

bool OneOf(ModelKind kind, std::initializer_list<ModelKind> kinds) {
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

// Gives the recorded scan times back when an ls-g*(s) command had switched
// them to times derived from omega^2 t, and says so once.
void RestoreTimesSetByModel(TXLAWindow& window) {
  if (!ModelSwitchState.TimesFromW2tSetByModel) return;
  TimesFromW2tOff(window.Handle());
  ModelSwitchState.TimesFromW2tSetByModel = false;
  ShowNote(window, "switching off times from w^2t option", "");
}

// The kinds whose distributions are sharpened best by maximum entropy: a
// switch into one of them (or away from one that used the second derivative
// by default) leaves the second-derivative regularisation.
bool SwitchesToMaxEnt(ModelKind current, ModelKind target) {
  using K = ModelKind;
  const bool fromCurrent = OneOf(
      current, {K::ContinuousCS, K::ZoneCS, K::LsGStar, K::ZoneLsGStar, K::ElectrophoresisLsGStar,
                K::LsGStarOneDiscrete, K::HybridCSLsGStar, K::DlsIRh, K::DlsIRhTimeCourse});
  const bool toTarget = OneOf(target, {K::ContinuousCS,
                                       K::ZoneCS,
                                       K::CSWithMsTable,
                                       K::CSWithOneDiscrete,
                                       K::CSConformationalChange,
                                       K::CSBimodalFf0,
                                       K::CSBimodalFf0OneDiscrete,
                                       K::HybridCSLsGStar,
                                       K::CSFlotation,
                                       K::CSFixFf0FloatingVbar,
                                       K::CSGeneralScalingLaw,
                                       K::CSWormlikeChain,
                                       K::CSFf0,
                                       K::CSFf0OneDiscrete,
                                       K::LsGStar,
                                       K::ZoneLsGStar,
                                       K::ElectrophoresisLsGStar,
                                       K::LsGStarOneDiscrete,
                                       K::DlsIRh,
                                       K::DlsIRhTimeCourse});
  return fromCurrent || toTarget;
}

// Kinds whose distribution plot and parameter slots follow the s axis of
// the c(s) family: leaving or entering them re-initialises the plot.
bool InReinitialisationSet(ModelKind kind) {
  using K = ModelKind;
  return OneOf(kind, {K::ContinuousCS,
                      K::ZoneCS,
                      K::LsGStar,
                      K::ZoneLsGStar,
                      K::ElectrophoresisLsGStar,
                      K::LsGStarOneDiscrete,
                      K::CSLinearRods,
                      K::CSConformationalChange,
                      K::CSWithMsTable,
                      K::CSFf0,
                      K::CSFf0OneDiscrete,
                      K::CSGeneralScalingLaw,
                      K::CSWormlikeChain,
                      K::CSFixFf0FloatingVbar,
                      K::CSBimodalFf0,
                      K::CSBimodalFf0OneDiscrete,
                      K::CSWithOneDiscrete,
                      K::NonidealCS,
                      K::HinderedCS,
                      K::CSInvariantD});
}

bool ReinitialisationDue(ModelKind current, ModelKind target) {
  using K = ModelKind;
  if (InReinitialisationSet(current)) return true;
  const bool targetInSet = InReinitialisationSet(target) &&
                           !OneOf(target, {K::LsGStar, K::ZoneLsGStar, K::ElectrophoresisLsGStar});
  return targetInSet || target == K::CSFlotation || target == K::HybridCSLsGStar;
}

void MarkContinuousCM(TXLAWindow& window) {
  window.CheckMenuItem(235, true);
  window.CheckMenuItem(275, false);
}

// The fresh switch from a kind that is not continuous.
void EnterContinuousMode(TXLAWindow& window) {
  ResetModelFlags(window);
  SelectModelKind(ModelKind::ContinuousCM);
  MarkContinuousCM(window);
  ModelParameters.InitialConcentrationConstant = true;
  ModelParameters.InitialConcentrationExperimental = false;

  // Limits below 100 are sedimentation coefficients of the discrete models;
  // the c(M) grid needs molar masses.
  DistributionSettingsRecord& ds = DistributionSettings;
  if (ds.Smin < 100.0f && !DlsDataLoaded() && !ElectrophoresisDataLoaded()) {
    ds.Smin = CalculateM(ds.Smin);
    ds.Smax = CalculateM(ds.Smax);
  }
  const SolventConditionsRecord& s = SolventConditions;
  SetSlot(1, ds.Smin);
  SetSlot(5, ds.Smax);
  SetSlot(9, ds.Resolution);
  SetSlot(11, ds.StartingFrictionalRatio, ds.FrictionalRatioFitted);
  SetSlot(3, s.VBAR);
  SetSlot(7, s.BufferDensity);
  SetSlot(12, s.RELVISCOSITY * 0.01002f);
  SetSlot(4, s.Hydration);
  SetSlot(2, ModelSwitchState.ModelPvaluePreset);
  SyncParameterVector();

  LammSolverSettingsRecord& l = LammSolverSettings;
  ModelSwitchState.SavedLammGridSize = l.LammGridSize;
  l.LammGridSize = ModelSwitchState.ContinuousLammGridSize;
  ModelSwitchState.LammGridSizeChangedByModel = true;
  SetFiniteElementChoice(true, false, true);
  l.AutoSGrid = true;
  ReallocateSimulationArrays();
}

}  // namespace

void ResetModelFlags(TXLAWindow& window) {
  // The species of a sedimentation model, for a later discrete model after
  // the distribution model that may come next and take their slots.
  const ModelKind leaving = ModelSelection.Kind;
  if (IsDiscreteSpeciesModel(leaving) && leaving != ModelKind::DiscreteStokesRadii &&
      leaving != ModelKind::CumulantAnalysis)
    KeepDiscreteSpecies();
  RestoreTimesSetByModel(window);
  CorrectionOptions.WienerSkewing.On = false;
  CorrectionOptions.WienerSkewing.MagnitudeFitted = 0;
  ScanDataSet.DataChanged = true;
  LammSolverSettingsRecord& l = LammSolverSettings;
  l.AutomaticAlgorithm = true;
  if (ModelSwitchState.LammGridSizeChangedByModel) {
    l.LammGridSize = l.DefaultLammGridSize;
    ModelSwitchState.LammGridSizeChangedByModel = false;
  }
  ModelCommandState.NonidealEngineOption = false;
  if (LoadOptions.EqTestMode) {
    ModelCommandLinks.ResetEqTest(window);
    LoadOptions.EqTestMode = false;
  }
  SelectModelKind(ModelKind::NoModel);
  ModelSelection.VanHoldeWeischetFlotation = false;
  ModelCommandState.ExtrapolationPlotShown = false;
  ModelParameters.FirstComponentNonideal = false;
  ModelCommandState.ContinuousDistributionOption = false;
  if (ModelCommandLinks.MwScreenOpen()) ModelCommandLinks.CloseMwScreen(window);
  for (int id : AllModelCommandIds) window.CheckMenuItem(id, false);
}

void LeaveContinuousSubKinds(TXLAWindow& window) {
  if (IsContinuousModel(ModelSelection.Kind)) SelectModelKind(ModelKind::ContinuousCM);
  DistributionSettings.GridFromFile = false;
  DistributionSettings.LogarithmicGrid = false;
  SetSlotFitted(3, 0);
  SetSlotFitted(4, 0);
  ModelCommandState.ContinuousDistributionOption = false;
  DistributionRunFlags.InNonlinearSearch = false;
  UncheckItems(window,
               {291, 501, 526, 503, 502,  511, 510, 595, 598, 277, 278, 279,  288, 293, 513,
                514, 531, 587, 585, 1100, 539, 521, 602, 872, 603, 548, 1117, 870, 887, 950});
}

bool SetContinuousModel(TXLAWindow& window, ModelKind target) {
  RestoreTimesSetByModel(window);
  if (AnswerHelp(window)) return false;
  if (DlsDataLoaded() && !(target == ModelKind::DlsIRh || target == ModelKind::DlsIRhTimeCourse ||
                           target == ModelKind::DlsID)) {
    PlayInfoSound();
    ShowNote(window, "this model is not implemented for DLS data", "ERROR");
    return false;
  }
  const ModelKind current = ModelSelection.Kind;
  if (!ModelSwitchState.KeepRegularizationOnSwitch &&
      DistributionSettings.RegularizationType.SecondDerivativeRegularization &&
      SwitchesToMaxEnt(current, target)) {
    if (!ModelSwitchState.SuppressModelNotes)
      ShowNote(window, "Please Note: Switching now to Maximum Entropy Regularization",
               "continuous distribution");
    SelectRegularizationChecked(window, RegularizationChoice::MaxEnt);
  }
  const bool wasContinuous = IsContinuousModel(current);
  const bool reinitialise = ReinitialisationDue(current, target);
  LeaveContinuousSubKinds(window);

  if (!wasContinuous) {
    EnterContinuousMode(window);
    return true;
  }
  MarkContinuousCM(window);
  if (reinitialise) {
    ModelCommandLinks.InitDistributionPlot(false);
    SetSlot(1, DistributionSettings.Smin);
    SetSlot(5, DistributionSettings.Smax);
    SyncParameterVector();
    RepaintMainWindow(window.Handle());
    ReallocateSimulationArrays();
  }
  return true;
}

void CmContinuousCMDistribution(TXLAWindow& window) {
  SetContinuousModel(window, ModelKind::ContinuousCM);
}
