#include "engines/EngineRoads.h"

#include "engines/ConcentrationDependentEngine.h"
#include "engines/GlobalLammSolver.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/LocalSedimentation.h"
#include "engines/MovingHatEngine.h"
#include "models/records/SpeciesEngineParameters.h"

namespace {

void RunConcentrationDependent(const ConcentrationDependentSpecies& species) {
  LoadAssociationParameters(species);
  RunNonidealSingleSpeciesLamm();
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
  r.CompressibleSolvent = SolventIsCompressible;
}
