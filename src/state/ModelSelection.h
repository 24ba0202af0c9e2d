#pragma once
// The current model: one ModelKind per model command, and the geometry of the
// Lamm equation it is solved in, which the kind fixes. Every model command
// that leaves a kind first brings the whole model state back to a neutral
// state (NoModel in the sector cell) and then selects its own kind; the rest
// of the program asks the attribute queries below instead of remembering
// which command was chosen.

enum class ModelKind {
  NoModel,  // between a reset and the selection that follows it at once
  NonInteractingSpecies,
  LinearLammSpecies,
  ExternalLoadingCellSpecies,
  Geometry282Species,
  ElectrophoresisSpecies,
  ZoneIndependentSpecies,
  DiscreteStokesRadii,
  CumulantAnalysis,
  MonomerDimer,
  MonomerTrimer,
  SelfAssociation148,
  SelfAssociation124,
  ReactingABC,
  NonidealSingleSpecies,
  HinderedSingleSpecies,
  NonidealMultipleSpecies,
  BuoyantMassEquilibrium,
  BuoyantMassReactingAB,
  ContinuousCM,
  CMInvariantD,
  CMVariant278,
  CMPriorVbar,
  FMScalingLaw,
  ContinuousCS,
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

inline constexpr int ModelKindCount = 51;  // without NoModel

// The cell in which the Lamm equation is solved.
enum class LammGeometry {
  SectorCell,
  LinearLamm,
  ExternalLoading,  // the external-loading cell
  Geometry282,
  LinearForceElectrophoresis,
};

// The geometry as the solvers read it: one switch per modifier of the sector
// cell, at most one of them set (none: the sector cell). Written only through
// SelectModelKind, so that it always follows the kind.
struct LammGeometryRecord {
  bool LinearLamm = false;
  bool ExternalLoadingCell = false;
  bool Geometry282 = false;
  bool LinearForceElectrophoresis = false;
};

struct ModelSelectionRecord {
  ModelKind Kind = ModelKind::NonInteractingSpecies;
  LammGeometryRecord LammGeometry;
  bool InvertBand = false;  // the band-forming zone model with an inverted band
  // van Holde-Weischet analysis of floating instead of sedimenting boundaries.
  bool VanHoldeWeischetFlotation = false;
  // The c(s) model with one discrete component describes the component by
  // its molar mass (else by its diffusion coefficient); fixed at selection.
  bool OneDiscreteByMass = true;
};

extern ModelSelectionRecord ModelSelection;

// The geometry that a kind is solved in.
LammGeometry GeometryOf(ModelKind kind);
// The current geometry, read from the solver switches.
LammGeometry CurrentGeometry();
// Sets the kind and the solver switches of its geometry together.
void SelectModelKind(ModelKind kind);

// Attributes of a kind: pure functions, the only thing the rest of the
// program asks about the model besides equality with a named kind.
bool IsContinuousModel(ModelKind k);
// The non-interacting discrete species, their geometry variants, and the
// two discrete light-scattering analyses.
bool IsDiscreteSpeciesModel(ModelKind k);
// The kernel of the plain c(s) with frictional-ratio scaling.
bool UsesStandardCSKernel(ModelKind k);
bool IsZoneModel(ModelKind k);
bool IsLsGStarModel(ModelKind k);
bool IsVanHoldeWeischetFamily(ModelKind k);
// c(s) solved in the mean field of all its species: the non-ideal model and
// its hindered variant (hard-sphere factors instead of linear ks and kD).
bool IsNonidealCsFamily(ModelKind k);
// One diffusion coefficient for every grid point.
bool HasConstantD(ModelKind k);
bool IsDlsModel(ModelKind k);
// Run by the buoyant-mass equilibrium analysis.
bool IsEquilibriumModel(ModelKind k);

// State beside the kind that the model commands keep for themselves while
// switching between kinds.
struct ModelSwitchStateRecord {
  // Grid size of the Lamm solutions of the continuous models, the size that
  // was in use before a switch into them, and whether a model changed it.
  int ContinuousLammGridSize = 500;
  int SavedLammGridSize = 0;
  bool LammGridSizeChangedByModel = false;
  // An ls-g*(s) command switched the scan times to omega^2 t derived times;
  // the next reset gives the recorded times back.
  bool TimesFromW2tSetByModel = false;
  // The confidence level that the last model command preset; a fresh switch
  // into a continuous kind starts with it.
  float ModelPvaluePreset = 0.95f;
  // No note about the switch to maximum entropy: set until the main window's
  // set-up ends (so batch runs never show it), and around embedded commands.
  bool SuppressModelNotes = true;
  // Keep the regularisation through a switch into a continuous kind (the
  // non-ideal c(s) models and a restored analysis).
  bool KeepRegularizationOnSwitch = false;
  // The flotation c(s) command sets its limits once after the start.
  bool FlotationLimitsPending = true;
};

extern ModelSwitchStateRecord ModelSwitchState;
