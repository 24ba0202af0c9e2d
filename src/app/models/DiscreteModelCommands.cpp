#include <cmath>

#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelCommands.h"
#include "app/models/ModelSwitching.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/Hydrodynamics.h"

namespace {

constexpr std::size_t At(int k) {
  return static_cast<std::size_t>(k);
}

// The distribution plots belong to continuous and van Holde-Weischet kinds.
void ClearDistributionPlotsIfShown() {
  const ModelKind k = ModelSelection.Kind;
  if (IsContinuousModel(k) || IsVanHoldeWeischetFamily(k))
    ModelCommandLinks.ClearDistributionPlots();
}

bool DistributionKindSelected() {
  const ModelKind k = ModelSelection.Kind;
  return IsContinuousModel(k) || IsVanHoldeWeischetFamily(k);
}

// The common steps of a discrete kind up to its presets; false when the
// kind is selected already (nothing changes then). After a distribution
// model the species slots hold its grid and solvent (s-min as a mass,
// vbar and density as species 3): the species start from the last
// discrete ones instead.
bool EnterDiscreteKind(TXLAWindow& window, ModelKind kind) {
  const bool afterDistribution = DistributionKindSelected();
  ClearDistributionPlotsIfShown();
  if (ModelSelection.Kind == kind) return false;
  ResetModelFlags(window);
  SelectModelKind(kind);
  window.CheckMenuItem(CommandIdOf(kind), true);
  if (afterDistribution) RestoreDiscreteSpecies();
  return true;
}

void AllComponentsOff() {
  for (int k = 1; k <= NCOMP; ++k) ModelParameters.ComponentOn[At(k)] = 0;
}

// The cumulant analysis describes one decay: component 1 with its amplitude
// fitted, the others off and empty, and a fitted baseline.
void OneCumulantComponent() {
  ModelParametersRecord& p = ModelParameters;
  p.ComponentOn[1] = 1;
  SetSlotFitted(9, 1);
  for (int k = 2; k <= NCOMP; ++k) {
    p.ComponentOn[At(k)] = 0;
    SetSlot(k, 0.0f, 0);
    SetSlot(4 + k, 0.0f, 0);
    SetSlot(8 + k, 0.0f, 0);
  }
  SetSlotFitted(BaselineSlot, 1);
}

float CelsiusOfBuffer() {
  return SolventConditions.BufferTemperature - 273.15f;
}

// Slots 1-4 of the discrete light-scattering model hold Stokes radii (nm);
// the sedimentation models hold D (1e-7 cm^2/s). A component without a
// positive value is switched off.
void ConvertComponentSlots(float (*convert)(float)) {
  for (int k = 1; k <= NCOMP; ++k) {
    const float value = SlotValue(k);
    if (value > 0.0f)
      SetSlot(k, convert(value));
    else
      ModelParameters.ComponentOn[At(k)] = 0;
  }
}

void StokesRadiiToD() {
  ConvertComponentSlots(
      [](float r) { return DFromStokesRadius(r * 1e-9f, CelsiusOfBuffer()) * 1e7f; });
}

void DToStokesRadii() {
  ConvertComponentSlots([](float d) { return DFromRadius(d * 1e-7f, CelsiusOfBuffer()) * 1e9f; });
}

void MarkLightScatteringItem(TXLAWindow& window, int id) {
  UncheckItems(window, {890, 198, 536, 522, 503, 502});
  window.CheckMenuItem(id, true);
}

// The geometries solved on the fixed grid of Claverie's algorithm.
void FixedGridGeometry(TXLAWindow& window, ModelKind kind) {
  if (!EnterDiscreteKind(window, kind)) return;
  SetFiniteElementChoice(false, true, false);
  ClearFitFlags();
  ZeroConcentrations();
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void AskOilVolume(TXLAWindow& window) {
  float& volume = ModelPresets.ExternalLoadingOilVolume;
  if (!AskFloat(window, volume, volume, "enter volume of oil used in run [ml]",
                "EXTERNAL LOADING GEOMETRY"))
    volume = 0.0f;
}

void SelfAssociation(TXLAWindow& window, ModelKind kind, float secondFactor, float thirdFactor) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterDiscreteKind(window, kind)) return;
  SetFiniteElementChoice(true, true, false);
  LammSolverSettings.FixedTimeStep = false;
  SetFitMAndS(window, true);
  const ModelPresetsRecord& pr = ModelPresets;
  SetSlot(1, pr.MonomerMass, pr.MonomerMassFitted);
  SetSlot(2, secondFactor * pr.MonomerMass, 0);
  SetSlot(12, thirdFactor * pr.MonomerMass, 0);
  for (int slot : {3, 5, 6, 7, 8, 11})
    SetSlot(slot, pr.OligomerSlot[slot], pr.OligomerSlotFitted[slot]);
  SyncParameterVector();
  ReallocateSimulationArrays();
}

