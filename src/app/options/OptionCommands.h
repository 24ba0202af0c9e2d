#pragma once
// The option commands of the menus "Options" and "Help" that change one
// persisted setting: each asks or toggles, sets the item's check mark and
// offers to keep the choice in the preference file.

#include "models/FitDriver.h"

class CommandTable;
class TXLAWindow;

// Menu items whose check marks the options set.
inline constexpr int kSoundItem = 594;
inline constexpr int kScanColourFromTimeItem = 609;
inline constexpr int kWizardMessagesItem = 610;
inline constexpr int kIntegrationRangesFileItem = 644;
inline constexpr int kMultipleThreadsItem = 648;
inline constexpr int kSimplexItem = 826;
inline constexpr int kSimulatedAnnealingItem = 825;
inline constexpr int kMarquardtLevenbergItem = 824;
inline constexpr int kSuppressBaselineCorrelationItem = 829;
inline constexpr int kAlwaysLoadG2Item = 894;
inline constexpr int kCheckTimestampsItem = 902;
inline constexpr int kErrorPropagationItem = 952;
inline constexpr int kOldFilenameConventionItem = 243;
inline constexpr int kDontLoadSpikesItem = 247;
inline constexpr int kFlagStrongGradientsItem = 868;

// The optimiser's code in the preference file: 1 simplex, 2 simulated
// annealing, 3 Levenberg-Marquardt.
int OptimizerCode(OptimizerChoice choice);
// Check mark on the current optimiser's item, off on the other two.
void CheckOptimizerMarks(TXLAWindow& window);

void CmSound(TXLAWindow& window);
void CmScanColorTemperatureFromTime(TXLAWindow& window);
void CmAlwaysLoadG2(TXLAWindow& window);
void CmSuppressBaselineCorrelationInMaxEnt(TXLAWindow& window);
void CmErrorPropagationOfResidualsToSw(TXLAWindow& window);
void CmComputeWithMultipleThreads(TXLAWindow& window);
void CmCheckElapsedTimeAgainstTimestamp(TXLAWindow& window);
void CmSimplexAlgorithm(TXLAWindow& window);
void CmSimulatedAnnealing(TXLAWindow& window);
void CmMarquardtLevenberg(TXLAWindow& window);
void CmOldFilenameConvention(TXLAWindow& window);
void CmPlayBeerSound(TXLAWindow& window);

// These commands and "Info and Wizard Messages" (610).
void RegisterOptionCommands(CommandTable& table);
