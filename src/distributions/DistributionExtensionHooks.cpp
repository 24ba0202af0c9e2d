#include "distributions/DistributionExtensionHooks.h"

#include "distributions/ContiGrid.h"
#include "distributions/ContiKernel.h"
#include "distributions/ContiNonid.h"
#include "distributions/CtotMovie.h"
#include "distributions/MonteCarlo.h"
#include "distributions/MsTable.h"
#include "distributions/PriorProfile.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "state/ContiNonidSimLink.h"
#include "state/MonteCarloLinks.h"
#include "models/SimulationErrors.h"
#include "models/TempParameterFile.h"

void InstallDistributionExtensionHooks() {
  GridServicesRecord& g = GridServices;
  g.MakePriorProfile = [] { MakePriorProfile(); };
  g.LoadMsTable = LoadMsTable;
  g.MsTableMolarMass = MsTableMolarMass;
  g.PrepareNonidealMeanField = PrepareNonidealMeanField;
  ContiKernelServices.RunNonidcofsSedList = RunNonidcofsSedList;
  DestroyContiNonidSim = DeleteContiNonidSim;
  CtotMovieLinks.FieldInUse = CtotFieldInUse;
  CtotMovieLinks.FillFromField = [] {
    if (pCContiNonidSim) pCContiNonidSim->FillCtotMovie();
  };
  CtotMovieLinks.FreezeCtot = [] { return CorrectionOptions.Ctot.FreezeCtot; };
  StoredDistributionServices.BufferMismatchOn = [] { return CorrectionOptions.BufferMismatch.On; };
  // The non-ideal c(s) model keeps a discrete species of its own at grid
  // point 1 while that species is left out of the mean field.
  StoredDistributionServices.NonidealExtraSpecies = [] {
    return CorrectionOptions.Ctot.ExcludeDiscreteFromCtot;
  };
  // The global-array engines of the c(M) kernel hand each finished profile
  // to the current grid point's column.
  StoreLammColumnForKernel = MapLammColumnToScan;
  TempParameterFileLinks.SaveCtotBesideParameters = SaveCtotBesideParameters;
  TempParameterFileLinks.LoadCtotBesideParameters = LoadCtotBesideParameters;
  InstallMonteCarloLinks();
}

void InstallMonteCarloLinks() {
  MonteCarloLinksRecord& l = MonteCarloLinks;
  l.MonteCarloDistributions = MonteCarloDistributions;
  l.MonteCarloLimits = MonteCarloLimits;
  l.MonteCarloSw = MonteCarloSw;
  l.RunMonteCarloSw = RunMonteCarloSw;
  l.MonteCarloFinish = MonteCarloFinish;
  l.MonteCarloSwResult = [] { return MonteCarlo.MonteCarloSwResult; };
  l.Installed = true;
}
