// The model commands in the command table, and the links through which a
// restored analysis selects its model with the same commands.

#include <iterator>

#include "app/commands/CommandTable.h"
#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelCommands.h"
#include "app/models/ModelSwitching.h"
#include "app/window/TXLAWindow.h"
#include "models/TempParameterFile.h"

namespace {

// answersHelp: the handler shows where help is found in menu-help mode.
const ModelCommandEntry kNonContinuousCommands[] = {
    {198, &CmNonInteractingDiscreteSpecies, true, "CmNonInteractingDiscreteSpecies",
     ModelKind::NonInteractingSpecies},
    {227, &CmSingleSpecies, true, "CmSingleSpecies", ModelKind::NonidealSingleSpecies},
    {893, &CmMultipleSpecies, false, "CmMultipleSpecies", ModelKind::NonidealMultipleSpecies},
    {246, &CmAnalyticalZoneCentrifugationIndepSpecies, true,
     "CmAnalyticalZoneCentrifugationIndepSpecies", ModelKind::ZoneIndependentSpecies},
    {536, &CmDiscreteStokesRadii, false, "CmDiscreteStokesRadii", ModelKind::DiscreteStokesRadii},
    {890, &CmCumulantAnalysis, false, "CmCumulantAnalysis", ModelKind::CumulantAnalysis},
    {280, &CmLinearLammEquation, true, "CmLinearLammEquation", ModelKind::LinearLammSpecies},
    {281, &CmExternalLoadingCell, true, "CmExternalLoadingCell",
     ModelKind::ExternalLoadingCellSpecies},
    {291, &CmElectrophoresisLammEquationForDiscreteSpecies, true,
     "CmElectrophoresisLammEquationForDiscreteSpecies", ModelKind::ElectrophoresisSpecies},
    {292, &CmVanHoldeWeischetTransform, true, "CmVanHoldeWeischetTransform",
     ModelKind::VanHoldeWeischet},
    {293, &CmExtrapolateLsGSAreaFractions, true, "CmExtrapolateLsGSAreaFractions",
     ModelKind::ExtrapolateLsGStar},
    {197, &CmMonomerDimer, true, "CmMonomerDimer", ModelKind::MonomerDimer},
    {229, &CmMonomerTrimer, true, "CmMonomerTrimer", ModelKind::MonomerTrimer},
    {520, &CmSelfAssociation148, true, "CmSelfAssociation148", ModelKind::SelfAssociation148},
    {228, &CmSelfAssociation124, true, "CmSelfAssociation124", ModelKind::SelfAssociation124},
    {267, &CmReactingABC, true, "CmReactingABC", ModelKind::ReactingABC},
    {1099, &CmHinderedSingleSpecies, true, "CmHinderedSingleSpecies",
     ModelKind::HinderedSingleSpecies},
    {282, &CmGeometry282Species, false, "CmGeometry282Species", ModelKind::Geometry282Species},
    {284, &CmBuoyantMassEquilibrium, false, "CmBuoyantMassEquilibrium",
     ModelKind::BuoyantMassEquilibrium},
    {523, &CmBuoyantMassReactingAB, false, "CmBuoyantMassReactingAB",
     ModelKind::BuoyantMassReactingAB},
};

const ModelCommandEntry kContinuousCommands[] = {
    {585, &CmNonidealCS, false, "CmNonidealCS", ModelKind::NonidealCS},
    {235, &CmContinuousCMDistribution, true, "SetContinuousModel", ModelKind::ContinuousCM},
    {277, &CmCMWithInvariantD, true, "CmCMWithInvariantD", ModelKind::CMInvariantD},
    {279, &CmCMWithPriorKnowledgeVbarM, true, "CmCMWithPriorKnowledgeVbarM",
     ModelKind::CMPriorVbar},
    {887, &CmFMVsMWithScalingLaw, false, "CmFMVsMWithScalingLaw", ModelKind::FMScalingLaw},
    {275, &CmContinuousCSDistribution, true, "CmContinuousCSDistribution", ModelKind::ContinuousCS},
    {514, &CmContinuousCSConformationalChangeModel, true, "CmContinuousCSConformationalChangeModel",
     ModelKind::CSConformationalChange},
    {526, &CmContinuousCSWithInvariantD, true, "CmContinuousCSWithInvariantD",
     ModelKind::CSInvariantD},
    {531, &CmContinuousCSWith1DiscreteComponent, false, "CmContinuousCSWith1DiscreteComponent",
     ModelKind::CSWithOneDiscrete},
    {548, &CmContinuousCSWithBimodalFF0, false, "CmContinuousCSWithBimodalFF0",
     ModelKind::CSBimodalFf0},
    {870, &CmContinuousCSWithBimodalFF0And1DiscreteComponent, false,
     "CmContinuousCSWithBimodalFF0And1DiscreteComponent", ModelKind::CSBimodalFf0OneDiscrete},
    {602, &CmContinuousCSWithFixFF0AndFloatingVbar, false,
     "CmContinuousCSWithFixFF0AndFloatingVbar", ModelKind::CSFixFf0FloatingVbar},
    {603, &CmContinuousCSForWormlikeChain, false, "CmContinuousCSForWormlikeChain",
     ModelKind::CSWormlikeChain},
    {872, &CmContinuousCSWithGeneralScalingLaw, false, "CmContinuousCSWithGeneralScalingLaw",
     ModelKind::CSGeneralScalingLaw},
    {587, &CmContinuousCSWithMSTable, false, "CmContinuousCSWithMSTable", ModelKind::CSWithMsTable},
    {1117, &CmContinuousCSWithFlotation, false, "CmContinuousCSWithFlotation",
     ModelKind::CSFlotation},
    {595, &CmContinuousCSFf0, false, "CmContinuousCSFf0", ModelKind::CSFf0},
    {598, &CmContinuousCSFf0With1DiscreteComponent, false,
     "CmContinuousCSFf0With1DiscreteComponent", ModelKind::CSFf0OneDiscrete},
    {288, &CmLsGStarS, true, "CmLsGStarS", ModelKind::LsGStar},
    {539, &CmLsGSWith1DiscreteLammEqComponent, false, "CmLsGSWith1DiscreteLammEqComponent",
     ModelKind::LsGStarOneDiscrete},
    {950, &CmHybridCSLsGS, false, "CmHybridCSLsGS", ModelKind::HybridCSLsGStar},
    {511, &CmAnalyticalZoneCentrifugationCS, true, "CmAnalyticalZoneCentrifugationCS",
     ModelKind::ZoneCS},
    {510, &CmAnalyticalZoneCentrifugationLsGS, true, "CmAnalyticalZoneCentrifugationLsGS",
     ModelKind::ZoneLsGStar},
    {503, &CmDLSContinuousIRhDistribution, true, "CmDLSContinuousIRhDistribution",
     ModelKind::DlsIRh},
    {502, &CmDLSContinuousIDDistribution, true, "CmDLSContinuousIDDistribution", ModelKind::DlsID},
    {522, &CmContinuousIRhTimeCourse, true, "CmContinuousIRhTimeCourse",
     ModelKind::DlsIRhTimeCourse},
    {501, &CmElectrophoresisLsGV, true, "CmElectrophoresisLsGV", ModelKind::ElectrophoresisLsGStar},
    {513, &CmElectrophoresisCVDistributionWithConstantD, true,
     "CmElectrophoresisCVDistributionWithConstantD", ModelKind::ElectrophoresisCV},
    {1100, &CmContinuousModel1100, false, "CmContinuousModel1100", ModelKind::HinderedCS},
    {521, &CmContinuousCSLinearRods, true, "CmContinuousCSLinearRods", ModelKind::CSLinearRods},
    {278, &CmCMWithPowerLawSM, true, "CmCMWithPowerLawSM", ModelKind::CMVariant278},
};

void AddAll(CommandTable& table, const ModelCommandEntry* first, const ModelCommandEntry* last) {
  for (const ModelCommandEntry* e = first; e != last; ++e)
    table.Add(e->id, e->handler, e->answersHelp, e->name);
}

}  // namespace

