#include "app/models/ModelCommandSupport.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "app/help/OnlineHelp.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "models/ParameterPacking.h"
#include "models/SimulationArrays.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"
#include "state/Links.h"

ModelCommandLinksRecord ModelCommandLinks;
ModelPresetsRecord ModelPresets;
ModelCommandStateRecord ModelCommandState;

namespace {

struct LinksInstaller {
  LinksInstaller() { ResetModelCommandLinks(); }
};
const LinksInstaller installLinks;

}  // namespace

void ResetModelCommandLinks() {
  ModelCommandLinksRecord& l = ModelCommandLinks;
  l.ClearDistributionPlots = [] {
    if (GridServices.ClearDistributionPlots) GridServices.ClearDistributionPlots();
  };
  l.InitDistributionPlot = links::Unwired;
  l.ResetEqTest = links::Unwired;
  l.MwScreenOpen = links::Unwired;
  l.CloseMwScreen = links::Unwired;
  l.ExtrapolationDataExist = links::Unwired;
  l.FreeExtrapolationData = links::Unwired;
  l.CalibrateCMPowerLaw = links::Unwired;
  l.ToggleFitMAndS = [](TXLAWindow& window) {
    FitControl.MassInsteadOfD = !FitControl.MassInsteadOfD;
    window.CheckMenuItem(217, FitControl.MassInsteadOfD);
  };
  l.CheckBufferSedCompatibility = [](TXLAWindow& window) {
    if (TempParameterFileLinks.CheckBufferSedCompatibility)
      TempParameterFileLinks.CheckBufferSedCompatibility(window.Handle());
  };
}

bool AnswerHelp(TXLAWindow& window) {
  if (!window.MenuHelpMode) return false;
  OnlineHelpPrompt(window);
  window.MenuHelpMode = false;
  return true;
}

void ShowNote(TXLAWindow& window, const std::string& text, const std::string& caption,
              platform::BoxIcon icon) {
  DialogBusyScope busy(window);
  platform::Current().ShowMessageBox(
      {window.Handle(), text, caption, icon, platform::BoxButtons::Ok});
}

bool AskYesNo(TXLAWindow& window, const std::string& text, const std::string& caption) {
  DialogBusyScope busy(window);
  const platform::BoxAnswer answer = platform::Current().ShowMessageBox(
      {window.Handle(), text, caption, platform::BoxIcon::Question, platform::BoxButtons::YesNo});
  return answer == platform::BoxAnswer::Yes;
}

bool AskFloat(TXLAWindow& window, float& value, float defaultValue, const char* prompt,
              const char* caption) {
  DialogBusyScope busy(window);
  return InputFloatIn(window.Handle(), value, defaultValue, true, prompt, caption);
}

bool DlsDataLoaded() {
  return DlsDataMode;
}

bool EquilibriumDataLoaded() {
  return ScanDataSet.EquilibriumDataMode;
}

bool ElectrophoresisDataLoaded() {
  return ScanReaderOptions.ElectrophoresisDataMode;
}

bool ScansLoaded() {
  return ScanDataSet.NFILES > 0;
}

float LastScanTemperature() {
  if (DlsDataLoaded() || !ScansLoaded()) return SolventConditions.BufferTemperature - 273.15f;
  return ScanDataSet.ScanHeaders[ScanDataSet.NFILES].Temperature;
}

namespace {

void RefuseWithError(TXLAWindow& window, const char* text) {
  PlayInfoSound();
  ShowNote(window, text, "ERROR");
}

}  // namespace

bool RefuseDlsData(TXLAWindow& window) {
  if (!DlsDataLoaded()) return false;
  RefuseWithError(window, "this model is not implemented for DLS data");
  return true;
}

bool RefuseEquilibriumData(TXLAWindow& window) {
  if (!EquilibriumDataLoaded()) return false;
  RefuseWithError(window, "this model is not implemented for equilibrium data");
  return true;
}

bool RefuseWithoutDlsData(TXLAWindow& window) {
  if (DlsDataLoaded()) return false;
  RefuseWithError(window, "need DLS data for this analysis");
  return true;
}

bool RefuseWithoutElectrophoresisData(TXLAWindow& window) {
  if (ElectrophoresisDataLoaded()) return false;
  ShowNote(window, "need electrophoresis data for this model", "");
  return true;
}

void CheckItems(TXLAWindow& window, std::initializer_list<int> ids) {
  for (int id : ids) window.CheckMenuItem(id, true);
}

void UncheckItems(TXLAWindow& window, std::initializer_list<int> ids) {
  for (int id : ids) window.CheckMenuItem(id, false);
}

