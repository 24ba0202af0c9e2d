#include "models/ParameterPacking.h"

#include <climits>
#include <cmath>
#include <string>

#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "data/DlsLoading.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/SimulateModel.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"
#include "platform/Platform.h"

bool TakeLogSpacingFromSettings = false;

namespace {

enum class Direction { Pack, Unpack };

// Buffer viscosity in poise (slot 12) relative to the standard viscosity
// 0.01002 P, and back.
constexpr double kPerStandardViscosity = 99.80039920159682;
constexpr double kStandardViscosity = 0.01002;

float& Value(int slot) {
  return ParameterVector[static_cast<std::size_t>(slot)];
}
int& Fitted(int slot) {
  return ParameterFitted[static_cast<std::size_t>(slot)];
}
bool FlagSet(int slot) {
  return Fitted(slot) != 0;
}

void Move(Direction d, int slot, float& value, int& fitted) {
  if (d == Direction::Pack) {
    Value(slot) = value;
    Fitted(slot) = fitted;
  } else {
    value = Value(slot);
    fitted = Fitted(slot);
  }
}

// Copies a slot into a record beside the vector, in both directions.
void Take(int slot, float& value, int& fitted) {
  value = Value(slot);
  fitted = Fitted(slot);
}

int SaturatingInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

void ShowPlainBox(const std::string& text, const char* caption) {
  platform::Current().ShowMessageBox(
      {nullptr, text, caption, platform::BoxIcon::None, platform::BoxButtons::Ok});
}

// Slots 24-34: the time offset and the non-ideal multi-species settings.
// Their flags travel into the vector only.
void TransferTrailingSlots(Direction d) {
  ModelParametersRecord& p = ModelParameters;
  for (int j = 1; j <= NonidealMultiSettingCount; ++j) {
    NonidealMultiSettingEntry& e = p.NonidealMultiSetting[static_cast<std::size_t>(j)];
    const int slot = 24 + j;
    if (d == Direction::Pack) {
      Fitted(slot) = e.Flag != 0 ? 1 : 0;
      Value(slot) = e.Value;
    } else {
      // Positions, fractions and loading weights cannot be negative; s and D
      // of species 2 and 3 (slots 28, 29, 32, 33) may be.
      const bool nonNegative = j == 1 || j == 2 || j == 3 || j == 6 || j == 7 || j == 10;
      if (nonNegative && Value(slot) < 0.0f) Value(slot) = 0.0f;
      e.Value = Value(slot);
    }
  }
  if (d == Direction::Pack) {
    Value(24) = p.TimeOffset;
    Fitted(24) = p.TimeOffsetFitted ? 1 : 0;
  } else {
    p.TimeOffset = Value(24);
  }
}

void TransferLayoutSlots(Direction d) {
  ModelParametersRecord& p = ModelParameters;
  for (int k = 1; k <= NCOMP; ++k) {
    const auto c = static_cast<std::size_t>(k);
    Move(d, k, p.MassOrD[c], p.MassOrDFitted[c]);
    Move(d, 4 + k, p.SedCoefficient[c], p.SedCoefficientFitted[c]);
    Move(d, 8 + k, p.Concentration[c], p.ConcentrationFitted[c]);
  }
  Move(d, MeniscusSlot, p.Meniscus, p.MeniscusFitted);
  Move(d, BottomSlot, p.Bottom, p.BottomFitted);
  Move(d, BaselineSlot, p.Baseline, p.BaselineFitted);
  for (int k = 1; k <= 4; ++k) {
    const auto c = static_cast<std::size_t>(k);
    Move(d, 15 + k, p.ExtraParameter[c], p.ExtraParameterFitted[c]);
  }
  for (int k = 1; k <= SpareParameterCount; ++k) {
    const auto c = static_cast<std::size_t>(k);
    Move(d, 19 + k, p.SpareParameter[c], p.SpareParameterFitted[c]);
  }
}

// The monomer-dimer and monomer-trimer models: the oligomer's mass is n
// times the monomer's, its D (Stokes-Einstein with the Svedberg equation)
// D1 s2 / (n s1).
void TransferOligomer(Direction d, int n) {
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  Take(1, e.MonomerMassOrD, e.MonomerMassOrDFitted);
  Take(3, e.LogKa, e.LogKaFitted);
  Take(5, e.s1, e.s1Fitted);
  Take(6, e.s2, e.s2Fitted);
  Take(11, e.TotalConcentration, e.TotalConcentrationFitted);
  Fitted(2) = 0;
  float oligomer = Value(2);
  if (FitControl.MassInsteadOfD)
    oligomer = static_cast<float>(n) * Value(1);
  else if (Value(5) != 0.0f)
    oligomer = Value(1) * Value(6) / (static_cast<float>(n) * Value(5));
  e.OligomerMassOrD = oligomer;
  if (d == Direction::Unpack) Value(2) = oligomer;
}

void TransferAssociation148(int second, int third) {
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  Fitted(2) = 0;
  Fitted(12) = 0;
  Take(1, e.MonomerMassOrD, e.MonomerMassOrDFitted);
  Take(3, e.LogKa, e.LogKaFitted);
  Take(7, e.LogKb, e.LogKbFitted);
  Take(5, e.s1, e.s1Fitted);
  Take(6, e.s2, e.s2Fitted);
  Take(8, e.s3, e.s3Fitted);
  Take(11, e.TotalConcentration, e.TotalConcentrationFitted);
  e.OligomerMassOrD = static_cast<float>(second) * Value(1);
  e.ThirdSpeciesMass = static_cast<float>(third) * Value(1);
}

// A + B <-> AB, rapid equilibrium at loading. Slots 9 and 10 hold the
// total signals of A and B, slots 4 and 12 their signals per unit
// concentration, slot 8 log10 K. The complex concentration c solves
// c = K (a - c)(b - c) on the branch below the smaller total; the form
// 2abK / (1 + (a + b)K + sqrt((a - b)^2 K^2 + 2(a + b)K + 1)) has no
// cancellation for any K >= 0. False when no loading can be formed (an
// extinction not positive, a negative or non-finite total, K not finite).
bool LoadingComplex(double& complex) {
  const double K = std::pow(10.0, static_cast<double>(Value(8)));
  const double fa = Value(4), fb = Value(12);
  if (!(fa > 0.0) || !(fb > 0.0) || !std::isfinite(K)) return false;
  const double a = Value(9) / fa, b = Value(10) / fb;
  if (!std::isfinite(a) || !std::isfinite(b) || a < 0.0 || b < 0.0) return false;
  if (!(a > 0.0) || !(b > 0.0) || !(K > 0.0)) {
    complex = 0.0;
    return true;
  }
  const double d = (a - b) * (a - b) * K * K + 2.0 * (a + b) * K + 1.0;
  complex = 2.0 * a * b * K / (1.0 + (a + b) * K + std::sqrt(d));
  return true;
}

// The derived slots of A + B <-> AB: the complex at loading (slot 11) and,
// with masses in slots 1-3, the complex's mass M(A) + M(B) (slot 3). A
// loading that cannot be formed leaves slot 11 as it was; the simulation
// refuses that model with its own message.
void TransferReacting() {
  ModelParametersRecord& p = ModelParameters;
  double complex = 0.0;
  if (LoadingComplex(complex)) {
    Value(11) = static_cast<float>(complex);
    p.Concentration[3] = Value(11);
  }
  if (FitControl.MassInsteadOfD) {
    Value(3) = Value(1) + Value(2);
    p.MassOrD[3] = Value(3);
  }
}

void TransferNonidealSpecies() {
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  Take(9, e.TotalConcentration, e.TotalConcentrationFitted);
  Take(5, e.s1, e.s1Fitted);
  Take(10, e.LogKs, e.LogKsFitted);
  Take(1, e.MonomerMassOrD, e.MonomerMassOrDFitted);
  Take(11, e.LogKd, e.LogKdFitted);
}

// The solvent of a continuous model: density (slot 7) and viscosity in
// poise (slot 12). With an inhomogeneous solvent the standard conditions
// are fixed, and the slots show them again.
void TransferBuffer() {
  SolventConditionsRecord& s = SolventConditions;
  const double relative = Value(12) * kPerStandardViscosity;
  if (!InhomogeneousSolventOn) {
    s.BufferDensity = Value(7);
    s.VbarRho = s.VBAR * s.BufferDensity;
    s.RELVISCOSITY = static_cast<float>(relative);
    return;
  }
  if (Value(7) != s.BufferDensity || std::fabs(s.RELVISCOSITY - relative) > 1e-7) {
    ShowPlainBox("standard conditions cannot be changed - switch off solvent gradient",
                 "Parameter Error");
    Value(7) = s.BufferDensity;
    s.VbarRho = s.VBAR * s.BufferDensity;
    Value(12) = static_cast<float>(s.RELVISCOSITY * kStandardViscosity);
  }
}

void TransferFrictionAndVbar(ModelKind kind) {
  DistributionSettingsRecord& ds = DistributionSettings;
  SolventConditionsRecord& s = SolventConditions;
  switch (kind) {
    case ModelKind::CSFixFf0FloatingVbar:
      ds.FrictionalRatioFitted = 0;
      ds.VbarFitted = Fitted(11);
      ds.StartingFrictionalRatio = Value(3);
      s.VBAR = Value(11);
      break;
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::FMScalingLaw:
      ds.FrictionalRatioFitted = 0;
      ds.ScalingKsFitted = Fitted(11);
      ds.GeneralScalingLaw.ScalingKs = Value(11);
      ds.GeneralScalingLaw.ScalingExponent = Value(18);
      Fitted(18) = 0;
      if (kind == ModelKind::FMScalingLaw) ds.ScalingNoDeconvolution = Fitted(10);
      break;
    case ModelKind::CSWormlikeChain:
      ds.FrictionalRatioFitted = 0;
      ds.PersistenceLengthFitted = Fitted(11);
      ds.WormChainSettings.PersistenceLength = Value(11);
      s.VBAR = Value(3);
      break;
    default:
      ds.FrictionalRatioFitted = Fitted(11);
      s.VBAR = Value(3);
      ds.StartingFrictionalRatio = Value(11);
      break;
  }
}

void TransferDiscreteSpecies(int massSlot, int sSlot) {
  DistributionSettingsRecord& ds = DistributionSettings;
  Take(massSlot, ds.DiscreteSpeciesMass, ds.DiscreteSpeciesMassFitted);
  Take(sSlot, ds.DiscreteSpeciesS, ds.DiscreteSpeciesSFitted);
}

void TransferModelExtras(ModelKind kind) {
  DistributionSettingsRecord& ds = DistributionSettings;
  switch (kind) {
    case ModelKind::ElectrophoresisCV:
      Take(3, ds.ConstantD, ds.ConstantDFitted);
      break;
    case ModelKind::CSConformationalChange:
      ds.ConformationMass = Value(10);
      ds.ConformationSmin = Value(6);
      ds.ConformationSmax = Value(8);
      break;
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
      ds.Ff0Min = Value(10);
      ds.Ff0Max = Value(6);
      ds.Ff0GridCount = std::floor(Value(8));
      ds.Grid2DSize =
          SaturatingInt(static_cast<double>(ds.Ff0GridCount) * static_cast<double>(ds.Resolution));
      if (kind == ModelKind::CSFf0OneDiscrete) TransferDiscreteSpecies(16, 17);
      break;
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSFlotation:
      ds.SecondFf0 = Value(10);
      ds.SecondRangeSmin = Value(6);
      ds.SecondRangeSmax = Value(8);
      ds.SecondRangeSminFitted = Fitted(6);
      if (kind == ModelKind::CSBimodalFf0OneDiscrete) TransferDiscreteSpecies(16, 17);
      break;
    case ModelKind::CSWormlikeChain:
      ds.WormChainSettings.CrossSection = Value(10);
      ds.WormChainSettings.MonomerMass = Value(6);
      ds.WormChainSettings.Hydration = Value(8);
      break;
    case ModelKind::CSWithOneDiscrete:
      Take(10, ds.DiscreteSpeciesD, ds.DiscreteSpeciesDFitted);
      Take(6, ds.DiscreteSpeciesS, ds.DiscreteSpeciesSFitted);
      TransferDiscreteSpecies(10, 6);
      break;
    case ModelKind::CSWithMsTable:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
    case ModelKind::LsGStarOneDiscrete:
      TransferDiscreteSpecies(10, 6);
      break;
    case ModelKind::HybridCSLsGStar:
      if (ds.HybridIncludesDiscrete) TransferDiscreteSpecies(10, 6);
      break;
    case ModelKind::CSInvariantD:
      Take(11, ds.InvariantD, ds.InvariantDFitted);
      if (ds.InvariantD == 0.0f) {
        ShowPlainBox(
            "diffusion coefficient must be positive, current entry could cause crash\nhas been "
            "changed to 1e-10!",
            "Warning");
        Value(11) = 0.001f;
        ds.InvariantD = 0.001f;
      }
      break;
    case ModelKind::CSLinearRods:
      ds.RodMassPerLength = Value(11);
      break;
    case ModelKind::DlsIRhTimeCourse:
      ds.TimeCourseInterval = Value(11);
      break;
    default:
      break;
  }
}

// Continuous distribution models: the slots are the distribution settings.
void TransferContinuous(Direction d) {
  const ModelKind kind = ModelSelection.Kind;
  DistributionSettingsRecord& ds = DistributionSettings;
  ds.Resolution = std::floor(Value(9));
  ds.RegularizationPvalue = Value(2);
  ds.Smin = Value(1);
  ds.Smax = Value(5);
  // The ls-g*(s) extrapolation keeps its own settings beside these.
  if (kind == ModelKind::ExtrapolateLsGStar) return;
  if (d == Direction::Unpack) ds.StartingFrictionalRatio = Value(11);
  TransferFrictionAndVbar(kind);
  TransferBuffer();
  SolventConditions.Hydration = Value(4);
  ds.GridFromFile = FlagSet(3);
  if (d == Direction::Pack && TakeLogSpacingFromSettings) {
    Fitted(4) = ds.LogarithmicGrid ? 1 : 0;
    TakeLogSpacingFromSettings = false;
  } else {
    ds.LogarithmicGrid = FlagSet(4);
  }
  TransferModelExtras(kind);
}

void Transfer(Direction d) {
  ModelParametersRecord& p = ModelParameters;
  const ModelKind kind = ModelSelection.Kind;
  TransferTrailingSlots(d);
  TransferLayoutSlots(d);
  if (ModelSelection.LammGeometry.LinearForceElectrophoresis) {
    p.Bottom = p.Meniscus + p.ElectrophoresisColumnLength;
    Value(BottomSlot) = p.Bottom;
  }
  if (IsZoneModel(kind)) Move(d, 23, p.LamellaWidth, p.LamellaWidthFitted);
  if (p.FirstComponentNonideal || kind == ModelKind::NonidealCS || kind == ModelKind::HinderedCS) {
    SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
    Move(d, 20, e.LogKs, e.LogKsFitted);
    Move(d, 21, e.LogKd, e.LogKdFitted);
    if (d == Direction::Pack) {
      Fitted(3) = DistributionSettings.GridFromFile ? 1 : 0;
      Fitted(4) = DistributionSettings.LogarithmicGrid ? 1 : 0;
    }
  }
  if (kind == ModelKind::ReactingABC || kind == ModelKind::BuoyantMassReactingAB)
    TransferReacting();
  if (kind == ModelKind::MonomerDimer) TransferOligomer(d, 2);
  if (kind == ModelKind::MonomerTrimer) TransferOligomer(d, 3);
  if (kind == ModelKind::SelfAssociation148) TransferAssociation148(4, 8);
  if (kind == ModelKind::SelfAssociation124) TransferAssociation148(2, 4);
  if (IsNonidealSpeciesKind(kind)) TransferNonidealSpecies();
  if (IsContinuousModel(kind)) TransferContinuous(d);
}

}  // namespace