// The molar concentrations of A and B are the loading signals divided by
// their signal coefficients; K is 10^log10 K.
float ComplexLoading() {
  const ModelPresetsRecord& pr = ModelPresets;
  if (pr.SignalCoefficientA <= 0.0f || pr.SignalCoefficientB <= 0.0f) return 0.0f;
  const double a = pr.LoadingA / pr.SignalCoefficientA;
  const double b = pr.LoadingB / pr.SignalCoefficientB;
  return static_cast<float>(ComplexConcentration(a, b, std::pow(10.0, pr.LogK)));
}

// The presets that A + B <-> AB shares between sedimentation and
// equilibrium: loadings, signal coefficients, masses (the complex's the sum),
// log K and the complex's loading at equilibrium.
void SetReactingPairSlots() {
  ModelPresetsRecord& pr = ModelPresets;
  pr.MassAB = pr.MassA + pr.MassB;
  pr.SignalCoefficientAB = pr.SignalCoefficientA + pr.SignalCoefficientB;
  SetSlot(9, pr.LoadingA);
  SetSlot(10, pr.LoadingB);
  SetSlot(4, pr.SignalCoefficientA);
  SetSlot(12, pr.SignalCoefficientB);
  SetSlot(1, pr.MassA);
  SetSlot(2, pr.MassB);
  SetSlot(3, pr.MassAB);
  SetSlot(8, pr.LogK);
  SetSlot(11, ComplexLoading());
}

void NonidealReference() {
  ModelPresets.NonidealReferenceS = SlotValue(5);
  ModelPresets.NonidealReferenceMassOrD = SlotValue(1);
}

// After a distribution model, slots 1, 5 and 9 hold its grid (s-min, s-max,
// resolution), and the switch to D turns an s-min "mass" into an absurd D:
// the non-ideal species start from the species the user last had there, or
// from the program's initial species (4 S, 5e-7 cm^2/s, loading 0.5).
void NonidealSpeciesAfterDistribution() {
  const ModelPresetsRecord& pr = ModelPresets;
  SetSlot(5, pr.NonidealReferenceS > 0.0f ? pr.NonidealReferenceS : 4.0f);
  SetSlot(1, pr.NonidealReferenceMassOrD > 0.0f ? pr.NonidealReferenceMassOrD : 5.0f);
  SetSlot(9, 0.5f);
}

