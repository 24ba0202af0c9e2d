// The continuous kinds beside the c(s) family: ls-g*(s) and its relatives
// (one discrete species, the hybrid with c(s), zone and electrophoresis
// forms), zone c(s), the continuous light-scattering distributions, and the
// c(M) variants with the electrophoresis c(v).

#include <cmath>

#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelSwitching.h"
#include "state/LoadOptions.h"
#include "state/ProgramFlags.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/DistributionSettingsRecords.h"
#include "models/ParameterPacking.h"
#include "models/ScanTimesFromW2t.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/PhysicalConstants.h"

namespace {

bool MaxEntSelected() {
  return DistributionSettings.RegularizationType.MaxEntRegularizationOn;
}

constexpr const char* kTikhonovNote =
    "Please Note: Switching now to Tikhonov-Phillips Regularization";

// The ls-g*(s) kinds are regularised by the second derivative: maximum
// entropy would sharpen an apparent distribution that has no sharp peaks.
void SwitchToSecondDerivative(TXLAWindow& window, bool withNote) {
  if (withNote) ShowNote(window, kTikhonovNote, "ls-g(s)");
  SelectRegularizationChecked(window, RegularizationChoice::SecondDerivative);
}

void SecondDerivativeUnlessSelected(TXLAWindow& window, bool withNote) {
  if (!SecondDerivativeOrBothSelected()) SwitchToSecondDerivative(window, withNote);
}

// Apparent sedimentation coefficients assume the final rotor speed from the
// start, so the scan times are derived from omega^2 t unless a rotor speed
// profile is coupled or the data are not sedimentation scans.
bool SwitchTimesFromW2t(TXLAWindow& window, bool noteInBatch) {
  if (ScanDataSet.TimesFromW2t || ScanDataSet.UsingSpeedSteps || DlsDataLoaded() ||
      ElectrophoresisDataLoaded())
    return false;
  TimesFromW2tOn(window.Handle());
  if (noteInBatch || !BatchMode) ShowNote(window, "switching on times from w^2t option", "");
  return true;
}

void ClearDistributionPlotsIfShown() {
  const ModelKind k = ModelSelection.Kind;
  if (IsContinuousModel(k) || IsVanHoldeWeischetFamily(k))
    ModelCommandLinks.ClearDistributionPlots();
}

// Zone and electrophoresis ls-g*: ls-g*(s) with its own kind and presets.
void LsGStarForm(TXLAWindow& window, ModelKind kind, float confidence) {
  if (RefuseDlsData(window)) return;
  if (ModelSelection.Kind == kind) return;
  ClearDistributionPlotsIfShown();
  ResetModelFlags(window);
  CmLsGStarS(window);
  if (ModelSelection.Kind != ModelKind::LsGStar) return;
  window.CheckMenuItem(288, false);
  window.CheckMenuItem(CommandIdOf(kind), true);
  SelectModelKind(kind);
  SetFiniteElementChoice(false, false, false);
  ClearFitFlags();
  ZeroConcentrations();
  SetConfidenceLevel(confidence);
  SetResolution(100.0f);
  SetLimits(1.0f, 20.0f);
  if (kind == ModelKind::ZoneLsGStar) {
    SetSlot(23, ModelPresets.ZoneLoading, 1);
    DistributionSettings.StartingFrictionalRatio = 1.0f;
    SetSlot(11, 1.0f);
  }
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void ContinuousDls(TXLAWindow& window, ModelKind kind, float smin, float smax) {
  if (AnswerHelp(window) || RefuseWithoutDlsData(window)) return;
  if (!SetContinuousModel(window, kind)) return;
  window.CheckMenuItem(235, false);
  SelectModelKind(kind);
  SetLimits(smin, smax);
  SetSlot(2, 0.55f);
  DistributionSettings.RegularizationPvalue = 0.55f;
  if (kind == ModelKind::DlsIRhTimeCourse) SetSlot(11, ModelPresets.TimeCourseValue);
  UncheckItems(window, {890, 198, 536, 522, 503, 502});
  window.CheckMenuItem(CommandIdOf(kind), true);
  SyncParameterVector();
}

// Falls back from a c(M) variant whose relation was not given.
void FallBackToCM(TXLAWindow& window, int id, const char* note) {
  ShowNote(window, note, "");
  SelectModelKind(ModelKind::ContinuousCM);
  window.CheckMenuItem(id, false);
}

}  // namespace

void CmLsGStarS(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!SetContinuousModel(window, ModelKind::LsGStar)) return;
  const bool multiSpeed = ModelCommandState.MultiSpeedDataMode;
  if (MaxEntSelected() && !BatchMode) SwitchToSecondDerivative(window, !multiSpeed);
  if (SwitchTimesFromW2t(window, false)) ModelSwitchState.TimesFromW2tSetByModel = true;
  SelectModelKind(ModelKind::LsGStar);
  SetResolution(100.0f);
  if (multiSpeed) {
    SetConfidenceLevel(0.95f);
    SetLimits(100.0f, 100000.0f);
    SetSlotFitted(MeniscusSlot, 1);
  } else {
    SetConfidenceLevel(0.683f);
    SetLimits(1.0f, 20.0f);
  }
  window.CheckMenuItem(288, true);
  window.CheckMenuItem(235, false);
  if (MaxEntSelected()) SwitchToSecondDerivative(window, true);
  SyncParameterVector();
}

