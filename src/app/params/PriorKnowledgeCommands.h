#pragma once
// Priors built from what is known of the sample: the Ctrl+W command around
// the prior dialog (with the frictional-ratio Gaussians of the c(s,f/f0)
// models), "Prior Knowledge of Discrete Species" (the peaks of the current
// c(s) become sharp priors, c(s) is computed again with them and the signal
// of each peak is reported) and the import of a reaction-boundary profile.

#include <functional>
#include <string>
#include <vector>

#include "app/interaction/DistributionPeaks.h"

class TXLAWindow;
class CommandTable;

// The run of the model that "Prior Knowledge of Discrete Species" makes
// with the new prior; empty: the Run command's.
extern std::function<void(TXLAWindow&)> PriorKnowledgeRun;

// "Use Prior Probabilities" (Ctrl+W).
void CmPriorProbabilities(TXLAWindow& window);
// "Prior Knowledge of Discrete Species" (Ctrl+X); in the prior dialog's
// table mode (PriorSettings.PriorFromDistributionPeaks) it only fills the
// dialog's peak table. True when peaks were taken.
bool CmPriorKnowledgeOfDiscreteSpecies(TXLAWindow& window);
// Reads a reaction-boundary file (profile rows, then the two boundaries'
// position and area) into the prior profile over the current grid; false
// after saying why.
bool ImportGJPrior(const std::string& path);

// The peaks of the current distribution that count as discrete species:
// each flank falls to half the peak height and the peak holds more than 1 %
// of the signal. At most ten, in the peak finder's order.
std::vector<DistributionPeak> DiscreteSpeciesPeaks();
// The report of DiscInts.dat: each peak's signal integrated between its
// bounds on the current distribution, and the rest as "OTHER MATERIAL".
std::string DiscreteSpeciesReport(const std::vector<DistributionPeak>& peaks);

// The frictional-ratio Gaussians of the c(s,f/f0) models, asked one by one.
void AskFf0PriorGaussians(TXLAWindow& window);

void RegisterPriorKnowledgeCommands(CommandTable& table);
// Points the prior dialog at the commands above.
void InstallPriorKnowledgeHooks(TXLAWindow& window);
