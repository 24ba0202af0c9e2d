#include "engines/EngineRoads.h"
#include "engines/EngineScanOverlays.h"

#include "state/ModelSelection.h"
#include "engines/BufferSedimentation.h"
#include "engines/ConcentrationDependentEngine.h"
#include "engines/GlobalLammSolver.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/LocalSedimentation.h"
#include "engines/MovingHatEngine.h"
#include "engines/ReactingABEngine.h"
#include "models/MovingGridEngine.h"
#include "models/SimulateModel.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "ui/Boxes.h"

namespace {

void RunConcentrationDependent(const ConcentrationDependentSpecies& species) {
  LoadAssociationParameters(species);
  RunNonidealSingleSpeciesLamm();
}

// The hindered and tabulated laws of the moving grid are the local
// coefficients of the fixed-grid engine, prepared for the current model and
// options. A law that cannot be prepared (series files that cannot be read)
// leaves the source empty, and the engine refuses the model instead of
// running it with some other law.
MovingGridCoefficientSourceRecord LocalSedimentationSource() {
  MovingGridCoefficientSourceRecord source;
  if (!PrepareLocalSedimentation()) return source;
  source.LocalSD = [](const double* c, double* s, double* D, int n) {
    for (int i = 1; i <= n; ++i) NonidealCoefficientsAt(c[i], s[i], D[i]);
  };
  // The grid follows the species at its loading, as for the ks, kd law.
  source.DesignS = [](double c0) {
    double s = 0.0, D = 0.0;
    NonidealCoefficientsAt(c0, s, D);
    return s;
  };
  return source;
}

// The moving grid takes its coefficients from the source for the tabulated
// s(c), D(c) and for the hindered species; the association and ks, kd laws
// it evaluates itself.
bool MovingGridNeedsSource() {
  const ModelKind kind = ModelSelection.Kind;
  if (kind == ModelKind::MonomerDimer || kind == ModelKind::MonomerTrimer) return false;
  return SpeciesEngineParameters.TabulatedSD || kind == ModelKind::HinderedSingleSpecies;
}

// The concentration-dependent component on the moving grid. The engine
// reads the species from SpeciesEngineParameters, so the species the
// dispatcher derived (for a non-ideal first component: that component's s
// and D) goes there; the fixed-grid record is filled too, so that both
// engines see the same model.
void RunMovingGridConcentrationDependent(const ConcentrationDependentSpecies& species) {
  LoadAssociationParameters(species);
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  e.s1 = static_cast<float>(species.s1);
  e.D1 = static_cast<float>(species.D1);
  MovingGridCoefficientSource =
      MovingGridNeedsSource() ? LocalSedimentationSource() : MovingGridCoefficientSourceRecord{};
  RunMovingGridNonidealLamm();
}

// The A + B <-> AB model's slots: M or D of A, B and AB (1, 2, 3), signal
// per unit concentration of A (4) and of B (12), s of A, B and AB (5, 6,
// 7), log10 K (8), loading signals of A and B (9, 10); the initial complex
// (11) is derived. In the M form the complex has the mass of A and B
// together.
void LoadReactingParameters() {
  ModelParametersRecord& mp = ModelParameters;
  ReactingSystemParametersRecord& p = ReactingSystemParameters;
  if (FitControl.MassInsteadOfD) mp.MassOrD[3] = mp.MassOrD[1] + mp.MassOrD[2];
  p.LoadingSignalA = mp.Concentration[1];
  p.LoadingSignalB = mp.Concentration[2];
  p.SignalFactorA = mp.MassOrD[4];
  p.SignalFactorB = mp.Concentration[4];
  p.LogK = mp.SedCoefficient[4];
  p.SedimentationA = mp.SedCoefficient[1];
  p.SedimentationB = mp.SedCoefficient[2];
  p.SedimentationComplex = mp.SedCoefficient[3];
  p.DiffusionA = static_cast<float>(SpeciesDiffusion(1));
  p.DiffusionB = static_cast<float>(SpeciesDiffusion(2));
  p.DiffusionComplex = static_cast<float>(SpeciesDiffusion(3));
}

// The loading equilibrium of the model's parameters. A loading that cannot
// be formed is said so and stops a fit: a silently zero model would pass
// for a result.
bool ReactingModelEquilibrium() {
  LoadReactingParameters();
  if (!ReactingEquilibrium()) {
    ErrorBox(
        "A + B <-> AB: the signals per unit concentration must be positive, the loading signals "
        "must not be negative, and log10(K) must give a finite K");
    ComputationAbort = true;
    return false;
  }
  ModelParameters.Concentration[3] = ReactingSystemParameters.LoadingComplex;
  return true;
}

bool SolventIsCompressible() {
  return InhomogeneousSolventSettings.CompressibleSolvent;
}

}  // namespace

void LoadAssociationParameters(const ConcentrationDependentSpecies& species) {
  const SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  AssociationParametersRecord& p = AssociationParameters;
  p.s1 = species.s1;
  p.D1 = species.D1;
  p.s2 = species.s2;
  p.D2 = species.D2;
  for (int k = 1; k <= 3; ++k) {
    p.OligomerS[k] = species.OligomerS[k];
    p.OligomerD[k] = species.OligomerD[k];
  }
  p.LogK = e.LogKa;
  p.LogKa = e.LogKa;
  p.LogKb = e.LogKb;
  p.EnteredKs = e.LogKs;
  p.EnteredKd = e.LogKd;
  p.Repulsive = e.Repulsive;
  p.CsClOption = e.CsClModel;
  p.PolynomialOption = e.TabulatedSD;
  p.DimerNonideality = e.AssociationNonidealityOn;
}

void InstallEngineRoads() {
  SimulationRoadsRecord& r = SimulationRoads;
  r.FixedGridLamm = PropagateGlobalLamm;
  r.MovingHatLamm = RunMovingHatLamm;
  r.ConcentrationDependentLamm = RunConcentrationDependent;
  r.MovingGridConcentrationDependentLamm = RunMovingGridConcentrationDependent;
  r.ReactingEquilibrium = ReactingModelEquilibrium;
  r.PropagateReactingSystem = PropagateReactingSystem;
  r.ScanOverlays = DrawEngineScanOverlays;
  r.CompressibleSolvent = SolventIsCompressible;
  r.ConfigureSolverSolvent = ConfigureSolverSolvent;
  r.BufferSedimentation = SimulateBufferSedimentation;
  r.BufferSignalOnGrid = SimulateBufferSignalOnGrid;
}