void CmLsGSWith1DiscreteLammEqComponent(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (!SetContinuousModel(window, ModelKind::LsGStarOneDiscrete)) return;
  SecondDerivativeUnlessSelected(window, !ModelCommandState.MultiSpeedDataMode);
  SwitchTimesFromW2t(window, true);
  SelectModelKind(ModelKind::LsGStarOneDiscrete);
  SetConfidenceLevel(0.683f);
  SetResolution(100.0f);
  SetLimits(1.0f, 20.0f);
  SetSlot(10, ModelPresets.DiscreteMass);
  SetSlot(6, ModelPresets.DiscreteS);
  window.CheckMenuItem(539, true);
  window.CheckMenuItem(235, false);
  SyncParameterVector();
}

void CmHybridCSLsGS(TXLAWindow& window) {
  if (ModelSelection.Kind != ModelKind::HybridCSLsGStar) {
    const bool maxEntBefore = MaxEntSelected();
    const bool suppressed = ModelSwitchState.SuppressModelNotes;
    ModelSwitchState.SuppressModelNotes = true;
    CmContinuousCSWithBimodalFF0And1DiscreteComponent(window);
    if (ModelSelection.Kind != ModelKind::CSBimodalFf0OneDiscrete) {
      ModelSwitchState.SuppressModelNotes = suppressed;
      return;
    }
    window.CheckMenuItem(870, false);
    ModelSwitchState.SuppressModelNotes = suppressed;
    SelectModelKind(ModelKind::ContinuousCM);
    DistributionSettings.SecondRangeSminFitted = 0;
    SetSlotFitted(6, 0);
    SwitchToSecondDerivative(window, maxEntBefore && MaxEntSelected());
    SetResolution(101.0f);
    SetSlotFitted(10, 0);
    ModelPresets.DiscreteMassFitted = 0;
    ModelPresets.DiscreteSFitted = 0;
    ModelCommandState.ContinuousDistributionOption = false;
  }
  SelectModelKind(ModelKind::HybridCSLsGStar);
  window.CheckMenuItem(950, true);
  SetSlot(10, ModelPresets.DiscreteMass);
  SetSlot(6, ModelPresets.DiscreteS);
  SyncParameterVector();
}

void CmAnalyticalZoneCentrifugationLsGS(TXLAWindow& window) {
  if (AnswerHelp(window)) return;
  LsGStarForm(window, ModelKind::ZoneLsGStar, 0.95f);
}

void CmElectrophoresisLsGV(TXLAWindow& window) {
  if (AnswerHelp(window)) return;
  LsGStarForm(window, ModelKind::ElectrophoresisLsGStar, 0.683f);
}

void CmAnalyticalZoneCentrifugationCS(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (ModelSelection.Kind == ModelKind::ZoneCS) return;
  ResetModelFlags(window);
  if (!SetContinuousModel(window, ModelKind::ZoneCS)) return;
  SelectModelKind(ModelKind::ZoneCS);
  UncheckItems(window, {235, 275});
  window.CheckMenuItem(511, true);
  const GridLimits defaults{2.0f, 20.0f};
  ConvertOrDefaultLimits(&defaults);
  SetSlot(23, ModelPresets.ZoneLoading, 1);
  ModelParameters.InitialConcentrationConstant = true;
  ModelParameters.InitialConcentrationExperimental = false;
  SecondDerivativeUnlessSelected(window, true);
  SetConfidenceLevel(0.99f);
  SetFiniteElementChoice(false, false, true);
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void CmDLSContinuousIRhDistribution(TXLAWindow& window) {
  ContinuousDls(window, ModelKind::DlsIRh, 1.0f, 50.0f);
}

void CmDLSContinuousIDDistribution(TXLAWindow& window) {
  ContinuousDls(window, ModelKind::DlsID, 0.1f, 10.0f);
}

void CmContinuousIRhTimeCourse(TXLAWindow& window) {
  ContinuousDls(window, ModelKind::DlsIRhTimeCourse, 1.0f, 50.0f);
}

void CmCMWithInvariantD(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!SetContinuousModel(window, ModelKind::CMInvariantD)) return;
  SelectModelKind(ModelKind::CMInvariantD);
  window.CheckMenuItem(277, true);
  SyncParameterVector();
  ShowNote(window, "distribution will be c(Mbuoyant)", "");
}

