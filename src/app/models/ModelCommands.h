#pragma once
// The model commands of the kinds that are not continuous distributions:
// discrete species in their geometries, self-association, reacting and
// non-ideal species, the light-scattering discrete analyses, the buoyant-mass
// equilibrium analyses and the van Holde-Weischet family. Each selects its
// kind and presets what the model needs; other code calls them as the menu
// does, with their questions and messages.

#include <vector>

#include "state/ModelSelection.h"

class CommandTable;
class TXLAWindow;

void CmNonInteractingDiscreteSpecies(TXLAWindow& window);
void CmLinearLammEquation(TXLAWindow& window);
void CmExternalLoadingCell(TXLAWindow& window);
void CmGeometry282Species(TXLAWindow& window);
void CmElectrophoresisLammEquationForDiscreteSpecies(TXLAWindow& window);
void CmAnalyticalZoneCentrifugationIndepSpecies(TXLAWindow& window);
void CmDiscreteStokesRadii(TXLAWindow& window);
void CmCumulantAnalysis(TXLAWindow& window);
void CmMonomerDimer(TXLAWindow& window);
void CmMonomerTrimer(TXLAWindow& window);
void CmSelfAssociation148(TXLAWindow& window);
void CmSelfAssociation124(TXLAWindow& window);
void CmReactingABC(TXLAWindow& window);
void CmSingleSpecies(TXLAWindow& window);
void CmHinderedSingleSpecies(TXLAWindow& window);
void CmMultipleSpecies(TXLAWindow& window);
void CmBuoyantMassEquilibrium(TXLAWindow& window);
void CmBuoyantMassReactingAB(TXLAWindow& window);
void CmVanHoldeWeischetTransform(TXLAWindow& window);
void CmExtrapolateLsGSAreaFractions(TXLAWindow& window);

// Enters the commands above in the command table.
void RegisterModelCommands(CommandTable& table);

// One model command: its id, handler, whether it answers the menu-help mode
// itself, the handler's name and the kind it selects.
struct ModelCommandEntry {
  int id = 0;
  void (*handler)(TXLAWindow&) = nullptr;
  bool answersHelp = false;
  const char* name = "";
  ModelKind kind = ModelKind::NoModel;
};

// Every model command, those above and the continuous ones.
std::vector<ModelCommandEntry> ModelCommandEntries();

// Runs the command that selects `kind` (nothing for NoModel).
void IssueModelCommand(TXLAWindow& window, ModelKind kind);

// A restored analysis resets the model and re-selects its kind through the
// commands of this window, keeping the regularisation it restored.
void InstallModelCommandsForReload(TXLAWindow& window);