void PackParameterVector() {
  Transfer(Direction::Pack);
}

void UnpackParameterVector() {
  Transfer(Direction::Unpack);
}

void AllocParameterVector() {
  ModelParametersRecord& p = ModelParameters;
  p.ComponentOn.fill(0);
  p.Concentration.fill(0.0f);
  p.ConcentrationFitted.fill(0);
  p.MassOrD.fill(0.0f);
  p.MassOrDFitted.fill(0);
  p.SedCoefficient.fill(0.0f);
  p.SedCoefficientFitted.fill(0);
  p.ExtraParameter.fill(0.0f);
  p.ExtraParameterFitted.fill(0);
  p.ComponentOn[1] = 1;
  p.Concentration[1] = 0.5f;
  p.ConcentrationFitted[1] = 1;
  p.MassOrD[1] = FitControl.MassInsteadOfD ? 50000.0f : 5.0f;
  p.MassOrDFitted[1] = 1;
  p.SedCoefficient[1] = 4.0f;
  p.SedCoefficientFitted[1] = 1;
  p.Baseline = 0.0f;
  p.BaselineFitted = 0;
  p.SpareParameter[3] = 0.0f;
  p.SpareParameterFitted[3] = 0;
  p.LamellaWidthFitted = 0;
  p.TimeOffset = 0.0f;
  PackParameterVector();
}