namespace {

// The field of the model parameters that holds a slot, and its fit flag.
struct SlotHome {
  float* value = nullptr;
  int* fitted = nullptr;
};

SlotHome HomeOf(int slot) {
  assert(slot >= 1 && slot <= ParameterCount);
  ModelParametersRecord& p = ModelParameters;
  const auto at = [](int k) { return static_cast<std::size_t>(k); };
  if (slot <= 4) return {&p.MassOrD[at(slot)], &p.MassOrDFitted[at(slot)]};
  if (slot <= 8) return {&p.SedCoefficient[at(slot - 4)], &p.SedCoefficientFitted[at(slot - 4)]};
  if (slot <= 12) return {&p.Concentration[at(slot - 8)], &p.ConcentrationFitted[at(slot - 8)]};
  if (slot == MeniscusSlot) return {&p.Meniscus, &p.MeniscusFitted};
  if (slot == BottomSlot) return {&p.Bottom, &p.BottomFitted};
  if (slot == BaselineSlot) return {&p.Baseline, &p.BaselineFitted};
  if (slot <= 19) return {&p.ExtraParameter[at(slot - 15)], &p.ExtraParameterFitted[at(slot - 15)]};
  if (slot <= 22) return {&p.SpareParameter[at(slot - 19)], &p.SpareParameterFitted[at(slot - 19)]};
  if (slot == 23) return {&p.LamellaWidth, &p.LamellaWidthFitted};
  return {};
}

}  // namespace

float SlotValue(int slot) {
  const SlotHome home = HomeOf(slot);
  return home.value ? *home.value : ParameterVector[static_cast<std::size_t>(slot)];
}

int SlotFitted(int slot) {
  const SlotHome home = HomeOf(slot);
  return home.fitted ? *home.fitted : ParameterFitted[static_cast<std::size_t>(slot)];
}

void SetSlot(int slot, float value) {
  const SlotHome home = HomeOf(slot);
  if (home.value) *home.value = value;
  if (slot == 24) ModelParameters.TimeOffset = value;
  if (slot >= 25)
    ModelParameters.NonidealMultiSetting[static_cast<std::size_t>(slot - 24)].Value = value;
  ParameterVector[static_cast<std::size_t>(slot)] = value;
}

void SetSlotFitted(int slot, int fitted) {
  const SlotHome home = HomeOf(slot);
  if (home.fitted) *home.fitted = fitted;
  if (slot == 24) ModelParameters.TimeOffsetFitted = fitted != 0;
  if (slot >= 25)
    ModelParameters.NonidealMultiSetting[static_cast<std::size_t>(slot - 24)].Flag = fitted;
  ParameterFitted[static_cast<std::size_t>(slot)] = fitted;
}

void SetSlot(int slot, float value, int fitted) {
  SetSlot(slot, value);
  SetSlotFitted(slot, fitted);
}

void SyncParameterVector() {
  PackParameterVector();
}

void SetFiniteElementChoice(bool automatic, bool claverie, bool movingHat) {
  LammSolverSettings.AutomaticAlgorithm = automatic;
  LammSolverSettings.FixedGrid = claverie;
  LammSolverSettings.MovingFrame = movingHat;
}

void SetFitMAndS(TXLAWindow& window, bool on) {
  if (FitControl.MassInsteadOfD != on) ModelCommandLinks.ToggleFitMAndS(window);
}

void ReallocateSimulationArrays() {
  ResizeSimulationArrays(LammSolverSettings.LammGridSize);
}

void SelectRegularizationChecked(TXLAWindow& window, RegularizationChoice choice) {
  SelectRegularization(DistributionSettings.RegularizationType, choice);
  window.CheckMenuItem(295, choice == RegularizationChoice::MaxEnt);
  window.CheckMenuItem(294, choice == RegularizationChoice::SecondDerivative);
  window.CheckMenuItem(1118, choice == RegularizationChoice::TP3);
}

bool SecondDerivativeOrBothSelected() {
  const RegularizationTypeRecord& r = DistributionSettings.RegularizationType;
  return r.SecondDerivativeRegularization || r.BothRegularizations;
}

void SetConfidenceLevel(float p) {
  SetSlot(2, p);
  ModelSwitchState.ModelPvaluePreset = p;
  DistributionSettings.RegularizationPvalue = p;
}

void SetResolution(float resolution) {
  DistributionSettings.Resolution = resolution;
  SetSlot(9, resolution);
}

void SetLimits(float smin, float smax) {
  DistributionSettings.Smin = smin;
  DistributionSettings.Smax = smax;
  SetSlot(1, smin);
  SetSlot(5, smax);
}

void ConvertOrDefaultLimits(const GridLimits* defaults) {
  DistributionSettingsRecord& ds = DistributionSettings;
  if (ScansLoaded() && ds.Smin > 1000.0f) {
    const float t = LastScanTemperature();
    for (float* limit : {&ds.Smin, &ds.Smax}) {
      const float d = DFromMass(*limit, t);
      *limit = SFromMassAndD(*limit, d, t);
    }
  } else if (defaults) {
    ds.Smin = defaults->smin;
    ds.Smax = defaults->smax;
  }
  SetSlot(1, ds.Smin);
  SetSlot(5, ds.Smax);
}

void ZeroConcentrations() {
  for (int slot = 9; slot <= 12; ++slot) SetSlot(slot, 0.0f);
}