std::vector<ModelCommandEntry> ModelCommandEntries() {
  std::vector<ModelCommandEntry> all(std::begin(kNonContinuousCommands),
                                     std::end(kNonContinuousCommands));
  all.insert(all.end(), std::begin(kContinuousCommands), std::end(kContinuousCommands));
  return all;
}

void RegisterModelCommands(CommandTable& table) {
  AddAll(table, std::begin(kNonContinuousCommands), std::end(kNonContinuousCommands));
}

void RegisterContinuousModelCommands(CommandTable& table) {
  AddAll(table, std::begin(kContinuousCommands), std::end(kContinuousCommands));
}

void IssueModelCommand(TXLAWindow& window, ModelKind kind) {
  for (const ModelCommandEntry& e : ModelCommandEntries())
    if (e.kind == kind) {
      e.handler(window);
      return;
    }
}

void InstallModelCommandsForReload(TXLAWindow& window) {
  TempParameterFileLinksRecord& l = TempParameterFileLinks;
  TXLAWindow* w = &window;
  l.ResetModelFlags = [w](platform::WindowHandle) { ResetModelFlags(*w); };
  l.IssueModelCommand = [w](platform::WindowHandle, ModelKind kind) {
    const bool keep = ModelSwitchState.KeepRegularizationOnSwitch;
    ModelSwitchState.KeepRegularizationOnSwitch = IsContinuousModel(kind);
    IssueModelCommand(*w, kind);
    ModelSwitchState.KeepRegularizationOnSwitch = keep;
  };
  l.ClearFlotationGridReset = [] { ModelSwitchState.FlotationLimitsPending = false; };
}