void ClearFitFlags() {
  PackParameterVector();
  for (int slot = 1; slot <= ParameterCount; ++slot) Fitted(slot) = 0;
  UnpackParameterVector();
}

namespace {

// Whether the concentrations of a discrete-species model are solved as
// linear parameters: all switched-on ones fitted (and at least one).
bool ConcentrationsLinear() {
  const ModelParametersRecord& p = ModelParameters;
  if (p.InitialConcentrationExperimental || p.FirstComponentNonideal) return false;
  bool anyFitted = false, allOnFitted = true;
  int on = 0;
  for (int k = 1; k <= NCOMP; ++k) {
    const auto c = static_cast<std::size_t>(k);
    if (p.ConcentrationFitted[c]) anyFitted = true;
    if (p.ComponentOn[c]) {
      ++on;
      if (!p.ConcentrationFitted[c]) allOnFitted = false;
    }
  }
  if (!(anyFitted && allOnFitted)) return false;
  // Light-scattering amplitudes of several species are linear only in the
  // field autocorrelation.
  if (DlsDataMode && on > 1 && !(DlsRecords.hi() >= 1 && DlsRecords[1].HoldsFieldAcf)) return false;
  return true;
}

void DeriveMassesFromMonomer(ModelKind kind) {
  ModelParametersRecord& p = ModelParameters;
  const float m1 = p.MassOrD[1], s1 = p.SedCoefficient[1], s2 = p.SedCoefficient[2];
  const bool mass = FitControl.MassInsteadOfD;
  switch (kind) {
    case ModelKind::MonomerDimer:
      if (mass)
        p.MassOrD[2] = 2.0f * m1;
      else if (s1 != 0.0f)
        p.MassOrD[2] = m1 * 0.5f * s2 / s1;
      break;
    case ModelKind::MonomerTrimer:
      if (mass)
        p.MassOrD[2] = 3.0f * m1;
      else if (s1 != 0.0f)
        p.MassOrD[2] = m1 * s2 / (3.0f * s1);
      break;
    case ModelKind::SelfAssociation148:
      p.MassOrD[2] = 4.0f * m1;
      p.Concentration[4] = 8.0f * m1;
      break;
    case ModelKind::SelfAssociation124:
      p.MassOrD[2] = 2.0f * m1;
      p.Concentration[4] = 4.0f * m1;
      break;
    default:
      break;
  }
}

}  // namespace

