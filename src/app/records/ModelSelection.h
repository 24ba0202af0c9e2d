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
};

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