void CmCMWithPowerLawSM(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!SetContinuousModel(window, ModelKind::CMVariant278)) return;
  SelectModelKind(ModelKind::CMVariant278);
  window.CheckMenuItem(278, true);
  PhysicalConstantsRecord& pc = PhysicalConstants;
  float a = 0.0f, b = 0.0f;
  if (!AskFloat(window, a, static_cast<float>(pc.SofMLawA),
                "Using power-law s(M) = a*M^b. Enter a:", "") ||
      !AskFloat(window, b, static_cast<float>(pc.SofMLawB),
                "Using power-law s(M) = a*M^b. Enter b:", "")) {
    FallBackToCM(window, 278, "information missing, switching off s(M)");
    return;
  }
  ShowNote(window, "using power law s(M) \n(disregard f/f0 and viscosity entry)", "");
  pc.SofMLawA = a;
  pc.SofMLawB = b;
}

void CmCMWithPriorKnowledgeVbarM(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!SetContinuousModel(window, ModelKind::CMPriorVbar)) return;
  SelectModelKind(ModelKind::CMPriorVbar);
  window.CheckMenuItem(279, true);
  ShowNote(window, "using vbar(M)= v0 + a*[(M/10^s)]^1/3", "");
  PhysicalConstantsRecord& pc = PhysicalConstants;
  float v0 = 0.0f, a = 0.0f, s = 0.0f;
  if (!AskFloat(window, v0, static_cast<float>(pc.VbarLawV0), "Enter zero offset v0 (M=0):", "") ||
      !AskFloat(window, a, static_cast<float>(pc.VbarLawA), "Enter increment a:", "") ||
      !AskFloat(window, s, static_cast<float>(pc.VbarLawScaleExponent), "Enter M-scale s:", "")) {
    FallBackToCM(window, 279, "information missing, switching off vbar(M)");
    return;
  }
  ShowNote(window, "using vbar(M) relationship \n(disregard vbar entry)", "");
  pc.VbarLawV0 = v0;
  pc.VbarLawA = a;
  pc.VbarLawScaleExponent = static_cast<int>(std::trunc(s));
}

void CmFMVsMWithScalingLaw(TXLAWindow& window) {
  if (RefuseDlsData(window)) return;
  if (ModelSelection.Kind == ModelKind::FMScalingLaw) return;
  ModelCommandState.DisplayHoldForCalibration = true;
  if (!SetContinuousModel(window, ModelKind::FMScalingLaw)) return;
  UncheckItems(window, {235, 275});
  window.CheckMenuItem(887, true);
  SelectModelKind(ModelKind::FMScalingLaw);
  ModelCommandLinks.InitDistributionPlot(true);
  DistributionSettingsRecord& ds = DistributionSettings;
  SetSlot(1, ds.Smin);
  SetSlot(5, ds.Smax);
  ds.FrictionalRatioFitted = 0;
  SetSlot(11, ds.GeneralScalingLaw.ScalingKs, ds.ScalingKsFitted);
  SetSlot(18, ds.GeneralScalingLaw.ScalingExponent, ds.ScalingExponentFitted);
  SetSlotFitted(10, ds.ScalingNoDeconvolution);
  ds.ScalingExponentFitted = 0;
  SetSlotFitted(18, 0);
  SyncParameterVector();
  if (AskYesNo(window, "enter new s(M) power-law calibration?", "C(M) POWERLAW") &&
      !ModelCommandLinks.CalibrateCMPowerLaw(window))
    ShowNote(window, "sorry, s(M) power-law calibration failed!", "C(M) POWERLAW");
  SecondDerivativeUnlessSelected(window, true);
}

void CmElectrophoresisCVDistributionWithConstantD(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseWithoutElectrophoresisData(window)) return;
  ClearDistributionPlotsIfShown();
  if (ModelSelection.Kind == ModelKind::ElectrophoresisCV) return;
  if (!SetContinuousModel(window, ModelKind::ElectrophoresisCV)) return;
  SelectModelKind(ModelKind::ElectrophoresisCV);
  SetFiniteElementChoice(false, true, false);
  UncheckItems(window, {235, 275});
  window.CheckMenuItem(513, true);
  ZeroConcentrations();
  SetConfidenceLevel(0.683f);
  SetResolution(100.0f);
  SetLimits(1.0f, 20.0f);
  SetSlot(3, ModelPresets.ElectrophoresisConstantD, ModelPresets.ElectrophoresisConstantDFitted);
  LammSolverSettings.LammGridSize = 200;
  SyncParameterVector();
}