void DeriveFitModeFlags() {
  ModelParametersRecord& p = ModelParameters;
  const ModelKind kind = ModelSelection.Kind;
  if (kind == ModelKind::BuoyantMassEquilibrium && p.SedCoefficient[1] == 0.0f)
    p.SedCoefficient[1] = 1.0f;
  if (kind == ModelKind::BuoyantMassReactingAB)
    for (int k = 1; k <= 3; ++k)
      if (p.SedCoefficient[static_cast<std::size_t>(k)] == 0.0f)
        p.SedCoefficient[static_cast<std::size_t>(k)] = 1.0f;

  p.SystematicNoiseOn = p.BaselineFitted && !p.InitialConcentrationExperimental;
  if (p.SystematicNoiseOn) p.BaselineFitted = 0;
  if (FitControl.TINoiseFitted) {
    p.BaselineFitted = 0;
    p.SpareParameterFitted[3] = 0;
    p.SystematicNoiseOn = true;
  }
  if (p.RINoiseFitted) p.SystematicNoiseOn = true;

  if (p.InitialConcentrationExperimental) {
    p.Concentration[1] = 1.0f;
    p.ConcentrationFitted[1] = 0;
    p.LocalGlobalSwitches[4] = true;
    FitControl.TINoiseFitted = false;
  }

  if (IsDiscreteSpeciesModel(kind)) {
    if (kind != ModelKind::CumulantAnalysis)
      for (int k = 1; k <= 3; ++k) {
        const auto c = static_cast<std::size_t>(k);
        if (p.ComponentOn[c]) continue;
        p.MassOrDFitted[c] = p.SedCoefficientFitted[c] = p.ConcentrationFitted[c] = 0;
      }
    p.LinearConcentrations = ConcentrationsLinear();
    if (p.LinearConcentrations)
      for (int k = 1; k <= NCOMP; ++k)
        if (p.ComponentOn[static_cast<std::size_t>(k)])
          p.ConcentrationFitted[static_cast<std::size_t>(k)] = 0;
  }

  if (IsNonidealSpeciesKind(kind) || kind == ModelKind::ReactingABC || IsContinuousModel(kind) ||
      IsAssociationKind(kind))
    p.LinearConcentrations = false;
  if (IsAssociationKind(kind) && p.InitialConcentrationExperimental) {
    p.Concentration[3] = 1.0f;
    p.ConcentrationFitted[3] = 0;
    SpeciesEngineParameters.TotalConcentration = 1.0f;
  }
  DeriveMassesFromMonomer(kind);
}
