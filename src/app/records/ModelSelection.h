#pragma once
// The current model: one ModelKind per model command and the geometry of the
// Lamm equation it is solved in. Every model command first resets all model
// flags and then sets its own. The loading code reads only whether the
// buoyant-mass equilibrium model is chosen (interference data are then taken
// as absorbance data); the model commands fill in the rest.

enum class ModelKind {
  None,
  NonInteractingSpecies,
  MonomerDimer,
  MonomerTrimer,
  SelfAssociation148,
  SelfAssociation124,
  BuoyantMassEquilibrium,
  ContinuousCS,
  CMVariant278,
  CMPriorVbar,
  ZoneIndependentSpecies,
  // The remaining model commands.
  LinearLammSpecies,
  ExternalLoadingCellSpecies,
  Geometry282Species,
  ElectrophoresisSpecies,
  DiscreteStokesRadii,
  CumulantAnalysis,
  ReactingABC,
  ABCEquilibriumAnalysis,
  NonidealSingleSpecies,
  HinderedSingleSpecies,
  NonidealMultipleSpecies,
  BuoyantMassReactingAB,
  ContinuousCM,
  CMInvariantD,
  FMScalingLaw,
  NonidealCS,
  HinderedCS,
  CSWithMsTable,
  CSWithOneDiscrete,
  CSConformationalChange,
  CSBimodalFf0,
  CSBimodalFf0OneDiscrete,
  CSFixFf0FloatingVbar,
  CSGeneralScalingLaw,
  CSWormlikeChain,
  CSFlotation,
  CSFf0,
  CSFf0OneDiscrete,
  CSInvariantD,
  CSLinearRods,
  ElectrophoresisCV,
  DlsIRh,
  DlsIRhTimeCourse,
  DlsID,
  LsGStar,
  LsGStarOneDiscrete,
  HybridCSLsGStar,
  ElectrophoresisLsGStar,
  ZoneCS,
  ZoneLsGStar,
  ExtrapolateLsGStar,
  VanHoldeWeischet,
};

// The kind is computed as a continuous distribution.
inline bool IsContinuousModel(ModelKind k) {
  switch (k) {
    case ModelKind::ContinuousCM:
    case ModelKind::CMInvariantD:
    case ModelKind::CMVariant278:
    case ModelKind::CMPriorVbar:
    case ModelKind::FMScalingLaw:
    case ModelKind::ContinuousCS:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSConformationalChange:
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::CSWormlikeChain:
    case ModelKind::CSFlotation:
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::CSInvariantD:
    case ModelKind::CSLinearRods:
    case ModelKind::ElectrophoresisCV:
    case ModelKind::DlsIRh:
    case ModelKind::DlsIRhTimeCourse:
    case ModelKind::DlsID:
    case ModelKind::LsGStar:
    case ModelKind::LsGStarOneDiscrete:
    case ModelKind::HybridCSLsGStar:
    case ModelKind::ElectrophoresisLsGStar:
    case ModelKind::ZoneCS:
    case ModelKind::ZoneLsGStar:
    case ModelKind::ExtrapolateLsGStar:
      return true;
    default:
      return false;
  }
}

// The kind simulates a zone (band) loaded from a lamella.
inline bool IsZoneModel(ModelKind k) {
  return k == ModelKind::ZoneIndependentSpecies || k == ModelKind::ZoneCS ||
         k == ModelKind::ZoneLsGStar;
}

// Modifiers of the sector-shaped cell in which the models are solved.
struct LammGeometryRecord {
  bool LinearLamm = false;
  bool ExternalLoadingCell = false;
  bool Geometry282 = false;
  bool LinearForceElectrophoresis = false;
};

struct ModelSelectionRecord {
  ModelKind Kind = ModelKind::None;
  LammGeometryRecord LammGeometry;
  bool InvertBand = false;  // the band-forming zone model with an inverted band
};

extern ModelSelectionRecord ModelSelection;
