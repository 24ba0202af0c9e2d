#pragma once
// The model commands of the continuous-distribution kinds: c(M) and its
// variants, c(s) and its variants, c(s,f/f0), ls-g*(s), the zone and
// electrophoresis distributions and the continuous light-scattering
// distributions. Each switches into continuous mode (SetContinuousModel),
// selects its kind and presets limits, confidence level, regularisation and
// the parameter slots of the continuous layout.

class CommandTable;
class TXLAWindow;

void CmNonidealCS(TXLAWindow& window);
void CmContinuousModel1100(TXLAWindow& window);
void CmCMWithInvariantD(TXLAWindow& window);
void CmCMWithPowerLawSM(TXLAWindow& window);
void CmCMWithPriorKnowledgeVbarM(TXLAWindow& window);
void CmFMVsMWithScalingLaw(TXLAWindow& window);
void CmContinuousCSDistribution(TXLAWindow& window);
void CmContinuousCSConformationalChangeModel(TXLAWindow& window);
void CmContinuousCSWithInvariantD(TXLAWindow& window);
void CmContinuousCSWith1DiscreteComponent(TXLAWindow& window);
void CmContinuousCSWithBimodalFF0(TXLAWindow& window);
void CmContinuousCSWithBimodalFF0And1DiscreteComponent(TXLAWindow& window);
void CmContinuousCSWithFixFF0AndFloatingVbar(TXLAWindow& window);
void CmContinuousCSForWormlikeChain(TXLAWindow& window);
void CmContinuousCSWithGeneralScalingLaw(TXLAWindow& window);
void CmContinuousCSWithMSTable(TXLAWindow& window);
void CmContinuousCSWithFlotation(TXLAWindow& window);
void CmContinuousCSFf0(TXLAWindow& window);
void CmContinuousCSFf0With1DiscreteComponent(TXLAWindow& window);
void CmContinuousCSLinearRods(TXLAWindow& window);
void CmLsGStarS(TXLAWindow& window);
void CmLsGSWith1DiscreteLammEqComponent(TXLAWindow& window);
void CmHybridCSLsGS(TXLAWindow& window);
void CmAnalyticalZoneCentrifugationCS(TXLAWindow& window);
void CmAnalyticalZoneCentrifugationLsGS(TXLAWindow& window);
void CmElectrophoresisLsGV(TXLAWindow& window);
void CmElectrophoresisCVDistributionWithConstantD(TXLAWindow& window);
void CmDLSContinuousIRhDistribution(TXLAWindow& window);
void CmDLSContinuousIDDistribution(TXLAWindow& window);
void CmContinuousIRhTimeCourse(TXLAWindow& window);

// Enters the commands above and "Continuous c(M) Distribution" in the
// command table.
void RegisterContinuousModelCommands(CommandTable& table);