double ComplexConcentration(double a, double b, double K) {
  if (!(K > 0.0) || a <= 0.0 || b <= 0.0) return 0.0;
  // The smaller root of c^2 - (a + b + 1/K) c + a b = 0, written as
  // 2ab / (s + sqrt(s^2 - 4ab)) so that no difference of nearly equal
  // numbers loses the result when the binding is strong.
  const double s = a + b + 1.0 / K;
  const double discriminant = std::max(0.0, s * s - 4.0 * a * b);
  return 2.0 * a * b / (s + std::sqrt(discriminant));
}

const int AllModelCommandIds[ModelKindCount] = {
    198, 280, 281, 282, 291, 501, 536, 197,  229,  520, 228, 227, 893, 235, 526,  275, 267,
    277, 278, 279, 288, 539, 950, 503, 522,  502,  292, 293, 284, 523, 246, 511,  510, 513,
    514, 531, 521, 585, 587, 595, 598, 1099, 1100, 602, 603, 872, 887, 548, 1117, 870, 890};

int CommandIdOf(ModelKind kind) {
  switch (kind) {
    case ModelKind::NoModel:
      return 0;
    case ModelKind::NonInteractingSpecies:
      return 198;
    case ModelKind::LinearLammSpecies:
      return 280;
    case ModelKind::ExternalLoadingCellSpecies:
      return 281;
    case ModelKind::Geometry282Species:
      return 282;
    case ModelKind::ElectrophoresisSpecies:
      return 291;
    case ModelKind::ZoneIndependentSpecies:
      return 246;
    case ModelKind::DiscreteStokesRadii:
      return 536;
    case ModelKind::CumulantAnalysis:
      return 890;
    case ModelKind::MonomerDimer:
      return 197;
    case ModelKind::MonomerTrimer:
      return 229;
    case ModelKind::SelfAssociation148:
      return 520;
    case ModelKind::SelfAssociation124:
      return 228;
    case ModelKind::ReactingABC:
      return 267;
    case ModelKind::NonidealSingleSpecies:
      return 227;
    case ModelKind::HinderedSingleSpecies:
      return 1099;
    case ModelKind::NonidealMultipleSpecies:
      return 893;
    case ModelKind::BuoyantMassEquilibrium:
      return 284;
    case ModelKind::BuoyantMassReactingAB:
      return 523;
    case ModelKind::ContinuousCM:
      return 235;
    case ModelKind::CMInvariantD:
      return 277;
    case ModelKind::CMVariant278:
      return 278;
    case ModelKind::CMPriorVbar:
      return 279;
    case ModelKind::FMScalingLaw:
      return 887;
    case ModelKind::ContinuousCS:
      return 275;
    case ModelKind::NonidealCS:
      return 585;
    case ModelKind::HinderedCS:
      return 1100;
    case ModelKind::CSWithMsTable:
      return 587;
    case ModelKind::CSWithOneDiscrete:
      return 531;
    case ModelKind::CSConformationalChange:
      return 514;
    case ModelKind::CSBimodalFf0:
      return 548;
    case ModelKind::CSBimodalFf0OneDiscrete:
      return 870;
    case ModelKind::CSFixFf0FloatingVbar:
      return 602;
    case ModelKind::CSGeneralScalingLaw:
      return 872;
    case ModelKind::CSWormlikeChain:
      return 603;
    case ModelKind::CSFlotation:
      return 1117;
    case ModelKind::CSFf0:
      return 595;
    case ModelKind::CSFf0OneDiscrete:
      return 598;
    case ModelKind::CSInvariantD:
      return 526;
    case ModelKind::CSLinearRods:
      return 521;
    case ModelKind::ElectrophoresisCV:
      return 513;
    case ModelKind::DlsIRh:
      return 503;
    case ModelKind::DlsIRhTimeCourse:
      return 522;
    case ModelKind::DlsID:
      return 502;
    case ModelKind::LsGStar:
      return 288;
    case ModelKind::LsGStarOneDiscrete:
      return 539;
    case ModelKind::HybridCSLsGStar:
      return 950;
    case ModelKind::ElectrophoresisLsGStar:
      return 501;
    case ModelKind::ZoneCS:
      return 511;
    case ModelKind::ZoneLsGStar:
      return 510;
    case ModelKind::ExtrapolateLsGStar:
      return 293;
    case ModelKind::VanHoldeWeischet:
      return 292;
  }
  return 0;
}

void KeepDiscreteSpecies() {
  ModelPresetsRecord& pr = ModelPresets;
  pr.DiscreteSpeciesKept = true;
  pr.DiscreteSpeciesMassForm = FitControl.MassInsteadOfD;
  for (int slot = 1; slot <= 8; ++slot) pr.DiscreteSpeciesSlot[slot] = SlotValue(slot);
}

void RestoreDiscreteSpecies() {
  const ModelPresetsRecord& pr = ModelPresets;
  const bool massForm = FitControl.MassInsteadOfD;
  if (pr.DiscreteSpeciesKept && pr.DiscreteSpeciesMassForm == massForm) {
    for (int slot = 1; slot <= 8; ++slot) SetSlot(slot, pr.DiscreteSpeciesSlot[slot]);
    return;
  }
  for (int slot = 1; slot <= 8; ++slot) SetSlot(slot, 0.0f);
  SetSlot(1, massForm ? 50000.0f : 5.0f);
  SetSlot(5, 4.0f);
}