void NonidealSpecies(TXLAWindow& window, ModelKind kind, int siblingId) {
  if (RefuseDlsData(window) || RefuseEquilibriumData(window)) return;
  const bool afterDistribution = DistributionKindSelected();
  // The stored coefficients are read first: once the kind is set, switching
  // M and s off re-reads slots 10 and 11 into them from the earlier model.
  const float logKs = SpeciesEngineParameters.LogKs, logKd = SpeciesEngineParameters.LogKd;
  if (!EnterDiscreteKind(window, kind)) return;
  SetFitMAndS(window, false);
  SetSlot(10, logKs);
  SetSlot(11, logKd);
  window.CheckMenuItem(siblingId, false);
  ClearFitFlags();
  if (afterDistribution) NonidealSpeciesAfterDistribution();
  NonidealReference();
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void BuoyantMass(TXLAWindow& window, ModelKind kind) {
  if (ModelSelection.Kind == kind) return;
  if (!EquilibriumDataLoaded())
    ShowNote(window, "please load equilibrium data", "Equilibrium Analysis");
  ResetModelFlags(window);
  SelectModelKind(kind);
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  window.CheckMenuItem(CommandIdOf(kind), true);
}

void ShowExtrapolationQuestion(TXLAWindow& window) {
  ModelCommandState.ShowExtrapolationPlot = false;
  if (AskYesNo(window,
               "show plot with extrapolation of s(app) vs 1/srqt(time)? \n(switch off by "
               "pressing the ESCAPE key)",
               ""))
    ModelCommandState.ShowExtrapolationPlot = true;
}

constexpr const char* kVhwCaption = "Van Holde Weischet Analysis";

void AskVhwDirection(TXLAWindow& window) {
  if (!AskYesNo(window, "van Holde-Weischet for sedimentation? ('no' for flotation)", kVhwCaption))
    ModelSelection.VanHoldeWeischetFlotation = true;
}

bool AskVhwResolution(TXLAWindow& window) {
  float resolution = DistributionSettings.Resolution;
  if (!AskFloat(window, resolution, DistributionSettings.Resolution, "enter resolution",
                kVhwCaption))
    return false;
  SetResolution(resolution);
  return true;
}

}  // namespace

void CmNonInteractingDiscreteSpecies(TXLAWindow& window) {
  if (AnswerHelp(window)) return;
  ClearDistributionPlotsIfShown();
  const ModelKind previous = ModelSelection.Kind;
  if (previous == ModelKind::NonInteractingSpecies) return;
  if (previous == ModelKind::DiscreteStokesRadii) StokesRadiiToD();
  if (previous == ModelKind::CumulantAnalysis) OneCumulantComponent();
  const bool afterDistribution = IsContinuousModel(previous) || IsVanHoldeWeischetFamily(previous);
  ResetModelFlags(window);
  SelectModelKind(ModelKind::NonInteractingSpecies);
  window.CheckMenuItem(198, true);
  if (afterDistribution) RestoreDiscreteSpecies();
  LammSolverSettings.AutomaticAlgorithm = true;
  AllComponentsOff();
  ClearFitFlags();
  ZeroConcentrations();
  if (CorrectionOptions.BufferMismatch.On) ModelCommandLinks.CheckBufferSedCompatibility(window);
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void CmLinearLammEquation(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  FixedGridGeometry(window, ModelKind::LinearLammSpecies);
}

void CmGeometry282Species(TXLAWindow& window) {
  FixedGridGeometry(window, ModelKind::Geometry282Species);
}

void CmExternalLoadingCell(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (ModelSelection.Kind == ModelKind::ExternalLoadingCellSpecies) {
    ClearDistributionPlotsIfShown();
    AskOilVolume(window);
    return;
  }
  FixedGridGeometry(window, ModelKind::ExternalLoadingCellSpecies);
  AskOilVolume(window);
}

void CmElectrophoresisLammEquationForDiscreteSpecies(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterDiscreteKind(window, ModelKind::ElectrophoresisSpecies)) return;
  SetFiniteElementChoice(false, true, false);
  SetFitMAndS(window, false);
  ClearFitFlags();
  ZeroConcentrations();
  ModelParametersRecord& p = ModelParameters;
  SetSlot(BottomSlot, p.Meniscus + p.ElectrophoresisColumnLength);
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void CmAnalyticalZoneCentrifugationIndepSpecies(TXLAWindow& window) {
  if (AnswerHelp(window)) return;
  if (!EnterDiscreteKind(window, ModelKind::ZoneIndependentSpecies)) return;
  SetFiniteElementChoice(false, false, true);
  ModelParameters.InitialConcentrationConstant = true;
  ModelParameters.InitialConcentrationExperimental = false;
  ZeroConcentrations();
  ModelParameters.ComponentOn[4] = 0;
  ClearFitFlags();
  SetSlot(23, ModelPresets.ZoneLoading, 1);
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void CmDiscreteStokesRadii(TXLAWindow& window) {
  if (RefuseWithoutDlsData(window)) return;
  SolventConditionsRecord& s = SolventConditions;
  float viscosity = 0.0f;
  if (!AskFloat(window, viscosity, 10.0f * s.RELVISCOSITY * 0.001002f,
                "absolute viscosity of solvent (Poise)", "DISCRETE STOKES RADII"))
    return;
  s.RELVISCOSITY = 0.1f * viscosity / 0.001002f;
  if (!EnterDiscreteKind(window, ModelKind::DiscreteStokesRadii)) return;
  SetFitMAndS(window, false);
  ClearFitFlags();
  SetSlotFitted(BaselineSlot, 1);
  DToStokesRadii();
  MarkLightScatteringItem(window, 536);
  SyncParameterVector();
}

void CmCumulantAnalysis(TXLAWindow& window) {
  if (RefuseWithoutDlsData(window)) return;
  if (!EnterDiscreteKind(window, ModelKind::CumulantAnalysis)) return;
  SetFitMAndS(window, false);
  ClearFitFlags();
  OneCumulantComponent();
  MarkLightScatteringItem(window, 890);
  SyncParameterVector();
}

void CmMonomerDimer(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterDiscreteKind(window, ModelKind::MonomerDimer)) return;
  ClearFitFlags();
  ReallocateSimulationArrays();
}

void CmMonomerTrimer(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterDiscreteKind(window, ModelKind::MonomerTrimer)) return;
  ClearFitFlags();
  ReallocateSimulationArrays();
}

