#include "state/ModelSelection.h"

ModelSelectionRecord ModelSelection;
ModelSwitchStateRecord ModelSwitchState;

LammGeometry GeometryOf(ModelKind kind) {
  switch (kind) {
    case ModelKind::LinearLammSpecies:
      return LammGeometry::LinearLamm;
    case ModelKind::ExternalLoadingCellSpecies:
      return LammGeometry::ExternalLoading;
    case ModelKind::Geometry282Species:
      return LammGeometry::Geometry282;
    case ModelKind::ElectrophoresisSpecies:
    case ModelKind::ElectrophoresisCV:
      return LammGeometry::LinearForceElectrophoresis;
    default:
      return LammGeometry::SectorCell;
  }
}

LammGeometry CurrentGeometry() {
  const LammGeometryRecord& g = ModelSelection.LammGeometry;
  if (g.LinearLamm) return LammGeometry::LinearLamm;
  if (g.ExternalLoadingCell) return LammGeometry::ExternalLoading;
  if (g.Geometry282) return LammGeometry::Geometry282;
  if (g.LinearForceElectrophoresis) return LammGeometry::LinearForceElectrophoresis;
  return LammGeometry::SectorCell;
}

void SelectModelKind(ModelKind kind) {
  ModelSelection.Kind = kind;
  const LammGeometry geometry = GeometryOf(kind);
  LammGeometryRecord& g = ModelSelection.LammGeometry;
  g.LinearLamm = geometry == LammGeometry::LinearLamm;
  g.ExternalLoadingCell = geometry == LammGeometry::ExternalLoading;
  g.Geometry282 = geometry == LammGeometry::Geometry282;
  g.LinearForceElectrophoresis = geometry == LammGeometry::LinearForceElectrophoresis;
}

bool IsContinuousModel(ModelKind k) {
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

bool IsDiscreteSpeciesModel(ModelKind k) {
  switch (k) {
    case ModelKind::NonInteractingSpecies:
    case ModelKind::LinearLammSpecies:
    case ModelKind::ExternalLoadingCellSpecies:
    case ModelKind::Geometry282Species:
    case ModelKind::ElectrophoresisSpecies:
    case ModelKind::ZoneIndependentSpecies:
    case ModelKind::DiscreteStokesRadii:
    case ModelKind::CumulantAnalysis:
      return true;
    default:
      return false;
  }
}

bool UsesStandardCSKernel(ModelKind k) {
  switch (k) {
    case ModelKind::ContinuousCS:
    case ModelKind::LsGStar:
    case ModelKind::LsGStarOneDiscrete:
    case ModelKind::ElectrophoresisLsGStar:
    case ModelKind::ZoneCS:
    case ModelKind::ZoneLsGStar:
      return true;
    default:
      return false;
  }
}

bool IsZoneModel(ModelKind k) {
  return k == ModelKind::ZoneIndependentSpecies || k == ModelKind::ZoneCS ||
         k == ModelKind::ZoneLsGStar;
}

bool IsLsGStarModel(ModelKind k) {
  return k == ModelKind::LsGStar || k == ModelKind::ElectrophoresisLsGStar ||
         k == ModelKind::ZoneLsGStar;
}

bool IsVanHoldeWeischetFamily(ModelKind k) {
  return k == ModelKind::VanHoldeWeischet || k == ModelKind::ExtrapolateLsGStar;
}

bool IsNonidealCsFamily(ModelKind k) {
  return k == ModelKind::NonidealCS || k == ModelKind::HinderedCS;
}

bool HasConstantD(ModelKind k) {
  return k == ModelKind::CMInvariantD || k == ModelKind::ElectrophoresisCV;
}

bool IsDlsModel(ModelKind k) {
  return k == ModelKind::DlsIRh || k == ModelKind::DlsIRhTimeCourse || k == ModelKind::DlsID ||
         k == ModelKind::DiscreteStokesRadii || k == ModelKind::CumulantAnalysis;
}

bool IsEquilibriumModel(ModelKind k) {
  return k == ModelKind::BuoyantMassEquilibrium || k == ModelKind::BuoyantMassReactingAB;
}