void CmSelfAssociation148(TXLAWindow& window) {
  SelfAssociation(window, ModelKind::SelfAssociation148, 4.0f, 8.0f);
}

void CmSelfAssociation124(TXLAWindow& window) {
  SelfAssociation(window, ModelKind::SelfAssociation124, 2.0f, 4.0f);
}

void CmReactingABC(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  if (!EnterDiscreteKind(window, ModelKind::ReactingABC)) return;
  LammSolverSettings.MovingFrame = true;
  SetFitMAndS(window, true);
  ModelParametersRecord& p = ModelParameters;
  p.InitialConcentrationConstant = true;
  p.InitialConcentrationExperimental = false;
  ClearFitFlags();
  p.SystematicNoiseOn = false;
  p.RINoiseFitted = false;
  SetReactingPairSlots();
  const ModelPresetsRecord& pr = ModelPresets;
  SetSlot(5, pr.SA);
  SetSlot(6, pr.SB);
  SetSlot(7, pr.SAB);
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void CmSingleSpecies(TXLAWindow& window) {
  if (AnswerHelp(window)) return;
  NonidealSpecies(window, ModelKind::NonidealSingleSpecies, 1099);
}

void CmHinderedSingleSpecies(TXLAWindow& window) {
  if (AnswerHelp(window)) return;
  NonidealSpecies(window, ModelKind::HinderedSingleSpecies, 227);
}

void CmMultipleSpecies(TXLAWindow& window) {
  if (RefuseDlsData(window) || RefuseEquilibriumData(window)) return;
  const bool afterDistribution = DistributionKindSelected();
  // Read before the switch of M and s, as for the single species.
  const float logKs = SpeciesEngineParameters.LogKs, logKd = SpeciesEngineParameters.LogKd;
  if (!EnterDiscreteKind(window, ModelKind::NonidealMultipleSpecies)) return;
  SetFitMAndS(window, false);
  // The species follow linear ks and kd with their own signs, not the
  // tabulated or CsCl coefficients of the single-species model.
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  e.TabulatedSD = false;
  e.CsClModel = false;
  e.Repulsive = true;
  SetSlot(10, logKs);
  SetSlot(11, logKd);
  // The overlay and the second and third species as the user left them.
  for (int j = 1; j <= NonidealMultiSettingCount; ++j) {
    const NonidealMultiSettingEntry stored = ModelParameters.NonidealMultiSetting[j];
    SetSlot(24 + j, stored.Value, stored.Flag);
  }
  ClearFitFlags();
  if (afterDistribution) NonidealSpeciesAfterDistribution();
  NonidealReference();
  SyncParameterVector();
  ReallocateSimulationArrays();
}

void CmBuoyantMassEquilibrium(TXLAWindow& window) {
  BuoyantMass(window, ModelKind::BuoyantMassEquilibrium);
}

void CmBuoyantMassReactingAB(TXLAWindow& window) {
  if (ModelSelection.Kind == ModelKind::BuoyantMassReactingAB) return;
  BuoyantMass(window, ModelKind::BuoyantMassReactingAB);
  SetReactingPairSlots();
  // Equilibrium has no sedimentation coefficients to fit.
  for (int slot : {5, 6, 7}) SetSlot(slot, 1.0f, 0);
  SyncParameterVector();
}

void CmExtrapolateLsGSAreaFractions(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  ClearDistributionPlotsIfShown();
  if (ModelSelection.Kind == ModelKind::ExtrapolateLsGStar) return;
  ShowNote(window,
           "Please Note: This model has not been fully examined for the properties and "
           "stability. In my hands it appeared somewhat sensitive to starting conditions and "
           "seemed sometimes unstable.  Best results were obtained by manual jitter alignment "
           "and switching off RI noise, using data with both solvent and solution plateau.  "
           "Please see the helpfile for details. In general, I found the c(s) method to give "
           "generally better results. \nP.S.",
           "ATTENTION", platform::BoxIcon::Error);
  ResetModelFlags(window);
  SelectModelKind(ModelKind::ExtrapolateLsGStar);
  SetLimits(1.0f, 10.0f);
  SetResolution(50.0f);
  SetSlot(11, ModelPresets.ExtrapolationSlot11);
  SetSlot(2, 0.68f);
  SetSlot(3, ModelPresets.ExtrapolationSlot3);
  SyncParameterVector();
  DistributionSettings.RegularizationPvalue = 0.9f;
  window.CheckMenuItem(293, true);
  DistributionSettings.RegularizationType.BothRegularizations = false;
  ShowExtrapolationQuestion(window);
}

void CmVanHoldeWeischetTransform(TXLAWindow& window) {
  if (AnswerHelp(window) || RefuseDlsData(window)) return;
  ClearDistributionPlotsIfShown();
  if (ModelSelection.Kind == ModelKind::VanHoldeWeischet) {
    AskVhwDirection(window);
    if (AskVhwResolution(window) && ModelCommandLinks.ExtrapolationDataExist())
      ModelCommandLinks.FreeExtrapolationData();
    return;
  }
  ResetModelFlags(window);
  AskVhwDirection(window);
  SelectModelKind(ModelKind::VanHoldeWeischet);
  FitControl.TINoiseFitted = false;
  ModelParameters.RINoiseFitted = false;
  if (!AskVhwResolution(window)) return;
  window.CheckMenuItem(292, true);
  if (ScanReaderOptions.InterferenceData)
    ShowNote(window,
             "this function is only for absorbance data, \nrecommending extrapolation of s(app) "
             "vs 1/srqt(time) for interference data",
             kVhwCaption);
  ShowExtrapolationQuestion(window);
}
